// The object both host interfaces talk to: identity texts, power, state, processing and the
// editor as virtual operations, the VST 2.x dispatcher and the direct-call dispatcher.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/QzAudioMath.h"
#include "core/Classes.h"
#include "platform/Vst2.h"

// Set by the VST entry point, cleared by create_instance: the last created instance decides it
// for the whole process. The editor reads it when it is created.
extern TQzShared<bool> RunningAsVst;

// A display string as the program stores it: scrambled bytes, turned into text when shown.
struct TQzStoredText {
  const uint8_t* Data;
  size_t Size;
};
// The program's stored display strings (generated at build time from tools/qz_texts.cpp).
extern const TQzStoredText QzStoredProductName;
extern const TQzStoredText QzStoredLongProductName;
extern const TQzStoredText QzStoredVendorName;
extern const TQzStoredText QzStoredRightsNotice;
extern const TQzStoredText QzStoredAboutLine;
std::string QzDisplayText(const TQzStoredText& Text);

// Thread contract. Three kinds of caller reach the plug-in:
// - the host's audio thread: processReplacing, process_audio, process_midi, effProcessEvents;
// - the host's GUI thread: effEditGetRect, effEditOpen, effEditIdle, effEditClose, effClose,
//   call_object, and everything the toolkit and the editor do;
// - any control thread (often the GUI thread, not always): state, power, sample rate, tempo.
// The toolkit and every editor object live on the one thread that pumps the toolkit. A change
// made on another thread only marks the editor stale; the next pump refreshes it.

// The toolkit's event pump (window events, repaints, due timers). The library fills it in when
// it loads; null while there is no toolkit.
extern void (*QzToolkitEventPump)();
// Set with the pump: true when a host's idle may skip it (see TApplication::IdleCanWait).
extern bool (*QzToolkitIdleCanWait)();
// Called on: host GUI thread. Runs the pump; the first thread to pump becomes the toolkit's.
void QzPumpToolkitEvents();
// Called on: any. Records a toolkit use from this thread: a use from a thread other than the
// toolkit's is counted (and stops a debug build). True when the thread is the toolkit's.
bool QzCheckToolkitThread();
// Called on: any. True when this thread already pumps the toolkit; counts nothing.
bool QzIsToolkitThread();
// Toolkit uses seen on a thread other than the toolkit's since the last reset.
int QzToolkitThreadViolations();
// Forgets the toolkit's thread and the count (a test that moves its GUI role to a new thread).
void QzResetToolkitThread();
// Called on: the toolkit's thread (each pump), and once at unload on the unloading thread.
// Frees the instances whose end waited for the toolkit's thread (TQzAudioPluginObject::Release).
void QzFreeReleasedInstances();
// Called on: the thread that opens an editor. While no editor window is shown anywhere in the
// process, the calling thread becomes the toolkit's (a stray idle from a worker, or a host that
// replaced its GUI thread, must not leave every later editor dead); False, counted like any
// other refusal, when another thread holds the toolkit with an editor window up.
bool QzClaimToolkitThread();
// Called on: any. True while an editor window is shown; the library fills it in (null: never).
extern bool (*QzEditorWindowShown)();

// Called on: host GUI thread, before an editor window is made or shown. Makes sure a window
// system is there to show it (the library installs the X11 backend in a real host); False when
// none can be reached. The library fills it in; null means nothing needs preparing.
extern bool (*QzPrepareWindowSystem)();

// The toolkit application's title (direct-call 20002).
std::string QzGetApplicationTitle();
void QzSetApplicationTitle(const std::string& Title);

enum TQzEditorBorderStyle { ebsNone, ebsToolWindow };

// The editor window as the host interfaces use it. The effect's editor form implements it; a
// plug-in whose CreateEditor returns nothing answers every request that needs the window as not
// carried out. Every call comes on the host's GUI thread (the one that pumps the toolkit).
class IQzPluginEditor {
public:
  virtual ~IQzPluginEditor() = default;
  virtual int32_t GetLeft() = 0;
  virtual int32_t GetTop() = 0;
  virtual int32_t GetWidth() = 0;
  virtual int32_t GetHeight() = 0;
  virtual void SetPosition(int32_t Left, int32_t Top) = 0;
  virtual void SetBorderStyle(TQzEditorBorderStyle Style) = 0;
  // Embeds the window into the host's native window (an X11 window id on Linux).
  virtual void SetParentWindow(void* Handle) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool GetVisible() = 0;
  virtual void SetVisible(bool Value) = 0;
  virtual void SetCaption(const std::string& Caption) = 0;
  // Refreshes every control from the presets.
  virtual void UpdateControls(TObject* Sender) = 0;
  // Called by the pump when a change made elsewhere (a state load, the power, the rate) marked
  // the editor stale: shows the presets again.
  virtual void RefreshFromPlugin() { UpdateControls(nullptr); }
};

// The direct-call host's callback: (object, host context, opcode, value, 0); the result is ignored.
using TQzHostCallback = intptr_t (*)(void* Object, void* Context, int32_t Opcode, int32_t Value,
                                     intptr_t Reserved);

