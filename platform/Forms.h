// Forms, the application object and the screen: a form is a top-level control with a native
// window of the active window backend (WindowBackend.h), either a window of its own or one
// embedded in a foreign window (ParentWindow).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/WindowBackend.h"

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop, fsSplash, fsSystemStayOnTop };
enum TShowInTaskbar { stDefault, stAlways, stNever };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter,
  poWorkAreaCenter
};
enum TFormState { fsCreating, fsVisible, fsShowing, fsModal, fsActivated };
using TModalResult = int32_t;
enum : TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrClose = 11 };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& CloseAction)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TCustomControl, public TQzWindowSink {
public:
  // An empty form (CreateNew). Forms read from a stored description call InitForm at the end
  // of their constructor.
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  std::string ClassName() const override { return "TCustomForm"; }
  void Loaded() override;

  // Reads the form description ResourceName into this form, then OnCreate. Raises EReadError
  // (bad description) or EResNotFound (no such description).
  void InitForm(const std::string& ResourceName);

  void Show();
  void Hide();
  // OnCloseQuery, then OnClose with the action (caHide for a form that is not modal); a modal
  // form ends its ShowModal with mrCancel.
  void Close();
  // Shows the form and pumps events until ModalResult is set or the form is hidden.
  virtual TModalResult ShowModal();
  TModalResult ModalResult = mrNone;
  // Frees the form at the next pump (safe from the form's own handlers).
  void Release();

  void SetVisible(bool Value) override;
  void SetText(const std::string& Value) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  TPoint GetClientOrigin() const override;
  void SetFocus() override;
  bool CanFocus() const override { return GetVisible() && GetEnabled(); }

  TBorderIcons GetBorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons Value);
  void SetBorderStyle(TBorderStyle Value) override;
  TFormStyle GetFormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle Value);
  TShowInTaskbar GetShowInTaskBar() const { return FShowInTaskBar; }
  void SetShowInTaskBar(TShowInTaskbar Value) { FShowInTaskBar = Value; }
  TPosition GetPosition() const { return FPosition; }
  void SetPosition(TPosition Value) { FPosition = Value; }
  bool GetAlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(bool Value);
  uint8_t GetAlphaBlendValue() const { return FAlphaBlendValue; }
  void SetAlphaBlendValue(uint8_t Value);
  // A foreign native window to live in, at (0, 0) of it; 0 for a window of its own.
  uintptr_t GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(uintptr_t Value);
  bool KeyPreview = false;

  TWinControl* GetActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* Control);
  // Window focus as the window system reports it.
  bool GetActive() const { return FActive; }
  // Moves the focus to the next (or previous) control in tab order.
  void SelectNext(TWinControl* CurControl, bool GoForward);
  // Called by a control that is going (hidden, disabled, freed) while it holds the focus.
  void FocusControlGone(TControl* Control);

  // The surface the form paints on; its size is the client size.
  TBitmap* GetSurface() const { return FSurface.get(); }
  // Names the surface's pixels as they are now: new on every resize, and never the same for two
  // forms of the process (several editors live side by side).
  uint64_t SurfaceStamp() const { return FSurfaceStamp; }
  TQzNativeWindow* GetNativeWindow() const { return FWindow.get(); }
  // Marks a rectangle (form coordinates) for the next paint. Marks are merged until the paint:
  // overlapping ones into one, distant ones (two meters' needles) kept apart, so that the paint
  // does not cover what lies between them.
  void InvalidateFormRect(const TRect& R);
  // What is marked and not yet painted, as one bounding rectangle (empty when the form is up
  // to date).
  TRect GetInvalidRect() const { return FDirty; }
  // Paints and shows what is marked now, unless a paint is under way.
  void UpdateForm();
  bool IsPainting() const { return FPainting; }
  // The mouse as the form tracks it: the control under it (for enter and leave).
  TControl* GetMouseControl() const { return FMouseControl; }
  void ControlGone(TControl* Control);

  void CreateHandle() override;
  void DestroyHandle() override;
  // The window system took the native window away (another client destroyed it, or the
  // connection to the server was lost): the form hides and lets go of it, so that showing it
  // again makes a new one. Nothing happens while the window lives.
  void DropLostWindow();
  // Places the form in the middle of the primary screen now (a form embedded in a host's window
  // keeps its place there).
  void CenterOnScreen();
  // From the native window.
  void HandleWindowEvent(const TQzWindowEvent& Event) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

protected:
  virtual void DoCreate();
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  virtual void DoClose(TCloseAction& Action);
  virtual bool CloseQuery();
  void PaintControl(const TRect& FormClip) override;

