#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../graphics/FormatsTestUtil.h"
#include "ui/framework/QzExtIni.h"

namespace {

const char* const Sample =
    "ignored before any group\r\n#ScrollBars /* sizes */\r\nKey=ignored before any section\r\n"
    "[Sizes]\r\n  Horizontal = 14 /* pixels */\r\nVertical=12\r\n=starts with equals\r\nno equals sign\r\n"
    "Vertical=99\r\n[Sizes]\r\nExtra=dropped with its duplicate section\r\n"
    "[Broken\r\nLost=after a section line without a bracket\r\n"
    "[Texts]x\r\nEmpty=\r\nLines=one#13two\r\nSpaced =  a b  \r\n"
    "#Other\r\n[Sizes]\r\nHorizontal=3\r\n#scrollbars\r\n[Sizes]\r\nHorizontal=77\r\n";

TEST(QzExtIni, ParsesGroupsSectionsAndKeys) {
  TQzExtIniValuesControler ini;
  ini.SetText(Sample);
  struct Case { const char *Group, *Section, *Key; bool Found; const char* Value; } cases[] = {
      {"ScrollBars", "Sizes", "Horizontal", true, "14"}, {"scrollbars", "SIZES", "vertical", true, "12"},
      {"ScrollBars", "Sizes", "Key", false, ""}, {"ScrollBars", "Sizes", "Extra", false, ""},
      {"ScrollBars", "Sizes", "", false, ""}, {"ScrollBars", "Broken", "Lost", false, ""},
      {"ScrollBars", "Texts", "Lost", false, ""}, {"ScrollBars", "Texts", "Empty", true, ""},
      {"ScrollBars", "Texts", "Spaced", true, "a b"}, {"Other", "Sizes", "Horizontal", true, "3"},
      {"Missing", "Sizes", "Horizontal", false, ""},
  };
  for (const Case& c : cases) {
    std::string value = "stale";
    const bool found = ini.FindExtIniValue(c.Group, c.Section, c.Key, 0, value);
    EXPECT_EQ(std::tuple(found, value), std::tuple(c.Found, c.Value)) << c.Group << "/" << c.Section << "/" << c.Key;
  }
  std::string value;
  EXPECT_FALSE(ini.FindExtIniValue("ScrollBars", "Sizes", "Horizontal", 1, value));
  EXPECT_EQ(ini.GetGroupCount(), 2);
  for (auto [key, found, text] : {std::tuple{"Empty", false, "dflt"}, {"Lines", true, "one\rtwo"}}) {
    EXPECT_EQ(ini.ReadExtIniText("ScrollBars", "Texts", key, "dflt", value), found) << key;
    EXPECT_EQ(value, text);
  }
}

TEST(QzExtIni, IntegersAreStrictlyDecimal32Bit) {
  struct Case { const char* Text; bool Ok; int32_t Value; } cases[] = {
      {"12", true, 12},          {"-5", true, -5},          {"+7", true, 7},
      {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},  {"-2147483649", false, 0}, {"99999999999999999999", false, 0},
      {"0x10", false, 0},        {"$10", false, 0},         {"abc", false, 0},
      {"1 2", false, 0},         {"12a", false, 0},         {"-", false, 0}, {"+-3", false, 0},         {"", false, 0},
  };
  for (const Case& c : cases) {
    TQzExtIniValuesControler ini;
    ini.SetText(std::string("#G\n[S]\nK=") + c.Text + "\n");
    int32_t value = 0;
    const bool ok = ini.ReadExtIniInteger("G", "S", "K", -1, value);
    EXPECT_EQ(std::tuple(ok, value), std::tuple(c.Ok, c.Ok ? c.Value : -1)) << c.Text;
  }
}

TBytes Wrapped(const std::string& Text, int32_t Length) {
  TBytes b(TQzCustomExtIniControler::Signature, TQzCustomExtIniControler::Signature + 47);
  b.push_back(1), b.push_back(5);
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(Length) >> (8 * i)));
  b.insert(b.end(), Text.begin(), Text.end());
  return b;
}

