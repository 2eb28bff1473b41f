#include "plugin/QzPluginEntries.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "engine/QzAudioEffectPlugin.h"
#include "engine/QzAudioFilterEx.h"
#include "graphics/QzPictureFormats.h"
#include "platform/Forms.h"
#include "plugin/QzEditorRegistration.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzExtCtrls.h"
#include "ui/controls/QzStdCtrls.h"

namespace {
constexpr int32_t MaxFramesPerCall = 65535;

// The X connection the library opened itself (not a backend a test or a tool chose).
bool gOwnWindowSystem = false;

// A connection goes when nothing needs it any more: no window of ours on it and nothing of
// ours on the clipboard, or it died (its windows are let go first). The next editor opens a
// new one, to whatever display there is then.
void ReleaseUnusedWindowSystem() {
  if (!gOwnWindowSystem || QzNativeWindowCount() > 0) return;
  TQzWindowBackend& backend = QzWindowBackend();
  if (backend.ServesClipboard() && backend.CheckConnection()) return;
  if (QzResetWindowBackend()) gOwnWindowSystem = false;
}

// The toolkit has no thread of its own: window events, repaints and due timers run when the
// host's GUI thread calls in (effEditIdle, call_object).
void PumpToolkit() {
  Application->ProcessMessages();
  ReleaseUnusedWindowSystem();
}

// Whether our connection goes to the server the host's windows are on: the one $DISPLAY names
// now (a host may change it between editors, and the window ids of two servers coincide). A
// connection chosen for us, or a host that names none, is taken as it is.
bool OnHostsDisplay() {
  const char* display = std::getenv("DISPLAY");
  return !gOwnWindowSystem || !display || !*display || QzWindowBackend().OnDisplay(display);
}

bool EditorWindowShown() { return QzShownFormCount() > 0; }

TQzAudioPluginObject* ObjectOf(AEffect* Effect) {
  return Effect ? static_cast<TQzAudioPluginObject*>(Effect->object) : nullptr;
}

// process and processReplacing, on the audio thread: the accumulating entry replaces the outputs
// too. A host block longer than the 16-bit frame count of the object is processed in slices.
void AEffectProcessProc(AEffect* Effect, float** Inputs, float** Outputs, int32_t SampleFrames) {
  TQzAudioPluginObject* object = ObjectOf(Effect);
  if (!object || !Inputs || !Outputs || SampleFrames <= 0) return;
  if (!Inputs[0] || !Inputs[1] || !Outputs[0] || !Outputs[1]) return;
  TQzDenormalGuard denormals;
  for (int32_t done = 0; done < SampleFrames;) {
    const int32_t frames = SampleFrames - done < MaxFramesPerCall ? SampleFrames - done : MaxFramesPerCall;
    float* in[2] = {Inputs[0] + done, Inputs[1] + done};
    float* out[2] = {Outputs[0] + done, Outputs[1] + done};
    object->ProcessReplacing(in, out, static_cast<uint16_t>(frames), 0, 0);
    done += frames;
  }
}

// Called on the thread each opcode names (TQzAudioPluginObject::VstDispatch).
intptr_t AEffectDispatcherProc(AEffect* Effect, int32_t Opcode, int32_t Index, intptr_t Value, void* Ptr,
                               float Opt) {
  if (!Effect) return 0;
  // The object takes a 32-bit value. A value beyond that range saturates instead of wrapping, so
  // that an absurd chunk size cannot turn into a small one.
  const int32_t value = Value > INT32_MAX ? INT32_MAX : Value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(Value);
  try {
    return TQzAudioPluginObject::VstDispatch(ObjectOf(Effect), Effect, Opcode, Index, value, Ptr, Opt);
  } catch (...) {
    return 0;
  }
}

void AEffectSetParameterProc(AEffect*, int32_t, float) {}
float AEffectGetParameterProc(AEffect*, int32_t) { return 0.0f; }
}  // namespace

