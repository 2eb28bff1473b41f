// The analogue level meter: a needle swings over a scale picture. The editor feeds it a level in
// dB from its metering timer; the needle rises at once to a higher level and falls back on its
// own, one step per 50 ms of the time base's elapsed time, so it falls at the same speed however
// often the host pumps the GUI. Without a running time base the meter holds its highest level.
//
// Needle law: the level is held within -20..+3 dB and read from a table of angles at every tenth
// of a dB (nearest tenth, halves to even); positive angles lean left. The scale artwork prints
// its numbers with the same function (QzArt::VuAngleForDb), so the two can never drift apart.
//
// Setting Volume from code only shows a level: nothing is reported or written anywhere. A tick
// that moves the needle repaints the needle's area only, not the whole meter.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Graphics.h"
#include "ui/framework/QzAudioBase.h"

class TQzCanvas;

// The scale pictures the build draws, 250 x 155, needle pivot (125, 145).
inline constexpr const char* QzVUScaleEnabledResource = "QZVUSCALE01";
inline constexpr const char* QzVUScaleDisabledResource = "QZVUSCALE02";

// Loads the two shared scale pictures; a missing resource leaves its picture empty and the
// meters draw a plain face instead. Both calls are idempotent; QzAudioControlsInitialize and
// QzAudioControlsFinalize make them with the other shared objects.
void QzAudioVUMeterInitialize();
void QzAudioVUMeterFinalize();
// The shared scale for the enabled or disabled look; nullptr outside the two calls above.
TBitmap* QzVUScalePicture(bool Enabled);

class TQzCustomAudioVUMeter : public TQzCustomAudioWinControl {
public:
  static constexpr float MinVolume = -20.0f;
  static constexpr float MaxVolume = 3.0f;
  // Milliseconds of elapsed time per fall step.
  static constexpr uint32_t FallStep = 50;

  // 250 x 155, Volume -20, needle at 48 degrees.
  explicit TQzCustomAudioVUMeter(TComponent* AOwner);
  ~TQzCustomAudioVUMeter() override;
  std::string ClassName() const override { return "TQzCustomAudioVUMeter"; }

  // dB within -20..+3.
  float GetVolume() const { return FVolume; }
  // The editor's refresh: shown, never reported. The level is held within -20..+3 (NaN gives
  // -20, infinities the ends). In CalibrationMode any new level is taken; otherwise only a
  // higher one while the meter is enabled, and the time base lets it fall.
  void SetVolume(float Value);
  bool GetCalibrationMode() const { return (FFlags & 1u) != 0; }
  // Calibration shows the stored level and its angle in the middle of the scale, and the
  // needle does not fall.
  void SetCalibrationMode(bool Value);
  // Scale labels, drawn from the last line upwards in the lower left and right corners.
  TStringList* GetTextLeft() const { return FTextLeft; }
  TStringList* GetTextRight() const { return FTextRight; }
  void SetTextLeft(TStringList* Value);
  void SetTextRight(TStringList* Value);

  // The angle in degrees the needle shows for the current level.
  float GetNeedleAngle() const { return FNeedleAngle; }
  // The needle law for a level in dB.
  static float VolumeToAngle(float Db);
  // Client rectangle that holds every pixel of the needle drawn at Angle.
  TRect NeedleRect(float Angle) const;

  // One fall step for each full 50 ms of elapsed time, the remainder carried to the next tick.
  void TimeBaseTick(TObject* Sender, uint32_t Elapsed) override;
  // The needle picture takes the client size.
  void UpdateLayout() override;
  // Nothing: the paint covers the whole client area.
  void EraseBackground(HDC DC) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;

protected:
  void Paint() override;

private:
  // Stores a new level and repaints what it moved: the needle's area, or everything when the
  // calibration text shows the level.
  void ShowVolume(float Value);
  void InvalidateClient(const TRect& R);
  // The needle's two ends (client coordinates) at Angle.
  void NeedleEnds(float Angle, TPoint& Inner, TPoint& Outer) const;
  void ScaleChanged(TObject* Sender);
  void DrawScale(bool Enabled);

  TStringList* FTextLeft;
  TStringList* FTextRight;
  TBitmap* FScaleBitmap;
  TBitmap* FNeedleBitmap;
  TQzCanvas* FNeedleCanvas;
  float FVolume = MinVolume;
  float FNeedleAngle;
  uint32_t FElapsed = 0;
  uint32_t FFlags = 0;
  bool FScaleRedraw = true;
  // The look the scale picture was drawn with: a parent's enabling reaches no message here.
  bool FScaleEnabled = true;
};

class TQzAudioVUMeter : public TQzCustomAudioVUMeter {
public:
  using TQzCustomAudioVUMeter::TQzCustomAudioVUMeter;
  std::string ClassName() const override { return "TQzAudioVUMeter"; }
};

// Registers the meter classes and their published properties with the form reader; idempotent.
void RegisterQzAudioVUMeterClasses();
