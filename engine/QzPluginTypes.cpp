#include "engine/QzPluginTypes.h"

const char* const QzSampleFormatNames[QzSampleFormatCount] = {
    "BPS_08", "BPS_16", "BPS_24", "BPS_32", "BPS_96", "BPS_64", "BPS_98"};
const char* const QzTimeDisplayModeNames[QzTimeDisplayModeCount] = {"rmeTime", "rmeBars",
                                                                    "rmeFrames"};
const char* const QzNoteNames[QzNoteNameCount] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                  "F#", "G",  "G#", "A",  "A#", "B"};
const char* const QzPluginKindNames[QzPluginKindCount] = {"aptUnknown", "aptInstrument",
                                                          "aptEffect"};
const char* const QzChannelLayoutNames[QzChannelLayoutCount] = {"Stereo", "Mono"};
const char* const QzPluginFormatNames[QzPluginFormatCount] = {"Unknown", "ZRT", "KVS2", "KVS3"};
const char* const QzGateStepNames[QzGateStepCount] = {"ngsNone", "ngs1s",  "ngs2s",
                                                      "ngs4s",   "ngs8s",  "ngs16s",
                                                      "ngs32s",  "ngs64s", "ngs128s"};
