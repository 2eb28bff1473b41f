// Bases of every object that is written to or read from a byte stream, the packed error codes
// they report, the 8-byte header of the program's own stream formats and two XOR routines.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

#include "core/Classes.h"

// Error categories (low 16 bits of an error code).
enum : uint16_t {
  qecNoStream = 1000,
  qecWriteFailed = 1001,
  qecReadFailed = 1002,
  qecOpenFailed = 1201,
  qecNoDestination = 1500,
  qecUndecodable = 1501,
  qecInvalidArgument = 1504,
  qecCreateFailed = 1600,
  qecBadSignature = 1603,
  qecBadVersion = 1604,
  qecUnsupported = 1605,
};

// Category in the low 16 bits, location of the failing step in the high 16 bits.
constexpr uint32_t MakeErrorCode(uint16_t Category, uint16_t Location) {
  return static_cast<uint32_t>(Category) | (static_cast<uint32_t>(Location) << 16);
}
constexpr uint16_t ErrorCategory(uint32_t Code) { return static_cast<uint16_t>(Code & 0xFFFF); }
constexpr uint16_t ErrorLocation(uint32_t Code) { return static_cast<uint16_t>(Code >> 16); }
// "1001 [802]"
std::string ErrorCodeToStr(uint32_t Code);

// The shared behaviour of both persistable bases: error code and log, update counter, change
// event. Kept as one template so the two bases cannot drift apart.
template <class TBase>
class TQzPersistable : public TBase {
public:
  uint32_t Error = 0;
  uint32_t UpdateCount = 0;
  std::string FileName;
  std::string ErrorLog;
  TNotifyEvent OnChange;

  virtual void UpdateEnded() {}
  virtual void DoChange() {
    if (!IsUpdating() && OnChange) OnChange(this);
  }
  virtual void ClearErrorLog() { ErrorLog.clear(); }
  virtual void Clear() {
    Error = 0;
    ErrorLog.clear();
    FileName.clear();
  }
  virtual void BeginUpdate() { ++UpdateCount; }
  // Does not notify: a batch that wants its one notification calls DoChange after this.
  virtual void EndUpdate() {
    if (UpdateCount == 0) return;
    --UpdateCount;
    UpdateEnded();
  }
  virtual void Change() {
    if (!IsUpdating()) DoChange();
  }
  virtual bool SaveToStream(TStream* Stream) = 0;
  virtual bool LoadFromStream(TStream* Stream) = 0;

  // Stores the code; a non-zero code also appends "category location" CR LF to the log.
  void SetError(uint32_t Code);
  bool IsUpdating() const { return UpdateCount > 0; }
};

class TQzStreamClass : public TQzPersistable<TObject> {
public:
  std::string ClassName() const override { return "TQzStreamClass"; }
  bool SaveToStream(TStream* Stream) override;
  bool LoadFromStream(TStream* Stream) override;
};

class TQzFileClass : public TQzStreamClass {
public:
  std::string ClassName() const override { return "TQzFileClass"; }
  // Creates the file and saves into it; 1600 [1] (not logged) when it cannot be created.
  bool SaveToFile(const std::string& Name);
  // Opens the file shared for reading and loads it inside an update bracket, then notifies
  // once, also after a failure; 1201 [2] (not logged) when it cannot be opened.
  bool LoadFromFile(const std::string& Name);
};

class TQzPersistentFileClass : public TQzPersistable<TPersistent> {
public:
  std::string ClassName() const override { return "TQzPersistentFileClass"; }
  bool SaveToStream(TStream* Stream) override;
  bool LoadFromStream(TStream* Stream) override;
};

// The 8-byte head of the program's own stream formats: signature, version, a format byte
// that readers do not check, and the header size from which readers find the body.
struct TQzStreamHeader {
  uint32_t Signature = 0;
  uint8_t Version = 0;
  uint8_t Format = 0;
  uint16_t HeaderSize = 0;
};
inline constexpr int QzStreamHeaderBytes = 8;

// Four characters as the little-endian signature number they are stored as.
constexpr uint32_t QzSignature(const char (&Text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(Text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(Text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(Text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(Text[3])) << 24;
}

// Writes the 8 header bytes, then zeros up to the header size so that the gap is defined.
// False when the stream took fewer bytes than asked.
bool QzWriteStreamHeader(TStream* Stream, const TQzStreamHeader& Header);
// Reads the 8 header bytes at the current position. False when fewer than 8 could be read.
bool QzReadStreamHeader(TStream* Stream, TQzStreamHeader& Header);
// True when a read header may be followed: a header size below the 8 bytes just read cannot
// be, and is treated like a wrong signature by every reader.
inline bool QzHeaderSizeValid(const TQzStreamHeader& Header) {
  return Header.HeaderSize >= QzStreamHeaderBytes;
}

// Little-endian field access for readers and writers of the stored formats; each returns
// False when the stream moved fewer bytes than asked. A short read leaves Value as it was.
template <class T>
  requires std::is_trivially_copyable_v<T>
bool QzReadValue(TStream* Stream, T& Value) {
  T v;
  if (Stream->Read(&v, sizeof(T)) != static_cast<int32_t>(sizeof(T))) return false;
  Value = v;
  return true;
}
template <class T>
  requires std::is_trivially_copyable_v<T>
bool QzWriteValue(TStream* Stream, const T& Value) {
  return Stream->Write(&Value, sizeof(T)) == static_cast<int32_t>(sizeof(T));
}

// The two 16-byte key tables: that of the stored display strings and K of ScrambleBuffer.
extern const uint8_t QzDisplayKey[16];
extern const uint8_t QzBufferKey[16];

// Stored display strings: byte n (from 1) XOR key byte (n mod 16).
std::string DescrambleString(const uint8_t* Data, size_t Count);
// The inverse, used to store a display string; DescrambleString(ScrambleString(s)) == s.
std::string ScrambleString(const std::string& Text);
// byte j XOR ((K[j mod 16] + j mod 16) mod 256); its own inverse. Count <= 0 does nothing.
void ScrambleBuffer(void* Buffer, int32_t Count);
