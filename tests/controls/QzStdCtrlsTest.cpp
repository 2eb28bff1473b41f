#include "tests/ui/UiTestForm.h"

namespace {

using StdCtrls = UiFormTest;

TEST_F(StdCtrls, SharedBitmapsAreNamedCaseBlindAndFreedByFinalize) {
  QzStdCtrlsInitialize();
  QzStdCtrlsInitialize();  // a second start adds nothing
  QzExtCtrlsInitialize();
  for (const char* name : {"QzCheckBox", "QZCHECKBOX", "qzchecked", "QZSLIDERBTNLEFT", "QzSliderHorz01"}) {
    ASSERT_NE(QzStdCtrlsBitmap(name), nullptr) << name;
    EXPECT_TRUE(QzStdCtrlsBitmap(name)->GetTransparent()) << name;
  }
  EXPECT_EQ(QzStdCtrlsBitmap("QzCheckBox"), QzStdCtrlsBitmap("qzcheckbox"));
  // A longer name with the same start, or a shorter one, names nothing.
  for (const char* other : {"QzCheckBoxes", "qzeditupper", "QzSliderHorz012", "QzChecke", ""})
    EXPECT_EQ(std::tuple(QzStdCtrlsBitmap(other), QzExtCtrlsBitmap(other)), std::tuple(nullptr, nullptr)) << other;
  EXPECT_EQ(QzStdCtrlsBitmap("QZALIGNTOP"), nullptr) << "an extended control's bitmap";
  ASSERT_NE(QzExtCtrlsBitmap("QZALIGNTOP"), nullptr);
  EXPECT_NE(QzExtCtrlsBitmap("QzCheckBox"), QzStdCtrlsBitmap("QzCheckBox")) << "own copies";
  QzStdCtrlsFinalize(), QzExtCtrlsFinalize();
  EXPECT_TRUE(!QzStdCtrlsBitmap("QzCheckBox") && !QzExtCtrlsBitmap("QZALIGNTOP"));
}

// A self-sizing label must come to rest: after the first fit, more paints move nothing, and a
// centred one keeps its centre.
TEST_F(StdCtrls, AutoSizeLabelSettlesForEveryAlignment) {
  struct TRow { TAlignment Alignment; TAlign Align; uint8_t Padding; };
  const TRow rows[] = {{taLeftJustify, alNone, 0}, {taRightJustify, alNone, 3}, {taCenter, alNone, 4},
                       {taCenter, alNone, 0},      {taCenter, alTop, 2},         {taRightJustify, alLeft, 1}};
  Form->Show();
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.Alignment) + " align " + std::to_string(row.Align));
    auto* l = Put<TQzLabel>(100, 50, 150, 30);
    l->SetCaption("Gain and level"), l->SetAlignment(row.Alignment), l->SetPadding(row.Padding), l->SetAlign(row.Align);
    l->SetAutoSize(true);
    const TRect before = l->GetBoundsRect();
    Pump();
    const TRect fitted = l->GetBoundsRect();
    // Fitted to its text, the edge its alignment names stays put (a centred label keeps its centre within a
    // pixel); a label aligned to a side keeps its width.
    const int moved[] = {fitted.Left - before.Left, fitted.Right - before.Right,
                         (fitted.Left + fitted.Right - before.Left - before.Right) / 2};
    const int width = row.Align == alNone ? l->GetTextWidth() + 2 * row.Padding : before.Right - before.Left;
    EXPECT_EQ(std::tuple(row.Align == alTop ? width : l->GetWidth(), row.Align == alNone ? moved[row.Alignment] : 0),
              std::tuple(width, 0));
    for (int i = 0; i < 5; ++i) {
      Repaint(l);
      EXPECT_EQ(std::tuple(l->GetBoundsRect().Left, l->GetBoundsRect().Right, l->GetBoundsRect().Bottom),
                std::tuple(fitted.Left, fitted.Right, fitted.Bottom));
    }
    EXPECT_TRUE(QzIsRectEmpty(Form->GetInvalidRect()));
    l->Free();
  }
}

