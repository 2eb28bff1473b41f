#include "ui/framework/QzThemeItems.h"

#include <cstring>

#include "graphics/QzStreamIO.h"
#include "platform/FormReader.h"

void QzRegisterThemeDetailsClass() {
  static bool done = false;
  if (done) return;
  done = true;
  using T = TQzThemeDetails;
  TClassRegistrar<T>("TQzThemeDetails", "", false)
      .Object("Preview", &T::GetPreview)
      .Prop("Title", &T::SetTitle)
      .Prop("Description", &T::SetDescription)
      .Prop("Author", &T::SetAuthor)
      .Prop("Publisher", &T::SetPublisher)
      .Prop("Copyright", &T::SetCopyright)
      .Prop("Version", &T::SetVersion)
      .Prop("Date", &T::SetDate)
      .Prop("ProductID", &T::SetProductID)
      .Prop("Software", &T::SetSoftware)
      .Prop("Notes", &T::SetNotes);
}

TQzThemeItems::TQzThemeItems(TComponent* AOwner)
    : FOwner(AOwner),
      FDetails(std::make_unique<TQzThemeDetails>()),
      FPictures(std::make_unique<TQzPictureListItems>()),
      FStream(std::make_unique<TMemoryStream>()),
      FIcon(std::make_unique<TIcon>()),
      FValues(std::make_unique<TQzExtIniValuesControler>()),
      FFont(std::make_unique<TFont>()) {
  for (int i = 0; i < 4; ++i) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetTransparent(true);
    FGraphics[static_cast<size_t>(i)] = std::move(bitmap);
  }
}

TQzThemeItems::~TQzThemeItems() = default;

void TQzThemeItems::SetColor(uint8_t Index, TColor Value) {
  if (FColors[Index] == Value) return;
  FColors[Index] = Value;
  Changed();
}

TGraphic* TQzThemeItems::GetGraphic(int Index) const {
  return Index >= 0 && Index < GraphicCount ? FGraphics[static_cast<size_t>(Index)].get() : nullptr;
}

void TQzThemeItems::Clear() {
  TQzFileClass::Clear();
  FValues->Clear();
  FStream->Clear();
  FDetails->Clear();
  FPictures->Clear();
  Changed();
}

void TQzThemeItems::Assign(const TQzThemeItems* Source) {
  if (!Source || Source == this) return;
  BeginUpdate();
  Clear();
  FColors = Source->FColors;
  FStream->SetSize(0);
  FStream->Write(Source->FStream->Memory(), static_cast<int32_t>(Source->FStream->GetSize()));
  FStream->SetPosition(0);
  FPictures->Assign(Source->FPictures.get());
  FDetails->Assign(Source->FDetails.get());
  EndUpdate();
  Changed();
}

// The header is reserved first and filled in once the body's length is known.
bool TQzThemeItems::WriteChunk(TStream* Stream, uint16_t Id, const std::function<bool()>& Body) {
  const int64_t start = Stream->GetPosition();
  if (!QzWriteZeros(Stream, ChunkHeaderBytes)) {
    SetError(MakeErrorCode(qecWriteFailed, 1121));
    return false;
  }
  if (!Body()) return false;
  const int64_t end = Stream->GetPosition();
  uint8_t head[ChunkHeaderBytes] = {};
  QzPutU16(head, ChunkMarker);
  QzPutU16(head + 2, Id);
  QzPutU32(head + 6, static_cast<uint32_t>(end - start - ChunkHeaderBytes));
  Stream->SetPosition(start);
  const bool written = QzWriteExact(Stream, head, ChunkHeaderBytes);
  Stream->SetPosition(end);
  if (!written) SetError(MakeErrorCode(qecWriteFailed, 1121));
  return written;
}

