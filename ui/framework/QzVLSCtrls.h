// The translation source: language strings written into the captions, texts and hints of a
// form's components. Declared here so that controls can link to it; the lookups come with the
// extended INI store.
#pragma once

#include <string>

#include "platform/Components.h"

class TQzVLSDataSource : public TComponent {
public:
  explicit TQzVLSDataSource(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TQzVLSDataSource"; }

  TNotifyEvent OnChanged;
  TNotifyEvent OnError;
};
