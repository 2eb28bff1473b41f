#include "ui/controls/QzEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/QzUtils.h"
#include "platform/Clipbrd.h"
#include "platform/FormReader.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzSafeMath.h"
#include "ui/framework/QzThemeCtrls.h"

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";
constexpr const char* kSample = "XABCyg#|";

// Length of a well-formed UTF-8 sequence at S[I], 0 when it is not one (truncated, overlong,
// surrogate, beyond U+10FFFF). Code point in Cp.
size_t DecodeAt(const std::string& S, size_t I, uint32_t& Cp) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(S[I + k]); };
  const uint8_t c = b(0);
  if (c < 0x80) {
    Cp = c;
    return 1;
  }
  size_t n;
  uint32_t min;
  if ((c & 0xE0) == 0xC0) n = 2, Cp = c & 0x1F, min = 0x80;
  else if ((c & 0xF0) == 0xE0) n = 3, Cp = c & 0x0F, min = 0x800;
  else if ((c & 0xF8) == 0xF0) n = 4, Cp = c & 0x07, min = 0x10000;
  else return 0;
  if (S.size() - I < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    Cp = (Cp << 6) | (b(k) & 0x3F);
  }
  if (Cp < min || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) return 0;
  return n;
}

bool IsControl(uint32_t Cp) {
  return Cp < 0x20 || (Cp >= 0x7F && Cp <= 0x9F) || Cp == 0x2028 || Cp == 0x2029;
}

// Byte offset of the first Chars characters of clean text.
size_t ByteOffset(const std::string& S, size_t Chars) {
  size_t i = 0;
  for (; i < S.size() && Chars > 0; --Chars) {
    ++i;
    while (i < S.size() && (static_cast<uint8_t>(S[i]) & 0xC0) == 0x80) ++i;
  }
  return i;
}

std::string Prefix(const std::string& S, size_t Chars) { return S.substr(0, ByteOffset(S, Chars)); }

// Character at index Chars of clean text, as its bytes.
std::string CharAt(const std::string& S, size_t Chars) {
  const size_t a = ByteOffset(S, Chars), b = ByteOffset(S, Chars + 1);
  return S.substr(a, b - a);
}

// The caret's one owner among the edits: the platform has a single caret per process.
TQzCustomEdit* gCaretEdit = nullptr;

}  // namespace

std::string QzCleanEditText(const std::string& Text) {
  std::string out;
  out.reserve(Text.size());
  for (size_t i = 0; i < Text.size();) {
    uint32_t cp = 0;
    const size_t n = DecodeAt(Text, i, cp);
    if (n == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (!IsControl(cp)) out.append(Text, i, n);
    i += n;
  }
  return out;
}

size_t QzUtf8Length(const std::string& Text) {
  size_t n = 0;
  for (unsigned char c : Text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

// ---- edit ----

TQzCustomEdit::TQzCustomEdit(TComponent* AOwner) : TQzCustomWinControl(AOwner), FBitmap(std::make_unique<TBitmap>()) {
  SetTabStop(true);
  SetBounds(GetLeft(), GetTop(), 175, 25);
}

void TQzCustomEdit::AfterConstruction() {
  TQzCustomWinControl::AfterConstruction();
  SetEditText(ClassName());
}

TQzCustomEdit::~TQzCustomEdit() {
  DropCaret();
  if (FEditLabel) FEditLabel->RemoveFreeNotification(this);
}

void TQzCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FEditLabel) FEditLabel = nullptr;
}

void TQzCustomEdit::MakeCaret(int Width) {
  if (!HandleAllocated() || IsDesigning()) return;
  if (CreateCaret(GetHandle(), nullptr, Width, std::max(1, FTextRect.Bottom - FTextRect.Top))) {
    if (gCaretEdit && gCaretEdit != this) gCaretEdit->FOwnsCaret = false;
    gCaretEdit = this;
    FOwnsCaret = true;
    ShowCaret(GetHandle());
  }
}

// Another control may hold the one caret by now: only ours is destroyed.
void TQzCustomEdit::DropCaret() {
  if (!FOwnsCaret) return;
  FOwnsCaret = false;
  if (gCaretEdit == this) {
    gCaretEdit = nullptr;
    DestroyCaret();
  }
}

void TQzCustomEdit::Changed() {
  Invalidate();
  if (OnChanged) OnChanged(this);
}

void TQzCustomEdit::SetEditText(const std::string& Value) {
  const std::string clean = QzCleanEditText(Value);
  if (clean == FText) return;
  FText = clean;
  FCaret = QzUtf8Length(FText);
  ScrollToCaret();
  Invalidate();
}

void TQzCustomEdit::SetMaxLength(uint32_t Value) {
  FMaxLength = Value;
  // The undo copy too, or Ctrl+Z would bring back a text over the limit.
  if (Value > 0 && QzUtf8Length(FUndo) > Value) FUndo = Prefix(FUndo, Value);
  if (Value > 0 && QzUtf8Length(FText) > Value) {
    FText = Prefix(FText, Value);
    FCaret = std::min<size_t>(FCaret, Value);
    ScrollToCaret();
    Invalidate();
  }
}

void TQzCustomEdit::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  if (Value) DropCaret();
  else if (Focused()) MakeCaret(2);
}

