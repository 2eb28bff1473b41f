#include "ui/controls/QzExtCtrls.h"

#include <algorithm>

#include "core/QzUtils.h"
#include "platform/ActnList.h"
#include "platform/FormReader.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"

namespace {
// Made and freed by the unit's start and end, as the standard controls' set.
TQzNamedBitmaps* ExtBitmaps = nullptr;
}  // namespace

void QzExtCtrlsInitialize() {
  if (!ExtBitmaps) ExtBitmaps = new TQzNamedBitmaps;
  ExtBitmaps->Load({"QZBSBTNLEFT", "QZBSBTNRIGHT", "QZBSBTNMINUS", "QZBSBTNPLUS", "QZALIGNTOP", "QZALIGNRIGHT",
                     "QZALIGNBOTTOM", "QZALIGNLEFT", "QZALIGNCENTER", "QZALIGNMIDDLE", "QzCheckBox", "QzChecked"});
}

void QzExtCtrlsFinalize() {
  delete ExtBitmaps;
  ExtBitmaps = nullptr;
}

TBitmap* QzExtCtrlsBitmap(const std::string& Name) { return ExtBitmaps ? ExtBitmaps->Find(Name) : nullptr; }

// --- image link ---------------------------------------------------------------------------------

TQzImageLinkedControl::TQzImageLinkedControl(TComponent* AOwner) : TQzCustomGraphicControl(AOwner) {}

void TQzImageLinkedControl::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    Invalidate();
  }
}

void TQzImageLinkedControl::SetImages(TCustomImageList* Value) {
  if (Value == FImages || IsDestroying()) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  FitToContent();
  Invalidate();
}

void TQzImageLinkedControl::Loaded() {
  TQzCustomGraphicControl::Loaded();
  FitToContent();
}

void TQzImageLinkedControl::CMTextChanged(TMessage& Message) {
  TQzCustomGraphicControl::CMTextChanged(Message);
  FitToContent();
  Invalidate();
}

void TQzImageLinkedControl::ThemeChanged() {
  FitToContent();
  TQzCustomGraphicControl::ThemeChanged();
}

void TQzImageLinkedControl::CMFontChanged(TMessage& Message) {
  TQzCustomGraphicControl::CMFontChanged(Message);
  FitToContent();
}

void TQzImageLinkedControl::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Invalidate();
}

bool TQzImageLinkedControl::HasImage() const {
  return FImages && FImageIndex >= 0 && FImageIndex < FImages->GetCount();
}

void TQzImageLinkedControl::FitClient(int32_t W, int32_t H) {
  if (W != GetClientWidth() || H != GetClientHeight()) SetClientSize(W, H);
}

// --- link label ---------------------------------------------------------------------------------

TQzCustomActionLabel::TQzCustomActionLabel(TComponent* AOwner) : TQzImageLinkedControl(AOwner) {
  SetParentColor(true);
  FitToContent();
}

void TQzCustomActionLabel::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (!FHot) {
    FHot = true;
    Invalidate();
  }
  TQzImageLinkedControl::MouseMove(Shift, X, Y);
}

void TQzCustomActionLabel::CMMouseLeave(TMessage& Message) {
  if (FHot) {
    FHot = false;
    Invalidate();
  }
  TQzImageLinkedControl::CMMouseLeave(Message);
}

void TQzCustomActionLabel::FitToContent() {
  if (IsLoading() || IsDestroying()) return;
  const TSize text = QzMeasureText(GetFont(), GetCaption());
  int32_t h = std::max<int32_t>(text.cy, 8);
  int32_t w = text.cx;
  if (TCustomImageList* images = GetImages()) {
    w += images->GetWidth() + 3;
    h = std::max(h, images->GetHeight());
  }
  FitClient(w, h);
}

