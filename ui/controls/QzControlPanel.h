// A vertical stack of collapsible boxes. The panel lays its boxes out one below the other in the
// order of their Top, at full width, and the last visible expanded box fills the remaining
// height. Each box owns a header strip along its top with the caption and four small buttons:
// expand/collapse, hide, move down and move up.
//
// Membership: a box belongs to the panel it is parented to from that moment on (not only after
// a layout), leaves it when re-parented or freed, and a panel that goes first lets its boxes go
// before anything of it is torn down. So either may be freed first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/framework/QzCtrls.h"

class TQzCustomControlPanel;
class TQzControlPanelBox;

class TQzControlPanelBoxHeader : public TQzCustomWinControl {
public:
  explicit TQzControlPanelBoxHeader(TComponent* AOwner);
  std::string ClassName() const override { return "TQzControlPanelBoxHeader"; }

  // Button 1 expand, 2 hide, 3 move down, 4 move up; 0 gives the caption area.
  TRect ButtonRect(int Button) const;
  // The first button (1..4) that holds the point, 0 for none.
  int ButtonAt(int32_t X, int32_t Y) const;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void CMFontChanged(TMessage& Message) override;

protected:
  void Paint() override;

private:
  TQzControlPanelBox* Box() const;
  // The height follows the font: TextHeight + 4, made even.
  void FitHeight();
};

class TQzControlPanelBox : public TQzCustomWinControl {
public:
  explicit TQzControlPanelBox(TComponent* AOwner);
  ~TQzControlPanelBox() override;
  std::string ClassName() const override { return "TQzControlPanelBox"; }
  void SetParent(TWinControl* AParent) override;
  // A hidden box takes no room: the panel lays out again.
  void SetVisible(bool Value) override;

  bool GetExpanded() const { return FExpanded; }
  // Collapsing remembers the height and keeps the header's; expanding brings the height back.
  void SetExpanded(bool Value);
  // Place in the panel's list, -1 without a panel.
  int32_t GetIndex() const;
  // Moves the box to that place (held in the list's range) and lays the panel out again.
  void SetIndex(int32_t Value);
  TQzCustomControlPanel* GetPanel() const { return FPanel; }
  TQzControlPanelBoxHeader* GetHeader() const { return FHeader; }
  int32_t GetExpandedHeight() const { return FExpandedHeight; }

private:
  friend class TQzCustomControlPanel;
  TQzCustomControlPanel* FPanel = nullptr;
  TQzControlPanelBoxHeader* FHeader = nullptr;
  int32_t FExpandedHeight = 0;
  bool FExpanded = true;
};

class TQzCustomControlPanel : public TQzCustomWinControl {
public:
  explicit TQzCustomControlPanel(TComponent* AOwner);
  ~TQzCustomControlPanel() override;
  std::string ClassName() const override { return "TQzCustomControlPanel"; }

  uint8_t GetBorderHorz() const { return FBorderHorz; }
  uint8_t GetBorderVert() const { return FBorderVert; }
  uint8_t GetItemSpace() const { return FItemSpace; }
  // Each stores and repaints; the boxes move at the next layout.
  void SetBorderHorz(uint8_t Value);
  void SetBorderVert(uint8_t Value);
  void SetItemSpace(uint8_t Value);

  int32_t BoxCount() const { return static_cast<int32_t>(FBoxes.size()); }
  // nullptr outside 0..BoxCount()-1.
  TQzControlPanelBox* GetBox(int32_t Index) const;
  int32_t IndexOfBox(const TQzControlPanelBox* Box) const;

  // The stacking: sort by Top (ties keep their order), then place every visible box.
  void AlignControls(TControl* AControl, TRect& ARect) override;

  TNotifyEvent OnExpandedChanged;

private:
  friend class TQzControlPanelBox;
  void AddBox(TQzControlPanelBox* Box);
  void RemoveBox(TQzControlPanelBox* Box);
  void MoveBox(TQzControlPanelBox* Box, int32_t Index);
  void ExpandedChanged();

  std::vector<TQzControlPanelBox*> FBoxes;
  uint8_t FBorderHorz = 2;
  uint8_t FBorderVert = 2;
  uint8_t FItemSpace = 2;
};

class TQzControlPanel : public TQzCustomControlPanel {
public:
  using TQzCustomControlPanel::TQzCustomControlPanel;
  std::string ClassName() const override { return "TQzControlPanel"; }
};

void RegisterQzControlPanelClasses();