void TQzCustomEdit::SetNumbersOnly(bool Value) {
  FNumbersOnly = Value;
  ResetCaret();
}

void TQzCustomEdit::SetDrawBorder(bool Value) {
  FDrawBorder = Value;
  ResetCaret();
}

void TQzCustomEdit::SetPaddingHorz(uint8_t Value) {
  FPaddingHorz = static_cast<uint16_t>(Value + 3);
  UpdateLayout();
  Invalidate();
}

void TQzCustomEdit::SetPaddingVert(uint8_t Value) {
  FPaddingVert = static_cast<uint16_t>(Value + 3);
  UpdateLayout();
  Invalidate();
}

void TQzCustomEdit::SetEditLabel(TQzCustomLabel* Value) {
  if (Value == FEditLabel) return;
  if (FEditLabel) FEditLabel->RemoveFreeNotification(this);
  FEditLabel = Value;
  if (Value) Value->FreeNotification(this);
  UpdateLayout();
}

void TQzCustomEdit::SetTitleSpace(uint16_t Value) {
  FTitleSpace = Value;
  UpdateLayout();
  Invalidate();
}

bool TQzCustomEdit::IsValidChar(const std::string&) { return true; }

void TQzCustomEdit::ResetCaret() {
  FCaret = 0;
  FScrollOffset = 0;
  Invalidate();
}

void TQzCustomEdit::ThemeChanged() {
  FNeedsLayout = true;
  TQzCustomWinControl::ThemeChanged();
}

int32_t TQzCustomEdit::PrefixWidth(size_t Chars) {
  TCanvas* c = FBitmap->GetCanvas();
  c->SetFont(GetFont());
  return c->TextWidth(Prefix(FText, Chars));
}

void TQzCustomEdit::ScrollToCaret() {
  FCaret = std::min(FCaret, QzUtf8Length(FText));
  const int32_t x = PrefixWidth(FCaret) - FScrollOffset;
  const int32_t w = FTextRect.Right - FTextRect.Left;
  if (x > w) FScrollOffset += x - w;
  else if (x < 0) FScrollOffset += x;
  // Never scrolled further than the text needs: a text that fits (again) starts at the left.
  FScrollOffset = std::clamp(FScrollOffset, 0, std::max(0, PrefixWidth(QzUtf8Length(FText)) - w));
}

void TQzCustomEdit::UpdateLayout() {
  FNeedsLayout = false;
  TCanvas* mc = FBitmap->GetCanvas();
  mc->SetFont(GetFont());
  // The height follows the font; set here rather than in Paint so a paint changes no geometry.
  const int32_t h = mc->TextHeight(kSample) + 2 * FPaddingVert;
  if (h != GetClientHeight()) SetClientHeight(h);
  FTextRect = GetClientRect();
  FTextRect.Left += FPaddingHorz;
  FTextRect.Right -= FPaddingHorz;
  FTextRect.Top += FPaddingVert;
  FTextRect.Bottom -= FPaddingVert;
  if (FTextRect.Right < FTextRect.Left) FTextRect.Right = FTextRect.Left;
  if (FTextRect.Bottom < FTextRect.Top) FTextRect.Bottom = FTextRect.Top;
  if (FEditLabel) {
    FEditLabel->SetCaption(GetCaption());
    FEditLabel->SetAlignment(taRightJustify);
    const int32_t oldH = FEditLabel->GetHeight();
    // The default font has height 0 ("the default size"): measure it instead.
    int32_t lh = std::abs(FEditLabel->GetFont()->GetHeight());
    if (lh == 0) {
      mc->SetFont(FEditLabel->GetFont());
      lh = mc->TextHeight(kSample);
      mc->SetFont(GetFont());
    }
    FEditLabel->SetBounds(GetLeft() - FTitleSpace - FEditLabel->GetWidth(), GetTop() + (GetHeight() - oldH) / 2,
                          FEditLabel->GetWidth(), lh);
  }
  ScrollToCaret();
}

