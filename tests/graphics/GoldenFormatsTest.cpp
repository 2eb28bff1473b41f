// The stored formats, one table each over all of them: what the writers produce against the golden
// files, a load of every prefix of a stored file, the writers' errors; the own pictures' exchange
// with the toolkit's, and every format read back to back from one stream (the readers' own tables
// read the golden layouts back).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
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

template <class TPicture>
TBytes Saved(TPicture& P) {
  TMemoryStream s;
  P.SaveToStream(&s);
  EXPECT_EQ(P.GetErrorCode(), 0u);
  return s.Data();
}

TEST(GoldenFormats, WritersMatchTheGoldenBytes) {
  // Write also checks what the writer and a reload leave behind.
  struct TCase { const char* File; std::function<TBytes()> Write; } cases[] = {
      {"bitmap_2x1.qzbm",
       [] {
         TQzBitmap b;
         EXPECT_TRUE(b.SetBitmapSize(2, 1));
         std::memcpy(b.GetPixelPtr(0, 0), "\1\2\3", 3);
         std::memcpy(b.GetPixelPtr(1, 0), "\4\5\6", 3);
         b.SetHeaderFlag(9);
         TBytes bytes = Saved(b);
         EXPECT_EQ(b.GetHeader().HeaderFlag, 0);  // written with the value it had, then cleared
         EXPECT_EQ(bytes.at(15), 9);
         bytes[15] = 0;
         return bytes;
       }},
      {"bitmap_empty.qzbm", [] { return Saved(*std::make_unique<TQzBitmap>()); }},
      {"epf_2x1.epf",
       [] {
         TQzEPFImage i;
         i.SetSize(2, 1);
         std::memcpy(i.GetPixelPtr(0, 0), "\1\2\3\xff\4\5\6\xff", 8);
         std::vector<int> progress;
         i.OnProgress = [&](TObject*, TProgressStage, uint8_t Percent, bool, const TRect&, const std::string&) {
           progress.push_back(Percent);
         };
         const TBytes bytes = Saved(i);
         EXPECT_EQ(progress, (std::vector<int>{20, 40, 60, 80, 100}));
         return bytes;
       }},
      {"tga_2x1.tga",
       [] {
         TQzTGAImage i;
         EXPECT_TRUE(i.ResizeBuffer(2, 1));
         std::memcpy(i.GetPixelPtr(0, 0), "\1\2\3\xff\4\5\6\x80", 8);
         return Saved(i);
       }},
      {"tif_2x2.tif",
       [] {
         TQzTIFImage i;
         i.SetSize(2, 2);
         const uint8_t px[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 255};
         std::memcpy(i.GetPixelPtr(0, 0), px, 16);
         i.SetResolution(72);
         return Saved(i);
       }},
      {"exif_empty.bin", [] { return SavedBytes(*std::make_unique<TQzPictureExifData>()); }},
      {"filedetails_empty.bin", [] { return SavedBytes(*std::make_unique<TQzFileDetails>()); }},
      {"piclist_empty.bin",
       [] {
         TQzPictureListItems list;
         const TBytes bytes = SavedBytes(list);
         TByteStream s(bytes);
         TQzPictureListItems back;
         EXPECT_TRUE(back.LoadFromStream(&s));
         EXPECT_EQ(back.GetCount(), 0);
         return bytes;
       }},
  };
  QzRegisterPictureFormats();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    const TBytes golden = ReadGolden(c.File);
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(c.Write(), golden);
  }
}

// What a load of a cut file left: its error code and how much it kept (pixels, items, extension
// records) that it should not have.
struct TOutcome {
  uint32_t Code;
  int Kept;
  bool operator==(const TOutcome&) const = default;
};

