// The host side shared by the programs' X11 host tests: one private Xvfb for the whole program,
// and a fixture that loads the built library, embeds its editors in windows of its own and gives
// XTest input. Every test is skipped, with the reason, when no Xvfb can be started.
//
// One Xvfb serves the whole program: the library keeps its connection to the display it met
// first.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PluginLibrary.h"
#include "X11TestHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

inline constexpr uint32_t HostGreen = 0x00FF00;
// The host windows' size, and the editor's at their top left corner.
inline constexpr int HostW = 1100, HostH = 700, EditorW = 1024, EditorH = 595;

// The program's one X server, started by the first test that needs it.
struct TServer {
  TXvfb Xvfb;
  bool Started = false;
  std::string Why;
  static TServer& Get() {
    static TServer server;
    return server;
  }

private:
  TServer() {
    const std::string binary = FindXvfb();
    if (binary.empty()) {
      Why = "no Xvfb binary installed";
      return;
    }
    Started = Xvfb.Start(binary);
    if (!Started) Why = "Xvfb did not start";
    else setenv("DISPLAY", Xvfb.Name.c_str(), 1);
  }
};

// What a window manager sends for a window's close box.
inline void SendCloseBox(Display* D, Window W) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = W;
  ev.xclient.message_type = XInternAtom(D, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(D, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(D, W, False, NoEventMask, &ev);
  XFlush(D);
}

// Calls Call Rounds times, 10 ms apart: a host's idle at 50 Hz, shortened.
inline void Every10Ms(int Rounds, const std::function<void()>& Call) {
  for (int i = 0; i < Rounds; ++i) Call(), std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
inline void Idle(AEffect* E, int Rounds = 10) {
  Every10Ms(Rounds, [E] { TPluginLibrary::Dispatch(E, effEditIdle); });
}

// Distinct colours of the editor's rectangle in a grab Width pixels a row (the host's window).
inline size_t EditorColours(const std::vector<uint32_t>& Px, int Width = HostW) {
  std::vector<uint32_t> seen;
  for (int y = 0; y < EditorH; ++y)
    for (int x = 0; x < EditorW; ++x) seen.push_back(Px[static_cast<size_t>(y * Width + x)]);
  std::sort(seen.begin(), seen.end());
  return static_cast<size_t>(std::unique(seen.begin(), seen.end()) - seen.begin());
}

// What every host test of the library has: the program's X server (the test skipped, with the
// reason, without one), a connection of the host's own for input, a check that no X error
// reached the host's handler, the host's idle calls, its windows and its user's hand.
class EditorInX11Host : public PluginLibraryTest {
protected:
  void SetUp() override {
    PluginLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    TServer& server = TServer::Get();
    if (!server.Started) GTEST_SKIP() << server.Why << ": the editor is not tried in an X11 host";
    ConnectInput(server.Xvfb.Name);
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(Input, &event, &error, &major, &minor)) << "the X server has no XTest";
  }
  // Opens (or opens anew) the host's input connection to Name, where its windows go too; X
  // errors that reach the host are counted from the first call on.
  void ConnectInput(const std::string& Name) {
    if (Input) XCloseDisplay(Input);
    DisplayName = Name;
    Input = XOpenDisplay(Name.c_str());
    ASSERT_NE(Input, nullptr);
    if (!Counting) TX11TestHost::CountErrors(true);
    Counting = true;
  }
  void TearDown() override {
    if (Counting) {
      EXPECT_EQ(TX11TestHost::ErrorsCounted(), 0) << "an X error reached the host's handler";
      TX11TestHost::CountErrors(false);
    }
    if (Input) XCloseDisplay(Input);
  }
  // The direct-call host's cheap call, as its idle.
  void IdleDirect(void* Object, int Rounds = 10) {
    Every10Ms(Rounds, [&] { Lib.CallObject(15007, 0, Object, nullptr); });
  }

  std::unique_ptr<TX11TestHost> OpenHost(int Width = HostW, int Height = HostH) {
    return TX11TestHost::Open(DisplayName, Width, Height, HostGreen);
  }
  // The editor of E (of a new instance when none) opened in Host's window as hosts open it, or
  // nullptr (with the test failed, the new instance closed) when it did not open.
  AEffect* OpenEmbedded(TX11TestHost& Host, AEffect* E = nullptr) {
    AEffect* effect = E ? E : Lib.NewEffect();
    EXPECT_NE(effect, nullptr);
    if (!effect) return nullptr;
    if (!E) Lib.Dispatch(effect, effOpen);
    ERect* rect = nullptr;
    Lib.Dispatch(effect, effEditGetRect, 0, 0, &rect);
    if (Lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(Host.Window())) != 1) {
      ADD_FAILURE() << "effEditOpen did not open the editor";
      if (!E) Lib.Close(effect);
      return nullptr;
    }
    return effect;
  }
  // The host's grab of its window, and one pixel of it.
  static std::vector<uint32_t> Shot(TX11TestHost& Host) { return Host.Sync(), Host.Grab(HostW, HostH); }
  static uint32_t At(TX11TestHost& Host, int X, int Y) { return Shot(Host)[static_cast<size_t>(Y * HostW + X)]; }
  // The editor's artwork fills its rectangle of Host's window, and no more.
  static void ExpectPainted(TX11TestHost& Host) {
    const std::vector<uint32_t> px = Shot(Host);
    ASSERT_EQ(px.size(), static_cast<size_t>(HostW * HostH));
    EXPECT_GT(EditorColours(px), 64u) << "the editor shows no artwork";
    EXPECT_EQ(px[650 * HostW + 1060], HostGreen);
  }

  // XTest input at a point of Window, as a user's hand gives it.
  void PointerTo(uintptr_t Window, int X, int Y) {
    int rx, ry;
    ::Window child;
    XTranslateCoordinates(Input, Window, DefaultRootWindow(Input), X, Y, &rx, &ry, &child);
    XTestFakeMotionEvent(Input, -1, rx, ry, CurrentTime);
    XFlush(Input);
  }
  void Button(bool Down) { XTestFakeButtonEvent(Input, 1, Down, CurrentTime), XFlush(Input); }
  void Click(uintptr_t Window, int X, int Y) { PointerTo(Window, X, Y), Button(true), Button(false); }
  void Key(KeySym Sym, bool Down) {
    XTestFakeKeyEvent(Input, XKeysymToKeycode(Input, Sym), Down, CurrentTime), XFlush(Input);
  }
  // Each key pressed and let go in turn, with Modifier held down around them when given.
  void Type(std::initializer_list<KeySym> Keys, KeySym Modifier = 0) {
    if (Modifier) Key(Modifier, true);
    for (KeySym k : Keys) Key(k, true), Key(k, false);
    if (Modifier) Key(Modifier, false);
  }

  // The windows right below Of.
  std::vector<::Window> ChildrenOf(::Window Of) {
    ::Window root, parent, *children = nullptr;
    unsigned n = 0;
    XSync(Input, False);
    std::vector<::Window> found;
    if (XQueryTree(Input, Of, &root, &parent, &children, &n)) found.assign(children, children + n);
    if (children) XFree(children);
    return found;
  }
  // The top-level windows an editor of its own may be: mapped children of the root that ask
  // for WM_DELETE_WINDOW.
  std::vector<::Window> ClosableTopLevels() {
    std::vector<::Window> found;
    const Atom close = XInternAtom(Input, "WM_DELETE_WINDOW", False);
    for (::Window w : ChildrenOf(DefaultRootWindow(Input))) {
      XWindowAttributes wa;
      if (!XGetWindowAttributes(Input, w, &wa) || wa.map_state != IsViewable) continue;
      Atom* protocols = nullptr;
      int count = 0;
      if (!XGetWMProtocols(Input, w, &protocols, &count)) continue;
      if (std::count(protocols, protocols + count, close) > 0) found.push_back(w);
      XFree(protocols);
    }
    return found;
  }

  Display* Input = nullptr;
  std::string DisplayName;
  bool Counting = false;
};
