// Every picture class assigned to every other, both ways round: Dest.Assign(Source) and
// Source.AssignTo(Dest). Each pair either hands over the size and the pixels or raises the
// toolkit's conversion error and leaves the destination as it was; none may recurse until the
// stack runs out.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FormatsTestUtil.h"
#include "graphics/QzEPF.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "tests/common/TestPixels.h"

namespace {

enum TKind { kBitmap, kPNG, kJPEG, kQzBitmap, kEPF, kTGA, kTIF };
const TKind Kinds[] = {kBitmap, kPNG, kJPEG, kQzBitmap, kEPF, kTGA, kTIF};

bool IsToolkitRaster(TKind K) { return K == kBitmap || K == kPNG || K == kJPEG; }

// A distinct opaque colour for every pixel of every picture of a test.
TColor ColorOf(int X, int Y, int Seed) {
  return RGB(static_cast<uint8_t>(10 + 60 * X + Seed), static_cast<uint8_t>(30 + 90 * Y + Seed),
             static_cast<uint8_t>(250 - 40 * X - 7 * Y - Seed));
}

// A W x H picture of class K holding ColorOf(x, y, Seed).
std::unique_ptr<TGraphic> Picture(TKind K, int W, int H, int Seed) {
  std::unique_ptr<TGraphic> g;
  switch (K) {
    case kBitmap: g = std::make_unique<TBitmap>(); break;
    case kPNG: g = std::make_unique<TPortableNetworkGraphic>(); break;
    case kJPEG: g = std::make_unique<TJPEGImage>(); break;
    case kQzBitmap: g = std::make_unique<TQzBitmap>(); break;
    case kEPF: g = std::make_unique<TQzEPFImage>(); break;
    case kTGA: g = std::make_unique<TQzTGAImage>(); break;
    case kTIF: g = std::make_unique<TQzTIFImage>(); break;
  }
  if (auto* r = dynamic_cast<TRasterImage*>(g.get())) r->SetPixelFormat(K == kPNG ? pf32bit : pf24bit);
  g->SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const TColor c = ColorOf(x, y, Seed);
      if (auto* r = dynamic_cast<TRasterImage*>(g.get())) {
        r->GetCanvas()->SetPixel(x, y, c);
        continue;
      }
      uint8_t* p = dynamic_cast<IQzPixelAccess*>(g.get())->GetPixelPtr(x, y);
      p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c), p[3] = 255;
    }
  return g;
}

// Colour of pixel (X, Y) of any of the classes, and whether it is opaque (the toolkit's pictures
// here carry no alpha: always).
std::pair<TColor, bool> PixelOf(TGraphic* G, int X, int Y) {
  if (auto* r = dynamic_cast<TRasterImage*>(G)) return {r->GetCanvas()->GetPixel(X, Y), true};
  const uint8_t* p = dynamic_cast<IQzPixelAccess*>(G)->GetPixelPtr(X, Y);
  return {RGB(p[2], p[1], p[0]), p[3] == 255};
}

// Does G hold a W x H picture of ColorOf(x, y, Seed), every pixel opaque?
testing::AssertionResult Holds(TGraphic* G, int W, int H, int Seed) {
  if (G->GetWidth() != W || G->GetHeight() != H)
    return testing::AssertionFailure() << "size " << G->GetWidth() << " x " << G->GetHeight();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (PixelOf(G, x, y) != std::pair(ColorOf(x, y, Seed), true))
        return testing::AssertionFailure() << "pixel " << x << ", " << y << " is " << std::hex
                                           << PixelOf(G, x, y).first << " opaque " << PixelOf(G, x, y).second;
  return testing::AssertionSuccess();
}

