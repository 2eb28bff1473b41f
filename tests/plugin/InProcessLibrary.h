// The library's entry points driven in this process (as the exports forward to them), with the
// test editor registered through the effect's editor factory.
#pragma once

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "PluginLibrary.h"
#include "TestEditorForm.h"
#include "plugin/QzPluginEntries.h"

class InProcessEditorTest : public ::testing::Test, public TEffectCalls {
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

  static TTestEditorForm* EditorOf(AEffect* E) {
    auto* plugin = static_cast<TQzAudioPluginObject*>(E->object);
    return dynamic_cast<TTestEditorForm*>(plugin->ExistingEditor());
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
    return Effect && Dispatch(Effect, effEditGetRect, 0, 0, &rect) == 1 &&
                   Dispatch(Effect, effEditOpen, 0, 0, &parent) == 1
               ? EditorOf(Effect)
               : nullptr;
  }
  static void ExpectToolkitOnTheGuiThreadOnly() {
    EXPECT_EQ(QzToolkitThreadViolations(), 0);
    EXPECT_EQ(TTestEditorForm::ForeignThreadUses.load(), 0);
  }
  TQzOffscreenBackend* Screen = nullptr;
};
