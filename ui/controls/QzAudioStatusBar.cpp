#include "ui/controls/QzAudioStatusBar.h"

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzDrawUtils.h"

void TQzCustomAudioPluginStatusBar::SetProductName(const std::string& Value) {
  if (Value == FProductName) return;
  FProductName = Value;
  Invalidate();
}

void TQzCustomAudioPluginStatusBar::SetVendor(const std::string& Value) {
  if (Value == FVendor) return;
  FVendor = Value;
  Invalidate();
}

TRect TQzCustomAudioPluginStatusBar::GetTextRect() const {
  TRect r = GetClientRect();
  r.Left += 10;
  r.Right -= 10;
  return r;
}

void TQzCustomAudioPluginStatusBar::Paint() {
  if (FNeedsLayout) UpdateLayout();
  TCanvas* c = GetCanvas();
  const TRect client = GetClientRect();
  if (HasBackground()) {
    c->StretchDraw(client, GetBackground());
  } else {
    const TColor colour = ColorToRGB(GetColor());
    c->GradientFill(client, LightenColor(colour, -75), colour, gdVertical);
  }
  c->GetFont()->Assign(GetFont());
  c->GetFont()->SetColor(clWhite);
  c->GetFont()->SetStyle(TFontStyles{fsBold, fsItalic});
  const TRect text = GetTextRect();
  DrawAlignedText(c, FVendor, text, 2, 1, false);
  DrawAlignedText(c, FProductName, text, 0, 1, false);
  if (GetEdgeBorders().Empty()) Draw3DFrame(c, client, GetAudioColor(4, true), GetAudioColor(3, true));
  c->GetBrush()->SetStyle(bsSolid);
  TQzCustomAudioBackgroundWinControl::Paint();
}

void RegisterQzAudioStatusBarClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBackgroundClasses();
  TClassRegistrar<TQzCustomAudioPluginStatusBar>("TQzCustomAudioPluginStatusBar",
                                                 "TQzCustomAudioBackgroundWinControl", false);
  TClassRegistrar<TQzAudioPluginStatusBar>("TQzAudioPluginStatusBar", "TQzCustomAudioPluginStatusBar", true)
      .Prop("ProductName", &TQzAudioPluginStatusBar::SetProductName)
      .Prop("Vendor", &TQzAudioPluginStatusBar::SetVendor);
}
