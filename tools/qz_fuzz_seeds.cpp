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
#include "ui/framework/QzExtIni.h"
#include "ui/framework/QzThemeItems.h"
#include "ui/controls/QzAudioPresets.h"

namespace fs = std::filesystem;

namespace {
fs::path Root;

void Put(const std::string& Target, int N, const std::function<void(TMemoryStream&)>& Write) {
  TMemoryStream s;
  Write(s);
  const fs::path dir = Root / Target;
  fs::create_directories(dir);
  std::ofstream f(dir / ("seed_" + std::to_string(N)), std::ios::binary);
  f.write(reinterpret_cast<const char*>(s.Memory()), static_cast<std::streamsize>(s.GetSize()));
}

// A small picture with a colour ramp and varying alpha.
void Paint(uint8_t* Pixel, int X, int Y, int Bpp, bool Alpha) {
  Pixel[0] = static_cast<uint8_t>(X * 40);
  Pixel[1] = static_cast<uint8_t>(Y * 60);
  Pixel[2] = static_cast<uint8_t>(X * Y * 7);
  if (Bpp >= 4) Pixel[3] = Alpha ? static_cast<uint8_t>(255 - X * 20) : 255;
  if (Bpp >= 5) Pixel[4] = static_cast<uint8_t>(X * 30);
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
    auto* a = new TQzCustomAudioPresetItem(&list);
    a->GetDetails()->SetTitle("Warm");
    const uint8_t bytes[] = {'M', 'E', 'Q', 'P', 1, 5, 32, 0, 9, 9};
    a->GetData()->Write(bytes, sizeof bytes);
    new TQzCustomAudioPresetItem(&list);
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