// Host modes recorded at creation.
enum : uint32_t { qhmDirectCall = 1, qhmVst = 2 };

// Results of the direct-call dispatcher.
enum : int32_t { qcrDone = 1, qcrNotDone = -1, qcrUnknown = -4 };

// The states handed to VST hosts by effGetChunk. A host copies the memory before its next
// effGetChunk on the instance; hosts that take the state on several threads at once must still
// each read the state they were given, so every thread has a copy of its own, rewritten only by
// its own next get (or, past Threads threads, taken over by the thread that comes next after
// the longest pause).
class TQzPublishedChunks {
public:
  static constexpr size_t Threads = 16;
  // Any control thread. This thread's copy of Size bytes at Data.
  const uint8_t* Publish(const uint8_t* Data, size_t Size);

private:
  struct TChunk {
    std::thread::id Thread;
    uint64_t Used = 0;
    std::vector<uint8_t> Bytes;
  };
  std::mutex FLock;
  TChunk FChunks[Threads];
  uint64_t FPublished = 0;
};

// A chunk or state larger than this is refused: no state of this program comes near it, and a
// host's garbage size must not turn into a huge allocation or a read past its buffer.
inline constexpr int32_t QzMaxStateSize = 1 << 20;

class TQzAudioPluginObject : public TObject {
public:
  TQzAudioPluginObject();
  ~TQzAudioPluginObject() override;
  std::string ClassName() const override { return "TQzAudioPluginObject"; }

  // Virtual operations. ProcessReplacing runs on the audio thread; the editor's on the GUI
  // thread; the state, power and rate operations on any control thread.
  virtual bool Reserved13() { return false; }
  // Called on: host GUI thread. The editor of this plug-in, created hidden; the base has none.
  virtual std::unique_ptr<IQzPluginEditor> CreateEditor() { return nullptr; }
  virtual std::string GetProductName() { return "ZRT Plugin"; }
  virtual std::string GetIdCode() { return "XYZ"; }
  virtual std::string GetLongProductName() { return "ZRT Audio Plugin"; }
  virtual std::string GetShortName() { return "ZRT Plugin"; }
  virtual std::string GetVersionString() { return std::to_string(1) + "." + std::to_string(6); }
  virtual std::string GetYear() { return "2025"; }
  virtual std::string GetIdCode2() { return "RXW"; }
  virtual std::string GetIdCode3() { return "RXW"; }
  virtual std::string GetVendorName();
  virtual std::string GetRightsNotice();
  virtual std::string GetCategoryText() { return "Audio Plugin"; }
  virtual uint16_t GetInfoWord1() { return 0; }
  virtual uint16_t GetInfoWord2() { return 0; }
  // Called on: any control thread. Power; a change marks the editor stale.
  virtual bool GetActive() { return true; }
  virtual void SetActive(bool) {}
  // While True the editor neither reads nor resets the meters.
  virtual bool MetersSuspended() { return false; }
  virtual void Reserved36() {}
  virtual uint8_t GetInfoByte() { return 0; }
  // Called on: any control thread, after SetTempo or SetSampleRate changed the value.
  virtual void TempoChanged() {}
  virtual void SampleRateChanged() {}
  // Called on: any control thread, never the audio thread. Writes the whole plug-in state at
  // the stream's position; LoadState reads what it wrote, applies it whole or not at all, marks
  // the editor stale and answers whether it was applied.
  virtual void SaveState(TStream*) {}
  virtual bool LoadState(TStream*) { return false; }
  virtual void LoadFaceBitmap() {}
  virtual void StartProcess() {}
  virtual void StopProcess() {}
  // Called on: any control thread, when a new stream starts (effMainsChanged switching on,
  // effStartProcess). Nothing of the stream before may be heard in it; the audio thread takes
  // the request at the start of its next block. The state is untouched.
  virtual void ClearProcessingHistory() {}
  // Called on the host's audio thread: one block of two channels. Allocates nothing, takes no
  // lock. Inputs and Outputs may be the same buffers.
  virtual void ProcessReplacing(float** /*Inputs*/, float** /*Outputs*/, uint16_t /*Frames*/,
                                int32_t /*A*/, int32_t /*B*/) {}
  virtual void Reserved49(intptr_t) {}
  // Called on: host GUI thread (the direct-call host's control path, which pumps the toolkit);
  // the state opcodes 16001, 16002 and 16004 on any control thread too, where nothing pumps.
  // The direct-call dispatcher: qcrDone, a value, qcrNotDone or qcrUnknown.
  virtual int32_t CallObject(uint32_t Opcode, int32_t Argument, void* Ptr);
  virtual int32_t GetPlugCategory() { return kPlugCategEffect; }
  virtual int32_t GetNumMidiInputChannels() { return 0; }

