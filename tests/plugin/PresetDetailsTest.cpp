// The preset-details record and its scrambled stream (signature 55555).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/QzAudioClasses.h"

namespace {
std::vector<uint8_t> Save(TQzAudioPresetDetails& D) {
  TMemoryStream s;
  EXPECT_TRUE(D.SaveToStream(&s));
  return s.Data();
}

bool Load(TQzAudioPresetDetails& D, const std::vector<uint8_t>& Bytes) {
  TMemoryStream s;
  if (!Bytes.empty()) s.Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  s.SetPosition(0);
  return D.LoadFromStream(&s);
}

TQzAudioPresetDetails* Filled(TQzAudioPresetDetails& D) {
  for (int i = 0; i < TQzAudioPresetDetails::StringCount; ++i)
    D.SetString(i, "text " + std::to_string(i) + std::string(static_cast<size_t>(i), 'x'));
  std::array<uint8_t, TQzAudioPresetDetails::BlockSize> block;
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0xA0 + i);
  D.SetBlock(block);
  D.SetContentSize(232);
  return &D;
}

TEST(PresetDetails, DefaultsAndLayout) {
  TQzAudioPresetDetails d;
  EXPECT_EQ(d.GetProductID(), TQzAudioPresetDetails::DefaultProductID);
  EXPECT_EQ(d.GetContentSize(), 0);
  d.SetTitle("abc");
  const std::vector<uint8_t> bytes = Save(d);
  const size_t id = std::strlen(TQzAudioPresetDetails::DefaultProductID);
  ASSERT_EQ(bytes.size(), 8 + 24 + 16 * 2 + 3 + id + 32);
  uint32_t signature;
  std::memcpy(&signature, bytes.data(), 4);
  EXPECT_EQ(signature, 55555u);
  EXPECT_EQ(bytes[4], 2);
  EXPECT_EQ(bytes[5], 7);
  EXPECT_EQ(bytes[6] | bytes[7] << 8, 32);
  // The title: length 3, then "abc" scrambled from key position 0.
  EXPECT_EQ(bytes[32] | bytes[33] << 8, 3);
  uint8_t expected[3] = {'a', 'b', 'c'};
  ScrambleBuffer(expected, 3);
  EXPECT_EQ(std::memcmp(&bytes[34], expected, 3), 0);
  EXPECT_NE(std::memcmp(&bytes[34], "abc", 3), 0);
  // The product identifier, stored scrambled from key position 0 again.
  EXPECT_EQ(bytes[39] | bytes[40] << 8, static_cast<int>(id));
  std::string stored(reinterpret_cast<const char*>(&bytes[41]), id);
  ScrambleBuffer(stored.data(), static_cast<int32_t>(id));
  EXPECT_EQ(stored, TQzAudioPresetDetails::DefaultProductID);
}

TEST(PresetDetails, RoundTripKeepsEverything) {
  TQzAudioPresetDetails a, b;
  const std::vector<uint8_t> bytes = Save(*Filled(a));
  EXPECT_TRUE(Load(b, bytes));
  EXPECT_EQ(b.Error, 0u);
  for (int i = 0; i < TQzAudioPresetDetails::StringCount; ++i) EXPECT_EQ(b.GetString(i), a.GetString(i)) << i;
  EXPECT_EQ(b.GetBlock(), a.GetBlock());
  EXPECT_EQ(b.GetContentSize(), 232);
  EXPECT_EQ(Save(b), bytes);
  // Assign copies the same.
  TQzAudioPresetDetails c;
  c.Assign(&a);
  EXPECT_EQ(Save(c), bytes);
  c.Assign(static_cast<TPersistent*>(&b));
  EXPECT_EQ(Save(c), bytes);
}

TEST(PresetDetails, EmptyStoredTextKeepsTheRecordsText) {
  TQzAudioPresetDetails a, b;
  a.SetTitle("abc");
  b.SetNotes("x");
  EXPECT_TRUE(Load(b, Save(a)));
  EXPECT_EQ(b.GetTitle(), "abc");
  EXPECT_EQ(b.GetNotes(), "x");
}

TEST(PresetDetails, Notifications) {
  TQzAudioPresetDetails d;
  int changes = 0;
  d.OnChange = [&changes](TObject*) { ++changes; };
  d.SetAuthor("me");
  d.SetAuthor("me");
  d.SetContentSize(5);
  d.SetContentSize(5);
  EXPECT_EQ(changes, 2);
  d.Clear();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(d.GetAuthor(), "");
  EXPECT_EQ(d.GetContentSize(), 0);
  EXPECT_EQ(d.GetProductID(), TQzAudioPresetDetails::DefaultProductID);
  const std::vector<uint8_t> bytes = Save(d);
  EXPECT_EQ(changes, 3);  // saving notifies nobody
  Load(d, bytes);
  EXPECT_EQ(changes, 4);
  Load(d, {});  // a failed load notifies too
  EXPECT_EQ(changes, 5);
  d.Assign(static_cast<TQzAudioPresetDetails*>(nullptr));
  EXPECT_EQ(changes, 5);
}

