// Named resources compiled into the program.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
  int32_t fileSize, offset, width, height;
  uint16_t planes, bits;
  uint32_t compression;
  std::memcpy(&fileSize, face->Data + 2, 4);
  std::memcpy(&offset, face->Data + 10, 4);
  std::memcpy(&width, face->Data + 18, 4);
  std::memcpy(&height, face->Data + 22, 4);
  std::memcpy(&planes, face->Data + 26, 2);
  std::memcpy(&bits, face->Data + 28, 2);
  std::memcpy(&compression, face->Data + 30, 4);
  EXPECT_EQ(std::memcmp(face->Data, "BM", 2), 0);
  EXPECT_EQ(static_cast<size_t>(fileSize), face->Size);
  EXPECT_EQ(width, 250);
  EXPECT_EQ(height, 145);
  EXPECT_EQ(planes, 1);
  EXPECT_EQ(bits, 24);
  EXPECT_EQ(compression, 0u);
  EXPECT_EQ(face->Size, static_cast<size_t>(offset) + ((250 * 3 + 3) & ~3) * 145);
}
}  // namespace
