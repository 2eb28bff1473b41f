#include "ui/controls/QzTabSet.h"

#include <algorithm>

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzSafeMath.h"

struct TQzCustomTabSet::TColors {
  TColor Active, Line1, Line2, Text, ActiveText, HotText, DisabledText, GradStart, GradEnd;
};

TQzCustomTabSet::TQzCustomTabSet(TComponent* AOwner)
    : TQzCustomWinControl(AOwner), FTabs(std::make_unique<TStringList>()) {
  FTabs->OnChange = [this](TObject* Sender) { TabsChanged(Sender); };
  for (int i = 0; i < 2; ++i) {
    TQzButton* b = QzCreate<TQzButton>(this);
    b->Tag = i + 1;
    // Right-aligned controls line up by their right edges: ">>" starts right of "<<" and stays so.
    b->SetBounds(i * 24, 0, 24, b->GetHeight());
    b->SetAlign(alRight);
    b->SetCaption(i == 0 ? "<<" : ">>");
    b->OnClick = [this](TObject* Sender) { ScrollButtonClick(Sender); };
    b->SetVisible(false);
    b->SetParent(this);
    FScrollButtons[i] = b;
  }
  SetBounds(GetLeft(), GetTop(), 500, 55);
}

TQzCustomTabSet::~TQzCustomTabSet() { FTabs->OnChange = nullptr; }

void TQzCustomTabSet::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    FNeedsMetrics = true;
    if (!IsDestroying()) Invalidate();
  }
}

void TQzCustomTabSet::ScrollButtonClick(TObject* Sender) {
  auto* b = dynamic_cast<TComponent*>(Sender);
  if (!b) return;
  if (b->Tag == 1) ScrollLeft();
  if (b->Tag == 2) ScrollRight();
}

// --- properties ---------------------------------------------------------------------------------

void TQzCustomTabSet::SetTabSize(int32_t Value) {
  Value = std::max<int32_t>(Value, 10);
  if (Value == FTabSize) return;
  FTabSize = Value;
  MetricsChanged();
  Invalidate();
}

void TQzCustomTabSet::SetIndent(int32_t Value) {
  const uint16_t v = QzNarrow<uint16_t>(Value);
  if (v == FIndent) return;
  FIndent = v;
  MetricsChanged();
  Invalidate();
}

void TQzCustomTabSet::SetPaddingHorz(int32_t Value) {
  Value = std::max<int32_t>(Value, 0);
  if (Value == FPaddingHorz) return;
  FPaddingHorz = Value;
  MetricsChanged();
  Invalidate();
}

void TQzCustomTabSet::SetPaddingVert(int32_t Value) {
  Value = std::max<int32_t>(Value, 0);
  if (Value == FPaddingVert) return;
  FPaddingVert = Value;
  MetricsChanged();
  Invalidate();
}

void TQzCustomTabSet::SetStyle(TQzTabSetStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  MetricsChanged();
  Invalidate();
}

void TQzCustomTabSet::SetOptions(TQzTabSetOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  UpdateScrollButtons();
  Invalidate();
}

void TQzCustomTabSet::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TQzCustomTabSet::SetHotTrack(bool Value) {
  if (Value == FHotTrack) return;
  FHotTrack = Value;
  Invalidate();
}

void TQzCustomTabSet::SetImages(TCustomImageList* Value) {
  if (Value == FImages || IsDestroying()) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  MetricsChanged();
  Invalidate();
}

int32_t TQzCustomTabSet::ClampTab(int32_t Value) const {
  const int32_t count = GetTabCount();
  return count <= 0 ? -1 : QzClamp(Value, 0, count - 1);
}

void TQzCustomTabSet::SetActiveTab(int32_t Value) {
  Value = ClampTab(Value);
  if (Value == FActiveTab) return;
  FActiveTab = Value;
  MetricsChanged();
  Invalidate();
  ActiveTabChanged();
}

