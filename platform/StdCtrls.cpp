#include "platform/StdCtrls.h"

#include <algorithm>

#include "platform/Clipbrd.h"

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
      if (Shift.Contains(ssCtrl) && !ReadOnly) ReplaceSelection(Clipboard()->GetAsText());
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
