// The stored formats of the presets: the equaliser's "MEQP", the limiter's "VXLM" and the
// preset-details record (signature 55555, scrambled texts). The plans every format shares (round
// trip, every truncation, foreign headers, missing streams and short writes) run from one table;
// layouts, clamps and what Clear keeps follow per format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "tests/common/TestStreams.h"
#include "engine/QzAudioClasses.h"
#include "engine/QzAudioLimiter.h"
#include "engine/QzAudioMicroEQ.h"

namespace {

using TBytes = std::vector<uint8_t>;
using TEq = TQzAudioMicroEqualizerPreset;
using TLim = TQzAudioLimiterPreset;
using TDet = TQzAudioPresetDetails;

// The formats are little-endian, as is every machine this runs on.
template <class V>
void Put(TBytes& B, size_t At, V Value) {
  std::memcpy(B.data() + At, &Value, sizeof Value);
}
template <class V>
V Get(const TBytes& B, size_t At) {
  V v;
  std::memcpy(&v, B.data() + At, sizeof v);
  return v;
}
float SlotOf(const TBytes& B, int Slot) { return Get<float>(B, 32 + 4 * static_cast<size_t>(Slot)); }

template <class T>
bool Load(T& P, const TBytes& Bytes) {
  return P.LoadFromStream(StreamOf(Bytes).get());
}

// ---- Hand-made streams, from the format tables ----------------------------------------------

constexpr float EqDefaults[16] = {0, 20, 20000, 100, 1000, 12500, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint32_t EqDefaultFlags = 1u << 3;
// Unusual values in every slot, reserved ones included.
constexpr float EqOdd[16] = {-7.5f, 33.0f, 15000.0f, 40.0f, 2000.0f, 9000.0f, 0.75f, 2.5f, 4.0f,
                             -3.0f, 6.0f,  14.5f,    -42.0f, 2.25f, 123.456f, -1e-3f};
constexpr uint32_t EqOddFlags = 0xA5A5A5D7u;

// A header gap other than 32 bytes is filled with bytes a reader must skip.
TBytes EqStream(const float (&Slots)[16], uint32_t Flags, uint16_t HeaderSize = 32) {
  const size_t body = HeaderSize < 8 ? 8 : HeaderSize;
  TBytes b(body + 68, HeaderSize == 32 ? 0x00 : 0xEE);
  std::memcpy(b.data(), "MEQP\1\5", 6);
  Put<uint16_t>(b, 6, HeaderSize);
  for (int i = 0; i < 16; ++i) Put(b, body + 4 * static_cast<size_t>(i), Slots[i]);
  Put(b, body + 64, Flags);
  return b;
}

constexpr float LimOdd[16] = {-7.5f, 2.5f, 300.0f, 11.0f, -40.0f, 1.5f, -2.0f, 0.25f,
                              8.0f,  9.0f, 10.0f,  12.0f, 13.0f,  14.0f, 15.0f, -16.0f};
TBytes LimStream(uint32_t Flags = 0x5u | 0x80000000u) {  // Active, LookAhead, a reserved bit
  TBytes b(132, 0);
  std::memcpy(b.data(), "VXLM\1\5\40", 7);
  const int32_t ints[8] = {17, -18, 1, 19, 20, 21, 22, -23};
  for (int i = 0; i < 16; ++i) Put(b, 32 + 4 * static_cast<size_t>(i), LimOdd[i]);
  for (int i = 0; i < 8; ++i) Put(b, 96 + 4 * static_cast<size_t>(i), ints[i]);
  Put(b, 128, Flags);
  return b;
}

TDet& Filled(TDet& D) {
  for (int i = 0; i < TDet::StringCount; ++i)
    D.SetString(i, "text " + std::to_string(i) + std::string(static_cast<size_t>(i), 'x'));
  std::array<uint8_t, TDet::BlockSize> block;
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0xA0 + i);
  D.SetBlock(block);
  D.SetContentSize(232);
  return D;
}

// Where the texts of a saved record end: the error location of a stream cut after N bytes, for
// the reader (851 header, 854 a length, 855 a text; 0 when every text is complete) or the
// writer (801, 802, 803, 804 the block).
uint16_t DetailsCut(const TDet& D, int64_t N, bool Writer) {
  if (N < (Writer ? 32 : 8)) return Writer ? 801 : 851;
  int64_t at = 32;
  for (int i = 0; i < TDet::StringCount; ++i) {
    if (N < at + 2) return Writer ? 802 : 854;
    const auto len = static_cast<int64_t>(D.GetString(i).size() & 0xFFFF);
    at += 2;
    if (len > 0 && N < at + len) return Writer ? 803 : 855;
    at += len;
  }
  return Writer && N < at + TDet::BlockSize ? 804 : 0;
}

// ---- The shared plans ------------------------------------------------------------------------

// Error 0: the header loads.
struct THeaderCase { const char* Name; size_t At; uint8_t Value; uint32_t Error; };

template <class T>
struct TFormat {
  const char* Name;
  TBytes Full;  // valid, every reserved field in use
  // The error of a load of the first N bytes, and a check of what such a load kept.
  std::function<uint32_t(size_t)> TruncatedError;
  std::function<void(T&, const TBytes& Before, size_t N)> CheckKept;
  std::function<uint32_t(int64_t)> ShortWriteError;  // saving into room for N bytes
  uint32_t NoStreamSave, NoStreamLoad;
  std::vector<THeaderCase> Headers;
};

template <class T>
void RunSharedPlans(const TFormat<T>& F) {
  SCOPED_TRACE(F.Name);
  // Round trip bit for bit: reserved fields, unclamped values and NaN payloads survive; Assign
  // copies the same; a stream behind other data and through a file.
  {
    T p;
    ASSERT_TRUE(Load(p, F.Full));
    EXPECT_EQ(SavedBytes(p), F.Full);
    T q;
    TChangeCounter changes(q);
    q.Assign(static_cast<T*>(nullptr));
    EXPECT_EQ(changes.Count, 0);
    q.Assign(&p);
    EXPECT_EQ(changes.Count, 1);
    TMemoryStream s;
    s.Write("lead!", 5);
    ASSERT_TRUE(q.SaveToStream(&s));
    s.SetPosition(5);
    T r;
    ASSERT_TRUE(r.LoadFromStream(&s));
    EXPECT_EQ(s.GetPosition(), static_cast<int64_t>(5 + F.Full.size()));
    EXPECT_EQ(SavedBytes(r), F.Full);
    // A larger header is skipped, whatever its gap holds.
    TBytes larger = F.Full;
    larger[6] = 40;
    larger.insert(larger.begin() + 32, 8, 0xEE);
    ASSERT_TRUE(Load(r, larger));
    EXPECT_EQ(SavedBytes(r), F.Full);
  }
  // Every truncation fails at its own step, notifies once and keeps what it is meant to keep.
  for (size_t n = 0; n <= F.Full.size(); ++n) {
    SCOPED_TRACE(n);
    T p;
    const TBytes before = SavedBytes(p);
    TChangeCounter changes(p);
    const uint32_t error = n == F.Full.size() ? 0u : F.TruncatedError(n);
    EXPECT_EQ(Load(p, TBytes(F.Full.begin(), F.Full.begin() + static_cast<long>(n))), error == 0);
    EXPECT_EQ(p.Error, error);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_FALSE(p.IsUpdating());
    if (error != 0) {
      EXPECT_EQ(p.ErrorLog,
                std::to_string(ErrorCategory(error)) + " " + std::to_string(ErrorLocation(error)) + "\r\n");
      if (F.CheckKept) F.CheckKept(p, before, n);
    }
  }
  // Foreign headers: refused ones change nothing.
  for (const THeaderCase& c : F.Headers) {
    SCOPED_TRACE(c.Name);
    TBytes b = F.Full;
    b[c.At] = c.Value;
    T p;
    const TBytes before = SavedBytes(p);
    TChangeCounter changes(p);
    EXPECT_EQ(Load(p, b), c.Error == 0);
    EXPECT_EQ(p.Error, c.Error);
    EXPECT_EQ(changes.Count, 1);
    if (c.Error != 0) {
      EXPECT_EQ(SavedBytes(p), before);
    }
  }
  // No stream, and every short write.
  T p;
  EXPECT_FALSE(p.SaveToStream(nullptr));
  EXPECT_EQ(p.Error, F.NoStreamSave);
  EXPECT_FALSE(p.LoadFromStream(nullptr));
  EXPECT_EQ(p.Error, F.NoStreamLoad);
  ASSERT_TRUE(Load(p, F.Full));
  for (int64_t room = 0; room <= static_cast<int64_t>(F.Full.size()); ++room) {
    SCOPED_TRACE(room);
    TLimitedStream s(room);
    const uint32_t error = room == static_cast<int64_t>(F.Full.size()) ? 0u : F.ShortWriteError(room);
    EXPECT_EQ(p.SaveToStream(&s), error == 0);
    EXPECT_EQ(p.Error, error);
  }
}

TEST(PresetStreams, SharedPlansOfEveryFormat) {
  constexpr uint32_t read = qecReadFailed, write = qecWriteFailed;
  float eqSlots[16];
  std::memcpy(eqSlots, EqOdd, sizeof eqSlots);
  eqSlots[1] = 10.0f;  // below the low-cut range: loads and saves as it is
  const uint32_t nanBits = 0x7FC01234u;
  std::memcpy(&eqSlots[15], &nanBits, 4);
  RunSharedPlans<TEq>({
      "MEQP", EqStream(eqSlots, EqOddFlags),
      [](size_t n) { return MakeErrorCode(read, n < 8 ? 401 : n < 96 ? 404 : 405); },
      [&](TEq& p, const TBytes&, size_t n) {
        // It starts from the defaults and keeps whole slots read before the end; the flag word
        // only when complete.
        const size_t whole = n > 32 ? (n - 32) / 4 : 0;
        for (size_t i = 0; i < 16; ++i) {
          const float got = p.GetSlot(static_cast<int>(i)), want = i < whole ? eqSlots[i] : EqDefaults[i];
          EXPECT_EQ(std::memcmp(&got, &want, 4), 0) << i;  // bit for bit: slot 15 is a NaN
        }
        EXPECT_EQ(p.GetFlagWord(), EqDefaultFlags);
      },
      [](int64_t n) { return MakeErrorCode(write, n < 32 ? 401 : n < 96 ? 402 : 403); },
      MakeErrorCode(qecNoStream, 400), MakeErrorCode(qecNoStream, 400),
      {{"version 0", 4, 0, 0},
       {"version 2", 4, 2, MakeErrorCode(qecBadVersion, 403)},
       {"version 255", 4, 255, MakeErrorCode(qecBadVersion, 403)},
       {"signature", 0, 'X', MakeErrorCode(qecBadSignature, 402)},
       {"header size 0", 6, 0, MakeErrorCode(qecBadSignature, 402)},
       {"header size 7", 6, 7, MakeErrorCode(qecBadSignature, 402)},
       {"header size past the end", 7, 0xFF, MakeErrorCode(read, 404)}},
  });
  RunSharedPlans<TLim>({
      "VXLM", LimStream(),
      [](size_t n) { return MakeErrorCode(read, n < 8 ? 401 : n < 128 ? 402 : 403); },
      [](TLim& p, const TBytes& Before, size_t n) {
        // No clear first: exactly the delivered bytes of the body replace what was there.
        TBytes expected = Before;
        const TBytes full = LimStream();
        if (n > 32) std::copy(full.begin() + 32, full.begin() + static_cast<long>(n), expected.begin() + 32);
        EXPECT_EQ(SavedBytes(p), expected);
      },
      [](int64_t n) { return MakeErrorCode(write, n < 32 ? 401 : n < 128 ? 402 : 403); },
      MakeErrorCode(qecNoStream, 400), MakeErrorCode(qecNoStream, 400),
      {{"signature", 3, 'X', MakeErrorCode(qecBadSignature, 402)},
       {"version 0", 4, 0, MakeErrorCode(qecBadVersion, 403)},
       {"version 2", 4, 2, MakeErrorCode(qecBadVersion, 403)},
       {"header size 0", 6, 0, MakeErrorCode(qecBadSignature, 402)},
       {"header size 7", 6, 7, MakeErrorCode(qecBadSignature, 402)},
       {"format byte, not checked", 5, 9, 0}},
  });
  // The equaliser's reader also follows the 8-byte minimum header.
  TEq p;
  ASSERT_TRUE(Load(p, EqStream(EqOdd, EqOddFlags, 8)));
  EXPECT_EQ(SavedBytes(p), EqStream(EqOdd, EqOddFlags));
  TDet source;
  Filled(source);
  RunSharedPlans<TDet>({
      "details", SavedBytes(source),
      [&](size_t n) {
        const uint16_t at = DetailsCut(source, static_cast<int64_t>(n), false);
        return at == 0 ? 0u : MakeErrorCode(read, at);
      },
      [&](TDet& d, const TBytes&, size_t) {
        // Texts read before the failure are kept, the rest stay; no block from inside a text.
        const TDet fresh;
        for (int i = 0; i < TDet::StringCount; ++i)
          EXPECT_TRUE(d.GetString(i) == source.GetString(i) || d.GetString(i) == fresh.GetString(i)) << i;
        EXPECT_EQ(d.GetContentSize(), 0);
      },
      [&](int64_t n) { return MakeErrorCode(write, DetailsCut(source, n, true)); },
      MakeErrorCode(qecNoStream, 800), MakeErrorCode(qecNoStream, 850),
      {{"signature 55556", 0, 0x04, MakeErrorCode(qecBadSignature, 852)},
       {"version 1", 4, 1, MakeErrorCode(qecBadVersion, 853)},
       {"version 3", 4, 3, MakeErrorCode(qecBadVersion, 853)},
       {"header size 4", 6, 4, MakeErrorCode(qecBadSignature, 852)}},
  });
}

// ---- Layouts -----------------------------------------------------------------------------------

// Golden bytes of fresh presets (the defaults) and of presets with every setting edited.
TEST(PresetStreams, LayoutsMatchGoldenFiles) {
  TEq eq;
  EXPECT_EQ(SavedBytes(eq), ReadGolden("meqp_defaults.meqp"));
  eq.SetOutputGain(-7.5f), eq.SetLowcutFrequency(33.0f), eq.SetHighcutFrequency(15000.0f);
  for (uint8_t i = 0; i < 3; ++i)
    eq.SetBandFrequency(i, EqOdd[3 + i]), eq.SetBandBandwidth(i, EqOdd[6 + i]), eq.SetBandGain(i, EqOdd[9 + i]);
  eq.SetPan(-42.0f), eq.SetInputGain(2.25f), eq.SetBandEnabled(0, true), eq.SetBandEnabled(2, true);
  eq.SetMono(true), eq.SetSaturation(true), eq.SetCutFiltersEnabled(true);
  EXPECT_EQ(SavedBytes(eq), ReadGolden("meqp_edited.meqp"));

  TLim lim;
  EXPECT_EQ(SavedBytes(lim), ReadGolden("vxlm_defaults.vxlm"));
  lim.SetThreshold(-6.5f), lim.SetAttack(2.0f), lim.SetRelease(400.0f), lim.SetBalance(-25.0f);
  lim.SetOutputGain(-1.0f), lim.SetInputGain(2.0f);
  lim.SetIntParam0(-4), lim.SetIntParam1(9), lim.SetMode(2), lim.SetLookAhead(true);
  EXPECT_EQ(SavedBytes(lim), ReadGolden("vxlm_edited.vxlm"));
}

TEST(PresetStreams, DetailsLayoutScramblesEveryText) {
  TDet d;
  d.SetTitle("abc");
  const TBytes bytes = SavedBytes(d);
  const size_t id = std::strlen(TDet::DefaultProductID);
  ASSERT_EQ(bytes.size(), 8 + 24 + 16 * 2 + 3 + id + 32);
  EXPECT_EQ(Get<uint32_t>(bytes, 0), 55555u);
  EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), std::string("\x02\x07\x20\x00", 4));
  // The title: length 3, then "abc" scrambled from key position 0.
  TBytes title = {3, 0, 'a', 'b', 'c'};
  ScrambleBuffer(title.data() + 2, 3);
  EXPECT_EQ(TBytes(bytes.begin() + 32, bytes.begin() + 37), title);
  // The product identifier, scrambled from key position 0 again.
  EXPECT_EQ(Get<uint16_t>(bytes, 39), id);
  std::string stored(reinterpret_cast<const char*>(&bytes[41]), id);
  ScrambleBuffer(stored.data(), static_cast<int32_t>(id));
  EXPECT_EQ(stored, TDet::DefaultProductID);
  // A text past the 16-bit length keeps what the length can hold, and exactly that many bytes
  // follow; at exactly 65536 the wrapped length would be 0, which leaves the text as it was.
  TDet big, back;
  big.SetDescription(std::string(65536, 'q'));
  back.SetDescription("old");
  back.SetNotes("kept");  // a text stored empty keeps the record's text
  const TBytes b = SavedBytes(big);
  EXPECT_EQ(Get<uint16_t>(b, 34), 65535);
  EXPECT_TRUE(Load(back, b));
  EXPECT_EQ(back.GetDescription(), std::string(65535, 'q'));
  EXPECT_EQ(back.GetNotes(), "kept");
}

