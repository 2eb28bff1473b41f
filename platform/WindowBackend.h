// The small interface between the toolkit's forms and the window system. Two backends stand
// behind it: off-screen (surfaces in memory, synthetic input, a clock that only moves when told;
// every test uses it) and X11 (Xlib). Either delivers its events through TQzWindowSink, so that
// synthetic input takes the same road as real input.
//
// Nothing here starts a thread: the backend is pumped from the host's GUI thread by
// Application->ProcessMessages, and all of it is for that thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"
#include "core/Types.h"

struct TQzWindowParams {
  std::string Title;
  int32_t Left = 0, Top = 0, Width = 1, Height = 1;
  uintptr_t ParentWindow = 0;  // a foreign native window to embed into; 0 for a top-level one
  bool Borderless = false;
  bool ToolWindow = false;
  bool StayOnTop = false;
  bool SkipTaskbar = false;
  uint8_t Alpha = 255;
  // What the window manager offers for a framed top-level window (BorderIcons, BorderStyle).
  bool CloseBox = true, MinimizeBox = true, MaximizeBox = true, Resizable = true;
  // A menu or a hint: no frame, above everything, never takes the focus and is not managed by
  // the window manager (override-redirect on X11). Left and Top are screen coordinates.
  bool Popup = false;

  // Takes over the decoration fields of From (what SetDecorations changes).
  void AssignDecorations(const TQzWindowParams& From) {
    Borderless = From.Borderless;
    ToolWindow = From.ToolWindow;
    CloseBox = From.CloseBox;
    MinimizeBox = From.MinimizeBox;
    MaximizeBox = From.MaximizeBox;
    Resizable = From.Resizable;
  }
};

enum TQzEventKind {
  qeMouseDown,
  qeMouseUp,
  qeMouseMove,
  qeMouseWheel,
  qeMouseLeave,
  qeKeyDown,
  qeKeyUp,
  qeChar,  // Text holds the UTF-8 of one typed character
  qeFocusIn,
  qeFocusOut,
  qeResize,  // Width, Height: the new client size
  qeMove,    // X, Y: the new screen position
  qeClose,   // the user asked to close the window
  qeExpose,  // Area needs to be shown again
};

struct TQzWindowEvent {
  TQzEventKind Kind = qeMouseMove;
  int32_t X = 0, Y = 0;  // client coordinates for mouse events
  TMouseButton Button = mbLeft;
  TShiftState Shift;
  int32_t WheelDelta = 0;  // 120 per notch, positive away from the user
  uint16_t Key = 0;        // virtual key code
  std::string Text;
  int32_t Width = 0, Height = 0;
  TRect Area;
};

// Receives the events of one native window (a form).
class TQzWindowSink {
public:
  virtual ~TQzWindowSink() = default;
  virtual void HandleWindowEvent(const TQzWindowEvent& Event) = 0;
};

class TQzNativeWindow {
public:
  virtual ~TQzNativeWindow() = default;
  // Position on the screen (or within the foreign parent) and client size.
  virtual void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) = 0;
  virtual void SetVisible(bool Visible) = 0;
  virtual void SetTitle(const std::string& Title) = 0;
  virtual void SetAlpha(uint8_t Alpha) = 0;
  virtual void SetStayOnTop(bool StayOnTop) = 0;
  // Takes over Borderless, ToolWindow, CloseBox, MinimizeBox, MaximizeBox and Resizable.
  virtual void SetDecorations(const TQzWindowParams& Params) = 0;
  // Shows Area (client coordinates) of the form's surface.
  virtual void Present(TRasterImage* Surface, const TRect& Area) = 0;
  virtual void TakeFocus() = 0;
  // A popup that tracks the mouse and keyboard takes all input of the display while it is shown
  // (input over the program's other windows still goes to them); False releases it.
  virtual void GrabInput(bool Grab) { (void)Grab; }
  virtual uintptr_t NativeHandle() const = 0;
  // False once the window system destroyed the window under us (with a foreign parent).
  virtual bool Alive() const { return true; }
  // The client origin in screen coordinates.
  virtual TPoint ScreenOrigin() const = 0;
};

