#include "ui/framework/QzVLSCtrls.h"

#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"
#include "ui/framework/QzCtrls.h"

const char* const QzLanguageCodes[QzLanguageCount] = {"*",  "EN", "UK", "US", "CA", "AU", "NZ",
                                                      "DE", "AT", "CH", "IT", "FR", "PT", "ES"};
const char* const QzLanguageNames[QzLanguageCount] = {
    "Unknown", "English", "English", "English", "English",  "English",   "English",
    "Deutsch", "Deutsch", "Deutsch", "Italiano", "Français", "Português", "Español"};
const char* const QzLanguageCountries[QzLanguageCount] = {
    "Unknown", "English", "United Kingdom", "USA",   "Canada", "Australia", "New Zeeland",
    "Germany", "Austria", "Swiss",          "Italy", "France", "Portugal",  "Spain"};

namespace {

using TTable = TQzVLSClassTable;
using V = TQzVLSDataSource;

}  // namespace

TTable::TAction TQzVLSDataSource::CaptionAndHint(bool WithHint, bool TextFallback, bool HintFallback) {
  return [=](TComponent* c, V* vls, const std::string& group) {
    auto* ctl = static_cast<TControl*>(c);
    std::string s;
    if (TextFallback ? vls->ReadTextOrGlobal(group, c->GetName(), "Text", s) : vls->ReadText(group, c->GetName(), "Text", s))
      ctl->SetCaption(s);
    if (!WithHint) return;
    if (HintFallback ? vls->ReadTextOrGlobal(group, c->GetName(), "Hint", s) : vls->ReadText(group, c->GetName(), "Hint", s))
      ctl->SetHint(s);
  };
}

TTable& TQzVLSDataSource::ClassTable() {
  static TTable table({
      TTable::Row<TActionList>([](TComponent* c, V* vls, const std::string& group) {
        auto* list = static_cast<TActionList*>(c);
        for (int i = 0; i < list->ActionCount(); ++i) {
          TCustomAction* a = list->GetAction(i);
          std::string s;
          if (vls->ReadTextOrGlobal(group, a->GetName(), "Text", s)) a->SetCaption(s);
          if (vls->ReadTextOrGlobal(group, a->GetName(), "Hint", s)) a->SetHint(s);
        }
      }),
      TTable::Row<TMenu>([](TComponent* c, V* vls, const std::string& group) {
        TMenuItem* root = static_cast<TMenu*>(c)->GetItems();
        for (int i = 0; i < root->Count(); ++i) vls->TranslateMenu(root->GetItem(i), group);
      }),
      TTable::Row<TButton>(CaptionAndHint(false, true, false)),
      TTable::Row<TLabel>(CaptionAndHint(false, true, false)),
      TTable::Row<TCheckBox>(CaptionAndHint(false, true, false)),
      TTable::Row<TPage>(CaptionAndHint(true, true, true)),
      TTable::Row<TLabeledEdit>([](TComponent* c, V* vls, const std::string& group) {
        auto* e = static_cast<TLabeledEdit*>(c);
        std::string s;
        if (vls->ReadTextOrGlobal(group, c->GetName(), "Text", s)) e->GetEditLabel()->SetCaption(s);
        if (vls->ReadText(group, c->GetName(), "Hint", s)) e->SetHint(s);
      }),
      // Every own windowed control not listed above, the scrolling ones included.
      TTable::Row<TQzCustomWinControl>(CaptionAndHint(true, false, false)),
  });
  return table;
}

TQzVLSDataSource::TQzVLSDataSource(TComponent* AOwner)
    : TComponent(AOwner), FValues(std::make_unique<TQzExtIniValuesControler>()) {}

TQzVLSDataSource::~TQzVLSDataSource() = default;

void TQzVLSDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) FMenuCaptions.erase(AComponent);
}

bool TQzVLSDataSource::ReadText(const std::string& Group, const std::string& Section, const std::string& Key,
                                std::string& Value) const {
  if (Section.empty()) return false;
  return FValues->ReadExtIniText(Group, Section, Key, "", Value);
}

bool TQzVLSDataSource::ReadTextOrGlobal(const std::string& Group, const std::string& Section,
                                        const std::string& Key, std::string& Value) const {
  return ReadText(Group, Section, Key, Value) || ReadText(GlobalGroup, Section, Key, Value);
}

std::string TQzVLSDataSource::GetLanguageText(const std::string& Group, const std::string& Section,
                                              const std::string& Default) const {
  std::string s;
  return ReadTextOrGlobal(Group, Section, "Text", s) ? s : Default;
}

void TQzVLSDataSource::TranslateForm(TComponent* Form) {
  if (IsDesigning()) return;
  auto* form = dynamic_cast<TForm*>(Form);
  if (!form) return;
  const std::string group = form->ClassName();
  std::string s;
  if (ReadText(group, "Self", "Caption", s)) form->SetCaption(s);
  for (int i = 0; i < form->ComponentCount(); ++i) ClassTable().Apply(form->GetComponent(i), this, group);
}

void TQzVLSDataSource::TranslateMenu(TMenuItem* Item, const std::string& Group) {
  if (!Item) return;
  auto [it, added] = FMenuCaptions.try_emplace(Item, Item->GetCaption());
  if (added) Item->FreeNotification(this);
  const std::string& original = it->second;
  std::string s;
  if (ReadTextOrGlobal(Group, Item->GetName(), "Text", s) || ReadText("GLOBAL", original, "Text", s) ||
      ReadText(Group, original, "Text", s))
    Item->SetCaption(s);
  for (int i = 0; i < Item->Count(); ++i) TranslateMenu(Item->GetItem(i), Group);
}
