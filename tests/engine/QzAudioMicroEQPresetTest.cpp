#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/common/TestStreams.h"
#include "engine/QzAudioMicroEQ.h"

namespace {

using TBytes = std::vector<uint8_t>;
using TPreset = TQzAudioMicroEqualizerPreset;

// The format is little-endian, as is every machine this runs on.
void PutU32(TBytes& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
void PutF32(TBytes& b, size_t at, float v) { std::memcpy(b.data() + at, &v, 4); }
uint32_t GetU32(const TBytes& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
float GetF32(const TBytes& b, size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// A "MEQP" stream laid out by hand from the format table.
TBytes MakeStream(const float (&Slots)[16], uint32_t Flags, uint8_t Version = 1, uint16_t HeaderSize = 32) {
  TBytes b(static_cast<size_t>(HeaderSize < 8 ? 8 : HeaderSize) + 68, 0xEE);
  b[0] = 'M', b[1] = 'E', b[2] = 'Q', b[3] = 'P';
  b[4] = Version;
  b[5] = 5;
  b[6] = static_cast<uint8_t>(HeaderSize), b[7] = static_cast<uint8_t>(HeaderSize >> 8);
  const size_t body = HeaderSize < 8 ? 8 : HeaderSize;
  for (int i = 0; i < 16; ++i) PutF32(b, body + 4 * i, Slots[i]);
  PutU32(b, body + 64, Flags);
  return b;
}

constexpr float Defaults[16] = {0, 20, 20000, 100, 1000, 12500, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint32_t DefaultFlags = 1u << 3;

// Unusual values in every slot, reserved ones included.
constexpr float Odd[16] = {-7.5f, 33.0f, 15000.0f, 40.0f, 2000.0f, 9000.0f, 0.75f, 2.5f, 4.0f,
                           -3.0f, 6.0f, 14.5f, -42.0f, 2.25f, 123.456f, -1e-3f};
constexpr uint32_t OddFlags = 0xA5A5A5D7u;

TBytes Save(TPreset& p) { return SavedBytes(p); }

}  // namespace

// Golden bytes of a fresh preset (the defaults) and of one with every slot edited.
TEST(QzAudioMicroEQPreset, StreamLayout) {
  TPreset p;
  EXPECT_EQ(p.Error, 0u);
  EXPECT_TRUE(p.GetActive());
  EXPECT_FALSE(p.GetMono() || p.GetBypass() || p.GetSaturation() || p.GetCutFiltersEnabled());
  for (bool edited : {false, true}) {
    SCOPED_TRACE(edited ? "edited" : "defaults");
    if (edited) {
      p.SetOutputGain(-7.5f);
      p.SetLowcutFrequency(33.0f);
      p.SetHighcutFrequency(15000.0f);
      for (uint8_t i = 0; i < 3; ++i) {
        p.SetBandFrequency(i, Odd[3 + i]);
        p.SetBandBandwidth(i, Odd[6 + i]);
        p.SetBandGain(i, Odd[9 + i]);
      }
      p.SetPan(-42.0f);
      p.SetInputGain(2.25f);
      p.SetBandEnabled(0, true);
      p.SetBandEnabled(2, true);
      p.SetMono(true);
      p.SetSaturation(true);
      p.SetCutFiltersEnabled(true);
    }
    const TBytes b = Save(p);
    ASSERT_EQ(b.size(), 100u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "MEQP");
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[5], 5);
    EXPECT_EQ(b[6], 32);
    EXPECT_EQ(b[7], 0);
    for (int i = 8; i < 32; ++i) EXPECT_EQ(b[i], 0) << i;
    for (int i = 0; i < 16; ++i)
      EXPECT_EQ(GetF32(b, 32 + 4 * i), edited && i < 14 ? Odd[i] : Defaults[i]) << "slot " << i;
    EXPECT_EQ(GetU32(b, 96), edited ? 0x1u | 0x4u | 0x8u | 0x10u | 0x40u | 0x80u : DefaultFlags);
  }
}

TEST(QzAudioMicroEQPreset, RoundTripBitForBit) {
  // Reserved slots and bits, a NaN payload and out-of-range values all survive load and save.
  float slots[16];
  std::memcpy(slots, Odd, sizeof slots);
  slots[1] = 10.0f;  // below the low-cut range
  const uint32_t nanBits = 0x7FC01234u;
  std::memcpy(&slots[15], &nanBits, 4);
  const TBytes in = MakeStream(slots, OddFlags);
  auto src = StreamOf(in);
  TPreset p;
  ASSERT_TRUE(p.LoadFromStream(src.get()));
  EXPECT_EQ(src->GetPosition(), 100);
  auto content = [](TBytes b) {
    for (int i = 8; i < 32 && i < static_cast<int>(b.size()); ++i) b[i] = 0xEE;  // the gap is no content
    return b;
  };
  EXPECT_EQ(content(Save(p)), in);

  // Assign copies the same bits, without clamping.
  TPreset q;
  q.Assign(&p);
  EXPECT_EQ(content(Save(q)), in);
  EXPECT_EQ(q.GetSlot(1), 10.0f);

  // Behind other data, and through a file.
  TMemoryStream s;
  const uint8_t junk[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  s.Write(junk, 10);
  ASSERT_TRUE(q.SaveToStream(&s));
  EXPECT_EQ(s.GetSize(), 110);
  EXPECT_EQ(s.Data()[9], 10);
  s.SetPosition(10);
  TPreset r;
  ASSERT_TRUE(r.LoadFromStream(&s));
  EXPECT_EQ(s.GetPosition(), 110);
  const std::string name = testing::TempDir() + "/eq_preset_roundtrip.meqp";
  ASSERT_TRUE(r.SaveToFile(name));
  TPreset f;
  TChangeCounter changes(f);
  ASSERT_TRUE(f.LoadFromFile(name));
  EXPECT_EQ(changes.Count, 1);
  EXPECT_EQ(content(Save(f)), in);
  std::remove(name.c_str());
}

TEST(QzAudioMicroEQPreset, EveryTruncationFailsAtItsStep) {
  const TBytes full = MakeStream(Odd, OddFlags);
  for (size_t len = 0; len <= full.size(); ++len) {
    SCOPED_TRACE(len);
    auto src = StreamOf(TBytes(full.begin(), full.begin() + static_cast<long>(len)));
    TPreset p;
    TChangeCounter changes(p);
    const bool ok = p.LoadFromStream(src.get());
    EXPECT_EQ(changes.Count, 1);
    EXPECT_FALSE(p.IsUpdating());
    uint16_t location = 0;
    if (len < 8) location = 401;
    else if (len < 96) location = 404;
    else if (len < 100) location = 405;
    if (location == 0) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(p.Error, 0u);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.Error, MakeErrorCode(1002, location));
    EXPECT_EQ(p.ErrorLog, "1002 " + std::to_string(location) + "\r\n");
    // Defaults plus the whole slots read before the end; the flag word only when complete.
    const size_t whole = len > 32 ? (len - 32) / 4 : 0;
    for (size_t i = 0; i < 16; ++i)
      EXPECT_EQ(p.GetSlot(static_cast<int>(i)), i < whole ? Odd[i] : Defaults[i]) << i;
    EXPECT_EQ(p.GetFlagWord(), DefaultFlags);
  }
}

TEST(QzAudioMicroEQPreset, ForeignHeadersAreRefused) {
  struct TCase {
    const char* What;
    uint8_t Version;
    uint16_t HeaderSize;
    char FirstChar;
    uint32_t Error;
  } cases[] = {
      {"version 0", 0, 32, 'M', 0},
      {"version 1", 1, 32, 'M', 0},
      {"version 2", 2, 32, 'M', MakeErrorCode(1604, 403)},
      {"version 255", 255, 32, 'M', MakeErrorCode(1604, 403)},
      {"signature", 1, 32, 'X', MakeErrorCode(1603, 402)},
      {"header size 0", 1, 0, 'M', MakeErrorCode(1603, 402)},
      {"header size 7", 1, 7, 'M', MakeErrorCode(1603, 402)},
      {"header size 8", 1, 8, 'M', 0},
      {"header size 40", 1, 40, 'M', 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TBytes b = MakeStream(Odd, OddFlags, c.Version, c.HeaderSize);
    b[0] = static_cast<uint8_t>(c.FirstChar);
    auto src = StreamOf(b);
    TPreset p;
    TChangeCounter changes(p);
    EXPECT_EQ(p.LoadFromStream(src.get()), c.Error == 0);
    EXPECT_EQ(p.Error, c.Error);
    EXPECT_EQ(changes.Count, 1);
    if (c.Error == 0) {
      for (int i = 0; i < 16; ++i) EXPECT_EQ(p.GetSlot(i), Odd[i]) << i;
      EXPECT_EQ(p.GetFlagWord(), OddFlags);
    } else {
      for (int i = 0; i < 16; ++i) EXPECT_EQ(p.GetSlot(i), Defaults[i]) << i;
    }
  }
  // A header size pointing past the end reads nothing beyond it.
  TBytes far = MakeStream(Odd, OddFlags);
  far[6] = 0xFF, far[7] = 0xFF;
  auto src = StreamOf(far);
  TPreset p;
  EXPECT_FALSE(p.LoadFromStream(src.get()));
  EXPECT_EQ(p.Error, MakeErrorCode(1002, 404));
}

TEST(QzAudioMicroEQPreset, NoStreamAndEveryShortWrite) {
  TPreset p;
  TChangeCounter changes(p);
  EXPECT_FALSE(p.SaveToStream(nullptr));
  EXPECT_EQ(p.Error, MakeErrorCode(1000, 400));
  EXPECT_EQ(changes.Count, 0);
  EXPECT_FALSE(p.LoadFromStream(nullptr));
  EXPECT_EQ(p.Error, MakeErrorCode(1000, 400));
  EXPECT_EQ(p.ErrorLog, "1000 400\r\n1000 400\r\n");
  EXPECT_EQ(changes.Count, 1);
  for (int cap = 0; cap <= 100; ++cap) {
    SCOPED_TRACE(cap);
    TLimitedStream s(cap);
    const bool ok = p.SaveToStream(&s);
    uint16_t location = 0;
    if (cap < 32) location = 401;  // header and its zero gap
    else if (cap < 96) location = 402;
    else if (cap < 100) location = 403;
    EXPECT_EQ(ok, location == 0);
    EXPECT_EQ(p.Error, location == 0 ? 0u : MakeErrorCode(1001, location));
  }
}

TEST(QzAudioMicroEQPreset, AccessorClamps) {
  enum TField { fOut, fLow, fHigh, fFreq, fBw, fGain, fPan, fIn };
  struct TCase {
    TField Field;
    uint8_t Band;
    float Value, Expected;
  } cases[] = {
      {fOut, 0, 50.0f, 50.0f},      {fOut, 0, -500.0f, -500.0f},  {fLow, 0, 10.0f, 20.0f},
      {fLow, 0, 600.0f, 500.0f},    {fLow, 0, 123.0f, 123.0f},    {fHigh, 0, 500.0f, 1000.0f},
      {fHigh, 0, 30000.0f, 20000.0f}, {fHigh, 0, 4000.0f, 4000.0f}, {fFreq, 0, 10.0f, 20.0f},
      {fFreq, 1, 30000.0f, 20000.0f}, {fFreq, 2, 440.0f, 440.0f}, {fBw, 0, 0.1f, 0.5f},
      {fBw, 1, 9.0f, 5.0f},         {fBw, 2, 3.0f, 3.0f},         {fGain, 0, -20.0f, -15.0f},
      {fGain, 2, 20.0f, 15.0f},     {fGain, 1, -4.5f, -4.5f},     {fPan, 0, 150.0f, 150.0f},
      {fPan, 0, -100.0f, -100.0f},  {fIn, 0, 12.0f, 12.0f},       {fIn, 0, -80.0f, -80.0f},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Field << " band " << int(c.Band) << " value " << c.Value);
    TPreset p;
    TChangeCounter changes(p);
    float got = 0.0f;
    const int slot[] = {0, 1, 2, 3, 6, 9, 12, 13};
    const float before = p.GetSlot(slot[c.Field] + (c.Field >= fFreq && c.Field <= fGain ? c.Band : 0));
    switch (c.Field) {
      case fOut: p.SetOutputGain(c.Value), got = p.GetOutputGain(); break;
      case fLow: p.SetLowcutFrequency(c.Value), got = p.GetLowcutFrequency(); break;
      case fHigh: p.SetHighcutFrequency(c.Value), got = p.GetHighcutFrequency(); break;
      case fFreq: p.SetBandFrequency(c.Band, c.Value), got = p.GetBandFrequency(c.Band); break;
      case fBw: p.SetBandBandwidth(c.Band, c.Value), got = p.GetBandBandwidth(c.Band); break;
      case fGain: p.SetBandGain(c.Band, c.Value), got = p.GetBandGain(c.Band); break;
      case fPan: p.SetPan(c.Value), got = p.GetPan(); break;
      case fIn: p.SetInputGain(c.Value), got = p.GetInputGain(); break;
    }
    EXPECT_EQ(got, c.Expected);
    EXPECT_EQ(changes.Count, before == c.Expected ? 0 : 1);
  }
}

TEST(QzAudioMicroEQPreset, LoadedValuesClampWhenRead) {
  float slots[16];
  std::memcpy(slots, Defaults, sizeof slots);
  slots[1] = 10.0f;  // low-cut
  slots[7] = 9.0f;   // band 1 bandwidth
  slots[11] = -99.0f;
  auto src = StreamOf(MakeStream(slots, DefaultFlags));
  TPreset p;
  ASSERT_TRUE(p.LoadFromStream(src.get()));
  TChangeCounter changes(p);
  EXPECT_EQ(p.GetSlot(1), 10.0f);
  EXPECT_EQ(p.GetLowcutFrequency(), 20.0f);
  EXPECT_EQ(p.GetSlot(1), 20.0f);
  EXPECT_EQ(p.GetBandBandwidth(1), 5.0f);
  EXPECT_EQ(p.GetSlot(7), 5.0f);
  EXPECT_EQ(p.GetBandGain(2), -15.0f);
  EXPECT_EQ(changes.Count, 0);
}

TEST(QzAudioMicroEQPreset, Notifications) {
  TPreset p;
  TChangeCounter changes(p);
  p.SetBandGain(2, 20.0f);
  EXPECT_EQ(p.GetBandGain(2), 15.0f);
  EXPECT_EQ(changes.Count, 1);
  p.SetBandGain(2, 16.0f);  // clamps to what is stored
  EXPECT_EQ(changes.Count, 1);
  p.SetPan(0.0f);
  p.SetActive(true);
  p.SetBandEnabled(1, false);
  EXPECT_EQ(changes.Count, 1);
  for (auto set : {&TPreset::SetActive, &TPreset::SetMono, &TPreset::SetBypass, &TPreset::SetSaturation,
                   &TPreset::SetCutFiltersEnabled}) {
    (p.*set)(true);
  }
  EXPECT_EQ(changes.Count, 5);  // Active was already set
  p.SetBandEnabled(0, true);
  EXPECT_EQ(changes.Count, 6);
  EXPECT_TRUE(p.GetBandEnabled(0));
  p.SetBandEnabled(3, true);
  EXPECT_FALSE(p.GetBandEnabled(3));
  EXPECT_EQ(changes.Count, 6);

  p.BeginUpdate();
  p.SetPan(30.0f);
  p.SetInputGain(3.0f);
  p.EndUpdate();
  EXPECT_EQ(changes.Count, 6);

  p.Clear();
  EXPECT_EQ(changes.Count, 7);
  p.Assign(nullptr);
  EXPECT_EQ(changes.Count, 7);
  TPreset other;
  p.Assign(&other);
  EXPECT_EQ(changes.Count, 8);
  TMemoryStream s;
  p.SaveToStream(&s);
  EXPECT_EQ(changes.Count, 8);
  s.SetPosition(0);
  p.LoadFromStream(&s);
  EXPECT_EQ(changes.Count, 9);
}

TEST(QzAudioMicroEQPreset, ClearKeepsSwitchesAndReserved) {
  auto src = StreamOf(MakeStream(Odd, 0xFFFFFFFFu));
  TPreset p;
  ASSERT_TRUE(p.LoadFromStream(src.get()));
  p.ErrorLog = "kept";
  p.Clear();
  for (int i = 0; i < 14; ++i) EXPECT_EQ(p.GetSlot(i), Defaults[i]) << i;
  EXPECT_EQ(p.GetSlot(14), Odd[14]);
  EXPECT_EQ(p.GetSlot(15), Odd[15]);
  // Band bits, the cut-filter bit and bits 8..31 stay; Active set; Mono, Bypass, Saturation cleared.
  EXPECT_EQ(p.GetFlagWord(), 0xFFFFFFFFu & ~((1u << 4) | (1u << 5) | (1u << 6)));
  EXPECT_EQ(p.ErrorLog, "kept");
}

TEST(QzAudioMicroEQPreset, BandIndexOutOfRange) {
  TPreset p;
  TChangeCounter changes(p);
  for (uint8_t index : {3, 4, 15, 255}) {
    EXPECT_EQ(p.GetBandFrequency(index), 0.0f);
    EXPECT_EQ(p.GetBandBandwidth(index), 0.0f);
    EXPECT_EQ(p.GetBandGain(index), 0.0f);
    p.SetBandFrequency(index, 500.0f);
    p.SetBandBandwidth(index, 2.0f);
    p.SetBandGain(index, 3.0f);
  }
  EXPECT_EQ(changes.Count, 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p.GetSlot(i), Defaults[i]) << i;
}
