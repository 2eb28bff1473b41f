// Named resources compiled into the library: bitmaps, PNG film strips, form descriptions.
//
// Every file in resources/ becomes one resource when the project is built; its name is the file
// name without the extension ("resources/FACE.bmp" is found as "FACE", "face" or "Face"), its
// type is the extension in upper case without the dot ("BMP"). Adding a file to resources/ is all
// it takes: the build turns the folder into a generated table of byte arrays (tools/qz_embed).
// The bytes are constant and live as long as the process; nothing is copied or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct TQzResource {
  const char* Name;     // file name without extension, as spelled in resources/
  const char* Type;     // upper-case extension, "" when the file has none
  const uint8_t* Data;  // Size bytes
  size_t Size;
};

// The resource whose name equals Name, ignoring ASCII case; nullptr when there is none.
const TQzResource* QzFindResource(std::string_view Name);

// All resources, for listing: Index 0 .. QzResourceCount() - 1; nullptr outside.
size_t QzResourceCount();
const TQzResource* QzResourceAt(size_t Index);
