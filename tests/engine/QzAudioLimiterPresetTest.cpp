#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "tests/common/TestStreams.h"
#include "engine/QzAudioLimiter.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Save(TQzAudioLimiterPreset& P) { return SavedBytes(P); }

void Put32(Bytes& B, size_t At, const void* V) { std::memcpy(B.data() + At, V, 4); }
float SlotOf(const Bytes& B, int Slot) {
  float v;
  std::memcpy(&v, B.data() + 32 + 4 * Slot, 4);
  return v;
}

// A stream written by hand from the table of the format, with every reserved field in use.
Bytes HandMadeStream() {
  Bytes b(132, 0);
  std::memcpy(b.data(), "VXLM", 4);
  b[4] = 1;
  b[5] = 5;
  b[6] = 32;
  b[7] = 0;
  const float slots[16] = {-7.5f, 2.5f, 300.0f, 11.0f, -40.0f, 1.5f, -2.0f, 0.25f,
                           8.0f,  9.0f, 10.0f,  12.0f, 13.0f, 14.0f, 15.0f, -16.0f};
  const int32_t ints[8] = {17, -18, 1, 19, 20, 21, 22, -23};
  const uint32_t flags = 0x5u | 0x80000000u;  // Active, LookAhead, a reserved bit
  for (int i = 0; i < 16; ++i) Put32(b, 32 + 4 * i, &slots[i]);
  for (int i = 0; i < 8; ++i) Put32(b, 96 + 4 * i, &ints[i]);
  Put32(b, 128, &flags);
  return b;
}

// Golden bytes of a fresh preset (the defaults) and of an edited one.
TEST(QzAudioLimiterPreset, StreamLayoutByteForByte) {
  struct TCase {
    const char* Name;
    void (*Edit)(TQzAudioLimiterPreset&);
    float Slots[7];
    int32_t Ints[3];
    uint32_t Flags;
  };
  const TCase cases[] = {
      {"defaults", [](TQzAudioLimiterPreset&) {}, {-3.0f, 5.0f, 150.0f, 0, 0, 0, 0}, {0, 0, 0}, 0x1u},
      {"edited",
       [](TQzAudioLimiterPreset& p) {
         p.SetThreshold(-6.5f);
         p.SetAttack(2.0f);
         p.SetRelease(400.0f);
         p.SetBalance(-25.0f);
         p.SetOutputGain(-1.0f);
         p.SetInputGain(2.0f);
         p.SetIntParam0(-4);
         p.SetIntParam1(9);
         p.SetMode(2);
         p.SetLookAhead(true);
       },
       {-6.5f, 2.0f, 400.0f, 0.0f, -25.0f, -1.0f, 2.0f}, {-4, 9, 2}, 0x5u},  // Active and LookAhead
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzAudioLimiterPreset p;
    EXPECT_EQ(p.Error, 0u);
    c.Edit(p);
    const Bytes b = Save(p);
    ASSERT_EQ(b.size(), 132u);
    EXPECT_EQ(std::memcmp(b.data(), "VXLM", 4), 0);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[5], 5);
    EXPECT_EQ(b[6] | b[7] << 8, 32);
    for (int i = 8; i < 32; ++i) EXPECT_EQ(b[i], 0) << i;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(SlotOf(b, i), i < 7 ? c.Slots[i] : 0.0f) << i;
    for (int i = 0; i < 8; ++i) {
      int32_t v;
      std::memcpy(&v, b.data() + 96 + 4 * i, 4);
      EXPECT_EQ(v, i < 3 ? c.Ints[i] : 0) << i;
    }
    uint32_t flags;
    std::memcpy(&flags, b.data() + 128, 4);
    EXPECT_EQ(flags, c.Flags);
  }
}

