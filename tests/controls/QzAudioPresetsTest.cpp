#include <gtest/gtest.h>

#include <vector>

#include "platform/FormReader.h"
#include "ui/controls/QzAudioPresetManager.h"
#include "ui/controls/QzAudioPresets.h"

namespace {
void Put32(std::vector<uint8_t>& V, uint32_t X) {
  for (int i = 0; i < 4; ++i) V.push_back(static_cast<uint8_t>(X >> (8 * i)));
}

void Fill(TMemoryStream& S, const std::vector<uint8_t>& V) {
  if (!V.empty()) S.Write(V.data(), static_cast<int32_t>(V.size()));
  S.SetPosition(0);
}

// A list of three presets: with data, without data, with a longer block.
void FillList(TQzAudioPresetList& List) {
  auto* a = List.Add();
  a->GetDetails()->SetTitle("Warm"), a->GetDetails()->SetAuthor("Me");
  const char data[] = "MEQP-data";
  a->GetData()->Write(data, sizeof data);
  auto* b = List.Add();
  b->GetDetails()->SetTitle("Empty");
  auto* c = List.Add();
  c->GetData()->SetSize(1000);
  for (int i = 0; i < 1000; ++i) c->GetData()->Memory()[i] = static_cast<uint8_t>(i * 7);
}

struct TManager : TQzCustomAudioPresetManager {
  using TQzCustomAudioPresetManager::TQzCustomAudioPresetManager;
  void AddPreset(int32_t, int32_t, TStream*) override {}
  bool SelectPreset(int32_t, int32_t, int32_t, int32_t, TStream*) override { return false; }
};
}  // namespace

// A manager streams its list: the layout, the round trip, and why a load failed.
TEST(AudioPresets, ListRoundTripAndLayout) {
  TManager saved(nullptr), loaded(nullptr);
  TQzAudioPresetList& list = *saved.GetItems();
  FillList(list);
  TMemoryStream s;
  ASSERT_TRUE(saved.SaveToStream(&s));
  const std::vector<uint8_t> written = s.Data();
  // Layout: count, then each item as its details record, a size and the bytes.
  std::vector<uint8_t> expected;
  Put32(expected, 3);
  for (int i = 0; i < 3; ++i) {
    TMemoryStream d;
    ASSERT_TRUE(list.Item(i)->GetDetails()->SaveToStream(&d));
    expected.insert(expected.end(), d.Data().begin(), d.Data().end());
    const std::vector<uint8_t>& data = list.Item(i)->GetData()->Data();
    Put32(expected, static_cast<uint32_t>(data.size()));
    expected.insert(expected.end(), data.begin(), data.end());
  }
  EXPECT_EQ(written, expected);
  TQzAudioPresetList& again = *loaded.GetItems();
  new TQzCustomAudioPresetItem(&loaded);  // loading frees what was there
  int changes = 0;
  again.OnChange = [&](TObject*) { ++changes; };
  s.SetPosition(0);
  ASSERT_TRUE(loaded.LoadFromStream(&s));
  ASSERT_EQ(std::tuple(changes, loaded.Count(), loaded.Item(3), loaded.GetError()), std::tuple(1, 3, nullptr, 0u));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::tuple(loaded.Item(i)->GetData()->Data(), loaded.Item(i)->GetDetails()->GetTitle(),
                         loaded.Item(i)->GetManager()),
              std::tuple(list.Item(i)->GetData()->Data(), list.Item(i)->GetDetails()->GetTitle(),
                         static_cast<TQzCustomAudioPresetManager*>(&loaded)));
  TMemoryStream rewritten;
  ASSERT_TRUE(again.SaveToStream(&rewritten));
  EXPECT_EQ(rewritten.Data(), written);
  // Items leave their list alone; an emptied list writes a zero count.
  delete again.Item(1);
  EXPECT_EQ(again.Item(1)->GetData()->GetSize(), 1000);
  loaded.Clear();
  EXPECT_EQ(std::tuple(loaded.Count(), again.Item(0)), std::tuple(0, nullptr));
  TMemoryStream e;
  ASSERT_TRUE(again.SaveToStream(&e));
  EXPECT_EQ(e.Data(), std::vector<uint8_t>(4, 0));
  TMemoryStream cut;
  Fill(cut, std::vector<uint8_t>(written.begin(), written.end() - 3));
  EXPECT_FALSE(loaded.LoadFromStream(&cut));
  EXPECT_NE(loaded.GetError(), 0u);
  EXPECT_FALSE(loaded.LoadFromStream(nullptr) || saved.SaveToStream(nullptr));
}

