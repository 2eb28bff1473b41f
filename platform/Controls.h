// The toolkit's controls: TControl (windowless controls painted on their parent, TGraphicControl),
// TWinControl / TCustomControl (controls that hold children, take the focus and have a canvas of
// their own), alignment with border spacing, anchors and constraints, painting, mouse, keyboard,
// focus and the system caret.
//
// Painting: every form keeps one 32-bit surface. Invalidate marks a rectangle of it; the event
// pump (Application->ProcessMessages) repaints marked rectangles from the form downwards, each
// control clipped to its bounds and its parents': a windowed control first erases its background
// (EraseBackground, with its Color) unless its style holds csParentBackground, so that such a
// control shows its parent's painting under it; then Paint; then its children, windowless ones
// below windowed ones. A control's Canvas draws on the form surface at the control's place, also
// outside Paint. Refresh paints at once; inside a paint it only marks, so Paint is never
// re-entered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Graphics.h"
#include "core/Types.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TBasicAction;

using HWND = uintptr_t;

// ---- messages ----

struct TMessage {
  uint32_t Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};
using TLMessage = TMessage;

enum : uint32_t {
  WM_SIZE = 0x0005,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_ERASEBKGND = 0x0014,
  CM_BASE = 0xB000,
  CM_ACTIVATE = CM_BASE + 0,
  CM_DEACTIVATE = CM_BASE + 1,
  CM_PARENTFONTCHANGED = CM_BASE + 8,
  CM_PARENTCOLORCHANGED = CM_BASE + 9,
  CM_VISIBLECHANGED = CM_BASE + 11,
  CM_ENABLEDCHANGED = CM_BASE + 12,
  CM_COLORCHANGED = CM_BASE + 13,
  CM_FONTCHANGED = CM_BASE + 14,
  CM_TEXTCHANGED = CM_BASE + 18,
  CM_MOUSEENTER = CM_BASE + 19,
  CM_MOUSELEAVE = CM_BASE + 20,
  CM_ENTER = CM_BASE + 26,
  CM_EXIT = CM_BASE + 27,
  CM_CONTROLCHANGE = CM_BASE + 36,
  CM_CHANGED = CM_BASE + 37,
  // The widget layer's "the control lost the focus" notice; nothing handles it by default.
  LM_EXIT = 0x1043C,
};

// ---- input ----

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble, ssMeta, ssSuper };
using TShiftState = TSet<TShiftStateFlag>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Virtual key codes (the keyboard's layout-independent key numbers).
enum : uint16_t {
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_MENU = 18,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_F1 = 112,
};

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int32_t WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TUTF8KeyPressEvent = std::function<void(TObject* Sender, std::string& UTF8Key)>;

// ---- layout ----

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TControlStyleFlag {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground,
  csNoFocus,
  csAutoSizeKeepChildLeft,
};
using TControlStyle = TSet<TControlStyleFlag>;

enum TControlStateFlag { csLButtonDown, csClicked, csPalette, csReadingState, csFocusing, csCreating, csPaintCopy,
                         csCustomPaint, csDestroyingHandle, csDocking, csVisibleSetInLoading };
using TControlState = TSet<TControlStateFlag>;

class TControl;

// Space kept around an aligned control: Around plus the side's own value. Between two aligned
// neighbours the larger of the two facing spacings applies.
class TControlBorderSpacing : public TPersistent {
public:
  explicit TControlBorderSpacing(TControl* AControl) : FControl(AControl) {}
  std::string ClassName() const override { return "TControlBorderSpacing"; }
  void Assign(TPersistent* Source) override;
  int32_t GetAround() const { return FAround; }
  void SetAround(int32_t Value);
  int32_t GetLeft() const { return FLeft; }
  void SetLeft(int32_t Value);
  int32_t GetTop() const { return FTop; }
  void SetTop(int32_t Value);
  int32_t GetRight() const { return FRight; }
  void SetRight(int32_t Value);
  int32_t GetBottom() const { return FBottom; }
  void SetBottom(int32_t Value);
  int32_t SpaceLeft() const { return FAround + FLeft; }
  int32_t SpaceTop() const { return FAround + FTop; }
  int32_t SpaceRight() const { return FAround + FRight; }
  int32_t SpaceBottom() const { return FAround + FBottom; }

private:
  void Changed();
  TControl* FControl;
  int32_t FAround = 0, FLeft = 0, FTop = 0, FRight = 0, FBottom = 0;
};

// Size limits of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
public:
  explicit TSizeConstraints(TControl* AControl) : FControl(AControl) {}
  std::string ClassName() const override { return "TSizeConstraints"; }
  void Assign(TPersistent* Source) override;
  int32_t GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(int32_t Value);
  int32_t GetMinHeight() const { return FMinHeight; }
  void SetMinHeight(int32_t Value);
  int32_t GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int32_t Value);
  int32_t GetMaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(int32_t Value);
  void Apply(int32_t& Width, int32_t& Height) const;

private:
  void Changed();
  TControl* FControl;
  int32_t FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

