#include "core/Classes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/SysUtils.h"

namespace {

std::filesystem::path TempDir() {
  const auto dir = std::filesystem::temp_directory_path() / ("qzstream-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

std::vector<uint8_t> Bytes(int Count, int Seed = 0) {
  std::vector<uint8_t> v(static_cast<size_t>(Count));
  for (int i = 0; i < Count; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 31 + Seed);
  return v;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(ClassesStream, MemoryReadWriteSizeAndShortReads) {
  TMemoryStream s;
  const auto data = Bytes(100);
  EXPECT_EQ(s.Write(data.data(), 100), 100);
  uint8_t buf[64] = {};
  s.SetPosition(90);
  EXPECT_EQ(s.Read(buf, 64), 10);  // short read at the end
  EXPECT_EQ(std::memcmp(buf, data.data() + 90, 10), 0);
  for (int count : {1, 0, -5}) EXPECT_EQ(s.Read(buf, count), 0) << count;
  for (int count : {0, -5}) EXPECT_EQ(s.Write(buf, count), 0) << count;
  EXPECT_EQ(s.Data(), data);
  // Writing past the end fills the gap with zeros; reading there moves nothing.
  s.SetSize(2);
  EXPECT_EQ(s.GetPosition(), 2);  // pulled back inside
  s.SetPosition(6);
  EXPECT_EQ(s.Read(buf, 4), 0);
  EXPECT_EQ(s.Write("cd", 2), 2);
  EXPECT_EQ(s.Data(), (std::vector<uint8_t>{data[0], data[1], 0, 0, 0, 0, 'c', 'd'}));
  s.SetSize(-3);
  EXPECT_EQ(s.GetSize(), 0);
  // Positions no memory could reach refuse the write instead of allocating.
  s.Write("x", 1);
  for (int64_t pos : {TMemoryStream::MaxSize, TMemoryStream::MaxSize - 1, std::numeric_limits<int64_t>::max()}) {
    s.SetPosition(pos);
    EXPECT_EQ(s.Write("yz", 2), 0) << pos;
  }
  EXPECT_THROW(s.SetSize(TMemoryStream::MaxSize + 1), EStreamError);
  EXPECT_EQ(s.GetSize(), 1);
}

TEST(ClassesStream, MemorySeek) {
  TMemoryStream s;
  const auto data = Bytes(10);
  s.Write(data.data(), 10);
  struct Case { int64_t Offset; TSeekOrigin Origin; int64_t Expect; };
  const Case cases[] = {
      {3, soBeginning, 3},   {2, soCurrent, 5},     {-1, soCurrent, 4},  {0, soEnd, 10},
      {-4, soEnd, 6},        {-100, soCurrent, 0},  {-1, soBeginning, 0}, {25, soEnd, 35},
      {5, soBeginning, 5},
      // Offsets that would overflow saturate instead of wrapping.
      {std::numeric_limits<int64_t>::max(), soBeginning, std::numeric_limits<int64_t>::max()},
      {10, soCurrent, std::numeric_limits<int64_t>::max()},
      {std::numeric_limits<int64_t>::min(), soEnd, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(s.Seek(c.Offset, c.Origin), c.Expect) << c.Offset;
  EXPECT_EQ(s.GetSize(), 10);
}

TEST(ClassesStream, BufferHelpersAndCopiesAreAllOrNothing) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  s.SetPosition(2);
  char buf[8] = {};
  s.ReadBuffer(buf, 3);
  EXPECT_STREQ(buf, "cde");
  EXPECT_THROW(s.ReadBuffer(buf, 2), EReadError);  // only one byte left
  s.ReadBuffer(buf, 0);                            // nothing asked, nothing wrong
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);

  TMemoryStream src;
  const auto data = Bytes(200000, 7);  // larger than one copy chunk
  src.Write(data.data(), static_cast<int32_t>(data.size()));
  src.SetPosition(123);
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(&src, 0), 200000);  // 0: the whole source from its start
  EXPECT_EQ(all.Data(), data);
  TMemoryStream part;
  src.SetPosition(10);
  EXPECT_EQ(part.CopyFrom(&src, 5), 5);
  EXPECT_EQ(part.Data(), std::vector<uint8_t>(data.begin() + 10, data.begin() + 15));
  EXPECT_EQ(src.GetPosition(), 15);
  src.SetPosition(199990);
  EXPECT_THROW(part.CopyFrom(&src, 20), EReadError);
  EXPECT_EQ(part.CopyFrom(&src, -1), 0);
}

TEST(ClassesStream, FileCreateWriteReopenReadAndResize) {
  const auto path = TempDir() / "file.bin";
  const auto data = Bytes(1000, 3);
  {
    TFileStream f(path.string(), fmCreate);
    EXPECT_EQ(f.FileName(), path.string());
    EXPECT_EQ(f.Write(data.data(), 1000), 1000);
    EXPECT_EQ(f.GetSize(), 1000);
  }
  EXPECT_EQ(FileBytes(path), data);
  {
    TFileStream f(path.string(), fmOpenRead | fmShareDenyNone);
    std::vector<uint8_t> buf(600);
    EXPECT_EQ(f.Read(buf.data(), 600), 600);
    EXPECT_EQ(f.Read(buf.data(), 600), 400);  // short read at the end
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 400, data.begin() + 600));
    // Past the end is a valid position; before the start the position stays; opened for
    // reading only, nothing is written.
    EXPECT_EQ(std::vector<int64_t>({f.Seek(5000, soBeginning), f.Read(buf.data(), 10), f.Seek(-10, soEnd),
                                    f.Seek(-2000, soCurrent), f.Write(data.data(), 4)}),
              std::vector<int64_t>({5000, 0, 990, 990, 0}));
  }
  {
    TFileStream f(path.string(), fmCreate);  // a second create truncates
    EXPECT_EQ(f.GetSize(), 0);
    f.Write("ab", 2);
    f.Seek(6, soBeginning);
    f.Write("cd", 2);
    EXPECT_EQ(f.GetSize(), 8);
  }
  EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{'a', 'b', 0, 0, 0, 0, 'c', 'd'}));
  {
    TFileStream f(path.string(), fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.SetSize(3);
    EXPECT_EQ(f.GetPosition(), 3);
    EXPECT_THROW(f.SetSize(-1), EWriteError);
    f.SetPosition(0);
    EXPECT_EQ(f.Write("X", 1), 1);
  }
  EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{'X', 'b', 0}));
  // A memory stream through a file: the whole content, the position back at the start.
  TMemoryStream out, in;
  out.Write(data.data(), 777);
  out.SetPosition(20);
  out.SaveToFile(path.string());
  in.Write("old", 3);
  in.LoadFromFile(path.string());
  EXPECT_EQ(std::pair(in.Data(), in.GetPosition()),
            std::pair(std::vector<uint8_t>(data.begin(), data.begin() + 777), int64_t{0}));
  std::filesystem::remove(path);
}

