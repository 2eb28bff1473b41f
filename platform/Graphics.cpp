#include "platform/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "core/Resources.h"

namespace {

TRect Normalized(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  return TRect{std::min(X1, X2), std::min(Y1, Y2), std::max(X1, X2), std::max(Y1, Y2)};
}

// The binary raster operation of a pen mode as GDI's truth table over (pen, destination) bits.
uint32_t ApplyPenMode(TPenMode Mode, uint32_t P, uint32_t D) {
  static constexpr uint8_t kTable[16] = {0,  15, 10, 5, 12, 3, 13, 4,
                                         14, 2,  11, 1, 8,  7, 6,  9};
  const unsigned v = kTable[Mode];
  uint32_t r = 0;
  if (v & 1) r |= ~P & ~D;
  if (v & 2) r |= ~P & D;
  if (v & 4) r |= P & ~D;
  if (v & 8) r |= P & D;
  return r & 0xFFFFFF;
}

// Dash patterns of one-pixel pens, in pixels: on, off, on, off...
const std::vector<int>& DashPattern(TPenStyle Style) {
  static const std::vector<int> kSolid, kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6},
      kDashDotDot{9, 3, 3, 3, 3, 3};
  switch (Style) {
    case psDash: return kDash;
    case psDot: return kDot;
    case psDashDot: return kDashDot;
    case psDashDotDot: return kDashDotDot;
    default: return kSolid;
  }
}

bool DashOn(const std::vector<int>& Pattern, uint32_t Phase) {
  if (Pattern.empty()) return true;
  int total = 0;
  for (int p : Pattern) total += p;
  int pos = static_cast<int>(Phase % static_cast<uint32_t>(total));
  for (size_t i = 0; i < Pattern.size(); ++i) {
    if (pos < Pattern[i]) return i % 2 == 0;
    pos -= Pattern[i];
  }
  return true;
}

// --- fonts -----------------------------------------------------------------------------------

struct TFaceEntry {
  cairo_font_face_t* Face = nullptr;
  double UnitsPerEm = 2048;
  double WinAscent = 1854;
  double WinDescent = 434;
};

FT_Library FreeTypeLibrary() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::string FamilyFor(const std::string& Name) {
  const std::string n = LowerCase(Trim(Name));
  if (n.empty() || n == "arial" || n == "default" || n == "ms sans serif" || n == "tahoma" ||
      n == "segoe ui" || n == "microsoft sans serif" || n == "helvetica" || n == "sans" ||
      n == "sans-serif")
    return "Liberation Sans";
  if (n == "times new roman" || n == "serif") return "Liberation Serif";
  if (n == "courier new" || n == "courier" || n == "monospace") return "Liberation Mono";
  return Name;
}

const TFaceEntry* FaceFor(const TFont& Font) {
  static std::map<std::string, TFaceEntry> cache;
  const bool bold = Font.GetStyle().Contains(fsBold);
  const bool italic = Font.GetStyle().Contains(fsItalic);
  const std::string family = FamilyFor(Font.GetName());
  const std::string key = LowerCase(family) + (bold ? "|b" : "|") + (italic ? "i" : "");
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.Face ? &it->second : nullptr;

  TFaceEntry& e = cache[key];
  FT_Library lib = FreeTypeLibrary();
  if (!lib || !FcInit()) return nullptr;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &res);
  FcPatternDestroy(pat);
  if (!match) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FT_Face face = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
      FT_New_Face(lib, reinterpret_cast<const char*>(file), index, &face) != 0)
    face = nullptr;
  FcPatternDestroy(match);
  if (!face) return nullptr;

  e.UnitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  e.WinAscent = face->ascender;
  e.WinDescent = -face->descender;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    if (os2->usWinAscent + os2->usWinDescent > 0) {
      e.WinAscent = os2->usWinAscent;
      e.WinDescent = os2->usWinDescent;
    }
  }
  e.Face = cairo_ft_font_face_create_for_ft_face(face, 0);
  static const cairo_user_data_key_t kFaceKey{};
  cairo_font_face_set_user_data(e.Face, &kFaceKey, face,
                                [](void* F) { FT_Done_Face(static_cast<FT_Face>(F)); });
  unsigned synth = 0;
  if (bold && weight < FC_WEIGHT_DEMIBOLD) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (italic && slant == FC_SLANT_ROMAN) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (synth) cairo_ft_font_face_set_synthesize(e.Face, synth);
  return &e;
}

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

bool PrepareFont(const TFont& Font, TTextFont& Out) {
  const TFaceEntry* e = FaceFor(Font);
  if (!e) return false;
  const double cell = (e->WinAscent + e->WinDescent) / e->UnitsPerEm;
  const int32_t h = Font.GetHeight();
  double em = h < 0 ? -h : h > 0 ? h / cell : 11.0;
  if (em < 1) em = 1;
  if (em > 2000) em = 2000;
  Out.Em = em;
  Out.Ascent = static_cast<int32_t>(std::ceil(em * e->WinAscent / e->UnitsPerEm - 1e-6));
  Out.Descent = static_cast<int32_t>(std::ceil(em * e->WinDescent / e->UnitsPerEm - 1e-6));
  cairo_matrix_t fm, ctm;
  cairo_matrix_init_scale(&fm, em, em);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_ON);
  Out.Scaled = cairo_scaled_font_create(e->Face, &fm, &ctm, opt);
  cairo_font_options_destroy(opt);
  if (cairo_scaled_font_status(Out.Scaled) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(Out.Scaled);
    Out.Scaled = nullptr;
    return false;
  }
  return true;
}

