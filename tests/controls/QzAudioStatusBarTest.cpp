#include "tests/ui/UiTestForm.h"

namespace {
constexpr int BarX = 10, BarY = 20, BarW = 400, BarH = 30;

struct TStatusBarTest : UiFormTest {
  void SetUp() override {
    UiFormTest::SetUp();
    Form->SetClientSize(420, 80);
    Bar = Put<TQzAudioPluginStatusBar>(BarX, BarY, BarW, BarH);
    Bar->SetColor(RGB(40, 60, 120));
    Show();
  }
  TColor Pixel(int X, int Y) const { return ScreenPixel(BarX + X, BarY + Y); }
  // White text pixels inside the bar between columns From and To (frame left out).
  int WhitePixels(int From, int To) const {
    int n = 0;
    for (int y = 1; y < BarH - 1; ++y)
      for (int x = From; x < To; ++x) n += Pixel(x, y) == clWhite;
    return n;
  }
  TQzAudioPluginStatusBar* Bar = nullptr;
};
}  // namespace

TEST_F(TStatusBarTest, ProductNameLeftVendorRight) {
  struct TCase { std::string Product, Vendor; bool Left, Right; };
  const std::vector<TCase> cases = {{"", "", false, false}, {"Equaliser", "", true, false}, {"", "Maker", false, true},
                                    {"Equaliser", "Maker", true, true}, {"Equaliser", "Maker", true, true}};
  for (const TCase& c : cases) {
    Bar->SetProductName(c.Product), Bar->SetVendor(c.Vendor), Pump();
    // Ten pixels of margin stay free of text at each side.
    EXPECT_EQ(std::tuple(WhitePixels(1, BarW / 2) > 0, WhitePixels(BarW / 2, BarW - 1) > 0,
                         WhitePixels(1, 10) + WhitePixels(BarW - 10, BarW - 1)),
              std::tuple(c.Left, c.Right, 0))
        << c.Product << "|" << c.Vendor;
    // The same texts again mark nothing for painting.
    Bar->SetProductName(c.Product), Bar->SetVendor(c.Vendor);
    EXPECT_TRUE(QzIsRectEmpty(Form->GetInvalidRect()));
  }
}

TEST_F(TStatusBarTest, BackgroundIsACopyAndRepaintsAtOnce) {
  // Without a picture: the gradient, darker at the top.
  const TColor top = Pixel(200, 1), bottom = Pixel(200, BarH - 2);
  EXPECT_LT(GetRValue(top) + GetGValue(top) + GetBValue(top),
            GetRValue(bottom) + GetGValue(bottom) + GetBValue(bottom));
  auto source = FilledBitmap(4, 4, RGB(0, 200, 0));
  Bar->SetBackground(source.get()), Pump();
  EXPECT_EQ(Pixel(200, BarH / 2), RGB(0, 200, 0));
  source->GetCanvas()->GetBrush()->SetColor(RGB(200, 0, 0));
  source->GetCanvas()->FillRect(Rect(0, 0, 4, 4)), Pump();
  EXPECT_EQ(Pixel(200, BarH / 2), RGB(0, 200, 0)) << "the bar keeps its own copy";
  // Drawing on the bar's own copy shows without anyone asking for a paint.
  Bar->GetBackground()->GetCanvas()->GetBrush()->SetColor(RGB(0, 0, 200));
  Bar->GetBackground()->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
  EXPECT_EQ(Pixel(200, BarH / 2), RGB(0, 0, 200));
  Bar->SetBackground(nullptr), Pump();
  EXPECT_EQ(Pixel(200, 1), top);
  EXPECT_FALSE(Bar->LoadBackgroundResource("NO SUCH PICTURE") || Bar->HasBackground());
}
