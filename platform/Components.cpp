#include "platform/Components.h"

#include <cstring>

// ---- TStringList ----

void TStringList::Check(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TStringList::Changing() {
  if (FUpdateCount == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (FUpdateCount > 0) {
    FChangedInUpdate = true;
    return;
  }
  if (OnChange) OnChange(this);
}

void TStringList::BeginUpdate() {
  if (FUpdateCount++ == 0) {
    FChangedInUpdate = false;
    if (OnChanging) OnChanging(this);
  }
}

void TStringList::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FChangedInUpdate) {
    FChangedInUpdate = false;
    if (OnChange) OnChange(this);
  }
}

void TStringList::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TStringList*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  FItems = src->FItems;
  FChangedInUpdate = true;
  EndUpdate();
}

std::string TStringList::Get(int Index) const {
  Check(Index);
  return FItems[static_cast<size_t>(Index)].S;
}

void TStringList::Put(int Index, const std::string& S) {
  Check(Index);
  Changing();
  FItems[static_cast<size_t>(Index)].S = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  Check(Index);
  return FItems[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  Check(Index);
  Changing();
  FItems[static_cast<size_t>(Index)].Obj = AObject;
  Changed();
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  Changing();
  FItems.push_back({S, AObject});
  Changed();
  return Count() - 1;
}

void TStringList::AddStrings(const TStringList& Strings) {
  BeginUpdate();
  const std::vector<TItem> copy = Strings.FItems;  // Strings may be this list
  for (const TItem& it : copy) AddObject(it.S, it.Obj);
  EndUpdate();
}

void TStringList::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  Changing();
  FItems.insert(FItems.begin() + Index, TItem{S, nullptr});
  Changed();
}

void TStringList::Delete(int Index) {
  Check(Index);
  Changing();
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TStringList::Exchange(int A, int B) {
  Check(A);
  Check(B);
  Changing();
  std::swap(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
  Changed();
}

void TStringList::Move(int From, int To) {
  Check(From);
  Check(To);
  Changing();
  TItem it = FItems[static_cast<size_t>(From)];
  FItems.erase(FItems.begin() + From);
  FItems.insert(FItems.begin() + To, it);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  Changing();
  FItems.clear();
  Changed();
}

int TStringList::IndexOf(const std::string& S) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (CaseSensitive ? FItems[i].S == S : SameText(FItems[i].S, S)) return static_cast<int>(i);
  return -1;
}

int TStringList::IndexOfObject(const TObject* AObject) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Obj == AObject) return static_cast<int>(i);
  return -1;
}

std::string TStringList::GetText() const {
  std::string r;
  for (const TItem& it : FItems) {
    r += it.S;
    r += LineBreak;
  }
  return r;
}

void TStringList::SetText(const std::string& Text) {
  BeginUpdate();
  FItems.clear();
  size_t start = 0;
  const size_t n = Text.size();
  while (start < n) {
    size_t e = start;
    while (e < n && Text[e] != '\r' && Text[e] != '\n') ++e;
    FItems.push_back({Text.substr(start, e - start), nullptr});
    if (e < n && Text[e] == '\r') ++e;
    if (e < n && Text[e] == '\n' && (e == start + (FItems.back().S.size()) || Text[e - 1] == '\r')) ++e;
    start = e;
  }
  FChangedInUpdate = true;
  EndUpdate();
}

std::string TStringList::GetCommaText() const {
  std::string r;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i) r += ',';
    const std::string& s = FItems[i].S;
    if (s.find_first_of(" ,\"") != std::string::npos || s.empty()) {
      r += '"';
      for (char c : s) {
        if (c == '"') r += '"';
        r += c;
      }
      r += '"';
    } else {
      r += s;
    }
  }
  return r;
}

void TStringList::LoadFromStream(TStream* Stream) {
  const int64_t size = Stream->GetSize() - Stream->GetPosition();
  std::string text;
  if (size > 0) {
    if (size > INT32_MAX) throw EReadError("Stream too large for a string list");
    text.resize(static_cast<size_t>(size));
    Stream->ReadBuffer(text.data(), static_cast<int32_t>(size));
  }
  SetText(text);
}

void TStringList::SaveToStream(TStream* Stream) const {
  const std::string text = GetText();
  if (text.size() > INT32_MAX) throw EWriteError("String list too large for a stream");
  Stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStringList::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&f);
}

void TStringList::SaveToFile(const std::string& FileName) const {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

bool TStringList::operator==(const TStringList& O) const {
  if (Count() != O.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].S != O.FItems[static_cast<size_t>(i)].S) return false;
  return true;
}

// ---- TComponent ----

bool IsValidIdent(const std::string& Name) {
  if (Name.empty()) return false;
  for (size_t i = 0; i < Name.size(); ++i) {
    const char c = Name[i];
    const bool alpha = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(alpha || (digit && i > 0))) return false;
  }
  return true;
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* c = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& theirs = c->FFreeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    c->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Free() {
  Destroying();
  RunBeforeDestruction();
  delete this;
}

void TComponent::RunBeforeDestruction() {
  if (FBeforeDestructionDone) return;
  FBeforeDestructionDone = true;
  BeforeDestruction();
  // Last in, first out, as they will be freed. By index: a step may free owned components.
  for (size_t i = FComponents.size(); i-- > 0;) {
    if (i >= FComponents.size()) continue;
    FComponents[i]->RunBeforeDestruction();
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::SetComponentStateFlag(TComponentStateFlag Flag, bool On) {
  if (On)
    FComponentState.Include(Flag);
  else
    FComponentState.Exclude(Flag);
}

void TComponent::SetDesigning(bool Value) {
  SetComponentStateFlag(csDesigning, Value);
  for (TComponent* c : FComponents) c->SetDesigning(Value);
}

void TComponent::BeginLoading() {
  FComponentState.Include(csLoading);
  FComponentState.Include(csReading);
}

void TComponent::EndLoading() {
  FComponentState.Exclude(csReading);
  FComponentState.Exclude(csLoading);
}

void TComponent::SetName(const std::string& NewName) {
  if (NewName == FName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("\"" + NewName + "\" is not a valid component name");
  if (!NewName.empty() && FOwner) {
    TComponent* other = FOwner->FindComponent(NewName);
    if (other && other != this) throw EComponentError("A component named " + NewName + " already exists");
  }
  FName = NewName;
}

TComponent* TComponent::GetComponent(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FComponents[static_cast<size_t>(Index)];
}

int TComponent::GetComponentIndex() const {
  if (!FOwner) return -1;
  auto& l = FOwner->FComponents;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  if (!AComponent->FName.empty() && FindComponent(AComponent->FName))
    throw EComponentError("A component named " + AComponent->FName + " already exists");
  FComponents.push_back(AComponent);
  AComponent->FOwner = this;
  if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  FComponents.erase(std::remove(FComponents.begin(), FComponents.end(), AComponent), FComponents.end());
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  // Last in, first out. Each removal is announced, so siblings that still refer to the
  // component being freed let go of it before it is gone.
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    RemoveComponent(c);
    c->Free();
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
    FFreeNotifies.push_back(AComponent);
  auto& theirs = AComponent->FFreeNotifies;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
  FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent), FFreeNotifies.end());
  auto& theirs = AComponent->FFreeNotifies;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // By index from the end: a handler may free or add components while this runs.
  for (size_t i = FComponents.size(); i-- > 0;) {
    if (i >= FComponents.size()) continue;
    FComponents[i]->Notification(AComponent, Operation);
  }
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }
