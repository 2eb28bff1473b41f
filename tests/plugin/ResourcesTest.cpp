// Named resources compiled into the program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/Resources.h"

namespace {
TEST(Resources, FoundByNameIgnoringCase) {
  const TQzResource* face = QzFindResource("FACE");
  ASSERT_NE(face, nullptr);
  for (const char* name : {"face", "Face", "fAcE"}) EXPECT_EQ(QzFindResource(name), face) << name;
  for (const char* name : {"", "FAC", "FACEX", "FACE.bmp", "FACE ", "F"}) EXPECT_EQ(QzFindResource(name), nullptr) << name;
  EXPECT_STREQ(face->Type, "BMP");
  // Names with embedded zeros are not names.
  EXPECT_EQ(QzFindResource(std::string_view("FACE\0X", 6)), nullptr);
}

TEST(Resources, ListedOnceEach) {
  ASSERT_GE(QzResourceCount(), 1u);
  for (size_t i = 0; i < QzResourceCount(); ++i) {
    const TQzResource* r = QzResourceAt(i);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(QzFindResource(r->Name), r) << r->Name;
    EXPECT_NE(r->Data, nullptr);
  }
  EXPECT_EQ(QzResourceAt(QzResourceCount()), nullptr);
}

TEST(Resources, FaceIsA24BitBitmapOf250By145) {
  const TQzResource* face = QzFindResource("FACE");
  ASSERT_NE(face, nullptr);
  ASSERT_GE(face->Size, 54u);
  // Little-endian fields of the file and picture headers.
  auto field = [face](size_t At, size_t Bytes) {
    int64_t v = 0;
    std::memcpy(&v, face->Data + At, Bytes);
    return v;
  };
  EXPECT_EQ(std::memcmp(face->Data, "BM", 2), 0);
  // File size, width, height, planes, bits per pixel, compression.
  EXPECT_EQ(std::vector<int64_t>({field(2, 4), field(18, 4), field(22, 4), field(26, 2), field(28, 2), field(30, 4)}),
            std::vector<int64_t>({static_cast<int64_t>(face->Size), 250, 145, 1, 24, 0}));
  EXPECT_EQ(face->Size, static_cast<size_t>(field(10, 4)) + ((250 * 3 + 3) & ~3) * 145);
}
}  // namespace
