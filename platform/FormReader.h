// The reader of the program's form descriptions and the typed registry of published
// properties, classes and handlers that it works from.
//
// A form description is text:
//
//   object EditorForm: TMyForm            // root: name and class
//     ClientWidth = 1024                  // integer ($FF hexadecimal allowed)
//     Color = $232323                     // or a colour name: clWhite, clBtnFace, ...
//     Caption = 'Equaliser'#13'Two'       // strings in quotes, '' for a quote, #nn characters
//     BorderStyle = bsToolWindow          // enumerations by name
//     BorderIcons = [biSystemMenu]        // sets by names
//     Font.Color = clWhite                // nested objects by dotted path
//     Items = ('LOW' 'MID' 'HIGH')        // string lists
//     Picture = 'KNOBSTRIP'               // objects that load from a named resource
//     KeyPreview = True
//     OnCreate = FormCreate               // events: published handlers of the root by name
//     object TopBar: TPanel               // nested components: owned by the root; a control's
//       Align = alTop                     // parent is the component it is nested in
//       PopupMenu = ToolbarPopup          // references: resolved after all components exist
//     end
//   end
//
// Properties are applied in stored order. Comments run from "//" to the end of the line.
// Every error (syntax, unknown class or property, wrong value type, unresolved reference or
// handler) raises EReadError naming the line; the reader never reads outside the text.
#pragma once

#include <any>
#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "core/Classes.h"
#include "platform/Components.h"
#include "core/Types.h"

// One parsed value of the description.
struct TFormValue {
  enum TKind { vkInteger, vkFloat, vkString, vkIdent, vkSet, vkList, vkNil };
  TKind Kind = vkNil;
  int64_t Int = 0;
  double Float = 0;
  std::string Text;                // string or identifier
  std::vector<std::string> Items;  // set members or list strings
  int Line = 0;
  std::string Describe() const;
};

class TFormReader;

// A property as the registry knows it: how to apply a stored value to an object.
struct TPropInfo {
  std::string Name;
  // Applies the value to Instance (of the registering class or a descendant).
  std::function<void(TObject* Instance, const TFormValue& Value, TFormReader& Reader)> Apply;
  // Set for nested objects (Font, BorderSpacing, Constraints, Items, Picture ...).
  std::function<TObject*(TObject* Instance)> GetObject;
};

struct TClassInfo {
  std::string Name;
  std::string ParentName;
  std::function<TComponent*(TComponent* Owner)> Create;  // empty for classes not created by name
  std::vector<TPropInfo> Props;
  // Published handlers: given the root instance, the handler bound to it.
  std::map<std::string, std::function<std::any(TObject* Root)>, std::less<>> Methods;
  // Published component fields of a root class: assign the component of that name.
  std::map<std::string, std::function<bool(TObject* Root, TComponent* Component)>, std::less<>> Fields;
};

// Names of the values of an enumeration type, in order of value.
void RegisterEnumNames(std::type_index Type, std::vector<std::string> Names);
template <class E>
void RegisterEnumNames(std::vector<std::string> Names) {
  RegisterEnumNames(std::type_index(typeid(E)), std::move(Names));
}
const std::vector<std::string>* FindEnumNames(std::type_index Type);
// Colour names known to the reader (clBlack ... and the system colours).
bool IdentToColor(const std::string& Ident, TColor& Color);

// Objects of a class that can be loaded from a named resource ("Picture = 'NAME'").
void RegisterResourceLoader(const std::string& ClassName, std::function<void(TObject*, const std::string&)> Load);

TClassInfo* FindClassInfo(const std::string& Name);
TClassInfo& RegisterClassInfo(const std::string& Name, const std::string& ParentName);

