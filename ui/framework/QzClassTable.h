// A small ordered table of what to do with a component of a given class, shared by the theme
// manager and the translation source. The framework cannot see the controls built above it, so
// those controls add their own rows (from their unit's registration function) instead of the
// framework including their headers: layers only point down.
//
// Lookup order: rows added with Add, the latest first (register a derived class after its base
// and it wins); then the built-in rows, in the order they were given (most derived first).
// A row may carry a small tag for its user (the theme manager's walk reads it); 0 by default.
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
    int Tag = 0;
  };

  template <class T>
  static TRow Row(TAction Action, int Tag = 0) {
    return {[](const TComponent* c) { return dynamic_cast<const T*>(c) != nullptr; }, std::move(Action), Tag};
  }

  explicit TQzClassTable(std::vector<TRow> BuiltIn) : FBuiltIn(std::move(BuiltIn)) {}

  // Rows for a class added later: one row, no change elsewhere.
  template <class T>
  void Add(TAction Action, int Tag = 0) {
    FAdded.push_back(Row<T>(std::move(Action), Tag));
  }

  // The first matching row; nil when none matched.
  const TRow* Find(const TComponent* Component) const {
    for (auto it = FAdded.rbegin(); it != FAdded.rend(); ++it)
      if (it->Is(Component)) return &*it;
    for (const TRow& r : FBuiltIn)
      if (r.Is(Component)) return &r;
    return nullptr;
  }

  // Runs the first matching row; False when none matched.
  bool Apply(TComponent* Component, TArgs... Args) const {
    const TRow* r = Find(Component);
    if (!r) return false;
    if (r->Action) r->Action(Component, Args...);
    return true;
  }

private:
  std::vector<TRow> FAdded;
  std::vector<TRow> FBuiltIn;
};
