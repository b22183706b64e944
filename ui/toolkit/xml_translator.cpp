#include "ui/toolkit/xml_translator.h"

#include <memory>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

#include "support/logger.h"
#include "ui/toolkit/resource_package.h"

namespace ui {

void XmlTranslator::Load(const model::TranslationTable& table) {
  languageName_ = QString::fromStdString(table.language);
  texts_.clear();
  texts_.reserve(static_cast<qsizetype>(table.texts.size()));
  for (const auto& [source, translation] : table.texts) {
    texts_.insert(QString::fromStdString(source), QString::fromStdString(translation));
  }
}

QString XmlTranslator::translate(const char*, const char* sourceText, const char*, int) const {
  if (!sourceText) return {};
  // A null result tells Qt to keep the source text.
  return texts_.value(QString::fromUtf8(sourceText));
}

namespace {

void Uninstall(QTranslator*& translator) {
  if (!translator) return;
  QCoreApplication::removeTranslator(translator);
  delete translator;
  translator = nullptr;
}

// "zh_cn" (a table's language name) as Qt names the locale: "zh_CN".
QString QtLocaleName(const QString& language) {
  const qsizetype separator = language.indexOf(QLatin1Char('_'));
  if (separator <= 0) return language.toLower();
  return language.left(separator).toLower() + QLatin1Char('_') + language.mid(separator + 1).toUpper();
}

}  // namespace

LanguageSwitcher::~LanguageSwitcher() {
  QTranslator* ours = installed_;
  Uninstall(ours);
  Uninstall(qtInstalled_);
}

void LanguageSwitcher::SwitchQtTexts(const QString& language) {
  Uninstall(qtInstalled_);
  const QString locale = QtLocaleName(language);
  if (locale.isEmpty() || locale == QStringLiteral("en") || locale.startsWith(QStringLiteral("en_"))) return;
  const QString file = QStringLiteral("qtbase_") + locale;
  const QStringList folders = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  auto translator = std::make_unique<QTranslator>();
  for (const QString& folder : folders) {
    // Exactly this file: QTranslator would otherwise settle for "qtbase.qm" or another language's.
    if (QFileInfo::exists(folder + QLatin1Char('/') + file + QStringLiteral(".qm")) && translator->load(file, folder)) {
      if (QCoreApplication::installTranslator(translator.get())) qtInstalled_ = translator.release();
      return;
    }
  }
  support::LogFailure("LanguageSwitcher::Switch",
                      "Qt's own texts stay English: " + file.toStdString() + ".qm is in none of " +
                          folders.join(QStringLiteral(", ")).toStdString());
}

bool LanguageSwitcher::Switch(std::string_view table) {
  const std::string name = "translator:" + std::string(table);
  QByteArray bytes;
  if (!package_.ReadBytes(name, bytes)) return false;
  std::string error;
  const std::optional<model::TranslationTable> parsed =
      model::ParseTranslationTable(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), error);
  if (!parsed) {
    support::LogFailure("LanguageSwitcher::Switch", "\"" + name + "\": " + error);
    return false;
  }
  auto translator = std::make_unique<XmlTranslator>();
  translator->Load(*parsed);
  if (installed_) {
    QCoreApplication::removeTranslator(installed_);
    delete installed_;
    installed_ = nullptr;
  }
  // Qt's first, so the program's own table is asked first (the last installed is asked first).
  SwitchQtTexts(translator->LanguageName());
  if (!QCoreApplication::installTranslator(translator.get())) {
    support::LogFailure("LanguageSwitcher::Switch", "\"" + name + "\" was not installed");
    return false;
  }
  installed_ = translator.release();
  return true;
}

QString LanguageSwitcher::CurrentLanguage() const { return installed_ ? installed_->LanguageName() : QString(); }

QString Tr(const char* englishText) { return QCoreApplication::translate("", englishText); }
QString Tr(const QString& englishText) { return Tr(englishText.toUtf8().constData()); }

}  // namespace ui
