// The editor window through the library's entries: its size and placement, the host's editor
// requests, its notifications and the clipboard copy.
#include <cstdlib>

#include "EditorFixture.h"
#include "tests/common/UiHeaders.h"

namespace {

TEST_F(EditorTest, VstSizeBeforeAndAfterOpenAndCtrlCCopy) {
  AEffect* e = NewVst();
  ERect* rect = nullptr;
  ASSERT_TRUE(Vst(e, effEditGetRect, 0, &rect) == 1 && rect);
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  ASSERT_TRUE(f && f->InputBox);
  EXPECT_EQ(std::tuple(f->GetClientWidth(), f->GetClientHeight(), f->InputBox->GetBoundsRect(), f->GetWidth(),
                       f->GetHeight(), f->GetVisible(), f->GetLeft(), f->GetTop()),
            std::tuple(1024, 595, Rect(5, 40, 1019, 559), w, h, true, 0, 0));
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  EXPECT_EQ(std::tuple(rect->right - rect->left, rect->bottom - rect->top), std::tuple(w, h));
  Idle(e);
  // Ctrl+C copies the window and goes no further.
  std::vector<uint16_t> seen;
  f->PanSel->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) { seen.push_back(Key); };
  f->PanSel->SetFocus(), Idle(e);
  Clipboard()->Clear();
  Backend->Key(Win(f), 67, {ssCtrl}), Idle(e);
  TPicture picture;
  ASSERT_TRUE(Clipboard()->GetPicture(&picture));
  EXPECT_EQ(std::tuple(picture.GetWidth(), picture.GetHeight(), seen.size()), std::tuple(1024, 595, 0u));
  // C alone goes on to the focused control.
  Backend->Key(Win(f), 67), Idle(e);
  EXPECT_EQ(seen, std::vector<uint16_t>{67});
  EXPECT_EQ(Vst(e, effEditClose), 1);
  EXPECT_FALSE(f->GetVisible());
}

TEST_F(EditorTest, DirectCallWindowOfItsOwn) {
  // A VST instance made first must not decide how the direct-call window shows, nor the other way.
  AEffect* vst = NewVst();
  void* o = NewDirect();
  TQzAudioEffectPlugin* p = PluginOf(o);
  ASSERT_EQ(QzCallObjectEntry(10001, 0, o, nullptr), 1);
  TQzAudioEffectGUIForm* f = FormOf(p);
  ASSERT_NE(f, nullptr);
  auto* window = Backend->Window(Win(f));
  ASSERT_NE(window, nullptr);
  // Shown means visible to the user, activated or not.
  EXPECT_EQ(std::tuple(window->Params().ParentWindow, window->Params().Alpha, window->Visible()),
            std::tuple(0u, 255, true));
  EXPECT_EQ(QzCallObjectEntry(15007, 0, o, nullptr), 1);
  EXPECT_EQ(LastVisibility(), 1);
  int16_t rect[4] = {120, 0, 80, 0};
  EXPECT_EQ(QzCallObjectEntry(18002, 0, o, rect), 1);
  int16_t read[4] = {};
  EXPECT_EQ(QzCallObjectEntry(18001, 0, o, read), 1);
  EXPECT_EQ(std::tuple(read[0], read[1], read[2], read[3]), std::tuple(120, f->GetWidth(), 80, f->GetHeight()));
  char caption[] = "Track 3";
  EXPECT_EQ(QzCallObjectEntry(20001, 0, o, caption), 1);
  EXPECT_EQ(f->GetText(), "Track 3");
  EXPECT_EQ(QzCallObjectEntry(17003, 1, o, nullptr), 1);
  EXPECT_TRUE(window->Params().Borderless);
  EXPECT_EQ(QzCallObjectEntry(17003, 0, o, nullptr), 1);
  EXPECT_FALSE(window->Params().Borderless);
  // Hiding by request tells the host nothing.
  Log.Calls.clear();
  EXPECT_EQ(QzCallObjectEntry(10002, 0, o, nullptr), 1);
  EXPECT_EQ(QzCallObjectEntry(15007, 0, o, nullptr), 0);
  EXPECT_EQ(LastVisibility(), -1);
  // The VST instance's window is embedded and never transparent.
  TQzAudioEffectGUIForm* v = OpenVstEditor(vst);
  EXPECT_FALSE(v->GetAlphaBlend());
  EXPECT_NE(Backend->Window(Win(v))->Params().ParentWindow, 0u);
}