// Text as cairo takes it: valid UTF-8 only (bad bytes become '?').
std::string CleanUtf8(const std::string& S) {
  std::string out;
  out.reserve(S.size());
  size_t i = 0;
  while (i < S.size()) {
    const auto c = static_cast<unsigned char>(S[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool ok = n > 0 && i + n <= S.size() && c != 0;
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(S[i + k]) >> 6) == 2;
    if (ok) {
      out.append(S, i, n);
      i += n;
    } else {
      out.push_back('?');
      ++i;
    }
  }
  return out;
}

int32_t AdvanceOf(const TTextFont& F, const std::string& Text) {
  if (Text.empty()) return 0;
  cairo_text_extents_t ext;
  cairo_scaled_font_text_extents(F.Scaled, Text.c_str(), &ext);
  return static_cast<int32_t>(std::lround(ext.x_advance));
}

// Row spans [Left, Right) of a convex shape, one per row from Top.
struct TSpans {
  int32_t Top = 0;
  std::vector<int32_t> L, R;
  bool In(int32_t X, int32_t Y) const {
    const int32_t i = Y - Top;
    if (i < 0 || i >= static_cast<int32_t>(L.size())) return false;
    return X >= L[static_cast<size_t>(i)] && X < R[static_cast<size_t>(i)];
  }
};

// A rectangle with corners rounded by quarter ellipses of CX x CY (the ellipse itself when they
// span the whole box): a pixel belongs to it when its centre does.
TSpans RoundShape(const TRect& B, double CX, double CY) {
  TSpans s;
  s.Top = B.Top;
  const double w = B.Right - B.Left, h = B.Bottom - B.Top;
  CX = std::clamp(CX, 0.0, w);
  CY = std::clamp(CY, 0.0, h);
  const double rx = CX / 2, ry = CY / 2;
  for (int32_t y = B.Top; y < B.Bottom; ++y) {
    const double py = y + 0.5;
    double inset = 0;
    if (rx > 0 && ry > 0) {
      double dy = 0;
      if (py < B.Top + ry)
        dy = B.Top + ry - py;
      else if (py > B.Bottom - ry)
        dy = py - (B.Bottom - ry);
      if (dy > 0) {
        const double t = dy / ry;
        inset = t >= 1 ? w : rx - rx * std::sqrt(1 - t * t);
      }
    }
    // Pixel x belongs when its centre x + 0.5 lies within [Left + inset, Right - inset].
    int32_t l = static_cast<int32_t>(std::ceil(B.Left + inset - 0.5 - 1e-9));
    int32_t r = static_cast<int32_t>(std::floor(B.Right - inset - 0.5 + 1e-9)) + 1;
    l = std::max(l, B.Left);
    r = std::min(r, B.Right);
    if (r < l) r = l;
    s.L.push_back(l);
    s.R.push_back(r);
  }
  return s;
}

}  // namespace

// --- pens, brushes, fonts --------------------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TPen::SetWidth(int32_t Value) {
  if (Value < 0) Value = 0;
  if (FWidth == Value) return;
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
  if (FColor == Value && FStyle == bsSolid) return;
  FColor = Value;
  FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (Source == this) return;  // nothing changes, so nobody is told
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    FName = f->FName;
    FHeight = f->FHeight;
    FColor = f->FColor;
    FStyle = f->FStyle;
    FPitch = f->FPitch;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::IsEqual(const TFont* Other) const {
  return Other && SameText(FName, Other->FName) && FHeight == Other->FHeight &&
         FColor == Other->FColor && FStyle == Other->FStyle && FPitch == Other->FPitch;
}

void TFont::SetName(const std::string& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed();
}

int32_t TFont::GetSize() const { return -MulDiv(FHeight, 72, 96); }

void TFont::SetSize(int32_t Value) { SetHeight(-MulDiv(Value, 96, 72)); }

void TFont::SetHeight(int32_t Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (FPitch == Value) return;
  FPitch = Value;
  Changed();
}

// --- canvas ----------------------------------------------------------------------------------

struct TCanvas::TTarget {
  HDC DC = nullptr;
  HBITMAP B = nullptr;
  TPoint O;
  TRect Clip;  // device pixels
  bool Visible(int32_t X, int32_t Y) const {  // device
    return X >= Clip.Left && X < Clip.Right && Y >= Clip.Top && Y < Clip.Bottom;
  }
};

TCanvas::TCanvas() : FPen(new TPen()), FBrush(new TBrush()), FFont(new TFont()) {}

TCanvas::~TCanvas() = default;

void TCanvas::SetHandle(HDC Value) { FHandle = Value; }

void TCanvas::SetPen(TPen* Value) { FPen->Assign(Value); }
void TCanvas::SetBrush(TBrush* Value) { FBrush->Assign(Value); }
void TCanvas::SetFont(TFont* Value) { FFont->Assign(Value); }

bool TCanvas::Target(TTarget& T) const {
  if (!FHandle || !FHandle->Bitmap) return false;
  T.DC = FHandle;
  T.B = FHandle->Bitmap;
  T.O = FHandle->Origin;
  T.Clip = FHandle->DeviceBounds();
  return !QzIsRectEmpty(T.Clip);
}

TRect TCanvas::GetClipRect() const {
  TRect r;
  if (!FHandle || GetClipBox(FHandle, &r) == ERROR_REGION) return TRect{};
  return r;
}

void TCanvas::SetClipRect(const TRect& Value) {
  if (!FHandle) return;
  IntersectClipRect(FHandle, Value.Left, Value.Top, Value.Right, Value.Bottom);
}

bool TCanvas::GetClipping() const { return FHandle && FHandle->HasClip; }

void TCanvas::SetClipping(bool Value) {
  if (FHandle && !Value) SelectClipRgn(FHandle, nullptr);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::MoveTo(int32_t X, int32_t Y) {
  FPenPos = TPoint{X, Y};
  FPenPhase = 0;
}

void TCanvas::LineTo(int32_t X, int32_t Y) {
  TTarget t;
  if (Target(t)) {
    Changing();
    PenLine(t, FPenPos.X, FPenPos.Y, X, Y);
    Changed();
  }
  FPenPos = TPoint{X, Y};
}

void TCanvas::Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  MoveTo(X1, Y1);
  LineTo(X2, Y2);
}

void TCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  const TPoint keep = FPenPos;
  MoveTo(Points[0].X, Points[0].Y);
  for (size_t i = 1; i < Points.size(); ++i) LineTo(Points[i].X, Points[i].Y);
  FPenPos = keep;
}

void TCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  TTarget t;
  if (!Target(t)) return;
  Changing();
  if (FBrush->GetStyle() == bsSolid && Points.size() >= 3) {
    // Even-odd scan fill at pixel centres.
    int32_t top = Points[0].Y, bottom = Points[0].Y;
    for (const TPoint& p : Points) top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
    const TColor c = QzResolveColor(FBrush->GetColor());
    for (int32_t y = top; y < bottom; ++y) {
      const double py = y + 0.5;
      std::vector<double> xs;
      for (size_t i = 0; i < Points.size(); ++i) {
        const TPoint& a = Points[i];
        const TPoint& b = Points[(i + 1) % Points.size()];
        if ((a.Y <= py) != (b.Y <= py))
          xs.push_back(a.X + (py - a.Y) * (b.X - a.X) / static_cast<double>(b.Y - a.Y));
      }
      std::sort(xs.begin(), xs.end());
      for (size_t i = 0; i + 1 < xs.size(); i += 2) {
        const auto l = static_cast<int32_t>(std::ceil(xs[i] - 0.5));
        const auto r = static_cast<int32_t>(std::ceil(xs[i + 1] - 0.5));
        for (int32_t x = l; x < r; ++x) {
          const int32_t dx = x + t.O.X, dy = y + t.O.Y;
          if (t.Visible(dx, dy))
            t.B->SetColor(dx, dy, ApplyPenMode(FPen->GetMode(), c, t.B->GetColor(dx, dy)));
        }
      }
    }
  }
  FPenPhase = 0;
  for (size_t i = 0; i < Points.size(); ++i) {
    const TPoint& a = Points[i];
    const TPoint& b = Points[(i + 1) % Points.size()];
    PenLine(t, a.X, a.Y, b.X, b.Y);
  }
  Changed();
}

void TCanvas::PenLine(TTarget& T, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  if (FPen->GetStyle() == psClear) return;
  const TColor color = QzResolveColor(FPen->GetColor());
  const TPenMode mode = FPen->GetMode();
  const int32_t width = std::max(FPen->GetWidth(), 1);
  auto plot = [&](int32_t X, int32_t Y, TColor C) {
    const int32_t dx = X + T.O.X, dy = Y + T.O.Y;
    if (T.Visible(dx, dy)) T.B->SetColor(dx, dy, ApplyPenMode(mode, C, T.B->GetColor(dx, dy)));
  };

  // Bresenham over the major axis; the end point is left out.
  const int32_t adx = std::abs(X2 - X1), ady = std::abs(Y2 - Y1);
  const int32_t sx = X2 >= X1 ? 1 : -1, sy = Y2 >= Y1 ? 1 : -1;
  const int32_t steps = std::max(adx, ady);
  std::vector<TPoint> pts;
  pts.reserve(static_cast<size_t>(steps) + 1);
  {
    int32_t x = X1, y = Y1;
    if (adx >= ady) {
      int64_t err = 2 * static_cast<int64_t>(ady) - adx;
      for (int32_t i = 0; i < steps; ++i) {
        pts.push_back(TPoint{x, y});
        if (err > 0) y += sy, err -= 2 * static_cast<int64_t>(adx);
        err += 2 * static_cast<int64_t>(ady);
        x += sx;
      }
    } else {
      int64_t err = 2 * static_cast<int64_t>(adx) - ady;
      for (int32_t i = 0; i < steps; ++i) {
        pts.push_back(TPoint{x, y});
        if (err > 0) x += sx, err -= 2 * static_cast<int64_t>(ady);
        err += 2 * static_cast<int64_t>(adx);
        y += sy;
      }
    }
    if (width > 1) pts.push_back(TPoint{X2, Y2});  // round caps cover both ends
  }

  if (width == 1) {
    const std::vector<int>& pattern = DashPattern(FPen->GetStyle());
    // Gaps of a styled pen show the background colour when the brush is solid, as GDI's
    // opaque background mode does.
    const bool opaqueGaps = !pattern.empty() && FBrush->GetStyle() == bsSolid;
    const TColor gap = QzResolveColor(FBrush->GetColor());
    for (const TPoint& p : pts) {
      if (DashOn(pattern, FPenPhase))
        plot(p.X, p.Y, color);
      else if (opaqueGaps)
        plot(p.X, p.Y, gap);
      ++FPenPhase;
    }
    return;
  }

  // A wide pen is a disc moved along the line; each pixel is painted once.
  const int32_t k = width / 2;
  std::vector<TPoint> disc;
  for (int32_t dy = -k; dy <= k; ++dy)
    for (int32_t dx = -k; dx <= k; ++dx) {
      const bool in = width % 2 ? dx * dx + dy * dy <= k * k + k
                                : (dx + 0.5) * (dx + 0.5) + (dy + 0.5) * (dy + 0.5) <= k * k &&
                                      dx < k && dy < k;
      if (in) disc.push_back(TPoint{dx, dy});
    }
  int32_t minX = std::min(X1, X2) - k, minY = std::min(Y1, Y2) - k;
  const int32_t w = adx + 2 * k + 1, h = ady + 2 * k + 1;
  std::vector<uint8_t> mask(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  for (const TPoint& p : pts)
    for (const TPoint& d : disc)
      mask[static_cast<size_t>(p.Y + d.Y - minY) * static_cast<size_t>(w) +
           static_cast<size_t>(p.X + d.X - minX)] = 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (mask[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)])
        plot(minX + x, minY + y, color);
}

void TCanvas::FillSpans(TTarget& T, const std::vector<int32_t>& L, const std::vector<int32_t>& R,
                        int32_t Top, bool Outline) {
  TSpans s;
  s.Top = Top;
  s.L = L;
  s.R = R;
  const bool pen = Outline && FPen->GetStyle() != psClear;
  const bool brush = FBrush->GetStyle() == bsSolid;
  const TColor pc = QzResolveColor(FPen->GetColor()), bc = QzResolveColor(FBrush->GetColor());
  const TPenMode mode = FPen->GetMode();
  const int32_t width = std::max(FPen->GetWidth(), 1);
  for (size_t i = 0; i < L.size(); ++i) {
    const int32_t y = Top + static_cast<int32_t>(i);
    for (int32_t x = L[i]; x < R[i]; ++x) {
      bool edge = false;
      if (pen) {
        // A pixel is on the outline when something within the pen width of it lies outside.
        for (int32_t d = 1; d <= width && !edge; ++d)
          edge = !s.In(x - d, y) || !s.In(x + d, y) || !s.In(x, y - d) || !s.In(x, y + d);
      }
      if (!edge && !brush) continue;
      const int32_t dx = x + T.O.X, dy = y + T.O.Y;
      if (!T.Visible(dx, dy)) continue;
      T.B->SetColor(dx, dy, ApplyPenMode(mode, edge ? pc : bc, T.B->GetColor(dx, dy)));
    }
  }
}

void TCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  TTarget t;
  if (!Target(t)) return;
  TRect r = Normalized(X1, Y1, X2, Y2);
  if (QzIsRectEmpty(r)) return;
  Changing();
  const int32_t w = std::max(FPen->GetWidth(), 1);
  if (FPen->GetStyle() == psClear) {
    r.Right -= 1;
    r.Bottom -= 1;
    FillSpans(t, std::vector<int32_t>(static_cast<size_t>(std::max(r.Bottom - r.Top, 0)), r.Left),
              std::vector<int32_t>(static_cast<size_t>(std::max(r.Bottom - r.Top, 0)),
                                   std::max(r.Right, r.Left)),
              r.Top, false);
  } else if (w == 1 && DashPattern(FPen->GetStyle()).size() > 0) {
    const int32_t h = r.Bottom - r.Top - 2;
    if (h > 0 && r.Right - r.Left > 2)
      FillSpans(t, std::vector<int32_t>(static_cast<size_t>(h), r.Left + 1),
                std::vector<int32_t>(static_cast<size_t>(h), r.Right - 1), r.Top + 1, false);
    FPenPhase = 0;
    PenLine(t, r.Left, r.Top, r.Right - 1, r.Top);
    PenLine(t, r.Right - 1, r.Top, r.Right - 1, r.Bottom - 1);
    PenLine(t, r.Right - 1, r.Bottom - 1, r.Left, r.Bottom - 1);
    PenLine(t, r.Left, r.Bottom - 1, r.Left, r.Top);
    if (r.Right - r.Left == 1 || r.Bottom - r.Top == 1) PenLine(t, r.Left, r.Top, r.Left, r.Top + 1);
  } else {
    const size_t n = static_cast<size_t>(r.Bottom - r.Top);
    FillSpans(t, std::vector<int32_t>(n, r.Left), std::vector<int32_t>(n, r.Right), r.Top, true);
  }
  Changed();
}

void TCanvas::FillRect(const TRect& R) {
  TTarget t;
  if (!Target(t) || FBrush->GetStyle() != bsSolid) return;
  const TRect n = Normalized(R.Left, R.Top, R.Right, R.Bottom);
  const TRect d = QzIntersectRect(QzOffsetRect(n, t.O), t.Clip);
  if (QzIsRectEmpty(d)) return;
  Changing();
  const TColor c = QzResolveColor(FBrush->GetColor());
  for (int32_t y = d.Top; y < d.Bottom; ++y)
    for (int32_t x = d.Left; x < d.Right; ++x) t.B->SetColor(x, y, c);
  Changed();
}

void TCanvas::FrameRect(const TRect& R) {
  TTarget t;
  if (!Target(t) || FBrush->GetStyle() != bsSolid) return;
  const TRect n = Normalized(R.Left, R.Top, R.Right, R.Bottom);
  if (QzIsRectEmpty(n)) return;
  Changing();
  const TColor c = QzResolveColor(FBrush->GetColor());
  for (int32_t y = n.Top; y < n.Bottom; ++y)
    for (int32_t x = n.Left; x < n.Right; ++x) {
      if (y != n.Top && y != n.Bottom - 1 && x != n.Left && x != n.Right - 1) continue;
      const int32_t dx = x + t.O.X, dy = y + t.O.Y;
      if (t.Visible(dx, dy)) t.B->SetColor(dx, dy, c);
    }
  Changed();
}

void TCanvas::RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t CX, int32_t CY) {
  TTarget t;
  if (!Target(t)) return;
  TRect r = Normalized(X1, Y1, X2, Y2);
  if (FPen->GetStyle() == psClear) r.Right -= 1, r.Bottom -= 1;
  if (QzIsRectEmpty(r)) return;
  Changing();
  const TSpans s = RoundShape(r, std::abs(CX), std::abs(CY));
  FillSpans(t, s.L, s.R, s.Top, true);
  Changed();
}

void TCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  TTarget t;
  if (!Target(t)) return;
  TRect r = Normalized(X1, Y1, X2, Y2);
  if (FPen->GetStyle() == psClear) r.Right -= 1, r.Bottom -= 1;
  if (QzIsRectEmpty(r)) return;
  Changing();
  const TSpans s = RoundShape(r, r.Right - r.Left, r.Bottom - r.Top);
  FillSpans(t, s.L, s.R, s.Top, true);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& Text) {
  TTextFont f;
  if (!PrepareFont(*FFont, f)) return TSize{};
  return TSize{AdvanceOf(f, CleanUtf8(Text)), f.Ascent + f.Descent};
}

void TCanvas::DrawText(TTarget& T, int32_t X, int32_t Y, const std::string& Text,
                       const TRect* Clip) {
  TTextFont f;
  if (!PrepareFont(*FFont, f)) return;
  const std::string text = CleanUtf8(Text);
  const int32_t width = AdvanceOf(f, text);
  const int32_t height = f.Ascent + f.Descent;
  TRect area = T.Clip;
  if (Clip) {
    const TRect n = Normalized(Clip->Left, Clip->Top, Clip->Right, Clip->Bottom);
    area = QzIntersectRect(area, QzOffsetRect(n, T.O));
  }
  if (QzIsRectEmpty(area)) return;
  const int32_t ox = X + T.O.X, oy = Y + T.O.Y;

  if (FBrush->GetStyle() == bsSolid) {
    const TRect cell = QzIntersectRect(TRect{ox, oy, ox + width, oy + height}, area);
    const TColor bc = QzResolveColor(FBrush->GetColor());
    for (int32_t y = cell.Top; y < cell.Bottom; ++y)
      for (int32_t x = cell.Left; x < cell.Right; ++x) T.B->SetColor(x, y, bc);
  }
  if (text.empty()) return;

  // Glyphs may reach beyond the advance box (overhangs, italics): render with a margin.
  const int32_t margin = static_cast<int32_t>(std::ceil(f.Em / 2)) + 2;
  const int32_t mw = width + 2 * margin, mh = height + 2 * margin;
  const TRect box = QzIntersectRect(TRect{ox - margin, oy - margin, ox - margin + mw, oy - margin + mh}, area);
  if (QzIsRectEmpty(box)) return;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh);
  if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(mask);
    return;
  }
  cairo_t* cr = cairo_create(mask);
  cairo_set_scaled_font(cr, f.Scaled);
  cairo_move_to(cr, margin, margin + f.Ascent);
  cairo_show_text(cr, text.c_str());
  if (FFont->GetStyle().Contains(fsUnderline) || FFont->GetStyle().Contains(fsStrikeOut)) {
    const double thick = std::max(1.0, std::round(f.Em / 14));
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    if (FFont->GetStyle().Contains(fsUnderline))
      cairo_rectangle(cr, margin, margin + f.Ascent + std::max(1.0, std::round(f.Em / 10)), width, thick);
    if (FFont->GetStyle().Contains(fsStrikeOut))
      cairo_rectangle(cr, margin, margin + f.Ascent - std::round(f.Em * 0.26), width, thick);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  const uint8_t* data = cairo_image_surface_get_data(mask);
  const int stride = cairo_image_surface_get_stride(mask);
  const TColor fc = QzResolveColor(FFont->GetColor());
  for (int32_t y = box.Top; y < box.Bottom; ++y) {
    const uint8_t* row = data + static_cast<ptrdiff_t>(y - (oy - margin)) * stride;
    for (int32_t x = box.Left; x < box.Right; ++x) {
      const unsigned a = row[x - (ox - margin)];
      if (a) T.B->BlendColor(x, y, fc, a);
    }
  }
  cairo_surface_destroy(mask);
}

void TCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text) {
  TTarget t;
  if (!Target(t)) return;
  Changing();
  DrawText(t, X, Y, Text, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text) {
  TTarget t;
  if (!Target(t)) return;
  Changing();
  DrawText(t, X, Y, Text, &R);
  Changed();
}

void TCanvas::Draw(int32_t X, int32_t Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  Graphic->Draw(this, Rect(X, Y, X + Graphic->GetWidth(), Y + Graphic->GetHeight()));
}

void TCanvas::StretchDraw(const TRect& Dest, TGraphic* Graphic) {
  if (!Graphic || Graphic->GetEmpty()) return;
  Graphic->Draw(this, Dest);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  if (!FHandle || !Canvas || !Canvas->FHandle || !Canvas->FHandle->Bitmap) return;
  Changing();
  TQzStretchOptions o;
  o.Rop = FCopyMode;
  o.Mode = FHandle->StretchMode;
  QzStretchBits(FHandle, Dest, Canvas->FHandle->Bitmap, QzOffsetRect(Source, Canvas->FHandle->Origin), o);
  Changed();
}

void TCanvas::GradientFill(const TRect& R, TColor Start, TColor Stop,
                           TGradientDirection Direction) {
  TTarget t;
  if (!Target(t)) return;
  const TRect n = Normalized(R.Left, R.Top, R.Right, R.Bottom);
  if (QzIsRectEmpty(n)) return;
  Changing();
  const TColor a = QzResolveColor(Start), b = QzResolveColor(Stop);
  const int32_t count = Direction == gdVertical ? n.Bottom - n.Top : n.Right - n.Left;
  auto channel = [count](int32_t i, uint8_t from, uint8_t to) {
    if (count < 2) return from;
    return static_cast<uint8_t>(from + MulDiv(i, to - from, count - 1));
  };
  for (int32_t i = 0; i < count; ++i) {
    const TColor c = RGB(channel(i, GetRValue(a), GetRValue(b)), channel(i, GetGValue(a), GetGValue(b)),
                         channel(i, GetBValue(a), GetBValue(b)));
    const TRect line = Direction == gdVertical ? TRect{n.Left, n.Top + i, n.Right, n.Top + i + 1}
                                               : TRect{n.Left + i, n.Top, n.Left + i + 1, n.Bottom};
    const TRect d = QzIntersectRect(QzOffsetRect(line, t.O), t.Clip);
    for (int32_t y = d.Top; y < d.Bottom; ++y)
      for (int32_t x = d.Left; x < d.Right; ++x) t.B->SetColor(x, y, c);
  }
  Changed();
}

TColor TCanvas::GetPixel(int32_t X, int32_t Y) const { return ::GetPixel(FHandle, X, Y); }

void TCanvas::SetPixel(int32_t X, int32_t Y, TColor Color) {
  if (!FHandle) return;
  Changing();
  ::SetPixel(FHandle, X, Y, QzResolveColor(Color));
  Changed();
}

// --- TGraphic --------------------------------------------------------------------------------

void TGraphic::Assign(TPersistent* Source) {
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    g->AssignTo(this);
    return;
  }
  TPersistent::Assign(Source);
}

void TGraphic::AssignTo(TPersistent* Dest) {
  if (auto* r = dynamic_cast<TRasterImage*>(Dest)) {
    r->SetSize(GetWidth(), GetHeight());
    if (!GetEmpty()) r->GetCanvas()->Draw(0, 0, this);
    return;
  }
  if (Dest) Dest->TPersistent::Assign(this);
  throw EConvertError("Cannot assign a " + ClassName() + " to nil");
}

void TGraphic::SetSize(int32_t AWidth, int32_t AHeight) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TGraphic::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed(this);
}

void TGraphic::Clear() { SetSize(0, 0); }

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&s);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream s(FileName, fmCreate);
  SaveToStream(&s);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    FModified = false;
}

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                        const TRect& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

// --- TRasterImage ----------------------------------------------------------------------------

uint8_t* TRawImage::GetLineStart(int32_t Line) const {
  if (!Data || Line < 0 || Line >= Description.Height) return nullptr;
  const int32_t row = Description.LineOrder == riloTopToBottom ? Line : Description.Height - 1 - Line;
  return Data + static_cast<size_t>(row) * Description.BytesPerLine;
}

