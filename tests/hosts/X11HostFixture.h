// The host side shared by the programs' X11 host tests: one private Xvfb for the whole program,
// and a fixture that loads the built library, embeds its editors in windows of its own and gives
// XTest input. Every test is skipped, with the reason, when no Xvfb can be started.
//
// One Xvfb serves the whole program: the library keeps its connection to the display it met
// first.
#pragma once

#include <chrono>
#include <functional>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PluginLibrary.h"
#include "X11TestHost.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

inline constexpr uint32_t HostGreen = 0x00FF00;

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

// What every host test of the library has: a connection of the host's own for input, a check
// that no X error reached the host's handler, and the host's idle calls.
class THostSide : public PluginLibraryTest {
protected:
  // Opens (or opens anew) the host's input connection to Name; X errors that reach the host
  // are counted from the first call on.
  void ConnectInput(const std::string& Name) {
    if (Input) XCloseDisplay(Input);
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
  // The host's idle at 50 Hz, shortened: effEditIdle, or the direct-call host's cheap call.
  static void Idle(AEffect* E, int Rounds = 10) { Every10Ms(Rounds, [E] { TPluginLibrary::Dispatch(E, effEditIdle); }); }
  void IdleDirect(void* Object, int Rounds = 10) {
    Every10Ms(Rounds, [&] { Lib.CallObject(15007, 0, Object, nullptr); });
  }
  static void Every10Ms(int Rounds, const std::function<void()>& Call) {
    for (int i = 0; i < Rounds; ++i) Call(), std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  Display* Input = nullptr;
  bool Counting = false;
};

class EditorInX11Host : public THostSide {
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

  std::unique_ptr<TX11TestHost> OpenHost(int Width = 1100, int Height = 700) {
    return TX11TestHost::Open(TServer::Get().Xvfb.Name, Width, Height, HostGreen);
  }
  // A VST editor open in Host's window, or nullptr (with the test failed) when it did not open.
  AEffect* OpenEmbedded(TX11TestHost& Host) {
    AEffect* effect = Lib.NewEffect();
    EXPECT_NE(effect, nullptr);
    if (!effect) return nullptr;
    Lib.Dispatch(effect, effOpen);
    ERect* rect = nullptr;
    Lib.Dispatch(effect, effEditGetRect, 0, 0, &rect);
    if (Lib.Dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(Host.Window())) != 1) {
      ADD_FAILURE() << "effEditOpen did not open the editor";
      Lib.Close(effect);
      return nullptr;
    }
    return effect;
  }
  // The host's grab of its 1100 x 700 window, and one pixel of it.
  static std::vector<uint32_t> Shot(TX11TestHost& Host) { return Host.Sync(), Host.Grab(1100, 700); }
  static uint32_t At(TX11TestHost& Host, int X, int Y) { return Shot(Host)[static_cast<size_t>(Y * 1100 + X)]; }
  // XTest input at a point of Window, as a user's hand gives it.
  void PointerTo(uintptr_t Window, int X, int Y) {
    int rx, ry;
    ::Window child;
    XTranslateCoordinates(Input, Window, DefaultRootWindow(Input), X, Y, &rx, &ry, &child);
    XTestFakeMotionEvent(Input, -1, rx, ry, CurrentTime);
    XFlush(Input);
  }
  void Button(bool Down) { XTestFakeButtonEvent(Input, 1, Down, CurrentTime), XFlush(Input); }
  void Key(KeySym Sym, bool Down) { XTestFakeKeyEvent(Input, XKeysymToKeycode(Input, Sym), Down, CurrentTime), XFlush(Input); }
  // The top-level windows a direct-call editor may be: mapped children of the root that ask
  // for WM_DELETE_WINDOW.
  std::vector<::Window> ClosableTopLevels() {
    std::vector<::Window> found;
    ::Window root, parent, *children = nullptr;
    unsigned n = 0;
    XSync(Input, False);
    if (!XQueryTree(Input, DefaultRootWindow(Input), &root, &parent, &children, &n)) return found;
    const Atom close = XInternAtom(Input, "WM_DELETE_WINDOW", False);
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes wa;
      if (!XGetWindowAttributes(Input, children[i], &wa) || wa.map_state != IsViewable) continue;
      Atom* protocols = nullptr;
      int count = 0;
      if (XGetWMProtocols(Input, children[i], &protocols, &count)) {
        for (int k = 0; k < count; ++k)
          if (protocols[k] == close) found.push_back(children[i]);
        XFree(protocols);
      }
    }
    if (children) XFree(children);
    return found;
  }

};
