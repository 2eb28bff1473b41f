// PNG pictures. Reading goes through libpng's full interface so that libpng's own limits on
// picture sides, chunk sizes and cached chunks apply; writing keeps the simplified interface.
// libpng reports errors by jumping out of the failing call: the jumps land in the plain C-style
// routines below, whose frames hold nothing with a destructor, and come back as a failed result
// that the C++ side turns into an exception.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Graphics.h"

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Text, colour profiles and private chunks are never needed at this size; a larger one is
// either a damaged length or a memory bomb.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{4} << 20;
constexpr png_uint_32 kMaxCachedChunks = 256;

[[noreturn]] void Fail(const std::string& Why) { throw EInvalidGraphic("Invalid PNG: " + Why); }

uint32_t BE32(const uint8_t* P) {
  return static_cast<uint32_t>(P[0]) << 24 | static_cast<uint32_t>(P[1]) << 16 |
         static_cast<uint32_t>(P[2]) << 8 | P[3];
}

// The length of the PNG at the start of Data (through its IEND chunk). Fails when the chunk chain
// does not reach an IEND within Size, or when a chunk other than image data is larger than
// libpng would ever keep: such a chunk is a damaged length or a memory bomb, and refusing it
// here costs nothing.
size_t PngLength(const uint8_t* Data, size_t Size) {
  size_t p = 8;
  while (p + 12 <= Size) {
    const uint64_t len = BE32(Data + p);
    const bool iend = std::memcmp(Data + p + 4, "IEND", 4) == 0;
    if (len > Size - p - 12) Fail("truncated");
    if (len > kMaxChunkBytes && std::memcmp(Data + p + 4, "IDAT", 4) != 0) Fail("chunk too large");
    p += 12 + static_cast<size_t>(len);
    if (iend) return p;
  }
  Fail("truncated");
}

// The reader's state, owned by the C++ side; the C-style routines only borrow it.
struct TPngReader {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  size_t Pos = 0;
  char Message[128] = {};
  TPngReader() = default;
  TPngReader(const TPngReader&) = delete;
  TPngReader& operator=(const TPngReader&) = delete;
  ~TPngReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

void PngError(png_structp Png, png_const_charp Message) {
  auto* r = static_cast<TPngReader*>(png_get_error_ptr(Png));
  std::snprintf(r->Message, sizeof r->Message, "%s", Message ? Message : "error");
  png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Hands libpng the bytes of the picture and no more: asking past the end is an error, never a
// buffer of zeros.
void PngRead(png_structp Png, png_bytep Out, size_t Length) {
  auto* r = static_cast<TPngReader*>(png_get_io_ptr(Png));
  if (Length > r->Size - r->Pos) png_error(Png, "truncated");
  std::memcpy(Out, r->Data + r->Pos, Length);
  r->Pos += Length;
}

// Reads the header and sets the transforms that give 8-bit B, G, R (and A when the picture has
// any transparency) in sRGB, as the simplified interface did: 16-bit samples without a gamma of
// their own count as linear, everything else as sRGB.
bool ReadPngHeader(TPngReader* R, png_uint_32* Width, png_uint_32* Height, bool* Alpha) {
  R->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, R, PngError, PngWarning);
  if (!R->Png) return false;
  R->Info = png_create_info_struct(R->Png);
  if (!R->Info) return false;
  if (setjmp(png_jmpbuf(R->Png))) return false;
  png_set_user_limits(R->Png, QzMaxReadSide, QzMaxReadSide);
  png_set_chunk_malloc_max(R->Png, kMaxChunkBytes);
  png_set_chunk_cache_max(R->Png, kMaxCachedChunks);
  png_set_benign_errors(R->Png, 1);
  png_set_read_fn(R->Png, R, PngRead);
  png_read_info(R->Png, R->Info);
  *Width = png_get_image_width(R->Png, R->Info);
  *Height = png_get_image_height(R->Png, R->Info);
  const int type = png_get_color_type(R->Png, R->Info);
  const int depth = png_get_bit_depth(R->Png, R->Info);
  *Alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(R->Png, R->Info, PNG_INFO_tRNS) != 0;
  png_set_alpha_mode_fixed(R->Png, PNG_ALPHA_PNG, depth == 16 ? PNG_GAMMA_LINEAR : PNG_DEFAULT_sRGB);
  png_set_expand(R->Png);
  if (depth == 16) png_set_scale_16(R->Png);
  if ((type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(R->Png);
  png_set_bgr(R->Png);
  png_set_alpha_mode_fixed(R->Png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
  png_set_interlace_handling(R->Png);
  png_read_update_info(R->Png, R->Info);
  const size_t want = *Alpha ? 4 : 3;
  if (png_get_rowbytes(R->Png, R->Info) != static_cast<size_t>(*Width) * want) {
    std::snprintf(R->Message, sizeof R->Message, "unexpected pixel layout");
    return false;
  }
  return true;
}

bool ReadPngPixels(TPngReader* R, png_bytepp Rows) {
  if (setjmp(png_jmpbuf(R->Png))) return false;
  png_read_image(R->Png, Rows);
  return true;
}

// The simplified interface, for writing.
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

    TPngReader png;
    png.Data = data.data();
    png.Size = length;
    png_uint_32 w = 0, h = 0;
    bool alpha = false;
    if (!ReadPngHeader(&png, &w, &h, &alpha)) Fail(png.Message[0] ? png.Message : "out of memory");
    if (!QzReadSizeAllowed(w, h, 4)) Fail("bad size");
    AllocateForReading(static_cast<int32_t>(w), static_cast<int32_t>(h), alpha ? pf32bit : pf24bit, alpha);
    const TRawImage& raw = GetRawImage();
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = raw.Data + static_cast<size_t>(y) * raw.Description.BytesPerLine;
    if (!ReadPngPixels(&png, rows.data())) Fail(png.Message);
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