TEST(PictureConversion, EveryPairConvertsOrRaisesTheConversionError) {
  struct TWay {
    const char* Name;
    std::function<void(TGraphic* Dest, TGraphic* Source)> Run;
    // Which pairs convert.
    std::function<bool(TKind Dest, TKind Source)> Converts;
  };
  const TWay ways[] = {
      // Every class takes the toolkit's pictures and its own; the toolkit's pictures and the
      // framework bitmap take everything; the own picture formats do not take one another.
      {"Assign", [](TGraphic* D, TGraphic* S) { D->Assign(S); },
       [](TKind D, TKind S) { return IsToolkitRaster(D) || D == kQzBitmap || IsToolkitRaster(S) || D == S; }},
      // Every class writes into the toolkit's pictures, none into the framework's.
      {"AssignTo", [](TGraphic* D, TGraphic* S) { S->AssignTo(D); },
       [](TKind D, TKind) { return IsToolkitRaster(D); }},
  };
  const int w = 3, h = 2, before = 7;
  for (const TWay& way : ways)
    for (TKind d : Kinds)
      for (TKind s : Kinds) {
        const auto source = Picture(s, w, h, 0);
        const auto dest = Picture(d, 1, 1, before);
        SCOPED_TRACE(testing::Message() << dest->ClassName() << " " << way.Name << " " << source->ClassName());
        if (way.Converts(d, s)) {
          EXPECT_NO_THROW(way.Run(dest.get(), source.get()));
          EXPECT_TRUE(Holds(dest.get(), w, h, 0));
          continue;
        }
        try {
          way.Run(dest.get(), source.get());
          ADD_FAILURE() << "converted";
        } catch (const EConvertError& e) {
          EXPECT_EQ(std::string(e.what()), "Cannot assign a " + source->ClassName() + " to a " + dest->ClassName());
        }
        EXPECT_TRUE(Holds(dest.get(), 1, 1, before));
        EXPECT_TRUE(Holds(source.get(), w, h, 0));
      }
}

// The toolkit's base: what a graphic cannot write into ends in the conversion error, also for a
// destination that is no picture at all or none.
TEST(PictureConversion, DestinationsThatAreNoPicture) {
  for (TKind k : Kinds) {
    const auto g = Picture(k, 2, 2, 0);
    SCOPED_TRACE(g->ClassName());
    TPicture picture;
    try {
      g->AssignTo(&picture);
      ADD_FAILURE() << "converted";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot assign a " + g->ClassName() + " to a TPicture");
    }
    EXPECT_EQ(picture.GetGraphic(), nullptr);
    EXPECT_THROW(g->AssignTo(nullptr), EConvertError);
    EXPECT_THROW(g->Assign(nullptr), EConvertError);
    EXPECT_TRUE(Holds(g.get(), 2, 2, 0));
  }
}

// The TGA and TIFF pictures take a raster image's size and pixels and keep what is no pixel:
// the metadata, and the TIFF's resolution. A picture of their own class is taken as the class
// says: the metadata (and the TIFF's resolution) start anew.
TEST(PictureConversion, RasterImagesReplaceOnlyThePixels) {
  for (TKind k : {kBitmap, kPNG, kJPEG}) {
    const auto source = Picture(k, 3, 2, 0);
    SCOPED_TRACE(source->ClassName());
    TQzTIFImage tif;
    tif.SetSize(1, 1);
    tif.SetResolution(150);
    tif.GetExifData()->SetString(pedTitle, "tif");
    tif.Assign(source.get());
    EXPECT_TRUE(Holds(&tif, 3, 2, 0));
    EXPECT_EQ(std::tuple(tif.GetResolution(), tif.GetExifData()->GetString(pedTitle)), std::tuple(150, "tif"));
    TQzTGAImage tga;
    tga.GetExifData()->SetString(pedTitle, "tga");
    tga.Assign(source.get());
    EXPECT_TRUE(Holds(&tga, 3, 2, 0));
    EXPECT_EQ(tga.GetExifData()->GetString(pedTitle), "tga");

    TQzTIFImage tifCopy;
    tifCopy.Assign(&tif);
    EXPECT_TRUE(Holds(&tifCopy, 3, 2, 0));
    EXPECT_EQ(std::tuple(tifCopy.GetResolution(), tifCopy.GetExifData()->GetString(pedTitle)), std::tuple(300, ""));
    TQzTGAImage tgaCopy;
    tgaCopy.GetExifData()->SetString(pedTitle, "old");
    tgaCopy.Assign(&tga);
    EXPECT_TRUE(Holds(&tgaCopy, 3, 2, 0));
    EXPECT_EQ(tgaCopy.GetExifData()->GetString(pedTitle), "");
  }
}

}  // namespace
