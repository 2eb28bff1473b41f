#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "ui/controls/QzAudioPresets.h"

namespace {
std::vector<uint8_t> Bytes(TMemoryStream& S) { return S.Data(); }

void Put32(std::vector<uint8_t>& V, uint32_t X) {
  for (int i = 0; i < 4; ++i) V.push_back(static_cast<uint8_t>(X >> (8 * i)));
}

void Fill(TMemoryStream& S, const std::vector<uint8_t>& V) {
  if (!V.empty()) S.Write(V.data(), static_cast<int32_t>(V.size()));
  S.SetPosition(0);
}

std::vector<uint8_t> DetailsBytes(const std::string& Title) {
  TQzAudioPresetDetails d;
  d.SetTitle(Title);
  TMemoryStream s;
  EXPECT_TRUE(d.SaveToStream(&s));
  return s.Data();
}

// A list of three presets: with data, without data, with a longer block.
void FillList(TQzAudioPresetList& List) {
  auto* a = new TQzCustomAudioPresetItem(&List);
  a->GetDetails()->SetTitle("Warm");
  a->GetDetails()->SetAuthor("Me");
  const char data[] = "MEQP-data";
  a->GetData()->Write(data, sizeof data);
  auto* b = new TQzCustomAudioPresetItem(&List);
  b->GetDetails()->SetTitle("Empty");
  auto* c = new TQzCustomAudioPresetItem(&List);
  c->GetData()->SetSize(1000);
  for (int i = 0; i < 1000; ++i) c->GetData()->Memory()[i] = static_cast<uint8_t>(i * 7);
}
}  // namespace

TEST(AudioPresets, ListRoundTripAndLayout) {
  TQzAudioPresetList list;
  FillList(list);
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(&s));
  const std::vector<uint8_t> written = Bytes(s);

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

  TQzAudioPresetList again;
  new TQzCustomAudioPresetItem(&again);  // loading frees what was there
  int changes = 0;
  again.OnChange = [&](TObject*) { ++changes; };
  s.SetPosition(0);
  ASSERT_TRUE(again.LoadFromStream(&s));
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(again.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(again.Item(i)->GetData()->Data(), list.Item(i)->GetData()->Data());
    EXPECT_EQ(again.Item(i)->GetDetails()->GetTitle(), list.Item(i)->GetDetails()->GetTitle());
    EXPECT_EQ(again.Item(i)->GetManager(), &again);
  }
  TMemoryStream rewritten;
  ASSERT_TRUE(again.SaveToStream(&rewritten));
  EXPECT_EQ(Bytes(rewritten), written);

  TQzAudioPresetList empty;
  TMemoryStream e;
  ASSERT_TRUE(empty.SaveToStream(&e));
  EXPECT_EQ(Bytes(e), std::vector<uint8_t>(4, 0));
  e.SetPosition(0);
  ASSERT_TRUE(again.LoadFromStream(&e));
  EXPECT_EQ(again.Count(), 0);
  EXPECT_EQ(again.Item(0), nullptr);
  EXPECT_EQ(again.Item(-1), nullptr);
}

TEST(AudioPresets, ItemsLeaveTheirListAndTheListFreesItems) {
  TQzAudioPresetList list;
  FillList(list);
  TQzCustomAudioPresetItem* middle = list.Item(1);
  delete middle;
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(1)->GetData()->GetSize(), 1000);
  list.ClearItems();
  EXPECT_EQ(list.Count(), 0);
  TQzCustomAudioPresetItem alone;
  EXPECT_EQ(alone.GetManager(), nullptr);
}

