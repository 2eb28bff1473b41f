// Names of the direct-call exports of the plug-in library, in the order hosts look them up.
#pragma once

inline constexpr int QzExportNameCount = 4;
extern const char* const QzExportNames[QzExportNameCount];
