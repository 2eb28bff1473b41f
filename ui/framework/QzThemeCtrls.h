// The theme manager: one theme (TQzThemeItems) lent to the controls linked to it, the recolouring
// of plain toolkit controls, owner-drawn popup menus and the drawing services themed controls
// call. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Controls.h"
#include "platform/Menus.h"
#include "platform/Windows.h"
#include "ui/framework/QzClassTable.h"
#include "ui/framework/QzThemeItems.h"

class TCustomImageList;
class TQzCustomThemeManager;

enum TQzThemeOption { thoOwnerDrawMenus };
using TQzThemeOptions = TSet<TQzThemeOption>;

// Vocabulary of themed elements; the drawing services address colours by number.
enum TQzThemeElement {
  theFont, theBackground, theForm, theControl, theTitleBar, theToolBar, theHeaderBar, theStatusBar,
  theMainMenu, theScrollBarHorz, theScrollBarVert, theButton, theCheckBox, theSliderHorz, theSliderVert,
  theTabHorz, theTabVert, theListBox, thePageListBox, theListView, theImageListView, theRulerHorz,
  theRulerVert, theProgress, theEdit
};
// The items of each group, 114 in all; vocabulary only, like the groups.
enum TQzThemedBackground { thmBackground };
enum TQzThemedFont { thmFontNormal, thmFontHot, thmFontSelected, thmFontDisabled };
enum TQzThemedForm {
  thmFormBackground, thmLineHighLight, thmLineShadow, thmButtonHighLight, thmButtonShadow, thmTextNormal,
  thmTextDisabled
};
enum TQzThemedControl { thmControlBackground };
enum TQzThemedWorkSpace { thmWorkspaceBackground };
enum TQzThemedHeaderBar {
  thmHeaderBarBackground, thmHeaderBarTextNormal, thmHeaderBarInfoText, thmHeaderBarTextDisabled
};
enum TQzThemedScrollBarHorz {
  thmScrollBarBackgroundHorz, thmScrollBtnHorzNormal, thmScrollBtnHorzHot, thmScrollBtnHorzSelected,
  thmScrollBtnHorzDisabled
};
enum TQzThemedScrollBarVert {
  thmScrollBarBackgroundVert, thmScrollBtnVertNormal, thmScrollBtnVertHot, thmScrollBtnVertSelected,
  thmScrollBtnVertDisabled
};
enum TQzThemedToolBar {
  thmToolBarBackground, thmToolBarBtnNormal, thmToolBarBtnHot, thmToolBarBtnSelected, thmToolBarBtnDisabled
};
enum TQzThemedButton {
  thmButtonNormal, thmButtonHot, thmButtonSelected, thmButtonPressed, thmButtonDisabled,
  thmButtonTextNormal, thmButtonTextHot, thmButtonTextSelected, thmButtonTextPressed, thmButtonTextDisabled
};
enum TQzThemedCheckBox {
  thmCheckBoxTextNormal, thmCheckBoxNormalUnchecked, thmCheckBoxHotUnchecked, thmCheckBoxSelectedUnchecked,
  thmCheckBoxDisabledUnchecked, thmCheckBoxNormalChecked, thmCheckBoxHotChecked, thmCheckBoxSelectedChecked,
  thmCheckBoxDisabledChecked
};
enum TQzThemedTitleBar {
  thmTitleBarBackgroundNormal, thmTitleBarBackgroundDisabled, thmTitleBarTextNormal, thmTitleBarTextDisabled
};
enum TQzThemedStatusBar { thmStatusBarBackground, thmStatusBarText };
enum TQzThemedSliderHorz {
  thmSliderBarHorz, thmSliderHorzTicks, thmSliderBtnHorzNormal, thmSliderBtnHorzDisabled,
  thmSliderHorzTextNormal, thmSliderHorzTextDisabled
};
enum TQzThemedSliderVert {
  thmSliderBarVert, thmSliderVertTicks, thmSliderBtnVertNormal, thmSliderBtnVertDisabled,
  thmSliderVertTextNormal, thmSliderVertTextDisabled
};
enum TQzThemedListView {
  thmListViewHeaderNormal, thmListViewHeaderDisabled, thmListViewHeaderHot, thmListViewHeaderSelected
};
enum TQzThemedTabHorz {
  thmTabHorzNormal, thmTabHorzHot, thmTabHorzSelected, thmTabHorzDisabled, thmTabHorzTextNormal,
  thmTabHorzTextHot, thmTabHorzTextSelected, thmTabHorzTextDisabled
};
enum TQzThemedTabVert { thmTabVertNormal, thmTabVertHot, thmTabVertSelected, thmTabVertDisabled };
enum TQzThemedListBox {
  thmItemBackground, thmItemBackgroundSelected, thmItemBackgroundHot, thmItemBackgroundDisabled
};
enum TQzThemedPageListBox {
  thmPageListBoxBackground, thmPageListBoxTextNormal, thmPageListBoxTextHot, thmPageListBoxTextSelected,
  thmPageListBoxTextDisabled
};
enum TQzThemedImageListView {
  thmImageListViewItemNormal, thmImageListViewItemHot, thmImageListViewItemSelected, thmImageListViewItemDisabled
};
enum TQzThemedRulerHorz {
  thmRulerHorzBackground, thmRulerHorzBackgroundActive, thmRulerHorzFont, thmRulerHorzFontActive,
  thmRulerHorzTicks, thmRulerHorzTicksActive
};
enum TQzThemedRulerVert {
  thmRulerVertBackground, thmRulerVertBackgroundActive, thmRulerVertFont, thmRulerVertFontActive,
  thmRulerVertTicks, thmRulerVertTicksActive
};
enum TQzThemedProgress { thmProgressBackground, thmProgress, thmProgressGradient };

