#include "ui/controls/QzAudioSwitchGroup.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/FormReader.h"
#include "platform/ImgList.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"

TQzCustomAudioSwitchGroup::TQzCustomAudioSwitchGroup(TComponent* AOwner)
    : TQzCustomAudioOrientationWinControl(AOwner),
      FCheckedPicture(std::make_unique<TBitmap>()),
      FUncheckedPicture(std::make_unique<TBitmap>()),
      FItems(std::make_unique<TStringList>()) {
  FItems->Add("A");
  FItems->Add("B");
  FChecked.assign(2, false);
  FItems->OnChange = [this](TObject*) { ItemsChanged(); };
  SetPadding(2);
  SetParentColor(false);
  SetBounds(GetLeft(), GetTop(), 100, 35);
}

void TQzCustomAudioSwitchGroup::ThemeChanged() {
  const std::pair<TBitmap*, uint16_t> faces[] = {{FCheckedPicture.get(), QzThemeSwitchCheckedPictureID},
                                                 {FUncheckedPicture.get(), QzThemeSwitchUncheckedPictureID}};
  for (const auto& [face, id] : faces) {
    if (!IsThemed()) {
      face->SetSize(0, 0);
      continue;
    }
    TGraphic* g = GetThemeManager()->GetThemePicture(id);
    if (!g) continue;
    face->Assign(g);
    face->SetTransparent(true);
  }
  TQzCustomAudioOrientationWinControl::ThemeChanged();
}

TQzCustomAudioSwitchGroup::~TQzCustomAudioSwitchGroup() { FItems->OnChange = nullptr; }

void TQzCustomAudioSwitchGroup::SetItems(TStringList* Value) {
  if (Value && Value != FItems.get()) FItems->Assign(Value);
}

void TQzCustomAudioSwitchGroup::ItemsChanged() {
  FChecked.resize(static_cast<size_t>(FItems->Count()), false);
  if (FClickedIndex >= ItemCount()) FClickedIndex = -1;
  // Whatever the selection mode: a group with items never comes out of an items change with
  // none checked.
  if (!FChecked.empty() && std::find(FChecked.begin(), FChecked.end(), true) == FChecked.end()) FChecked[0] = true;
  NeedLayout();
  DoChanged();
}

bool TQzCustomAudioSwitchGroup::GetChecked(int32_t Index) const {
  return Index >= 0 && Index < ItemCount() && FChecked[static_cast<size_t>(Index)];
}

void TQzCustomAudioSwitchGroup::SetChecked(int32_t Index, bool State) {
  if (Index < 0 || Index >= ItemCount() || GetChecked(Index) == State) return;
  if (FOptions.Contains(ASG_SINGLE_SELECTION)) std::fill(FChecked.begin(), FChecked.end(), false);
  FChecked[static_cast<size_t>(Index)] = State;
  Invalidate();
  DoChanged();
}

void TQzCustomAudioSwitchGroup::SetStyle(TQzAudioSwitchStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Refresh();
}

void TQzCustomAudioSwitchGroup::SetSelectedStyle(TQzAudioSwitchStyle Value) {
  if (Value == FSelectedStyle) return;
  FSelectedStyle = Value;
  Refresh();
}

void TQzCustomAudioSwitchGroup::SetAudioBorderStyle(TQzAudioBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  NeedLayout();
}

void TQzCustomAudioSwitchGroup::SetOptions(TQzAudioSwitchGroupOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  NeedLayout();
  TControl::Changed();
}

void TQzCustomAudioSwitchGroup::SetImageAlign(TQzAudioSwitchGroupImageAlign Value) {
  if (Value == FImageAlign) return;
  FImageAlign = Value;
  NeedLayout();
}

void TQzCustomAudioSwitchGroup::UpdateLayout() {
  if (HandleAllocated()) {
    TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    const TSize x = c->TextExtent("X");
    FTextWidth = x.cx;
    FTextHeight = x.cy;
  }
  TQzCustomAudioOrientationWinControl::UpdateLayout();
}

void TQzCustomAudioSwitchGroup::Cells(int32_t& Start, int32_t& Cell) const {
  const int32_t extent = GetOrientation() == acoHorizontal ? GetClientWidth() : GetClientHeight();
  const int32_t n = ItemCount();
  // A group narrower than its padding has empty cells rather than inverted ones.
  Cell = std::max(0, extent - 2 * GetPadding());
  Start = 0;
  if (n < 1) return;
  Cell /= n;
  Start = std::max<int64_t>(0, (static_cast<int64_t>(extent) - static_cast<int64_t>(Cell) * n) / 2);
}

TRect TQzCustomAudioSwitchGroup::GetItemRect(int32_t Index) const {
  int32_t start = 0, cell = 0;
  Cells(start, cell);
  const int32_t pad = GetPadding(), n = ItemCount();
  const int32_t w = GetClientWidth(), h = GetClientHeight();
  // 64 bits: the offset of a far item in a long list of wide cells.
  const auto along = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(Index) * cell + start, INT32_MAX / 2));
  TRect r;
  if (GetOrientation() == acoHorizontal) {
    r = Rect(along, pad, along + cell, h - pad);
    if (n > 0 && Index == 0) r.Left = pad;
    if (n > 0 && Index == n - 1) r.Right = w - pad;
  } else {
    r = Rect(pad, along, w - pad, along + cell);
    if (n > 0 && Index == 0) r.Top = pad;
    if (n > 0 && Index == n - 1) r.Bottom = h - pad;
  }
  return Rect(r.Left + FItemGap, r.Top + FItemGap, r.Right - FItemGap, r.Bottom - FItemGap);
}

