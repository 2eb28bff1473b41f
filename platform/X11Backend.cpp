// The X11 window backend (Xlib). Windows are plain X windows, top-level or children of a
// foreign window the host hands over; the form's surface is shown with XPutImage. The
// CLIPBOARD selection is served from a hidden window of our own as UTF-8 text or image/png.
//
// No X error handler is installed: it is process-wide and belongs to the host. Calls that could
// fail on a window in the wrong state are guarded instead.
// The toolkit's headers first: Xlib defines macros (None, Bool, Status ...) that would clash.
#include "platform/WindowBackend.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

class TQzX11Backend;

class TQzX11Window : public TQzNativeWindow {
public:
  TQzX11Window(TQzX11Backend* Backend, TQzWindowSink* Sink, const TQzWindowParams& Params);
  ~TQzX11Window() override;
  void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) override;
  void SetVisible(bool Visible) override;
  void SetTitle(const std::string& Title) override;
  void SetAlpha(uint8_t Alpha) override;
  void SetStayOnTop(bool StayOnTop) override;
  void Present(TRasterImage* Surface, const TRect& Area) override;
  void TakeFocus() override;
  uintptr_t NativeHandle() const override { return FWindow; }
  TPoint ScreenOrigin() const override;

  TQzWindowSink* Sink() const { return FSink; }
  Window XWindow() const { return FWindow; }

private:
  void SetNetState();
  TQzX11Backend* FBackend;
  TQzWindowSink* FSink;
  TQzWindowParams FParams;
  Window FWindow = 0;
  GC FGC = nullptr;
  bool FVisible = false;
};


class TQzX11Backend : public TQzWindowBackend {
public:
  explicit TQzX11Backend(Display* D) : Dpy(D) {
    auto atom = [&](const char* n) { return XInternAtom(Dpy, n, False); };
    WM_PROTOCOLS = atom("WM_PROTOCOLS");
    WM_DELETE_WINDOW = atom("WM_DELETE_WINDOW");
    NET_WM_STATE = atom("_NET_WM_STATE");
    NET_WM_STATE_ABOVE = atom("_NET_WM_STATE_ABOVE");
    NET_WM_STATE_SKIP_TASKBAR = atom("_NET_WM_STATE_SKIP_TASKBAR");
    NET_WM_WINDOW_TYPE = atom("_NET_WM_WINDOW_TYPE");
    NET_WM_WINDOW_TYPE_UTILITY = atom("_NET_WM_WINDOW_TYPE_UTILITY");
    NET_WM_WINDOW_OPACITY = atom("_NET_WM_WINDOW_OPACITY");
    NET_WM_NAME = atom("_NET_WM_NAME");
    MOTIF_WM_HINTS = atom("_MOTIF_WM_HINTS");
    UTF8_STRING = atom("UTF8_STRING");
    CLIPBOARD = atom("CLIPBOARD");
    TARGETS = atom("TARGETS");
    TEXT = atom("TEXT");
    IMAGE_PNG = atom("image/png");
    QZ_SELECTION = atom("QZ_SELECTION");
    Helper = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(Dpy, Helper, PropertyChangeMask);
  }
  ~TQzX11Backend() override {
    XDestroyWindow(Dpy, Helper);
    XCloseDisplay(Dpy);
  }

  std::unique_ptr<TQzNativeWindow> CreateNativeWindow(TQzWindowSink* Sink, const TQzWindowParams& Params) override {
    return std::make_unique<TQzX11Window>(this, Sink, Params);
  }

  void Pump() override {
    while (XPending(Dpy) > 0) {
      XEvent ev;
      XNextEvent(Dpy, &ev);
      Dispatch(ev);
    }
  }

  bool WaitForEvents(uint64_t TimeoutMs) override {
    if (XPending(Dpy) > 0) return true;
    pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
    const int ms = TimeoutMs > 60000 ? 60000 : static_cast<int>(TimeoutMs);
    poll(&p, 1, ms);
    return true;
  }

  uint64_t Now() override {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count());
  }
  int32_t ScreenWidth() override { return DisplayWidth(Dpy, DefaultScreen(Dpy)); }
  int32_t ScreenHeight() override { return DisplayHeight(Dpy, DefaultScreen(Dpy)); }

  void SetClipboardText(const std::string& Text) override {
    ClipText = Text;
    HasText = true;
    HasPng = false;
    ClipPng.clear();
    Own();
  }
  void SetClipboardPNG(std::vector<uint8_t> Png) override {
    ClipPng = std::move(Png);
    HasPng = true;
    HasText = false;
    ClipText.clear();
    Own();
  }
  bool GetClipboardText(std::string& Text) override {
    if (XGetSelectionOwner(Dpy, CLIPBOARD) == Helper) {
      if (!HasText) return false;
      Text = ClipText;
      return true;
    }
    std::vector<uint8_t> data;
    if (!Fetch(UTF8_STRING, data)) return false;
    Text.assign(data.begin(), data.end());
    return true;
  }
  bool GetClipboardPNG(std::vector<uint8_t>& Png) override {
    if (XGetSelectionOwner(Dpy, CLIPBOARD) == Helper) {
      if (!HasPng) return false;
      Png = ClipPng;
      return true;
    }
    return Fetch(IMAGE_PNG, Png);
  }

  Display* Dpy;
  Window Helper;
  std::map<Window, TQzX11Window*> Windows;
  Atom WM_PROTOCOLS, WM_DELETE_WINDOW, NET_WM_STATE, NET_WM_STATE_ABOVE, NET_WM_STATE_SKIP_TASKBAR,
      NET_WM_WINDOW_TYPE, NET_WM_WINDOW_TYPE_UTILITY, NET_WM_WINDOW_OPACITY, NET_WM_NAME, MOTIF_WM_HINTS,
      UTF8_STRING, CLIPBOARD, TARGETS, TEXT, IMAGE_PNG, QZ_SELECTION;