class TQzWindowBackend {
public:
  virtual ~TQzWindowBackend() = default;
  virtual std::unique_ptr<TQzNativeWindow> CreateNativeWindow(TQzWindowSink* Sink, const TQzWindowParams& Params) = 0;
  // Delivers the events that are waiting; never blocks.
  virtual void Pump() = 0;
  // Whether events are known to wait, without asking the window system (no round trip, no
  // read): an event not yet read is found by the next Pump. True when it cannot tell.
  virtual bool EventsQueued() { return true; }
  // Blocks until an event may be waiting or TimeoutMs passed (the off-screen backend moves its
  // clock by the timeout instead). False when nothing can ever arrive.
  virtual bool WaitForEvents(uint64_t TimeoutMs) = 0;
  // Milliseconds, monotonic.
  virtual uint64_t Now() = 0;
  virtual int32_t ScreenWidth() = 0;
  virtual int32_t ScreenHeight() = 0;
  // The clipboard: text as UTF-8; a picture as PNG bytes (offered as image/png).
  virtual void SetClipboardText(const std::string& Text) = 0;
  virtual bool GetClipboardText(std::string& Text) = 0;
  virtual void SetClipboardPNG(std::vector<uint8_t> Png) = 0;
  virtual bool GetClipboardPNG(std::vector<uint8_t>& Png) = 0;
  // The clipboard's text without waiting for the program that holds it: Ready runs with at most
  // MaxBytes bytes of it, at once when the text is at hand, else from a later Pump when the
  // holder answers. A holder that refuses or never answers, or a newer request, drops it: Ready
  // never runs then.
  virtual void RequestClipboardText(size_t MaxBytes, std::function<void(const std::string& Text)> Ready) = 0;
  // True while the clipboard holds something this backend hands to other programs (dropping the
  // backend would lose it).
  virtual bool ServesClipboard() const { return false; }
  // False once the window system is gone for good (the server went away or dropped us): its
  // windows are lost and a new backend is needed. Asks the server when it must.
  virtual bool CheckConnection() { return true; }
  // False when Name (a display name as $DISPLAY gives it) is another server than the one this
  // backend shows its windows on; a window id means nothing on any other server.
  virtual bool OnDisplay(const char* Name) const {
    (void)Name;
    return true;
  }
};

// The backend in use. The off-screen backend is installed until another is set; the plug-in
// installs the X11 one when a host opens the editor. Setting a backend while forms have
// windows is not allowed (their windows would belong to the old one): it answers False.
TQzWindowBackend& QzWindowBackend();
bool QzSetWindowBackend(std::unique_ptr<TQzWindowBackend> Backend);
// True once a backend was set on purpose; the default off-screen one is not a choice, and a
// real host replaces it with the X11 one before its first window.
bool QzWindowBackendChosen();
// Drops the backend (closing its display connection) and goes back to the default; False while
// windows exist. For a library that must let go of an X server before it goes away.
bool QzResetWindowBackend();
// Number of native windows alive (of any backend); backends count theirs in and out.
int QzNativeWindowCount();
void QzCountNativeWindow(int Delta);

// ---- off-screen backend ----

class TQzOffscreenWindow;

class TQzOffscreenBackend : public TQzWindowBackend {
public:
  TQzOffscreenBackend();
  ~TQzOffscreenBackend() override;
  std::unique_ptr<TQzNativeWindow> CreateNativeWindow(TQzWindowSink* Sink, const TQzWindowParams& Params) override;
  void Pump() override;
  bool EventsQueued() override { return !FQueue.empty(); }
  bool WaitForEvents(uint64_t TimeoutMs) override;
  uint64_t Now() override { return FNow; }
  int32_t ScreenWidth() override { return FScreenWidth; }
  int32_t ScreenHeight() override { return FScreenHeight; }
  void SetClipboardText(const std::string& Text) override;
  bool GetClipboardText(std::string& Text) override;
  void SetClipboardPNG(std::vector<uint8_t> Png) override;
  bool GetClipboardPNG(std::vector<uint8_t>& Png) override;
  void RequestClipboardText(size_t MaxBytes, std::function<void(const std::string& Text)> Ready) override;

