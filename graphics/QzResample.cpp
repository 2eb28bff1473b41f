#include "graphics/QzResample.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "core/QzFileClasses.h"
#include "core/SysUtils.h"

float Sinc(float X) {
  if (X == 0.0f) return 1.0f;
  const float px = X * 3.14159265358979f;
  return std::sin(px) / px;
}

float ResampleFilterLanczos3(float X) {
  if (std::fabs(X) < 3.0f) return Sinc(X) * Sinc(X / 3.0f);
  return 0.0f;
}

float ResampleFilterMitchell(float X) {
  const float x = std::fabs(X), x2 = x * x, x3 = x2 * x;
  if (x < 1.0f) return (7.0f * x3 - 12.0f * x2 + 16.0f / 3.0f) / 6.0f;
  if (x < 2.0f) return (-7.0f / 3.0f * x3 + 12.0f * x2 - 20.0f * x + 32.0f / 3.0f) / 6.0f;
  return 0.0f;
}

float ResampleFilterHermite(float X) {
  const float x = std::fabs(X);
  if (x < 1.0f) return (2.0f * x - 3.0f) * x * x + 1.0f;
  return 0.0f;
}

float ResampleFilterBell(float X) {
  const float x = std::fabs(X);
  if (x < 0.5f) return 0.75f - x * x;
  if (x < 1.5f) return 0.5f * (x - 1.5f) * (x - 1.5f);
  return 0.0f;
}

float ResampleFilterBSpline(float X) {
  const float x = std::fabs(X);
  if (x < 1.0f) return 0.5f * x * x * x - x * x + 2.0f / 3.0f;
  if (x < 2.0f) {
    const float t = 2.0f - x;
    return t * t * t / 6.0f;
  }
  return 0.0f;
}

float ResampleFilterTriangle(float X) {
  const float x = std::fabs(X);
  return x < 1.0f ? 1.0f - x : 0.0f;
}

float ResampleFilterBox(float X) { return X > -0.5f && X <= 0.5f ? 1.0f : 0.0f; }

TQzResampleFilter QzResampleFilter(uint8_t Filter) {
  switch (Filter) {
    case 1: return ResampleFilterLanczos3;
    case 2: return ResampleFilterMitchell;
    case 3: return ResampleFilterHermite;
    case 4: return ResampleFilterBell;
    case 5: return ResampleFilterBSpline;
    case 6: return ResampleFilterTriangle;
    case 7: return ResampleFilterBox;
    default: return nullptr;
  }
}

