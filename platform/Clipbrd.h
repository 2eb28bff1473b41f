// The clipboard: text, and pictures (offered to other programs as PNG).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/Classes.h"
#include "platform/Graphics.h"

class TClipboard : public TPersistent {
public:
  std::string ClassName() const override { return "TClipboard"; }
  std::string GetAsText();
  void SetAsText(const std::string& Value);
  // A graphic or a picture: put on the clipboard as a picture.
  void Assign(TPersistent* Source) override;
  // CF_TEXT or CF_BITMAP (a picture of any kind).
  bool HasFormat(UINT Format);
  // The clipboard's picture into Dest; False (Dest untouched) when it holds none.
  bool GetPicture(TPicture* Dest);
  void Clear();
};

// The process's clipboard object.
TClipboard* Clipboard();

class TControl;
// Pastes without waiting for the program that holds the clipboard (it may be the host itself,
// on the thread we run on): the text is asked for now, and Paste runs with at most MaxBytes
// bytes of it, cut at a character boundary, once it arrives (at once when it is at hand, else
// from a later pump). Target gets nothing when it was freed or is no longer showing by then,
// or when a newer paste was asked for.
// What a text box without a length limit of its own takes from the clipboard.
constexpr size_t QzPasteTextLimit = 64 * 1024;
void QzPasteClipboardText(TControl* Target, size_t MaxBytes, std::function<void(const std::string& Text)> Paste);
// For the application: Control is being freed.
void QzClipboardControlGone(TControl* Control);
