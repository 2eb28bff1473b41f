#include "ui/framework/QzThemeCtrls.h"

#include <algorithm>

#include "core/QzUtils.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/ImgList.h"
#include "platform/StdCtrls.h"
#include "ui/framework/QzCtrls.h"
#include "ui/framework/QzDrawUtils.h"

namespace {

using TTable = TQzThemeClassTable;
using M = TQzCustomThemeManager;

void SetEditColours(TWinControl* W, M* m) {
  W->SetBorderStyle(bsNone);
  W->SetColor(m->GetThemeColor(152));
  W->GetFont()->SetColor(m->GetThemeColor(154));
}

void Fill(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->FillRect(R);
}

// A popup menu item in any of the states the theme draws dimmed.
bool Dimmed(TOwnerDrawState S) { return S.Contains(odGrayed) || S.Contains(odDisabled) || S.Contains(odInactive); }

}  // namespace

// Registration's first test: forms, labels and the windowless controls.
TTable& TQzCustomThemeManager::ClientFirstTable() {
  static TTable table({
      TTable::Row<TForm>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(0)); },
                         thwOwned),
      TTable::Row<TLabel>([](TComponent* c, M* m) { static_cast<TControl*>(c)->GetFont()->SetColor(m->GetThemeColor(154)); }),
      TTable::Row<TQzCustomGraphicControl>(
          [](TComponent* c, M* m) { QzLinkTheme(static_cast<TQzCustomGraphicControl*>(c), m); }, thwOwned),
  });
  return table;
}

// Registration's second test. Forms took colour 0 in the first and never reach the generic
// windowed row, which would paint them over in the control colour.
TTable& TQzCustomThemeManager::ClientTable() {
  static TTable table({
      TTable::Row<TForm>({}),
      TTable::Row<TLabeledEdit>([](TComponent* c, M* m) {
        auto* e = static_cast<TLabeledEdit*>(c);
        SetEditColours(e, m);
        e->GetEditLabel()->GetFont()->SetColor(m->GetThemeColor(3));
      }),
      TTable::Row<TEdit>([](TComponent* c, M* m) { SetEditColours(static_cast<TWinControl*>(c), m); }),
      TTable::Row<TMemo>([](TComponent* c, M* m) { SetEditColours(static_cast<TWinControl*>(c), m); }),
      TTable::Row<TNotebook>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(1)); }),
      TTable::Row<TPage>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(1)); }),
      TTable::Row<TLabel>([](TComponent* c, M*) { static_cast<TControl*>(c)->GetFont()->SetColor(0xFFFFFF); }),
      TTable::Row<TQzCustomWinControl>(
          [](TComponent* c, M* m) {
            auto* w = static_cast<TQzCustomWinControl*>(c);
            w->SetThemeManager(m);
            w->ThemeChanged();
            if (w->GetUseThemes() && w->GetUseThemeBackground()) w->SetColor(m->GetThemeColor(1));
          },
          thwChildrenThenOwned),
      // Not reached by the walk's rules for its own sake; a linked component re-reads the theme
      // through this row when the theme changes.
      TTable::Row<TQzCustomComponent>([](TComponent* c, M*) { static_cast<TQzCustomComponent*>(c)->ThemeChanged(); }),
      TTable::Row<TWinControl>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(1)); },
                               thwOwnedThenChildren),
  });
  return table;
}

TTable& TQzCustomThemeManager::FormTable() {
  static TTable table({
      TTable::Row<TQzCustomComponent>([](TComponent* c, M* m) {
        auto* k = static_cast<TQzCustomComponent*>(c);
        k->SetThemeManager(m);
        k->ThemeChanged();
      }),
      TTable::Row<TQzCustomWinControl>([](TComponent* c, M* m) {
        auto* w = static_cast<TQzCustomWinControl*>(c);
        if (w->GetUseThemeBackground() && !w->GetParentColor()) w->SetColor(m->GetThemeColor(1));
        w->SetThemeManager(m);
        w->ThemeChanged();
      }),
      TTable::Row<TNotebook>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(1)); }),
      TTable::Row<TPage>([](TComponent* c, M* m) { static_cast<TControl*>(c)->SetColor(m->GetThemeColor(1)); }),
      TTable::Row<TLabel>([](TComponent* c, M* m) { static_cast<TControl*>(c)->GetFont()->SetColor(m->GetThemeColor(3)); }),
      TTable::Row<TLabeledEdit>([](TComponent* c, M* m) {
        auto* e = static_cast<TLabeledEdit*>(c);
        e->GetEditLabel()->GetFont()->SetColor(m->GetThemeColor(3));
        e->SetColor(m->GetThemeColor(152));
        e->SetBorderStyle(bsNone);
      }),
      TTable::Row<TEdit>([](TComponent* c, M* m) {
        auto* e = static_cast<TEdit*>(c);
        e->SetColor(m->GetThemeColor(152));
        e->SetBorderStyle(bsNone);
      }),
  });
  return table;
}

