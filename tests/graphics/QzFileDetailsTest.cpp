#include <gtest/gtest.h>

#include <tuple>

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
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(std::pair(b.GetString(i), b.GetInteger(i)), std::pair(a.GetString(i), a.GetInteger(i))) << i;
  EXPECT_EQ(std::vector<int64_t>({changes, b.GetPreview()->GetWidth(), b.GetPreview()->GetHeight(), b.Loads, b.LoadVersion,
                                  b.LoadRevision, b.Extra}),
            std::vector<int64_t>({1, 8, 6, 1, 3, 5, 0xC0FFEE}));
}

TEST(QzFileDetails, StringOf65536BytesIsRefusedNotEmptied) {
  TQzFileDetails d;
  d.SetDescription(std::string(65536, 'x'));
  TMemoryStream s;
  EXPECT_FALSE(d.SaveToStream(&s));
  EXPECT_EQ(std::pair(d.Error, s.GetSize()), std::pair(Code(1504, 123), int64_t{0}));
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
  for (size_t i = 0; i < data.size(); ++i)
    EXPECT_EQ(scrambled[i], static_cast<uint8_t>(data[i] ^ (TQzCustomFileDetails::DefaultKey[i % 16] + i % 16))) << i;
  QzScrambleDetails(scrambled.data(), static_cast<int64_t>(scrambled.size()), TQzCustomFileDetails::DefaultKey);
  EXPECT_EQ(scrambled, data);
  // The stored string is the scrambled one, starting again at 0.
  TQzFileDetails d;
  d.SetString(0, "AB");
  TMemoryStream s;
  ASSERT_TRUE(d.SaveToStream(&s));
  const uint8_t* p = s.Memory() + 32 + 4 + 128;
  EXPECT_EQ(TBytes(p, p + 4), (TBytes{2, 0, static_cast<uint8_t>('A' ^ TQzCustomFileDetails::DefaultKey[0]),
                                      static_cast<uint8_t>('B' ^ ((TQzCustomFileDetails::DefaultKey[1] + 1) & 0xFF))}));
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
    const bool loaded = d.LoadFromStream(&s);
    EXPECT_EQ(std::tuple(loaded, d.Error, d.GetString(0), d.Loads), std::tuple(c.Error == 0, c.Error, c.Slot0, c.Error == 0 ? 1 : 0));
    for (int i = 1; i < 32; ++i) EXPECT_EQ(d.GetString(i), "");
  }
}

TEST(QzFileDetails, WriterErrorsAndAssign) {
  TQzFileDetails d, titled, withPreview;
  titled.SetTitle("abc");
  withPreview.SetTitle("abc");
  withPreview.GetPreview()->SetSize(3, 2);
  struct Case { TQzFileDetails* Details; int64_t Limit; uint32_t Code; };  // limit -1: no stream
  const Case cases[] = {{&d, -1, Code(1000, 120)},          {&d, 10, Code(1001, 119)},
                        {&d, 33, Code(1001, 120)},          {&d, 40, Code(1001, 122)},
                        {&d, 170, Code(1001, 123)},         {&d, 228, Code(1001, 125)},
                        {&titled, 32 + 4 + 128 + 2 + 1, Code(1001, 124)}, {&withPreview, 32 + 4 + 10, Code(1001, 121)}};
  for (const Case& c : cases) {
    TLimitedStream s(c.Limit);
    EXPECT_FALSE(c.Details->SaveToStream(c.Limit < 0 ? nullptr : &s)) << c.Limit;
    EXPECT_EQ(c.Details->Error, c.Code) << c.Limit;
  }
  EXPECT_EQ(withPreview.GetTitle(), "abc");
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
  EXPECT_EQ(std::tuple(changes, e.GetAuthor(), e.GetInteger(7), e.GetPreview()->GetWidth(), e.GetString(32)),
            std::tuple(1, "me", 7, 3, ""));
  e.SetString(-1, "x");
  changes = 0;
  e.SetAuthor("me");
  EXPECT_EQ(changes, 0);
}

}  // namespace
