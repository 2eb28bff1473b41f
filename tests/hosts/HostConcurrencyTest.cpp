// Hosts as they drive the built library in their own process: several control threads taking
// and loading the state at once while the audio thread processes and the GUI thread pumps an
// open editor (run under ThreadSanitizer in CI), and hosts that free an instance from inside the
// instance's own callback (under AddressSanitizer a late use is a report).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "X11HostFixture.h"

namespace {
using TState = std::vector<uint8_t>;

// ---- the state from several control threads -------------------------------------------------

using HostConcurrency = EditorInX11Host;

TEST_F(HostConcurrency, StateFromSeveralControlThreads) {
  enum TInstance { VstNoEditor, VstEmbedded, DirectCallWindow };
  struct TCase {
    const char* Name;
    TInstance Instance;
    int VstThreads, DirectThreads;  // each gets and sets in turn, through one interface
    bool GuiLoads;                  // the GUI thread loads states between its pumps too
  };
  const TCase cases[] = {
      {"VST, four threads, no editor", VstNoEditor, 4, 0, false},
      {"VST editor open, VST and direct-call threads, GUI thread loading", VstEmbedded, 2, 2, true},
      {"direct-call editor shown, four threads", DirectCallWindow, 0, 4, false},
  };
  constexpr int Rounds = 60;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TX11TestHost> host;
    AEffect* effect = nullptr;
    void* object = nullptr;
    if (c.Instance == DirectCallWindow) {
      object = Lib.CreateInstance(0, nullptr, nullptr);
      ASSERT_NE(object, nullptr);
      ASSERT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
    } else {
      effect = Lib.NewEffect();
      ASSERT_NE(effect, nullptr);
      object = effect->object;
      if (c.Instance == VstEmbedded) {
        ASSERT_TRUE((host = OpenHost()) && OpenEmbedded(*host, effect));
      }
    }
    const auto pump = [&] {
      if (c.Instance == VstEmbedded) Lib.Dispatch(effect, effEditIdle);
      else if (c.Instance == DirectCallWindow) Lib.CallObject(15007, 0, object, nullptr);
    };
    for (int i = 0; i < 5; ++i) pump();
    // States that differ in both parts: band 1's gain in the equaliser part and the threshold in
    // the limiter part, each within its knob's range so that an open editor shows them unchanged.
    std::vector<TState> states(12, Lib.SaveState(object));
    for (size_t k = 0; k < states.size(); ++k) {
      const float gain = -7.0f + static_cast<float>(k), threshold = -0.5f * static_cast<float>(k);
      std::memcpy(states[k].data() + 32 + 4 * 10, &gain, 4);
      std::memcpy(states[k].data() + 100 + 32, &threshold, 4);
    }
    Lib.CallObject(16004, 232, object, const_cast<uint8_t*>(states[0].data()));
    pump();

    TAudioThread audio([&](float** In, float** Out, int N) {
      if (effect) effect->processReplacing(effect, In, Out, N);
      else Lib.ProcessAudio(object, In, Out, static_cast<uint16_t>(N), 0, 0);
    });
    // Every state a thread was given is one of the states set: none is torn. The memory
    // effGetChunk gave a thread stays as it was until that thread's next effGetChunk, whatever
    // the other threads get meanwhile.
    std::atomic<int> torn{0}, overwritten{0};
    const auto check = [&](const TState& S) { torn += std::find(states.begin(), states.end(), S) == states.end(); };
    std::vector<std::thread> control;
    std::atomic<int> running{c.VstThreads + c.DirectThreads};
    for (int t = 0; t < c.VstThreads + c.DirectThreads; ++t)
      control.emplace_back([&, t] {
        const bool vst = t < c.VstThreads;
        const uint8_t* given = nullptr;
        TState copy;
        for (int k = 0; k < Rounds; ++k) {
          TState s = states[static_cast<size_t>(t * 7 + k) % states.size()];
          if (vst) {
            TPluginLibrary::SetChunk(effect, s);
            overwritten += given && !std::equal(copy.begin(), copy.end(), given);
            void* data = nullptr;
            const intptr_t size = Lib.Dispatch(effect, effGetChunk, 0, 0, &data);
            given = static_cast<const uint8_t*>(data);
            copy.assign(given, given + (size > 0 ? size : 0));
            check(copy);
          } else {
            Lib.CallObject(16004, static_cast<int32_t>(s.size()), object, s.data());
            check(Lib.SaveState(object));
          }
        }
        --running;
      });
    // The GUI thread pumps (each pump refreshes the editor from a state loaded meanwhile) for as
    // long as the control threads run.
    for (int k = 0; running.load() > 0 || k < 10; ++k) {
      pump();
      if (c.GuiLoads && k % 3 == 0) TPluginLibrary::SetChunk(effect, states[static_cast<size_t>(k) % states.size()]);
      std::this_thread::yield();
    }
    for (std::thread& t : control) t.join();
    pump();
    check(Lib.SaveState(object));
    audio.Join();
    EXPECT_EQ(torn.load(), 0) << "states read back that are none of the states set";
    EXPECT_EQ(overwritten.load(), 0) << "a thread's state memory changed under it";
    EXPECT_TRUE(audio.Finite.load());
    if (effect) {
      if (host) Lib.Dispatch(effect, effEditClose);
      TPluginLibrary::Close(effect);
    } else {
      Lib.CallObject(10004, 0, object, nullptr);
    }
  }
}