void TQzCustomTabSet::SetActiveTabQuiet(int32_t Value) {
  FActiveTab = Value == -1 ? -1 : ClampTab(Value);
  if (FHotTab >= GetTabCount()) FHotTab = -1;
}

void TQzCustomTabSet::TabsChanged(TObject*) {
  if (IsDestroying()) return;
  SetActiveTabQuiet(ClampTab(FActiveTab));
  MetricsChanged();
  if (!IsDestroying()) Invalidate();
}

std::string TQzCustomTabSet::GetTabCaption(int32_t Index) const {
  return Index >= 0 && Index < FTabs->Count() ? FTabs->Get(Index) : std::string();
}

TColor TQzCustomTabSet::GetActiveTabColor() const {
  return IsThemed() ? GetThemeManager()->GetThemeColor(25) : 0x808080;
}

TQzCustomTabSet::TColors TQzCustomTabSet::Colors() const {
  if (IsThemed()) {
    TQzCustomThemeManager* m = GetThemeManager();
    return {m->GetThemeColor(25), m->GetThemeColor(8),  m->GetThemeColor(7),  m->GetThemeColor(27), m->GetThemeColor(29),
            m->GetThemeColor(28), m->GetThemeColor(30), m->GetThemeColor(23), m->GetThemeColor(1)};
  }
  return {0x808080,        clBtnHighlight, clBtnShadow,    clWindowText, clHighlightText,
          clHighlightText, clGrayText,     clBtnHighlight, GetColor()};
}

TFont* TQzCustomTabSet::TabFont() const {
  return IsThemed() ? GetThemeManager()->GetThemeFont() : GetFont();
}

// --- metrics and geometry -----------------------------------------------------------------------

void TQzCustomTabSet::MetricsChanged() {
  FTabWidth = QzNarrow<int16_t>(FTabSize);
  FNeedsMetrics = true;
  if (HandleAllocated() && !IsLoading() && !IsDestroying()) UpdateMetrics();
  UpdateScrollButtons();
}

void TQzCustomTabSet::Resize() {
  TQzCustomWinControl::Resize();
  UpdateScrollButtons();
}

void TQzCustomTabSet::UpdateScrollButtons() {
  if (!FScrollButtons[0] || !FScrollButtons[1] || IsDestroying()) return;
  const int64_t end = int64_t{FIndent} + int64_t{GetTabCount()} * FTabWidth;
  const bool show = FOptions.Contains(tsoEnableScrolling) && end > GetClientWidth();
  // Both at once: aligned one by one, the first shown would take the right edge.
  DisableAlign();
  for (TQzButton* b : FScrollButtons)
    if (b->GetVisible() != show) b->SetVisible(show);
  EnableAlign();
  SetScrollOffset(FScrollOffset);
}

int32_t TQzCustomTabSet::GetTabAreaWidth() const {
  int32_t w = GetClientWidth();
  for (TQzButton* b : FScrollButtons)
    if (b && b->GetVisible()) w -= b->GetWidth();
  return std::max(w, 0);
}

void TQzCustomTabSet::UpdateMetrics() {
  if (!HandleAllocated()) return;
  FNeedsMetrics = false;
  FTabWidth = QzNarrow<int16_t>(FTabSize);
  int32_t textHeight = QzMeasureText(TabFont(), "XYg#").cy;
  if (FImages) textHeight = std::max(textHeight, FImages->GetHeight());
  const int32_t needed = QzNarrow<int32_t>(int64_t{textHeight} + 2 * int64_t{FPaddingVert} + 6);
  if (GetClientHeight() < needed) SetClientHeight(needed);
}

void TQzCustomTabSet::CreateHandle() {
  TQzCustomWinControl::CreateHandle();
  if (FNeedsMetrics) UpdateMetrics();
}

void TQzCustomTabSet::Loaded() {
  TQzCustomWinControl::Loaded();
  MetricsChanged();
}

void TQzCustomTabSet::FontChanged(TObject* Sender) {
  MetricsChanged();
  TQzCustomWinControl::FontChanged(Sender);
}

