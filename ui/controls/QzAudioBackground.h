// The audio windowed control that owns a background bitmap: the common ground of the plug-in
// tool bar and status bar. The control keeps its own copy (SetBackground assigns into it), and
// any change of that copy, however it is made, repaints the control.
#pragma once

#include <string>

#include "platform/Graphics.h"
#include "ui/framework/QzAudioBase.h"

class TQzCustomAudioBackgroundWinControl : public TQzCustomAudioWinControl {
public:
  explicit TQzCustomAudioBackgroundWinControl(TComponent* AOwner);
  ~TQzCustomAudioBackgroundWinControl() override;
  std::string ClassName() const override { return "TQzCustomAudioBackgroundWinControl"; }

  TBitmap* GetBackground() const { return FBackground; }
  // Copies Value; the caller keeps its bitmap. Null empties the copy.
  void SetBackground(TBitmap* Value);
  // Loads a named resource into the background; False, with the background empty, when it is
  // missing or unreadable.
  bool LoadBackgroundResource(const std::string& Name);
  // A width and a height above 0.
  bool HasBackground() const;

private:
  TBitmap* FBackground;
};

// Registers the class and its published Background with the form reader; idempotent.
void RegisterQzAudioBackgroundClasses();
