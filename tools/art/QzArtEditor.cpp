// The editor window's own pictures: the group box background at its design size, the tool bar
// images and the about-box picture.
#include <cairo.h>

#include <cmath>
#include <string>

#include "QzArtwork.h"

namespace QzArt {
namespace {

// A recessed plate behind a group of controls. The plate is flat Panel colour inside, the
// colour the knob frames carry, so a knob shows no box round its face.
void Plate(cairo_t* Cr, double X, double Y, double W, double H) {
  RoundedRect(Cr, X - 1, Y - 1, W + 2, H + 2, 7);
  SetColor(Cr, {10, 10, 12});
  cairo_fill(Cr);
  RoundedRect(Cr, X, Y, W, H, 6);
  SetColor(Cr, {58, 61, 68});  // lit lower edge
  cairo_fill(Cr);
  RoundedRect(Cr, X, Y, W, H - 1, 6);
  SetColor(Cr, Panel);
  cairo_fill(Cr);
  // A shadow line under the upper rim: the plate sits below the frame round it.
  SetColor(Cr, {0, 0, 0}, 0.35);
  cairo_rectangle(Cr, X + 5, Y, W - 10, 1);
  cairo_fill(Cr);
}

// 1014 x 519: sliders at both sides, the equaliser bands, the filter column, the meters and
// the dynamics knobs above, the two switch rows along the bottom.
bool GroupBoxBackground(const std::string& Path) {
  constexpr int W = 1014, H = 519;
  TArtSurface s(W, H, false);
  cairo_t* cr = s.Cr();
  VerticalGradient(cr, 0, H, {30, 31, 35}, Backdrop);
  cairo_paint(cr);
  // Fine horizontal brushing: deterministic, drawn from a fixed sequence.
  uint32_t seed = 12345;
  for (int y = 0; y < H; ++y) {
    seed = seed * 1103515245u + 12345u;
    SetColor(cr, {255, 255, 255}, ((seed >> 16) % 7) / 600.0);
    cairo_rectangle(cr, 0, y, W, 1);
    cairo_fill(cr);
  }
  Plate(cr, 6, 6, 84, 507);      // input slider
  Plate(cr, 924, 6, 84, 507);    // output slider
  Plate(cr, 96, 6, 402, 468);    // equaliser bands
  Plate(cr, 502, 6, 138, 468);   // cut filters and pan
  Plate(cr, 644, 6, 274, 468);   // meters, release, threshold
  Plate(cr, 96, 478, 822, 35);   // switch rows
  // Thin dividers between the three bands.
  for (double x : {230.5, 365.5}) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 20, 0, 460);
    cairo_pattern_add_color_stop_rgba(p, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(p, 1, 0, 0, 0, 0);
    cairo_set_source(cr, p);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, x, 20);
    cairo_line_to(cr, x, 460);
    cairo_stroke(cr);
    cairo_pattern_destroy(p);
  }
  return s.WritePng(Path);
}