void TQzCustomTabSet::ThemeChanged() {
  MetricsChanged();
  TQzCustomWinControl::ThemeChanged();
}

TRect TQzCustomTabSet::GetTabPartRect(int32_t Index, int Part) const {
  if (Index < 0 || Index >= GetTabCount()) return Rect(0, 0, 0, 0);
  // Far-scrolled tabs of a long list lie beyond 32 bits: worked out wide, then saturated.
  int64_t l = int64_t{FIndent} - FScrollOffset + int64_t{Index} * FTabWidth, r = l + FTabWidth;
  int64_t t = 0, b = GetClientHeight();
  if (FStyle == tssButtons) {
    l += 2, t += 2, r -= 2, b -= 2;
  } else if (Index != FActiveTab) {
    t += 5;
  }
  if (Part == 1) {
    if (!FImages) return Rect(0, 0, 0, 0);
    const int64_t w = FImages->GetWidth(), h = FImages->GetHeight();
    l += FPaddingHorz + 3;
    t += (b - t - h) / 2;
    r = l + w;
    b = t + h;
  } else if (Part == 2) {
    if (FImages) l += FImages->GetWidth() + 6 + int64_t{FPaddingHorz};
    l += 5, r -= 5, t += 1, b -= 1;
  }
  return Rect(QzNarrow<int32_t>(l), QzNarrow<int32_t>(t), QzNarrow<int32_t>(r), QzNarrow<int32_t>(b));
}

int32_t TQzCustomTabSet::TabAtPos(int32_t X, int32_t Y) const {
  const int32_t count = GetTabCount();
  for (int32_t i = 0; i < count; ++i) {
    const TRect r = GetTabPartRect(i, 0);
    if (r.Left > X) break;  // tabs run left to right
    if (QzPtInRect(r, {X, Y})) return i;
  }
  return -1;
}

int32_t TQzCustomTabSet::GetMaxScrollOffset() const {
  const int64_t end = int64_t{FIndent} + int64_t{GetTabCount()} * FTabWidth;
  return QzNarrow<int32_t>(std::max<int64_t>(0, end - GetTabAreaWidth()));
}

void TQzCustomTabSet::SetScrollOffset(int32_t Value) {
  Value = QzClamp(Value, 0, GetMaxScrollOffset());
  if (Value == FScrollOffset) return;
  FScrollOffset = Value;
  Invalidate();
}

bool TQzCustomTabSet::ScrollLeft() {
  const int32_t old = FScrollOffset;
  SetScrollOffset(QzStepSat(FScrollOffset, -(FTabWidth / 2)));
  return FScrollOffset != old;
}

bool TQzCustomTabSet::ScrollRight() {
  const int32_t old = FScrollOffset;
  SetScrollOffset(QzStepSat(FScrollOffset, FTabWidth / 2));
  return FScrollOffset != old;
}

// --- input --------------------------------------------------------------------------------------

void TQzCustomTabSet::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  // A click takes no focus: the strip is reached by Tab only when TabStop is set.
  FMouseState = Button == mbLeft ? 1 : Button == mbRight ? 2 : 0;
  if (Button == mbLeft && GetTabCount() > 0) {
    // Only a tab selects: a click on the strip's empty space leaves the active tab alone.
    const int32_t tab = TabAtPos(X, Y);
    if (tab >= 0) {
      SetActiveTab(tab);
      Invalidate();
      if (OnActiveTabChanged) OnActiveTabChanged(this);
    }
  }
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomTabSet::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (GetTabCount() > 0) {
    const int32_t tab = TabAtPos(X, Y);
    if (tab != FHotTab) {
      FHotTab = tab;
      Invalidate();
    }
  }
  TQzCustomWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomTabSet::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseState = 0;
  TQzCustomWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomTabSet::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_LEFT) ScrollLeft();
  if (Key == VK_RIGHT) ScrollRight();
  TQzCustomWinControl::KeyDown(Key, Shift);
}

