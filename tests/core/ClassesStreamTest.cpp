#include "core/Classes.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>

namespace {

std::filesystem::path TempDir() {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("qzstream-" + std::to_string(::getpid()));
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

TEST(ClassesStream, MemoryReadWriteAndShortReads) {
  TMemoryStream s;
  const auto data = Bytes(100);
  EXPECT_EQ(s.Write(data.data(), 100), 100);
  EXPECT_EQ(s.GetSize(), 100);
  EXPECT_EQ(s.GetPosition(), 100);

  uint8_t buf[64] = {};
  s.SetPosition(90);
  EXPECT_EQ(s.Read(buf, 64), 10);  // short read at the end
  EXPECT_EQ(std::memcmp(buf, data.data() + 90, 10), 0);
  EXPECT_EQ(s.GetPosition(), 100);
  EXPECT_EQ(s.Read(buf, 1), 0);
  EXPECT_EQ(s.Read(buf, 0), 0);
  EXPECT_EQ(s.Read(buf, -5), 0);
  EXPECT_EQ(s.Write(buf, 0), 0);
  EXPECT_EQ(s.Write(buf, -5), 0);
  EXPECT_EQ(s.GetSize(), 100);

  s.SetPosition(0);
  EXPECT_EQ(s.Read(buf, 64), 64);
  EXPECT_EQ(std::memcmp(buf, data.data(), 64), 0);
  EXPECT_EQ(s.Data(), data);
}

TEST(ClassesStream, MemorySeek) {
  TMemoryStream s;
  const auto data = Bytes(10);
  s.Write(data.data(), 10);
  struct Case {
    int64_t Offset;
    TSeekOrigin Origin;
    int64_t Expect;
  };
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

TEST(ClassesStream, MemoryWritePastEndFillsWithZeros) {
  TMemoryStream s;
  s.Write("ab", 2);
  s.SetPosition(6);
  uint8_t buf[4];
  EXPECT_EQ(s.Read(buf, 4), 0);  // reading past the end moves nothing
  EXPECT_EQ(s.GetSize(), 2);
  EXPECT_EQ(s.Write("cd", 2), 2);
  const std::vector<uint8_t> expect = {'a', 'b', 0, 0, 0, 0, 'c', 'd'};
  EXPECT_EQ(s.Data(), expect);
}

TEST(ClassesStream, MemoryRefusesAbsurdPositions) {
  TMemoryStream s;
  s.Write("x", 1);
  for (int64_t pos : {TMemoryStream::MaxSize, TMemoryStream::MaxSize - 1,
                      std::numeric_limits<int64_t>::max()}) {
    s.SetPosition(pos);
    EXPECT_EQ(s.Write("yz", 2), 0) << pos;
    EXPECT_EQ(s.GetSize(), 1);
  }
  EXPECT_THROW(s.SetSize(TMemoryStream::MaxSize + 1), EStreamError);
  EXPECT_EQ(s.GetSize(), 1);
}

TEST(ClassesStream, MemorySetSizeAndClear) {
  TMemoryStream s;
  const auto data = Bytes(20);
  s.Write(data.data(), 20);
  s.SetSize(8);
  EXPECT_EQ(s.GetSize(), 8);
  EXPECT_EQ(s.GetPosition(), 8);  // pulled back inside
  s.SetSize(12);
  EXPECT_EQ(s.GetPosition(), 8);
  const std::vector<uint8_t> expect = {data[0], data[1], data[2], data[3], data[4], data[5],
                                       data[6], data[7], 0,       0,       0,       0};
  EXPECT_EQ(s.Data(), expect);
  s.SetSize(-3);
  EXPECT_EQ(s.GetSize(), 0);
  s.Write("abc", 3);
  s.Clear();
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.GetPosition(), 0);
}

TEST(ClassesStream, BufferHelpersAreAllOrNothing) {
  TMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  s.SetPosition(2);
  char buf[8] = {};
  s.ReadBuffer(buf, 3);
  EXPECT_STREQ(buf, "cde");
  EXPECT_THROW(s.ReadBuffer(buf, 2), EReadError);  // only one byte left
  s.ReadBuffer(buf, 0);                            // nothing asked, nothing wrong
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
}

TEST(ClassesStream, CopyFrom) {
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

TEST(ClassesStream, MemoryStreamCopiesToAndFromStreams) {
  TMemoryStream a;
  const auto data = Bytes(50);
  a.Write(data.data(), 50);
  a.SetPosition(20);
  TMemoryStream b;
  b.Write("zz", 2);
  a.SaveToStream(&b);  // the whole content, wherever the position stood
  EXPECT_EQ(b.GetSize(), 52);
  TMemoryStream c;
  c.LoadFromStream(&b);
  EXPECT_EQ(c.GetSize(), 52);
  EXPECT_EQ(c.GetPosition(), 0);
  EXPECT_EQ(std::vector<uint8_t>(c.Data().begin() + 2, c.Data().end()), data);
}

TEST(ClassesStream, FileCreateWriteReopenRead) {
  const auto path = TempDir() / "file.bin";
  const auto data = Bytes(1000, 3);
  {
    TFileStream f(path.string(), fmCreate);
    EXPECT_EQ(f.FileName(), path.string());
    EXPECT_EQ(f.Write(data.data(), 1000), 1000);
    EXPECT_EQ(f.GetSize(), 1000);
    EXPECT_EQ(f.GetPosition(), 1000);
  }
  EXPECT_EQ(FileBytes(path), data);
  {
    TFileStream f(path.string(), fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(f.GetSize(), 1000);
    std::vector<uint8_t> buf(600);
    EXPECT_EQ(f.Read(buf.data(), 600), 600);
    EXPECT_EQ(f.Read(buf.data(), 600), 400);  // short read at the end
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + 400, data.begin() + 600));
    EXPECT_EQ(f.Read(buf.data(), 1), 0);
    EXPECT_EQ(f.Seek(5000, soBeginning), 5000);  // past the end is a valid position
    EXPECT_EQ(f.Read(buf.data(), 10), 0);
    EXPECT_EQ(f.Seek(-10, soEnd), 990);
    EXPECT_EQ(f.Seek(-2000, soCurrent), 990);  // before the start: the position stays
    EXPECT_EQ(f.Write(data.data(), 4), 0);      // opened for reading only
    EXPECT_EQ(f.GetSize(), 1000);
  }
  // A second create truncates.
  {
    TFileStream f(path.string(), fmCreate);
    EXPECT_EQ(f.GetSize(), 0);
  }
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  std::filesystem::remove(path);
}

TEST(ClassesStream, FileWritePastEndAndResize) {
  const auto path = TempDir() / "gap.bin";
  {
    TFileStream f(path.string(), fmCreate);
    f.Write("ab", 2);
    f.Seek(6, soBeginning);
    f.Write("cd", 2);
    EXPECT_EQ(f.GetSize(), 8);
  }
  const std::vector<uint8_t> expect = {'a', 'b', 0, 0, 0, 0, 'c', 'd'};
  EXPECT_EQ(FileBytes(path), expect);
  {
    TFileStream f(path.string(), fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.SetSize(3);
    EXPECT_EQ(f.GetSize(), 3);
    EXPECT_EQ(f.GetPosition(), 3);
    EXPECT_THROW(f.SetSize(-1), EWriteError);
    f.SetPosition(0);
    EXPECT_EQ(f.Write("X", 1), 1);
  }
  EXPECT_EQ(FileBytes(path), (std::vector<uint8_t>{'X', 'b', 0}));
  std::filesystem::remove(path);
}

TEST(ClassesStream, FileOpenAndCreateFailures) {
  const auto dir = TempDir();
  EXPECT_THROW(TFileStream((dir / "missing.bin").string(), fmOpenRead | fmShareDenyNone),
               EFOpenError);
  EXPECT_THROW(TFileStream((dir / "missing.bin").string(), fmOpenReadWrite), EFOpenError);
  EXPECT_THROW(TFileStream(dir.string(), fmOpenRead), EFOpenError);  // a directory
  EXPECT_THROW(TFileStream((dir / "no-dir" / "x.bin").string(), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(dir.string(), fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream("", fmOpenRead), EFOpenError);
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
}

TEST(ClassesStream, MemoryStreamFileRoundTrip) {
  const auto path = TempDir() / "mem.bin";
  TMemoryStream out;
  const auto data = Bytes(777, 9);
  out.Write(data.data(), 777);
  out.SaveToFile(path.string());
  TMemoryStream in;
  in.Write("old", 3);
  in.LoadFromFile(path.string());
  EXPECT_EQ(in.Data(), data);
  EXPECT_EQ(in.GetPosition(), 0);
  std::filesystem::remove(path);
}

TEST(ClassesStream, DefaultAssignRefuses) {
  TPersistent a, b;
  EXPECT_THROW(a.Assign(&b), EConvertError);
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}
