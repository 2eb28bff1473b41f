// The library's entry points driven in this process (as the exports forward to them), with the
// test editor registered through the effect's editor factory.
#pragma once

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "TestEditorForm.h"
#include "plugin/QzPluginEntries.h"

class InProcessEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    QzStartLibrary();
    QzResetToolkitThread();
    TTestEditorForm::GuiThread = std::this_thread::get_id();
    TTestEditorForm::ForeignThreadUses = 0;
    QzRegisterEffectEditorFactory(TTestEditorForm::Create);
  }
  void TearDown() override {
    EXPECT_EQ(TTestEditorForm::Alive.load(), 0);
    QzStopLibrary();
  }

  static intptr_t Dispatch(AEffect* E, int32_t Opcode, intptr_t Value = 0, void* Ptr = nullptr, float Opt = 0.0f) {
    return E->dispatcher(E, Opcode, 0, Value, Ptr, Opt);
  }
  static TTestEditorForm* EditorOf(AEffect* E) {
    auto* plugin = static_cast<TQzAudioPluginObject*>(E->object);
    return dynamic_cast<TTestEditorForm*>(plugin->ExistingEditor());
  }
  static std::vector<uint8_t> Chunk(AEffect* E) {
    void* data = nullptr;
    const intptr_t size = Dispatch(E, effGetChunk, 0, &data);
    if (size <= 0 || !data) return {};
    return {static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size};
  }
  static void SetChunk(AEffect* E, std::vector<uint8_t> Blob) {
    Dispatch(E, effSetChunk, static_cast<intptr_t>(Blob.size()), Blob.data());
  }
};

// On the toolkit's off-screen window system, whose clock the test advances.
class OffscreenEditorTest : public InProcessEditorTest {
protected:
  void SetUp() override {
    InProcessEditorTest::SetUp();
    Screen = QzUseOffscreenBackend();
    ASSERT_NE(Screen, nullptr);
  }
  // A VST instance with its editor asked for its size and opened, as hosts do; nullptr when a
  // step fails.
  static TTestEditorForm* OpenVstEditor(AEffect*& Effect) {
    static int parent = 0;  // any handle does for the off-screen backend
    ERect* rect = nullptr;
    Effect = QzVstEntry();
    return Effect && Dispatch(Effect, effEditGetRect, 0, &rect) == 1 && Dispatch(Effect, effEditOpen, 0, &parent) == 1
               ? EditorOf(Effect)
               : nullptr;
  }
  static void ExpectToolkitOnTheGuiThreadOnly() {
    EXPECT_EQ(QzToolkitThreadViolations(), 0);
    EXPECT_EQ(TTestEditorForm::ForeignThreadUses.load(), 0);
  }
  TQzOffscreenBackend* Screen = nullptr;
};
