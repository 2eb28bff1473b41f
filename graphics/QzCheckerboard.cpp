#include "graphics/QzCheckerboard.h"

void DrawCheckerboard(TCanvas* Canvas, const TRect& R, uint8_t CellSize, TColor Color1,
                      TColor Color2) {
  Canvas->GetBrush()->SetColor(Color1);
  Canvas->FillRect(R);
  if (CellSize == 0) return;
  Canvas->GetBrush()->SetColor(RGB(GetRValue(Color2), GetGValue(Color2), GetBValue(Color2)));
  bool toggle = false;
  // 64-bit steps: a rectangle reaching the end of the int32 range must not wrap.
  for (int64_t y = R.Top; y < R.Bottom; y += CellSize) {
    const bool rowStart = toggle;
    for (int64_t x = R.Left; x < R.Right; x += CellSize) {
      if (toggle) {
        const int64_t right = x + CellSize < R.Right ? x + CellSize : R.Right;
        const int64_t bottom = y + CellSize < R.Bottom ? y + CellSize : R.Bottom;
        Canvas->FillRect(Rect(static_cast<int32_t>(x), static_cast<int32_t>(y),
                              static_cast<int32_t>(right), static_cast<int32_t>(bottom)));
      }
      toggle = !toggle;
    }
    if (toggle == rowStart) toggle = !toggle;
  }
}