TEST_F(StdCtrls, HeaderBarErasesUnderItsTextsAndDragsItsForm) {
  auto* bar = Put<TQzHeaderBar>(0, 0, 200, 56);
  bar->SetColor(RGB(0, 0, 255)), bar->SetCaption(""), bar->SetBottomLine(false);
  Show();
  EXPECT_EQ(ScreenPixel(100, 40), RGB(0, 0, 255));
  // A picture covers the band instead.
  auto picture = FilledBitmap(4, 4, RGB(0, 200, 0));
  bar->SetBitmap(picture.get()), Pump();
  EXPECT_EQ(ScreenPixel(100, 40), RGB(0, 200, 0));
  // Stretched with averaging: black and white columns shrunk to half give grey.
  picture->SetSize(400, 112);
  for (int x = 0; x < 400; ++x) {
    picture->GetCanvas()->GetPen()->SetColor(x % 2 ? clWhite : clBlack);
    picture->GetCanvas()->Line(x, 0, x, 112);
  }
  bar->SetBitmap(picture.get()), Pump();
  const TColor grey = ScreenPixel(100, 40);
  EXPECT_EQ(GetRValue(grey), GetBValue(grey));
  EXPECT_NEAR(GetRValue(grey), 128, 2);
  // It drags its form only while the button is down, and only when asked to.
  struct TRow { bool MoveWindow; TShiftState MoveShift; int ExpectDx; };
  const TRow rows[] = {{true, {ssLeft}, 30}, {false, {ssLeft}, 0}, {true, {}, 0}};
  for (const TRow& row : rows) {
    bar->SetMoveWindow(row.MoveWindow);
    Form->SetBounds(100, 100, Form->GetWidth(), Form->GetHeight());
    bar->MouseDown(mbLeft, {ssLeft}, 10, 10);
    bar->MouseMove(row.MoveShift, 40, 20);
    EXPECT_EQ(std::tuple(Form->GetLeft(), Form->GetTop()),
              std::tuple(100 + row.ExpectDx, 100 + (row.ExpectDx ? 10 : 0)));
    bar->MouseUp(mbLeft, {}, 40, 20);
    bar->MouseMove({ssLeft}, 80, 80);  // after the release nothing follows
    EXPECT_EQ(Form->GetLeft(), 100 + row.ExpectDx);
  }
}

TEST_F(StdCtrls, CheckBoxTogglesOnLeftClickEnterAndSpaceOnly) {
  auto* box = Put<TQzCheckBox>(10, 10, 100, 15);
  int changes = 0;
  box->OnChanged = [&](TObject*) { ++changes; };
  EXPECT_TRUE(box->GetChecked());
  box->MouseDown(mbLeft, {}, 3, 3), box->MouseDown(mbRight, {}, 3, 3);
  EXPECT_EQ(std::tuple(box->GetChecked(), changes), std::tuple(false, 1));
  // Space and Enter toggle and are used up; other keys pass on.
  std::vector<uint16_t> keys{VK_SPACE, VK_RETURN, 'A'};
  for (uint16_t& k : keys) box->KeyDown(k, {});
  EXPECT_EQ(std::tuple(box->GetChecked(), changes, keys), std::tuple(false, 3, std::vector<uint16_t>{0, 0, 'A'}));
  box->SetChecked(true);  // the setter reports nothing
  EXPECT_EQ(std::tuple(box->GetChecked(), changes), std::tuple(true, 3));
}

// Down until the mouse leaves, never while disabled; drawing disabled leaves the shared list's style.
TEST_F(StdCtrls, ButtonDownAndDisabledLook) {
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(4, 4);
  TBitmap cell;
  cell.SetSize(4, 4);
  images->Add(&cell), images->SetDrawingStyle(dsSelected);
  auto* b = Put<TQzButton>(10, 10, 95, 25);
  b->SetImages(images), b->SetImageIndex(0);
  Show();
  TMessage m;
  b->MouseDown(mbLeft, {}, 5, 5);
  EXPECT_TRUE(b->GetDown());
  b->MouseUp(mbLeft, {}, 5, 5);
  EXPECT_TRUE(b->GetDown()) << "down until the mouse leaves";
  EXPECT_EQ(b->GetDrawState(), 0);
  b->CMMouseLeave(m);
  EXPECT_FALSE(b->GetDown());
  b->SetEnabled(false), b->SetDown(true), Pump();
  EXPECT_FALSE(b->GetDown()) << "a disabled button ignores Down";
  EXPECT_EQ(images->GetDrawingStyle(), dsSelected);
  images->Free();
  EXPECT_EQ(b->GetImages(), nullptr);
}

