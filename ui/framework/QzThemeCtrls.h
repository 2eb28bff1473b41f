// The theme manager: one theme lent to the controls linked to it. So far the members the control
// bases call: the client list, the Active switch, the colour table and the background erase.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Components.h"
#include "platform/Controls.h"
#include "platform/Windows.h"

// Clients are the own components and controls (TQzCustomComponent, TQzCustomGraphicControl,
// TQzCustomWinControl) whose ThemeManager is this manager. Linking protocol:
// - the client's SetThemeManager calls RegisterThemeClient / UnregisterThemeClient and asks for
//   FreeNotification of the manager; the client's BeforeDestruction unregisters;
// - the manager asks for FreeNotification of each client, so a client freed without
//   unregistering leaves the list (Notification); it never removes that free notification
//   itself, as the client's own link to the manager shares it.
class TQzCustomThemeManager : public TComponent {
public:
  explicit TQzCustomThemeManager(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomThemeManager"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Adds Client to the client list (once); nothing while the manager is designed or destroyed.
  virtual void RegisterThemeClient(TComponent* Client);
  virtual void UnregisterThemeClient(TComponent* Client);
  int ClientCount() const { return FClients.Count(); }
  bool HasClient(const TComponent* Client) const { return FClients.IndexOf(Client) >= 0; }

  // Linked controls paint with the theme only while the manager is active (True at creation).
  bool GetActive() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }

  // Colour of the theme's colour table (256 entries, all 0 until a theme is loaded).
  virtual TColor GetThemeColor(uint8_t Index) const { return FColors[Index]; }
  void SetThemeColor(uint8_t Index, TColor Value) { FColors[Index] = Value; }
  // Fills R of a control's drawing context with theme colour 1 (Kind 0: the background erase).
  virtual void EraseBackgroundDC(TControl* Control, HDC DC, const TRect& R, int Kind);

protected:
  TList<TComponent> FClients;

private:
  bool FActive = true;
  TColor FColors[256] = {};
};
