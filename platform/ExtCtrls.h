// Timers and notebooks.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Controls.h"

// Fires OnTimer on the GUI thread, from the event pump, every Interval milliseconds of the
// window backend's clock while Enabled. A pump that finds a timer late fires it once.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  std::string ClassName() const override { return "TTimer"; }
  void Loaded() override;
  uint32_t GetInterval() const { return FInterval; }
  void SetInterval(uint32_t Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TNotifyEvent OnTimer;

  // For the pump.
  uint64_t NextDue() const { return FNextDue; }
  bool Running() const;
  void Fire(uint64_t Now);

private:
  void Restart();
  uint32_t FInterval = 1000;
  bool FEnabled = true;
  uint64_t FNextDue = 0;
};

class TNotebook;

// One page of a notebook; only the notebook's current page is visible.
class TPage : public TCustomControl {
public:
  explicit TPage(TComponent* AOwner);
  std::string ClassName() const override { return "TPage"; }
  void SetParentComponent(TComponent* Value) override;
  int GetPageIndex() const;
};

class TNotebook : public TCustomControl {
public:
  explicit TNotebook(TComponent* AOwner);
  std::string ClassName() const override { return "TNotebook"; }
  void Loaded() override;
  int PageCount() const;
  TPage* GetPage(int Index) const;
  int GetPageIndex() const { return FPageIndex; }
  // Shows page Index and hides the others; -1 hides all. Out of range: nothing happens.
  void SetPageIndex(int Index);
  TPage* GetActivePage() const { return FPageIndex >= 0 && FPageIndex < PageCount() ? GetPage(FPageIndex) : nullptr; }
  // Appends a page with this caption.
  TPage* AddPage(const std::string& Caption);
  TNotifyEvent OnPageChanged;
  void WndProc(TMessage& Message) override;

private:
  void ShowPages();
  int FPageIndex = -1;
};
