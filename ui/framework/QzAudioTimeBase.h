// The audio time base: one non-visual component that ticks on the GUI thread and hands each
// tick, with the milliseconds that actually passed since the previous one, to its client
// controls in turn. Animated controls (the VU meter) register with it instead of owning timers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Components.h"
#include "platform/ExtCtrls.h"

// What the time base calls on a client. The audio windowed controls, the audio time-base
// components and the audio scrolling controls implement it; other clients are kept and skipped.
class TQzAudioTimeBaseClient {
public:
  // Elapsed: milliseconds of the toolkit's clock since the previous tick (since Start for the
  // first one). Hosts pump the GUI at 25 to 60 Hz, so this is often more than the interval:
  // animate by it, not by the interval. Runs on the GUI thread; the client may free or
  // unregister itself, or restart or free the time base.
  virtual void TimeBaseTick(TObject* Sender, uint32_t Elapsed) = 0;

protected:
  ~TQzAudioTimeBaseClient() = default;
};

class TQzCustomAudioTimeBaseClass : public TComponent {
public:
  using TComponent::TComponent;
  std::string ClassName() const override { return "TQzCustomAudioTimeBaseClass"; }
  virtual void Tick(TObject* Sender) = 0;
};

class TQzCustomAudioTimeBase : public TQzCustomAudioTimeBaseClass {
public:
  explicit TQzCustomAudioTimeBase(TComponent* AOwner);
  ~TQzCustomAudioTimeBase() override;
  std::string ClassName() const override { return "TQzCustomAudioTimeBase"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Ticks every client still registered when its turn comes (from index 0 up), then OnTimer.
  // Nothing at design time or while being destroyed.
  void Tick(TObject* Sender) override;
  virtual void Start();
  virtual void Stop();

  // Once each; the time base asks for FreeNotification of a client so that one freed while
  // registered leaves the list. Nothing while the time base is being destroyed.
  void AddClient(TComponent* Control);
  void RemoveClient(TComponent* Control);
  int ClientCount() const { return FClients.Count(); }
  bool HasClient(const TComponent* Control) const { return FClients.IndexOf(Control) >= 0; }

  uint16_t GetInterval() const { return FInterval; }
  // Milliseconds, held within 1..1000 (0 and below give 1).
  void SetInterval(int64_t Value);
  bool GetActive() const { return FActive; }

  TNotifyEvent OnTimer;

protected:
  virtual void IntervalChanged() {}
  bool FActive = false;

private:
  TList<TComponent> FClients;
  uint16_t FInterval = 10;
  uint64_t FLastTick = 0;
  // Set while Tick runs: cleared by the destructor so a tick whose client freed the time base
  // stops at once.
  bool* FTickAlive = nullptr;
};

// The time base driven by a toolkit timer (interval 25 ms at creation); runs from creation on,
// except at design time.
class TQzCustomAudioTimer : public TQzCustomAudioTimeBase {
public:
  explicit TQzCustomAudioTimer(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomAudioTimer"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Start enables the one timer (created on first use); Stop disables it. The timer is kept,
  // not freed, so that a client may stop or restart the time base inside its own tick.
  void Start() override;
  void Stop() override;
  // The driving timer, nullptr before the first Start.
  TTimer* GetTimer() const { return FTimer; }

protected:
  void IntervalChanged() override;

private:
  TTimer* FTimer = nullptr;
};

class TQzAudioTimer : public TQzCustomAudioTimer {
public:
  using TQzCustomAudioTimer::TQzCustomAudioTimer;
  std::string ClassName() const override { return "TQzAudioTimer"; }
};