TEST(QzExtIni, SavesTheWrapperWholeOrFailsAndReadsBothForms) {
  TQzExtIniValuesControler ini;
  ini.SetText("#G\n[S]\nK=v");
  TMemoryStream s;
  ASSERT_TRUE(ini.SaveToStream(&s));
  EXPECT_EQ(BytesOf(s), Wrapped("#G\r\n[S]\r\nK=v\r\n", 14));
  for (int64_t limit = 0; limit < s.GetSize(); ++limit) {
    TLimitedStream cut(limit);
    EXPECT_FALSE(ini.SaveToStream(&cut)) << limit;
    EXPECT_EQ(ini.Error, Code(1001, 551)) << limit;
  }
  const TBytes empty = Wrapped("", 0);
  const std::string plain = "#G\r\n[S]\r\nK=plain\r\n";
  struct Case { const char* Name; TBytes Bytes; bool Ok; uint32_t Error; const char* Value; } cases[] = {
      {"wrapped", BytesOf(s), true, 0, "v"}, {"plain text", TBytes(plain.begin(), plain.end()), true, 0, "plain"},
      {"shorter than the signature", TBytes{'#', 'G'}, true, 0, ""}, {"empty stream", TBytes{}, true, 0, ""},
      {"length 0", Wrapped("#G\n[S]\nK=x\n", 0), true, 0, ""},
      {"length negative", Wrapped("#G\n[S]\nK=x\n", -10), false, Code(1002, 591), ""},
      {"length past the end", Wrapped("#G\n[S]\nK=x\n", 0x7FFFFFF0), false, Code(1002, 591), ""},
      {"length cut short", TBytes(empty.begin(), empty.begin() + 50), false, Code(1002, 591), ""},
  };
  for (const Case& c : cases) {
    TQzExtIniValuesControler back;
    back.SetText("#G\n[S]\nK=old");
    TByteStream in(c.Bytes);
    const bool ok = back.LoadFromStream(&in);
    std::string value;
    back.FindExtIniValue("G", "S", "K", 0, value);
    EXPECT_EQ(std::tuple(ok, back.Error, back.IsUpdating(), value), std::tuple(c.Ok, c.Error, false, c.Value))
        << c.Name;
  }
  TQzExtIniValuesControler nil;
  EXPECT_FALSE(nil.LoadFromStream(nullptr));
  EXPECT_EQ(nil.Error, Code(1000, 590));
  EXPECT_FALSE(nil.SaveToStream(nullptr));
  EXPECT_EQ(nil.Error, Code(1000, 550));
}

TEST(QzExtIni, EditsInsideABracketAreParsedWhenItCloses) {
  TQzExtIniValuesControler ini;
  std::string value;
  const auto k = [&] { return ini.FindExtIniValue("G", "S", "K", 0, value), value; };
  for (const char* line : {"#G", "[S]", "K=direct"}) ini.GetLines()->Add(line);
  ini.BeginUpdate(), ini.BeginUpdate();
  ini.GetLines()->Put(2, "K=later"), ini.EndUpdate();
  EXPECT_EQ(k(), "direct");
  ini.EndUpdate();
  EXPECT_EQ(k(), "later");
  // Clear inside a bracket leaves the bracket to the one who opened it.
  ini.BeginUpdate(), ini.Clear();
  EXPECT_TRUE(ini.IsUpdating());
  ini.GetLines()->SetText("#A\n[B]\nC=1");
  EXPECT_FALSE(ini.FindExtIniValue("A", "B", "C", 0, value));
  ini.EndUpdate();
  EXPECT_FALSE(ini.IsUpdating());
  EXPECT_TRUE(ini.FindExtIniValue("A", "B", "C", 0, value));
  ini.AssignLines(ini.GetLines());
  EXPECT_TRUE(ini.FindExtIniValue("A", "B", "C", 0, value));
  TQzExtIniValuesControler copy;
  copy.Assign(&ini);
  EXPECT_TRUE(copy.FindExtIniValue("a", "b", "c", 0, value));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.FindExtIniValue("a", "b", "c", 0, value));
}

}  // namespace
