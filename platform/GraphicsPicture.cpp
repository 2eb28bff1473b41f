// TPicture and its registry of graphic classes by file extension and clipboard format, and the
// stream helpers the picture readers share.
#include <algorithm>
#include <cstring>

#include "core/Resources.h"
#include "platform/Graphics.h"

// --- TPicture --------------------------------------------------------------------------------

namespace {

struct TFileFormat {
  std::string Ext;  // lower case, no dot
  std::string Description;
  TGraphicClass Class;
};

struct TRegistry {
  std::vector<TFileFormat> Formats;
  std::vector<std::pair<TClipboardFormat, TGraphicClass>> Clipboard;
  std::vector<TGraphicClass> Classes;  // in order of first registration

  void Note(TGraphicClass C) {
    if (std::find(Classes.begin(), Classes.end(), C) == Classes.end()) Classes.push_back(C);
  }
};

void AddFormats(TRegistry& R, const std::string& Extensions, const std::string& Description,
                TGraphicClass Class) {
  size_t start = 0;
  while (start <= Extensions.size()) {
    size_t end = Extensions.find(';', start);
    if (end == std::string::npos) end = Extensions.size();
    std::string ext = LowerCase(Trim(Extensions.substr(start, end - start)));
    while (!ext.empty() && (ext[0] == '.' || ext[0] == '*')) ext.erase(0, 1);
    if (!ext.empty()) {
      R.Formats.erase(std::remove_if(R.Formats.begin(), R.Formats.end(),
                                     [&](const TFileFormat& F) { return F.Ext == ext; }),
                      R.Formats.end());
      R.Formats.push_back(TFileFormat{ext, Description, Class});
    }
    start = end + 1;
  }
  R.Note(Class);
}

TRegistry& Registry() {
  static TRegistry r = [] {
    TRegistry reg;
    AddFormats(reg, "bmp", "Bitmaps", GraphicClassOf<TBitmap>());
    AddFormats(reg, "png", "Portable Network Graphic", GraphicClassOf<TPortableNetworkGraphic>());
    AddFormats(reg, "jpg;jpeg;jpe;jfif", "Joint Picture Expert Group", GraphicClassOf<TJPEGImage>());
    reg.Clipboard.emplace_back(CF_BITMAP, GraphicClassOf<TBitmap>());
    reg.Clipboard.emplace_back(RegisterClipboardFormat("PNG"), GraphicClassOf<TPortableNetworkGraphic>());
    return reg;
  }();
  return r;
}

std::string ExtOf(const std::string& FileName) {
  const size_t slash = FileName.find_last_of('/');
  const size_t dot = FileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return LowerCase(FileName.substr(dot + 1));
}

}  // namespace

TColor QzResolveColor(TColor C) {
  if ((C & 0xFF000000) == 0x80000000) return GetSysColor(static_cast<int>(C & 0xFF));
  return C & 0x00FFFFFF;
}

bool QzStreamStartsWith(TStream* Stream, const void* Magic, size_t Count) {
  if (!Stream || Count == 0 || Count > 64) return false;
  uint8_t buf[64];
  const int64_t pos = Stream->GetPosition();
  const int32_t got = Stream->Read(buf, static_cast<int32_t>(Count));
  Stream->SetPosition(pos);
  return got == static_cast<int32_t>(Count) && std::memcmp(buf, Magic, Count) == 0;
}

std::vector<uint8_t> QzReadRestOfPicture(TStream* Stream, const void* Magic, size_t MagicSize,
                                         const std::string& Format) {
  constexpr int64_t kMaxFileBytes = int64_t{1} << 30;
  const int64_t avail = Stream->GetSize() - Stream->GetPosition();
  if (avail < static_cast<int64_t>(MagicSize) || !QzStreamStartsWith(Stream, Magic, MagicSize))
    throw EInvalidGraphic("Invalid " + Format + ": wrong signature");
  if (avail > kMaxFileBytes) throw EInvalidGraphic("Invalid " + Format + ": too large");
  std::vector<uint8_t> data(static_cast<size_t>(avail));
  if (Stream->Read(data.data(), static_cast<int32_t>(avail)) != avail)
    throw EInvalidGraphic("Invalid " + Format + ": read failed");
  return data;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* NewGraphic) {
  FGraphic.reset(NewGraphic);
  if (FGraphic) {
    FGraphic->OnChange = [this](TObject* S) { Changed(S); };
    FGraphic->OnProgress = [this](TObject* S, TProgressStage St, uint8_t P, bool Redraw, const TRect& R,
                                  const std::string& M) {
      if (OnProgress) OnProgress(S, St, P, Redraw, R, M);
    };
  }
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic.get()) return;
  if (!Value) {
    Adopt(nullptr);
    Changed(this);
    return;
  }
  TGraphicClass cls = nullptr;
  for (TGraphicClass c : Registry().Classes)
    if (c->Name == Value->ClassName()) cls = c;
  // A class the picture does not know is held as a bitmap copy.
  std::unique_ptr<TGraphic> g(cls ? cls->Create() : new TBitmap());
  g->Assign(Value);
  Adopt(g.release());
  Changed(this);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p != this) SetGraphic(p->GetGraphic());
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(Source);
  }
}

// An empty picture gets an empty graphic of that class; one of another class is converted and
// replaced.
template <class TGraphicKind>
TGraphicKind* TPicture::ConvertedTo() {
  if (auto* g = dynamic_cast<TGraphicKind*>(FGraphic.get())) return g;
  auto g = std::make_unique<TGraphicKind>();
  if (FGraphic) g->Assign(FGraphic.get());
  Adopt(g.release());
  Changed(this);
  return static_cast<TGraphicKind*>(FGraphic.get());
}

