// A single-line text editor that does its own text handling instead of wrapping a system edit:
// it keeps the text, a caret, a horizontal scroll offset and a one-level undo copy, draws through
// an off-screen bitmap, manages the system caret itself and can place a title label to its left.
// The value edit holds a number shown with two decimals (comma as decimal separator).
//
// Text is always valid UTF-8 without control characters: whatever arrives (typed, pasted, set)
// passes one cleaning step, invalid bytes becoming U+FFFD. The caret, MaxLength and the undo
// count characters (code points), never bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/StdCtrls.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/framework/QzCtrls.h"

class TQzCustomEdit : public TQzCustomWinControl {
public:
  explicit TQzCustomEdit(TComponent* AOwner);
  ~TQzCustomEdit() override;
  std::string ClassName() const override { return "TQzCustomEdit"; }
  void AfterConstruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The edited text (the toolkit's Caption stays the label's caption). Setting a different text
  // puts the caret at the end and repaints; it reports nothing.
  const std::string& GetEditText() const { return FText; }
  void SetEditText(const std::string& Value);
  uint32_t GetMaxLength() const { return FMaxLength; }
  // 0: no limit. A longer text is cut at once.
  void SetMaxLength(uint32_t Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetNumbersOnly() const { return FNumbersOnly; }
  void SetNumbersOnly(bool Value);
  bool GetDrawBorder() const { return FDrawBorder; }
  void SetDrawBorder(bool Value);
  uint8_t GetPaddingHorz() const { return static_cast<uint8_t>(FPaddingHorz - 3); }
  void SetPaddingHorz(uint8_t Value);
  uint8_t GetPaddingVert() const { return static_cast<uint8_t>(FPaddingVert - 3); }
  void SetPaddingVert(uint8_t Value);
  TQzCustomLabel* GetEditLabel() const { return FEditLabel; }
  void SetEditLabel(TQzCustomLabel* Value);
  uint16_t GetTitleSpace() const { return FTitleSpace; }
  void SetTitleSpace(uint16_t Value);

  // Characters before the caret, 0..character count of the text.
  size_t GetCaretIndex() const { return FCaret; }
  int32_t GetScrollOffset() const { return FScrollOffset; }
  const std::string& GetUndoText() const { return FUndo; }
  TRect GetTextRect() const { return FTextRect; }
  bool OwnsCaret() const { return FOwnsCaret; }

  // Whether Ch (one character, UTF-8) may be inserted at the caret. True here.
  virtual bool IsValidChar(const std::string& Ch);
  // Caret and scroll offset to 0, repaint.
  virtual void ResetCaret();

  void ThemeChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void UTF8KeyPress(std::string& UTF8Key) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void WMSize(TMessage& Message) override;
  void WMSetFocus(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

  TNotifyEvent OnChanged;

protected:
  void Paint() override;
  // Repaint, then OnChanged: the user's own edits only.
  void Changed();
  // Replaces the text as an edit of the user's (undo copy kept), caret held in range, Changed.
  void ReplaceByUser(const std::string& NewText, size_t Caret);
  // Inserts what passes the filters, character by character; True when anything went in.
  bool InsertFiltered(const std::string& Raw, bool MoveCaret);
  void UpdateLayout();
  // Scroll offset so that the caret lies in the text rectangle.
  void ScrollToCaret();
  int32_t PrefixWidth(size_t Chars);

private:
  void MakeCaret(int Width);
  void DropCaret();

  std::string FText;
  std::string FUndo;
  size_t FCaret = 0;
  int32_t FScrollOffset = 0;
  TRect FTextRect{0, 0, 0, 0};
  bool FNeedsLayout = true;
  bool FMouse = false;
  bool FOwnsCaret = false;
  std::unique_ptr<TBitmap> FBitmap;
  uint32_t FMaxLength = 0;
  bool FReadOnly = false;
  bool FNumbersOnly = false;
  bool FDrawBorder = true;
  // Stored as value + 3 in 16 bits: 255 + 3 does not wrap.
  uint16_t FPaddingHorz = 3;
  uint16_t FPaddingVert = 3;
  TQzCustomLabel* FEditLabel = nullptr;
  uint16_t FTitleSpace = 2;
};

class TQzEdit : public TQzCustomEdit {
public:
  using TQzCustomEdit::TQzCustomEdit;
  std::string ClassName() const override { return "TQzEdit"; }
};

class TQzCustomValueEdit : public TQzCustomEdit {
public:
  explicit TQzCustomValueEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomValueEdit"; }
  void AfterConstruction() override;

  float GetMin() const { return FMin; }
  void SetMin(float Value);
  float GetMax() const { return FMax; }
  void SetMax(float Value);
  // The text read as a display number (0 for text that is not one).
  float GetValue() const;
  // Not clamped to Min..Max. A different finite value becomes the text, then Changed; NaN and
  // infinities are refused.
  void SetValue(float Value);

  virtual void ResetValueEdit() { ResetCaret(); }
  bool IsValidChar(const std::string& Ch) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;

private:
  float FMin = 1.0f;
  float FMax = 1000.0f;
};

// Splits Text into whole UTF-8 characters after cleaning: invalid bytes become U+FFFD and
// control characters (C0, DEL, C1, line and paragraph separators) are dropped. Exposed for tests.
std::string QzCleanEditText(const std::string& Text);
size_t QzUtf8Length(const std::string& Text);

void RegisterQzEditClasses();
