#include "app/startup/startup_notices.h"

#include <QStringList>

#include "support/notice_marker.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace app {
namespace {

using Fate = model::UnreadableFileReport::Fate;

// The English texts, the keys of the translation tables.
constexpr const char* kMacrosKept = "Your macros could not be read from %1 and are not shown. The file was kept as %2.";
constexpr const char* kRecordsKept =
    "Your key assignments could not be read from %1 and are not shown. The file was kept as %2.";
constexpr const char* kMacrosNotKept =
    "Your macros could not be read from %1 and are not shown. No copy of the file could be kept, so changes to "
    "macros are not saved until one can be.";
constexpr const char* kRecordsNotKept =
    "Your key assignments could not be read from %1 and are not shown. No copy of the file could be kept, so "
    "changes to key assignments are not saved until one can be.";
constexpr const char* kAccessNeeded =
    "Keys given a macro or another function cannot be replaced: kbconfig has no access to /dev/uinput. Install "
    "the kbconfig package, or run driver/linux/install-udev-rules.sh from kbconfig's sources once as root, then "
    "start kbconfig again. This message is shown once.";

QString Told(const model::UnreadableFileReport& report, const char* keptText, const char* notKeptText) {
  switch (report.fate) {
    case Fate::kKept:
      return ui::Tr(keptText).arg(ui::BreakablePath(report.file), ui::BreakablePath(report.copy));
    case Fate::kNotKept:
      return ui::Tr(notKeptText).arg(ui::BreakablePath(report.file));
    case Fate::kNone:
    case Fate::kAlreadyKept:
      break;
  }
  return {};
}

}  // namespace

QString UnreadableDataText(const model::UnreadableFileReport& macros, const model::UnreadableFileReport& records) {
  QStringList paragraphs;
  for (const QString& text :
       {Told(macros, kMacrosKept, kMacrosNotKept), Told(records, kRecordsKept, kRecordsNotKept)}) {
    if (!text.isEmpty()) paragraphs << text;
  }
  return paragraphs.join(QStringLiteral("\n\n"));
}

void MarkToldAtStart(support::SaveReporter& reporter, const model::UnreadableFileReport& macros,
                     const model::UnreadableFileReport& records) {
  for (const model::UnreadableFileReport* report : {&macros, &records}) {
    if (report->fate == Fate::kNotKept) reporter.MarkTold(report->file);
  }
}

bool ShouldTellVirtualDeviceAccess(VirtualDeviceStatus status, const std::filesystem::path& dataFolder) {
  const std::filesystem::path marker = dataFolder / kAccessNoticeMarker;
  if (status != VirtualDeviceStatus::kAccessNeeded) {
    if (status == VirtualDeviceStatus::kOpen && support::NoticeMarked(marker)) support::ClearNoticeMark(marker);
    return false;
  }
  if (support::NoticeMarked(marker)) return false;
  support::MarkNotice(marker, "how to give it access to /dev/uinput");
  return true;
}

QString VirtualDeviceAccessText() { return ui::Tr(kAccessNeeded); }

}  // namespace app