TBitmap* TPicture::GetBitmap() { return ConvertedTo<TBitmap>(); }
TPortableNetworkGraphic* TPicture::GetPNG() { return ConvertedTo<TPortableNetworkGraphic>(); }
TJPEGImage* TPicture::GetJpeg() { return ConvertedTo<TJPEGImage>(); }

int32_t TPicture::GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
int32_t TPicture::GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

void TPicture::LoadWith(TGraphicClass Class, TStream* Stream) {
  std::unique_ptr<TGraphic> g(Class->Create());
  g->OnProgress = [this](TObject* S, TProgressStage St, uint8_t P, bool Redraw, const TRect& R,
                         const std::string& M) {
    if (OnProgress) OnProgress(S, St, P, Redraw, R, M);
  };
  try {
    g->LoadFromStream(Stream);
  } catch (...) {
    Adopt(nullptr);
    Changed(this);
    throw;
  }
  Adopt(g.release());
  Changed(this);
}

void TPicture::LoadFromStream(TStream* Stream) {
  if (!Stream) throw EInvalidGraphic("No stream");
  TGraphicClass found = nullptr;
  if (TBitmap::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TBitmap>();
  else if (TPortableNetworkGraphic::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TPortableNetworkGraphic>();
  else if (TJPEGImage::IsStreamFormatSupported(Stream))
    found = GraphicClassOf<TJPEGImage>();
  else
    for (TGraphicClass c : Registry().Classes)
      if (c->IsStreamFormatSupported && c->IsStreamFormatSupported(Stream)) {
        found = c;
        break;
      }
  if (!found) {
    Adopt(nullptr);
    Changed(this);
    throw EInvalidGraphic("Unknown picture format");
  }
  LoadWith(found, Stream);
}

void TPicture::LoadFromStreamWithFileExt(TStream* Stream, const std::string& FileExt) {
  std::string ext = LowerCase(FileExt);
  while (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  TGraphicClass c = FindGraphicClassWithFileExt(ext);
  if (!c) {
    Adopt(nullptr);
    Changed(this);
    throw EInvalidGraphic("Unknown picture extension (." + ext + ")");
  }
  LoadWith(c, Stream);
}

void TPicture::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStreamWithFileExt(&s, ExtOf(FileName));
}

void TPicture::SaveToStream(TStream* Stream) {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (!FGraphic) return;
  TGraphicClass c = FindGraphicClassWithFileExt(ExtOf(FileName));
  if (c && !c->IsInstance(FGraphic.get())) {
    // Saving under another class's extension converts, as the toolkit does.
    std::unique_ptr<TGraphic> g(c->Create());
    g->Assign(FGraphic.get());
    g->SaveToFile(FileName);
    return;
  }
  FGraphic->SaveToFile(FileName);
}

void TPicture::LoadFromResourceName(HINSTANCE, const std::string& ResName) {
  const TQzResource* res = QzFindResource(ResName);
  if (!res) throw EResNotFound("Resource " + ResName + " not found");
  TMemoryStream s;
  s.WriteBuffer(res->Data, static_cast<int32_t>(res->Size));
  s.SetPosition(0);
  LoadFromStream(&s);
}

bool TPicture::SupportsClipboardFormat(TClipboardFormat Format) {
  for (const auto& f : Registry().Clipboard)
    if (f.first == Format) return true;
  return false;
}

void TPicture::LoadFromClipboardFormat(TClipboardFormat Format, TStream* Data) {
  for (auto it = Registry().Clipboard.rbegin(); it != Registry().Clipboard.rend(); ++it)
    if (it->first == Format) {
      LoadWith(it->second, Data);
      return;
    }
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TPicture::RegisterFileFormat(const std::string& Extensions, const std::string& Description,
                                  TGraphicClass GraphicClass) {
  if (!GraphicClass) return;
  AddFormats(Registry(), Extensions, Description, GraphicClass);
}

void TPicture::RegisterClipboardFormat(TClipboardFormat Format, TGraphicClass GraphicClass) {
  if (!GraphicClass || Format == 0) return;
  TRegistry& r = Registry();
  r.Clipboard.emplace_back(Format, GraphicClass);
  r.Note(GraphicClass);
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
  TRegistry& r = Registry();
  r.Formats.erase(std::remove_if(r.Formats.begin(), r.Formats.end(),
                                 [&](const TFileFormat& F) { return F.Class == GraphicClass; }),
                  r.Formats.end());
  r.Clipboard.erase(std::remove_if(r.Clipboard.begin(), r.Clipboard.end(),
                                   [&](const auto& F) { return F.second == GraphicClass; }),
                    r.Clipboard.end());
  r.Classes.erase(std::remove(r.Classes.begin(), r.Classes.end(), GraphicClass), r.Classes.end());
}

TGraphicClass TPicture::FindGraphicClassWithFileExt(const std::string& Ext) {
  std::string ext = LowerCase(Ext);
  while (!ext.empty() && (ext[0] == '.' || ext[0] == '*')) ext.erase(0, 1);
  for (const TFileFormat& f : Registry().Formats)
    if (f.Ext == ext) return f.Class;
  return nullptr;
}

std::string TPicture::GetFileFilter() {
  std::string out;
  for (const TFileFormat& f : Registry().Formats) {
    if (!out.empty()) out += "|";
    out += f.Description + " (*." + f.Ext + ")|*." + f.Ext;
  }
  return out;
}
