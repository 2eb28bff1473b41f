#include "platform/FormReader.h"

#include <cmath>

#include "core/Resources.h"

// ---- registries ----

namespace {

struct TRegistry {
  std::map<std::string, std::unique_ptr<TClassInfo>, std::less<>> Classes;  // by upper-case name
  std::map<std::type_index, std::vector<std::string>> Enums;
  std::map<std::string, std::function<void(TObject*, const std::string&)>, std::less<>> Loaders;
  TFormTextSource TextSource;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

const struct {
  const char* Name;
  TColor Value;
} kColorNames[] = {
    {"clBlack", 0x000000},     {"clMaroon", 0x000080},          {"clGreen", 0x008000},
    {"clOlive", 0x008080},     {"clNavy", 0x800000},            {"clPurple", 0x800080},
    {"clTeal", 0x808000},      {"clGray", 0x808080},            {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},       {"clLime", 0x00FF00},            {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF},         {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},     {"clMoneyGreen", 0xC0DCC0},      {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},     {"clMedGray", 0xA4A0A0},         {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000}, {"clScrollBar", 0x80000000},     {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003}, {"clMenu", 0x80000004},
    {"clWindow", 0x80000005},  {"clWindowFrame", 0x80000006},   {"clMenuText", 0x80000007},
    {"clWindowText", 0x80000008}, {"clCaptionText", 0x80000009}, {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B}, {"clAppWorkSpace", 0x8000000C}, {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E}, {"clBtnFace", 0x8000000F},  {"clBtnShadow", 0x80000010},
    {"clGrayText", 0x80000011}, {"clBtnText", 0x80000012},      {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014}, {"cl3DDkShadow", 0x80000015}, {"cl3DLight", 0x80000016},
    {"clInfoText", 0x80000017}, {"clInfoBk", 0x80000018},        {"clHotLight", 0x8000001A},
};

}  // namespace

void RegisterEnumNames(std::type_index Type, std::vector<std::string> Names) { Registry().Enums[Type] = std::move(Names); }

const std::vector<std::string>* FindEnumNames(std::type_index Type) {
  auto& e = Registry().Enums;
  auto it = e.find(Type);
  return it == e.end() ? nullptr : &it->second;
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
  for (const auto& c : kColorNames)
    if (SameText(Ident, c.Name)) {
      Color = c.Value;
      return true;
    }
  return false;
}

void RegisterResourceLoader(const std::string& ClassName, std::function<void(TObject*, const std::string&)> Load) {
  Registry().Loaders[UpperCase(ClassName)] = std::move(Load);
}

TClassInfo* FindClassInfo(const std::string& Name) {
  auto& c = Registry().Classes;
  auto it = c.find(UpperCase(Name));
  return it == c.end() ? nullptr : it->second.get();
}

TClassInfo& RegisterClassInfo(const std::string& Name, const std::string& ParentName) {
  auto& slot = Registry().Classes[UpperCase(Name)];
  if (!slot) slot = std::make_unique<TClassInfo>();
  slot->Name = Name;
  slot->ParentName = ParentName;
  return *slot;
}

void SetFormTextSource(TFormTextSource Source) { Registry().TextSource = std::move(Source); }

bool FindFormText(const std::string& ResourceName, std::string& Text) {
  if (Registry().TextSource) return Registry().TextSource(ResourceName, Text);
  const TQzResource* r = QzFindResource(ResourceName);
  if (!r) return false;
  Text.assign(reinterpret_cast<const char*>(r->Data), r->Size);
  return true;
}

// ---- values ----

std::string TFormValue::Describe() const {
  switch (Kind) {
    case vkInteger: return std::to_string(Int);
    case vkFloat: return FloatToStr(Float);
    case vkString: return "'" + Text + "'";
    case vkIdent: return Text;
    case vkSet: return "[...]";
    case vkList: return "(...)";
    case vkNil: return "nil";
  }
  return "?";
}

namespace formreader_detail {

void Fail(const TFormValue& V, const std::string& Message) {
  throw EReadError("Form description, line " + std::to_string(V.Line) + ": " + Message);
}

int64_t ToInteger(const TFormValue& V, int64_t Min, int64_t Max) {
  if (V.Kind != TFormValue::vkInteger) Fail(V, "integer expected, found " + V.Describe());
  if (V.Int < Min || V.Int > Max) Fail(V, "value " + std::to_string(V.Int) + " out of range");
  return V.Int;
}

double ToFloat(const TFormValue& V) {
  if (V.Kind == TFormValue::vkInteger) return static_cast<double>(V.Int);
  if (V.Kind != TFormValue::vkFloat) Fail(V, "number expected, found " + V.Describe());
  return V.Float;
}

bool ToBool(const TFormValue& V) {
  if (V.Kind == TFormValue::vkIdent) {
    if (SameText(V.Text, "True")) return true;
    if (SameText(V.Text, "False")) return false;
  }
  Fail(V, "True or False expected, found " + V.Describe());
  return false;
}

std::string ToString(const TFormValue& V) {
  if (V.Kind != TFormValue::vkString) Fail(V, "string expected, found " + V.Describe());
  return V.Text;
}

TColor ToColor(const TFormValue& V) {
  if (V.Kind == TFormValue::vkInteger) {
    if (V.Int < INT32_MIN || V.Int > UINT32_MAX) Fail(V, "colour out of range");
    return static_cast<TColor>(V.Int);
  }
  TColor c = 0;
  if (V.Kind == TFormValue::vkIdent && IdentToColor(V.Text, c)) return c;
  Fail(V, "colour expected, found " + V.Describe());
  return 0;
}

namespace {
int EnumIndex(const TFormValue& V, const std::string& Name, std::type_index Type) {
  const std::vector<std::string>* names = FindEnumNames(Type);
  if (!names) Fail(V, std::string("enumeration not registered: ") + Type.name());
  for (size_t i = 0; i < names->size(); ++i)
    if (SameText((*names)[i], Name)) return static_cast<int>(i);
  Fail(V, "unknown value " + Name);
  return 0;
}
}  // namespace

int ToEnum(const TFormValue& V, std::type_index Type) {
  if (V.Kind != TFormValue::vkIdent) Fail(V, "enumeration value expected, found " + V.Describe());
  return EnumIndex(V, V.Text, Type);
}

uint64_t ToSetBits(const TFormValue& V, std::type_index Type) {
  if (V.Kind != TFormValue::vkSet) Fail(V, "set expected, found " + V.Describe());
  uint64_t bits = 0;
  for (const std::string& n : V.Items) {
    const int i = EnumIndex(V, n, Type);
    if (i >= 64) Fail(V, "set member out of range");
    bits |= uint64_t{1} << i;
  }
  return bits;
}

}  // namespace formreader_detail

using formreader_detail::Fail;

// ---- parser ----

namespace {

struct TNode {
  std::string Name, ClassName;
  int Line = 0;
  std::vector<std::pair<std::string, TFormValue>> Props;
  std::vector<TNode> Children;
};

constexpr int kMaxDepth = 64;

class TParser {
public:
  explicit TParser(const std::string& Text) : S(Text) {}

