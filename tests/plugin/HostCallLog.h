// A direct-call host's callback that records every notification in the log its context points to.
#pragma once

#include <cstdint>
#include <vector>

struct THostCallLog {
  struct TCall { void* Object; void* Context; int32_t Opcode, Value; intptr_t Reserved; };
  std::vector<TCall> Calls;

  // The result is ignored by the plug-in; a value other than 0 shows that it does not matter.
  static intptr_t Record(void* Object, void* Context, int32_t Opcode, int32_t Value, intptr_t Reserved) {
    static_cast<THostCallLog*>(Context)->Calls.push_back({Object, Context, Opcode, Value, Reserved});
    return 7;
  }
};