// Every stream below is damaged: the read must fail with the named category at the named step.
TEST(AudioPresets, DamagedStreamsFail) {
  TQzAudioPresetList good;
  FillList(good);
  TMemoryStream gs;
  ASSERT_TRUE(good.SaveToStream(&gs));
  const std::vector<uint8_t> whole = gs.Data();
  const std::vector<uint8_t> details = DetailsBytes("x");

  std::vector<uint8_t> badSignature = {1, 0, 0, 0};
  badSignature.insert(badSignature.end(), details.begin(), details.end());
  badSignature[4] ^= 0xFF;
  Put32(badSignature, 0);

  std::vector<uint8_t> sizeBeyond = {1, 0, 0, 0};
  sizeBeyond.insert(sizeBeyond.end(), details.begin(), details.end());
  Put32(sizeBeyond, 5);
  sizeBeyond.insert(sizeBeyond.end(), {1, 2, 3, 4});  // one byte short

  std::vector<uint8_t> hugeSize = {1, 0, 0, 0};
  hugeSize.insert(hugeSize.end(), details.begin(), details.end());
  Put32(hugeSize, 0xFFFFFFFF);

  std::vector<uint8_t> noSize = {1, 0, 0, 0};
  noSize.insert(noSize.end(), details.begin(), details.end());

  struct TCase {
    const char* Name;
    std::vector<uint8_t> Data;
    uint32_t Error;
    int32_t ItemsKept;
  };
  const std::vector<TCase> cases = {
      {"nothing", {}, MakeErrorCode(qecReadFailed, 891), 0},
      {"three count bytes", {1, 0, 0}, MakeErrorCode(qecReadFailed, 891), 0},
      {"count too large for the stream", {0xFF, 0xFF, 0xFF, 0xFF}, MakeErrorCode(qecReadFailed, 892), 0},
      {"count one more than the items", [&] {
         std::vector<uint8_t> v = whole;
         v[0] = 4;
         return v;
       }(), MakeErrorCode(qecReadFailed, 893), 3},
      {"last item cut short", std::vector<uint8_t>(whole.begin(), whole.end() - 1), MakeErrorCode(qecReadFailed, 893), 2},
      {"wrong details signature", badSignature, MakeErrorCode(qecBadSignature, 893), 0},
      {"data size beyond the stream", sizeBeyond, MakeErrorCode(qecReadFailed, 893), 0},
      {"data size 4 GiB", hugeSize, MakeErrorCode(qecReadFailed, 893), 0},
      {"no data size", noSize, MakeErrorCode(qecReadFailed, 893), 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream s;
    Fill(s, c.Data);
    TQzAudioPresetList list;
    EXPECT_FALSE(list.LoadFromStream(&s));
    EXPECT_EQ(list.Error, c.Error) << ErrorCodeToStr(list.Error);
    EXPECT_EQ(list.Count(), c.ItemsKept);
    EXPECT_FALSE(list.ErrorLog.empty());
  }
  EXPECT_FALSE(TQzAudioPresetList().LoadFromStream(nullptr));
  EXPECT_FALSE(TQzAudioPresetList().SaveToStream(nullptr));
}

// A huge declared count in a tiny stream, read many times: each read must fail without making
// items, so the whole loop stays far below what 4 billion allocations would take.
TEST(AudioPresets, HostileCountsFailQuickly) {
  std::vector<uint8_t> v;
  Put32(v, 0xFFFFFFFF);
  const std::vector<uint8_t> details = DetailsBytes("");
  v.insert(v.end(), details.begin(), details.end());
  Put32(v, 0xFFFFFFF0);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) {
    TMemoryStream s;
    Fill(s, v);
    TQzAudioPresetList list;
    ASSERT_FALSE(list.LoadFromStream(&s));
    ASSERT_EQ(list.Count(), 0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // The item alone with a 4 GiB size: refused before its data block grows.
  std::vector<uint8_t> item = details;
  Put32(item, 0xFFFFFFFF);
  TMemoryStream s;
  Fill(s, item);
  TQzCustomAudioPresetItem one;
  EXPECT_FALSE(one.LoadFromStream(&s));
  EXPECT_EQ(one.Error, MakeErrorCode(qecReadFailed, 873));
  EXPECT_EQ(one.GetData()->GetSize(), 0);
}

TEST(AudioPresets, ItemClearAndEmptyData) {
  TQzCustomAudioPresetItem item;
  item.GetDetails()->SetTitle("T");
  item.GetData()->SetSize(3);
  int changes = 0;
  item.OnChange = [&](TObject*) { ++changes; };
  item.Clear();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(item.GetData()->GetSize(), 0);
  EXPECT_EQ(item.GetDetails()->GetTitle(), "");

  TMemoryStream s;
  ASSERT_TRUE(item.SaveToStream(&s));
  const std::vector<uint8_t> details = DetailsBytes("");
  ASSERT_EQ(s.GetSize(), static_cast<int64_t>(details.size() + 4));
  EXPECT_EQ(std::vector<uint8_t>(s.Data().end() - 4, s.Data().end()), std::vector<uint8_t>(4, 0));
}
