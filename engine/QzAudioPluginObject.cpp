#include "engine/QzAudioPluginObject.h"

#include <cassert>
#include <cmath>
#include <cstring>
#include <thread>

#include "core/QzFileClasses.h"
#include "core/QzUtils.h"
#include "core/Resources.h"

TQzShared<bool> RunningAsVst{false};

void (*QzToolkitEventPump)() = nullptr;
bool (*QzToolkitIdleCanWait)() = nullptr;
bool (*QzPrepareWindowSystem)() = nullptr;
bool (*QzEditorWindowShown)() = nullptr;

namespace {
// The direct-call notification of the power state (the number of the request that switches it).
constexpr int32_t NotifyPower = 15006;
// The thread that pumps the toolkit: claimed by the first pump. Unset is the default id.
std::atomic<std::thread::id> gToolkitThread{};
std::atomic<int> gToolkitViolations{0};
// Instances released off the toolkit's thread, newest first. Plain atomic pointer: it must
// still be there when the library's last static destructors run.
std::atomic<TQzAudioPluginObject*> gReleased{nullptr};

bool OnToolkitThread() {
  const std::thread::id owner = gToolkitThread.load(std::memory_order_acquire);
  return owner == std::thread::id() || owner == std::this_thread::get_id();
}

// Host calls running on this thread (a host calls in again from inside our callbacks), and the
// objects closed inside one of them, freed when the outermost returns. Plain values, so that
// no thread has exit work left in the library when it is unloaded.
thread_local int tHostCallDepth = 0;
thread_local TQzAudioPluginObject* tClosedObjects = nullptr;

std::string& ApplicationTitle() {
  static std::string title;
  return title;
}

// Capability names and their bits in the capability set; the answer is 1 when the bit is set.
struct TCapability {
  const char* Name;
  int Bit;
};
constexpr TCapability Capabilities[] = {
    {"receiveVstEvents", 3},      {"receiveVstMidiEvent", 4}, {"receiveVstTimeInfo", 5},
    {"sendVstEvents", 0},         {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 2},
    {"offline", 6},               {"plugAsChannelInsert", 7}, {"plugAsSend", 8},
    {"mixDryWet", 9},             {"noRealTime", 10},         {"multipass", 11},
    {"metapass", 12},             {"1in1out", 13},            {"1in2out", 14},
    {"2in1out", 15},              {"2in2out", 16},            {"2in4out", 17},
    {"4in2out", 18},              {"4in4out", 19},            {"4in8out", 20},
    {"8in4out", 21},              {"8in8out", 22},            {"midiProgramNames", 23},
    {"conformsToWindowRules", 25}, {"LiveWithoutToolbar", 24}, {"bypass", 26},
};
constexpr uint32_t CapabilitySet = 0x0080003F;

constexpr int16_t ClampToInt16(int32_t Value) {
  return static_cast<int16_t>(Value < -32768 ? -32768 : Value > 32767 ? 32767 : Value);
}

// Direct-call rectangle record: Left, Width, Top, Height.
struct TCallRect {
  int16_t Left, Width, Top, Height;
};
static_assert(sizeof(TCallRect) == 8);
}  // namespace

// One host call into an object's dispatcher. The outermost frees the objects closed meanwhile;
// the depth is still held while it does, so that a close made during that waits in the list.
class TQzHostCallScope {
public:
  TQzHostCallScope() { ++tHostCallDepth; }
  ~TQzHostCallScope() {
    if (tHostCallDepth == 1)
      while (TQzAudioPluginObject* closed = tClosedObjects) {
        tClosedObjects = closed->FNextClosed;
        TQzAudioPluginObject::Release(closed);
      }
    --tHostCallDepth;
  }
  TQzHostCallScope(const TQzHostCallScope&) = delete;
  TQzHostCallScope& operator=(const TQzHostCallScope&) = delete;
  // False inside a call the host made from within one of our callbacks.
  static bool Outermost() { return tHostCallDepth <= 1; }
};

