#include "platform/Clipbrd.h"

#include <algorithm>

#include "platform/Controls.h"
#include "platform/WindowBackend.h"

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
}

namespace {
// The control the paste under way goes to, and which request that is.
TControl* gPasteTarget = nullptr;
uint64_t gPasteSerial = 0;
// The text came at once, within the request: nothing can have happened to the target.
bool gPasteAsking = false;
}  // namespace

void QzPasteClipboardText(TControl* Target, size_t MaxBytes, std::function<void(const std::string& Text)> Paste) {
  if (!Target || MaxBytes == 0 || !Paste) return;
  gPasteTarget = Target;
  const uint64_t serial = ++gPasteSerial;
  auto ready = [serial, MaxBytes, Paste = std::move(Paste)](const std::string& Text) {
    if (serial != gPasteSerial || !gPasteTarget || (!gPasteAsking && !gPasteTarget->IsShowing())) return;
    gPasteTarget = nullptr;
    size_t n = std::min(Text.size(), MaxBytes);
    // Whole characters only: no UTF-8 sequence is cut in two.
    if (n < Text.size())
      while (n > 0 && (static_cast<unsigned char>(Text[n]) & 0xC0) == 0x80) --n;
    Paste(Text.substr(0, n));
  };
  gPasteAsking = true;
  // A few bytes more than fit: where the text is cut shows whether a character was cut in two.
  QzWindowBackend().RequestClipboardText(MaxBytes + 3, std::move(ready));
  gPasteAsking = false;
}

void QzClipboardControlGone(TControl* Control) {
  if (Control && Control == gPasteTarget) gPasteTarget = nullptr;
}

std::string TClipboard::GetAsText() {
  std::string t;
  return QzWindowBackend().GetClipboardText(t) ? t : std::string();
}

void TClipboard::SetAsText(const std::string& Value) { QzWindowBackend().SetClipboardText(Value); }

void TClipboard::Clear() { QzWindowBackend().SetClipboardText(""); }

void TClipboard::Assign(TPersistent* Source) {
  TGraphic* g = dynamic_cast<TGraphic*>(Source);
  if (auto* p = dynamic_cast<TPicture*>(Source)) g = p->GetGraphic();
  if (!g) return TPersistent::Assign(Source);
  TPortableNetworkGraphic png;
  png.Assign(g);
  TMemoryStream s;
  png.SaveToStream(&s);
  QzWindowBackend().SetClipboardPNG(s.Data());
}

bool TClipboard::HasFormat(UINT Format) {
  if (Format == CF_TEXT) {
    std::string t;
    return QzWindowBackend().GetClipboardText(t);
  }
  if (Format == CF_BITMAP || Format == CF_DIB) {
    std::vector<uint8_t> p;
    return QzWindowBackend().GetClipboardPNG(p);
  }
  return false;
}

bool TClipboard::GetPicture(TPicture* Dest) {
  std::vector<uint8_t> bytes;
  if (!Dest || !QzWindowBackend().GetClipboardPNG(bytes)) return false;
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  s.SetPosition(0);
  Dest->LoadFromStream(&s);
  return true;
}
