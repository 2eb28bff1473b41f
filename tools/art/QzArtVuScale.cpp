// The needle meter's face, 250 x 155, enabled (backlit cream) and disabled (unlit grey). The
// meter draws its labels in the lower corners, its caption in the middle and a dark needle from
// the pivot (125, 145), so the face stays light and those places stay empty. Every mark sits at
// the needle angle the meter's own law gives for its level.
#include <cairo.h>

#include <cmath>
#include <string>

#include "ui/controls/QzArtGeometry.h"
#include "QzArtwork.h"

namespace QzArt {
namespace {

constexpr double ArcRadius = 100;       // the scale line
constexpr double TickOuter = 111;       // marks run from the line out to here
constexpr double LabelRadius = 122;     // centre of the printed numbers
constexpr double HubY = VuPivotY + 5, HubRadius = 40;

struct TLook {
  TRgb FaceTop, FaceBottom, Ink, Red, Bezel;
};

void Stroke(cairo_t* Cr, double AngleDeg, double R0, double R1, double Width, TRgb C) {
  double x0, y0, x1, y1;
  VuPointAt(AngleDeg, R0, x0, y0);
  VuPointAt(AngleDeg, R1, x1, y1);
  SetColor(Cr, C);
  cairo_set_line_width(Cr, Width);
  cairo_move_to(Cr, x0, y0);
  cairo_line_to(Cr, x1, y1);
  cairo_stroke(Cr);
}

// cairo's angles run clockwise from the +x axis; the needle's run anticlockwise from up.
double CairoAngle(double NeedleDeg) { return (-90.0 - NeedleDeg) * M_PI / 180.0; }

bool Scale(const std::string& Path, const TLook& L) {
  TArtSurface s(VuWidth, VuHeight, false);
  cairo_t* cr = s.Cr();
  // Bezel and face.
  SetColor(cr, L.Bezel);
  cairo_paint(cr);
  RoundedRect(cr, 3, 3, VuWidth - 6, VuHeight - 6, 6);
  cairo_pattern_t* face = cairo_pattern_create_radial(VuPivotX, VuPivotY + 40, 20, VuPivotX, VuPivotY, 190);
  cairo_pattern_add_color_stop_rgb(face, 0, L.FaceTop.R / 255, L.FaceTop.G / 255, L.FaceTop.B / 255);
  cairo_pattern_add_color_stop_rgb(face, 1, L.FaceBottom.R / 255, L.FaceBottom.G / 255, L.FaceBottom.B / 255);
  cairo_set_source(cr, face);
  cairo_fill(cr);
  cairo_pattern_destroy(face);
  // Inner shadow along the top of the window.
  cairo_pattern_t* shade = cairo_pattern_create_linear(0, 3, 0, 14);
  cairo_pattern_add_color_stop_rgba(shade, 0, 0, 0, 0, 0.35);
  cairo_pattern_add_color_stop_rgba(shade, 1, 0, 0, 0, 0);
  cairo_set_source(cr, shade);
  RoundedRect(cr, 3, 3, VuWidth - 6, 11, 6);
  cairo_fill(cr);
  cairo_pattern_destroy(shade);

  const double lo = VuAngleForDb(-20), zero = VuAngleForDb(0), hi = VuAngleForDb(3);
  // The scale line, black up to 0 dB, and the red band over the top three decibels.
  cairo_set_line_width(cr, 1.2);
  SetColor(cr, L.Ink);
  cairo_arc(cr, VuPivotX, VuPivotY, ArcRadius, CairoAngle(lo), CairoAngle(zero));
  cairo_stroke(cr);
  cairo_set_line_width(cr, 4);
  SetColor(cr, L.Red);
  cairo_arc(cr, VuPivotX, VuPivotY, ArcRadius + 2.5, CairoAngle(zero), CairoAngle(hi));
  cairo_stroke(cr);

  // Minor marks between the numbers.
  for (double db : {-15.0, -12.5, -8.5, -6.0, -4.0, -2.5, -1.5, -0.5, 0.5, 1.5, 2.5})
    Stroke(cr, VuAngleForDb(db), ArcRadius, ArcRadius + 6, 1.0, db > 0 ? L.Red : L.Ink);
  // Numbered marks: the level without its sign, signs at the two ends as on a studio meter.
  for (int db : VuLabelledDb) {
    const double a = VuAngleForDb(db);
    const TRgb c = db > 0 ? L.Red : L.Ink;
    Stroke(cr, a, ArcRadius - 2, TickOuter, 1.8, c);
    double x, y;
    VuPointAt(a, LabelRadius, x, y);
    Text(cr, std::to_string(std::abs(db)), x, y, db == 0 ? 11 : 10, c, true, true);
  }
  double x, y;
  VuPointAt(lo + 6, LabelRadius + 2, x, y);
  Text(cr, "\xE2\x80\x93", x - 14, y + 10, 13, L.Ink, true, true);  // en dash
  VuPointAt(hi - 6, LabelRadius + 2, x, y);
  Text(cr, "+", x + 14, y + 10, 13, L.Red, true, true);
  Text(cr, "VU", VuPivotX, 62, 15, L.Ink, true, true);

  // Pivot housing: the needle is drawn from 35 pixels above the pivot; a housing reaching past
  // that point makes the dark needle seem to come out of it (and keeps clear of the labels).
  cairo_pattern_t* hub = cairo_pattern_create_linear(0, HubY - HubRadius, 0, HubY);
  cairo_pattern_add_color_stop_rgb(hub, 0, L.Bezel.R / 255 + 0.14, L.Bezel.G / 255 + 0.14, L.Bezel.B / 255 + 0.14);
  cairo_pattern_add_color_stop_rgb(hub, 1, L.Bezel.R / 255, L.Bezel.G / 255, L.Bezel.B / 255);
  cairo_set_source(cr, hub);
  cairo_new_path(cr);
  cairo_arc(cr, VuPivotX, HubY, HubRadius, M_PI, 2 * M_PI);
  cairo_line_to(cr, VuPivotX + HubRadius, VuHeight - 3);  // down into the bezel
  cairo_line_to(cr, VuPivotX - HubRadius, VuHeight - 3);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_pattern_destroy(hub);
  SetColor(cr, {255, 255, 255}, 0.22);  // rim catching the backlight
  cairo_set_line_width(cr, 1);
  cairo_arc(cr, VuPivotX, HubY, HubRadius - 0.5, M_PI, 2 * M_PI);
  cairo_stroke(cr);
  return s.WriteBmp24(Path);
}

}  // namespace

bool DrawVuScales(const std::string& Dir) {
  const TLook enabled = {{255, 246, 214}, {226, 204, 150}, {28, 26, 24}, {206, 40, 32}, {24, 25, 28}};
  const TLook disabled = {{196, 196, 194}, {150, 150, 148}, {82, 82, 82}, {132, 100, 98}, {24, 25, 28}};
  return Scale(Dir + "/QZVUSCALE01.bmp", enabled) && Scale(Dir + "/QZVUSCALE02.bmp", disabled);
}

}  // namespace QzArt
