#include "ui/controls/QzAudioGroupBox.h"

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioSwitchGroup.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzResourceBitmaps.h"

namespace {
constexpr int32_t HeaderHeight = 25;
constexpr int32_t SwitchInset = 3;
constexpr int32_t CaptionSideMargin = 30;
constexpr int32_t BottomTextHeight = 21;
}  // namespace

// ---- image source ----

TQzCustomAudioImageSource::TQzCustomAudioImageSource(TComponent* AOwner)
    : TQzCustomAudioComponent(AOwner), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
}

TQzCustomAudioImageSource::~TQzCustomAudioImageSource() {
  FPicture->OnChange = nullptr;
  FClients.Clear();
}

void TQzCustomAudioImageSource::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) FClients.Remove(AComponent);
  TQzCustomAudioComponent::Notification(AComponent, Operation);
}

void TQzCustomAudioImageSource::SetPicture(TPicture* Value) { FPicture->Assign(Value); }

bool TQzCustomAudioImageSource::IsEmpty() const {
  return !FPicture->GetGraphic() || FPicture->GetWidth() < 1 || FPicture->GetHeight() < 1;
}

void TQzCustomAudioImageSource::AddClient(TComponent* Control) {
  if (!Control || HasClient(Control) || IsDestroying()) return;
  FClients.Add(Control);
  Control->FreeNotification(this);
}

// The free notification stays: the client may still hold the source and must hear of its end.
// The client drops the link itself when it lets go of the source.
void TQzCustomAudioImageSource::RemoveClient(TComponent* Control) { FClients.Remove(Control); }

void TQzCustomAudioImageSource::PictureChanged(TObject*) {
  if (IsDestroying()) return;
  // A repaint may free or unlink clients: walk a copy and skip those that left.
  const std::vector<TComponent*> clients(FClients.begin(), FClients.end());
  for (TComponent* c : clients) {
    if (!HasClient(c)) continue;
    if (auto* control = dynamic_cast<TQzCustomAudioWinControl*>(c)) control->NeedLayout();
  }
}

// ---- group box ----

TQzCustomAudioGroupBox::TQzCustomAudioGroupBox(TComponent* AOwner) : TQzCustomAudioWinControl(AOwner) {
  ControlStyle.Include(csAcceptsControls);
  ControlStyle.Include(csSetCaption);
  // Not Transparent: the box erases and paints its whole face itself.
  ControlStyle.Include(csOpaque);
  ControlStyle.Exclude(csParentBackground);
  SetColor(RGB(45, 45, 45));
}

TQzCustomAudioGroupBox::~TQzCustomAudioGroupBox() {
  // Links were left in BeforeDestruction; what remains points at components being freed.
  FImageSource = nullptr;
}

void TQzCustomAudioGroupBox::BeforeDestruction() {
  TQzCustomAudioWinControl::BeforeDestruction();
  SetImageSource(nullptr);
}

void TQzCustomAudioGroupBox::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    // Either may be half destroyed: only let go of them.
    if (AComponent == FImageSource) {
      FImageSource = nullptr;
      FNeedsLayout = true;
      if (!IsDestroying()) Invalidate();
    }
  }
  TQzCustomAudioWinControl::Notification(AComponent, Operation);
}

void TQzCustomAudioGroupBox::Loaded() {
  TQzCustomAudioWinControl::Loaded();
  if (!FActive) PassActiveToChildren();
}

void TQzCustomAudioGroupBox::SetImageSource(TQzCustomAudioImageSource* Value) {
  if (Value == FImageSource) return;
  TQzCustomAudioImageSource* old = FImageSource;
  FImageSource = Value;
  if (old) {
    old->RemoveClient(this);
    old->RemoveFreeNotification(this);
  }
  if (Value) {
    Value->FreeNotification(this);
    Value->AddClient(this);
  }
  if (!IsDestroying()) NeedLayout();
}

void TQzCustomAudioGroupBox::SetHeaderStyle(TQzAudioGroupBoxHeaderStyle Value) {
  if (Value == FHeaderStyle) return;
  FHeaderStyle = Value;
  NeedLayout();
}