private:
  void Own() {
    XSetSelectionOwner(Dpy, CLIPBOARD, Helper, CurrentTime);
    XFlush(Dpy);
  }

  // Asks the owner for the selection and waits up to a second for the answer.
  bool Fetch(Atom Target, std::vector<uint8_t>& Out) {
    if (XGetSelectionOwner(Dpy, CLIPBOARD) == None) return false;
    XConvertSelection(Dpy, CLIPBOARD, Target, QZ_SELECTION, Helper, CurrentTime);
    XFlush(Dpy);
    const uint64_t end = Now() + 1000;
    XEvent ev;
    while (Now() < end) {
      if (XCheckTypedWindowEvent(Dpy, Helper, SelectionNotify, &ev)) {
        if (ev.xselection.property == None) return false;
        Atom type;
        int format;
        unsigned long n, rest;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(Dpy, Helper, QZ_SELECTION, 0, 0x7FFFFFF, True, AnyPropertyType, &type, &format, &n,
                               &rest, &data) != Success)
          return false;
        if (data && format == 8) Out.assign(data, data + n);
        if (data) XFree(data);
        return format == 8;
      }
      pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
      poll(&p, 1, 10);
    }
    return false;
  }

  void Serve(const XSelectionRequestEvent& R) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = Dpy;
    reply.requestor = R.requestor;
    reply.selection = R.selection;
    reply.target = R.target;
    reply.time = R.time;
    reply.property = R.property == None ? R.target : R.property;
    // Larger answers would need the incremental protocol, which is not offered.
    const size_t limit = static_cast<size_t>(XExtendedMaxRequestSize(Dpy) ? XExtendedMaxRequestSize(Dpy)
                                                                           : XMaxRequestSize(Dpy)) * 4 - 1024;
    if (R.selection != CLIPBOARD) {
      reply.property = None;
    } else if (R.target == TARGETS) {
      std::vector<Atom> t{TARGETS};
      if (HasText) t.insert(t.end(), {UTF8_STRING, XA_STRING, TEXT});
      if (HasPng) t.push_back(IMAGE_PNG);
      XChangeProperty(Dpy, R.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(t.data()), static_cast<int>(t.size()));
    } else if (HasText && (R.target == UTF8_STRING || R.target == XA_STRING || R.target == TEXT) &&
               ClipText.size() < limit) {
      XChangeProperty(Dpy, R.requestor, reply.property, R.target == TEXT ? UTF8_STRING : R.target, 8,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(ClipText.data()),
                      static_cast<int>(ClipText.size()));
    } else if (HasPng && R.target == IMAGE_PNG && ClipPng.size() < limit) {
      XChangeProperty(Dpy, R.requestor, reply.property, IMAGE_PNG, 8, PropModeReplace, ClipPng.data(),
                      static_cast<int>(ClipPng.size()));
    } else {
      reply.property = None;
    }
    XSendEvent(Dpy, R.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
    XFlush(Dpy);
  }

  static TShiftState Shift(unsigned State) {
    TShiftState s;
    if (State & ShiftMask) s.Include(ssShift);
    if (State & ControlMask) s.Include(ssCtrl);
    if (State & Mod1Mask) s.Include(ssAlt);
    return s;
  }

  static uint16_t VirtualKey(KeySym K) {
    if (K >= XK_a && K <= XK_z) return static_cast<uint16_t>(K - XK_a + 'A');
    if (K >= XK_A && K <= XK_Z) return static_cast<uint16_t>(K);
    if (K >= XK_0 && K <= XK_9) return static_cast<uint16_t>(K);
    if (K >= XK_F1 && K <= XK_F24) return static_cast<uint16_t>(VK_F1 + (K - XK_F1));
    switch (K) {
      case XK_BackSpace: return VK_BACK;
      case XK_Tab:
      case XK_ISO_Left_Tab: return VK_TAB;
      case XK_Return:
      case XK_KP_Enter: return VK_RETURN;
      case XK_Escape: return VK_ESCAPE;
      case XK_space: return VK_SPACE;
      case XK_Prior: return VK_PRIOR;
      case XK_Next: return VK_NEXT;
      case XK_End: return VK_END;
      case XK_Home: return VK_HOME;
      case XK_Left: return VK_LEFT;
      case XK_Up: return VK_UP;
      case XK_Right: return VK_RIGHT;
      case XK_Down: return VK_DOWN;
      case XK_Insert: return VK_INSERT;
      case XK_Delete: return VK_DELETE;
      case XK_Shift_L:
      case XK_Shift_R: return VK_SHIFT;
      case XK_Control_L:
      case XK_Control_R: return VK_CONTROL;
      case XK_Alt_L:
      case XK_Alt_R: return VK_MENU;
      default: return 0;
    }
  }

  void Dispatch(XEvent& ev) {
    if (ev.type == SelectionRequest) {
      Serve(ev.xselectionrequest);
      return;
    }
    if (ev.type == SelectionClear) {
      HasText = HasPng = false;
      return;
    }
    auto it = Windows.find(ev.xany.window);
    if (it == Windows.end()) return;
    TQzX11Window* w = it->second;
    TQzWindowEvent e;
    switch (ev.type) {
      case Expose:
        e.Kind = qeExpose;
        e.Area = Rect(ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height);
        break;
      case ButtonPress:
      case ButtonRelease: {
        const unsigned b = ev.xbutton.button;
        e.X = ev.xbutton.x;
        e.Y = ev.xbutton.y;
        e.Shift = Shift(ev.xbutton.state);
        if (b == 4 || b == 5) {
          if (ev.type == ButtonRelease) return;
          e.Kind = qeMouseWheel;
          e.WheelDelta = b == 4 ? 120 : -120;
          break;
        }
        if (b > 3) return;
        e.Kind = ev.type == ButtonPress ? qeMouseDown : qeMouseUp;
        e.Button = b == 1 ? mbLeft : (b == 3 ? mbRight : mbMiddle);
        // An embedded window gets the keyboard when clicked, as the host does not pass it on.
        if (ev.type == ButtonPress) w->TakeFocus();
        break;
      }
      case MotionNotify:
        e.Kind = qeMouseMove;
        e.X = ev.xmotion.x;
        e.Y = ev.xmotion.y;
        e.Shift = Shift(ev.xmotion.state);
        break;
      case LeaveNotify: e.Kind = qeMouseLeave; break;
      case KeyPress:
      case KeyRelease: {
        char buf[32] = {};
        KeySym sym = 0;
        const int n = XLookupString(&ev.xkey, buf, sizeof buf - 1, &sym, nullptr);
        e.Kind = ev.type == KeyPress ? qeKeyDown : qeKeyUp;
        e.Key = VirtualKey(sym);
        e.Shift = Shift(ev.xkey.state);
        w->Sink()->HandleWindowEvent(e);
        if (ev.type == KeyPress && n > 0 && !(ev.xkey.state & ControlMask)) {
          TQzWindowEvent c;
          c.Kind = qeChar;
          c.Shift = e.Shift;
          // Latin-1 from XLookupString, as UTF-8.
          for (int i = 0; i < n; ++i) {
            const auto ch = static_cast<unsigned char>(buf[i]);
            if (ch < 0x80) {
              c.Text += static_cast<char>(ch);
            } else {
              c.Text += static_cast<char>(0xC0 | (ch >> 6));
              c.Text += static_cast<char>(0x80 | (ch & 0x3F));
            }
          }
          if (Windows.count(ev.xany.window)) w->Sink()->HandleWindowEvent(c);
        }
        return;
      }
      case FocusIn:
      case FocusOut:
        if (ev.xfocus.detail == NotifyPointer) return;
        e.Kind = ev.type == FocusIn ? qeFocusIn : qeFocusOut;
        break;
      case ConfigureNotify: {
        e.Kind = qeResize;
        e.Width = ev.xconfigure.width;
        e.Height = ev.xconfigure.height;
        w->Sink()->HandleWindowEvent(e);
        return;
      }
      case ClientMessage:
        if (ev.xclient.message_type != WM_PROTOCOLS || static_cast<Atom>(ev.xclient.data.l[0]) != WM_DELETE_WINDOW)
          return;
        e.Kind = qeClose;
        break;
      default: return;
    }
    w->Sink()->HandleWindowEvent(e);
  }

  std::string ClipText;
  std::vector<uint8_t> ClipPng;
  bool HasText = false, HasPng = false;
};

