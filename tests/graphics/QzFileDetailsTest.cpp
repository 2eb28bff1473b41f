#include <gtest/gtest.h>

#include <initializer_list>
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
  EXPECT_EQ(std::vector<int64_t>({changes, b.GetPreview()->GetWidth(), b.GetPreview()->GetHeight(), b.Loads,
                                  b.LoadVersion, b.LoadRevision, b.Extra}),
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
TBytes Edited(TBytes B, size_t At, uint8_t Value) {
  B.at(At) = Value;
  return B;
}
TBytes Cut(TBytes B, size_t Bytes) {
  B.resize(B.size() - Bytes);
  return B;
}
TBytes ScrambledString(const std::string& S, const uint8_t (&Key)[16]) {
  TBytes b = {static_cast<uint8_t>(S.size()), static_cast<uint8_t>(S.size() >> 8)};
  TBytes t(S.begin(), S.end());
  QzScrambleDetails(t.data(), static_cast<int64_t>(t.size()), Key);
  b.insert(b.end(), t.begin(), t.end());
  return b;
}

// A stored string is scrambled (as the picture list's pictures are, with the record's own key,
// which begins 0xB7, 0x3A in every stored record), starting at 0.
TEST(QzFileDetails, StoredStringsAreScrambledFromTheirStart) {
  TQzFileDetails d;
  d.SetString(0, "AB");
  TMemoryStream s;
  ASSERT_TRUE(d.SaveToStream(&s));
  const uint8_t* p = s.Memory() + 32 + 4 + 128;
  EXPECT_EQ(TBytes(p, p + 4), (TBytes{2, 0, 'A' ^ 0xB7, 'B' ^ (0x3A + 1)}));
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
  const TBytes one = body(TQzCustomFileDetails::DefaultKey, 1);
  // The same body after another preview length.
  auto withLength = [&](std::initializer_list<uint8_t> Length) {
    TBytes b = Length;
    b.insert(b.end(), one.begin() + 4, one.end());
    return b;
  };
  const std::vector<Case> cases = {
      {"10 strings, no integers", Record(5, 10, 0, body(TQzCustomFileDetails::DefaultKey, 10)), 0, "first"},
      {"revision 3 key", Record(3, 1, 0, body(TQzCustomFileDetails::Revision3Key, 1)), 0, "first"},
      {"revision 4 default key", Record(4, 1, 0, one), 0, "first"},
      {"header size 48", Record(5, 1, 0, one, 48), 0, "first"},
      {"format byte 2", Record(5, 1, 0, one, 32, 2), Code(1603, 104), ""},
      {"33 strings", Record(5, 33, 0, {}), Code(1603, 105), ""},
      {"33 integers", Record(5, 0, 33, {}), Code(1603, 106), ""},
      {"preview length -1 is no preview", Record(5, 1, 0, withLength({0xFF, 0xFF, 0xFF, 0xFF})), 0, "first"},
      {"lowest preview length is no preview", Record(5, 1, 0, withLength({0, 0, 0, 0x80})), 0, "first"},
      {"preview length short", Record(5, 0, 0, {0, 0}), Code(1002, 107), ""},
      {"preview length past the end", Record(5, 0, 0, {0x00, 0x00, 0x00, 0x40, 1, 2, 3}), Code(1002, 107), ""},
      {"preview not a JPEG", Record(5, 0, 0, {3, 0, 0, 0, 1, 2, 3, 0xFF, 0xFF}), Code(1501, 107), ""},
      {"wrong signature", Edited(Record(5, 1, 0, one), 0, 'X'), Code(1603, 103), ""},
      {"string bytes short", Record(5, 1, 0, {0, 0, 0, 0, 5, 0, 'a', 'b'}), Code(1002, 109), ""},
      {"no end marker", Cut(Record(5, 1, 0, one), 2), 0, "first"},
      {"half an end marker", Cut(Record(5, 1, 0, one), 1), 0, "first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TByteStream s(c.Data);
    TDetails d;
    const bool loaded = d.LoadFromStream(&s);
    EXPECT_EQ(std::tuple(loaded, d.Error, d.GetString(0), d.Loads),
              std::tuple(c.Error == 0, c.Error, c.Slot0, c.Error == 0 ? 1 : 0));
    for (int i = 1; i < 32; ++i) EXPECT_EQ(d.GetString(i), "");
  }
}

TEST(QzFileDetails, AssignAndNoStream) {
  TQzFileDetails d, none;
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
