// Windows bitmap files for TBitmap. The reader checks every header field before it allocates and
// fails with EInvalidGraphic, leaving the bitmap empty, on anything short, inconsistent or too
// large; it never reads past what the stream holds.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Graphics.h"

namespace {

constexpr int32_t kMaxSide = QzMaxReadSide;

[[noreturn]] void Fail(const std::string& Why) { throw EInvalidGraphic("Invalid bitmap: " + Why); }

void ReadExact(TStream* S, void* Buf, size_t Count) {
  if (Count == 0) return;
  if (Count > INT32_MAX || S->Read(Buf, static_cast<int32_t>(Count)) != static_cast<int32_t>(Count))
    Fail("unexpected end of data");
}

uint16_t U16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | P[1] << 8); }
uint32_t U32(const uint8_t* P) {
  return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
         static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24;
}
void Put16(std::vector<uint8_t>& V, uint16_t X) {
  V.push_back(static_cast<uint8_t>(X));
  V.push_back(static_cast<uint8_t>(X >> 8));
}
void Put32(std::vector<uint8_t>& V, uint32_t X) {
  for (int i = 0; i < 4; ++i) V.push_back(static_cast<uint8_t>(X >> (8 * i)));
}

// A channel given by a bit mask, scaled to 8 bits.
struct TMaskChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  explicit TMaskChannel(uint32_t M = 0) : Mask(M) {
    if (!M) return;
    while (!((M >> Shift) & 1)) ++Shift;
    while (Shift + Bits < 32 && ((M >> (Shift + Bits)) & 1)) ++Bits;
  }
  uint8_t Get(uint32_t V) const {
    if (!Bits) return 0;
    const uint32_t x = (V & Mask) >> Shift;
    const uint32_t max = Bits >= 32 ? 0xFFFFFFFFu : (1u << Bits) - 1;
    return static_cast<uint8_t>((static_cast<uint64_t>(x) * 255 + max / 2) / max);
  }
};

struct TBmpHeader {
  int32_t Width = 0;
  int32_t Height = 0;
  bool TopDown = false;
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  uint32_t Masks[4] = {};  // R, G, B, A
  std::vector<uint32_t> Palette;  // 0x00RRGGBB
};

}  // namespace

bool TBitmap::IsStreamFormatSupported(TStream* Stream) { return QzStreamStartsWith(Stream, "BM", 2); }

