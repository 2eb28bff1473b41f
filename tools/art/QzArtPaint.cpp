#include "QzArtPaint.h"

#include "QzBmpWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace QzArt {

TArtSurface::TArtSurface(int Width, int Height, bool WithAlpha)
    : FWidth(Width),
      FHeight(Height),
      FSurface(cairo_image_surface_create(WithAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, Width, Height)),
      FCr(cairo_create(FSurface)) {
  // Fonts drawn the same way on every machine with the same fonts: no hinting, greyscale edges.
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_set_font_options(FCr, fo);
  cairo_font_options_destroy(fo);
}

TArtSurface::~TArtSurface() {
  cairo_destroy(FCr);
  cairo_surface_destroy(FSurface);
}

void TArtSurface::Fill(TRgb C) {
  cairo_save(FCr);
  cairo_set_operator(FCr, CAIRO_OPERATOR_SOURCE);
  SetColor(FCr, C);
  cairo_paint(FCr);
  cairo_restore(FCr);
}

void TArtSurface::SetPixel(int X, int Y, TRgb C) {
  cairo_surface_flush(FSurface);
  uint8_t* p = cairo_image_surface_get_data(FSurface) + Y * cairo_image_surface_get_stride(FSurface) + X * 4;
  const uint32_t v = 0xFF000000u | static_cast<uint32_t>(std::lround(C.R)) << 16 |
                     static_cast<uint32_t>(std::lround(C.G)) << 8 | static_cast<uint32_t>(std::lround(C.B));
  std::memcpy(p, &v, 4);
  cairo_surface_mark_dirty(FSurface);
}

bool TArtSurface::WriteBmp24(const std::string& Path) {
  cairo_surface_flush(FSurface);
  const uint8_t* src = cairo_image_surface_get_data(FSurface);
  const int stride = cairo_image_surface_get_stride(FSurface);
  return QzWriteBmp24(Path, FWidth, FHeight, [src, stride](int X, int Y) {
    uint32_t v;
    std::memcpy(&v, src + Y * stride + X * 4, 4);
    return v & 0xFFFFFF;
  });
}

bool TArtSurface::WritePng(const std::string& Path) {
  cairo_surface_flush(FSurface);
  return cairo_surface_write_to_png(FSurface, Path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void SetColor(cairo_t* Cr, TRgb C, double Alpha) {
  cairo_set_source_rgba(Cr, C.R / 255.0, C.G / 255.0, C.B / 255.0, Alpha);
}

void RoundedRect(cairo_t* Cr, double X, double Y, double W, double H, double Radius) {
  const double r = std::min({Radius, W / 2, H / 2});
  cairo_new_sub_path(Cr);
  cairo_arc(Cr, X + W - r, Y + r, r, -M_PI / 2, 0);
  cairo_arc(Cr, X + W - r, Y + H - r, r, 0, M_PI / 2);
  cairo_arc(Cr, X + r, Y + H - r, r, M_PI / 2, M_PI);
  cairo_arc(Cr, X + r, Y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(Cr);
}

void VerticalGradient(cairo_t* Cr, double Y0, double Y1, TRgb Top, TRgb Bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, Y0, 0, Y1);
  cairo_pattern_add_color_stop_rgb(p, 0, Top.R / 255.0, Top.G / 255.0, Top.B / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, Bottom.R / 255.0, Bottom.G / 255.0, Bottom.B / 255.0);
  cairo_set_source(Cr, p);
  cairo_pattern_destroy(p);
}

TRgb Mix(TRgb A, TRgb B, double T) {
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}

void Text(cairo_t* Cr, const std::string& S, double X, double Y, double Size, TRgb C, bool Bold,
          bool Centred) {
  cairo_select_font_face(Cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                         Bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(Cr, Size);
  if (Centred) {
    cairo_text_extents_t e;
    cairo_text_extents(Cr, S.c_str(), &e);
    X -= e.x_bearing + e.width / 2;
    Y -= e.y_bearing + e.height / 2;
  }
  SetColor(Cr, C);
  cairo_move_to(Cr, X, Y);
  cairo_show_text(Cr, S.c_str());
}

}  // namespace QzArt
