// The TGA and TIFF readers and writers against files of other programs: every variant the
// readers take, written by ImageMagick or libtiff's tiffcp, loads with exactly the pixels
// ImageMagick reads from it; ImageMagick reads from our writers' files exactly the pixels we
// wrote; variants the readers refuse are refused with their error code. Every file is made in a
// temporary folder as the test runs. Skipped where the tools are missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FormatsTestUtil.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "tests/common/TestPixels.h"

namespace {

namespace fs = std::filesystem;

bool HaveTool(const std::string& Name) { return std::system(("command -v " + Name + " >/dev/null").c_str()) == 0; }

// The standard output of a shell command run in Folder; Ok tells whether it succeeded.
TBytes RunIn(const fs::path& Folder, const std::string& Command, bool& Ok) {
  TBytes out;
  FILE* p = popen(("cd '" + Folder.string() + "' && " + Command).c_str(), "r");
  if (!p) return Ok = false, out;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.insert(out.end(), buffer, buffer + n);
  Ok = pclose(p) == 0;
  return out;
}

TBytes FileBytes(const fs::path& Path) {
  std::ifstream f(Path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Our pixel buffers are B, G, R, A; ImageMagick's raw RGBA output is R, G, B, A.
TBytes SwapRedBlue(TBytes P) {
  for (size_t i = 0; i + 3 < P.size(); i += 4) std::swap(P[i], P[i + 2]);
  return P;
}

// Loads a picture of Path's kind: its error code, and its pixels in ImageMagick's order.
uint32_t LoadPicture(const fs::path& Path, TBytes& Rgba, int& W, int& H) {
  auto load = [&](auto& Picture, const char* Prefix) {
    const uint32_t error = LoadBytes(Picture, FileBytes(Path), Prefix);
    Rgba = SwapRedBlue(PixelBytes(Picture));
    W = Picture.GetWidth(), H = Picture.GetHeight();
    return error;
  };
  TQzTGAImage tga;
  TQzTIFImage tif;
  return Path.extension() == ".tga" ? load(tga, "") : load(tif, "TIF Error: ");
}

// Writes the R, G, B, A pixels of a W x H picture with our writer of the given kind.
template <class TPicture>
void WriteOurs(const fs::path& Path, const TBytes& Rgba, int W, int H) {
  TPicture picture;
  picture.SetSize(W, H);
  const TBytes bgra = SwapRedBlue(Rgba);
  std::copy(bgra.begin(), bgra.end(), picture.GetPixelPtr(0, 0));
  TMemoryStream s;
  picture.SaveToStream(&s);
  std::ofstream(Path, std::ios::binary).write(reinterpret_cast<const char*>(s.Memory()), s.GetSize());
}

// A fresh folder for the files of one run, removed with everything in it.
struct TTempFolder {
  fs::path Path;
  TTempFolder() {
    std::string name = (fs::temp_directory_path() / "qz-interop-XXXXXX").string();
    if (mkdtemp(name.data())) Path = name;
  }
  ~TTempFolder() {
    std::error_code ignored;
    if (!Path.empty()) fs::remove_all(Path, ignored);
  }
};

TEST(Interop, PicturesOfOtherProgramsAndOurs) {
  for (const char* tool : {"convert", "compare", "tiffcp"})
    if (!HaveTool(tool)) GTEST_SKIP() << tool << " is not installed";
  const TTempFolder temp;
  ASSERT_FALSE(temp.Path.empty());
  const fs::path& dir = temp.Path;
  bool ok = false;
  // Odd sizes, and enough pixels for one strip's LZW codes to reach 12 bits and a Clear.
  const int w = 97, h = 61;
  RunIn(dir, "convert -size 97x61 -seed 3 plasma: -depth 8 opaque.png && convert opaque.png \\( -size 97x61 "
             "gradient: \\) -alpha off -compose CopyOpacity -composite alpha.png", ok);
  ASSERT_TRUE(ok);
  // What our writers write: the picture with alpha, as ImageMagick reads it.
  const TBytes source = RunIn(dir, "convert alpha.png rgba:-", ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(source.size(), size_t(w) * h * 4);
  const std::string rgb = "convert opaque.png -type TrueColor", rgba = "convert alpha.png -type TrueColorAlpha";
  // Make writes OUT.tga or OUT.tif; without it our own writer writes the file.
  struct Row { const char* Name; const char* Extension; std::string Make; uint32_t Error; };
  const Row rows[] = {
      {"TGA 24-bit plain, bottom-left", ".tga", rgb + " -compress None OUT.tga", 0},
      {"TGA 24-bit run-length, top-left, image ID", ".tga",
       rgb + " -compress RLE -orient TopLeft -set comment id OUT.tga", 0},
      {"TGA 32-bit plain, top-left, image ID", ".tga", rgba + " -compress None -orient TopLeft -set comment id OUT.tga",
       0},
      {"TGA 32-bit run-length, bottom-left", ".tga", rgba + " -compress RLE OUT.tga", 0},
      {"TGA colour-mapped, 8-bit indices", ".tga", rgb + " -type Palette OUT.tga", tgaErrDepth},
      {"TIFF RGB plain, one strip", ".tif", rgb + " -compress None -define tiff:rows-per-strip=61 OUT.tif", 0},
      {"TIFF RGBA plain, strips of 8", ".tif", rgba + " -compress None -define tiff:rows-per-strip=8 OUT.tif", 0},
      {"TIFF RGB LZW, one strip", ".tif",
       rgb + " -compress LZW -define tiff:predictor=1 -define tiff:rows-per-strip=61 OUT.tif", 0},
      {"TIFF RGBA LZW, differenced", ".tif", rgba + " -compress LZW -define tiff:predictor=2 OUT.tif", 0},
      {"TIFF RGBA LZW by tiffcp, one strip", ".tif",
       rgba + " -compress None in.tif && tiffcp -c lzw -r 61 in.tif OUT.tif", 0},
      {"TIFF RGB LZW differenced by tiffcp, strips of 5", ".tif",
       rgb + " -compress None in.tif && tiffcp -c lzw:2 -r 5 in.tif OUT.tif", 0},
      {"TIFF RGBA LZW differenced by tiffcp, strips of 3", ".tif",
       rgba + " -compress None in.tif && tiffcp -c lzw:2 -r 3 in.tif OUT.tif", 0},
      {"TIFF big-endian", ".tif", rgb + " -compress None in.tif && tiffcp -B in.tif OUT.tif", Code(1605, 103)},
      {"TIFF deflate", ".tif", rgb + " -compress Zip OUT.tif", Code(1605, 120)},
      {"our TGA", ".tga", "", 0},
      {"our TIFF", ".tif", "", 0},
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.Name);
    const fs::path file = dir / ("f" + std::to_string(i) + r.Extension);
    const bool ours = r.Make.empty();
    if (ours && file.extension() == ".tga") WriteOurs<TQzTGAImage>(file, source, w, h);
    if (ours && file.extension() == ".tif") WriteOurs<TQzTIFImage>(file, source, w, h);
    if (!ours) {
      std::string make = r.Make;
      make.replace(make.rfind("OUT"), 3, file.stem().string());
      RunIn(dir, make, ok);
      ASSERT_TRUE(ok) << make;
    }
    // ImageMagick keeps a TGA's bottom-left origin as the picture's orientation and reports the
    // rows as stored until asked to apply it.
    const TBytes reference = RunIn(dir, "convert -quiet " + file.filename().string() + " -auto-orient rgba:-", ok);
    ASSERT_TRUE(ok);
    TBytes loaded;
    int lw = 0, lh = 0;
    EXPECT_EQ(LoadPicture(file, loaded, lw, lh), r.Error);
    if (r.Error != 0) {
      EXPECT_TRUE(loaded.empty());
      continue;
    }
    EXPECT_EQ(lw, w);
    EXPECT_EQ(lh, h);
    EXPECT_TRUE(loaded == reference) << "our pixels differ from ImageMagick's";
    if (!ours) continue;
    EXPECT_TRUE(reference == source) << "ImageMagick reads other pixels than we wrote";
    std::ofstream(dir / "ours.rgba", std::ios::binary)
        .write(reinterpret_cast<const char*>(source.data()), static_cast<std::streamsize>(source.size()));
    const TBytes metric = RunIn(dir, "compare -quiet -metric AE -size 97x61 -depth 8 rgba:ours.rgba " +
                                         file.filename().string() + " null: 2>&1", ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(std::string(metric.begin(), metric.end()), "0");
  }
}

}  // namespace