void TQzCustomActionLabel::Paint() {
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  const std::string& text = GetCaption();
  TCustomImageList* images = GetImages();
  int32_t textLeft = 0;
  if (images) {
    if (auto* action = dynamic_cast<TCustomAction*>(GetAction()))
      if (action->GetImageIndex() != FImageIndex) FImageIndex = action->GetImageIndex();
    if (HasImage()) {
      images->Draw(c, 0, 0, FImageIndex, images->GetDrawingStyle(), itImage, true);
      textLeft = images->GetWidth() + 3;
    }
  }
  c->GetBrush()->SetStyle(bsClear);
  const bool themed = IsThemed();
  TColor color = GetFont()->GetColor();
  if (!FHot && themed) color = GetThemeManager()->GetThemeColor(3);
  if (FHot) color = themed ? GetThemeManager()->GetThemeColor(150) : clHotLight;
  c->GetFont()->SetColor(color);
  c->TextOut(textLeft, (GetClientHeight() - c->TextHeight(text)) / 2, text);
}

// --- action icon --------------------------------------------------------------------------------

TQzCustomActionIcon::TQzCustomActionIcon(TComponent* AOwner) : TQzImageLinkedControl(AOwner) {
  SetParentColor(true);
}

void TQzCustomActionIcon::Paint() {
  if (!HasImage()) return;
  TCustomImageList* images = GetImages();
  TCanvas* c = GetCanvas();
  if (GetClientWidth() == images->GetWidth() && GetClientHeight() == images->GetHeight()) {
    images->Draw(c, 0, 0, FImageIndex, images->GetDrawingStyle(), itImage, true);
    return;
  }
  // Stretched, the image's top-left colour is its background: keyed out wherever it occurs, so
  // that an icon made without alpha shows no box around it.
  TBitmap picture;
  images->GetBitmap(FImageIndex, &picture);
  picture.SetTransparentColor(picture.GetCanvas()->GetPixel(0, 0));
  picture.SetTransparent(true);
  c->StretchDraw(GetClientRect(), &picture);
}

// --- head line ----------------------------------------------------------------------------------

TQzCustomHeadLine::TQzCustomHeadLine(TComponent* AOwner) : TQzImageLinkedControl(AOwner) {
  ControlStyle = TControlStyle{csSetCaption, csNoStdEvents, csNoFocus};
  SetCaption("TQzCustomHeadLine");
  SetColor(clActiveCaption);
  FitToContent();
}

void TQzCustomHeadLine::SetStyle(TQzHeadLineStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Invalidate();
}

void TQzCustomHeadLine::SetIndent(uint8_t Value) {
  if (Value == FIndent) return;
  FIndent = Value;
  Invalidate();
}

void TQzCustomHeadLine::SetDrawLine(bool Value) {
  if (Value == FDrawLine) return;
  FDrawLine = Value;
  Invalidate();
}

void TQzCustomHeadLine::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TQzCustomHeadLine::FitToContent() {
  if (IsLoading() || IsDestroying()) return;
  TFont bold;
  bold.Assign(IsThemed() ? GetThemeManager()->GetHeadLineFont() : GetFont());
  bold.SetStyle(bold.GetStyle() + fsBold);
  int32_t h = std::max<int32_t>(QzMeasureText(&bold, GetCaption()).cy, 3);
  if (GetImages()) h = std::max(h, GetImages()->GetHeight());
  FitClient(GetClientWidth(), h + 4);
}

