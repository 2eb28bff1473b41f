#include "platform/StdCtrls.h"

#include <algorithm>

#include "platform/Clipbrd.h"
#include "platform/Forms.h"

namespace {
bool IsContinuation(char C) { return (static_cast<unsigned char>(C) & 0xC0) == 0x80; }

int32_t PrevChar(const std::string& S, int32_t Pos) {
  if (Pos <= 0) return 0;
  --Pos;
  while (Pos > 0 && IsContinuation(S[static_cast<size_t>(Pos)])) --Pos;
  return Pos;
}

int32_t NextChar(const std::string& S, int32_t Pos) {
  const auto n = static_cast<int32_t>(S.size());
  if (Pos >= n) return n;
  ++Pos;
  while (Pos < n && IsContinuation(S[static_cast<size_t>(Pos)])) ++Pos;
  return Pos;
}
}  // namespace

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 121, 23);
  SetTabStop(true);
  SetColor(clWindow);
  SetBorderStyle(bsSingle);
}

void TCustomEdit::SetSelStart(int32_t Value) {
  const auto n = static_cast<int32_t>(GetText().size());
  Value = std::clamp(Value, 0, n);
  while (Value > 0 && Value < n && IsContinuation(GetText()[static_cast<size_t>(Value)])) --Value;
  FSelStart = Value;
  FSelLength = 0;
  PlaceCaret();
  Invalidate();
}

void TCustomEdit::SetSelLength(int32_t Value) {
  const auto n = static_cast<int32_t>(GetText().size());
  FSelLength = std::clamp(FSelStart + Value, 0, n) - FSelStart;
  Invalidate();
}

std::string TCustomEdit::GetSelText() const {
  const int32_t a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
  return GetText().substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
}

void TCustomEdit::SelectAll() {
  FSelStart = 0;
  FSelLength = static_cast<int32_t>(GetText().size());
  Invalidate();
}

void TCustomEdit::Change() {
  Changed();
  if (OnChange) OnChange(this);
}

void TCustomEdit::CMTextChanged(TMessage& M) {
  TCustomControl::CMTextChanged(M);
  if (!FEditing) {
    FSelStart = std::min(FSelStart, static_cast<int32_t>(GetText().size()));
    FSelLength = 0;
    Change();
  }
}

void TCustomEdit::ReplaceSelection(const std::string& S) {
  std::string t = GetText();
  const int32_t a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
  std::string ins = S;
  if (MaxLength > 0) {
    const int32_t room = MaxLength - static_cast<int32_t>(t.size()) + (b - a);
    if (room <= 0) return;
    if (static_cast<int32_t>(ins.size()) > room) {
      int32_t cut = room;
      while (cut > 0 && IsContinuation(ins[static_cast<size_t>(cut)])) --cut;
      ins.resize(static_cast<size_t>(cut));
    }
  }
  t.replace(static_cast<size_t>(a), static_cast<size_t>(b - a), ins);
  FEditing = true;
  SetText(t);
  FEditing = false;
  FSelStart = a + static_cast<int32_t>(ins.size());
  FSelLength = 0;
  PlaceCaret();
  Change();
}

void TCustomEdit::MoveCaret(int32_t Pos, bool Extend) {
  // SelStart is the anchor, SelStart + SelLength the caret: extending moves the caret only.
  if (Extend) {
    FSelLength = Pos - FSelStart;
  } else {
    FSelStart = Pos;
    FSelLength = 0;
  }
  PlaceCaret();
  Invalidate();
}

void TCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  const std::string& t = GetText();
  const int32_t caret = FSelStart + FSelLength;
  const bool ext = Shift.Contains(ssShift);
  switch (Key) {
    case VK_LEFT: MoveCaret(ext ? PrevChar(t, caret) : (FSelLength ? std::min(FSelStart, caret) : PrevChar(t, caret)), ext); break;
    case VK_RIGHT: MoveCaret(ext ? NextChar(t, caret) : (FSelLength ? std::max(FSelStart, caret) : NextChar(t, caret)), ext); break;
    case VK_HOME: MoveCaret(0, ext); break;
    case VK_END: MoveCaret(static_cast<int32_t>(t.size()), ext); break;
    case VK_DELETE:
      if (ReadOnly) break;
      if (FSelLength == 0) FSelLength = NextChar(t, FSelStart) - FSelStart;
      ReplaceSelection("");
      break;
    case 'A':
      if (Shift.Contains(ssCtrl)) SelectAll();
      return;
    case 'C':
      if (Shift.Contains(ssCtrl) && FSelLength) Clipboard()->SetAsText(GetSelText());
      return;
    case 'X':
      if (Shift.Contains(ssCtrl) && FSelLength && !ReadOnly) {
        Clipboard()->SetAsText(GetSelText());
        ReplaceSelection("");
      }
      return;
    case 'V':
      if (Shift.Contains(ssCtrl) && !ReadOnly)
        QzPasteClipboardText(this, MaxLength > 0 ? static_cast<size_t>(MaxLength) : QzPasteTextLimit,
                             [this](const std::string& Text) {
                               if (!ReadOnly) ReplaceSelection(Text);
                             });
      return;
    default: return;
  }
  Key = 0;
}

void TCustomEdit::UTF8KeyPress(std::string& UTF8Key) {
  TCustomControl::UTF8KeyPress(UTF8Key);
  if (UTF8Key.empty()) return;
  if (UTF8Key.size() == 1) {
    char c = UTF8Key[0];
    KeyPress(c);
    if (c == 0) {
      UTF8Key.clear();
      return;
    }
    if (c == '\b') {
      if (!ReadOnly) {
        if (FSelLength == 0) {
          const int32_t p = PrevChar(GetText(), FSelStart);
          FSelLength = p - FSelStart;
        }
        ReplaceSelection("");
      }
      UTF8Key.clear();
      return;
    }
    if (static_cast<unsigned char>(c) < 32) return;  // Enter, Escape, Tab: for the handlers
    UTF8Key[0] = c;
  }
  if (!ReadOnly) ReplaceSelection(UTF8Key);
  UTF8Key.clear();
}

void TCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    SetFocus();
    TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    const std::string& t = GetText();
    int32_t pos = 0;
    while (pos < static_cast<int32_t>(t.size())) {
      const int32_t next = NextChar(t, pos);
      const int32_t mid = (c->TextWidth(t.substr(0, static_cast<size_t>(pos))) +
                           c->TextWidth(t.substr(0, static_cast<size_t>(next)))) / 2;
      if (TextX() + mid > X) break;
      pos = next;
    }
    MoveCaret(pos, Shift.Contains(ssShift));
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomEdit::PlaceCaret() {
  if (!Focused()) return;
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  const int32_t caret = FSelStart + FSelLength;
  const int32_t x = TextX() + c->TextWidth(GetText().substr(0, static_cast<size_t>(caret)));
  const int32_t h = c->TextHeight("Hg");
  SetCaretPos(x, (GetHeight() - h) / 2);
}

void TCustomEdit::WMSetFocus(TMessage& M) {
  TCustomControl::WMSetFocus(M);
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  CreateCaret(GetHandle(), nullptr, 1, c->TextHeight("Hg"));
  PlaceCaret();
  ShowCaret(GetHandle());
}

void TCustomEdit::WMKillFocus(TMessage& M) {
  TCustomControl::WMKillFocus(M);
  DestroyCaret();
}

void TCustomEdit::Paint() {
  TCanvas* c = GetCanvas();
  const std::string& t = GetText();
  const int32_t h = c->TextHeight("Hg");
  const int32_t y = (GetHeight() - h) / 2;
  if (FSelLength != 0 && Focused()) {
    const int32_t a = std::min(FSelStart, FSelStart + FSelLength), b = std::max(FSelStart, FSelStart + FSelLength);
    const int32_t x0 = TextX() + c->TextWidth(t.substr(0, static_cast<size_t>(a)));
    const int32_t x1 = TextX() + c->TextWidth(t.substr(0, static_cast<size_t>(b)));
    c->GetBrush()->SetColor(clHighlight);
    c->FillRect(Rect(x0, y, x1, y + h));
  }
  c->GetBrush()->SetStyle(bsClear);
  c->TextOut(TextX(), y, t);
  if (GetBorderStyle() != bsNone) {
    c->GetBrush()->SetColor(clBtnShadow);
    c->FrameRect(GetClientRect());
  }
  TCustomControl::Paint();
}