void TQzCustomTabSet::CMMouseLeave(TMessage& Message) {
  if (FHotTab != -1) {
    FHotTab = -1;
    Invalidate();
  }
  TQzCustomWinControl::CMMouseLeave(Message);
}

// --- painting -----------------------------------------------------------------------------------

void TQzCustomTabSet::DrawImage(TCanvas* C, int32_t Index) {
  if (!FImages) return;
  const int32_t image = OnGetImageIndex ? OnGetImageIndex(this, Index) : Index;
  if (image < 0 || image >= FImages->GetCount()) return;
  const TRect p = GetTabPartRect(Index, 1);
  FImages->Draw(C, p.Left, p.Top, image, true);
}

void TQzCustomTabSet::DrawTab(TCanvas* C, const TColors& K, int32_t Index, const TRect& R, bool Active) {
  const bool hot = Index == FHotTab;
  if (IsThemed()) GetThemeManager()->FillTabSetBackground(this, C, R, Active ? 2 : hot ? 1 : 0);
  if (Active) {
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(GetActiveTabColor());
    C->FillRect(R);
  }
  DrawImage(C, Index);
  C->SetFont(TabFont());
  C->GetFont()->SetColor(!IsEnabled() ? K.DisabledText : Active ? K.ActiveText : hot ? K.HotText : K.Text);
  C->GetBrush()->SetStyle(bsClear);
  const uint8_t halign = FAlignment == taLeftJustify ? 0 : FAlignment == taRightJustify ? 2 : 1;
  DrawAlignedText(C, GetTabCaption(Index), GetTabPartRect(Index, 2), halign, 1, true);
}

void TQzCustomTabSet::Paint() {
  if (FNeedsMetrics) UpdateMetrics();
  TCanvas* c = GetCanvas();
  const TColors k = Colors();
  const int32_t W = GetClientWidth(), H = GetClientHeight();
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(GetColor());
  c->FillRect(GetClientRect());

  const int32_t count = GetTabCount();
  // A notebook may have lost pages since the tab was set: such a tab is drawn as no tab.
  const int32_t active = FActiveTab >= 0 && FActiveTab < count ? FActiveTab : -1;
  // A button's caption has one colour for the active and one for every other button: the hot and
  // the disabled colours are the raised tabs' own.
  auto drawButton = [&](int32_t i, const TRect& r, TColor from, TColor text) {
    c->GradientFill(r, from, k.GradEnd, gdVertical);
    DrawImage(c, i);
    if (!FOptions.Contains(tsoShowText)) return;
    c->SetFont(TabFont());
    c->GetFont()->SetColor(text);
    DrawAlignedText(c, GetTabCaption(i), r, 1, 1, false);
  };
  for (int32_t i = 0; i < count; ++i) {
    const TRect r = GetTabPartRect(i, 0);
    if (r.Left >= W) break;
    if (i == active) continue;
    if (FStyle == tssTabs)
      DrawTab(c, k, i, r, false);
    else
      drawButton(i, r, k.GradStart, k.Text);
  }

  if (active < 0) {
    SetCanvasPen(c, 1, k.Line1, psSolid);
    c->Line(0, H - 1, W, H - 1);
  } else if (FStyle == tssTabs) {
    const TRect r = GetTabPartRect(active, 0);
    DrawTab(c, k, active, r, true);
    SetCanvasPen(c, 1, k.Line1, psSolid);
    c->MoveTo(r.Left, r.Bottom - 1);
    c->LineTo(r.Left, r.Top);
    c->LineTo(r.Right - 1, r.Top);
    c->Line(0, H - 1, r.Left, H - 1);
    c->Line(r.Right, H - 1, W, H - 1);
    SetCanvasPen(c, 1, k.Line2, psSolid);
    c->Line(r.Right - 1, r.Top, r.Right - 1, r.Bottom);
  } else {
    drawButton(active, GetTabPartRect(active, 0), GetActiveTabColor(), k.ActiveText);
  }
  TQzCustomWinControl::Paint();
}

