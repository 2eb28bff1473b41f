#include "ui/framework/QzResourceBitmaps.h"

#include "core/Resources.h"

namespace {
template <class TTarget, class TLoad>
bool LoadResource(const std::string& Name, TTarget* Target, TLoad&& Load) {
  if (!Target) return false;
  try {
    if (QzFindResource(Name)) {
      Load();
      if (Target->GetWidth() > 0 && Target->GetHeight() > 0) return true;
    }
  } catch (...) {
    // Unreadable artwork is not worth more than an empty picture.
  }
  try {
    Target->Clear();
  } catch (...) {
  }
  return false;
}
}  // namespace

bool QzLoadBitmapResource(const std::string& Name, TBitmap* Bitmap) {
  return LoadResource(Name, Bitmap, [&] { Bitmap->LoadFromResourceName(HInstance, Name); });
}

bool QzLoadPictureResource(const std::string& Name, TPicture* Picture) {
  return LoadResource(Name, Picture, [&] { Picture->LoadFromResourceName(HInstance, Name); });
}
