// The editor's life in a host's process as the X side of it comes and goes: threads that take
// over the GUI role, the editor's X client killed, the X server restarted, parents that do not
// exist, windows destroyed by other clients, and a paste from a clipboard holder that answers
// late or not at all. Each test runs its own Xvfb (the library opens a new connection whenever
// it has none); a test is skipped, with the reason, when none can be started.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "X11HostFixture.h"

namespace {

constexpr int HostW = 1100, HostH = 700;

class HostX11Lifecycle : public THostSide {
protected:
  void SetUp() override {
    PluginLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    Xvfb = FindXvfb();
    if (Xvfb.empty()) GTEST_SKIP() << "no Xvfb binary installed";
    ASSERT_TRUE(Server.Start(Xvfb)) << "Xvfb did not start";
    setenv("DISPLAY", Server.Name.c_str(), 1);
    ConnectInput();
  }
  void ConnectInput() { THostSide::ConnectInput(Server.Name); }
  std::unique_ptr<TX11TestHost> OpenHost() { return TX11TestHost::Open(Server.Name, HostW, HostH, HostGreen); }
  static intptr_t Open(AEffect* E, uintptr_t Parent) {
    ERect* rect = nullptr;
    TPluginLibrary::Dispatch(E, effEditGetRect, 0, 0, &rect);
    return TPluginLibrary::Dispatch(E, effEditOpen, 0, 0, reinterpret_cast<void*>(Parent));
  }
  // The editor's artwork fills its rectangle of Host's window.
  static void ExpectPainted(TX11TestHost& Host) {
    Host.Sync();
    const std::vector<uint32_t> px = Host.Grab(HostW, HostH);
    ASSERT_EQ(px.size(), static_cast<size_t>(HostW * HostH));
    std::vector<uint32_t> seen;
    for (int y = 0; y < 595; y += 3)
      for (int x = 0; x < 1024; x += 3) seen.push_back(px[static_cast<size_t>(y * HostW + x)]);
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 64) << "the editor shows no artwork";
    EXPECT_EQ(px[650 * HostW + 1060], HostGreen);
  }
  // An embedded editor (of E, or of a new instance) opened, idled and checked on screen; closed
  // with its instance unless Keep.
  AEffect* OpenPainted(TX11TestHost& Host, AEffect* E = nullptr, bool Keep = false) {
    AEffect* e = E ? E : Lib.NewEffect();
    EXPECT_NE(e, nullptr);
    if (!e) return nullptr;
    EXPECT_EQ(Open(e, Host.Window()), 1);
    Idle(e, 20);
    ExpectPainted(Host);
    if (Keep) return e;
    Lib.Dispatch(e, effEditClose);
    Lib.Close(e);
    return nullptr;
  }
  ::Window FirstChild(::Window Of) {
    ::Window root, parent, *children = nullptr;
    unsigned n = 0;
    ::Window first = 0;
    if (XQueryTree(Input, Of, &root, &parent, &children, &n) && n > 0) first = children[0];
    if (children) XFree(children);
    return first;
  }
  // Top-level windows of ours: mapped children of the root with our class hint.
  std::vector<::Window> OwnTopLevels() {
    std::vector<::Window> found;
    ::Window root, parent, *children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(Input, DefaultRootWindow(Input), &root, &parent, &children, &n)) return found;
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes wa;
      XClassHint hint{};
      if (!XGetWindowAttributes(Input, children[i], &wa) || wa.map_state != IsViewable) continue;
      if (XGetClassHint(Input, children[i], &hint)) {
        if (hint.res_class && std::strcmp(hint.res_class, "Quillmere") == 0) found.push_back(children[i]);
        XFree(hint.res_name);
        XFree(hint.res_class);
      }
    }
    if (children) XFree(children);
    return found;
  }
  void Key(KeySym Sym, bool Down) {
    XTestFakeKeyEvent(Input, XKeysymToKeycode(Input, Sym), Down, CurrentTime);
    XFlush(Input);
  }
  void Chord(KeySym Modifier, KeySym Sym) {
    if (Modifier) Key(Modifier, true);
    Key(Sym, true);
    Key(Sym, false);
    if (Modifier) Key(Modifier, false);
  }
  void ClickAt(::Window W, int X, int Y) {
    int rx, ry;
    ::Window child;
    XTranslateCoordinates(Input, W, DefaultRootWindow(Input), X, Y, &rx, &ry, &child);
    XTestFakeMotionEvent(Input, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(Input, 1, True, CurrentTime);
    XTestFakeButtonEvent(Input, 1, False, CurrentTime);
    XFlush(Input);
  }
  static float Threshold(AEffect* E) {
    const std::vector<uint8_t> chunk = TPluginLibrary::GetChunk(E);
    float v = NAN;
    if (chunk.size() >= 136) std::memcpy(&v, &chunk[132], 4);
    return v;
  }

  std::string Xvfb;
  TXvfb Server;
};