  TNode ParseRoot() {
    TNode n = ParseObject(0);
    SkipBlanks();
    if (P < S.size()) Error("text after the final end");
    return n;
  }

private:
  [[noreturn]] void Error(const std::string& M) {
    throw EReadError("Form description, line " + std::to_string(Line) + ": " + M);
  }
  void SkipBlanks() {
    while (P < S.size()) {
      const char c = S[P];
      if (c == '\n') {
        ++Line;
        ++P;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++P;
      } else if (c == '/' && P + 1 < S.size() && S[P + 1] == '/') {
        while (P < S.size() && S[P] != '\n') ++P;
      } else {
        break;
      }
    }
  }
  static bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
  static bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }
  std::string Ident() {
    SkipBlanks();
    if (P >= S.size() || !IsIdentStart(S[P])) Error("identifier expected");
    const size_t b = P;
    while (P < S.size() && IsIdentChar(S[P])) ++P;
    return S.substr(b, P - b);
  }
  // Identifier with dots: Font.Color, or a qualified reference.
  std::string DottedIdent() {
    std::string r = Ident();
    while (P < S.size() && S[P] == '.') {
      ++P;
      r += '.';
      r += Ident();
    }
    return r;
  }
  void Expect(char C) {
    SkipBlanks();
    if (P >= S.size() || S[P] != C) Error(std::string("'") + C + "' expected");
    ++P;
  }
  bool PeekKeyword(const char* K) {
    SkipBlanks();
    const size_t n = std::char_traits<char>::length(K);
    if (P + n > S.size()) return false;
    if (!SameText(S.substr(P, n), K)) return false;
    return P + n == S.size() || !IsIdentChar(S[P + n]);
  }

