#include "ui/controls/QzControlPanel.h"

#include <algorithm>

#include "platform/FormReader.h"
#include "platform/Graphics.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"

namespace {
constexpr TColor kHeaderColor = 0xC0C0C0;
constexpr TColor kButtonFrame = 0x808080;
}  // namespace

// ---- header ----

TQzControlPanelBoxHeader::TQzControlPanelBoxHeader(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  SetAlign(alTop);
  SetHeight(16);
  SetColor(kHeaderColor);
  FitHeight();
}

void TQzControlPanelBoxHeader::FitHeight() {
  TBitmap b;
  b.SetSize(1, 1);
  b.GetCanvas()->SetFont(GetFont());
  int32_t h = b.GetCanvas()->TextHeight("XYg|#") + 4;
  if (h % 2 != 0) ++h;
  if (h != GetClientHeight()) SetClientHeight(h);
}

void TQzControlPanelBoxHeader::CMFontChanged(TMessage& Message) {
  TQzCustomWinControl::CMFontChanged(Message);
  FitHeight();
}

TQzControlPanelBox* TQzControlPanelBoxHeader::Box() const { return dynamic_cast<TQzControlPanelBox*>(GetOwner()); }

TRect TQzControlPanelBoxHeader::ButtonRect(int Button) const {
  const int32_t w = GetClientWidth();
  const int32_t s = std::max(0, GetClientHeight() - 6);
  int32_t left;
  switch (Button) {
    case 1: left = 3; break;
    case 2: left = w - s - 3; break;
    case 3: left = w - 2 * s - 6; break;
    case 4: left = w - 3 * s - 9; break;
    default: return Rect(s + 6, 3, std::max(s + 6, w - 3 * (s + 3) - 3), 3 + s);
  }
  return Rect(left, 3, left + s, 3 + s);
}

int TQzControlPanelBoxHeader::ButtonAt(int32_t X, int32_t Y) const {
  for (int b = 1; b <= 4; ++b)
    if (QzPtInRect(ButtonRect(b), Point(X, Y))) return b;
  return 0;
}

void TQzControlPanelBoxHeader::Paint() {
  TQzCustomWinControl::Paint();
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  TQzControlPanelBox* box = Box();
  TQzCustomControlPanel* panel = box ? box->GetPanel() : nullptr;
  const int32_t index = box ? box->GetIndex() : -1;
  DrawFrameRect(c, ButtonRect(1), kButtonFrame);
  DrawFrameRect(c, ButtonRect(2), kButtonFrame);
  const TRect caption = ButtonRect(0);
  if (box && !box->GetCaption().empty() && caption.Right > caption.Left)
    DrawAlignedText(c, box->GetCaption(), caption, 0, 1, true);
  if (panel && index + 1 < panel->BoxCount()) DrawFrameRect(c, ButtonRect(3), kButtonFrame);
  if (panel && index > 0) DrawFrameRect(c, ButtonRect(4), kButtonFrame);
}

void TQzControlPanelBoxHeader::MouseDown(TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
  TQzControlPanelBox* box = Box();
  if (Button != mbLeft || !box) return;
  TQzCustomControlPanel* panel = box->GetPanel();
  const int32_t index = box->GetIndex();
  switch (ButtonAt(X, Y)) {
    case 1: box->SetExpanded(!box->GetExpanded()); break;
    case 2: box->SetVisible(false); break;
    case 3:
      if (panel && index + 1 < panel->BoxCount()) {
        // Just above this box: the panel's sort puts this box after it.
        panel->GetBox(index + 1)->SetTop(box->GetTop() - 1);
        panel->Realign();
        Invalidate();
      }
      break;
    case 4:
      if (panel && index > 0) {
        box->SetTop(panel->GetBox(index - 1)->GetTop() - 1);
        panel->Realign();
        Invalidate();
      }
      break;
    default: break;
  }
}

// ---- box ----

TQzControlPanelBox::TQzControlPanelBox(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Include(csAcceptsControls);
  ControlStyle.Include(csSetCaption);
  FExpandedHeight = GetHeight();
  FHeader = QzCreate<TQzControlPanelBoxHeader>(this);
  FHeader->SetParent(this);
}

TQzControlPanelBox::~TQzControlPanelBox() {
  if (FPanel) FPanel->RemoveBox(this);
}

void TQzControlPanelBox::SetParent(TWinControl* AParent) {
  TQzCustomWinControl::SetParent(AParent);
  auto* panel = dynamic_cast<TQzCustomControlPanel*>(GetParent());
  if (FPanel && FPanel != panel) FPanel->RemoveBox(this);
  if (panel) panel->AddBox(this);
}

void TQzControlPanelBox::SetExpanded(bool Value) {
  if (Value == FExpanded) return;
  FExpanded = Value;
  if (!Value) {
    FExpandedHeight = GetHeight();
    SetHeight(FHeader->GetHeight());
  } else {
    SetHeight(FExpandedHeight);
  }
  if (FPanel) FPanel->ExpandedChanged();
}

void TQzControlPanelBox::SetVisible(bool Value) {
  const bool was = GetVisible();
  TQzCustomWinControl::SetVisible(Value);
  if (FPanel && was != GetVisible()) FPanel->Realign();
}

int32_t TQzControlPanelBox::GetIndex() const { return FPanel ? FPanel->IndexOfBox(this) : -1; }

