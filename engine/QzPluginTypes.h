// Names of the values of the framework's plug-in enumerations, in enumeration order.
#pragma once

inline constexpr int QzSampleFormatCount = 7;
inline constexpr int QzTimeDisplayModeCount = 3;
inline constexpr int QzNoteNameCount = 12;
inline constexpr int QzPluginKindCount = 3;
inline constexpr int QzChannelLayoutCount = 2;
inline constexpr int QzPluginFormatCount = 4;
inline constexpr int QzGateStepCount = 9;

extern const char* const QzSampleFormatNames[QzSampleFormatCount];
extern const char* const QzTimeDisplayModeNames[QzTimeDisplayModeCount];
extern const char* const QzNoteNames[QzNoteNameCount];
extern const char* const QzPluginKindNames[QzPluginKindCount];
extern const char* const QzChannelLayoutNames[QzChannelLayoutCount];
extern const char* const QzPluginFormatNames[QzPluginFormatCount];
extern const char* const QzGateStepNames[QzGateStepCount];