  TNode ParseObject(int Depth) {
    if (Depth > kMaxDepth) Error("components nested too deeply");
    if (!PeekKeyword("object")) Error("'object' expected");
    P += 6;
    TNode n;
    n.Line = Line;
    n.Name = Ident();
    Expect(':');
    n.ClassName = Ident();
    for (;;) {
      SkipBlanks();
      if (P >= S.size()) Error("'end' expected before the end of the text");
      if (PeekKeyword("end")) {
        P += 3;
        return n;
      }
      if (PeekKeyword("object")) {
        n.Children.push_back(ParseObject(Depth + 1));
        continue;
      }
      std::string path = DottedIdent();
      Expect('=');
      TFormValue v = Value();
      n.Props.emplace_back(std::move(path), std::move(v));
    }
  }

  // 'abc''d'#13#10'e': pieces written together form one string; "+" joins pieces across
  // blanks and lines. Pieces apart without "+" are separate strings (list items).
  std::string StringLiteral() {
    std::string r;
    SkipBlanks();
    for (;;) {
      if (P < S.size() && S[P] == '\'') {
        ++P;
        for (;;) {
          if (P >= S.size() || S[P] == '\n') Error("unterminated string");
          if (S[P] == '\'') {
            if (P + 1 < S.size() && S[P + 1] == '\'') {
              r += '\'';
              P += 2;
              continue;
            }
            ++P;
            break;
          }
          r += S[P++];
        }
      } else if (P < S.size() && S[P] == '#') {
        ++P;
        const size_t b = P;
        while (P < S.size() && S[P] >= '0' && S[P] <= '9') ++P;
        if (b == P || P - b > 3) Error("character code expected after #");
        const int code = std::stoi(S.substr(b, P - b));
        if (code > 255) Error("character code out of range");
        r += static_cast<char>(code);
      } else {
        Error("string expected");
      }
      if (P < S.size() && (S[P] == '\'' || S[P] == '#')) continue;
      const size_t save = P;
      const int saveLine = Line;
      SkipBlanks();
      if (P < S.size() && S[P] == '+') {
        ++P;
        SkipBlanks();
        continue;
      }
      P = save;
      Line = saveLine;
      return r;
    }
  }

  TFormValue Value() {
    SkipBlanks();
    TFormValue v;
    v.Line = Line;
    if (P >= S.size()) Error("value expected");
    const char c = S[P];
    if (c == '\'' || c == '#') {
      v.Kind = TFormValue::vkString;
      v.Text = StringLiteral();
    } else if (c == '[') {
      ++P;
      v.Kind = TFormValue::vkSet;
      SkipBlanks();
      if (P < S.size() && S[P] == ']') {
        ++P;
      } else {
        for (;;) {
          v.Items.push_back(Ident());
          SkipBlanks();
          if (P < S.size() && S[P] == ',') {
            ++P;
            continue;
          }
          Expect(']');
          break;
        }
      }
    } else if (c == '(') {
      ++P;
      v.Kind = TFormValue::vkList;
      for (;;) {
        SkipBlanks();
        if (P >= S.size()) Error("')' expected");
        if (S[P] == ')') {
          ++P;
          break;
        }
        if (S[P] != '\'' && S[P] != '#') Error("string expected in list");
        v.Items.push_back(StringLiteral());
      }
    } else if (c == '$' || c == '-' || c == '+' || (c >= '0' && c <= '9')) {
      Number(v);
    } else if (IsIdentStart(c)) {
      v.Text = DottedIdent();
      v.Kind = SameText(v.Text, "nil") ? TFormValue::vkNil : TFormValue::vkIdent;
    } else {
      Error(std::string("unexpected character '") + c + "'");
    }
    return v;
  }