TEST(QzAudioLimiterPreset, RoundTripIsBitForBitWithReservedAndUnclampedFields) {
  const Bytes original = HandMadeStream();
  TQzAudioLimiterPreset p;
  auto in = StreamOf(original);
  ASSERT_TRUE(p.LoadFromStream(in.get()));
  EXPECT_EQ(in->GetPosition(), 132);
  EXPECT_EQ(Save(p), original);

  // Through Assign into a second preset, and written behind other data.
  TQzAudioLimiterPreset q;
  q.Assign(&p);
  TMemoryStream out;
  const uint8_t lead[5] = {1, 2, 3, 4, 5};
  out.Write(lead, 5);
  ASSERT_TRUE(q.SaveToStream(&out));
  ASSERT_EQ(out.GetSize(), 137);
  EXPECT_EQ(Bytes(out.Data().begin() + 5, out.Data().end()), original);
  EXPECT_TRUE(q.GetBypass() == false && q.GetLookAhead());

  // Values outside the ranges load as they are; the getters clamp them in place when read.
  EXPECT_EQ(SlotOf(Save(p), TQzAudioLimiterPreset::slotRelease), 300.0f);
  Bytes b = original;
  const float release = 20.0f;
  Put32(b, 32 + 4 * TQzAudioLimiterPreset::slotRelease, &release);
  auto in2 = StreamOf(b);
  ASSERT_TRUE(p.LoadFromStream(in2.get()));
  EXPECT_EQ(SlotOf(Save(p), TQzAudioLimiterPreset::slotRelease), 20.0f);
  EXPECT_EQ(p.GetRelease(), 75.0f);
  EXPECT_EQ(SlotOf(Save(p), TQzAudioLimiterPreset::slotRelease), 75.0f);
}

TEST(QzAudioLimiterPreset, HeaderSizeFortyIsHonoured) {
  const Bytes body = HandMadeStream();
  Bytes b(body.begin(), body.begin() + 8);
  b[6] = 40;
  b.resize(40, 0xEE);  // eight more header bytes than usual, with content to skip
  b.insert(b.end(), body.begin() + 32, body.end());
  TQzAudioLimiterPreset p;
  auto s = StreamOf(b);
  ASSERT_TRUE(p.LoadFromStream(s.get()));
  EXPECT_EQ(s->GetPosition(), 140);
  EXPECT_EQ(Save(p), body);
}

// Every prefix of a valid stream fails at its own location and replaces exactly the bytes it
// delivered; OnChange fires once whatever happens.
TEST(QzAudioLimiterPreset, EveryTruncationFailsAtItsLocation) {
  const Bytes full = HandMadeStream();
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    TQzAudioLimiterPreset p;
    p.SetThreshold(-9.0f);
    p.SetMode(1);
    const Bytes before = Save(p);
    TChangeCounter changes(p);
    auto s = StreamOf(Bytes(full.begin(), full.begin() + n));
    EXPECT_FALSE(p.LoadFromStream(s.get()));
    EXPECT_EQ(changes.Count, 1);
    uint16_t location = n < 8 ? 401 : (n < 128 ? 402 : 403);
    EXPECT_EQ(p.Error, MakeErrorCode(qecReadFailed, location));
    Bytes expected = before;
    if (n > 32) std::copy(full.begin() + 32, full.begin() + n, expected.begin() + 32);
    EXPECT_EQ(Save(p), expected);
    // The reader goes to the body even when the stream ends inside the header gap.
    EXPECT_EQ(s->GetPosition(), static_cast<int64_t>(n < 8 ? n : std::max<size_t>(n, 32)));
  }
}

