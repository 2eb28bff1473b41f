// The toolkit's fonts as the canvas measures and draws them: faces found through fontconfig,
// loaded by cairo's FreeType backend, kept until the library is unloaded, and sized to GDI's
// cell metrics.
// Used by TCanvas only; not part of the toolkit's interface.
#pragma once

#include <cstdint>
#include <string>

#include <cairo.h>

#include "platform/Graphics.h"

namespace fonts_detail {

// A font prepared for measuring and drawing: the em size in pixels and GDI's cell metrics.
struct TTextFont {
  cairo_scaled_font_t* Scaled = nullptr;
  int32_t Ascent = 0;
  int32_t Descent = 0;
  double Em = 0;
  ~TTextFont() {
    if (Scaled) cairo_scaled_font_destroy(Scaled);
  }
};

// Fills Out for Font; False when no face can be loaded for it.
bool PrepareFont(const TFont& Font, TTextFont& Out);
// Text as cairo takes it: valid UTF-8 only (bad bytes become '?').
std::string CleanUtf8(const std::string& S);
// The advance of Text (already clean) in whole pixels.
int32_t AdvanceOf(const TTextFont& F, const std::string& Text);

}  // namespace fonts_detail
