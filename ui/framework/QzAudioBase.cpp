#include "ui/framework/QzAudioBase.h"

#include "platform/FormReader.h"
#include "ui/framework/QzSafeMath.h"

// ---- components ----

void TQzCustomAudioComponent::DoChange() {
  if (IsUpdating()) return;
  const TQzChangeEvent handler = OnChange;
  if (handler) handler(this, 0, 0);
}

std::string TQzCustomAudioComponent::GetAudioVersion() const {
  return std::to_string(GetVersionMajor()) + "." + std::to_string(GetVersionMinor());
}

TQzCustomAudioTimeBaseComponent::~TQzCustomAudioTimeBaseComponent() { SetTimeBase(nullptr); }

void TQzCustomAudioTimeBaseComponent::BeforeDestruction() {
  TQzCustomAudioTitleComponent::BeforeDestruction();
  SetTimeBase(nullptr);
}

void TQzCustomAudioTimeBaseComponent::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomAudioTitleComponent::Notification(AComponent, Operation);
  // The time base may be half destroyed: only let go of it.
  if (Operation == opRemove && AComponent == FTimeBase) FTimeBase = nullptr;
}

void RelinkTimeBase(TComponent* Self, TQzCustomAudioTimeBase* Old, TQzCustomAudioTimeBase* New) {
  if (Old) {
    Old->RemoveClient(Self);
    Old->RemoveFreeNotification(Self);
  }
  if (New) {
    New->FreeNotification(Self);
    New->AddClient(Self);
  }
}

void TQzCustomAudioTimeBaseComponent::SetTimeBase(TQzCustomAudioTimeBase* Value) {
  if (Value == FTimeBase) return;
  TQzCustomAudioTimeBase* old = FTimeBase;
  FTimeBase = Value;
  RelinkTimeBase(this, old, Value);
  if (!IsDestroying()) TimeBaseChanged();
}

// ---- audio control ----

TQzCustomAudioControl::TQzCustomAudioControl(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Include(csOpaque);
  ControlStyle.Exclude(csParentBackground);
}

TQzCustomAudioControl::~TQzCustomAudioControl() { SetImages(nullptr); }

void TQzCustomAudioControl::BeforeDestruction() {
  TQzCustomWinControl::BeforeDestruction();
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = nullptr;
}

void TQzCustomAudioControl::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    FNeedsLayout = true;
    if (!IsDestroying()) Invalidate();
  }
  TQzCustomWinControl::Notification(AComponent, Operation);
}

void TQzCustomAudioControl::SetImages(TCustomImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  if (!IsDestroying()) NeedLayout();
}

void TQzCustomAudioControl::SetPadding(int32_t Value) {
  const auto v = static_cast<uint8_t>(QzClamp<int32_t>(Value, 0, 255));
  if (v == FPadding) return;
  FPadding = v;
  NeedLayout();
}

void TQzCustomAudioControl::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  if (Value) {
    ControlStyle.Include(csParentBackground);
    ControlStyle.Exclude(csOpaque);
  } else {
    ControlStyle.Exclude(csParentBackground);
    ControlStyle.Include(csOpaque);
  }
  TransparentChanged();
  Refresh();
}

void TQzCustomAudioControl::NeedLayout() {
  FNeedsLayout = true;
  Refresh();
}

void TQzCustomAudioControl::WMSize(TMessage& Message) {
  TQzCustomWinControl::WMSize(Message);
  UpdateLayout();
}

void TQzCustomAudioControl::Changed() {
  // Copies: a handler may free the control or replace the handlers.
  const TQzInternalChangeEvent internal = OnInternalChange;
  const TNotifyEvent changed = OnChanged;
  if (internal) internal(this, 0, 0, 0.0f, 0);
  if (changed) changed(this);
}

// ---- audio windowed control ----

TQzCustomAudioWinControl::TQzCustomAudioWinControl(TComponent* AOwner) : TQzCustomAudioControl(AOwner) {
  FNeedsLayout = true;
  ControlStyle.Exclude(csOpaque);
  ControlStyle.Include(csParentBackground);
}

void TQzCustomAudioWinControl::AfterConstruction() {
  TQzCustomAudioControl::AfterConstruction();
  SetCaption(ClassName());
}

TQzCustomAudioWinControl::~TQzCustomAudioWinControl() { SetTimeBase(nullptr); }