namespace {
int BitsOf(TPixelFormat F) {
  switch (F) {
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}
TPixelFormat HeldFormat(TPixelFormat F) {
  switch (F) {
    case pf16bit: return pf16bit;
    case pf32bit:
    case pfDevice:
    case pfCustom: return pf32bit;
    default: return pf24bit;
  }
}
}  // namespace

TRasterImage::TRasterImage() = default;

TRasterImage::~TRasterImage() {
  if (FCanvas) FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FreeBitmap();
}

void TRasterImage::FreeBitmap() {
  if (FBitmap) DeleteObject(FBitmap);  // freed when the context lets go of it
  FBitmap = nullptr;
}

void TRasterImage::AllocateForReading(int32_t AWidth, int32_t AHeight, TPixelFormat Format,
                                      bool HasAlpha) {
  Allocate(0, 0, pf24bit);
  SetHasAlphaQuiet(HasAlpha);
  Allocate(AWidth, AHeight, Format);
}

std::vector<uint8_t> TRasterImage::PackedPixels(bool WithAlpha) const {
  const HBITMAP b = GetBitmapHandle();
  if (!b) return {};
  const size_t w = static_cast<size_t>(b->Width), bpp = WithAlpha ? 4 : 3;
  std::vector<uint8_t> rows(w * static_cast<size_t>(b->Height) * bpp);
  // GetColor converts 16-bit and 32-bit pixels on the way.
  for (int32_t y = 0; y < b->Height; ++y) {
    uint8_t* d = rows.data() + static_cast<size_t>(y) * w * bpp;
    for (int32_t x = 0; x < b->Width; ++x, d += bpp) {
      const TColor c = b->GetColor(x, y);
      d[0] = GetBValue(c), d[1] = GetGValue(c), d[2] = GetRValue(c);
      if (WithAlpha) d[3] = b->Row(y)[x * 4 + 3];
    }
  }
  return rows;
}

void TRasterImage::Allocate(int32_t AWidth, int32_t AHeight, TPixelFormat Format) {
  if (AWidth < 0 || AHeight < 0 || AWidth > 32767 || AHeight > 32767)
    throw EInvalidGraphicOperation("Invalid picture size");
  Format = HeldFormat(Format);
  HBITMAP nb = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = AWidth;
    bi.bmiHeader.biHeight = -AHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(BitsOf(Format));
    void* bits = nullptr;
    nb = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!nb) throw EInvalidGraphicOperation("Out of memory for a picture of this size");
  }
  if (FDC) {
    if (nb)
      SelectObject(FDC, nb);
    else
      SelectObject(FDC, FDC->Placeholder);
  }
  FreeBitmap();
  FBitmap = nb;
  FWidth = nb ? AWidth : 0;
  FHeight = nb ? AHeight : 0;
  FPixelFormat = Format;

  TRawImageDescription& d = FRawImage.Description;
  d = TRawImageDescription{};
  d.Width = FWidth;
  d.Height = FHeight;
  d.BitsPerPixel = static_cast<uint8_t>(BitsOf(Format));
  d.LineOrder = riloTopToBottom;
  d.BytesPerLine = nb ? static_cast<uint32_t>(nb->Stride) : 0;
  if (Format == pf16bit) {
    d.Depth = 16;
    d.RedPrec = 5, d.RedShift = 11, d.GreenPrec = 6, d.GreenShift = 5, d.BluePrec = 5, d.BlueShift = 0;
  } else {
    d.Depth = Format == pf32bit && FHasAlpha ? 32 : 24;
    d.RedPrec = d.GreenPrec = d.BluePrec = 8;
    d.RedShift = 16, d.GreenShift = 8, d.BlueShift = 0;
    if (Format == pf32bit && FHasAlpha) d.AlphaPrec = 8, d.AlphaShift = 24;
  }
  FRawImage.Data = nb ? nb->Bits : nullptr;
  FRawImage.DataSize = nb ? static_cast<size_t>(nb->Stride) * static_cast<size_t>(nb->Height) : 0;
}

void TRasterImage::SetHasAlpha(bool Value) {
  if (FHasAlpha == Value) return;
  FHasAlpha = Value;
  TRawImageDescription& d = FRawImage.Description;
  if (FPixelFormat == pf32bit) {
    d.Depth = Value ? 32 : 24;
    d.AlphaPrec = Value ? 8 : 0;
    d.AlphaShift = Value ? 24 : 0;
  }
  Changed(this);
}

void TRasterImage::SetSize(int32_t AWidth, int32_t AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (static_cast<uint64_t>(AWidth) * static_cast<uint64_t>(AHeight) * 4 > (uint64_t{1} << 29))
    throw EInvalidGraphicOperation("Invalid picture size");
  // The pixels that both sizes share are kept, as the toolkit does when a bitmap is resized.
  HBITMAP old = FBitmap;
  const int32_t ow = FWidth, oh = FHeight;
  std::vector<uint8_t> keep;
  int keepStride = 0;
  if (old) {
    keepStride = old->Stride;
    keep.assign(old->Bits, old->Bits + static_cast<size_t>(old->Stride) * static_cast<size_t>(old->Height));
  }
  Allocate(AWidth, AHeight, FPixelFormat);
  if (FBitmap && !keep.empty()) {
    const int32_t w = std::min(ow, FWidth), h = std::min(oh, FHeight);
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(FBitmap->BytesPerPixel());
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(FBitmap->Row(y), keep.data() + static_cast<size_t>(y) * static_cast<size_t>(keepStride), bytes);
  }
  Changed(this);
}

void TRasterImage::Clear() {
  if (!FBitmap && FWidth == 0 && FHeight == 0) return;
  Allocate(0, 0, FPixelFormat);
  Changed(this);
}

TCanvas* TRasterImage::GetCanvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FDC = CreateCompatibleDC(nullptr);
    if (FBitmap) SelectObject(FDC, FBitmap);
    FCanvas->SetHandle(FDC);
    FCanvas->OnChange = [this](TObject* S) { CanvasChanged(S); };
  }
  return FCanvas.get();
}

void TRasterImage::CanvasChanged(TObject*) {
  if (FUpdateCount == 0) Changed(this);
}

void TRasterImage::SetPixelFormat(TPixelFormat Value) {
  const TPixelFormat held = HeldFormat(Value);
  if (held == FPixelFormat) return;
  if (!FBitmap) {
    Allocate(0, 0, held);
    Changed(this);
    return;
  }
  // Convert through colours, keeping the picture (and alpha between 32-bit pictures).
  const int32_t w = FWidth, h = FHeight;
  std::vector<TColor> colors(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      colors[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          FBitmap->GetColor(x, y);
  Allocate(w, h, held);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      FBitmap->SetColor(x, y, colors[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]);
  if (held != pf32bit && FHasAlpha) FHasAlpha = false;
  Changed(this);
}

TColor TRasterImage::GetTransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (!FBitmap) return clDefault;
  return FBitmap->GetColor(0, FHeight - 1);
}

void TRasterImage::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor) return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TRasterImage::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  FTransparentMode = Value;
  if (Value == tmAuto) FTransparentColor = clDefault;
  Changed(this);
}

void TRasterImage::BeginUpdate(bool) { ++FUpdateCount; }

void TRasterImage::EndUpdate(bool) {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) Changed(this);
}