const uint8_t* TQzPublishedChunks::Publish(const uint8_t* Data, size_t Size) {
  const std::thread::id self = std::this_thread::get_id();
  std::lock_guard<std::mutex> lock(FLock);
  TChunk* chunk = &FChunks[0];
  for (TChunk& c : FChunks) {
    if (c.Thread == self) {
      chunk = &c;
      break;
    }
    if (c.Used < chunk->Used) chunk = &c;
  }
  chunk->Thread = self;
  chunk->Used = ++FPublished;
  chunk->Bytes.assign(Data, Data + Size);
  return chunk->Bytes.data();
}

std::string QzDisplayText(const TQzStoredText& Text) { return UnscrambleString(Text.Data, Text.Size); }

bool QzIsToolkitThread() { return gToolkitThread.load(std::memory_order_acquire) == std::this_thread::get_id(); }

bool QzCheckToolkitThread() {
  if (OnToolkitThread()) return true;
  gToolkitViolations.fetch_add(1, std::memory_order_relaxed);
  assert(!"the toolkit was used on a thread that does not pump it");
  return false;
}

int QzToolkitThreadViolations() { return gToolkitViolations.load(std::memory_order_relaxed); }

void QzResetToolkitThread() {
  gToolkitThread.store(std::thread::id(), std::memory_order_release);
  gToolkitViolations.store(0, std::memory_order_relaxed);
}

bool QzClaimToolkitThread() {
  const std::thread::id self = std::this_thread::get_id();
  if (gToolkitThread.load(std::memory_order_acquire) == self) return true;
  if (QzEditorWindowShown && QzEditorWindowShown()) return QzCheckToolkitThread();
  gToolkitThread.store(self, std::memory_order_release);
  return true;
}

void QzPumpToolkitEvents() {
  std::thread::id none;
  // The first pump makes its thread the toolkit's; a pump from any other thread is refused, as
  // Xlib, the forms and their timers would then run on two threads at once.
  gToolkitThread.compare_exchange_strong(none, std::this_thread::get_id(), std::memory_order_acq_rel);
  if (!QzCheckToolkitThread()) return;
  // Only the outermost pump frees: a nested one (a host calling in from a notification) may run
  // inside a handler of the very instance waiting to go.
  static int depth = 0;
  if (depth == 0) QzFreeReleasedInstances();
  struct TDepth {
    TDepth() { ++depth; }
    ~TDepth() { --depth; }
  } inPump;
  if (QzToolkitEventPump) QzToolkitEventPump();
}

void QzFreeReleasedInstances() {
  for (TQzAudioPluginObject* o = gReleased.exchange(nullptr, std::memory_order_acq_rel); o;) {
    TQzAudioPluginObject* next = o->FNextReleased;
    delete o;
    o = next;
  }
}

void TQzAudioPluginObject::Release(TQzAudioPluginObject* Object) {
  if (!Object) return;
  if (!Object->Editor || OnToolkitThread()) {
    delete Object;
    return;
  }
  Object->FNextReleased = gReleased.load(std::memory_order_relaxed);
  while (!gReleased.compare_exchange_weak(Object->FNextReleased, Object, std::memory_order_acq_rel)) {
  }
}

std::string QzGetApplicationTitle() { return ApplicationTitle(); }
void QzSetApplicationTitle(const std::string& Title) { ApplicationTitle() = Title; }

TQzAudioPluginObject::TQzAudioPluginObject() : FaceBitmap(std::make_unique<TMemoryStream>()) {
  LoadFaceFromResource();
}

TQzAudioPluginObject::~TQzAudioPluginObject() {
  // Normally gone already (the most-derived destructor frees it first); while it closes, the
  // face and the chunks are still there.
  FreeEditor();
  FaceBitmap.reset();
}

void TQzAudioPluginObject::FreeEditor() {
  if (!Editor) return;
  QzCheckToolkitThread();
  Editor.reset();
}

void TQzAudioPluginObject::RefreshStaleEditor() {
  if (!Editor || !FEditorStale.exchange(false, std::memory_order_acq_rel)) return;
  Editor->RefreshFromPlugin();
}

void TQzAudioPluginObject::HostIdle() {
  if (!QzCheckToolkitThread()) return;
  RefreshStaleEditor();
  if (QzToolkitIdleCanWait && QzToolkitIdleCanWait()) return;
  QzPumpToolkitEvents();
}

