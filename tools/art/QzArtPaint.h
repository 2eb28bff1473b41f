// Drawing kit of the artwork generators: a cairo surface with the few shapes the skin is made
// of, and writers for the two file kinds the controls load (24-bit BMP, PNG).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

namespace QzArt {

struct TRgb {
  double R, G, B;  // 0..255
};

// One picture being drawn. Opaque pictures use a 24-bit surface, pictures with alpha a 32-bit one.
class TArtSurface {
public:
  TArtSurface(int Width, int Height, bool WithAlpha);
  ~TArtSurface();
  TArtSurface(const TArtSurface&) = delete;
  TArtSurface& operator=(const TArtSurface&) = delete;

  cairo_t* Cr() const { return FCr; }
  cairo_surface_t* Surface() const { return FSurface; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  void Fill(TRgb C);
  // One pixel set exactly, without antialiasing: the transparency key of a bitmap the toolkit
  // draws with Transparent set (it keys on the bottom-left pixel's colour).
  void SetPixel(int X, int Y, TRgb C);
  // Writes the picture; false when the file cannot be written.
  bool WriteBmp24(const std::string& Path);
  bool WritePng(const std::string& Path);

private:
  int FWidth, FHeight;
  cairo_surface_t* FSurface;
  cairo_t* FCr;
};

void SetColor(cairo_t* Cr, TRgb C, double Alpha = 1.0);
void RoundedRect(cairo_t* Cr, double X, double Y, double W, double H, double Radius);
void VerticalGradient(cairo_t* Cr, double Y0, double Y1, TRgb Top, TRgb Bottom);
TRgb Mix(TRgb A, TRgb B, double T);

// Text in Liberation Sans, centred on (Cx, Cy) when Centred, else with its left baseline there.
void Text(cairo_t* Cr, const std::string& S, double X, double Y, double Size, TRgb C, bool Bold,
          bool Centred);

}  // namespace QzArt
