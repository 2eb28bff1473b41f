#include "graphics/QzPicList.h"

#include <algorithm>
#include <cstring>

#include "graphics/QzFileDetails.h"
#include "graphics/QzResample.h"
#include "graphics/QzStreamIO.h"
#include "core/SysUtils.h"

const char* const QzPictureListSectionNames[6] = {"plsTitle",     "plsDescription", "plsAuthor",
                                                  "plsDate",      "plsPublisher",   "plsCopyright"};

const uint8_t TQzPictureListItems::Key[16] = {0x6D, 0xE2, 0x19, 0xA4, 0x53, 0x8E, 0x37, 0xC0,
                                              0x0B, 0x7F, 0xD5, 0x24, 0x9A, 0x41, 0xBE, 0x68};

namespace {
const std::string EmptyString;
constexpr uint8_t Magic[4] = {'P', 'L', 'I', 'D'};
}  // namespace

// --- item ------------------------------------------------------------------------------------------

TQzPictureListItem::TQzPictureListItem(TQzPictureListItems* AOwner)
    : FOwner(AOwner), FPicture(std::make_unique<TPicture>()), FThumbnail(std::make_unique<TJPEGImage>()) {
  FAttributes[4] = 100;
  if (FOwner) {
    FID = FOwner->NewID();
    FOwner->FItems.push_back(this);
  }
}

TQzPictureListItem::~TQzPictureListItem() {
  if (FOwner) {
    auto& items = FOwner->FItems;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
  }
}

void TQzPictureListItem::Clear() {
  BeginUpdate();
  FPicture = std::make_unique<TPicture>();
  FThumbnail = std::make_unique<TJPEGImage>();
  SetAttribute(100);
  for (std::string& s : FStrings) s.clear();
  EndUpdate();
  DoChange();
}

void TQzPictureListItem::SetAttribute(uint8_t Value) {
  if (FAttributes[4] == Value) return;
  FAttributes[4] = Value;
  DoChange();
}

const std::string& TQzPictureListItem::GetString(int Index) const {
  return Index >= 0 && Index < StringCount ? FStrings[Index] : EmptyString;
}

void TQzPictureListItem::SetString(int Index, const std::string& Value) {
  if (Index >= 0 && Index < StringCount) FStrings[Index] = Value;
}

void TQzPictureListItem::Assign(const TQzPictureListItem* Source) {
  if (!Source || Source == this) return;
  BeginUpdate();
  Clear();
  try {
    FPicture->Assign(Source->FPicture.get());
  } catch (const std::exception&) {
    FPicture = std::make_unique<TPicture>();
  }
  try {
    if (!Source->FThumbnail->GetEmpty()) FThumbnail->Assign(Source->FThumbnail.get());
  } catch (const std::exception&) {
    FThumbnail = std::make_unique<TJPEGImage>();
  }
  FStrings = Source->FStrings;
  // The attribute block belongs to the picture: a copied list keeps it.
  FAttributes = Source->FAttributes;
  EndUpdate();
  DoChange();
}

bool TQzPictureListItem::SaveToStream(TStream* Stream) {
  SetError(0);
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 710));
    return false;
  }
  TMemoryStream picture;
  TGraphic* graphic = FPicture->GetGraphic();
  // An empty picture is stored as no picture: nothing could load its bytes back.
  if (graphic && !graphic->GetEmpty()) {
    try {
      FPicture->SaveToStream(&picture);
    } catch (const std::exception&) {
      picture.Clear();
    }
  }
  const auto length = static_cast<int32_t>(picture.GetSize());
  QzScrambleDetails(picture.Memory(), length, TQzPictureListItems::Key);
  if (!QzWriteValue(Stream, FID) || !QzWriteValue(Stream, length) ||
      !QzWriteExact(Stream, picture.Memory(), length) ||
      !QzWriteExact(Stream, FAttributes.data(), AttributeBytes))
    SetError(MakeErrorCode(qecWriteFailed, 711));
  return Error == 0;
}

bool TQzPictureListItem::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  SetError(0);
  auto finish = [this] {
    EndUpdate();
    DoChange();
    return Error == 0;
  };
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 720));
    return finish();
  }
  int32_t length = 0;
  if (!QzReadValue(Stream, FID) || !QzReadValue(Stream, length)) {
    SetError(MakeErrorCode(qecReadFailed, 720));
    return finish();
  }
  std::vector<uint8_t> bytes;
  if (!QzReadBytes(Stream, length, bytes)) {
    SetError(MakeErrorCode(qecReadFailed, 722));
    return finish();
  }
  if (length > 0) {
    QzScrambleDetails(bytes.data(), length, TQzPictureListItems::Key);
    TMemoryStream picture;
    picture.WriteBuffer(bytes.data(), length);
    picture.SetPosition(0);
    try {
      FPicture->LoadFromStream(&picture);
    } catch (const std::exception&) {
      FPicture = std::make_unique<TPicture>();
      SetError(MakeErrorCode(qecInvalidArgument, 721));
    }
  }
  if (!QzReadExact(Stream, FAttributes.data(), AttributeBytes)) {
    SetError(MakeErrorCode(qecReadFailed, 723));
    return finish();
  }
  if (TGraphic* graphic = FPicture->GetGraphic(); graphic && !graphic->GetEmpty()) {
    try {
      StretchGraphic(graphic, FThumbnail.get(), ThumbnailSize, ThumbnailSize, 0, true);
    } catch (const std::exception&) {
      FThumbnail = std::make_unique<TJPEGImage>();
    }
  }
  return finish();
}