void TBitmap::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  LoadPixels([&] {
    const int64_t start = Stream->GetPosition();
    const int64_t avail = Stream->GetSize() - start;
    uint8_t fh[14];
    ReadExact(Stream, fh, sizeof fh);
    if (fh[0] != 'B' || fh[1] != 'M') Fail("wrong signature");
    const uint32_t offBits = U32(fh + 10);

    uint8_t ih[124] = {};
    ReadExact(Stream, ih, 4);
    const uint32_t ihSize = U32(ih);
    if (ihSize != 12 && ihSize != 40 && ihSize != 52 && ihSize != 56 && ihSize != 64 &&
        ihSize != 108 && ihSize != 124)
      Fail("unknown header");
    ReadExact(Stream, ih + 4, ihSize - 4);

    TBmpHeader h;
    uint16_t planes;
    uint32_t clrUsed = 0;
    if (ihSize == 12) {
      h.Width = U16(ih + 4);
      h.Height = U16(ih + 6);
      planes = U16(ih + 8);
      h.BitCount = U16(ih + 10);
    } else {
      h.Width = static_cast<int32_t>(U32(ih + 4));
      h.Height = static_cast<int32_t>(U32(ih + 8));
      planes = U16(ih + 12);
      h.BitCount = U16(ih + 14);
      h.Compression = U32(ih + 16);
      clrUsed = U32(ih + 32);
      if (ihSize >= 52) {
        h.Masks[0] = U32(ih + 40);
        h.Masks[1] = U32(ih + 44);
        h.Masks[2] = U32(ih + 48);
      }
      if (ihSize >= 56) h.Masks[3] = U32(ih + 52);
    }
    if (h.Height < 0) {
      if (h.Height == INT32_MIN) Fail("bad height");
      h.TopDown = true;
      h.Height = -h.Height;
    }
    if (planes != 1) Fail("bad plane count");
    if (h.Width < 1 || h.Height < 1 || h.Width > kMaxSide || h.Height > kMaxSide) Fail("bad size");
    const uint16_t bc = h.BitCount;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) Fail("bad bit count");
    switch (h.Compression) {
      case 0: break;
      case 1: if (bc != 8 || h.TopDown) Fail("bad RLE8"); break;
      case 2: if (bc != 4 || h.TopDown) Fail("bad RLE4"); break;
      case 3:
      case 6:
        if (bc != 16 && bc != 32) Fail("bad bit fields");
        if (ihSize == 40) {
          uint8_t m[12];
          ReadExact(Stream, m, sizeof m);
          h.Masks[0] = U32(m), h.Masks[1] = U32(m + 4), h.Masks[2] = U32(m + 8);
          if (h.Compression == 6) {
            uint8_t a[4];
            ReadExact(Stream, a, 4);
            h.Masks[3] = U32(a);
          }
        }
        break;
      default: Fail("unsupported compression");
    }
    if (h.Compression == 0 && bc == 16) h.Masks[0] = 0x7C00, h.Masks[1] = 0x03E0, h.Masks[2] = 0x001F;
    if (h.Compression == 0 && bc == 32) h.Masks[3] = 0;
    if (h.Compression == 0 && bc == 32) h.Masks[0] = 0xFF0000, h.Masks[1] = 0xFF00, h.Masks[2] = 0xFF;
    if ((h.Compression == 3 || h.Compression == 6) && (!h.Masks[0] || !h.Masks[1] || !h.Masks[2]))
      Fail("empty colour mask");

    if (bc <= 8) {
      const uint32_t maxColors = 1u << bc;
      const uint32_t count = clrUsed ? clrUsed : maxColors;
      if (count > maxColors) Fail("bad palette size");
      const size_t entry = ihSize == 12 ? 3 : 4;
      std::vector<uint8_t> pal(count * entry);
      ReadExact(Stream, pal.data(), pal.size());
      h.Palette.assign(maxColors, 0);
      for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = pal.data() + i * entry;
        h.Palette[i] = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
      }
    }

    const uint64_t stride = ((static_cast<uint64_t>(h.Width) * bc + 31) / 32) * 4;
    const uint64_t dataSize = stride * static_cast<uint64_t>(h.Height);
    if (!QzReadSizeAllowed(h.Width, h.Height, bc == 32 ? 4 : 3)) Fail("too large");
    // Pixel data starts at the stored offset; a writer that got it wrong (pointing into the
    // headers) is read from where the headers end.
    const int64_t here = Stream->GetPosition() - start;
    if (static_cast<int64_t>(offBits) >= here && static_cast<int64_t>(offBits) <= avail) Stream->SetPosition(start + offBits);
    const int64_t left = Stream->GetSize() - Stream->GetPosition();
    const bool rle = h.Compression == 1 || h.Compression == 2;
    if (!rle && static_cast<uint64_t>(std::max<int64_t>(left, 0)) < dataSize)
      Fail("unexpected end of data");
    // Run-length data must be able to cover the picture with its longest runs (255 pixels in
    // two bytes), as for the program's own run-length formats: a few bytes may not declare a
    // picture of hundreds of megabytes.
    const uint64_t pixels = static_cast<uint64_t>(h.Width) * static_cast<uint64_t>(h.Height);
    if (rle && static_cast<uint64_t>(std::max<int64_t>(left, 0)) < (pixels + 254) / 255 * 2)
      Fail("run-length data too short for the picture");

    const bool alpha = bc == 32 && h.Masks[3] != 0;
    AllocateForReading(h.Width, h.Height, bc == 32 ? pf32bit : pf24bit, alpha);
    HBITMAP out = GetBitmapHandle();
    const TMaskChannel mr(h.Masks[0]), mg(h.Masks[1]), mb(h.Masks[2]), ma(h.Masks[3]);
    auto rowOf = [&](int32_t StoredRow) { return h.TopDown ? StoredRow : h.Height - 1 - StoredRow; };

    if (rle) {
      // Everything left is the compressed data (bounded by the pixel size plus opcodes).
      const uint64_t limit = std::min<uint64_t>(static_cast<uint64_t>(std::max<int64_t>(left, 0)),
                                                dataSize * 2 + 4096);
      std::vector<uint8_t> src(static_cast<size_t>(limit));
      ReadExact(Stream, src.data(), src.size());
      // Pixels the data never reaches (skipped by deltas, or left by an early end) keep the
      // first palette colour. They are filled row by row up front, so that a few bytes declaring
      // a huge picture cost one pass over the buffer, not a call per pixel.
      const uint32_t c0 = h.Palette[0];
      const uint8_t bgr0[3] = {static_cast<uint8_t>(c0), static_cast<uint8_t>(c0 >> 8), static_cast<uint8_t>(c0 >> 16)};
      const size_t rowBytes = static_cast<size_t>(h.Width) * 3;
      uint8_t* first = out->Row(0);
      for (size_t i = 0; i < rowBytes; i += 3) std::memcpy(first + i, bgr0, 3);
      for (int32_t r = 1; r < h.Height; ++r) std::memcpy(out->Row(r), first, rowBytes);

      size_t p = 0;
      int64_t x = 0, y = 0;  // y counts stored rows (bottom-up)
      auto put = [&](uint8_t V) {
        if (x < h.Width && y < h.Height) {
          const uint32_t c = h.Palette[V];
          uint8_t* d = out->Row(rowOf(static_cast<int32_t>(y))) + x * 3;
          d[0] = static_cast<uint8_t>(c), d[1] = static_cast<uint8_t>(c >> 8), d[2] = static_cast<uint8_t>(c >> 16);
        }
        ++x;
      };
      bool done = false;
      while (!done) {
        if (p + 2 > src.size()) Fail("RLE data ends early");
        const uint8_t n = src[p], v = src[p + 1];
        p += 2;
        if (n > 0) {
          // Pixels past the right edge are dropped without visiting them.
          const int visible = static_cast<int>(std::clamp<int64_t>(h.Width - x, 0, n));
          for (int i = 0; i < visible; ++i) put(h.Compression == 1 ? v : (i % 2 ? v & 15 : v >> 4));
          x += n - visible;
        } else if (v == 0) {
          x = 0;
          ++y;
        } else if (v == 1) {
          done = true;
        } else if (v == 2) {
          if (p + 2 > src.size()) Fail("RLE data ends early");
          x += src[p];
          y += src[p + 1];
          p += 2;
        } else {
          const size_t bytes = h.Compression == 1 ? v : (v + 1u) / 2;
          if (p + bytes > src.size()) Fail("RLE data ends early");
          for (int i = 0; i < v; ++i)
            put(h.Compression == 1 ? src[p + static_cast<size_t>(i)]
                                   : (i % 2 ? src[p + static_cast<size_t>(i) / 2] & 15
                                            : src[p + static_cast<size_t>(i) / 2] >> 4));
          p += bytes;
          if (bytes & 1) ++p;  // runs are padded to 16 bits
        }
        if (y >= h.Height) done = true;
      }
    } else {
      std::vector<uint8_t> row(static_cast<size_t>(stride));
      for (int32_t sy = 0; sy < h.Height; ++sy) {
        ReadExact(Stream, row.data(), row.size());
        uint8_t* d = out->Row(rowOf(sy));
        for (int32_t x = 0; x < h.Width; ++x) {
          uint8_t r = 0, g = 0, b = 0, a = 255;
          if (bc <= 8) {
            const size_t bit = static_cast<size_t>(x) * bc;
            const uint8_t byte = row[bit / 8];
            const unsigned i = (byte >> (8 - bc - bit % 8)) & ((1u << bc) - 1);
            const uint32_t c = h.Palette[i];
            r = static_cast<uint8_t>(c >> 16), g = static_cast<uint8_t>(c >> 8), b = static_cast<uint8_t>(c);
          } else if (bc == 24) {
            const uint8_t* s = row.data() + static_cast<size_t>(x) * 3;
            b = s[0], g = s[1], r = s[2];
          } else {
            const uint8_t* s = row.data() + static_cast<size_t>(x) * (bc / 8);
            const uint32_t v = bc == 16 ? U16(s) : U32(s);
            r = mr.Get(v), g = mg.Get(v), b = mb.Get(v);
            if (bc == 32) a = alpha ? ma.Get(v) : s[3];
          }
          if (bc == 32) {
            d[x * 4] = b, d[x * 4 + 1] = g, d[x * 4 + 2] = r, d[x * 4 + 3] = a;
          } else {
            d[x * 3] = b, d[x * 3 + 1] = g, d[x * 3 + 2] = r;
          }
        }
      }
    }
  });
}