TQzCustomThemeManager::TQzCustomThemeManager(TComponent* AOwner)
    : TComponent(AOwner), FThemeItems(std::make_unique<TQzThemeItems>(this)) {
  FThemeItems->OnChange = [this](TObject* Sender) { ThemeItemsChanged(Sender); };
}

// Freed by delete, BeforeDestruction has not run; the clients go here, before any part of the
// manager does.
TQzCustomThemeManager::~TQzCustomThemeManager() {
  Destroying();
  LetGo();
  FThemeItems->OnChange = nullptr;
}

void TQzCustomThemeManager::BeforeDestruction() {
  TComponent::BeforeDestruction();
  LetGo();
}

void TQzCustomThemeManager::LetGo() {
  // Hooked menus would call into a freed manager.
  for (TMenu* m : FMenus) {
    m->OnDrawItem = nullptr;
    m->OnMeasureItem = nullptr;
  }
  FMenus.clear();
  FPending.clear();
  // The toolkit tells the clients only from its base destructor, once the client list and the
  // theme are gone: a client told then would unregister from a half-freed manager, and its
  // repaint would paint neighbours still linked to it. So each is told here, while everything is
  // whole: it leaves the list (its own look back), then hears of the removal, which unlinks a
  // linked control through SetThemeManager and lets it follow (ThemeChanged, a repaint at once).
  // A manager being destroyed takes no new link (TQzLinks), so the list only shrinks.
  while (FClients.Count() > 0) {
    TComponent* c = FClients[0];
    TQzCustomThemeManager::UnregisterThemeClient(c);
    c->Notification(this, opRemove);
  }
  RestoreLooks();
}

void TQzCustomThemeManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  FClients.Remove(AComponent);
  std::erase(FPending, AComponent);
  std::erase(FMenus, AComponent);
  FSaved.erase(AComponent);
  if (AComponent == FImages) FImages = nullptr;
}

void TQzCustomThemeManager::Assign(TPersistent* Source) {
  if (!Source || Source == this) return;
  auto* other = dynamic_cast<TQzCustomThemeManager*>(Source);
  if (!other) {
    TComponent::Assign(Source);
    return;
  }
  BeginUpdate();
  FThemeItems->Assign(other->FThemeItems.get());
  EndUpdate();
}

void TQzCustomThemeManager::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) FlushPending();
}

void TQzCustomThemeManager::FlushPending() {
  std::vector<TComponent*> pending;
  pending.swap(FPending);
  for (TComponent* c : pending) RegisterThemeClient(c);
  if (FPendingUpdate) {
    FPendingUpdate = false;
    UpdateClients();
  }
}

void TQzCustomThemeManager::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  UpdateClients();
}