TEST(QzAudioLimiterPreset, WrongHeadersAreRejectedAndChangeNothing) {
  struct TCase {
    const char* Name;
    size_t At;
    uint8_t Value;
    uint16_t Category, Location;
  };
  const TCase cases[] = {
      {"signature MEQP", 0, 'M', qecBadSignature, 402},  // with 'E','Q','P' below
      {"signature byte", 3, 'X', qecBadSignature, 402},
      {"version 0", 4, 0, qecBadVersion, 403},
      {"version 2", 4, 2, qecBadVersion, 403},
      {"header size 0", 6, 0, qecBadSignature, 402},
      {"header size 7", 6, 7, qecBadSignature, 402},
      {"format byte", 5, 9, 0, 0},  // not checked
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Bytes b = HandMadeStream();
    b[c.At] = c.Value;
    if (c.At == 0) std::memcpy(b.data(), "MEQP", 4);
    TQzAudioLimiterPreset p;
    const Bytes before = Save(p);
    TChangeCounter changes(p);
    auto s = StreamOf(b);
    const bool ok = p.LoadFromStream(s.get());
    EXPECT_EQ(changes.Count, 1);
    if (c.Category == 0) {
      EXPECT_TRUE(ok);
      continue;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(p.Error, MakeErrorCode(c.Category, c.Location));
    EXPECT_EQ(p.ErrorLog, std::to_string(c.Category) + " " + std::to_string(c.Location) + "\r\n");
    EXPECT_EQ(Save(p), before);
  }
}

TEST(QzAudioLimiterPreset, NilStreamAndShortWrites) {
  TQzAudioLimiterPreset p;
  TChangeCounter changes(p);
  EXPECT_FALSE(p.SaveToStream(nullptr));
  EXPECT_EQ(p.Error, MakeErrorCode(qecNoStream, 400));
  EXPECT_FALSE(p.LoadFromStream(nullptr));
  EXPECT_EQ(p.Error, MakeErrorCode(qecNoStream, 400));
  EXPECT_EQ(changes.Count, 2);

  for (int64_t capacity = 0; capacity <= 132; ++capacity) {
    SCOPED_TRACE(capacity);
    TLimitedStream s(capacity);
    changes.Count = 0;
    const bool ok = p.SaveToStream(&s);
    EXPECT_EQ(changes.Count, 1);
    if (capacity == 132) {
      EXPECT_TRUE(ok);
      EXPECT_EQ(p.Error, 0u);
      continue;
    }
    EXPECT_FALSE(ok);
    // The gap after the 8 header bytes is written as zeros, so it belongs to the header.
    const uint16_t location = capacity < 32 ? 401 : (capacity < 128 ? 402 : 403);
    EXPECT_EQ(p.Error, MakeErrorCode(qecWriteFailed, location));
  }
}

TEST(QzAudioLimiterPreset, AccessorsClamp) {
  using P = TQzAudioLimiterPreset;
  struct TCase {
    const char* Name;
    void (P::*Set)(float);
    float (P::*Get)();
    float In, Stored;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const TCase cases[] = {
      {"threshold low", &P::SetThreshold, &P::GetThreshold, -20.0f, -15.0f},
      {"threshold high", &P::SetThreshold, &P::GetThreshold, 1.0f, 0.0f},
      {"threshold in", &P::SetThreshold, &P::GetThreshold, -7.25f, -7.25f},
      {"threshold -inf", &P::SetThreshold, &P::GetThreshold, -inf, -15.0f},
      {"attack 0", &P::SetAttack, &P::GetAttack, 0.0f, 0.1f},
      {"attack high", &P::SetAttack, &P::GetAttack, 11.0f, 10.0f},
      {"attack in", &P::SetAttack, &P::GetAttack, 0.5f, 0.5f},
      {"release high", &P::SetRelease, &P::GetRelease, 1000.0f, 750.0f},
      {"release low", &P::SetRelease, &P::GetRelease, 74.0f, 75.0f},
      {"release +inf", &P::SetRelease, &P::GetRelease, inf, 750.0f},
      {"balance low", &P::SetBalance, &P::GetBalance, -150.0f, -100.0f},
      {"balance high", &P::SetBalance, &P::GetBalance, 100.5f, 100.0f},
      {"balance in", &P::SetBalance, &P::GetBalance, 50.0f, 50.0f},
      {"output low", &P::SetOutputGain, &P::GetOutputGain, -90.0f, -80.0f},
      {"output high", &P::SetOutputGain, &P::GetOutputGain, 3.5f, 3.0f},
      {"input low", &P::SetInputGain, &P::GetInputGain, -80.5f, -80.0f},
      {"input high", &P::SetInputGain, &P::GetInputGain, 4.0f, 3.0f},
      {"input in", &P::SetInputGain, &P::GetInputGain, -12.0f, -12.0f},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    P p;
    TChangeCounter changes(p);
    (p.*c.Set)(c.In);
    EXPECT_EQ((p.*c.Get)(), c.Stored);
    EXPECT_EQ(changes.Count, 1);
    (p.*c.Set)(c.In);       // clamps to what is stored: no change
    (p.*c.Set)(c.Stored);
    EXPECT_EQ(changes.Count, 1);
  }
  // A NaN is no number to clamp: it stays, and every call counts as a change.
  P p;
  TChangeCounter changes(p);
  p.SetThreshold(std::nanf(""));
  EXPECT_TRUE(std::isnan(p.GetThreshold()));
  p.SetThreshold(std::nanf(""));
  EXPECT_EQ(changes.Count, 2);
}

TEST(QzAudioLimiterPreset, IntegerAndFlagSettersCompareWithoutClamp) {
  TQzAudioLimiterPreset p;
  TChangeCounter changes(p);
  p.SetMode(7);
  EXPECT_EQ(p.GetMode(), 7);
  p.SetMode(7);
  p.SetIntParam0(-100000);
  p.SetIntParam1(42);
  EXPECT_EQ(p.GetIntParam0(), -100000);
  EXPECT_EQ(p.GetIntParam1(), 42);
  EXPECT_EQ(changes.Count, 3);
  p.SetActive(true);  // already on
  p.SetActive(false);
  p.SetActive(false);
  EXPECT_FALSE(p.GetActive());
  p.SetLookAhead(true);
  p.SetLookAhead(true);
  EXPECT_TRUE(p.GetLookAhead());
  EXPECT_EQ(changes.Count, 5);
  // Flags are independent bits of one word.
  const Bytes b = Save(p);
  uint32_t flags;
  std::memcpy(&flags, b.data() + 128, 4);
  EXPECT_EQ(flags, 0x4u);
}

TEST(QzAudioLimiterPreset, ClearKeepsSwitchesReservedFieldsAndErrorState) {
  TQzAudioLimiterPreset p;
  auto s = StreamOf(HandMadeStream());
  ASSERT_TRUE(p.LoadFromStream(s.get()));
  Bytes b = Save(p);
  uint32_t flags = 0x7u | 0x80000000u;  // bypass as well
  Put32(b, 128, &flags);
  auto s2 = StreamOf(b);
  ASSERT_TRUE(p.LoadFromStream(s2.get()));
  p.SetActive(false);
  p.SetError(MakeErrorCode(qecReadFailed, 402));
  p.FileName = "x.lim";
  TChangeCounter changes(p);
  p.Clear();
  EXPECT_EQ(changes.Count, 1);
  EXPECT_EQ(p.Error, MakeErrorCode(qecReadFailed, 402));
  EXPECT_EQ(p.FileName, "x.lim");
  const Bytes after = Save(p);
  const float defaults[7] = {-3.0f, 5.0f, 150.0f, 11.0f, 0.0f, 0.0f, 0.0f};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(SlotOf(after, i), defaults[i]) << i;
  for (int i = 7; i < 16; ++i) EXPECT_EQ(SlotOf(after, i), SlotOf(b, i)) << i;
  EXPECT_EQ(Bytes(after.begin() + 96, after.begin() + 108), Bytes(12, 0));  // ints 0..2
  EXPECT_EQ(Bytes(after.begin() + 108, after.begin() + 128), Bytes(b.begin() + 108, b.begin() + 128));
  std::memcpy(&flags, after.data() + 128, 4);
  EXPECT_EQ(flags, 0x7u | 0x80000000u);
  EXPECT_TRUE(p.GetBypass());
}

TEST(QzAudioLimiterPreset, AssignCopiesEverythingAndNotifiesOnce) {
  TQzAudioLimiterPreset source;
  Bytes b = HandMadeStream();
  const uint32_t flags = 0x2u;  // bypass only
  Put32(b, 128, &flags);
  auto s = StreamOf(b);
  ASSERT_TRUE(source.LoadFromStream(s.get()));
  TQzAudioLimiterPreset p;
  TChangeCounter changes(p);
  p.Assign(nullptr);
  EXPECT_EQ(changes.Count, 0);
  p.Assign(&source);
  EXPECT_EQ(changes.Count, 1);
  EXPECT_TRUE(p.GetBypass());
  EXPECT_FALSE(p.GetActive());
  EXPECT_EQ(Save(p), b);
  // The save itself notifies as well.
  changes.Count = 0;
  Save(p);
  EXPECT_EQ(changes.Count, 1);
}

TEST(QzAudioLimiterPreset, UpdateBracketSuppressesNotifications) {
  TQzAudioLimiterPreset p;
  TChangeCounter changes(p);
  p.BeginUpdate();
  p.SetThreshold(-10.0f);
  p.Clear();
  auto s = StreamOf(HandMadeStream());
  p.LoadFromStream(s.get());
  EXPECT_EQ(changes.Count, 0);
  p.EndUpdate();
  EXPECT_EQ(changes.Count, 0);
}

}  // namespace