// What the manager does to one component of a class: registration visits (the two client
// tables) and ApplyTheme (the form table). A control class of a higher layer adds its row from its
// unit's registration function, e.g.
//   TQzCustomThemeManager::ClientTable().Add<TQzSlider>([](TComponent* c, TQzCustomThemeManager* m) {...});
using TQzThemeClassTable = TQzClassTable<TQzCustomThemeManager*>;

// Where registration's walk goes from a component once a client-table row has run: the row's
// tag. A row added without one ends the walk there.
enum TQzThemeWalk { thwEnds, thwOwned, thwChildrenThenOwned, thwOwnedThenChildren };

// Clients are the components and controls whose theme this manager keeps up to date. Linking
// protocol:
// - the client's SetThemeManager calls RegisterThemeClient / UnregisterThemeClient and asks for
//   FreeNotification of the manager; the client's BeforeDestruction unregisters;
// - the manager asks for FreeNotification of each client, so a client freed without
//   unregistering leaves the list (Notification); it never removes that free notification
//   itself, as the client's own link to the manager shares it;
// - every linked client is on the list, and the manager tells the list of its end while it is
//   still whole (BeforeDestruction), never leaving a client linked to a half-freed manager.
// Colours reach clients only while the manager is active: Active set and a theme present (a
// colour table that is not all black), so a new manager never turns controls black on black.
class TQzCustomThemeManager : public TComponent {
public:
  explicit TQzCustomThemeManager(TComponent* AOwner);
  // Lets its clients go first (see BeforeDestruction), for a manager freed by delete.
  ~TQzCustomThemeManager() override;
  std::string ClassName() const override { return "TQzCustomThemeManager"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Unhooks the menus it owner-draws and lets every client go while the manager is still whole:
  // each hears of the removal now (the toolkit's own announcement comes only after the manager's
  // parts are gone), so a linked control unlinks through SetThemeManager, follows with
  // ThemeChanged and may repaint at once; whatever was recoloured gets its own look back.
  void BeforeDestruction() override;
  // Another theme manager's theme; nil or the manager itself does nothing; any other class is
  // the toolkit's (EConvertError).
  void Assign(TPersistent* Source) override;

  // Adds Client to the client list and applies the theme to it and, walking as the client
  // tables' tags say, to what it owns and holds; then, with thoOwnerDrawMenus, hooks the menus
  // Client owns. A client is listed even while the manager is designed (so that it lets go of
  // it in time), but nothing else happens then, nor while the manager is destroyed. Inside an
  // update bracket the client is listed at once and themed when the bracket closes.
  virtual void RegisterThemeClient(TComponent* Client);
  virtual void UnregisterThemeClient(TComponent* Client);
  int ClientCount() const { return FClients.Count(); }
  bool HasClient(const TComponent* Client) const { return FClients.IndexOf(Client) >= 0; }

  // Theme changes inside a bracket reach the clients once, when it closes.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount > 0; }

  bool GetActive() const { return FActive && FHasTheme; }
  void SetActive(bool Value);
  bool HasTheme() const { return FHasTheme; }
  TQzThemeOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzThemeOptions Value) { FOptions = Value; }
  TQzThemeItems* GetThemeItems() const { return FThemeItems.get(); }
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  virtual TColor GetThemeColor(uint8_t Index) const { return FThemeItems->GetColor(Index); }
  void SetThemeColor(uint8_t Index, TColor Value) { FThemeItems->SetColor(Index, Value); }