void TQzCustomThemeManager::SetImages(TCustomImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

void TQzCustomThemeManager::ThemeItemsChanged(TObject*) {
  const auto& colours = FThemeItems->GetColors();
  FHasTheme = std::any_of(colours.begin(), colours.end(), [](TColor c) { return c != 0; });
  if (IsUpdating())
    FPendingUpdate = true;
  else
    UpdateClients();
}

void TQzCustomThemeManager::UpdateClients() {
  if (IsDesigning() || IsDestroying()) return;
  if (IsUpdating()) {
    FPendingUpdate = true;
    return;
  }
  if (!GetActive()) RestoreLooks();
  // A client's repaint may not free others, but the list is copied all the same: applying the
  // theme links further controls, which registers them.
  std::vector<TComponent*> clients;
  for (int i = 0; i < FClients.Count(); ++i) clients.push_back(FClients[i]);
  for (TComponent* c : clients) {
    if (!HasClient(c) || c->IsDestroying()) continue;
    if (GetActive()) {
      ApplyToOne(c);
    } else if (auto* k = dynamic_cast<TQzCustomComponent*>(c)) {
      k->ThemeChanged();
    } else if (auto* g = dynamic_cast<TQzCustomGraphicControl*>(c)) {
      g->ThemeChanged();
    } else if (auto* w = dynamic_cast<TQzCustomWinControl*>(c)) {
      w->ThemeChanged();
    }
  }
}

void TQzCustomThemeManager::AddClient(TComponent* Client) {
  if (HasClient(Client)) return;
  FClients.Add(Client);
  Client->FreeNotification(this);
}

void TQzCustomThemeManager::RegisterThemeClient(TComponent* Client) {
  if (!Client || IsDestroying()) return;
  // Listed whatever else happens: the list is what LetGo tells when the manager goes.
  AddClient(Client);
  if (Client->IsDestroying() || IsDesigning()) return;
  if (IsUpdating()) {
    if (std::find(FPending.begin(), FPending.end(), Client) == FPending.end()) FPending.push_back(Client);
    return;
  }
  // A row that links a control registers it again: the walk in progress goes on from it, so only
  // its menus are left to hook.
  if (!FVisiting) {
    std::vector<TComponent*> seen;
    FVisiting = true;
    try {
      Visit(Client, seen);
    } catch (...) {
      FVisiting = false;
      throw;
    }
    FVisiting = false;
  }
  HookMenus(Client);
}

void TQzCustomThemeManager::UnregisterThemeClient(TComponent* Client) {
  FClients.Remove(Client);
  std::erase(FPending, Client);
  // The client's link held the free notification this entry relies on and is about to drop it:
  // a client that leaves gets its own look back now (unless it is going away).
  auto it = FSaved.find(Client);
  if (it == FSaved.end()) return;
  const TSavedLook look = it->second;
  FSaved.erase(it);
  if (!Client->IsDestroying()) RestoreLook(Client, look);
}

void TQzCustomThemeManager::SaveLook(TComponent* Component) {
  auto* c = dynamic_cast<TControl*>(Component);
  if (!c || FSaved.count(Component)) return;
  TSavedLook s;
  s.Color = c->GetColor();
  s.ParentColor = c->GetParentColor();
  s.FontColor = c->GetFont()->GetColor();
  s.ParentFont = c->GetParentFont();
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    s.HasBorder = true;
    s.Border = w->GetBorderStyle();
  }
  if (auto* e = dynamic_cast<TLabeledEdit*>(c)) {
    s.Label = e->GetEditLabel();
    if (s.Label) s.LabelFontColor = s.Label->GetFont()->GetColor();
  }
  FSaved.emplace(Component, s);
  // Shared with the client link; a freed control leaves the map through Notification.
  Component->FreeNotification(this);
}

void TQzCustomThemeManager::RestoreLooks() {
  std::map<TComponent*, TSavedLook> saved;
  saved.swap(FSaved);
  for (auto& [component, s] : saved)
    if (!component->IsDestroying()) RestoreLook(component, s);
}

void TQzCustomThemeManager::RestoreLook(TComponent* Component, const TSavedLook& Look) {
  auto* c = static_cast<TControl*>(Component);
  c->SetColor(Look.Color);
  c->GetFont()->SetColor(Look.FontColor);
  // Restored after the values: taking the parent's colour or font again overrides them.
  c->SetParentColor(Look.ParentColor);
  c->SetParentFont(Look.ParentFont);
  if (Look.HasBorder) static_cast<TWinControl*>(c)->SetBorderStyle(Look.Border);
  if (Look.Label) Look.Label->GetFont()->SetColor(Look.LabelFontColor);
}

void TQzCustomThemeManager::ApplyToOne(TComponent* Component) {
  SaveLook(Component);
  ClientFirstTable().Apply(Component, this);
  ClientTable().Apply(Component, this);
}

