#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "tests/common/GoldenTheme.h"
#include "tests/common/TestStreams.h"
#include "../graphics/FormatsTestUtil.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzTGA.h"
#include "tests/common/UiHeaders.h"

namespace {

void SetRamp(TQzThemeItems& Theme) {
  for (int i = 0; i < 256; ++i) Theme.SetColor(static_cast<uint8_t>(i), RampColor(i));
}

void PutU32(TBytes& B, size_t At, uint32_t V) {
  for (int i = 0; i < 4; ++i) B[At + i] = static_cast<uint8_t>(V >> (8 * i));
}

// Offsets in the golden file: header 46, details chunk (10 + 230), colour chunk (10 + 1024).
constexpr size_t DetailsChunk = 46, ColourChunk = 46 + 240, PictureChunk = ColourChunk + 1034;

TEST(QzThemeItems, RoundTripWithDetailsAndPictures) {
  QzRegisterPictureFormats();
  TQzThemeItems theme;
  SetRamp(theme);
  theme.GetDetails()->SetTitle("Night"), theme.GetDetails()->SetAuthor("someone");
  auto* item = new TQzPictureListItem(theme.GetPictures());
  TQzTGAImage tga;
  tga.ResizeBuffer(3, 2);
  item->GetPicture()->Assign(&tga);
  TMemoryStream s;
  ASSERT_TRUE(theme.SaveToStream(&s));
  TQzThemeItems back;
  back.GetValues()->SetText("#G\n[S]\nK=1");
  s.SetPosition(0);
  ASSERT_TRUE(back.LoadFromStream(&s)) << ErrorCodeToStr(back.Error);
  ASSERT_EQ(back.GetPictures()->GetCount(), 1);
  EXPECT_EQ(std::tuple(back.GetColors(), back.GetDetails()->GetTitle(), back.GetDetails()->GetAuthor(),
                       back.GetPictures()->GetItem(0)->GetID(), back.GetValues()->GetGroupCount()),
            std::tuple(theme.GetColors(), "Night", "someone", item->GetID(), 0));
  TQzThemeItems copy;
  copy.Assign(&back);
  EXPECT_EQ(std::tuple(copy.GetColors(), copy.GetDetails()->GetTitle(), copy.GetPictures()->GetCount()),
            std::tuple(theme.GetColors(), "Night", 1));
  TQzThemeItems detailsOnly;
  detailsOnly.DetailsOnly = true;
  s.SetPosition(0);
  ASSERT_TRUE(detailsOnly.LoadFromStream(&s));
  EXPECT_EQ(std::tuple(detailsOnly.GetDetails()->GetTitle(), detailsOnly.GetColor(1)), std::tuple("Night", 0u));
}

TEST(QzThemeItems, HostileAndVariantFiles) {
  const TBytes golden = ReadGolden("theme_ramp.tfid");
  struct Case {
    const char* Name;
    std::function<void(TBytes&)> Edit;
    uint32_t Error;
    bool ColoursLoaded;
  } cases[] = {
      {"unchanged", [](TBytes&) {}, 0, true},
      {"magic", [](TBytes& b) { b[0] = 'X'; }, Code(1603, 4001), false},
      {"version 2", [](TBytes& b) { b[4] = 2; }, Code(1603, 4002), false},
      {"version 0", [](TBytes& b) { b[4] = 0; }, Code(1603, 4002), false},
      {"header size below the header", [](TBytes& b) { PutU32(b, 10, 13); }, Code(1603, 4001), false},
      {"header size past the end", [](TBytes& b) { PutU32(b, 10, 0xFFFFFFF0); }, Code(1002, 4000), false},
      {"header size 60", [](TBytes& b) { PutU32(b, 10, 60), b.insert(b.begin() + 46, 14, 0); }, 0, true},
      {"chunk marker", [](TBytes& b) { b[ColourChunk] = 0; }, Code(1603, 4004), false},
      {"chunk length -10", [](TBytes& b) { PutU32(b, ColourChunk + 6, static_cast<uint32_t>(-10)); }, Code(1002, 4005),
       false},
      {"colour chunk too small for the table",
       [](TBytes& b) {
         PutU32(b, ColourChunk + 6, 1000), b.erase(b.begin() + ColourChunk + 1010, b.begin() + ColourChunk + 1034);
       },
       Code(1603, 3007), false},
      {"colour chunk larger than the table",
       [](TBytes& b) { PutU32(b, ColourChunk + 6, 1030), b.insert(b.begin() + ColourChunk + 1034, 6, 0xEE); }, 0, true},
      {"unknown chunk id 30 is skipped", [](TBytes& b) { b[DetailsChunk + 2] = 30; }, 0, true},
      {"details cut inside its chunk",
       [](TBytes& b) {
         PutU32(b, DetailsChunk + 6, 100);
         b.erase(b.begin() + DetailsChunk + 110, b.begin() + ColourChunk);
       },
       Code(1603, 107), false},
      {"picture list cut inside its chunk",
       [](TBytes& b) {
         PutU32(b, PictureChunk + 6, 8);
         b.erase(b.begin() + PictureChunk + 18, b.begin() + PictureChunk + 36);
       },
       Code(1002, 701), true},
      {"no end chunk", [](TBytes& b) { b.resize(b.size() - 10); }, Code(1002, 4003), true},
      {"end chunk one byte past the end", [](TBytes& b) { PutU32(b, b.size() - 4, 1); }, Code(1002, 4005), true},
      {"data after the end chunk", [](TBytes& b) { b.push_back(0x55); }, 0, true},
  };
  for (const Case& c : cases) {
    TBytes bytes = golden;
    c.Edit(bytes);
    TQzThemeItems theme;
    theme.SetColor(1, 0x123456);
    TChangeCounter changes(theme);
    TByteStream in(bytes);
    const bool ok = theme.LoadFromStream(&in);
    // Colours come whole from the table or stay as they were.
    EXPECT_EQ(std::tuple(ok, theme.Error, changes.Count, theme.GetColor(1), theme.GetColor(255)),
              std::tuple(c.Error == 0, c.Error, 1, c.ColoursLoaded ? RampColor(1) : 0x123456u,
                         c.ColoursLoaded ? RampColor(255) : 0u))
        << c.Name << ": " << ErrorCodeToStr(theme.Error);
  }
  TQzThemeItems nil;
  EXPECT_FALSE(nil.LoadFromStream(nullptr));
  EXPECT_EQ(nil.Error, Code(1000, 3001));
  EXPECT_FALSE(nil.SaveToStream(nullptr));
  EXPECT_EQ(nil.Error, Code(1000, 1120));
}

// The writer's bytes are the golden file's; a stream that takes fewer fails the save, and every
// cut of the file fails as a short read.
TEST(QzThemeItems, WriterMatchesGoldenFileAndEveryCutFailsTheSaveOrTheLoad) {
  const TBytes golden = ReadGolden("theme_ramp.tfid");
  ASSERT_EQ(golden.size(), PictureChunk + 36 + 10);
  TQzThemeItems theme;
  SetRamp(theme);
  TMemoryStream s;
  ASSERT_TRUE(theme.SaveToStream(&s));
  EXPECT_EQ(BytesOf(s), golden);
  for (int64_t limit = 0; limit < static_cast<int64_t>(golden.size()); ++limit) {
    TLimitedStream cut(limit);
    EXPECT_FALSE(theme.SaveToStream(&cut)) << limit;
    EXPECT_EQ(ErrorCategory(theme.Error), qecWriteFailed) << limit << " " << ErrorCodeToStr(theme.Error);
    TQzThemeItems back;
    TByteStream in(golden, static_cast<size_t>(limit));
    EXPECT_FALSE(back.LoadFromStream(&in)) << limit;
    EXPECT_EQ(ErrorCategory(back.Error), qecReadFailed) << limit << " " << ErrorCodeToStr(back.Error);
    EXPECT_FALSE(back.IsUpdating());
  }
}

TEST(QzThemeItems, ClearKeepsColoursAndNotifiesOnceOutsideABracket) {
  TQzThemeItems theme;
  ASSERT_NE(dynamic_cast<TBitmap*>(theme.GetGraphic(3)), nullptr);
  EXPECT_TRUE(theme.GetGraphic(0)->GetTransparent() && !theme.GetGraphic(4) && !theme.GetGraphic(18));
  theme.SetColor(7, 0xABCDEF), theme.GetDetails()->SetTitle("x");
  TChangeCounter changes(theme);
  theme.Clear();
  EXPECT_EQ(std::tuple(changes.Count, theme.GetColor(7), theme.GetDetails()->GetTitle()), std::tuple(1, 0xABCDEFu, ""));
  theme.BeginUpdate(), theme.Clear();
  EXPECT_EQ(changes.Count, 1);
  theme.EndUpdate();
}

// A root that publishes a details record, as the theme manager will.
class TDetailsHost : public TComponent {
public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TDetailsHost"; }
  TQzThemeDetails* GetDetails() const { return FDetails.get(); }

private:
  std::unique_ptr<TQzThemeDetails> FDetails = std::make_unique<TQzThemeDetails>();
};

TEST(QzThemeItems, DetailsPublishTheirNamedSlots) {
  QzRegisterThemeDetailsClass();
  QzRegisterThemeDetailsClass();
  TClassRegistrar<TDetailsHost>("TDetailsHost", "TComponent", false).Object("Details", &TDetailsHost::GetDetails);
  const std::pair<const char*, int> slots[] = {{"Title", 0},     {"Description", 1}, {"Author", 2},
                                               {"Publisher", 3}, {"Copyright", 4},   {"Version", 5},
                                               {"Date", 6},      {"ProductID", 14},  {"Software", 19},
                                               {"Notes", 21}};
  std::string form = "object Host: TDetailsHost\n";
  for (const auto& [name, slot] : slots) form += std::string("  Details.") + name + " = 'text of " + name + "'\n";
  form += "end\n";
  TDetailsHost host(nullptr);
  TFormReader::ReadRootComponent(&host, form);
  for (const auto& [name, slot] : slots) EXPECT_EQ(host.GetDetails()->GetString(slot), std::string("text of ") + name);
  EXPECT_THROW(TFormReader::ReadRootComponent(&host, "object Host: TDetailsHost\n  Details.Preview = 1\nend\n"),
               EReadError);
}

}  // namespace
