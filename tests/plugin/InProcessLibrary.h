// The library's entry points driven in this process (as the exports forward to them), with the
// test editor registered through the effect's editor factory.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "PluginLibrary.h"
#include "engine/QzAudioEffectPlugin.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "plugin/QzPluginEntries.h"

// A small editor window for the host-side tests of the editor: a real toolkit form with a meter
// timer, registered through the effect's editor factory as the real editor will be. It records
// the threads it is used on and looks at the plug-in in its timer, its refresh and its
// destructor, as the real editor does.
class TTestEditorForm : public TForm, public IQzPluginEditor {
public:
  static inline std::atomic<int> Alive{0};
  static inline std::atomic<int> ForeignThreadUses{0};
  static inline std::thread::id GuiThread;
  static inline float LastMeter = 0.0f;

  explicit TTestEditorForm(TQzAudioEffectPlugin* APlugin) : TForm(Application), Plugin(APlugin) {
    Use();
    ++Alive;
    TForm::SetBorderStyle(bsToolWindow);
    SetClientSize(320, 200);
    SetColor(clRed);
    auto* meter = new TTimer(this);
    meter->SetInterval(10);
    meter->OnTimer = [this](TObject*) {
      Use();
      LastMeter = Plugin->GetLimiterMeter(2);
      Plugin->GetLimiter()->ResetMeters();
      ++Ticks;
      // Something to show at every tick, so every pump presents.
      Invalidate();
    };
  }
  ~TTestEditorForm() override {
    Use();
    // The real editor unhooks itself from the stages as it goes: they must still be there.
    LastGain = Plugin->GetMicroEqualizer()->GetPreset()->GetBandGain(0);
    --Alive;
  }

  int32_t GetLeft() override { return TForm::GetLeft(); }
  int32_t GetTop() override { return TForm::GetTop(); }
  int32_t GetWidth() override { return TForm::GetWidth(); }
  int32_t GetHeight() override { return TForm::GetHeight(); }
  void SetPosition(int32_t L, int32_t T) override { SetBounds(L, T, TForm::GetWidth(), TForm::GetHeight()); }
  void SetBorderStyle(TQzEditorBorderStyle S) override { TForm::SetBorderStyle(S == ebsNone ? bsNone : bsToolWindow); }
  using TForm::SetBorderStyle;
  void SetParentWindow(void* H) override { TForm::SetParentWindow(reinterpret_cast<uintptr_t>(H)); }
  void Show() override { TForm::Show(); }
  void Hide() override { TForm::Hide(); }
  bool GetVisible() override { return TForm::GetVisible(); }
  void SetVisible(bool V) override { TForm::SetVisible(V); }
  void SetCaption(const std::string& C) override { SetText(C); }
  void UpdateControls(TObject*) override {
    Use();
    LastGain = Plugin->GetMicroEqualizer()->GetPreset()->GetBandGain(0);
    ++Refreshes;
    Invalidate();
  }

  TQzAudioEffectPlugin* Plugin;
  int Refreshes = 0;
  int Ticks = 0;
  static inline float LastGain = 0.0f;

private:
  static void Use() {
    if (std::this_thread::get_id() != GuiThread) ++ForeignThreadUses;
  }
};

// The entries in this process on the toolkit's off-screen window system, whose clock the test
// advances.
class OffscreenEditorTest : public ::testing::Test, public TEffectCalls {
protected:
  void SetUp() override {
    QzStartLibrary();
    QzResetToolkitThread();
    TTestEditorForm::GuiThread = std::this_thread::get_id();
    TTestEditorForm::ForeignThreadUses = 0;
    QzRegisterEffectEditorFactory([](TQzAudioEffectPlugin* P) -> std::unique_ptr<IQzPluginEditor> {
      return std::make_unique<TTestEditorForm>(P);
    });
    Screen = QzUseOffscreenBackend();
    ASSERT_NE(Screen, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(TTestEditorForm::Alive.load(), 0);
    QzStopLibrary();
  }
  // A VST instance with its editor asked for its size and opened, as hosts do; nullptr when a
  // step fails.
  static TTestEditorForm* OpenVstEditor(AEffect*& Effect) {
    static int parent = 0;  // any handle does for the off-screen backend
    ERect* rect = nullptr;
    Effect = QzVstEntry();
    return Effect && Dispatch(Effect, effEditGetRect, 0, 0, &rect) == 1 &&
                   Dispatch(Effect, effEditOpen, 0, 0, &parent) == 1
               ? dynamic_cast<TTestEditorForm*>(static_cast<TQzAudioPluginObject*>(Effect->object)->ExistingEditor())
               : nullptr;
  }
  static void ExpectToolkitOnTheGuiThreadOnly() {
    EXPECT_EQ(QzToolkitThreadViolations(), 0);
    EXPECT_EQ(TTestEditorForm::ForeignThreadUses.load(), 0);
  }
  TQzOffscreenBackend* Screen = nullptr;
};