void TQzCustomThemeManager::Visit(TComponent* Component, std::vector<TComponent*>& Seen) {
  if (Component->IsDestroying() || std::find(Seen.begin(), Seen.end(), Component) != Seen.end()) return;
  Seen.push_back(Component);
  // Menus are no clients: registration hooks those its client owns.
  if (dynamic_cast<TMenu*>(Component)) return;
  AddClient(Component);
  const bool active = GetActive();
  if (active) SaveLook(Component);
  for (const TTable* table : {&ClientFirstTable(), &ClientTable()}) {
    const TTable::TRow* row = table->Find(Component);
    if (!row) continue;
    const int how = row->Tag;
    // Without a theme the walk only lists what it reaches; the rows run when a theme comes
    // (UpdateClients), so a new manager never turns controls black.
    if (active && row->Action) row->Action(Component, this);
    Walk(Component, how, Seen);
  }
}

void TQzCustomThemeManager::Walk(TComponent* Component, int How, std::vector<TComponent*>& Seen) {
  // By index: a row may link (and so register) or recolour, never free.
  const auto owned = [&] {
    for (int i = 0; i < Component->ComponentCount(); ++i) Visit(Component->GetComponent(i), Seen);
  };
  const auto children = [&] {
    if (auto* w = dynamic_cast<TWinControl*>(Component))
      for (int i = 0; i < w->ControlCount(); ++i) Visit(w->GetControl(i), Seen);
  };
  switch (How) {
    case thwOwned: owned(); break;
    case thwChildrenThenOwned: children(), owned(); break;
    case thwOwnedThenChildren: owned(), children(); break;
    default: break;
  }
}

void TQzCustomThemeManager::HookMenus(TComponent* Client) {
  if (!FOptions.Contains(thoOwnerDrawMenus)) return;
  for (int i = 0; i < Client->ComponentCount(); ++i) {
    TComponent* c = Client->GetComponent(i);
    if (dynamic_cast<TMainMenu*>(c) || dynamic_cast<TPopupMenu*>(c)) HookMenu(static_cast<TMenu*>(c));
  }
}

void TQzCustomThemeManager::HookMenu(TMenu* Menu) {
  Menu->OnDrawItem = [this](TObject* S, TCanvas* C, TRect R, TOwnerDrawState St) { DrawThemedMenuItem(S, C, R, St); };
  Menu->OnMeasureItem = [this](TObject* S, TCanvas* C, int32_t& W, int32_t& H) { MeasureThemedMenuItem(S, C, W, H); };
  if (std::find(FMenus.begin(), FMenus.end(), Menu) == FMenus.end()) {
    FMenus.push_back(Menu);
    Menu->FreeNotification(this);
  }
}

bool QzSwapThemePicture(TPicture* Picture, std::unique_ptr<TPicture>& Own, TGraphic* ThemeGraphic, bool Themed) {
  if (Themed) {
    if (!ThemeGraphic) return false;
    if (!Own) {
      Own = std::make_unique<TPicture>();
      Own->Assign(Picture);
    }
    Picture->Assign(ThemeGraphic);
    return true;
  }
  if (!Own) return false;
  Picture->Assign(Own.get());
  Own.reset();
  return true;
}

TGraphic* TQzCustomThemeManager::GetThemePicture(uint16_t ID) const {
  return FThemeItems->GetPictures()->GetGraphicByID(ID);
}

void TQzCustomThemeManager::ApplyTheme(TComponent* Form) {
  auto* form = dynamic_cast<TForm*>(Form);
  if (!form || IsDesigning() || IsDestroying() || !GetActive()) return;
  SaveLook(form);
  form->SetColor(GetThemeColor(0));
  for (int i = 0; i < form->ComponentCount(); ++i) {
    SaveLook(form->GetComponent(i));
    FormTable().Apply(form->GetComponent(i), this);
  }
  form->Refresh();
}

// ---- drawing services ----

void TQzCustomThemeManager::FillBackground(TControl*, TCanvas* Canvas, const TRect& R, int) {
  Fill(Canvas, R, GetThemeColor(1));
}

void TQzCustomThemeManager::OnDC(TCanvasService Service, TControl* Control, HDC DC, const TRect& R, int Arg) {
  if (!DC) return;
  TCanvas c;
  c.SetHandle(DC);
  (this->*Service)(Control, &c, R, Arg);
  // The context stays the caller's.
  c.SetHandle(nullptr);
}

