// The library's exported entry points: the VST 2.x entry (VSTPluginMain, main, Main) and the
// direct-call interface (create_instance, process_audio, process_midi, call_object). Each only
// forwards to QzPluginEntries; nothing here lets an exception reach a host.
#include <cstdint>

#include "plugin/QzPluginEntries.h"

#define QZ_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
// The units' start and end while the host loads and unloads the library. Explicit, in this
// object file of the library itself, so that the editor's registration cannot be dropped.
struct TQzLibraryUnits {
  TQzLibraryUnits() { QzStartLibrary(); }
  ~TQzLibraryUnits() { QzStopLibrary(); }
} LibraryUnits;
}  // namespace

// Called on: the host's loading thread. The host's callback is not kept.
QZ_EXPORT AEffect* VSTPluginMain(audioMasterCallback /*AudioMaster*/) { return QzVstEntry(); }

// The same routine under the names Windows hosts use.
QZ_EXPORT AEffect* Main(audioMasterCallback) __attribute__((alias("VSTPluginMain")));
QZ_EXPORT AEffect* QzVstMain(audioMasterCallback) __asm__("main") __attribute__((alias("VSTPluginMain")));

// Called on: the host's loading thread.
QZ_EXPORT void* create_instance(int32_t /*Reserved*/, void* Context, void* Callback) {
  return QzCreateInstanceEntry(Context, Callback);
}

// Called on: audio thread.
QZ_EXPORT int32_t process_audio(void* Object, float** Inputs, float** Outputs, uint16_t Frames, int32_t A,
                                int32_t B) {
  return QzProcessAudioEntry(Object, Inputs, Outputs, Frames, A, B);
}

// Called on: audio thread. MIDI is ignored.
QZ_EXPORT int32_t process_midi(void* /*Object*/, void* /*A*/, void* /*B*/, uint16_t Count) { return Count; }

// Called on: host GUI thread; pumps the toolkit.
QZ_EXPORT int32_t call_object(int32_t Opcode, int32_t Argument, void* Object, void* Ptr) {
  return QzCallObjectEntry(Opcode, Argument, Object, Ptr);
}
