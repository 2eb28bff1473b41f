// Helpers of the picture-format and record tests (the streams over bytes and the golden files are
// in tests/common/TestStreams.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/QzFileClasses.h"
#include "core/Classes.h"
#include "core/SysUtils.h"
#include "graphics/QzBMP.h"
#include "tests/common/TestStreams.h"


// One of the program's own bitmaps of W x H in Format (1: 4 bytes a pixel, 2: 5 bytes), white.
inline std::unique_ptr<TQzBitmap> QzBitmap(int W, int H, uint8_t Format = 1) {
  auto b = std::make_unique<TQzBitmap>();
  b->SetPixelFormat(Format);
  b->SetBitmapSize(W, H);
  return b;
}

// The message of the Exception that Obj.Assign(Source) raises; "" when it raises none.
template <class T>
std::string AssignError(T& Obj, TPersistent* Source) {
  try {
    Obj.Assign(Source);
  } catch (const Exception& e) {
    return e.Message();
  }
  return "";
}

// Obj saved, then loaded into a fresh T from the stream S that keeps the saved bytes.
template <class T>
std::unique_ptr<T> Reloaded(T& Obj, TMemoryStream& S) {
  Obj.SaveToStream(&S);
  S.SetPosition(0);
  auto back = std::make_unique<T>();
  back->LoadFromStream(&S);
  return back;
}

inline uint32_t Code(uint16_t Category, uint16_t Location) { return MakeErrorCode(Category, Location); }

inline TBytes BytesOf(TMemoryStream& S) { return S.Data(); }

// Loads a picture whose LoadFromStream may raise; the error code it keeps (0: loaded). A raised
// Exception's message is Prefix and the code's text.
template <class TPicture>
uint32_t LoadCode(TPicture& Picture, TStream* Stream, const std::string& Prefix) {
  try {
    Picture.LoadFromStream(Stream);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Prefix + ErrorCodeToStr(Picture.GetErrorCode()));
    EXPECT_NE(Picture.GetErrorCode(), 0u);
  }
  return Picture.GetErrorCode();
}

// Loads Bytes into Obj (whose load may raise, see LoadCode); the error code it keeps.
template <class T>
uint32_t LoadBytes(T& Obj, const TBytes& Bytes, const std::string& Prefix = "") {
  TByteStream s(Bytes);
  return LoadCode(Obj, &s, Prefix);
}
