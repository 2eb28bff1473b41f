// The editor window through the library's entries: its size and placement, the host's editor
// requests, its notifications, the clipboard copy and the close box.
#include <cstdlib>

#include "EditorFixture.h"
#include "platform/Clipbrd.h"
#include "platform/FormReader.h"
#include "ui/controls/QzAudioSwitchControl.h"
#include "ui/controls/QzSlider.h"
#include "ui/controls/QzTabSet.h"

namespace {

TEST_F(EditorTest, VstSizeBeforeAndAfterOpen) {
  AEffect* e = NewVst();
  ERect* rect = nullptr;
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  const int w = rect->right - rect->left, h = rect->bottom - rect->top;
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->GetClientWidth(), 1024);
  EXPECT_EQ(f->GetClientHeight(), 595);
  ASSERT_NE(f->InputBox, nullptr);
  EXPECT_EQ(f->InputBox->GetLeft(), 5);
  EXPECT_EQ(f->InputBox->GetTop(), 40);
  EXPECT_EQ(f->InputBox->GetWidth(), 1014);
  EXPECT_EQ(f->InputBox->GetHeight(), 519);
  EXPECT_EQ(w, f->GetWidth());
  EXPECT_EQ(h, f->GetHeight());
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, w);
  EXPECT_EQ(rect->bottom - rect->top, h);
  EXPECT_TRUE(f->GetVisible());
  EXPECT_EQ(f->GetLeft(), 0);
  EXPECT_EQ(f->GetTop(), 0);
  Idle(e);
  const TBitmap* screen = Backend->Screen(Win(f));
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->GetWidth(), 1024);
  EXPECT_EQ(screen->GetHeight(), 595);
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
  EXPECT_EQ(window->Params().ParentWindow, 0u);
  // Shown means visible to the user, activated or not.
  EXPECT_EQ(window->Params().Alpha, 255);
  EXPECT_TRUE(window->Visible());
  EXPECT_EQ(QzCallObjectEntry(15007, 0, o, nullptr), 1);
  EXPECT_EQ(LastVisibility(), 1);

  int16_t rect[4] = {120, 0, 80, 0};
  EXPECT_EQ(QzCallObjectEntry(18002, 0, o, rect), 1);
  int16_t read[4] = {};
  EXPECT_EQ(QzCallObjectEntry(18001, 0, o, read), 1);
  EXPECT_EQ(read[0], 120);
  EXPECT_EQ(read[2], 80);
  EXPECT_EQ(read[1], f->GetWidth());
  EXPECT_EQ(read[3], f->GetHeight());
  char caption[] = "Track 3";
  EXPECT_EQ(QzCallObjectEntry(20001, 0, o, caption), 1);
  EXPECT_EQ(f->GetText(), "Track 3");
  EXPECT_EQ(QzCallObjectEntry(17003, 1, o, nullptr), 1);
  EXPECT_TRUE(window->Params().Borderless);
  EXPECT_EQ(QzCallObjectEntry(17003, 0, o, nullptr), 1);
  EXPECT_FALSE(window->Params().Borderless);

  // Hiding by request tells the host nothing; the close box tells it the window went.
  Log.Calls.clear();
  EXPECT_EQ(QzCallObjectEntry(10002, 0, o, nullptr), 1);
  EXPECT_EQ(QzCallObjectEntry(15007, 0, o, nullptr), 0);
  EXPECT_EQ(LastVisibility(), -1);
  EXPECT_EQ(QzCallObjectEntry(15008, 1, o, nullptr), 1);
  EXPECT_EQ(QzCallObjectEntry(15007, 0, o, nullptr), 1);
  TQzWindowEvent close;
  close.Kind = qeClose;
  Backend->Post(Win(f), close);
  QzCallObjectEntry(15007, 0, o, nullptr);
  EXPECT_EQ(FormOf(p), f);
  EXPECT_FALSE(f->GetVisible());
  EXPECT_EQ(LastVisibility(), 0);

  // The VST instance's window is embedded and never transparent.
  TQzAudioEffectGUIForm* v = OpenVstEditor(vst);
  EXPECT_FALSE(v->GetAlphaBlend());
  EXPECT_NE(Backend->Window(Win(v))->Params().ParentWindow, 0u);
}

TEST_F(EditorTest, CtrlCCopiesTheWindowAndStopsThere) {
  AEffect* e = NewVst();
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  Idle(e);
  std::vector<uint16_t> seen;
  f->PanSel->OnKeyDown = [&](TObject*, uint16_t& Key, TShiftState) { seen.push_back(Key); };
  f->PanSel->SetFocus();
  Idle(e);
  Clipboard()->Clear();
  Backend->Key(Win(f), 67, {ssCtrl});
  Idle(e);
  TPicture picture;
  ASSERT_TRUE(Clipboard()->GetPicture(&picture));
  EXPECT_EQ(picture.GetWidth(), 1024);
  EXPECT_EQ(picture.GetHeight(), 595);
  EXPECT_TRUE(seen.empty());
  // C alone goes on to the focused control.
  Backend->Key(Win(f), 67);
  Idle(e);
  EXPECT_EQ(seen, std::vector<uint16_t>{67});
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
  EXPECT_TRUE(box->GetVisible());
  EXPECT_EQ(box->GetClientWidth(), 600);
  EXPECT_EQ(box->GetClientHeight(), 354 + 75);
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

}  // namespace

namespace {

class TEveryControlForm : public TForm {
public:
  using TForm::TForm;
  std::string ClassName() const override { return "TEveryControlForm"; }
};

// The library's start registers every control unit: a form naming the controls the editor does
// not use is read as well.
TEST_F(EditorTest, LibraryReadsFormsOfEveryControlUnit) {
  TClassRegistrar<TEveryControlForm>("TEveryControlForm", "TForm", false);
  auto* f = QzCreate<TEveryControlForm>(Application);
  TFormReader::ReadRootComponent(f,
                                 "object EveryControlForm: TEveryControlForm\n"
                                 "  object Slider: TQzSlider\n    Min = -10\n    Max = 10\n    Position = 4\n  end\n"
                                 "  object Tabs: TQzNotebookTabSet\n  end\n"
                                 "  object Power: TQzAudioSwitchControl\n    Checked = True\n    Style = awsRed\n  end\n"
                                 "end\n");
  auto* slider = dynamic_cast<TQzSlider*>(f->FindComponent("Slider"));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->GetPosition(), 4);
  EXPECT_NE(dynamic_cast<TQzNotebookTabSet*>(f->FindComponent("Tabs")), nullptr);
  auto* power = dynamic_cast<TQzAudioSwitchControl*>(f->FindComponent("Power"));
  ASSERT_NE(power, nullptr);
  EXPECT_TRUE(power->GetChecked());
  EXPECT_EQ(power->GetStyle(), awsRed);
  f->Free();
}

}  // namespace
