// The editor in a host's X11 window on a private X server: the library installs the X11 backend
// itself, and neither the host destroying its window first, a 32-bit parent, the pointer
// leaving, repeated opening nor the server going away may end the host or leak.
#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "InProcessLibrary.h"
#include "X11TestHost.h"

namespace {

// Sets or clears $DISPLAY for one test and puts the old value back.
class TDisplayVariable {
public:
  explicit TDisplayVariable(const std::string& Value) {
    if (const char* old = std::getenv("DISPLAY")) FOld = old, FHad = true;
    if (Value.empty())
      unsetenv("DISPLAY");
    else
      setenv("DISPLAY", Value.c_str(), 1);
  }
  ~TDisplayVariable() {
    if (FHad)
      setenv("DISPLAY", FOld.c_str(), 1);
    else
      unsetenv("DISPLAY");
  }

private:
  std::string FOld;
  bool FHad = false;
};

class EditorOnX11 : public InProcessEditorTest {
protected:
  void SetUp() override {
    InProcessEditorTest::SetUp();
    const std::string xvfb = FindXvfb();
    if (xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed: the editor's X11 host side is not tested";
    ASSERT_TRUE(Server.Start(xvfb)) << "Xvfb did not start";
    // Nothing chosen: the library picks the window system itself, from $DISPLAY.
    ASSERT_TRUE(QzResetWindowBackend());
    Display = std::make_unique<TDisplayVariable>(Server.Name);
    TX11TestHost::CountErrors(true);
    Counting = true;
  }
  void TearDown() override {
    if (Counting) {
      EXPECT_EQ(TX11TestHost::ErrorsCounted(), 0) << "an X error of ours reached the host's handler";
      TX11TestHost::CountErrors(false);
    }
    // The connection goes before the server does.
    EXPECT_TRUE(QzResetWindowBackend());
    Display.reset();
    InProcessEditorTest::TearDown();
  }
  // Idles the editor like a host at 50 Hz (shortened), long enough for the meter timer to run.
  static void Idle(AEffect* E, int Rounds = 5) {
    for (int i = 0; i < Rounds; ++i) {
      Dispatch(E, effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(12));
    }
  }
  static void* Handle(TX11TestHost& Host) { return reinterpret_cast<void*>(Host.Window()); }

  TXvfb Server;
  std::unique_ptr<TDisplayVariable> Display;
  bool Counting = false;
};

TEST_F(EditorOnX11, HostDestroysItsWindowBeforeClosingTheEditor) {
  // Whether or not the editor was idled between the host's destroying and its effEditClose.
  for (const bool idleBetween : {true, false}) {
    SCOPED_TRACE(idleBetween ? "idled in between" : "closed at once");
    auto host = TX11TestHost::Open(Server.Name, 400, 300, 0x00FF00);
    ASSERT_NE(host, nullptr);
    AEffect* effect = QzVstEntry();
    ASSERT_NE(effect, nullptr);
    ERect* rect = nullptr;
    ASSERT_EQ(Dispatch(effect, effEditGetRect, 0, &rect), 1);
    ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*host)), 1);
    Idle(effect);
    host->Sync();
    const std::vector<uint32_t> px = host->Grab(400, 300);
    ASSERT_EQ(px.size(), 400u * 300u);
    EXPECT_EQ(px[10 * 400 + 10], 0xFF0000u);    // the editor
    EXPECT_EQ(px[250 * 400 + 350], 0x00FF00u);  // the host beyond it
    host->DestroyWindow();
    if (idleBetween) Idle(effect);
    EXPECT_EQ(Dispatch(effect, effEditClose), 1);
    Idle(effect);
    // The host opens the editor again in a new window of its own.
    auto again = TX11TestHost::Open(Server.Name, 400, 300, 0x00FF00);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*again)), 1);
    Idle(effect);
    again->Sync();
    EXPECT_EQ(again->Grab(400, 300)[10 * 400 + 10], 0xFF0000u);
    EXPECT_EQ(Dispatch(effect, effEditClose), 1);
    Dispatch(effect, effClose);
    Application->ProcessMessages();  // the toolkit's next round after the effect is gone
    EXPECT_EQ(QzNativeWindowCount(), 0);
  }
}

TEST_F(EditorOnX11, ShowsInA32BitParent) {
  auto host = TX11TestHost::OpenArgb(Server.Name, 400, 300, 0x0000FF);
  if (!host) GTEST_SKIP() << "the X server offers no 32-bit visual";
  AEffect* effect = QzVstEntry();
  ASSERT_NE(effect, nullptr);
  ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*host)), 1);
  Idle(effect);
  host->Sync();
  const std::vector<uint32_t> px = host->Grab(400, 300);
  ASSERT_EQ(px.size(), 400u * 300u);
  EXPECT_EQ(px[10 * 400 + 10], 0xFF0000u);
  EXPECT_EQ(px[199 * 400 + 319], 0xFF0000u);
  EXPECT_EQ(px[250 * 400 + 350], 0x0000FFu);
  Dispatch(effect, effEditClose);
  Dispatch(effect, effClose);
}

