// JPEG pictures through libjpeg-turbo. libjpeg reports errors by jumping out of the failing
// call; the jumps land in the two plain C-style routines below, whose frames hold nothing with
// a destructor, and come back as a failed result that the C++ side turns into an exception.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/Graphics.h"

namespace {

constexpr int kMaxScans = 1000;
const uint8_t kSoi[3] = {0xFF, 0xD8, 0xFF};

struct TJpegError {
  jpeg_error_mgr Pub;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr C) {
  auto* e = reinterpret_cast<TJpegError*>(C->err);
  (*C->err->format_message)(C, e->Message);
  longjmp(e->Jump, 1);
}

// Warnings and traces are silent, except a scan whose data stops at a marker: libjpeg would pad
// the rest of the picture with grey and call it a success, so a few hundred bytes could make
// the full size in pixels. Running out of bytes altogether is an error of the source already.
void EmitMessage(j_common_ptr C, int Level) {
  if (Level < 0 && C->err->msg_code == JWRN_HIT_MARKER) ErrorExit(C);
}

// Endless progressive scans are a known way to make a small file take forever.
void Progress(j_common_ptr C) {
  if (C->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(C);
    if (d->input_scan_number > kMaxScans) {
      std::snprintf(reinterpret_cast<TJpegError*>(C->err)->Message, JMSG_LENGTH_MAX,
                    "too many scans");
      longjmp(reinterpret_cast<TJpegError*>(C->err)->Jump, 1);
    }
  }
}

// The picture's bytes and no more. libjpeg's own memory source, at the end of its data, feeds
// the decoder an invented end-of-image marker and leaves a warning; here the end of the bytes is
// an error at once, and a marker that asks to skip past them is one too.
void SourceInit(j_decompress_ptr) {}
void SourceTerm(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr C) {
  ERREXIT(C, JERR_INPUT_EOF);
  return FALSE;
}

void SourceSkip(j_decompress_ptr C, long Count) {
  if (Count <= 0) return;
  jpeg_source_mgr* src = C->src;
  if (static_cast<unsigned long>(Count) > src->bytes_in_buffer) ERREXIT(C, JERR_INPUT_EOF);
  src->next_input_byte += Count;
  src->bytes_in_buffer -= static_cast<size_t>(Count);
}

void SetBoundedSource(j_decompress_ptr C, jpeg_source_mgr* Src, const uint8_t* Data, size_t Size) {
  Src->init_source = SourceInit;
  Src->fill_input_buffer = SourceFill;
  Src->skip_input_data = SourceSkip;
  Src->resync_to_restart = jpeg_resync_to_restart;
  Src->term_source = SourceTerm;
  Src->next_input_byte = Data;
  Src->bytes_in_buffer = Size;
  C->src = Src;
}

// Lives in the caller's frame, which no jump crosses.
struct TDecoded {
  uint8_t* Pixels = nullptr;  // malloc'd, Width * Height * 3, B, G, R
  uint32_t Width = 0;
  uint32_t Height = 0;
  size_t Consumed = 0;
  char Message[JMSG_LENGTH_MAX] = {};
  TDecoded() = default;
  TDecoded(const TDecoded&) = delete;
  TDecoded& operator=(const TDecoded&) = delete;
  ~TDecoded() { std::free(Pixels); }
};

bool Decode(const uint8_t* Data, size_t Size, TDecoded* Out) {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  jpeg_progress_mgr progress;
  jpeg_source_mgr source;
  uint8_t* volatile pixels = nullptr;
  uint8_t* volatile row = nullptr;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = ErrorExit;
  err.Pub.emit_message = EmitMessage;
  err.Message[0] = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(pixels);
    std::free(row);
    std::memcpy(Out->Message, err.Message, sizeof err.Message);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  // libjpeg's own ceiling on its working memory (coefficient buffers of progressive files
  // included), well above what a picture within the size limit needs.
  cinfo.mem->max_memory_to_use = static_cast<long>(QzMaxReadBytes);
  progress.progress_monitor = Progress;
  cinfo.progress = &progress;
  SetBoundedSource(&cinfo, &source, Data, Size);
  jpeg_read_header(&cinfo, TRUE);
  const uint64_t w = cinfo.image_width, h = cinfo.image_height;
  if (!QzReadSizeAllowed(w, h, 4)) {
    std::snprintf(err.Message, sizeof err.Message, "bad size");
    longjmp(err.Jump, 1);
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w * h * 3)));
  row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(w) * 4));
  if (!pixels || !row) {
    std::snprintf(err.Message, sizeof err.Message, "out of memory");
    longjmp(err.Jump, 1);
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION y = cinfo.output_scanline;
    JSAMPROW r = row;
    if (jpeg_read_scanlines(&cinfo, &r, 1) != 1) continue;
    uint8_t* d = pixels + static_cast<size_t>(y) * static_cast<size_t>(w) * 3;
    if (cmyk) {
      // Adobe writes inverted CMYK; the colour is (1 - c)(1 - k) per channel on those values.
      for (uint64_t x = 0; x < w; ++x) {
        const uint8_t* s = row + x * 4;
        const unsigned k = s[3];
        d[x * 3] = static_cast<uint8_t>(s[2] * k / 255);
        d[x * 3 + 1] = static_cast<uint8_t>(s[1] * k / 255);
        d[x * 3 + 2] = static_cast<uint8_t>(s[0] * k / 255);
      }
    } else {
      std::memcpy(d, row, static_cast<size_t>(w) * 3);
    }
  }
  jpeg_finish_decompress(&cinfo);
  Out->Consumed = Size - cinfo.src->bytes_in_buffer;
  jpeg_destroy_decompress(&cinfo);
  std::free(row);
  Out->Pixels = pixels;
  Out->Width = static_cast<uint32_t>(w);
  Out->Height = static_cast<uint32_t>(h);
  return true;
}