void TQzCustomAudioWinControl::BeforeDestruction() {
  TQzCustomAudioControl::BeforeDestruction();
  SetTimeBase(nullptr);
}

void TQzCustomAudioWinControl::Notification(TComponent* AComponent, TOperation Operation) {
  // The time base may be half destroyed: only let go of it.
  if (Operation == opRemove && AComponent == FTimeBase) FTimeBase = nullptr;
  TQzCustomAudioControl::Notification(AComponent, Operation);
}

void TQzCustomAudioWinControl::SetTimeBase(TQzCustomAudioTimeBase* Value) {
  if (Value == FTimeBase) return;
  TQzCustomAudioTimeBase* old = FTimeBase;
  FTimeBase = Value;
  RelinkTimeBase(this, old, Value);
}

void TQzCustomAudioWinControl::DoChanged() {
  if (!IsUpdating()) Changed();
}

void TQzCustomAudioWinControl::CMParentFontChanged(TMessage& Message) {
  TQzCustomAudioControl::CMParentFontChanged(Message);
  Invalidate();
}

void TQzCustomAudioWinControl::CMParentColorChanged(TMessage& Message) {
  TQzCustomAudioControl::CMParentColorChanged(Message);
  Invalidate();
}

void TQzCustomAudioWinControl::CMTextChanged(TMessage& Message) {
  TQzCustomAudioControl::CMTextChanged(Message);
  if (FAutoInvalidate) Invalidate();
}

void TQzCustomAudioOrientationWinControl::SetOrientation(TQzAudioControlOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  UpdateLayout();
  Refresh();
}

// ---- registration ----

void RegisterQzAudioBaseClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterEnumNames<TQzAudioControlOrientation>({"acoHorizontal", "acoVertical"});

  TClassRegistrar<TQzCustomAudioTimeBaseClass>("TQzCustomAudioTimeBaseClass", "TComponent", false);
  TClassRegistrar<TQzCustomAudioTimeBase>("TQzCustomAudioTimeBase", "TQzCustomAudioTimeBaseClass", false);
  TClassRegistrar<TQzCustomAudioTimer>("TQzCustomAudioTimer", "TQzCustomAudioTimeBase", false);
  TClassRegistrar<TQzAudioTimer>("TQzAudioTimer", "TQzCustomAudioTimer", true)
      .Prop("Interval", &TQzAudioTimer::SetInterval)
      .Prop("OnTimer", &TQzAudioTimer::OnTimer);

  // Read-only: a description that stores the text (as a designer writing every published
  // property does) reads, and the version stays the code's own.
  TClassRegistrar<TQzCustomAudioComponent>("TQzCustomAudioComponent", "TQzCustomComponent", false)
      .Custom("AudioVersion", [](TQzCustomAudioComponent*, const TFormValue& V, TFormReader&) {
        (void)formreader_detail::ToString(V);
      });
  TClassRegistrar<TQzCustomAudioTitleComponent>("TQzCustomAudioTitleComponent", "TQzCustomAudioComponent", false);
  TClassRegistrar<TQzCustomAudioTimeBaseComponent>("TQzCustomAudioTimeBaseComponent",
                                                   "TQzCustomAudioTitleComponent", false)
      .Prop("TimeBase", &TQzCustomAudioTimeBaseComponent::SetTimeBase);
  TClassRegistrar<TQzCustomAudioComponentClass>("TQzCustomAudioComponentClass", "TQzCustomComponent", false);

  TClassRegistrar<TQzCustomAudioControl>("TQzCustomAudioControl", "TQzCustomWinControl", false)
      .Prop("Images", &TQzCustomAudioControl::SetImages)
      .Prop("Padding", &TQzCustomAudioControl::SetPadding)
      .Prop("Transparent", &TQzCustomAudioControl::SetTransparent)
      .Prop("OnChanged", &TQzCustomAudioControl::OnChanged);
  TClassRegistrar<TQzCustomAudioWinControl>("TQzCustomAudioWinControl", "TQzCustomAudioControl", false)
      .Prop("TimeBase", &TQzCustomAudioWinControl::SetTimeBase);
  TClassRegistrar<TQzCustomAudioOrientationWinControl>("TQzCustomAudioOrientationWinControl",
                                                       "TQzCustomAudioWinControl", false)
      .Prop("Orientation", &TQzCustomAudioOrientationWinControl::SetOrientation);
}
