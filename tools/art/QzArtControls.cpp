// The small bitmaps of the standard and extended controls: check box, slider thumb and arrows,
// edit and button-strip glyphs, alignment icons. All are 24-bit BMPs that the controls draw
// with Transparent set, so everything around a glyph is the key colour, the bottom-left pixel
// is always key, and edges against the key are drawn without antialiasing (a blended edge
// would leave a pink fringe).
#include <cairo.h>

#include <string>
#include <vector>

#include "QzArtwork.h"

namespace QzArt {
namespace {

constexpr TRgb GlyphDark = {34, 35, 40};    // on the light slider buttons
constexpr TRgb GlyphMid = {160, 165, 172};  // readable on dark and light faces
constexpr TRgb Frame = {104, 108, 116};

void Box(cairo_t* Cr, int X, int Y, int W, int H, TRgb C) {
  SetColor(Cr, C);
  cairo_rectangle(Cr, X, Y, W, H);
  cairo_fill(Cr);
}

// A solid triangle pointing in Dir ('u', 'd', 'l', 'r') whose base is Base pixels (odd), with
// its bounding box's top-left at (X, Y); pixel rows so it stays crisp at 7 pixels.
void Arrow(cairo_t* Cr, char Dir, int X, int Y, int Base, TRgb C) {
  const int depth = (Base + 1) / 2;
  for (int i = 0; i < depth; ++i) {
    const int len = 2 * i + 1, off = depth - 1 - i;
    switch (Dir) {
      case 'u': Box(Cr, X + off, Y + i, len, 1, C); break;
      case 'd': Box(Cr, X + off, Y + depth - 1 - i, len, 1, C); break;
      case 'l': Box(Cr, X + i, Y + off, 1, len, C); break;
      default: Box(Cr, X + depth - 1 - i, Y + off, 1, len, C); break;
    }
  }
}

struct TGlyph {
  const char* Name;
  int W, H;
  void (*Draw)(cairo_t*);
};

void CheckBoxFace(cairo_t* Cr, bool Checked) {
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
  Box(Cr, 0, 0, 15, 15, Frame);
  VerticalGradient(Cr, 1, 14, {22, 23, 26}, {44, 46, 51});
  cairo_rectangle(Cr, 1, 1, 13, 13);
  cairo_fill(Cr);
  Box(Cr, 1, 1, 13, 1, {14, 15, 17});  // inner shadow: the box looks sunk
  for (int x : {0, 14})
    for (int y : {0, 14}) Box(Cr, x, y, 1, 1, Key);
  if (!Checked) return;
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_DEFAULT);
  SetColor(Cr, Accent);
  cairo_set_line_width(Cr, 2.2);
  cairo_set_line_cap(Cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(Cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(Cr, 3.6, 7.6);
  cairo_line_to(Cr, 6.2, 10.4);
  cairo_line_to(Cr, 11.4, 4.2);
  cairo_stroke(Cr);
}

void SliderThumb(cairo_t* Cr) {
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
  RoundedRect(Cr, 0, 0, 27, 15, 3);
  SetColor(Cr, {20, 21, 24});
  cairo_fill(Cr);
  RoundedRect(Cr, 1, 1, 25, 13, 2);
  VerticalGradient(Cr, 1, 14, {176, 180, 188}, {96, 100, 108});
  cairo_fill(Cr);
  Box(Cr, 2, 1, 23, 1, {214, 218, 224});  // top highlight
  for (int x : {10, 13, 16}) {            // grip
    Box(Cr, x, 4, 1, 7, {70, 73, 80});
    Box(Cr, x + 1, 4, 1, 7, {200, 204, 210});
  }
}

void AlignIcon(cairo_t* Cr, char Side) {
  cairo_set_antialias(Cr, CAIRO_ANTIALIAS_NONE);
  SetColor(Cr, GlyphMid);
  cairo_set_line_width(Cr, 1);
  cairo_rectangle(Cr, 1.5, 1.5, 13, 13);
  cairo_stroke(Cr);
  switch (Side) {
    case 't': Box(Cr, 3, 3, 10, 4, Accent); break;
    case 'b': Box(Cr, 3, 9, 10, 4, Accent); break;
    case 'l': Box(Cr, 3, 3, 4, 10, Accent); break;
    case 'r': Box(Cr, 9, 3, 4, 10, Accent); break;
    case 'c':  // centred across: a column on the vertical axis
      Box(Cr, 6, 3, 4, 10, Accent);
      break;
    default:  // middle: a row on the horizontal axis
      Box(Cr, 3, 6, 10, 4, Accent);
      break;
  }
}

const TGlyph Glyphs[] = {
    {"QZEDITUP", 7, 4, [](cairo_t* Cr) { Arrow(Cr, 'u', 0, 0, 7, GlyphMid); }},
    {"QZEDITDN", 7, 4, [](cairo_t* Cr) { Arrow(Cr, 'd', 0, 0, 7, GlyphMid); }},
    {"QzCheckBox", 15, 15, [](cairo_t* Cr) { CheckBoxFace(Cr, false); }},
    {"QzChecked", 15, 15, [](cairo_t* Cr) { CheckBoxFace(Cr, true); }},
    {"QzSliderHorz01", 27, 15, SliderThumb},
    {"QZSLIDERBTNLEFT", 7, 7, [](cairo_t* Cr) { Arrow(Cr, 'l', 1, 0, 7, GlyphDark); }},
    {"QZSLIDERBTNRIGHT", 7, 7, [](cairo_t* Cr) { Arrow(Cr, 'r', 2, 0, 7, GlyphDark); }},
    {"QZBSBTNLEFT", 8, 8, [](cairo_t* Cr) { Arrow(Cr, 'l', 2, 0, 7, GlyphMid); }},
    {"QZBSBTNRIGHT", 8, 8, [](cairo_t* Cr) { Arrow(Cr, 'r', 3, 0, 7, GlyphMid); }},
    {"QZBSBTNMINUS", 8, 8, [](cairo_t* Cr) { Box(Cr, 1, 3, 6, 2, GlyphMid); }},
    {"QZBSBTNPLUS", 8, 8,
     [](cairo_t* Cr) {
       Box(Cr, 1, 3, 6, 2, GlyphMid);
       Box(Cr, 3, 1, 2, 6, GlyphMid);
     }},
    {"QZALIGNTOP", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 't'); }},
    {"QZALIGNRIGHT", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 'r'); }},
    {"QZALIGNBOTTOM", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 'b'); }},
    {"QZALIGNLEFT", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 'l'); }},
    {"QZALIGNCENTER", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 'c'); }},
    {"QZALIGNMIDDLE", 16, 16, [](cairo_t* Cr) { AlignIcon(Cr, 'm'); }},
};

}  // namespace

bool DrawControlBitmaps(const std::string& Dir) {
  for (const TGlyph& g : Glyphs) {
    TArtSurface s(g.W, g.H, false);
    s.Fill(Key);
    g.Draw(s.Cr());
    s.SetPixel(0, g.H - 1, Key);
    if (!s.WriteBmp24(Dir + "/" + g.Name + ".bmp")) return false;
  }
  return true;
}

}  // namespace QzArt
