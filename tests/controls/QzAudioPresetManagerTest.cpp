#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/UiHeaders.h"

namespace {
struct TManager : TQzCustomAudioPresetManager {
  using TQzCustomAudioPresetManager::TQzCustomAudioPresetManager;
  void AddPreset(int32_t, int32_t, TStream* Stream) override {
    auto* item = new TQzCustomAudioPresetItem(GetItems());
    item->GetDetails()->SetTitle("Preset " + std::to_string(Count()));
    item->GetData()->CopyFrom(Stream, Stream->GetSize() - Stream->GetPosition());
  }
  bool SelectPreset(int32_t, int32_t, int32_t, int32_t, TStream*) override { return false; }
};

void Add(TManager& M, const std::string& Data) {
  TMemoryStream s;
  if (!Data.empty()) s.Write(Data.data(), static_cast<int32_t>(Data.size()));
  s.SetPosition(0);
  M.AddPreset(0, 0, &s);
}
}  // namespace

TEST(AudioPresetManager, RoundTripAndDamagedStreams) {
  TManager saved(nullptr);
  Add(saved, "first preset");
  Add(saved, "");
  Add(saved, std::string(300, 'x'));
  TMemoryStream s;
  ASSERT_TRUE(saved.SaveToStream(&s));
  const std::vector<uint8_t> whole = s.Data();
  TManager loaded(nullptr);
  Add(loaded, "replaced by the load");
  s.SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromStream(&s));
  ASSERT_EQ(std::tuple(loaded.GetError(), loaded.Count(), loaded.Item(3)), std::tuple(0u, 3, nullptr));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::tuple(loaded.Item(i)->GetData()->Data(), loaded.Item(i)->GetDetails()->GetTitle()),
              std::tuple(saved.Item(i)->GetData()->Data(), saved.Item(i)->GetDetails()->GetTitle()));
  TMemoryStream again;
  ASSERT_TRUE(loaded.SaveToStream(&again));
  EXPECT_EQ(again.Data(), whole);
  struct TCase { const char* Name; std::vector<uint8_t> Bytes; bool NoStream; };
  std::vector<uint8_t> bigCount = whole;
  bigCount[3] = 0x7F;
  const std::vector<TCase> cases = {{"no stream", {}, true}, {"empty", {}, false},
                                    {"cut in the last item", std::vector<uint8_t>(whole.begin(), whole.end() - 3), false},
                                    {"count beyond the stream", bigCount, false}};
  for (const TCase& c : cases) {
    TManager m(nullptr);
    TMemoryStream in;
    if (!c.Bytes.empty()) in.Write(c.Bytes.data(), static_cast<int32_t>(c.Bytes.size()));
    in.SetPosition(0);
    EXPECT_FALSE(m.LoadFromStream(c.NoStream ? nullptr : &in)) << c.Name;
    EXPECT_NE(m.GetError(), 0u) << c.Name;
  }
  EXPECT_FALSE(saved.SaveToStream(nullptr));
  saved.Clear();
  EXPECT_EQ(saved.Count(), 0);
}
