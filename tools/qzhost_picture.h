// The command-line host's picture side, apart from qzhost.cpp: Xlib's names (None, Screen ...)
// clash with the toolkit's, so the toolkit is only seen from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frames of a chord whose level swells and falls twice a second, from frame Start on: loud
// enough for the limiter and the meters to have something to show.
void QzHostFillSignal(float* Left, float* Right, int Frames, int64_t Start, int Rate);

// Writes Width x Height pixels (0xRRGGBB, row by row) as an RGB PNG; False when it cannot.
bool QzHostWritePng(const std::string& File, int Width, int Height, const std::vector<uint32_t>& Pixels);

// Without an X display: the library's own code, linked into this program, opens the editor on
// the toolkit's off-screen window system (VST: embedded; direct call: its own window), feeds it
// a loud signal between idles so that the meters show something, and hands back the pixels the
// editor presented. State (when not empty) is loaded first. False with Error set when no editor
// opened or it showed nothing.
bool QzHostOffscreenEditorPicture(bool Direct, const std::vector<uint8_t>& State, int& Width, int& Height, std::vector<uint32_t>& Pixels,
                                  std::string& Error);
