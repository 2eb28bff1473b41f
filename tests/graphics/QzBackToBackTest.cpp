#include <gtest/gtest.h>

#include <tuple>

#include "FormatsTestUtil.h"
#include "graphics/QzBMP.h"
#include "graphics/QzEPF.h"
#include "graphics/QzFileDetails.h"
#include "graphics/QzPicExifData.h"
#include "graphics/QzPicList.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "tests/common/TestPixels.h"

namespace {

// Every record and picture of one stream is read from where the one before it stopped, and
// stops where the next one starts.
TEST(BackToBack, EveryFormatInOneStream) {
  QzRegisterPictureFormats();
  auto owned = QzBitmap(3, 2, 2);
  TQzBitmap& bitmap = *owned;
  bitmap.GetPixelPtr(2, 1)[3] = 9;
  bitmap.GetPixelPtr(0, 0)[4] = 8;
  TQzBitmap empty;
  TQzPictureExifData exif;
  exif.SetScrambled(true);
  exif.SetString(pedCamera, "camera");
  TQzFileDetails details;
  details.SetCopyright("(c)");
  TQzPictureListItems list;
  auto* item = new TQzPictureListItem(&list);
  TQzTGAImage listed;
  listed.ResizeBuffer(2, 2);
  item->GetPicture()->Assign(&listed);
  TQzEPFImage epf;
  epf.SetSize(2, 2);
  epf.GetPixelPtr(1, 1)[0] = 77;
  epf.GetRawData()->WriteBuffer("raw", 3);
  TQzTIFImage tif;
  tif.SetSize(2, 1);
  tif.GetPixelPtr(1, 0)[1] = 66;
  TQzTGAImage tga;
  tga.ResizeBuffer(1, 2);
  tga.GetPixelPtr(0, 1)[2] = 55;
  TQzPictureExifData tgaExif;
  tgaExif.SetString(pedTitle, "tga");

  TMemoryStream s;
  std::vector<int64_t> ends;
  auto save = [&](auto& Obj) {
    SaveInto(Obj, &s);
    ends.push_back(s.GetPosition());
  };
  save(bitmap), save(empty), save(exif), save(details), save(list), save(epf), save(tif), save(tga), save(tgaExif);
  ends.erase(ends.end() - 2);  // the picture's metadata record is read with it
  ASSERT_EQ(s.GetSize(), ends.back());

  s.SetPosition(0);
  TQzBitmap bitmap2, empty2;
  TQzPictureExifData exif2;
  TQzFileDetails details2;
  TQzPictureListItems list2;
  TQzEPFImage epf2;
  TQzTIFImage tif2;
  TQzTGAImage tga2;
  size_t part = 0;
  auto load = [&](auto& Obj) {
    LoadFrom(Obj, &s);
    EXPECT_EQ(s.GetPosition(), ends[part++]) << part;
  };
  load(bitmap2), load(empty2), load(exif2), load(details2), load(list2), load(epf2), load(tif2), load(tga2);
  EXPECT_EQ(std::tuple(bitmap2.GetErrorCode(), empty2.GetErrorCode(), empty2.GetEmpty(), tga2.GetErrorCode()),
            std::tuple(0u, 0u, true, 0u));
  EXPECT_EQ(PixelBytes(bitmap2), PixelBytes(bitmap));
  EXPECT_EQ(std::tuple(exif2.GetString(pedCamera), details2.GetCopyright(), tga2.GetExifData()->GetString(pedTitle)),
            std::tuple("camera", "(c)", "tga"));
  ASSERT_EQ(list2.GetCount(), 1);
  ASSERT_FALSE(epf2.GetEmpty() || tif2.GetEmpty() || tga2.GetEmpty());
  EXPECT_EQ(std::vector<int64_t>({list2.GetItem(0)->GetPicture()->GetWidth(), epf2.GetPixelPtr(1, 1)[0],
                                  epf2.GetRawData()->GetSize(),
                                  tif2.GetPixelPtr(1, 0)[1], tga2.GetPixelPtr(0, 1)[2]}),
            std::vector<int64_t>({2, 77, 3, 66, 55}));
}

}  // namespace