// The canvas of one control: drawing lands on the form surface at the control's place, clipped
// to what of the control is visible.
class TControlCanvas : public TCanvas {
public:
  explicit TControlCanvas(TControl* AControl);
  ~TControlCanvas() override;
  std::string ClassName() const override { return "TControlCanvas"; }
  TControl* GetControl() const { return FControl; }
  // Binds the canvas to the current surface, origin and clip of its control.
  void Update();
  // Narrows the clip to the area being painted (form coordinates) until EndRestrict; a paint
  // that asks for its canvas again keeps drawing only there.
  void Restrict(const TRect& FormRect);
  void EndRestrict() { FRestricted = false; }
  // Lets go of the form's pixels (the control left its form); the next Update binds anew.
  void Unbind();

private:
  TControl* FControl;
  bool FRestricted = false;
  TRect FRestrict;
  HDC FDC = nullptr;
  HBITMAP FSurface = nullptr;
  // The form surface FSurface lies over (TCustomForm::SurfaceStamp, unique in the process).
  uint64_t FSurfaceStamp = 0;
};

// ---- TControl ----

class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void SetParentComponent(TComponent* Value) override;

  // Tree.
  TWinControl* GetParent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  // The form the control is on (nullptr when it is on none).
  TCustomForm* GetParentForm() const;

  // Geometry, relative to the parent's client area.
  int32_t GetLeft() const { return FLeft; }
  int32_t GetTop() const { return FTop; }
  int32_t GetWidth() const { return FWidth; }
  int32_t GetHeight() const { return FHeight; }
  void SetLeft(int32_t Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int32_t Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int32_t Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int32_t Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  // Constraints applied; nothing happens when the bounds do not change.
  virtual void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight);
  TRect GetBoundsRect() const { return Rect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }
  virtual TRect GetClientRect() const;
  int32_t GetClientWidth() const;
  int32_t GetClientHeight() const;
  void SetClientWidth(int32_t Value);
  void SetClientHeight(int32_t Value);
  void SetClientSize(int32_t W, int32_t H);
  // The client origin in screen coordinates.
  virtual TPoint GetClientOrigin() const;
  TPoint ClientToScreen(TPoint P) const;
  TPoint ScreenToClient(TPoint P) const;
  // The client origin relative to the form's surface.
  TPoint FormOffset() const;

  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TControlBorderSpacing* GetBorderSpacing() const { return FBorderSpacing.get(); }
  TSizeConstraints* GetConstraints() const { return FConstraints.get(); }
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  // AutoSize: the size the control would like; 0 leaves a side as it is.
  virtual void CalculatePreferredSize(int32_t& PreferredWidth, int32_t& PreferredHeight);
  void AdjustSize();

  bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible with every parent up to a form that is showing.
  bool IsShowing() const;
  bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  // Enabled with the whole parent chain.
  bool IsEnabled() const;

  TColor GetColor() const { return FColor; }
  virtual void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value);
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  // Fired by any change of Font.
  virtual void FontChanged(TObject* Sender);

  // Caption and Text are the same string.
  const std::string& GetCaption() const { return FText; }
  void SetCaption(const std::string& Value) { SetText(Value); }
  const std::string& GetText() const { return FText; }
  virtual void SetText(const std::string& Value);
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // Whether the hint shows when the mouse rests on the control. Setting it clears
  // ParentShowHint; with ParentShowHint the parent's setting applies (a form has none: off).
  bool GetShowHint() const;
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value) { FParentShowHint = Value; }

  TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  TBasicAction* GetAction() const { return FAction; }
  void SetAction(TBasicAction* Value);
  // Takes over what an action shows (caption, hint, enabled, visible).
  virtual void ActionChange(TBasicAction* Sender);

  TControlStyle ControlStyle;
  TControlState ControlState;
  int32_t HelpContext = 0;

  // Painting.
  virtual void Invalidate();
  // Paints now (inside a paint: marks only).
  virtual void Refresh();
  void Repaint() { Refresh(); }
  void Update();
  TCanvas* GetCanvas();

  // Messages: Perform sends one to WndProc, which routes the known ones to the handlers below.
  intptr_t Perform(uint32_t Msg, intptr_t WParam = 0, intptr_t LParam = 0);
  virtual void WndProc(TMessage& Message);
  virtual void WMSize(TMessage& Message);
  virtual void CMTextChanged(TMessage& Message);
  virtual void CMFontChanged(TMessage& Message);
  virtual void CMColorChanged(TMessage& Message);
  virtual void CMParentFontChanged(TMessage& Message);
  virtual void CMParentColorChanged(TMessage& Message);
  virtual void CMEnabledChanged(TMessage& Message);
  virtual void CMVisibleChanged(TMessage& Message);
  virtual void CMMouseEnter(TMessage& Message);
  virtual void CMMouseLeave(TMessage& Message);

  // Input, called by the form's dispatch with client coordinates.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseMove(TShiftState Shift, int32_t X, int32_t Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  virtual void Click();
  virtual void DblClick();
  // WheelDelta: 120 per notch away from the user. True when handled.
  virtual bool DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;

