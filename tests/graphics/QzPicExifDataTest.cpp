#include <gtest/gtest.h>

#include <tuple>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzPicExifData.h"
#include "graphics/QzStreamIO.h"

namespace {

TEST(QzPicExifData, RoundTripsAndCopiesEveryStringScrambledOrPlain) {
  for (bool scrambled : {false, true}) {
    SCOPED_TRACE(scrambled);
    TQzPictureExifData a;
    a.SetScrambled(scrambled);
    for (int i = 0; i < 64; ++i)
      a.SetString(i, std::string(static_cast<size_t>(i * 7 % 40), static_cast<char>('A' + i % 26)));
    a.SetString(62, std::string(70000, 'x'));  // cut to 65534 bytes
    a.SetString(63, std::string("\x00\xFF\x01 binary", 10));
    TMemoryStream s;
    auto b = Reloaded(a, s);
    EXPECT_EQ(std::tuple(b->GetErrorCode(), b->GetScrambled(), s.GetPosition()),
              std::tuple(0u, scrambled, s.GetSize()));
    TQzPictureExifData copy;  // strings only: the flag stays off
    copy.Assign(b.get());
    copy.Assign(nullptr);
    for (int i = 0; i < 64; ++i) {
      const std::string want = a.GetString(i).substr(0, 65534);
      EXPECT_EQ(std::pair(b->GetString(i), copy.GetString(i)), std::pair(want, want)) << i;
    }
    EXPECT_EQ(std::tuple(copy.GetScrambled(), copy.GetString(64)), std::tuple(false, ""));
    EXPECT_FALSE(copy.LoadFromStream(nullptr));
    EXPECT_EQ(copy.GetErrorCode(), Code(1000, 501));
  }
}

TEST(QzPicExifData, ScramblingLeavesTheFirstByte) {
  TQzPictureExifData a;
  a.SetScrambled(true);
  a.SetString(0, "Q");
  a.SetString(1, "QR");
  TMemoryStream s;
  ASSERT_TRUE(a.SaveToStream(&s));
  // Strings block payload: count, then marker, length, bytes for slot 0 and slot 1.
  // The byte of a 1-byte string stays plain.
  const uint8_t* p = s.Memory() + 128 + 8 + 2;
  EXPECT_EQ(std::vector<int>({s.Memory()[10], p[4], p[9], p[10]}),
            std::vector<int>({101, 'Q', 'Q', static_cast<uint8_t>('R' ^ QzExifKey[0])}));
  // Past the first byte: byte i XOR (K[(i - 1) mod 16] + (i - 1) mod 16) mod 256, the key
  // going round more than once.
  uint8_t long_[40];
  for (int i = 0; i < 40; ++i) long_[i] = static_cast<uint8_t>(i * 7 + 1);
  QzScrambleExifString(long_, 40);
  EXPECT_EQ(long_[0], 1);
  for (int i = 1; i < 40; ++i)
    EXPECT_EQ(long_[i], static_cast<uint8_t>((i * 7 + 1) ^ (QzExifKey[(i - 1) % 16] + (i - 1) % 16))) << i;
}

// A record built by hand: header, then the given blocks.
TBytes Record(const std::vector<TBytes>& Blocks, uint8_t Version = 1, uint16_t HeaderSize = 128) {
  TBytes r = {0x32, 0x01, 0x0C, 0x13, Version, 1, static_cast<uint8_t>(HeaderSize),
              static_cast<uint8_t>(HeaderSize >> 8), 1, 0, 0};
  r.resize(HeaderSize, 0);
  for (const TBytes& b : Blocks) r.insert(r.end(), b.begin(), b.end());
  return r;
}
TBytes Block(uint16_t Id, const TBytes& Payload) {
  TBytes b(8);
  QzPutU16(b.data(), 5020);
  QzPutU16(b.data() + 2, Id);
  QzPutU32(b.data() + 4, static_cast<uint32_t>(Payload.size()));
  b.insert(b.end(), Payload.begin(), Payload.end());
  return b;
}
TBytes Strings(int Count, int Stored, const std::string& Text) {
  TBytes p(2);
  QzPutU16(p.data(), static_cast<uint16_t>(Count));
  for (int i = 0; i < Stored; ++i) {
    p.insert(p.end(), {1, 0, static_cast<uint8_t>(Text.size()), 0});
    p.insert(p.end(), Text.begin(), Text.end());
  }
  return p;
}

TEST(QzPicExifData, ReaderCases) {
  const TBytes end = Block(0xFFFF, {});
  struct Case { const char* Name; TBytes Data; uint32_t Error; int Slots; };  // Slots: how many hold "ab"
  const std::vector<Case> cases = {
      {"count 70 is clamped to 64", Record({Block(1, Strings(70, 70, "ab")), end}), 0, 64},
      {"unknown block skipped", Record({Block(7, {1, 2, 3}), Block(1, Strings(3, 3, "ab")), end}), 0, 3},
      {"header size above 128", Record({Block(1, Strings(2, 2, "ab")), end}, 1, 200), 0, 2},
      {"no end block", Record({Block(1, Strings(2, 2, "ab"))}), Code(1603, 507), 2},
      {"wrong tag", [&] { TBytes b = Record({end}); b[128] = 0; return b; }(), Code(1603, 508), 0},
      {"version 2", Record({end}, 2), Code(1603, 504), 0},
      {"version 0", Record({end}, 0), Code(1603, 504), 0},
      {"wrong magic", [&] { TBytes b = Record({end}); b[3] = 0x14; return b; }(), Code(1603, 503), 0},
      {"header size below its own bytes", [&] { TBytes b = Record({end}); b[6] = 4; return b; }(), Code(1603, 503), 0},
      {"string past its block", [&] {
         TBytes p = Strings(1, 1, "ab");
         p.resize(p.size() - 1);  // the declared payload ends inside the string
         TBytes b = Block(1, p);
         b.push_back('b');
         return Record({b, end});
       }(), Code(1603, 512), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TByteStream s(c.Data);
    TQzPictureExifData exif;
    const bool loaded = exif.LoadFromStream(&s);
    EXPECT_EQ(std::pair(loaded, exif.GetErrorCode()), std::pair(c.Error == 0, c.Error));
    for (int i = 0; i < 64; ++i) EXPECT_EQ(exif.GetString(i), i < c.Slots ? "ab" : "") << i;
  }
}

}  // namespace