void TQzAudioPluginObject::EditorIdle() {
  // Not inside a call the host made from within our callback: the pump, the editor or the
  // handler that made the callback is still running below.
  if (!TQzHostCallScope::Outermost() || !QzCheckToolkitThread()) return;
  // The refresh first, so the pump paints what it changed.
  RefreshStaleEditor();
  QzPumpToolkitEvents();
}

std::string TQzAudioPluginObject::GetVendorName() { return QzDisplayText(QzStoredVendorName); }
std::string TQzAudioPluginObject::GetRightsNotice() { return QzDisplayText(QzStoredRightsNotice); }

void TQzAudioPluginObject::LoadFaceFromResource() {
  FaceBitmap->Clear();
  const TQzResource* face = QzFindResource("FACE");
  // Only a complete bitmap file is handed on: "BM" and a 14-byte file head at least.
  if (!face || face->Size < 14 || face->Size > static_cast<size_t>(INT32_MAX) || face->Data[0] != 'B' ||
      face->Data[1] != 'M')
    return;
  FaceBitmap->Write(face->Data, static_cast<int32_t>(face->Size));
  FaceBitmap->SetPosition(0);
}

IQzPluginEditor* TQzAudioPluginObject::GetEditor() {
  if (!Editor) {
    // Making an editor is the start of opening one.
    if (!QzClaimToolkitThread()) return nullptr;
    Editor = CreateEditor();
    // CreateEditor shows the presets as they are now.
    FEditorStale.store(false, std::memory_order_release);
  }
  return Editor.get();
}

void TQzAudioPluginObject::SetSampleRate(uint32_t Rate) {
  if (Rate == SampleRate) return;
  SampleRate = Rate;
  SampleRateChanged();
}

void TQzAudioPluginObject::SetTempo(float Value) {
  if (std::isnan(Value)) return;
  if (Value < 1.0f) Value = 1.0f;
  if (Value > 300.0f) Value = 300.0f;
  if (Value == Tempo) return;
  Tempo = Value;
  TempoChanged();
}

void TQzAudioPluginObject::NotifyHost(int32_t Opcode, int32_t Value) {
  // Whoever tells the host the power state (an editor's refresh, the end of a call) tells it of
  // every load and power switch before.
  if (Opcode == NotifyPower) FPowerNoticeDue.store(false, std::memory_order_relaxed);
  if (HostCallback && !FClosed) HostCallback(this, HostContext, Opcode, Value, 0);
}

void TQzAudioPluginObject::Close() {
  if (tHostCallDepth == 0) {
    Release(this);
    return;
  }
  if (FClosed) return;
  FClosed = true;
  FNextClosed = tClosedObjects;
  tClosedObjects = this;
}

bool TQzAudioPluginObject::LoadStateFrom(const void* Data, int32_t Size) {
  TMemoryStream stream;
  stream.SetSize(Size);
  if (Size > 0) std::memcpy(stream.Memory(), Data, static_cast<size_t>(Size));
  stream.SetPosition(0);
  if (!LoadState(&stream)) return false;
  FPowerNoticeDue.store(true, std::memory_order_relaxed);
  return true;
}

// ---- VST 2.x dispatcher -----------------------------------------------------------------------

int32_t TQzAudioPluginObject::CanDo(const char* Text) {
  if (!Text) return 0;
  for (const TCapability& c : Capabilities)
    if (std::strcmp(Text, c.Name) == 0) return (CapabilitySet >> c.Bit) & 1u ? 1 : -1;
  return 0;
}

int32_t TQzAudioPluginObject::EditGetRect(void* Ptr) {
  IQzPluginEditor* editor = GetEditor();
  if (!editor || !Ptr) return 0;
  EditorRect.top = 0;
  EditorRect.left = 0;
  EditorRect.bottom = ClampToInt16(editor->GetHeight());
  EditorRect.right = ClampToInt16(editor->GetWidth());
  *static_cast<ERect**>(Ptr) = &EditorRect;
  return 1;
}

