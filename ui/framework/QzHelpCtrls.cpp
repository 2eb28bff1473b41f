#include "ui/framework/QzHelpCtrls.h"

#include "platform/ActnList.h"
#include "platform/Forms.h"

TQzCustomHelpContextDataSource::TQzCustomHelpContextDataSource(TComponent* AOwner)
    : TComponent(AOwner), FValues(std::make_unique<TQzExtIniValuesControler>()) {}

TQzCustomHelpContextDataSource::~TQzCustomHelpContextDataSource() = default;

bool TQzCustomHelpContextDataSource::ReadHelpContext(const std::string& Group, const std::string& Section,
                                                     int32_t& Value) const {
  int32_t v = 0;
  if (!FValues->ReadExtIniInteger(Group, Section, HelpContextKey, 0, v)) return false;
  Value = v;
  return true;
}

void TQzCustomHelpContextDataSource::ApplyHelpContexts(TComponent* Form) {
  auto* form = dynamic_cast<TForm*>(Form);
  if (!form) return;
  const std::string group = form->ClassName();
  int32_t v = 0;
  if (ReadHelpContext(group, "Self", v)) form->HelpContext = v;
  for (int i = 0; i < form->ComponentCount(); ++i) {
    TComponent* c = form->GetComponent(i);
    if (!ReadHelpContext(group, c->GetName(), v)) continue;
    if (auto* a = dynamic_cast<TCustomAction*>(c))
      a->SetHelpContext(v);
    else if (auto* ctl = dynamic_cast<TControl*>(c); ctl && (dynamic_cast<TGraphicControl*>(c) || dynamic_cast<TWinControl*>(c)))
      ctl->HelpContext = v;
  }
}
