// The toolkit's classes, enumerations and published properties, as form descriptions use them.
#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

void RegisterToolkitClasses() {
  static bool done = false;
  if (done) return;
  done = true;

  RegisterEnumNames<TAlign>({"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
  RegisterEnumNames<TAnchorKind>({"akLeft", "akTop", "akRight", "akBottom"});
  RegisterEnumNames<TAlignment>({"taLeftJustify", "taRightJustify", "taCenter"});
  RegisterEnumNames<TBorderStyle>({"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
  RegisterEnumNames<TBorderIcon>({"biSystemMenu", "biMinimize", "biMaximize", "biHelp"});
  RegisterEnumNames<TFormStyle>({"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop", "fsSplash", "fsSystemStayOnTop"});
  RegisterEnumNames<TShowInTaskbar>({"stDefault", "stAlways", "stNever"});
  RegisterEnumNames<TPosition>({"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                                "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter", "poWorkAreaCenter"});
  RegisterEnumNames<TFontStyle>({"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  RegisterEnumNames<TFontPitch>({"fpDefault", "fpVariable", "fpFixed"});
  RegisterEnumNames<TPenStyle>({"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
  RegisterEnumNames<TBrushStyle>({"bsSolid", "bsClear"});

  TClassRegistrar<TComponent>("TComponent", "", false).Prop("Tag", &TComponent::Tag);

  TClassRegistrar<TFont>("TFont", "", false)
      .Prop("Name", &TFont::SetName)
      .Prop("Size", &TFont::SetSize)
      .Prop("Height", &TFont::SetHeight)
      .PropColor("Color", &TFont::SetColor)
      .Prop("Style", &TFont::SetStyle)
      .Prop("Pitch", &TFont::SetPitch);
  TClassRegistrar<TControlBorderSpacing>("TControlBorderSpacing", "", false)
      .Prop("Around", &TControlBorderSpacing::SetAround)
      .Prop("Left", &TControlBorderSpacing::SetLeft)
      .Prop("Top", &TControlBorderSpacing::SetTop)
      .Prop("Right", &TControlBorderSpacing::SetRight)
      .Prop("Bottom", &TControlBorderSpacing::SetBottom);
  TClassRegistrar<TSizeConstraints>("TSizeConstraints", "", false)
      .Prop("MinWidth", &TSizeConstraints::SetMinWidth)
      .Prop("MinHeight", &TSizeConstraints::SetMinHeight)
      .Prop("MaxWidth", &TSizeConstraints::SetMaxWidth)
      .Prop("MaxHeight", &TSizeConstraints::SetMaxHeight);
  TClassRegistrar<TStringList>("TStringList", "", false);

  TClassRegistrar<TControl>("TControl", "TComponent", false)
      .Prop("Left", &TControl::SetLeft)
      .Prop("Top", &TControl::SetTop)
      .Prop("Width", &TControl::SetWidth)
      .Prop("Height", &TControl::SetHeight)
      .Prop("ClientWidth", &TControl::SetClientWidth)
      .Prop("ClientHeight", &TControl::SetClientHeight)
      .Prop("Align", &TControl::SetAlign)
      .Prop("Anchors", &TControl::SetAnchors)
      .Object("BorderSpacing", &TControl::GetBorderSpacing)
      .Object("Constraints", &TControl::GetConstraints)
      .Prop("AutoSize", &TControl::SetAutoSize)
      .Prop("Visible", &TControl::SetVisible)
      .Prop("Enabled", &TControl::SetEnabled)
      .PropColor("Color", &TControl::SetColor)
      .Prop("ParentColor", &TControl::SetParentColor)
      .Object("Font", &TControl::GetFont)
      .Prop("ParentFont", &TControl::SetParentFont)
      .Prop("Caption", &TControl::SetCaption)
      .Prop("Text", &TControl::SetText)
      .Prop("Hint", &TControl::SetHint)
      .Prop("ShowHint", &TControl::SetShowHint)
      .Prop("ParentShowHint", &TControl::SetParentShowHint)
      .Prop("HelpContext", &TControl::HelpContext)
      .Prop("PopupMenu", &TControl::SetPopupMenu)
      .Prop("Action", &TControl::SetAction)
      .Prop("OnClick", &TControl::OnClick)
      .Prop("OnDblClick", &TControl::OnDblClick)
      .Prop("OnMouseDown", &TControl::OnMouseDown)
      .Prop("OnMouseMove", &TControl::OnMouseMove)
      .Prop("OnMouseUp", &TControl::OnMouseUp)
      .Prop("OnMouseEnter", &TControl::OnMouseEnter)
      .Prop("OnMouseLeave", &TControl::OnMouseLeave)
      .Prop("OnMouseWheel", &TControl::OnMouseWheel)
      .Prop("OnMouseWheelDown", &TControl::OnMouseWheelDown)
      .Prop("OnMouseWheelUp", &TControl::OnMouseWheelUp)
      .Prop("OnResize", &TControl::OnResize);
  TClassRegistrar<TGraphicControl>("TGraphicControl", "TControl", false);
  TClassRegistrar<TWinControl>("TWinControl", "TControl", false)
      .Prop("TabStop", &TWinControl::SetTabStop)
      .Prop("TabOrder", &TWinControl::SetTabOrder)
      .Prop("DoubleBuffered", &TWinControl::DoubleBuffered)
      .Prop("BorderStyle", &TWinControl::SetBorderStyle)
      .Prop("OnEnter", &TWinControl::OnEnter)
      .Prop("OnExit", &TWinControl::OnExit)
      .Prop("OnKeyDown", &TWinControl::OnKeyDown)
      .Prop("OnKeyUp", &TWinControl::OnKeyUp)
      .Prop("OnKeyPress", &TWinControl::OnKeyPress)
      .Prop("OnUTF8KeyPress", &TWinControl::OnUTF8KeyPress);
  TClassRegistrar<TCustomControl>("TCustomControl", "TWinControl", false).Prop("OnPaint", &TCustomControl::OnPaint);
  TClassRegistrar<TCustomForm>("TCustomForm", "TCustomControl", false)
      .Prop("BorderIcons", &TCustomForm::SetBorderIcons)
      .Prop("FormStyle", &TCustomForm::SetFormStyle)
      .Prop("ShowInTaskBar", &TCustomForm::SetShowInTaskBar)
      .Prop("Position", &TCustomForm::SetPosition)
      .Prop("AlphaBlend", &TCustomForm::SetAlphaBlend)
      .Prop("AlphaBlendValue", &TCustomForm::SetAlphaBlendValue)
      .Prop("KeyPreview", &TCustomForm::KeyPreview)
      .Prop("ActiveControl", &TCustomForm::SetActiveControl)
      .Prop("OnCreate", &TCustomForm::OnCreate)
      .Prop("OnDestroy", &TCustomForm::OnDestroy)
      .Prop("OnShow", &TCustomForm::OnShow)
      .Prop("OnHide", &TCustomForm::OnHide)
      .Prop("OnActivate", &TCustomForm::OnActivate)
      .Prop("OnDeactivate", &TCustomForm::OnDeactivate)
      .Prop("OnClose", &TCustomForm::OnClose)
      .Prop("OnCloseQuery", &TCustomForm::OnCloseQuery);
  TClassRegistrar<TForm>("TForm", "TCustomForm", false);

  TClassRegistrar<TTimer>("TTimer", "TComponent", true)
      .Prop("Interval", &TTimer::SetInterval)
      .Prop("Enabled", &TTimer::SetEnabled)
      .Prop("OnTimer", &TTimer::OnTimer);

  TClassRegistrar<TBasicAction>("TBasicAction", "TComponent", false)
      .Prop("OnExecute", &TBasicAction::OnExecute)
      .Prop("OnUpdate", &TBasicAction::OnUpdate);
  TClassRegistrar<TCustomAction>("TCustomAction", "TBasicAction", false)
      .Prop("Caption", &TCustomAction::SetCaption)
      .Prop("Hint", &TCustomAction::SetHint)
      .Prop("Enabled", &TCustomAction::SetEnabled)
      .Prop("Visible", &TCustomAction::SetVisible)
      .Prop("Checked", &TCustomAction::SetChecked)
      .Prop("HelpContext", &TCustomAction::SetHelpContext)
      .Prop("ImageIndex", &TCustomAction::SetImageIndex)
      .Prop("ShortCut", &TCustomAction::SetShortCut)
      .Prop("Category", &TCustomAction::Category)
      .Prop("DisableIfNoHandler", &TCustomAction::DisableIfNoHandler);
  TClassRegistrar<TAction>("TAction", "TCustomAction", true);
  TClassRegistrar<TActionList>("TActionList", "TComponent", true).Prop("Images", &TActionList::SetImages);

  TClassRegistrar<TMenuItem>("TMenuItem", "TComponent", true)
      .Prop("Caption", &TMenuItem::SetCaption)
      .Prop("Hint", &TMenuItem::SetHint)
      .Prop("Enabled", &TMenuItem::SetEnabled)
      .Prop("Visible", &TMenuItem::SetVisible)
      .Prop("Checked", &TMenuItem::SetChecked)
      .Prop("ShortCut", &TMenuItem::SetShortCut)
      .Prop("ImageIndex", &TMenuItem::SetImageIndex)
      .Prop("Action", &TMenuItem::SetAction)
      .Prop("OnClick", &TMenuItem::OnClick)
      .Prop("OnDrawItem", &TMenuItem::OnDrawItem)
      .Prop("OnMeasureItem", &TMenuItem::OnMeasureItem);
  TClassRegistrar<TMenu>("TMenu", "TComponent", false)
      .Prop("Images", &TMenu::SetImages)
      .Prop("OwnerDraw", &TMenu::OwnerDraw)
      .Prop("OnDrawItem", &TMenu::OnDrawItem)
      .Prop("OnMeasureItem", &TMenu::OnMeasureItem);
  TClassRegistrar<TMainMenu>("TMainMenu", "TMenu", true);
  TClassRegistrar<TPopupMenu>("TPopupMenu", "TMenu", true)
      .Prop("OnPopup", &TPopupMenu::OnPopup)
      .Prop("OnClose", &TPopupMenu::OnClose);

  TClassRegistrar<TNotebook>("TNotebook", "TCustomControl", true)
      .Prop("PageIndex", &TNotebook::SetPageIndex)
      .Prop("OnPageChanged", &TNotebook::OnPageChanged);
  TClassRegistrar<TPage>("TPage", "TCustomControl", true);
  TClassRegistrar<TCustomEdit>("TCustomEdit", "TCustomControl", false)
      .Prop("MaxLength", &TCustomEdit::MaxLength)
      .Prop("ReadOnly", &TCustomEdit::ReadOnly)
      .Prop("OnChange", &TCustomEdit::OnChange);
  TClassRegistrar<TEdit>("TEdit", "TCustomEdit", true);
  RegisterEnumNames<TScrollStyle>({"ssNone", "ssHorizontal", "ssVertical", "ssBoth", "ssAutoHorizontal", "ssAutoVertical", "ssAutoBoth"});
  RegisterEnumNames<TTextLayout>({"tlTop", "tlCenter", "tlBottom"});
  RegisterEnumNames<TCheckBoxState>({"cbUnchecked", "cbChecked", "cbGrayed"});
  RegisterEnumNames<TLabelPosition>({"lpAbove", "lpBelow", "lpLeft", "lpRight"});
  TClassRegistrar<TCustomLabel>("TCustomLabel", "TGraphicControl", false)
      .Prop("Alignment", &TCustomLabel::SetAlignment)
      .Prop("Layout", &TCustomLabel::SetLayout)
      .Prop("Transparent", &TCustomLabel::SetTransparent)
      .Prop("FocusControl", &TCustomLabel::FocusControl);
  TClassRegistrar<TLabel>("TLabel", "TCustomLabel", true);
  TClassRegistrar<TBoundLabel>("TBoundLabel", "TCustomLabel", false);
  TClassRegistrar<TButton>("TButton", "TCustomControl", true)
      .Prop("ModalResult", &TButton::ModalResult)
      .Prop("Default", &TButton::Default)
      .Prop("Cancel", &TButton::Cancel);
  TClassRegistrar<TCheckBox>("TCheckBox", "TCustomControl", true)
      .Prop("Checked", &TCheckBox::SetChecked)
      .Prop("State", &TCheckBox::SetState)
      .Prop("AllowGrayed", &TCheckBox::AllowGrayed)
      .Prop("OnChange", &TCheckBox::OnChange);
  TClassRegistrar<TMemo>("TMemo", "TCustomControl", true)
      .Object("Lines", &TMemo::GetLines)
      .Prop("ScrollBars", &TMemo::ScrollBars)
      .Prop("ReadOnly", &TMemo::ReadOnly)
      .Prop("WordWrap", &TMemo::WordWrap)
      .Prop("OnChange", &TMemo::OnChange);
  TClassRegistrar<TLabeledEdit>("TLabeledEdit", "TCustomEdit", true)
      .Object("EditLabel", &TLabeledEdit::GetEditLabel)
      .Prop("LabelPosition", &TLabeledEdit::SetLabelPosition)
      .Prop("LabelSpacing", &TLabeledEdit::SetLabelSpacing);

  RegisterResourceLoader("TPicture", [](TObject* o, const std::string& name) {
    static_cast<TPicture*>(o)->LoadFromResourceName(HInstance, name);
  });
  RegisterResourceLoader("TBitmap", [](TObject* o, const std::string& name) {
    static_cast<TBitmap*>(o)->LoadFromResourceName(HInstance, name);
  });
}
