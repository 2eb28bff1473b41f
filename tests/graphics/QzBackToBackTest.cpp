#include <gtest/gtest.h>

#include <cstring>

#include "FormatsTestUtil.h"
#include "graphics/QzBMP.h"
#include "graphics/QzEPF.h"
#include "graphics/QzFileDetails.h"
#include "graphics/QzPicExifData.h"
#include "graphics/QzPicList.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"

namespace {

// Every record and picture of one stream is read from where the one before it stopped, and
// stops where the next one starts.
TEST(BackToBack, EveryFormatInOneStream) {
  QzRegisterPictureFormats();
  TQzBitmap bitmap;
  bitmap.SetPixelFormat(2);
  bitmap.SetBitmapSize(3, 2);
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
  bitmap.SaveToStream(&s);
  ends.push_back(s.GetPosition());
  empty.SaveToStream(&s);
  ends.push_back(s.GetPosition());
  ASSERT_TRUE(exif.SaveToStream(&s));
  ends.push_back(s.GetPosition());
  ASSERT_TRUE(details.SaveToStream(&s));
  ends.push_back(s.GetPosition());
  ASSERT_TRUE(list.SaveToStream(&s));
  ends.push_back(s.GetPosition());
  epf.SaveToStream(&s);
  ends.push_back(s.GetPosition());
  tif.SaveToStream(&s);
  ends.push_back(s.GetPosition());
  tga.SaveToStream(&s);
  ASSERT_TRUE(tgaExif.SaveToStream(&s));
  ends.push_back(s.GetPosition());
  ASSERT_EQ(s.GetSize(), ends.back());

  s.SetPosition(0);
  TQzBitmap bitmap2;
  bitmap2.LoadFromStream(&s);
  EXPECT_EQ(bitmap2.GetErrorCode(), 0u);
  EXPECT_EQ(std::memcmp(bitmap2.GetPixelPtr(0, 0), bitmap.GetPixelPtr(0, 0), bitmap.GetBufferSize()), 0);
  EXPECT_EQ(s.GetPosition(), ends[0]);
  TQzBitmap empty2;
  empty2.LoadFromStream(&s);
  EXPECT_EQ(empty2.GetErrorCode(), 0u);
  EXPECT_TRUE(empty2.GetEmpty());
  EXPECT_EQ(s.GetPosition(), ends[1]);
  TQzPictureExifData exif2;
  EXPECT_TRUE(exif2.LoadFromStream(&s));
  EXPECT_EQ(exif2.GetString(pedCamera), "camera");
  EXPECT_EQ(s.GetPosition(), ends[2]);
  TQzFileDetails details2;
  EXPECT_TRUE(details2.LoadFromStream(&s));
  EXPECT_EQ(details2.GetCopyright(), "(c)");
  EXPECT_EQ(s.GetPosition(), ends[3]);
  TQzPictureListItems list2;
  EXPECT_TRUE(list2.LoadFromStream(&s));
  ASSERT_EQ(list2.GetCount(), 1);
  EXPECT_EQ(list2.GetItem(0)->GetPicture()->GetWidth(), 2);
  EXPECT_EQ(s.GetPosition(), ends[4]);
  TQzEPFImage epf2;
  epf2.LoadFromStream(&s);
  EXPECT_EQ(epf2.GetPixelPtr(1, 1)[0], 77);
  EXPECT_EQ(epf2.GetRawData()->GetSize(), 3);
  EXPECT_EQ(s.GetPosition(), ends[5]);
  TQzTIFImage tif2;
  tif2.LoadFromStream(&s);
  EXPECT_EQ(tif2.GetPixelPtr(1, 0)[1], 66);
  EXPECT_EQ(s.GetPosition(), ends[6]);
  TQzTGAImage tga2;
  tga2.LoadFromStream(&s);
  EXPECT_EQ(tga2.GetErrorCode(), 0u);
  EXPECT_EQ(tga2.GetPixelPtr(0, 1)[2], 55);
  EXPECT_EQ(tga2.GetExifData()->GetString(pedTitle), "tga");
  EXPECT_EQ(s.GetPosition(), ends[7]);
}

}  // namespace