namespace {
struct TContributor {
  int32_t Pixel;
  float Weight;
};
using TContributorList = std::vector<TContributor>;

// Reflects an index that lies outside 0 .. Count - 1 back into it, as often as it takes (a wide
// window over a small source crosses both edges): -j at the left edge, 2 * Count - 1 - j at the
// right one. Together the two reflections repeat every 2 * Count - 1 indexes.
int32_t MirrorIndex(int64_t J, int32_t Count) {
  if (J >= 0 && J < Count) return static_cast<int32_t>(J);
  const int64_t period = 2 * static_cast<int64_t>(Count) - 1;
  int64_t r = J % period;
  if (r < 0) r += period;
  if (r >= Count) r = period - r;
  return static_cast<int32_t>(r);
}

// One contributor list per destination index. The weights are normalised to a sum of 1, so a
// flat picture stays flat whatever the kernel and the scale.
std::vector<TContributorList> BuildContributors(int32_t DstSize, int32_t SrcSize,
                                                TQzResampleFilter Filter, float Support) {
  // The end pixels of source and destination coincide; a single destination pixel (which has
  // no second end to scale by) sits over the middle of the source.
  const bool single = DstSize == 1 || SrcSize == 1;
  const double scale = single ? static_cast<double>(DstSize) / SrcSize
                              : static_cast<double>(DstSize - 1) / (SrcSize - 1);
  std::vector<TContributorList> lists(static_cast<size_t>(DstSize));
  for (int32_t i = 0; i < DstSize; ++i) {
    const double center = DstSize == 1 ? (SrcSize - 1) / 2.0 : i / scale;
    TContributorList& list = lists[static_cast<size_t>(i)];
    const bool shrink = scale < 1.0;
    const double window = shrink ? Support / scale : Support;
    const double f = shrink ? 1.0 / scale : 1.0;
    const int64_t first = static_cast<int64_t>(std::floor(center - window));
    const int64_t last = static_cast<int64_t>(std::ceil(center + window));
    float sum = 0.0f;
    for (int64_t j = first; j <= last; ++j) {
      const float weight = static_cast<float>(Filter(static_cast<float>((center - j) / f)) / f);
      if (weight == 0.0f) continue;
      list.push_back({MirrorIndex(j, SrcSize), weight});
      sum += weight;
    }
    if (list.empty() || sum == 0.0f) {
      list.assign(1, {MirrorIndex(Round(center), SrcSize), 1.0f});
    } else {
      for (TContributor& c : list) c.Weight /= sum;
    }
  }
  return lists;
}

uint8_t ClampChannel(float V) {
  if (V > 255.0f) return 255;
  if (V < 0.0f) return 0;
  return static_cast<uint8_t>(std::nearbyint(V));  // the default rounding: halves to even
}

// Holds a raster image's memory in place for the length of a scope.
class TUpdateBracket {
public:
  explicit TUpdateBracket(TRasterImage* Image) : FImage(Image) { FImage->BeginUpdate(false); }
  ~TUpdateBracket() { FImage->EndUpdate(false); }
  TUpdateBracket(const TUpdateBracket&) = delete;
  TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
  TRasterImage* FImage;
};
}  // namespace

void Resample(TRasterImage* Src, TRasterImage* Dst, TQzResampleFilter Filter, float Support) {
  if (!Src || !Dst || !Filter) throw Exception("Source bitmap too small");
  const int32_t srcW = Src->GetWidth(), srcH = Src->GetHeight();
  if (srcW < 1 || srcH < 1) throw Exception("Source bitmap too small");
  // Pixels are filtered as 3- or 4-byte B, G, R (A); any other layout goes through a 32-bit copy.
  std::unique_ptr<TBitmap> converted;
  if (Src->GetPixelFormat() != pf24bit && Src->GetPixelFormat() != pf32bit) {
    converted = std::make_unique<TBitmap>();
    converted->Assign(Src);
    converted->SetPixelFormat(pf32bit);
    Src = converted.get();
  }
  const TPixelFormat format = Src->GetPixelFormat();
  const int32_t bpp = format == pf32bit ? 4 : 3;
  Dst->SetPixelFormat(format);
  const int32_t dstW = Dst->GetWidth(), dstH = Dst->GetHeight();
  if (dstW < 1 || dstH < 1) return;

  auto work = std::make_unique<TBitmap>();
  work->SetPixelFormat(format);
  work->SetSize(dstW, srcH);
  TUpdateBracket srcBracket(Src), workBracket(work.get()), dstBracket(Dst);

  // Horizontal pass: source rows into work rows of the destination width.
  {
    const std::vector<TContributorList> columns = BuildContributors(dstW, srcW, Filter, Support);
    for (int32_t y = 0; y < srcH; ++y) {
      const uint8_t* s = Src->GetScanLine(y);
      uint8_t* d = work->GetScanLine(y);
      for (int32_t i = 0; i < dstW; ++i, d += bpp) {
        float b = 0.0f, g = 0.0f, r = 0.0f;
        for (const TContributor& c : columns[static_cast<size_t>(i)]) {
          const uint8_t* p = s + static_cast<ptrdiff_t>(c.Pixel) * bpp;
          b += p[0] * c.Weight;
          g += p[1] * c.Weight;
          r += p[2] * c.Weight;
        }
        d[0] = ClampChannel(b);
        d[1] = ClampChannel(g);
        d[2] = ClampChannel(r);
        if (bpp == 4) d[3] = s[static_cast<ptrdiff_t>(columns[static_cast<size_t>(i)].back().Pixel) * 4 + 3];
      }
    }
  }
  // Vertical pass: work rows into destination rows, a whole row at a time.
  const std::vector<TContributorList> rows = BuildContributors(dstH, srcH, Filter, Support);
  std::vector<float> sums(static_cast<size_t>(dstW) * 3);
  for (int32_t i = 0; i < dstH; ++i) {
    std::fill(sums.begin(), sums.end(), 0.0f);
    const TContributorList& list = rows[static_cast<size_t>(i)];
    for (const TContributor& c : list) {
      const uint8_t* s = work->GetScanLine(c.Pixel);
      float* sum = sums.data();
      for (int32_t x = 0; x < dstW; ++x, s += bpp, sum += 3) {
        sum[0] += s[0] * c.Weight;
        sum[1] += s[1] * c.Weight;
        sum[2] += s[2] * c.Weight;
      }
    }
    uint8_t* d = Dst->GetScanLine(i);
    const uint8_t* alpha = work->GetScanLine(list.back().Pixel);
    const float* sum = sums.data();
    for (int32_t x = 0; x < dstW; ++x, d += bpp, sum += 3) {
      d[0] = ClampChannel(sum[0]);
      d[1] = ClampChannel(sum[1]);
      d[2] = ClampChannel(sum[2]);
      if (bpp == 4) d[3] = alpha[static_cast<ptrdiff_t>(x) * 4 + 3];
    }
  }
}

