#include "ui/controls/QzAudioPaint.h"

#include <array>

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzResourceBitmaps.h"

namespace {
constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) { return R | G << 8 | B << 16; }

// Built on first use rather than at unit start, so that no other unit's start can see it
// unfilled; a derived entry follows the entry it derives from.
const std::array<TColor, QzAudioColorCount>& ColorTable() {
  static const std::array<TColor, QzAudioColorCount> table = [] {
    std::array<TColor, QzAudioColorCount> c{};
    c[1] = RGB(25, 25, 25);
    c[2] = RGB(45, 45, 45);
    c[3] = RGB(25, 25, 25);
    c[4] = RGB(95, 95, 95);
    c[5] = RGB(25, 25, 25);
    c[6] = RGB(115, 115, 115);
    c[7] = RGB(95, 95, 95);
    c[8] = RGB(45, 45, 45);
    c[9] = clHighlight;
    c[10] = RGB(15, 25, 15);
    c[11] = RGB(5, 5, 5);
    c[12] = 0x00FFFF;
    c[13] = RGB(115, 115, 115);
    c[14] = RGB(5, 5, 5);
    c[15] = RGB(75, 75, 75);
    c[16] = LightenColor(c[2], -25);
    c[17] = LightenColor(c[16], -100);
    c[18] = RGB(15, 15, 15);
    c[19] = RGB(105, 105, 105);
    c[20] = RGB(105, 105, 105);
    c[23] = RGB(5, 5, 5);
    c[24] = RGB(0, 150, 155);
    c[25] = LightenColor(c[24], -75);
    c[26] = RGB(155, 155, 155);
    c[27] = LightenColor(c[26], -50);
    c[28] = RGB(155, 155, 155);
    c[29] = RGB(95, 95, 95);
    c[30] = RGB(65, 65, 65);
    c[31] = RGB(35, 35, 35);
    c[32] = RGB(105, 105, 105);
    c[33] = RGB(155, 155, 155);
    c[34] = LightenColor(c[33], -50);
    c[35] = RGB(235, 235, 235);
    c[36] = RGB(155, 155, 155);
    c[37] = RGB(85, 85, 85);
    c[38] = RGB(155, 155, 155);
    c[40] = RGB(155, 155, 155);
    c[41] = RGB(105, 105, 105);
    c[45] = RGB(105, 105, 105);
    c[46] = RGB(85, 85, 85);
    return c;
  }();
  return table;
}

struct TSwitchSlot {
  int Slot;
  const char* Resource;
};
constexpr TSwitchSlot SwitchSlots[] = {
    {4, "QZAUDIOSW03"}, {5, "QZAUDIOSW04"}, {6, "QZAUDIOSW01"},  {7, "QZAUDIOSW02"},
    {8, "QZAUDIOSW07"}, {9, "QZAUDIOSW08"}, {22, "QZAUDIOSW09"}, {23, "QZAUDIOSW10"},
};
constexpr int SlotCount = 24;
// Plain pointers, freed by QzAudioPaintFinalize: the library's end runs after this file's
// static objects may already be gone.
TBitmap* SwitchPictures[SlotCount] = {};

int BaseSlot(uint8_t Style) {
  switch (Style) {
    case 1: return 6;
    case 2: return 8;
    case 3: return 22;
    default: return 4;
  }
}

void StretchPicture(TCanvas* Canvas, const TRect& R, int Slot) {
  TBitmap* picture = QzAudioSwitchPicture(Slot);
  if (picture && !picture->GetEmpty()) Canvas->StretchDraw(R, picture);
}

void DrawCaption(TCanvas* Canvas, const TRect& R, const std::string& Caption) {
  if (Caption.empty()) return;
  Canvas->GetFont()->SetColor(clBlack);
  Canvas->GetFont()->SetSize(8);
  DrawAlignedText(Canvas, Caption, R, 1, 1, false);
}
}  // namespace

