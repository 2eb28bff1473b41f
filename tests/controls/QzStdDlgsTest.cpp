#include "tests/ui/UiTestForm.h"

namespace {

using StdDlgs = UiFormTest;

TEST_F(StdDlgs, PictureDialogReusesOneFormAndSurvivesANullPicture) {
  auto* d = QzCreate<TQzCustomPictureDialog>(Form);
  d->SetPicture(nullptr);
  EXPECT_EQ(d->GetPicture()->GetGraphic(), nullptr);
  d->Execute();
  TForm* first = d->GetForm();
  ASSERT_NE(first, nullptr);
  first->Close(), Pump();
  d->Execute();
  EXPECT_EQ(d->GetForm(), first) << "one form, kept and shown again";
  EXPECT_TRUE(first->GetVisible());
  // Freeing the dialog frees its form with it: nothing is left bound to it.
  d->Free(), Pump();
}

TEST_F(StdDlgs, AboutBoxIsSizedToPictureAndStripShownModelessAndReportsItsLink) {
  auto* d = QzCreate<TQzAboutDialog>(Form);
  TPicture holder;
  holder.SetGraphic(FilledBitmap(120, 80).get());
  d->SetPicture(&holder), d->SetBottomSpace(30);
  d->SetModal(true);  // inside a plug-in still modeless
  d->SetLinkText("www");
  TObject* sender = nullptr;
  d->OnLabelClick = [&](TObject* S) { sender = S; };
  int bottomCalls = 0;
  TRect bottom;
  d->OnDrawBottom = [&](TObject* Sender, TCanvas*, const TRect& R) {
    EXPECT_EQ(Sender, d);
    ++bottomCalls, bottom = R;
  };
  d->Execute();
  TForm* f = d->GetForm();
  ASSERT_TRUE(f && d->GetCloseButton());
  TControl* ok = d->GetCloseButton();
  EXPECT_EQ(std::tuple(f->GetVisible(), f->GetClientWidth(), f->GetClientHeight(), ok->GetCaption(), ok->GetLeft(),
                       ok->GetTop()),
            std::tuple(true, 120, 110, "OK", 120 - 95 - 5, 110 - 25 - 5));
  Pump();
  EXPECT_GE(bottomCalls, 1);
  EXPECT_EQ(std::tuple(bottom.Top, bottom.Bottom), std::tuple(80 + 5, 110 - 5));
  d->Execute();
  EXPECT_EQ(d->GetForm(), f);
  ASSERT_NE(d->GetLinkLabel(), nullptr);
  EXPECT_EQ(d->GetLinkLabel()->GetLeft(), 10);
  d->GetLinkLabel()->Click();
  EXPECT_EQ(sender, d);
}

TEST_F(StdDlgs, AboutBoxClosesByButtonEscOrClickWithoutButton) {
  struct TRow { bool ShowButton; int How; bool Closes; };  // How: 0 button, 1 Esc, 2 form click
  const TRow rows[] = {{true, 0, true}, {true, 1, true}, {true, 2, false}, {false, 2, true}, {false, 1, true}};
  for (const TRow& row : rows) {
    auto* d = QzCreate<TQzAboutDialog>(Form);
    d->SetShowCloseButton(row.ShowButton);
    d->Execute();
    TForm* f = d->GetForm();
    ASSERT_NE(f, nullptr) << std::to_string(row.ShowButton) + " " + std::to_string(row.How);
    if (row.How == 0) d->GetCloseButton()->Click();
    uint16_t key = VK_ESCAPE;
    if (row.How == 1) f->KeyDown(key, {});
    if (row.How == 2) f->Click();
    Pump();
    EXPECT_EQ(f->GetVisible(), !row.Closes) << std::to_string(row.ShowButton) + " " + std::to_string(row.How);
    d->Free(), Pump();
  }
}

}  // namespace
