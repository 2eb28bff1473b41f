// The component model of the toolkit (owner, owned components, names, state, notifications)
// and its two general containers, TList and TStringList. They belong with Classes.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/Classes.h"
#include "core/SysUtils.h"

class EComponentError : public Exception {
public:
  using Exception::Exception;
};
class EListError : public Exception {
public:
  using Exception::Exception;
};

// An ordered list of references; it never owns what it points to.
template <class T>
class TList : public TObject {
public:
  std::string ClassName() const override { return "TList"; }
  int Count() const { return static_cast<int>(FItems.size()); }
  T* Get(int Index) const {
    Check(Index);
    return FItems[static_cast<size_t>(Index)];
  }
  T* operator[](int Index) const { return Get(Index); }
  void Put(int Index, T* Item) {
    Check(Index);
    FItems[static_cast<size_t>(Index)] = Item;
  }
  int Add(T* Item) {
    FItems.push_back(Item);
    return Count() - 1;
  }
  void Insert(int Index, T* Item) {
    if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    FItems.insert(FItems.begin() + Index, Item);
  }
  void Delete(int Index) {
    Check(Index);
    FItems.erase(FItems.begin() + Index);
  }
  int IndexOf(const T* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
  }
  // Removes the first occurrence; answers its former index or -1.
  int Remove(const T* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) Delete(i);
    return i;
  }
  T* Extract(T* Item) { return Remove(Item) >= 0 ? Item : nullptr; }
  void Exchange(int A, int B) {
    Check(A);
    Check(B);
    std::swap(FItems[static_cast<size_t>(A)], FItems[static_cast<size_t>(B)]);
  }
  void Move(int From, int To) {
    T* item = Get(From);
    Delete(From);
    Insert(To, item);
  }
  T* First() const { return Get(0); }
  T* Last() const { return Get(Count() - 1); }
  void Clear() { FItems.clear(); }
  // Stable, so equal items keep their order.
  void Sort(const std::function<int(T*, T*)>& Compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](T* a, T* b) { return Compare(a, b) < 0; });
  }
  typename std::vector<T*>::const_iterator begin() const { return FItems.begin(); }
  typename std::vector<T*>::const_iterator end() const { return FItems.end(); }

private:
  void Check(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  std::vector<T*> FItems;
};

// Lines of text, each with an optional object reference (not owned). IndexOf ignores letter
// case unless CaseSensitive is set. Text joins the lines with LineBreak ("\r\n", the line
// break of the stored formats) and splits at CR, LF or CR LF.
class TStringList : public TPersistent {
public:
  std::string ClassName() const override { return "TStringList"; }
  void Assign(TPersistent* Source) override;

  int Count() const { return static_cast<int>(FItems.size()); }
  std::string Get(int Index) const;
  std::string operator[](int Index) const { return Get(Index); }
  void Put(int Index, const std::string& S);
  TObject* GetObject(int Index) const;
  void PutObject(int Index, TObject* AObject);

  int Add(const std::string& S) { return AddObject(S, nullptr); }
  int AddObject(const std::string& S, TObject* AObject);
  void AddStrings(const TStringList& Strings);
  void Insert(int Index, const std::string& S);
  void Delete(int Index);
  void Exchange(int A, int B);
  void Move(int From, int To);
  void Clear();
  int IndexOf(const std::string& S) const;
  int IndexOfObject(const TObject* AObject) const;

  std::string GetText() const;
  void SetText(const std::string& Text);
  std::string GetCommaText() const;

  bool CaseSensitive = false;
  std::string LineBreak = "\r\n";
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  // Changes between BeginUpdate and the matching EndUpdate notify once, at the end.
  void BeginUpdate();
  void EndUpdate();

  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

  bool operator==(const TStringList& O) const;

protected:
  virtual void Changing();
  virtual void Changed();

private:
  struct TItem {
    std::string S;
    TObject* Obj = nullptr;
  };
  void Check(int Index) const;
  std::vector<TItem> FItems;
  int FUpdateCount = 0;
  bool FChangedInUpdate = false;
};
using TStrings = TStringList;

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = TSet<TComponentStateFlag>;

// Owner of other components and owned by one. The owner frees what it owns, in reverse order
// of insertion, when it is freed. Removal is announced to the owner and everything it owns
// (Notification with opRemove), and to every component that asked for it with
// FreeNotification, whoever owns it.
//
// Free a component with Free() or FreeAndNil, or let its owner free it: both put it into the
// csDestroying state before any destructor body runs, as derived destructors may test it.
class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  std::string ClassName() const override { return "TComponent"; }

  void Free();
  template <class T>
  static void FreeAndNil(T*& Component) {
    T* c = Component;
    Component = nullptr;
    if (c) c->Free();
  }
  // Marks the component and everything it owns as being destroyed; idempotent.
  void Destroying();
  // Runs once, in Free, while every object concerned is still whole: Free runs it for the
  // component and then for everything it owns (all levels) before any destructor starts. The
  // place to leave other components (unregister, unlink); Notification only clears pointers.
  virtual void BeforeDestruction() {}
  // Runs once after the constructor of the most derived class, when virtual calls reach it
  // (ClassName gives the final class). The form reader calls it for every component it
  // creates; other code creates components with QzCreate<T>.
  virtual void AfterConstruction() {}

  TComponent* GetOwner() const { return FOwner; }
  const std::string& GetName() const { return FName; }
  // Throws EComponentError for a name that is not an identifier or is taken in the owner.
  virtual void SetName(const std::string& NewName);
  TComponentState GetComponentState() const { return FComponentState; }
  bool IsDesigning() const { return FComponentState.Contains(csDesigning); }
  bool IsDestroying() const { return FComponentState.Contains(csDestroying); }
  bool IsLoading() const { return FComponentState.Contains(csLoading); }
  // Design-time mode for this component and what it owns (the form designer's switch).
  void SetDesigning(bool Value);

  intptr_t Tag = 0;

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* GetComponent(int Index) const;
  int GetComponentIndex() const;
  // Case-insensitive, among the directly owned components.
  TComponent* FindComponent(const std::string& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();

  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // opInsert / opRemove for AComponent; the default forwards to every owned component.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Called once for every component of a form description after all of them have been read
  // and all references resolved.
  virtual void Loaded();
  // The component a description nests this one in; controls take it as their parent.
  virtual void SetParentComponent(TComponent* Value) { (void)Value; }

  // Used by the form reader.
  void BeginLoading();
  void EndLoading();

protected:
  void SetComponentStateFlag(TComponentStateFlag Flag, bool On);

private:
  TComponent* FOwner = nullptr;
  std::string FName;
  TComponentState FComponentState;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  bool FBeforeDestructionDone = false;
  void RunBeforeDestruction();
};

// Creates a component and runs its AfterConstruction: the one way to create components outside
// the form reader.
template <class T, class... A>
T* QzCreate(TComponent* AOwner, A&&... Args) {
  T* c = new T(AOwner, std::forward<A>(Args)...);
  try {
    c->AfterConstruction();
  } catch (...) {
    c->Free();
    throw;
  }
  return c;
}

// True when Name is a valid identifier of the form description (letters, digits, '_', not
// starting with a digit).
bool IsValidIdent(const std::string& Name);
