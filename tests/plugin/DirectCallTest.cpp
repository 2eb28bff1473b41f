// The direct-call interface of the built library: every opcode, its -1 and -4 answers, the state
// exchange with the VST interface and the host callback.
#include <cstring>
#include <string>
#include <vector>

#include "HostCallLog.h"
#include "core/Resources.h"
#include "PluginLibrary.h"

namespace {
class DirectCall : public PluginLibraryTest {
protected:
  void SetUp() override {
    PluginLibraryTest::SetUp();
    Object = Lib.CreateInstance(0, &Log, reinterpret_cast<void*>(&THostCallLog::Record));
    ASSERT_NE(Object, nullptr);
  }
  void TearDown() override {
    if (Object) {
      EXPECT_EQ(Call(10004), 1);
    }
  }
  int32_t Call(int32_t Opcode, int32_t Argument = 0, void* Ptr = nullptr) {
    return Lib.CallObject(Opcode, Argument, Object, Ptr);
  }
  std::string Text(int32_t Opcode) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Call(Opcode, 0, buffer), 1) << Opcode;
    EXPECT_NE(std::memchr(buffer, 0, sizeof buffer), nullptr);
    return buffer;
  }
  THostCallLog Log;
  void* Object = nullptr;
};

TEST_F(DirectCall, IdentityTexts) {
  const struct {
    int32_t Opcode;
    const char* Fixed;  // nullptr: a display string of the program, 1 .. 30 characters
  } cases[] = {{11001, nullptr}, {11002, nullptr}, {11003, nullptr}, {11004, "1.6"}, {11005, "2025"},
               {11007, "RXW"},   {11008, "RXW"},   {11009, nullptr}, {11010, "Audio Plugin"}, {11011, "Equalizer"}};
  for (const auto& c : cases) {
    const std::string text = Text(c.Opcode);
    if (c.Fixed) {
      EXPECT_EQ(text, c.Fixed) << c.Opcode;
    } else {
      EXPECT_GE(text.size(), 1u) << c.Opcode;
      EXPECT_LE(text.size(), 30u) << c.Opcode;
    }
    EXPECT_EQ(Call(c.Opcode, 0, nullptr), -1) << c.Opcode;  // no buffer: not done, no crash
  }
  EXPECT_NE(Text(11001), "ZRT Plugin");
  EXPECT_NE(Text(11002), "ZRT Audio Plugin");
  EXPECT_NE(Text(11009).find(Text(11003)), std::string::npos);  // the notice names the maker
}

