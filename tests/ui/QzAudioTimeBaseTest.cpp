// The audio time base on the toolkit's driven clock: interval limits, one timer, elapsed time as
// it really passed, and clients or the time base itself going away in the middle of a tick.

#include "tests/ui/UiTestForm.h"

namespace {

class TTickProbe : public TQzCustomAudioWinControl {
public:
  using TQzCustomAudioWinControl::TQzCustomAudioWinControl;
  std::string ClassName() const override { return "TTickProbe"; }
  void TimeBaseTick(TObject*, uint32_t Elapsed) override {
    Ticks.push_back(Elapsed);
    if (OnTick) OnTick();
  }
  std::vector<uint32_t> Ticks;
  std::function<void()> OnTick;
};

class TTickComponent : public TQzCustomAudioTimeBaseComponent {
public:
  using TQzCustomAudioTimeBaseComponent::TQzCustomAudioTimeBaseComponent;
  std::string ClassName() const override { return "TTickComponent"; }
  void TimeBaseTick(TObject*, uint32_t) override { ++Ticks; }
  void TimeBaseChanged() override { ++Changes; }
  int Ticks = 0, Changes = 0;
};

// The scrolling container's own link to a time base.
class TTickedScroller : public TQzCustomAudioScrollingWinControl {
public:
  using TQzCustomAudioScrollingWinControl::TQzCustomAudioScrollingWinControl;
  std::string ClassName() const override { return "TTickedScroller"; }
  void TimeBaseTick(TObject*, uint32_t) override { ++Ticks; }
  int Ticks = 0;
};

using QzAudioTimeBase = UiFormTest;

}  // namespace

TEST_F(QzAudioTimeBase, IntervalWithinItsRangeOneTimerTicksOfTheTimePassedAndNoneAtDesignTime) {
  auto* t = QzCreate<TQzAudioTimer>(Form);
  ASSERT_NE(t->GetTimer(), nullptr);
  EXPECT_EQ(std::tuple(t->GetInterval(), t->GetTimer()->GetInterval()), std::tuple(25, 25u));
  struct Row {
    int64_t Set;
    uint16_t Want;
  } rows[] = {{0, 1}, {-5, 1}, {1, 1}, {1000, 1000}, {5000, 1000}, {70000, 1000}, {int64_t{1} << 40, 1000}, {40, 40}};
  for (const Row& r : rows) {
    t->SetInterval(r.Set);
    // The running timer follows at once.
    EXPECT_EQ(std::tuple(t->GetInterval(), t->GetTimer()->GetInterval()), std::tuple(r.Want, r.Want)) << r.Set;
  }
  EXPECT_TRUE(t->GetActive());
  // Ticks report the time that really passed, a late pump's too, not the interval.
  auto* a = QzCreate<TTickProbe>(Form);
  auto* k = QzCreate<TTickComponent>(Form);
  a->SetTimeBase(t), k->SetTimeBase(t);
  int after = 0;
  t->OnTimer = [&](TObject*) { ++after; };
  for (uint64_t step : {40, 40, 17, 100}) Tick(step);
  EXPECT_EQ(std::tuple(a->Ticks, k->Ticks, k->Changes, after), std::tuple(std::vector<uint32_t>{40, 40, 117}, 3, 1, 3));
  const int timers = Application->TimerCount();
  t->Start(), t->Start();
  EXPECT_EQ(Application->TimerCount(), timers);
  t->Stop();
  EXPECT_EQ(std::tuple(t->GetActive(), Application->TimerCount()), std::tuple(false, timers - 1));
  auto* designer = QzCreate<TComponent>(nullptr);
  designer->SetDesigning(true);
  auto* d = QzCreate<TQzAudioTimer>(designer);
  EXPECT_TRUE(!d->GetActive() && !d->GetTimer());
  designer->Free();
}

TEST_F(QzAudioTimeBase, ClientsAndTimeBaseMayGoDuringATick) {
  enum Action { FreeSelf, RemoveSelf, FreeOther, Restart, StopIt, FreeTimeBase };
  for (Action action : {FreeSelf, RemoveSelf, FreeOther, Restart, StopIt, FreeTimeBase}) {
    SCOPED_TRACE(action);
    auto* t = QzCreate<TQzAudioTimer>(Form);
    std::vector<TTickProbe*> c;
    for (int i = 0; i < 3; ++i) c.push_back(QzCreate<TTickProbe>(Form)), c.back()->SetTimeBase(t);
    TTickProbe* first = c[0];
    bool done = false;
    first->OnTick = [&] {
      if (done) return;
      done = true;
      switch (action) {
        case FreeSelf: first->Free(); break;
        case RemoveSelf: first->SetTimeBase(nullptr); break;
        case FreeOther: c[1]->Free(); break;
        case Restart: t->Stop(); t->Start(); break;
        case StopIt: t->Stop(); break;
        case FreeTimeBase: t->Free(); break;
      }
    };
    Tick(25);
    if (action == FreeSelf || action == FreeOther || action == RemoveSelf) {
      EXPECT_EQ(std::tuple(t->ClientCount(), c[2]->Ticks.size()), std::tuple(2, 1u));
    } else if (action == FreeTimeBase) {
      EXPECT_EQ(std::tuple(c[1]->GetTimeBase(), c[1]->Ticks.size()), std::tuple(nullptr, 0u));
    } else {
      Tick(action == Restart ? 25 : 100);
      EXPECT_EQ(c[2]->Ticks, (std::vector<uint32_t>(action == Restart ? 2 : 1, 25)));
    }
    for (TTickProbe* p : c)
      if (!(action == FreeSelf && p == first) && !(action == FreeOther && p == c[1])) p->Free();
    if (action != FreeTimeBase) t->Free();
  }
}

// Freeing the time base before or after its clients, on the same form or across owners.
TEST_F(QzAudioTimeBase, TearDownInEitherOrder) {
  for (bool sameOwner : {true, false})
    for (bool timeBaseFirst : {true, false}) {
      TComponent* other = QzCreate<TComponent>(nullptr);
      auto* t = QzCreate<TQzAudioTimer>(sameOwner ? static_cast<TComponent*>(Form) : other);
      auto* a = QzCreate<TTickProbe>(Form);
      auto* k = QzCreate<TTickComponent>(Form);
      auto* s = QzCreate<TTickedScroller>(Form);
      s->SetParent(Form);
      EXPECT_EQ(
          std::tuple(s->GetCaption(), s->ControlStyle.Contains(csParentBackground), s->ControlStyle.Contains(csOpaque)),
          std::tuple("TTickedScroller", true, false));
      a->SetTimeBase(t), k->SetTimeBase(t), s->SetTimeBase(t);
      t->Tick(t);
      Show(), s->SetBounds(0, 0, 90, 70);
      EXPECT_EQ(std::tuple(s->Ticks, s->NeedsLayout()), std::tuple(1, false));
      if (timeBaseFirst) {
        if (sameOwner) t->Free();
        other->Free();
        EXPECT_TRUE(!a->GetTimeBase() && !k->GetTimeBase() && !s->GetTimeBase());
        a->Free(), k->Free(), s->Free();
      } else {
        a->Free(), k->Free(), s->Free();
        EXPECT_EQ(t->ClientCount(), 0);
        Tick(25);
        if (sameOwner) t->Free();
        other->Free();
      }
    }
}
