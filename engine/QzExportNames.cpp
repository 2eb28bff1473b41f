#include "engine/QzExportNames.h"

const char* const QzExportNames[QzExportNameCount] = {"create_instance", "call_object",
                                                      "process_audio", "process_midi"};
