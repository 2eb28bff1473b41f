#include "ui/controls/QzAudioBackground.h"

#include "platform/FormReader.h"
#include "ui/framework/QzResourceBitmaps.h"

TQzCustomAudioBackgroundWinControl::TQzCustomAudioBackgroundWinControl(TComponent* AOwner)
    : TQzCustomAudioWinControl(AOwner), FBackground(new TBitmap()) {
  FBackground->OnChange = [this](TObject*) { Refresh(); };
}

TQzCustomAudioBackgroundWinControl::~TQzCustomAudioBackgroundWinControl() {
  // Freeing the bitmap must not paint a control that is half gone.
  FBackground->OnChange = nullptr;
  delete FBackground;
}

void TQzCustomAudioBackgroundWinControl::SetBackground(TBitmap* Value) {
  if (Value == FBackground) return;
  if (Value) FBackground->Assign(Value);
  else FBackground->SetSize(0, 0);
}

bool TQzCustomAudioBackgroundWinControl::LoadBackgroundResource(const std::string& Name) {
  return QzLoadBitmapResource(Name, FBackground);
}

bool TQzCustomAudioBackgroundWinControl::HasBackground() const {
  return FBackground->GetWidth() > 0 && FBackground->GetHeight() > 0;
}

void RegisterQzAudioBackgroundClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  // "Background = 'NAME'" names a bitmap resource; a missing one leaves the gradient.
  TClassRegistrar<TQzCustomAudioBackgroundWinControl>("TQzCustomAudioBackgroundWinControl",
                                                      "TQzCustomAudioWinControl", false)
      .Custom("Background", [](TQzCustomAudioBackgroundWinControl* C, const TFormValue& V, TFormReader&) {
        C->LoadBackgroundResource(formreader_detail::ToString(V));
      });
}