// ---- labels ----

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  ControlStyle.Include(csSetCaption);
  SetAutoSize(true);
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Invalidate();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FocusControl) FocusControl = nullptr;
}

void TCustomLabel::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  if (!FTransparent) {
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(GetColor());
    c->FillRect(r);
  }
  c->GetBrush()->SetStyle(bsClear);
  c->SetFont(GetFont());
  if (!IsEnabled()) c->GetFont()->SetColor(clGrayText);
  const TSize ext = c->TextExtent(GetCaption());
  int32_t x = 0, y = 0;
  if (FAlignment == taRightJustify) x = r.Right - ext.cx;
  if (FAlignment == taCenter) x = (r.Right - ext.cx) / 2;
  if (FLayout == tlBottom) y = r.Bottom - ext.cy;
  if (FLayout == tlCenter) y = (r.Bottom - ext.cy) / 2;
  c->TextRect(r, x, y, GetCaption());
  c->GetBrush()->SetStyle(bsSolid);
}

// ---- button ----

TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::Click() {
  if (ModalResult != 0)
    if (TCustomForm* f = GetParentForm()) f->ModalResult = ModalResult;
  TCustomControl::Click();
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    FDown = true;
    if (CanFocus()) SetFocus();
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && FDown) {
    FDown = false;
    Invalidate();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButton::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE || Key == VK_RETURN) {
    Key = 0;
    Click();
  }
}

void TButton::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(GetColor());
  c->FillRect(r);
  // A raised frame, sunken while pressed.
  c->GetPen()->SetColor(FDown ? clBtnShadow : clBtnHighlight);
  c->MoveTo(r.Left, r.Bottom - 1);
  c->LineTo(r.Left, r.Top);
  c->LineTo(r.Right - 1, r.Top);
  c->GetPen()->SetColor(FDown ? clBtnHighlight : cl3DDkShadow);
  c->LineTo(r.Right - 1, r.Bottom - 1);
  c->LineTo(r.Left - 1, r.Bottom - 1);
  c->GetBrush()->SetStyle(bsClear);
  c->SetFont(GetFont());
  if (!IsEnabled()) c->GetFont()->SetColor(clGrayText);
  const TSize ext = c->TextExtent(GetCaption());
  const int32_t shift = FDown ? 1 : 0;
  c->TextOut((r.Right - ext.cx) / 2 + shift, (r.Bottom - ext.cy) / 2 + shift, GetCaption());
  c->GetBrush()->SetStyle(bsSolid);
}

// ---- check box ----

TCheckBox::TCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 90, 19);
  SetTabStop(true);
  ControlStyle.Exclude(csOpaque);
  ControlStyle.Include(csParentBackground);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == cbGrayed && !AllowGrayed && !IsLoading()) Value = cbUnchecked;
  if (Value == FState) return;
  FState = Value;
  Invalidate();
  Changed();
  if (OnChange) OnChange(this);
}

void TCheckBox::Click() {
  switch (FState) {
    case cbUnchecked: SetState(cbChecked); break;
    case cbChecked: SetState(AllowGrayed ? cbGrayed : cbUnchecked); break;
    case cbGrayed: SetState(cbUnchecked); break;
  }
  TCustomControl::Click();
}

void TCheckBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE) {
    Key = 0;
    Click();
  }
}

