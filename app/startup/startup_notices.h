#pragma once
// What start-up tells the user before the main window opens: which data files could not be read
// and where they were kept, and how to give the program access to its virtual device.
#include <filesystem>

#include <QString>

#include "app/startup/virtual_device_setup.h"
#include "model/xml/unreadable_file.h"
#include "support/save_reporter.h"

namespace app {

// Which of macro.xml and record.xml could not be read and where each was kept, in the current
// language (a zero-width space after each path separator lets the box wrap long paths); empty when
// there is nothing new to tell. A copy made at this start is told, and so is
// a file that could not be kept (every start, as its saves fail); a copy that an earlier start
// made and told is not told again.
QString UnreadableDataText(const model::UnreadableFileReport& macros, const model::UnreadableFileReport& records);

// The start-up notice told that these files are not saved until a copy of them can be kept (see
// UnreadableDataText): their refused saves are not told again before they save.
void MarkToldAtStart(support::SaveReporter& reporter, const model::UnreadableFileReport& macros,
                     const model::UnreadableFileReport& records);

// The file in the data folder that remembers that the access notice was shown.
inline constexpr const char* kAccessNoticeMarker = "uinput-access-told";

// Whether to tell now how to give the program access to its virtual device. The user is told
// once: when the device is not usable and the marker file is not there, which this then writes.
// A start that finds the device usable removes the marker, so that a later loss of access is
// told again.
bool ShouldTellVirtualDeviceAccess(VirtualDeviceStatus status, const std::filesystem::path& dataFolder);

// The access notice, in the current language.
QString VirtualDeviceAccessText();

}  // namespace app