// The editor is centred on the screen when it is made; a place the host sets before the first
// show is where it shows.
TEST_F(EditorTest, DirectCallEditorIsCentredWhenMadeAndShowsWhereTheHostPutsIt) {
  for (bool hostPlaces : {false, true}) {
    SCOPED_TRACE(hostPlaces ? "placed by the host" : "left where it was made");
    void* o = NewDirect();
    int16_t read[4] = {};
    ASSERT_EQ(QzCallObjectEntry(18001, 0, o, read), 1);
    TQzAudioEffectGUIForm* f = FormOf(PluginOf(o));
    ASSERT_NE(f, nullptr);
    const int16_t left = static_cast<int16_t>((Screen->GetWidth() - f->GetWidth()) / 2);
    const int16_t top = static_cast<int16_t>((Screen->GetHeight() - f->GetHeight()) / 2);
    EXPECT_EQ(std::tuple(read[0], read[2], f->GetVisible()), std::tuple(left, top, false));
    int16_t place[4] = {37, 0, 52, 0};
    if (hostPlaces) {
      ASSERT_EQ(QzCallObjectEntry(18002, 0, o, place), 1);
    }
    ASSERT_EQ(QzCallObjectEntry(10001, 0, o, nullptr), 1);
    ASSERT_EQ(QzCallObjectEntry(18001, 0, o, read), 1);
    const auto expected = hostPlaces ? std::tuple(place[0], place[2]) : std::tuple(left, top);
    EXPECT_EQ(std::tuple(read[0], read[2]), expected);
    const TQzWindowParams& shown = Backend->Window(Win(f))->Params();
    EXPECT_EQ(std::tuple(shown.Left, shown.Top), std::tuple(int(std::get<0>(expected)), int(std::get<1>(expected))));
  }
}

TEST_F(EditorTest, AboutBoxIsModelessAndShowsThePluginsVersion) {
  AEffect* e = NewVst();
  TQzAudioEffectPlugin* p = PluginOf(e);
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  ASSERT_NE(f->AboutDialog, nullptr);
  EXPECT_EQ(f->AboutVersionLine(), p->GetProductName() + " Ver. " + p->GetVersionString());
  f->AboutDialog->Execute();
  TForm* box = f->AboutDialog->GetForm();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(std::tuple(box->GetVisible(), box->GetClientWidth(), box->GetClientHeight()),
            std::tuple(true, 600, 354 + 75));
  // Its strip is drawn by the editor: the bottom differs from a box without the handler.
  Idle(e);
  auto* shown = const_cast<TBitmap*>(Backend->Screen(box->GetNativeWindow()->NativeHandle()));
  ASSERT_NE(shown, nullptr);
  int inked = 0;
  const TColor background = shown->GetCanvas()->GetPixel(599, 360);
  for (int y = 360; y < 380; ++y)
    for (int x = 5; x < 300; ++x) inked += shown->GetCanvas()->GetPixel(x, y) != background;
  EXPECT_GT(inked, 20);
  f->AboutDialog->Execute();
  EXPECT_EQ(f->AboutDialog->GetForm(), box);
}

// The library's start registers every control unit: a form naming the controls the editor does
// not use is read as well.
TEST_F(EditorTest, LibraryReadsFormsOfEveryControlUnit) {
  auto* f = QzCreate<TForm>(Application);
  TFormReader::ReadRootComponent(
      f,
      "object EveryControlForm: TForm\n"
      "  object Slider: TQzSlider\n    Min = -10\n    Max = 10\n    Position = 4\n  end\n"
      "  object Tabs: TQzNotebookTabSet\n  end\n"
      "  object Power: TQzAudioSwitchControl\n    Checked = True\n    Style = awsRed\n  end\n"
      "end\n");
  auto* slider = dynamic_cast<TQzSlider*>(f->FindComponent("Slider"));
  auto* power = dynamic_cast<TQzAudioSwitchControl*>(f->FindComponent("Power"));
  ASSERT_TRUE(slider && power && dynamic_cast<TQzNotebookTabSet*>(f->FindComponent("Tabs")));
  EXPECT_EQ(std::tuple(slider->GetPosition(), power->GetChecked(), power->GetStyle()), std::tuple(4, true, awsRed));
  f->Free();
}

}  // namespace