namespace formreader_detail {
template <class T>
struct IsTSet : std::false_type {};
template <class E>
struct IsTSet<TSet<E>> : std::true_type {
  using Enum = E;
};
template <class T>
struct IsFunction : std::false_type {};
template <class R, class... A>
struct IsFunction<std::function<R(A...)>> : std::true_type {};

void Fail(const TFormValue& V, const std::string& Message);
int64_t ToInteger(const TFormValue& V, int64_t Min, int64_t Max);
double ToFloat(const TFormValue& V);
bool ToBool(const TFormValue& V);
std::string ToString(const TFormValue& V);
TColor ToColor(const TFormValue& V);
int ToEnum(const TFormValue& V, std::type_index Type);
uint64_t ToSetBits(const TFormValue& V, std::type_index Type);
}  // namespace formreader_detail

// Deferred work of one read: references and handlers.
class TFormReader {
public:
  // Reads the description Text into Root (whose class must match the description's root
  // class), creating the nested components with Root as owner.
  static void ReadRootComponent(TComponent* Root, const std::string& Text);

  TComponent* Root() const { return FRoot; }
  // Called by reference properties: Assign runs once every component exists, with the
  // component named by the value (nullptr for nil), or fails when it is missing or of the
  // wrong class.
  void AddFixup(const TFormValue& Value, std::function<bool(TComponent*)> Assign);
  // The root's published handler of this name, as an event of type F.
  template <class F>
  F FindMethod(const TFormValue& Value) {
    std::any a = FindMethodAny(Value);
    if (const F* f = std::any_cast<F>(&a)) return *f;
    formreader_detail::Fail(Value, "handler " + Value.Text + " does not match the event");
    return {};
  }

private:
  explicit TFormReader(TComponent* Root) : FRoot(Root) {}
  std::any FindMethodAny(const TFormValue& Value);
  struct TFixup {
    TFormValue Value;
    std::function<bool(TComponent*)> Assign;
  };
  TComponent* FRoot;
  std::vector<TFixup> FFixups;
  friend struct TFormReaderImpl;
};

// Fluent, typed registration of one class:
//
//   TClassRegistrar<TMyKnob>("TMyKnob", "TMyCustomKnob", /*creatable*/ true)
//       .Prop("Max", &TMyKnob::SetMax)             // setter: kind from its parameter type
//       .Prop("OnChanged", &TMyKnob::OnChanged)    // data member: event, number, enum ...
//       .Object("Font", &TMyKnob::GetFont);        // nested object
//
// Parameter and member types decide the stored syntax: bool (True/False), integers
// (range-checked), TColor through PropColor, floating point, std::string, registered
// enumerations, TSet of them, pointers to components (references), std::function events.
template <class T>
class TClassRegistrar {
public:
  TClassRegistrar(const std::string& Name, const std::string& ParentName, bool Creatable)
      : FInfo(RegisterClassInfo(Name, ParentName)) {
    if constexpr (std::is_constructible_v<T, TComponent*>) {
      if (Creatable) FInfo.Create = [](TComponent* Owner) -> TComponent* { return new T(Owner); };
    }
  }

