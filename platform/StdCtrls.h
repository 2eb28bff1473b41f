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
