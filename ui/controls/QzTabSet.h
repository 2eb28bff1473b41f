// A horizontal strip of tabs, drawn as raised tabs or as gradient buttons, with an optional
// image per tab and hot tracking; and its notebook variant, whose tabs are the pages of a
// toolkit notebook and whose active tab switches the notebook's page.
//
// Only the user's gestures report: a left click on a tab fires OnActiveTabChanged (every such
// click, changed or not); setting ActiveTab from code calls ActiveTabChanged (the notebook
// follows) but fires no event.
//
// Focus: TabStop is off as for any control and a click takes no focus; with TabStop set and the
// focus reached by Tab, Left and Right scroll the strip.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/ImgList.h"
#include "ui/controls/QzButtons.h"
#include "ui/framework/QzCtrls.h"

enum TQzTabSetStyle : uint8_t { tssTabs, tssButtons };
enum TQzTabSetOption { tsoShowText, tsoEnableScrolling };
using TQzTabSetOptions = TSet<TQzTabSetOption>;

// The image index of a tab (Index); the tab's own index when unassigned.
using TQzTabSetEvent01 = std::function<int32_t(TObject* Sender, int32_t Index)>;

class TQzCustomTabSet : public TQzCustomWinControl {
public:
  explicit TQzCustomTabSet(TComponent* AOwner);
  ~TQzCustomTabSet() override;
  std::string ClassName() const override { return "TQzCustomTabSet"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The captions; the list is owned and its changes keep ActiveTab in range.
  TStringList* GetTabs() const { return FTabs.get(); }

  int32_t GetTabSize() const { return FTabSize; }
  // Below 10 becomes 10.
  void SetTabSize(int32_t Value);
  uint16_t GetIndent() const { return FIndent; }
  // Kept within 0..65535.
  void SetIndent(int32_t Value);
  int32_t GetPaddingHorz() const { return FPaddingHorz; }
  void SetPaddingHorz(int32_t Value);
  int32_t GetPaddingVert() const { return FPaddingVert; }
  void SetPaddingVert(int32_t Value);
  TQzTabSetStyle GetStyle() const { return FStyle; }
  void SetStyle(TQzTabSetStyle Value);
  TQzTabSetOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzTabSetOptions Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // Stored and streamed only: the tab under the mouse is tracked whatever it holds, and a raised
  // tab (tssTabs) under it is drawn in the hot colour; buttons have no hot look.
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  int32_t GetActiveTab() const { return FActiveTab; }
  // Held within 0..TabCount-1 (-1 without tabs); a change calls ActiveTabChanged.
  void SetActiveTab(int32_t Value);
  int32_t GetHotTab() const { return FHotTab; }
  // The tab width in use: TabSize, at most 32767.
  int16_t GetTabWidth() const { return FTabWidth; }
  int32_t GetScrollOffset() const { return FScrollOffset; }
  // The offset that brings the last tab's right edge to the right edge of the tab area (0 when
  // all fit).
  int32_t GetMaxScrollOffset() const;
  // The client width less the scroll buttons while they show.
  int32_t GetTabAreaWidth() const;
  // The two buttons show while tsoEnableScrolling is set and the tabs do not fit; index 0
  // scrolls towards the first tab, 1 towards the last.
  TQzButton* GetScrollButton(int Index) const { return Index == 0 ? FScrollButtons[0] : FScrollButtons[1]; }

  // The first tab whose whole rectangle holds the point; -1 for none.
  int32_t TabAtPos(int32_t X, int32_t Y) const;
  // Part 0 the whole tab, 1 the image (empty without Images), 2 the caption; empty for an
  // index outside the tabs.
  TRect GetTabPartRect(int32_t Index, int Part) const;
  // Half a tab towards the start or the end; False when already there.
  bool ScrollLeft();
  bool ScrollRight();

  virtual int32_t GetTabCount() const { return FTabs->Count(); }
  virtual std::string GetTabCaption(int32_t Index) const;
  virtual TColor GetActiveTabColor() const;

  TNotifyEvent OnActiveTabChanged;
  TQzTabSetEvent01 OnGetImageIndex;

  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void CMMouseLeave(TMessage& Message) override;
  void FontChanged(TObject* Sender) override;
  void ThemeChanged() override;
  void CreateHandle() override;
  void Loaded() override;

protected:
  virtual void ActiveTabChanged() {}
  // The list's change event.
  void TabsChanged(TObject* Sender);
  // Marks the metrics as stale and, once the window exists, computes them now rather than in
  // Paint, so that a paint never resizes the control.
  void MetricsChanged();
  void UpdateMetrics();
  void Paint() override;
  // ActiveTab stored without ActiveTabChanged (held in range).
  void SetActiveTabQuiet(int32_t Value);
  int32_t ClampTab(int32_t Value) const;
  void Resize() override;
  // Shows or hides the scroll buttons as the tabs fit or not; never called from Paint.
  void UpdateScrollButtons();

private:
  struct TColors;
  TColors Colors() const;
  TFont* TabFont() const;
  void DrawTab(TCanvas* C, const TColors& K, int32_t Index, const TRect& R, bool Active);
  void DrawImage(TCanvas* C, int32_t Index);
  void SetScrollOffset(int32_t Value);
  void ScrollButtonClick(TObject* Sender);

  std::unique_ptr<TStringList> FTabs;
  TQzButton* FScrollButtons[2] = {nullptr, nullptr};
  int32_t FTabSize = 75;
  uint16_t FIndent = 5;
  int32_t FPaddingHorz = 2;
  int32_t FPaddingVert = 2;
  TQzTabSetStyle FStyle = tssButtons;
  TQzTabSetOptions FOptions{tsoShowText};
  TAlignment FAlignment = taCenter;
  bool FHotTrack = false;
  TCustomImageList* FImages = nullptr;
  int32_t FActiveTab = -1;
  int16_t FTabWidth = 75;
  int32_t FScrollOffset = 0;
  int32_t FHotTab = -1;
  uint8_t FMouseState = 0;
  bool FNeedsMetrics = true;
};

class TQzTabSet : public TQzCustomTabSet {
public:
  using TQzCustomTabSet::TQzCustomTabSet;
  std::string ClassName() const override { return "TQzTabSet"; }
};

// Tabs from a notebook's pages (caption, or the page's name when the caption is empty). The
// notebook may belong to another owner: freeing it first leaves the link nil.
class TQzCustomNotebookTabSet : public TQzCustomTabSet {
public:
  using TQzCustomTabSet::TQzCustomTabSet;
  std::string ClassName() const override { return "TQzCustomNotebookTabSet"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TNotebook* GetNotebook() const { return FNotebook; }
  // Takes the notebook's page as the active tab, quietly.
  void SetNotebook(TNotebook* Value);

  int32_t GetTabCount() const override;
  std::string GetTabCaption(int32_t Index) const override;

protected:
  void ActiveTabChanged() override;

private:
  TNotebook* FNotebook = nullptr;
};

class TQzNotebookTabSet : public TQzCustomNotebookTabSet {
public:
  using TQzCustomNotebookTabSet::TQzCustomNotebookTabSet;
  std::string ClassName() const override { return "TQzNotebookTabSet"; }
};

// Registers the tab sets with the form reader and the notebook tab set's row with the theme
// manager; idempotent.
void RegisterQzTabSetClasses();
