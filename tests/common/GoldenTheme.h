// The golden theme file (tests/data/theme_ramp.tfid) of the theme tests: its colour table, and
// a manager loaded from it.
#pragma once

#include <gtest/gtest.h>

#include "tests/common/TestStreams.h"
#include "ui/framework/QzThemeCtrls.h"

// Entry I of the golden theme's colour table.
inline TColor RampColor(int I) { return static_cast<TColor>(I | (255 - I) << 8 | (7 * I % 256) << 16); }

inline void LoadGolden(TQzCustomThemeManager* M) {
  auto s = StreamOf(ReadGolden("theme_ramp.tfid"));
  ASSERT_TRUE(M->GetThemeItems()->LoadFromStream(s.get()));
}
