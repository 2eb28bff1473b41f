#include "core/QzFileClasses.h"

#include <memory>

const uint8_t QzDisplayKey[16] = {0x5A, 0xC3, 0x17, 0x88, 0x2E, 0xF1, 0x64, 0x9B,
                                  0x3D, 0xA6, 0x41, 0xE8, 0x0F, 0x72, 0xB5, 0xDC};
const uint8_t QzBufferKey[16] = {0x93, 0x1E, 0x6C, 0xD7, 0x28, 0xB4, 0x4F, 0xE1,
                                 0x7A, 0x05, 0xCE, 0x39, 0x92, 0x6B, 0xF0, 0x54};

namespace {
// Ends an update bracket also when a descendant's load throws, so that a failed load never
// leaves the object silenced for good. The notification stays on the normal path only.
template <class TObj>
class TUpdateGuard {
public:
  explicit TUpdateGuard(TObj& Obj) : FObj(Obj) { FObj.BeginUpdate(); }
  ~TUpdateGuard() {
    if (FActive) FObj.EndUpdate();
  }
  void End() {
    FActive = false;
    FObj.EndUpdate();
  }

private:
  TObj& FObj;
  bool FActive = true;
};
}  // namespace

std::string ErrorCodeToStr(uint32_t Code) {
  return std::to_string(ErrorCategory(Code)) + " [" + std::to_string(ErrorLocation(Code)) + "]";
}

template <class TBase>
void TQzPersistable<TBase>::SetError(uint32_t Code) {
  Error = Code;
  if (Code != 0)
    ErrorLog += std::to_string(ErrorCategory(Code)) + " " + std::to_string(ErrorLocation(Code)) + "\r\n";
}
template class TQzPersistable<TObject>;
template class TQzPersistable<TPersistent>;

bool TQzStreamClass::SaveToStream(TStream*) { return true; }
bool TQzStreamClass::LoadFromStream(TStream*) { return true; }

bool TQzFileClass::SaveToFile(const std::string& Name) {
  Error = 0;
  FileName = Name;
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(Name, fmCreate);
  } catch (const EStreamError&) {
    Error = MakeErrorCode(qecCreateFailed, 1);
  }
  if (Error != 0) return false;
  return SaveToStream(file.get());
}

bool TQzFileClass::LoadFromFile(const std::string& Name) {
  TUpdateGuard<TQzFileClass> update(*this);
  Error = 0;
  FileName = Name;
  bool result = false;
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(Name, fmOpenRead | fmShareDenyNone);
  } catch (const EStreamError&) {
    Error = MakeErrorCode(qecOpenFailed, 2);
  }
  if (Error == 0) {
    // The load may clear FileName (readers start with Clear); the name given here stays.
    result = LoadFromStream(file.get());
    FileName = Name;
  }
  update.End();
  DoChange();
  return result;
}

bool TQzPersistentFileClass::SaveToStream(TStream*) {
  BeginUpdate();
  EndUpdate();
  return true;
}

bool TQzPersistentFileClass::LoadFromStream(TStream*) {
  BeginUpdate();
  Clear();
  EndUpdate();
  DoChange();
  return true;
}

bool QzWriteStreamHeader(TStream* Stream, const TQzStreamHeader& Header) {
  uint8_t bytes[QzStreamHeaderBytes] = {
      static_cast<uint8_t>(Header.Signature), static_cast<uint8_t>(Header.Signature >> 8),
      static_cast<uint8_t>(Header.Signature >> 16), static_cast<uint8_t>(Header.Signature >> 24),
      Header.Version, Header.Format,
      static_cast<uint8_t>(Header.HeaderSize), static_cast<uint8_t>(Header.HeaderSize >> 8)};
  if (Stream->Write(bytes, QzStreamHeaderBytes) != QzStreamHeaderBytes) return false;
  static constexpr uint8_t Zeros[256] = {};
  for (int gap = static_cast<int>(Header.HeaderSize) - QzStreamHeaderBytes; gap > 0;) {
    const int n = gap < static_cast<int>(sizeof Zeros) ? gap : static_cast<int>(sizeof Zeros);
    if (Stream->Write(Zeros, n) != n) return false;
    gap -= n;
  }
  return true;
}

bool QzReadStreamHeader(TStream* Stream, TQzStreamHeader& Header) {
  uint8_t b[QzStreamHeaderBytes];
  if (Stream->Read(b, QzStreamHeaderBytes) != QzStreamHeaderBytes) return false;
  Header.Signature = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                     static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  Header.Version = b[4];
  Header.Format = b[5];
  Header.HeaderSize = static_cast<uint16_t>(b[6] | b[7] << 8);
  return true;
}

std::string DescrambleString(const uint8_t* Data, size_t Count) {
  std::string result(Count, '\0');
  for (size_t i = 0; i < Count; ++i)
    result[i] = static_cast<char>(Data[i] ^ QzDisplayKey[(i + 1) % 16]);
  return result;
}

std::string ScrambleString(const std::string& Text) {
  std::string result(Text.size(), '\0');
  for (size_t i = 0; i < Text.size(); ++i)
    result[i] = static_cast<char>(static_cast<uint8_t>(Text[i]) ^ QzDisplayKey[(i + 1) % 16]);
  return result;
}

void ScrambleBuffer(void* Buffer, int32_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int32_t j = 0; j < Count; ++j)
    p[j] ^= static_cast<uint8_t>(QzBufferKey[j % 16] + j % 16);
}
