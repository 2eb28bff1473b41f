// The two host interfaces of the built library, VST 2.x and direct call, driven as hosts drive
// them, and the named resources compiled into it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "HostCallLog.h"
#include "PluginLibrary.h"
#include "core/Resources.h"

namespace {
using VstInterface = PluginLibraryTest;

TEST_F(VstInterface, ExportsOnlyTheEntryPointsAndTheRecordsFields) {
  for (const char* alias : {"main", "Main"})
    EXPECT_EQ(dlsym(Lib.Handle, alias), dlsym(Lib.Handle, "VSTPluginMain")) << alias;
  // Internal names of the program stay hidden.
  for (const char* hidden : {"QzFindResource", "RunningAsVst", "QzToolkitEventPump", "UnscrambleString",
                             "_ZN20TQzAudioPluginObject11VstDispatchEPS_P7AEffectiiiPvf", "QzResourceTable"})
    EXPECT_EQ(dlsym(Lib.Handle, hidden), nullptr) << hidden;
  AEffect* e = Lib.NewEffect();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::memcmp(&e->magic, "PtsV", 4), 0);
  EXPECT_EQ(std::vector<intptr_t>({e->flags, e->version, e->numInputs, e->numOutputs, e->numPrograms, e->numParams,
                                   e->uniqueID, e->initialDelay, e->resvd1, e->resvd2}),
            std::vector<intptr_t>({0x231, 2400, 2, 2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::tuple(e->user, e->ioRatio, e->processDoubleReplacing), std::tuple(nullptr, 0.0f, nullptr));
  EXPECT_EQ(e->process, e->processReplacing);
  ASSERT_TRUE(e->object && e->dispatcher && e->processReplacing && e->getParameter && e->setParameter);
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  e->setParameter(e, 0, 0.5f);
  for (char c : e->future) EXPECT_EQ(c, 0);
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, CapabilityAndDispatcherAnswers) {
  const struct { const char* Text; intptr_t Answer; } cases[] = {
      {"receiveVstEvents", 1}, {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 1}, {"sendVstEvents", 1},
      {"sendVstMidiEvent", 1}, {"sendVstTimeInfo", 1}, {"offline", -1}, {"plugAsChannelInsert", -1},
      {"plugAsSend", -1}, {"mixDryWet", -1}, {"noRealTime", -1}, {"multipass", -1}, {"metapass", -1},
      {"1in1out", -1}, {"2in2out", -1}, {"8in8out", -1}, {"midiProgramNames", 1},
      {"conformsToWindowRules", -1}, {"LiveWithoutToolbar", -1}, {"bypass", -1},
      // Not in the list: exact, case-sensitive, whole-string comparison.
      {"Bypass", 0}, {"", 0}, {"bypass ", 0}, {"bypas", 0}, {"receiveVstEvents2", 0}, {"hasCockosExtensions", 0},
  };
  AEffect* e = Lib.NewEffect();
  for (const auto& c : cases)
    EXPECT_EQ(TPluginLibrary::Dispatch(e, effCanDo, 0, 0, const_cast<char*>(c.Text)), c.Answer) << c.Text;
  EXPECT_EQ(TPluginLibrary::Dispatch(e, effCanDo, 0, 0, nullptr), 0);
  const struct { int32_t Opcode; intptr_t Answer; } opcodes[] = {
      {effOpen, 1}, {effSetBlockSize, 1}, {effEditIdle, 1}, {effGetVstVersion, 2400}, {effSetEditKnobMode, 1},
      {effBeginSetProgram, 0}, {effEndSetProgram, 0}, {effProcessEvents, 0}, {effGetPlugCategory, 1},
      {effGetNumMidiInputChannels, 0}, {effStartProcess, 0}, {effStopProcess, 0},
      // The editor's size is known before it opens; closing a closed editor is done.
      {effEditGetRect, 1}, {effEditClose, 1},
      // Everything else answers 0.
      {2, 0}, {12, 0}, {45, 0}, {49, 0}, {79, 0}, {200, 0}, {-1, 0}, {1 << 30, 0},
  };
  void* slot = nullptr;  // where effEditGetRect puts its answer
  for (const auto& c : opcodes) EXPECT_EQ(TPluginLibrary::Dispatch(e, c.Opcode, 0, 0, &slot), c.Answer) << c.Opcode;
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, SampleRateRoundsHalvesToEven) {
  const struct { float Opt; int32_t Stored; } cases[] = {
      {48000.0f, 48000}, {44100.4f, 44100}, {22050.5f, 22050}, {22051.5f, 22052}, {96000.0f, 96000},
      // The object keeps what it is given; the stages clamp their own copies.
      {0.5f, 0}, {1.5f, 2}, {0.7f, 1}, {0.0f, 0}, {4294967040.0f, -256}, {96000.0f, 96000},
      // No 32-bit unsigned number: not taken.
      {-48000.0f, 96000}, {-0.6f, 96000}, {NAN, 96000}, {INFINITY, 96000}, {4294967296.0f, 96000},
      // Below zero but rounding to it.
      {-0.4f, 0}, {96000.0f, 96000}, {-0.5f, 0},
  };
  AEffect* e = Lib.NewEffect();
  for (const auto& c : cases) {
    EXPECT_EQ(TPluginLibrary::Dispatch(e, effSetSampleRate, 0, 0, nullptr, c.Opt), 1);
    EXPECT_EQ(Lib.CallObject(13001, 0, e->object, nullptr), c.Stored) << c.Opt;
  }
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, RecordAndExportsWithoutObject) {
  AEffect* e = Lib.NewEffect();
  AEffect bare = *e;
  bare.object = nullptr;
  struct TCase { int32_t Opcode; intptr_t Answer; };
  const TCase cases[] = {{effOpen, 1},          {effClose, 1},          {effEditGetRect, 0},     {effEditOpen, 1},
                         {effEditClose, 1},     {effGetChunk, 0},       {effSetChunk, 0},        {effStartProcess, 0},
                         {effStopProcess, 0},   {effGetVendorString, 1}, {effGetProductString, 1},
                         {effGetVstVersion, 2400}};
  for (const auto& c : cases) {
    char buffer[kVstMaxNameLen] = "unchanged";
    void* slot = buffer;
    void* ptr = c.Opcode == effGetChunk ? static_cast<void*>(&slot) : buffer;
    EXPECT_EQ(TPluginLibrary::Dispatch(&bare, c.Opcode, 0, 8, ptr), c.Answer) << c.Opcode;
    EXPECT_STREQ(buffer, "unchanged");
  }
  float in[4] = {1, 1, 1, 1}, out[4] = {7, 7, 7, 7};
  float* ins[2] = {in, in + 2};
  float* outs[2] = {out, out + 2};
  bare.processReplacing(&bare, ins, outs, 2);
  // The direct-call exports given no object; MIDI is taken as it comes.
  EXPECT_EQ(Lib.ProcessAudio(nullptr, ins, outs, 1, 0, 0), 0);
  for (float v : out) EXPECT_EQ(v, 7.0f);
  EXPECT_EQ(std::vector<int>({Lib.ProcessMidi(e->object, nullptr, nullptr, 0),
                              Lib.ProcessMidi(e->object, nullptr, nullptr, 17),
                              Lib.ProcessMidi(nullptr, nullptr, nullptr, 65535),
                              Lib.CallObject(13001, 0, nullptr, nullptr), Lib.CallObject(10004, 0, nullptr, nullptr)}),
            std::vector<int>({0, 17, 65535, -1, -1}));
  TPluginLibrary::Close(e);
}

// The direct-call interface of the built library: every opcode, its -1 and -4 answers, the state
// exchange with the VST interface and the host callback.
class DirectCall : public PluginLibraryTest {
protected:
  void SetUp() override {
    PluginLibraryTest::SetUp();
    Object = Lib.CreateInstance(0, &Log, reinterpret_cast<void*>(&THostCallLog::Record));
    ASSERT_NE(Object, nullptr);
  }
  void TearDown() override { EXPECT_TRUE(!Object || Call(10004) == 1); }
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

TEST_F(DirectCall, IdentityTextsOfBothInterfaces) {
  // Fixed nullptr: a display string of the program, 1 .. 30 characters.
  const struct { int32_t Opcode; const char* Fixed; } cases[] = {
      {11001, nullptr}, {11002, nullptr}, {11003, nullptr}, {11004, "1.6"},          {11005, "2025"},
      {11007, "RXW"},   {11008, "RXW"},   {11009, nullptr}, {11010, "Audio Plugin"}, {11011, "Equalizer"}};
  for (const auto& c : cases) {
    const std::string text = Text(c.Opcode);
    EXPECT_TRUE(c.Fixed ? text == c.Fixed : !text.empty() && text.size() <= 30) << c.Opcode << ": " << text;
    EXPECT_EQ(Call(c.Opcode, 0, nullptr), -1) << c.Opcode;  // no buffer: not done, no crash
  }
  EXPECT_NE(Text(11001), "ZRT Plugin");  // the effect names itself
  EXPECT_NE(Text(11002), "ZRT Audio Plugin");
  EXPECT_NE(Text(11009).find(Text(11003)), std::string::npos);  // the notice names the maker
  // The same product and maker reach a VST host, in its 64-byte buffer; no buffer, no crash.
  AEffect* e = Lib.NewEffect();
  for (auto [vst, direct] : {std::pair{effGetProductString, 11001}, {effGetVendorString, 11003}}) {
    char text[kVstMaxNameLen];
    std::memset(text, 'x', kVstMaxNameLen);
    EXPECT_EQ(TPluginLibrary::Dispatch(e, vst, 0, 0, text), 1);
    ASSERT_NE(std::memchr(text, 0, kVstMaxNameLen), nullptr);
    EXPECT_EQ(text, Text(direct));
    EXPECT_EQ(TPluginLibrary::Dispatch(e, vst, 0, 0, nullptr), 0);
  }
  TPluginLibrary::Close(e);
}

TEST_F(DirectCall, ValuesSettingsUnknownOpcodesAndTheHostCallback) {
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
  // The neighbours of every opcode range.
  for (int32_t opcode : {0, 10000, 10003, 11000, 11006, 11012, 11016, 12000, 12003, 13000, 13006, 13008, 15004,
                         15009, 16000, 16003, 16005, 17000, 17004, 18000, 18003, 20000, 20003, -1})
    EXPECT_EQ(Call(opcode, 1, nullptr), -4) << opcode;
  // The callback is kept for the editor's notifications: the power state and its visibility.
  for (int32_t opcode : {10002, 13002, 15005, 15006, 15007, 15008, 16001, 17002})
    Call(opcode, opcode == 15008 ? 0 : 1, nullptr);
  for (const THostCallLog::TCall& c : Log.Calls) {
    EXPECT_TRUE(c.Opcode == 15006 || c.Opcode == 15008) << c.Opcode;
    EXPECT_EQ(std::tuple(c.Object, c.Context, c.Reserved), std::tuple(Object, &Log, 0));
  }
}

TEST_F(DirectCall, StateOpcodesAndTheStateBetweenInterfaces) {
  const int32_t size = Call(16001);
  ASSERT_EQ(size, 232);
  std::vector<uint8_t> buffer(300, 0xAB);
  // Nil pointer or too small a buffer: -1 and nothing written.
  EXPECT_EQ(std::vector<int>({Call(16002, 1000, nullptr), Call(16002, size - 1, buffer.data()), buffer[0]}),
            std::vector<int>({-1, -1, 0xAB}));
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
  // The state switched off travels to a VST instance; a VST host gets no chunk without a place for it.
  AEffect* vst = Lib.NewEffect();
  EXPECT_EQ(TPluginLibrary::Dispatch(vst, effGetChunk, 0, 0, nullptr), 0);
  TPluginLibrary::SetChunk(vst, off);
  EXPECT_EQ(TPluginLibrary::GetChunk(vst), off);
  EXPECT_EQ(Lib.CallObject(15005, 0, vst->object, nullptr), 0);
  TPluginLibrary::Close(vst);
}

TEST_F(DirectCall, FacePictureIsThe24BitBitmapOf250By145) {
  const int32_t size = Call(17002);
  ASSERT_GT(size, 54);
  std::vector<uint8_t> buffer(static_cast<size_t>(size) + 8, 0xAB);
  EXPECT_EQ(std::vector<int>({Call(17001, size, nullptr), Call(17001, size - 1, buffer.data()),
                              Call(17001, 0, buffer.data()), buffer[0]}),
            std::vector<int>({-1, 0, 0, 0xAB}));
  ASSERT_EQ(Call(17001, size, buffer.data()), size);
  EXPECT_EQ(buffer[static_cast<size_t>(size)], 0xAB);
  // The face resource itself, whole.
  const TQzResource* face = QzFindResource("FACE");
  ASSERT_NE(face, nullptr);
  ASSERT_EQ(static_cast<size_t>(size), face->Size);
  EXPECT_EQ(std::memcmp(buffer.data(), face->Data, face->Size), 0);
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

// Named resources compiled into the program.
TEST(Resources, FoundByNameIgnoringCaseAndListedOnceEach) {
  const TQzResource* face = QzFindResource("FACE");
  ASSERT_NE(face, nullptr);
  for (const char* name : {"face", "Face", "fAcE"}) EXPECT_EQ(QzFindResource(name), face) << name;
  for (const char* name : {"", "FAC", "FACEX", "FACE.bmp", "FACE ", "F"})
    EXPECT_EQ(QzFindResource(name), nullptr) << name;
  EXPECT_STREQ(face->Type, "BMP");
  // Names with embedded zeros are not names.
  EXPECT_EQ(QzFindResource(std::string_view("FACE\0X", 6)), nullptr);
  // The list ends at its count (each entry found by name: the bitmap resource tests).
  EXPECT_EQ(QzResourceAt(QzResourceCount()), nullptr);
}
}  // namespace