void TRasterImage::Changed(TObject* Sender) {
  if (FUpdateCount > 0) {
    FModified = true;
    return;
  }
  TGraphic::Changed(Sender);
}

void TRasterImage::CopyPixelsFrom(const TRasterImage* Source) {
  FHasAlpha = Source->FHasAlpha;
  Allocate(Source->FWidth, Source->FHeight, Source->FPixelFormat);
  if (FBitmap && Source->FBitmap) {
    const size_t bytes = static_cast<size_t>(FBitmap->Stride);
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(FBitmap->Row(y), Source->FBitmap->Row(y), bytes);
  }
  FTransparent = Source->FTransparent;
  FTransparentColor = Source->FTransparentColor;
  FTransparentMode = Source->FTransparentMode;
}

void TRasterImage::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (auto* r = dynamic_cast<TRasterImage*>(Source)) {
    CopyPixelsFrom(r);
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

void TRasterImage::AssignTo(TPersistent* Dest) {
  if (auto* r = dynamic_cast<TRasterImage*>(Dest)) {
    r->Assign(this);
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TRasterImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || !FBitmap || !ACanvas->GetHandle()) return;
  TQzStretchOptions o;
  o.Rop = ACanvas->GetCopyMode();
  o.Mode = ACanvas->GetHandle()->StretchMode;
  if (GetTransparent()) o.TransparentColor = QzResolveColor(GetTransparentColor());
  o.SourceAlpha = FHasAlpha && FPixelFormat == pf32bit;
  ACanvas->Changing();
  QzStretchBits(ACanvas->GetHandle(), Rect, FBitmap, TRect{0, 0, FWidth, FHeight}, o);
  ACanvas->Changed();
}

// --- TBitmap ---------------------------------------------------------------------------------

void TBitmap::LoadFromResourceName(HINSTANCE, const std::string& ResName) {
  const TQzResource* res = QzFindResource(ResName);
  if (!res) throw EResNotFound("Resource " + ResName + " not found");
  TMemoryStream s;
  s.WriteBuffer(res->Data, static_cast<int32_t>(res->Size));
  s.SetPosition(0);
  if (IsStreamFormatSupported(&s)) {
    LoadFromStream(&s);
    return;
  }
  TPicture p;
  p.LoadFromStream(&s);
  Assign(p.GetGraphic());
}

// --- TPicture --------------------------------------------------------------------------------

namespace {

struct TFileFormat {
  std::string Ext;  // lower case, no dot
  std::string Description;
  TGraphicClass Class;
};

struct TRegistry {
  std::vector<TFileFormat> Formats;
  std::vector<std::pair<TClipboardFormat, TGraphicClass>> Clipboard;
  std::vector<TGraphicClass> Classes;  // in order of first registration

  void Note(TGraphicClass C) {
    if (std::find(Classes.begin(), Classes.end(), C) == Classes.end()) Classes.push_back(C);
  }
};

void AddFormats(TRegistry& R, const std::string& Extensions, const std::string& Description,
                TGraphicClass Class) {
  size_t start = 0;
  while (start <= Extensions.size()) {
    size_t end = Extensions.find(';', start);
    if (end == std::string::npos) end = Extensions.size();
    std::string ext = LowerCase(Trim(Extensions.substr(start, end - start)));
    while (!ext.empty() && (ext[0] == '.' || ext[0] == '*')) ext.erase(0, 1);
    if (!ext.empty()) {
      R.Formats.erase(std::remove_if(R.Formats.begin(), R.Formats.end(),
                                     [&](const TFileFormat& F) { return F.Ext == ext; }),
                      R.Formats.end());
      R.Formats.push_back(TFileFormat{ext, Description, Class});
    }
    start = end + 1;
  }
  R.Note(Class);
}

TRegistry& Registry() {
  static TRegistry r = [] {
    TRegistry reg;
    AddFormats(reg, "bmp", "Bitmaps", GraphicClassOf<TBitmap>());
    AddFormats(reg, "png", "Portable Network Graphic", GraphicClassOf<TPortableNetworkGraphic>());
    AddFormats(reg, "jpg;jpeg;jpe;jfif", "Joint Picture Expert Group", GraphicClassOf<TJPEGImage>());
    reg.Clipboard.emplace_back(CF_BITMAP, GraphicClassOf<TBitmap>());
    reg.Clipboard.emplace_back(RegisterClipboardFormat("PNG"), GraphicClassOf<TPortableNetworkGraphic>());
    return reg;
  }();
  return r;
}

std::string ExtOf(const std::string& FileName) {
  const size_t slash = FileName.find_last_of('/');
  const size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return LowerCase(FileName.substr(dot + 1));
}

}  // namespace

TColor QzResolveColor(TColor C) {
  if ((C & 0xFF000000) == 0x80000000) return GetSysColor(static_cast<int>(C & 0xFF));
  return C & 0x00FFFFFF;
}

bool QzStreamStartsWith(TStream* Stream, const void* Magic, size_t Count) {
  if (!Stream || Count == 0 || Count > 64) return false;
  uint8_t buf[64];
  const int64_t pos = Stream->GetPosition();
  const int32_t got = Stream->Read(buf, static_cast<int32_t>(Count));
  Stream->SetPosition(pos);
  return got == static_cast<int32_t>(Count) && std::memcmp(buf, Magic, Count) == 0;
}

std::vector<uint8_t> QzReadRestOfPicture(TStream* Stream, const void* Magic, size_t MagicSize,
                                         const std::string& Format) {
  constexpr int64_t kMaxFileBytes = int64_t{1} << 30;
  const int64_t avail = Stream->GetSize() - Stream->GetPosition();
  if (avail < static_cast<int64_t>(MagicSize) || !QzStreamStartsWith(Stream, Magic, MagicSize))
    throw EInvalidGraphic("Invalid " + Format + ": wrong signature");
  if (avail > kMaxFileBytes) throw EInvalidGraphic("Invalid " + Format + ": too large");
  std::vector<uint8_t> data(static_cast<size_t>(avail));
  if (Stream->Read(data.data(), static_cast<int32_t>(avail)) != avail)
    throw EInvalidGraphic("Invalid " + Format + ": read failed");
  return data;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* NewGraphic) {
  FGraphic.reset(NewGraphic);
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject* S) { Changed(S); };
    FGraphic->OnProgress = [this](TObject* S, TProgressStage St, uint8_t P, bool Redraw, const TRect& R,
                                  const std::string& M) {
      if (OnProgress) OnProgress(S, St, P, Redraw, R, M);
    };
  }
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic.get()) return;
  if (!Value) {
    Adopt(nullptr);
    Changed(this);
    return;
  }
  TGraphicClass cls = nullptr;
  for (TGraphicClass c : Registry().Classes)
    if (c->Name == Value->ClassName()) cls = c;
  // A class the picture does not know is held as a bitmap copy.
  std::unique_ptr<TGraphic> g(cls ? cls->Create() : new TBitmap());
  g->Assign(Value);
  Adopt(g.release());
  Changed(this);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p != this) SetGraphic(p->GetGraphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(Source);
  }
}

