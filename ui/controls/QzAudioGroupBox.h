// The audio group box, a container panel for audio controls, and the image source, a component
// that lends one background picture to any number of boxes.
//
// The box paints a stretched picture from its image source (or a vertical gradient of Color),
// an optional header with caption, an optional LED switch that turns the whole group on and off,
// an optional embossed bottom text and a raised or sunken 3-D border.
//
// Active and the children: every change of Active sets each child audio control's Enabled to
// Active and the box's own Enabled at that moment (switching on a disabled box leaves them
// disabled), then reports OnActiveChanged, whether code or a click on the switch changed it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzAudioBase.h"

// ---- image source ----

class TQzCustomAudioImageSource : public TQzCustomAudioComponent {
public:
  explicit TQzCustomAudioImageSource(TComponent* AOwner);
  ~TQzCustomAudioImageSource() override;
  std::string ClassName() const override { return "TQzCustomAudioImageSource"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TPicture* GetPicture() const { return FPicture.get(); }
  // Copies Value (nil empties the picture); the source keeps its own picture.
  void SetPicture(TPicture* Value);
  // No graphic, or one narrower or lower than a pixel.
  bool IsEmpty() const;

  // Clients are the controls drawing from the source; the list never owns them. Adding twice
  // keeps one entry. A client that is freed leaves the list by itself, and every client hears
  // of the source's end through its free notification.
  void AddClient(TComponent* Control);
  void RemoveClient(TComponent* Control);
  int ClientCount() const { return FClients.Count(); }
  bool HasClient(const TComponent* Control) const { return FClients.IndexOf(Control) >= 0; }

protected:
  // Every client that is an audio windowed control is laid out anew and repainted.
  virtual void PictureChanged(TObject* Sender);

private:
  std::unique_ptr<TPicture> FPicture;
  TList<TComponent> FClients;
};

class TQzAudioImageSource : public TQzCustomAudioImageSource {
public:
  using TQzCustomAudioImageSource::TQzCustomAudioImageSource;
  std::string ClassName() const override { return "TQzAudioImageSource"; }
};

// ---- group box ----

enum TQzAudioGroupBoxHeaderStyle { GBH_SOLID, GBH_GRADIENT_HORZ, GBH_GRADIENT_VERT, GBH_TRANSPARENT };
enum TQzAudioGroupBoxOption {
  GBO_SHOW_ACTIVE_SWITCH,
  GBO_SHOW_CAPTION,
  GBO_SHOW_BORDER,
  GBO_SUNKEN_BORDER,
  GBO_SHOW_HEADER,
};
// Stored as a 32-bit set, GBO_SHOW_ACTIVE_SWITCH in bit 0.
using TQzAudioGroupBoxOptions = TSet<TQzAudioGroupBoxOption>;
enum TQzAudioGroupBoxSwitchAlign { asaLeft, asaRight };

// Part numbers of GetPartRect and HitTest.
enum : int32_t { QzGroupBoxPartHeader = 1, QzGroupBoxPartSwitch = 2, QzGroupBoxPartCaption = 3 };

class TQzCustomAudioGroupBox : public TQzCustomAudioWinControl {
public:
  // Opaque, Color RGB(45, 45, 45), options switch + caption + header, Active.
  explicit TQzCustomAudioGroupBox(TComponent* AOwner);
  ~TQzCustomAudioGroupBox() override;
  std::string ClassName() const override { return "TQzCustomAudioGroupBox"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;
  // A box read inactive from a form description disables the children it was read with.
  void Loaded() override;
  // Skipped while the image source holds a picture: the picture covers the whole box.
  void EraseBackground(HDC DC) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

  TQzCustomAudioImageSource* GetImageSource() const { return FImageSource; }
  // Leaves the old source's client list, joins the new one's, re-lays out.
  void SetImageSource(TQzCustomAudioImageSource* Value);
  TQzAudioGroupBoxHeaderStyle GetHeaderStyle() const { return FHeaderStyle; }
  void SetHeaderStyle(TQzAudioGroupBoxHeaderStyle Value);
  TQzAudioGroupBoxOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzAudioGroupBoxOptions Value);
  TQzAudioGroupBoxSwitchAlign GetSwitchAlign() const { return FSwitchAlign; }
  void SetSwitchAlign(TQzAudioGroupBoxSwitchAlign Value);
  TQzAudioSwitchStyle GetSwitchStyle() const { return FSwitchStyle; }
  void SetSwitchStyle(TQzAudioSwitchStyle Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  const std::string& GetBottomText() const { return FBottomText; }
  void SetBottomText(const std::string& Value);
  bool GetActive() const { return FActive; }
  // A change is shown, passed to the children (see above), then reported (OnActiveChanged).
  void SetActive(bool Value);

  // 1 header (top 25 pixels), 2 active switch (19 x 19 at the switch's end of the header),
  // 3 caption (the header less the switch's side, or both sides when centred); anything else
  // the client rectangle.
  TRect GetPartRect(int32_t Part) const;
  // QzGroupBoxPartSwitch when (X, Y) lies in the switch (edges included), else 0.
  int32_t HitTest(int32_t X, int32_t Y) const;
  // 0 none, 1 left, 2 right button held.
  uint8_t GetMouseMode() const { return FMouseMode; }

  // After Active changed, from code or by a click on the switch.
  TNotifyEvent OnActiveChanged;

  // The stretched picture is kept for the next paint; a new layout or picture drops it.
  void UpdateLayout() override;

protected:
  void Paint() override;

private:
  void PaintBackground(TCanvas* C, const TRect& R);
  // The image source's picture stretched over R as C would draw it, drawn once and kept while
  // neither the picture, the size nor the stretch mode changes; nullptr when the picture's
  // pixels would mix with what lies under them (transparency, alpha, another copy mode).
  TBitmap* KeptBackground(TCanvas* C, const TRect& R, TGraphic* Picture);
  void PaintHeader(TCanvas* C);
  void PaintBottomText(TCanvas* C, const TRect& R);
  // SetActive without the report; False when Value was already held.
  bool StoreActive(bool Value);
  // Every child audio control's Enabled := Active and the box's own Enabled.
  void PassActiveToChildren();

  TQzCustomAudioImageSource* FImageSource = nullptr;
  TQzAudioGroupBoxHeaderStyle FHeaderStyle = GBH_SOLID;
  TQzAudioGroupBoxOptions FOptions{GBO_SHOW_ACTIVE_SWITCH, GBO_SHOW_CAPTION, GBO_SHOW_HEADER};
  TQzAudioGroupBoxSwitchAlign FSwitchAlign = asaLeft;
  TQzAudioSwitchStyle FSwitchStyle = awsWhite;
  TAlignment FAlignment = taLeftJustify;
  std::string FBottomText;
  uint8_t FMouseMode = 0;
  uint8_t FBottomTextMargin = 5;
  bool FActive = true;
  std::unique_ptr<TBitmap> FBackground;
  const TGraphic* FBackgroundOf = nullptr;
  int FBackgroundMode = 0;
};

class TQzAudioGroupBox : public TQzCustomAudioGroupBox {
public:
  using TQzCustomAudioGroupBox::TQzCustomAudioGroupBox;
  std::string ClassName() const override { return "TQzAudioGroupBox"; }
};

// Registers the box, the image source and their enumerations with the form reader, and the
// switch group with them (idempotent).
// A picture named in a description that is not among the resources leaves the picture empty.
void RegisterQzAudioGroupBoxClasses();
