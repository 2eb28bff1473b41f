// TEdit: a single-line text entry with caret, selection and typing. Positions count bytes of
// the UTF-8 text and always stand on character boundaries.
#pragma once

#include <string>

#include "platform/Controls.h"

class TCustomEdit : public TCustomControl {
public:
  explicit TCustomEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomEdit"; }
  int32_t GetSelStart() const { return FSelStart; }
  void SetSelStart(int32_t Value);
  int32_t GetSelLength() const { return FSelLength; }
  void SetSelLength(int32_t Value);
  std::string GetSelText() const;
  void SelectAll();
  int32_t MaxLength = 0;  // bytes; 0 for no limit
  bool ReadOnly = false;
  TNotifyEvent OnChange;

  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void UTF8KeyPress(std::string& UTF8Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void WMSetFocus(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

protected:
  void Paint() override;
  virtual void Change();

private:
  void ReplaceSelection(const std::string& S);
  void MoveCaret(int32_t Pos, bool Extend);
  void PlaceCaret();
  int32_t TextX() const { return 2; }
  int32_t FSelStart = 0;
  int32_t FSelLength = 0;  // may be negative: selection runs left of the caret
  bool FEditing = false;
};

class TEdit : public TCustomEdit {
public:
  using TCustomEdit::TCustomEdit;
  std::string ClassName() const override { return "TEdit"; }
};

// ---- the other standard controls (as far as a form or a theme may meet them) ----

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth, ssAutoHorizontal, ssAutoVertical, ssAutoBoth };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A caption painted on the parent (no window of its own).
class TCustomLabel : public TGraphicControl {
public:
  explicit TCustomLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TCustomLabel"; }
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // The control whose focus the label's accelerator gives (kept, not used otherwise).
  TWinControl* FocusControl = nullptr;
  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  void Paint() override;

private:
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
  bool FTransparent = true;
};

class TLabel : public TCustomLabel {
public:
  using TCustomLabel::TCustomLabel;
  std::string ClassName() const override { return "TLabel"; }
};

// A push button: its Click sets the form's ModalResult when it has one.
class TButton : public TCustomControl {
public:
  explicit TButton(TComponent* AOwner);
  std::string ClassName() const override { return "TButton"; }
  int32_t ModalResult = 0;  // a TModalResult
  bool Default = false;
  bool Cancel = false;
  void Click() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

protected:
  void Paint() override;

private:
  bool FDown = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TCustomControl {
public:
  explicit TCheckBox(TComponent* AOwner);
  std::string ClassName() const override { return "TCheckBox"; }
  bool GetChecked() const { return FState == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState() const { return FState; }
  void SetState(TCheckBoxState Value);
  bool AllowGrayed = false;
  TNotifyEvent OnChange;
  // Clicking (or Space) moves to the next state.
  void Click() override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

protected:
  void Paint() override;

private:
  TCheckBoxState FState = cbUnchecked;
};

// Lines of text in a box; shown, not edited in place.
class TMemo : public TCustomControl {
public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  std::string ClassName() const override { return "TMemo"; }
  TStringList* GetLines() const { return FLines.get(); }
  void SetLines(TStringList* Value);
  TScrollStyle ScrollBars = ssNone;
  bool ReadOnly = false;
  bool WordWrap = true;
  TNotifyEvent OnChange;

protected:
  void Paint() override;

private:
  std::unique_ptr<TStringList> FLines;
};

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The label of a TLabeledEdit: it belongs to the edit and moves with it.
class TBoundLabel : public TCustomLabel {
public:
  explicit TBoundLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  std::string ClassName() const override { return "TBoundLabel"; }
};

class TLabeledEdit : public TCustomEdit {
public:
  explicit TLabeledEdit(TComponent* AOwner);
  ~TLabeledEdit() override;
  std::string ClassName() const override { return "TLabeledEdit"; }
  TBoundLabel* GetEditLabel() const { return FEditLabel; }
  TLabelPosition GetLabelPosition() const { return FLabelPosition; }
  void SetLabelPosition(TLabelPosition Value);
  int32_t GetLabelSpacing() const { return FLabelSpacing; }
  void SetLabelSpacing(int32_t Value);
  void SetParent(TWinControl* AParent) override;
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void SetVisible(bool Value) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void PlaceLabel();
  TBoundLabel* FEditLabel;
  TLabelPosition FLabelPosition = lpAbove;
  int32_t FLabelSpacing = 3;
};
