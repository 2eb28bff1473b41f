// Run-time routines of the toolkit that the program's units call: rounding, integer scaling,
// the pseudo-random generator, text and number conversion.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

// The toolkit's general exception; its message is the text shown to the user.
class Exception : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
  std::string Message() const { return what(); }
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4). NaN gives 0;
// values beyond the int64 range saturate.
int64_t Round(double Value);
// Drops the fraction (toward zero), saturating like Round.
int64_t Trunc(double Value);

// Number * Numerator / Denominator with a 64-bit intermediate, rounded half away from zero;
// -1 when Denominator is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator);

// The process-wide generator. RandSeed can be set for a repeatable sequence.
extern uint32_t RandSeed;
void Randomize();
// 0 <= result < Range; 0 when Range <= 0.
int32_t Random(int32_t Range);
// 0 <= result < 1.
double Random();

// Decimal text with '.' as separator, optional sign and exponent, surrounding blanks allowed.
// StrToFloat throws EConvertError on anything else; TryStrToFloat answers False.
bool TryStrToFloat(const std::string& S, double& Value);
double StrToFloat(const std::string& S);
double StrToFloatDef(const std::string& S, double Default);
bool TryStrToInt(const std::string& S, int64_t& Value);
int64_t StrToInt(const std::string& S);
int64_t StrToIntDef(const std::string& S, int64_t Default);
std::string IntToStr(int64_t Value);
std::string IntToHex(uint64_t Value, int Digits);
// Shortest text that reads back as the same double, '.' as separator.
std::string FloatToStr(double Value);

// ASCII case mapping and comparison, as the toolkit's text routines compare names.
std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
int CompareText(const std::string& A, const std::string& B);
bool SameText(const std::string& A, const std::string& B);
std::string Trim(const std::string& S);

// Milliseconds of the toolkit's clock: the active window backend's clock (a deterministic one
// under the off-screen backend), monotonic.
uint64_t GetTickCount64();

// A set of enumeration values (at most 64), the toolkit's "set of" type. Stored as bits,
// value 0 in bit 0, so that a set converts to the bit mask that stored formats hold.
template <class E>
class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Values) {
    for (E v : Values) FBits |= Bit(v);
  }
  static constexpr TSet FromBits(uint64_t Bits) {
    TSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E V) const { return (FBits & Bit(V)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E V) {
    FBits |= Bit(V);
    return *this;
  }
  constexpr TSet& Exclude(E V) {
    FBits &= ~Bit(V);
    return *this;
  }
  constexpr TSet operator+(TSet O) const { return FromBits(FBits | O.FBits); }
  constexpr TSet operator-(TSet O) const { return FromBits(FBits & ~O.FBits); }
  constexpr TSet operator*(TSet O) const { return FromBits(FBits & O.FBits); }
  constexpr TSet operator+(E V) const { return FromBits(FBits | Bit(V)); }
  constexpr TSet operator-(E V) const { return FromBits(FBits & ~Bit(V)); }
  constexpr TSet& operator+=(TSet O) {
    FBits |= O.FBits;
    return *this;
  }
  constexpr TSet& operator-=(TSet O) {
    FBits &= ~O.FBits;
    return *this;
  }
  constexpr bool operator==(const TSet&) const = default;

private:
  static constexpr uint64_t Bit(E V) { return uint64_t{1} << static_cast<unsigned>(V); }
  uint64_t FBits = 0;
};
