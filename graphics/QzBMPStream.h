// The stream format of TQzBitmap ("QZBM"; "QBMP" read the same way): a 64-byte header whose
// first 16 bytes are the bitmap's header block, then the pixel rows in one of four storage
// modes (1: B, G, R; 2: B, G, R, A; 3: B, G, R, M; 5: B, G, R, A, M).
//
// The bitmap's SaveToStream and LoadFromStream call these with its own header block, which
// they read and update in place:
//   SaveToStream:   code = QzWriteBitmapStream(Stream, FHeader, *this); keep the code, and
//                   raise Exception(ErrorCodeToStr(code)) when it is not 0.
//   LoadFromStream: BeginUpdate(); Clear(); code = QzReadBitmapStream(Stream, FHeader, *this);
//                   keep the code; EndUpdate().
#pragma once

#include <cstdint>

#include "graphics/QzBMP.h"

inline constexpr uint16_t QzBitmapStreamHeaderSize = 64;

// Fills the header block (magic "QZBM", version 1, byte 5, header size 64, storage mode from
// the pixels), writes it and the rows. Header is the bitmap's own block. Returns 0 or an error
// code: (1000, 501) nil stream, (1001, 502) header short, (1001, 503) rows short.
uint32_t QzWriteBitmapStream(TStream* Stream, TQzBitmapHeader& Header, TQzBitmap& Bitmap);

// Reads a stream into an emptied bitmap whose own block is Header. Returns 0 or an error code:
// (1000, 601) nil stream, (1603, 602) header short, (1603, 603) unknown magic or a header size
// below 16, (1604, 604) version 0, (1501, 605) sizes or storage mode the bitmap cannot hold,
// (1501, 606) a bit count of no pixel format, (1002, 607) rows shorter than announced.
// After an error the bitmap is empty, except after (1501, 606): it keeps the stored block
// with width and height 0.
uint32_t QzReadBitmapStream(TStream* Stream, TQzBitmapHeader& Header, TQzBitmap& Bitmap);

// Bytes per stored pixel for a bit count and storage mode; 0 when no rows are stored.
uint32_t QzBitmapStoredPixelSize(uint8_t BitCount, uint8_t StorageMode);