TEST(PresetDetails, ClearKeepsReservedBytes) {
  TQzAudioPresetDetails d;
  Filled(d);
  const auto block = d.GetBlock();
  d.Clear();
  EXPECT_EQ(d.GetContentSize(), 0);
  EXPECT_TRUE(std::equal(block.begin() + 4, block.end(), d.GetBlock().begin() + 4));
}

TEST(PresetDetails, ReaderErrors) {
  TQzAudioPresetDetails source;
  const std::vector<uint8_t> good = Save(*Filled(source));
  // Offset of string 5's text: header, then strings 0..4 with their lengths.
  size_t at = 32;
  for (int i = 0; i < 5; ++i) at += 2 + source.GetString(i).size();
  const size_t insideString5 = at + 2 + 3;
  struct TCase {
    const char* What;
    std::vector<uint8_t> Bytes;
    uint32_t Error;
  };
  auto patched = [&good](size_t At, uint8_t Value) {
    std::vector<uint8_t> b = good;
    b[At] = Value;
    return b;
  };
  const TCase cases[] = {
      {"empty", {}, MakeErrorCode(qecReadFailed, 851)},
      {"7 bytes", {good.begin(), good.begin() + 7}, MakeErrorCode(qecReadFailed, 851)},
      {"signature 55556", patched(0, 0x04), MakeErrorCode(qecBadSignature, 852)},
      {"version 1", patched(4, 1), MakeErrorCode(qecBadVersion, 853)},
      {"version 3", patched(4, 3), MakeErrorCode(qecBadVersion, 853)},
      {"header size 4", patched(6, 4), MakeErrorCode(qecBadSignature, 852)},
      {"header only", {good.begin(), good.begin() + 32}, MakeErrorCode(qecReadFailed, 854)},
      {"inside a length", {good.begin(), good.begin() + 33}, MakeErrorCode(qecReadFailed, 854)},
      {"inside string 5", {good.begin(), good.begin() + static_cast<long>(insideString5)},
       MakeErrorCode(qecReadFailed, 855)},
      {"no block", {good.begin(), good.end() - 32}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TQzAudioPresetDetails d;
    for (int i = 0; i < TQzAudioPresetDetails::StringCount; ++i) d.SetString(i, "old");
    d.SetContentSize(77);
    int changes = 0;
    d.OnChange = [&changes](TObject*) { ++changes; };
    EXPECT_EQ(Load(d, c.Bytes), c.Error == 0);
    EXPECT_EQ(d.Error, c.Error);
    EXPECT_EQ(changes, 1);
    if (c.Error != 0) {
      EXPECT_NE(d.ErrorLog.find(std::to_string(ErrorLocation(c.Error))), std::string::npos);
    }
    if (c.Error == MakeErrorCode(qecReadFailed, 855)) {
      for (int i = 0; i < 5; ++i) EXPECT_EQ(d.GetString(i), source.GetString(i)) << i;
      for (int i = 5; i < 16; ++i) EXPECT_EQ(d.GetString(i), "old") << i;
      EXPECT_EQ(d.GetContentSize(), 77);  // no block taken from inside a text
    }
    if (ErrorCategory(c.Error) == qecBadSignature || ErrorCategory(c.Error) == qecBadVersion) {
      for (int i = 0; i < 16; ++i) EXPECT_EQ(d.GetString(i), "old") << i;
    }
  }
}

TEST(PresetDetails, WriterErrors) {
  TQzAudioPresetDetails d;
  EXPECT_FALSE(d.SaveToStream(nullptr));
  EXPECT_EQ(d.Error, MakeErrorCode(qecNoStream, 800));
  EXPECT_FALSE(d.LoadFromStream(nullptr));
  EXPECT_EQ(d.Error, MakeErrorCode(qecNoStream, 850));
  // A 16-bit length holds the text length modulo 65536, and exactly that many bytes follow.
  TQzAudioPresetDetails big, back;
  big.SetDescription(std::string(65536 + 5, 'q'));
  back.SetDescription("old");
  const std::vector<uint8_t> bytes = Save(big);
  EXPECT_EQ(bytes[34] | bytes[35] << 8, 5);
  EXPECT_TRUE(Load(back, bytes));
  EXPECT_EQ(back.GetDescription(), "qqqqq");
}
}  // namespace
