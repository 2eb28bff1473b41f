// The test program's one private X server, shared by every host test in it: the library keeps
// its connection to the display it met first, so all of them must use the same one. Include it
// after the test headers: Xlib's names clash with theirs.
#pragma once

#include <cstdlib>
#include <string>

#include "X11TestHost.h"

#include <X11/Xlib.h>

struct THostXServer {
  TXvfb Xvfb;
  bool Started = false;
  std::string Why;
  // Started by the first test that needs it; DISPLAY names it from then on.
  static THostXServer& Get() {
    static THostXServer server;
    return server;
  }

private:
  THostXServer() {
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