private:
  void EnsureSurface();
  void UpdateWindowParams();
  TQzWindowParams WindowParams() const;
  void DispatchMouse(const TQzWindowEvent& E);
  void DispatchKey(const TQzWindowEvent& E);
  void SetWindowActive(bool Active);
  void ChangeMouseControl(TControl* Control);

  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormStyle FFormStyle = fsNormal;
  TShowInTaskbar FShowInTaskBar = stDefault;
  TPosition FPosition = poDesigned;
  bool FAlphaBlend = false;
  uint8_t FAlphaBlendValue = 255;
  uintptr_t FParentWindow = 0;
  TWinControl* FActiveControl = nullptr;
  bool FActive = false;
  bool FShownOnce = false;
  bool FModal = false;
  bool FPainting = false;
  bool FReleasing = false;
  std::unique_ptr<TBitmap> FSurface;
  uint64_t FSurfaceStamp = 0;
  std::unique_ptr<TQzNativeWindow> FWindow;
  TRect FDirty;
  // The marked areas, pairwise disjoint; their bounds are FDirty.
  std::vector<TRect> FDirtyAreas;
  TControl* FMouseControl = nullptr;
  TControl* FClickControl = nullptr;
  uint32_t FButtons = 0;
  uint64_t FLastDownTime = 0;
  TPoint FLastDownPos;
  TMouseButton FLastDownButton = mbLeft;
  TControl* FLastDownControl = nullptr;
  bool FDoubleDown = false;
  bool FFromWindow = false;
  bool FCountedShown = false;
  void CountShown();
};

// Forms shown now, in the whole process. Any thread may ask (a host thread that wants the
// toolkit asks whether another thread's windows are up).
int QzShownFormCount();

class TForm : public TCustomForm {
public:
  using TCustomForm::TCustomForm;
  std::string ClassName() const override { return "TForm"; }
};

// The screen: its size as the window backend reports it.
class TScreen : public TComponent {
public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TScreen"; }
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* GetForm(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
  TCustomForm* GetActiveForm() const;

private:
  friend class TCustomForm;
  friend class TApplication;
  std::vector<TCustomForm*> FForms;
};

// The application object: owner of forms and process-wide shared components, and the event
// pump. It is created before any other static object of the program and freed after them.
class TApplication : public TComponent {
public:
  using TComponent::TComponent;
  ~TApplication() override;
  std::string ClassName() const override { return "TApplication"; }
  void Initialize() { FInitialized = true; }
  bool Initialized() const { return FInitialized; }
  std::string Title;
  // One round of the pump: window events, due timers, deferred frees, repaints. Re-entrant
  // calls (from a handler it runs) return at once.
  void ProcessMessages();
  // For a host's idle call: true when this one may leave the pump out. Hosts idle 25 to 60
  // times a second, some far more often; under a fast host (idles less than 12 ms apart) the
  // pumps are paced at 60 a second and the idles between them wait, unless window events are
  // queued, a form has something to paint or a form waits to be freed. Timers, meters and
  // paints then run as often however fast the host idles, and advance by their clock.
  bool IdleCanWait();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  TNotifyEvent OnIdle;
  // An exception that escaped a handler run by the pump; without a handler it is dropped, as it
  // must never reach the host.
  std::function<void(TObject* Sender, const std::exception& E)> OnException;
  void HandleException(TObject* Sender, const std::exception& E);

  // Used by TTimer (ExtCtrls.h): timers due at or before now fire, each at most once a pump.
  void RegisterTimer(class TTimer* Timer);
  void UnregisterTimer(class TTimer* Timer);
  // Milliseconds to the next due timer (UINT64_MAX without timers).
  uint64_t NextTimerDue() const;
  int TimerCount() const { return static_cast<int>(FTimers.size()); }
  void ReleaseForm(TCustomForm* Form);
  void FormGone(TCustomForm* Form);

  // Hints: the short hint (before a "|") of a control whose ShowHint is on shows in a small
  // window below the pointer once the pointer rested HintPause ms on it, for HintHidePause ms;
  // leaving the control, a click, a key or the wheel hide it.
  bool ShowHint = true;
  uint32_t HintPause = 500;
  uint32_t HintHidePause = 2500;
  TColor HintColor = clInfoBk;
  void CancelHint();
  // From the forms: the pointer is over Control (nullptr: over none) at a screen point.
  void HintMouseMessage(TControl* Control, TPoint ScreenPos);
  void HintControlGone(TControl* Control);
  // A control is being freed: nothing of the application (hint, paste) points to it any more.
  void ControlGone(TControl* Control);
  // DropLostWindow for every form, and the hint closed when its window was lost.
  void DropLostWindows();
  bool HintShowing() const;
  const std::string& HintText() const { return FHintText; }
  // The hint's window, 0 when none is showing.
  uintptr_t HintWindowHandle() const;

private:
  void RunTimers();
  void HintTimerFired();
  void ShowHintWindow();
  TControl* FHintControl = nullptr;
  TPoint FHintPos;
  std::string FHintText;
  class TTimer* FHintTimer = nullptr;
  std::unique_ptr<TQzPopupWindow> FHintWindow;
  bool FInitialized = false;
  bool FTerminated = false;
  int FPumping = 0;
  std::vector<class TTimer*> FTimers;
  std::vector<TCustomForm*> FReleased;
  uint64_t FLastIdle = 0;
  // When the next paced pump is due, in thirds of a millisecond of the backend's clock.
  uint64_t FNextPumpThirds = 0;
};

extern TApplication* Application;
extern TScreen* Screen;

// Registers the toolkit's classes, enumerations and published properties with the form
// reader; idempotent (done when Application is created).
void RegisterToolkitClasses();
