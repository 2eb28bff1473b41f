#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <tuple>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzEPF.h"
#include "graphics/QzPicList.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzStreamIO.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"

namespace {

template <class T>
void SetPicture(TQzPictureListItem* Item, int W, int H) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  b.GetCanvas()->SetPixel(W - 1, H - 1, RGB(200, 100, 50));
  T g;
  g.Assign(&b);
  Item->GetPicture()->Assign(&g);
}

class QzPicList : public testing::Test {
protected:
  void SetUp() override { QzRegisterPictureFormats(); }
};

TEST_F(QzPicList, EveryPictureFormatRoundTripsWithIDsAttributesAndThumbnails) {
  TQzPictureListItems list;
  SetPicture<TPortableNetworkGraphic>(new TQzPictureListItem(&list), 1000, 500);
  auto* tga = new TQzPictureListItem(&list);
  SetPicture<TQzTGAImage>(tga, 4, 3);
  SetPicture<TQzTIFImage>(new TQzPictureListItem(&list), 3, 4);
  SetPicture<TQzEPFImage>(new TQzPictureListItem(&list), 5, 5);
  SetPicture<TJPEGImage>(new TQzPictureListItem(&list), 16, 8);
  SetPicture<TBitmap>(new TQzPictureListItem(&list), 2, 2);
  auto* none = new TQzPictureListItem(&list);
  TQzPictureListItem::TAttributes block{};
  for (int i = 0; i < 32; ++i) block[i] = static_cast<uint8_t>(i * 5);
  tga->SetAttributes(block);
  tga->SetString(2, "author");
  none->SetAttribute(7);
  ASSERT_EQ(list.GetCount(), 7);
  std::set<uint16_t> ids;
  for (int i = 0; i < list.GetCount(); ++i) ids.insert(list.GetItem(i)->GetID());
  EXPECT_EQ(ids.size(), 7u);

  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(&s));
  s.SetPosition(0);
  TQzPictureListItems back;
  ASSERT_TRUE(back.LoadFromStream(&s)) << ErrorCodeToStr(back.Error);
  ASSERT_EQ(back.GetCount(), 7);
  EXPECT_EQ(s.GetPosition(), s.GetSize());
  const char* classes[] = {"TPortableNetworkGraphic", "TQzTGAImage", "TQzTIFImage",
                           "TQzEPFImage",             "TJPEGImage",  "TBitmap"};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    TQzPictureListItem* a = list.GetItem(i);
    TQzPictureListItem* b = back.GetItem(i);
    EXPECT_EQ(std::tuple(b->GetID(), b->GetAttributes(), back.FindByID(a->GetID()), b->GetThumbnail()->GetEmpty()),
              std::tuple(a->GetID(), a->GetAttributes(), b, i == 6));
    TGraphic* g = back.GetGraphicByID(a->GetID());
    EXPECT_EQ(g ? std::pair(g->ClassName(), g->GetWidth()) : std::pair(std::string("none"), 0),
              i < 6 ? std::pair(std::string(classes[i]), a->GetPicture()->GetWidth())
                    : std::pair(std::string("none"), 0));
  }
  const TJPEGImage* thumbnail = back.GetItem(0)->GetThumbnail();
  EXPECT_EQ(std::pair(thumbnail->GetWidth(), thumbnail->GetHeight()), std::pair(250, 125));
  EXPECT_EQ(back.GetItem(6)->GetAttribute(), 7);
  EXPECT_EQ(back.GetGraphicByID(static_cast<uint16_t>(*ids.begin() - 1)), nullptr);

  // A copy keeps the attribute blocks, strings and pictures; a deleted item leaves its list.
  TQzPictureListItems copy;
  copy.Assign(&list);
  ASSERT_EQ(copy.GetCount(), 7);
  for (int i = 0; i < 7; ++i) {
    const TQzPictureListItem *a = list.GetItem(i), *c = copy.GetItem(i);
    EXPECT_EQ(std::tuple(c->GetAttributes(), c->GetString(2), c->GetPicture()->GetWidth(), c->GetOwner()),
              std::tuple(a->GetAttributes(), a->GetString(2), a->GetPicture()->GetWidth(), &copy)) << i;
  }
  delete copy.GetItem(0);
  EXPECT_EQ(std::pair(copy.GetCount(), copy.GetItem(6)), std::pair(6, static_cast<TQzPictureListItem*>(nullptr)));
}