// Host scenarios in which the editor's thread, connection or windows go away; every one ends
// with an editor that works (painted pixels read back from the server).
TEST_F(HostX11Lifecycle, EditorWorksAgainAfterWhatHostsAndUsersDo) {
  struct TRow {
    const char* Name;
    std::function<void()> Run;
  };
  const TRow rows[] = {
      {"an idle from a worker thread before any editor, then the GUI thread opens",
       [&] {
         AEffect* e = Lib.NewEffect();
         ASSERT_NE(e, nullptr);
         std::thread([e] { TPluginLibrary::Dispatch(e, effEditIdle); }).join();
         OpenPainted(*OpenHost(), e);
       }},
      {"the GUI thread replaced between editors",
       [&] {
         // The first thread lives on (the host keeps it for other work) while the second opens.
         auto host = OpenHost();
         std::promise<void> closed, done;
         std::thread first([&] {
           OpenPainted(*host);
           closed.set_value();
           done.get_future().wait();
         });
         closed.get_future().wait();
         std::thread([&] { OpenPainted(*host); }).join();
         done.set_value();
         first.join();
       }},
      {"the editor's X client killed from another connection, then a new effEditOpen",
       [&] {
         auto host = OpenHost();
         AEffect* e = OpenPainted(*host, nullptr, true);
         ASSERT_NE(e, nullptr);
         const ::Window editor = FirstChild(host->Window());
         ASSERT_NE(editor, 0u);
         XKillClient(Input, editor);
         XSync(Input, False);
         Idle(e, 3);
         EXPECT_EQ(Lib.Dispatch(e, effEditClose), 1);
         OpenPainted(*OpenHost(), e);
       }},
      {"the X server restarted under an open editor",
       [&] {
         std::unique_ptr<TX11TestHost> host = OpenHost();
         AEffect* e = OpenPainted(*host, nullptr, true);
         ASSERT_NE(e, nullptr);
         host.reset();
         XCloseDisplay(Input);
         Input = nullptr;
         ASSERT_TRUE(Server.Restart(Xvfb));
         ConnectInput();
         Idle(e, 3);
         Lib.Dispatch(e, effEditClose);
         OpenPainted(*OpenHost(), e);
       }},
      {"parents never created and already destroyed answer 0, then a good parent works",
       [&] {
         auto host = OpenHost();
         auto gone = OpenHost();
         const uintptr_t destroyed = gone->Window();
         gone->DestroyWindow();
         const int roots = host->RootChildCount();
         AEffect* e = Lib.NewEffect();
         ASSERT_NE(e, nullptr);
         for (const uintptr_t bad : {uintptr_t{0x7FFFFF0}, destroyed}) {
           EXPECT_EQ(Open(e, bad), 0);
           Idle(e, 3);
           EXPECT_EQ(host->RootChildCount(), roots) << "a window was made";
           EXPECT_EQ(host->ChildCount(), 0);
         }
         OpenPainted(*host, e);
       }},
      {"direct call: the editor's own window destroyed by another client",
       [&] {
         void* object = Lib.CreateInstance(0, nullptr, nullptr);
         ASSERT_NE(object, nullptr);
         ASSERT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
         IdleDirect(object, 20);
         std::vector<::Window> own = OwnTopLevels();
         ASSERT_EQ(own.size(), 1u);
         XDestroyWindow(Input, own[0]);
         XSync(Input, False);
         IdleDirect(object, 3);
         EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 0);
         EXPECT_EQ(Lib.CallObject(10001, 0, object, nullptr), 1);
         IdleDirect(object, 20);
         EXPECT_EQ(Lib.CallObject(15007, 0, object, nullptr), 1);
         own = OwnTopLevels();
         ASSERT_EQ(own.size(), 1u) << "no new window";
         XWindowAttributes wa;
         ASSERT_TRUE(XGetWindowAttributes(Input, own[0], &wa));
         int x, y;
         ::Window child;
         XTranslateCoordinates(Input, own[0], DefaultRootWindow(Input), 0, 0, &x, &y, &child);
         auto reader = TX11TestHost::Open(Server.Name, 1, 1, 0);
         std::vector<uint32_t> px = reader->GrabScreen(x, y, wa.width, wa.height);
         std::sort(px.begin(), px.end());
         EXPECT_GT(std::unique(px.begin(), px.end()) - px.begin(), 64) << "the new window shows no artwork";
         Lib.CallObject(10004, 0, object, nullptr);
       }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    row.Run();
  }
}

