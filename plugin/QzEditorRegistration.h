// Registers the effect's editor window with the effect. The library calls it explicitly at
// load, so that no linker can drop the editor as an unreferenced object file.
#pragma once

void QzRegisterEditor();
