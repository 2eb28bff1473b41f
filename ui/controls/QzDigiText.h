// Seven-segment LED text drawn with plain canvas lines, for value displays. One shared instance
// serves every control (QzSharedDigiText, QzAudioEdit.h); a caller sets colour, size and options
// before each drawing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Graphics.h"

// Bits of TQzDigiText::Options.
enum : uint32_t {
  DIGI_BOLD = 1,          // edge lines beside each segment, in the colour blended with the background
  DIGI_SLANTED = 2,       // characters lean right by a third of their width
  DIGI_GAPPED = 4,        // segment ends pulled in, so that segments do not touch
  DIGI_PROPORTIONAL = 8,  // kept for stored option sets; every advance is already as drawn
};

class TQzDigiText : public TObject {
public:
  TQzDigiText();
  std::string ClassName() const override { return "TQzDigiText"; }

  uint8_t GetSize() const { return FSize; }
  void SetSize(uint8_t Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  uint32_t GetOptions() const { return FOptions; }
  void SetOptions(uint32_t Value);

  // Character metrics in pixels, derived from Size and Options.
  int32_t CharWidth() const { return FWidth; }
  int32_t CharHeight() const { return FHeight; }
  int32_t CharGap() const { return FGap; }
  int32_t Slant() const { return FSlant; }
  int32_t Inset() const { return FInset; }

  // How far the drawing moves on after Ch: width plus gap for a segment character, the gap for
  // a full stop or comma, nothing for a character it cannot show.
  int32_t GetCharAdvance(char Ch) const;
  // The width Text takes when drawn, from the first character's origin to the right edge of the
  // last shown character's cell (width + slant + 1 for a segment character, inset + 3 for a
  // dot). Bold edges add one pixel on each side of that, evenly, so centring stays true.
  int32_t GetTextWidth(const std::string& Text) const;
  // Text centred in Rect; stops at the first character whose origin lies at or right of
  // Rect.Right.
  void Draw(TCanvas* Canvas, const std::string& Text, const TRect& Rect) const;

private:
  void UpdateMetrics();

  uint8_t FSize = 8;
  TColor FColor = 0x00FF00;
  TPoint FP[6];
  uint32_t FOptions = DIGI_BOLD | DIGI_PROPORTIONAL;
  int32_t FWidth = 0, FHeight = 0, FGap = 0, FHalfWidth = 0;
  int32_t FSlant = 0;
  uint8_t FInset = 0;
  bool FBold = false;
};
