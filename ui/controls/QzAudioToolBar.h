// The plug-in tool bar: the strip along the top of the editor. A power switch at the left, the
// compare slots "A", "B", "C" next to it, an optional caption or preset box, and command
// buttons standing right-aligned in ordinal order (the highest ordinal at the right edge). It
// never interprets a preset: it hands memory streams to its owner through OnGetPreset (fill it
// with the present state) and OnSetPreset (restore the state from it).
//
// Contracts:
// - A change of Active, from code or by the user (a click on the switch), shows the state,
//   enables or disables the audio controls beside the bar, then fires OnActiveChanged. The bar
//   has no keys of its own.
// - Only what is drawn answers the mouse: the switch always; the three drawn slots only with
//   tboShowPresetCompare; slots and buttons only while Active and enabled. Rectangles are
//   GDI's (right and bottom edges exclusive), so every pixel belongs to at most one part.
// - A slot click first saves the present state into the slot being left, then restores the
//   chosen slot with one OnSetPreset call carrying its whole stream; a slot still empty is
//   filled with the present state and nothing is loaded.
// - A preset the manager's chooser answers for (SelectPreset True) is handed to OnSetPreset
//   rewound, whatever the chooser wrote into it; reading it is the owner's business.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Classes.h"
#include "ui/controls/QzAudioBackground.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/controls/QzAudioPresetManager.h"

// Ordinal 11 is unused; the set keeps its bit free.
enum TQzAudioPluginToolBarButton {
  ptbAddPreset,
  ptbEditPreset,
  ptbSavePreset,
  ptbLoadPreset,
  ptbCopyPreset,
  ptbDeletePreset,
  ptbReset,
  ptbEdit,
  ptbResize,
  ptbPresets,
  ptbSettings,
  ptbReserved,
  ptbHelp,
  ptbAbout,
};
using TQzAudioPluginToolBarButtons = TSet<TQzAudioPluginToolBarButton>;

// tboHotTrack is stored and streamed only: hot tracking is always on.
enum TQzAudioPluginToolBarOption {
  tboHotTrack,
  tboMoveWindow,
  tboShowCaption,
  tboShowPresetCompare,
  tboShowPresetSelect,
  tboShowBorder,
};
using TQzAudioPluginToolBarOptions = TSet<TQzAudioPluginToolBarOption>;

enum TQzAudioPluginToolBarButtonStyle { tbsTransparent, tbsTransparentFrame, tbsSolid, tbsGradient };

using TQzAudioPluginToolBarEvent01 = std::function<void(TObject* Sender, TQzAudioPluginToolBarButton Button)>;
using TQzAudioPluginToolBarEvent02 = std::function<void(TObject* Sender, TStream* Stream)>;
// (Sender, Button) -> the index of the button's picture in Images. The button under the mouse
// draws its picture plainly, every other one in the list's selected style, whatever drawing
// style the list holds: the bar's hover look.
using TQzAudioPluginToolBarEvent03 = std::function<int32_t(TObject* Sender, TQzAudioPluginToolBarButton Button)>;

class TQzCustomAudioPluginToolBar : public TQzCustomAudioBackgroundWinControl {
public:
  static constexpr int32_t SlotCount = 5;
  // Slots 0 .. DrawnSlots - 1 are drawn and clickable; the others only keep their streams.
  static constexpr int32_t DrawnSlots = 3;
  // GetSlotAtPos answers these beside the slot indexes.
  static constexpr int32_t SwitchIndex = 255;
  static constexpr int32_t NoSlot = -1;
  // The pressed index of a press on the empty area (a window drag may follow).
  static constexpr int32_t EmptyAreaIndex = 101;
  // The height of the chooser the preset manager is asked to open.
  static constexpr int32_t PresetChooserHeight = 350;