// Three 22 x 22 images side by side, with alpha: 0 about, 1 preset (the image list's spare
// slot), 2 reset.
bool ToolBarImages(const std::string& Path) {
  TArtSurface s(66, 22, true);
  cairo_t* cr = s.Cr();
  const TRgb ink = {214, 218, 224};
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // 0: about, an "i" in a ring.
  SetColor(cr, ink);
  cairo_set_line_width(cr, 1.8);
  cairo_arc(cr, 11, 11, 8.6, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_arc(cr, 11, 6.8, 1.4, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_line_width(cr, 2.4);
  cairo_move_to(cr, 11, 10);
  cairo_line_to(cr, 11, 15.6);
  cairo_stroke(cr);
  // 1: preset, a stored slot (a disk).
  cairo_set_line_width(cr, 1.6);
  RoundedRect(cr, 22 + 4, 4, 14, 14, 2);
  cairo_stroke(cr);
  cairo_rectangle(cr, 22 + 7.5, 4.8, 7, 4.4);
  cairo_fill(cr);
  RoundedRect(cr, 22 + 7, 12, 8, 5, 1);
  SetColor(cr, Accent);
  cairo_fill(cr);
  // 2: reset, an arrow turning back on itself.
  SetColor(cr, ink);
  cairo_set_line_width(cr, 2.0);
  const double cx = 44 + 11, cy = 11.5, r = 6.6, a0 = -0.3 * M_PI;
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, a0 + 0.12 * M_PI, a0 + 1.75 * M_PI);
  cairo_stroke(cr);
  // Arrowhead at the gap, pointing back round the ring (the way of decreasing angle).
  const double px = cx + r * std::cos(a0), py = cy + r * std::sin(a0);
  const double tx = std::sin(a0), ty = -std::cos(a0), nx = std::cos(a0), ny = std::sin(a0);
  cairo_move_to(cr, px + 4.2 * tx, py + 4.2 * ty);
  cairo_line_to(cr, px + 3.4 * nx - 0.8 * tx, py + 3.4 * ny - 0.8 * ty);
  cairo_line_to(cr, px - 3.4 * nx - 0.8 * tx, py - 3.4 * ny - 0.8 * ty);
  cairo_close_path(cr);
  cairo_fill(cr);
  return s.WritePng(Path);
}

// 600 x 354: the product's name over its own curve, like the face the host shows.
bool AboutBox(const std::string& Path) {
  constexpr int W = 600, H = 354;
  TArtSurface s(W, H, false);
  cairo_t* cr = s.Cr();
  VerticalGradient(cr, 0, H, {40, 44, 52}, {14, 15, 18});
  cairo_paint(cr);
  // Plot grid.
  const double top = 150, bottom = 330, zeroY = 250;
  cairo_set_line_width(cr, 1);
  SetColor(cr, {120, 132, 150}, 0.16);
  for (double x = 20.5; x < W; x += 40) {
    cairo_move_to(cr, x, top);
    cairo_line_to(cr, x, bottom);
  }
  for (double y = top + 0.5; y <= bottom; y += 20) {
    cairo_move_to(cr, 0, y);
    cairo_line_to(cr, W, y);
  }
  cairo_stroke(cr);
  // The curve: three bells on a log axis; its fill, its glow, and the limiter's ceiling.
  auto curve = [](double X) {
    const double f = X / W;
    auto bell = [f](double C, double Wd, double G) { return G * std::exp(-((f - C) / Wd) * ((f - C) / Wd)); };
    return bell(0.17, 0.08, 8.0) + bell(0.5, 0.12, -6.0) + bell(0.83, 0.07, 10.0);
  };
  const double px = 5.0, ceilingY = zeroY - 6.5 * px;
  cairo_move_to(cr, 0, zeroY);
  for (int x = 0; x <= W; ++x) cairo_line_to(cr, x, zeroY - curve(x) * px);
  cairo_line_to(cr, W, zeroY);
  cairo_close_path(cr);
  SetColor(cr, Accent, 0.14);
  cairo_fill(cr);
  for (auto [width, alpha] : {std::pair{9.0, 0.08}, {5.0, 0.16}, {2.2, 1.0}}) {
    for (int x = 0; x <= W; ++x) cairo_line_to(cr, x, zeroY - curve(x) * px);
    SetColor(cr, Accent, alpha);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
  }
  SetColor(cr, {120, 220, 255}, 0.9);
  cairo_set_line_width(cr, 2);
  for (int x = 0; x <= W; ++x) cairo_line_to(cr, x, std::max(zeroY - curve(x) * px, ceilingY));
  cairo_stroke(cr);
  const double dash[] = {8, 6};
  cairo_set_dash(cr, dash, 2, 0);
  SetColor(cr, {236, 72, 72}, 0.85);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, 0, ceilingY);
  cairo_line_to(cr, W, ceilingY);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
  // Title.
  Text(cr, "QUILLMERE", 40, 84, 54, {238, 240, 244}, true, false);
  Text(cr, "CURVE & CAP  \xC2\xB7  STEREO EQUALISER  \xC2\xB7  PEAK LIMITER", 43, 114, 15, Accent, false, false);
  SetColor(cr, Accent);
  cairo_rectangle(cr, 40, 126, 120, 2);
  cairo_fill(cr);
  // Hairline frame.
  SetColor(cr, {255, 255, 255}, 0.12);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, W - 1, H - 1);
  cairo_stroke(cr);
  return s.WritePng(Path);
}

}  // namespace

bool DrawEditorPictures(const std::string& Dir) {
  return GroupBoxBackground(Dir + "/QZGROUPBOXBG.png") && ToolBarImages(Dir + "/QZTOOLBAR22.png") &&
         AboutBox(Dir + "/QZABOUTBOX.png");
}

}  // namespace QzArt
