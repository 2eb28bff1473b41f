#include <algorithm>

#include "platform/WindowBackend.h"

namespace {

int gNativeWindows = 0;
// Set once a backend was installed on purpose (a test's off-screen one, the X11 one).
bool gChosen = false;

TQzWindowEvent MouseEvent(TQzEventKind Kind, int32_t X, int32_t Y, TShiftState Shift) {
  TQzWindowEvent e;
  e.Kind = Kind;
  e.X = X;
  e.Y = Y;
  e.Shift = Shift;
  return e;
}

// Made before the toolkit's application object (init priority 200) and so freed after it: a
// form still alive at the end lets go of its window while the backend is there.
__attribute__((init_priority(199))) std::unique_ptr<TQzWindowBackend> gBackend;

std::unique_ptr<TQzWindowBackend>& Current() { return gBackend; }

}  // namespace

TQzWindowBackend& QzWindowBackend() {
  auto& b = Current();
  if (!b) b = std::make_unique<TQzOffscreenBackend>();
  return *b;
}

bool QzSetWindowBackend(std::unique_ptr<TQzWindowBackend> Backend) {
  if (gNativeWindows > 0 || !Backend) return false;
  Current() = std::move(Backend);
  gChosen = true;
  return true;
}

bool QzWindowBackendChosen() { return gChosen; }

bool QzResetWindowBackend() {
  if (gNativeWindows > 0) return false;
  Current().reset();
  gChosen = false;
  return true;
}

int QzNativeWindowCount() { return gNativeWindows; }
void QzCountNativeWindow(int Delta) { gNativeWindows += Delta; }

TQzOffscreenBackend* QzUseOffscreenBackend() {
  auto b = std::make_unique<TQzOffscreenBackend>();
  TQzOffscreenBackend* raw = b.get();
  return QzSetWindowBackend(std::move(b)) ? raw : nullptr;
}

uint64_t GetTickCount64() { return QzWindowBackend().Now(); }

// ---- backend ----

TQzOffscreenBackend::TQzOffscreenBackend() = default;
TQzOffscreenBackend::~TQzOffscreenBackend() = default;

std::unique_ptr<TQzNativeWindow> TQzOffscreenBackend::CreateNativeWindow(TQzWindowSink* Sink,
                                                                         const TQzWindowParams& Params) {
  return std::make_unique<TQzOffscreenWindow>(this, Sink, Params, FNextHandle++);
}

void TQzOffscreenBackend::Pump() {
  // Events posted while pumping wait for the next round, as a real queue would deliver them.
  size_t n = FQueue.size();
  while (n-- > 0 && !FQueue.empty()) {
    auto [handle, event] = FQueue.front();
    FQueue.pop_front();
    if (TQzOffscreenWindow* w = Window(handle)) w->Sink()->HandleWindowEvent(event);
  }
}

bool TQzOffscreenBackend::WaitForEvents(uint64_t TimeoutMs) {
  if (!FQueue.empty()) return true;
  FNow += TimeoutMs;
  return false;
}

void TQzOffscreenBackend::SetClipboardText(const std::string& Text) {
  FClipText = Text;
  FHasClipText = true;
  FHasClipPng = false;
  FClipPng.clear();
}

bool TQzOffscreenBackend::GetClipboardText(std::string& Text) {
  if (!FHasClipText) return false;
  Text = FClipText;
  return true;
}

void TQzOffscreenBackend::SetClipboardPNG(std::vector<uint8_t> Png) {
  FClipPng = std::move(Png);
  FHasClipPng = true;
  FHasClipText = false;
  FClipText.clear();
}

bool TQzOffscreenBackend::GetClipboardPNG(std::vector<uint8_t>& Png) {
  if (!FHasClipPng) return false;
  Png = FClipPng;
  return true;
}

void TQzOffscreenBackend::RequestClipboardText(size_t MaxBytes, std::function<void(const std::string& Text)> Ready) {
  if (FHasClipText && Ready) Ready(FClipText.substr(0, MaxBytes));
}

