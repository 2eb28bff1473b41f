// A white form on the off-screen backend, with the pixel reads the toolkit tests share.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Forms.h"
#include "platform/Menus.h"

class FormFixture : public ::testing::Test {
protected:
  void SetUp() override {
    Backend = QzUseOffscreenBackend();
    ASSERT_NE(Backend, nullptr) << "a window of an earlier test is still alive";
    Form = new TForm(Application);
    Form->SetClientSize(300, 200), Form->SetColor(clWhite);
  }
  void TearDown() override {
    if (Form) Form->Free();
    QzSetPopupPresenter(nullptr);
    EXPECT_EQ(QzNativeWindowCount(), 0);
  }
  void Pump() { Application->ProcessMessages(); }
  uintptr_t Win() const { return Form->GetNativeWindow()->NativeHandle(); }
  static TColor Pixel(const TBitmap* B, int X, int Y) {
    const uint8_t* p = B->GetScanLine(Y) + X * 4;
    return RGB(p[2], p[1], p[0]);
  }
  TColor ScreenPixel(int X, int Y) const { return Pixel(Backend->Screen(Win()), X, Y); }
  // The darkest grey level in a rectangle of a window's pixels (text shows as dark pixels).
  static int Darkest(const TBitmap* B, const TRect& R) {
    int best = 255;
    for (int y = R.Top; y < R.Bottom; ++y)
      for (int x = R.Left; x < R.Right; ++x) {
        const TColor c = Pixel(B, x, y);
        best = std::min(best, (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3);
      }
    return best;
  }
  TQzOffscreenBackend* Backend = nullptr;
  TForm* Form = nullptr;
};