TEST(GoldenFormats, EveryPrefixOfAStoredFileFailsCleanly) {
  QzRegisterPictureFormats();
  // A stored picture list of a 2 x 2 TGA item and an empty item: a cut in the second item keeps
  // the first, and no cut invents one.
  auto storedList = [] {
    TQzPictureListItems list;
    auto* item = new TQzPictureListItem(&list);
    TQzTGAImage tga;
    tga.ResizeBuffer(2, 2);
    item->GetPicture()->Assign(&tga);
    new TQzPictureListItem(&list);
    return SavedBytes(list);
  };
  constexpr size_t firstItemEnd = 26 + 6 + 18 + 16 + 32;
  // Expected: the outcome of a load of the first n bytes.
  struct TCase {
    const char* Name;
    TBytes Bytes;
    size_t Size;
    std::function<TOutcome(TStream&)> Load;
    std::function<TOutcome(size_t)> Expected;
  } cases[] = {
      {"QZBM", ReadGolden("bitmap_2x1.qzbm"), 70,
       [](TStream& s) {
         TQzBitmap b;
         return TOutcome{LoadCode(b, &s, ""), !b.GetEmpty()};
       },
       [](size_t n) { return TOutcome{n < 16 ? Code(1603, 602) : Code(1002, 607), 0}; }},
      {"EPF", ReadGolden("epf_2x1.epf"), 90,
       [](TStream& s) {
         TQzEPFImage i;
         return TOutcome{LoadCode(i, &s, "EPF Error: "), 0};
       },
       [](size_t n) {
         const uint16_t at = n < 21 ? 501 : n < 70 ? 508 : n < 74 ? 504 : n < 80 ? 507 : 504;
         return TOutcome{Code(n < 21 ? 1603 : 1002, at), 0};
       }},
      {"TGA", ReadGolden("tga_2x1.tga"), 26,
       [](TStream& s) {
         TQzTGAImage i;
         return TOutcome{LoadCode(i, &s, ""), !i.GetEmpty()};
       },
       [](size_t n) { return TOutcome{n < 18 ? tgaErrHeaderShort : tgaErrPixelsShort, 0}; }},
      {"TIFF", ReadGolden("tif_2x2.tif"), 571,
       [](TStream& s) {
         TQzTIFImage i;
         return TOutcome{LoadCode(i, &s, "TIF Error: "), !i.GetEmpty()};
       },
       [](size_t n) {
         return TOutcome{n < 8 ? Code(1603, 102) : n < 10 ? Code(1603, 105) : n < 154 ? Code(1603, 106)
                         : n < 322 ? Code(1605, 123) : Code(1002, 125), 0};
       }},
      {"picture metadata", ReadGolden("exif_empty.bin"), 402,
       [](TStream& s) {
         TQzPictureExifData exif;
         EXPECT_FALSE(exif.LoadFromStream(&s));
         return TOutcome{exif.GetErrorCode(), 0};
       },
       [](size_t n) {
         const uint16_t at = n < 11 ? 502 : n < 136 ? 507 : n < 138 ? 509
                             : n < 394 ? ((n - 138) % 4 < 2 ? 510 : 511) : 507;
         return TOutcome{Code(1603, at), 0};
       }},
      {"file details", ReadGolden("filedetails_empty.bin"), 230,
       [](TStream& s) {
         TQzFileDetails d;
         int changes = 0;
         d.OnChange = [&](TObject*) { ++changes; };
         const bool loaded = d.LoadFromStream(&s);
         EXPECT_EQ(loaded, d.Error == 0);
         EXPECT_EQ(changes, 1);
         return TOutcome{d.Error, 0};
       },
       // The record is whole after its last string: the end marker may be cut.
       [](size_t n) {
         return TOutcome{n < 15 ? Code(1603, 102) : n < 36 ? Code(1002, 107) : n < 164 ? Code(1603, 107)
                         : n < 228 ? Code(1002, 108) : 0, 0};
       }},
      {"picture list", storedList(), firstItemEnd + 38,
       [](TStream& s) {
         TQzPictureListItems back;
         EXPECT_FALSE(back.LoadFromStream(&s));
         return TOutcome{back.Error, back.GetCount()};
       },
       [&](size_t n) { return TOutcome{n < 10 ? Code(1002, 701) : Code(1002, 704), n < firstItemEnd ? 0 : 1}; }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_EQ(c.Bytes.size(), c.Size);
    for (size_t n = 0; n < c.Size; ++n) {
      TByteStream s(c.Bytes, n);
      const TOutcome got = c.Load(s), want = c.Expected(n);
      EXPECT_EQ(std::pair(got.Code, got.Kept), std::pair(want.Code, want.Kept)) << n;
    }
  }
}

// A picture's save that raises on failure, as an Exception whose message is Prefix and the text
// of the code it keeps; the code.
template <class TPicture>
std::function<uint32_t(TStream*)> RaisingSave(TPicture& Picture, const std::string& Prefix) {
  return [&Picture, Prefix](TStream* Stream) {
    try {
      Picture.SaveToStream(Stream);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Prefix + ErrorCodeToStr(Picture.GetErrorCode()));
    }
    return Picture.GetErrorCode();
  };
}

// Records return false on failure; both keep the code.
template <class TRecord>
std::function<uint32_t(TStream*)> RecordSave(TRecord& Record) {
  return [&Record](TStream* Stream) {
    EXPECT_FALSE(Record.SaveToStream(Stream));
    return Record.Error;
  };
}

