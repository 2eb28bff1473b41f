// The X11 window backend (Xlib). Windows are plain X windows, top-level or children of a
// foreign window the host hands over; the form's surface is shown with XPutImage. The
// CLIPBOARD selection is served from a hidden window of our own as UTF-8 text or image/png.
//
// The X error handlers are process-wide and belong to the host. Ours are installed only for the
// length of our own calls into Xlib (TOwnRequests) and the host's are put back at once: an error
// of our connection is swallowed there (the host may destroy the window we live in at any time,
// and other clients' windows we answer may vanish), any other goes on to the handler we
// replaced. A connection whose server went away is marked dead instead of ending the process.
//
// Nothing waits for the server at the end of our calls, except closing a window and taking the
// clipboard (whose results another client may look for at once): what they asked for is flushed,
// and the errors come back when they come. Only our own calls on our connection read it, so
// every error of ours meets our handler, however late. Where we must know whether a request
// failed, errors are matched to it by serial number; a round trip is made only when the server
// has not answered it yet. Over a slow link the host's GUI thread so waits for nothing while the
// editor is idled.
//
// A connection belongs to the process that opened it. Hosts fork (to scan plug-ins, to start
// helpers) with our editor open: the child gets a copy of our connection, the same socket as the
// parent's. The child never uses it: from the fork on it counts as dead there (no request, no
// read, editor calls answer as without a display, and the next editor opens a connection of the
// child's own), and letting it go closes only the child's descriptor, without a word on the wire
// (exit's destructors included).
//
// Typed text comes through the input method (XIM) as UTF-8, with compose sequences where the
// input method offers them; without one, keysyms are turned into text directly.
// The toolkit's headers first: Xlib defines macros (None, Bool, Status ...) that would clash.
#include "platform/WindowBackend.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <vector>
#include <memory>
#include <utility>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace {

class TQzX11Backend;

// Motif window-manager hints, as window managers read them.
enum : long {
  kMwmHintsFunctions = 1,
  kMwmHintsDecorations = 2,
  kMwmFuncResize = 2,
  kMwmFuncMove = 4,
  kMwmFuncMinimize = 8,
  kMwmFuncMaximize = 16,
  kMwmFuncClose = 32,
  kMwmDecorBorder = 2,
  kMwmDecorResizeH = 4,
  kMwmDecorTitle = 8,
  kMwmDecorMenu = 16,
  kMwmDecorMinimize = 32,
  kMwmDecorMaximize = 64,
};

// Our connections, our handlers' bookkeeping. All of it is touched on the GUI thread only, the
// one thread that calls into our connection.
// Plain arrays, built at compile time and never destroyed: a connection may close in the
// library's last moments, after the ordinary static objects are gone, and its errors must still
// be known as ours; nor may a load of the library leave anything on the heap. A lost connection
// is closed before a new one opens, so a handful of places is plenty.
struct TDisplaySet {
  Display* Items[16] = {};
  // Per item: the serial number of the last request of it that failed (0: none did).
  unsigned long LastError[16] = {};
  bool Contains(Display* D) const { return D && std::find(std::begin(Items), std::end(Items), D) != std::end(Items); }
  void Add(Display* D) {
    if (Contains(D)) return;
    for (size_t i = 0; i < std::size(Items); ++i)
      if (!Items[i]) {
        Items[i] = D;
        LastError[i] = 0;
        return;
      }
  }
  void Remove(Display* D) { std::replace(std::begin(Items), std::end(Items), D, static_cast<Display*>(nullptr)); }
  void NoteError(Display* D, unsigned long Serial) {
    for (size_t i = 0; i < std::size(Items); ++i)
      if (Items[i] == D) LastError[i] = std::max(LastError[i], Serial);
  }
  unsigned long LastErrorOf(Display* D) const {
    for (size_t i = 0; i < std::size(Items); ++i)
      if (Items[i] == D) return LastError[i];
    return 0;
  }
};
constinit TDisplaySet gOwnDisplays, gDeadDisplays;
int gTrapDepth = 0;
XErrorHandler gPreviousHandler = nullptr;
XIOErrorHandler gPreviousIOHandler = nullptr;

bool IsOwn(Display* D) { return gOwnDisplays.Contains(D); }
bool IsDead(Display* D) { return gDeadDisplays.Contains(D); }

int OwnErrorHandler(Display* D, XErrorEvent* E) {
  if (IsOwn(D)) {
    gOwnDisplays.NoteError(D, E->serial);
    return 0;
  }
  return gPreviousHandler ? gPreviousHandler(D, E) : 0;
}

int OwnIOErrorHandler(Display* D) {
  if (IsOwn(D)) {
    gDeadDisplays.Add(D);
    return 0;
  }
  return gPreviousIOHandler ? gPreviousIOHandler(D) : 0;
}

// Host code ran inside our call (its callback, from an event we dispatched) and may have put in a
// handler of its own: that one is the host's handler from now on (ours hands the host's errors
// to it and puts it back at the end), and ours stands in again.
void ReclaimHandlers() {
  const XErrorHandler e = XSetErrorHandler(OwnErrorHandler);
  if (e != OwnErrorHandler) gPreviousHandler = e;
  const XIOErrorHandler io = XSetIOErrorHandler(OwnIOErrorHandler);
  if (io != OwnIOErrorHandler) gPreviousIOHandler = io;
}

// In the child of a fork, before the child runs anything else: every connection of ours is the
// parent's from now on.
void InheritConnections() {
  for (Display* d : gOwnDisplays.Items)
    if (d) gDeadDisplays.Add(d);
}

// Called by Xlib after the IO error handler instead of exit(): the connection is dead, Xlib
// turns further calls on it into no-ops, and the backend stops using it.
void OwnIOErrorExit(Display* D, void*) { gDeadDisplays.Add(D); }

