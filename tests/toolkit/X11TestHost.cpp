#include "X11TestHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

struct TX11TestHost::TImpl {
  ::Display* Dpy = nullptr;
  ::Window Win = 0;
  Atom Prop = 0;
  bool Incr = false;
  int Pieces = 0;
  std::vector<uint8_t> Buffer;
  std::string Type;
};

namespace {
// Reads and deletes the property; False when it is missing.
bool Take(::Display* D, ::Window W, Atom P, std::vector<uint8_t>& Data, std::string& TypeName, Atom& Type) {
  int format;
  unsigned long n, rest;
  unsigned char* data = nullptr;
  Data.clear();
  TypeName.clear();
  if (XGetWindowProperty(D, W, P, 0, 0x7FFFFFF, True, AnyPropertyType, &Type, &format, &n, &rest, &data) != Success)
    return false;
  if (data) {
    Data.assign(data, data + n * static_cast<unsigned long>(format == 32 ? sizeof(long) : format / 8));
    XFree(data);
  }
  if (Type != None) {
    char* name = XGetAtomName(D, Type);
    if (name) {
      TypeName = name;
      XFree(name);
    }
  }
  return Type != None;
}
}  // namespace

std::unique_ptr<TX11TestHost> TX11TestHost::Open(const std::string& Display, int Width, int Height, uint32_t Background) {
  ::Display* d = XOpenDisplay(Display.c_str());
  if (!d) return nullptr;
  auto h = std::unique_ptr<TX11TestHost>(new TX11TestHost());
  h->FImpl = std::make_unique<TImpl>();
  h->FImpl->Dpy = d;
  h->FImpl->Win = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(Width),
                                      static_cast<unsigned>(Height), 0, 0, Background);
  h->FImpl->Prop = XInternAtom(d, "TEST_CLIP", False);
  XSelectInput(d, h->FImpl->Win, PropertyChangeMask);
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
  FImpl->Incr = false;
  FImpl->Pieces = 0;
  FImpl->Buffer.clear();
  XConvertSelection(FImpl->Dpy, XInternAtom(FImpl->Dpy, "CLIPBOARD", False), XInternAtom(FImpl->Dpy, Target.c_str(), False),
                    FImpl->Prop, FImpl->Win, CurrentTime);
  XFlush(FImpl->Dpy);
}

int TX11TestHost::Pieces() const { return FImpl->Pieces; }

bool TX11TestHost::PollClipboard(std::vector<uint8_t>& Data, std::string& TypeName) {
  XEvent ev;
  Atom type = None;
  if (FImpl->Incr) {
    // Each new value is the next piece; deleting it asks for more; an empty one ends.
    while (XCheckTypedWindowEvent(FImpl->Dpy, FImpl->Win, PropertyNotify, &ev)) {
      if (ev.xproperty.atom != FImpl->Prop || ev.xproperty.state != PropertyNewValue) continue;
      std::vector<uint8_t> piece;
      std::string name;
      if (!Take(FImpl->Dpy, FImpl->Win, FImpl->Prop, piece, name, type)) continue;
      XFlush(FImpl->Dpy);
      if (piece.empty()) {
        FImpl->Incr = false;
        Data = FImpl->Buffer;
        TypeName = FImpl->Type;
        return true;
      }
      ++FImpl->Pieces;
      FImpl->Buffer.insert(FImpl->Buffer.end(), piece.begin(), piece.end());
    }
    return false;
  }
  if (!XCheckTypedWindowEvent(FImpl->Dpy, FImpl->Win, SelectionNotify, &ev)) return false;
  Data.clear();
  TypeName.clear();
  if (ev.xselection.property == None) return true;
  Take(FImpl->Dpy, FImpl->Win, FImpl->Prop, Data, TypeName, type);
  XFlush(FImpl->Dpy);
  if (TypeName == "INCR") {
    FImpl->Incr = true;
    char* t = XGetAtomName(FImpl->Dpy, ev.xselection.target);
    if (t) {
      FImpl->Type = t;
      XFree(t);
    }
    return false;
  }
  return true;
}

std::vector<long> TX11TestHost::Property32(uintptr_t Window, const std::string& Name) {
  std::vector<long> out;
  Atom type;
  int format;
  unsigned long n, rest;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(FImpl->Dpy, Window, XInternAtom(FImpl->Dpy, Name.c_str(), False), 0, 64, False,
                         AnyPropertyType, &type, &format, &n, &rest, &data) == Success && data) {
    if (format == 32) out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
    XFree(data);
  }
  return out;
}

bool TX11TestHost::OverrideRedirect(uintptr_t Window) {
  XWindowAttributes a;
  return XGetWindowAttributes(FImpl->Dpy, Window, &a) && a.override_redirect;
}

std::vector<uint32_t> TX11TestHost::GrabScreen(int X, int Y, int Width, int Height) {
  std::vector<uint32_t> out;
  XImage* img = XGetImage(FImpl->Dpy, DefaultRootWindow(FImpl->Dpy), X, Y, static_cast<unsigned>(Width),
                          static_cast<unsigned>(Height), AllPlanes, ZPixmap);
  if (!img) return out;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) out.push_back(static_cast<uint32_t>(XGetPixel(img, x, y) & 0xFFFFFF));
  XDestroyImage(img);
  return out;
}

bool TX11TestHost::PointerFree() {
  const int r = XGrabPointer(FImpl->Dpy, FImpl->Win, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                             CurrentTime);
  XUngrabPointer(FImpl->Dpy, CurrentTime);
  XSync(FImpl->Dpy, False);
  return r == GrabSuccess;
}

void TX11TestHost::SendKey(uintptr_t Window, unsigned long Keysym) {
  ::Display* d = FImpl->Dpy;
  int minCode = 0, maxCode = 0;
  XDisplayKeycodes(d, &minCode, &maxCode);
  int per = 0;
  KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &per);
  int spare = 0;
  for (int c = maxCode; c >= minCode && !spare; --c) {
    bool empty = true;
    for (int k = 0; k < per; ++k) empty = empty && map[(c - minCode) * per + k] == NoSymbol;
    if (empty) spare = c;
  }
  XFree(map);
  if (!spare) return;
  KeySym sym = Keysym;
  XChangeKeyboardMapping(d, spare, 1, &sym, 1);
  XSync(d, False);
  XKeyEvent k{};
  k.display = d;
  k.window = Window;
  k.root = DefaultRootWindow(d);
  k.subwindow = None;
  k.time = CurrentTime;
  k.same_screen = True;
  k.keycode = static_cast<unsigned>(spare);
  k.type = KeyPress;
  XSendEvent(d, Window, True, KeyPressMask, reinterpret_cast<XEvent*>(&k));
  k.type = KeyRelease;
  XSendEvent(d, Window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&k));
  XSync(d, False);
}

void TX11TestHost::SendClick(uintptr_t Window, int X, int Y) {
  ::Display* d = FImpl->Dpy;
  XButtonEvent b{};
  b.display = d;
  b.window = Window;
  b.root = DefaultRootWindow(d);
  b.time = CurrentTime;
  b.x = X;
  b.y = Y;
  b.button = Button1;
  b.same_screen = True;
  b.type = ButtonPress;
  XSendEvent(d, Window, True, ButtonPressMask, reinterpret_cast<XEvent*>(&b));
  b.type = ButtonRelease;
  b.state = Button1Mask;
  XSendEvent(d, Window, True, ButtonReleaseMask, reinterpret_cast<XEvent*>(&b));
  XSync(d, False);
}
