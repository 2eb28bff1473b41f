#include "ui/framework/QzThemeCtrls.h"

#include "platform/Graphics.h"

TQzCustomThemeManager::TQzCustomThemeManager(TComponent* AOwner) : TComponent(AOwner) {}

void TQzCustomThemeManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) FClients.Remove(AComponent);
}

void TQzCustomThemeManager::RegisterThemeClient(TComponent* Client) {
  if (!Client || IsDesigning() || IsDestroying()) return;
  if (FClients.IndexOf(Client) < 0) FClients.Add(Client);
  Client->FreeNotification(this);
}

void TQzCustomThemeManager::UnregisterThemeClient(TComponent* Client) { FClients.Remove(Client); }

void TQzCustomThemeManager::EraseBackgroundDC(TControl*, HDC DC, const TRect& R, int) {
  TCanvas c;
  c.SetHandle(DC);
  c.GetBrush()->SetColor(GetThemeColor(1));
  c.GetBrush()->SetStyle(bsSolid);
  c.FillRect(R);
  c.SetHandle(nullptr);
}