void TQzCustomEdit::Paint() {
  if (FNeedsLayout) UpdateLayout();
  TCanvas* c = GetCanvas();
  const bool themed = IsThemed();
  const auto pick = [&](uint8_t Index, TColor Plain) { return themed ? GetThemeManager()->GetThemeColor(Index) : Plain; };
  TColor bg, fg;
  if (!IsEnabled()) bg = pick(156, clWindow), fg = pick(157, clGrayText);
  else if (Focused()) bg = pick(153, clWindow), fg = pick(155, clWindowText);
  else bg = pick(152, clWindow), fg = pick(154, clWindowText);
  const TColor frame = pick(126, clBtnShadow);

  c->SetFont(GetFont());
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(bg);
  TRect r = GetClientRect();
  r.Left += 2, r.Top += 2, r.Right -= 2, r.Bottom -= 2;
  SetCanvasPen(c, 1, FDrawBorder ? frame : bg, psSolid);
  c->RoundRect(r, 3, 3);

  const int32_t w = FTextRect.Right - FTextRect.Left, h = FTextRect.Bottom - FTextRect.Top;
  if (w > 0 && h > 0) {
    if (FBitmap->GetWidth() != w || FBitmap->GetHeight() != h) FBitmap->SetSize(w, h);
    TCanvas* bc = FBitmap->GetCanvas();
    bc->SetFont(GetFont());
    bc->GetFont()->SetColor(fg);
    bc->GetBrush()->SetStyle(bsSolid);
    bc->GetBrush()->SetColor(bg);
    bc->FillRect(Rect(0, 0, w, h));
    bc->GetBrush()->SetStyle(bsClear);
    bc->TextOut(-FScrollOffset, 0, FText);
    c->Draw(FTextRect.Left, FTextRect.Top, FBitmap.get());
  }
  if (Focused() && FOwnsCaret) {
    const TPoint want = Point(FTextRect.Left - FScrollOffset + PrefixWidth(FCaret), FTextRect.Top);
    TPoint now;
    // Moving the caret restarts its blink: only when it really moves, so a paint settles.
    if (!GetCaretPos(&now) || now.X != want.X || now.Y != want.Y) SetCaretPos(want.X, want.Y);
  }
  PaintEdgeBorders();
}

void TQzCustomEdit::WMSize(TMessage& Message) {
  TQzCustomWinControl::WMSize(Message);
  UpdateLayout();
}

void TQzCustomEdit::WMSetFocus(TMessage& Message) {
  TQzCustomWinControl::WMSetFocus(Message);
  if (FNeedsLayout) UpdateLayout();
  if (!IsDesigning()) {
    MakeCaret(1);
    Invalidate();
  }
}

void TQzCustomEdit::WMKillFocus(TMessage& Message) {
  TQzCustomWinControl::WMKillFocus(Message);
  if (FNeedsLayout) UpdateLayout();
  if (!IsDesigning()) {
    DropCaret();
    Invalidate();
  }
}

void TQzCustomEdit::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  UpdateLayout();
  Invalidate();
}

void TQzCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    if (GetTabStop() && CanFocus() && !Focused()) SetFocus();
    const size_t len = QzUtf8Length(FText);
    // Clicks are in client coordinates; the text starts at the text rectangle.
    const int32_t x = X - FTextRect.Left;
    size_t i = 0;
    while (i < len && PrefixWidth(i + 1) - FScrollOffset < x) ++i;
    FCaret = i;
    Invalidate();
  }
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

