// The shared look of the audio controls: the bright/dim colour table, the LED switch pictures
// and the routines that paint switches and slider knobs. The routines draw on the caller's
// canvas and keep no state between calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Graphics.h"

// LED colours of a switch face; yellow and green share the first picture pair.
enum TQzAudioSwitchStyle : uint8_t { awsYellow, awsBlue, awsRed, awsWhite, awsGreen };

// Colour scheme of a knob's or slider's value display.
enum TQzAudioColorStyle : uint8_t { acsDefault, acsYellow, acsBlue, acsRed, acsWhite, acsGreen };
// (Sender, Value) -> the text a knob or slider shows for Value; it formats the value itself
// when none is assigned.
using TQzAudioEvent03 = std::function<std::string(TObject* Sender, double Value)>;
// Names of the enumerations above for form descriptions; idempotent.
void RegisterQzAudioPaintEnums();

inline constexpr int QzAudioColorCount = 47;

// Entry Index of the colour table when Bright, entry Index + 1 otherwise; the couples 4/5,
// 10/11, 12/13, 16/17, 18/19, 33/34, 40/41 and 45/46 are the enabled and disabled looks of one
// part. An entry outside the table gives black, as the table's unused entries do.
TColor GetAudioColor(uint16_t Index, bool Bright);

// The LED switch face: the unlit picture when raised; when pressed the lit one as Lit says
// (FixedLit pressed switches show slot 8 when lit, their style's lit picture otherwise). The
// caption is centred in black at 8 points, one pixel further down and right when pressed.
// Style: 1 blue, 2 red, 3 white, anything else yellow. A picture that failed to load leaves
// only the caption and the frame.
void DrawSwitchButton(TCanvas* Canvas, const TRect& R, bool Lit, bool Down, const std::string& Caption,
                      uint8_t Style, bool FixedLit);

// The picture's size when one is given, else 52 x 26 (Orientation 0, horizontal) or 26 x 52.
TSize DefaultSliderKnobSize(uint8_t Orientation, TGraphic* Picture);
// Black, framed dark top-left and light bottom-right. Colour is accepted and not used.
void DrawSliderTrack(TCanvas* Canvas, const TRect& R, TColor Colour);
// A grey rounded block with a black outline; the last two arguments do not change it.
void DrawDefaultSliderKnob(TCanvas* Canvas, const TRect& R, uint8_t Orientation, TColor Colour);
// Picture stretched into R with its transparent colour left out; without a picture (or with
// an empty one) the default knob.
void DrawSliderKnob(TCanvas* Canvas, const TRect& R, uint8_t Orientation, TColor Colour, TGraphic* Picture);

// The switch pictures: loaded by QzAudioPaintInitialize from the named resources
// "QZAUDIOSW01" .. "QZAUDIOSW04" and "QZAUDIOSW07" .. "QZAUDIOSW10", freed by
// QzAudioPaintFinalize. Both are idempotent; QzAudioControlsInitialize (QzAudioEdit.h) calls
// them in order with the other shared objects.
void QzAudioPaintInitialize();
void QzAudioPaintFinalize();
// The picture in a slot (4 .. 9, 22, 23); nullptr for another slot or before initialising.
// It may be empty when its resource is missing.
TBitmap* QzAudioSwitchPicture(int Slot);