void TQzCustomThemeManager::EraseBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind) {
  OnDC(&M::FillBackground, Control, DC, R, Kind);
}
void TQzCustomThemeManager::DrawScrollBarHorzDC(TControl* Control, HDC DC, const TRect& R, int Part) {
  OnDC(&M::DrawScrollBarHorz, Control, DC, R, Part);
}
void TQzCustomThemeManager::DrawScrollBarVertDC(TControl* Control, HDC DC, const TRect& R, int Part) {
  OnDC(&M::DrawScrollBarVert, Control, DC, R, Part);
}
void TQzCustomThemeManager::DrawSliderBarDC(TControl* Control, HDC DC, const TRect& R, int Part) {
  OnDC(&M::DrawSliderBar, Control, DC, R, Part);
}
void TQzCustomThemeManager::DrawSliderThumbDC(TControl* Control, HDC DC, const TRect& R, int Part) {
  OnDC(&M::DrawSliderThumb, Control, DC, R, Part);
}
void TQzCustomThemeManager::FillTabSetBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind) {
  OnDC(&M::FillTabSetBackground, Control, DC, R, Kind);
}
void TQzCustomThemeManager::DrawHeaderBarBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind) {
  OnDC(&M::DrawHeaderBarBackground, Control, DC, R, Kind);
}
void TQzCustomThemeManager::DrawButtonDC(TControl* Control, HDC DC, const TRect& R, int State) {
  OnDC(&M::DrawButton, Control, DC, R, State);
}

void TQzCustomThemeManager::DrawScrollBarHorz(TControl*, TCanvas* Canvas, const TRect& R, int Part) {
  if (Part == 0) {
    Fill(Canvas, R, GetThemeColor(12));
    Draw3DFrame(Canvas, R, GetThemeColor(126), GetThemeColor(127));
  } else if (Part >= 1 && Part <= 4) {
    Fill(Canvas, R, GetThemeColor(static_cast<uint8_t>(12 + Part)));
    Draw3DFrame(Canvas, R, GetThemeColor(127), GetThemeColor(126));
  }
}

void TQzCustomThemeManager::DrawScrollBarVert(TControl* Control, TCanvas* Canvas, const TRect& R, int Part) {
  DrawScrollBarHorz(Control, Canvas, R, Part);
}

void TQzCustomThemeManager::DrawSliderBar(TControl*, TCanvas* Canvas, const TRect& R, int Part) {
  if (Part == 0) {
    Fill(Canvas, R, GetThemeColor(100));
    Draw3DFrame(Canvas, R, GetThemeColor(126), GetThemeColor(127));
    return;
  }
  Fill(Canvas, R, GetThemeColor(Part == 3 ? 104 : 101));
  Draw3DFrame(Canvas, R, GetThemeColor(127), GetThemeColor(126));
}

void TQzCustomThemeManager::DrawSliderThumb(TControl*, TCanvas* Canvas, const TRect& R, int Part) {
  if (Part == 0)
    Fill(Canvas, R, GetThemeColor(100));
  else if (Part == 2)
    DrawGradientRect(Canvas, R, LightenColor(GetThemeColor(101), -50), GetThemeColor(101), true);
  else if (Part == 3)
    Fill(Canvas, R, GetThemeColor(104));
  else
    return;
  Draw3DFrame(Canvas, R, GetThemeColor(126), GetThemeColor(127));
}

void TQzCustomThemeManager::FillTabSetBackground(TControl*, TCanvas* Canvas, const TRect& R, int) {
  Fill(Canvas, R, GetThemeColor(23));
}

void TQzCustomThemeManager::DrawHeaderBarBackground(TControl*, TCanvas* Canvas, const TRect& R, int Kind) {
  if (Kind == 0) Canvas->GradientFill(R, GetThemeColor(70), LightenColor(GetThemeColor(70), -25), gdVertical);
}

void TQzCustomThemeManager::DrawButton(TControl*, TCanvas* Canvas, const TRect& R, int State) {
  const TColor face = GetThemeColor(State == 1 ? 117 : State == 2 ? 118 : State == 4 ? 120 : 116);
  Canvas->GetBrush()->SetColor(face);
  Canvas->GradientFill(Rect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1), face, LightenColor(face, -75), gdVertical);
  Canvas->GetPen()->SetColor(GetThemeColor(126));
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->RoundRect(R, 5, 5);
}

// ---- fonts and sizes ----

TFont* TQzCustomThemeManager::GetButtonFont(int State) {
  TFont* f = GetThemeFont();
  f->SetName("arial");
  f->SetSize(8);
  f->SetColor(GetThemeColor(static_cast<uint8_t>(121 + (State >= 0 && State <= 9 ? State % 5 : 0))));
  return f;
}

