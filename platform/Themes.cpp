#include "platform/Themes.h"

TThemedElementDetails TThemeServices::GetElementDetails(TThemedButton Detail) const {
  return TThemedElementDetails{teButton, 0, static_cast<int>(Detail)};
}

TThemedElementDetails TThemeServices::GetElementDetails(TThemedScrollBar Detail) const {
  return TThemedElementDetails{teScrollBar, 0, static_cast<int>(Detail)};
}

void TThemeServices::DrawElement(HDC, const TThemedElementDetails&, const TRect&, const TRect*) const {}

TThemeServices* ThemeServices() {
  static TThemeServices services;
  return &services;
}
