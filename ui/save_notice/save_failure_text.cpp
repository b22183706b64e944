#include "ui/save_notice/save_failure_text.h"

#include <QStringList>

#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

// The English texts, the keys of the translation tables.
constexpr const char* kNotSaved = "kbconfig could not save %1: %2.";
constexpr const char* kNotWrittenOver =
    "kbconfig does not save %1: the file could not be read when kbconfig started, and no copy of it could be "
    "kept (%2).";
constexpr const char* kKeptUntilNextChange =
    "Your settings stay as they are while kbconfig runs, and kbconfig tries to save them again with your next "
    "change.";

}  // namespace

QString SaveFailureText(const std::vector<support::SaveResult>& failures) {
  QStringList paragraphs;
  for (const support::SaveResult& failure : failures) {
    const char* text = failure.outcome == support::SaveResult::Outcome::kRefused ? kNotWrittenOver : kNotSaved;
    paragraphs << Tr(text).arg(BreakablePath(failure.file), QString::fromStdString(failure.reason));
  }
  paragraphs << Tr(kKeptUntilNextChange);
  return paragraphs.join(QStringLiteral("\n\n"));
}

}  // namespace ui
