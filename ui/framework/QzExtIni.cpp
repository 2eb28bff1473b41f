#include "ui/framework/QzExtIni.h"

#include <cstring>
#include <string_view>

#include "core/QzUtils.h"
#include "graphics/QzStreamIO.h"
#include "core/SysUtils.h"

namespace {

// Only the space character counts as a blank in this format.
std::string_view TrimRight(std::string_view S) {
  while (!S.empty() && S.back() == ' ') S.remove_suffix(1);
  return S;
}
std::string_view TrimLeft(std::string_view S) {
  while (!S.empty() && S.front() == ' ') S.remove_prefix(1);
  return S;
}
std::string_view CutComment(std::string_view S) {
  const size_t at = S.find("/*");
  return at == std::string_view::npos ? S : S.substr(0, at);
}

// Decimal only: "0x10", "$10", blanks or anything beyond 32 bits are not numbers here.
bool ParseInt32(std::string_view S, int32_t& Value) {
  bool negative = false;
  if (!S.empty() && (S.front() == '+' || S.front() == '-')) {
    negative = S.front() == '-';
    S.remove_prefix(1);
  }
  if (S.empty()) return false;
  int64_t magnitude = 0;
  for (const char c : S) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 2147483648LL) return false;
  }
  if (!negative && magnitude > 2147483647LL) return false;
  Value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

template <class TChild>
TChild* TQzCustomExtIniControler::TLevel<TChild>::AddNew(const std::string& Name) {
  if (!Index.try_emplace(LowerCase(Name), Items.size()).second) return nullptr;
  Items.emplace_back(Name, TChild{});
  return &Items.back().second;
}

template <class TChild>
const TChild* TQzCustomExtIniControler::TLevel<TChild>::Find(const std::string& Name) const {
  const auto it = Index.find(LowerCase(Name));
  return it == Index.end() ? nullptr : &Items[it->second].second;
}

TQzCustomExtIniControler::TQzCustomExtIniControler() : FLines(std::make_unique<TStringList>()) {
  FLines->OnChange = [this](TObject* Sender) { LinesChanged(Sender); };
}

TQzCustomExtIniControler::~TQzCustomExtIniControler() { FLines->OnChange = nullptr; }

void TQzCustomExtIniControler::ReplaceLines(const std::function<void()>& Edit) {
  struct TGuard {
    bool& Flag;
    ~TGuard() { Flag = false; }
  } guard{FOwnEdit};
  FOwnEdit = true;
  Edit();
}

void TQzCustomExtIniControler::LinesChanged(TObject*) {
  if (FOwnEdit) return;
  if (IsUpdating())
    FPendingParse = true;
  else
    ParseExtIni();
}

void TQzCustomExtIniControler::ClearTree(bool WithLines) {
  FRoot = {};
  if (WithLines) ReplaceLines([this] { FLines->Clear(); });
  FParsed = false;
  Error = 0;
}

void TQzCustomExtIniControler::ParseExtIni() {
  ClearTree(false);
  FPendingParse = false;
  TGroup* group = nullptr;
  TSection* section = nullptr;
  const int count = FLines->Count();
  for (int i = 0; i < count; ++i) {
    const std::string line = FLines->Get(i);
    const std::string_view text = TrimLeft(line);
    if (text.empty()) continue;
    if (text.front() == '#') {
      // A duplicate group yields nil, which silences everything up to the next group line.
      group = FRoot.AddNew(std::string(TrimRight(CutComment(text.substr(1)))));
      section = nullptr;
      continue;
    }
    if (!group) continue;
    if (text.front() == '[') {
      const std::string_view body = CutComment(text.substr(1));
      const size_t close = body.find(']');
      // Without "]" the line opens nothing, but it still ends the section before it.
      section = close == std::string_view::npos ? nullptr : group->AddNew(std::string(body.substr(0, close)));
      continue;
    }
    if (!section) continue;
    const std::string_view body = CutComment(text);
    const size_t eq = body.find('=');
    if (eq == std::string_view::npos || eq == 0) continue;
    if (TValues* values = section->AddNew(std::string(TrimRight(body.substr(0, eq)))))
      values->emplace_back(TrimRight(TrimLeft(body.substr(eq + 1))));
  }
  FParsed = true;
}

void TQzCustomExtIniControler::Clear() {
  TQzFileClass::Clear();
  ClearTree(true);
  FPendingParse = false;
}