TEST_F(StdCtrls, ImageListsDrawTheIconAndSizeTheLinkLabel) {
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(2, 2);
  // A picture without alpha on a magenta ground: its top-left pixel, and the bottom-right one.
  const TColor ground = RGB(255, 0, 255), red = RGB(255, 0, 0);
  images->Add(BitmapOf(2, {ground, red, red, ground}).get());
  auto* icon = Put<TQzActionIcon>(0, 0, 20, 20);
  icon->SetImages(images), icon->SetImageIndex(0);
  Show();
  // Stretched, the ground is keyed out wherever it lies: the form shows through.
  EXPECT_EQ(std::tuple(ScreenPixel(2, 2), ScreenPixel(17, 2), ScreenPixel(2, 17), ScreenPixel(17, 17)),
            std::tuple(clWhite, red, red, clWhite));
  // At the list's own size the image is drawn as the list holds it.
  icon->SetBounds(0, 0, 2, 2), Pump();
  EXPECT_EQ(std::tuple(ScreenPixel(0, 0), ScreenPixel(1, 0)), std::tuple(ground, red));
  icon->SetBounds(0, 0, 20, 20), icon->SetImageIndex(1), Pump();
  EXPECT_EQ(ScreenPixel(17, 2), clWhite) << "an index past the list draws nothing";
  // A link label is never below 8 pixels high, and makes room for the list's images.
  auto* wide = QzCreate<TImageList>(Form);
  auto* l = Put<TQzActionLabel>(30, 10, 50, 50);
  l->GetFont()->SetHeight(4), l->SetCaption("tiny"), Pump();
  EXPECT_EQ(l->GetHeight(), 8);
  const int textWidth = l->GetWidth();
  EXPECT_GT(textWidth, 0);
  wide->SetSize(12, 40);
  l->SetImages(wide), Pump();
  EXPECT_EQ(std::tuple(l->GetHeight(), l->GetWidth()), std::tuple(40, textWidth + 12 + 3));
}

// The line through a head line leaves a gap round its caption and runs on to the right edge; a group
// box's frame starts below its caption or at the top.
TEST_F(StdCtrls, HeadLineAndGroupBoxLinesMakeRoomForTheCaption) {
  for (TAlignment a : {taLeftJustify, taCenter, taRightJustify}) {
    SCOPED_TRACE(a);
    auto* h = Put<TQzHeadLine>(0, 0, 200, 20);
    h->SetCaption("Head"), h->SetIndent(30), h->SetAlignment(a);
    Show();
    TFont bold;
    bold.Assign(h->GetFont()), bold.SetStyle(bold.GetStyle() + fsBold);
    const int w = QzMeasureText(&bold, "Head").cx;
    const int y = h->GetHeight() / 2;
    const TColor line = ColorToRGB(clBtnShadow);
    int gapLeft = 0, gapRight = 0;  // the caption's gap, exclusive of the line's ends
    if (a == taLeftJustify) gapLeft = 30 - 3, gapRight = 30 + w + 3;
    if (a == taCenter) gapLeft = (200 - w) / 2 - 3, gapRight = 100 + w / 2 + 3;
    if (a == taRightJustify) gapLeft = 200 - w - 3, gapRight = 200;
    EXPECT_EQ(std::tuple(ScreenPixel(1, y), ScreenPixel(gapLeft - 1, y)), std::tuple(line, line));
    EXPECT_NE(ScreenPixel(gapLeft + 1, y), line);
    EXPECT_NE(ScreenPixel(gapRight - 1, y), line);
    if (gapRight < 199) {
      EXPECT_EQ(std::tuple(ScreenPixel(gapRight + 1, y), ScreenPixel(198, y)), std::tuple(line, line));
    }
    h->Free(), Pump();
  }
  // An image list moves the line's start right by its image width + 4, whether ImageIndex names
  // an image in it or not (this list holds none).
  auto* list = QzCreate<TImageList>(Form);
  list->SetSize(12, 8);
  auto* h = Put<TQzHeadLine>(0, 0, 200, 20);
  h->SetCaption("Head"), h->SetIndent(30), h->SetImages(list), Show();
  const int y = h->GetHeight() / 2, start = 12 + 4;
  const TColor line = ColorToRGB(clBtnShadow);
  EXPECT_EQ(std::tuple(ScreenPixel(start - 1, y) == line, ScreenPixel(start, y), ScreenPixel(start + 30 - 4, y),
                       ScreenPixel(start + 30 - 2, y) == line),
            std::tuple(false, line, line, false));
  h->Free(), Pump();
  // A group box frame starts half a caption down, or at the top without a caption in it.
  for (bool borderCaption : {true, false}) {
    auto* g = Put<TQzGroupBox>(0, 0, 150, 100);
    g->SetCaption(""), g->SetRoundBorder(false), g->SetBorderCaption(borderCaption), g->SetColor(RGB(0, 0, 255));
    Show();
    const int top = borderCaption ? g->GetCaptionHeight() / 2 : 0;
    EXPECT_EQ(ScreenPixel(75, top), ColorToRGB(clBtnShadow)) << "the frame in the shadow colour";
    EXPECT_EQ(ScreenPixel(75, top + 1), RGB(0, 0, 255));
    if (top > 0) {
      EXPECT_EQ(ScreenPixel(75, top - 1), RGB(0, 0, 255));
    }
    g->Free(), Pump();
  }
}

