// Dialog components that show a picture in a window of their own: the picture dialog, which
// paints its picture and lets its user draw over it, and the about dialog, which adds a bottom
// strip, an "OK" button and an optional link.
//
// Inside a plug-in the host owns the message loop: these dialogs never run one of their own.
// Execute always shows the window modeless and returns at once; Modal is kept for stored forms
// and does not change that.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Forms.h"
#include "ui/framework/QzCtrls.h"

class TQzButton;
class TQzActionLabel;

// (Sender, canvas, rectangle to draw in).
using TQzDialogEvent1 = std::function<void(TObject* Sender, TCanvas* Cnv, const TRect& Rct)>;

class TQzCustomPictureDialog : public TQzCustomComponent {
public:
  explicit TQzCustomPictureDialog(TComponent* AOwner);
  ~TQzCustomPictureDialog() override;
  std::string ClassName() const override { return "TQzCustomPictureDialog"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TPicture* GetPicture() const { return FPicture.get(); }
  // Takes a copy of Value's graphic; nullptr empties the picture.
  void SetPicture(TPicture* Value);
  const std::string& GetTitle() const { return FTitle; }
  void SetTitle(const std::string& Value) { FTitle = Value; }
  int32_t GetBottomSpace() const { return FBottomSpace; }
  // Kept within 0 .. 1000.
  void SetBottomSpace(int32_t Value);
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* Value);
  TColor GetColor() const { return FColor; }
  bool GetModal() const { return FModal; }
  void SetModal(bool Value) { FModal = Value; }
  // The dialog's window: nullptr before the first Execute. Owned by the dialog and reused by
  // every later Execute; closing it only hides it.
  TForm* GetForm() const { return FForm; }

  TQzDialogEvent1 OnDrawDialog;
  TQzDialogEvent1 OnDrawBottom;

  virtual void FormPaint(TObject* Sender);
  virtual void FormClose(TObject* Sender, TCloseAction& CloseAction);
  // Builds the window on first use and shows it; never waits for it.
  virtual void Execute();

protected:
  // The window, made on first use, with its paint and close handlers bound to this dialog.
  TForm* NeedForm();
  // Esc closes the window.
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

private:
  std::unique_ptr<TPicture> FPicture;
  std::string FTitle;
  int32_t FBottomSpace = 0;
  TForm* FForm = nullptr;
  std::unique_ptr<TFont> FFont;
  TColor FColor = 0xC0C0C0;
  bool FModal = true;
};

class TQzCustomAboutDialog : public TQzCustomPictureDialog {
public:
  explicit TQzCustomAboutDialog(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomAboutDialog"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TQzButton* GetCloseButton() const { return FCloseButton; }
  TQzActionLabel* GetLinkLabel() const { return FLinkLabel; }
  const std::string& GetLinkText() const { return FLinkText; }
  void SetLinkText(const std::string& Value) { FLinkText = Value; }
  bool GetShowCloseButton() const { return FShowCloseButton; }
  void SetShowCloseButton(bool Value) { FShowCloseButton = Value; }

  TNotifyEvent OnLabelClick;

  // Sized to the picture plus the bottom strip, centred on the screen, kept on top; closed by
  // its button, Esc, or (without a visible button) a click anywhere.
  void Execute() override;

private:
  void FormClick(TObject* Sender);

  TQzButton* FCloseButton = nullptr;
  TQzActionLabel* FLinkLabel = nullptr;
  std::string FLinkText;
  bool FShowCloseButton = true;
};

class TQzAboutDialog : public TQzCustomAboutDialog {
public:
  using TQzCustomAboutDialog::TQzCustomAboutDialog;
  std::string ClassName() const override { return "TQzAboutDialog"; }
};

// Registers the about dialog with the form reader ("Picture = 'NAME'" loads the named
// resource; the drawing events are assigned in code); idempotent.
void RegisterQzStdDlgsClasses();
