#include "X11TestHost.h"

#include <dirent.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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
std::string AtomName(::Display* D, Atom A) {
  char* name = A != None ? XGetAtomName(D, A) : nullptr;
  const std::string s = name ? name : "";
  if (name) XFree(name);
  return s;
}

// Reads and deletes the property; False when it is missing.
bool Take(::Display* D, ::Window W, Atom P, std::vector<uint8_t>& Data, std::string& TypeName, Atom& Type) {
  int format;
  unsigned long n, rest;
  unsigned char* data = nullptr;
  Data.clear();
  if (XGetWindowProperty(D, W, P, 0, 0x7FFFFFF, True, AnyPropertyType, &Type, &format, &n, &rest, &data) != Success)
    return false;
  const unsigned long unit = format == 32 ? sizeof(long) : static_cast<unsigned long>(format / 8);
  if (data) Data.assign(data, data + n * unit), XFree(data);
  TypeName = AtomName(D, Type);
  return Type != None;
}

// The 0xRRGGBB pixels of a rectangle of a drawable, row by row.
std::vector<uint32_t> Pixels(::Display* D, ::Drawable W, int X, int Y, int Width, int Height) {
  std::vector<uint32_t> out;
  XImage* img = XGetImage(D, W, X, Y, static_cast<unsigned>(Width), static_cast<unsigned>(Height), AllPlanes, ZPixmap);
  if (!img) return out;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) out.push_back(static_cast<uint32_t>(XGetPixel(img, x, y) & 0xFFFFFF));
  XDestroyImage(img);
  return out;
}

// The windows right below W (freed by the caller with XFree); false when W is gone.
bool Children(::Display* D, ::Window W, ::Window*& List, unsigned& N) {
  ::Window root, parent;
  List = nullptr, N = 0;
  return W && XQueryTree(D, W, &root, &parent, &List, &N);
}

int ChildrenOf(::Display* D, ::Window W) {
  ::Window* list;
  unsigned n;
  if (!Children(D, W, list, n)) return -1;
  if (list) XFree(list);
  return static_cast<int>(n);
}

int gCounted = 0;
XErrorHandler gReplaced = nullptr;
int CountError(::Display*, XErrorEvent*) { return ++gCounted, 0; }
}  // namespace

int OpenFileCount() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (d && readdir(d)) ++n;
  if (d) closedir(d);
  return n;
}

std::string FindXvfb() {
  for (const char* p : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb", "/bin/Xvfb"})
    if (access(p, X_OK) == 0) return p;
  return "";
}

bool TXvfb::Start(const std::string& Binary) { return Serve(Binary, ""); }

bool TXvfb::Serve(const std::string& Binary, const std::string& Display) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  std::vector<std::string> args = {"-displayfd", std::to_string(fds[1])};
  if (!Display.empty()) args.insert(args.begin(), Display);
  if (!Launch(Binary, args, fds[0])) return close(fds[0]), close(fds[1]), false;
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) return Stop(), false;
  Name = ":" + number;
  return Reached();
}

bool TXvfb::Restart(const std::string& Binary) {
  Stop();
  return Serve(Binary, Name) || Start(Binary);
}

bool TXvfb::Launch(const std::string& Binary, const std::vector<std::string>& Display, int CloseInChild) {
  Pid = fork();
  if (Pid == 0) {
    // A test program that crashes takes its server along: a server left behind would hold the
    // program's output open and keep ctest waiting for it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (CloseInChild >= 0) close(CloseInChild);
    std::vector<const char*> args = {Binary.c_str()};
    for (const std::string& a : Display) args.push_back(a.c_str());
    for (const char* a : {"-screen", "0", Screen.c_str(), "-nolisten", "tcp", "-noreset"}) args.push_back(a);
    for (const std::string& a : Options) args.push_back(a.c_str());
    args.push_back(nullptr);
    execv(Binary.c_str(), const_cast<char* const*>(args.data()));
    _exit(127);
  }
  return Pid > 0;
}

bool TXvfb::Reached() {
  for (int i = 0; Pid > 0 && i < 100; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    if (TX11TestHost::Open(Name, 1, 1, 0)) return true;
  Stop();
  return false;
}

void TXvfb::Stop() {
  if (Pid > 0) kill(Pid, SIGTERM), waitpid(Pid, nullptr, 0), Pid = -1;
}

std::unique_ptr<TX11TestHost> TX11TestHost::Make(const std::string& Display, int Width, int Height, uint32_t Background,
                                                 int VisualClass, int Depth) {
  ::Display* d = XOpenDisplay(Display.c_str());
  if (!d) return nullptr;
  XVisualInfo vi;
  const bool own = VisualClass >= 0;
  if (own && !XMatchVisualInfo(d, DefaultScreen(d), Depth, VisualClass, &vi)) {
    XCloseDisplay(d);
    return nullptr;
  }
  auto h = std::unique_ptr<TX11TestHost>(new TX11TestHost());
  h->FImpl = std::make_unique<TImpl>();
  h->FImpl->Dpy = d;
  const unsigned w = static_cast<unsigned>(Width), ht = static_cast<unsigned>(Height);
  if (own) {
    XSetWindowAttributes a{};
    a.colormap = XCreateColormap(d, DefaultRootWindow(d), vi.visual, AllocNone);
    a.background_pixel = (Depth == 32 ? 0xFF000000UL : 0) | Background;
    a.event_mask = PropertyChangeMask;
    h->FImpl->Win = XCreateWindow(d, DefaultRootWindow(d), 0, 0, w, ht, 0, Depth, InputOutput, vi.visual,
                                  CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &a);
  } else {
    h->FImpl->Win = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, w, ht, 0, 0, Background);
    XSelectInput(d, h->FImpl->Win, PropertyChangeMask);
  }
  h->FImpl->Prop = XInternAtom(d, "TEST_CLIP", False);
  XMapWindow(d, h->FImpl->Win), XSync(d, False);
  return h;
}