// Every writer into no stream (limit -1) and into streams that take only Limit bytes: the code it
// keeps tells which part fell short.
TEST(GoldenFormats, WritersReportNoStreamAndShortWrites) {
  TQzBitmap bitmap;
  bitmap.SetBitmapSize(4, 4);
  TQzEPFImage epf;
  epf.SetSize(4, 4);
  TQzTIFImage tif;
  tif.SetSize(2, 2);
  TQzTGAImage tga;
  tga.ResizeBuffer(3, 3);
  TQzPictureListItems list;
  new TQzPictureListItem(&list);
  TQzPictureExifData exif;
  TQzFileDetails details, titled, withPreview;
  titled.SetTitle("abc");
  withPreview.SetTitle("abc");
  withPreview.GetPreview()->SetSize(3, 2);
  const auto qzbm = RaisingSave(bitmap, ""), epfSave = RaisingSave(epf, "EPF Error: "), tifSave = RaisingSave(tif, "");
  const std::function<uint32_t(TStream*)> tgaSave = [&tga](TStream* Stream) {
    tga.SaveToStream(Stream);
    return tga.GetErrorCode();
  };
  const std::function<uint32_t(TStream*)> exifSave = [&exif](TStream* Stream) {
    EXPECT_FALSE(exif.SaveToStream(Stream));
    return exif.GetErrorCode();
  };
  const auto listSave = RecordSave(list);
  const auto detailsSave = RecordSave(details);
  struct TCase { const char* Name; std::function<uint32_t(TStream*)> Save; int64_t Limit; uint32_t Code; };
  const TCase cases[] = {
      {"QZBM", qzbm, -1, Code(1000, 501)},        {"QZBM", qzbm, 10, Code(1001, 502)},
      {"QZBM", qzbm, 40, Code(1001, 502)},        {"QZBM", qzbm, 70, Code(1001, 503)},
      {"EPF", epfSave, -1, Code(1000, 300)},      {"EPF", epfSave, 5, Code(1001, 301)},
      {"EPF", epfSave, 40, Code(1001, 301)},      {"EPF", epfSave, 90, Code(1001, 302)},
      {"TIFF", tifSave, -1, Code(1000, 425)},     {"TIFF", tifSave, 4, Code(1001, 426)},
      {"TIFF", tifSave, 300, Code(1001, 427)},    {"TIFF", tifSave, 560, Code(1001, 427)},
      {"TGA", tgaSave, -1, tgaErrNoStream},       {"TGA", tgaSave, 10, tgaErrHeaderWrite},
      {"TGA", tgaSave, 30, tgaErrPixelsWrite},    {"list", listSave, -1, Code(1000, 700)},
      {"list", listSave, 5, Code(1001, 701)},     {"list", listSave, 40, Code(1001, 711)},
      {"metadata", exifSave, -1, Code(1000, 201)}, {"metadata", exifSave, 5, Code(1001, 202)},
      {"metadata", exifSave, 200, Code(1001, 205)}, {"metadata", exifSave, 395, Code(1001, 207)},
      {"details", detailsSave, -1, Code(1000, 120)}, {"details", detailsSave, 10, Code(1001, 119)},
      {"details", detailsSave, 33, Code(1001, 120)}, {"details", detailsSave, 40, Code(1001, 122)},
      {"details", detailsSave, 170, Code(1001, 123)}, {"details", detailsSave, 228, Code(1001, 125)},
      {"titled details", RecordSave(titled), 32 + 4 + 128 + 2 + 1, Code(1001, 124)},
      {"details with a preview", RecordSave(withPreview), 32 + 4 + 10, Code(1001, 121)},
  };
  for (const TCase& c : cases) {
    TLimitedStream s(c.Limit);
    EXPECT_EQ(c.Save(c.Limit < 0 ? nullptr : &s), c.Code) << c.Name << " " << c.Limit;
  }
  EXPECT_EQ(withPreview.GetTitle(), "abc");
}

// An own picture takes a toolkit bitmap's pixels, opaque, and gives them back; one of its class
// copies them; a picture loads its stream by content.
template <class TOwn>
void ExpectAssignsAndLoadsByContent(TPixelFormat Format) {
  SCOPED_TRACE(testing::Message() << TOwn().ClassName() << " " << Format);
  auto src = BitmapOf(2, {0, 0, 0, RGB(5, 6, 7)}, Format);
  TOwn own, copy;
  own.Assign(src.get());
  EXPECT_EQ(PixelBytes(own), (TBytes{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 7, 6, 5, 255}));
  auto back = FilledBitmap(1, 1, clWhite, Format);
  back->Assign(&own);
  EXPECT_EQ(ColorsOf(back.get()), ColorsOf(src.get()));
  copy.Assign(&own);
  EXPECT_EQ(PixelBytes(copy), PixelBytes(own));
  TMemoryStream s;
  own.SaveToStream(&s);
  s.SetPosition(0);
  TPicture picture;
  picture.LoadFromStream(&s);
  EXPECT_NE(dynamic_cast<TOwn*>(picture.GetGraphic()), nullptr);
}

TEST(PictureFormats, OwnPicturesAssignAndLoadByContent) {
  QzRegisterPictureFormats();
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    ExpectAssignsAndLoadsByContent<TQzTIFImage>(format);
    ExpectAssignsAndLoadsByContent<TQzTGAImage>(format);
    ExpectAssignsAndLoadsByContent<TQzEPFImage>(format);
  }
}

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
