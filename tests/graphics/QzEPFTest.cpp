#include <gtest/gtest.h>

#include <cstring>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzEPF.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzStreamIO.h"
#include "tests/common/TestPixels.h"

namespace {

uint32_t Load(TQzEPFImage& I, const TBytes& Data) { return LoadBytes(I, Data, "EPF Error: "); }

TEST(QzEPF, StorageModesRoundTrip) {
  struct Case { const char* Name; uint8_t Format; bool Colour; uint8_t Alpha, Mode; uint32_t PayloadPerPixel; };
  const Case cases[] = {{"grey opaque", 3, false, 255, 8, 1},   {"grey with alpha", 3, false, 254, 9, 2},
                        {"colour opaque", 3, true, 255, 1, 3},  {"colour with alpha", 3, true, 3, 0, 4},
                        {"24-bit grey", 2, false, 255, 8, 1},   {"24-bit colour", 2, true, 255, 1, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzEPFImage a;
    a.SetPixelFormat(c.Format);
    a.SetSize(5, 3);
    const int bytes = a.GetBytesPerPixel();
    ASSERT_EQ(bytes, c.Format == 2 ? 3 : 4);
    // Opaque grey 90; only the bottom-right pixel differs.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool last = x == 4 && y == 2;
        uint8_t* p = a.GetPixelPtr(x, y);
        std::memset(p, last ? 40 : 90, 3);
        if (bytes == 4) p[3] = last ? c.Alpha : 255;
      }
    if (c.Colour) a.GetPixelPtr(4, 2)[2] = 10;
    EXPECT_EQ(a.ChooseStorageMode(), c.Mode);
    TMemoryStream s;
    auto b = Reloaded(a, s);
    EXPECT_EQ(PixelBytes(*b), PixelBytes(a));
    EXPECT_EQ(b->GetPixelFormat(), c.Format);
    // The mode in the header and in the pixel chunk, the payload length and the file size.
    EXPECT_EQ(std::vector<int64_t>({s.Memory()[14], s.Memory()[64 + 5], QzGetU32(s.Memory() + 64 + 6), s.GetSize()}),
              std::vector<int64_t>({c.Mode, c.Mode, 15 * c.PayloadPerPixel, 64 + 10 + 15 * c.PayloadPerPixel + 10}));
  }
}

// A file built by hand: header and chunks.
TBytes File(uint16_t W, uint16_t H, uint8_t Format, uint8_t Mode, const std::vector<TBytes>& Chunks,
            uint16_t HeaderSize = 64, uint8_t Version = 2) {
  TBytes f(HeaderSize, 0);
  std::memcpy(f.data(), "EXPF", 4);
  f[4] = Version;
  f[5] = 5;
  QzPutU16(&f[6], HeaderSize);
  QzPutU16(&f[9], W);
  QzPutU16(&f[11], H);
  f[13] = Format;
  f[14] = Mode;
  for (const TBytes& c : Chunks) f.insert(f.end(), c.begin(), c.end());
  return f;
}
TBytes Cat(TBytes A, const TBytes& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}
TBytes Chunk(uint8_t Type, uint8_t Sub, const TBytes& Payload, int64_t Length = -1) {
  TBytes c = {'E', 'P', 'F', 'D', Type, Sub, 0, 0, 0, 0};
  QzPutU32(&c[6], static_cast<uint32_t>(Length < 0 ? static_cast<int64_t>(Payload.size()) : Length));
  c.insert(c.end(), Payload.begin(), Payload.end());
  return c;
}

TEST(QzEPF, ReaderCases) {
  const TBytes grey = {7, 8};  // mode 8, 2 x 1
  const TBytes greyPixels = {7, 7, 7, 255, 8, 8, 8, 255};
  const TBytes end = Chunk(255, 0, {});
  const TBytes raw = {0, 0, 1, 255, 2, 2, 3, 254};  // 2 x 1, 4 bytes a pixel
  // Pixels and raw data are compared after a load without error.
  struct Case { const char* Name; TBytes Data; uint32_t Error; int W; TBytes Pixels = {}, RawData = {}; };
  const Case cases[] = {
      {"header size 80", File(2, 1, 3, 8, {Chunk(5, 8, grey), end}, 80), 0, 2, greyPixels},
      {"unknown chunks and picture sub-type 1 skipped",
       File(2, 1, 3, 8, {Chunk(3, 0, {1, 2, 3}), Chunk(1, 1, {9, 9}), Chunk(7, 0, {}), Chunk(5, 8, grey), end}), 0, 2,
       greyPixels},
      // The buffer's bytes from the start of a longer stored payload.
      {"mode 0, longer payload", File(2, 1, 3, 0, {Chunk(5, 0, Cat(raw, {9, 9, 9})), end}), 0, 2, raw},
      {"mode 0, exact payload", File(2, 1, 3, 0, {Chunk(5, 0, raw), end}), 0, 2, raw},
      // The header's mode decodes, whatever the chunk's sub-type says.
      {"header mode wins", File(2, 1, 3, 9, {Chunk(5, 0, {5, 6, 7, 8}), end}), 0, 2, {5, 5, 5, 6, 7, 7, 7, 8}},
      // A second raw-data chunk replaces the first.
      {"raw data replaced",
       File(2, 1, 3, 0, {Chunk(2, 0, {1, 2, 3, 4, 5}), Chunk(2, 0, {6, 7}), Chunk(5, 0, raw), end}), 0, 2, raw, {6, 7}},
      // A 24-bit image codes 3-byte pixels.
      {"24-bit colour", File(2, 1, 2, 1, {Chunk(5, 1, {1, 2, 3, 4, 5, 6}), end}), 0, 2, {1, 2, 3, 4, 5, 6}},
      {"24-bit grey", File(2, 1, 2, 8, {Chunk(5, 8, {7, 8}), end}), 0, 2, {7, 7, 7, 8, 8, 8}},
      {"zero width reads no chunk", File(0, 5, 3, 8, {}), 0, 0},
      {"no end chunk", File(2, 1, 3, 8, {Chunk(5, 8, grey)}), Code(1002, 504), 2},
      {"chunk magic", File(2, 1, 3, 8, {TBytes{'X', 'P', 'F', 'D', 5, 8, 2, 0, 0, 0, 7, 8}}), Code(1603, 505), 2},
      {"version 3", File(2, 1, 3, 8, {Chunk(5, 8, grey), end}, 64, 3), Code(1604, 503), 0},
      {"pixel format 9", File(2, 1, 9, 0, {Chunk(5, 0, grey), end}), Code(1605, 506), 0},
      {"16-bit pixels in a coded mode", File(2, 1, 1, 8, {Chunk(5, 8, grey), end}), Code(1605, 506), 0},
      {"side above 15000", File(15001, 1, 3, 8, {Chunk(5, 8, TBytes(15001, 1)), end}), Code(1605, 506), 0},
      {"huge picture, tiny file", File(15000, 15000, 5, 0, {end}), Code(1002, 508), 0},
      {"pixel payload a pixel short", File(2, 2, 3, 8, {Chunk(5, 8, {7, 8, 9}), end}), Code(1002, 508), 2},
      {"chunk length past the end", File(2, 1, 3, 8, {Chunk(5, 8, grey, 1000), end}), Code(1002, 507), 2},
      {"raw chunk past the end", File(2, 1, 3, 8, {Chunk(5, 8, grey), Chunk(2, 0, {1}, 0x7FFFFFF0)}), Code(1002, 507),
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzEPFImage i;
    EXPECT_EQ(Load(i, c.Data), c.Error);
    EXPECT_EQ(i.GetWidth(), c.W);
    EXPECT_EQ(i.GetPixelsSize(), static_cast<uint32_t>(i.GetWidth() * i.GetHeight() * i.GetBytesPerPixel()));
    if (c.Error != 0) continue;
    EXPECT_EQ(std::pair(PixelBytes(i), BytesOf(*i.GetRawData())), std::pair(c.Pixels, c.RawData));
  }
}

TEST(QzEPF, EmptyImageLeavesTheStreamAtTheFirstChunk) {
  TQzEPFImage i;
  TMemoryStream s;
  i.SaveToStream(&s);  // no size: header, an empty pixel chunk and the end chunk
  EXPECT_EQ(s.GetSize(), 64 + 10 + 10);
  s.SetPosition(0);
  TQzEPFImage b;
  b.LoadFromStream(&s);
  EXPECT_TRUE(b.GetEmpty());
  EXPECT_EQ(s.GetPosition(), 64);
  EXPECT_THROW(b.LoadFromStream(nullptr), Exception);
  EXPECT_EQ(b.GetErrorCode(), Code(1000, 500));
}

TEST(QzEPF, RawDataAndEmbeddedPictureTravelAndDoNotLeak) {
  TQzEPFImage a;
  a.SetSize(1, 1);
  const char raw[] = "opaque bytes";
  a.GetRawData()->WriteBuffer(raw, sizeof raw);
  a.GetPicture()->SetSize(3, 2);
  TMemoryStream s;
  auto loaded = Reloaded(a, s);
  TQzEPFImage& b = *loaded;
  EXPECT_EQ(BytesOf(*b.GetRawData()), TBytes(raw, raw + sizeof raw));
  EXPECT_EQ(b.GetPicture()->GetWidth(), 3);
  // A later load of a file without them leaves neither behind for the next save.
  TQzEPFImage plain;
  plain.SetSize(1, 1);
  TMemoryStream p;
  plain.SaveToStream(&p);
  p.SetPosition(0);
  b.LoadFromStream(&p);
  EXPECT_EQ(b.GetRawData()->GetSize(), 0);
  EXPECT_TRUE(b.GetPicture()->GetEmpty());
  TMemoryStream again;
  b.SaveToStream(&again);
  EXPECT_EQ(BytesOf(again), BytesOf(p));
}

TEST(QzEPF, AssignRefusesWhatItCannotTake) {
  TQzEPFImage e;
  EXPECT_EQ(AssignError(e, FilledBitmap(2, 2, clBlack, pf16bit).get()), "");
  TPortableNetworkGraphic png16;
  png16.SetPixelFormat(pf16bit);
  png16.SetSize(2, 2);
  EXPECT_EQ(AssignError(e, &png16), "UNKNWON PICTURE TYPE");
  EXPECT_EQ(AssignError(e, FilledBitmap(15001, 1).get()), ErrorCodeToStr(Code(1504, 300)));
  EXPECT_EQ(e.GetErrorCode(), Code(1504, 300));
  // A destination that is no raster image gets the toolkit's conversion error and is left as it is.
  TPicture picture;
  EXPECT_THROW(e.AssignTo(&picture), EConvertError);
  EXPECT_EQ(picture.GetGraphic(), nullptr);
  TQzEPFImage copy;
  e.SetSize(2, 1);
  std::memcpy(e.GetPixelPtr(0, 0), "\1\2\3\4\5\6\7\10", 8);
  copy.Assign(&e);
  EXPECT_EQ(PixelBytes(copy), PixelBytes(e));
}

}  // namespace
