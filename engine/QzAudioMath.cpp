#include "engine/QzAudioMath.h"

#include <bit>
#include <cmath>

float RatioToDbTable[QzLevelTableSize];

bool ClampSingle(float& Value, float Min, float Max) {
  if (Value > Max) {
    Value = Max;
    return true;
  }
  if (std::isnan(Value) || std::isnan(Min)) return false;
  if (Value < Min) {
    Value = Min;
    return true;
  }
  return false;
}

// The two level laws run once or twice per sample in the limiter, so they take a table-driven
// path whose 64-bit result is within about 2^-50 of the exact value, and fall back to the plain
// 64-bit formula whenever that result lies too close to a rounding boundary of the 32-bit result
// for the error to be ruled out. Either way the returned float is the one the plain formula gives.
// The tables are constants (not built at start-up) because other units build their level tables
// from these functions during their own static initialisation.
namespace {

struct TLogEntry {
  double InvC;  // 1/c rounded to 24 bits, so that z * InvC is exact
  double LogC;  // 10*log10(1/InvC)
};

constexpr TLogEntry LogTable[128] = {
    {0x1.6d1a62p+0, -0x1.8ab0757ee0ea4p+0},
    {0x1.6b149p+0, -0x1.84833bdc6af5bp+0},
    {0x1.691474p+0, -0x1.7e5ec28c168dp+0},
    {0x1.6719f4p+0, -0x1.7842eae3365fdp+0},
    {0x1.6524f8p+0, -0x1.722f9b14731a3p+0},
    {0x1.63356cp+0, -0x1.6c24c49b873ep+0},
    {0x1.614b36p+0, -0x1.66224519c2e55p+0},
    {0x1.5f6644p+0, -0x1.6028121d1040fp+0},
    {0x1.5d867cp+0, -0x1.5a3606e6c4c9cp+0},
    {0x1.5babccp+0, -0x1.544c16e638eb7p+0},
    {0x1.59d62p+0, -0x1.4e6a2e3ea922cp+0},
    {0x1.58056p+0, -0x1.48902b2336856p+0},
    {0x1.56397cp+0, -0x1.42be047a45df8p+0},
    {0x1.54725ep+0, -0x1.3cf39cd12c179p+0},
    {0x1.52aff6p+0, -0x1.3730e93c72cacp+0},
    {0x1.50f22ep+0, -0x1.3175ca3ffbeccp+0},
    {0x1.4f38f6p+0, -0x1.2bc2331798576p+0},
    {0x1.4d843cp+0, -0x1.26160f8c94894p+0},
    {0x1.4bd3eep+0, -0x1.20714a7c2abf3p+0},
    {0x1.4a27fap+0, -0x1.1ad3cdd5f6b0cp+0},
    {0x1.488052p+0, -0x1.153d90241ec82p+0},
    {0x1.46dce4p+0, -0x1.0fae79aaa1f34p+0},
    {0x1.453d9ep+0, -0x1.0a2671bb7664p+0},
    {0x1.43a274p+0, -0x1.04a57351d0e1fp+0},
    {0x1.420b52p+0, -0x1.fe56ba7c0916dp-1},
    {0x1.40782ep+0, -0x1.f3705fd1aeed8p-1},
    {0x1.3ee8f4p+0, -0x1.e89790e3b648ap-1},
    {0x1.3d5d9ap+0, -0x1.ddcc4bcabe05cp-1},
    {0x1.3bd60ep+0, -0x1.d30e556ee6fc8p-1},
    {0x1.3a5244p+0, -0x1.c85d9b34170c1p-1},
    {0x1.38d22ep+0, -0x1.bdb9fb1ea496bp-1},
    {0x1.3755bep+0, -0x1.b32351c2f03e5p-1},
    {0x1.35dce6p+0, -0x1.a8997a43260a1p-1},
    {0x1.34679ap+0, -0x1.9e1c5cb88cdc4p-1},
    {0x1.32f5cep+0, -0x1.93abe00b5e532p-1},
    {0x1.318776p+0, -0x1.8947e9f0af663p-1},
    {0x1.301c82p+0, -0x1.7ef041a928e8p-1},
    {0x1.2eb4eap+0, -0x1.74a4e77742072p-1},
    {0x1.2d50ap+0, -0x1.6a65aea83411bp-1},
    {0x1.2bef98p+0, -0x1.603277dc6eb43p-1},
    {0x1.2a91cap+0, -0x1.560b4041b27ap-1},
    {0x1.293726p+0, -0x1.4befc87819bd1p-1},
    {0x1.27dfa4p+0, -0x1.41e00b73ad146p-1},
    {0x1.268b38p+0, -0x1.37dbe53ec2c99p-1},
    {0x1.2539d8p+0, -0x1.2de33fca5b622p-1},
    {0x1.23eb7ap+0, -0x1.23f604075d804p-1},
    {0x1.22a012p+0, -0x1.1a140a97a0256p-1},
    {0x1.215798p+0, -0x1.103d4991980cap-1},
    {0x1.201202p+0, -0x1.0671a6dc44a5dp-1},
    {0x1.1ecf44p+0, -0x1.f961efad9edc4p-2},
    {0x1.1d8f56p+0, -0x1.e5f65f7157f0dp-2},
    {0x1.1c523p+0, -0x1.d2a081eaefabbp-2},
    {0x1.1b17c6p+0, -0x1.bf5ffba0d885dp-2},
    {0x1.19e012p+0, -0x1.ac34cd1fe7994p-2},
    {0x1.18ab08p+0, -0x1.991e96de0913cp-2},
    {0x1.1778a2p+0, -0x1.861d56229eb09p-2},
    {0x1.1648d6p+0, -0x1.7330c73e81136p-2},
    {0x1.151b9ap+0, -0x1.6058a45fb6e4ep-2},
    {0x1.13f0e8p+0, -0x1.4d94e60625a4fp-2},
    {0x1.12c8b8p+0, -0x1.3ae563418b19p-2},
    {0x1.11a302p+0, -0x1.2849f1827535fp-2},
    {0x1.107fbcp+0, -0x1.15c243f416779p-2},
    {0x1.0f5eep+0, -0x1.034e4d1ff7786p-2},
    {0x1.0e4066p+0, -0x1.e1dbbb166cb2cp-3},
    {0x1.0d2446p+0, -0x1.bd41882553219p-3},
    {0x1.0c0a78p+0, -0x1.98cd9bd16f02fp-3},
    {0x1.0af2f8p+0, -0x1.7480126c9f754p-3},
    {0x1.09ddbap+0, -0x1.5057fb751ec46p-3},
    {0x1.08cabcp+0, -0x1.2c55b0c242df1p-3},
    {0x1.07b9f2p+0, -0x1.08783ac635306p-3},
    {0x1.06ab5ap+0, -0x1.c97fddf6758fp-4},
    {0x1.059eeap+0, -0x1.8258256cb817p-4},
    {0x1.04949cp+0, -0x1.3b78de9bf011bp-4},
    {0x1.038c6cp+0, -0x1.e9c4410de5a74p-5},
    {0x1.02865p+0, -0x1.5d24c57cf61a9p-5},
    {0x1.018244p+0, -0x1.a226c8ac9dcacp-6},
    {0x1.00804p+0, -0x1.16381d3cca683p-7},
    {0x1.fe01fep-1, 0x1.156832e30da53p-6},
    {0x1.fa11cap-1, 0x1.9e7fd7c55e623p-5},
    {0x1.f6310ap-1, 0x1.58162d40b97dep-4},
    {0x1.f25f64p-1, 0x1.dfe0ed39f1e47p-4},
    {0x1.ee9c8p-1, 0x1.335224efb067cp-3},
    {0x1.eae808p-1, 0x1.7632307771537p-3},
    {0x1.e741aap-1, 0x1.b892826586226p-3},
    {0x1.e3a918p-1, 0x1.fa74dbdcccda9p-3},
    {0x1.e01e02p-1, 0x1.1deda15a5edcbp-2},
    {0x1.dca01ep-1, 0x1.3e63b6ed6b043p-2},
    {0x1.d92f22p-1, 0x1.5e9d992a97c67p-2},
    {0x1.d5cac8p-1, 0x1.7e9c1be8e9f4bp-2},
    {0x1.d272cap-1, 0x1.9e60213ea9aedp-2},
    {0x1.cf26e6p-1, 0x1.bdea733b7a662p-2},
    {0x1.cbe6dap-1, 0x1.dd3be95c238fcp-2},
    {0x1.c8b266p-1, 0x1.fc555531014b4p-2},
    {0x1.c5894ep-1, 0x1.0d9bb71970a54p-1},
    {0x1.c26b54p-1, 0x1.1cf185e18bf34p-1},
    {0x1.bf583ep-1, 0x1.2c2c75282d466p-1},
    {0x1.bc4fd6p-1, 0x1.3b4cd50ba106p-1},
    {0x1.b951e2p-1, 0x1.4a530f3fc3f47p-1},
    {0x1.b65e2ep-1, 0x1.593f750f5f56fp-1},
    {0x1.b37484p-1, 0x1.6812673e01d0ep-1},
    {0x1.b094b4p-1, 0x1.76cc2d4bc0c3fp-1},
    {0x1.adbe88p-1, 0x1.856d32939d748p-1},
    {0x1.aaf1d2p-1, 0x1.93f5be7187247p-1},
    {0x1.a82e66p-1, 0x1.a2661265c70aep-1},
    {0x1.a5741p-1, 0x1.b0be9e8b61fdep-1},
    {0x1.a2c2a8p-1, 0x1.beff98cb092f1p-1},
    {0x1.a01a02p-1, 0x1.cd29505c669b8p-1},
    {0x1.9d79f2p-1, 0x1.db3c18faabaf5p-1},
    {0x1.9ae24ep-1, 0x1.e938401b283bcp-1},
    {0x1.9852fp-1, 0x1.f71e01bb5b478p-1},
    {0x1.95cbbp-1, 0x1.0276d44e55ee6p+0},
    {0x1.934c68p-1, 0x1.0953bc4afda64p+0},
    {0x1.90d4f2p-1, 0x1.1025dcaeacebfp+0},
    {0x1.8e6528p-1, 0x1.16ed5b4806afbp+0},
    {0x1.8bfce8p-1, 0x1.1daa54a22568ep+0},
    {0x1.899c1p-1, 0x1.245ce6fdec20bp+0},
    {0x1.87427cp-1, 0x1.2b05380492b06p+0},
    {0x1.84f00cp-1, 0x1.31a363cfe97f2p+0},
    {0x1.82a4ap-1, 0x1.38378817745afp+0},
    {0x1.806018p-1, 0x1.3ec1c433c3033p+0},
    {0x1.7e2256p-1, 0x1.454233500f5ap+0},
    {0x1.7beb3ap-1, 0x1.4bb8f7f69887bp+0},
    {0x1.79baa6p-1, 0x1.522630791ff9fp+0},
    {0x1.779082p-1, 0x1.5889eaf114c56p+0},
    {0x1.756cacp-1, 0x1.5ee454632ab89p+0},
    {0x1.734f0cp-1, 0x1.65357db8b662fp+0},
    {0x1.713786p-1, 0x1.6b7d851179863p+0},
    {0x1.6f2602p-1, 0x1.71bc7de36c15p+0},
};
constexpr double Exp2Table[64] = {
    0x1p+0,
    0x1.02c9a3e778061p+0,
    0x1.059b0d3158574p+0,
    0x1.0874518759bc8p+0,
    0x1.0b5586cf9890fp+0,
    0x1.0e3ec32d3d1a2p+0,
    0x1.11301d0125b51p+0,
    0x1.1429aaea92dep+0,
    0x1.172b83c7d517bp+0,
    0x1.1a35beb6fcb75p+0,
    0x1.1d4873168b9aap+0,
    0x1.2063b88628cd6p+0,
    0x1.2387a6e756238p+0,
    0x1.26b4565e27cddp+0,
    0x1.29e9df51fdee1p+0,
    0x1.2d285a6e4030bp+0,
    0x1.306fe0a31b715p+0,
    0x1.33c08b26416ffp+0,
    0x1.371a7373aa9cbp+0,
    0x1.3a7db34e59ff7p+0,
    0x1.3dea64c123422p+0,
    0x1.4160a21f72e2ap+0,
    0x1.44e086061892dp+0,
    0x1.486a2b5c13cdp+0,
    0x1.4bfdad5362a27p+0,
    0x1.4f9b2769d2ca7p+0,
    0x1.5342b569d4f82p+0,
    0x1.56f4736b527dap+0,
    0x1.5ab07dd485429p+0,
    0x1.5e76f15ad2148p+0,
    0x1.6247eb03a5585p+0,
    0x1.6623882552225p+0,
    0x1.6a09e667f3bcdp+0,
    0x1.6dfb23c651a2fp+0,
    0x1.71f75e8ec5f74p+0,
    0x1.75feb564267c9p+0,
    0x1.7a11473eb0187p+0,
    0x1.7e2f336cf4e62p+0,
    0x1.82589994cce13p+0,
    0x1.868d99b4492edp+0,
    0x1.8ace5422aa0dbp+0,
    0x1.8f1ae99157736p+0,
    0x1.93737b0cdc5e5p+0,
    0x1.97d829fde4e5p+0,
    0x1.9c49182a3f09p+0,
    0x1.a0c667b5de565p+0,
    0x1.a5503b23e255dp+0,
    0x1.a9e6b5579fdbfp+0,
    0x1.ae89f995ad3adp+0,
    0x1.b33a2b84f15fbp+0,
    0x1.b7f76f2fb5e47p+0,
    0x1.bcc1e904bc1d2p+0,
    0x1.c199bdd85529cp+0,
    0x1.c67f12e57d14bp+0,
    0x1.cb720dcef9069p+0,
    0x1.d072d4a07897cp+0,
    0x1.d5818dcfba487p+0,
    0x1.da9e603db3285p+0,
    0x1.dfc97337b9b5fp+0,
    0x1.e502ee78b3ff6p+0,
    0x1.ea4afa2a490dap+0,
    0x1.efa1bee615a27p+0,
    0x1.f50765b6e454p+0,
    0x1.fa7c1819e90d8p+0,
};

// 10*log10(2) split so that k * TenLog2Hi is exact for every exponent k of a float.
constexpr double TenLog2Hi = 0x1.8151824cp+1;
constexpr double TenLog2Lo = 0x1.d61fabf8p-33;
// 10/ln(10)
constexpr double TenOverLn10 = 0x1.15f2ced384f29p+2;
// 64*log2(10) split so that q * Log2TenHi is exact for every float q.
constexpr double Log2TenHi = 0x1.a934f09p+7;
constexpr double Log2TenLo = 0x1.e68dc57fp-23;
// (ln2/64)^k / k!
constexpr double Exp2C1 = 0x1.62e42fefa39efp-7;
constexpr double Exp2C2 = 0x1.ebfbdff82c58fp-15;
constexpr double Exp2C3 = 0x1.c6b08d704a0cp-23;
constexpr double Exp2C4 = 0x1.3b2ab6fba4e77p-31;
constexpr double Exp2C5 = 0x1.5d87fe78a6731p-40;
constexpr double RoundShift = 0x1.8p52;
constexpr uint32_t LogOffset = 0x3f330000;  // reduces the mantissa to about [0.7, 1.4)

// True when the 29 bits below a float's precision put Y within 2^13 units (about 2^-39 of its
// binade) of the midpoint between two floats; the approximations are far more accurate.
inline bool NearFloatMidpoint(double Y) {
  constexpr uint32_t Half = 0x10000000u, Margin = 0x2000u;
  const uint32_t low = static_cast<uint32_t>(std::bit_cast<uint64_t>(Y)) & 0x1FFFFFFFu;
  return low - (Half - Margin) < 2 * Margin;
}

float PlainDbToAmp(float Q) { return static_cast<float>(std::pow(10.0, static_cast<double>(Q))); }
float PlainAmpToDb(float X) {
  return static_cast<float>(10.0 * std::log10(std::fabs(static_cast<double>(X))));
}

}  // namespace