TEST_F(DirectCall, ValuesAndSettings) {
  const struct { int32_t Opcode, Argument, Answer; } cases[] = {
      {11015, 0, 0}, {12001, 0, 0}, {12002, 0, 0}, {13001, 0, 44100}, {13003, 0, 10000}, {13004, 0, 96000},
      {13005, 0, 96}, {13002, 48000, 1}, {13001, 0, 48000}, {13002, 96000, 1}, {13001, 0, 96000},
      {13007, 500, 1}, {13007, 0, 1}, {13007, 140, 1},
      {15005, 0, 1}, {15006, 0, 1}, {15005, 0, 0}, {15006, 2, 1}, {15005, 0, 0}, {15006, 1, 1}, {15005, 0, 1},
      {20002, 0, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(Call(c.Opcode, c.Argument), c.Answer) << c.Opcode << " " << c.Argument;
  char title[] = "Host title";
  EXPECT_EQ(Call(20002, 0, title), 1);
}

TEST_F(DirectCall, EditorRequestsThatNeedNoDisplay) {
  // Requests that hide, place or name the editor window run without showing it; those that
  // need a place for the result refuse a missing one.
  char caption[] = "Caption";
  int16_t rect[4] = {40, 0, 60, 0};
  const struct {
    int32_t Opcode, Argument;
    void* Ptr;
    int32_t Answer;
  } cases[] = {{10002, 0, nullptr, 1},  {15007, 0, nullptr, 0},  {15008, 0, nullptr, 1},    {17003, 0, nullptr, 1},
               {17003, 1, nullptr, 1},  {18002, 0, rect, 1},     {18002, 0, nullptr, -1},   {18001, 0, nullptr, -1},
               {20001, 0, caption, 1},  {20001, 0, nullptr, -1}, {15007, 0, nullptr, 0}};
  for (const auto& c : cases) EXPECT_EQ(Call(c.Opcode, c.Argument, c.Ptr), c.Answer) << c.Opcode;
  int16_t read[4] = {};
  EXPECT_EQ(Call(18001, 0, read), 1);
  // Left, width, top, height: where 18002 put it, at the editor's size.
  EXPECT_EQ(std::vector<int>({read[0], read[2], read[1] >= 1024, read[3] >= 595}), std::vector<int>({40, 60, 1, 1}));
}

TEST_F(DirectCall, UnknownOpcodes) {
  // The neighbours of every opcode range.
  for (int32_t opcode : {0, 10000, 10003, 11000, 11006, 11012, 11016, 12000, 12003, 13000, 13006, 13008, 15004,
                         15009, 16000, 16003, 16005, 17000, 17004, 18000, 18003, 20000, 20003, -1})
    EXPECT_EQ(Call(opcode, 1, nullptr), -4) << opcode;
}

TEST_F(DirectCall, StateOpcodes) {
  const int32_t size = Call(16001);
  ASSERT_EQ(size, 232);
  std::vector<uint8_t> buffer(300, 0xAB);
  // Nil pointer or too small a buffer: -1 and nothing written.
  EXPECT_EQ(std::vector<int>({Call(16002, 1000, nullptr), Call(16002, size - 1, buffer.data()), buffer[0]}), std::vector<int>({-1, -1, 0xAB}));
  EXPECT_EQ(Call(16002, size, buffer.data()), size);
  EXPECT_EQ(buffer[size], 0xAB);
  // Loading: nil, empty, negative or absurd sizes are refused and change nothing.
  Call(15006, 0);
  const std::vector<uint8_t> off = Lib.SaveState(Object);
  std::vector<uint8_t> fresh = buffer;  // the fresh state, switched on
  EXPECT_EQ(std::vector<int>({Call(16004, size, nullptr), Call(16004, 0, fresh.data()), Call(16004, -1, fresh.data()),
                              Call(16004, (1 << 20) + 1, fresh.data())}),
            std::vector<int>(4, -1));
  EXPECT_EQ(Lib.SaveState(Object), off);
  EXPECT_EQ(Call(16004, size, fresh.data()), 1);
  EXPECT_EQ(Call(15005), 1);
  fresh.resize(static_cast<size_t>(size));
  EXPECT_EQ(Lib.SaveState(Object), fresh);
}

TEST_F(DirectCall, FacePicture) {
  const int32_t size = Call(17002);
  ASSERT_GT(size, 54);
  std::vector<uint8_t> buffer(static_cast<size_t>(size) + 8, 0xAB);
  EXPECT_EQ(std::vector<int>({Call(17001, size, nullptr), Call(17001, size - 1, buffer.data()), Call(17001, 0, buffer.data()), buffer[0]}),
            std::vector<int>({-1, 0, 0, 0xAB}));
  ASSERT_EQ(Call(17001, size, buffer.data()), size);
  EXPECT_EQ(buffer[static_cast<size_t>(size)], 0xAB);
  // The face resource itself (whose layout the resource tests check), whole.
  const TQzResource* face = QzFindResource("FACE");
  ASSERT_NE(face, nullptr);
  ASSERT_EQ(static_cast<size_t>(size), face->Size);
  EXPECT_EQ(std::memcmp(buffer.data(), face->Data, face->Size), 0);
}

TEST_F(DirectCall, StateTravelsBetweenInterfaces) {
  AEffect* vst = Lib.NewEffect();
  // Direct call to VST.
  Call(15006, 0);
  const std::vector<uint8_t> direct = Lib.SaveState(Object);
  TPluginLibrary::SetChunk(vst, direct);
  EXPECT_EQ(TPluginLibrary::GetChunk(vst), direct);
  EXPECT_EQ(Lib.CallObject(15005, 0, vst->object, nullptr), 0);
  // VST to direct call.
  Lib.CallObject(15006, 1, vst->object, nullptr);
  std::vector<uint8_t> chunk = TPluginLibrary::GetChunk(vst);
  ASSERT_NE(chunk, direct);
  EXPECT_EQ(Call(16004, static_cast<int32_t>(chunk.size()), chunk.data()), 1);
  EXPECT_EQ(Lib.SaveState(Object), chunk);
  EXPECT_EQ(Call(15005), 1);
  TPluginLibrary::Close(vst);
}

TEST_F(DirectCall, HostCallbackOnlyFromTheEditor) {
  // The callback is kept for the editor's notifications: the power state and its visibility.
  for (int32_t opcode : {10002, 13002, 15005, 15006, 15007, 15008, 16001, 17002})
    Call(opcode, opcode == 15008 ? 0 : 1, nullptr);
  for (const THostCallLog::TCall& c : Log.Calls) {
    EXPECT_TRUE(c.Opcode == 15006 || c.Opcode == 15008) << c.Opcode;
    EXPECT_EQ(c.Object, Object);
  }
}

TEST_F(DirectCall, MidiAndNullObjects) {
  EXPECT_EQ(std::vector<int>({Lib.ProcessMidi(Object, nullptr, nullptr, 0), Lib.ProcessMidi(Object, nullptr, nullptr, 17),
                              Lib.ProcessMidi(nullptr, nullptr, nullptr, 65535), Lib.CallObject(13001, 0, nullptr, nullptr),
                              Lib.CallObject(10004, 0, nullptr, nullptr)}),
            std::vector<int>({0, 17, 65535, -1, -1}));
  float in[2] = {1, 1}, out[2] = {7, 7};
  float* ins[2] = {in, in + 1};
  float* outs[2] = {out, out + 1};
  EXPECT_EQ(Lib.ProcessAudio(nullptr, ins, outs, 1, 0, 0), 0);
  EXPECT_EQ(out[0], 7.0f);
}
}  // namespace
