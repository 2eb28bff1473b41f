// PNG pictures through libpng's simplified interface, which keeps libpng's error jumps inside
// libpng: a damaged file comes back as a failed call, never as a jump across our frames.
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Graphics.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Fail(const std::string& Why) { throw EInvalidGraphic("Invalid PNG: " + Why); }

uint32_t BE32(const uint8_t* P) {
  return static_cast<uint32_t>(P[0]) << 24 | static_cast<uint32_t>(P[1]) << 16 |
         static_cast<uint32_t>(P[2]) << 8 | P[3];
}

// The length of the PNG at the start of Data (through its IEND chunk); 0 when the chunk chain
// does not reach an IEND within Size.
size_t PngLength(const uint8_t* Data, size_t Size) {
  size_t p = 8;
  while (p + 12 <= Size) {
    const uint64_t len = BE32(Data + p);
    const bool iend = std::memcmp(Data + p + 4, "IEND", 4) == 0;
    if (len > Size - p - 12) return 0;
    p += 12 + static_cast<size_t>(len);
    if (iend) return p;
  }
  return 0;
}

struct TPngImage {
  png_image Image{};
  TPngImage() { Image.version = PNG_IMAGE_VERSION; }
  ~TPngImage() { png_image_free(&Image); }
};

}  // namespace

bool TPortableNetworkGraphic::IsStreamFormatSupported(TStream* Stream) {
  return QzStreamStartsWith(Stream, kSignature, sizeof kSignature);
}

void TPortableNetworkGraphic::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  LoadPixels([&] {
    const int64_t start = Stream->GetPosition();
    const std::vector<uint8_t> data = QzReadRestOfPicture(Stream, kSignature, sizeof kSignature, "PNG");
    const size_t length = PngLength(data.data(), data.size());
    if (length == 0) Fail("truncated");

    TPngImage png;
    if (!png_image_begin_read_from_memory(&png.Image, data.data(), length))
      Fail(png.Image.message);
    const uint32_t w = png.Image.width, h = png.Image.height;
    if (!QzReadSizeAllowed(w, h, 4)) Fail("bad size");
    const bool alpha = (png.Image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    png.Image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    AllocateForReading(static_cast<int32_t>(w), static_cast<int32_t>(h), alpha ? pf32bit : pf24bit, alpha);
    const TRawImage& raw = GetRawImage();
    if (!png_image_finish_read(&png.Image, nullptr, raw.Data,
                               static_cast<png_int_32>(raw.Description.BytesPerLine), nullptr))
      Fail(png.Image.message);
    Stream->SetPosition(start + static_cast<int64_t>(length));
  });
}

void TPortableNetworkGraphic::SaveToStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  HBITMAP b = GetBitmapHandle();
  if (!b) return;
  const bool alpha = GetPixelFormat() == pf32bit && GetHasAlpha();
  const int32_t w = b->Width, h = b->Height;
  const size_t bpp = alpha ? 4 : 3;
  const std::vector<uint8_t> rows = PackedPixels(alpha);
  TPngImage png;
  png.Image.width = static_cast<png_uint_32>(w);
  png.Image.height = static_cast<png_uint_32>(h);
  png.Image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  const auto stride = static_cast<png_int_32>(static_cast<size_t>(w) * bpp);
  if (!png_image_write_to_memory(&png.Image, nullptr, &size, 0, rows.data(), stride, nullptr))
    throw EInvalidGraphic(std::string("PNG write failed: ") + png.Image.message);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&png.Image, out.data(), &size, 0, rows.data(), stride, nullptr))
    throw EInvalidGraphic(std::string("PNG write failed: ") + png.Image.message);
  if (size > INT32_MAX) throw EInvalidGraphic("PNG too large");
  Stream->WriteBuffer(out.data(), static_cast<int32_t>(size));
}

// ---- icon ----

void TIcon::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream to read the icon from");
  const int64_t start = Stream->GetPosition();
  uint8_t sig[8] = {};
  const int32_t got = Stream->Read(sig, 8);
  Stream->SetPosition(start);
  static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  if (got == 8 && std::equal(sig, sig + 8, kPng)) {
    TPortableNetworkGraphic png;
    png.LoadFromStream(Stream);
    Assign(&png);
  } else {
    TBitmap bmp;
    bmp.LoadFromStream(Stream);
    Assign(&bmp);
  }
}

void TIcon::SaveToStream(TStream* Stream) {
  TPortableNetworkGraphic png;
  png.Assign(this);
  png.SaveToStream(Stream);
}
