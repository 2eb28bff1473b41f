// The plug-in status bar: the strip along the bottom of the editor with the product name at the
// left and the vendor text at the right, in white bold italics, over the background bitmap
// stretched to fit or, without one, a gradient from a darker Color at the top to Color. Long
// texts overlap rather than being shortened.
#pragma once

#include <string>

#include "ui/controls/QzAudioBackground.h"

class TQzCustomAudioPluginStatusBar : public TQzCustomAudioBackgroundWinControl {
public:
  using TQzCustomAudioBackgroundWinControl::TQzCustomAudioBackgroundWinControl;
  std::string ClassName() const override { return "TQzCustomAudioPluginStatusBar"; }

  const std::string& GetProductName() const { return FProductName; }
  // Both repaint only when the text changes.
  void SetProductName(const std::string& Value);
  const std::string& GetVendor() const { return FVendor; }
  void SetVendor(const std::string& Value);
  // The area the texts are aligned in: the client rect less 10 pixels at each side.
  TRect GetTextRect() const;

protected:
  void Paint() override;

private:
  std::string FProductName;
  std::string FVendor;
};

class TQzAudioPluginStatusBar : public TQzCustomAudioPluginStatusBar {
public:
  using TQzCustomAudioPluginStatusBar::TQzCustomAudioPluginStatusBar;
  std::string ClassName() const override { return "TQzAudioPluginStatusBar"; }
};

// Registers the status bar classes and their published properties with the form reader;
// idempotent.
void RegisterQzAudioStatusBarClasses();
