// The clipboard: text, and pictures (offered to other programs as PNG).
#pragma once

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
