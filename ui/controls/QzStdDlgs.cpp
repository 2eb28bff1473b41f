#include "ui/controls/QzStdDlgs.h"

#include <algorithm>

#include "platform/FormReader.h"
#include "ui/controls/QzButtons.h"
#include "ui/framework/QzResourceBitmaps.h"
#include "ui/controls/QzExtCtrls.h"

// --- picture dialog -----------------------------------------------------------------------------

TQzCustomPictureDialog::TQzCustomPictureDialog(TComponent* AOwner)
    : TQzCustomComponent(AOwner), FPicture(std::make_unique<TPicture>()), FFont(std::make_unique<TFont>()) {}

TQzCustomPictureDialog::~TQzCustomPictureDialog() {
  // The window is owned and freed with the dialog; its handlers must not outlive it.
  if (FForm) {
    FForm->OnPaint = nullptr;
    FForm->OnClose = nullptr;
    FForm->OnClick = nullptr;
    FForm->OnKeyDown = nullptr;
  }
}

void TQzCustomPictureDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FForm) FForm = nullptr;
}

void TQzCustomPictureDialog::SetPicture(TPicture* Value) {
  if (Value)
    FPicture->SetGraphic(Value->GetGraphic());
  else
    FPicture->Clear();
}

void TQzCustomPictureDialog::SetBottomSpace(int32_t Value) { FBottomSpace = std::clamp(Value, 0, 1000); }

void TQzCustomPictureDialog::SetFont(TFont* Value) {
  if (Value) FFont->Assign(Value);
}

TForm* TQzCustomPictureDialog::NeedForm() {
  if (FForm) return FForm;
  FForm = QzCreate<TForm>(this);
  FForm->OnPaint = [this](TObject* Sender) { FormPaint(Sender); };
  FForm->OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
  FForm->KeyPreview = true;
  FForm->OnKeyDown = [this](TObject* Sender, uint16_t& Key, TShiftState Shift) { FormKeyDown(Sender, Key, Shift); };
  return FForm;
}

void TQzCustomPictureDialog::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key != VK_ESCAPE || !FForm) return;
  Key = 0;
  FForm->Close();
}

void TQzCustomPictureDialog::Execute() { NeedForm()->Show(); }

void TQzCustomPictureDialog::FormClose(TObject*, TCloseAction& CloseAction) {
  // Kept for the next Execute: only hidden, never freed under a running handler.
  CloseAction = caHide;
}

void TQzCustomPictureDialog::FormPaint(TObject* Sender) {
  auto* form = dynamic_cast<TForm*>(Sender);
  if (!form) return;
  if (form->GetColor() != FColor) form->SetColor(FColor);
  TCanvas* c = form->GetCanvas();
  if (TGraphic* g = FPicture->GetGraphic(); g && !g->GetEmpty()) c->Draw(0, 0, g);
  c->GetBrush()->SetStyle(bsClear);
  const TRect client = form->GetClientRect();
  if (OnDrawDialog) {
    TRect r = client;
    r.Bottom -= FBottomSpace;
    r = Rect(r.Left + 5, r.Top + 5, r.Right - 5, r.Bottom - 5);
    c->SetFont(FFont.get());
    OnDrawDialog(this, c, r);
  }
  if (FBottomSpace >= 1 && OnDrawBottom) {
    const TRect r = Rect(client.Left + 5, client.Bottom - FBottomSpace + 5, client.Right - 5, client.Bottom - 5);
    c->SetFont(FFont.get());
    OnDrawBottom(this, c, r);
  }
}

// --- about dialog -------------------------------------------------------------------------------

TQzCustomAboutDialog::TQzCustomAboutDialog(TComponent* AOwner) : TQzCustomPictureDialog(AOwner) {}

void TQzCustomAboutDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomPictureDialog::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FCloseButton) FCloseButton = nullptr;
  if (AComponent == FLinkLabel) FLinkLabel = nullptr;
}

void TQzCustomAboutDialog::FormClick(TObject*) {
  if (FCloseButton && FCloseButton->GetVisible()) return;
  if (GetForm()) GetForm()->Close();
}

void TQzCustomAboutDialog::Execute() {
  if (IsDesigning()) return;
  if (!GetForm()) {
    TForm* form = NeedForm();
    if (TGraphic* g = GetPicture()->GetGraphic(); g && !g->GetEmpty())
      form->SetClientSize(g->GetWidth(), g->GetHeight() + GetBottomSpace());
    form->SetPosition(poScreenCenter);
    form->SetFormStyle(fsStayOnTop);
    form->SetBorderStyle(bsSingle);
    form->SetBorderIcons({});
    form->SetCaption(GetTitle());
    form->OnClick = [this](TObject* Sender) { FormClick(Sender); };
    if (FShowCloseButton) {
      FCloseButton = QzCreate<TQzButton>(form);
      FCloseButton->FreeNotification(this);
      FCloseButton->SetParent(form);
      FCloseButton->SetCaption("OK");
      FCloseButton->SetBounds(form->GetClientWidth() - FCloseButton->GetWidth() - 5,
                              form->GetClientHeight() - FCloseButton->GetHeight() - 5, FCloseButton->GetWidth(),
                              FCloseButton->GetHeight());
      FCloseButton->OnClick = [this](TObject*) {
        if (GetForm()) GetForm()->Close();
      };
    }
    if (!FLinkText.empty()) {
      FLinkLabel = QzCreate<TQzActionLabel>(form);
      FLinkLabel->FreeNotification(this);
      FLinkLabel->SetParent(form);
      FLinkLabel->SetCaption(FLinkText);
      FLinkLabel->SetBounds(10, 10, FLinkLabel->GetWidth(), FLinkLabel->GetHeight());
      FLinkLabel->OnClick = [this](TObject*) {
        if (OnLabelClick) OnLabelClick(this);
      };
    }
  }
  GetForm()->Show();
}

void RegisterQzStdDlgsClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  TClassRegistrar<TQzCustomPictureDialog>("TQzCustomPictureDialog", "TQzCustomComponent", false);
  TClassRegistrar<TQzCustomAboutDialog>("TQzCustomAboutDialog", "TQzCustomPictureDialog", false);
  TClassRegistrar<TQzAboutDialog>("TQzAboutDialog", "TQzCustomAboutDialog", true)
      .Prop("BottomSpace", &TQzAboutDialog::SetBottomSpace)
      .Object("Font", &TQzAboutDialog::GetFont)
      .Prop("Title", &TQzAboutDialog::SetTitle)
      .Prop("LinkText", &TQzAboutDialog::SetLinkText)
      .Prop("Modal", &TQzAboutDialog::SetModal)
      .Prop("ShowCloseButton", &TQzAboutDialog::SetShowCloseButton)
      .Custom("Picture",
              [](TQzAboutDialog* D, const TFormValue& V, TFormReader&) {
                QzLoadPictureResource(formreader_detail::ToString(V), D->GetPicture());
              })
      .Prop("OnDrawDialog", &TQzAboutDialog::OnDrawDialog)
      .Prop("OnDrawBottom", &TQzAboutDialog::OnDrawBottom)
      .Prop("OnLabelClick", &TQzAboutDialog::OnLabelClick);
}