void TCheckBox::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  const int32_t size = 13, top = (r.Bottom - size) / 2;
  const TRect box = Rect(0, top, size, top + size);
  c->GetPen()->SetColor(clBtnShadow);
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(FState == cbGrayed ? clBtnFace : clWindow);
  c->Rectangle(box);
  if (FState != cbUnchecked) {
    c->GetPen()->SetColor(IsEnabled() ? clWindowText : clGrayText);
    for (int k = 0; k < 2; ++k) {
      c->Line(3, top + 6 + k, 5, top + 8 + k);
      c->Line(5, top + 8 + k, 10, top + 3 + k);
    }
  }
  c->GetBrush()->SetStyle(bsClear);
  c->SetFont(GetFont());
  if (!IsEnabled()) c->GetFont()->SetColor(clGrayText);
  c->TextOut(size + 4, (r.Bottom - c->TextHeight(GetCaption())) / 2, GetCaption());
  c->GetBrush()->SetStyle(bsSolid);
}

// ---- memo ----

TMemo::TMemo(TComponent* AOwner) : TCustomControl(AOwner), FLines(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 150, 90);
  SetColor(clWindow);
  SetBorderStyle(bsSingle);
  SetTabStop(true);
  ControlStyle.Exclude(csSetCaption);
  FLines->OnChange = [this](TObject*) {
    Invalidate();
    Changed();
    if (OnChange) OnChange(this);
  };
}

TMemo::~TMemo() {
  Destroying();
  FLines->OnChange = nullptr;
}

void TMemo::SetLines(TStringList* Value) {
  if (Value) FLines->Assign(Value);
}

void TMemo::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  c->SetFont(GetFont());
  c->GetBrush()->SetStyle(bsClear);
  const int32_t lh = std::max(c->TextHeight("Wg"), 1);
  for (int i = 0; i < FLines->Count() && 2 + i * lh < r.Bottom; ++i) c->TextRect(r, 3, 2 + i * lh, FLines->Get(i));
  c->GetBrush()->SetStyle(bsSolid);
  if (GetBorderStyle() != bsNone) {
    c->GetBrush()->SetColor(clBtnShadow);
    c->FrameRect(r);
  }
}

// ---- labelled edit ----

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TCustomEdit(AOwner), FEditLabel(new TBoundLabel(this)) {
  FEditLabel->SetName("SubLabel");
  FEditLabel->FreeNotification(this);
  FEditLabel->FocusControl = this;
}

TLabeledEdit::~TLabeledEdit() {
  Destroying();
  // The label sits on our parent, not on us: it goes with us all the same.
  if (FEditLabel) FEditLabel->SetParent(nullptr);
}

void TLabeledEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FEditLabel) FEditLabel = nullptr;
}

void TLabeledEdit::SetLabelPosition(TLabelPosition Value) {
  FLabelPosition = Value;
  PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int32_t Value) {
  FLabelSpacing = Value;
  PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* AParent) {
  TCustomEdit::SetParent(AParent);
  if (!FEditLabel) return;
  FEditLabel->SetParent(AParent);
  FEditLabel->SetVisible(GetVisible());
  PlaceLabel();
}

void TLabeledEdit::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  PlaceLabel();
}

void TLabeledEdit::SetVisible(bool Value) {
  TCustomEdit::SetVisible(Value);
  if (FEditLabel) FEditLabel->SetVisible(Value);
}

void TLabeledEdit::PlaceLabel() {
  if (!FEditLabel) return;
  const int32_t lw = FEditLabel->GetWidth(), lh = FEditLabel->GetHeight();
  switch (FLabelPosition) {
    case lpAbove: FEditLabel->SetBounds(GetLeft(), GetTop() - lh - FLabelSpacing, lw, lh); break;
    case lpBelow: FEditLabel->SetBounds(GetLeft(), GetTop() + GetHeight() + FLabelSpacing, lw, lh); break;
    case lpLeft:
      FEditLabel->SetBounds(GetLeft() - lw - FLabelSpacing, GetTop() + (GetHeight() - lh) / 2, lw, lh);
      break;
    case lpRight:
      FEditLabel->SetBounds(GetLeft() + GetWidth() + FLabelSpacing, GetTop() + (GetHeight() - lh) / 2, lw, lh);
      break;
  }
}