void TQzOffscreenBackend::SetScreenSize(int32_t Width, int32_t Height) {
  FScreenWidth = std::max(Width, 1);
  FScreenHeight = std::max(Height, 1);
}

void TQzOffscreenBackend::Post(uintptr_t Window, const TQzWindowEvent& Event) { FQueue.emplace_back(Window, Event); }

void TQzOffscreenBackend::MouseMove(uintptr_t W, int32_t X, int32_t Y, TShiftState Shift) {
  Post(W, MouseEvent(qeMouseMove, X, Y, Shift));
}

void TQzOffscreenBackend::MouseDown(uintptr_t W, int32_t X, int32_t Y, TMouseButton Button, TShiftState Shift) {
  MouseMove(W, X, Y, Shift);
  TQzWindowEvent e = MouseEvent(qeMouseDown, X, Y, Shift);
  e.Button = Button;
  Post(W, e);
}

void TQzOffscreenBackend::MouseUp(uintptr_t W, int32_t X, int32_t Y, TMouseButton Button, TShiftState Shift) {
  TQzWindowEvent e = MouseEvent(qeMouseUp, X, Y, Shift);
  e.Button = Button;
  Post(W, e);
}

void TQzOffscreenBackend::Click(uintptr_t W, int32_t X, int32_t Y, TMouseButton Button, TShiftState Shift) {
  MouseDown(W, X, Y, Button, Shift);
  MouseUp(W, X, Y, Button, Shift);
}

void TQzOffscreenBackend::Wheel(uintptr_t W, int32_t X, int32_t Y, int32_t Delta, TShiftState Shift) {
  TQzWindowEvent e = MouseEvent(qeMouseWheel, X, Y, Shift);
  e.WheelDelta = Delta;
  Post(W, e);
}

void TQzOffscreenBackend::Key(uintptr_t W, uint16_t Key, TShiftState Shift, const std::string& Text) {
  TQzWindowEvent e;
  e.Kind = qeKeyDown;
  e.Key = Key;
  e.Shift = Shift;
  Post(W, e);
  std::string t = Text;
  if (t.empty() && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
    if (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_TAB || Key == VK_BACK || Key == VK_SPACE)
      t = std::string(1, static_cast<char>(Key));
    else if (Key >= '0' && Key <= '9')
      t = std::string(1, static_cast<char>(Key));
    else if (Key >= 'A' && Key <= 'Z')
      t = std::string(1, static_cast<char>(Shift.Contains(ssShift) ? Key : Key + 32));
  }
  if (!t.empty()) {
    TQzWindowEvent c;
    c.Kind = qeChar;
    c.Text = t;
    c.Shift = Shift;
    Post(W, c);
  }
  TQzWindowEvent u = e;
  u.Kind = qeKeyUp;
  Post(W, u);
}

void TQzOffscreenBackend::Focus(uintptr_t W, bool In) {
  TQzWindowEvent e;
  e.Kind = In ? qeFocusIn : qeFocusOut;
  Post(W, e);
}

TQzOffscreenWindow* TQzOffscreenBackend::Window(uintptr_t Handle) const {
  for (TQzOffscreenWindow* w : FWindows)
    if (w->NativeHandle() == Handle) return w;
  return nullptr;
}

const TBitmap* TQzOffscreenBackend::Screen(uintptr_t W) const {
  TQzOffscreenWindow* w = Window(W);
  return w ? w->Screen() : nullptr;
}

// ---- window ----

TQzOffscreenWindow::TQzOffscreenWindow(TQzOffscreenBackend* Backend, TQzWindowSink* Sink,
                                       const TQzWindowParams& Params, uintptr_t Handle)
    : FBackend(Backend), FSink(Sink), FParams(Params), FHandle(Handle) {
  FScreen.SetPixelFormat(pf32bit);
  FScreen.SetSize(std::max(Params.Width, 1), std::max(Params.Height, 1));
  FBackend->FWindows.push_back(this);
  QzCountNativeWindow(1);
}