  // ---- for tests ----
  void AdvanceClock(uint64_t Ms) { FNow += Ms; }
  void SetScreenSize(int32_t Width, int32_t Height);
  // Queues an event for the window with this handle; Pump delivers it.
  void Post(uintptr_t Window, const TQzWindowEvent& Event);
  // Conveniences: queue the events a real mouse or keyboard would cause.
  void MouseMove(uintptr_t Window, int32_t X, int32_t Y, TShiftState Shift = {});
  void MouseDown(uintptr_t Window, int32_t X, int32_t Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
  void MouseUp(uintptr_t Window, int32_t X, int32_t Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
  void Click(uintptr_t Window, int32_t X, int32_t Y, TMouseButton Button = mbLeft, TShiftState Shift = {});
  void Wheel(uintptr_t Window, int32_t X, int32_t Y, int32_t Delta, TShiftState Shift = {});
  void Key(uintptr_t Window, uint16_t Key, TShiftState Shift = {}, const std::string& Text = "");
  void Focus(uintptr_t Window, bool In);
  // What the window shows: the last presented pixels (32-bit, top-down), or nullptr.
  const TBitmap* Screen(uintptr_t Window) const;
  TQzOffscreenWindow* Window(uintptr_t Handle) const;
  const std::vector<TQzOffscreenWindow*>& Windows() const { return FWindows; }

private:
  friend class TQzOffscreenWindow;
  uint64_t FNow = 0;
  int32_t FScreenWidth = 1920, FScreenHeight = 1080;
  uintptr_t FNextHandle = 1;
  std::vector<TQzOffscreenWindow*> FWindows;
  std::deque<std::pair<uintptr_t, TQzWindowEvent>> FQueue;
  std::string FClipText;
  bool FHasClipText = false;
  std::vector<uint8_t> FClipPng;
  bool FHasClipPng = false;
};

class TQzOffscreenWindow : public TQzNativeWindow {
public:
  TQzOffscreenWindow(TQzOffscreenBackend* Backend, TQzWindowSink* Sink, const TQzWindowParams& Params, uintptr_t Handle);
  ~TQzOffscreenWindow() override;
  void SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) override;
  void SetVisible(bool Visible) override { FVisible = Visible; }
  void SetTitle(const std::string& Title) override { FParams.Title = Title; }
  void SetAlpha(uint8_t Alpha) override { FParams.Alpha = Alpha; }
  void SetStayOnTop(bool StayOnTop) override { FParams.StayOnTop = StayOnTop; }
  void SetDecorations(const TQzWindowParams& P) override;
  void Present(TRasterImage* Surface, const TRect& Area) override;
  void TakeFocus() override;
  void GrabInput(bool Grab) override { FGrabbed = Grab; }
  uintptr_t NativeHandle() const override { return FHandle; }
  TPoint ScreenOrigin() const override;

  const TQzWindowParams& Params() const { return FParams; }
  bool Visible() const { return FVisible; }
  bool Grabbed() const { return FGrabbed; }
  const TBitmap* Screen() const { return &FScreen; }
  int PresentCount() const { return FPresentCount; }
  TQzWindowSink* Sink() const { return FSink; }

private:
  TQzOffscreenBackend* FBackend;
  TQzWindowSink* FSink;
  TQzWindowParams FParams;
  uintptr_t FHandle;
  bool FVisible = false;
  bool FGrabbed = false;
  TBitmap FScreen;
  int FPresentCount = 0;
};

// ---- popups ----

// A frameless window above all others that never takes the focus: menus and hints. Its native
// window exists only while it is shown; it shows the whole surface, which the owner paints.
class TQzPopupWindow : public TQzWindowSink {
public:
  TQzPopupWindow();
  ~TQzPopupWindow() override;
  TQzPopupWindow(const TQzPopupWindow&) = delete;
  TQzPopupWindow& operator=(const TQzPopupWindow&) = delete;
  // Sizes the surface to Width x Height (cleared to Background) for painting before ShowAt.
  TCanvas* BeginPaint(int32_t Width, int32_t Height, TColor Background);
  // Shows the surface with its top-left corner at a screen point; moves it when showing.
  void ShowAt(int32_t Left, int32_t Top);
  void Close();
  bool Showing() const { return FWindow != nullptr; }
  // Shows the surface again after painting on it.
  void Present();
  TBitmap* GetSurface() { return &FSurface; }
  TQzNativeWindow* GetNativeWindow() const { return FWindow.get(); }
  uintptr_t NativeHandle() const { return FWindow ? FWindow->NativeHandle() : 0; }
  TRect ScreenRect() const { return FScreenRect; }
  void HandleWindowEvent(const TQzWindowEvent& Event) override;

private:
  TBitmap FSurface;
  std::unique_ptr<TQzNativeWindow> FWindow;
  TRect FScreenRect;
};

// Installs a fresh off-screen backend and answers it (for tests); nullptr when windows exist.
TQzOffscreenBackend* QzUseOffscreenBackend();

// ---- X11 backend ----

// Connects to the display (nullptr: $DISPLAY); nullptr when no connection can be made.
//
// The backend lives in a host's process beside the host's own X connection and error handler:
// every request of ours runs with an error handler that swallows the errors of our own
// connection and hands any other to the handler it replaced, which it puts back afterwards, so
// that no error of ours reaches Xlib's default handler (which would end the host). Windows watch
// their own destruction and their foreign parent's: a window the host destroyed is never used
// again. Pictures are shown with the window's own visual and depth (a 32-bit ARGB parent's).
// Nothing waits for the server at the end of a request: it is flushed. The connection belongs to
// the process that opened it; in a fork's child it counts as lost and sends nothing, ever.
std::unique_ptr<TQzWindowBackend> QzCreateX11Backend(const char* DisplayName);
