// Free routines shared by the whole program: rectangle arithmetic, colour lightening and
// blending, display numbers (comma as decimal separator, dot between thousands), replace-all,
// bit flags and stored display strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Types.h"

// Set when the unit loads; kept for the units that build paths from parts.
extern std::string QzPathDelimiter;

void ShiftRect(TRect& R, int32_t Dx, int32_t Dy);
int32_t RectWidth(const TRect& R);
int32_t RectHeight(const TRect& R);
// Moves R, keeping its size, into Bounds: H 0 left, 1 centred, 2 right; V 0 top, 1 centred,
// 2 bottom; other values as 0.
void AlignRect(TRect& R, const TRect& Bounds, uint8_t H, uint8_t V);
// Normalises R, then pulls each side that lies outside the bound onto it.
void ConstrainRect(TRect& R, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);
TRect ExpandRect(TRect& R, int32_t Dx, int32_t Dy);
// Swaps the sides that are the wrong way round; True when it swapped anything.
bool NormalizeRect(TRect& R);
// Edges included.
bool PointInRect(const TRect& R, const TPoint& P);

// Replaces every occurrence of Pattern, scanning left to right; inserted text is not
// searched again. An empty Pattern or S gives S unchanged.
std::string ReplaceSubstring(const std::string& S, const std::string& Pattern,
                             const std::string& NewText);

std::string UnscrambleString(const uint8_t* Data, size_t Count);
inline std::string UnscrambleString(const std::vector<uint8_t>& Data) {
  return UnscrambleString(Data.data(), Data.size());
}

// Amount > 0 moves each channel towards white, < 0 towards black; -255 gives black, 255
// almost white. Amounts outside -255 .. 255 count as 255.
TColor LightenColor(TColor Color, int32_t Amount);
// Per channel ((255 - Alpha) * C1 + Alpha * C2) div 256.
TColor BlendColor(TColor C1, TColor C2, uint8_t Alpha);

// 1234.5 with one decimal and grouping gives "1.234,5". A value that is not a finite number
// gives ",00"-style text without digits rather than failing.
std::string FloatToDisplayText(double Value, uint8_t Decimals, bool Grouping);
// Reads display text back, with either decimal mark: a dot right after a digit and before
// exactly three digits, ahead of any decimal mark, groups thousands ("12.500,00" and "12.500"
// give 12500); any other dot, or a comma, is the decimal mark ("2.5" and "2,5" give 2.5), and a
// second decimal mark is no number. Text that is not a number gives 0 (callers clamp).
double DisplayTextToFloat(const std::string& Text);
// The same reading for callers that must tell junk from zero: False for text that is not a
// number or reads as an infinity or NaN, and Value is left as it was.
bool TryDisplayTextToFloat(const std::string& Text, double& Value);

// Bit numbers of 32 and more are ignored.
void SetBit(uint32_t& D, uint8_t N, bool Value);
bool TestBit(uint32_t D, uint8_t N);
