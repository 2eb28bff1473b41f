// Registration of the program's picture classes with the toolkit's picture class, the work of
// the picture units' start. The library's start-up calls QzRegisterPictureFormats once, before
// any picture is loaded; unloading calls QzUnregisterPictureFormats.
#pragma once

// TIFF ("TIF;TIFF"), TGA ("TGA", "TPIC") and EPF ("EPF;EPFF"), in the units' start order.
// Calling it again does nothing.
void QzRegisterPictureFormats();
// In the reverse order; calling it without a registration does nothing.
void QzUnregisterPictureFormats();