bool TQzCustomEdit::InsertFiltered(const std::string& Raw, bool MoveCaret) {
  const std::string clean = QzCleanEditText(Raw);
  const std::string before = FText;
  const size_t caret0 = FCaret;
  size_t len = QzUtf8Length(FText);
  bool any = false;
  for (size_t i = 0; i < clean.size();) {
    uint32_t cp = 0;
    const size_t n = std::max<size_t>(1, DecodeAt(clean, i, cp));
    const std::string ch = clean.substr(i, n);
    i += n;
    if (FMaxLength > 0 && len >= FMaxLength) break;
    if (FNumbersOnly && !(n == 1 && ch[0] >= '0' && ch[0] <= '9')) continue;
    if (!IsValidChar(ch)) continue;
    FText.insert(ByteOffset(FText, FCaret), ch);
    ++FCaret;
    ++len;
    any = true;
  }
  if (!any) return false;
  FUndo = before;
  if (!MoveCaret) FCaret = caret0;
  ScrollToCaret();
  Changed();
  return true;
}

void TQzCustomEdit::UTF8KeyPress(std::string& UTF8Key) {
  // Return, Tab, Escape and Backspace arrive here as characters too: the cleaning drops them
  // (and every other control character), so they pass on untouched.
  if (!FReadOnly) InsertFiltered(UTF8Key, true);
  TQzCustomWinControl::UTF8KeyPress(UTF8Key);
}

void TQzCustomEdit::ReplaceByUser(const std::string& NewText, size_t Caret) {
  FUndo = FText;
  FText = NewText;
  FCaret = Caret;
  ScrollToCaret();
  Changed();
}

void TQzCustomEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl);
  const size_t len = QzUtf8Length(FText);
  FCaret = std::min(FCaret, len);
  switch (Key) {
    case VK_BACK:
      if (!FReadOnly && FCaret > 0) {
        std::string t = FText;
        const size_t a = ByteOffset(t, FCaret - 1);
        t.erase(a, ByteOffset(t, FCaret) - a);
        ReplaceByUser(t, FCaret - 1);
      }
      Key = 0;
      break;
    case VK_DELETE:
      if (!FReadOnly && FCaret < len) {
        std::string t = FText;
        const size_t a = ByteOffset(t, FCaret);
        t.erase(a, ByteOffset(t, FCaret + 1) - a);
        ReplaceByUser(t, FCaret);
      }
      Key = 0;
      break;
    case VK_HOME:
      if (FCaret > 0 || FScrollOffset > 0) Invalidate();
      FCaret = 0;
      FScrollOffset = 0;
      Key = 0;
      break;
    case VK_END:
      FCaret = len;
      ScrollToCaret();
      Invalidate();
      Key = 0;
      break;
    // Ctrl moves by words: to the start of the word before the caret, or of the next word (the
    // end after the last one), so that repeated presses reach both ends of the text.
    case VK_LEFT:
      if (ctrl) {
        while (FCaret > 0 && CharAt(FText, FCaret - 1) == " ") --FCaret;
        while (FCaret > 0 && CharAt(FText, FCaret - 1) != " ") --FCaret;
      } else if (FCaret > 0) {
        --FCaret;
      }
      ScrollToCaret();
      Invalidate();
      Key = 0;
      break;
    case VK_RIGHT:
      if (ctrl) {
        while (FCaret < len && CharAt(FText, FCaret) != " ") ++FCaret;
        while (FCaret < len && CharAt(FText, FCaret) == " ") ++FCaret;
      } else if (FCaret < len) {
        ++FCaret;
      }
      ScrollToCaret();
      Invalidate();
      Key = 0;
      break;
    case VK_UP:
    case VK_DOWN: Key = 0; break;
    case 'C':
      if (ctrl) {
        Clipboard()->SetAsText(FText);
        Key = 0;
      }
      break;
    case 'V':
      if (ctrl) {
        // A character takes at most four bytes.
        if (!FReadOnly)
          QzPasteClipboardText(this, FMaxLength > 0 ? static_cast<size_t>(FMaxLength) * 4 : QzPasteTextLimit,
                               [this](const std::string& Text) {
                                 if (!FReadOnly) InsertFiltered(Text, false);
                               });
        Key = 0;
      }
      break;
    case 'Z':
      if (ctrl) {
        if (FText != FUndo) {
          std::swap(FText, FUndo);
          ScrollToCaret();  // holds the caret within the restored text
          Changed();
        }
        Key = 0;
      }
      break;
    default: break;
  }
  TQzCustomWinControl::KeyDown(Key, Shift);
}