// Brackets our calls into Xlib: our handlers while it lives (nested scopes share them), then what
// was asked for goes out (flushed, not waited for) and the host's handlers are put back.
class TOwnRequests {
public:
  explicit TOwnRequests(Display* D) : FDpy(D) {
    if (gTrapDepth++ == 0) {
      gPreviousHandler = XSetErrorHandler(OwnErrorHandler);
      gPreviousIOHandler = XSetIOErrorHandler(OwnIOErrorHandler);
    }
    FFirstRequest = D ? NextRequest(D) : 0;
  }
  ~TOwnRequests() {
    if (--gTrapDepth > 0) return;
    if (FDpy && !IsDead(FDpy) && NextRequest(FDpy) != FFirstRequest) XFlush(FDpy);
    ReclaimHandlers();
    XSetErrorHandler(gPreviousHandler);
    XSetIOErrorHandler(gPreviousIOHandler);
  }
  TOwnRequests(const TOwnRequests&) = delete;
  TOwnRequests& operator=(const TOwnRequests&) = delete;
  // The connection was closed in this scope: nothing more is sent on it.
  void Closed() { FDpy = nullptr; }
  // True when a request sent in this scope failed. The server answers in the order of the
  // requests, and Xlib handles the errors that came before an answer when it reads the answer:
  // once the last request sent is answered, every error of this scope is known. Errors of
  // requests sent before the scope (their answers may come only now) are not this scope's.
  bool Failed() {
    if (!FDpy) return false;
    if (!IsDead(FDpy) && LastKnownRequestProcessed(FDpy) + 1 < NextRequest(FDpy)) XSync(FDpy, False);
    return gOwnDisplays.LastErrorOf(FDpy) >= FFirstRequest;
  }

private:
  Display* FDpy;
  unsigned long FFirstRequest;
};

void AppendUtf8(std::string& S, uint32_t C) {
  if (C < 0x80) {
    S += static_cast<char>(C);
  } else if (C < 0x800) {
    S += static_cast<char>(0xC0 | (C >> 6));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    S += static_cast<char>(0xE0 | (C >> 12));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x110000) {
    S += static_cast<char>(0xF0 | (C >> 18));
    S += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    S += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    S += static_cast<char>(0x80 | (C & 0x3F));
  }
}

// Text of a keysym when no input method is at hand: Latin-1 keysyms are their own code points,
// Unicode keysyms carry theirs; others give what XLookupString found (Latin-1).
std::string KeysymText(KeySym Sym, const char* Latin1, int Count) {
  std::string t;
  if ((Sym >= 0x20 && Sym <= 0x7E) || (Sym >= 0xA0 && Sym <= 0xFF)) {
    AppendUtf8(t, static_cast<uint32_t>(Sym));
  } else if ((Sym & 0xFF000000UL) == 0x01000000UL) {
    AppendUtf8(t, static_cast<uint32_t>(Sym & 0x00FFFFFFUL));
  } else {
    for (int i = 0; i < Count; ++i) AppendUtf8(t, static_cast<unsigned char>(Latin1[i]));
  }
  return t;
}

// The server a display name connects to: the screen number left out, the local transport's
// names ("unix:1", ":1") as one.
std::string ServerOf(const char* Name) {
  std::string s = Name ? Name : "";
  const size_t colon = s.rfind(':');
  if (colon == std::string::npos) return s;
  const size_t dot = s.find('.', colon);
  if (dot != std::string::npos) s.erase(dot);
  if (s.compare(0, colon, "unix") == 0) s.erase(0, colon);
  return s;
}

// Present draws TrueColor of 15 bits or more; a palette or DirectColor visual would need
// colours of its own.
bool Drawable(const Visual* V, int Depth) { return V && V->c_class == TrueColor && Depth >= 15; }

// The screen's TrueColor visual for a window whose parent's visual shows no pictures: 24 bits
// first, then any other of 15 bits or more, 32 last (its alpha is kept opaque). False when the
// screen has none.
bool OwnVisual(Display* D, int Screen, XVisualInfo& Out) {
  XVisualInfo want{};
  want.screen = Screen;
  want.c_class = TrueColor;
  int n = 0, best = 0;
  XVisualInfo* found = XGetVisualInfo(D, VisualScreenMask | VisualClassMask, &want, &n);
  for (int i = 0; i < n; ++i) {
    const int depth = found[i].depth;
    const int rank = depth == 24 ? 3 : depth == 32 ? 1 : depth >= 15 ? 2 : 0;
    if (rank > best) best = rank, Out = found[i];
  }
  if (found) XFree(found);
  return best > 0;
}

class TQzX11Window : public TQzNativeWindow {
public:
  TQzX11Window(TQzX11Backend* Backend, TQzWindowSink* Sink, const TQzWindowParams& Params);
  ~TQzX11Window() override;
  void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) override;
  void SetVisible(bool Visible) override;
  void SetTitle(const std::string& Title) override;
  void SetAlpha(uint8_t Alpha) override;
  void SetStayOnTop(bool StayOnTop) override;
  void SetDecorations(const TQzWindowParams& Params) override;
  void Present(TRasterImage* Surface, const TRect& Area) override;
  void TakeFocus() override;
  void GrabInput(bool Grab) override;
  uintptr_t NativeHandle() const override { return FWindow; }
  bool Alive() const override { return !Gone(); }
  TPoint ScreenOrigin() const override;

  TQzWindowSink* Sink() const { return FSink; }
  Window XWindow() const { return FWindow; }
  Window ForeignParent() const { return FParams.ParentWindow; }
  XIC InputContext() const { return FIC; }
  // The window was destroyed under us (the host destroyed it or its parent): never used again.
  void MarkGone();
  // The host moved the window into another window of its own: that one is watched from now on.
  void Reparented(Window NewParent);
  bool Gone() const;
  // The pointer left an embedded window that took the keyboard on a click: the host gets it
  // back, so that its shortcuts work again.
  void ReturnFocus();

private:
  void SetNetState();
  void SetSizeHints();
  TQzX11Backend* FBackend;
  TQzWindowSink* FSink;
  TQzWindowParams FParams;
  Window FWindow = 0;
  GC FGC = nullptr;
  XIC FIC = nullptr;
  // The visual and depth the window really has (a foreign parent's, which may be 32-bit ARGB).
  Visual* FVisual = nullptr;
  int FDepth = 0;
  // Made for a visual of our own (the parent's shows no pictures); freed with the window.
  Colormap FColormap = 0;
  bool FGone = false;
  bool FVisible = false;
  bool FGrabbed = false;
  // Who had the keyboard before a click gave it to this embedded window.
  Window FFocusBefore = 0;
};