TQzOffscreenWindow::~TQzOffscreenWindow() {
  auto& v = FBackend->FWindows;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  auto& q = FBackend->FQueue;
  q.erase(std::remove_if(q.begin(), q.end(), [this](const auto& p) { return p.first == FHandle; }), q.end());
  QzCountNativeWindow(-1);
}

void TQzOffscreenWindow::SetBounds(int32_t Left, int32_t Top, int32_t Width, int32_t Height) {
  FParams.Left = Left;
  FParams.Top = Top;
  if (Width != FParams.Width || Height != FParams.Height) {
    FParams.Width = Width;
    FParams.Height = Height;
    FScreen.SetSize(std::max(Width, 1), std::max(Height, 1));
  }
}

void TQzOffscreenWindow::SetDecorations(const TQzWindowParams& P) {
  FParams.AssignDecorations(P);
}

void TQzOffscreenWindow::Present(TRasterImage* Surface, const TRect& Area) {
  ++FPresentCount;
  const int32_t w = std::min(Surface->GetWidth(), FScreen.GetWidth());
  const int32_t h = std::min(Surface->GetHeight(), FScreen.GetHeight());
  const TRect r{std::max(Area.Left, 0), std::max(Area.Top, 0), std::min(Area.Right, w), std::min(Area.Bottom, h)};
  const int bpp = Surface->GetRawImage().Description.BitsPerPixel / 8;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    const uint8_t* src = Surface->GetScanLine(y);
    uint8_t* dst = FScreen.GetScanLine(y);
    for (int32_t x = r.Left; x < r.Right; ++x) {
      dst[x * 4 + 0] = src[x * bpp + 0];
      dst[x * 4 + 1] = src[x * bpp + 1];
      dst[x * 4 + 2] = src[x * bpp + 2];
      dst[x * 4 + 3] = 255;
    }
  }
}

void TQzOffscreenWindow::TakeFocus() {
  // One focused window at a time, as a window manager gives it.
  for (TQzOffscreenWindow* w : FBackend->FWindows)
    if (w != this) FBackend->Focus(w->FHandle, false);
  FBackend->Focus(FHandle, true);
}

TPoint TQzOffscreenWindow::ScreenOrigin() const { return {FParams.Left, FParams.Top}; }

// ---- popups ----

TQzPopupWindow::TQzPopupWindow() { FSurface.SetPixelFormat(pf32bit); }

TQzPopupWindow::~TQzPopupWindow() = default;

TCanvas* TQzPopupWindow::BeginPaint(int32_t Width, int32_t Height, TColor Background) {
  FSurface.SetSize(std::max(Width, 1), std::max(Height, 1));
  TCanvas* c = FSurface.GetCanvas();
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(Background);
  c->FillRect(Rect(0, 0, FSurface.GetWidth(), FSurface.GetHeight()));
  return c;
}

void TQzPopupWindow::ShowAt(int32_t Left, int32_t Top) {
  const int32_t w = FSurface.GetWidth(), h = FSurface.GetHeight();
  FScreenRect = Rect(Left, Top, Left + w, Top + h);
  if (!FWindow) {
    TQzWindowParams p;
    p.Left = Left;
    p.Top = Top;
    p.Width = w;
    p.Height = h;
    p.Borderless = true;
    p.StayOnTop = true;
    p.SkipTaskbar = true;
    p.Popup = true;
    FWindow = QzWindowBackend().CreateNativeWindow(this, p);
  }
  FWindow->SetBounds(Left, Top, w, h);
  FWindow->SetVisible(true);
  Present();
}

void TQzPopupWindow::Close() {
  if (!FWindow) return;
  FWindow->GrabInput(false);
  FWindow->SetVisible(false);
  FWindow.reset();
}

void TQzPopupWindow::Present() {
  if (FWindow) FWindow->Present(&FSurface, Rect(0, 0, FSurface.GetWidth(), FSurface.GetHeight()));
}

void TQzPopupWindow::HandleWindowEvent(const TQzWindowEvent& Event) {
  if (Event.Kind == qeExpose) Present();
}
