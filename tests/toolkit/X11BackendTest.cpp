// The X11 backend against a real X server: a private Xvfb started by the test.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "X11TestHost.h"
#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

namespace {

class TRedBox : public TCustomControl {
public:
  using TCustomControl::TCustomControl;

protected:
  void Paint() override { GetCanvas()->GetBrush()->SetColor(clRed), GetCanvas()->FillRect(GetClientRect()); }
};

// Pumps until Done or about three seconds passed.
template <class F>
bool PumpUntil(F Done) {
  for (int i = 0; i < 1500; ++i) {
    Application->ProcessMessages();
    if (Done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// Pumps a few rounds for the server's answers to come in.
void PumpAWhile() {
  for (int i = 0; i < 20; ++i) {
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}
}  // namespace

// Every test gets a private X server, which outlives everything the test creates, a host window
// of its own on another connection, and the toolkit on the server.
class X11Backend : public testing::Test {
protected:
  void SetUp() override {
    const std::string xvfb = FindXvfb();
    if (xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed: the X11 backend is not tested";
    ASSERT_TRUE(server.Start(xvfb)) << "Xvfb did not start";
    ASSERT_NE(host = TX11TestHost::Open(server.Name, 400, 300, 0x00FF00), nullptr);
    ASSERT_TRUE(QzSetWindowBackend(QzCreateX11Backend(server.Name.c_str())));
  }
  void TearDown() override {
    if (IsSkipped()) return;
    EXPECT_EQ(QzNativeWindowCount(), 0);
    EXPECT_NE(QzUseOffscreenBackend(), nullptr);
  }
  // The host's answer for the clipboard as Type; the owner answers from its pump.
  std::vector<uint8_t> Ask(const std::string& Type) {
    host->RequestClipboard(Type);
    std::vector<uint8_t> bytes;
    std::string type;
    EXPECT_TRUE(PumpUntil([&] { return host->PollClipboard(bytes, type); })) << Type;
    EXPECT_EQ(type, Type);
    return bytes;
  }
  TXvfb server;
  std::unique_ptr<TX11TestHost> host;
};

TEST_F(X11Backend, EmbeddedFormPaintsIntoTheHostWindowAndServesTheClipboard) {
  auto* form = new TForm(Application);
  form->SetBorderStyle(bsNone), form->SetClientSize(200, 100), form->SetColor(clBlue);
  auto* box = new TRedBox(form);
  box->SetBounds(50, 20, 40, 30), box->SetParent(form);
  form->SetParentWindow(host->Window()), form->Show();
  // The server draws what we sent in its own time: grab until the box is there (or time is up).
  std::vector<uint32_t> px;
  auto at = [&](int x, int y) { return px[static_cast<size_t>(y) * 400 + static_cast<size_t>(x)]; };
  PumpUntil([&] {
    host->Sync(), px = host->Grab(400, 300);
    return px.size() == 400u * 300u && at(60, 30) == 0xFF0000;
  });
  ASSERT_EQ(px.size(), 400u * 300u);
  // The form (blue), the box (red, right and bottom edges excluded), the host's own background beyond.
  EXPECT_EQ((std::vector{at(10, 10), at(60, 30), at(89, 49), at(90, 50), at(300, 200)}),
            (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0xFF0000, 0x0000FF, 0x00FF00}));
  // The clipboard serves text to another client, asked for as UTF-8, in one answer.
  const std::string text = "Gr\xC3\xBC\xC3\x9F" "e";
  Clipboard()->SetAsText(text);
  const std::vector<uint8_t> bytes = Ask("UTF8_STRING");
  EXPECT_EQ(std::tuple(std::string(bytes.begin(), bytes.end()), Clipboard()->GetAsText()), std::tuple(text, text));
  form->Free();
}

TEST_F(X11Backend, TopLevelDecorationsUnicodeTypingAndPopupMenus) {
  auto* form = new TForm(Application);
  form->SetBounds(40, 40, 300, 200), form->SetBorderStyle(bsToolWindow), form->SetColor(clWhite);
  form->SetBorderIcons(TBorderIcons{biSystemMenu});
  auto* edit = new TEdit(form);
  edit->SetParent(form), edit->SetBounds(10, 10, 200, 24);
  form->Show();
  PumpAWhile();
  const uintptr_t win = form->GetNativeWindow()->NativeHandle();
  // What the window manager reads: functions (resize 2, move 4, minimize 8, maximize 16, close 32),
  // then decorations (border 2, resize 4, title 8, menu 16, minimize 32, maximize 64).
  struct TCase { TBorderStyle Style; TBorderIcons Icons; long Functions, Decorations; };
  const TCase cases[] = {
      {bsToolWindow, {biSystemMenu}, 4 | 32, 2 | 8 | 16},
      {bsToolWindow, {}, 4, 2 | 8},
      {bsToolWindow, {biSystemMenu, biMinimize, biMaximize}, 4 | 32, 2 | 8 | 16},
      {bsSizeToolWin, {biSystemMenu}, 2 | 4 | 32, 2 | 4 | 8 | 16},
      {bsSizeable, {biSystemMenu, biMinimize, biMaximize}, 2 | 4 | 8 | 16 | 32, 2 | 4 | 8 | 16 | 32 | 64},
      {bsSizeable, {biMinimize, biMaximize}, 2 | 4, 2 | 4 | 8},
      {bsSingle, {biSystemMenu, biMaximize}, 4 | 16 | 32, 2 | 8 | 16 | 64},
      {bsSingle, {biSystemMenu, biMinimize}, 4 | 8 | 32, 2 | 8 | 16 | 32},
      {bsDialog, {biSystemMenu, biMaximize}, 4 | 32, 2 | 8 | 16},
      {bsNone, {biSystemMenu}, 4 | 32, 0},
  };
  for (const TCase& k : cases) {
    form->SetBorderStyle(k.Style), form->SetBorderIcons(k.Icons);
    // The other connection sees the change once the server has taken it.
    std::vector<long> h;
    PumpUntil([&] {
      h = host->Property32(win, "_MOTIF_WM_HINTS");
      return h.size() == 5 && h[1] == k.Functions && h[2] == k.Decorations;
    });
    ASSERT_EQ(h.size(), 5u);
    EXPECT_EQ(std::tuple(h[0], h[1], h[2]), std::tuple(3, k.Functions, k.Decorations)) << static_cast<int>(k.Style);
    const bool tool = k.Style == bsToolWindow || k.Style == bsSizeToolWin;
    EXPECT_EQ(host->Property32(win, "_NET_WM_WINDOW_TYPE").size(), tool ? 1u : 0u) << static_cast<int>(k.Style);
  }
  // Typed text arrives as UTF-8, also beyond Latin-1.
  edit->SetFocus();
  host->SendKey(win, 0xFC);       // u with diaeresis
  host->SendKey(win, 0x10020AC);  // the euro sign, as a Unicode keysym
  host->SendKey(win, 'a');
  EXPECT_TRUE(PumpUntil([&] { return edit->GetText().size() >= 6; }));
  EXPECT_EQ(edit->GetText(), "\xC3\xBC\xE2\x82\xAC" "a");
  // Delete takes the character after the caret, and leaves nothing of its own.
  host->SendKey(win, 0xFF50), host->SendKey(win, 0xFFFF);  // Home, Delete
  EXPECT_TRUE(PumpUntil([&] { return edit->GetText().find("\xC3\xBC") == std::string::npos; }));
  EXPECT_EQ(edit->GetText(), "\xE2\x82\xAC" "a");
  // A popup menu: an unmanaged window of its own that holds the pointer while it shows.
  std::vector<std::string> log;
  auto* menu = new TPopupMenu(form);
  for (const char* caption : {"One", "Two"}) {
    auto* i = new TMenuItem(form);
    i->SetCaption(caption), menu->GetItems()->Add(i);
    i->OnClick = [&log, caption](TObject*) { log.push_back(caption); };
  }
  ASSERT_TRUE(host->PointerFree());
  menu->Popup(500, 400);
  PumpUntil([&] { return !host->PointerFree(); });
  uintptr_t mw = 0;
  TRect r;
  ASSERT_TRUE(QzMenuItemPlace(menu->GetItems()->GetItem(1), mw, r));
  EXPECT_EQ(std::tuple(host->OverrideRedirect(mw), host->PointerFree()), std::tuple(true, false));
  // The menu's face, at the screen place asked for, once the server has drawn it.
  const size_t face = static_cast<size_t>(r.Top + 1) * static_cast<size_t>(r.Right + 2) + static_cast<size_t>(r.Left + 2);
  std::vector<uint32_t> px;
  PumpUntil([&] {
    px = host->GrabScreen(500, 400, r.Right + 2, r.Bottom + 2);
    return px.size() > face && px[face] == 0xF0F0F0u;
  });
  ASSERT_GT(px.size(), face);
  EXPECT_EQ(px[face], 0xF0F0F0u);
  host->SendClick(mw, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  EXPECT_TRUE(PumpUntil([&] { return !log.empty(); }));
  // The menu's ungrab is sent, not waited for, and the server may read the host's connection
  // first: the host asks again (with nothing pumped in between) until the server has read ours.
  bool freed = host->PointerFree();
  for (int i = 0; i < 500 && !freed; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    freed = host->PointerFree();
  }
  EXPECT_EQ(std::tuple(log, QzActiveMenu(), freed), std::tuple(std::vector<std::string>{"Two"}, nullptr, true));
  form->Free();
}

TEST_F(X11Backend, LargeClipboardAnswersGoInPieces) {
  // Text several times the largest single request; our own reader puts the pieces together
  // when another client sends them.
  std::string big;
  for (int i = 0; big.size() < 700000; ++i) big += "line " + std::to_string(i) + " \xE2\x82\xAC\n";
  Clipboard()->SetAsText(big);
  const std::vector<uint8_t> bytes = Ask("UTF8_STRING");
  EXPECT_GT(host->Pieces(), 2);
  EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == big) << bytes.size() << " bytes";
  auto reader = QzCreateX11Backend(server.Name.c_str());
  ASSERT_NE(reader, nullptr);
  std::atomic<bool> stop{false};
  // The owner answers from its own pump; each connection is used by one thread only.
  std::thread owner([&] {
    while (!stop) QzWindowBackend().Pump(), std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  std::string text;
  const bool ok = reader->GetClipboardText(text);
  stop = true;
  owner.join();
  EXPECT_TRUE(ok && text == big) << text.size() << " bytes";
}
