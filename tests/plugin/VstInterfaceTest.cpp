// The VST 2.x interface of the built library, driven as a host drives it.
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

#include "PluginLibrary.h"

namespace {
using VstInterface = PluginLibraryTest;

TEST_F(VstInterface, ExportsOnlyTheEntryPoints) {
  EXPECT_EQ(Lib.MainLower, Lib.VstMain);
  EXPECT_EQ(Lib.MainUpper, Lib.VstMain);
  // Internal names of the program stay hidden.
  for (const char* hidden : {"QzFindResource", "RunningAsVst", "QzToolkitEventPump", "UnscrambleString",
                             "_ZN20TQzAudioPluginObject11VstDispatchEPS_P7AEffectiiiPvf", "QzResourceTable"})
    EXPECT_EQ(dlsym(Lib.Handle, hidden), nullptr) << hidden;
}

TEST_F(VstInterface, RecordFields) {
  AEffect* e = Lib.NewEffect();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(std::memcmp(&e->magic, "PtsV", 4), 0);
  EXPECT_EQ(std::vector<intptr_t>({e->flags, e->version, e->numInputs, e->numOutputs, e->numPrograms, e->numParams, e->uniqueID,
                                   e->initialDelay, e->resvd1, e->resvd2}),
            std::vector<intptr_t>({0x231, 2400, 2, 2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::tuple(e->user, e->ioRatio, e->processDoubleReplacing), std::tuple(nullptr, 0.0f, nullptr));
  EXPECT_EQ(e->process, e->processReplacing);
  ASSERT_TRUE(e->object && e->dispatcher && e->processReplacing && e->getParameter && e->setParameter);
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  e->setParameter(e, 0, 0.5f);
  for (char c : e->future) EXPECT_EQ(c, 0);
  // The record lives inside the object: the direct-call interface reaches the same object.
  EXPECT_EQ(Lib.CallObject(13001, 0, e->object, nullptr), 44100);
  // Two instances are two objects.
  AEffect* other = Lib.NewEffect();
  EXPECT_NE(other, e);
  EXPECT_NE(other->object, e->object);
  TPluginLibrary::Close(other);
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, CapabilityAnswers) {
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
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, DispatcherAnswers) {
  const struct { int32_t Opcode; intptr_t Answer; } cases[] = {
      {effOpen, 1}, {effSetBlockSize, 1}, {effEditIdle, 1}, {effGetVstVersion, 2400}, {effSetEditKnobMode, 1},
      {effBeginSetProgram, 0}, {effEndSetProgram, 0}, {effProcessEvents, 0}, {effGetPlugCategory, 1},
      {effGetNumMidiInputChannels, 0}, {effStartProcess, 0}, {effStopProcess, 0},
      // The editor's size is known before it opens; closing a closed editor is done.
      {effEditGetRect, 1}, {effEditClose, 1},
      // Everything else answers 0.
      {2, 0}, {12, 0}, {45, 0}, {49, 0}, {79, 0}, {200, 0}, {-1, 0}, {1 << 30, 0},
  };
  AEffect* e = Lib.NewEffect();
  for (const auto& c : cases) {
    void* slot = nullptr;
    EXPECT_EQ(TPluginLibrary::Dispatch(e, c.Opcode, 0, 0, &slot), c.Answer) << c.Opcode;
    if (c.Opcode == effEditGetRect) {
      ASSERT_NE(slot, nullptr);
      const ERect* r = static_cast<const ERect*>(slot);
      EXPECT_GE(r->right - r->left, 1024);
      EXPECT_GE(r->bottom - r->top, 595);
    }
  }
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, IdentityStrings) {
  AEffect* e = Lib.NewEffect();
  char vendor[kVstMaxNameLen], product[kVstMaxNameLen];
  for (auto [opcode, text] : {std::pair{effGetVendorString, vendor}, {effGetProductString, product}}) {
    std::memset(text, 'x', kVstMaxNameLen);
    EXPECT_EQ(TPluginLibrary::Dispatch(e, opcode, 0, 0, text), 1);
    ASSERT_NE(std::memchr(text, 0, kVstMaxNameLen), nullptr);
    EXPECT_GT(std::strlen(text), 0u);
    EXPECT_LE(std::strlen(text), 30u);
  }
  EXPECT_NE(std::string(product), "ZRT Plugin");  // the effect names itself
  // The same texts reach a direct-call host.
  char direct[256];
  Lib.CallObject(11001, 0, e->object, direct);
  EXPECT_STREQ(direct, product);
  Lib.CallObject(11003, 0, e->object, direct);
  EXPECT_STREQ(direct, vendor);
  // A host that passes no buffer gets nothing written and no crash.
  EXPECT_EQ(TPluginLibrary::Dispatch(e, effGetVendorString, 0, 0, nullptr), 0);
  EXPECT_EQ(TPluginLibrary::Dispatch(e, effGetProductString, 0, 0, nullptr), 0);
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

TEST_F(VstInterface, ChunkIsTheStateBlob) {
  AEffect* e = Lib.NewEffect();
  void* data = nullptr;
  const intptr_t size = TPluginLibrary::Dispatch(e, effGetChunk, 1, 0, &data);
  ASSERT_EQ(size, 232);
  ASSERT_NE(data, nullptr);
  const auto* bytes = static_cast<const uint8_t*>(data);
  EXPECT_EQ(std::string(bytes, bytes + 4) + std::string(bytes + 100, bytes + 104), "MEQPVXLM");
  // Bank and single-program requests give the same chunk.
  EXPECT_EQ(TPluginLibrary::GetChunk(e), std::vector<uint8_t>(bytes, bytes + size));
  // No pointer variable: nothing.
  EXPECT_EQ(TPluginLibrary::Dispatch(e, effGetChunk, 0, 0, nullptr), 0);
  TPluginLibrary::Close(e);
}

TEST_F(VstInterface, ChunkRoundTripAndHostBufferNotKept) {
  AEffect* a = Lib.NewEffect();
  AEffect* b = Lib.NewEffect();
  // Switch a off so that its state differs from a fresh one, then carry it to b.
  Lib.CallObject(15006, 0, a->object, nullptr);
  std::vector<uint8_t> state = TPluginLibrary::GetChunk(a);
  ASSERT_EQ(state.size(), 232u);
  ASSERT_NE(state, TPluginLibrary::GetChunk(b));
  {
    std::vector<uint8_t> hostBuffer = state;
    EXPECT_EQ(TPluginLibrary::Dispatch(b, effSetChunk, 0, static_cast<intptr_t>(hostBuffer.size()), hostBuffer.data()), 0);
    std::fill(hostBuffer.begin(), hostBuffer.end(), 0xEE);  // the plug-in took its own copy
  }
  EXPECT_EQ(TPluginLibrary::GetChunk(b), state);
  EXPECT_EQ(Lib.CallObject(15005, 0, b->object, nullptr), 0);
  TPluginLibrary::Close(a);
  TPluginLibrary::Close(b);
}

TEST_F(VstInterface, RecordWithoutObject) {
  AEffect* e = Lib.NewEffect();
  AEffect bare = *e;
  bare.object = nullptr;
  const struct {
    int32_t Opcode;
    intptr_t Answer;
  } cases[] = {{effOpen, 1}, {effClose, 1}, {effEditGetRect, 0}, {effEditOpen, 1}, {effEditClose, 1},
               {effGetChunk, 0}, {effSetChunk, 0}, {effStartProcess, 0}, {effStopProcess, 0},
               {effGetVendorString, 1}, {effGetProductString, 1}, {effGetVstVersion, 2400}};
  for (const auto& c : cases) {
    char buffer[kVstMaxNameLen] = "unchanged";
    void* slot = buffer;
    EXPECT_EQ(TPluginLibrary::Dispatch(&bare, c.Opcode, 0, 8, c.Opcode == effGetChunk ? static_cast<void*>(&slot) : buffer),
              c.Answer)
        << c.Opcode;
    EXPECT_STREQ(buffer, "unchanged");
  }
  float in[4] = {1, 1, 1, 1}, out[4] = {7, 7, 7, 7};
  float* ins[2] = {in, in + 2};
  float* outs[2] = {out, out + 2};
  bare.processReplacing(&bare, ins, outs, 2);
  for (float v : out) EXPECT_EQ(v, 7.0f);
  TPluginLibrary::Close(e);
}
}  // namespace