// ---- Clamps and notifications ------------------------------------------------------------------

// Setters clamp, and a value that clamps to what is stored is no change.
TEST(PresetStreams, AccessorsClamp) {
  const float inf = std::numeric_limits<float>::infinity();
  // Set stores the value through one accessor of either preset and returns what its getter reads.
  struct TCase { const char* Name; float (*Set)(TEq&, TLim&, float); float In, Stored; bool Changes; } cases[] = {
      {"eq output", [](TEq& e, TLim&, float v) { e.SetOutputGain(v); return e.GetOutputGain(); }, -500, -500, 1},
      {"eq input", [](TEq& e, TLim&, float v) { e.SetInputGain(v); return e.GetInputGain(); }, 12, 12, 1},
      {"eq pan", [](TEq& e, TLim&, float v) { e.SetPan(v); return e.GetPan(); }, 150, 150, 1},
      {"eq low-cut low", [](TEq& e, TLim&, float v) { e.SetLowcutFrequency(v); return e.GetLowcutFrequency(); },
       10, 20, 0},
      {"eq low-cut high", [](TEq& e, TLim&, float v) { e.SetLowcutFrequency(v); return e.GetLowcutFrequency(); },
       600, 500, 1},
      {"eq high-cut low", [](TEq& e, TLim&, float v) { e.SetHighcutFrequency(v); return e.GetHighcutFrequency(); },
       500, 1000, 1},
      {"eq high-cut high", [](TEq& e, TLim&, float v) { e.SetHighcutFrequency(v); return e.GetHighcutFrequency(); },
       30000, 20000, 0},
      {"band 0 frequency", [](TEq& e, TLim&, float v) { e.SetBandFrequency(0, v); return e.GetBandFrequency(0); },
       10, 20, 1},
      {"band 2 frequency", [](TEq& e, TLim&, float v) { e.SetBandFrequency(2, v); return e.GetBandFrequency(2); },
       30000, 20000, 1},
      {"band 0 width", [](TEq& e, TLim&, float v) { e.SetBandBandwidth(0, v); return e.GetBandBandwidth(0); },
       0.1f, 0.5f, 1},
      {"band 1 width", [](TEq& e, TLim&, float v) { e.SetBandBandwidth(1, v); return e.GetBandBandwidth(1); }, 9, 5, 1},
      {"band 0 gain", [](TEq& e, TLim&, float v) { e.SetBandGain(0, v); return e.GetBandGain(0); }, -20, -15, 1},
      {"band 2 gain", [](TEq& e, TLim&, float v) { e.SetBandGain(2, v); return e.GetBandGain(2); }, 20, 15, 1},
      {"threshold low", [](TEq&, TLim& l, float v) { l.SetThreshold(v); return l.GetThreshold(); }, -20, -15, 1},
      {"threshold -inf", [](TEq&, TLim& l, float v) { l.SetThreshold(v); return l.GetThreshold(); }, -inf, -15, 1},
      {"attack 0", [](TEq&, TLim& l, float v) { l.SetAttack(v); return l.GetAttack(); }, 0, 0.1f, 1},
      {"release high", [](TEq&, TLim& l, float v) { l.SetRelease(v); return l.GetRelease(); }, 1000, 750, 1},
      {"release +inf", [](TEq&, TLim& l, float v) { l.SetRelease(v); return l.GetRelease(); }, inf, 750, 1},
      {"balance low", [](TEq&, TLim& l, float v) { l.SetBalance(v); return l.GetBalance(); }, -150, -100, 1},
      {"output low", [](TEq&, TLim& l, float v) { l.SetOutputGain(v); return l.GetOutputGain(); }, -90, -80, 1},
      {"input low", [](TEq&, TLim& l, float v) { l.SetInputGain(v); return l.GetInputGain(); }, -80.5f, -80, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TEq e;
    TLim l;
    TChangeCounter eqChanges(e), limChanges(l);
    EXPECT_EQ(c.Set(e, l, c.In), c.Stored);
    c.Set(e, l, c.In);
    c.Set(e, l, c.Stored);
    EXPECT_EQ(eqChanges.Count + limChanges.Count, c.Changes ? 1 : 0);
  }
  // Band indices beyond the three read 0 and write nothing.
  TEq p;
  TChangeCounter changes(p);
  for (uint8_t index : {3, 4, 255}) {
    EXPECT_EQ(p.GetBandFrequency(index) + p.GetBandBandwidth(index) + p.GetBandGain(index), 0.0f);
    p.SetBandFrequency(index, 500.0f), p.SetBandBandwidth(index, 2.0f), p.SetBandGain(index, 3.0f);
    p.SetBandEnabled(index, true);
    EXPECT_FALSE(p.GetBandEnabled(index));
  }
  EXPECT_EQ(changes.Count, 0);
  EXPECT_EQ(SavedBytes(p), EqStream(EqDefaults, EqDefaultFlags));
  // A NaN is no number to clamp: it stays, and every call counts as a change; saving notifies
  // too (the owning limiter recomputes on every notification).
  TLim l;
  TChangeCounter limChanges(l);
  l.SetThreshold(std::nanf(""));
  l.SetThreshold(std::nanf(""));
  EXPECT_TRUE(std::isnan(l.GetThreshold()));
  SavedBytes(l);
  EXPECT_EQ(limChanges.Count, 3);
}

// Out-of-range values load as they are; a getter clamps the stored value in place, silently.
TEST(PresetStreams, LoadedValuesClampWhenRead) {
  float slots[16];
  std::memcpy(slots, EqDefaults, sizeof slots);
  slots[1] = 10.0f, slots[7] = 9.0f, slots[10] = 99.0f, slots[11] = -99.0f;
  TEq eq;
  ASSERT_TRUE(Load(eq, EqStream(slots, EqDefaultFlags)));
  TBytes lim = LimStream();
  Put(lim, 32 + 4 * TLim::slotRelease, 20.0f);
  TLim l;
  ASSERT_TRUE(Load(l, lim));
  TChangeCounter eqChanges(eq), limChanges(l);
  // Braced lists run in order: the stored slot before and after its getter.
  EXPECT_EQ(std::vector<float>({eq.GetSlot(1), eq.GetLowcutFrequency(), eq.GetSlot(1), eq.GetBandBandwidth(1),
                                eq.GetBandGain(1), eq.GetBandGain(2), SlotOf(SavedBytes(l), TLim::slotRelease),
                                l.GetRelease(), SlotOf(SavedBytes(l), TLim::slotRelease)}),
            std::vector<float>({10.0f, 20.0f, 20.0f, 5.0f, 15.0f, -15.0f, 20.0f, 75.0f, 75.0f}));
  EXPECT_EQ(eqChanges.Count, 0);
}

// ---- What Clear keeps --------------------------------------------------------------------------

TEST(PresetStreams, ClearKeepsSwitchesReservedFieldsAndErrorState) {
  TEq eq;
  ASSERT_TRUE(Load(eq, EqStream(EqOdd, 0xFFFFFFFFu)));
  eq.ErrorLog = "kept";
  eq.Clear();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(eq.GetSlot(i), i < 14 ? EqDefaults[i] : EqOdd[i]) << i;  // 14, 15 reserved
  // Band bits, the cut-filter bit and bits 8..31 stay; Active set; Mono, Bypass, Saturation cleared.
  EXPECT_EQ(eq.GetFlagWord(), 0xFFFFFFFFu & ~((1u << 4) | (1u << 5) | (1u << 6)));
  EXPECT_EQ(eq.ErrorLog, "kept");

  TLim lim;
  const TBytes b = LimStream(0x7u | 0x80000000u);  // bypass as well
  ASSERT_TRUE(Load(lim, b));
  lim.SetActive(false);
  lim.SetError(MakeErrorCode(qecReadFailed, 402));
  lim.FileName = "x.lim";
  TChangeCounter changes(lim);
  lim.Clear();
  EXPECT_EQ(std::tuple(changes.Count, lim.Error, lim.FileName),
            std::tuple(1, MakeErrorCode(qecReadFailed, 402), "x.lim"));
  const TBytes after = SavedBytes(lim);
  const float defaults[7] = {-3.0f, 5.0f, 150.0f, 11.0f, 0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(SlotOf(after, i), i < 7 ? defaults[i] : SlotOf(b, i)) << i;
  EXPECT_EQ(TBytes(after.begin() + 96, after.begin() + 108), TBytes(12, 0));  // ints 0..2
  EXPECT_EQ(TBytes(after.begin() + 108, after.end()), TBytes(b.begin() + 108, b.end()));

  TDet d;
  Filled(d);
  const auto block = d.GetBlock();
  TChangeCounter detChanges(d);
  d.Clear();
  EXPECT_EQ(std::pair(detChanges.Count, d.GetContentSize()), std::pair(1, 0));
  for (int i = 0; i < TDet::StringCount; ++i)
    EXPECT_EQ(d.GetString(i), i == TDet::pdsProductID ? TDet::DefaultProductID : "");
  EXPECT_TRUE(std::equal(block.begin() + 4, block.end(), d.GetBlock().begin() + 4));
}

}  // namespace
