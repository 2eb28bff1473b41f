// Picture metadata: 64 text fields (title, author, camera data and the like) with a
// block-structured stream whose strings can be scrambled. TGA pictures read one after their
// pixels; TIFF pictures own one.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/QzFileClasses.h"

enum TQzPictureExifField {
  pedTitle, pedAuthor, pedDescription, pedPublisher, pedCopyright, pedVersion, pedDate,
  pedSerial, pedLicense, pedNotes, pedCamera, pedModel, pedLenses, pedAV, pedTV, pedISO, pedAF,
  pedWhiteBalance, pedColorSpace, pedMeasurementMode, pedFocalLength, pedLocation, pedGeoTags,
  pedPictureType, pedPictureSize, pedPictureQuality, pedPixelFormat, pedDustData,
  pedTransportType, pedFileName, pedFileSize, pedSoftware, pedFirmWare, pedUserComment,
  pedWebsite, pedEmail, pedKeyWords
};
inline constexpr int QzPictureExifFieldCount = 37;
extern const char* const QzPictureExifFieldNames[QzPictureExifFieldCount];

// The 16-byte key of the scrambled strings.
extern const uint8_t QzExifKey[16];
// Byte 0 stays plain; byte i (from 1) XOR ((K[(i - 1) mod 16] + (i - 1) mod 16) mod 256). Its
// own inverse.
void QzScrambleExifString(uint8_t* Data, size_t Count);

class TQzCustomPictureExifData : public TQzFileClass {
public:
  static constexpr int StringCount = 64;
  static constexpr uint8_t Magic[4] = {0x32, 0x01, 0x0C, 0x13};
  static constexpr uint8_t Version = 1;
  static constexpr uint16_t HeaderSize = 128;
  static constexpr int HeaderBytes = 11;
  static constexpr uint16_t BlockTag = 5020;
  static constexpr uint16_t BlockStrings = 1;
  static constexpr uint16_t BlockEnd = 0xFFFF;
  static constexpr uint8_t ScrambleMarker = 101;
  // Longer strings are stored cut to this many bytes.
  static constexpr size_t MaxStringLength = 65534;

  TQzCustomPictureExifData();
  std::string ClassName() const override { return "TQzCustomPictureExifData"; }

  // Every string empty, error 0; Scrambled stays.
  void Clear() override;
  // Errors: (1000, 201), (1001, 202 .. 207).
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 501), (1603, 502), (1603, 503), (1603, 504) a version other than 1,
  // (1603, 507 .. 512). The stream is left after the end block on success; a failed load keeps
  // the strings read so far.
  bool LoadFromStream(TStream* Stream) override;
  // The 64 strings; nil does nothing.
  virtual void Assign(const TQzCustomPictureExifData* Source);

  // "" and no change outside 0 .. 63.
  const std::string& GetString(int Index) const;
  void SetString(int Index, const std::string& Value);
  uint32_t GetErrorCode() const { return Error; }
  bool GetScrambled() const { return FScrambled; }
  void SetScrambled(bool Value) { FScrambled = Value; }

private:
  std::array<std::string, StringCount> FStrings;
  bool FScrambled = false;
};

class TQzPictureExifData : public TQzCustomPictureExifData {
public:
  std::string ClassName() const override { return "TQzPictureExifData"; }
};
