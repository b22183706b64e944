#include "ui/toolkit/xml_translator.h"

#include <memory>
#include <optional>
#include <string>

#include <QCoreApplication>

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

LanguageSwitcher::~LanguageSwitcher() {
  if (installed_) {
    QCoreApplication::removeTranslator(installed_);
    delete installed_;
  }
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