// ---- a host that frees the instance from inside its callback --------------------------------

using HostClosesInCallback = EditorInX11Host;

// A direct-call host that frees the instance when it hears CloseOn, as a host that closes a
// plug-in when its window closes does, and then never uses it again.
struct TClosingHost {
  TPluginLibrary* Lib = nullptr;
  void* Object = nullptr;
  int32_t CloseOn = 0;
  int Closed = 0, HeardAfterClose = 0;
  static intptr_t Callback(void* Object, void* Context, int32_t Opcode, int32_t, intptr_t) {
    auto* host = static_cast<TClosingHost*>(Context);
    if (!host->Object || Object != host->Object) {
      ++host->HeardAfterClose;
      return 0;
    }
    if (Opcode == host->CloseOn) {
      host->Object = nullptr;
      host->Lib->CallObject(10004, 0, Object, nullptr);
      ++host->Closed;
    }
    return 0;
  }
  // A host's timer keeping the shown editor alive, until the instance is gone.
  void Idle(int Rounds = 40) {
    for (int i = 0; i < Rounds && Object; ++i) {
      Lib->CallObject(15007, 0, Object, nullptr);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
};

TEST_F(HostClosesInCallback, EveryCallbackPath) {
  enum TPump { OwnCalls, OtherDirectCall, OtherVstIdle };
  struct TCase {
    const char* Name;
    int32_t CloseOn;
    bool ShownFirst;
    // What the host does to bring the callback; X clicks are pumped by Pump.
    std::function<void(TClosingHost&, Window)> Trigger;
    TPump Pump;
    bool Synchronous = false;  // the host hears CloseOn before the trigger's call returns
  };
  const auto call = [](int32_t Opcode, int32_t Argument) {
    return [Opcode, Argument](TClosingHost& H, Window) { H.Lib->CallObject(Opcode, Argument, H.Object, nullptr); };
  };
  const auto closeBox = [this](TClosingHost&, Window W) { SendCloseBox(Input, W); };
  // The power switch is the tool bar's first square, at the form's top left.
  const auto powerClick = [this](TClosingHost&, Window W) { Click(W, 20, 20); };
  // The host frees the shown editor's instance itself (10004), outside any callback.
  const auto freeShown = [](TClosingHost& H, Window) {
    void* object = H.Object;
    H.Object = nullptr, ++H.Closed;
    H.Lib->CallObject(10004, 0, object, nullptr);
  };
  TState state;
  const TCase cases[] = {
      {"10001 shows: 15008 from the show", 15008, false, call(10001, 0), OwnCalls, true},
      {"15008 shows: 15008 from the show", 15008, false, call(15008, 1), OwnCalls, true},
      {"first use makes the editor: 15006 from its first refresh", 15006, false, call(15007, 0), OwnCalls, true},
      {"10001 makes and shows the editor: 15006, and not the show's 15008 after it", 15006, false, call(10001, 0),
       OwnCalls, true},
      {"15006 switches the power: 15006 from the refresh", 15006, true, call(15006, 0), OwnCalls, true},
      {"16004 loads a state: 15006 from the refresh", 15006, true,
       [&state](TClosingHost& H, Window) { H.Lib->CallObject(16004, 232, H.Object, state.data()); }, OwnCalls, true},
      {"10004 with the editor shown: nothing heard after", 0, true, freeShown, OtherDirectCall, true},
      {"close box in its own pump: 15008", 15008, true, closeBox, OwnCalls},
      {"close box in another instance's call_object: 15008", 15008, true, closeBox, OtherDirectCall},
      {"close box in a VST instance's idle: 15008", 15008, true, closeBox, OtherVstIdle},
      {"tool-bar power click: 15006", 15006, true, powerClick, OwnCalls},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TClosingHost closing;
    closing.Lib = &Lib;
    closing.Object = Lib.CreateInstance(0, &closing, reinterpret_cast<void*>(&TClosingHost::Callback));
    ASSERT_NE(closing.Object, nullptr);
    state = Lib.SaveState(closing.Object);
    ASSERT_EQ(state.size(), 232u);
    Window window = 0;
    if (c.ShownFirst) {
      const std::vector<Window> before = ClosableTopLevels();
      ASSERT_EQ(Lib.CallObject(10001, 0, closing.Object, nullptr), 1);
      closing.Idle(10);
      for (Window w : ClosableTopLevels())
        if (std::find(before.begin(), before.end(), w) == before.end()) window = w;
      ASSERT_NE(window, 0u) << "the editor has no window of its own";
    }
    void* other = nullptr;
    AEffect* vst = nullptr;
    std::unique_ptr<TX11TestHost> host;
    if (c.Pump == OtherDirectCall) other = Lib.CreateInstance(0, nullptr, nullptr);
    if (c.Pump == OtherVstIdle) {
      ASSERT_TRUE((host = OpenHost()) && (vst = OpenEmbedded(*host)));
    }
    closing.CloseOn = c.CloseOn;
    c.Trigger(closing, window);
    if (c.Synchronous) {
      EXPECT_EQ(closing.Closed, 1) << "heard only after the call returned";
    }
    for (int i = 0; i < 100 && closing.Object; ++i) {
      if (c.Pump == OwnCalls) closing.Idle(1);
      else if (other) Lib.CallObject(15007, 0, other, nullptr);
      else Lib.Dispatch(vst, effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(closing.Closed, 1) << "the callback never came";
    // The instance went, its window with it (seen after anyone's next pump), and the host
    // heard nothing more of it.
    void* probe = Lib.CreateInstance(0, nullptr, nullptr);
    Lib.CallObject(13001, 0, probe, nullptr);
    Lib.CallObject(10004, 0, probe, nullptr);
    const std::vector<Window> after = ClosableTopLevels();
    EXPECT_EQ(std::count(after.begin(), after.end(), window), 0);  // no window is 0
    EXPECT_EQ(closing.HeardAfterClose, 0);
    if (other) Lib.CallObject(10004, 0, other, nullptr);
    if (vst) {
      Lib.Dispatch(vst, effEditClose);
      TPluginLibrary::Close(vst);
    }
    if (closing.Object) Lib.CallObject(10004, 0, closing.Object, nullptr);
  }
}
}  // namespace
