// A small ordered table of what to do with a component of a given class, shared by the theme
// manager and the translation source. The framework cannot see the controls built above it, so
// those controls add their own rows (from their unit's registration function) instead of the
// framework including their headers: layers only point down.
//
// Lookup order: rows added with Add, the latest first (register a derived class after its base
// and it wins); then the built-in rows, in the order they were given (most derived first).
#pragma once

#include <functional>
#include <vector>

#include "platform/Components.h"

template <class... TArgs>
class TQzClassTable {
public:
  using TAction = std::function<void(TComponent* Component, TArgs... Args)>;
  struct TRow {
    std::function<bool(const TComponent*)> Is;
    TAction Action;
  };

  template <class T>
  static TRow Row(TAction Action) {
    return {[](const TComponent* c) { return dynamic_cast<const T*>(c) != nullptr; }, std::move(Action)};
  }

  explicit TQzClassTable(std::vector<TRow> BuiltIn) : FBuiltIn(std::move(BuiltIn)) {}

  // Rows for a class added later: one row, no change elsewhere.
  template <class T>
  void Add(TAction Action) {
    FAdded.push_back(Row<T>(std::move(Action)));
  }

  // Runs the first matching row; False when none matched.
  bool Apply(TComponent* Component, TArgs... Args) const {
    for (auto it = FAdded.rbegin(); it != FAdded.rend(); ++it)
      if (it->Is(Component)) return Run(*it, Component, Args...);
    for (const TRow& r : FBuiltIn)
      if (r.Is(Component)) return Run(r, Component, Args...);
    return false;
  }

private:
  static bool Run(const TRow& R, TComponent* Component, TArgs... Args) {
    if (R.Action) R.Action(Component, Args...);
    return true;
  }
  std::vector<TRow> FAdded;
  std::vector<TRow> FBuiltIn;
};
