// Bases of the stereo processors: an update event, a clamped sample rate and a history store.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/QzAudioMath.h"
#include "core/QzFileClasses.h"
#include "core/Classes.h"

// Built at load time like RatioToDbTable; no operation of this program reads it.
extern float AmpToDbTable[QzLevelTableSize];

// What a stage that is switched off does to a block: the two input channels pass unchanged, so
// that separate output buffers never keep stale data; a channel processed in place is left alone.
void QzCopyUnlessSame(const float* const* Inputs, float* const* Outputs, uint16_t Frames);

class TQzAudioUpdateClass : public TObject {
public:
  std::string ClassName() const override { return "TQzAudioUpdateClass"; }
  TNotifyEvent OnUpdate;

  virtual void Update() { DoUpdate(); }
  virtual void DoUpdate() {
    if (OnUpdate) OnUpdate(this);
  }
};

class TQzAudioSampleRateClass : public TQzAudioUpdateClass {
public:
  static constexpr uint32_t MinSampleRate = 10000;
  static constexpr uint32_t MaxSampleRate = 192000;
  static constexpr uint32_t DefaultSampleRate = 44100;

  std::string ClassName() const override { return "TQzAudioSampleRateClass"; }

  // Clamps the stored rate in place, then returns it.
  uint32_t GetSampleRate();
  // Clamps; when the clamped rate differs from the stored one, stores it and calls
  // SampleRateChanged. Called on the host's control thread.
  void SetSampleRate(uint32_t Value);

  // Fires OnUpdate here; processors override it to pass the rate to their stages.
  virtual void SampleRateChanged() { DoUpdate(); }

protected:
  // Read by the audio thread through the processors' coefficients, written by the host's
  // control thread.
  TQzShared<uint32_t> FSampleRate{DefaultSampleRate};
};

class TQzAudioSampleRateStereoHistoryClass : public TQzAudioSampleRateClass {
public:
  std::string ClassName() const override { return "TQzAudioSampleRateStereoHistoryClass"; }
  ~TQzAudioSampleRateStereoHistoryClass() override {
    FHistoryCount = 0;
    FHistoryValue = 0.0f;
  }

protected:
  // History store of the stereo processors; nothing in this program fills or reads it.
  int32_t FHistoryCount = 0;
  float FHistoryValue = 0.0f;
  std::vector<float> FHistory;
  bool FHistoryFlag = false;
};

// ---- Preset-details record ----------------------------------------------------------------------
// The descriptive record of a stored preset: sixteen texts and a 32-byte block whose first field
// is the size of the preset content it describes. Its stream (signature 55555) stores every text
// scrambled with ScrambleBuffer.
class TQzAudioPresetDetails : public TQzPersistentFileClass {
public:
  static constexpr uint32_t Signature = 55555;
  static constexpr uint8_t Version = 2;
  static constexpr uint8_t Format = 7;
  static constexpr uint16_t HeaderSize = 32;
  static constexpr int StringCount = 16;
  static constexpr int BlockSize = 32;
  // The product identifier a new or cleared record carries.
  static constexpr const char* DefaultProductID = "QMR-CC16";

  // Storage index of each text.
  enum : int {
    pdsTitle = 0, pdsDescription = 1, pdsProductID = 2, pdsProductType = 3,
    pdsVersion = 4, pdsDate = 5, pdsKeywords = 6, pdsGenre = 7,
    pdsAuthor = 8, pdsPublisher = 9, pdsCopyright = 10, pdsNotes = 11,
    pdsCategory = 12, pdsFileName = 13,
  };

  TQzAudioPresetDetails();
  std::string ClassName() const override { return "TQzAudioPresetDetails"; }

  // Every text empty, the default product identifier, ContentSize 0; one notification. The 28
  // reserved bytes and the error state are left alone.
  void Clear() override;
  // Errors: (1000, 800), (1001, 801 .. 804). Notifies nothing.
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 850), (1002, 851), (1603, 852), (1604, 853), (1002, 854), (1002, 855).
  // Does not clear first: a text stored empty keeps the record's text. Always notifies once.
  bool LoadFromStream(TStream* Stream) override;
  // Texts and block copied, one notification; nullptr does nothing.
  virtual void Assign(TQzAudioPresetDetails* Source);
  void Assign(TPersistent* Source) override;

  // Text by storage index 0 .. 15 ("" and no change outside).
  const std::string& GetString(int Index) const;
  void SetString(int Index, const std::string& Value);

  const std::string& GetTitle() const { return FStrings[pdsTitle]; }
  void SetTitle(const std::string& V) { SetString(pdsTitle, V); }
  const std::string& GetDescription() const { return FStrings[pdsDescription]; }
  void SetDescription(const std::string& V) { SetString(pdsDescription, V); }
  const std::string& GetKeywords() const { return FStrings[pdsKeywords]; }
  void SetKeywords(const std::string& V) { SetString(pdsKeywords, V); }
  const std::string& GetAuthor() const { return FStrings[pdsAuthor]; }
  void SetAuthor(const std::string& V) { SetString(pdsAuthor, V); }
  const std::string& GetPublisher() const { return FStrings[pdsPublisher]; }
  void SetPublisher(const std::string& V) { SetString(pdsPublisher, V); }
  const std::string& GetCopyright() const { return FStrings[pdsCopyright]; }
  void SetCopyright(const std::string& V) { SetString(pdsCopyright, V); }
  const std::string& GetNotes() const { return FStrings[pdsNotes]; }
  void SetNotes(const std::string& V) { SetString(pdsNotes, V); }
  const std::string& GetVersion() const { return FStrings[pdsVersion]; }
  void SetVersion(const std::string& V) { SetString(pdsVersion, V); }
  const std::string& GetDate() const { return FStrings[pdsDate]; }
  void SetDate(const std::string& V) { SetString(pdsDate, V); }
  const std::string& GetGenre() const { return FStrings[pdsGenre]; }
  void SetGenre(const std::string& V) { SetString(pdsGenre, V); }
  const std::string& GetCategory() const { return FStrings[pdsCategory]; }
  void SetCategory(const std::string& V) { SetString(pdsCategory, V); }
  const std::string& GetFileName() const { return FStrings[pdsFileName]; }
  void SetFileName(const std::string& V) { SetString(pdsFileName, V); }
  const std::string& GetProductType() const { return FStrings[pdsProductType]; }
  void SetProductType(const std::string& V) { SetString(pdsProductType, V); }
  const std::string& GetProductID() const { return FStrings[pdsProductID]; }
  void SetProductID(const std::string& V) { SetString(pdsProductID, V); }
  int32_t GetContentSize() const;
  void SetContentSize(int32_t Value);
  // The whole 32-byte block: ContentSize, then 28 reserved bytes carried as they are.
  const std::array<uint8_t, BlockSize>& GetBlock() const { return FBlock; }
  void SetBlock(const std::array<uint8_t, BlockSize>& Block) { FBlock = Block; }

private:
  std::array<std::string, StringCount> FStrings;
  std::array<uint8_t, BlockSize> FBlock{};
};
