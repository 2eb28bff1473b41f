// Independent yardsticks for the biquads: the textbook (cookbook) sections and the frequency
// response of a set of coefficients.
#pragma once

#include <cmath>
#include <complex>

#include "engine/QzAudioFilterEx.h"

inline constexpr double Pi = 3.141592653589793;

inline std::complex<double> Response(const TQzBiquadCoefficients& c, double w) {
  const std::complex<double> z1 = std::polar(1.0, -w), z2 = z1 * z1;
  return (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
}

// The bandwidth term of these filters, written out independently: the octave formula with the
// extra cos(w0/2) factor.
inline double Alpha(double w0, double sinW0, double bw) {
  if (sinW0 == 0.0) return 0.0;
  return std::sinh(std::log(2.0) / 2.0 * bw * std::cos(w0 / 2.0) * w0 / sinW0) * sinW0;
}

enum class TKind { Highcut, Lowcut, Band };

// Textbook (cookbook) coefficients for low-pass, high-pass and peaking sections, from the
// same w0 and alpha.
inline TQzBiquadCoefficients Textbook(TKind Kind, double f, double fs, double bw, double gainDb) {
  double w0 = 2.0 * Pi * f / fs;
  const double s = std::sin(w0);
  if (w0 > Pi) w0 = Pi;
  const double alpha = Alpha(w0, s, bw), c = std::cos(w0);
  double b0, b1, b2, a0, a1, a2;
  switch (Kind) {
    case TKind::Highcut:
      b0 = (1 - c) / 2, b1 = 1 - c, b2 = (1 - c) / 2, a0 = 1 + alpha, a1 = -2 * c, a2 = 1 - alpha;
      break;
    case TKind::Lowcut:
      b0 = (1 + c) / 2, b1 = -(1 + c), b2 = (1 + c) / 2, a0 = 1 + alpha, a1 = -2 * c, a2 = 1 - alpha;
      break;
    default: {
      const double A = std::pow(10.0, gainDb / 40.0);
      b0 = 1 + alpha * A, b1 = -2 * c, b2 = 1 - alpha * A;
      a0 = 1 + alpha / A, a1 = -2 * c, a2 = 1 - alpha / A;
    }
  }
  return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}
