// The VST 2.x host interface as this plug-in speaks it: the AEffect record a host receives from
// the entry point, the callback types, the dispatcher opcodes the plug-in handles and the flag
// bits it sets. Declared here from the published binary layout (64-bit, little-endian); every
// offset is checked below, so a layout slip is a compile error rather than a crash in a host.
#pragma once

#include <cstddef>
#include <cstdint>

struct AEffect;

// The host's callback handed to the entry point (audioMaster).
using audioMasterCallback = intptr_t (*)(AEffect* Effect, int32_t Opcode, int32_t Index,
                                         intptr_t Value, void* Ptr, float Opt);
using TAEffectDispatcherProc = intptr_t (*)(AEffect* Effect, int32_t Opcode, int32_t Index,
                                           intptr_t Value, void* Ptr, float Opt);
using TAEffectProcessProc = void (*)(AEffect* Effect, float** Inputs, float** Outputs,
                                    int32_t SampleFrames);
using TAEffectProcessDoubleProc = void (*)(AEffect* Effect, double** Inputs, double** Outputs,
                                          int32_t SampleFrames);
using TAEffectSetParameterProc = void (*)(AEffect* Effect, int32_t Index, float Value);
using TAEffectGetParameterProc = float (*)(AEffect* Effect, int32_t Index);

struct AEffect {
  int32_t magic;                     // 'PtsV' as stored bytes
  TAEffectDispatcherProc dispatcher;
  TAEffectProcessProc process;        // accumulating entry
  TAEffectSetParameterProc setParameter;
  TAEffectGetParameterProc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  intptr_t resvd1;
  intptr_t resvd2;
  int32_t initialDelay;
  int32_t realQualities;
  int32_t offQualities;
  float ioRatio;
  void* object;                      // the plug-in object that owns this record
  void* user;
  int32_t uniqueID;
  int32_t version;
  TAEffectProcessProc processReplacing;
  TAEffectProcessDoubleProc processDoubleReplacing;
  char future[56];
};

static_assert(sizeof(void*) == 8, "the record layout is that of 64-bit hosts");
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);

// The magic as the number whose little-endian bytes read "PtsV".
inline constexpr int32_t kEffectMagic = 'P' | ('t' << 8) | ('s' << 16) | ('V' << 24);

// AEffect flags.
enum : int32_t {
  effFlagsHasEditor = 1 << 0,
  effFlagsCanReplacing = 1 << 4,
  effFlagsProgramChunks = 1 << 5,
  effFlagsNoSoundInStop = 1 << 9,
};

// Dispatcher opcodes that the plug-in answers; every other number is answered with 0.
enum : int32_t {
  effOpen = 0,
  effClose = 1,
  effSetSampleRate = 10,
  effSetBlockSize = 11,
  effMainsChanged = 12,
  effEditGetRect = 13,
  effEditOpen = 14,
  effEditClose = 15,
  effEditIdle = 19,
  effGetChunk = 23,
  effSetChunk = 24,
  effProcessEvents = 25,
  effGetPlugCategory = 35,
  effGetVendorString = 47,
  effGetProductString = 48,
  effCanDo = 51,
  effGetVstVersion = 58,
  effSetEditKnobMode = 61,
  effBeginSetProgram = 67,
  effEndSetProgram = 68,
  effStartProcess = 71,
  effStopProcess = 72,
  effGetNumMidiInputChannels = 78,
};

// Plug-in category answered to effGetPlugCategory.
enum : int32_t { kPlugCategEffect = 1 };

// The editor rectangle a host reads after effEditGetRect: 16-bit signed top, left, bottom, right.
struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};
static_assert(sizeof(ERect) == 8);

// Vendor and product strings are written into host buffers of this size.
inline constexpr int kVstMaxNameLen = 64;
