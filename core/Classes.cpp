#include "core/Classes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

void TPersistent::Assign(TPersistent* Source) {
  if (Source == nullptr) throw EConvertError("Cannot assign a nil to a " + ClassName());
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
  const std::string to = Dest ? Dest->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + to);
}

int64_t TStream::GetSize() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
  if (Count < 0) return 0;
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->GetSize();
  }
  uint8_t buffer[65536];
  int64_t left = Count;
  while (left > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(left, sizeof buffer));
    Source->ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    left -= n;
  }
  return Count;
}

// ---- TMemoryStream -----------------------------------------------------------------------

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPosition >= GetSize()) return 0;
  const int64_t n = std::min<int64_t>(Count, GetSize() - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  // A position far past the end (a seek by an unchecked size) must not turn into a huge
  // allocation: the write fails instead.
  if (FPosition > MaxSize - Count) return 0;
  const int64_t end = FPosition + Count;
  if (end > GetSize()) {
    try {
      FData.resize(static_cast<size_t>(end), 0);
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = end;
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = 0;
  if (Origin == soCurrent) base = FPosition;
  else if (Origin == soEnd) base = GetSize();
  // A position before the start is clamped to it; one past the end is kept (a write fills up).
  int64_t pos = 0;
  if (__builtin_add_overflow(base, Offset, &pos)) pos = Offset < 0 ? 0 : INT64_MAX;
  FPosition = std::max<int64_t>(0, pos);
  return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize > MaxSize) throw EWriteError("Out of memory while expanding memory stream");
  try {
    FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)), 0);
  } catch (const std::bad_alloc&) {
    throw EWriteError("Out of memory while expanding memory stream");
  }
  FPosition = std::min<int64_t>(FPosition, GetSize());
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const int64_t size = Stream->GetSize();
  if (size > std::numeric_limits<int32_t>::max()) throw EReadError("Stream too large");
  FData.assign(static_cast<size_t>(size), 0);
  FPosition = 0;
  if (size > 0) Stream->ReadBuffer(FData.data(), static_cast<int32_t>(size));
}

void TMemoryStream::SaveToStream(TStream* Stream) {
  if (!FData.empty()) Stream->WriteBuffer(FData.data(), static_cast<int32_t>(FData.size()));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream file(FileName, fmCreate);
  SaveToStream(&file);
}

// ---- TFileStream -------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName) {
  if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
    FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (FHandle < 0)
      throw EFCreateError("Cannot create file \"" + FileName + "\": " + std::strerror(errno));
    return;
  }
  int flags = O_RDONLY;
  if ((Mode & 3) == fmOpenWrite) flags = O_WRONLY;
  else if ((Mode & 3) == fmOpenReadWrite) flags = O_RDWR;
  FHandle = ::open(FileName.c_str(), flags | O_CLOEXEC);
  if (FHandle >= 0) {
    struct stat st {};
    if (::fstat(FHandle, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(FHandle);
      FHandle = -1;
      errno = EISDIR;
    }
  }
  if (FHandle < 0)
    throw EFOpenError("Cannot open file \"" + FileName + "\": " + std::strerror(errno));
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

int32_t TFileStream::Read(void* Buffer, int32_t Count) {
  int32_t done = 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::read(FHandle, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count) {
  int32_t done = 0;
  const auto* p = static_cast<const uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::write(FHandle, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t pos = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
  return pos < 0 ? ::lseek(FHandle, 0, SEEK_CUR) : pos;
}

void TFileStream::SetSize(int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EWriteError("Cannot resize file \"" + FFileName + "\"");
  if (GetPosition() > NewSize) Seek(NewSize, soBeginning);
}