// --- list ------------------------------------------------------------------------------------------

TQzPictureListItems::TQzPictureListItems() = default;

TQzPictureListItems::~TQzPictureListItems() { FreeItems(); }

void TQzPictureListItems::FreeItems() {
  // The owner link is cut first so that no destructor edits the list being walked.
  std::vector<TQzPictureListItem*> items;
  items.swap(FItems);
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    (*it)->FOwner = nullptr;
    delete *it;
  }
}

TQzPictureListItem* TQzPictureListItems::GetItem(int32_t Index) const {
  return Index >= 0 && Index < GetCount() ? FItems[static_cast<size_t>(Index)] : nullptr;
}

TQzPictureListItem* TQzPictureListItems::FindByID(uint16_t ID) const {
  for (TQzPictureListItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

TGraphic* TQzPictureListItems::GetGraphicByID(uint16_t ID) const {
  const TQzPictureListItem* item = FindByID(ID);
  return item ? item->FPicture->GetGraphic() : nullptr;
}

uint16_t TQzPictureListItems::NewID() const {
  uint16_t id = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    id = static_cast<uint16_t>(100000 + Random(50000));
    if (!FindByID(id)) return id;
  }
  // A crowded list: the first free value from the last draw on, so that the search ends.
  std::vector<bool> used(65536, false);
  for (const TQzPictureListItem* item : FItems) used[item->FID] = true;
  for (uint32_t i = 0; i < 65536; ++i) {
    const auto candidate = static_cast<uint16_t>(id + i);
    if (!used[candidate]) return candidate;
  }
  return id;
}

void TQzPictureListItems::Assign(const TQzPictureListItems* Source) {
  if (!Source || Source == this) return;
  BeginUpdate();
  Clear();
  for (const TQzPictureListItem* src : Source->FItems) {
    auto* item = new TQzPictureListItem(this);
    item->Assign(src);
  }
  EndUpdate();
  DoChange();
}

bool TQzPictureListItems::SaveToStream(TStream* Stream) {
  BeginUpdate();
  SetError(0);
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 700));
  } else if (FItems.size() > 0xFFFF) {
    SetError(MakeErrorCode(qecInvalidArgument, 705));
  } else {
    uint8_t head[HeaderBytes] = {};
    std::memcpy(head, Magic, 4);
    head[4] = Version;
    head[5] = 5;
    QzPutU16(head + 6, HeaderSize);
    QzPutU16(head + 8, static_cast<uint16_t>(FItems.size()));
    if (!QzWriteExact(Stream, head, HeaderBytes) || !QzWriteZeros(Stream, HeaderSize - HeaderBytes))
      SetError(MakeErrorCode(qecWriteFailed, 701));
    for (size_t i = 0; i < FItems.size() && Error == 0; ++i)
      if (!FItems[i]->SaveToStream(Stream)) SetError(FItems[i]->Error);
  }
  EndUpdate();
  return Error == 0;
}

bool TQzPictureListItems::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  SetError(0);
  uint8_t head[HeaderBytes];
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 700));
  } else {
    const int64_t start = Stream->GetPosition();
    if (!QzReadExact(Stream, head, HeaderBytes))
      SetError(MakeErrorCode(qecReadFailed, 701));
    else if (std::memcmp(head, Magic, 4) != 0 || QzGetU16(head + 6) < HeaderBytes)
      SetError(MakeErrorCode(qecBadSignature, 702));
    else if (head[4] != Version)
      SetError(MakeErrorCode(qecBadVersion, 703));
    if (Error == 0) {
      Stream->SetPosition(start + QzGetU16(head + 6));
      const uint16_t count = QzGetU16(head + 8);
      for (uint32_t i = 0; i < count && Error == 0; ++i) {
        // The stream gives the item its ID: drawing one first would search the list for every
        // item, and a long list would take quadratic time to load.
        auto* item = new TQzPictureListItem(nullptr);
        item->FOwner = this;
        FItems.push_back(item);
        if (!item->LoadFromStream(Stream)) {
          SetError(MakeErrorCode(qecReadFailed, 704));
          // An item the stream ended inside is no item of the list.
          if (ErrorCategory(item->Error) != qecInvalidArgument) delete item;
        }
      }
    }
  }
  EndUpdate();
  DoChange();
  return Error == 0;
}
