// The LED switch group: a row or column of LED push switches, one per line of Items, each with
// a checked state. With ASG_SINGLE_SELECTION it behaves as a radio group, otherwise as
// independent toggles.
//
// Every change of a state reports OnChanged (through DoChanged, so nothing while updating): from
// code (Checked[i], a change of Items) as from a left click, which checks the item under single
// selection and toggles it otherwise. The group has no keys of its own and draws no focus; a
// click takes the focus only when TabStop is set (it is off by default). An items change that
// leaves no item checked checks item 0, in every selection mode; Options change no state.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzAudioBase.h"

enum TQzAudioBorderStyle { absNone, absRaised, absSunken };
enum TQzAudioSwitchGroupOption { ASG_SINGLE_SELECTION, ASG_SHOW_TEXT };
using TQzAudioSwitchGroupOptions = TSet<TQzAudioSwitchGroupOption>;
enum TQzAudioSwitchGroupImageAlign { siaLeft, siaTop, siaRight, siaBottom };
// (Sender, Index) -> the image index of item Index.
using TQzAudioSwitchGroupEvent01 = std::function<int32_t(TObject* Sender, int32_t Index)>;

// The theme pictures of a checked and of an unchecked switch.
inline constexpr uint16_t QzThemeSwitchCheckedPictureID = 61006;
inline constexpr uint16_t QzThemeSwitchUncheckedPictureID = 61007;

class TQzCustomAudioSwitchGroup : public TQzCustomAudioOrientationWinControl {
public:
  // 100 x 35, items "A" and "B" unchecked, Padding 2, both options, yellow switches.
  explicit TQzCustomAudioSwitchGroup(TComponent* AOwner);
  ~TQzCustomAudioSwitchGroup() override;
  std::string ClassName() const override { return "TQzCustomAudioSwitchGroup"; }
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  // Measures "X" in the control's font; only once the window exists.
  void UpdateLayout() override;

  TStringList* GetItems() const { return FItems.get(); }
  // Copies Value's lines into Items.
  void SetItems(TStringList* Value);
  int32_t ItemCount() const { return static_cast<int32_t>(FChecked.size()); }
  // False for an index out of range.
  bool GetChecked(int32_t Index) const;
  // Ignored out of range or when unchanged. Under single selection every other item is cleared
  // first. Then repaints and reports the change (DoChanged).
  void SetChecked(int32_t Index, bool State);
  // The item under the last left click (-1 for a click beside every item, or before any).
  int32_t GetItemIndex() const { return FClickedIndex; }

  // The item's rectangle: the cells share the extent less Padding on both ends, the last cell
  // taking the remainder, each cell shrunk by one pixel on every side.
  TRect GetItemRect(int32_t Index) const;
  // The first item whose rectangle holds the point (edges included), or -1.
  int32_t ItemAtPos(int32_t X, int32_t Y) const;

  TQzAudioSwitchStyle GetStyle() const { return FStyle; }
  void SetStyle(TQzAudioSwitchStyle Value);
  TQzAudioSwitchStyle GetSelectedStyle() const { return FSelectedStyle; }
  void SetSelectedStyle(TQzAudioSwitchStyle Value);
  // Stored and streamed; the painting does not use it.
  TQzAudioBorderStyle GetAudioBorderStyle() const { return FBorderStyle; }
  void SetAudioBorderStyle(TQzAudioBorderStyle Value);
  TQzAudioSwitchGroupOptions GetOptions() const { return FOptions; }
  // Lays out and repaints, then announces the change (CM_CHANGED); the states stay as they are,
  // so switching single selection on may leave several items checked until the next click.
  void SetOptions(TQzAudioSwitchGroupOptions Value);
  TQzAudioSwitchGroupImageAlign GetImageAlign() const { return FImageAlign; }
  void SetImageAlign(TQzAudioSwitchGroupImageAlign Value);
  // Themed: the faces take the theme's switch pictures (those it holds), made transparent;
  // unthemed they are emptied, so the LED switches come back. Then a repaint.
  void ThemeChanged() override;
  // Faces drawn instead of the LED switches while they hold a picture (a theme's).
  TBitmap* GetCheckedPicture() const { return FCheckedPicture.get(); }
  TBitmap* GetUncheckedPicture() const { return FUncheckedPicture.get(); }
  // Size of "X" in the control's font, from the last layout with a window.
  int32_t GetTextWidth() const { return FTextWidth; }
  int32_t GetTextHeight() const { return FTextHeight; }

  TQzAudioSwitchGroupEvent01 OnGetImageIndex;

protected:
  void Paint() override;

private:
  void ItemsChanged();
  void PaintItem(TCanvas* C, int32_t Index, bool Enabled);
  // (start, cell) along the orientation's extent.
  void Cells(int32_t& Start, int32_t& Cell) const;

  std::unique_ptr<TBitmap> FCheckedPicture;
  std::unique_ptr<TBitmap> FUncheckedPicture;
  TQzAudioSwitchStyle FStyle = awsYellow;
  TQzAudioSwitchStyle FSelectedStyle = awsYellow;
  TQzAudioBorderStyle FBorderStyle = absNone;
  TQzAudioSwitchGroupOptions FOptions{ASG_SINGLE_SELECTION, ASG_SHOW_TEXT};
  TQzAudioSwitchGroupImageAlign FImageAlign = siaLeft;
  std::unique_ptr<TStringList> FItems;
  int32_t FTextWidth = 0, FTextHeight = 0;
  std::vector<bool> FChecked;
  uint8_t FMouseMode = 0;
  uint8_t FItemGap = 1;
  int32_t FClickedIndex = -1;
};

class TQzAudioSwitchGroup : public TQzCustomAudioSwitchGroup {
public:
  using TQzCustomAudioSwitchGroup::TQzCustomAudioSwitchGroup;
  std::string ClassName() const override { return "TQzAudioSwitchGroup"; }
};

// Registers the switch group and its enumerations with the form reader (idempotent).
void RegisterQzAudioSwitchGroupClasses();
