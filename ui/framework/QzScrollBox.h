// A windowed container that scrolls its own drawing with two own-drawn scroll bars, and the
// scroll bar itself. The container keeps a scroll position (X, Y) that descendants use as the
// origin of what they paint; the bars are its children, aligned to the right and bottom edges.
//
// Themed (a scrolling parent's active theme manager), the bars draw through the manager's
// scroll-bar services: the background as part 0, the thumb as part 1 (inactive or at rest), 2
// (under the mouse) or 3 (dragged), and take their thickness from the theme's scroll-bar sizes.
// Otherwise they draw plainly: the toolkit's theme services do not exist on this platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/StdCtrls.h"
#include "ui/framework/QzAudioBase.h"
#include "ui/framework/QzCtrls.h"

// Orientation follows Align: alTop or alBottom horizontal, anything else vertical.
class TQzCustomScrollBar : public TQzCustomWinControl {
public:
  // Kind is always 4; a handler may change Position, which the bar does not read back.
  using TQzScrollBarChangeEvent = std::function<void(TObject* Sender, int32_t Kind, int32_t& Position)>;
  // Thumb parts, as ThumbHitTest and the hot and pressed parts name them.
  static constexpr int32_t kNoPart = -1, kHorzThumb = 1, kVertThumb = 2;

