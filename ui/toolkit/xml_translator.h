#pragma once
// Translation from the program's English texts to the current language, from our own XML tables
// (model/resources/translation_table.h). The context of a lookup is not looked at: one English
// text has one translation everywhere.
#include <string_view>

#include <QHash>
#include <QString>
#include <QTranslator>

#include "model/resources/translation_table.h"

namespace ui {

class ResourcePackage;

class XmlTranslator : public QTranslator {
  Q_OBJECT

 public:
  using QTranslator::QTranslator;

  // Replaces the texts with those of `table`.
  void Load(const model::TranslationTable& table);

  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
  // Never empty: an empty translator would not be installed and would send no language change.
  bool isEmpty() const override { return false; }
  QString LanguageName() const { return languageName_; }

  size_t Size() const { return texts_.size(); }

 private:
  QString languageName_;
  QHash<QString, QString> texts_;
};

// Holds the installed translator and switches it at run time. Installing a new table makes Qt send
// LanguageChange to every widget; forms built by the layout loader re-translate their texts then.
// Qt's own texts (the file dialogs, standard buttons, the edit menu of a text field) follow too:
// Qt's translation file of the language ("qtbase_zh_CN.qm") is loaded from the program folder's
// "translations" (Windows) or from Qt's own translations folder (Debian's qt6-translations-l10n).
class LanguageSwitcher {
 public:
  explicit LanguageSwitcher(const ResourcePackage& package) : package_(package) {}
  ~LanguageSwitcher();
  LanguageSwitcher(const LanguageSwitcher&) = delete;
  LanguageSwitcher& operator=(const LanguageSwitcher&) = delete;

  // Loads "translator:<table>" ("lang_cn" or "lang_en") and installs it in place of the current
  // one. False (logged, naming the table) when the table cannot be loaded; nothing changes then.
  bool Switch(std::string_view table);
  // The current language's name (from the table), empty before the first switch.
  QString CurrentLanguage() const;
  // Whether Qt's own texts are translated too (false in English, or when Qt's file is missing).
  bool QtTextsTranslated() const { return qtInstalled_ != nullptr; }

 private:
  void SwitchQtTexts(const QString& language);

  const ResourcePackage& package_;
  XmlTranslator* installed_ = nullptr;  // owned; removed from the application on destruction
  QTranslator* qtInstalled_ = nullptr;  // likewise, Qt's own texts
};

// The text in the current language (the English text itself when there is no translation).
QString Tr(const char* englishText);
QString Tr(const QString& englishText);

}  // namespace ui