class TQzX11Backend : public TQzWindowBackend {
public:
  explicit TQzX11Backend(Display* D) : Dpy(D), Owner(getpid()) {
    // Registered once per copy of the library; unloading it drops the handler.
    static const int watchingForks = pthread_atfork(nullptr, nullptr, InheritConnections);
    (void)watchingForks;
    gOwnDisplays.Add(Dpy);
    XSetIOErrorExitHandler(Dpy, OwnIOErrorExit, nullptr);
    TOwnRequests own(Dpy);
    // All names in one request: one round trip, not one per name.
    const std::pair<Atom*, const char*> atoms[] = {
        {&WM_PROTOCOLS, "WM_PROTOCOLS"},
        {&WM_DELETE_WINDOW, "WM_DELETE_WINDOW"},
        {&NET_WM_STATE, "_NET_WM_STATE"},
        {&NET_WM_STATE_ABOVE, "_NET_WM_STATE_ABOVE"},
        {&NET_WM_STATE_SKIP_TASKBAR, "_NET_WM_STATE_SKIP_TASKBAR"},
        {&NET_WM_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE"},
        {&NET_WM_WINDOW_TYPE_UTILITY, "_NET_WM_WINDOW_TYPE_UTILITY"},
        {&NET_WM_WINDOW_OPACITY, "_NET_WM_WINDOW_OPACITY"},
        {&NET_WM_NAME, "_NET_WM_NAME"},
        {&MOTIF_WM_HINTS, "_MOTIF_WM_HINTS"},
        {&UTF8_STRING, "UTF8_STRING"},
        {&INCR, "INCR"},
        {&CLIPBOARD, "CLIPBOARD"},
        {&TARGETS, "TARGETS"},
        {&TEXT, "TEXT"},
        {&IMAGE_PNG, "image/png"},
        {&QZ_SELECTION, "QZ_SELECTION"},
        {&QZ_PASTE, "QZ_PASTE"},
    };
    constexpr int count = static_cast<int>(std::size(atoms));
    char* names[count];
    Atom found[count] = {};
    for (int i = 0; i < count; ++i) names[i] = const_cast<char*>(atoms[i].second);
    XInternAtoms(Dpy, names, count, False, found);
    for (int i = 0; i < count; ++i) *atoms[i].first = found[i];
    Helper = XCreateSimpleWindow(Dpy, DefaultRootWindow(Dpy), -10, -10, 1, 1, 0, 0, 0);
    XSelectInput(Dpy, Helper, PropertyChangeMask);
    // The user's input method ($XMODIFIERS), else the built-in one of the locale.
    XSetLocaleModifiers("");
    IM = XOpenIM(Dpy, nullptr, nullptr, nullptr);
    if (!IM) {
      XSetLocaleModifiers("@im=none");
      IM = XOpenIM(Dpy, nullptr, nullptr, nullptr);
    }
  }
  ~TQzX11Backend() override {
    Paste.reset();
    if (Inherited()) {
      // The parent's connection: not a byte on it, not even XCloseDisplay's goodbye, which
      // would end it for the parent too. Only the child's descriptor closes; the copy of Xlib's
      // state for it stays listed among ours, where it can still be found, and is never used.
      close(ConnectionNumber(Dpy));
      gDeadDisplays.Add(Dpy);
      return;
    }
    {
      // Closing still talks to a live server: no error of it may reach the host's handlers.
      TOwnRequests own(Dpy);
      if (!Dead()) {
        EndTransfers();
        XDestroyWindow(Dpy, Helper);
      }
      // The input method's client side is ours to free even when the server is gone.
      if (IM) XCloseIM(IM);
      XCloseDisplay(Dpy);
      own.Closed();
    }
    gOwnDisplays.Remove(Dpy);
    gDeadDisplays.Remove(Dpy);
  }

  // The server went away, or this is a child process that inherited the connection: nothing is
  // sent any more.
  bool Dead() const { return IsDead(Dpy); }
  // This process did not open the connection (a fork's child; asks the system, for a child made
  // without fork's handlers too).
  bool Inherited() const { return getpid() != Owner; }

  std::unique_ptr<TQzNativeWindow> CreateNativeWindow(TQzWindowSink* Sink, const TQzWindowParams& Params) override {
    return std::make_unique<TQzX11Window>(this, Sink, Params);
  }

  void Pump() override {
    if (Dead()) return;
    TOwnRequests own(Dpy);
    while (!Dead() && XPending(Dpy) > 0) {
      XEvent ev;
      XNextEvent(Dpy, &ev);
      // The input method takes the key events of a compose sequence.
      if (XFilterEvent(&ev, 0)) continue;
      Dispatch(ev);
      ReclaimHandlers();
    }
    ExpireTransfers();
  }

  // Only what Xlib already read: counting them sends nothing and reads nothing.
  bool EventsQueued() override { return !Dead() && XEventsQueued(Dpy, QueuedAlready) > 0; }

  bool WaitForEvents(uint64_t TimeoutMs) override {
    if (Dead()) return false;
    {
      TOwnRequests own(Dpy);
      if (XPending(Dpy) > 0) return true;
    }
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
    TOwnRequests own(Dpy);
    ClipText = Text;
    ClipTextBytes = std::make_shared<const std::vector<uint8_t>>(Text.begin(), Text.end());
    HasText = true;
    HasPng = false;
    ClipPng.clear();
    Own();
  }
  void SetClipboardPNG(std::vector<uint8_t> Png) override {
    TOwnRequests own(Dpy);
    ClipPng = std::move(Png);
    ClipPngBytes = std::make_shared<const std::vector<uint8_t>>(ClipPng);
    HasPng = true;
    HasText = false;
    ClipText.clear();
    Own();
  }
  bool GetClipboardText(std::string& Text) override {
    if (Dead()) return false;
    TOwnRequests own(Dpy);
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
  void RequestClipboardText(size_t MaxBytes, std::function<void(const std::string& Text)> Ready) override {
    Paste.reset();
    if (Dead() || !Ready || MaxBytes == 0) return;
    TOwnRequests own(Dpy);
    const Window owner = XGetSelectionOwner(Dpy, CLIPBOARD);
    if (owner == None) return;
    if (owner == Helper) {
      if (HasText) Ready(ClipText.substr(0, MaxBytes));
      return;
    }
    Paste = std::make_unique<TPaste>(TPaste{MaxBytes, std::move(Ready), Now(), false, {}});
    XConvertSelection(Dpy, CLIPBOARD, UTF8_STRING, QZ_PASTE, Helper, CurrentTime);
    XFlush(Dpy);
  }
  bool ServesClipboard() const override { return (HasText || HasPng) && !Dead(); }
  bool CheckConnection() override {
    if (Dead()) return false;
    // A server that went away or closed our connection has closed the socket: reading what is
    // there finds that, without a round trip (events read stay queued for the next pump).
    TOwnRequests own(Dpy);
    XPending(Dpy);
    return !Dead();
  }
  bool GetClipboardPNG(std::vector<uint8_t>& Png) override {
    if (Dead()) return false;
    TOwnRequests own(Dpy);
    if (XGetSelectionOwner(Dpy, CLIPBOARD) == Helper) {
      if (!HasPng) return false;
      Png = ClipPng;
      return true;
    }
    return Fetch(IMAGE_PNG, Png);
  }

  bool OnDisplay(const char* Name) const override {
    return Name && ServerOf(Name) == ServerOf(XDisplayString(Dpy));
  }

  // A host's window no window of ours lives in any more is not watched (the host's own
  // selection of its events is its own, per client).
  void Unwatch(Window Parent) {
    if (!Parent || Parent == DefaultRootWindow(Dpy)) return;
    for (const auto& [window, w] : Windows)
      if (w->ForeignParent() == Parent) return;
    XSelectInput(Dpy, Parent, NoEventMask);
  }

  Display* Dpy;
  const pid_t Owner;
  Window Helper;
  XIM IM = nullptr;
  std::map<Window, TQzX11Window*> Windows;
  Atom WM_PROTOCOLS, WM_DELETE_WINDOW, NET_WM_STATE, NET_WM_STATE_ABOVE, NET_WM_STATE_SKIP_TASKBAR,
      NET_WM_WINDOW_TYPE, NET_WM_WINDOW_TYPE_UTILITY, NET_WM_WINDOW_OPACITY, NET_WM_NAME, MOTIF_WM_HINTS,
      UTF8_STRING, INCR, CLIPBOARD, TARGETS, TEXT, IMAGE_PNG, QZ_SELECTION, QZ_PASTE;

private:
  // A paste waiting for the clipboard's holder: the answer arrives as events of later pumps.
  struct TPaste {
    size_t MaxBytes;
    std::function<void(const std::string& Text)> Ready;
    uint64_t LastActivity;
    bool Pieces;  // the holder sends the answer in pieces (INCR)
    std::string Text;
  };
  static constexpr uint64_t kPasteTimeoutMs = 2000;

  // Reads at most Room bytes of the paste property and deletes it (a holder sending pieces
  // takes that as the request for the next one); False when it cannot be read.
  bool ReadPaste(size_t Room, std::string& Out, Atom& Type, int& Format) {
    unsigned long n = 0, rest = 0;
    unsigned char* data = nullptr;
    const long units = static_cast<long>(std::min<size_t>((Room + 3) / 4, 1u << 20));
    Out.clear();
    if (XGetWindowProperty(Dpy, Helper, QZ_PASTE, 0, units, True, AnyPropertyType, &Type, &Format, &n, &rest, &data) !=
        Success)
      return false;
    if (data && Format == 8) Out.assign(reinterpret_cast<const char*>(data), std::min<size_t>(n, Room));
    if (data) XFree(data);
    return true;
  }

  void FinishPaste() {
    std::unique_ptr<TPaste> p = std::move(Paste);
    p->Ready(p->Text);
  }

  // The holder's answer: the text (only as much as was asked for is read; the rest is deleted
  // unread), a refusal, or the start of an answer in pieces.
  void PasteAnswered(const XSelectionEvent& S) {
    if (!Paste || S.target != UTF8_STRING) return;
    Atom type = None;
    int format = 0;
    std::string text;
    if (S.property == None || !ReadPaste(Paste->MaxBytes, text, type, format)) {
      Paste.reset();
      return;
    }
    if (type == INCR) {
      Paste->Pieces = true;
      Paste->LastActivity = Now();
      return;
    }
    XDeleteProperty(Dpy, Helper, QZ_PASTE);
    if (format != 8) {
      Paste.reset();
      return;
    }
    Paste->Text = std::move(text);
    FinishPaste();
  }

  // The next piece of an answer in pieces. Once the paste has all it can hold the holder is
  // asked for nothing more (it gives up on its own).
  void PastePiece(const XPropertyEvent& P) {
    if (!Paste || !Paste->Pieces || P.atom != QZ_PASTE || P.state != PropertyNewValue) return;
    Atom type = None;
    int format = 0;
    std::string piece;
    if (!ReadPaste(Paste->MaxBytes - Paste->Text.size(), piece, type, format) || format != 8) {
      Paste.reset();
      return;
    }
    Paste->LastActivity = Now();
    Paste->Text += piece;
    if (piece.empty() || Paste->Text.size() >= Paste->MaxBytes) FinishPaste();
  }

  // Answers larger than one request go in pieces (the INCR protocol): the requestor deletes the
  // property to ask for the next piece; an empty piece ends the answer.
  struct TTransfer {
    Window Requestor;
    Atom Property;
    Atom Type;
    std::shared_ptr<const std::vector<uint8_t>> Data;
    size_t Offset;
    uint64_t LastActivity;
  };
  static constexpr uint64_t kTransferTimeoutMs = 5000;

  // Bytes of one property write: well below the server's largest request.
  size_t ChunkLimit() const {
    const size_t request = static_cast<size_t>(XMaxRequestSize(Dpy)) * 4;
    return std::min<size_t>(request > 2048 ? request - 1024 : 1024, 256 * 1024);
  }

  void EndTransfers() {
    for (const TTransfer& t : Transfers) {
      TOwnRequests trap(Dpy);
      XSelectInput(Dpy, t.Requestor, NoEventMask);
    }
    Transfers.clear();
  }

  void ExpireTransfers() {
    const uint64_t now = Now();
    // A holder that never answers: the paste is dropped (nobody waited for it).
    if (Paste && now - Paste->LastActivity > kPasteTimeoutMs) Paste.reset();
    for (size_t i = Transfers.size(); i-- > 0;)
      if (now - Transfers[i].LastActivity > kTransferTimeoutMs) {
        {
          TOwnRequests trap(Dpy);
          XSelectInput(Dpy, Transfers[i].Requestor, NoEventMask);
        }
        Transfers.erase(Transfers.begin() + static_cast<std::ptrdiff_t>(i));
      }
  }

  // The requestor took the previous piece: the next one, or the empty end.
  void ContinueTransfer(const XPropertyEvent& P) {
    if (P.state != PropertyDelete) return;
    for (size_t i = 0; i < Transfers.size(); ++i) {
      TTransfer& t = Transfers[i];
      if (t.Requestor != P.window || t.Property != P.atom) continue;
      const size_t n = std::min(ChunkLimit(), t.Data->size() - t.Offset);
      bool failed;
      {
        TOwnRequests trap(Dpy);
        XChangeProperty(Dpy, t.Requestor, t.Property, t.Type, 8, PropModeReplace, t.Data->data() + t.Offset,
                        static_cast<int>(n));
        failed = trap.Failed();
      }
      t.Offset += n;
      t.LastActivity = Now();
      if (n == 0 || failed) {
        TOwnRequests trap(Dpy);
        XSelectInput(Dpy, t.Requestor, NoEventMask);
        Transfers.erase(Transfers.begin() + static_cast<std::ptrdiff_t>(i));
      }
      XFlush(Dpy);
      return;
    }
  }

  // Writes the answer to R (whole or as the start of a transfer); False when that failed.
  bool Answer(const XSelectionRequestEvent& R, Atom Property, Atom Type,
              std::shared_ptr<const std::vector<uint8_t>> Data) {
    TOwnRequests trap(Dpy);
    if (Data->size() <= ChunkLimit()) {
      XChangeProperty(Dpy, R.requestor, Property, Type, 8, PropModeReplace, Data->data(), static_cast<int>(Data->size()));
      return !trap.Failed();
    }
    // A requestor asking again on the same property restarts its transfer.
    for (size_t i = Transfers.size(); i-- > 0;)
      if (Transfers[i].Requestor == R.requestor && Transfers[i].Property == Property)
        Transfers.erase(Transfers.begin() + static_cast<std::ptrdiff_t>(i));
    XSelectInput(Dpy, R.requestor, PropertyChangeMask);
    const long size = static_cast<long>(Data->size());
    XChangeProperty(Dpy, R.requestor, Property, INCR, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&size), 1);
    if (trap.Failed()) return false;
    Transfers.push_back({R.requestor, Property, Type, std::move(Data), 0, Now()});
    return true;
  }

  // Reading the owner back, as a selection owner should, also means the server has taken the
  // ownership by the time a copy returns: another client pasting right after it is served.
  void Own() {
    if (Dead()) return;
    XSetSelectionOwner(Dpy, CLIPBOARD, Helper, CurrentTime);
    XGetSelectionOwner(Dpy, CLIPBOARD);
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
        if (!TakeProperty(Out, type, format)) return false;
        if (type == INCR) return FetchIncremental(Out);
        return format == 8;
      }
      pollfd p{ConnectionNumber(Dpy), POLLIN, 0};
      poll(&p, 1, 10);
    }
    return false;
  }

  // Reads and deletes our selection property.
  bool TakeProperty(std::vector<uint8_t>& Out, Atom& Type, int& Format) {
    unsigned long n = 0, rest = 0;
    unsigned char* data = nullptr;
    Out.clear();
    if (XGetWindowProperty(Dpy, Helper, QZ_SELECTION, 0, 0x7FFFFFF, True, AnyPropertyType, &Type, &Format, &n, &rest,
                           &data) != Success)
      return false;
    if (data && Format == 8) Out.assign(data, data + n);
    if (data) XFree(data);
    return true;
  }

  // The owner sends the answer in pieces: each new value of the property is the next piece
  // (deleting it asks for more), an empty one is the end.
  bool FetchIncremental(std::vector<uint8_t>& Out) {
    Out.clear();
    uint64_t end = Now() + 1000;
    XEvent ev;
    while (Now() < end) {
      if (XCheckTypedWindowEvent(Dpy, Helper, PropertyNotify, &ev)) {
        if (ev.xproperty.atom != QZ_SELECTION || ev.xproperty.state != PropertyNewValue) continue;
        std::vector<uint8_t> piece;
        Atom type;
        int format;
        if (!TakeProperty(piece, type, format)) return false;
        if (type == None) continue;  // the notice of a value already taken
        if (format != 8) return false;
        if (piece.empty()) return true;
        Out.insert(Out.end(), piece.begin(), piece.end());
        end = Now() + 1000;
        continue;
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
    if (R.selection != CLIPBOARD) {
      reply.property = None;
    } else if (R.target == TARGETS) {
      std::vector<Atom> t{TARGETS};
      if (HasText) t.insert(t.end(), {UTF8_STRING, XA_STRING, TEXT});
      if (HasPng) t.push_back(IMAGE_PNG);
      TOwnRequests trap(Dpy);
      XChangeProperty(Dpy, R.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(t.data()), static_cast<int>(t.size()));
      if (trap.Failed()) reply.property = None;
    } else if (HasText && (R.target == UTF8_STRING || R.target == XA_STRING || R.target == TEXT)) {
      if (!Answer(R, reply.property, R.target == TEXT ? UTF8_STRING : R.target, ClipTextBytes)) reply.property = None;
    } else if (HasPng && R.target == IMAGE_PNG) {
      if (!Answer(R, reply.property, IMAGE_PNG, ClipPngBytes)) reply.property = None;
    } else {
      reply.property = None;
    }
    TOwnRequests trap(Dpy);
    XSendEvent(Dpy, R.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
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
    if (ev.type == SelectionNotify) {
      if (ev.xselection.requestor == Helper && ev.xselection.selection == CLIPBOARD) PasteAnswered(ev.xselection);
      return;
    }
    if (ev.type == PropertyNotify) {
      if (ev.xproperty.window == Helper)
        PastePiece(ev.xproperty);
      else
        ContinueTransfer(ev.xproperty);
      return;
    }
    if (ev.type == MappingNotify) {
      // Another client changed the keyboard: look keys up in the new map.
      if (ev.xmapping.request == MappingKeyboard || ev.xmapping.request == MappingModifier)
        XRefreshKeyboardMapping(&ev.xmapping);
      return;
    }
    if (ev.type == ReparentNotify) {
      auto it = Windows.find(ev.xreparent.window);
      if (it != Windows.end()) it->second->Reparented(ev.xreparent.parent);
      return;
    }
    if (ev.type == DestroyNotify) {
      // Our window, or the host's window it lives in (whose children die with it).
      const Window gone = ev.xdestroywindow.window;
      for (auto& [window, w] : Windows)
        if (window == gone || w->ForeignParent() == gone) w->MarkGone();
      return;
    }
    auto it = Windows.find(ev.xany.window);
    if (it == Windows.end() || it->second->Gone()) return;
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
      case LeaveNotify:
        // Moving into a child of ours is no leaving; a grab's crossing is not the user's.
        if (ev.xcrossing.detail != NotifyInferior && ev.xcrossing.mode == NotifyNormal) w->ReturnFocus();
        e.Kind = qeMouseLeave;
        break;
      case KeyPress:
      case KeyRelease: {
        KeySym sym = 0;
        std::string text;
        if (ev.type == KeyPress && w->InputContext()) {
          char buf[64];
          Status status = 0;
          int n = Xutf8LookupString(w->InputContext(), &ev.xkey, buf, sizeof buf, &sym, &status);
          if (status == XBufferOverflow) {
            std::vector<char> big(static_cast<size_t>(n) + 1);
            n = Xutf8LookupString(w->InputContext(), &ev.xkey, big.data(), n, &sym, &status);
            if (status == XLookupChars || status == XLookupBoth) text.assign(big.data(), static_cast<size_t>(std::max(n, 0)));
          } else if (status == XLookupChars || status == XLookupBoth) {
            text.assign(buf, static_cast<size_t>(std::max(n, 0)));
          }
          if (status != XLookupKeySym && status != XLookupBoth) sym = 0;
        } else {
          char buf[32] = {};
          const int n = XLookupString(&ev.xkey, buf, sizeof buf - 1, &sym, nullptr);
          if (ev.type == KeyPress && n > 0) text = KeysymText(sym, buf, n);
        }
        // Xlib gives Delete the DEL character; the key deletes, and a text box must not take
        // the character too.
        if (text == "\x7f") text.clear();
        e.Kind = ev.type == KeyPress ? qeKeyDown : qeKeyUp;
        e.Key = VirtualKey(sym);
        e.Shift = Shift(ev.xkey.state);
        // A character composed by the input method comes without a key of its own.
        if (sym != 0 || text.empty()) w->Sink()->HandleWindowEvent(e);
        if (ev.type == KeyPress && !text.empty() && !(ev.xkey.state & ControlMask)) {
          TQzWindowEvent c;
          c.Kind = qeChar;
          c.Shift = e.Shift;
          c.Text = text;
          if (Windows.count(ev.xany.window)) w->Sink()->HandleWindowEvent(c);
        }
        return;
      }
      case FocusIn:
      case FocusOut:
        // Grabs (our own menus among them) move the keyboard for a while, not the focus.
        if (ev.xfocus.detail == NotifyPointer || ev.xfocus.mode == NotifyGrab || ev.xfocus.mode == NotifyUngrab) return;
        if (w->InputContext()) {
          if (ev.type == FocusIn)
            XSetICFocus(w->InputContext());
          else
            XUnsetICFocus(w->InputContext());
        }
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
  // The same bytes, shared with the transfers under way.
  std::shared_ptr<const std::vector<uint8_t>> ClipTextBytes, ClipPngBytes;
  bool HasText = false, HasPng = false;
  std::vector<TTransfer> Transfers;
  std::unique_ptr<TPaste> Paste;
};

TQzX11Window::TQzX11Window(TQzX11Backend* Backend, TQzWindowSink* Sink, const TQzWindowParams& Params)
    : FBackend(Backend), FSink(Sink), FParams(Params) {
  Display* d = Backend->Dpy;
  QzCountNativeWindow(1);
  if (Backend->Dead()) {
    FGone = true;
    return;
  }
  TOwnRequests own(d);
  const Window parent = Params.ParentWindow ? static_cast<Window>(Params.ParentWindow) : DefaultRootWindow(d);
  XSetWindowAttributes a{};
  a.background_pixmap = None;
  a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask |
                 KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
  unsigned long mask = CWBackPixmap | CWEventMask;
  const bool popup = Params.Popup && !Params.ParentWindow;
  if (popup) {
    // Menus and hints: placed by us, not by the window manager, and without a frame.
    a.override_redirect = True;
    a.save_under = True;
    mask |= CWOverrideRedirect | CWSaveUnder;
  }
  const int x = Params.ParentWindow ? 0 : Params.Left, y = Params.ParentWindow ? 0 : Params.Top;
  // A parent that never existed or is gone already: nothing is made (the host is told the
  // editor did not open). One destroyed between this question and the window's making is
  // caught below.
  XWindowAttributes pa;
  if (Params.ParentWindow && (!XGetWindowAttributes(d, parent, &pa) || own.Failed())) {
    FGone = true;
    return;
  }
  // The parent's visual when our pictures can be drawn in it (a 32-bit ARGB one too), else a
  // TrueColor one of the server's with a colormap of its own; on a server without any, no
  // window is made rather than one that stays black.
  const int screen = Params.ParentWindow ? XScreenNumberOfScreen(pa.screen) : DefaultScreen(d);
  Visual* visual = CopyFromParent;
  int depth = CopyFromParent;
  const bool drawable = Params.ParentWindow ? Drawable(pa.visual, pa.depth)
                                            : Drawable(DefaultVisual(d, screen), DefaultDepth(d, screen));
  if (!drawable) {
    XVisualInfo vi;
    if (!OwnVisual(d, screen, vi)) {
      FGone = true;
      return;
    }
    visual = vi.visual;
    depth = vi.depth;
    FColormap = XCreateColormap(d, RootWindow(d, screen), visual, AllocNone);
    a.colormap = FColormap;
    a.border_pixel = 0;
    mask |= CWColormap | CWBorderPixel;
  }
  FWindow = XCreateWindow(d, parent, x, y, static_cast<unsigned>(std::max(Params.Width, 1)),
                          static_cast<unsigned>(std::max(Params.Height, 1)), 0, depth, InputOutput, visual, mask, &a);
  FGC = XCreateGC(d, FWindow, 0, nullptr);
  if (!popup) {
    // Window managers, and hosts' test tools looking into their own windows, tell our windows
    // apart from the host's by this hint.
    char name[] = "quillmere", cls[] = "Quillmere";
    XClassHint hint{name, cls};
    XSetClassHint(d, FWindow, &hint);
  }
  Backend->Windows[FWindow] = this;
  XWindowAttributes wa;
  if (XGetWindowAttributes(d, FWindow, &wa)) {
    FVisual = wa.visual;
    FDepth = wa.depth;
  }
  // The host destroys its window when it likes (a track goes away); we must hear of it. Event
  // masks are per client, so this leaves the host's own selection alone.
  if (Params.ParentWindow) XSelectInput(d, parent, StructureNotifyMask);
  // A parent that went meanwhile: the window could not be made, and nothing more is asked of it.
  if (own.Failed() || !FVisual) {
    FGone = true;
    return;
  }
  if (Backend->IM && !popup) {
    FIC = XCreateIC(Backend->IM, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, FWindow,
                    XNFocusWindow, FWindow, nullptr);
    if (FIC) {
      long filter = 0;
      if (!XGetICValues(FIC, XNFilterEvents, &filter, nullptr) && filter)
        XSelectInput(d, FWindow, a.event_mask | filter);
    }
  }
  if (!Params.ParentWindow && !popup) {
    XSetWMProtocols(d, FWindow, &Backend->WM_DELETE_WINDOW, 1);
    SetTitle(Params.Title);
    SetNetState();
    SetDecorations(Params);
  }
  SetAlpha(Params.Alpha);
  XFlush(d);
}

TQzX11Window::~TQzX11Window() {
  if (FWindow) FBackend->Windows.erase(FWindow);
  QzCountNativeWindow(-1);
  TOwnRequests own(FBackend->Dpy);
  // A dead connection sends nothing, but the client side of the GC and the input context is
  // ours to free all the same.
  GrabInput(false);
  if (FBackend->Inherited()) {
    // The parent's GC: our copy of its client side goes, the server is not told. The input
    // context stays with the input method it belongs to.
    if (FGC) XFree(FGC);
    return;
  }
  if (FIC) XDestroyIC(FIC);
  if (FGC) XFreeGC(FBackend->Dpy, FGC);
  if (FBackend->Dead()) return;
  const bool destroyed = FWindow && !FGone;
  if (destroyed) {
    XDestroyWindow(FBackend->Dpy, FWindow);
    FBackend->Unwatch(static_cast<Window>(FParams.ParentWindow));
  }
  if (FColormap) XFreeColormap(FBackend->Dpy, FColormap);
  // A host may reuse, grab or free its window as soon as the editor is closed: the window is
  // gone from the server by then, not only sent. One round trip, at close only.
  if (destroyed)
    XSync(FBackend->Dpy, False);
  else
    XFlush(FBackend->Dpy);
}

bool TQzX11Window::Gone() const { return FGone || FBackend->Dead(); }

void TQzX11Window::MarkGone() {
  FGone = true;
  FGrabbed = false;
}

void TQzX11Window::Reparented(Window NewParent) {
  // A top-level window goes into the window manager's frame: it stays top-level for us.
  const Window old = static_cast<Window>(FParams.ParentWindow);
  if (!old || NewParent == old || Gone()) return;
  FParams.ParentWindow = NewParent;
  FFocusBefore = 0;
  TOwnRequests own(FBackend->Dpy);
  FBackend->Unwatch(old);
  // The root is never destroyed; any other new parent's end is now ours. One already gone
  // took our window along, whose own DestroyNotify tells.
  if (NewParent != DefaultRootWindow(FBackend->Dpy)) XSelectInput(FBackend->Dpy, NewParent, StructureNotifyMask);
  XFlush(FBackend->Dpy);
}

void TQzX11Window::ReturnFocus() {
  if (!FParams.ParentWindow || Gone()) return;
  Display* d = FBackend->Dpy;
  TOwnRequests own(d);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus != FWindow) return;
  // The window that had the keyboard before the click, if it still exists; else the host's.
  const Window to = FFocusBefore > PointerRoot ? FFocusBefore : static_cast<Window>(FParams.ParentWindow);
  XSetInputFocus(d, to, RevertToParent, CurrentTime);
  if (own.Failed()) XSetInputFocus(d, static_cast<Window>(FParams.ParentWindow), RevertToParent, CurrentTime);
  FFocusBefore = 0;
}

void TQzX11Window::SetNetState() {
  std::vector<Atom> s;
  if (FParams.StayOnTop) s.push_back(FBackend->NET_WM_STATE_ABOVE);
  if (FParams.SkipTaskbar) s.push_back(FBackend->NET_WM_STATE_SKIP_TASKBAR);
  XChangeProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_STATE, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()));
}