  void Number(TFormValue& v) {
    const size_t b = P;
    if (S[P] == '-' || S[P] == '+') ++P;
    if (P < S.size() && S[P] == '$') {
      ++P;
      while (P < S.size() && std::isxdigit(static_cast<unsigned char>(S[P]))) ++P;
    } else {
      while (P < S.size() && (std::isdigit(static_cast<unsigned char>(S[P])) || S[P] == '.' || S[P] == 'e' ||
                              S[P] == 'E' || ((S[P] == '-' || S[P] == '+') && (S[P - 1] == 'e' || S[P - 1] == 'E'))))
        ++P;
    }
    const std::string t = S.substr(b, P - b);
    int64_t i = 0;
    double f = 0;
    if (TryStrToInt(t, i)) {
      v.Kind = TFormValue::vkInteger;
      v.Int = i;
    } else if (t.find('$') == std::string::npos && TryStrToFloat(t, f) && std::isfinite(f)) {
      v.Kind = TFormValue::vkFloat;
      v.Float = f;
    } else {
      Error("bad number '" + t + "'");
    }
  }

  const std::string& S;
  size_t P = 0;
  int Line = 1;
};

const TPropInfo* FindProp(const std::string& ClassName, const std::string& Prop) {
  int guard = 0;
  for (TClassInfo* ci = FindClassInfo(ClassName); ci && guard < 64; ci = FindClassInfo(ci->ParentName), ++guard) {
    for (const TPropInfo& p : ci->Props)
      if (SameText(p.Name, Prop)) return &p;
    if (ci->ParentName.empty()) break;
  }
  return nullptr;
}

}  // namespace

struct TFormReaderImpl {
  TFormReader& R;
  std::vector<TComponent*> Created;

  void ApplyProp(TObject* Target, const std::string& ClassName, const std::string& Path, const TFormValue& V) {
    const size_t dot = Path.find('.');
    const std::string head = dot == std::string::npos ? Path : Path.substr(0, dot);
    const TPropInfo* p = FindProp(ClassName, head);
    if (!p) Fail(V, "class " + ClassName + " has no property " + head);
    if (dot != std::string::npos) {
      if (!p->GetObject) Fail(V, head + " of " + ClassName + " is not an object");
      TObject* sub = p->GetObject(Target);
      if (!sub) Fail(V, head + " of " + ClassName + " is nil");
      ApplyProp(sub, sub->ClassName(), Path.substr(dot + 1), V);
      return;
    }
    if (p->Apply) {
      p->Apply(Target, V, R);
      return;
    }
    TObject* sub = p->GetObject(Target);
    if (!sub) Fail(V, head + " of " + ClassName + " is nil");
    if (V.Kind == TFormValue::vkList) {
      auto* list = dynamic_cast<TStringList*>(sub);
      if (!list) Fail(V, head + " is not a string list");
      list->BeginUpdate();
      list->Clear();
      for (const std::string& s : V.Items) list->Add(s);
      list->EndUpdate();
      return;
    }
    if (V.Kind == TFormValue::vkString) {
      auto& loaders = Registry().Loaders;
      // The object's own class or one of the registered bases.
      std::string cls = sub->ClassName();
      for (int guard = 0; guard < 64 && !cls.empty(); ++guard) {
        auto it = loaders.find(UpperCase(cls));
        if (it != loaders.end()) {
          it->second(sub, V.Text);
          return;
        }
        TClassInfo* ci = FindClassInfo(cls);
        cls = ci ? ci->ParentName : std::string();
      }
    }
    Fail(V, "cannot assign " + V.Describe() + " to " + head);
  }

