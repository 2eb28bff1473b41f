#include <gtest/gtest.h>

#include <cmath>

#include "platform/Components.h"
#include "core/SysUtils.h"

// Round halves to even and saturates; MulDiv rounds half away from zero and answers -1 for a zero
// divisor or a result beyond 32 bits.
TEST(RunTime, RoundAndMulDiv) {
  const struct { const char* What; int64_t Got, Want; } cases[] = {
      {"0.5", Round(0.5), 0}, {"1.5", Round(1.5), 2}, {"2.5", Round(2.5), 2}, {"3.5", Round(3.5), 4},
      {"-0.5", Round(-0.5), 0}, {"-1.5", Round(-1.5), -2}, {"-2.5", Round(-2.5), -2}, {"2.4999", Round(2.4999), 2},
      {"2.5001", Round(2.5001), 3}, {"1e30", Round(1e30), INT64_MAX}, {"-1e30", Round(-1e30), INT64_MIN},
      {"nan", Round(NAN), 0}, {"10*1/3", MulDiv(10, 1, 3), 3}, {"10*2/3", MulDiv(10, 2, 3), 7},
      {"5*1/2", MulDiv(5, 1, 2), 3}, {"-5*1/2", MulDiv(-5, 1, 2), -3}, {"5*-1/2", MulDiv(5, -1, 2), -3},
      {"-5*-1/2", MulDiv(-5, -1, 2), 3}, {"7*0/5", MulDiv(7, 0, 5), 0}, {"1*1/0", MulDiv(1, 1, 0), -1},
      {"0*0/0", MulDiv(0, 0, 0), -1}, {"2e9*2/1", MulDiv(2000000000, 2, 1), -1},
      {"2e9*3/3", MulDiv(2000000000, 3, 3), 2000000000}, {"100*50/100", MulDiv(100, 50, 100), 50},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Got, c.Want) << c.What;
}

TEST(RunTime, DecimalTextToFloat) {
  double v = 0;
  for (auto [text, value] : {std::pair{" 1.25 ", 1.25}, {"-3e2", -300.0}, {"+.5", 0.5}}) {
    EXPECT_TRUE(TryStrToFloat(text, v)) << text;
    EXPECT_DOUBLE_EQ(v, value) << text;
  }
  for (const char* bad : {"", " ", "1,5", "1.2.3", "abc", "inf", "nan", "1e", "--1", "0x10"})
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  EXPECT_THROW(StrToFloat("x"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToFloatDef("x", 7.0), 7.0);
}

TEST(RunTime, RandomStaysInRangeAndRepeatsWithSeed) {
  RandSeed = 1234;
  std::vector<int32_t> first;
  for (int i = 0; i < 1000; ++i) {
    first.push_back(Random(10));
    ASSERT_TRUE(first.back() >= 0 && first.back() < 10) << first.back();
  }
  RandSeed = 1234;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(Random(10), first[static_cast<size_t>(i)]);
  EXPECT_EQ(std::tuple(Random(0), Random(-5)), std::tuple(0, 0));
  const double d = Random();
  EXPECT_TRUE(d >= 0.0 && d < 1.0) << d;
}

TEST(StringList, IndexOfIgnoresCaseTextSplitsAllBreaks) {
  TStringList l;
  int changes = 0;
  l.OnChange = [&](TObject*) { ++changes; };
  l.SetText("One\r\nTwo\nthree\rFour\r\n\r\nlast");
  ASSERT_EQ(std::tuple(changes, l.Count()), std::tuple(1, 6));
  EXPECT_EQ(std::tuple(l[2], l[4], l.IndexOf("TWO")), std::tuple("three", "", 1));
  l.CaseSensitive = true;
  EXPECT_EQ(std::tuple(l.IndexOf("TWO"), l.GetText()), std::tuple(-1, "One\r\nTwo\r\nthree\r\nFour\r\n\r\nlast\r\n"));
  TStringList copy;
  copy.Assign(&l);
  EXPECT_TRUE(copy == l);
  l.BeginUpdate(), l.Add("a"), l.Delete(0);
  EXPECT_EQ(changes, 1);
  l.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(l.Get(99), EListError);
  TObject o;
  l.AddObject("x", &o);
  EXPECT_EQ(l.GetObject(l.IndexOf("x")), &o);
}

namespace {
struct TWatcher : TComponent {
  using TComponent::TComponent;
  TComponent* Link = nullptr;
  std::vector<std::string>* Log = nullptr;
  ~TWatcher() override {
    if (Log) Log->push_back(GetName());
  }
  void BeforeDestruction() override {
    if (Log) Log->push_back("before " + GetName() + (IsDestroying() ? " destroying" : ""));
  }
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (Op == opRemove && C == Link) Link = nullptr;
  }
  // A component of Owner named Name that logs its end.
  static TWatcher* Named(TComponent* Owner, const std::string& Name, std::vector<std::string>* Log) {
    auto* w = new TWatcher(Owner);
    w->SetName(Name), w->Log = Log;
    return w;
  }
};
}  // namespace

TEST(Component, OwnershipNamesAndNotifications) {
  std::vector<std::string> log;
  auto* owner = TWatcher::Named(nullptr, "O", &log);
  auto* a = TWatcher::Named(owner, "A", &log);
  auto* b = TWatcher::Named(owner, "B", &log);
  EXPECT_EQ(owner->FindComponent("a"), a);
  EXPECT_THROW(b->SetName("a"), EComponentError);
  EXPECT_THROW(b->SetName("1x"), EComponentError);
  EXPECT_EQ(b->GetName(), "B");
  // A component of another owner asks to hear about A; so does one freed before A, which must
  // then not hear of it.
  TWatcher other(nullptr);
  other.Link = a;
  a->FreeNotification(&other);
  auto* gone = new TWatcher(nullptr);
  a->FreeNotification(gone);
  gone->Free();
  b->Link = a;
  a->Free();
  EXPECT_EQ(std::tuple(other.Link, b->Link, owner->ComponentCount()), std::tuple(nullptr, nullptr, 1));
  auto* c = TWatcher::Named(owner, "C", &log);
  TWatcher::Named(c, "G", &log);
  EXPECT_FALSE(c->IsDestroying());
  owner->Free();
  // A first (freed by hand); then BeforeDestruction for the owner and all it owns, before any of
  // them goes; then the owner and its components last-in first-out.
  EXPECT_EQ(log, (std::vector<std::string>{"before A destroying", "A", "before O destroying", "before C destroying",
                                           "before G destroying", "before B destroying", "O", "C", "G", "B"}));
}
