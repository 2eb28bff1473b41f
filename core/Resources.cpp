#include "core/Resources.h"

// Filled by the generated resource table of the build.
extern const TQzResource QzResourceTable[];
extern const size_t QzResourceTableCount;

namespace {
bool SameNameIgnoringCase(std::string_view A, const char* B) {
  size_t i = 0;
  for (; i < A.size(); ++i) {
    char a = A[i];
    char b = B[i];
    if (b == '\0') return false;
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return B[i] == '\0';
}
}  // namespace

const TQzResource* QzFindResource(std::string_view Name) {
  for (size_t i = 0; i < QzResourceTableCount; ++i)
    if (SameNameIgnoringCase(Name, QzResourceTable[i].Name)) return &QzResourceTable[i];
  return nullptr;
}

size_t QzResourceCount() { return QzResourceTableCount; }

const TQzResource* QzResourceAt(size_t Index) {
  return Index < QzResourceTableCount ? &QzResourceTable[Index] : nullptr;
}
