#include <cstring>

#include "FormFixture.h"
#include "platform/ExtCtrls.h"

namespace {

// Test controls: a windowed box that records what reaches it.
class TProbe : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> Log;
  int KillFocus = 0, SetFocusCount = 0, Exits = 0;
  void Note(const std::string& What, int32_t X, int32_t Y, bool Double = false) {
    Log.push_back(What + " " + std::to_string(X) + "," + std::to_string(Y) + (Double ? " double" : ""));
  }
  void MouseDown(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
    Note("down", X, Y, S.Contains(ssDouble)), TCustomControl::MouseDown(B, S, X, Y);
  }
  void MouseMove(TShiftState S, int32_t X, int32_t Y) override {
    Note("move", X, Y), TCustomControl::MouseMove(S, X, Y);
  }
  void MouseUp(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
    Note("up", X, Y), TCustomControl::MouseUp(B, S, X, Y);
  }
  void Click() override { Log.push_back("click"); }
  void DblClick() override { Log.push_back("dblclick"); }
  void CMMouseEnter(TMessage&) override { Log.push_back("enter"); }
  void CMMouseLeave(TMessage&) override { Log.push_back("leave"); }
  bool DoMouseWheelDown(TShiftState, TPoint) override { return Log.push_back("wheeldown"), false; }
  void WMKillFocus(TMessage& M) override { ++KillFocus, TCustomControl::WMKillFocus(M); }
  void WMSetFocus(TMessage& M) override { ++SetFocusCount, TCustomControl::WMSetFocus(M); }
  void DoExit() override { ++Exits; }

protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(clRed);
    GetCanvas()->FillRect(GetClientRect());
  }
};

class ToolkitTest : public FormFixture {
protected:
  // A probe at (L, T) W x H on Parent (the form by default).
  TProbe* Probe(int L, int T, int W, int H, TWinControl* Parent = nullptr) {
    auto* p = new TProbe(Form);
    p->SetBounds(L, T, W, H), p->SetParent(Parent ? Parent : Form);
    return p;
  }
};

}  // namespace

TEST_F(ToolkitTest, AlignmentWithBorderSpacing) {
  Form->SetClientSize(1024, 595);
  const auto aligned = [&](int Height, int Around, TAlign Align) {
    auto* p = Probe(0, 0, 50, Height);
    p->GetBorderSpacing()->SetAround(Around), p->SetAlign(Align);
    return p;
  };
  auto* top = aligned(30, 5, alTop);
  auto* bottom = aligned(30, 1, alBottom);
  auto* box = aligned(50, 5, alClient);
  auto* corner = Probe(900, 500, 20, 20);
  corner->SetAnchors({akRight, akBottom});
  EXPECT_EQ((std::vector{top->GetBoundsRect(), bottom->GetBoundsRect(), box->GetBoundsRect()}),
            (std::vector{Rect(5, 5, 1019, 35), Rect(1, 564, 1023, 594), Rect(5, 40, 1019, 559)}));
  Form->GetConstraints()->SetMinWidth(765);
  Form->SetClientSize(700, 600);  // width held at the minimum
  EXPECT_EQ(std::tuple(Form->GetClientWidth(), box->GetBoundsRect(), corner->GetBoundsRect()),
            std::tuple(765, Rect(5, 40, 760, 564), Rect(900 - 259, 505, 900 - 259 + 20, 525)));
  // Hiding an aligned control gives its room to the others.
  top->Hide();
  EXPECT_EQ(box->GetTop(), 5);
}

TEST_F(ToolkitTest, MouseCaptureClicksAndWheel) {
  auto* a = Probe(10, 10, 50, 50);
  auto* b = Probe(100, 10, 50, 50);
  auto* inner = Probe(30, 30, 15, 15, b);
  Form->Show(), Pump();
  // Pressed on A, released over B: A keeps the mouse, nobody clicks.
  Backend->MouseDown(Win(), 20, 20);
  Backend->MouseMove(Win(), 120, 30);
  Backend->MouseUp(Win(), 120, 30), Pump();
  EXPECT_EQ(a->Log,
            (std::vector<std::string>{"enter", "move 10,10", "down 10,10", "move 110,20", "up 110,20", "leave"}));
  EXPECT_EQ(b->Log, (std::vector<std::string>{"enter"}));
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Two quick clicks: click, then double click (no second click).
  a->Log.clear();
  Backend->AdvanceClock(600);
  Backend->Click(Win(), 20, 20);
  Backend->Click(Win(), 21, 20), Pump();
  EXPECT_EQ(a->Log, (std::vector<std::string>{"enter", "move 10,10", "down 10,10", "up 10,10", "click", "move 11,10",
                                              "dblclick", "down 11,10 double", "up 11,10"}));
  // The wheel goes to the parents, the form last.
  int formNotches = 0;
  Form->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& Handled) { ++formNotches, Handled = true; };
  Backend->Wheel(Win(), 135, 45, -120), Pump();
  EXPECT_EQ(std::tuple(inner->Log.back(), b->Log.back(), formNotches), std::tuple("wheeldown", "wheeldown", 1));
}