TEST_F(QzPicList, ItemRecordLayout) {
  // ID, picture length, the picture's own stream scrambled with the list's key from 0, the
  // 32-byte attribute block. The key is that of every stored list.
  const uint8_t key[16] = {0x6D, 0xE2, 0x19, 0xA4, 0x53, 0x8E, 0x37, 0xC0,
                           0x0B, 0x7F, 0xD5, 0x24, 0x9A, 0x41, 0xBE, 0x68};
  TQzPictureListItems list;
  auto* item = new TQzPictureListItem(&list);
  SetPicture<TBitmap>(item, 3, 2);
  item->SetID(0xBEEF);
  TQzPictureListItem::TAttributes block{};
  for (int i = 0; i < 32; ++i) block[i] = static_cast<uint8_t>(100 + i);
  item->SetAttributes(block);
  TMemoryStream picture;
  item->GetPicture()->GetGraphic()->SaveToStream(&picture);
  const TBytes plain = BytesOf(picture);
  TMemoryStream s;
  ASSERT_TRUE(list.SaveToStream(&s));
  const TBytes b = BytesOf(s);
  ASSERT_EQ(b.size(), 26 + 6 + plain.size() + 32);
  // Count, ID and picture length.
  EXPECT_EQ(std::vector<size_t>({QzGetU16(&b[8]), QzGetU16(&b[26]), QzGetU32(&b[28])}),
            std::vector<size_t>({1, 0xBEEF, plain.size()}));
  for (size_t i = 0; i < plain.size(); ++i) {
    const unsigned k = key[i % 16] + static_cast<unsigned>(i % 16);
    ASSERT_EQ(b[32 + i], static_cast<uint8_t>(plain[i] ^ (k & 0xFF))) << i;
  }
  EXPECT_EQ(TBytes(b.end() - 32, b.end()), TBytes(block.begin(), block.end()));
}

TEST_F(QzPicList, ReaderCases) {
  TBytes header = ReadGolden("piclist_empty.bin");
  auto make = [&](uint8_t Version, uint16_t HeaderSize, uint16_t Count, const TBytes& Items) {
    TBytes b = header;
    b[4] = Version;
    QzPutU16(&b[6], HeaderSize);
    QzPutU16(&b[8], Count);
    b.resize(std::max<size_t>(HeaderSize, 10), 0);
    b.insert(b.end(), Items.begin(), Items.end());
    return b;
  };
  TBytes emptyItem = {0x34, 0x12, 0, 0, 0, 0};
  emptyItem.resize(6 + 32, 0);
  emptyItem[6 + 4] = 55;
  TBytes badPicture = {0x35, 0x12, 3, 0, 0, 0, 1, 2, 3};
  badPicture.resize(9 + 32, 0);
  TBytes badThenEmpty = badPicture;
  badThenEmpty.insert(badThenEmpty.end(), emptyItem.begin(), emptyItem.end());
  struct Case { const char* Name; TBytes Data; uint32_t Error; int Count; };
  const Case cases[] = {
      {"header size 40", make(1, 40, 1, emptyItem), 0, 1},
      {"version 2", make(2, 26, 1, emptyItem), Code(1604, 703), 0},
      {"wrong magic", [&] { TBytes b = make(1, 26, 0, {}); b[0] = 'X'; return b; }(), Code(1603, 702), 0},
      {"header size 4", make(1, 4, 0, {}), Code(1603, 702), 0},
      {"count beyond the items", make(1, 26, 65535, emptyItem), Code(1002, 704), 1},
      {"picture undecodable stays", make(1, 26, 2, badThenEmpty), Code(1002, 704), 1},
      {"picture length past the end", make(1, 26, 1, {1, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2}), Code(1002, 704), 0},
      {"negative picture length", make(1, 26, 1, {1, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2}), Code(1002, 704), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TByteStream s(c.Data);
    TQzPictureListItems list;
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    const bool loaded = list.LoadFromStream(&s);
    EXPECT_EQ(std::tuple(loaded, list.Error, list.GetCount(), changes), std::tuple(c.Error == 0, c.Error, c.Count, 1));
    if (c.Count > 0 && c.Error == 0) {
      EXPECT_EQ((std::pair<int, int>(list.GetItem(0)->GetID(), list.GetItem(0)->GetAttribute())),
                std::pair(0x1234, 55));
    }
  }
}

// The count field holds 65,535 items: a list of one more is refused before anything is written.
// (A full list is loaded, which draws no IDs and so takes linear time, and one item added.)
TEST_F(QzPicList, AListOfMoreItemsThanTheCountHoldsIsRefused) {
  TQzPictureListItems one;
  new TQzPictureListItem(&one);
  TMemoryStream s;
  ASSERT_TRUE(one.SaveToStream(&s));
  const uint8_t* saved = s.Memory();
  const size_t head = QzGetU16(saved + 6);
  std::vector<uint8_t> full(saved, saved + head);
  for (int i = 0; i < 65535; ++i) full.insert(full.end(), saved + head, saved + s.GetSize());
  full[8] = full[9] = 0xFF;
  TMemoryStream in;
  in.WriteBuffer(full.data(), static_cast<int32_t>(full.size()));
  in.SetPosition(0);
  TQzPictureListItems list;
  ASSERT_TRUE(list.LoadFromStream(&in));
  new TQzPictureListItem(&list);
  TMemoryStream out;
  EXPECT_FALSE(list.SaveToStream(&out));
  EXPECT_EQ(std::pair(list.Error, out.GetSize()), std::pair(Code(1504, 705), int64_t{0}));
  delete list.GetItem(0);
  ASSERT_TRUE(list.SaveToStream(&out));
  EXPECT_EQ(QzGetU16(out.Memory() + 8), 65535);
}

}  // namespace
