// Interoperability with ImageMagick: pictures written here open there with the right size and
// pixels, and TGA and uncompressed TIFF files written there load here with the right pixels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FormatsTestUtil.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"

namespace fs = std::filesystem;

namespace {

std::string Tool(const char* Name) {
  const std::string system = std::string("/usr/bin/") + Name;
  if (access(system.c_str(), X_OK) == 0) return system;
  const std::string probe = std::string("command -v ") + Name + " >/dev/null 2>&1";
  return std::system(probe.c_str()) == 0 ? Name : "";
}

std::string Shell(const std::string& Command) {
  std::string out;
  if (FILE* p = popen((Command + " 2>/dev/null").c_str(), "r")) {
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    if (pclose(p) != 0) out = "<failed>";
  }
  return out;
}

TBytes ReadFile(const fs::path& P) {
  std::ifstream f(P, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}
void WriteFile(const fs::path& P, const TBytes& Data) {
  std::ofstream f(P, std::ios::binary);
  f.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
}

class QzInterop : public testing::Test {
protected:
  void SetUp() override {
    FConvert = Tool("convert");
    FIdentify = Tool("identify");
    if (FConvert.empty() || FIdentify.empty())
      GTEST_SKIP() << "ImageMagick (convert, identify) is not installed: interoperability not checked";
    FDir = fs::temp_directory_path() / ("qz_interop_" + std::to_string(getpid()));
    fs::create_directories(FDir);
  }
  void TearDown() override {
    if (!FDir.empty()) fs::remove_all(FDir);
  }
  // The picture's pixels as ImageMagick reads them, R, G, B, A per pixel.
  // With AutoOrient the rows are put the way the file's origin says (ImageMagick otherwise
  // keeps them in stored order and only notes the orientation).
  TBytes PixelsSeenThere(const fs::path& File, bool AutoOrient = false) {
    const fs::path raw = FDir / "seen.rgba";
    Shell(FConvert + " '" + File.string() + "'" + (AutoOrient ? " -auto-orient" : "") + " -depth 8 'rgba:" + raw.string() + "'");
    return ReadFile(raw);
  }
  std::string Size(const fs::path& File) { return Shell(FIdentify + " -format '%w %h' '" + File.string() + "'"); }

  std::string FConvert, FIdentify;
  fs::path FDir;
};

// 4 x 3 pixels, R, G, B, A, with distinct colours and a few alpha values.
TBytes Picture() {
  TBytes p;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      p.insert(p.end(), {uint8_t(x * 60 + 10), uint8_t(y * 100 + 5), uint8_t(200 - x * 30 - y), uint8_t(x == 3 ? 128 + y : 255)});
  return p;
}

template <class TImage>
void FillFromRGBA(TImage& I, const TBytes& P) {
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      const uint8_t* s = &P[(y * 4 + x) * 4];
      uint8_t* d = I.GetPixelPtr(x, y);
      d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
    }
}
template <class TImage>
TBytes ToRGBA(TImage& I) {
  TBytes r;
  for (int y = 0; y < I.GetHeight(); ++y)
    for (int x = 0; x < I.GetWidth(); ++x) {
      const uint8_t* s = I.GetPixelPtr(x, y);
      r.insert(r.end(), {s[2], s[1], s[0], s[3]});
    }
  return r;
}

TEST_F(QzInterop, TgaAndTiffWrittenHereOpenInImageMagick) {
  const TBytes picture = Picture();
  TQzTGAImage tga;
  tga.ResizeBuffer(4, 3);
  FillFromRGBA(tga, picture);
  tga.SaveToFile((FDir / "ours.tga").string());
  EXPECT_EQ(Size(FDir / "ours.tga"), "4 3");
  EXPECT_EQ(PixelsSeenThere(FDir / "ours.tga"), picture);

  TQzTIFImage tif;
  tif.SetSize(4, 3);
  FillFromRGBA(tif, picture);
  tif.SaveToFile((FDir / "ours.tif").string());
  EXPECT_EQ(Size(FDir / "ours.tif"), "4 3");
  EXPECT_EQ(PixelsSeenThere(FDir / "ours.tif"), picture);
}

TEST_F(QzInterop, TgaAndUncompressedTiffWrittenByImageMagickLoadHere) {
  const TBytes picture = Picture();
  WriteFile(FDir / "in.rgba", picture);
  const std::string source = " -size 4x3 -depth 8 'rgba:" + (FDir / "in.rgba").string() + "' ";
  struct Case {
    const char* Name;
    std::string Options;
    bool AsSource;  // stored with a top-left origin: the source picture itself
  };
  // ImageMagick stores a TGA of a picture of no stated orientation with its rows top first
  // but a bottom-left origin in the descriptor; read by the TGA rules (and by ImageMagick's
  // own -auto-orient) that picture is upside down.
  const Case cases[] = {{"theirs.tga", "", false},
                        {"theirs_topleft.tga", "-orient TopLeft", true},
                        {"theirs_rle.tga", "-orient TopLeft -compress RLE", true},
                        {"theirs_rle_bottomleft.tga", "-orient BottomLeft -compress RLE", false},
                        {"theirs.tif", "-compress none", true},
                        {"theirs_strips.tif", "-compress none -define tiff:rows-per-strip=1", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const fs::path file = FDir / c.Name;
    ASSERT_NE(Shell(FConvert + source + c.Options + " '" + file.string() + "'"), "<failed>");
    const TBytes expected = PixelsSeenThere(file, true);
    if (c.AsSource) {
      EXPECT_EQ(expected, picture);
    }
    TFileStream s(file.string(), fmOpenRead);
    if (file.extension() == ".tga") {
      TQzTGAImage i;
      i.LoadFromStream(&s);
      EXPECT_EQ(i.GetErrorCode(), 0u);
      EXPECT_EQ(ToRGBA(i), expected);
    } else {
      TQzTIFImage i;
      EXPECT_NO_THROW(i.LoadFromStream(&s));
      EXPECT_EQ(ToRGBA(i), expected);
    }
  }
  // An opaque picture is stored by ImageMagick as three samples per pixel.
  const fs::path rgb = FDir / "theirs_rgb.tif";
  Shell(FConvert + source + "-alpha off -compress none '" + rgb.string() + "'");
  TFileStream s(rgb.string(), fmOpenRead);
  TQzTIFImage i;
  EXPECT_NO_THROW(i.LoadFromStream(&s));
  TBytes opaque = picture;
  for (size_t k = 3; k < opaque.size(); k += 4) opaque[k] = 255;
  EXPECT_EQ(ToRGBA(i), opaque);
}

}  // namespace
