// Draws the editor's artwork into a folder, one file per named resource:
//   qz_art OUTPUT-DIR
// The build runs it and embeds what it writes (see resources/README.md for the list).
#include <cairo.h>

#include <cstdio>
#include <string>

#include "QzArtwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qz_art OUTPUT-DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool ok = QzArt::DrawControlBitmaps(dir) && QzArt::DrawSwitchFaces(dir) &&
                  QzArt::DrawKnobAndSlider(dir) && QzArt::DrawVuScales(dir) &&
                  QzArt::DrawEditorPictures(dir);
  // Font and glyph caches go back, so that a leak checker sees only what the drawing lost.
  cairo_debug_reset_static_data();
  if (!ok) {
    std::fprintf(stderr, "qz_art: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
