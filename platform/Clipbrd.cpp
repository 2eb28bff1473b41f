#include "platform/Clipbrd.h"

#include "platform/WindowBackend.h"

TClipboard* Clipboard() {
  static TClipboard c;
  return &c;
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
