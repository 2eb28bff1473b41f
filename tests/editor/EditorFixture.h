// The effect and its editor in this process, as the library's entries make them, on the
// off-screen window backend: gestures are queued as a mouse or keyboard would send them.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "../plugin/HostCallLog.h"
#include "engine/QzAudioEffectPlugin.h"
#include "platform/Forms.h"
#include "platform/WindowBackend.h"
#include "plugin/QzPluginEntries.h"
#include "ui/editor/ZRTEffectGUI.h"

class EditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    QzStartLibrary(), QzResetToolkitThread();
    Backend = QzUseOffscreenBackend();
    ASSERT_NE(Backend, nullptr) << "a window of an earlier test is still alive";
  }
  void TearDown() override {
    for (AEffect* e : Effects) e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    for (void* o : Objects) QzCallObjectEntry(10004, 0, o, nullptr);
    Application->ProcessMessages(), QzStopLibrary();
  }
  // A VST instance with its editor made (hidden).
  AEffect* NewVst() { return Effects.push_back(QzVstEntry()), Effects.back(); }
  // A direct-call instance whose notifications go to Log.
  void* NewDirect() {
    Objects.push_back(QzCreateInstanceEntry(&Log, reinterpret_cast<void*>(&THostCallLog::Record)));
    return Objects.back();
  }
  static TQzAudioEffectPlugin* PluginOf(AEffect* E) { return static_cast<TQzAudioEffectPlugin*>(E->object); }
  static TQzAudioEffectPlugin* PluginOf(void* O) { return static_cast<TQzAudioEffectPlugin*>(O); }
  static TQzAudioEffectGUIForm* FormOf(TQzAudioEffectPlugin* P) { return QzEffectEditorForm(P->GetEditor()); }
  static intptr_t Vst(AEffect* E, int32_t Opcode, intptr_t Value = 0, void* Ptr = nullptr) {
    return E->dispatcher(E, Opcode, 0, Value, Ptr, 0.0f);
  }
  // The editor opened in a host window as a VST host does it, and idled once.
  TQzAudioEffectGUIForm* OpenVstEditor(AEffect* E) {
    int hostWindow = 0;
    EXPECT_EQ(Vst(E, effEditOpen, 0, &hostWindow), 1);
    return FormOf(PluginOf(E));
  }
  void Idle(AEffect* E) { Vst(E, effEditIdle); }
  uintptr_t Win(TQzAudioEffectGUIForm* F) const { return F->GetNativeWindow()->NativeHandle(); }
  // A point of a control in form client coordinates (its centre, moved by DX, DY).
  static TPoint At(TControl* C, int DX = 0, int DY = 0) {
    TPoint p{C->GetWidth() / 2 + DX, C->GetHeight() / 2 + DY};
    for (TControl* c = C; c && !dynamic_cast<TCustomForm*>(c); c = c->GetParent())
      p.X += c->GetLeft(), p.Y += c->GetTop();
    return p;
  }
  // The centre of R, a rectangle of C's client area, in form client coordinates.
  static TPoint At(TControl* C, const TRect& R) {
    return At(C, (R.Left + R.Right) / 2 - C->GetWidth() / 2, (R.Top + R.Bottom) / 2 - C->GetHeight() / 2);
  }
  // A drag with the left button by (DX, DY) from P on F's window.
  void Drag(TQzAudioEffectGUIForm* F, TPoint P, int DX, int DY) {
    Backend->MouseDown(Win(F), P.X, P.Y);
    Backend->MouseMove(Win(F), P.X + DX, P.Y + DY, {ssLeft});
    Backend->MouseUp(Win(F), P.X + DX, P.Y + DY);
  }
  static std::vector<uint8_t> Chunk(AEffect* E) {
    void* data = nullptr;
    const intptr_t size = Vst(E, effGetChunk, 0, &data);
    if (size <= 0 || !data) return {};
    return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
  }
  static void SetChunk(AEffect* E, std::vector<uint8_t> Blob) {
    Vst(E, effSetChunk, static_cast<intptr_t>(Blob.size()), Blob.data());
  }
  // The value of the last visibility notification, -1 when there was none.
  int32_t LastVisibility() const {
    for (auto it = Log.Calls.rbegin(); it != Log.Calls.rend(); ++it)
      if (it->Opcode == 15008) return it->Value;
    return -1;
  }
  TQzOffscreenBackend* Backend = nullptr;
  THostCallLog Log;
  std::vector<AEffect*> Effects;
  std::vector<void*> Objects;
};
