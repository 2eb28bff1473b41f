// The one in-place number editor that the audio controls borrow to let the user type a value
// over their value display, the rounded frame drawn behind value displays, and the start and
// end of the audio controls' shared objects.
//
// Borrowing, from a control's point of view (all on the GUI thread):
//   EditValue:    QzBeginAudioEdit(this, ValueRect, Value, IsEnabled(), [this](double V) { SetValue(V); });
//   EndEditValue: QzEndAudioEdit();                 (also on every press of the control)
//   destructor:   QzReleaseAudioEdit(this);
// Enter commits a typed number through the callback and ends the edit; text that is not a
// finite number ends it too but keeps the old value; Escape only hides the editor; losing the
// focus hides it without committing.
#pragma once

#include <functional>

#include "platform/StdCtrls.h"
#include "ui/controls/QzDigiText.h"

class TQzAudioEdit : public TEdit {
public:
  using TEdit::TEdit;
  ~TQzAudioEdit() override;
  std::string ClassName() const override { return "TQzAudioEdit"; }
  // An abandoned edit never stays on screen: every way of losing the focus hides the editor.
  // Its parent is left alone; the borrowing control clears it.
  void DoExit() override;
  void WndProc(TMessage& Message) override;
};

// Receives a value the user typed and confirmed; always a finite number.
using TQzAudioEditCommit = std::function<void(double Value)>;

// Moves the shared editor onto Control over ValueRect (Control's client coordinates), shows
// Value with two decimals and gives it the focus. Opening on a second control takes it from
// the first. False when the shared editor does not exist or Control is null.
bool QzBeginAudioEdit(TWinControl* Control, const TRect& ValueRect, double Value, bool Enabled,
                      TQzAudioEditCommit Commit);
// Hides the editor and takes it off whatever control holds it.
void QzEndAudioEdit();
// For a borrowing control's destructor: takes the editor off Control only when Control holds
// it, so that the editor is never freed with its parent and another control's edit stays open.
void QzReleaseAudioEdit(TWinControl* Control);
// Control is the editor's parent at the moment.
bool QzAudioEditHeldBy(const TWinControl* Control);

// The rounded display frame: 1-pixel 0x808080 outline, 8 x 8 corners, filled with the display
// colour of an enabled or disabled control.
void DrawAudioControlFrame(TCanvas* Canvas, const TRect& R, bool Enabled);

// Library start and end of the audio controls' shared ground, in this order: the switch
// pictures (QzAudioPaintInitialize), the meter scales (QzAudioVUMeterInitialize), the shared
// digital text (colour GetAudioColor(12, True), size 8, options 1) and the shared editor (owned by Application). The library calls these
// once each; both are idempotent so tests can call them freely.
void QzAudioControlsInitialize();
void QzAudioControlsFinalize();
// nullptr outside the two calls above.
TQzDigiText* QzSharedDigiText();
TQzAudioEdit* QzSharedAudioEdit();