void TQzX11Window::SetSizeHints() {
  XSizeHints* h = XAllocSizeHints();
  if (!h) return;
  h->flags = PPosition | PSize;
  h->x = FParams.Left;
  h->y = FParams.Top;
  h->width = std::max(FParams.Width, 1);
  h->height = std::max(FParams.Height, 1);
  if (!FParams.Resizable) {
    h->flags |= PMinSize | PMaxSize;
    h->min_width = h->max_width = h->width;
    h->min_height = h->max_height = h->height;
  }
  XSetWMNormalHints(FBackend->Dpy, FWindow, h);
  XFree(h);
}

void TQzX11Window::SetDecorations(const TQzWindowParams& P) {
  FParams.AssignDecorations(P);
  if (FParams.ParentWindow || FParams.Popup || Gone()) return;
  Display* d = FBackend->Dpy;
  TOwnRequests own(d);
  long functions = kMwmFuncMove, decorations = 0;
  if (P.Resizable) functions |= kMwmFuncResize;
  if (P.MinimizeBox) functions |= kMwmFuncMinimize;
  if (P.MaximizeBox) functions |= kMwmFuncMaximize;
  if (P.CloseBox) functions |= kMwmFuncClose;
  if (!P.Borderless) {
    decorations = kMwmDecorBorder | kMwmDecorTitle;
    if (P.Resizable) decorations |= kMwmDecorResizeH;
    if (P.CloseBox) decorations |= kMwmDecorMenu;
    if (P.MinimizeBox) decorations |= kMwmDecorMinimize;
    if (P.MaximizeBox) decorations |= kMwmDecorMaximize;
  }
  if (P.ToolWindow)
    XChangeProperty(d, FWindow, FBackend->NET_WM_WINDOW_TYPE, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&FBackend->NET_WM_WINDOW_TYPE_UTILITY), 1);
  else
    XDeleteProperty(d, FWindow, FBackend->NET_WM_WINDOW_TYPE);
  const long motif[5] = {kMwmHintsFunctions | kMwmHintsDecorations, functions, decorations, 0, 0};
  XChangeProperty(d, FWindow, FBackend->MOTIF_WM_HINTS, FBackend->MOTIF_WM_HINTS, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(motif), 5);
  SetSizeHints();
  XFlush(d);
}

