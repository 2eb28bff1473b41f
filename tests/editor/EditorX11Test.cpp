// The real editor in a host's X11 window on a private X server: parented at the host window's
// corner, painted at once, and found by its class hint.
#include <cstdlib>
#include <string>

#include "EditorFixture.h"
#include "X11TestHost.h"

namespace {

class EditorOnX11 : public EditorTest {
protected:
  void SetUp() override {
    EditorTest::SetUp();
    const std::string xvfb = FindXvfb();
    if (xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed: the editor is not tried on X11";
    ASSERT_TRUE(Server.Start(xvfb)) << "Xvfb did not start";
    // Nothing chosen: the library picks the X11 backend of $DISPLAY itself, as in a host.
    ASSERT_TRUE(QzResetWindowBackend());
    if (const char* old = std::getenv("DISPLAY")) OldDisplay = old;
    setenv("DISPLAY", Server.Name.c_str(), 1);
  }
  void TearDown() override {
    for (AEffect* e : Effects) e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    Effects.clear();
    Application->ProcessMessages();
    // The connection goes before the server does.
    EXPECT_TRUE(QzResetWindowBackend());
    if (OldDisplay.empty())
      unsetenv("DISPLAY");
    else
      setenv("DISPLAY", OldDisplay.c_str(), 1);
    EditorTest::TearDown();
  }
  TXvfb Server;
  std::string OldDisplay;
};

TEST_F(EditorOnX11, OpensPaintedInTheHostWindow) {
  constexpr int W = 1100, H = 650;
  auto host = TX11TestHost::Open(Server.Name, W, H, 0x00FF00);
  ASSERT_NE(host, nullptr);
  AEffect* e = NewVst();
  ERect* rect = nullptr;
  ASSERT_EQ(Vst(e, effEditGetRect, 0, &rect), 1);
  ASSERT_EQ(Vst(e, effEditOpen, 0, reinterpret_cast<void*>(host->Window())), 1);
  host->Sync();
  const std::vector<uint32_t> px = host->Grab(W, H);
  ASSERT_EQ(px.size(), static_cast<size_t>(W * H));
  // Painted by effEditOpen itself, from the host window's corner; the host beyond it.
  EXPECT_NE(px[2 * W + 2], 0x00FF00u);
  EXPECT_NE(px[300 * W + 500], 0x00FF00u);
  EXPECT_EQ(px[(H - 5) * W + (W - 5)], 0x00FF00u);
  EXPECT_EQ(host->ChildClassHint(), "quillmere/Quillmere");
  EXPECT_EQ(Vst(e, effEditClose), 1);
  EXPECT_EQ(host->ChildCount(), 0);
  // Opened again, in the same window, it is there again.
  ASSERT_EQ(Vst(e, effEditOpen, 0, reinterpret_cast<void*>(host->Window())), 1);
  host->Sync();
  EXPECT_NE(host->Grab(W, H)[300 * W + 500], 0x00FF00u);
  EXPECT_EQ(host->ChildCount(), 1);
}

}  // namespace