uint32_t StretchGraphicEx(TGraphic* Src, TGraphic* Dst, int32_t MaxW, int32_t MaxH, uint8_t Filter,
                          bool KeepAspect) {
  if (!Dst) return MakeErrorCode(qecNoDestination, 501);
  if (!Src) return MakeErrorCode(qecInvalidArgument, 502);
  const int32_t srcW = Src->GetWidth(), srcH = Src->GetHeight();
  if (srcW < 1) return MakeErrorCode(qecInvalidArgument, 503);
  if (srcH < 1) return MakeErrorCode(qecInvalidArgument, 504);

  int64_t w = MaxW, h = MaxH;
  if (KeepAspect) {
    const float aspect = static_cast<float>(static_cast<double>(srcH) / srcW);
    w = Round(static_cast<double>(MaxH) / aspect);
    if (w > MaxW) {
      w = MaxW;
      h = Round(static_cast<double>(w) * aspect);
    }
  }
  // No side of the result falls below one pixel (or beyond what a side can hold).
  w = std::clamp<int64_t>(w, 1, INT32_MAX);
  h = std::clamp<int64_t>(h, 1, INT32_MAX);

  const TQzResampleFilter kernel = QzResampleFilter(Filter);
  const uint16_t drawFailed = Filter == 0 ? 505 : kernel ? 506 : 507;
  uint32_t code = 0;
  auto work = std::make_unique<TBitmap>();
  try {
    work->SetPixelFormat(pf32bit);
    work->SetSize(static_cast<int32_t>(w), static_cast<int32_t>(h));
    if (Filter == 0) {
      work->GetCanvas()->StretchDraw(Rect(0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)), Src);
    } else if (kernel) {
      auto source = std::make_unique<TBitmap>();
      source->SetPixelFormat(pf32bit);
      source->SetSize(srcW, srcH);
      source->GetCanvas()->Draw(0, 0, Src);
      TUpdateBracket bracket(work.get());
      Resample(source.get(), work.get(), kernel, 10.0f);
    }
  } catch (...) {
    code = MakeErrorCode(qecInvalidArgument, drawFailed);
  }
  if (code == 0) {
    try {
      Dst->Assign(work.get());
    } catch (...) {
      code = MakeErrorCode(qecInvalidArgument, 507);
    }
  }
  return code;
}

void StretchGraphic(TGraphic* Src, TGraphic* Dst, int32_t MaxW, int32_t MaxH, uint8_t Filter,
                    bool KeepAspect) {
  StretchGraphicEx(Src, Dst, MaxW, MaxH, Filter, KeepAspect);
}