void QzStartLibrary() {
  QzRegisterPictureFormats();
  QzStdCtrlsInitialize();
  QzExtCtrlsInitialize();
  QzAudioControlsInitialize();
  Application->Initialize();
  QzToolkitEventPump = PumpToolkit;
  QzToolkitIdleCanWait = [] { return Application->IdleCanWait(); };
  QzPrepareWindowSystem = QzEnsureWindowSystem;
  QzEditorWindowShown = EditorWindowShown;
  QzRegisterEditor();
}

void QzStopLibrary() {
  // Instances closed off the toolkit's thread after its last pump: nothing pumps any more.
  QzFreeReleasedInstances();
  QzRegisterEffectEditorFactory(nullptr);
  // The connection closes with the library (Xlib frees what it keeps for it).
  if (gOwnWindowSystem && QzResetWindowBackend()) gOwnWindowSystem = false;
  QzEditorWindowShown = nullptr;
  QzPrepareWindowSystem = nullptr;
  QzToolkitEventPump = nullptr;
  QzToolkitIdleCanWait = nullptr;
  QzAudioControlsFinalize();
  QzExtCtrlsFinalize();
  QzStdCtrlsFinalize();
  QzUnregisterPictureFormats();
}

bool QzEnsureWindowSystem() {
  if (QzWindowBackendChosen()) {
    if (QzWindowBackend().CheckConnection()) {
      if (OnHostsDisplay()) return true;
      // The host's windows are on another server now: ours follow once none is left on the
      // old one; until then no editor opens (its parent cannot be looked for there).
    } else {
      // The server went away or dropped us (a user killed our client): the windows on it are
      // let go, and a new connection is made.
      Application->DropLostWindows();
    }
    if (!QzResetWindowBackend()) return false;
    gOwnWindowSystem = false;
  }
  std::unique_ptr<TQzWindowBackend> x11 = QzCreateX11Backend(nullptr);
  if (!x11 || !QzSetWindowBackend(std::move(x11))) return false;
  gOwnWindowSystem = true;
  return true;
}

AEffect* QzVstEntry() {
  TQzAudioPluginObject* object;
  try {
    object = new TQzAudioEffectPlugin();
  } catch (...) {
    return nullptr;
  }
  object->SetHostMode(qhmVst);
  RunningAsVst = true;
  AEffect& e = object->Effect;
  std::memset(&e, 0, sizeof e);
  e.magic = kEffectMagic;
  e.dispatcher = AEffectDispatcherProc;
  e.process = AEffectProcessProc;
  e.setParameter = AEffectSetParameterProc;
  e.getParameter = AEffectGetParameterProc;
  e.numPrograms = 0;
  e.numParams = 0;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsNoSoundInStop;
  e.ioRatio = 0.0f;
  e.object = object;
  e.uniqueID = 0;
  e.version = 2400;
  e.processReplacing = AEffectProcessProc;
  e.processDoubleReplacing = nullptr;
  return &e;
}

void* QzCreateInstanceEntry(void* Context, void* Callback) {
  TQzAudioPluginObject* object;
  try {
    object = new TQzAudioEffectPlugin();
  } catch (...) {
    return nullptr;
  }
  object->HostCallback = reinterpret_cast<TQzHostCallback>(Callback);
  object->HostContext = Context;
  RunningAsVst = false;
  object->SetHostMode(qhmDirectCall);
  return object;
}

int32_t QzProcessAudioEntry(void* Object, float** Inputs, float** Outputs, uint16_t Frames, int32_t A, int32_t B) {
  if (!Object) return 0;
  if (Frames > 0) {
    if (!Inputs || !Outputs || !Inputs[0] || !Inputs[1] || !Outputs[0] || !Outputs[1]) return 0;
    TQzDenormalGuard denormals;
    static_cast<TQzAudioPluginObject*>(Object)->ProcessReplacing(Inputs, Outputs, Frames, A, B);
  }
  return Frames;
}

int32_t QzCallObjectEntry(int32_t Opcode, int32_t Argument, void* Object, void* Ptr) {
  if (!Object) return qcrNotDone;
  try {
    return static_cast<TQzAudioPluginObject*>(Object)->CallObject(static_cast<uint32_t>(Opcode), Argument, Ptr);
  } catch (...) {
    return qcrNotDone;
  }
}
