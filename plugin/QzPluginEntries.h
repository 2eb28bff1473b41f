// The library's entry points as plain functions. The exports (QzPluginMain.cpp) forward to them
// one to one; tests call them in the same process, where they can register an editor.
//
// Thread contract (see README.md): the audio thread calls processReplacing, process_audio,
// process_midi and effProcessEvents; the GUI thread calls the editor opcodes, effClose and
// call_object, and only it pumps the toolkit; state, power and rate may come on any control
// thread (the state through call_object too) and never touch the toolkit there.
#pragma once

#include <cstdint>

#include "platform/Vst2.h"

// Called on: the host's loading thread (main / VSTPluginMain). A new effect's AEffect record.
AEffect* QzVstEntry();
// Called on: the host's loading thread. A new effect for the direct-call interface.
void* QzCreateInstanceEntry(void* Context, void* Callback);
// Called on: audio thread. Allocates nothing, takes no lock, never touches the toolkit.
int32_t QzProcessAudioEntry(void* Object, float** Inputs, float** Outputs, uint16_t Frames, int32_t A, int32_t B);
// Called on: host GUI thread (the direct-call host's control path; it pumps the toolkit); the
// state opcodes (16001, 16002, 16004) on any control thread too.
int32_t QzCallObjectEntry(int32_t Opcode, int32_t Argument, void* Object, void* Ptr);

// The units' start when the library loads and their end when it unloads, in that order: picture
// classes, the toolkit's application object, the pump and window-system hooks, the editor.
void QzStartLibrary();
void QzStopLibrary();

// Called on: host GUI thread. A window system to show the editor on: the X11 backend of
// $DISPLAY unless a backend was chosen already. False when there is no display.
bool QzEnsureWindowSystem();