int32_t TQzCustomAudioSwitchGroup::ItemAtPos(int32_t X, int32_t Y) const {
  for (int32_t i = 0; i < ItemCount(); ++i) {
    const TRect r = GetItemRect(i);
    if (X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom) return i;
  }
  return -1;
}

void TQzCustomAudioSwitchGroup::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled()) {
    QzEndAudioEdit();
    FMouseMode = Button == mbLeft ? 1 : Button == mbRight ? 2 : 0;
    if (Button == mbLeft) {
      if (GetTabStop() && CanFocus()) SetFocus();
      FClickedIndex = ItemAtPos(X, Y);
      // A miss changes nothing; under single selection a click on the checked item neither.
      if (FClickedIndex >= 0)
        SetChecked(FClickedIndex, FOptions.Contains(ASG_SINGLE_SELECTION) || !GetChecked(FClickedIndex));
    }
  }
  TQzCustomAudioOrientationWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomAudioSwitchGroup::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseMode = 0;
  TQzCustomAudioOrientationWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomAudioSwitchGroup::Paint() {
  if (NeedsLayout()) UpdateLayout();
  TCanvas* c = GetCanvas();
  const bool enabled = IsEnabled();
  if (!GetTransparent()) {
    SetCanvasPen(c, 1, GetAudioColor(2, true), psSolid);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(IsThemed() && GetUseThemeBackground() ? GetThemeManager()->GetThemeColor(1) : clBlack);
    c->RoundRect(Rect(0, 0, GetClientWidth(), GetClientHeight()), 4, 4);
  }
  for (int32_t i = 0; i < ItemCount(); ++i) PaintItem(c, i, enabled);
  TQzCustomAudioOrientationWinControl::Paint();
}

void TQzCustomAudioSwitchGroup::PaintItem(TCanvas* C, int32_t Index, bool Enabled) {
  const TRect r = GetItemRect(Index);
  const bool checked = GetChecked(Index);
  const TQzAudioSwitchStyle style = checked ? FSelectedStyle : FStyle;
  const bool showText = FOptions.Contains(ASG_SHOW_TEXT);
  const std::string text = showText ? FItems->Get(Index) : std::string();
  // Every item starts from the control's font: a face's caption leaves the canvas font changed.
  C->SetFont(GetFont());
  C->GetFont()->SetStyle(C->GetFont()->GetStyle() + fsBold);
  TCustomImageList* images = GetImages();
  if (!images) {
    TBitmap* face = checked ? FCheckedPicture.get() : FUncheckedPicture.get();
    if (!face->GetEmpty()) {
      C->StretchDraw(r, face);
      DrawAlignedText(C, text, r, 1, 1, false);
    } else {
      DrawSwitchButton(C, r, Enabled, checked, text, style, false);
    }
  } else {
    DrawSwitchButton(C, r, Enabled, checked, "", style, false);
    if (OnGetImageIndex) {
      const int32_t image = OnGetImageIndex(this, Index);
      // The list is shared: the look is chosen per call, never by changing the list.
      const TDrawingStyle look = checked ? dsNormal : dsSelected;
      const int32_t iw = images->GetWidth(), ih = images->GetHeight();
      const int32_t rw = r.Right - r.Left, rh = r.Bottom - r.Top;
      if (FImageAlign == siaLeft) {
        images->Draw(C, r.Left + 5, r.Top + (rh - ih) / 2, image, look, itImage, Enabled);
        if (showText) DrawAlignedText(C, text, Rect(r.Left + iw + 5, r.Top, r.Right, r.Bottom), 1, 1, false);
      } else {
        const int32_t boxHeight = ih + (showText ? FTextHeight : 0);
        const int32_t top = r.Top + (rh - boxHeight) / 2, bottom = top + boxHeight;
        images->Draw(C, r.Left + (rw - iw) / 2, top + 2, image, look, itImage, Enabled);
        if (showText) DrawAlignedText(C, text, Rect(r.Left, bottom - FTextHeight, r.Right, bottom), 1, 1, false);
      }
    }
  }
  const TColor dark = clBlack, light = 0xC0C0C0;
  Draw3DFrame(C, r, checked ? dark : light, checked ? light : dark);
}

// ---- registration ----

void RegisterQzAudioSwitchGroupClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  RegisterQzAudioPaintEnums();
  RegisterEnumNames<TQzAudioBorderStyle>({"absNone", "absRaised", "absSunken"});
  RegisterEnumNames<TQzAudioSwitchGroupOption>({"ASG_SINGLE_SELECTION", "ASG_SHOW_TEXT"});
  RegisterEnumNames<TQzAudioSwitchGroupImageAlign>({"siaLeft", "siaTop", "siaRight", "siaBottom"});

  TClassRegistrar<TQzCustomAudioSwitchGroup>("TQzCustomAudioSwitchGroup", "TQzCustomAudioOrientationWinControl",
                                             false);
  TClassRegistrar<TQzAudioSwitchGroup>("TQzAudioSwitchGroup", "TQzCustomAudioSwitchGroup", true)
      .Object("Items", &TQzAudioSwitchGroup::GetItems)
      .Prop("BorderStyle", &TQzAudioSwitchGroup::SetAudioBorderStyle)
      .Prop("ImageAlign", &TQzAudioSwitchGroup::SetImageAlign)
      .Prop("Options", &TQzAudioSwitchGroup::SetOptions)
      .Prop("Style", &TQzAudioSwitchGroup::SetStyle)
      .Prop("SelectedStyle", &TQzAudioSwitchGroup::SetSelectedStyle)
      .Prop("OnGetImageIndex", &TQzAudioSwitchGroup::OnGetImageIndex);
}
