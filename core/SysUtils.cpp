#include "core/SysUtils.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>

#include "core/Classes.h"

namespace {

int64_t Saturate(double V) {
  if (std::isnan(V)) return 0;
  if (V >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
  if (V <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(V);
}

}  // namespace

int64_t Round(double Value) { return Saturate(std::nearbyint(Value)); }

int64_t Trunc(double Value) { return Saturate(std::trunc(Value)); }

int32_t MulDiv(int32_t Number, int32_t Numerator, int32_t Denominator) {
  if (Denominator == 0) return -1;
  const int64_t p = static_cast<int64_t>(Number) * Numerator;
  int64_t d = Denominator;
  int64_t q = p / d;
  const int64_t r = p % d;
  // Half away from zero, on magnitudes so that the signs of p and d do not matter.
  if (r != 0 && 2 * (r < 0 ? -r : r) >= (d < 0 ? -d : d)) q += ((p < 0) != (d < 0)) ? -1 : 1;
  if (q > std::numeric_limits<int32_t>::max() || q < std::numeric_limits<int32_t>::min()) return -1;
  return static_cast<int32_t>(q);
}

uint32_t RandSeed = 0;

void Randomize() {
  RandSeed = static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                   std::chrono::system_clock::now().time_since_epoch().count());
}

namespace {
uint32_t NextRandom() {
  RandSeed = RandSeed * 134775813u + 1u;
  return RandSeed;
}
}  // namespace

int32_t Random(int32_t Range) {
  if (Range <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(NextRandom()) * static_cast<uint32_t>(Range)) >> 32);
}

double Random() { return NextRandom() / 4294967296.0; }

namespace {
bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

std::string_view Stripped(const std::string& S) {
  size_t b = 0, e = S.size();
  while (b < e && IsBlank(S[b])) ++b;
  while (e > b && IsBlank(S[e - 1])) --e;
  return std::string_view(S).substr(b, e - b);
}

template <class T>
T ConvertedOrRaise(bool (*TryConvert)(const std::string&, T&), const std::string& S, const char* What) {
  T v{};
  if (!TryConvert(S, v)) throw EConvertError("'" + S + "' is not a valid " + What);
  return v;
}
}  // namespace

bool TryStrToFloat(const std::string& S, double& Value) {
  std::string_view t = Stripped(S);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  // from_chars does not know about "inf"/"nan" spellings we never write; reject them.
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (ec != std::errc() || ptr != t.data() + t.size()) return false;
  Value = v;
  return true;
}

double StrToFloat(const std::string& S) { return ConvertedOrRaise(TryStrToFloat, S, "floating point value"); }

double StrToFloatDef(const std::string& S, double Default) {
  double v = 0;
  return TryStrToFloat(S, v) ? v : Default;
}

bool TryStrToInt(const std::string& S, int64_t& Value) {
  std::string_view t = Stripped(S);
  bool neg = false;
  if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    neg = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t.front() == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return false;
  uint64_t u = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), u, base);
  if (ec != std::errc() || ptr != t.data() + t.size()) return false;
  if (neg) {
    if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return false;
    Value = static_cast<int64_t>(0 - u);
  } else {
    if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    Value = static_cast<int64_t>(u);
  }
  return true;
}

int64_t StrToInt(const std::string& S) { return ConvertedOrRaise(TryStrToInt, S, "integer value"); }

int64_t StrToIntDef(const std::string& S, int64_t Default) {
  int64_t v = 0;
  return TryStrToInt(S, v) ? v : Default;
}

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(uint64_t Value, int Digits) {
  static const char hex[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), hex[Value & 15]);
    Value >>= 4;
  } while (Value != 0);
  while (static_cast<int>(s.size()) < Digits) s.insert(s.begin(), '0');
  return s;
}

std::string FloatToStr(double Value) {
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, Value);
  return ec == std::errc() ? std::string(buf, ptr) : std::string("0");
}

std::string UpperCase(const std::string& S) {
  std::string r = S;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(const std::string& S) {
  std::string r = S;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

int CompareText(const std::string& A, const std::string& B) {
  const size_t n = std::min(A.size(), B.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool SameText(const std::string& A, const std::string& B) { return A.size() == B.size() && CompareText(A, B) == 0; }

std::string Trim(const std::string& S) {
  size_t b = 0, e = S.size();
  while (b < e && static_cast<unsigned char>(S[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(S[e - 1]) <= ' ') --e;
  return S.substr(b, e - b);
}