int32_t TQzAudioPluginObject::EditOpen(void* Ptr) {
  if (!QzClaimToolkitThread()) return 0;
  IQzPluginEditor* editor = GetEditor();
  if (!editor) return 0;
  // No display to show it on: the host learns that there is no editor window, nothing more.
  if (QzPrepareWindowSystem && !QzPrepareWindowSystem()) return 0;
  editor->SetPosition(0, 0);
  editor->SetBorderStyle(ebsNone);
  editor->SetParentWindow(Ptr);
  editor->Show();
  return 1;
}

int32_t TQzAudioPluginObject::EditClose() {
  if (IQzPluginEditor* editor = GetEditor()) editor->Hide();
  return 1;
}

int32_t TQzAudioPluginObject::CopyText(const std::string& Text, void* Ptr) {
  if (!Ptr) return 0;
  // Hosts give 64-byte buffers for these strings.
  const size_t n = Text.size() < kVstMaxNameLen - 1 ? Text.size() : kVstMaxNameLen - 1;
  std::memcpy(Ptr, Text.data(), n);
  static_cast<char*>(Ptr)[n] = '\0';
  return 1;
}

int32_t TQzAudioPluginObject::VstDispatch(TQzAudioPluginObject* Self, AEffect* Effect, int32_t Opcode,
                                          int32_t /*Index*/, int32_t Value, void* Ptr, float Opt) {
  // The audio thread's one request: answered before this thread's call depth is touched, whose
  // first use on a thread may allocate.
  if (Opcode == effProcessEvents) return 0;
  TQzHostCallScope scope;
  switch (Opcode) {
    case effOpen:
      return 1;
    case effClose:
      // Called on: host GUI thread, or a worker of the host's. The editor goes with the object,
      // without a last pump; the record goes with it.
      if (Self) Self->Close();
      return 1;
    case effEditIdle:
      // Called on: host GUI thread. The one regular pump of a VST host.
      if (Self) Self->HostIdle();
      return 1;
    case effSetBlockSize:
    case effSetEditKnobMode:
      return 1;
    case effGetVstVersion:
      return 2400;
    case effCanDo:
      return CanDo(static_cast<const char*>(Ptr));
    case effProcessEvents:
    case effBeginSetProgram:
    case effEndSetProgram:
      return 0;
    default:
      break;
  }
  if (!Self) {
    // A record without object: the answers of the requests that would have used it.
    switch (Opcode) {
      case effSetSampleRate:
      case effEditOpen:
      case effEditClose:
      case effGetVendorString:
      case effGetProductString:
        return 1;
      default:
        return 0;
    }
  }
  return Self->Dispatch(Effect, Opcode, Value, Ptr, Opt);
}

int32_t TQzAudioPluginObject::Dispatch(AEffect* Effect, int32_t Opcode, int32_t Value, void* Ptr, float Opt) {
  switch (Opcode) {
    case effSetSampleRate:
      // Nearest integer, halves to even. A value whose nearest integer is no 32-bit unsigned
      // number (below zero, not a number, too large) cannot be converted and is not taken.
      if (!(Opt >= -0.5f && Opt < 4294967296.0f)) return 1;
      SetSampleRate(static_cast<uint32_t>(std::nearbyint(static_cast<double>(Opt))));
      return 1;
    case effEditGetRect:
      return EditGetRect(Ptr);
    case effEditOpen: {
      // The first paint comes at once rather than at the host's next idle.
      const int32_t result = EditOpen(Ptr);
      if (!result) return 0;
      EditorIdle();
      // A window that could not be made (the host's window does not exist) is no open editor.
      return Editor && Editor->GetVisible() ? 1 : 0;
    }
    case effEditClose: {
      // The hidden window is taken down now: the host may destroy its own window next.
      const int32_t result = EditClose();
      EditorIdle();
      return result;
    }
    case effGetChunk: {
      // Any control thread, several at once: each saves into a stream of its own, and the
      // host gets a published copy.
      if (!Ptr || !Effect) return 0;
      TMemoryStream state;
      SaveState(&state);
      const int64_t size = state.GetSize();
      if (size <= 0 || size > QzMaxStateSize) return 0;
      *static_cast<const void**>(Ptr) = ChunkStream.Publish(state.Memory(), static_cast<size_t>(size));
      return static_cast<int32_t>(size);
    }
    case effSetChunk:
      // A negative or absurd size is refused before it is used to read the host's memory. A
      // state that does not load whole changes nothing, and the host learns it from the 0.
      if (!Ptr || !Effect || Value < 0 || Value > QzMaxStateSize) return 0;
      return LoadStateFrom(Ptr, Value) ? 1 : 0;
    case effGetPlugCategory:
      return GetPlugCategory();
    case effGetVendorString:
      return CopyText(GetVendorName(), Ptr);
    case effGetProductString:
      return CopyText(GetProductName(), Ptr);
    case effMainsChanged:
      // Switched on, the effect starts a new stream: what it played before is not heard in it.
      if (Value != 0) ClearProcessingHistory();
      return 0;
    case effStartProcess:
      ClearProcessingHistory();
      StartProcess();
      return 0;
    case effStopProcess:
      StopProcess();
      return 0;
    case effGetNumMidiInputChannels:
      return GetNumMidiInputChannels();
    default:
      return 0;
  }
}