void TQzCustomAudioGroupBox::SetOptions(TQzAudioGroupBoxOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  NeedLayout();
}

void TQzCustomAudioGroupBox::SetSwitchAlign(TQzAudioGroupBoxSwitchAlign Value) {
  if (Value == FSwitchAlign) return;
  FSwitchAlign = Value;
  NeedLayout();
}

void TQzCustomAudioGroupBox::SetSwitchStyle(TQzAudioSwitchStyle Value) {
  if (Value == FSwitchStyle) return;
  FSwitchStyle = Value;
  Refresh();
}

void TQzCustomAudioGroupBox::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  NeedLayout();
}

void TQzCustomAudioGroupBox::SetBottomText(const std::string& Value) {
  if (Value == FBottomText) return;
  FBottomText = Value;
  Refresh();
}

void TQzCustomAudioGroupBox::SetActive(bool Value) {
  if (!StoreActive(Value)) return;
  // Copy: the handler may replace itself.
  const TNotifyEvent handler = OnActiveChanged;
  if (handler) handler(this);
}

bool TQzCustomAudioGroupBox::StoreActive(bool Value) {
  if (Value == FActive) return false;
  FActive = Value;
  Refresh();
  PassActiveToChildren();
  return true;
}

void TQzCustomAudioGroupBox::PassActiveToChildren() {
  const bool enabled = FActive && GetEnabled();
  // By index: disabling a child may move the focus, which never changes the child list, but a
  // handler of the toolkit's could; a child that went is simply not reached.
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* child = dynamic_cast<TQzCustomAudioControl*>(GetControl(i))) child->SetEnabled(enabled);
}

TRect TQzCustomAudioGroupBox::GetPartRect(int32_t Part) const {
  const int32_t w = GetWidth();
  const TRect client = Rect(0, 0, w, GetHeight());
  const TRect header = Rect(0, 0, w, HeaderHeight);
  switch (Part) {
    case QzGroupBoxPartHeader: return header;
    case QzGroupBoxPartSwitch: {
      TRect r = FSwitchAlign == asaRight ? Rect(w - HeaderHeight, 0, w, HeaderHeight) : Rect(0, 0, HeaderHeight, HeaderHeight);
      return Rect(r.Left + SwitchInset, r.Top + SwitchInset, r.Right - SwitchInset, r.Bottom - SwitchInset);
    }
    case QzGroupBoxPartCaption: {
      TRect r = header;
      if (FAlignment == taCenter) {
        r.Left += CaptionSideMargin;
        r.Right -= CaptionSideMargin;
      } else if (FOptions.Contains(GBO_SHOW_ACTIVE_SWITCH)) {
        if (FSwitchAlign == asaRight)
          r.Right -= CaptionSideMargin;
        else
          r.Left += CaptionSideMargin;
      }
      return r;
    }
    default: return client;
  }
}

int32_t TQzCustomAudioGroupBox::HitTest(int32_t X, int32_t Y) const {
  const TRect r = GetPartRect(QzGroupBoxPartSwitch);
  return X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom ? QzGroupBoxPartSwitch : 0;
}

void TQzCustomAudioGroupBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  bool switched = false;
  if (IsEnabled()) {
    QzEndAudioEdit();
    FMouseMode = Button == mbLeft ? 1 : Button == mbRight ? 2 : 0;
    if (Button == mbLeft) {
      if (GetTabStop() && CanFocus()) SetFocus();
      if (HitTest(X, Y) == QzGroupBoxPartSwitch && FOptions.Contains(GBO_SHOW_ACTIVE_SWITCH)) {
        switched = StoreActive(!FActive);
      }
    }
  }
  // Copy: the handler may free the box, so it runs last.
  const TNotifyEvent handler = switched ? OnActiveChanged : nullptr;
  TQzCustomAudioWinControl::MouseDown(Button, Shift, X, Y);
  if (handler) handler(this);
}

void TQzCustomAudioGroupBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseMode = 0;
  TQzCustomAudioWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomAudioGroupBox::EraseBackground(HDC DC) {
  if (FImageSource && !FImageSource->IsEmpty()) return;
  TQzCustomAudioWinControl::EraseBackground(DC);
}

void TQzCustomAudioGroupBox::Paint() {
  if (NeedsLayout()) UpdateLayout();
  TCanvas* c = GetCanvas();
  const TRect client = GetPartRect(0);
  PaintBackground(c, client);
  if (FOptions.Contains(GBO_SHOW_HEADER)) PaintHeader(c);
  if (FOptions.Contains(GBO_SHOW_ACTIVE_SWITCH))
    DrawSwitchButton(c, GetPartRect(QzGroupBoxPartSwitch), IsEnabled(), FActive, "", FSwitchStyle, false);
  if (!FBottomText.empty()) PaintBottomText(c, client);
  if (FOptions.Contains(GBO_SHOW_BORDER)) {
    const TColor light = RGB(95, 95, 95), dark = RGB(25, 25, 25);
    const bool sunken = FOptions.Contains(GBO_SUNKEN_BORDER);
    Draw3DFrame(c, client, sunken ? dark : light, sunken ? light : dark);
  }
  TQzCustomAudioWinControl::Paint();
}

void TQzCustomAudioGroupBox::PaintBackground(TCanvas* C, const TRect& R) {
  C->GetBrush()->SetStyle(bsSolid);
  if (GetTransparent()) {
    // A pen of its own: the one the last paint left would make every repaint differ.
    SetCanvasPen(C, 1, clBlack, psSolid);
    C->GetBrush()->SetColor(GetColor());
    C->RoundRect(R, 5, 5);
    return;
  }
  if (FImageSource && !FImageSource->IsEmpty()) {
    TGraphic* picture = FImageSource->GetPicture()->GetGraphic();
    // A paint that only shows a meter's needle copies the kept picture's rows: stretching the
    // whole face again on every tick cost far more than everything else the tick does.
    if (TBitmap* kept = KeptBackground(C, R, picture))
      C->Draw(R.Left, R.Top, kept);
    else
      C->StretchDraw(R, picture);
    return;
  }
  const TColor top = ColorToRGB(GetColor());
  C->GetBrush()->SetColor(top);
  C->GradientFill(R, top, LightenColor(top, -125), gdVertical);
}

void TQzCustomAudioGroupBox::UpdateLayout() {
  FBackground.reset();
  FBackgroundOf = nullptr;
  TQzCustomAudioWinControl::UpdateLayout();
}

TBitmap* TQzCustomAudioGroupBox::KeptBackground(TCanvas* C, const TRect& R, TGraphic* Picture) {
  auto* raster = dynamic_cast<TRasterImage*>(Picture);
  const HDC dc = C->GetHandle();
  const int32_t w = R.Right - R.Left, h = R.Bottom - R.Top;
  if (!raster || !dc || w < 1 || h < 1 || raster->GetTransparent() || C->GetCopyMode() != SRCCOPY ||
      (raster->GetHasAlpha() && raster->GetPixelFormat() == pf32bit))
    return nullptr;
  const int mode = GetStretchBltMode(dc);
  if (FBackground && FBackgroundOf == Picture && FBackgroundMode == mode && FBackground->GetWidth() == w &&
      FBackground->GetHeight() == h)
    return FBackground.get();
  if (!FBackground) {
    FBackground = std::make_unique<TBitmap>();
    FBackground->SetPixelFormat(pf32bit);
  }
  FBackground->SetSize(w, h);
  TCanvas* target = FBackground->GetCanvas();
  SetStretchBltMode(target->GetHandle(), mode);
  target->StretchDraw(Rect(0, 0, w, h), Picture);
  FBackgroundOf = Picture;
  FBackgroundMode = mode;
  return FBackground.get();
}

