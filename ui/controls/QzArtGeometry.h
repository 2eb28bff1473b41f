// Where the artwork's moving parts point: the needle law of the VU meter and the frame law of
// the knob strip. The generators print the scale and draw the frames from these functions, and
// the tests measure the pictures against the same ones, so a picture can never drift from the
// law that the controls apply when they draw over it.
#pragma once

#include <array>
#include <cmath>
#include <numbers>

namespace QzArt {

// ---- VU meter scale: 250 x 155, needle pivot (125, 145) -------------------------------------
constexpr int VuWidth = 250, VuHeight = 155;
constexpr int VuPivotX = VuWidth / 2, VuPivotY = VuHeight - 10;
// The needle runs from 35 to 110 pixels above the pivot when upright.
constexpr int VuNeedleInner = 35, VuNeedleOuter = VuHeight - 10 - 35;

// Needle angles in degrees for -20.0 .. +3.0 dB in steps of 0.1 dB (index 0 = -20.0 dB);
// positive angles lean left. Built run by run in 32-bit floats, exactly as the meter builds it.
inline const std::array<float, 231>& VuAngleTable() {
  static const std::array<float, 231> Table = [] {
    struct TRun {
      int First, Last;
      float Start, Step;
    };
    constexpr TRun Runs[] = {
        {-200, -99, 48.0f, 0.13663366f}, {-100, -69, 34.2f, 0.30322582f}, {-70, -49, 24.8f, 0.34285715f},
        {-50, -29, 17.6f, 0.54761904f},  {-30, -19, 5.1f, 0.6272727f},    {-20, -11, -1.8f, 0.8055556f},
        {-10, -1, -9.05f, 0.71666664f},  {0, 9, -16.0f, 1.1f},            {10, 19, -27.0f, 1.0333333f},
        {20, 30, -36.3f, 1.3f}};
    std::array<float, 231> t{};
    for (const TRun& r : Runs) {
      float v = r.Start;
      for (int i = r.First; i <= r.Last; ++i) {
        t[i + 200] = v;
        v -= r.Step;
      }
    }
    t[0] = 48.0f;
    t[230] = -49.3f;
    return t;
  }();
  return Table;
}

// The needle angle for a level in dB: clamped to -20..+3, then the table entry at the nearest
// tenth of a dB (halves to even, the default rounding mode).
inline float VuAngleForDb(double Db) {
  if (!(Db >= -20.0)) Db = -20.0;  // also catches NaN
  if (Db > 3.0) Db = 3.0;
  long i = std::lrint(Db * 10.0);
  if (i < -200) i = -200;
  if (i > 30) i = 30;
  return VuAngleTable()[static_cast<size_t>(i + 200)];
}

// A point Radius pixels from the pivot along the needle at AngleDeg, in picture coordinates.
inline void VuPointAt(double AngleDeg, double Radius, double& X, double& Y) {
  const double a = AngleDeg * std::numbers::pi / 180.0;
  X = VuPivotX - Radius * std::sin(a);
  Y = VuPivotY - Radius * std::cos(a);
}

// The labelled marks of the scale, in dB.
constexpr std::array<int, 11> VuLabelledDb = {-20, -10, -7, -5, -3, -2, -1, 0, 1, 2, 3};

// ---- Knob film strip --------------------------------------------------------------------------
constexpr int KnobFrameSide = 64;
constexpr int KnobFrames = 101;

// The knob's angle (0..270) shown by frame K, as the knob picks frame round((N - 1) * angle / 270).
constexpr double KnobAngleOfFrame(int K) { return 270.0 * K / (KnobFrames - 1); }

// The pointer's direction for a knob angle, in degrees from straight up, positive to the left:
// angle 0 points lower left (135), 135 points up (0), 270 points lower right (-135).
constexpr double KnobPointerDirection(double KnobAngle) { return 135.0 - KnobAngle; }

}  // namespace QzArt