TEST(ClassesStream, FileOpenAndCreateFailures) {
  const auto dir = TempDir();
  EXPECT_THROW(TFileStream((dir / "missing.bin").string(), fmOpenReadWrite), EFOpenError);
  EXPECT_THROW(TFileStream(dir.string(), fmOpenRead), EFOpenError);  // a directory
  EXPECT_THROW(TFileStream(dir.string(), fmCreate), EFCreateError);
  // Both are stream errors, which is what the persistable bases catch.
  try {
    TFileStream f((dir / "missing.bin").string(), fmOpenRead);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos);
  }
  TMemoryStream m;
  EXPECT_THROW(m.LoadFromFile((dir / "missing.bin").string()), EFOpenError);
  EXPECT_THROW(m.SaveToFile((dir / "no-dir" / "x.bin").string()), EFCreateError);
  TPersistent a, b;
  EXPECT_THROW(a.Assign(&b), EConvertError);
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

// Names compare case-blind over their whole length: a name never matches a longer one that
// starts the same way, in either order.
TEST(SysUtils, CaseBlindNameComparison) {
  struct TCase { const char *A, *B; int Order; } cases[] = {  // Order: the sign of CompareText
      {"Caption", "caption", 0}, {"", "", 0},           {"abc", "abd", -1},   {"ABD", "abc", 1},
      {"Font", "FontSize", -1},  {"fontsize", "FONT", 1}, {"", "a", -1},      {"a", "", 1},
      {"[", "a", 1},             {"_", "A", 1},         {"\xE9", "\xC9", 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.A << "\" vs \"" << c.B << '"');
    const int order = CompareText(c.A, c.B);
    EXPECT_EQ(std::pair((order > 0) - (order < 0), SameText(c.A, c.B)), std::pair(c.Order, c.Order == 0));
  }
  EXPECT_EQ(UpperCase("ab[z]\xE9"), "AB[Z]\xE9");
  EXPECT_EQ(LowerCase("AB@Z\xC9"), "ab@z\xC9");
}
