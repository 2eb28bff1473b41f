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