  void ReadNode(TComponent* Instance, const TNode& N, int Depth) {
    for (const auto& [path, value] : N.Props) ApplyProp(Instance, N.ClassName, path, value);
    for (const TNode& child : N.Children) {
      TClassInfo* ci = FindClassInfo(child.ClassName);
      if (!ci || !ci->Create)
        throw EReadError("Form description, line " + std::to_string(child.Line) + ": class " + child.ClassName +
                         " not found");
      if (R.FRoot->FindComponent(child.Name))
        throw EReadError("Form description, line " + std::to_string(child.Line) + ": duplicate component " +
                         child.Name);
      TComponent* c = ci->Create(R.FRoot);
      c->AfterConstruction();
      c->BeginLoading();
      Created.push_back(c);
      c->SetName(child.Name);
      c->SetParentComponent(Instance);
      ReadNode(c, child, Depth + 1);
    }
  }
};

void TFormReader::AddFixup(const TFormValue& Value, std::function<bool(TComponent*)> Assign) {
  if (Value.Kind != TFormValue::vkIdent && Value.Kind != TFormValue::vkNil)
    Fail(Value, "component reference expected, found " + Value.Describe());
  FFixups.push_back({Value, std::move(Assign)});
}

std::any TFormReader::FindMethodAny(const TFormValue& Value) {
  if (Value.Kind == TFormValue::vkNil) return {};
  if (Value.Kind != TFormValue::vkIdent) Fail(Value, "handler name expected, found " + Value.Describe());
  int guard = 0;
  for (TClassInfo* ci = FindClassInfo(FRoot->ClassName()); ci && guard < 64; ci = FindClassInfo(ci->ParentName), ++guard) {
    auto it = ci->Methods.find(Value.Text);
    if (it != ci->Methods.end()) return it->second(FRoot);
    if (ci->ParentName.empty()) break;
  }
  Fail(Value, "handler " + Value.Text + " not found in " + FRoot->ClassName());
  return {};
}

void TFormReader::ReadRootComponent(TComponent* Root, const std::string& Text) {
  TParser parser(Text);
  const TNode root = parser.ParseRoot();
  if (!SameText(root.ClassName, Root->ClassName()))
    throw EReadError("Form description is for class " + root.ClassName + ", not " + Root->ClassName());
  TFormReader reader(Root);
  TFormReaderImpl impl{reader, {}};
  Root->BeginLoading();
  impl.Created.push_back(Root);
  try {
    Root->SetName(root.Name);
    impl.ReadNode(Root, root, 0);
    for (const TFixup& f : reader.FFixups) {
      TComponent* c = nullptr;
      if (f.Value.Kind == TFormValue::vkIdent) {
        c = SameText(f.Value.Text, Root->GetName()) ? Root : Root->FindComponent(f.Value.Text);
        if (!c) Fail(f.Value, "component " + f.Value.Text + " not found");
      }
      if (!f.Assign(c)) Fail(f.Value, f.Value.Text + " is of the wrong class");
    }
    int guard = 0;
    for (TClassInfo* ci = FindClassInfo(Root->ClassName()); ci && guard < 64; ci = FindClassInfo(ci->ParentName), ++guard) {
      for (const auto& [name, bind] : ci->Fields) {
        TComponent* c = Root->FindComponent(name);
        if (c && !bind(Root, c)) throw EReadError("Form description: component " + name + " is of the wrong class");
      }
      if (ci->ParentName.empty()) break;
    }
  } catch (...) {
    for (TComponent* c : impl.Created) c->EndLoading();
    throw;
  }
  // Root first, then in reading order; each leaves the loading state in its own Loaded.
  for (TComponent* c : impl.Created) {
    c->Loaded();
    c->EndLoading();
  }
}

bool ReadComponentRes(const std::string& ResourceName, TComponent* Root) {
  std::string text;
  if (!FindFormText(ResourceName, text)) return false;
  TFormReader::ReadRootComponent(Root, text);
  return true;
}
