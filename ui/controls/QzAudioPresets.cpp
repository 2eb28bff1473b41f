#include "ui/controls/QzAudioPresets.h"

#include <algorithm>

#include "ui/controls/QzAudioPresetManager.h"

namespace {
int64_t BytesLeft(TStream* Stream) { return std::max<int64_t>(0, Stream->GetSize() - Stream->GetPosition()); }
}  // namespace

TQzCustomAudioPresetItem::TQzCustomAudioPresetItem(TQzCustomAudioPresetManager* AManager)
    : FManager(AManager),
      FDetails(std::make_unique<TQzAudioPresetDetails>()),
      FData(std::make_unique<TMemoryStream>()) {
  if (FManager) FManager->GetItems()->Append(this);
}

TQzCustomAudioPresetItem::~TQzCustomAudioPresetItem() {
  if (FList) std::erase(FList->FItems, this);
}

void TQzCustomAudioPresetItem::Clear() {
  BeginUpdate();
  FData->Clear();
  FDetails->Clear();
  EndUpdate();
  DoChange();
}

bool TQzCustomAudioPresetItem::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 860));
    return false;
  }
  SetError(0);
  const int64_t size = FData->GetSize();
  if (!FDetails->SaveToStream(Stream))
    SetError(MakeErrorCode(ErrorCategory(FDetails->Error), 861));
  else if (!QzWriteValue(Stream, static_cast<uint32_t>(size)))
    SetError(MakeErrorCode(qecWriteFailed, 862));
  else if (size > 0 && Stream->Write(FData->Memory(), static_cast<int32_t>(size)) != size)
    SetError(MakeErrorCode(qecWriteFailed, 863));
  return Error == 0;
}

bool TQzCustomAudioPresetItem::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  SetError(0);
  uint32_t size = 0;
  if (!Stream)
    SetError(MakeErrorCode(qecNoStream, 870));
  else if (!FDetails->LoadFromStream(Stream))
    SetError(MakeErrorCode(ErrorCategory(FDetails->Error), 871));
  else if (!QzReadValue(Stream, size))
    SetError(MakeErrorCode(qecReadFailed, 872));
  else if (size > BytesLeft(Stream))
    SetError(MakeErrorCode(qecReadFailed, 873));
  else if (size > 0) {
    FData->SetSize(size);
    if (Stream->Read(FData->Memory(), static_cast<int32_t>(size)) != static_cast<int32_t>(size)) {
      FData->Clear();
      SetError(MakeErrorCode(qecReadFailed, 874));
    }
  }
  FData->SetPosition(0);
  EndUpdate();
  DoChange();
  return Error == 0;
}

TQzAudioPresetList::~TQzAudioPresetList() { ClearItems(); }

TQzCustomAudioPresetItem* TQzAudioPresetList::Item(int32_t Index) const {
  return Index >= 0 && Index < Count() ? FItems[static_cast<size_t>(Index)] : nullptr;
}

TQzCustomAudioPresetItem* TQzAudioPresetList::Add() {
  auto* item = new TQzCustomAudioPresetItem(FOwner);
  if (!FOwner) Append(item);
  return item;
}

void TQzAudioPresetList::Append(TQzCustomAudioPresetItem* Item) {
  Item->FList = this;
  FItems.push_back(Item);
}

void TQzAudioPresetList::ClearItems() {
  while (!FItems.empty()) {
    TQzCustomAudioPresetItem* item = FItems.back();
    FItems.pop_back();
    item->FManager = nullptr;
    item->FList = nullptr;
    delete item;
  }
}

void TQzAudioPresetList::Clear() {
  ClearItems();
  TQzStreamClass::Clear();
}

bool TQzAudioPresetList::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 880));
    return false;
  }
  SetError(0);
  if (!QzWriteValue(Stream, static_cast<uint32_t>(FItems.size()))) {
    SetError(MakeErrorCode(qecWriteFailed, 881));
    return false;
  }
  for (TQzCustomAudioPresetItem* item : FItems) {
    if (!item->SaveToStream(Stream)) {
      SetError(MakeErrorCode(ErrorCategory(item->Error), 882));
      return false;
    }
  }
  return true;
}

bool TQzAudioPresetList::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  ClearItems();
  SetError(0);
  uint32_t count = 0;
  if (!Stream)
    SetError(MakeErrorCode(qecNoStream, 890));
  else if (!QzReadValue(Stream, count))
    SetError(MakeErrorCode(qecReadFailed, 891));
  else if (count > BytesLeft(Stream) / MinItemBytes)
    SetError(MakeErrorCode(qecReadFailed, 892));
  else {
    while (static_cast<uint32_t>(Count()) < count) {
      TQzCustomAudioPresetItem* item = Add();
      if (!item->LoadFromStream(Stream)) {
        SetError(MakeErrorCode(ErrorCategory(item->Error), 893));
        delete item;
        break;
      }
    }
  }
  EndUpdate();
  DoChange();
  return Error == 0;
}