  template <class U, class A>
  TClassRegistrar& Prop(const std::string& Name, void (U::*Setter)(A)) {
    using V = std::remove_cvref_t<A>;
    return Add(Name, [Setter](TObject* o, const TFormValue& v, TFormReader& r) {
      Convert<V>(v, r, [o, Setter](V x) { (Cast(o)->*Setter)(x); });
    });
  }
  template <class U, class M>
  TClassRegistrar& Prop(const std::string& Name, M U::*Field) requires(!std::is_function_v<M>) {
    return Add(Name, [Field](TObject* o, const TFormValue& v, TFormReader& r) {
      Convert<M>(v, r, [o, Field](M x) { Cast(o)->*Field = std::move(x); });
    });
  }
  // A colour: a number or a colour name.
  template <class U>
  TClassRegistrar& PropColor(const std::string& Name, void (U::*Setter)(TColor)) {
    return Add(Name, [Setter](TObject* o, const TFormValue& v, TFormReader&) {
      (Cast(o)->*Setter)(formreader_detail::ToColor(v));
    });
  }
  TClassRegistrar& Custom(const std::string& Name, std::function<void(T*, const TFormValue&, TFormReader&)> Fn) {
    return Add(Name, [Fn](TObject* o, const TFormValue& v, TFormReader& r) { Fn(Cast(o), v, r); });
  }
  template <class U, class O>
  TClassRegistrar& Object(const std::string& Name, O* (U::*Getter)() const) {
    TPropInfo p;
    p.Name = Name;
    p.GetObject = [Getter](TObject* o) -> TObject* { return (Cast(o)->*Getter)(); };
    FInfo.Props.push_back(std::move(p));
    return *this;
  }
  template <class U, class R, class... A>
  TClassRegistrar& Method(const std::string& Name, R (U::*Handler)(A...)) {
    FInfo.Methods[Name] = [Handler](TObject* Root) -> std::any {
      U* self = Cast(Root);
      return std::function<R(A...)>([self, Handler](A... a) -> R { return (self->*Handler)(std::forward<A>(a)...); });
    };
    return *this;
  }
  template <class U, class C>
  TClassRegistrar& Field(const std::string& Name, C* U::*Member) {
    FInfo.Fields[Name] = [Member](TObject* Root, TComponent* c) {
      C* typed = dynamic_cast<C*>(c);
      if (c && !typed) return false;
      Cast(Root)->*Member = typed;
      return true;
    };
    return *this;
  }

private:
  static T* Cast(TObject* o) {
    T* t = dynamic_cast<T*>(o);
    if (!t) throw EReadError("object of class " + (o ? o->ClassName() : std::string("nil")) + " is not a " + typeid(T).name());
    return t;
  }
  TClassRegistrar& Add(const std::string& Name, decltype(TPropInfo::Apply) Apply) {
    TPropInfo p;
    p.Name = Name;
    p.Apply = std::move(Apply);
    FInfo.Props.push_back(std::move(p));
    return *this;
  }
  template <class V, class Store>
  static void Convert(const TFormValue& v, TFormReader& r, Store store) {
    using namespace formreader_detail;
    if constexpr (std::is_same_v<V, bool>) {
      store(ToBool(v));
    } else if constexpr (std::is_integral_v<V>) {
      store(static_cast<V>(ToInteger(v, static_cast<int64_t>(std::numeric_limits<V>::min()),
                                     static_cast<int64_t>(std::min<uint64_t>(std::numeric_limits<V>::max(), INT64_MAX)))));
    } else if constexpr (std::is_floating_point_v<V>) {
      store(static_cast<V>(ToFloat(v)));
    } else if constexpr (std::is_same_v<V, std::string>) {
      store(ToString(v));
    } else if constexpr (std::is_enum_v<V>) {
      store(static_cast<V>(ToEnum(v, std::type_index(typeid(V)))));
    } else if constexpr (IsTSet<V>::value) {
      store(V::FromBits(ToSetBits(v, std::type_index(typeid(typename IsTSet<V>::Enum)))));
    } else if constexpr (IsFunction<V>::value) {
      store(r.template FindMethod<V>(v));
    } else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TComponent, std::remove_pointer_t<V>>) {
      r.AddFixup(v, [store](TComponent* c) {
        auto* typed = dynamic_cast<V>(c);
        if (c && !typed) return false;
        store(typed);
        return true;
      });
    } else {
      static_assert(sizeof(V) == 0, "no stored form for this property type");
    }
  }
  TClassInfo& FInfo;
};

// Where form descriptions come from: by default the library's named resources; tests and
// tools may install another source. Answers False when there is no such description.
using TFormTextSource = std::function<bool(const std::string& ResourceName, std::string& Text)>;
void SetFormTextSource(TFormTextSource Source);
bool FindFormText(const std::string& ResourceName, std::string& Text);
// Reads the named description into Root; False when it does not exist (errors still raise).
bool ReadComponentRes(const std::string& ResourceName, TComponent* Root);
