// Bases of the audio controls and audio components, between the bases of QzCtrls and the
// concrete controls: layout hook and needs-layout flag, Padding, Images, Transparent, the two
// change events, the link to an audio time base, and Orientation.
//
// Contracts for descendants:
// - Setters that change geometry call NeedLayout() (flag and repaint); Paint calls
//   UpdateLayout() first when NeedsLayout() is set; UpdateLayout computes the part rectangles
//   from the client size, Padding and Orientation and calls the inherited one, which clears
//   the flag. WM_SIZE and SetOrientation call UpdateLayout directly.
// - A control reports a change of its value through DoChanged, whether the user or code made
//   it: the internal change event first, OnChanged second, nothing while IsUpdating(). Code that
//   must not be told of its own changes brackets them with BeginUpdate / EndUpdate, or has its
//   handlers ignore them.
// - Animated controls override TimeBaseTick and animate by the elapsed milliseconds given.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ImgList.h"
#include "ui/framework/QzAudioTimeBase.h"
#include "ui/framework/QzCtrls.h"

// ---- components ----

class TQzCustomAudioComponent : public TQzCustomComponent {
public:
  using TQzChangeEvent = std::function<void(TObject* Sender, int32_t A, int32_t B)>;
  using TQzCustomComponent::TQzCustomComponent;
  std::string ClassName() const override { return "TQzCustomAudioComponent"; }

  // The change event with (Self, 0, 0); nothing while the update counter (the one of
  // TQzCustomComponent) is above 0.
  virtual void DoChange();
  virtual int GetVersionMajor() const { return 2; }
  virtual int GetVersionMinor() const { return 5; }
  // "2.5".
  std::string GetAudioVersion() const;

  TQzChangeEvent OnChange;
};

class TQzCustomAudioTitleComponent : public TQzCustomAudioComponent {
public:
  using TQzCustomAudioComponent::TQzCustomAudioComponent;
  std::string ClassName() const override { return "TQzCustomAudioTitleComponent"; }
  virtual void TitleChanged() {}
};

class TQzCustomAudioTimeBaseComponent : public TQzCustomAudioTitleComponent, public TQzAudioTimeBaseClient {
public:
  using TQzCustomAudioTitleComponent::TQzCustomAudioTitleComponent;
  ~TQzCustomAudioTimeBaseComponent() override;
  std::string ClassName() const override { return "TQzCustomAudioTimeBaseComponent"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TQzCustomAudioTimeBase* GetTimeBase() const { return FTimeBase; }
  // Leaves the old time base, joins the new one, then TimeBaseChanged.
  void SetTimeBase(TQzCustomAudioTimeBase* Value);
  virtual void TimeBaseChanged() {}
  void TimeBaseTick(TObject*, uint32_t) override {}

private:
  TQzCustomAudioTimeBase* FTimeBase = nullptr;
};

// The preset manager's level; no code of its own.
class TQzCustomAudioComponentClass : public TQzCustomComponent {
public:
  using TQzCustomComponent::TQzCustomComponent;
  std::string ClassName() const override { return "TQzCustomAudioComponentClass"; }
};

// ---- controls ----

// Opaque (csOpaque, no csParentBackground) at this level.
class TQzCustomAudioControl : public TQzCustomWinControl {
public:
  using TQzInternalChangeEvent =
      std::function<void(TObject* Sender, int32_t A, int32_t B, float Value, int32_t C)>;
  explicit TQzCustomAudioControl(TComponent* AOwner);
  ~TQzCustomAudioControl() override;
  std::string ClassName() const override { return "TQzCustomAudioControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;
  void WMSize(TMessage& Message) override;

  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  uint8_t GetPadding() const { return FPadding; }
  // Held within 0..255.
  void SetPadding(int32_t Value);
  bool GetTransparent() const { return FTransparent; }
  // Nothing when Value is held already (a new windowed audio control holds False while its style
  // takes the parent's background). Otherwise True: csParentBackground in, csOpaque out; False
  // the reverse; then TransparentChanged and a repaint.
  void SetTransparent(bool Value);
  bool NeedsLayout() const { return FNeedsLayout; }

  virtual void TransparentChanged() {}
  // Clears the needs-layout flag.
  virtual void UpdateLayout() { FNeedsLayout = false; }
  // The internal change event (Self, 0, 0, 0.0, 0), then OnChanged.
  virtual void Changed();
  // Sets the needs-layout flag and repaints. Public so that a picture source shared by several
  // controls can re-lay out every control that draws from it.
  void NeedLayout();

  TQzInternalChangeEvent OnInternalChange;
  TNotifyEvent OnChanged;

protected:
  bool FNeedsLayout = false;

private:
  TCustomImageList* FImages = nullptr;
  uint8_t FPadding = 0;
  bool FTransparent = false;
};

// Transparent-looking (csParentBackground) at creation; caption = the class name (set in
// AfterConstruction, so it names the final class).
class TQzCustomAudioWinControl : public TQzCustomAudioControl, public TQzAudioTimeBaseClient {
public:
  explicit TQzCustomAudioWinControl(TComponent* AOwner);
  ~TQzCustomAudioWinControl() override;
  std::string ClassName() const override { return "TQzCustomAudioWinControl"; }
  void AfterConstruction() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TQzCustomAudioTimeBase* GetTimeBase() const { return FTimeBase; }
  void SetTimeBase(TQzCustomAudioTimeBase* Value);
  void TimeBaseTick(TObject*, uint32_t) override {}

  // One update counter: while above 0, DoChanged fires nothing.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
  }
  bool IsUpdating() const { return FUpdateCount > 0; }
  bool GetAutoInvalidate() const { return FAutoInvalidate; }
  void SetAutoInvalidate(bool Value) { FAutoInvalidate = Value; }

  // The parent's font and colour are taken over by the toolkit's handlers, then a repaint.
  void CMParentFontChanged(TMessage& Message) override;
  void CMParentColorChanged(TMessage& Message) override;
  // Repaints when AutoInvalidate is set.
  void CMTextChanged(TMessage& Message) override;

protected:
  // Changed(), unless updating. Descendants call it for every change of their value.
  void DoChanged();

private:
  TQzCustomAudioTimeBase* FTimeBase = nullptr;
  int32_t FUpdateCount = 0;
  bool FAutoInvalidate = true;
};

enum TQzAudioControlOrientation { acoHorizontal, acoVertical };

class TQzCustomAudioOrientationWinControl : public TQzCustomAudioWinControl {
public:
  using TQzCustomAudioWinControl::TQzCustomAudioWinControl;
  std::string ClassName() const override { return "TQzCustomAudioOrientationWinControl"; }
  TQzAudioControlOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TQzAudioControlOrientation Value);

private:
  TQzAudioControlOrientation FOrientation = acoVertical;
};

// For time-base clients: leaves Old and joins New; the pair's free notification follows the link.
void RelinkTimeBase(TComponent* Self, TQzCustomAudioTimeBase* Old, TQzCustomAudioTimeBase* New);

// Registers the classes of this unit and of QzAudioTimeBase with the form reader; idempotent.
void RegisterQzAudioBaseClasses();
