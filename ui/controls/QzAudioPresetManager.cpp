#include "ui/controls/QzAudioPresetManager.h"

#include "platform/FormReader.h"

TQzCustomAudioPresetManager::TQzCustomAudioPresetManager(TComponent* AOwner)
    : TQzCustomAudioComponentClass(AOwner), FItems(new TQzAudioPresetList()) {}

TQzCustomAudioPresetManager::~TQzCustomAudioPresetManager() { delete FItems; }

bool TQzCustomAudioPresetManager::SaveToStream(TStream* Stream) {
  if (IsDesigning()) return true;
  return FItems->SaveToStream(Stream);
}

bool TQzCustomAudioPresetManager::LoadFromStream(TStream* Stream) {
  if (IsDesigning()) return true;
  return FItems->LoadFromStream(Stream);
}

void RegisterQzAudioPresetManagerClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  TClassRegistrar<TQzCustomAudioPresetManager>("TQzCustomAudioPresetManager", "TQzCustomAudioComponentClass", false);
}