void TQzCustomHeadLine::Paint() {
  TCanvas* c = GetCanvas();
  const bool themed = IsThemed();
  c->SetFont(themed ? GetThemeManager()->GetHeadLineFont() : GetFont());
  c->GetFont()->SetStyle(c->GetFont()->GetStyle() + fsBold);
  const TColor lineColor = themed ? GetThemeManager()->GetThemeColor(7) : clBtnShadow;
  const std::string& text = GetCaption();
  TCustomImageList* images = GetImages();
  const int32_t w = c->TextWidth(text);

  const TRect r = GetClientRect();
  const TColor color = GetColor();
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(color);
  SetCanvasPen(c, 1, color, psSolid);
  switch (FStyle) {
    case hlsSolid: c->FillRect(r); break;
    case hlsRoundRect: c->RoundRect(r, 2, 2); break;
    case hlsGradientHorz: DrawGradientRect(c, r, color, LightenColor(color, -55), false); break;
    case hlsGradientVert: DrawGradientRect(c, r, color, LightenColor(color, -55), true); break;
    case hlsTransparent: break;
  }
  int32_t L = r.Left;
  const int32_t R = r.Right;
  // The line makes room for the list's image size whether or not ImageIndex names an image, as
  // the control's height does.
  if (images) {
    if (HasImage())
      images->Draw(c, r.Left + 2, r.Top + (RectHeight(r) - images->GetHeight()) / 2, FImageIndex,
                   images->GetDrawingStyle(), itImage, true);
    L += images->GetWidth() + 4;
  }
  c->GetBrush()->SetStyle(bsClear);
  const uint8_t halign = FAlignment == taLeftJustify ? 0 : FAlignment == taCenter ? 1 : 2;
  // A left-justified caption sits in the gap the line leaves for it, Indent from the line's start.
  TRect textRect = r;
  if (FAlignment == taLeftJustify) textRect.Left = L + FIndent;
  DrawAlignedText(c, text, textRect, halign, 1, false);
  if (!FDrawLine) return;
  const int32_t y = RectHeight(r) / 2;
  SetCanvasPen(c, 1, lineColor, psSolid);
  auto segment = [&](int32_t X1, int32_t X2) {
    if (X2 <= X1) return;
    c->MoveTo(X1, y);
    c->LineTo(X2, y);
  };
  if (FAlignment == taLeftJustify) {
    segment(L, L + FIndent - 3);
    segment(L + FIndent + w + 3, RectWidth(r));
  } else if (FAlignment == taCenter) {
    segment(L, L + (R - L - w) / 2 - 3);
    segment(L + (R - L) / 2 + w / 2 + 3, RectWidth(r));
  } else {
    // The caption sits at the right: the line runs up to its gap.
    segment(L, R - w - 3);
  }
}

void RegisterQzExtCtrlsClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterEnumNames<TQzHeadLineStyle>({"hlsSolid", "hlsTransparent", "hlsRoundRect", "hlsGradientHorz", "hlsGradientVert"});
  TClassRegistrar<TQzImageLinkedControl>("TQzImageLinkedControl", "TQzCustomGraphicControl", false)
      .Prop("Images", &TQzImageLinkedControl::SetImages)
      .Prop("ImageIndex", &TQzImageLinkedControl::SetImageIndex);
  TClassRegistrar<TQzCustomActionLabel>("TQzCustomActionLabel", "TQzImageLinkedControl", false);
  TClassRegistrar<TQzActionLabel>("TQzActionLabel", "TQzCustomActionLabel", true);
  TClassRegistrar<TQzCustomActionIcon>("TQzCustomActionIcon", "TQzImageLinkedControl", false);
  TClassRegistrar<TQzActionIcon>("TQzActionIcon", "TQzCustomActionIcon", true);
  TClassRegistrar<TQzCustomHeadLine>("TQzCustomHeadLine", "TQzImageLinkedControl", false);
  TClassRegistrar<TQzHeadLine>("TQzHeadLine", "TQzCustomHeadLine", true)
      .Prop("Style", &TQzHeadLine::SetStyle)
      .Prop("Indent", &TQzHeadLine::SetIndent)
      .Prop("DrawLine", &TQzHeadLine::SetDrawLine)
      .Prop("Alignment", &TQzHeadLine::SetAlignment);

  using M = TQzCustomThemeManager;
  M::ClientTable().Add<TQzActionLabel>([](TComponent* c, M* m) {
    auto* l = static_cast<TQzActionLabel*>(c);
    QzLinkTheme(l, m);
    l->GetFont()->SetColor(0xFFFFFF);
  });
  M::FormTable().Add<TQzActionLabel>([](TComponent* c, M* m) {
    QzLinkThemeThenColour(static_cast<TQzActionLabel*>(c), m,
                          [m](TQzActionLabel* l) { l->GetFont()->SetColor(m->GetThemeColor(3)); });
  });
  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzHeadLine>(V::CaptionAndHint(false, true, false));
  V::ClassTable().Add<TQzActionLabel>(V::CaptionAndHint(true, true, true));
  V::ClassTable().Add<TQzActionIcon>([](TComponent* c, V* vls, const std::string& group) {
    std::string s;
    if (vls->ReadTextOrGlobal(group, c->GetName(), "Hint", s)) static_cast<TControl*>(c)->SetHint(s);
  });
}
