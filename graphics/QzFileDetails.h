// The descriptive record of a theme package: a JPEG preview, 32 string slots and 32 integer
// slots in a small scrambled stream ("C96E8918").
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/QzFileClasses.h"
#include "platform/Graphics.h"

// byte[i] XOR ((Key[i mod 16] + i mod 16) mod 256) over Count bytes; its own inverse. Shared
// with the picture list, which brings its own key.
void QzScrambleDetails(void* Buffer, int64_t Count, const uint8_t (&Key)[16]);

class TQzCustomFileDetails : public TQzFileClass {
public:
  static constexpr int SlotCount = 32;
  static constexpr char Signature[9] = "C96E8918";
  static constexpr uint8_t Version = 3;
  static constexpr uint8_t Revision = 5;
  static constexpr uint16_t HeaderSize = 32;
  static constexpr int HeaderBytes = 15;
  // The stored length field is 16 bits wide.
  static constexpr size_t MaxStringLength = 65535;
  static const uint8_t DefaultKey[16];
  static const uint8_t Revision3Key[16];

  TQzCustomFileDetails();
  ~TQzCustomFileDetails() override;
  std::string ClassName() const override { return "TQzCustomFileDetails"; }

  // A new empty preview, every string empty, every integer 0; notifies.
  void Clear() override;
  // Errors: (1000, 120), (1001, 119 .. 124), (1504, 123) a string longer than 65535 bytes (nothing
  // is written), (1501, 120) the preview could not be encoded.
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 101), (1603, 102 .. 106), (1002, 107) preview length not read or beyond the
  // stream (a length of 0 or below is no preview), (1501, 107) preview undecodable, (1603, 107)
  // integers short, (1002, 108 .. 109) strings short; the end marker may be missing. Notifies
  // once, also after a failure.
  bool LoadFromStream(TStream* Stream) override;
  // Called after a successful save / load with the stream after the end marker.
  virtual void SaveExtra(TStream* Stream, uint8_t AVersion, uint8_t ARevision);
  virtual void LoadExtra(TStream* Stream, uint8_t AVersion, uint8_t ARevision);
  // Slots and preview picture; nil does nothing.
  virtual void Assign(const TQzCustomFileDetails* Source);

  // "" outside 0 .. 31; setting outside does nothing, an equal value fires nothing.
  const std::string& GetString(int Index) const;
  void SetString(int Index, const std::string& Value);
  // Integer slots as a block (0 outside 0 .. 31).
  int32_t GetInteger(int Index) const;
  void SetInteger(int Index, int32_t Value);
  TJPEGImage* GetPreview() const { return FPreview.get(); }

  const std::string& GetTitle() const { return GetString(0); }
  void SetTitle(const std::string& V) { SetString(0, V); }
  const std::string& GetDescription() const { return GetString(1); }
  void SetDescription(const std::string& V) { SetString(1, V); }
  const std::string& GetAuthor() const { return GetString(2); }
  void SetAuthor(const std::string& V) { SetString(2, V); }
  const std::string& GetPublisher() const { return GetString(3); }
  void SetPublisher(const std::string& V) { SetString(3, V); }
  const std::string& GetCopyright() const { return GetString(4); }
  void SetCopyright(const std::string& V) { SetString(4, V); }
  const std::string& GetVersion() const { return GetString(5); }
  void SetVersion(const std::string& V) { SetString(5, V); }
  const std::string& GetDate() const { return GetString(6); }
  void SetDate(const std::string& V) { SetString(6, V); }
  const std::string& GetProductID() const { return GetString(14); }
  void SetProductID(const std::string& V) { SetString(14, V); }
  const std::string& GetSoftware() const { return GetString(19); }
  void SetSoftware(const std::string& V) { SetString(19, V); }
  const std::string& GetNotes() const { return GetString(21); }
  void SetNotes(const std::string& V) { SetString(21, V); }

private:
  std::unique_ptr<TJPEGImage> FPreview;
  std::array<int32_t, SlotCount> FIntegers{};
  std::array<std::string, SlotCount> FStrings;
};

class TQzFileDetails : public TQzCustomFileDetails {
public:
  std::string ClassName() const override { return "TQzFileDetails"; }
};
