#include "ui/controls/QzAudioPresetManager.h"

#include "platform/FormReader.h"

TQzCustomAudioPresetManager::TQzCustomAudioPresetManager(TComponent* AOwner)
    : TQzCustomAudioComponentClass(AOwner), FItems(new TQzAudioPresetList(this)) {}

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
  // The record each preset item owns, reached by a dotted path ("Details.Title = ...") from
  // whatever publishes one.
  using D = TQzAudioPresetDetails;
  TClassRegistrar<D>("TQzAudioPresetDetails", "", false)
      .Prop("Title", &D::SetTitle)
      .Prop("Description", &D::SetDescription)
      .Prop("Keywords", &D::SetKeywords)
      .Prop("Author", &D::SetAuthor)
      .Prop("Publisher", &D::SetPublisher)
      .Prop("Copyright", &D::SetCopyright)
      .Prop("Notes", &D::SetNotes)
      .Prop("Version", &D::SetVersion)
      .Prop("Date", &D::SetDate)
      .Prop("Genre", &D::SetGenre)
      .Prop("Category", &D::SetCategory)
      .Prop("FileName", &D::SetFileName)
      .Prop("ProductType", &D::SetProductType)
      .Prop("ProductID", &D::SetProductID)
      .Prop("ContentSize", &D::SetContentSize);
  TClassRegistrar<TQzCustomAudioPresetManager>("TQzCustomAudioPresetManager", "TQzCustomAudioComponentClass", false);
}
