// An off-screen form for user-interface tests: shown, pumped, its pixels read back.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/common/TestPixels.h"

#include "tests/common/UiHeaders.h"

class UiFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterToolkitClasses();
    RegisterQzAudioBaseClasses();
    Backend = QzUseOffscreenBackend();
    ASSERT_NE(Backend, nullptr) << "a window of an earlier test is still alive";
    Form = QzCreate<TForm>(Application);
    Form->SetClientSize(320, 240);
    Form->SetColor(clWhite);
  }
  void TearDown() override {
    if (Form) Form->Free();
  }
  void Pump() { Application->ProcessMessages(); }
  void Show() { Form->Show(), Pump(); }
  void Repaint(TControl* C) { C->Invalidate(), Pump(); }
  // A control of class T made by the form, at (L, T_) W x H on Parent (the form by default).
  template <class T>
  T* Put(int L, int T_, int W, int H, TWinControl* Parent = nullptr) {
    T* c = QzCreate<T>(Form);
    c->SetBounds(L, T_, W, H);
    c->SetParent(Parent ? Parent : Form);
    return c;
  }
  // Input through the window: a click at a point of C's client area, a key to the focus.
  void ClickAt(TControl* C, int X, int Y, TMouseButton B = mbLeft) {
    const TPoint o = C->FormOffset();
    Backend->Click(Win(), o.X + X, o.Y + Y, B), Pump();
  }
  void ClickAt(TControl* C, TPoint P) { ClickAt(C, P.X, P.Y); }
  void Key(uint16_t K, TShiftState S = {}) { Backend->Key(Win(), K, S), Pump(); }
  // The same at form coordinates, each followed by a pump; Tick moves the toolkit's clock.
  void Down(int X, int Y, TMouseButton B = mbLeft) { Backend->MouseDown(Win(), X, Y, B), Pump(); }
  void Up(int X, int Y, TMouseButton B = mbLeft) { Backend->MouseUp(Win(), X, Y, B), Pump(); }
  void Move(int X, int Y, TShiftState S = {}) { Backend->MouseMove(Win(), X, Y, S), Pump(); }
  void Wheel(int X, int Y, int Delta, TShiftState S = {}) { Backend->Wheel(Win(), X, Y, Delta, S), Pump(); }
  void Tick(uint64_t Ms) { Backend->AdvanceClock(Ms), Pump(); }
  uintptr_t Win() const { return Form->GetNativeWindow()->NativeHandle(); }
  // The presented pixels of a form, as 0x00RRGGBB words.
  std::vector<uint32_t> PixelsOf(TCustomForm* Shown) const {
    std::vector<uint32_t> v;
    const TBitmap* s = Backend->Screen(Shown->GetNativeWindow()->NativeHandle());
    if (!s) return v;
    for (int y = 0; y < s->GetHeight(); ++y) {
      const uint8_t* row = s->GetScanLine(y);
      for (int x = 0; x < s->GetWidth(); ++x) v.push_back(RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]));
    }
    return v;
  }
  TColor ScreenPixel(int X, int Y) const {
    const uint8_t* p = Backend->Screen(Win())->GetScanLine(Y) + X * 4;
    return RGB(p[2], p[1], p[0]);
  }
  TQzOffscreenBackend* Backend = nullptr;
  TForm* Form = nullptr;
};

// C after Setup(C).
template <class T, class F>
T* With(T* C, F Setup) {
  Setup(C);
  return C;
}

inline TPoint Centre(const TRect& R) { return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}; }

// A form read from the description of its children (Body); the caller frees it.
inline TForm* ReadForm(const std::string& Body) {
  auto* f = QzCreate<TForm>(Application);
  TFormReader::ReadRootComponent(f, "object Root: TForm\n" + Body + "end\n");
  return f;
}