// ---- Direct-call dispatcher -------------------------------------------------------------------

int32_t TQzAudioPluginObject::CallObject(uint32_t Opcode, int32_t Argument, void* Ptr) {
  TQzHostCallScope scope;
  // The state may be taken and loaded on any control thread; there the editor is only marked
  // stale. Everywhere else a direct-call host has no idle call: its control calls pump the
  // toolkit (15007 is the cheap one for a host that keeps a shown editor alive on a timer).
  const bool state = Opcode == 16001 || Opcode == 16002 || Opcode == 16004;
  const bool gui = !state || QzIsToolkitThread();
  if (gui) EditorIdle();
  if (Opcode == 10004) {
    Close();
    return qcrDone;
  }
  const int32_t result = RunOpcode(Opcode, Argument, Ptr);
  // A state load or a power switch shows in the editor, and its host notifications are sent,
  // before the call returns (not inside a call made from our own callback: the refresh that
  // made it is still running).
  if (gui && TQzHostCallScope::Outermost() && QzCheckToolkitThread()) {
    RefreshStaleEditor();
    // The host hears the power state after every load and power switch, editor or not (a load
    // on another thread at its next call here), unless an editor's refresh has told it.
    if (FPowerNoticeDue.exchange(false, std::memory_order_relaxed)) NotifyHost(NotifyPower, GetActive() ? 1 : 0);
  }
  return result;
}

