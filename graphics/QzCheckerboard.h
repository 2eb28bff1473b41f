// The checkerboard that shows through transparent pixels: the pixel bitmap draws its pictures
// over it, and the controls paint it where they show a picture with alpha.
#pragma once

#include <cstdint>

#include "platform/Graphics.h"

// Squares of CellSize, the top-left one in Color1; Color2 is taken as plain RGB (no system-colour
// lookup). Cells at the right and bottom are cut at R. A cell size of 0 fills R with Color1.
// Leaves the canvas's brush changed.
void DrawCheckerboard(TCanvas* Canvas, const TRect& R, uint8_t CellSize, TColor Color1, TColor Color2);
