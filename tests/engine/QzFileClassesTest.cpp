#include "core/QzFileClasses.h"
#include "core/QzUtils.h"
#include "engine/QzAudioMicroEQ.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "tests/common/TestStreams.h"

namespace {

// A stored record for the file operations of the base: the equaliser's preset (100 bytes), whose
// load may be made to raise as a descendant's might.
class TRecord : public TQzAudioMicroEqualizerPreset {
public:
  bool ThrowOnLoad = false;
  bool LoadFromStream(TStream* Stream) override {
    if (ThrowOnLoad) throw EReadError("descendant failure");
    return TQzAudioMicroEqualizerPreset::LoadFromStream(Stream);
  }
};

// Counts what a persistable object reports.
template <class T>
struct TWatched : T {
  int Changes = 0;
  int Ended = 0;
  TWatched() {
    this->OnChange = [this](TObject* Sender) {
      EXPECT_EQ(Sender, static_cast<TObject*>(this));
      ++Changes;
    };
  }
  void UpdateEnded() override { ++Ended; }
  // Error, error log, file name, notifications, update counter and ended batches, to compare at once.
  auto State() const {
    return std::tuple(this->Error, this->ErrorLog, this->FileName, Changes, this->UpdateCount, Ended);
  }
};

std::string TempPath(const std::string& Leaf) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("qzfile-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return (dir / Leaf).string();
}

}  // namespace

template <class T>
class QzPersistableBases : public ::testing::Test {};
using BaseTypes = ::testing::Types<TQzStreamClass, TQzFileClass, TQzPersistentFileClass>;
TYPED_TEST_SUITE(QzPersistableBases, BaseTypes);

TYPED_TEST(QzPersistableBases, ErrorLogKeepsOneLinePerFailure) {
  TWatched<TypeParam> obj;
  const auto errors = [&obj] { return std::pair(obj.Error, obj.ErrorLog); };
  EXPECT_EQ(errors(), std::pair(0u, std::string()));
  obj.SetError(MakeErrorCode(1603, 402));
  EXPECT_EQ(obj.ErrorLog, "1603 402\r\n");
  obj.SetError(MakeErrorCode(1002, 7));
  EXPECT_EQ(errors(), std::pair(MakeErrorCode(1002, 7), std::string("1603 402\r\n1002 7\r\n")));
  obj.SetError(0);
  EXPECT_EQ(errors(), std::pair(0u, std::string("1603 402\r\n1002 7\r\n")));
  obj.ClearErrorLog();
  EXPECT_TRUE(obj.ErrorLog.empty());

  obj.SetError(MakeErrorCode(1000, 1));
  obj.FileName = "x";
  obj.Clear();
  EXPECT_EQ(obj.State(), std::tuple(0u, "", "", 0, 0u, 0));
}

TYPED_TEST(QzPersistableBases, UpdateCounterSuppressesNotifications) {
  TWatched<TypeParam> obj;
  EXPECT_FALSE(obj.IsUpdating());
  obj.Change();
  obj.DoChange();
  EXPECT_EQ(obj.Changes, 2);

  obj.BeginUpdate();
  obj.BeginUpdate();
  obj.EndUpdate();
  EXPECT_TRUE(obj.IsUpdating());
  obj.DoChange();
  obj.Change();
  EXPECT_EQ(obj.Changes, 2);  // nothing fired, nothing queued
  obj.EndUpdate();
  EXPECT_FALSE(obj.IsUpdating());
  EXPECT_EQ(obj.Changes, 2);  // EndUpdate itself does not notify
  obj.DoChange();
  EXPECT_EQ(obj.Changes, 3);
  obj.EndUpdate();  // on a counter of 0: no underflow, no hook
  EXPECT_EQ(obj.UpdateCount, 0u);
  EXPECT_EQ(obj.Ended, 2);
  obj.Change();
  EXPECT_EQ(obj.Changes, 4);

  obj.OnChange = nullptr;
  obj.DoChange();  // unassigned event: nothing happens
  EXPECT_EQ(obj.Changes, 4);
}

