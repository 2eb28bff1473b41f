#include "core/QzUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "core/QzFileClasses.h"
#include "core/SysUtils.h"

std::string QzPathDelimiter;

namespace {
struct TUtilsInit {
  TUtilsInit() {
    QzPathDelimiter = "\\";
    Randomize();
  }
} UtilsInit;

// Coordinates wrap like the toolkit's 32-bit integers instead of overflowing.
int32_t Wrap(int64_t V) { return static_cast<int32_t>(static_cast<uint32_t>(V)); }

int32_t Distance(int32_t A, int32_t B) {
  const int64_t d = std::llabs(static_cast<int64_t>(B) - A);
  return d > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                  : static_cast<int32_t>(d);
}
}  // namespace

void ShiftRect(TRect& R, int32_t Dx, int32_t Dy) {
  R.Left = Wrap(static_cast<int64_t>(R.Left) + Dx);
  R.Right = Wrap(static_cast<int64_t>(R.Right) + Dx);
  R.Top = Wrap(static_cast<int64_t>(R.Top) + Dy);
  R.Bottom = Wrap(static_cast<int64_t>(R.Bottom) + Dy);
}

int32_t RectWidth(const TRect& R) { return Distance(R.Left, R.Right); }
int32_t RectHeight(const TRect& R) { return Distance(R.Top, R.Bottom); }

void AlignRect(TRect& R, const TRect& Bounds, uint8_t H, uint8_t V) {
  ShiftRect(R, Wrap(-static_cast<int64_t>(R.Left)), Wrap(-static_cast<int64_t>(R.Top)));
  const int64_t freeX = static_cast<int64_t>(RectWidth(Bounds)) - RectWidth(R);
  const int64_t freeY = static_cast<int64_t>(RectHeight(Bounds)) - RectHeight(R);
  int64_t x = Bounds.Left;
  if (H == 1) x += freeX / 2;
  else if (H == 2) x += freeX;
  int64_t y = Bounds.Top;
  if (V == 1) y += freeY / 2;
  else if (V == 2) y += freeY;
  ShiftRect(R, Wrap(x), Wrap(y));
}

void ConstrainRect(TRect& R, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  NormalizeRect(R);
  if (R.Left < Left) R.Left = Left;
  if (R.Top < Top) R.Top = Top;
  if (R.Right > Right) R.Right = Right;
  if (R.Bottom > Bottom) R.Bottom = Bottom;
}

TRect ExpandRect(TRect& R, int32_t Dx, int32_t Dy) {
  R.Left = Wrap(static_cast<int64_t>(R.Left) - Dx);
  R.Top = Wrap(static_cast<int64_t>(R.Top) - Dy);
  R.Right = Wrap(static_cast<int64_t>(R.Right) + Dx);
  R.Bottom = Wrap(static_cast<int64_t>(R.Bottom) + Dy);
  return R;
}

bool NormalizeRect(TRect& R) {
  bool swapped = false;
  if (R.Right < R.Left) {
    std::swap(R.Left, R.Right);
    swapped = true;
  }
  if (R.Bottom < R.Top) {
    std::swap(R.Top, R.Bottom);
    swapped = true;
  }
  return swapped;
}

bool PointInRect(const TRect& R, const TPoint& P) {
  return R.Left <= P.X && P.X <= R.Right && R.Top <= P.Y && P.Y <= R.Bottom;
}

std::string ReplaceSubstring(const std::string& S, const std::string& Pattern,
                             const std::string& NewText) {
  if (Pattern.empty() || S.empty()) return S;
  std::string result;
  result.reserve(S.size());
  size_t from = 0;
  for (size_t at = S.find(Pattern); at != std::string::npos; at = S.find(Pattern, from)) {
    result.append(S, from, at - from);
    result += NewText;
    from = at + Pattern.size();
  }
  result.append(S, from, std::string::npos);
  return result;
}

std::string UnscrambleString(const uint8_t* Data, size_t Count) {
  return DescrambleString(Data, Count);
}

TColor LightenColor(TColor Color, int32_t Amount) {
  if (Amount == 0) return Color;
  // An amount outside the range counts as full lightening, whichever side it lies on.
  const int32_t a = Amount < -255 || Amount > 255 ? 255 : Amount;
  const TColor rgb = ColorToRGB(Color);
  auto channel = [a](int32_t c) {
    return static_cast<uint8_t>(a > 0 ? (a * 255 + (255 - a) * c) / 256 : ((255 + a) * c) / 256);
  };
  return RGB(channel(GetRValue(rgb)), channel(GetGValue(rgb)), channel(GetBValue(rgb)));
}

TColor BlendColor(TColor C1, TColor C2, uint8_t Alpha) {
  const TColor a = ColorToRGB(C1);
  const TColor b = ColorToRGB(C2);
  auto channel = [Alpha](int32_t c1, int32_t c2) {
    return static_cast<uint8_t>(((255 - Alpha) * c1 + Alpha * c2) / 256);
  };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

std::string FloatToDisplayText(double Value, uint8_t Decimals, bool Grouping) {
  // to_chars, unlike printf, ignores the host's locale: the point is always '.'.
  char buffer[320 + 256];
  const auto res = std::to_chars(buffer, buffer + sizeof buffer, Value, std::chars_format::fixed,
                                 static_cast<int>(Decimals));
  std::string t(buffer, res.ec == std::errc() ? res.ptr : buffer);
  if (Decimals > 0) {
    const size_t point = t.find('.');
    if (point != std::string::npos) t[point] = ',';
    else t += ",00";
  }
  size_t first = 0;
  while (first < t.size() && !(std::isdigit(static_cast<unsigned char>(t[first])) ||
                               t[first] == '.' || t[first] == ','))
    ++first;
  t.erase(0, first);
  if (Grouping && std::fabs(Value) > 999.0) {
    const size_t digits = std::min(t.find(','), t.size());
    std::string grouped;
    grouped.reserve(t.size() + digits / 3);
    for (size_t i = 0; i < digits; ++i) {
      if (i > 0 && (digits - i) % 3 == 0) grouped += '.';
      grouped += t[i];
    }
    t = grouped + t.substr(digits);
  }
  if (Value < 0) t.insert(t.begin(), '-');
  return t;
}

bool TryDisplayTextToFloat(const std::string& Text, double& Value) {
  // Users type either mark, and the in-place editor shows grouped values ("12.500,00"): a dot
  // groups thousands only where it can, right after a digit and before exactly three digits,
  // with no decimal mark before it; any other dot, and the first comma, is the decimal mark.
  auto digit = [&Text](size_t At) { return At < Text.size() && std::isdigit(static_cast<unsigned char>(Text[At])); };
  std::string t;
  t.reserve(Text.size());
  bool decimal = false;
  for (size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c != '.' && c != ',') {
      t += c;
      continue;
    }
    if (c == '.' && !decimal && i > 0 && digit(i - 1) && digit(i + 1) && digit(i + 2) && digit(i + 3) && !digit(i + 4))
      continue;
    // A second decimal mark makes the text no number.
    if (decimal) return false;
    decimal = true;
    t += '.';
  }
  double v = 0;
  if (!TryStrToFloat(t, v) || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

double DisplayTextToFloat(const std::string& Text) {
  double v = 0;
  return TryDisplayTextToFloat(Text, v) ? v : 0.0;
}

void SetBit(uint32_t& D, uint8_t N, bool Value) {
  if (N >= 32) return;
  if (Value) D |= uint32_t{1} << N;
  else D &= ~(uint32_t{1} << N);
}

bool TestBit(uint32_t D, uint8_t N) { return N < 32 && ((D >> N) & 1u) != 0; }
