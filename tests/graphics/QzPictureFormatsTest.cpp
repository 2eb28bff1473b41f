#include <gtest/gtest.h>

#include <string>

#include "graphics/QzEPF.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"

namespace {

TEST(PictureFormats, RegisteredByExtensionWithTheirDescriptions) {
  struct Case { const char* Ext; const char* Description; TGraphicClass Class; };
  const Case cases[] = {
      {"epf", "Extended Picture File", GraphicClassOf<TQzEPFImage>()},
      {"epff", "Extended Picture File", GraphicClassOf<TQzEPFImage>()},
      {"tga", "Truevision Advanced Raster Graphics Array", GraphicClassOf<TQzTGAImage>()},
      {"tpic", "Truevision Picture", GraphicClassOf<TQzTGAImage>()},
      {"tif", "Tagged Image File Format", GraphicClassOf<TQzTIFImage>()},
      {"tiff", "Tagged Image File Format", GraphicClassOf<TQzTIFImage>()},
  };
  QzRegisterPictureFormats();
  QzRegisterPictureFormats();  // once is enough; again changes nothing
  const std::string filter = TPicture::GetFileFilter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Ext);
    EXPECT_EQ(TPicture::FindGraphicClassWithFileExt(c.Ext), c.Class);
    const std::string entry = std::string(c.Description) + " (*." + c.Ext + ")|*." + c.Ext;
    EXPECT_NE(filter.find(entry), std::string::npos) << filter;
    EXPECT_EQ(filter.find(entry), filter.rfind(entry));
  }
  // The own bitmap is no file format of the picture class.
  EXPECT_EQ(filter.find("QzBitmap"), std::string::npos);

  QzUnregisterPictureFormats();
  for (const Case& c : cases) EXPECT_EQ(TPicture::FindGraphicClassWithFileExt(c.Ext), nullptr) << c.Ext;
  QzUnregisterPictureFormats();
  QzRegisterPictureFormats();
  for (const Case& c : cases) EXPECT_EQ(TPicture::FindGraphicClassWithFileExt(c.Ext), c.Class) << c.Ext;
}

}  // namespace
