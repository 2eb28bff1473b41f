// The form-description reader over arbitrary text, into a form class of its own with the kinds
// of published members the editor's forms have. A description either reads completely or
// raises EReadError; the form is destroyed either way.
#include <string>

#include "FuzzTarget.h"
#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

namespace {

class TFuzzForm : public TForm {
public:
  using TForm::TForm;
  std::string ClassName() const override { return "TFuzzForm"; }
  void FormCreate(TObject*) {}
  void Clicked(TObject*) {}
  void KeyPressed(TObject*, uint16_t& Key, TShiftState) { Key = 0; }
  TButton* Button = nullptr;
  TLabel* Title = nullptr;
  TPopupMenu* Popup = nullptr;
};

std::string Text;

void Register() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterToolkitClasses();
  TClassRegistrar<TFuzzForm>("TFuzzForm", "TForm", false)
      .Method("FormCreate", &TFuzzForm::FormCreate)
      .Method("Clicked", &TFuzzForm::Clicked)
      .Method("KeyPressed", &TFuzzForm::KeyPressed)
      .Field("Button", &TFuzzForm::Button)
      .Field("Title", &TFuzzForm::Title)
      .Field("Popup", &TFuzzForm::Popup);
  SetFormTextSource([](const std::string&, std::string& Out) {
    Out = Text;
    return true;
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  Register();
  Text.assign(reinterpret_cast<const char*>(Data), Size);
  auto* form = new TFuzzForm(Application);
  try {
    form->InitForm("FUZZ");
  } catch (const EReadError&) {
  }
  form->Free();
  return 0;
}
