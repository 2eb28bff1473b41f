#include "ui/controls/QzAudioEdit.h"

#include <cmath>

#include "core/QzUtils.h"
#include "platform/Forms.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/controls/QzAudioVUMeter.h"
#include "ui/framework/QzDrawUtils.h"

namespace {
// Plain pointers: objects with destructors here would end with this file, in an order no other
// unit controls, while the library's end still needs them.
TQzAudioEdit* SharedEdit = nullptr;
TQzDigiText* SharedDigiText = nullptr;
// The borrowing control's commit. Kept apart from the editor's key handler and emptied when the
// edit ends, so that the process-wide editor holds nothing of a control (of an instance) that
// no longer has it.
TQzAudioEditCommit* SharedCommit = nullptr;

void EditKeyPressed(char& Key) {
  if (Key == 13) {
    Key = 0;
    double typed = 0;
    // Junk, NaN and infinities keep the control's value: a stray key must not jump a
    // parameter to 0 or poison a preset.
    const bool ok = SharedEdit && TryDisplayTextToFloat(SharedEdit->GetText(), typed) && std::isfinite(typed);
    // A copy: the commit may end the edit, which empties the shared one.
    const TQzAudioEditCommit commit = SharedCommit ? *SharedCommit : nullptr;
    if (ok && commit) commit(typed);
    QzEndAudioEdit();
  } else if (Key == 27) {
    Key = 0;
    if (SharedEdit) SharedEdit->Hide();
  }
}
}  // namespace

TQzAudioEdit::~TQzAudioEdit() {
  // A control that freed it with itself (forgetting to release it) must not leave a dangling
  // shared pointer behind.
  if (SharedEdit == this) SharedEdit = nullptr;
}

void TQzAudioEdit::DoExit() {
  TEdit::DoExit();
  Hide();
}

void TQzAudioEdit::WndProc(TMessage& Message) {
  TEdit::WndProc(Message);
  if (Message.Msg == WM_KILLFOCUS || Message.Msg == CM_EXIT || Message.Msg == LM_EXIT) Hide();
}

bool QzBeginAudioEdit(TWinControl* Control, const TRect& ValueRect, double Value, bool Enabled,
                      TQzAudioEditCommit Commit) {
  TQzAudioEdit* edit = SharedEdit;
  if (!edit || !Control) return false;
  edit->SetBoundsRect(ValueRect);
  edit->SetBorderStyle(bsNone);
  edit->SetColor(0x808080);
  edit->GetFont()->SetColor(GetAudioColor(12, Enabled));
  edit->SetParent(Control);
  edit->Show();
  edit->SetText(FloatToDisplayText(Value, 2, true));
  *SharedCommit = std::move(Commit);
  if (edit->CanFocus()) edit->SetFocus();
  return true;
}

void QzEndAudioEdit() {
  if (!SharedEdit) return;
  SharedEdit->Hide();
  SharedEdit->SetParent(nullptr);
  if (SharedCommit) *SharedCommit = nullptr;
}

void QzReleaseAudioEdit(TWinControl* Control) {
  if (!Control || !QzAudioEditHeldBy(Control)) return;
  QzEndAudioEdit();
}

bool QzAudioEditHeldBy(const TWinControl* Control) {
  return SharedEdit && Control && SharedEdit->GetParent() == Control;
}

void DrawAudioControlFrame(TCanvas* Canvas, const TRect& R, bool Enabled) {
  if (!Canvas) return;
  SetCanvasPen(Canvas, 1, 0x808080, psSolid);
  Canvas->GetBrush()->SetColor(GetAudioColor(10, Enabled));
  Canvas->RoundRect(R, 8, 8);
}

void QzAudioControlsInitialize() {
  QzAudioPaintInitialize();
  QzAudioVUMeterInitialize();
  if (!SharedDigiText) {
    SharedDigiText = new TQzDigiText();
    SharedDigiText->SetColor(GetAudioColor(12, true));
    SharedDigiText->SetSize(8);
    SharedDigiText->SetOptions(DIGI_BOLD);
  }
  if (!SharedEdit) {
    if (!SharedCommit) SharedCommit = new TQzAudioEditCommit;
    SharedEdit = new TQzAudioEdit(Application);
    SharedEdit->OnKeyPress = [](TObject*, char& Key) { EditKeyPressed(Key); };
    // The longest value text ("-20.000,00") with room to spare; a paste is cut to it.
    SharedEdit->MaxLength = 16;
    SharedEdit->Hide();
  }
}

void QzAudioControlsFinalize() {
  if (SharedEdit) {
    TQzAudioEdit* edit = SharedEdit;
    QzEndAudioEdit();
    SharedEdit = nullptr;
    edit->Free();
  }
  delete SharedCommit;
  SharedCommit = nullptr;
  delete SharedDigiText;
  SharedDigiText = nullptr;
  QzAudioVUMeterFinalize();
  QzAudioPaintFinalize();
}

TQzDigiText* QzSharedDigiText() { return SharedDigiText; }
TQzAudioEdit* QzSharedAudioEdit() { return SharedEdit; }