// ---- value edit ----

TQzCustomValueEdit::TQzCustomValueEdit(TComponent* AOwner) : TQzCustomEdit(AOwner) {
  SetMaxLength(8);
  SetWidth(75);
}

void TQzCustomValueEdit::AfterConstruction() {
  TQzCustomEdit::AfterConstruction();
  SetEditText(FloatToDisplayText(100.0, 2, true));
}

void TQzCustomValueEdit::SetMin(float Value) {
  FMin = Value;
  if (FMax < FMin) FMax = FMin;
  Invalidate();
}

void TQzCustomValueEdit::SetMax(float Value) {
  FMax = Value;
  if (FMin > FMax) FMin = FMax;
  Invalidate();
}

float TQzCustomValueEdit::GetValue() const { return static_cast<float>(DisplayTextToFloat(GetEditText())); }

void TQzCustomValueEdit::SetValue(float Value) {
  if (!std::isfinite(Value) || Value == GetValue()) return;
  const std::string t = FloatToDisplayText(Value, 2, true);
  if (t == GetEditText()) return;
  ReplaceByUser(t, QzUtf8Length(t));
}

bool TQzCustomValueEdit::IsValidChar(const std::string& Ch) {
  static const size_t limit = FloatToDisplayText(5555.0, 55, true).size();
  const std::string& t = GetEditText();
  if (t.size() >= limit || Ch.size() != 1) return false;
  if (std::string("01234567890,-").find(Ch[0]) == std::string::npos) return false;
  if (Ch[0] == ',' && t.find(',') != std::string::npos) return false;
  if (Ch[0] == '-' && (t.find('-') != std::string::npos || GetCaretIndex() != 0)) return false;
  return true;
}

void TQzCustomValueEdit::KeyDown(uint16_t& Key, TShiftState Shift) {
  const bool ctrl = Shift.Contains(ssCtrl);
  if (Key == VK_UP) {
    SetValue(ctrl ? FMax : GetValue() + 10.0f);
    Key = 0;
  } else if (Key == VK_DOWN) {
    SetValue(ctrl ? FMin : GetValue() - 10.0f);
    Key = 0;
  }
  TQzCustomEdit::KeyDown(Key, Shift);
}

// ---- registration ----

void RegisterQzEditClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzStdCtrlsClasses();
  TClassRegistrar<TQzCustomEdit>("TQzCustomEdit", "TQzCustomWinControl", false);
  TClassRegistrar<TQzEdit>("TQzEdit", "TQzCustomEdit", true)
      .Prop("Text", &TQzCustomEdit::SetEditText)
      .Prop("MaxLength", &TQzCustomEdit::SetMaxLength)
      .Prop("ReadOnly", &TQzCustomEdit::SetReadOnly)
      .Prop("NumbersOnly", &TQzCustomEdit::SetNumbersOnly)
      .Prop("DrawBorder", &TQzCustomEdit::SetDrawBorder)
      .Prop("PaddingHorz", &TQzCustomEdit::SetPaddingHorz)
      .Prop("PaddingVert", &TQzCustomEdit::SetPaddingVert)
      .Prop("EditLabel", &TQzCustomEdit::SetEditLabel)
      .Prop("TitleSpace", &TQzCustomEdit::SetTitleSpace)
      .Prop("OnChanged", &TQzCustomEdit::OnChanged);
  TClassRegistrar<TQzCustomValueEdit>("TQzCustomValueEdit", "TQzCustomEdit", false);

  using M = TQzCustomThemeManager;
  M::FormTable().Add<TQzEdit>([](TComponent* c, M* m) {
    QzLinkThemeThenColour(static_cast<TQzEdit*>(c), m, [m](TQzEdit* e) { e->SetColor(m->GetThemeColor(152)); });
  });
}
