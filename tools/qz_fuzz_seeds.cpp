// Writes the seed corpora of the fuzz targets: a few small, valid inputs per reader, produced
// by the writers themselves. Usage: qz_fuzz_seeds <folder> (normally tests/data/fuzz); each
// target gets <folder>/<target>/seed_N.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engine/QzAudioClasses.h"
#include "engine/QzAudioEffectPlugin.h"
#include "engine/QzAudioLimiter.h"
#include "engine/QzAudioMicroEQ.h"
#include "graphics/QzBMP.h"
#include "graphics/QzEPF.h"
#include "graphics/QzFileDetails.h"
#include "graphics/QzPicExifData.h"
#include "graphics/QzPicList.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "platform/Graphics.h"
#include "tests/common/TestLzw.h"
#include "ui/framework/QzExtIni.h"
#include "ui/framework/QzThemeItems.h"
#include "ui/controls/QzAudioPresets.h"

namespace fs = std::filesystem;

namespace {
fs::path Root;

void WriteFile(const fs::path& Dir, const std::string& Name, const std::function<void(TMemoryStream&)>& Write) {
  TMemoryStream s;
  Write(s);
  fs::create_directories(Dir);
  std::ofstream f(Dir / Name, std::ios::binary);
  f.write(reinterpret_cast<const char*>(s.Memory()), static_cast<std::streamsize>(s.GetSize()));
}

void Put(const std::string& Target, int N, const std::function<void(TMemoryStream&)>& Write) {
  WriteFile(Root / Target, "seed_" + std::to_string(N), Write);
}

// An input that once broke a reader and is replayed from then on.
void PutRegression(const std::string& Target, const std::string& Name,
                   const std::function<void(TMemoryStream&)>& Write) {
  WriteFile(Root / "regressions" / Target, Name, Write);
}

void PutBytes(TMemoryStream& S, std::initializer_list<uint8_t> Bytes) {
  for (uint8_t b : Bytes) S.WriteBuffer(&b, 1);
}
void PutLE(TMemoryStream& S, uint32_t V, int Bytes) {
  for (int i = 0; i < Bytes; ++i) PutBytes(S, {static_cast<uint8_t>(V >> (8 * i))});
}

// A run-length bitmap (RLE8 when Bits is 8, RLE4 when 4) of the declared size with two palette
// colours and the given compressed data.
void RleBitmap(TMemoryStream& S, int32_t W, int32_t H, uint16_t Bits, std::initializer_list<uint8_t> Data) {
  const uint32_t off = 14 + 40 + 8;
  PutBytes(S, {'B', 'M'});
  PutLE(S, off + static_cast<uint32_t>(Data.size()), 4);
  PutLE(S, 0, 4);
  PutLE(S, off, 4);
  PutLE(S, 40, 4);
  PutLE(S, static_cast<uint32_t>(W), 4);
  PutLE(S, static_cast<uint32_t>(H), 4);
  PutLE(S, 1, 2);
  PutLE(S, Bits, 2);
  PutLE(S, Bits == 8 ? 1 : 2, 4);
  PutLE(S, static_cast<uint32_t>(Data.size()), 4);
  PutLE(S, 0, 4);
  PutLE(S, 0, 4);
  PutLE(S, 2, 4);
  PutLE(S, 0, 4);
  PutBytes(S, {0, 0, 255, 0, 0, 255, 0, 0});
  PutBytes(S, Data);
}


// A small picture with a colour ramp and varying alpha.
void Paint(uint8_t* Pixel, int X, int Y, int Bpp, bool Alpha) {
  Pixel[0] = static_cast<uint8_t>(X * 40);
  Pixel[1] = static_cast<uint8_t>(Y * 60);
  Pixel[2] = static_cast<uint8_t>(X * Y * 7);
  if (Bpp >= 4) Pixel[3] = Alpha ? static_cast<uint8_t>(255 - X * 20) : 255;
  if (Bpp >= 5) Pixel[4] = static_cast<uint8_t>(X * 30);
}

// A toolkit picture of W x H with the colour ramp, in the given class's own format.
template <class TPictureClass>
void RasterPicture(TMemoryStream& S, int W, int H, bool Alpha) {
  TPictureClass p;
  p.SetPixelFormat(Alpha ? pf32bit : pf24bit);
  p.SetHasAlpha(Alpha);
  p.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) Paint(p.GetScanLine(y) + x * (Alpha ? 4 : 3), x, y, Alpha ? 4 : 3, Alpha);
  p.SaveToStream(&S);
}
// Our writer's TIFF of the colour ramp, its strip cut into strips of RowsPerStrip rows, each
// LZW-coded, with horizontal differencing when Differenced: a thirteenth entry (Predictor) and
// the strips' offsets and byte counts out of line go into the gap the writer leaves.
void LzwTiff(TMemoryStream& S, int W, int H, uint32_t RowsPerStrip, bool Differenced) {
  TQzTIFImage t;
  t.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) Paint(t.GetPixelPtr(x, y), x, y, 4, true);
  TMemoryStream plain;
  t.SaveToStream(&plain);
  const auto* bytes = static_cast<const uint8_t*>(plain.Memory());
  std::vector<uint8_t> file(bytes, bytes + TQzTIFImage::StripOffset);
  const size_t rowBytes = static_cast<size_t>(W) * 4;
  const uint32_t strips = (static_cast<uint32_t>(H) + RowsPerStrip - 1) / RowsPerStrip;
  // One strip's offset and byte count stand in their entries themselves.
  const uint32_t Offsets = strips == 1 ? 10 + 5 * 12 + 8 : 200, Counts = strips == 1 ? 10 + 8 * 12 + 8 : 250;
  auto put = [&](size_t At, uint32_t V, int N) {
    for (int i = 0; i < N; ++i) file[At + i] = static_cast<uint8_t>(V >> (8 * i));
  };
  put(8, 13, 2);
  put(10 + 3 * 12 + 8, 5, 2);                                         // Compression: LZW
  put(10 + 5 * 12 + 4, strips, 4), put(10 + 5 * 12 + 8, Offsets, 4);  // StripOffsets
  put(10 + 7 * 12 + 8, RowsPerStrip, 4);
  put(10 + 8 * 12 + 4, strips, 4), put(10 + 8 * 12 + 8, Counts, 4);  // StripByteCounts
  const uint8_t predictor[12] = {0x3D, 0x01, 3, 0, 1, 0, 0, 0, static_cast<uint8_t>(Differenced ? 2 : 1)};
  std::copy(predictor, predictor + 12, file.begin() + 10 + 12 * 12);
  put(10 + 13 * 12, 0, 4);
  for (uint32_t s = 0; s < strips; ++s) {
    const size_t first = s * RowsPerStrip, rows = std::min<size_t>(RowsPerStrip, H - first);
    std::vector<uint8_t> data(bytes + TQzTIFImage::StripOffset + first * rowBytes,
                              bytes + TQzTIFImage::StripOffset + (first + rows) * rowBytes);
    for (size_t y = 0; Differenced && y < rows; ++y)
      for (size_t i = rowBytes - 1; i >= 4; --i) data[y * rowBytes + i] -= data[y * rowBytes + i - 4];
    const std::vector<uint8_t> codes = LzwPack(LzwCodes(data));
    put(Offsets + 4 * s, static_cast<uint32_t>(file.size()), 4);
    put(Counts + 4 * s, static_cast<uint32_t>(codes.size()), 4);
    file.insert(file.end(), codes.begin(), codes.end());
  }
  S.WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qz_fuzz_seeds <folder>\n");
    return 2;
  }
  Root = argv[1];
  QzRegisterPictureFormats();

  Put("meqp", 0, [](TMemoryStream& s) { TQzAudioMicroEqualizerPreset().SaveToStream(&s); });
  Put("meqp", 1, [](TMemoryStream& s) {
    TQzAudioMicroEqualizerPreset p;
    p.SetOutputGain(-3.5f);
    p.SetBandGain(1, 6.0f);
    p.SetPan(20.0f);
    p.SaveToStream(&s);
  });
  Put("vxlm", 0, [](TMemoryStream& s) { TQzAudioLimiterPreset().SaveToStream(&s); });
  Put("vxlm", 1, [](TMemoryStream& s) {
    TQzAudioLimiterPreset p;
    p.SetThreshold(-9.0f);
    p.SetRelease(400.0f);
    p.SaveToStream(&s);
  });
  Put("state", 0, [](TMemoryStream& s) { TQzAudioEffectPlugin().SaveState(&s); });
  Put("state", 1, [](TMemoryStream& s) {
    TQzAudioMicroEqualizerPreset eq;
    eq.SetInputGain(-6.0f);
    eq.SetBandGain(0, 4.5f);
    eq.SetSaturation(true);
    eq.SaveToStream(&s);
    TQzAudioLimiterPreset lim;
    lim.SetThreshold(-12.0f);
    lim.SetMode(0);
    lim.SaveToStream(&s);
  });
  Put("presetdetails", 0, [](TMemoryStream& s) { TQzAudioPresetDetails().SaveToStream(&s); });
  Put("presetdetails", 1, [](TMemoryStream& s) {
    TQzAudioPresetDetails d;
    d.SetTitle("Warm vocal");
    d.SetAuthor("QZ");
    d.SetNotes("A longer note, scrambled on the way out.");
    d.SaveToStream(&s);
  });

  for (int mode = 0; mode < 4; ++mode)
    Put("qzbm", mode, [mode](TMemoryStream& s) {
      TQzBitmap b;
      if (mode >= 2) b.SetPixelFormat(2);
      b.SetBitmapSize(3 + mode, 2);
      for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x)
          Paint(b.GetPixelPtr(x, y), x, y, static_cast<int>(b.GetBytesPerPixel()), mode % 2 == 1);
      b.SaveToStream(&s);
    });
  Put("qzbm", 4, [](TMemoryStream& s) { TQzBitmap().SaveToStream(&s); });

  for (int kind = 0; kind < 4; ++kind)
    Put("epf", kind, [kind](TMemoryStream& s) {
      TQzEPFImage e;
      e.SetSize(4, 3);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
          uint8_t* p = e.GetPixelPtr(x, y);
          Paint(p, x, y, 4, kind % 2 == 1);
          if (kind >= 2) p[1] = p[2] = p[0];
        }
      if (kind == 1) {
        e.GetRawData()->WriteBuffer("raw", 3);
        e.GetPicture()->SetSize(2, 2);
      }
      e.SaveToStream(&s);
    });

  Put("tga", 0, [](TMemoryStream& s) {
    TQzTGAImage t;
    t.ResizeBuffer(3, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) Paint(t.GetPixelPtr(x, y), x, y, 4, true);
    t.SaveToStream(&s);
  });
  Put("tga", 1, [](TMemoryStream& s) {
    // Run-length, 24-bit, bottom-left: a repeat packet and a literal packet.
    const uint8_t f[] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, 0,
                         0x82, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    s.WriteBuffer(f, sizeof f);
  });
  Put("tga", 2, [](TMemoryStream& s) {
    TQzTGAImage t;
    t.ResizeBuffer(1, 1);
    t.SaveToStream(&s);
    TQzPictureExifData x;
    x.SetString(pedTitle, "with metadata");
    x.SaveToStream(&s);
  });

  Put("tif", 0, [](TMemoryStream& s) {
    TQzTIFImage t;
    t.SetSize(3, 2);
    t.SetResolution(72);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) Paint(t.GetPixelPtr(x, y), x, y, 4, true);
    t.SaveToStream(&s);
  });
  Put("tif", 1, [](TMemoryStream& s) { LzwTiff(s, 5, 3, 3, false); });
  Put("tif", 2, [](TMemoryStream& s) { LzwTiff(s, 7, 5, 2, true); });
  // Long enough for the codes to widen to 10 bits.
  Put("tif", 3, [](TMemoryStream& s) { LzwTiff(s, 64, 8, 8, false); });

  Put("exif", 0, [](TMemoryStream& s) { TQzPictureExifData().SaveToStream(&s); });
  Put("exif", 1, [](TMemoryStream& s) {
    TQzPictureExifData x;
    x.SetScrambled(true);
    x.SetString(pedTitle, "Sunset");
    x.SetString(pedCamera, "C");
    x.SetString(63, "last slot");
    x.SaveToStream(&s);
  });

  Put("filedetails", 0, [](TMemoryStream& s) { TQzFileDetails().SaveToStream(&s); });
  Put("filedetails", 1, [](TMemoryStream& s) {
    TQzFileDetails d;
    d.SetTitle("Theme");
    d.SetInteger(3, 77);
    d.GetPreview()->SetSize(4, 4);
    d.SaveToStream(&s);
  });

  Put("piclist", 0, [](TMemoryStream& s) { TQzPictureListItems().SaveToStream(&s); });
  Put("piclist", 1, [](TMemoryStream& s) {
    TQzPictureListItems list;
    auto* a = new TQzPictureListItem(&list);
    TQzTGAImage t;
    t.ResizeBuffer(2, 2);
    a->GetPicture()->Assign(&t);
    auto* b = new TQzPictureListItem(&list);
    TQzEPFImage e;
    e.SetSize(2, 1);
    b->GetPicture()->Assign(&e);
    b->SetAttribute(3);
    new TQzPictureListItem(&list);
    list.SaveToStream(&s);
  });
  Put("bmp", 0, [](TMemoryStream& s) { RasterPicture<TBitmap>(s, 3, 2, false); });
  Put("bmp", 1, [](TMemoryStream& s) { RasterPicture<TBitmap>(s, 3, 2, true); });
  Put("bmp", 2, [](TMemoryStream& s) { RleBitmap(s, 4, 3, 8, {2, 1, 0, 2, 1, 1, 0, 4, 0, 1, 0, 0, 0, 1}); });
  Put("bmp", 3, [](TMemoryStream& s) { RleBitmap(s, 5, 2, 4, {5, 0x10, 0, 0, 0, 3, 0x01, 0x10, 0, 1}); });
  Put("png", 0, [](TMemoryStream& s) { RasterPicture<TPortableNetworkGraphic>(s, 3, 2, false); });
  Put("png", 1, [](TMemoryStream& s) { RasterPicture<TPortableNetworkGraphic>(s, 4, 3, true); });
  Put("jpeg", 0, [](TMemoryStream& s) { RasterPicture<TJPEGImage>(s, 9, 9, false); });
  Put("jpeg", 1, [](TMemoryStream& s) {
    TJPEGImage j;
    j.SetProgressiveEncoding(true);
    j.SetSize(17, 9);
    j.SaveToStream(&s);
  });
  Put("form", 0, [](TMemoryStream& s) {
    const char text[] = R"(object F: TFuzzForm
  ClientWidth = 320
  Caption = 'A '#65' form' + ' joined'
  Color = $232323
  Font.Style = [fsBold, fsItalic]
  BorderStyle = bsToolWindow
  OnCreate = FormCreate
  object Button: TButton
    Align = alTop
    PopupMenu = Popup
    OnClick = Clicked
  end
  object Title: TLabel
    Left = 4
    Font.Color = clWhite
  end
  object Popup: TPopupMenu
    object Item: TMenuItem
      Caption = 'Open'
    end
  end
  object Box: TMemo
    Lines = ('one' 'two')
  end
end
)";
    s.WriteBuffer(text, sizeof text - 1);
  });

  // A picture chunk of a few hundred bytes whose run-length bitmap declares 10242 x 18434
  // pixels: it used to be decoded pixel by pixel into a buffer of 189 megapixels.
  auto hugeRle = [](TMemoryStream& s) {
    RleBitmap(s, 10242, 18434, 8, {255, 1, 255, 1, 0, 2, 255, 255, 0, 2, 255, 255, 0, 0, 9, 1, 0, 1});
  };
  PutRegression("bmp", "rle-huge-picture", hugeRle);
  PutRegression("epf", "rle-huge-picture", [&](TMemoryStream& s) {
    TQzEPFImage e;
    e.SetSize(1, 1);
    TMemoryStream plain;
    e.SaveToStream(&plain);
    const auto* bytes = static_cast<const uint8_t*>(plain.Memory());
    const uint16_t header = static_cast<uint16_t>(bytes[6] | bytes[7] << 8);
    TMemoryStream bmp;
    hugeRle(bmp);
    s.WriteBuffer(bytes, header);
    PutBytes(s, {'E', 'P', 'F', 'D', TQzEPFImage::ctPicture, 0});
    PutLE(s, static_cast<uint32_t>(bmp.GetSize()), 4);
    s.WriteBuffer(bmp.Memory(), static_cast<int32_t>(bmp.GetSize()));
    s.WriteBuffer(bytes + header, static_cast<int32_t>(plain.GetSize() - header));
  });

  const char* const IniText =
      "#ScrollBars /* sizes */\r\n[Sizes]\r\nHorizontal = 14 /* pixels */\r\nVertical=12\r\n"
      "[Texts]\r\nLines=one#13two\r\n[Open\r\n#Other\r\n[Sizes]\r\nHorizontal=-2147483648\r\n";
  Put("extini", 0, [](TMemoryStream& s) { TQzExtIniValuesControler().SaveToStream(&s); });
  Put("extini", 1, [&](TMemoryStream& s) {
    TQzExtIniValuesControler ini;
    ini.SetText(IniText);
    ini.SaveToStream(&s);
  });
  Put("extini", 2, [&](TMemoryStream& s) { s.WriteBuffer(IniText, static_cast<int32_t>(std::strlen(IniText))); });

  Put("theme", 0, [](TMemoryStream& s) { TQzThemeItems().SaveToStream(&s); });
  Put("theme", 1, [](TMemoryStream& s) {
    TQzThemeItems theme;
    for (int i = 0; i < 256; ++i) theme.SetColor(static_cast<uint8_t>(i), static_cast<TColor>(i * 0x010305));
    theme.GetDetails()->SetTitle("Night");
    theme.GetDetails()->SetInteger(2, 9);
    auto* item = new TQzPictureListItem(theme.GetPictures());
    TQzTGAImage t;
    t.ResizeBuffer(2, 2);
    item->GetPicture()->Assign(&t);
    theme.SaveToStream(&s);
  });
  Put("presetlist", 0, [](TMemoryStream& s) { TQzAudioPresetList().SaveToStream(&s); });
  Put("presetlist", 1, [](TMemoryStream& s) {
    TQzAudioPresetList list;
    auto* a = list.Add();
    a->GetDetails()->SetTitle("Warm");
    const uint8_t bytes[] = {'M', 'E', 'Q', 'P', 1, 5, 32, 0, 9, 9};
    a->GetData()->Write(bytes, sizeof bytes);
    list.Add();
    list.SaveToStream(&s);
  });
  Put("presetlist", 2, [](TMemoryStream& s) {
    TQzCustomAudioPresetItem item;
    item.GetDetails()->SetAuthor("Q");
    item.GetData()->SetSize(3);
    item.SaveToStream(&s);
  });
  std::printf("seeds written to %s\n", Root.c_str());
  return 0;
}