  explicit TQzCustomScrollBar(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomScrollBar"; }

  bool IsHorizontal() const { return GetAlign() == alTop || GetAlign() == alBottom; }
  int32_t GetPosition() const { return FPosition; }
  // Held within Min..Max; when that differs from Position: store, repaint, change event.
  void SetScrollPosition(int32_t Value);
  // Position held within Min..Max, repainted, no change event: the container's own refresh.
  void ShowPosition(int32_t Value);
  int32_t GetMin() const { return FMin; }
  int32_t GetMax() const { return FMax; }
  // A range change pulls the other bound and the position along; it reports nothing.
  void SetMin(int32_t Value);
  void SetMax(int32_t Value);
  uint32_t GetPagePercentage() const { return FPagePercentage; }
  // Held within 0..100; 0 and 100 give a thumb over the whole track.
  void SetPagePercentage(uint32_t Value);
  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  int32_t GetHotPart() const { return FHotPart; }
  int32_t GetPressedPart() const { return FPressedPart; }

  // Track length: the client side along the bar less a one-pixel frame at each end.
  int32_t TrackLength() const;
  // At least twice the bar's thickness (a thumb one can grab), never longer than the track.
  int32_t CalcThumbSize() const;
  // Kind 1 horizontal, 2 vertical; a Kind that does not match the orientation gives the client
  // rectangle. Kept as the current thumb rectangle.
  TRect GetThumbRect(int32_t Kind);
  int32_t ThumbHitTest(int32_t X, int32_t Y);
  // Takes the theme link of a scrolling parent.
  void InheritParentTheme();

  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void EraseBackground(HDC DC) override;
  void CMMouseLeave(TMessage& Message) override;

  TQzScrollBarChangeEvent OnChange;

protected:
  void Paint() override;

private:
  int32_t Thickness() const { return IsHorizontal() ? GetHeight() : GetWidth(); }
  int32_t Part() const { return IsHorizontal() ? kHorzThumb : kVertThumb; }
  // The manager's thumb part: 1 at rest or inactive, 2 hot, 3 dragged with the left button.
  int ThemedThumbPart() const;
  void FireChange();

  TPoint FLastMouse{0, 0};
  TRect FThumbRect{0, 0, 0, 0};
  uint8_t FDragState = 0;  // 0 none, 1 left button, 2 right button
  int32_t FPosition = 0;
  int32_t FGrabOffset = 0;
  int32_t FThumbSize = 0;
  int32_t FMin = 0;
  int32_t FMax = 100;
  uint32_t FPagePercentage = 100;
  int32_t FHotPart = kNoPart;
  int32_t FPressedPart = kNoPart;
  bool FActive = true;
};

class TQzCustomScrollingWinControl : public TQzCustomWinControl {
public:
  explicit TQzCustomScrollingWinControl(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomScrollingWinControl"; }

  TQzCustomScrollBar* GetHorzScrollBar() const { return FHorzBar; }
  TQzCustomScrollBar* GetVertScrollBar() const { return FVertBar; }
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  int32_t GetWheelStep() const { return FWheelStep; }
  void SetWheelStep(int32_t Value) { FWheelStep = Value; }
  int32_t GetScrollX() const { return FScrollX; }
  int32_t GetScrollY() const { return FScrollY; }
  int32_t GetHorzMin() const { return FHorzBar->GetMin(); }
  int32_t GetHorzMax() const { return FHorzBar->GetMax(); }
  int32_t GetVertMin() const { return FVertBar->GetMin(); }
  int32_t GetVertMax() const { return FVertBar->GetMax(); }
  void SetHorzRange(int32_t Min, int32_t Max);
  void SetVertRange(int32_t Min, int32_t Max);

  // Direction 0 scrolls up by the wheel step, 1 down; others do nothing.
  virtual void ScrollByWheel(TObject* Sender, TShiftState Shift, int Direction, TPoint MousePos);
  virtual void MouseWheelUpScroll(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  virtual void MouseWheelDownScroll(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  // A bar moved: the vertical one sets Y, any other sender X.
  virtual void ScrollBarChange(TObject* Sender, int32_t Kind, int32_t& Position);
  virtual void ScrollBarMouseDown() {}
  virtual void ScrollBarMouseUp() {}
  // Repaint, then UpdateScrollBars.
  virtual void ScrollPositionChanged();
  virtual void Relayout() { UpdateScrollBars(); }
  // The client area less a visible bar and the edge borders.
  virtual int32_t GetScrollClientWidth() const;
  virtual int32_t GetScrollClientHeight() const;
  // Bar sizes, bar visibility, then the scroll position held in each bar's range and shown.
  void UpdateScrollBars();

  // The wheel goes to scrolling (the user's OnMouseWheelUp / OnMouseWheelDown still come first).
  void MouseWheelUpHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) override;
  void MouseWheelDownHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) override;
  void ThemeChanged() override;
  void WMSize(TMessage& Message) override;

private:
  TQzCustomScrollBar* FHorzBar = nullptr;
  TQzCustomScrollBar* FVertBar = nullptr;
  TScrollStyle FScrollBars = ssBoth;
  int32_t FWheelStep = 1;
  int32_t FScrollX = 0;
  int32_t FScrollY = 0;
};

// The container joined to the audio layer: a time-base client with an update counter, an
// auto-invalidate switch and a needs-layout flag. Transparent-looking (csParentBackground) at
// creation; caption = the class name.
class TQzCustomAudioScrollingWinControl : public TQzCustomScrollingWinControl, public TQzAudioTimeBaseClient {
public:
  explicit TQzCustomAudioScrollingWinControl(TComponent* AOwner);
  ~TQzCustomAudioScrollingWinControl() override;
  std::string ClassName() const override { return "TQzCustomAudioScrollingWinControl"; }
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TQzCustomAudioTimeBase* GetTimeBase() const { return FTimeBase; }
  // Leaves the old time base, joins the new one.
  void SetTimeBase(TQzCustomAudioTimeBase* Value);
  bool GetAutoInvalidate() const { return FAutoInvalidate; }
  void SetAutoInvalidate(bool Value) { FAutoInvalidate = Value; }
  bool NeedsLayout() const { return FNeedsLayout; }
  int32_t GetUpdateCount() const { return FUpdateCount; }

  // Clears the needs-layout flag.
  virtual void UpdateLayout() { FNeedsLayout = false; }
  void TimeBaseTick(TObject*, uint32_t) override {}
  virtual void AudioChanged() {}
  virtual void AudioInvalidate() { Invalidate(); }

  // The bars are laid out again (as in the container), then UpdateLayout.
  void WMSize(TMessage& Message) override;
  // Repaints when AutoInvalidate is set.
  void CMTextChanged(TMessage& Message) override;

private:
  TQzCustomAudioTimeBase* FTimeBase = nullptr;
  int32_t FUpdateCount = 0;
  bool FAutoInvalidate = true;
  bool FNeedsLayout = true;
};

// Registers the scroll bar's and the container's properties with the form reader; idempotent.
void RegisterQzScrollBoxClasses();