float DbToAmp(float X) {
  if (X == 0.0f) return 1.0f;
  const float q = X / 10.0f;
  // Beyond +-37.5 the result nears the ends of the float range (and NaN lands here too).
  if (!(std::fabs(q) <= 37.5f)) return PlainDbToAmp(q);
  // 10^q = 2^(n/64) * 2^(r/64), n integer, |r| <= 1/2.
  const double qd = q;
  const double t = qd * Log2TenHi;
  const double nd = (t + RoundShift) - RoundShift;
  const double r = (t - nd) + qd * Log2TenLo;
  const int64_t n = static_cast<int64_t>(nd);
  const uint64_t scaleBits =
      std::bit_cast<uint64_t>(Exp2Table[n & 63]) + (static_cast<uint64_t>(n >> 6) << 52);
  const double p = 1.0 + r * (Exp2C1 + r * (Exp2C2 + r * (Exp2C3 + r * (Exp2C4 + r * Exp2C5))));
  const double y = std::bit_cast<double>(scaleBits) * p;
  if (NearFloatMidpoint(y)) return PlainDbToAmp(q);
  return static_cast<float>(y);
}

float AmpToDb(float X) {
  if (X == 0.0f) return -80.0f;
  uint32_t ix = std::bit_cast<uint32_t>(X) & 0x7FFFFFFFu;
  if (ix >= 0x7F800000u) return PlainAmpToDb(X);  // infinity, NaN
  if (ix < 0x00800000u) {
    // Subnormal: normalise with integer steps (the exponent may go below the field's range).
    const int shift = __builtin_clz(ix) - 8;
    ix = (ix << shift) - (static_cast<uint32_t>(shift) << 23);
  }
  double y;
  if (ix - 0x3F7C0000u < 0x60000u) {
    // Within 2^-6 of 1: the series of ln(1 + r) on its own keeps the relative accuracy.
    const double r = static_cast<double>(std::bit_cast<float>(ix)) - 1.0;
    const double p =
        r * (1.0 + r * (-1.0 / 2 + r * (1.0 / 3 + r * (-1.0 / 4 + r * (1.0 / 5 + r * (-1.0 / 6 +
        r * (1.0 / 7 + r * (-1.0 / 8))))))));
    y = TenOverLn10 * p;
  } else {
    const uint32_t tmp = ix - LogOffset;
    const TLogEntry& e = LogTable[(tmp >> 16) & 127];
    const double k = static_cast<double>(static_cast<int32_t>(tmp) >> 23);
    const double z = static_cast<double>(std::bit_cast<float>(ix - (tmp & 0xFF800000u)));
    const double r = z * e.InvC - 1.0;
    const double p =
        r * (1.0 + r * (-1.0 / 2 + r * (1.0 / 3 + r * (-1.0 / 4 + r * (1.0 / 5 + r * (-1.0 / 6))))));
    y = (k * TenLog2Hi + e.LogC) + (k * TenLog2Lo + TenOverLn10 * p);
  }
  if (NearFloatMidpoint(y)) return PlainAmpToDb(X);
  return static_cast<float>(y);
}

void BuildLevelTable(float* Table) {
  for (int i = 0; i < QzLevelTableSize; ++i) Table[i] = 0.0f;
  Table[0] = -80.0f;
  // The step accumulates in 32-bit float on purpose: the indices it produces (a few written
  // twice, a few never) are those of the stored tables.
  float x = 0.0001f;
  while (x <= 2.0f) {
    const float v = AmpToDb(x);
    const float scaled = x * 10000.0f;
    const long i = std::lrintf(scaled);  // default rounding mode: ties to even
    if (i >= 0 && i < QzLevelTableSize) Table[i] = v;
    x = static_cast<float>(static_cast<double>(x) + 0.0001);
  }
}

namespace {
struct TRatioTableInit {
  TRatioTableInit() { BuildLevelTable(RatioToDbTable); }
} RatioTableInit;
}  // namespace
