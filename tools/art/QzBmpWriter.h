// The one writer of 24-bit BMP files for the picture generators (no drawing library needed).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Writes a Width x Height 24-bit bottom-up BMP whose pixel (X, Y), row 0 at the top, is
// Pixel(X, Y) as 0xRRGGBB. False when the file cannot be written.
bool QzWriteBmp24(const std::string& Path, int Width, int Height, const std::function<uint32_t(int X, int Y)>& Pixel);
