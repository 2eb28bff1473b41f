// Stored presets of an audio plug-in: each a description record plus an opaque block of preset
// data, and a list of them with its stream format. The preset manager component keeps its
// presets in a TQzAudioPresetList.
//
// Item stream (little-endian, at the stream's position): the details record in its own format,
// a 4-byte unsigned data size N, then N data bytes. List stream: a 4-byte unsigned count C,
// then C items in list order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/QzAudioClasses.h"
#include "core/QzFileClasses.h"

class TQzAudioPresetList;
class TQzCustomAudioPresetManager;

class TQzCustomAudioPresetItem : public TQzFileClass {
public:
  // Joins AManager's Items (at the end) when AManager is given.
  explicit TQzCustomAudioPresetItem(TQzCustomAudioPresetManager* AManager = nullptr);
  // Leaves its list, unless the list is freeing it.
  ~TQzCustomAudioPresetItem() override;
  std::string ClassName() const override { return "TQzCustomAudioPresetItem"; }

  // The manager whose Items hold the item; nullptr for an item of no manager's.
  TQzCustomAudioPresetManager* GetManager() const { return FManager; }
  TQzAudioPresetDetails* GetDetails() const { return FDetails.get(); }
  TMemoryStream* GetData() const { return FData.get(); }

  // Data emptied, details cleared; one notification.
  void Clear() override;
  // Errors: (1000, 860) no stream, the details' category at 861, (1001, 862 .. 863).
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 870) no stream, the details' category at 871 (nothing more is read),
  // (1002, 872) no size, (1002, 873) a size beyond the bytes the stream holds (nothing is
  // allocated), (1002, 874) short data. Notifies once, also after a failure.
  bool LoadFromStream(TStream* Stream) override;

private:
  friend class TQzAudioPresetList;
  TQzCustomAudioPresetManager* FManager = nullptr;
  // The list that holds the item: its manager's Items, or a list of no manager's.
  TQzAudioPresetList* FList = nullptr;
  std::unique_ptr<TQzAudioPresetDetails> FDetails;
  std::unique_ptr<TMemoryStream> FData;
};

class TQzAudioPresetList : public TQzStreamClass {
public:
  // The fewest bytes an item can take in a stream: the 8-byte head of its details record and
  // its data size. A declared count is checked against it before any item is made.
  static constexpr int64_t MinItemBytes = QzStreamHeaderBytes + 4;

  // Owner: the manager whose Items this list is; items made by the list belong to it.
  explicit TQzAudioPresetList(TQzCustomAudioPresetManager* Owner = nullptr) : FOwner(Owner) {}
  ~TQzAudioPresetList() override;
  std::string ClassName() const override { return "TQzAudioPresetList"; }

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // nullptr outside 0 .. Count - 1.
  TQzCustomAudioPresetItem* Item(int32_t Index) const;
  // A new empty item at the end, of the list's manager.
  TQzCustomAudioPresetItem* Add();
  // Frees every item, last first, without each one touching the list.
  void ClearItems();
  void Clear() override;

  // Errors: (1000, 880) no stream, (1001, 881) count, an item's category at 882.
  bool SaveToStream(TStream* Stream) override;
  // Frees the items first. Errors: (1000, 890) no stream, (1002, 891) no count, (1002, 892) a
  // count the rest of the stream cannot hold, an item's category at 893. After a failure the
  // items read whole before it stay. Notifies once.
  bool LoadFromStream(TStream* Stream) override;

private:
  friend class TQzCustomAudioPresetItem;
  void Append(TQzCustomAudioPresetItem* Item);
  TQzCustomAudioPresetManager* FOwner;
  std::vector<TQzCustomAudioPresetItem*> FItems;
};