void TBitmap::SaveToStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  HBITMAP b = GetBitmapHandle();
  if (!b) return;
  const bool bits32 = GetPixelFormat() == pf32bit;
  const bool alpha = bits32 && GetHasAlpha();
  const uint32_t ihSize = alpha ? 108 : 40;
  const uint32_t bpp = bits32 ? 32 : 24;
  const uint32_t stride = ((static_cast<uint32_t>(b->Width) * bpp + 31) / 32) * 4;
  const uint32_t image = stride * static_cast<uint32_t>(b->Height);
  std::vector<uint8_t> head;
  head.reserve(14 + ihSize);
  head.push_back('B');
  head.push_back('M');
  Put32(head, 14 + ihSize + image);
  Put32(head, 0);
  Put32(head, 14 + ihSize);
  Put32(head, ihSize);
  Put32(head, static_cast<uint32_t>(b->Width));
  Put32(head, static_cast<uint32_t>(b->Height));
  Put16(head, 1);
  Put16(head, static_cast<uint16_t>(bpp));
  Put32(head, alpha ? 3 : 0);
  Put32(head, image);
  Put32(head, 3780);  // 96 dpi
  Put32(head, 3780);
  Put32(head, 0);
  Put32(head, 0);
  if (alpha) {
    Put32(head, 0x00FF0000);
    Put32(head, 0x0000FF00);
    Put32(head, 0x000000FF);
    Put32(head, 0xFF000000);
    Put32(head, 0x73524742);  // 'sRGB'
    head.resize(14 + ihSize, 0);
  }
  Stream->WriteBuffer(head.data(), static_cast<int32_t>(head.size()));
  std::vector<uint8_t> row(stride, 0);
  for (int32_t y = b->Height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < b->Width; ++x) {
      const TColor c = b->GetColor(x, y);
      if (bits32) {
        row[static_cast<size_t>(x) * 4] = GetBValue(c);
        row[static_cast<size_t>(x) * 4 + 1] = GetGValue(c);
        row[static_cast<size_t>(x) * 4 + 2] = GetRValue(c);
        row[static_cast<size_t>(x) * 4 + 3] = b->Row(y)[x * 4 + 3];
      } else {
        row[static_cast<size_t>(x) * 3] = GetBValue(c);
        row[static_cast<size_t>(x) * 3 + 1] = GetGValue(c);
        row[static_cast<size_t>(x) * 3 + 2] = GetRValue(c);
      }
    }
    Stream->WriteBuffer(row.data(), static_cast<int32_t>(row.size()));
  }
}