void TQzX11Window::GrabInput(bool Grab) {
  if (Gone()) return;
  Display* d = FBackend->Dpy;
  TOwnRequests own(d);
  if (!Grab) {
    if (!FGrabbed) return;
    FGrabbed = false;
    XUngrabPointer(d, CurrentTime);
    XUngrabKeyboard(d, CurrentTime);
    XFlush(d);
    return;
  }
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, FWindow, &a) || a.map_state != IsViewable) return;
  // Our other windows keep getting their own input (owner events); what happens elsewhere on
  // the screen comes to this window, so that a click there closes the menu.
  const int p = XGrabPointer(d, FWindow, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                             GrabModeAsync, None, None, CurrentTime);
  const int k = XGrabKeyboard(d, FWindow, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  FGrabbed = p == GrabSuccess || k == GrabSuccess;
  XFlush(d);
}

void TQzX11Window::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  const bool resized = Width != FParams.Width || Height != FParams.Height;
  FParams.Left = Left;
  FParams.Top = Top;
  FParams.Width = Width;
  FParams.Height = Height;
  if (Gone()) return;
  TOwnRequests own(FBackend->Dpy);
  if (resized && !FParams.Resizable && !FParams.ParentWindow && !FParams.Popup) SetSizeHints();
  const int x = FParams.ParentWindow ? 0 : Left, y = FParams.ParentWindow ? 0 : Top;
  XMoveResizeWindow(FBackend->Dpy, FWindow, x, y, static_cast<unsigned>(std::max(Width, 1)),
                    static_cast<unsigned>(std::max(Height, 1)));
  XFlush(FBackend->Dpy);
}

