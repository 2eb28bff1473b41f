#include "ui/controls/QzStdCtrls.h"

#include <cctype>
#include <cmath>

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"
#include "ui/framework/QzResourceBitmaps.h"

namespace {
bool SameName(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(A[i])) != std::toupper(static_cast<unsigned char>(B[i]))) return false;
  return true;
}

// Made by QzStdCtrlsInitialize and freed, set and all, by QzStdCtrlsFinalize (the library's
// start and end), not by static destruction: the library may end after it.
TQzNamedBitmaps* StdBitmaps = nullptr;
}  // namespace

void TQzNamedBitmaps::Load(const std::vector<std::string>& Names) {
  for (const std::string& name : Names) {
    if (name.empty() || Find(name)) continue;
    auto bitmap = std::make_unique<TBitmap>();
    QzLoadBitmapResource(name, bitmap.get());
    bitmap->SetTransparent(true);
    FItems.push_back({name, std::move(bitmap)});
  }
}

TBitmap* TQzNamedBitmaps::Find(const std::string& Name) const {
  for (const TItem& item : FItems)
    if (SameName(item.Name, Name)) return item.Bitmap.get();
  return nullptr;
}

void QzStdCtrlsInitialize() {
  if (!StdBitmaps) StdBitmaps = new TQzNamedBitmaps;
  StdBitmaps->Load({"QZEDITUP", "QZEDITDN", "QzCheckBox", "QzChecked", "QzSliderHorz01", "QZSLIDERBTNLEFT",
                     "QZSLIDERBTNRIGHT"});
}

void QzStdCtrlsFinalize() {
  delete StdBitmaps;
  StdBitmaps = nullptr;
}

TBitmap* QzStdCtrlsBitmap(const std::string& Name) { return StdBitmaps ? StdBitmaps->Find(Name) : nullptr; }

TSize QzMeasureText(TFont* Font, const std::string& Text) {
  TCanvas c;
  if (Font) c.SetFont(Font);
  return c.TextExtent(Text);
}

// --- header bar ---------------------------------------------------------------------------------

TQzCustomHeaderBar::TQzCustomHeaderBar(TComponent* AOwner)
    : TQzCustomWinControl(AOwner), FBitmap(std::make_unique<TBitmap>()) {
  FBitmap->OnChange = [this](TObject* Sender) { BitmapChanged(Sender); };
  ControlStyle.Include(csAcceptsControls);
  ControlStyle.Include(csSetCaption);
  ControlStyle.Include(csOpaque);
  SetBounds(GetLeft(), GetTop(), 351, 56);
}

TQzCustomHeaderBar::~TQzCustomHeaderBar() { FBitmap->OnChange = nullptr; }

void TQzCustomHeaderBar::BitmapChanged(TObject*) { Invalidate(); }

void TQzCustomHeaderBar::SetBitmap(TBitmap* Value) {
  if (Value)
    FBitmap->Assign(Value);
  else
    FBitmap->Clear();
  Invalidate();
}

void TQzCustomHeaderBar::SetInfoText(const std::string& Value) {
  if (Value == FInfoText) return;
  FInfoText = Value;
  Invalidate();
}

void TQzCustomHeaderBar::SetPadding(uint8_t Value) {
  if (Value == FPadding) return;
  FPadding = Value;
  Invalidate();
}

void TQzCustomHeaderBar::SetTextPosition(uint16_t Value) {
  if (Value == FTextPosition) return;
  FTextPosition = Value;
  Invalidate();
}

void TQzCustomHeaderBar::SetBottomLine(bool Value) {
  if (Value == FBottomLine) return;
  FBottomLine = Value;
  Invalidate();
}

void TQzCustomHeaderBar::SetOptimizedImage(bool Value) {
  if (Value == FOptimizedImage) return;
  FOptimizedImage = Value;
  Invalidate();
}

bool TQzCustomHeaderBar::HasPicture() const { return FBitmap->GetWidth() > 0 && FBitmap->GetHeight() > 0; }

void TQzCustomHeaderBar::EraseBackground(HDC DC) {
  if (HasPicture()) return;
  if (GetUseThemeBackground() && IsThemed()) {
    TCanvas c;
    c.SetHandle(DC);
    GetThemeManager()->DrawHeaderBarBackground(this, &c, GetClientRect(), 0);
    c.SetHandle(nullptr);
    return;
  }
  TQzCustomWinControl::EraseBackground(DC);
}

void TQzCustomHeaderBar::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  Invalidate();
}

