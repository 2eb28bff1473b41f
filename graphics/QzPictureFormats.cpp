#include "graphics/QzPictureFormats.h"

#include "graphics/QzEPF.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"

namespace {
bool Registered = false;
}

void QzRegisterPictureFormats() {
  if (Registered) return;
  Registered = true;
  QzTIFInitialize();
  QzTGAInitialize();
  QzEPFInitialize();
}

void QzUnregisterPictureFormats() {
  if (!Registered) return;
  Registered = false;
  QzEPFFinalize();
  QzTGAFinalize();
  QzTIFFinalize();
}
