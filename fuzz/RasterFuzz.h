// Shared by the fuzz targets of the toolkit's picture readers: a picture either loads with a
// consistent buffer and survives its own writer, or fails with EInvalidGraphic and stays empty.
#pragma once

#include "FuzzTarget.h"
#include "platform/Graphics.h"

template <class TPictureClass>
int FuzzRasterReader(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TPictureClass picture;
  try {
    picture.LoadFromStream(&s);
  } catch (const EInvalidGraphic&) {
    FUZZ_CHECK(picture.GetEmpty());
    return 0;
  }
  const int32_t w = picture.GetWidth(), h = picture.GetHeight();
  FUZZ_CHECK(w >= 1 && h >= 1 && w <= QzMaxReadSide && h <= QzMaxReadSide);
  FUZZ_CHECK(s.GetPosition() <= s.GetSize());
  TMemoryStream out;
  picture.SaveToStream(&out);
  out.SetPosition(0);
  TPictureClass again;
  again.LoadFromStream(&out);
  FUZZ_CHECK(again.GetWidth() == w && again.GetHeight() == h);
  return 0;
}
