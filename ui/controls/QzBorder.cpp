#include "ui/controls/QzBorder.h"

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"

// --- border line --------------------------------------------------------------------------------

TQzBorderLine::TQzBorderLine(TComponent* AOwner) : TQzCustomGraphicControl(AOwner) {
  SetParentColor(true);
  SetBounds(GetLeft(), GetTop(), 100, GetHeight());
}

void TQzBorderLine::SetStyle(TQzBorderLineStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Invalidate();
}

TColor TQzBorderLine::LineColor() const { return IsThemed() ? GetThemeManager()->GetThemeColor(7) : clBtnShadow; }

void TQzBorderLine::Paint() {
  // The line takes its own colour, not the control's: the control inherits its parent's colour
  // and a line in it would vanish; nor does a paint change a property.
  TCanvas* c = GetCanvas();
  const TColor color = LineColor();
  c->GetBrush()->SetColor(color);
  SetCanvasPen(c, 1, color, psSolid);
  const int32_t y = GetClientHeight() / 2;
  c->MoveTo(0, y);
  c->LineTo(GetClientWidth(), y);
}

// --- group box ----------------------------------------------------------------------------------

TQzCustomGroupBox::TQzCustomGroupBox(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Include(csAcceptsControls);
  ControlStyle.Include(csSetCaption);
  ControlStyle.Exclude(csOpaque);
  SetUseThemeBackground(false);
  SetCaption("TQzCustomGroupBox");
}

TRect TQzCustomGroupBox::GetClientRect() const { return Rect(0, 0, GetWidth(), GetHeight()); }

void TQzCustomGroupBox::SetRoundBorder(bool Value) {
  if (Value == FRoundBorder) return;
  FRoundBorder = Value;
  Invalidate();
}

void TQzCustomGroupBox::SetBorderCaption(bool Value) {
  if (Value == FBorderCaption) return;
  FBorderCaption = Value;
  Invalidate();
}

void TQzCustomGroupBox::SetShowCaption(bool Value) {
  if (Value == FShowCaption) return;
  FShowCaption = Value;
  Invalidate();
}

void TQzCustomGroupBox::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TQzCustomGroupBox::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  Invalidate();
}

void TQzCustomGroupBox::Paint() {
  TCanvas* c = GetCanvas();
  const bool themed = IsThemed();
  c->SetFont(GetFont());
  c->GetFont()->SetStyle(c->GetFont()->GetStyle() + fsBold);
  FCaptionHeight = c->TextHeight(ClassName());
  const TRect client = GetClientRect();

  TRect frame = client;
  if (FBorderCaption) frame.Top += FCaptionHeight / 2;
  SetCanvasPen(c, 1, themed ? GetThemeManager()->GetThemeColor(7) : clBtnShadow, psSolid);
  c->GetBrush()->SetStyle(bsClear);
  if (FRoundBorder)
    c->RoundRect(frame, 5, 5);
  else
    c->Rectangle(frame);

  const std::string& text = GetCaption();
  if (FShowCaption && !text.empty()) {
    if (themed) c->GetFont()->SetColor(GetThemeManager()->GetThemeColor(145));
    const int32_t top = client.Top + (FBorderCaption ? 0 : 5);
    TRect box = Rect(5, top, c->TextWidth(text) + 15, top + FCaptionHeight);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(GetColor());
    c->FillRect(box);
    box.Left += 5;
    box.Right -= 5;
    const uint8_t halign = FAlignment == taLeftJustify ? 0 : FAlignment == taCenter ? 1 : 2;
    DrawAlignedText(c, text, box, halign, 1, false);
  }
  if (IsDesigning()) {
    SetCanvasPen(c, 1, 0x808080, psDot);
    c->GetBrush()->SetStyle(bsClear);
    c->Rectangle(client);
  }
  PaintEdgeBorders();
}

void RegisterQzBorderClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterEnumNames<TQzBorderLineOrientation>({"bloHorizontal", "bloVertical"});
  RegisterEnumNames<TQzBorderLineStyle>({"blsLine", "blsFill", "blsBitmap"});
  TClassRegistrar<TQzBorderLine>("TQzBorderLine", "TQzCustomGraphicControl", true)
      .Prop("Orientation", &TQzBorderLine::SetOrientation)
      .Prop("Style", &TQzBorderLine::SetStyle);
  TClassRegistrar<TQzCustomGroupBox>("TQzCustomGroupBox", "TQzCustomWinControl", false);
  TClassRegistrar<TQzGroupBox>("TQzGroupBox", "TQzCustomGroupBox", true)
      .Prop("RoundBorder", &TQzGroupBox::SetRoundBorder)
      .Prop("BorderCaption", &TQzGroupBox::SetBorderCaption)
      .Prop("ShowCaption", &TQzGroupBox::SetShowCaption)
      .Prop("Alignment", &TQzGroupBox::SetAlignment);

  using M = TQzCustomThemeManager;
  // The first client table has linked it as a windowless control.
  M::ClientTable().Add<TQzBorderLine>([](TComponent* c, M*) { static_cast<TQzBorderLine*>(c)->SetColor(0xFFFFFF); });
  M::FormTable().Add<TQzBorderLine>([](TComponent* c, M* m) {
    QzLinkThemeThenColour(static_cast<TQzBorderLine*>(c), m, [m](TQzBorderLine* l) { l->SetColor(m->GetThemeColor(7)); });
  });
  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzGroupBox>(V::CaptionAndHint(true, true, false));
}
