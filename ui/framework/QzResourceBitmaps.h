// The one way the controls load their artwork from the module's named resources. A control
// unit calls these when it starts; a resource that is missing or cannot be read leaves an empty
// picture, so the control draws without it instead of taking the host down.
#pragma once

#include <string>

#include "platform/Graphics.h"

// Loads the named resource (any ASCII case) into Bitmap by its content (BMP, PNG or JPEG).
// False, with Bitmap empty, when there is no such resource, its content cannot be read or
// Bitmap is null. Never throws.
bool QzLoadBitmapResource(const std::string& Name, TBitmap* Bitmap);
// The same for a picture, which keeps the class of the content (a PNG film strip keeps its
// alpha). False, with Picture empty, on any failure. Never throws.
bool QzLoadPictureResource(const std::string& Name, TPicture* Picture);
