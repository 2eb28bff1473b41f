// Run-time basics of the toolkit that the program's units derive from: the root object,
// method-pointer events and byte streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  // The class name as text, as the form reader and the error messages print it.
  virtual std::string ClassName() const { return "TObject"; }
};

// Base of objects that can copy themselves from another object of a related class.
class TPersistent : public TObject {
public:
  std::string ClassName() const override { return "TPersistent"; }
  // Copies from Source: Source->AssignTo(this), so either side may know how.
  virtual void Assign(TPersistent* Source);
  // The other half of Assign; the default cannot assign and throws EConvertError.
  virtual void AssignTo(TPersistent* Dest);
};

// An event handler bound to an object: the toolkit's method pointer.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Raised by the toolkit's stream helpers and constructors; never let one reach a host.
class EStreamError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
class EConvertError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// A byte stream with a position. Read and Write return the number of bytes moved, which is
// less than asked at the end of the data or on failure; they never throw.
class TStream : public TObject {
public:
  std::string ClassName() const override { return "TStream"; }
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  int64_t GetPosition() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  virtual int64_t GetSize();
  virtual void SetSize(int64_t NewSize) = 0;

  // All-or-nothing variants: throw EReadError / EWriteError when the count is not met.
  void ReadBuffer(void* Buffer, int32_t Count);
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source (all of it from its start when Count is 0); returns the
  // count. Throws EReadError / EWriteError when either side falls short.
  int64_t CopyFrom(TStream* Source, int64_t Count);
};

// A stream over a growable block of memory. Seeking past the end is allowed; a write there
// fills the gap with zeros. The size stays within MaxSize: a write beyond it moves nothing.
class TMemoryStream : public TStream {
public:
  static constexpr int64_t MaxSize = 0x7FFFFFFF;

  std::string ClassName() const override { return "TMemoryStream"; }
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;
  void Clear();

  uint8_t* Memory() { return FData.data(); }
  const uint8_t* Memory() const { return FData.data(); }
  const std::vector<uint8_t>& Data() const { return FData; }

  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

// File open modes, combined with "|": one access mode and one sharing mode.
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// A stream over a file. The constructor throws EFCreateError (fmCreate) or EFOpenError when
// the file cannot be created or opened. Sharing modes are accepted and not enforced: POSIX
// files are always shared.
class TFileStream : public TStream {
public:
  TFileStream(const std::string& FileName, uint16_t Mode);
  ~TFileStream() override;
  std::string ClassName() const override { return "TFileStream"; }
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};