// --- notebook tab set ---------------------------------------------------------------------------

void TQzCustomNotebookTabSet::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomTabSet::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FNotebook) {
    FNotebook = nullptr;
    SetActiveTabQuiet(-1);
    if (!IsDestroying()) Invalidate();
  }
}

void TQzCustomNotebookTabSet::BeforeDestruction() {
  TQzCustomTabSet::BeforeDestruction();
  if (FNotebook) FNotebook->RemoveFreeNotification(this);
  FNotebook = nullptr;
}

void TQzCustomNotebookTabSet::SetNotebook(TNotebook* Value) {
  if (Value == FNotebook || IsDestroying()) return;
  if (FNotebook) FNotebook->RemoveFreeNotification(this);
  FNotebook = Value;
  if (FNotebook) FNotebook->FreeNotification(this);
  SetActiveTabQuiet(FNotebook ? FNotebook->GetPageIndex() : -1);
  MetricsChanged();
  Invalidate();
}

int32_t TQzCustomNotebookTabSet::GetTabCount() const { return FNotebook ? FNotebook->PageCount() : 0; }

std::string TQzCustomNotebookTabSet::GetTabCaption(int32_t Index) const {
  if (!FNotebook || Index < 0 || Index >= FNotebook->PageCount()) return {};
  TPage* page = FNotebook->GetPage(Index);
  return page->GetCaption().empty() ? page->GetName() : page->GetCaption();
}

void TQzCustomNotebookTabSet::ActiveTabChanged() {
  if (!FNotebook) return;
  FNotebook->SetPageIndex(GetActiveTab());
  if (GetStyle() == tssTabs)
    if (TPage* page = FNotebook->GetActivePage()) page->SetColor(GetActiveTabColor());
}

// --- registration -------------------------------------------------------------------------------

void RegisterQzTabSetClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzButtonsClasses();
  RegisterEnumNames<TQzTabSetStyle>({"tssTabs", "tssButtons"});
  RegisterEnumNames<TQzTabSetOption>({"tsoShowText", "tsoEnableScrolling"});
  TClassRegistrar<TQzCustomTabSet>("TQzCustomTabSet", "TQzCustomWinControl", false);
  TClassRegistrar<TQzCustomNotebookTabSet>("TQzCustomNotebookTabSet", "TQzCustomTabSet", false);
  TClassRegistrar<TQzNotebookTabSet>("TQzNotebookTabSet", "TQzCustomNotebookTabSet", true)
      .Prop("TabSize", &TQzNotebookTabSet::SetTabSize)
      .Prop("Indent", &TQzNotebookTabSet::SetIndent)
      .Prop("PaddingHorz", &TQzNotebookTabSet::SetPaddingHorz)
      .Prop("PaddingVert", &TQzNotebookTabSet::SetPaddingVert)
      .Prop("Style", &TQzNotebookTabSet::SetStyle)
      .Prop("Options", &TQzNotebookTabSet::SetOptions)
      .Prop("Alignment", &TQzNotebookTabSet::SetAlignment)
      .Prop("HotTrack", &TQzNotebookTabSet::SetHotTrack)
      .Prop("Images", &TQzNotebookTabSet::SetImages)
      .Prop("Notebook", &TQzNotebookTabSet::SetNotebook)
      .Prop("OnActiveTabChanged", &TQzNotebookTabSet::OnActiveTabChanged)
      .Prop("OnGetImageIndex", &TQzNotebookTabSet::OnGetImageIndex);
  TQzCustomThemeManager::ClientTable().Add<TQzNotebookTabSet>([](TComponent* c, TQzCustomThemeManager* m) {
    auto* t = static_cast<TQzNotebookTabSet*>(c);
    t->SetThemeManager(m);
    if (t->GetUseThemeBackground()) t->SetColor(m->GetThemeColor(1));
    t->ThemeChanged();
  });
}
