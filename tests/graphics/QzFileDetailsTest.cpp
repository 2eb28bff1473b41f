#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzFileDetails.h"
#include "graphics/QzStreamIO.h"

namespace {

// Records what the extension hooks saw.
class TDetails : public TQzFileDetails {
public:
  int Saves = 0, Loads = 0;
  uint8_t LoadVersion = 0, LoadRevision = 0;
  void SaveExtra(TStream* S, uint8_t, uint8_t) override {
    ++Saves;
    QzWriteValue<uint32_t>(S, 0xC0FFEE);
  }
  void LoadExtra(TStream* S, uint8_t V, uint8_t R) override {
    ++Loads;
    LoadVersion = V;
    LoadRevision = R;
    uint32_t v = 0;
    QzReadValue(S, v);
    Extra = v;
  }
  uint32_t Extra = 0;
};

TEST(QzFileDetails, RoundTripWithPreviewStringsIntegersAndExtra) {
  TDetails a;
  a.SetTitle("Dark theme");
  a.SetNotes(std::string(65535, 'n'));
  a.SetString(31, "last");
  a.SetInteger(0, -5);
  a.SetInteger(31, 123456);
  a.GetPreview()->SetSize(8, 6);
  a.GetPreview()->GetCanvas()->GetBrush()->SetColor(clRed);
  a.GetPreview()->GetCanvas()->FillRect(Rect(0, 0, 8, 6));
  const std::string title = a.GetTitle();
  TMemoryStream s;
  ASSERT_TRUE(a.SaveToStream(&s));
  EXPECT_EQ(a.Saves, 1);
  EXPECT_EQ(a.GetTitle(), title);  // saving never scrambles the object's strings
  s.SetPosition(0);
  TDetails b;
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  ASSERT_TRUE(b.LoadFromStream(&s));
  EXPECT_EQ(changes, 1);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(b.GetString(i), a.GetString(i)) << i;
    EXPECT_EQ(b.GetInteger(i), a.GetInteger(i)) << i;
  }
  EXPECT_EQ(b.GetPreview()->GetWidth(), 8);
  EXPECT_EQ(b.GetPreview()->GetHeight(), 6);
  EXPECT_EQ(b.Loads, 1);
  EXPECT_EQ(b.LoadVersion, 3);
  EXPECT_EQ(b.LoadRevision, 5);
  EXPECT_EQ(b.Extra, 0xC0FFEEu);
}

TEST(QzFileDetails, StringOf65536BytesIsRefusedNotEmptied) {
  TQzFileDetails d;
  d.SetDescription(std::string(65536, 'x'));
  TMemoryStream s;
  EXPECT_FALSE(d.SaveToStream(&s));
  EXPECT_EQ(d.Error, Code(1504, 123));
  EXPECT_EQ(s.GetSize(), 0);
}

// A hand-made record: header, then the body bytes.
TBytes Record(uint8_t Revision, uint8_t Strings, uint8_t Integers, const TBytes& Body,
              uint16_t HeaderSize = 32, uint8_t Format = 1) {
  TBytes r = {'C', '9', '6', 'E', '8', '9', '1', '8', 3, Revision,
              static_cast<uint8_t>(HeaderSize), static_cast<uint8_t>(HeaderSize >> 8), Format, Strings, Integers};
  r.resize(HeaderSize, 0);
  r.insert(r.end(), Body.begin(), Body.end());
  return r;
}
TBytes ScrambledString(const std::string& S, const uint8_t (&Key)[16]) {
  TBytes b = {static_cast<uint8_t>(S.size()), static_cast<uint8_t>(S.size() >> 8)};
  TBytes t(S.begin(), S.end());
  QzScrambleDetails(t.data(), static_cast<int64_t>(t.size()), Key);
  b.insert(b.end(), t.begin(), t.end());
  return b;
}

TEST(QzFileDetails, ScramblingFollowsTheKeyAndThePosition) {
  // byte i XOR (K[i mod 16] + i mod 16) mod 256, over two rounds of the key; its own inverse.
  TBytes data(40);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 11 + 3);
  TBytes scrambled = data;
  QzScrambleDetails(scrambled.data(), static_cast<int64_t>(scrambled.size()), TQzCustomFileDetails::DefaultKey);
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned k = TQzCustomFileDetails::DefaultKey[i % 16] + static_cast<unsigned>(i % 16);
    EXPECT_EQ(scrambled[i], static_cast<uint8_t>(data[i] ^ (k & 0xFF))) << i;
  }
  QzScrambleDetails(scrambled.data(), static_cast<int64_t>(scrambled.size()), TQzCustomFileDetails::DefaultKey);
  EXPECT_EQ(scrambled, data);
  // The stored string is the scrambled one, starting again at 0.
  TQzFileDetails d;
  d.SetString(0, "AB");
  TMemoryStream s;
  ASSERT_TRUE(d.SaveToStream(&s));
  const uint8_t* p = s.Memory() + 32 + 4 + 128;
  EXPECT_EQ(QzGetU16(p), 2);
  EXPECT_EQ(p[2], static_cast<uint8_t>('A' ^ TQzCustomFileDetails::DefaultKey[0]));
  EXPECT_EQ(p[3], static_cast<uint8_t>('B' ^ ((TQzCustomFileDetails::DefaultKey[1] + 1) & 0xFF)));
}

