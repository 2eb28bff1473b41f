// Free routines every own control paints with: pen set-up, frames, two-colour gradients, aligned
// text with shortening, checkerboards (graphics/QzCheckerboard.h, which the pictures draw with
// too) and copying part of a canvas to the clipboard. They draw on the caller's canvas and leave
// its pen, brush and pen position changed; nothing is saved or restored. Rectangles are GDI's:
// right and bottom edges exclusive.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/QzCheckerboard.h"
#include "platform/Graphics.h"

// Width 0 gives a one-pixel pen; the mode is always pmCopy.
void SetCanvasPen(TCanvas* Canvas, uint8_t Width, TColor Color, TPenStyle Style);
// One-pixel outline on the edge pixels of R.
void DrawFrameRect(TCanvas* Canvas, const TRect& R, TColor Color);
// Left and top edges in TopLeft, right and bottom edges in BottomRight.
void Draw3DFrame(TCanvas* Canvas, const TRect& R, TColor TopLeft, TColor BottomRight);
// Fills R from ColorFrom (top or left) towards ColorTo; the last row or column stops one step
// short of ColorTo. Vertical rows are rounded, horizontal columns truncated.
void DrawGradientRect(TCanvas* Canvas, const TRect& R, TColor ColorFrom, TColor ColorTo,
                      bool Vertical);
// HAlign 0 left, 1 centre, 2 right; VAlign 0 top, 1 centre, 2 bottom. With Shorten, a text wider
// than R loses characters from its end until it fits with ".." appended. Transparent background.
void DrawAlignedText(TCanvas* Canvas, std::string Text, const TRect& R, uint8_t HAlign,
                     uint8_t VAlign, bool Shorten);
// Text without as many trailing characters (whole UTF-8 characters) as it takes for it to fit
// into MaxWidth with ".." appended; the ".." comes even when no character is left.
std::string ShortenText(TCanvas* Canvas, std::string Text, int32_t MaxWidth);
// A picture of R put on the clipboard.
void CopyRectToClipboard(TCanvas* Canvas, const TRect& R);