TX11TestHost::~TX11TestHost() {
  if (!FImpl) return;
  if (FImpl->Win) XDestroyWindow(FImpl->Dpy, FImpl->Win);
  XCloseDisplay(FImpl->Dpy);
}

void TX11TestHost::DestroyWindow() {
  if (FImpl->Win) XDestroyWindow(FImpl->Dpy, FImpl->Win), FImpl->Win = 0, XSync(FImpl->Dpy, False);
}

void TX11TestHost::CountErrors(bool On) {
  if (On) gCounted = 0, gReplaced = XSetErrorHandler(CountError);
  else XSetErrorHandler(gReplaced);
}

int TX11TestHost::ErrorsCounted() { return gCounted; }

int TX11TestHost::ChildCount() { return FImpl->Win ? ChildrenOf(FImpl->Dpy, FImpl->Win) : -1; }
std::string TX11TestHost::ChildClassHint() {
  ::Window* children;
  unsigned n;
  if (!Children(FImpl->Dpy, FImpl->Win, children, n)) return "";
  std::string found;
  for (unsigned i = 0; i < n && found.empty(); ++i) {
    XClassHint hint{};
    if (!XGetClassHint(FImpl->Dpy, children[i], &hint)) continue;
    found = std::string(hint.res_name ? hint.res_name : "") + "/" + (hint.res_class ? hint.res_class : "");
    for (char* p : {hint.res_name, hint.res_class})
      if (p) XFree(p);
  }
  if (children) XFree(children);
  return found;
}

int TX11TestHost::RootChildCount() { return ChildrenOf(FImpl->Dpy, DefaultRootWindow(FImpl->Dpy)); }

uintptr_t TX11TestHost::FocusWindow() {
  ::Window focus = 0;
  int revert = 0;
  XGetInputFocus(FImpl->Dpy, &focus, &revert);
  return focus;
}

void TX11TestHost::TakeFocus() {
  XSetInputFocus(FImpl->Dpy, FImpl->Win, RevertToParent, CurrentTime), XSync(FImpl->Dpy, False);
}

uintptr_t TX11TestHost::Window() const { return FImpl->Win; }

void TX11TestHost::Sync() { XSync(FImpl->Dpy, False); }

std::vector<uint32_t> TX11TestHost::Grab(int Width, int Height) {
  return Pixels(FImpl->Dpy, FImpl->Win, 0, 0, Width, Height);
}

void TX11TestHost::RequestClipboard(const std::string& Target) {
  FImpl->Incr = false, FImpl->Pieces = 0, FImpl->Buffer.clear();
  XConvertSelection(FImpl->Dpy, XInternAtom(FImpl->Dpy, "CLIPBOARD", False),
                    XInternAtom(FImpl->Dpy, Target.c_str(), False), FImpl->Prop, FImpl->Win, CurrentTime);
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
      if (piece.empty()) return FImpl->Incr = false, Data = FImpl->Buffer, TypeName = FImpl->Type, true;
      ++FImpl->Pieces, FImpl->Buffer.insert(FImpl->Buffer.end(), piece.begin(), piece.end());
    }
    return false;
  }
  if (!XCheckTypedWindowEvent(FImpl->Dpy, FImpl->Win, SelectionNotify, &ev)) return false;
  Data.clear(), TypeName.clear();
  if (ev.xselection.property == None) return true;
  Take(FImpl->Dpy, FImpl->Win, FImpl->Prop, Data, TypeName, type);
  XFlush(FImpl->Dpy);
  if (TypeName != "INCR") return true;
  FImpl->Incr = true, FImpl->Type = AtomName(FImpl->Dpy, ev.xselection.target);
  return false;
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
  return Pixels(FImpl->Dpy, DefaultRootWindow(FImpl->Dpy), X, Y, Width, Height);
}

bool TX11TestHost::PointerFree() {
  const int r = XGrabPointer(FImpl->Dpy, FImpl->Win, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                             CurrentTime);
  XUngrabPointer(FImpl->Dpy, CurrentTime), XSync(FImpl->Dpy, False);
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
  XChangeKeyboardMapping(d, spare, 1, &sym, 1), XSync(d, False);
  XKeyEvent k{};
  k.display = d, k.window = Window, k.root = DefaultRootWindow(d), k.subwindow = None, k.time = CurrentTime;
  k.same_screen = True, k.keycode = static_cast<unsigned>(spare), k.type = KeyPress;
  XSendEvent(d, Window, True, KeyPressMask, reinterpret_cast<XEvent*>(&k));
  k.type = KeyRelease;
  XSendEvent(d, Window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&k));
  XSync(d, False);
}

void TX11TestHost::SendClick(uintptr_t Window, int X, int Y) {
  ::Display* d = FImpl->Dpy;
  XButtonEvent b{};
  b.display = d, b.window = Window, b.root = DefaultRootWindow(d), b.time = CurrentTime, b.x = X, b.y = Y;
  b.button = Button1, b.same_screen = True, b.type = ButtonPress;
  XSendEvent(d, Window, True, ButtonPressMask, reinterpret_cast<XEvent*>(&b));
  b.type = ButtonRelease, b.state = Button1Mask;
  XSendEvent(d, Window, True, ButtonReleaseMask, reinterpret_cast<XEvent*>(&b));
  XSync(d, False);
}
