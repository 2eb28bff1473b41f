// A theme: 256 colours, descriptive details, pictures and a store of named values, kept by one
// TQzThemeItems object and stored in a chunked binary file ("TFID"). The theme manager owns one
// and lends its colours, font and values to the controls.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/QzFileClasses.h"
#include "graphics/QzFileDetails.h"
#include "graphics/QzPicList.h"
#include "platform/Components.h"
#include "platform/Graphics.h"
#include "ui/framework/QzExtIni.h"

// The details record of a theme package; its named slots are those of the base.
class TQzThemeDetails : public TQzCustomFileDetails {
public:
  std::string ClassName() const override { return "TQzThemeDetails"; }
};
// Publishes Preview (read-only), Title, Description, Author, Publisher, Copyright, Version, Date,
// ProductID, Software and Notes of TQzThemeDetails to the form reader; safe to call repeatedly.
void QzRegisterThemeDetailsClass();

class TQzThemeItems : public TQzFileClass {
public:
  static constexpr char Magic[5] = "TFID";
  static constexpr uint8_t Version = 1;
  static constexpr uint32_t HeaderSize = 46;
  static constexpr int HeaderBytes = 14;
  static constexpr uint16_t ChunkMarker = 1855;
  static constexpr int ChunkHeaderBytes = 10;
  enum : uint16_t { chkDetails = 10, chkColors = 20, chkPictures = 100, chkEnd = 65535 };
  static constexpr int ColorCount = 256;
  static constexpr int ColorTableBytes = ColorCount * 4;
  // Picture slots in four groups of 4, 4, 5 and 5; the first group holds transparent bitmaps.
  static constexpr int GraphicCount = 18;

  explicit TQzThemeItems(TComponent* AOwner = nullptr);
  ~TQzThemeItems() override;
  std::string ClassName() const override { return "TQzThemeItems"; }

  // Fires OnChange unless an update bracket is open.
  virtual void Changed() { DoChange(); }
  // Empties the values, the memory stream, the details and the pictures; the colours stay.
  void Clear() override;
  // Errors: (1000, 1120), (1001, 1198) header, (1001, 1121) a chunk header, (1001, 1136) colour
  // table, (1001, 1199) end chunk, or the error of the details or the picture list.
  bool SaveToStream(TStream* Stream) override;
  // Errors: (1000, 3001), (1002, 4000) header short or its size beyond the stream, (1603, 4001)
  // magic or a header size below 14, (1603, 4002) a version other than 1, (1002, 4003) chunk
  // header short, (1603, 4004) chunk marker, (1002, 4005) chunk body beyond the stream, (1603,
  // 3007) colour chunk shorter than the table, or the error of the details or the picture list.
  // Chunks read before a failure stay loaded. Notifies once.
  bool LoadFromStream(TStream* Stream) override;
  // Colours, memory stream, pictures and details of Source; nil does nothing. Notifies once.
  virtual void Assign(const TQzThemeItems* Source);

  TComponent* GetOwner() const { return FOwner; }
  TQzThemeDetails* GetDetails() const { return FDetails.get(); }
  TQzPictureListItems* GetPictures() const { return FPictures.get(); }
  TMemoryStream* GetStream() const { return FStream.get(); }
  TIcon* GetIcon() const { return FIcon.get(); }
  TQzExtIniValuesControler* GetValues() const { return FValues.get(); }
  TFont* GetFont() const { return FFont.get(); }
  TColor GetColor(uint8_t Index) const { return FColors[Index]; }
  void SetColor(uint8_t Index, TColor Value);
  const std::array<TColor, ColorCount>& GetColors() const { return FColors; }
  // Nil for an empty slot or an index outside 0 .. 17.
  TGraphic* GetGraphic(int Index) const;
  // Stops a load after the details chunk, for browsing theme files by their details.
  bool DetailsOnly = false;

private:
  bool WriteChunk(TStream* Stream, uint16_t Id, const std::function<bool()>& Body);
  // Reads a nested record from exactly the chunk body, so that it cannot run into what follows.
  bool LoadNested(TStream* Stream, uint32_t Length, TQzStreamClass& Target);

  TComponent* FOwner;
  std::unique_ptr<TQzThemeDetails> FDetails;
  std::unique_ptr<TQzPictureListItems> FPictures;
  std::unique_ptr<TMemoryStream> FStream;
  std::unique_ptr<TIcon> FIcon;
  std::unique_ptr<TQzExtIniValuesControler> FValues;
  std::unique_ptr<TFont> FFont;
  std::array<TColor, ColorCount> FColors{};
  std::array<std::unique_ptr<TGraphic>, GraphicCount> FGraphics;
};
