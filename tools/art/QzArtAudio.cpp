// The audio controls' pictures: the LED switch faces, the knob film strip and the fader cap.
#include <cairo.h>

#include <cmath>
#include <string>

#include "ui/controls/QzArtGeometry.h"
#include "QzArtwork.h"

namespace QzArt {
namespace {

// Switch faces are stretched nearest-neighbour to 131 x 23, 125 x 23 and 30 x 30, with a 3-D
// frame drawn over their edge and a black caption over their middle. So they change only from
// top to bottom (columns may be dropped or doubled freely), stay light enough for black text
// even when unlit, and leave the edge to the frame.
constexpr int SwitchW = 48, SwitchH = 24;

struct TSwitch {
  const char* Lit;
  const char* Unlit;
  TRgb Colour;
};

// Lit and unlit face of each LED colour; the numbers follow the switch styles' slot table.
constexpr TSwitch Switches[] = {
    {"QZAUDIOSW01", "QZAUDIOSW02", {84, 168, 255}},   // blue
    {"QZAUDIOSW03", "QZAUDIOSW04", {255, 204, 52}},   // yellow (also green)
    {"QZAUDIOSW07", "QZAUDIOSW08", {255, 86, 72}},    // red
    {"QZAUDIOSW09", "QZAUDIOSW10", {236, 238, 242}},  // white
};

bool SwitchFace(const std::string& Path, TRgb Colour, bool Lit) {
  TArtSurface s(SwitchW, SwitchH, false);
  cairo_t* cr = s.Cr();
  const TRgb grey = {118, 120, 124};
  // Unlit: the colour only hints through a grey lens.
  const TRgb base = Lit ? Colour : Mix(grey, Colour, 0.28);
  const TRgb top = Mix(base, {255, 255, 255}, Lit ? 0.45 : 0.18);
  const TRgb bottom = Mix(base, {0, 0, 0}, Lit ? 0.22 : 0.30);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, SwitchH);
  auto stop = [p](double At, TRgb C) {
    cairo_pattern_add_color_stop_rgb(p, At, C.R / 255.0, C.G / 255.0, C.B / 255.0);
  };
  stop(0.0, top);
  stop(0.45, Mix(top, base, 0.7));  // gloss ends a little above the middle
  stop(0.5, base);
  stop(1.0, bottom);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  // Bottom-left pixel is the transparency key; it sits under the control's frame.
  s.SetPixel(0, SwitchH - 1, Key);
  return s.WriteBmp24(Path);
}

// A disc filled with a two-colour gradient; takes the pattern over.
void FillDisc(cairo_t* Cr, double Cx, double Cy, double R, cairo_pattern_t* P, TRgb From, TRgb To) {
  cairo_pattern_add_color_stop_rgb(P, 0, From.R / 255.0, From.G / 255.0, From.B / 255.0);
  cairo_pattern_add_color_stop_rgb(P, 1, To.R / 255.0, To.G / 255.0, To.B / 255.0);
  cairo_set_source(Cr, P);
  cairo_arc(Cr, Cx, Cy, R, 0, 2 * M_PI);
  cairo_fill(Cr);
  cairo_pattern_destroy(P);
}

// One knob frame: a dark ribbed body on the panel colour, a bevelled cap and an amber pointer.
// The pointer is the brightest thing in the frame so that it reads at a glance (and so that it
// can be found by its brightness).
void KnobFrame(cairo_t* Cr, double Oy, double PointerDeg) {
  const double c = KnobFrameSide / 2.0, cy = Oy + c;
  // Drop shadow.
  cairo_pattern_t* sh = cairo_pattern_create_radial(c, cy + 2, 20, c, cy + 2, 31);
  cairo_pattern_add_color_stop_rgba(sh, 0, 0, 0, 0, 0.7);
  cairo_pattern_add_color_stop_rgba(sh, 1, 0, 0, 0, 0);
  cairo_set_source(Cr, sh);
  cairo_arc(Cr, c, cy + 2, 31, 0, 2 * M_PI);
  cairo_fill(Cr);
  cairo_pattern_destroy(sh);
  // Ribbed skirt: a ring of small notches turning with the knob.
  SetColor(Cr, {18, 19, 22});
  cairo_arc(Cr, c, cy, 27, 0, 2 * M_PI);
  cairo_fill(Cr);
  const double turn = PointerDeg * M_PI / 180.0;
  for (int i = 0; i < 36; ++i) {
    const double a = turn + i * 2 * M_PI / 36;
    SetColor(Cr, {52, 54, 60});
    cairo_set_line_width(Cr, 1.6);
    cairo_move_to(Cr, c - 23.5 * std::sin(a), cy - 23.5 * std::cos(a));
    cairo_line_to(Cr, c - 26.5 * std::sin(a), cy - 26.5 * std::cos(a));
    cairo_stroke(Cr);
  }
  // Cap: lit from the top left.
  FillDisc(Cr, c, cy, 22, cairo_pattern_create_linear(c - 20, cy - 20, c + 20, cy + 20), {104, 107, 114},
           {30, 31, 35});
  FillDisc(Cr, c, cy, 19, cairo_pattern_create_radial(c - 5, cy - 7, 2, c, cy, 19), {86, 89, 96}, {44, 46, 51});
  // Pointer: from inside the cap out onto the skirt.
  cairo_set_line_cap(Cr, CAIRO_LINE_CAP_ROUND);
  SetColor(Cr, Accent, 0.35);
  cairo_set_line_width(Cr, 5.5);
  cairo_move_to(Cr, c - 9 * std::sin(turn), cy - 9 * std::cos(turn));
  cairo_line_to(Cr, c - 25 * std::sin(turn), cy - 25 * std::cos(turn));
  cairo_stroke(Cr);
  SetColor(Cr, {255, 206, 110});
  cairo_set_line_width(Cr, 2.6);
  cairo_move_to(Cr, c - 9 * std::sin(turn), cy - 9 * std::cos(turn));
  cairo_line_to(Cr, c - 25 * std::sin(turn), cy - 25 * std::cos(turn));
  cairo_stroke(Cr);
}

bool KnobStrip(const std::string& Path) {
  TArtSurface s(KnobFrameSide, KnobFrameSide * KnobFrames, false);
  s.Fill(Panel);
  for (int k = 0; k < KnobFrames; ++k) {
    cairo_save(s.Cr());
    cairo_rectangle(s.Cr(), 0, k * KnobFrameSide, KnobFrameSide, KnobFrameSide);
    cairo_clip(s.Cr());
    KnobFrame(s.Cr(), k * KnobFrameSide, KnobPointerDirection(KnobAngleOfFrame(k)));
    cairo_restore(s.Cr());
  }
  return s.WritePng(Path);
}

// The fader cap, 26 x 52: a ridged grey block. The slider draws a line across its middle, so
// the middle is left light and plain. Keyed corners (no antialiasing against the key).
bool SliderCap(const std::string& Path) {
  constexpr int W = 26, H = 52;
  TArtSurface s(W, H, false);
  cairo_t* cr = s.Cr();
  s.Fill(Key);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  RoundedRect(cr, 0, 0, W, H, 4);
  SetColor(cr, {16, 17, 19});
  cairo_fill(cr);
  RoundedRect(cr, 1, 1, W - 2, H - 2, 3);
  cairo_clip(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, H);
  auto stop = [p](double At, double V) { cairo_pattern_add_color_stop_rgb(p, At, V, V * 1.01, V * 1.05); };
  stop(0.0, 0.72);  // top face catches the light, bottom face falls away
  stop(0.44, 0.48);
  stop(0.5, 0.78);
  stop(0.56, 0.48);
  stop(1.0, 0.26);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  for (int y : {6, 10, 14, 18, 33, 37, 41, 45}) {  // grip ridges above and below the line
    SetColor(cr, {30, 31, 35}, 0.55);
    cairo_rectangle(cr, 3, y, W - 6, 1);
    cairo_fill(cr);
    SetColor(cr, {230, 232, 236}, 0.35);
    cairo_rectangle(cr, 3, y + 1, W - 6, 1);
    cairo_fill(cr);
  }
  cairo_reset_clip(cr);
  s.SetPixel(0, H - 1, Key);
  return s.WriteBmp24(Path);
}

}  // namespace

bool DrawSwitchFaces(const std::string& Dir) {
  for (const TSwitch& sw : Switches)
    if (!SwitchFace(Dir + "/" + sw.Lit + ".bmp", sw.Colour, true) ||
        !SwitchFace(Dir + "/" + sw.Unlit + ".bmp", sw.Colour, false))
      return false;
  return true;
}

bool DrawKnobAndSlider(const std::string& Dir) {
  return KnobStrip(Dir + "/QZKNOBSTRIP.png") && SliderCap(Dir + "/QZSLIDERCAP.bmp");
}

}  // namespace QzArt