TEST_F(ToolkitTest, ActivationFocusAndFocusLoss) {
  auto* a = Probe(0, 0, 50, 50);
  auto* b = Probe(60, 0, 50, 50);
  a->SetTabStop(true), b->SetTabStop(true);
  int activations = 0;
  Form->OnActivate = [&](TObject*) { ++activations; };
  Form->Show();
  EXPECT_EQ(activations, 0);  // the window system activates it
  Pump();
  EXPECT_EQ(activations, 1);
  a->SetFocus();
  EXPECT_EQ(std::tuple(a->Focused(), a->SetFocusCount), std::tuple(true, 1));
  // Tab moves the focus on; the one that lost it hears of it.
  Backend->Key(Win(), VK_TAB), Pump();
  EXPECT_EQ(std::tuple(b->Focused(), a->KillFocus, a->Exits), std::tuple(true, 1, 1));
  // The window loses the focus: the focused control hears of that too.
  Backend->Focus(Win(), false), Pump();
  EXPECT_EQ(std::tuple(b->Focused(), b->KillFocus), std::tuple(false, 1));
  Backend->Focus(Win(), true), Pump();
  EXPECT_EQ(std::tuple(b->Focused(), activations), std::tuple(true, 2));
  // Hiding the focused control takes the focus away from it.
  b->Hide();
  EXPECT_EQ(std::tuple(b->KillFocus, b->Exits, Form->GetActiveControl()), std::tuple(2, 1, nullptr));
  b->SetFocus();  // invisible: refused quietly
  EXPECT_EQ(Form->GetActiveControl(), nullptr);
}

TEST_F(ToolkitTest, MarkedAreasAloneArePaintedAndShown) {
  // Controls that ask for their canvas again inside Paint (as every control does), far apart:
  // two small marks, one in each, are painted and shown, and nothing else is touched, neither
  // the rest of either control nor what lies between the marks.
  auto* pic = Probe(0, 0, 300, 200);
  Probe(10, 10, 60, 60, pic), Probe(220, 120, 60, 60, pic);
  Form->Show(), Pump();
  TBitmap* surface = Form->GetSurface();
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) std::memcpy(surface->GetScanLine(y) + x * 4, "\x00\xff\x00\xff", 4);
  const TRect marks[] = {Rect(20, 20, 30, 30), Rect(230, 130, 240, 140)};
  for (const TRect& m : marks) Form->InvalidateFormRect(m);
  Pump();
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      const bool marked = QzPtInRect(marks[0], TPoint{x, y}) || QzPtInRect(marks[1], TPoint{x, y});
      ASSERT_EQ(std::tuple(Pixel(surface, x, y) == clLime, ScreenPixel(x, y)), std::tuple(!marked, clRed))
          << x << "," << y;
    }
}

TEST_F(ToolkitTest, FormShowCloseAndModal) {
  std::vector<std::string> log;
  Form->OnShow = [&](TObject*) { log.push_back("show"); };
  Form->OnHide = [&](TObject*) { log.push_back("hide"); };
  TCloseAction next = caNone;
  Form->OnClose = [&](TObject*, TCloseAction& A) { log.push_back("close"), A = next; };
  Form->SetCaption("Title"), Form->SetFormStyle(fsStayOnTop), Form->SetBorderStyle(bsToolWindow);
  Form->SetAlphaBlend(true), Form->SetAlphaBlendValue(0), Form->SetPosition(poScreenCenter);
  Backend->SetScreenSize(1000, 800);
  Form->Show();
  auto* w = Backend->Window(Win());
  ASSERT_NE(w, nullptr);
  const TQzWindowParams& p = w->Params();
  EXPECT_EQ(std::tuple(w->Visible(), p.Title, p.StayOnTop, p.ToolWindow, p.SkipTaskbar, p.Alpha, p.Left, p.Top),
            std::tuple(true, "Title", true, true, true, 0, 350, 300));
  Form->SetAlphaBlendValue(255);
  EXPECT_EQ(w->Params().Alpha, 255);
  TQzWindowEvent closeRequest;
  closeRequest.Kind = qeClose;
  Backend->Post(Win(), closeRequest), Pump();
  EXPECT_TRUE(Form->GetVisible());  // caNone keeps it
  next = caHide;
  Form->Close();
  EXPECT_EQ(log, (std::vector<std::string>{"show", "close", "close", "hide"}));
  // A modal form ended by a timer.
  auto* t = new TTimer(Form);
  t->SetInterval(20);
  t->OnTimer = [&](TObject*) { Form->ModalResult = mrOk; };
  EXPECT_EQ(Form->ShowModal(), mrOk);
  EXPECT_FALSE(Form->GetVisible());
  t->Free();
  // Nothing can end it: answered with cancel instead of hanging.
  EXPECT_EQ(Form->ShowModal(), mrCancel);
}

