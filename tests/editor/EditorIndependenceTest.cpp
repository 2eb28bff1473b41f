// What the effect plays, saves and tells its host does not depend on its editor: the same states
// through both interfaces, with no editor, one made and never shown, one shown, and one opened
// before the load and closed after it.
#include <algorithm>
#include <cmath>

#include "EditorFixture.h"

namespace {
using TEq = TQzAudioMicroEqualizerPreset;
using TLim = TQzAudioLimiterPreset;
using TNotes = std::vector<std::pair<int32_t, int32_t>>;

enum TEditorUse { euNone, euMade, euShown, euOpenedAndClosed };
const char* const UseNames[] = {"no editor", "made, never shown", "shown", "opened and closed"};

// A state blob of presets that start from their defaults and are set up by Setup.
std::vector<uint8_t> StateOf(const std::function<void(TEq&, TLim&)>& Setup) {
  TQzAudioEffectPluginPreset preset;
  Setup(*preset.EqualizerPreset(), *preset.LimiterPreset());
  TMemoryStream s;
  preset.SaveToStream(&s);
  return {s.Memory(), s.Memory() + s.GetSize()};
}

// The values the effect holds to whatever a state says.
void Rules(TEq& Eq, TLim& Lim) {
  Lim.SetMode(2), Lim.SetLookAhead(true);
  Eq.SetOutputGain(0.0f), Eq.SetSaturation(false);
}

struct TRun {
  int32_t Loaded = 0;
  std::vector<uint8_t> Chunk;
  std::vector<float> Out;
  TNotes Notes;  // direct call: what the load and the two power switches sent
};

class EditorIndependence : public EditorTest {
protected:
  // A 0.9 sine through four blocks of 512 frames; both channels out, one after the other.
  template <class TProcess>
  static std::vector<float> Play(TProcess Process) {
    std::vector<float> l(512), r(512), out;
    for (int block = 0; block < 4; ++block) {
      for (size_t i = 0; i < l.size(); ++i)
        l[i] = r[i] = 0.9f * std::sin(0.0628f * static_cast<float>(i + 512 * static_cast<size_t>(block)));
      float* io[2] = {l.data(), r.data()};
      Process(io);
      out.insert(out.end(), l.begin(), l.end()), out.insert(out.end(), r.begin(), r.end());
    }
    return out;
  }

  TRun RunVst(TEditorUse Use, const std::vector<uint8_t>* State) {
    TRun run;
    AEffect* e = QzVstEntry();
    int hostWindow = 0;
    ERect* rect = nullptr;
    if (Use != euNone) {
      EXPECT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
    }
    if (Use == euShown || Use == euOpenedAndClosed) {
      EXPECT_EQ(Vst(e, effEditOpen, 0, &hostWindow), 1);
    }
    Idle(e);
    if (State) {
      std::vector<uint8_t> copy = *State;
      run.Loaded = static_cast<int32_t>(Vst(e, effSetChunk, static_cast<intptr_t>(copy.size()), copy.data()));
    }
    // What a load leaves is there before the next idle.
    run.Chunk = Chunk(e);
    Idle(e);
    if (Use == euOpenedAndClosed) Vst(e, effEditClose), Idle(e);
    EXPECT_EQ(Chunk(e), run.Chunk);
    run.Out = Play([e](float** IO) { e->processReplacing(e, IO, IO, 512); });
    Vst(e, effClose);
    return run;
  }