  // The theme's picture with this ID (its picture list); nil when the theme holds none. The
  // graphic belongs to the theme: callers copy it.
  TGraphic* GetThemePicture(uint16_t ID) const;

  // Recolours a form and the components it owns (control panels call it after adding boxes).
  // Whatever the manager recolours gets its own colours, font colour and border back when the
  // manager is switched off or loses its theme, and a linked control when it unlinks.
  void ApplyTheme(TComponent* Form);

  // Drawing services. Every one draws on the caller's canvas; each DC variant wraps the context
  // in a temporary canvas and draws the same (a nil context draws nothing).
  void FillBackground(TControl* Control, TCanvas* Canvas, const TRect& R, int Kind);
  void EraseBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind);
  // Part 0 the bar, 1 to 4 the button normal, hot, selected, disabled; others draw nothing.
  void DrawScrollBarHorz(TControl* Control, TCanvas* Canvas, const TRect& R, int Part);
  void DrawScrollBarHorzDC(TControl* Control, HDC DC, const TRect& R, int Part);
  void DrawScrollBarVert(TControl* Control, TCanvas* Canvas, const TRect& R, int Part);
  void DrawScrollBarVertDC(TControl* Control, HDC DC, const TRect& R, int Part);
  void DrawSliderBar(TControl* Control, TCanvas* Canvas, const TRect& R, int Part);
  void DrawSliderBarDC(TControl* Control, HDC DC, const TRect& R, int Part);
  void DrawSliderThumb(TControl* Control, TCanvas* Canvas, const TRect& R, int Part);
  void DrawSliderThumbDC(TControl* Control, HDC DC, const TRect& R, int Part);
  void FillTabSetBackground(TControl* Control, TCanvas* Canvas, const TRect& R, int Kind);
  void FillTabSetBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind);
  void DrawHeaderBarBackground(TControl* Control, TCanvas* Canvas, const TRect& R, int Kind);
  void DrawHeaderBarBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind);
  // State 1 hot, 2 selected, 4 disabled, others normal.
  void DrawButton(TControl* Control, TCanvas* Canvas, const TRect& R, int State);
  void DrawButtonDC(TControl* Control, HDC DC, const TRect& R, int State);

  // The theme font set up for a use; the returned font belongs to the theme.
  TFont* GetButtonFont(int State);
  TFont* GetCheckBoxFont();
  TFont* GetHeadLineFont();
  TFont* GetThemeFont() const { return FThemeItems->GetFont(); }
  // From the theme's values ("ScrollBars", "Sizes", "Horizontal" / "Vertical"); 10 when absent,
  // kept within MinScrollBarSize .. MaxScrollBarSize.
  static constexpr int32_t DefaultScrollBarSize = 10;
  static constexpr int32_t MinScrollBarSize = 4;
  static constexpr int32_t MaxScrollBarSize = 64;
  int32_t GetHorzScrollBarSize() const;
  int32_t GetVertScrollBarSize() const;

  // Owner drawing of popup menus (hooked on registration with thoOwnerDrawMenus).
  void MeasureThemedMenuItem(TObject* Sender, TCanvas* ACanvas, int32_t& AWidth, int32_t& AHeight);
  void DrawThemedMenuItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState AState);

  // Rows tried before the built-in ones (see QzClassTable.h). Registration asks two client
  // tables of every component it reaches: the first (forms, labels, graphic controls), then the
  // second (edits, notebooks, windowed controls...); each runs its first matching row and walks
  // on as that row's TQzThemeWalk tag says. UpdateClients runs the same rows without walking.
  static TQzThemeClassTable& ClientFirstTable();
  static TQzThemeClassTable& ClientTable();
  static TQzThemeClassTable& FormTable();

