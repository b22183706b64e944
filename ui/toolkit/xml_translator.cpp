#include "ui/toolkit/xml_translator.h"

#include <memory>
#include <string>

#include <QCoreApplication>

#include "support/logger.h"
#include "ui/toolkit/resource_package.h"

namespace ui {

bool XmlTranslator::LoadFrom(const pugi::xml_document& document) {
  const pugi::xml_node language = document.child("language");
  if (!language) return false;
  languageName_ = QString::fromUtf8(language.attribute("name").as_string());
  texts_.clear();
  for (pugi::xml_node message : language.children("message")) {
    const QString source = QString::fromUtf8(message.attribute("source").as_string());
    const QString translation = QString::fromUtf8(message.attribute("translation").as_string());
    if (source.isEmpty() || translation.isEmpty()) continue;  // no translation: the English text stays
    texts_[source] = translation;
  }
  return true;
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
  pugi::xml_document document;
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()))) {
    support::LogFailure("LanguageSwitcher::Switch", "\"" + name + "\" is not well-formed XML");
    return false;
  }
  auto translator = std::make_unique<XmlTranslator>();
  if (!translator->LoadFrom(document)) {
    support::LogFailure("LanguageSwitcher::Switch", "\"" + name + "\" has no language element");
    return false;
  }
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