void TQzControlPanelBox::SetIndex(int32_t Value) {
  if (!FPanel || Value == GetIndex()) return;
  FPanel->MoveBox(this, Value);
}

// ---- panel ----

TQzCustomControlPanel::TQzCustomControlPanel(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Exclude(csAcceptsControls);
}

TQzCustomControlPanel::~TQzCustomControlPanel() {
  // The base destructors free the boxes still parented here, after this list is gone: let them
  // go first, so none of them reaches back into it.
  for (TQzControlPanelBox* b : FBoxes) b->FPanel = nullptr;
  FBoxes.clear();
}

void TQzCustomControlPanel::SetBorderHorz(uint8_t Value) {
  FBorderHorz = Value;
  Invalidate();
}

void TQzCustomControlPanel::SetBorderVert(uint8_t Value) {
  FBorderVert = Value;
  Invalidate();
}

void TQzCustomControlPanel::SetItemSpace(uint8_t Value) {
  FItemSpace = Value;
  Invalidate();
}

TQzControlPanelBox* TQzCustomControlPanel::GetBox(int32_t Index) const {
  if (Index < 0 || Index >= BoxCount()) return nullptr;
  return FBoxes[static_cast<size_t>(Index)];
}

int32_t TQzCustomControlPanel::IndexOfBox(const TQzControlPanelBox* Box) const {
  const auto it = std::find(FBoxes.begin(), FBoxes.end(), Box);
  return it == FBoxes.end() ? -1 : static_cast<int32_t>(it - FBoxes.begin());
}

// A box that comes waits for the next layout (boxes usually come in a row, from a form
// description, each with its Top); one that goes leaves no gap.
void TQzCustomControlPanel::AddBox(TQzControlPanelBox* Box) {
  Box->FPanel = this;
  if (IndexOfBox(Box) < 0) FBoxes.push_back(Box);
}

void TQzCustomControlPanel::RemoveBox(TQzControlPanelBox* Box) {
  FBoxes.erase(std::remove(FBoxes.begin(), FBoxes.end(), Box), FBoxes.end());
  if (Box->FPanel == this) Box->FPanel = nullptr;
  if (!IsDestroying()) Realign();
}

void TQzCustomControlPanel::MoveBox(TQzControlPanelBox* Box, int32_t Index) {
  const int32_t from = IndexOfBox(Box);
  if (from < 0) return;
  Index = std::clamp(Index, 0, BoxCount() - 1);
  FBoxes.erase(FBoxes.begin() + from);
  FBoxes.insert(FBoxes.begin() + Index, Box);
  // The layout sorts by Top: Tops in list order keep the move (the layout rewrites them).
  DisableAlign();
  int32_t top = 0;
  for (TQzControlPanelBox* b : FBoxes) b->SetTop(top++);
  EnableAlign();
  Realign();
}

void TQzCustomControlPanel::ExpandedChanged() {
  Realign();
  Invalidate();
  if (OnExpandedChanged) OnExpandedChanged(this);
}

void TQzCustomControlPanel::AlignControls(TControl* AControl, TRect& ARect) {
  TQzCustomWinControl::AlignControls(AControl, ARect);
  for (TQzControlPanelBox* b : FBoxes)
    if (b->FExpanded) b->FExpandedHeight = b->GetHeight();
  std::stable_sort(FBoxes.begin(), FBoxes.end(),
                   [](const TQzControlPanelBox* a, const TQzControlPanelBox* b) { return a->GetTop() < b->GetTop(); });
  // The filler is the last visible box; hidden boxes take no room.
  TQzControlPanelBox* last = nullptr;
  for (TQzControlPanelBox* b : FBoxes)
    if (b->GetVisible()) last = b;
  const int32_t w = std::max(0, GetClientWidth() - 2 * FBorderHorz);
  int32_t y = FBorderVert;
  for (TQzControlPanelBox* b : FBoxes) {
    b->SetThemeManager(GetThemeManager());
    b->FHeader->SetThemeManager(GetThemeManager());
    if (!b->GetVisible()) continue;
    int32_t h = b->FHeader->GetHeight();
    if (b->FExpanded) {
      if (b == last) b->FExpandedHeight = std::max(h, GetClientHeight() - y);
      h = b->FExpandedHeight;
    }
    b->SetBounds(FBorderHorz, y, w, h);
    y += h + FItemSpace;
  }
}

// ---- registration ----

void RegisterQzControlPanelClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  TClassRegistrar<TQzControlPanelBoxHeader>("TQzControlPanelBoxHeader", "TQzCustomWinControl", true);
  TClassRegistrar<TQzControlPanelBox>("TQzControlPanelBox", "TQzCustomWinControl", true)
      .Prop("Expanded", &TQzControlPanelBox::SetExpanded)
      .Prop("Index", &TQzControlPanelBox::SetIndex);
  TClassRegistrar<TQzCustomControlPanel>("TQzCustomControlPanel", "TQzCustomWinControl", false);
  TClassRegistrar<TQzControlPanel>("TQzControlPanel", "TQzCustomControlPanel", true)
      .Prop("BorderHorz", &TQzCustomControlPanel::SetBorderHorz)
      .Prop("BorderVert", &TQzCustomControlPanel::SetBorderVert)
      .Prop("ItemSpace", &TQzCustomControlPanel::SetItemSpace)
      .Prop("OnExpandedChanged", &TQzCustomControlPanel::OnExpandedChanged);

  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzControlPanelBox>(V::CaptionAndHint(false, true, false));
}