TColor GetAudioColor(uint16_t Index, bool Bright) {
  const int32_t entry = Bright ? Index : Index + 1;
  return entry < QzAudioColorCount ? ColorTable()[static_cast<size_t>(entry)] : clBlack;
}

void QzAudioPaintInitialize() {
  for (const TSwitchSlot& s : SwitchSlots) {
    if (SwitchPictures[s.Slot]) continue;
    auto* picture = new TBitmap();
    if (s.Resource[0] != '*' && QzLoadBitmapResource(s.Resource, picture)) picture->SetTransparent(true);
    SwitchPictures[s.Slot] = picture;
  }
}

void QzAudioPaintFinalize() {
  for (TBitmap*& picture : SwitchPictures) {
    delete picture;
    picture = nullptr;
  }
}

TBitmap* QzAudioSwitchPicture(int Slot) {
  return Slot >= 0 && Slot < SlotCount ? SwitchPictures[Slot] : nullptr;
}

void DrawSwitchButton(TCanvas* Canvas, const TRect& R, bool Lit, bool Down, const std::string& Caption,
                      uint8_t Style, bool FixedLit) {
  if (!Canvas) return;
  const int base = BaseSlot(Style);
  if (!Down) {
    StretchPicture(Canvas, R, base + 1);
    DrawCaption(Canvas, R, Caption);
    Draw3DFrame(Canvas, R, GetAudioColor(19, true), GetAudioColor(18, true));
    return;
  }
  int slot;
  if (FixedLit) slot = Lit ? 8 : base;
  else slot = Lit ? base : base + 1;
  StretchPicture(Canvas, R, slot);
  TRect pressed = R;
  ShiftRect(pressed, 1, 1);
  DrawCaption(Canvas, pressed, Caption);
  Draw3DFrame(Canvas, R, GetAudioColor(18, true), GetAudioColor(19, true));
}

TSize DefaultSliderKnobSize(uint8_t Orientation, TGraphic* Picture) {
  if (Picture) return {Picture->GetWidth(), Picture->GetHeight()};
  return Orientation == 1 ? TSize{26, 52} : TSize{52, 26};
}

void DrawSliderTrack(TCanvas* Canvas, const TRect& R, TColor) {
  if (!Canvas) return;
  Canvas->GetBrush()->SetColor(clBlack);
  Canvas->FillRect(R);
  Draw3DFrame(Canvas, R, GetAudioColor(3, true), GetAudioColor(4, true));
}

void DrawDefaultSliderKnob(TCanvas* Canvas, const TRect& R, uint8_t, TColor) {
  if (!Canvas) return;
  SetCanvasPen(Canvas, 1, clBlack, psSolid);
  Canvas->GetBrush()->SetColor(0x808080);
  Canvas->RoundRect(R, 5, 5);
}

void DrawSliderKnob(TCanvas* Canvas, const TRect& R, uint8_t Orientation, TColor Colour, TGraphic* Picture) {
  if (!Canvas) return;
  if (!Picture || Picture->GetEmpty()) {
    DrawDefaultSliderKnob(Canvas, R, Orientation, Colour);
    return;
  }
  TBitmap copy;
  try {
    copy.Assign(Picture);
  } catch (const std::exception&) {
    DrawDefaultSliderKnob(Canvas, R, Orientation, Colour);
    return;
  }
  copy.SetTransparent(true);
  Canvas->StretchDraw(R, &copy);
}

void RegisterQzAudioPaintEnums() {
  RegisterEnumNames<TQzAudioSwitchStyle>({"awsYellow", "awsBlue", "awsRed", "awsWhite", "awsGreen"});
  RegisterEnumNames<TQzAudioColorStyle>({"acsDefault", "acsYellow", "acsBlue", "acsRed", "acsWhite", "acsGreen"});
  RegisterEnumNames<TQzAudioSwitchStyle>({"awsYellow", "awsBlue", "awsRed", "awsWhite", "awsGreen"});
}