TQzX11Window::TQzX11Window(TQzX11Backend* Backend, TQzWindowSink* Sink, const TQzWindowParams& Params)
    : FBackend(Backend), FSink(Sink), FParams(Params) {
  Display* d = Backend->Dpy;
  const Window parent = Params.ParentWindow ? static_cast<Window>(Params.ParentWindow) : DefaultRootWindow(d);
  XSetWindowAttributes a{};
  a.background_pixmap = None;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask |
                 KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
  const int x = Params.ParentWindow ? 0 : Params.Left, y = Params.ParentWindow ? 0 : Params.Top;
  FWindow = XCreateWindow(d, parent, x, y, static_cast<unsigned>(std::max(Params.Width, 1)),
                          static_cast<unsigned>(std::max(Params.Height, 1)), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWBackPixmap | CWEventMask, &a);
  FGC = XCreateGC(d, FWindow, 0, nullptr);
  Backend->Windows[FWindow] = this;
  QzCountNativeWindow(1);
  if (!Params.ParentWindow) {
    XSetWMProtocols(d, FWindow, &Backend->WM_DELETE_WINDOW, 1);
    XSizeHints* h = XAllocSizeHints();
    h->flags = PPosition | PSize;
    h->x = x;
    h->y = y;
    h->width = Params.Width;
    h->height = Params.Height;
    XSetWMNormalHints(d, FWindow, h);
    XFree(h);
    if (Params.ToolWindow)
      XChangeProperty(d, FWindow, Backend->NET_WM_WINDOW_TYPE, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&Backend->NET_WM_WINDOW_TYPE_UTILITY), 1);
    if (Params.Borderless) {
      const long motif[5] = {2, 0, 0, 0, 0};  // decorations: none
      XChangeProperty(d, FWindow, Backend->MOTIF_WM_HINTS, Backend->MOTIF_WM_HINTS, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(motif), 5);
    }
    SetTitle(Params.Title);
    SetNetState();
  }
  SetAlpha(Params.Alpha);
  XFlush(d);
}

TQzX11Window::~TQzX11Window() {
  FBackend->Windows.erase(FWindow);
  XFreeGC(FBackend->Dpy, FGC);
  XDestroyWindow(FBackend->Dpy, FWindow);
  XFlush(FBackend->Dpy);
  QzCountNativeWindow(-1);
}

void TQzX11Window::SetNetState() {
  std::vector<Atom> s;
  if (FParams.StayOnTop) s.push_back(FBackend->NET_WM_STATE_ABOVE);
  if (FParams.SkipTaskbar) s.push_back(FBackend->NET_WM_STATE_SKIP_TASKBAR);
  XChangeProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_STATE, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()));
}

void TQzX11Window::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  FParams.Left = Left;
  FParams.Top = Top;
  FParams.Width = Width;
  FParams.Height = Height;
  const int x = FParams.ParentWindow ? 0 : Left, y = FParams.ParentWindow ? 0 : Top;
  XMoveResizeWindow(FBackend->Dpy, FWindow, x, y, static_cast<unsigned>(std::max(Width, 1)),
                    static_cast<unsigned>(std::max(Height, 1)));
  XFlush(FBackend->Dpy);
}