TEST_F(StdCtrls, ReadFromAFormDescription) {
  for (auto* r : {RegisterQzStdCtrlsClasses, RegisterQzButtonsClasses, RegisterQzExtCtrlsClasses,
                  RegisterQzBorderClasses, RegisterQzStdDlgsClasses, RegisterQzSliderClasses,
                  RegisterQzControlPanelClasses, RegisterQzEditClasses, RegisterQzTabSetClasses})
    r();
  TForm* f = ReadForm(
      "  object Bar: TQzHeaderBar\n    Bitmap = 'NO_SUCH_PICTURE'\n    InfoText = 'info'\n    Padding = 6\n"
      "    MoveWindow = True\n  end\n"
      "  object Title: TQzLabel\n    Left = 100\n    Width = 200\n    Caption = 'Gain'\n"
      "    Alignment = taRightJustify\n    Padding = 2\n    BackgroundStyle = cbsSolid\n    AutoSize = True\n  end\n"
      "  object Ok: TQzButton\n    ImageAlign = biaTop\n    ShowText = False\n  end\n"
      "  object Mono: TQzCheckBox\n    Checked = False\n  end\n"
      "  object Head: TQzHeadLine\n    Style = hlsRoundRect\n    Indent = 7\n    DrawLine = False\n  end\n"
      "  object Line: TQzBorderLine\n    Style = blsFill\n  end\n"
      "  object Box: TQzGroupBox\n    RoundBorder = False\n    Alignment = taCenter\n  end\n"
      "  object About: TQzAboutDialog\n    Picture = 'NO_SUCH_PICTURE'\n    BottomSpace = 2000\n    Modal = False\n"
      "    LinkText = 'link'\n    Font.Size = 11\n  end\n"
      "  object Gain: TQzSlider\n    Min = -1000\n    Max = 1000\n    Position = -800\n"
      "    Orientation = sloVertical\n    ValueStyle = slvNative\n    Options = [sloAlignEdit]\n  end\n"
      "  object P: TQzControlPanel\n    Width = 120\n    Height = 200\n    BorderHorz = 4\n    ItemSpace = 0\n"
      "    object Second: TQzControlPanelBox\n      Top = 50\n      Height = 30\n      Caption = 'Second'\n    end\n"
      "    object First: TQzControlPanelBox\n      Top = 10\n      Height = 40\n      Expanded = False\n    end\n"
      "  end\n"
      "  object NameLabel: TQzLabel\n    Left = 0\n    Width = 40\n  end\n"
      "  object E: TQzEdit\n    Left = 60\n    Caption = 'Name'\n    Text = 'abcdef'\n"
      "    MaxLength = 4\n    PaddingHorz = 2\n    EditLabel = NameLabel\n  end\n"
      "  object Book: TNotebook\n  end\n"
      "  object Tabs: TQzNotebookTabSet\n    TabSize = 5\n    Indent = 9\n    Style = tssTabs\n"
      "    Options = [tsoShowText, tsoEnableScrolling]\n    Alignment = taLeftJustify\n    Notebook = Book\n  end\n");
  auto* bar = static_cast<TQzHeaderBar*>(f->FindComponent("Bar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->GetBitmap()->GetEmpty());
  EXPECT_EQ(std::tuple(bar->GetInfoText(), bar->GetPadding(), bar->GetMoveWindow()), std::tuple("info", 6, true));
  auto* title = static_cast<TQzLabel*>(f->FindComponent("Title"));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->GetBackgroundStyle(), cbsSolid);
  const TSize text = QzMeasureText(title->GetFont(), "Gain");
  EXPECT_EQ(title->GetWidth(), text.cx + 4) << "fitted once loaded";
  EXPECT_EQ(title->GetLeft() + title->GetWidth(), 300) << "keeping its right edge";
  EXPECT_EQ(static_cast<TQzButton*>(f->FindComponent("Ok"))->GetImageAlign(), biaTop);
  EXPECT_FALSE(static_cast<TQzCheckBox*>(f->FindComponent("Mono"))->GetChecked());
  auto* head = static_cast<TQzHeadLine*>(f->FindComponent("Head"));
  EXPECT_EQ(std::tuple(head->GetStyle(), head->GetIndent(), head->GetDrawLine()), std::tuple(hlsRoundRect, 7, false));
  EXPECT_EQ(static_cast<TQzBorderLine*>(f->FindComponent("Line"))->GetStyle(), blsFill);
  EXPECT_EQ(static_cast<TQzGroupBox*>(f->FindComponent("Box"))->GetAlignment(), taCenter);
  auto* about = static_cast<TQzAboutDialog*>(f->FindComponent("About"));
  EXPECT_EQ(std::tuple(about->GetBottomSpace(), about->GetModal(), about->GetLinkText(), about->GetFont()->GetSize()),
            std::tuple(1000, false, "link", 11));
  EXPECT_EQ(about->GetPicture()->GetGraphic(), nullptr);
  auto* s = static_cast<TQzSlider*>(f->FindComponent("Gain"));
  EXPECT_EQ(std::tuple(s->GetPosition(), s->GetOrientation(), s->GetValueStyle(),
                       s->GetOptions().Contains(sloTransparent)),
            std::tuple(-800, sloVertical, slvNative, false));
  // The panel stacks its boxes by Top once loaded, the collapsed one down to its header.
  auto* p = static_cast<TQzControlPanel*>(f->FindComponent("P"));
  auto* first = static_cast<TQzControlPanelBox*>(f->FindComponent("First"));
  auto* second = static_cast<TQzControlPanelBox*>(f->FindComponent("Second"));
  ASSERT_EQ(p->BoxCount(), 2);
  EXPECT_EQ(p->GetBox(0), first);
  EXPECT_EQ(std::tuple(first->GetTop(), first->GetHeight(), second->GetTop(), second->GetTop() + second->GetHeight(),
                       second->GetLeft()),
            std::tuple(2, first->GetHeader()->GetHeight(), 2 + first->GetHeight(), 200, 4));
  auto* e = static_cast<TQzEdit*>(f->FindComponent("E"));
  auto* l = static_cast<TQzLabel*>(f->FindComponent("NameLabel"));
  EXPECT_EQ(std::tuple(e->GetEditText(), e->GetCaption(), e->GetPaddingHorz(), e->GetEditLabel(), l->GetCaption()),
            std::tuple("abcd", "Name", 2, l, "Name"));
  auto* t = static_cast<TQzNotebookTabSet*>(f->FindComponent("Tabs"));
  EXPECT_EQ(std::tuple(t->GetTabSize(), t->GetIndent(), t->GetStyle(), t->GetOptions().Contains(tsoEnableScrolling),
                       t->GetAlignment(), t->GetNotebook()),
            std::tuple(10, 9, tssTabs, true, taLeftJustify, f->FindComponent("Book")));
  // Translation reaches the slider, but not with a hint from the global group.
  auto* vls = QzCreate<TQzVLSDataSource>(f);
  vls->GetValues()->SetText("#Global\r\n[Gain]\r\nText=Pegel\r\nHint=global hint\r\n");
  vls->TranslateForm(f);
  EXPECT_EQ(std::tuple(s->GetCaption(), s->GetHint()), std::tuple("Pegel", ""));
  f->Free();
}

using StdDlgs = UiFormTest;

TEST_F(StdDlgs, PictureDialogsReuseOneFormAndTheAboutBoxFitsItsPicture) {
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
  // The about box is sized to its picture and strip, shown modeless, and reports its link.
  auto* about = QzCreate<TQzAboutDialog>(Form);
  TPicture holder;
  holder.SetGraphic(FilledBitmap(120, 80).get());
  about->SetPicture(&holder), about->SetBottomSpace(30);
  about->SetModal(true);  // inside a plug-in still modeless
  about->SetLinkText("www");
  TObject* sender = nullptr;
  about->OnLabelClick = [&](TObject* S) { sender = S; };
  TRect bottom;  // stays empty unless the strip is drawn
  about->OnDrawBottom = [&](TObject* Sender, TCanvas*, const TRect& R) {
    EXPECT_EQ(Sender, about);
    bottom = R;
  };
  about->Execute();
  TForm* f = about->GetForm();
  ASSERT_TRUE(f && about->GetCloseButton());
  TControl* ok = about->GetCloseButton();
  EXPECT_EQ(std::tuple(f->GetVisible(), f->GetClientWidth(), f->GetClientHeight(), ok->GetCaption(), ok->GetLeft(),
                       ok->GetTop()),
            std::tuple(true, 120, 110, "OK", 120 - 95 - 5, 110 - 25 - 5));
  Pump();
  EXPECT_EQ(std::tuple(bottom.Top, bottom.Bottom), std::tuple(80 + 5, 110 - 5));
  ASSERT_NE(about->GetLinkLabel(), nullptr);
  EXPECT_EQ(about->GetLinkLabel()->GetLeft(), 10);
  about->GetLinkLabel()->Click();
  EXPECT_EQ(sender, about);
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
