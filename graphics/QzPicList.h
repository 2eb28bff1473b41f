// Picture lists ("PLID"): a persistable collection of pictures, each with a 16-bit ID, a JPEG
// thumbnail, eight text slots and a 32-byte attribute block. Theme packages store their pictures
// as one list stream; controls look pictures up by ID.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/QzFileClasses.h"
#include "platform/Graphics.h"

enum TQzPictureListSection { plsTitle, plsDescription, plsAuthor, plsDate, plsPublisher, plsCopyright };
extern const char* const QzPictureListSectionNames[6];

class TQzPictureListItems;

class TQzPictureListItem : public TQzStreamClass {
public:
  static constexpr int StringCount = 8;
  static constexpr int AttributeBytes = 32;
  static constexpr int ThumbnailSize = 250;
  using TAttributes = std::array<uint8_t, AttributeBytes>;

  // With an owner, the item takes a fresh ID from it and joins its list.
  explicit TQzPictureListItem(TQzPictureListItems* AOwner);
  ~TQzPictureListItem() override;
  std::string ClassName() const override { return "TQzPictureListItem"; }

  // New empty picture and thumbnail, attribute 100, strings emptied; notifies.
  void Clear() override;
  // Errors: (1000, 710), (1001, 711) a write fell short.
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 720), (1002, 720) ID or length short, (1002, 722) picture bytes short or
  // beyond the stream, (1504, 721) picture undecodable, (1002, 723) attribute block short.
  bool LoadFromStream(TStream* Stream) override;
  // Picture, thumbnail, strings and the attribute block; not the ID. Nil does nothing.
  virtual void Assign(const TQzPictureListItem* Source);

  uint8_t GetAttribute() const { return FAttributes[4]; }
  void SetAttribute(uint8_t Value);
  const TAttributes& GetAttributes() const { return FAttributes; }
  void SetAttributes(const TAttributes& Value) { FAttributes = Value; }
  const std::string& GetString(int Index) const;
  void SetString(int Index, const std::string& Value);
  uint16_t GetID() const { return FID; }
  void SetID(uint16_t Value) { FID = Value; }
  TPicture* GetPicture() const { return FPicture.get(); }
  TJPEGImage* GetThumbnail() const { return FThumbnail.get(); }
  TQzPictureListItems* GetOwner() const { return FOwner; }

private:
  friend class TQzPictureListItems;
  TQzPictureListItems* FOwner = nullptr;
  std::unique_ptr<TPicture> FPicture;
  std::unique_ptr<TJPEGImage> FThumbnail;
  std::array<std::string, StringCount> FStrings;
  TAttributes FAttributes{};
  uint16_t FID = 0;
};

class TQzPictureListItems : public TQzFileClass {
public:
  static constexpr uint8_t Version = 1;
  static constexpr uint16_t HeaderSize = 26;
  static constexpr int HeaderBytes = 10;
  static const uint8_t Key[16];

  TQzPictureListItems();
  ~TQzPictureListItems() override;
  std::string ClassName() const override { return "TQzPictureListItems"; }

  void Clear() override { FreeItems(); }
  // Errors: (1000, 700), (1001, 701), (1504, 705) more items than the count field holds, or
  // the error of the first item that failed.
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 700), (1002, 701), (1603, 702), (1604, 703), (1002, 704) an item failed; an
  // item cut short by the end of the stream is dropped, one whose picture cannot be decoded
  // stays. Notifies once.
  bool LoadFromStream(TStream* Stream) override;
  // Copies of every item, with fresh IDs. Nil does nothing.
  virtual void Assign(const TQzPictureListItems* Source);

  void FreeItems();
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  TQzPictureListItem* GetItem(int32_t Index) const;
  TQzPictureListItem* FindByID(uint16_t ID) const;
  TGraphic* GetGraphicByID(uint16_t ID) const;
  // A random ID no item holds, when one is free.
  uint16_t NewID() const;

private:
  friend class TQzPictureListItem;
  std::vector<TQzPictureListItem*> FItems;
};
