#include "ui/framework/QzAudioTimeBase.h"

#include <vector>

#include "core/SysUtils.h"
#include "ui/framework/QzSafeMath.h"

TQzCustomAudioTimeBase::TQzCustomAudioTimeBase(TComponent* AOwner)
    : TQzCustomAudioTimeBaseClass(AOwner), FLastTick(GetTickCount64()) {}

TQzCustomAudioTimeBase::~TQzCustomAudioTimeBase() {
  if (FTickAlive) *FTickAlive = false;
}

void TQzCustomAudioTimeBase::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomAudioTimeBaseClass::Notification(AComponent, Operation);
  if (Operation == opRemove && !IsDestroying()) RemoveClient(AComponent);
}

void TQzCustomAudioTimeBase::AddClient(TComponent* Control) {
  if (!Control || IsDestroying() || FClients.IndexOf(Control) >= 0) return;
  FClients.Add(Control);
  Control->FreeNotification(this);
}

void TQzCustomAudioTimeBase::RemoveClient(TComponent* Control) {
  // The free notification stays: the client's own link to this time base shares it.
  if (!IsDestroying()) FClients.Remove(Control);
}

void TQzCustomAudioTimeBase::SetInterval(int64_t Value) {
  const auto v = static_cast<uint16_t>(QzClamp<int64_t>(Value, 1, 1000));
  if (v == FInterval) return;
  FInterval = v;
  IntervalChanged();
}

void TQzCustomAudioTimeBase::Start() {
  if (!FActive) FLastTick = GetTickCount64();
  FActive = true;
}

void TQzCustomAudioTimeBase::Stop() { FActive = false; }

void TQzCustomAudioTimeBase::Tick(TObject*) {
  if (IsDesigning() || IsDestroying()) return;
  const uint64_t now = GetTickCount64();
  const uint32_t elapsed = QzNarrow<uint32_t>(now >= FLastTick ? now - FLastTick : 0);
  FLastTick = now;

  bool alive = true;
  bool* outer = FTickAlive;
  FTickAlive = &alive;
  // A client may free or unregister itself or others, or free this time base: walk a copy and
  // tick only those still registered when their turn comes.
  const std::vector<TComponent*> clients(FClients.begin(), FClients.end());
  for (TComponent* c : clients) {
    if (FClients.IndexOf(c) < 0) continue;
    if (auto* client = dynamic_cast<TQzAudioTimeBaseClient*>(c)) client->TimeBaseTick(this, elapsed);
    if (!alive) {
      if (outer) *outer = false;
      return;
    }
  }
  FTickAlive = outer;
  const TNotifyEvent handler = OnTimer;
  if (handler) handler(this);
}

// ---- timer-driven ----

TQzCustomAudioTimer::TQzCustomAudioTimer(TComponent* AOwner) : TQzCustomAudioTimeBase(AOwner) {
  SetInterval(25);
  Start();
}

void TQzCustomAudioTimer::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomAudioTimeBase::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FTimer) {
    FTimer = nullptr;
    FActive = false;
  }
}

void TQzCustomAudioTimer::Start() {
  if (IsDesigning() || IsDestroying()) return;
  if (!FTimer) {
    FTimer = QzCreate<TTimer>(this);
    FTimer->SetEnabled(false);
    FTimer->OnTimer = [this](TObject* Sender) { Tick(Sender); };
  }
  FTimer->SetInterval(GetInterval());
  // Re-enabling restarts the timer's period from now.
  FTimer->SetEnabled(false);
  FTimer->SetEnabled(true);
  TQzCustomAudioTimeBase::Start();
}

void TQzCustomAudioTimer::Stop() {
  if (FTimer) FTimer->SetEnabled(false);
  TQzCustomAudioTimeBase::Stop();
}

void TQzCustomAudioTimer::IntervalChanged() {
  if (FTimer) FTimer->SetInterval(GetInterval());
}