protected:
  // Re-applies the theme to every client; runs when the theme changed.
  virtual void UpdateClients();
  void ThemeItemsChanged(TObject* Sender);
  TList<TComponent> FClients;

private:
  void AddClient(TComponent* Client);
  // The theme applied to one component, and then to what it owns and holds as the tables' walk
  // tags say (Seen: visited).
  void Visit(TComponent* Component, std::vector<TComponent*>& Seen);
  void Walk(TComponent* Component, int How, std::vector<TComponent*>& Seen);
  void ApplyToOne(TComponent* Component);
  // With thoOwnerDrawMenus: the main and popup menus Client owns (not those further down).
  void HookMenus(TComponent* Client);
  void HookMenu(TMenu* Menu);
  // Every client hears of the manager's end, menus are unhooked and looks given back. Runs from
  // BeforeDestruction and again from the destructor; the second run finds nothing left to do.
  void LetGo();
  void FlushPending();
  int32_t ScrollBarSize(const char* Key) const;
  using TCanvasService = void (TQzCustomThemeManager::*)(TControl*, TCanvas*, const TRect&, int);
  void OnDC(TCanvasService Service, TControl* Control, HDC DC, const TRect& R, int Arg);
  // The plain properties recolouring overwrites, as they were before the first time.
  struct TSavedLook {
    TColor Color = 0;
    bool ParentColor = false;
    TColor FontColor = 0;
    bool ParentFont = false;
    bool HasBorder = false;
    TBorderStyle Border = bsNone;
    TControl* Label = nullptr;
    TColor LabelFontColor = 0;
  };
  void SaveLook(TComponent* Component);
  void RestoreLooks();
  static void RestoreLook(TComponent* Component, const TSavedLook& Look);

  TQzThemeOptions FOptions;
  std::unique_ptr<TQzThemeItems> FThemeItems;
  TCustomImageList* FImages = nullptr;
  int32_t FUpdateCount = 0;
  bool FActive = true;
  bool FHasTheme = false;
  bool FVisiting = false;
  bool FPendingUpdate = false;
  std::vector<TComponent*> FPending;
  std::vector<TMenu*> FMenus;
  std::map<TComponent*, TSavedLook> FSaved;
};

// A picture source's theme picture: while Themed, Picture takes ThemeGraphic when there is one
// and Own keeps the picture it replaced; once unthemed, Own goes back into Picture. True when
// Picture changed.
bool QzSwapThemePicture(TPicture* Picture, std::unique_ptr<TPicture>& Own, TGraphic* ThemeGraphic, bool Themed);

// The table rows' common step: link a control to the manager and let it re-read the theme.
template <class T>
void QzLinkTheme(T* Control, TQzCustomThemeManager* Manager) {
  Control->SetThemeManager(Manager);
  Control->ThemeChanged();
}

// The same for rows that also colour the control: linking registers it, and registration applies
// the client table's colours, so the row's own colours come after the link.
template <class T, class TColouring>
void QzLinkThemeThenColour(T* Control, TQzCustomThemeManager* Manager, TColouring Colour) {
  Control->SetThemeManager(Manager);
  Colour(Control);
  Control->ThemeChanged();
}

class TQzThemeManager : public TQzCustomThemeManager {
public:
  using TQzCustomThemeManager::TQzCustomThemeManager;
  std::string ClassName() const override { return "TQzThemeManager"; }
};