protected:
  virtual void Resize();
  // Announces a change of the control's value to itself (CM_CHANGED, LParam the control).
  void Changed();
  virtual void Paint() {}
  virtual void VisibleChanging() {}
  virtual void TextChanged() {}
  // Parent-relative rectangle where the control's pixels go.
  friend class TWinControl;
  friend class TCustomForm;
  friend class TControlCanvas;
  friend class TControlBorderSpacing;
  friend class TSizeConstraints;
  // Called by the parent's painting with the canvas ready.
  virtual void PaintControl(const TRect& FormClip);
  void RequestAlign();
  // Moves the focus away from this control (or a child) before it goes.
  void ReleaseFocus();

  TWinControl* FParent = nullptr;
  int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::unique_ptr<TControlCanvas> FCanvas;

private:
  void ParentColorChanged();
  void ParentFontChanged();
  // Off its form: the canvases of the control and of its children keep no pointer into that
  // form's pixels, which go with the form.
  void ForgetSurface();

  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  std::unique_ptr<TControlBorderSpacing> FBorderSpacing;
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FAutoSize = false;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  bool FParentColor = false;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  bool FUpdatingFont = false;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TPopupMenu* FPopupMenu = nullptr;
  TBasicAction* FAction = nullptr;
};

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);
  std::string ClassName() const override { return "TGraphicControl"; }
  TCanvas* GetCanvas() { return TControl::GetCanvas(); }
};

// ---- TWinControl ----

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }
  void Loaded() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* GetControl(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* AControl) const;
  // The deepest visible child (not self) at a client point; disabled ones only when asked.
  TControl* ControlAtPos(TPoint P, bool AllowDisabled, bool AllowWinControls = true) const;

  // The window exists: on the way to being shown, or when asked for with HandleNeeded. Children
  // get theirs with their parent's. Creating it sends WM_SIZE.
  bool HandleAllocated() const { return FHandleAllocated; }
  void HandleNeeded();
  HWND GetHandle();
  virtual void CreateHandle();
  virtual void DestroyHandle();

  // Alignment of the children.
  virtual void AdjustClientRect(TRect& ARect);
  virtual void AlignControls(TControl* AControl, TRect& ARect);
  void Realign();
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();

  // Background erase before Paint; the default fills the client area with Color.
  virtual void EraseBackground(HDC DC);
  bool DoubleBuffered = false;
  TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  virtual void SetBorderStyle(TBorderStyle Value);

  // Focus.
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value) { FTabStop = Value; }
  int32_t GetTabOrder() const;
  void SetTabOrder(int32_t Value);
  virtual bool CanFocus() const;
  bool Focused() const;
  virtual void SetFocus();
  // Children that take the focus, in tab order (all levels).
  void GetTabOrderList(std::vector<TWinControl*>& List) const;
  virtual void DoEnter();
  virtual void DoExit();
  virtual void WMSetFocus(TMessage& Message);
  virtual void WMKillFocus(TMessage& Message);
  virtual void CMEnter(TMessage& Message);
  virtual void CMExit(TMessage& Message);
  void WndProc(TMessage& Message) override;

  // Keyboard, called by the form's dispatch on the focused control.
  virtual void KeyDown(uint16_t& Key, TShiftState Shift);
  virtual void KeyUp(uint16_t& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  virtual void UTF8KeyPress(std::string& UTF8Key);

  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void SetVisible(bool Value) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TUTF8KeyPressEvent OnUTF8KeyPress;
  TNotifyEvent OnPaint;

protected:
  friend class TControl;
  friend class TCustomForm;
  void PaintControl(const TRect& FormClip) override;
  void PaintChildren(const TRect& FormClip);
  void AnchorChildren(int32_t OldWidth, int32_t OldHeight);

  std::vector<TControl*> FControls;
  int32_t FTabOrder = -1;

private:
  bool FHandleAllocated = false;
  bool FTabStop = false;
  int FAlignLevel = 0;
  bool FAlignPending = false;
  bool FAligning = false;
  TBorderStyle FBorderStyle = bsNone;
};

// A windowed control that paints itself: Paint raises OnPaint.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomControl"; }
  TCanvas* GetCanvas() { return TControl::GetCanvas(); }

protected:
  void Paint() override;
};

// ---- mouse capture and the system caret ----

TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);

// One caret for the process, shown in the control that created it; drawn inverted over the
// form's pixels.
bool CreateCaret(HWND Window, HBITMAP Bitmap, int Width, int Height);
bool DestroyCaret();
bool ShowCaret(HWND Window);
bool HideCaret(HWND Window);
bool SetCaretPos(int X, int Y);
bool GetCaretPos(TPoint* Point);
// For drawing and tests: the caret rectangle on its form's surface, when it is showing.
bool QzCaretRect(TCustomForm* Form, TRect& R);

// Looks a control up by the handle its windowed control reports.
TWinControl* FindControl(HWND Handle);

// A drawing context over a windowed control's pixels on its form (GetWindowDC: the same, as
// controls have no frame of their own), origin at the control's top-left corner, clipped to
// what of it is visible; nullptr for an unknown handle or a form without a surface.
// ReleaseDC frees it and shows what was drawn.
HDC GetDC(HWND Window);
HDC GetWindowDC(HWND Window);
int ReleaseDC(HWND Window, HDC DC);