// Every stream below is damaged: the read must fail with the named category at the named step,
// the size bounds right at their edge (a declared size one past the bytes left fails before
// anything is read or allocated).
TEST(AudioPresets, DamagedStreamsFail) {
  TQzAudioPresetList good;
  FillList(good);
  TMemoryStream gs;
  ASSERT_TRUE(good.SaveToStream(&gs));
  const std::vector<uint8_t> whole = gs.Data();
  TMemoryStream ds;
  ASSERT_TRUE(good.Item(0)->GetDetails()->SaveToStream(&ds));
  const std::vector<uint8_t> details = ds.Data();
  // One item: its details record (signature spoilt on request), then Tail.
  auto item = [&](std::vector<uint8_t> Tail, bool BadSignature = false) {
    std::vector<uint8_t> v = details;
    if (BadSignature) v[0] ^= 0xFF;
    v.insert(v.end(), Tail.begin(), Tail.end());
    return v;
  };
  auto list = [&](uint32_t Count, std::vector<uint8_t> Items) {
    std::vector<uint8_t> v;
    Put32(v, Count);
    v.insert(v.end(), Items.begin(), Items.end());
    return v;
  };
  std::vector<uint8_t> countPlusOne = whole;
  countPlusOne[0] = 4;
  const uint32_t fitting = static_cast<uint32_t>((whole.size() - 4) / TQzAudioPresetList::MinItemBytes);
  // List: read as a list, or as one item.
  struct TCase { const char* Name; bool List; std::vector<uint8_t> Data; uint32_t Error; int32_t ItemsKept; };
  const std::vector<TCase> cases = {
      {"nothing", true, {}, MakeErrorCode(qecReadFailed, 891), 0},
      {"three count bytes", true, {1, 0, 0}, MakeErrorCode(qecReadFailed, 891), 0},
      {"count 4 G", true, {0xFF, 0xFF, 0xFF, 0xFF}, MakeErrorCode(qecReadFailed, 892), 0},
      {"count 1, nothing follows", true, list(1, {}), MakeErrorCode(qecReadFailed, 892), 0},
      {"count one past what the bytes hold", true, list(fitting + 1, {whole.begin() + 4, whole.end()}),
       MakeErrorCode(qecReadFailed, 892), 0},
      {"count one more than the items", true, countPlusOne, MakeErrorCode(qecReadFailed, 893), 3},
      {"last item cut short", true, std::vector<uint8_t>(whole.begin(), whole.end() - 1),
       MakeErrorCode(qecReadFailed, 893), 2},
      {"wrong details signature", true, list(1, item({0, 0, 0, 0}, true)), MakeErrorCode(qecBadSignature, 893), 0},
      {"item: no data size", false, item({}), MakeErrorCode(qecReadFailed, 872), 0},
      {"item: data one byte past the end", false, item({5, 0, 0, 0, 1, 2, 3, 4}), MakeErrorCode(qecReadFailed, 873), 0},
      {"item: data size 4 GiB", false, item({0xF0, 0xFF, 0xFF, 0xFF}), MakeErrorCode(qecReadFailed, 873), 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream s;
    Fill(s, c.Data);
    TQzAudioPresetList l;
    TQzCustomAudioPresetItem one;
    TQzStreamClass& reader = c.List ? static_cast<TQzStreamClass&>(l) : one;
    EXPECT_FALSE(reader.LoadFromStream(&s));
    EXPECT_EQ(std::tuple(reader.Error, l.Count(), one.GetData()->GetSize(), reader.ErrorLog.empty()),
              std::tuple(c.Error, c.ItemsKept, 0, false))
        << ErrorCodeToStr(reader.Error);
  }
  // Exactly the bytes declared: read whole.
  TMemoryStream exact;
  Fill(exact, item({4, 0, 0, 0, 1, 2, 3, 4}));
  TQzCustomAudioPresetItem one;
  EXPECT_TRUE(one.LoadFromStream(&exact));
  EXPECT_EQ(one.GetData()->GetSize(), 4);
  EXPECT_FALSE(TQzAudioPresetList().LoadFromStream(nullptr) || TQzAudioPresetList().SaveToStream(nullptr));
}

// An item made with its manager joins the manager's Items and leaves them when freed; one of no
// manager's belongs to no list; the manager frees what it still holds.
TEST(AudioPresets, ItemsJoinAndLeaveTheirManager) {
  auto* manager = new TManager(nullptr);
  auto* first = new TQzCustomAudioPresetItem(manager);
  auto* second = new TQzCustomAudioPresetItem(manager);
  TQzCustomAudioPresetItem* third = manager->GetItems()->Add();
  EXPECT_EQ((std::vector{manager->Item(0), manager->Item(1), manager->Item(2)}), (std::vector{first, second, third}));
  EXPECT_EQ(third->GetManager(), manager);
  delete second;
  EXPECT_EQ(std::tuple(manager->Count(), manager->Item(1)), std::tuple(2, third));
  TQzCustomAudioPresetItem lone;
  EXPECT_EQ(std::tuple(lone.GetManager(), manager->Count()), std::tuple(nullptr, 2));
  delete manager;  // frees first and third
}

// A root that publishes a preset's details record, as a preset editor would.
class TPresetDetailsHost : public TComponent {
public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TPresetDetailsHost"; }
  TQzAudioPresetDetails* GetDetails() const { return FItem.GetDetails(); }

private:
  TQzCustomAudioPresetItem FItem;
};

// The details record publishes its texts and content size under their own names.
TEST(AudioPresets, DetailsPublishTheirProperties) {
  RegisterQzAudioPresetManagerClasses();
  TClassRegistrar<TPresetDetailsHost>("TPresetDetailsHost", "TComponent", false)
      .Object("Details", &TPresetDetailsHost::GetDetails);
  using D = TQzAudioPresetDetails;
  const std::pair<const char*, int> texts[] = {
      {"Title", D::pdsTitle},     {"Description", D::pdsDescription}, {"Keywords", D::pdsKeywords},
      {"Author", D::pdsAuthor},   {"Publisher", D::pdsPublisher},     {"Copyright", D::pdsCopyright},
      {"Notes", D::pdsNotes},     {"Version", D::pdsVersion},         {"Date", D::pdsDate},
      {"Genre", D::pdsGenre},     {"Category", D::pdsCategory},       {"FileName", D::pdsFileName},
      {"ProductType", D::pdsProductType}, {"ProductID", D::pdsProductID},
  };
  std::string form = "object Host: TPresetDetailsHost\n  Details.ContentSize = 4096\n";
  for (const auto& [name, index] : texts) form += std::string("  Details.") + name + " = 'text of " + name + "'\n";
  TPresetDetailsHost host(nullptr);
  TFormReader::ReadRootComponent(&host, form + "end\n");
  for (const auto& [name, index] : texts)
    EXPECT_EQ(host.GetDetails()->GetString(index), std::string("text of ") + name);
  EXPECT_EQ(host.GetDetails()->GetContentSize(), 4096);
}