// Ctrl+V in the threshold's value box while the host holds the CLIPBOARD on its own connection,
// in the thread that idles the editor: the idle comes back with the request unanswered, the
// text lands when the answer comes on a later idle, and no more than the box holds is taken.
TEST_F(HostX11Lifecycle, PasteNeverWaitsForTheClipboardsHolder) {
  enum TAnswer { Never, Whole, InPieces };  // in pieces: the INCR protocol, first piece only
  struct TRow {
    const char* Name;
    TAnswer Answer;
    std::string Text;
    float Want;
  };
  // The box holds 16 characters: what lies beyond them would make the text no number.
  std::string oversized = "-7,25" + std::string(11, '0');
  oversized.resize(8u << 20, ',');
  const TRow rows[] = {
      {"answered on a later idle", Whole, "-6,5", -6.5f},
      {"never answered", Never, "", -6.5f},
      {"8 MB answered, cut to the box", Whole, oversized, -7.25f},
      {"8 MB answered in pieces, the first cut to the box", InPieces, "-9,50" + oversized.substr(5, 256 * 1024),
       -9.5f},
  };
  const Atom incr = XInternAtom(Input, "INCR", False);
  const Atom clipboard = XInternAtom(Input, "CLIPBOARD", False), utf8 = XInternAtom(Input, "UTF8_STRING", False);
  const ::Window holder = XCreateSimpleWindow(Input, DefaultRootWindow(Input), 0, 0, 1, 1, 0, 0, 0);
  auto host = OpenHost();
  AEffect* e = OpenPainted(*host, nullptr, true);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(Threshold(e), -3.0f);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    XSetSelectionOwner(Input, clipboard, holder, CurrentTime);
    XSync(Input, False);
    ClickAt(host->Window(), 845, 391);  // the threshold knob's value display opens the box
    Idle(e, 5);
    Chord(XK_Control_L, XK_a);
    Chord(XK_Control_L, XK_v);
    Idle(e, 5);
    // The idles returned, and the holder has not answered yet: the request is waiting here.
    XSync(Input, False);
    XEvent ev;
    ASSERT_TRUE(XCheckTypedWindowEvent(Input, holder, SelectionRequest, &ev)) << "the editor asked for nothing";
    const XSelectionRequestEvent request = ev.xselectionrequest;
    EXPECT_EQ(request.target, utf8);
    if (row.Answer != Never) {
      const long size = 8 << 20;
      if (row.Answer == InPieces) {
        XSelectInput(Input, request.requestor, PropertyChangeMask);
        XChangeProperty(Input, request.requestor, request.property, incr, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&size), 1);
      } else {
        XChangeProperty(Input, request.requestor, request.property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(row.Text.data()), static_cast<int>(row.Text.size()));
      }
      XSelectionEvent reply{};
      reply.type = SelectionNotify;
      reply.requestor = request.requestor;
      reply.selection = request.selection;
      reply.target = request.target;
      reply.property = request.property;
      reply.time = request.time;
      XSendEvent(Input, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
      XSync(Input, False);
      Idle(e, 5);
      if (row.Answer == InPieces) {
        // The editor took the INCR notice (deleted it): the first piece follows.
        XSync(Input, False);
        bool asked = false;
        while (XCheckTypedWindowEvent(Input, request.requestor, PropertyNotify, &ev))
          asked = asked || (ev.xproperty.atom == request.property && ev.xproperty.state == PropertyDelete);
        ASSERT_TRUE(asked) << "the answer in pieces was not taken up";
        XChangeProperty(Input, request.requestor, request.property, utf8, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(row.Text.data()), static_cast<int>(row.Text.size()));
        XSync(Input, False);
        Idle(e, 5);
        XSelectInput(Input, request.requestor, NoEventMask);
      }
    }
    Chord(0, XK_Return);
    Idle(e, 5);
    EXPECT_EQ(Threshold(e), row.Want);
  }
  Lib.Dispatch(e, effEditClose);
  Lib.Close(e);
  XDestroyWindow(Input, holder);
}
}  // namespace
