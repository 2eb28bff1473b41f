// Loads the built plug-in library with dlopen, as hosts do, and resolves its exports.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "platform/Vst2.h"

#ifndef QZ_PLUGIN_PATH
#error "QZ_PLUGIN_PATH names the built library"
#endif

// A VST instance driven as hosts drive it, whether it came from the loaded library or from the
// entries in this process.
struct TEffectCalls {
  static intptr_t Dispatch(AEffect* E, int32_t Opcode, int32_t Index = 0, intptr_t Value = 0, void* Ptr = nullptr,
                           float Opt = 0.0f) {
    return E->dispatcher(E, Opcode, Index, Value, Ptr, Opt);
  }
  static void Close(AEffect* E) { Dispatch(E, effClose); }
  // The state as a VST host receives it (a copy).
  static std::vector<uint8_t> GetChunk(AEffect* E) {
    void* data = nullptr;
    const intptr_t size = Dispatch(E, effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
  }
  static void SetChunk(AEffect* E, std::vector<uint8_t> Blob) {
    Dispatch(E, effSetChunk, 0, static_cast<intptr_t>(Blob.size()), Blob.data());
  }
};

// A host's audio thread: blocks of Frames of a stereo sine at Level given to Process, at least 20
// of them and until Join, each followed by a pause of PauseMs. It counts the blocks and notes
// whether every sample that came out was finite.
class TAudioThread {
public:
  explicit TAudioThread(std::function<void(float**, float**, int)> Process, int Frames = 256, float StartLevel = 0.8f,
                        int PauseMs = 0)
      : Level(StartLevel), FThread([this, Process, Frames, PauseMs] {
          std::vector<float> l(static_cast<size_t>(Frames)), r(l.size()), ol(l.size()), or_(l.size());
          float* in[2] = {l.data(), r.data()};
          float* out[2] = {ol.data(), or_.data()};
          for (int n = 0; !Stop.load() || n < 20; ++n) {
            for (size_t i = 0; i < l.size(); ++i)
              l[i] = r[i] = Level * std::sin(0.02f * static_cast<float>(i + l.size() * static_cast<size_t>(n)));
            Process(in, out, Frames);
            for (size_t i = 0; i < ol.size(); ++i)
              if (!std::isfinite(ol[i]) || !std::isfinite(or_[i])) Finite = false;
            ++Blocks;
            if (PauseMs) std::this_thread::sleep_for(std::chrono::milliseconds(PauseMs));
          }
        }) {}
  ~TAudioThread() { Join(); }
  void Join() {
    Stop = true;
    if (FThread.joinable()) FThread.join();
  }
  std::atomic<float> Level;
  std::atomic<bool> Stop{false};
  std::atomic<bool> Finite{true};
  std::atomic<int> Blocks{0};

private:
  std::thread FThread;
};

struct TPluginLibrary : TEffectCalls {
  using TVstMain = AEffect* (*)(audioMasterCallback);
  using TCreateInstance = void* (*)(int32_t, void*, void*);
  using TCallObject = int32_t (*)(int32_t, int32_t, void*, void*);
  using TProcessAudio = int32_t (*)(void*, float**, float**, uint16_t, int32_t, int32_t);
  using TProcessMidi = int32_t (*)(void*, void*, void*, uint16_t);

  void* Handle = nullptr;
  TVstMain VstMain = nullptr;
  TCreateInstance CreateInstance = nullptr;
  TCallObject CallObject = nullptr;
  TProcessAudio ProcessAudio = nullptr;
  TProcessMidi ProcessMidi = nullptr;

  // One load per test program, kept for its life like a host keeps it.
  static TPluginLibrary& Get() {
    static TPluginLibrary library;
    return library;
  }

  // A VST instance as a host makes it; closed with Close.
  AEffect* NewEffect() { return VstMain ? VstMain(nullptr) : nullptr; }

  // The state through the direct-call interface.
  std::vector<uint8_t> SaveState(void* Object) {
    const int32_t size = CallObject(16001, 0, Object, nullptr);
    if (size <= 0) return {};
    std::vector<uint8_t> blob(static_cast<size_t>(size));
    if (CallObject(16002, size, Object, blob.data()) != size) return {};
    return blob;
  }

private:
  TPluginLibrary() {
    Handle = dlopen(QZ_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return;
    VstMain = reinterpret_cast<TVstMain>(dlsym(Handle, "VSTPluginMain"));
    CreateInstance = reinterpret_cast<TCreateInstance>(dlsym(Handle, "create_instance"));
    CallObject = reinterpret_cast<TCallObject>(dlsym(Handle, "call_object"));
    ProcessAudio = reinterpret_cast<TProcessAudio>(dlsym(Handle, "process_audio"));
    ProcessMidi = reinterpret_cast<TProcessMidi>(dlsym(Handle, "process_midi"));
  }
};

// Base of the tests that need the library; fails (not skips) when it cannot be loaded.
class PluginLibraryTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(Lib.Handle, nullptr) << "cannot load " << QZ_PLUGIN_PATH << ": " << dlerror();
    ASSERT_TRUE(Lib.VstMain && Lib.CreateInstance && Lib.CallObject && Lib.ProcessAudio && Lib.ProcessMidi);
  }
  TPluginLibrary& Lib = TPluginLibrary::Get();
};