  // Called on: the thread that ends the instance (effClose; hosts use their GUI thread, some a
  // worker). Frees it now, or, when it has an editor and this is not the toolkit's thread, at the
  // toolkit's next pump: another instance's pump may be running its timers and painting there
  // this very moment, and the toolkit's objects are touched on that thread alone.
  static void Release(TQzAudioPluginObject* Object);
  // Called on: host GUI thread. The editor, created on first use; nullptr when there is none.
  IQzPluginEditor* GetEditor();
  // The editor if one was created, without creating it.
  IQzPluginEditor* ExistingEditor() const { return Editor.get(); }
  void SetSampleRate(uint32_t Rate);
  void SetTempo(float Value);
  void SetHostMode(uint32_t Mode) { HostMode = Mode; }
  uint32_t GetSampleRate() const { return SampleRate; }
  float GetTempo() const { return Tempo; }
  uint32_t GetHostMode() const { return HostMode; }
  // Tells the direct-call host about a change made in the editor; nothing without a callback,
  // and nothing once the host has closed the object. The host may free the object from inside
  // its callback: whatever called NotifyHost must not rely on anything of it afterwards beyond
  // what Close keeps alive (see there).
  void NotifyHost(int32_t Opcode, int32_t Value);
  // The host's close request (effClose, 10004). Outside any host call it frees the object at
  // once. Inside one (a host that frees the object from inside our callback, while the call that
  // made the callback is still running, perhaps for another instance) the object stays until
  // the outermost host call on this thread returns, and sends the host nothing more.
  void Close();
  // Called on: any. The editor shows values that changed; the next pump refreshes it.
  void MarkEditorStale() { FEditorStale.store(true, std::memory_order_release); }
  bool EditorStale() const { return FEditorStale.load(std::memory_order_acquire); }
  // Called on: host GUI thread. Refreshes a stale editor, then pumps the toolkit once.
  void EditorIdle();
  // Called on: host GUI thread. A host's idle (effEditIdle): refreshes a stale editor and pumps
  // the toolkit, unless the toolkit says this idle may wait (a host idling far faster than the
  // editor needs, with nothing but timers waiting).
  void HostIdle();

  // The VST 2.x dispatcher. Self may be null (a record without object): requests that need the
  // object then answer 0. Called on the thread each opcode names: effProcessEvents on the audio
  // thread, the editor opcodes and effClose on the GUI thread, the others on any control
  // thread. Only effEditIdle pumps the toolkit (and effEditOpen and effEditClose, for the first
  // paint and the tear-down): hosts call it 25 to 60 times a second from their GUI thread.
  static int32_t VstDispatch(TQzAudioPluginObject* Self, AEffect* Effect, int32_t Opcode,
                             int32_t Index, int32_t Value, void* Ptr, float Opt);
  // Capability answer: 1 yes, -1 a known capability this plug-in lacks, 0 unknown text.
  static int32_t CanDo(const char* Text);
  int32_t VstOpen() { return 1; }
  int32_t EditGetRect(void* Ptr);
  int32_t EditOpen(void* Ptr);
  int32_t EditClose();
  int32_t ProcessEvents(void*) { return 0; }

  // The face picture as a complete bitmap file (empty when the resource is missing).
  const TMemoryStream& GetFaceBitmap() const { return *FaceBitmap; }

  // The fields the entry points fill.
  void* HostContext = nullptr;
  TQzHostCallback HostCallback = nullptr;

protected:
  // Loads FaceBitmap from the bitmap resource "FACE"; leaves it empty when that is not a bitmap.
  void LoadFaceFromResource();
  // Called on: host GUI thread. Frees the editor while everything it looks at still exists: the
  // most-derived destructor calls it first.
  void FreeEditor();
  // Refreshes the editor when a change marked it stale.
  void RefreshStaleEditor();

  std::unique_ptr<IQzPluginEditor> Editor;
  std::unique_ptr<TMemoryStream> FaceBitmap;
  TQzPublishedChunks ChunkStream;
  ERect EditorRect{};
  uint32_t SampleRate = 44100;
  float Tempo = 120.0f;
  uint32_t HostMode = qhmDirectCall;

private:
  friend void QzFreeReleasedInstances();
  friend class TQzHostCallScope;
  // Loads the state in Size bytes at Data (copied first: the host's buffer is not read later);
  // True when it was applied.
  bool LoadStateFrom(const void* Data, int32_t Size);
  // A load or a power switch happened that the direct-call host has not been told of yet.
  std::atomic<bool> FPowerNoticeDue{false};
  std::atomic<bool> FEditorStale{false};
  // Closed by the host while one of its calls was running; the next in that list.
  bool FClosed = false;
  TQzAudioPluginObject* FNextClosed = nullptr;
  // Link of the instances waiting for the toolkit's thread to free them.
  TQzAudioPluginObject* FNextReleased = nullptr;
  int32_t RunOpcode(uint32_t Opcode, int32_t Argument, void* Ptr);
  int32_t Dispatch(AEffect* Effect, int32_t Opcode, int32_t Value, void* Ptr, float Opt);
  int32_t CopyText(const std::string& Text, void* Ptr);

public:
  // The VST record; its object field points back here. Last field, as hosts see it.
  AEffect Effect{};
};
