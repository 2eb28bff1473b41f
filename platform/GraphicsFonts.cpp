#include "platform/GraphicsFonts.h"

#include <cmath>
#include <map>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include "core/SysUtils.h"

namespace fonts_detail {

namespace {

// The faces are cairo's, found by font file: cairo keeps one face per file and options for the
// process, so a library loaded again finds the faces, scaled fonts and glyphs it made before
// instead of adding another set to cairo's caches. (A face made from an FT_Face of our own would
// be new on every load, and cairo keeps recently used scaled fonts of it after we let go.)
struct TFaceEntry {
  cairo_font_face_t* Face = nullptr;
  double UnitsPerEm = 2048;
  double WinAscent = 1854;
  double WinDescent = 434;
  // Slanted through the font matrix where the family has no italic of its own.
  bool Oblique = false;
  TFaceEntry() = default;
  TFaceEntry(const TFaceEntry&) = delete;
  TFaceEntry& operator=(const TFaceEntry&) = delete;
  ~TFaceEntry() {
    if (Face) cairo_font_face_destroy(Face);
  }
};

// The shear of an oblique face: FreeType's own slant.
constexpr double ObliqueShear = 0x0366A / 65536.0;

std::string FamilyFor(const std::string& Name) {
  const std::string n = LowerCase(Trim(Name));
  if (n.empty() || n == "arial" || n == "default" || n == "ms sans serif" || n == "tahoma" ||
      n == "segoe ui" || n == "microsoft sans serif" || n == "helvetica" || n == "sans" ||
      n == "sans-serif")
    return "Liberation Sans";
  if (n == "times new roman" || n == "serif") return "Liberation Serif";
  if (n == "courier new" || n == "courier" || n == "monospace") return "Liberation Mono";
  return Name;
}

// The cell metrics GDI sizes fonts by: the OS/2 table's Windows ascent and descent.
void ReadCellMetrics(TFaceEntry& E) {
  cairo_matrix_t unit, ctm;
  cairo_matrix_init_identity(&unit);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_scaled_font_t* probe = cairo_scaled_font_create(E.Face, &unit, &ctm, opt);
  cairo_font_options_destroy(opt);
  if (FT_Face face = cairo_ft_scaled_font_lock_face(probe)) {
    E.UnitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    E.WinAscent = face->ascender;
    E.WinDescent = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
      if (os2->usWinAscent + os2->usWinDescent > 0) {
        E.WinAscent = os2->usWinAscent;
        E.WinDescent = os2->usWinDescent;
      }
    }
    cairo_ft_scaled_font_unlock_face(probe);
  }
  cairo_scaled_font_destroy(probe);
}

const TFaceEntry* FaceFor(const TFont& Font) {
  // Ends with the library, giving its faces back to cairo.
  static std::map<std::string, TFaceEntry> cache;
  const bool bold = Font.GetStyle().Contains(fsBold);
  const bool italic = Font.GetStyle().Contains(fsItalic);
  const std::string family = FamilyFor(Font.GetName());
  const std::string key = LowerCase(family) + (bold ? "|b" : "|") + (italic ? "i" : "");
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.Face ? &it->second : nullptr;

  TFaceEntry& e = cache[key];
  if (!FcInit()) return nullptr;
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult res = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &res);
  FcPatternDestroy(pat);
  if (!match) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  // Only the file: the user's rendering settings in the match would change how the editor's
  // texts look. Embedded bitmaps allowed, as FreeType loads a face by default.
  FcPattern* face = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    face = FcPatternCreate();
    FcPatternAddString(face, FC_FILE, file);
    FcPatternAddInteger(face, FC_INDEX, index);
    FcPatternAddBool(face, FC_EMBEDDED_BITMAP, FcTrue);
    if (bold && weight < FC_WEIGHT_DEMIBOLD) FcPatternAddBool(face, FC_EMBOLDEN, FcTrue);
  }
  FcPatternDestroy(match);
  if (!face) return nullptr;
  cairo_font_face_t* made = cairo_ft_font_face_create_for_pattern(face);
  FcPatternDestroy(face);
  if (cairo_font_face_status(made) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(made);
    return nullptr;
  }
  e.Face = made;
  e.Oblique = italic && slant == FC_SLANT_ROMAN;
  ReadCellMetrics(e);
  return &e;
}

}  // namespace

bool PrepareFont(const TFont& Font, TTextFont& Out) {
  const TFaceEntry* e = FaceFor(Font);
  if (!e) return false;
  const double cell = (e->WinAscent + e->WinDescent) / e->UnitsPerEm;
  const int32_t h = Font.GetHeight();
  double em = h < 0 ? -h : h > 0 ? h / cell : 11.0;
  if (em < 1) em = 1;
  if (em > 2000) em = 2000;
  Out.Em = em;
  Out.Ascent = static_cast<int32_t>(std::ceil(em * e->WinAscent / e->UnitsPerEm - 1e-6));
  Out.Descent = static_cast<int32_t>(std::ceil(em * e->WinDescent / e->UnitsPerEm - 1e-6));
  cairo_matrix_t fm, ctm;
  cairo_matrix_init(&fm, em, 0, e->Oblique ? -ObliqueShear * em : 0, em, 0, 0);
  cairo_matrix_init_identity(&ctm);
  cairo_font_options_t* opt = cairo_font_options_create();
  cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_ON);
  Out.Scaled = cairo_scaled_font_create(e->Face, &fm, &ctm, opt);
  cairo_font_options_destroy(opt);
  if (cairo_scaled_font_status(Out.Scaled) != CAIRO_STATUS_SUCCESS) {
    cairo_scaled_font_destroy(Out.Scaled);
    Out.Scaled = nullptr;
    return false;
  }
  return true;
}

std::string CleanUtf8(const std::string& S) {
  std::string out;
  out.reserve(S.size());
  size_t i = 0;
  while (i < S.size()) {
    const auto c = static_cast<unsigned char>(S[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool ok = n > 0 && i + n <= S.size() && c != 0;
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(S[i + k]) >> 6) == 2;
    if (ok) {
      out.append(S, i, n);
      i += n;
    } else {
      out.push_back('?');
      ++i;
    }
  }
  return out;
}

int32_t AdvanceOf(const TTextFont& F, const std::string& Text) {
  if (Text.empty()) return 0;
  cairo_text_extents_t ext;
  cairo_scaled_font_text_extents(F.Scaled, Text.c_str(), &ext);
  return static_cast<int32_t>(std::lround(ext.x_advance));
}

}  // namespace fonts_detail

// --- TFont -----------------------------------------------------------------------------------

void TFont::Assign(TPersistent* Source) {
  if (Source == this) return;  // nothing changes, so nobody is told
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    FName = f->FName;
    FHeight = f->FHeight;
    FColor = f->FColor;
    FStyle = f->FStyle;
    FPitch = f->FPitch;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

bool TFont::IsEqual(const TFont* Other) const {
  return Other && SameText(FName, Other->FName) && FHeight == Other->FHeight &&
         FColor == Other->FColor && FStyle == Other->FStyle && FPitch == Other->FPitch;
}

void TFont::SetName(const std::string& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed();
}

int32_t TFont::GetSize() const { return -MulDiv(FHeight, 72, 96); }

void TFont::SetSize(int32_t Value) { SetHeight(-MulDiv(Value, 96, 72)); }

void TFont::SetHeight(int32_t Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  Changed();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (FPitch == Value) return;
  FPitch = Value;
  Changed();
}