void TQzX11Window::SetVisible(bool Visible) {
  if (Visible == FVisible) return;
  FVisible = Visible;
  if (Visible) {
    XMapRaised(FBackend->Dpy, FWindow);
  } else {
    XUnmapWindow(FBackend->Dpy, FWindow);
  }
  XFlush(FBackend->Dpy);
}

void TQzX11Window::SetTitle(const std::string& Title) {
  FParams.Title = Title;
  if (FParams.ParentWindow) return;
  XStoreName(FBackend->Dpy, FWindow, Title.c_str());
  XChangeProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_NAME, FBackend->UTF8_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(Title.data()), static_cast<int>(Title.size()));
}

void TQzX11Window::SetAlpha(uint8_t Alpha) {
  FParams.Alpha = Alpha;
  if (Alpha == 255) {
    XDeleteProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_WINDOW_OPACITY);
  } else {
    const unsigned long v = static_cast<unsigned long>(Alpha) * 0x01010101UL;
    XChangeProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_WINDOW_OPACITY, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&v), 1);
  }
  XFlush(FBackend->Dpy);
}

void TQzX11Window::SetStayOnTop(bool StayOnTop) {
  if (StayOnTop == FParams.StayOnTop || FParams.ParentWindow) return;
  FParams.StayOnTop = StayOnTop;
  SetNetState();
  if (FVisible) {
    // A mapped window changes state through the window manager.
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = FWindow;
    ev.xclient.message_type = FBackend->NET_WM_STATE;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = StayOnTop ? 1 : 0;
    ev.xclient.data.l[1] = static_cast<long>(FBackend->NET_WM_STATE_ABOVE);
    XSendEvent(FBackend->Dpy, DefaultRootWindow(FBackend->Dpy), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  }
  XFlush(FBackend->Dpy);
}

void TQzX11Window::Present(TRasterImage* Surface, const TRect& Area) {
  Display* d = FBackend->Dpy;
  const TRect r{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, Surface->GetWidth()),
                std::min(Area.Bottom, Surface->GetHeight())};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  Visual* vis = DefaultVisual(d, DefaultScreen(d));
  const int depth = DefaultDepth(d, DefaultScreen(d));
  if (depth < 24 || vis->red_mask != 0xFF0000 || vis->green_mask != 0xFF00 || vis->blue_mask != 0xFF) return;
  // XDestroyImage frees the data with free().
  auto* data = static_cast<char*>(malloc(static_cast<size_t>(w) * static_cast<size_t>(h) * 4));
  if (!data) return;
  const int bpp = Surface->GetRawImage().Description.BitsPerPixel / 8;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = Surface->GetScanLine(r.Top + y) + r.Left * bpp;
    uint8_t* dst = reinterpret_cast<uint8_t*>(data) + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
    for (int x = 0; x < w; ++x) {
      dst[x * 4 + 0] = src[x * bpp + 0];
      dst[x * 4 + 1] = src[x * bpp + 1];
      dst[x * 4 + 2] = src[x * bpp + 2];
      dst[x * 4 + 3] = 0;
    }
  }
  XImage* img = XCreateImage(d, vis, static_cast<unsigned>(depth), ZPixmap, 0, data, static_cast<unsigned>(w),
                             static_cast<unsigned>(h), 32, w * 4);
  if (!img) {
    free(data);
    return;
  }
  img->byte_order = LSBFirst;
  XPutImage(d, FWindow, FGC, img, 0, 0, r.Left, r.Top, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XDestroyImage(img);
  XFlush(d);
}

void TQzX11Window::TakeFocus() {
  XWindowAttributes a;
  if (!XGetWindowAttributes(FBackend->Dpy, FWindow, &a) || a.map_state != IsViewable) return;
  XSetInputFocus(FBackend->Dpy, FWindow, RevertToParent, CurrentTime);
  XFlush(FBackend->Dpy);
}

TPoint TQzX11Window::ScreenOrigin() const {
  Window child;
  int x = 0, y = 0;
  XTranslateCoordinates(FBackend->Dpy, FWindow, DefaultRootWindow(FBackend->Dpy), 0, 0, &x, &y, &child);
  return {x, y};
}

}  // namespace

std::unique_ptr<TQzWindowBackend> QzCreateX11Backend(const char* DisplayName) {
  Display* d = XOpenDisplay(DisplayName);
  if (!d) return nullptr;
  return std::make_unique<TQzX11Backend>(d);
}