TEST(QzFileDetails, ReaderCases) {
  const TBytes noPreview = {0, 0, 0, 0};
  struct Case { const char* Name; TBytes Data; uint32_t Error; std::string Slot0; };
  auto body = [&](const uint8_t (&Key)[16], int Strings) {
    TBytes b = noPreview;
    for (int i = 0; i < Strings; ++i) {
      TBytes s = ScrambledString(i == 0 ? "first" : "", Key);
      b.insert(b.end(), s.begin(), s.end());
    }
    b.insert(b.end(), {0xFF, 0xFF});
    return b;
  };
  const std::vector<Case> cases = {
      {"10 strings, no integers", Record(5, 10, 0, body(TQzCustomFileDetails::DefaultKey, 10)), 0, "first"},
      {"revision 3 key", Record(3, 1, 0, body(TQzCustomFileDetails::Revision3Key, 1)), 0, "first"},
      {"revision 4 default key", Record(4, 1, 0, body(TQzCustomFileDetails::DefaultKey, 1)), 0, "first"},
      {"header size 48", Record(5, 1, 0, body(TQzCustomFileDetails::DefaultKey, 1), 48), 0, "first"},
      {"format byte 2", Record(5, 1, 0, body(TQzCustomFileDetails::DefaultKey, 1), 32, 2), Code(1603, 104), ""},
      {"33 strings", Record(5, 33, 0, {}), Code(1603, 105), ""},
      {"33 integers", Record(5, 0, 33, {}), Code(1603, 106), ""},
      {"negative preview length", Record(5, 0, 0, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Code(1002, 107), ""},
      {"preview length past the end", Record(5, 0, 0, {0x00, 0x00, 0x00, 0x40, 1, 2, 3}), Code(1002, 107), ""},
      {"preview not a JPEG", Record(5, 0, 0, {3, 0, 0, 0, 1, 2, 3, 0xFF, 0xFF}), Code(1501, 107), ""},
      {"wrong signature", [&] { TBytes b = Record(5, 1, 0, body(TQzCustomFileDetails::DefaultKey, 1)); b[0] = 'X'; return b; }(),
       Code(1603, 103), ""},
      {"string bytes short", Record(5, 1, 0, {0, 0, 0, 0, 5, 0, 'a', 'b'}), Code(1002, 109), ""},
      {"no end marker", [&] { TBytes b = Record(5, 1, 0, body(TQzCustomFileDetails::DefaultKey, 1)); b.resize(b.size() - 2); return b; }(),
       Code(1002, 110), "first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TByteStream s(c.Data);
    TDetails d;
    EXPECT_EQ(d.LoadFromStream(&s), c.Error == 0);
    EXPECT_EQ(d.Error, c.Error);
    EXPECT_EQ(d.GetString(0), c.Slot0);
    EXPECT_EQ(d.Loads, c.Error == 0 ? 1 : 0);
    for (int i = 1; i < 32; ++i) EXPECT_EQ(d.GetString(i), "");
  }
}

TEST(QzFileDetails, WriterErrorsAndAssign) {
  TQzFileDetails d;
  EXPECT_FALSE(d.SaveToStream(nullptr));
  EXPECT_EQ(d.Error, Code(1000, 120));
  const std::pair<int64_t, uint32_t> cases[] = {
      {10, Code(1001, 119)}, {33, Code(1001, 120)}, {40, Code(1001, 122)}, {170, Code(1001, 123)}, {228, Code(1001, 125)}};
  for (auto [limit, code] : cases) {
    TLimitedStream s(limit);
    EXPECT_FALSE(d.SaveToStream(&s)) << limit;
    EXPECT_EQ(d.Error, code) << limit;
  }
  TQzFileDetails titled;
  titled.SetTitle("abc");
  TLimitedStream cut(32 + 4 + 128 + 2 + 1);
  EXPECT_FALSE(titled.SaveToStream(&cut));
  EXPECT_EQ(titled.Error, Code(1001, 124));
  titled.GetPreview()->SetSize(3, 2);
  TLimitedStream cutPreview(32 + 4 + 10);
  EXPECT_FALSE(titled.SaveToStream(&cutPreview));
  EXPECT_EQ(titled.Error, Code(1001, 121));
  EXPECT_EQ(titled.GetTitle(), "abc");
  TQzFileDetails none;
  EXPECT_FALSE(none.LoadFromStream(nullptr));
  EXPECT_EQ(none.Error, Code(1000, 101));

  d.SetAuthor("me");
  d.SetInteger(7, 7);
  d.GetPreview()->SetSize(3, 2);
  TQzFileDetails e;
  int changes = 0;
  e.OnChange = [&](TObject*) { ++changes; };
  e.Assign(&d);
  e.Assign(nullptr);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(e.GetAuthor(), "me");
  EXPECT_EQ(e.GetInteger(7), 7);
  EXPECT_EQ(e.GetPreview()->GetWidth(), 3);
  EXPECT_EQ(e.GetString(32), "");
  e.SetString(-1, "x");
  changes = 0;
  e.SetAuthor("me");
  EXPECT_EQ(changes, 0);
}

}  // namespace