// An empty picture gets an empty graphic of that class; one of another class is converted and
// replaced.
template <class TGraphicKind>
TGraphicKind* TPicture::ConvertedTo() {
  if (auto* g = dynamic_cast<TGraphicKind*>(FGraphic.get())) return g;
  auto g = std::make_unique<TGraphicKind>();
  if (FGraphic) g->Assign(FGraphic.get());
  Adopt(g.release());
  Changed(this);
  return static_cast<TGraphicKind*>(FGraphic.get());
}

TBitmap* TPicture::GetBitmap() { return ConvertedTo<TBitmap>(); }
TPortableNetworkGraphic* TPicture::GetPNG() { return ConvertedTo<TPortableNetworkGraphic>(); }
TJPEGImage* TPicture::GetJpeg() { return ConvertedTo<TJPEGImage>(); }

int32_t TPicture::GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
int32_t TPicture::GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::LoadWith(TGraphicClass Class, TStream* Stream) {
  std::unique_ptr<TGraphic> g(Class->Create());
  g->OnProgress = [this](TObject* S, TProgressStage St, uint8_t P, bool Redraw, const TRect& R,
                         const std::string& M) {
    if (OnProgress) OnProgress(S, St, P, Redraw, R, M);
  };
  try {
    g->LoadFromStream(Stream);
  } catch (...) {
    Adopt(nullptr);
    Changed(this);
    throw;
  }
  Adopt(g.release());
  Changed(this);
}

void TPicture::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  TGraphicClass found = nullptr;
  if (TBitmap::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TBitmap>();
  else if (TPortableNetworkGraphic::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TPortableNetworkGraphic>();
  else if (TJPEGImage::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TJPEGImage>();
  else
    for (TGraphicClass c : Registry().Classes)
      if (c->IsStreamFormatSupported && c->IsStreamFormatSupported(Stream)) {
        found = c;
        break;
      }
  if (!found) {
    Adopt(nullptr);
    Changed(this);
    throw EInvalidGraphic("Unknown picture format");
  }
  LoadWith(found, Stream);
}

void TPicture::LoadFromStreamWithFileExt(TStream* Stream, const std::string& FileExt) {
  std::string ext = LowerCase(FileExt);
  while (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  TGraphicClass c = FindGraphicClassWithFileExt(ext);
  if (!c) {
    Adopt(nullptr);
    Changed(this);
    throw EInvalidGraphic("Unknown picture extension (." + ext + ")");
  }
  LoadWith(c, Stream);
}

void TPicture::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStreamWithFileExt(&s, ExtOf(FileName));
}

void TPicture::SaveToStream(TStream* Stream) {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (!FGraphic) return;
  TGraphicClass c = FindGraphicClassWithFileExt(ExtOf(FileName));
  if (c && !c->IsInstance(FGraphic.get())) {
    // Saving under another class's extension converts, as the toolkit does.
    std::unique_ptr<TGraphic> g(c->Create());
    g->Assign(FGraphic.get());
    g->SaveToFile(FileName);
    return;
  }
  FGraphic->SaveToFile(FileName);
}

void TPicture::LoadFromResourceName(HINSTANCE, const std::string& ResName) {
  const TQzResource* res = QzFindResource(ResName);
  if (!res) throw EResNotFound("Resource " + ResName + " not found");
  TMemoryStream s;
  s.WriteBuffer(res->Data, static_cast<int32_t>(res->Size));
  s.SetPosition(0);
  LoadFromStream(&s);
}

bool TPicture::SupportsClipboardFormat(TClipboardFormat Format) {
  for (const auto& f : Registry().Clipboard)
    if (f.first == Format) return true;
  return false;
}

void TPicture::LoadFromClipboardFormat(TClipboardFormat Format, TStream* Data) {
  for (auto it = Registry().Clipboard.rbegin(); it != Registry().Clipboard.rend(); ++it)
    if (it->first == Format) {
      LoadWith(it->second, Data);
      return;
    }
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TPicture::RegisterFileFormat(const std::string& Extensions, const std::string& Description,
                                  TGraphicClass GraphicClass) {
  if (!GraphicClass) return;
  AddFormats(Registry(), Extensions, Description, GraphicClass);
}

void TPicture::RegisterClipboardFormat(TClipboardFormat Format, TGraphicClass GraphicClass) {
  if (!GraphicClass || Format == 0) return;
  TRegistry& r = Registry();
  r.Clipboard.emplace_back(Format, GraphicClass);
  r.Note(GraphicClass);
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
  TRegistry& r = Registry();
  r.Formats.erase(std::remove_if(r.Formats.begin(), r.Formats.end(),
                                 [&](const TFileFormat& F) { return F.Class == GraphicClass; }),
                  r.Formats.end());
  r.Clipboard.erase(std::remove_if(r.Clipboard.begin(), r.Clipboard.end(),
                                   [&](const auto& F) { return F.second == GraphicClass; }),
                    r.Clipboard.end());
  r.Classes.erase(std::remove(r.Classes.begin(), r.Classes.end(), GraphicClass), r.Classes.end());
}

TGraphicClass TPicture::FindGraphicClassWithFileExt(const std::string& Ext) {
  std::string ext = LowerCase(Ext);
  while (!ext.empty() && (ext[0] == '.' || ext[0] == '*')) ext.erase(0, 1);
  for (const TFileFormat& f : Registry().Formats)
    if (f.Ext == ext) return f.Class;
  return nullptr;
}

std::string TPicture::GetFileFilter() {
  std::string out;
  for (const TFileFormat& f : Registry().Formats) {
    if (!out.empty()) out += "|";
    out += f.Description + " (*." + f.Ext + ")|*." + f.Ext;
  }
  return out;
}