void TQzX11Window::SetVisible(bool Visible) {
  if (Visible == FVisible) return;
  FVisible = Visible;
  if (Gone()) return;
  TOwnRequests own(FBackend->Dpy);
  if (Visible) {
    XMapRaised(FBackend->Dpy, FWindow);
  } else {
    GrabInput(false);
    XUnmapWindow(FBackend->Dpy, FWindow);
  }
  XFlush(FBackend->Dpy);
}

void TQzX11Window::SetTitle(const std::string& Title) {
  FParams.Title = Title;
  if (FParams.ParentWindow || Gone()) return;
  TOwnRequests own(FBackend->Dpy);
  XStoreName(FBackend->Dpy, FWindow, Title.c_str());
  XChangeProperty(FBackend->Dpy, FWindow, FBackend->NET_WM_NAME, FBackend->UTF8_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(Title.data()), static_cast<int>(Title.size()));
}

void TQzX11Window::SetAlpha(uint8_t Alpha) {
  FParams.Alpha = Alpha;
  if (Gone()) return;
  TOwnRequests own(FBackend->Dpy);
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
  if (Gone()) return;
  TOwnRequests own(FBackend->Dpy);
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

namespace {
// A channel of a TrueColor visual: where its 8 bits go in a pixel.
struct TChannel {
  int Shift = 0, Bits = 0;
  explicit TChannel(unsigned long Mask) {
    if (!Mask) return;
    while (!(Mask & 1)) Mask >>= 1, ++Shift;
    while (Mask & 1) Mask >>= 1, ++Bits;
  }
  unsigned long Place(uint8_t V) const {
    if (!Bits) return 0;
    const unsigned long v = Bits >= 8 ? static_cast<unsigned long>(V) << (Bits - 8) : V >> (8 - Bits);
    return v << Shift;
  }
};
}  // namespace

void TQzX11Window::Present(TRasterImage* Surface, const TRect& Area) {
  if (Gone() || !FVisual) return;
  Display* d = FBackend->Dpy;
  const TRect r{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, Surface->GetWidth()),
                std::min(Area.Bottom, Surface->GetHeight())};
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  // Only TrueColor visuals are drawn; a palette visual would need colours allocated.
  if (FVisual->c_class != TrueColor || FDepth < 15) return;
  TOwnRequests own(d);
  XImage* img = XCreateImage(d, FVisual, static_cast<unsigned>(FDepth), ZPixmap, 0, nullptr, static_cast<unsigned>(w),
                             static_cast<unsigned>(h), 32, 0);
  if (!img) return;
  // XDestroyImage frees the data with free().
  img->data = static_cast<char*>(malloc(static_cast<size_t>(img->bytes_per_line) * static_cast<size_t>(h)));
  if (!img->data) {
    XDestroyImage(img);
    return;
  }
  const TChannel red(FVisual->red_mask), green(FVisual->green_mask), blue(FVisual->blue_mask);
  // A 32-bit window keeps its alpha in the bits no colour uses: opaque.
  const unsigned long colourBits = FVisual->red_mask | FVisual->green_mask | FVisual->blue_mask;
  const unsigned long alpha = FDepth == 32 ? (0xFFFFFFFFUL & ~colourBits) : 0;
  const bool direct = img->bits_per_pixel == 32 && img->byte_order == LSBFirst && red.Shift == 16 && red.Bits == 8 &&
                      green.Shift == 8 && green.Bits == 8 && blue.Shift == 0 && blue.Bits == 8;
  const int bpp = Surface->GetRawImage().Description.BitsPerPixel / 8;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = Surface->GetScanLine(r.Top + y) + r.Left * bpp;
    if (direct) {
      auto* dst = reinterpret_cast<uint8_t*>(img->data) + static_cast<size_t>(y) * static_cast<size_t>(img->bytes_per_line);
      const uint8_t a = alpha ? 0xFF : 0;
      for (int x = 0; x < w; ++x) {
        dst[x * 4 + 0] = src[x * bpp + 0];
        dst[x * 4 + 1] = src[x * bpp + 1];
        dst[x * 4 + 2] = src[x * bpp + 2];
        dst[x * 4 + 3] = a;
      }
      continue;
    }
    for (int x = 0; x < w; ++x)
      XPutPixel(img, x, y, red.Place(src[x * bpp + 2]) | green.Place(src[x * bpp + 1]) | blue.Place(src[x * bpp]) | alpha);
  }
  XPutImage(d, FWindow, FGC, img, 0, 0, r.Left, r.Top, static_cast<unsigned>(w), static_cast<unsigned>(h));
  XDestroyImage(img);
}

