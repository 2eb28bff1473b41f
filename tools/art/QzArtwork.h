// The artwork generators, one function per family of pictures. Each writes its files into
// Dir under their resource names and returns false when a file cannot be written.
#pragma once

#include <string>

#include "QzArtPaint.h"

namespace QzArt {

// The skin's shared colours.
constexpr TRgb Key = {255, 0, 255};         // transparency key of keyed bitmaps
constexpr TRgb Panel = {36, 38, 43};        // the panels the knobs sit on
constexpr TRgb Backdrop = {22, 23, 26};     // between the panels
constexpr TRgb Accent = {246, 178, 64};     // amber: pointers, check marks
constexpr TRgb Ink = {200, 204, 210};       // light glyphs on dark faces

bool DrawControlBitmaps(const std::string& Dir);  // the standard and extended controls' bitmaps
bool DrawSwitchFaces(const std::string& Dir);     // QZAUDIOSW01..04, 07..10
bool DrawKnobAndSlider(const std::string& Dir);   // QZKNOBSTRIP, QZSLIDERCAP
bool DrawVuScales(const std::string& Dir);        // QZVUSCALE01, QZVUSCALE02
bool DrawEditorPictures(const std::string& Dir);  // QZGROUPBOXBG, QZTOOLBAR22, QZABOUTBOX

}  // namespace QzArt