bool TQzThemeItems::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 1120));
    return false;
  }
  SetError(0);
  uint8_t head[HeaderBytes] = {};
  std::memcpy(head, Magic, 4);
  head[4] = Version;
  head[5] = 8;
  QzPutU32(head + 10, HeaderSize);
  if (!QzWriteExact(Stream, head, HeaderBytes) || !QzWriteZeros(Stream, HeaderSize - HeaderBytes)) {
    SetError(MakeErrorCode(qecWriteFailed, 1198));
    return false;
  }
  const bool chunks =
      WriteChunk(Stream, chkDetails, [&] {
        if (FDetails->SaveToStream(Stream)) return true;
        SetError(FDetails->Error);
        return false;
      }) &&
      WriteChunk(Stream, chkColors, [&] {
        uint8_t table[ColorTableBytes];
        for (int i = 0; i < ColorCount; ++i) QzPutU32(table + 4 * i, FColors[static_cast<size_t>(i)]);
        if (QzWriteExact(Stream, table, ColorTableBytes)) return true;
        SetError(MakeErrorCode(qecWriteFailed, 1136));
        return false;
      }) &&
      WriteChunk(Stream, chkPictures, [&] {
        if (FPictures->SaveToStream(Stream)) return true;
        SetError(FPictures->Error);
        return false;
      });
  if (chunks) {
    uint8_t end[ChunkHeaderBytes] = {};
    QzPutU16(end, ChunkMarker);
    QzPutU16(end + 2, chkEnd);
    if (!QzWriteExact(Stream, end, ChunkHeaderBytes)) SetError(MakeErrorCode(qecWriteFailed, 1199));
  }
  return Error == 0;
}

bool TQzThemeItems::LoadNested(TStream* Stream, uint32_t Length, TQzStreamClass& Target) {
  TMemoryStream body;
  body.SetSize(Length);
  if (!QzReadExact(Stream, body.Memory(), Length)) {
    SetError(MakeErrorCode(qecReadFailed, 4005));
    return false;
  }
  if (Target.LoadFromStream(&body)) return true;
  SetError(Target.Error);
  return false;
}

bool TQzThemeItems::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  uint8_t head[HeaderBytes];
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 3001));
  } else {
    const int64_t start = Stream->GetPosition();
    const int64_t available = QzStreamRemaining(Stream);
    if (!QzReadExact(Stream, head, HeaderBytes))
      SetError(MakeErrorCode(qecReadFailed, 4000));
    else if (std::memcmp(head, Magic, 4) != 0 || QzGetU32(head + 10) < HeaderBytes)
      SetError(MakeErrorCode(qecBadSignature, 4001));
    else if (head[4] != Version)
      SetError(MakeErrorCode(qecBadSignature, 4002));
    else if (QzGetU32(head + 10) > available)
      SetError(MakeErrorCode(qecReadFailed, 4000));
    if (Error == 0) Stream->SetPosition(start + QzGetU32(head + 10));
    // Every chunk moves the position on by at least its 10-byte header, so the loop ends with
    // the stream at the latest.
    while (Error == 0) {
      const int64_t chunk = Stream->GetPosition();
      uint8_t ch[ChunkHeaderBytes];
      if (!QzReadExact(Stream, ch, ChunkHeaderBytes)) {
        SetError(MakeErrorCode(qecReadFailed, 4003));
        break;
      }
      if (QzGetU16(ch) != ChunkMarker) {
        SetError(MakeErrorCode(qecBadSignature, 4004));
        break;
      }
      const uint16_t id = QzGetU16(ch + 2);
      const uint32_t length = QzGetU32(ch + 6);
      if (length > QzStreamRemaining(Stream)) {
        SetError(MakeErrorCode(qecReadFailed, 4005));
        break;
      }
      if (id == chkDetails && length > 0) {
        if (!LoadNested(Stream, length, *FDetails) || DetailsOnly) break;
      } else if (id == chkColors) {
        // Read whole into a copy first: a short table must not leave half old, half new colours.
        uint8_t table[ColorTableBytes];
        if (length < ColorTableBytes || !QzReadExact(Stream, table, ColorTableBytes)) {
          SetError(MakeErrorCode(qecBadSignature, 3007));
          break;
        }
        for (int i = 0; i < ColorCount; ++i) FColors[static_cast<size_t>(i)] = QzGetU32(table + 4 * i);
      } else if (id == chkPictures && length > 0) {
        if (!LoadNested(Stream, length, *FPictures)) break;
      }
      Stream->SetPosition(chunk + ChunkHeaderBytes + length);
      if (id == chkEnd) break;
    }
  }
  EndUpdate();
  Changed();
  return Error == 0;
}
