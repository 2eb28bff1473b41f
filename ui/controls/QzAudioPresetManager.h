// The preset manager: a non-visual component that keeps a list of stored presets and reads and
// writes them as one stream. Choosing and naming presets is left to descendants: the plug-in
// tool bar calls AddPreset and SelectPreset when a manager is linked to it.
//
// Stream: the list format of TQzAudioPresetList (QzAudioPresets.h). Reads are bounded by the
// bytes the stream holds; every failure answers False and leaves its code in GetError().
#pragma once

#include <cstdint>
#include <string>

#include "ui/controls/QzAudioPresets.h"
#include "ui/framework/QzAudioBase.h"

class TQzCustomAudioPresetManager : public TQzCustomAudioComponentClass {
public:
  explicit TQzCustomAudioPresetManager(TComponent* AOwner);
  ~TQzCustomAudioPresetManager() override;
  std::string ClassName() const override { return "TQzCustomAudioPresetManager"; }

  // Called by the tool bar's add button with a screen point just below the tool bar and a
  // stream (at position 0) holding the current state; the manager stores a new preset from it.
  virtual void AddPreset(int32_t X, int32_t Y, TStream* Stream) = 0;
  // Called by the tool bar with the screen point below its preset area, that area's width, a
  // height for the chooser and an empty stream. Answer True with the chosen preset's data
  // written into Stream; the tool bar rewinds it and hands it to the plug-in.
  virtual bool SelectPreset(int32_t X, int32_t Y, int32_t Width, int32_t Height, TStream* Stream) = 0;

  // Items: an item made with TQzCustomAudioPresetItem(this manager) or GetItems()->Add() joins
  // it, and leaves it when freed.
  TQzAudioPresetList* GetItems() const { return FItems; }
  int32_t Count() const { return FItems->Count(); }
  // nullptr outside 0 .. Count - 1.
  TQzCustomAudioPresetItem* Item(int32_t Index) const { return FItems->Item(Index); }
  void ClearItems() { FItems->ClearItems(); }
  void Clear() override { ClearItems(); }

  // At design time both do nothing and answer True. Otherwise the list format; False on any
  // failure (no stream, a short write or read, a count the stream cannot hold, a damaged item).
  virtual bool SaveToStream(TStream* Stream);
  virtual bool LoadFromStream(TStream* Stream);
  // The packed code of the last failed operation, 0 after a success.
  uint32_t GetError() const { return FItems->Error; }

private:
  TQzAudioPresetList* FItems;
};

// Registers the manager and the preset-details record with the form reader; idempotent.
void RegisterQzAudioPresetManagerClasses();