void TQzCustomExtIniControler::BeginUpdate() { TQzFileClass::BeginUpdate(); }

void TQzCustomExtIniControler::EndUpdate() {
  TQzFileClass::EndUpdate();
  if (!IsUpdating() && FPendingParse) ParseExtIni();
}

void TQzCustomExtIniControler::AssignLines(const TStringList* Source) {
  // The store's own lines are copied before they are cleared.
  TStringList copy;
  if (Source == FLines.get()) {
    copy.AddStrings(*Source);
    Source = &copy;
  }
  BeginUpdate();
  ClearTree(true);
  if (Source) {
    ReplaceLines([&] { FLines->AddStrings(*Source); });
    ParseExtIni();
  }
  FPendingParse = false;
  EndUpdate();
}

void TQzCustomExtIniControler::SetText(const std::string& Text) {
  BeginUpdate();
  ClearTree(true);
  ReplaceLines([&] { FLines->SetText(Text); });
  ParseExtIni();
  EndUpdate();
}

void TQzCustomExtIniControler::Assign(const TQzCustomExtIniControler* Source) {
  if (Source && Source != this) AssignLines(Source->FLines.get());
}

bool TQzCustomExtIniControler::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 550));
    return false;
  }
  SetError(0);
  const std::string text = FLines->GetText();
  uint8_t head[WrapperBytes];
  std::memcpy(head, Signature, SignatureBytes);
  head[SignatureBytes] = 1;
  head[SignatureBytes + 1] = 5;
  QzPutU32(head + SignatureBytes + 2, static_cast<uint32_t>(text.size()));
  if (text.size() > static_cast<size_t>(INT32_MAX) || !QzWriteExact(Stream, head, WrapperBytes) ||
      !QzWriteExact(Stream, text.data(), static_cast<int64_t>(text.size())))
    SetError(MakeErrorCode(qecWriteFailed, 551));
  return Error == 0;
}

bool TQzCustomExtIniControler::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  ClearTree(true);
  FPendingParse = false;
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 590));
  } else {
    const int64_t start = Stream->GetPosition();
    uint8_t head[WrapperBytes];
    int64_t length = -1;
    if (Stream->Read(head, SignatureBytes) == SignatureBytes &&
        std::memcmp(head, Signature, SignatureBytes) == 0) {
      if (QzReadExact(Stream, head + SignatureBytes, WrapperBytes - SignatureBytes))
        length = static_cast<int32_t>(QzGetU32(head + SignatureBytes + 2));
    } else {
      Stream->SetPosition(start);
      length = QzStreamRemaining(Stream);
    }
    // The length is checked against the stream before any memory is taken for it.
    std::string text;
    if (length < 0 || length > QzStreamRemaining(Stream) || length > INT32_MAX) {
      SetError(MakeErrorCode(qecReadFailed, 591));
    } else if (length > 0) {
      text.resize(static_cast<size_t>(length));
      if (!QzReadExact(Stream, text.data(), length)) SetError(MakeErrorCode(qecReadFailed, 591));
    }
    if (Error == 0) {
      ReplaceLines([&] { FLines->SetText(text); });
      ParseExtIni();
    }
  }
  EndUpdate();
  return Error == 0;
}

bool TQzCustomExtIniControler::FindExtIniValue(const std::string& Group, const std::string& Section,
                                               const std::string& Key, int Index, std::string& Value) const {
  Value.clear();
  const TGroup* group = FRoot.Find(Group);
  const TSection* section = group ? group->Find(Section) : nullptr;
  const TValues* values = section ? section->Find(Key) : nullptr;
  if (!values || Index < 0 || static_cast<size_t>(Index) >= values->size()) return false;
  Value = (*values)[static_cast<size_t>(Index)];
  return true;
}

bool TQzCustomExtIniControler::ReadExtIniText(const std::string& Group, const std::string& Section,
                                              const std::string& Key, const std::string& Default,
                                              std::string& Value) const {
  std::string found;
  if (!FindExtIniValue(Group, Section, Key, 0, found) || found.empty()) {
    Value = Default;
    return false;
  }
  Value = ReplaceSubstring(found, "#13", "\r");
  return true;
}

bool TQzCustomExtIniControler::ReadExtIniInteger(const std::string& Group, const std::string& Section,
                                                 const std::string& Key, int32_t Default, int32_t& Value) const {
  std::string found;
  Value = Default;
  return FindExtIniValue(Group, Section, Key, 0, found) && ParseInt32(found, Value);
}
