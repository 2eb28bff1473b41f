// The help-context source: help-context numbers stored by form class and component name and
// assigned to a form and to the actions and controls it owns. There is no help viewer on this
// platform: the numbers are data, and nothing here shows help.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "platform/Components.h"

// Asked for help on a context; Handled True keeps the default from running. Nothing fires it yet.
using TQzHelpEvent1 = std::function<void(TObject* Sender, int32_t HelpContext, bool& Handled)>;

class TQzCustomHelpContextDataSource : public TComponent {
public:
  explicit TQzCustomHelpContextDataSource(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TQzCustomHelpContextDataSource"; }

  // The stored text under (group = a form's class name, section = "Self" or a component's
  // name), key "HelpContext". Group and section compare without regard to letter case.
  void WriteHelpContext(const std::string& Group, const std::string& Section, const std::string& Value);
  // True with the number when the entry exists and holds a decimal number that fits 32 bits.
  bool ReadHelpContext(const std::string& Group, const std::string& Section, int32_t& Value) const;
  void Clear() { FValues.clear(); }

  // Does nothing unless Form is a TForm. Otherwise the entry (form class, "Self") becomes the
  // form's HelpContext, and for each component the form owns, in index order, the entry (form
  // class, component name) becomes the HelpContext of an action, a page, a graphic control or a
  // windowed control. Missing or non-numeric entries and other components are left alone.
  void ApplyHelpContexts(TComponent* Form);

  TQzHelpEvent1 OnHelp;

private:
  std::map<std::pair<std::string, std::string>, std::string> FValues;
};

class TQzHelpContextDataSource : public TQzCustomHelpContextDataSource {
public:
  using TQzCustomHelpContextDataSource::TQzCustomHelpContextDataSource;
  std::string ClassName() const override { return "TQzHelpContextDataSource"; }
};