void TQzCustomHeaderBar::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  const bool themed = IsThemed();
  const TColor captionColor = themed ? GetThemeManager()->GetThemeColor(71) : clWindowText;
  const TColor infoColor = themed ? GetThemeManager()->GetThemeColor(72) : clGrayText;
  const TColor lineColor = themed ? GetThemeManager()->GetThemeColor(7) : clBtnShadow;

  if (HasPicture()) {
    // Averaged, so that a picture shrunk into the band keeps its fine detail as shades.
    const int mode = SetStretchBltMode(c->GetHandle(), HALFTONE);
    c->StretchDraw(r, FBitmap.get());
    SetStretchBltMode(c->GetHandle(), mode);
  }

  c->SetFont(GetFont());
  const int32_t size = c->GetFont()->GetSize() == 0 ? 8 : c->GetFont()->GetSize();
  c->GetFont()->SetSize(static_cast<int32_t>(std::nearbyint(size * 1.5)));
  c->GetFont()->SetStyle(c->GetFont()->GetStyle() + fsBold);
  c->GetFont()->SetColor(captionColor);
  const int32_t lineHeight = c->TextHeight("XYGF#yg|");
  c->GetBrush()->SetStyle(bsClear);
  const int32_t x = FTextPosition + FPadding;
  c->TextOut(x, FPadding, GetCaption());

  c->SetFont(GetFont());
  if (c->GetFont()->GetSize() == 0) c->GetFont()->SetSize(8);
  c->GetFont()->SetColor(infoColor);
  const int32_t bandTop = lineHeight + 3 * FPadding;
  const int32_t bandBottom = RectHeight(r) - FPadding;
  c->GetBrush()->SetStyle(bsClear);
  c->TextOut(x, bandTop + (bandBottom - bandTop - c->TextHeight(FInfoText)) / 2, FInfoText);

  if (FBottomLine && GetBorderStyle() == bsNone) {
    SetCanvasPen(c, 1, lineColor, psSolid);
    c->MoveTo(0, RectHeight(r) - 1);
    c->LineTo(RectWidth(r), RectHeight(r) - 1);
  }
  PaintEdgeBorders();
}

void TQzCustomHeaderBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FDragging = Button == mbLeft;
  FLastPos = ClientToScreen(Point(X, Y));
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomHeaderBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  // A release outside the window never reaches us: a move without the button ends the drag.
  if (FDragging && !Shift.Contains(ssLeft)) FDragging = false;
  TCustomForm* form = GetParentForm();
  if (FDragging && FMoveWindow && form) {
    const TPoint p = ClientToScreen(Point(X, Y));
    const int32_t dx = p.X - FLastPos.X, dy = p.Y - FLastPos.Y;
    if (dx != 0 || dy != 0) form->SetBounds(form->GetLeft() + dx, form->GetTop() + dy, form->GetWidth(), form->GetHeight());
    // The bar moved with its form: the cursor's screen point is what the next move compares to.
    FLastPos = p;
  }
  TQzCustomWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomHeaderBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FDragging = false;
  FLastPos = ClientToScreen(Point(X, Y));
  TQzCustomWinControl::MouseUp(Button, Shift, X, Y);
}

// --- label --------------------------------------------------------------------------------------

TQzCustomLabel::TQzCustomLabel(TComponent* AOwner) : TQzCustomGraphicControl(AOwner) {
  ControlStyle.Include(csSetCaption);
  SetCaption("TQzCustomLabel");
  SetBounds(GetLeft(), GetTop(), GetWidth(), 17);
}

void TQzCustomLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TQzCustomLabel::SetPadding(uint8_t Value) {
  if (Value == FPadding) return;
  FPadding = Value;
  FitToText();
  Invalidate();
}

void TQzCustomLabel::SetAutoSize(bool Value) {
  TQzCustomGraphicControl::SetAutoSize(Value);
  FitToText();
}

void TQzCustomLabel::CalculatePreferredSize(int32_t& PreferredWidth, int32_t& PreferredHeight) {
  PreferredWidth = 0;
  PreferredHeight = 0;
}

void TQzCustomLabel::Loaded() {
  TQzCustomGraphicControl::Loaded();
  FitToText();
}

void TQzCustomLabel::CMFontChanged(TMessage& Message) {
  TQzCustomGraphicControl::CMFontChanged(Message);
  FitToText();
}

void TQzCustomLabel::SetBackgroundStyle(TQzBackgroundStyle Value) {
  if (Value == FBackgroundStyle) return;
  FBackgroundStyle = Value;
  Invalidate();
}

void TQzCustomLabel::CMTextChanged(TMessage& Message) {
  TQzCustomGraphicControl::CMTextChanged(Message);
  FitToText();
  Invalidate();
}