void TQzCustomAudioGroupBox::PaintHeader(TCanvas* C) {
  const TColor c = GetAudioColor(32, true);
  const TRect header = GetPartRect(QzGroupBoxPartHeader);
  C->GetBrush()->SetStyle(bsSolid);
  C->GetBrush()->SetColor(c);
  switch (FHeaderStyle) {
    case GBH_SOLID: C->FillRect(header); break;
    case GBH_GRADIENT_HORZ: C->GradientFill(header, c, LightenColor(c, -55), gdHorizontal); break;
    case GBH_GRADIENT_VERT: C->GradientFill(header, c, LightenColor(c, -55), gdVertical); break;
    case GBH_TRANSPARENT: break;
  }
  if (!FOptions.Contains(GBO_SHOW_CAPTION)) return;
  C->SetFont(GetFont());
  if (!GetParentFont()) C->GetFont()->SetColor(GetAudioColor(33, IsEnabled()));
  const uint8_t align = FAlignment == taCenter ? 1 : FAlignment == taRightJustify ? 2 : 0;
  DrawAlignedText(C, GetCaption(), GetPartRect(QzGroupBoxPartCaption), align, 1, true);
}

void TQzCustomAudioGroupBox::PaintBottomText(TCanvas* C, const TRect& R) {
  TRect r = Rect(R.Left + 5, R.Bottom - BottomTextHeight - FBottomTextMargin, R.Right - 5, R.Bottom - FBottomTextMargin);
  C->SetFont(GetFont());
  TFont* font = C->GetFont();
  font->SetSize(9);
  font->SetStyle({fsBold, fsItalic});
  font->SetColor(RGB(115, 115, 115));
  DrawAlignedText(C, FBottomText, r, 1, 1, false);
  ShiftRect(r, -1, -1);
  font->SetColor(RGB(65, 65, 65));
  DrawAlignedText(C, FBottomText, r, 1, 1, false);
}

// ---- registration ----

void RegisterQzAudioGroupBoxClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  // Also the switch style's names, and the switch group that boxes usually hold.
  RegisterQzAudioSwitchGroupClasses();
  RegisterEnumNames<TQzAudioGroupBoxHeaderStyle>({"GBH_SOLID", "GBH_GRADIENT_HORZ", "GBH_GRADIENT_VERT", "GBH_TRANSPARENT"});
  RegisterEnumNames<TQzAudioGroupBoxOption>(
      {"GBO_SHOW_ACTIVE_SWITCH", "GBO_SHOW_CAPTION", "GBO_SHOW_BORDER", "GBO_SUNKEN_BORDER", "GBO_SHOW_HEADER"});
  RegisterEnumNames<TQzAudioGroupBoxSwitchAlign>({"asaLeft", "asaRight"});

  TClassRegistrar<TQzCustomAudioImageSource>("TQzCustomAudioImageSource", "TQzCustomAudioComponent", false);
  TClassRegistrar<TQzAudioImageSource>("TQzAudioImageSource", "TQzCustomAudioImageSource", true)
      .Custom("Picture", [](TQzAudioImageSource* S, const TFormValue& V, TFormReader&) {
        // Missing artwork leaves the box on its gradient rather than failing the whole form.
        QzLoadPictureResource(formreader_detail::ToString(V), S->GetPicture());
      });

  TClassRegistrar<TQzCustomAudioGroupBox>("TQzCustomAudioGroupBox", "TQzCustomAudioWinControl", false);
  TClassRegistrar<TQzAudioGroupBox>("TQzAudioGroupBox", "TQzCustomAudioGroupBox", true)
      .Prop("Active", &TQzAudioGroupBox::SetActive)
      .Prop("SwitchAlign", &TQzAudioGroupBox::SetSwitchAlign)
      .Prop("SwitchStyle", &TQzAudioGroupBox::SetSwitchStyle)
      .Prop("Alignment", &TQzAudioGroupBox::SetAlignment)
      .Prop("BottomText", &TQzAudioGroupBox::SetBottomText)
      .Prop("HeaderStyle", &TQzAudioGroupBox::SetHeaderStyle)
      .Prop("Options", &TQzAudioGroupBox::SetOptions)
      .Prop("ImageSource", &TQzAudioGroupBox::SetImageSource)
      .Prop("OnActiveChanged", &TQzAudioGroupBox::OnActiveChanged);
}