TEST_F(EditorOnX11, KeyboardGoesBackToTheHostWhenThePointerLeaves) {
  auto host = TX11TestHost::Open(Server.Name, 400, 300, 0x00FF00);
  ASSERT_NE(host, nullptr);
  host->TakeFocus();
  AEffect* effect = QzVstEntry();
  ASSERT_NE(effect, nullptr);
  ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*host)), 1);
  Idle(effect);
  TTestEditorForm* editor = EditorOf(effect);
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(editor->GetNativeWindow(), nullptr);
  const uintptr_t ours = editor->GetNativeWindow()->NativeHandle();
  host->SendClick(ours, 20, 20);
  Idle(effect, 3);
  EXPECT_EQ(host->FocusWindow(), ours);  // a click gives the editor the keyboard
  host->SendLeave(ours);
  Idle(effect, 3);
  EXPECT_EQ(host->FocusWindow(), host->Window());
  Dispatch(effect, effEditClose);
  Dispatch(effect, effClose);
}

TEST_F(EditorOnX11, TwentyOpenCloseCyclesLeaveNothingBehind) {
  auto host = TX11TestHost::Open(Server.Name, 400, 300, 0x00FF00);
  ASSERT_NE(host, nullptr);
  auto cycle = [&] {
    AEffect* effect = QzVstEntry();
    ASSERT_NE(effect, nullptr);
    ERect* rect = nullptr;
    Dispatch(effect, effEditGetRect, 0, &rect);
    ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*host)), 1);
    Idle(effect, 2);
    Dispatch(effect, effEditClose);
    Dispatch(effect, effClose);
  };
  // The first cycles connect, load fonts and fill caches.
  for (int i = 0; i < 3; ++i) cycle();
  Application->ProcessMessages();
  const int fds = OpenFileCount(), children = host->ChildCount(), roots = host->RootChildCount();
  const size_t heap = mallinfo2().uordblks;
  for (int i = 0; i < 20; ++i) cycle();
  Application->ProcessMessages();
  host->Sync();
  EXPECT_EQ(OpenFileCount(), fds);
  EXPECT_EQ(host->ChildCount(), children);
  EXPECT_EQ(host->RootChildCount(), roots);
  // Twenty editors of 320 x 200 pixels would be 5 MB of surfaces alone.
  const size_t grown = mallinfo2().uordblks > heap ? mallinfo2().uordblks - heap : 0;
  EXPECT_LT(grown, 256u * 1024u);
  EXPECT_EQ(QzNativeWindowCount(), 0);
}

TEST_F(EditorOnX11, ServerGoingAwayDoesNotEndTheHost) {
  auto host = TX11TestHost::Open(Server.Name, 400, 300, 0x00FF00);
  ASSERT_NE(host, nullptr);
  AEffect* effect = QzVstEntry();
  ASSERT_NE(effect, nullptr);
  ASSERT_EQ(Dispatch(effect, effEditOpen, 0, Handle(*host)), 1);
  Idle(effect);
  host.reset();
  Server.Stop();
  Idle(effect);
  EXPECT_EQ(Dispatch(effect, effEditClose), 1);
  Idle(effect, 2);
  Dispatch(effect, effClose);
  EXPECT_EQ(QzNativeWindowCount(), 0);
}

TEST_F(InProcessEditorTest, WithoutADisplayTheEditorDoesNotOpen) {
  TDisplayVariable none("");
  ASSERT_TRUE(QzResetWindowBackend());
  AEffect* effect = QzVstEntry();
  ASSERT_NE(effect, nullptr);
  ERect* rect = nullptr;
  EXPECT_EQ(Dispatch(effect, effEditGetRect, 0, &rect), 1);  // the size is still known
  int parent = 0;
  EXPECT_EQ(Dispatch(effect, effEditOpen, 0, &parent), 0);
  EXPECT_EQ(Dispatch(effect, effEditIdle), 1);
  EXPECT_EQ(QzNativeWindowCount(), 0);
  Dispatch(effect, effClose);
  void* object = QzCreateInstanceEntry(nullptr, nullptr);
  EXPECT_EQ(QzCallObjectEntry(10001, 0, object, nullptr), -1);
  EXPECT_EQ(QzCallObjectEntry(15007, 0, object, nullptr), 0);
  QzCallObjectEntry(10004, 0, object, nullptr);
}
}  // namespace