void TQzX11Window::TakeFocus() {
  if (FParams.Popup || Gone()) return;  // menus and hints leave the focus where it is
  TOwnRequests own(FBackend->Dpy);
  // A window that is not viewable (yet, or its parent is hidden) refuses the focus with an error,
  // which is ours and goes unseen: no round trip to ask first.
  if (FParams.ParentWindow) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(FBackend->Dpy, &focus, &revert);
    if (focus != FWindow) FFocusBefore = focus;
  }
  XSetInputFocus(FBackend->Dpy, FWindow, RevertToParent, CurrentTime);
  XFlush(FBackend->Dpy);
}

TPoint TQzX11Window::ScreenOrigin() const {
  Window child;
  int x = 0, y = 0;
  if (Gone()) return {FParams.Left, FParams.Top};
  TOwnRequests own(FBackend->Dpy);
  XTranslateCoordinates(FBackend->Dpy, FWindow, DefaultRootWindow(FBackend->Dpy), 0, 0, &x, &y, &child);
  return {x, y};
}

}  // namespace

std::unique_ptr<TQzWindowBackend> QzCreateX11Backend(const char* DisplayName) {
  // No display named and none in the environment: no attempt (and no message from Xlib).
  if (!DisplayName && !std::getenv("DISPLAY")) return nullptr;
  Display* d = XOpenDisplay(DisplayName);
  if (!d) return nullptr;
  // A server where no screen has a TrueColor visual of 15 bits or more (an 8-bit PseudoColor
  // one) would show the editor black: it is no display for us.
  XVisualInfo vi;
  bool drawable = false;
  for (int screen = 0; screen < ScreenCount(d) && !drawable; ++screen) drawable = OwnVisual(d, screen, vi);
  if (!drawable) {
    XCloseDisplay(d);
    return nullptr;
  }
  return std::make_unique<TQzX11Backend>(d);
}