int32_t TQzAudioPluginObject::RunOpcode(uint32_t Opcode, int32_t Argument, void* Ptr) {
  const uint32_t argument = static_cast<uint32_t>(Argument);
  auto text = [Ptr](const std::string& Text) {
    // The host provides the buffer; the texts are at most 30 characters.
    if (!Ptr) return qcrNotDone;
    std::memcpy(Ptr, Text.c_str(), Text.size() + 1);
    return qcrDone;
  };
  // Writes the state or the face into a temporary stream; a failure leaves it empty.
  auto saveInto = [this](TMemoryStream& Stream, bool Face) {
    try {
      if (Face)
        Stream.CopyFrom(FaceBitmap.get(), 0);
      else
        SaveState(&Stream);
    } catch (const std::exception&) {
      Stream.Clear();
    }
    return Stream.GetSize();
  };

  switch (Opcode) {
    case 10001:
      if (!QzClaimToolkitThread()) return qcrNotDone;
      if (IQzPluginEditor* editor = GetEditor()) {
        if (QzPrepareWindowSystem && !QzPrepareWindowSystem()) return qcrNotDone;
        editor->Show();
        return qcrDone;
      }
      return qcrNotDone;
    case 10002:
      if (IQzPluginEditor* editor = GetEditor()) {
        editor->Hide();
        return qcrDone;
      }
      return qcrNotDone;
    case 11001: return text(GetProductName());
    case 11002: return text(GetLongProductName());
    case 11003: return text(GetVendorName());
    case 11004: return text(GetVersionString());
    case 11005: return text(GetYear());
    case 11007: return text(GetIdCode2());
    case 11008: return text(GetIdCode3());
    case 11009: return text(GetRightsNotice());
    case 11010: return text(GetCategoryText());
    case 11011: return text(GetShortName());
    case 11015: return GetInfoByte();
    case 12001: return GetInfoWord1();
    case 12002: return GetInfoWord2();
    case 13001: return static_cast<int32_t>(SampleRate);
    case 13002:
      SetSampleRate(argument);
      return qcrDone;
    case 13003: return 10000;
    case 13004: return 96000;
    case 13005: return 96;
    case 13007:
      SetTempo(static_cast<float>(argument));
      return qcrDone;
    case 15005: return GetActive() ? 1 : 0;
    case 15006:
      SetActive(argument == 1);
      FPowerNoticeDue.store(true, std::memory_order_relaxed);
      return qcrDone;
    case 15007: {
      // Without an editor nothing is visible.
      IQzPluginEditor* editor = GetEditor();
      return editor && editor->GetVisible() ? 1 : 0;
    }
    case 15008:
      if (IQzPluginEditor* editor = GetEditor()) {
        if (argument == 1 && (!QzClaimToolkitThread() || (QzPrepareWindowSystem && !QzPrepareWindowSystem())))
          return qcrNotDone;
        editor->SetVisible(argument == 1);
        return qcrDone;
      }
      return qcrNotDone;
    case 16001: {
      TMemoryStream stream;
      return static_cast<int32_t>(saveInto(stream, false));
    }
    case 16002: {
      TMemoryStream stream;
      const int64_t size = saveInto(stream, false);
      if (!Ptr || size > static_cast<int64_t>(argument)) return qcrNotDone;
      if (size > 0) std::memcpy(Ptr, stream.Memory(), static_cast<size_t>(size));
      return static_cast<int32_t>(size);
    }
    case 16004: {
      // The size is the host's word; one beyond any state of this program is refused before it
      // is used to read the host's memory.
      if (!Ptr || Argument <= 0 || Argument > QzMaxStateSize) return qcrNotDone;
      return LoadStateFrom(Ptr, Argument) ? qcrDone : qcrNotDone;
    }
    case 17001: {
      if (!Ptr) return qcrNotDone;
      TMemoryStream stream;
      const int64_t size = saveInto(stream, true);
      if (size <= 0 || size > static_cast<int64_t>(argument)) return 0;
      std::memcpy(Ptr, stream.Memory(), static_cast<size_t>(size));
      return static_cast<int32_t>(size);
    }
    case 17002: {
      TMemoryStream stream;
      return static_cast<int32_t>(saveInto(stream, true));
    }
    case 17003:
      if (IQzPluginEditor* editor = GetEditor()) {
        editor->SetBorderStyle(argument == 0 ? ebsToolWindow : ebsNone);
        return qcrDone;
      }
      return qcrNotDone;
    case 18001: {
      IQzPluginEditor* editor = Ptr ? GetEditor() : nullptr;
      if (!editor) return qcrNotDone;
      const TCallRect rect{ClampToInt16(editor->GetLeft()), ClampToInt16(editor->GetWidth()),
                           ClampToInt16(editor->GetTop()), ClampToInt16(editor->GetHeight())};
      std::memcpy(Ptr, &rect, sizeof rect);
      return qcrDone;
    }
    case 18002: {
      IQzPluginEditor* editor = Ptr ? GetEditor() : nullptr;
      if (!editor) return qcrNotDone;
      TCallRect rect;
      std::memcpy(&rect, Ptr, sizeof rect);
      editor->SetPosition(rect.Left, rect.Top);
      return qcrDone;
    }
    case 20001: {
      IQzPluginEditor* editor = Ptr ? GetEditor() : nullptr;
      if (!editor) return qcrNotDone;
      editor->SetCaption(static_cast<const char*>(Ptr));
      return qcrDone;
    }
    case 20002:
      if (!Ptr) return qcrNotDone;
      QzSetApplicationTitle(static_cast<const char*>(Ptr));
      return qcrDone;
    default:
      return qcrUnknown;
  }
}