TEST(QzFileClasses, BaseStreamOperations) {
  // A code's text: the category, then the location in brackets, each of the full 16 bits.
  EXPECT_EQ(ErrorCodeToStr(MakeErrorCode(0xFFFF, 0xFFFE)), "65535 [65534]");
  TMemoryStream stream;
  stream.Write("abcd", 4);
  stream.SetPosition(1);

  TWatched<TQzStreamClass> plain;
  EXPECT_TRUE(plain.SaveToStream(&stream));
  EXPECT_TRUE(plain.LoadFromStream(&stream));
  EXPECT_EQ(stream.GetPosition(), 1);
  EXPECT_EQ(stream.GetSize(), 4);
  EXPECT_EQ(plain.Changes, 0);

  TWatched<TQzPersistentFileClass> persistent;
  persistent.SetError(MakeErrorCode(1002, 1));
  persistent.FileName = "f";
  EXPECT_TRUE(persistent.SaveToStream(&stream));
  EXPECT_EQ(persistent.State(), std::tuple(MakeErrorCode(1002, 1), "1002 1\r\n", "f", 0, 0u, 1));
  EXPECT_TRUE(persistent.LoadFromStream(&stream));
  EXPECT_EQ(persistent.State(), std::tuple(0u, "", "", 1, 0u, 2));
  EXPECT_EQ(stream.GetPosition(), 1);

  // Inside an outer batch the load's notification is swallowed.
  persistent.BeginUpdate();
  EXPECT_TRUE(persistent.LoadFromStream(&stream));
  EXPECT_EQ(persistent.Changes, 1);
  persistent.EndUpdate();
}

// Loading from a missing file, saving where no file can be made, a round trip
// that notifies once and a descendant's load that raises.
TEST(QzFileClasses, FileOperations) {
  TWatched<TQzFileClass> obj;
  obj.SetError(MakeErrorCode(1002, 9));
  const std::string log = obj.ErrorLog;
  const std::string missing = TempPath("does-not-exist.bin");
  EXPECT_FALSE(obj.LoadFromFile(missing));
  EXPECT_EQ(obj.State(), std::tuple(1201u + 2u * 65536u, log, missing, 1, 0u, 1));

  TWatched<TQzFileClass> bare;
  const std::string bad = TempPath("no-such-dir/out.bin");
  EXPECT_FALSE(bare.SaveToFile(bad));
  EXPECT_EQ(bare.State(), std::tuple(MakeErrorCode(qecCreateFailed, 1), "", bad, 0, 0u, 0));

  const std::string name = TempPath("tiny.bin");
  TRecord out;
  out.SetPan(-12.5f);
  ASSERT_TRUE(out.SaveToFile(name));
  EXPECT_EQ(out.FileName, name);
  EXPECT_EQ(std::filesystem::file_size(name), 100u);
  TRecord in;
  TChangeCounter changes(in);
  ASSERT_TRUE(in.LoadFromFile(name));
  EXPECT_EQ(std::tuple(in.GetPan(), in.FileName, changes.Count, in.UpdateCount), std::tuple(-12.5f, name, 1, 0u));

  in.ThrowOnLoad = true;
  EXPECT_THROW(in.LoadFromFile(name), EReadError);
  EXPECT_EQ(in.UpdateCount, 0u);
  in.Change();
  EXPECT_EQ(changes.Count, 2);
  std::filesystem::remove(name);
}

TEST(QzFileClasses, ScramblingUsesKeyByPositionModulo16) {
  EXPECT_EQ(DescrambleString(nullptr, 0), "");
  const std::vector<uint8_t> zeros(17, 0);
  const std::string keys = DescrambleString(zeros.data(), zeros.size());
  ASSERT_EQ(keys.size(), 17u);
  for (size_t i = 0; i < 17; ++i) EXPECT_EQ(static_cast<uint8_t>(keys[i]), QzDisplayKey[(i + 1) % 16]) << i;

  // Embedded zero bytes survive; scrambling is the exact inverse for every length and byte.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (const std::string& text : {std::string("Q"), std::string("Equaliser + Limiter 1.0"), all}) {
    const std::string stored = ScrambleString(text);
    ASSERT_EQ(stored.size(), text.size());
    EXPECT_EQ(DescrambleString(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()), text);
    EXPECT_EQ(UnscrambleString(std::vector<uint8_t>(stored.begin(), stored.end())), text);
  }

  // The buffer form: its own key stream; only count bytes are touched, zero or negative counts
  // touch nothing.
  std::vector<uint8_t> stream(20, 0);  // stored files depend on the key stream itself
  ScrambleBuffer(stream.data(), static_cast<int32_t>(stream.size()));
  for (size_t j = 0; j < stream.size(); ++j) EXPECT_EQ(stream[j], uint8_t(QzBufferKey[j % 16] + j % 16)) << j;
  std::vector<uint8_t> data(300);
  for (size_t j = 0; j < data.size(); ++j) data[j] = static_cast<uint8_t>(j * 7 + 3);
  auto copy = data;
  ScrambleBuffer(copy.data(), 5);
  EXPECT_TRUE(std::equal(copy.begin() + 5, copy.end(), data.begin() + 5));
  copy = data;
  ScrambleBuffer(copy.data(), 0);
  ScrambleBuffer(copy.data(), -4);
  EXPECT_EQ(copy, data);
}
