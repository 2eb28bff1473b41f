#include "ui/framework/QzHelpCtrls.h"

#include "platform/ActnList.h"
#include "platform/Forms.h"
#include "core/SysUtils.h"
#include "ui/framework/QzSafeMath.h"

namespace {
std::pair<std::string, std::string> Key(const std::string& Group, const std::string& Section) {
  return {UpperCase(Group), UpperCase(Section)};
}
}  // namespace

void TQzCustomHelpContextDataSource::WriteHelpContext(const std::string& Group, const std::string& Section,
                                                      const std::string& Value) {
  FValues[Key(Group, Section)] = Value;
}

bool TQzCustomHelpContextDataSource::ReadHelpContext(const std::string& Group, const std::string& Section,
                                                     int32_t& Value) const {
  auto it = FValues.find(Key(Group, Section));
  int64_t v = 0;
  if (it == FValues.end() || !TryStrToInt(it->second, v)) return false;
  // A number that a 32-bit help context cannot hold is as unusable as text.
  if (QzNarrow<int32_t>(v) != v) return false;
  Value = static_cast<int32_t>(v);
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
