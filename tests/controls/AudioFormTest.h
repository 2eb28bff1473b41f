// A form test with the audio controls' shared editor, switch pictures and digit renderer started
// for each test and stopped after it, so that no test sees what another left in them.
#pragma once

#include "tests/ui/UiTestForm.h"

struct AudioFormTest : UiFormTest {
  void SetUp() override {
    UiFormTest::SetUp();
    QzAudioControlsInitialize();
  }
  void TearDown() override {
    UiFormTest::TearDown();
    QzAudioControlsFinalize();
  }
};
