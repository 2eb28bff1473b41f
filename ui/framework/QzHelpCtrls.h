// The help-context source: help-context numbers kept in an extended INI store by form class
// (group) and component name (section, "Self" for the form itself), key "HelpContext", and
// assigned to a form and to the actions and controls it owns. There is no help viewer on this
// platform: the numbers are data, and nothing here shows help.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Components.h"
#include "ui/framework/QzExtIni.h"

// Asked for help on a context; Handled True keeps the default from running. Nothing fires it yet.
using TQzHelpEvent1 = std::function<void(TObject* Sender, int32_t HelpContext, bool& Handled)>;

class TQzCustomHelpContextDataSource : public TComponent {
public:
  static constexpr const char* HelpContextKey = "HelpContext";

  explicit TQzCustomHelpContextDataSource(TComponent* AOwner);
  ~TQzCustomHelpContextDataSource() override;
  std::string ClassName() const override { return "TQzCustomHelpContextDataSource"; }

  // The help numbers; fill them with SetText or LoadFromStream of the store.
  TQzExtIniValuesControler* GetValues() const { return FValues.get(); }
  // True with the number when the entry (Group, Section, "HelpContext") exists and is wholly a
  // decimal 32-bit integer (the store's ReadExtIniInteger); Value is left alone otherwise.
  bool ReadHelpContext(const std::string& Group, const std::string& Section, int32_t& Value) const;

  // Does nothing unless Form is a TForm. Otherwise the entry (form class, "Self") becomes the
  // form's HelpContext, and for each component the form owns, in index order, the entry (form
  // class, component name) becomes the HelpContext of an action, a page, a graphic control or a
  // windowed control. Missing or non-numeric entries and other components are left alone.
  void ApplyHelpContexts(TComponent* Form);

  TQzHelpEvent1 OnHelp;

private:
  std::unique_ptr<TQzExtIniValuesControler> FValues;
};

class TQzHelpContextDataSource : public TQzCustomHelpContextDataSource {
public:
  using TQzCustomHelpContextDataSource::TQzCustomHelpContextDataSource;
  std::string ClassName() const override { return "TQzHelpContextDataSource"; }
};
