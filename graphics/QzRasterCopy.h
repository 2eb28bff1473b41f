// Pixel copies between the own picture buffers (B, G, R[, A] per pixel, rows top down, no
// padding) and the toolkit's raster images, shared by the EPF, TGA and TIFF pictures. The
// raster image's own layout decides how its pixels are addressed, never an assumption.
#pragma once

#include <cstdint>

#include "platform/Graphics.h"

// Bytes per pixel of a raster image's memory: 3 or 4; 0 for layouts the copies do not address.
int32_t QzRasterBytesPerPixel(const TRasterImage* Image);

// Copies Width x Height pixels of Image into Dst (DstBpp 3 or 4 bytes per pixel, rows DstStride
// apart). A 4-byte destination gets the source's alpha when the image carries alpha and 255
// otherwise. False, copying nothing, when the image's layout is not 24- or 32-bit or its size
// differs.
bool QzCopyFromRaster(TRasterImage* Image, uint8_t* Dst, int64_t DstStride, int32_t DstBpp,
                      int32_t Width, int32_t Height);

// As QzCopyFromRaster, and an image of another layout (16 bits) is copied through a 32-bit
// copy of it, so that its pixels arrive too.
bool QzCopyFromAnyRaster(TRasterImage* Image, uint8_t* Dst, int64_t DstStride, int32_t DstBpp,
                         int32_t Width, int32_t Height);

// Sizes Image to Width x Height and writes B, G, R of every pixel of Src (SrcBpp 3 or more bytes
// per pixel, rows SrcStride apart); the destination's fourth byte is left alone. An image whose
// layout is neither 24- nor 32-bit is made 32-bit first.
void QzCopyToRaster(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                    int32_t Height, TRasterImage* Image);

// Copies into any destination: the three toolkit raster classes directly, other raster classes
// through a temporary 32-bit TBitmap they assign. False for destinations that are no raster image.
bool QzAssignPixelsTo(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                      int32_t Height, TPersistent* Dest);

// The B, G, R of Width x Height pixels of Src stretched onto Rect of Canvas (through a 24-bit
// TBitmap, alpha dropped): the Draw of the own picture classes.
void QzDrawPixels(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                  int32_t Height, TCanvas* Canvas, const TRect& Rect);

// Does the class name of Object occur within Name (how the picture classes recognise one
// another's look-alikes)? False for nil and for an empty class name.
bool QzIsClassNamed(const TObject* Object, const char* Name);
