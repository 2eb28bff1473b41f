// The translation source: language strings kept in an extended INI store and written into the
// captions, hints and info lines of a form's components. Strings are addressed by group = the
// form's class name (or "Global"), section = the component's name, and a key ("Text", "Hint",
// "Info", "Caption").
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Components.h"
#include "ui/framework/QzClassTable.h"
#include "ui/framework/QzExtIni.h"

class TMenuItem;
class TQzVLSDataSource;

enum TQzLanguage {
  QZL_UNKNOWN, QZL_ENGLISH, QZL_ENGLISH_UK, QZL_ENGLISH_USA, QZL_ENGLISH_CANADA, QZL_ENGLISH_AUSTRALIA,
  QZL_ENGLISH_NEW_ZEELAND, QZL_GERMAN, QZL_GERMAN_AUSTRIA, QZL_GERMAN_SWISS, QZL_ITALIAN, QZL_FRENCH,
  QZL_PORTUGUESE, QZL_SPAIN
};
inline constexpr int QzLanguageCount = 14;
// Indexed by TQzLanguage; UTF-8 texts for a language chooser.
extern const char* const QzLanguageCodes[QzLanguageCount];
extern const char* const QzLanguageNames[QzLanguageCount];
extern const char* const QzLanguageCountries[QzLanguageCount];

// How one component of a class is translated: Group is the form group.
using TQzVLSClassTable = TQzClassTable<TQzVLSDataSource*, const std::string&>;

class TQzVLSDataSource : public TComponent {
public:
  static constexpr const char* GlobalGroup = "Global";

  explicit TQzVLSDataSource(TComponent* AOwner);
  ~TQzVLSDataSource() override;
  std::string ClassName() const override { return "TQzVLSDataSource"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The language strings; fill them with SetText or LoadFromStream of the store.
  TQzExtIniValuesControler* GetValues() const { return FValues.get(); }

  // Key Key under (Group, Section); "" and False when missing or empty.
  bool ReadText(const std::string& Group, const std::string& Section, const std::string& Key, std::string& Value) const;
  // The same under Group, else under "Global".
  bool ReadTextOrGlobal(const std::string& Group, const std::string& Section, const std::string& Key,
                        std::string& Value) const;
  // Key "Text" under (Group, Section), else under ("Global", Section), else Default. Controls that
  // translate their own caption at paint time call GetLanguageText("GLOBAL", Caption, Caption).
  std::string GetLanguageText(const std::string& Group, const std::string& Section, const std::string& Default) const;

  // Writes the strings into a TForm and the components it owns; nothing at design time or for
  // anything else. A missing string leaves its property as it is.
  void TranslateForm(TComponent* Form);
  // Item and its sub-items, depth first. Items without a name entry are looked up by the caption
  // they had when first translated, so that translating again, or into another language, finds
  // the same entries.
  void TranslateMenu(TMenuItem* Item, const std::string& Group);

  // Rows tried before the built-in ones (see QzClassTable.h).
  static TQzVLSClassTable& ClassTable();
  // A row's action: key "Text" into the control's Caption and, WithHint, "Hint" into its Hint;
  // each with or without the "Global" fallback.
  static TQzVLSClassTable::TAction CaptionAndHint(bool WithHint, bool TextFallback, bool HintFallback);

  TNotifyEvent OnChanged;
  TNotifyEvent OnError;

private:
  std::unique_ptr<TQzExtIniValuesControler> FValues;
  // The caption each translated menu item had before its first translation.
  std::map<const TComponent*, std::string> FMenuCaptions;
};
