#include "X11TestHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct TX11TestHost::TImpl {
  ::Display* Dpy = nullptr;
  ::Window Win = 0;
  Atom Prop = 0;
};

std::unique_ptr<TX11TestHost> TX11TestHost::Open(const std::string& Display, int Width, int Height, uint32_t Background) {
  ::Display* d = XOpenDisplay(Display.c_str());
  if (!d) return nullptr;
  auto h = std::unique_ptr<TX11TestHost>(new TX11TestHost());
  h->FImpl = std::make_unique<TImpl>();
  h->FImpl->Dpy = d;
  h->FImpl->Win = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(Width),
                                      static_cast<unsigned>(Height), 0, 0, Background);
  h->FImpl->Prop = XInternAtom(d, "TEST_CLIP", False);
  XMapWindow(d, h->FImpl->Win);
  XSync(d, False);
  return h;
}

TX11TestHost::~TX11TestHost() {
  if (!FImpl) return;
  XDestroyWindow(FImpl->Dpy, FImpl->Win);
  XCloseDisplay(FImpl->Dpy);
}

uintptr_t TX11TestHost::Window() const { return FImpl->Win; }

void TX11TestHost::Sync() { XSync(FImpl->Dpy, False); }

std::vector<uint32_t> TX11TestHost::Grab(int Width, int Height) {
  std::vector<uint32_t> out;
  XImage* img = XGetImage(FImpl->Dpy, FImpl->Win, 0, 0, static_cast<unsigned>(Width), static_cast<unsigned>(Height),
                          AllPlanes, ZPixmap);
  if (!img) return out;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) out.push_back(static_cast<uint32_t>(XGetPixel(img, x, y) & 0xFFFFFF));
  XDestroyImage(img);
  return out;
}

void TX11TestHost::RequestClipboard(const std::string& Target) {
  XConvertSelection(FImpl->Dpy, XInternAtom(FImpl->Dpy, "CLIPBOARD", False), XInternAtom(FImpl->Dpy, Target.c_str(), False),
                    FImpl->Prop, FImpl->Win, CurrentTime);
  XFlush(FImpl->Dpy);
}

bool TX11TestHost::PollClipboard(std::vector<uint8_t>& Data, std::string& TypeName) {
  XEvent ev;
  if (!XCheckTypedWindowEvent(FImpl->Dpy, FImpl->Win, SelectionNotify, &ev)) return false;
  Data.clear();
  TypeName.clear();
  if (ev.xselection.property == None) return true;
  Atom type;
  int format;
  unsigned long n, rest;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(FImpl->Dpy, FImpl->Win, FImpl->Prop, 0, 0x7FFFFFF, True, AnyPropertyType, &type, &format, &n,
                         &rest, &data) == Success && data) {
    Data.assign(data, data + n);
    char* name = XGetAtomName(FImpl->Dpy, type);
    if (name) {
      TypeName = name;
      XFree(name);
    }
    XFree(data);
  }
  return true;
}