TFont* TQzCustomThemeManager::GetCheckBoxFont() {
  TFont* f = GetThemeFont();
  f->SetName("arial");
  f->SetColor(GetThemeColor(3));
  return f;
}

TFont* TQzCustomThemeManager::GetHeadLineFont() { return GetCheckBoxFont(); }

int32_t TQzCustomThemeManager::ScrollBarSize(const char* Key) const {
  int32_t v = DefaultScrollBarSize;
  FThemeItems->GetValues()->ReadExtIniInteger("ScrollBars", "Sizes", Key, DefaultScrollBarSize, v);
  // A theme file is outside data: a size of 0 or a negative or huge one would break the layout.
  return std::clamp(v, MinScrollBarSize, MaxScrollBarSize);
}

int32_t TQzCustomThemeManager::GetHorzScrollBarSize() const { return ScrollBarSize("Horizontal"); }
int32_t TQzCustomThemeManager::GetVertScrollBarSize() const { return ScrollBarSize("Vertical"); }

// ---- menus ----

void TQzCustomThemeManager::MeasureThemedMenuItem(TObject* Sender, TCanvas* ACanvas, int32_t& AWidth,
                                                  int32_t& AHeight) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !ACanvas) return;
  ACanvas->GetFont()->SetName("arial");
  ACanvas->GetFont()->SetSize(8);
  if (item->IsLine()) {
    AHeight = 5;
    return;
  }
  const std::string& caption = item->GetCaption();
  AWidth = ACanvas->TextWidth(caption + "XXXX-XX") + 10;
  AHeight = ACanvas->TextHeight(caption) + 2;
  if (FImages) {
    AWidth += FImages->GetWidth() + 6;
    AHeight = std::max(AHeight, FImages->GetHeight() + 6);
  }
}

void TQzCustomThemeManager::DrawThemedMenuItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState AState) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !ACanvas) return;
  TCanvas* c = ACanvas;
  c->GetFont()->SetName("arial");
  c->GetFont()->SetSize(8);
  TColor brush = GetThemeColor(1);
  if (item->IsLine()) {
  } else if (Dimmed(AState)) {
    c->GetFont()->SetColor(GetThemeColor(137));
  } else if (AState.Contains(odSelected) || AState.Contains(odFocused) || AState.Contains(odHotLight)) {
    c->GetFont()->SetColor(GetThemeColor(136));
    brush = GetThemeColor(134);
  } else {
    c->GetFont()->SetColor(GetThemeColor(135));
  }
  Fill(c, ARect, brush);
  if (item->IsLine()) {
    const int32_t middle = ARect.Top + (ARect.Bottom - ARect.Top) / 2;
    SetCanvasPen(c, 1, GetThemeColor(7), psSolid);
    c->Line(ARect.Left + 5, middle, ARect.Right - 5, middle);
    return;
  }
  TRect r = Rect(ARect.Left + 5, ARect.Top, ARect.Right - 5, ARect.Bottom);
  const int32_t height = r.Bottom - r.Top;
  if (item->GetChecked()) {
    const int32_t x = r.Left + 3, y = r.Top + (height - 15) / 2;
    const TRect box = Rect(x, y, x + 15, y + 15);
    Fill(c, box, clWhite);
    SetCanvasPen(c, 3, clBlack, psSolid);
    c->Line(x + 3, y + 3, x + 15 - 4, y + 15 - 4);
    c->Line(x + 15 - 4, y + 3, x + 3, y + 15 - 4);
    DrawFrameRect(c, box, GetThemeColor(7));
    r.Left += FImages ? FImages->GetWidth() + 4 : 20;
  } else if (FImages) {
    if (item->GetImageIndex() >= 0)
      FImages->Draw(c, r.Left, r.Top + (height - FImages->GetHeight()) / 2, item->GetImageIndex(), !Dimmed(AState));
    r.Left += FImages->GetWidth() + 4;
  }
  c->GetBrush()->SetStyle(bsClear);
  r.Right -= 5;
  DrawAlignedText(c, item->GetCaption(), r, 0, 1, false);
  if (item->GetShortCut() != 0) DrawAlignedText(c, ShortCutToText(item->GetShortCut()), r, 2, 1, false);
}
