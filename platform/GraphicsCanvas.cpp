// The canvas: GDI's drawing operations rasterised into the target bitmap's pixels (pen modes and
// dashes, filled shapes by pixel centres, text through cairo), clipped to the device.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <cairo.h>

#include "platform/Graphics.h"
#include "platform/GraphicsFonts.h"

using fonts_detail::AdvanceOf;
using fonts_detail::CleanUtf8;
using fonts_detail::PrepareFont;
using fonts_detail::TTextFont;

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
  if (!pen && brush && mode == pmCopy) {
    // The inside alone, copied: whole runs of the row within the clip.
    for (size_t i = 0; i < L.size(); ++i) {
      const int32_t y = Top + static_cast<int32_t>(i) + T.O.Y;
      if (y < T.Clip.Top || y >= T.Clip.Bottom) continue;
      T.B->Fill(TRect{std::max(L[i] + T.O.X, T.Clip.Left), y, std::min(R[i] + T.O.X, T.Clip.Right), y + 1}, bc);
    }
    return;
  }
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
  t.B->Fill(d, QzResolveColor(FBrush->GetColor()));
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
    T.B->Fill(cell, QzResolveColor(FBrush->GetColor()));
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
    t.B->Fill(QzIntersectRect(QzOffsetRect(line, t.O), t.Clip), c);
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