  explicit TQzCustomAudioPluginToolBar(TComponent* AOwner);
  ~TQzCustomAudioPluginToolBar() override;
  std::string ClassName() const override { return "TQzCustomAudioPluginToolBar"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;

  bool GetActive() const { return (FFlags & 1u) != 0; }
  // When changed: stores, repaints, sets Enabled of the audio windowed controls and audio
  // switch controls directly on a windowed owner, then fires OnActiveChanged.
  void SetActive(bool Value);
  TQzAudioPluginToolBarButtons GetVisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TQzAudioPluginToolBarButtons Value);
  TQzAudioPluginToolBarOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzAudioPluginToolBarOptions Value);
  TQzAudioPluginToolBarButtonStyle GetButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TQzAudioPluginToolBarButtonStyle Value);
  TQzAudioSwitchStyle GetSwitchStyle() const { return FSwitchStyle; }
  void SetSwitchStyle(TQzAudioSwitchStyle Value);
  TQzCustomAudioPresetManager* GetPresetManager() const { return FPresetManager; }
  void SetPresetManager(TQzCustomAudioPresetManager* Value);

  // Geometry, in client coordinates, each square shrunk by Padding.
  TRect GetSwitchRect() const;
  TRect GetCompareSlotRect(int32_t Index) const;
  TRect GetButtonRect(TQzAudioPluginToolBarButton Button) const;
  // Between the slots (or the switch) and the buttons.
  TRect GetPresetSelectRect() const;
  // The visible button under the point while Active and enabled, else -1.
  int32_t GetButtonAtPos(int32_t X, int32_t Y) const;
  // SwitchIndex, a drawn slot (see the contract above), or NoSlot.
  int32_t GetSlotAtPos(int32_t X, int32_t Y) const;

  int32_t GetCurrentSlot() const { return FCurrentSlot; }
  int32_t GetHotButton() const { return FHotButton; }
  // The compare slot's stream; nullptr outside 0 .. SlotCount - 1.
  TMemoryStream* GetSlotStream(int32_t Index) const;

  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void CMMouseLeave(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

  TQzAudioPluginToolBarEvent01 OnBtnClick;
  TQzAudioPluginToolBarEvent02 OnGetPreset;
  TQzAudioPluginToolBarEvent02 OnSetPreset;
  TQzAudioPluginToolBarEvent03 OnGetImageIndex;
  TNotifyEvent OnActiveChanged;

protected:
  void Paint() override;

private:
  // Enabled of the audio windowed and switch controls directly on a windowed owner, the bar
  // itself left out.
  void EnableNeighbours(bool Value);
  void SelectSlot(int32_t Slot);
  void ButtonPressed(TQzAudioPluginToolBarButton Button);
  TRect Square(int32_t Left) const;
  bool Clickable() const { return GetActive() && IsEnabled(); }
  void PaintSlots(TCanvas* C);
  void PaintButtons(TCanvas* C);
  void PaintPresetArea(TCanvas* C);

  TQzAudioPluginToolBarButtons FVisibleButtons{ptbAddPreset, ptbSavePreset, ptbLoadPreset};
  TQzAudioPluginToolBarButtonStyle FButtonStyle = tbsTransparentFrame;
  std::array<std::unique_ptr<TMemoryStream>, SlotCount> FSlots;
  TQzAudioSwitchStyle FSwitchStyle = awsYellow;
  TQzAudioPluginToolBarOptions FOptions;
  TQzCustomAudioPresetManager* FPresetManager = nullptr;
  TPoint FLastCursor{};
  uint32_t FFlags = 1;
  uint8_t FMouseMode = 0;
  int32_t FHotButton = -1;
  int32_t FCurrentSlot = 0;
  int32_t FPressed = -1;
};

class TQzAudioPluginToolBar : public TQzCustomAudioPluginToolBar {
public:
  using TQzCustomAudioPluginToolBar::TQzCustomAudioPluginToolBar;
  std::string ClassName() const override { return "TQzAudioPluginToolBar"; }
};

// Registers the tool bar classes, their enumerations and published properties with the form
// reader; idempotent.
void RegisterQzAudioToolBarClasses();