void TQzCustomLabel::FitToText() {
  const TAlign align = GetAlign();
  if (!GetAutoSize() || IsLoading() || IsDestroying()) return;
  if (align != alNone && align != alTop && align != alBottom) return;
  const TSize text = QzMeasureText(GetFont(), GetCaption());
  const int32_t TextW = text.cx, TextH = text.cy;
  int32_t left = GetLeft(), w = GetWidth(), h = GetHeight();
  if (align == alNone) {
    const int32_t want = TextW + 2 * FPadding;
    if (FAlignment == taRightJustify)
      left += w - want;
    else if (FAlignment == taCenter)
      left += (w - want) / 2;
    w = want;
  }
  h = TextH + 2 * FPadding;
  if (left != GetLeft() || w != GetWidth() || h != GetHeight()) SetBounds(left, GetTop(), w, h);
}

void TQzCustomLabel::Paint() {
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  const std::string& text = GetCaption();
  FTextWidth = c->TextWidth(text);
  const int32_t th = c->TextHeight(text);

  const TRect r = GetClientRect();
  const TColor color = GetColor();
  c->GetBrush()->SetColor(color);
  c->GetBrush()->SetStyle(bsSolid);
  switch (FBackgroundStyle) {
    case cbsGradientHorz: DrawGradientRect(c, r, color, LightenColor(color, -42), false); break;
    case cbsGradientVert: DrawGradientRect(c, r, color, LightenColor(color, -42), true); break;
    case cbsSolid: c->FillRect(r); break;
    case cbsTransparent: break;
  }

  c->GetBrush()->SetStyle(bsClear);
  if (GetAutoSize()) {
    c->TextOut(FPadding, FPadding, text);
    return;
  }
  const int32_t w = RectWidth(r);
  int32_t x = FPadding;
  if (FAlignment == taRightJustify) x = w - FPadding - FTextWidth;
  if (FAlignment == taCenter) x = (w - 2 * FPadding - FTextWidth) / 2;
  c->TextOut(x, (RectHeight(r) - th) / 2, text);
}

void RegisterQzStdCtrlsClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterEnumNames<TQzBackgroundStyle>({"cbsGradientHorz", "cbsGradientVert", "cbsSolid", "cbsTransparent"});
  TClassRegistrar<TQzCustomHeaderBar>("TQzCustomHeaderBar", "TQzCustomWinControl", false);
  TClassRegistrar<TQzHeaderBar>("TQzHeaderBar", "TQzCustomHeaderBar", true)
      .Custom("Bitmap",
              [](TQzHeaderBar* B, const TFormValue& V, TFormReader&) {
                QzLoadBitmapResource(formreader_detail::ToString(V), B->GetBitmap());
              })
      .Prop("InfoText", &TQzHeaderBar::SetInfoText)
      .Prop("Padding", &TQzHeaderBar::SetPadding)
      .Prop("TextPosition", &TQzHeaderBar::SetTextPosition)
      .Prop("BottomLine", &TQzHeaderBar::SetBottomLine)
      .Prop("OptimizedImage", &TQzHeaderBar::SetOptimizedImage)
      .Prop("MoveWindow", &TQzHeaderBar::SetMoveWindow);
  TClassRegistrar<TQzCustomLabel>("TQzCustomLabel", "TQzCustomGraphicControl", false);
  TClassRegistrar<TQzLabel>("TQzLabel", "TQzCustomLabel", true)
      .Prop("Alignment", &TQzLabel::SetAlignment)
      .Prop("Padding", &TQzLabel::SetPadding)
      .Prop("BackgroundStyle", &TQzLabel::SetBackgroundStyle);

  using M = TQzCustomThemeManager;
  // Registration takes the label as a plain label: its font colour, no link, and the walk ends.
  M::ClientFirstTable().Add<TQzLabel>(
      [](TComponent* c, M* m) { static_cast<TQzLabel*>(c)->GetFont()->SetColor(m->GetThemeColor(154)); });
  M::FormTable().Add<TQzLabel>([](TComponent* c, M* m) {
    QzLinkThemeThenColour(static_cast<TQzLabel*>(c), m, [m](TQzLabel* l) { l->GetFont()->SetColor(m->GetThemeColor(3)); });
  });
  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzLabel>(V::CaptionAndHint(false, true, false));
  V::ClassTable().Add<TQzHeaderBar>([](TComponent* c, V* vls, const std::string& group) {
    V::CaptionAndHint(true, true, false)(c, vls, group);
    std::string s;
    if (vls->ReadText(group, c->GetName(), "Info", s)) static_cast<TQzHeaderBar*>(c)->SetInfoText(s);
  });
}