  TRun RunDirect(TEditorUse Use, const std::vector<uint8_t>* State) {
    TRun run;
    void* o = QzCreateInstanceEntry(&Log, reinterpret_cast<void*>(&THostCallLog::Record));
    const auto call = [o](int32_t Opcode, int32_t Argument = 0, void* Ptr = nullptr) {
      return QzCallObjectEntry(Opcode, Argument, o, Ptr);
    };
    call(13002, 44100);
    if (Use == euMade) {
      EXPECT_EQ(call(15007), 0);
    }
    if (Use == euShown || Use == euOpenedAndClosed) {
      EXPECT_EQ(call(10001), 1);
    }
    call(15005);  // asks for no editor
    Log.Calls.clear();
    std::vector<uint8_t> copy = State ? *State : std::vector<uint8_t>();
    if (State) run.Loaded = call(16004, static_cast<int32_t>(copy.size()), copy.data());
    const auto chunk = [&] {
      std::vector<uint8_t> bytes(1024);
      const int32_t n = call(16002, static_cast<int32_t>(bytes.size()), bytes.data());
      bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
      return bytes;
    };
    run.Chunk = chunk();
    call(15006, 0), call(15006, 1);
    for (const THostCallLog::TCall& c : Log.Calls) run.Notes.emplace_back(c.Opcode, c.Value);
    if (Use == euOpenedAndClosed) call(10002);
    EXPECT_EQ(chunk(), run.Chunk);
    run.Out = Play([o](float** IO) { QzProcessAudioEntry(o, IO, IO, 512, 0, 0); });
    call(10004);
    return run;
  }
};

TEST_F(EditorIndependence, SameSoundChunkAndNotificationsWithAndWithoutTheEditor) {
  const auto unrefreshed = [](TEq& q, TLim& l) { q.SetSaturation(true), l.SetMode(0), l.SetLookAhead(false); };
  const auto busy = [](TEq& q, TLim& l) {
    for (uint8_t b = 0; b < 3; ++b) q.SetBandEnabled(b, true), q.SetBandGain(b, b == 1 ? -8.0f : 7.0f);
    q.SetCutFiltersEnabled(true), q.SetPan(-30.0f), q.SetInputGain(2.0f);
    l.SetThreshold(-8.0f), l.SetRelease(300.0f), l.SetOutputGain(-2.0f);
  };
  const auto farInput = [](TEq& q, TLim&) { q.SetInputGain(-120.0f), q.SetPan(250.0f); };
  const auto refreshed = [](const std::function<void(TEq&, TLim&)>& Setup) {
    return StateOf([&](TEq& q, TLim& l) { Setup(q, l), Rules(q, l); });
  };
  const std::vector<uint8_t> saturated = StateOf(unrefreshed), busyState = refreshed(busy);
  const std::vector<uint8_t> farState = StateOf(farInput);
  const struct {
    const char* What;
    const std::vector<uint8_t>* State;
    std::vector<uint8_t> Expected;  // the chunk right after the load
  } cases[] = {
      {"fresh", nullptr, refreshed([](TEq&, TLim&) {})},
      // The preset steps of the editor's refresh are the effect's own.
      {"saturated, mode 0, no look-ahead", &saturated, refreshed(unrefreshed)},
      // Needs no change: comes back byte for byte.
      {"busy", &busyState, busyState},
      {"gain and pan far outside", &farState,
       refreshed([](TEq& q, TLim&) { q.SetInputGain(-50.0f), q.SetPan(100.0f); })},  // the editor's bounds
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const TRun reference = RunVst(euNone, c.State);
    EXPECT_EQ(reference.Loaded, c.State ? 1 : 0);
    EXPECT_EQ(reference.Chunk, c.Expected);
    for (float v : reference.Out) ASSERT_TRUE(std::isfinite(v));
    const TNotes notes = {{15006, 1}, {15006, 0}, {15006, 1}};
    for (TEditorUse use : {euNone, euMade, euShown, euOpenedAndClosed}) {
      SCOPED_TRACE(UseNames[use]);
      const TRun vst = RunVst(use, c.State), direct = RunDirect(use, c.State);
      EXPECT_EQ(std::tuple(vst.Loaded, vst.Chunk, direct.Loaded == 1, direct.Chunk),
                std::tuple(reference.Loaded, reference.Chunk, c.State != nullptr, reference.Chunk));
      EXPECT_EQ(vst.Out, reference.Out);
      EXPECT_EQ(direct.Out, reference.Out);
      EXPECT_EQ(direct.Notes, c.State ? notes : TNotes(notes.begin() + 1, notes.end()));
    }
  }
}

// Every cut of a state, and a part of a newer version, is refused through both interfaces and
// leaves everything as it was, shown editor or not; no notification follows a refused load.
TEST_F(EditorIndependence, StatesThatDoNotReadWholeChangeNothing) {
  const std::vector<uint8_t> before = StateOf([](TEq& q, TLim& l) {
    q.SetBandEnabled(0, true), q.SetBandGain(0, 5.0f), l.SetThreshold(-6.0f), Rules(q, l);
  });
  const std::vector<uint8_t> other = StateOf([](TEq& q, TLim& l) {
    q.SetBandGain(0, -9.0f), q.SetMono(true), l.SetThreshold(-12.0f), l.SetRelease(600.0f), Rules(q, l);
  });
  std::vector<std::vector<uint8_t>> refused;
  for (size_t n = 1; n < other.size(); ++n) refused.emplace_back(other.begin(), other.begin() + static_cast<long>(n));
  for (size_t versionAt : {size_t{4}, size_t{104}}) {
    refused.push_back(other);
    refused.back()[versionAt] = 2;
  }
  for (bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "shown" : "no editor");
    AEffect* e = NewVst();
    void* o = NewDirect();
    if (shown) OpenVstEditor(e), QzCallObjectEntry(10001, 0, o, nullptr), QzCallObjectEntry(15005, 0, o, nullptr);
    SetChunk(e, before);
    std::vector<uint8_t> copy = before;
    Log.Calls.clear();
    ASSERT_EQ(QzCallObjectEntry(16004, static_cast<int32_t>(copy.size()), o, copy.data()), 1);
    // Without an editor nothing pumped yet: the host hears of that load, once, at its next call.
    Idle(e), QzCallObjectEntry(15005, 0, o, nullptr);
    EXPECT_EQ(std::count_if(Log.Calls.begin(), Log.Calls.end(), [](auto& C) { return C.Opcode == 15006; }), 1);
    Log.Calls.clear();
    for (size_t k = 0; k < refused.size(); ++k) {
      SCOPED_TRACE(testing::Message() << "refused blob " << k << ", " << refused[k].size() << " bytes");
      copy = refused[k];
      EXPECT_EQ(Vst(e, effSetChunk, static_cast<intptr_t>(copy.size()), copy.data()), 0);
      EXPECT_EQ(QzCallObjectEntry(16004, static_cast<int32_t>(copy.size()), o, copy.data()), -1);
      Idle(e);
      std::vector<uint8_t> direct(232);
      ASSERT_EQ(QzCallObjectEntry(16002, 232, o, direct.data()), 232);
      ASSERT_EQ(std::tuple(Chunk(e), direct, Log.Calls.size()), std::tuple(before, before, 0u));
    }
    // The same blob whole loads through both.
    copy = other;
    EXPECT_EQ(Vst(e, effSetChunk, static_cast<intptr_t>(copy.size()), copy.data()), 1);
    EXPECT_EQ(Chunk(e), other);
  }
}

}  // namespace
