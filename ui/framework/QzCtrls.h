// The bases of every own component and control: a non-visual component, a windowless control
// and a windowed control. Each adds an optional theme-manager link with the one rule that decides
// whether theme colours are used (IsThemed); the component and the windowed control also link a
// translation source and a help-context source; the windowed control adds one-pixel edge
// borders, a themed background erase and a mouse-wheel hook.
//
// Contracts for descendants:
// - Create components with QzCreate<T>(Owner) (or through a form description) and free them
//   with Free(); override ClassName() in every class.
// - Links to components of another owner ask for FreeNotification and give it back when
//   unlinked. Notification only clears a pointer (and marks for repaint): it may arrive from the
//   linked component's base destructor. The one exception is the theme manager, which tells its
//   clients while it is still whole: its removal unlinks through SetThemeManager, so
//   ThemeChanged runs (a descendant may relayout and repaint there). Leaving another component
//   (unregistering, leaving a time base) belongs in BeforeDestruction, which these bases already
//   do for their own links.
// - Theme colours are read in Paint through IsThemed() and ThemeManager, never cached.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Components.h"
#include "platform/Controls.h"
#include "platform/Windows.h"
#include "ui/framework/QzHelpCtrls.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"

enum TQzEdgeBorder { febLeft, febTop, febRight, febBottom };
// Stored as a bit set, febLeft in bit 0.
using TQzEdgeBorders = TSet<TQzEdgeBorder>;

// The three links the bases keep, and their one rule for theming. Not a class of its own in the
// tree: each base holds one as a member.
class TQzLinks {
public:
  explicit TQzLinks(TComponent* Self) : FSelf(Self) {}
  TQzCustomThemeManager* ThemeManager = nullptr;
  TQzVLSDataSource* VLS = nullptr;
  TQzHelpContextDataSource* Help = nullptr;
  bool UseThemes = true;

  // Not designing, UseThemes, a manager assigned and active (tested in this order).
  bool IsThemed() const;
  // Returns True when the manager changed. Unregisters from the old one, registers with the new;
  // a manager being destroyed counts as nil.
  bool SetThemeManager(TQzCustomThemeManager* Value);
  bool SetVLS(TQzVLSDataSource* Value);
  void SetHelp(TQzHelpContextDataSource* Value);
  // For Notification: True when AComponent was one of the links (now cleared, nothing called).
  // Not for the theme manager, which Notification unlinks through SetThemeManager.
  bool Removed(TComponent* AComponent);
  // For BeforeDestruction and the destructor: leaves every linked component.
  void Release();

private:
  void Link(TComponent* Old, TComponent* New);
  TComponent* FSelf;
};

// Base of the non-visual components.
class TQzCustomComponent : public TComponent {
public:
  explicit TQzCustomComponent(TComponent* AOwner);
  ~TQzCustomComponent() override;
  std::string ClassName() const override { return "TQzCustomComponent"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TQzCustomThemeManager* GetThemeManager() const { return FLinks.ThemeManager; }
  void SetThemeManager(TQzCustomThemeManager* Value);
  TQzVLSDataSource* GetVLS() const { return FLinks.VLS; }
  void SetVLS(TQzVLSDataSource* Value);
  TQzHelpContextDataSource* GetHelp() const { return FLinks.Help; }
  void SetHelp(TQzHelpContextDataSource* Value) { FLinks.SetHelp(Value); }
  bool GetUseThemes() const { return FLinks.UseThemes; }
  bool IsThemed() const { return FLinks.IsThemed(); }

  // One counter for the whole class tree: while it is above 0, descendants fire no change
  // events. EndUpdate at 0 does nothing; neither fires anything.
  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  bool IsUpdating() const { return FUpdateCount > 0; }
  int32_t GetUpdateCount() const { return FUpdateCount; }

  virtual void ThemeChanged() {}
  virtual void VLSChanged() {}
  virtual void Clear() {}

private:
  TQzLinks FLinks{this};
  int32_t FUpdateCount = 0;
};

// Base of the windowless controls; created 201 x 176.
class TQzCustomGraphicControl : public TGraphicControl {
public:
  explicit TQzCustomGraphicControl(TComponent* AOwner);
  ~TQzCustomGraphicControl() override;
  std::string ClassName() const override { return "TQzCustomGraphicControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TQzCustomThemeManager* GetThemeManager() const { return FLinks.ThemeManager; }
  void SetThemeManager(TQzCustomThemeManager* Value);
  bool GetUseThemes() const { return FLinks.UseThemes; }
  void SetUseThemes(bool Value);
  bool IsThemed() const { return FLinks.IsThemed(); }

  // Repaints.
  virtual void ThemeChanged() { Refresh(); }

private:
  TQzLinks FLinks{this};
};

// Base of every windowed control; created 200 x 150.
class TQzCustomWinControl : public TCustomControl {
public:
  explicit TQzCustomWinControl(TComponent* AOwner);
  ~TQzCustomWinControl() override;
  std::string ClassName() const override { return "TQzCustomWinControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;
  // Edge borders take their line off the area offered to aligned children.
  void AdjustClientRect(TRect& ARect) override;
  // Fills with theme colour 1 when themed and UseThemeBackground, else the toolkit's erase.
  void EraseBackground(HDC DC) override;

  TQzCustomThemeManager* GetThemeManager() const { return FLinks.ThemeManager; }
  void SetThemeManager(TQzCustomThemeManager* Value);
  TQzVLSDataSource* GetVLS() const { return FLinks.VLS; }
  void SetVLS(TQzVLSDataSource* Value);
  TQzHelpContextDataSource* GetHelp() const { return FLinks.Help; }
  void SetHelp(TQzHelpContextDataSource* Value) { FLinks.SetHelp(Value); }
  bool GetUseThemes() const { return FLinks.UseThemes; }
  void SetUseThemes(bool Value);
  bool GetUseThemeBackground() const { return FUseThemeBackground; }
  void SetUseThemeBackground(bool Value);
  TQzEdgeBorders GetEdgeBorders() const { return FEdgeBorders; }
  void SetEdgeBorders(TQzEdgeBorders Value);
  bool IsThemed() const { return FLinks.IsThemed(); }

  virtual void PaintEdgeBorders();
  virtual void EdgeBordersChanged() {}
  // Both repaint.
  virtual void ThemeChanged() { Refresh(); }
  virtual void VLSChanged() { Refresh(); }
  // One wheel notch (Direction 0 up, 1 down). Answer True when the notch was used (a value
  // stepped), so that it does not also scroll the container. The default uses nothing.
  virtual bool DoMouseWheelScroll(TObject* Sender, TShiftState Shift, int Direction, TPoint MousePos);
  // Call DoMouseWheelScroll and set Handled to its answer.
  virtual void MouseWheelUpHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);
  virtual void MouseWheelDownHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled);

  // The toolkit's wheel steps: the user's OnMouseWheelUp / OnMouseWheelDown first (they stay
  // free for users); when those leave the notch unhandled, the handlers above.
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

protected:
  // The toolkit's OnPaint, then the edge borders.
  void Paint() override;

private:
  TQzLinks FLinks{this};
  TQzEdgeBorders FEdgeBorders;
  bool FUseThemeBackground = true;
};

// Registers the bases' published properties and enumerations with the form reader; idempotent.
void RegisterQzCtrlsClasses();