struct TEncodeParams {
  const uint8_t* Pixels;  // B, G, R
  uint32_t Width, Height;
  int Quality;
  bool Gray, Progressive;
};

bool Encode(const TEncodeParams* P, unsigned char** Out, unsigned long* OutSize, char* Message) {
  jpeg_compress_struct cinfo;
  TJpegError err;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = ErrorExit;
  err.Message[0] = 0;
  *Out = nullptr;
  *OutSize = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(*Out);
    *Out = nullptr;
    std::memcpy(Message, err.Message, JMSG_LENGTH_MAX);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, Out, OutSize);
  cinfo.image_width = P->Width;
  cinfo.image_height = P->Height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, P->Quality, TRUE);
  if (P->Gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  if (P->Progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = const_cast<uint8_t*>(P->Pixels) +
                 static_cast<size_t>(cinfo.next_scanline) * P->Width * 3;
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool TJPEGImage::IsStreamFormatSupported(TStream* Stream) {
  return QzStreamStartsWith(Stream, kSoi, sizeof kSoi);
}

void TJPEGImage::SetCompressionQuality(int32_t Value) {
  FQuality = Value < 1 ? 1 : Value > 100 ? 100 : Value;
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  LoadPixels([&] {
    const int64_t start = Stream->GetPosition();
    const std::vector<uint8_t> data = QzReadRestOfPicture(Stream, kSoi, sizeof kSoi, "JPEG");
    TDecoded dec;
    if (!Decode(data.data(), data.size(), &dec))
      throw EInvalidGraphic(std::string("Invalid JPEG: ") + dec.Message);
    AllocateForReading(static_cast<int32_t>(dec.Width), static_cast<int32_t>(dec.Height), pf24bit, false);
    for (uint32_t y = 0; y < dec.Height; ++y)
      std::memcpy(GetScanLine(static_cast<int32_t>(y)), dec.Pixels + static_cast<size_t>(y) * dec.Width * 3,
                  static_cast<size_t>(dec.Width) * 3);
    Stream->SetPosition(start + static_cast<int64_t>(dec.Consumed));
  });
}

void TJPEGImage::SaveToStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  HBITMAP b = GetBitmapHandle();
  if (!b) return;
  const std::vector<uint8_t> rows = PackedPixels(false);
  TEncodeParams p{rows.data(), static_cast<uint32_t>(b->Width), static_cast<uint32_t>(b->Height),
                  FQuality, FGrayScale, FProgressive};
  unsigned char* out = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  if (!Encode(&p, &out, &size, message)) throw EInvalidGraphic(std::string("JPEG write failed: ") + message);
  if (size > INT32_MAX) {
    std::free(out);
    throw EInvalidGraphic("JPEG too large");
  }
  try {
    Stream->WriteBuffer(out, static_cast<int32_t>(size));
  } catch (...) {
    std::free(out);
    throw;
  }
  std::free(out);
}
