#include "ui/profiles/profile_texts.h"

#include "model/profiles/profile_name.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {

QString ProfileDisplayName(const profiles::Profile& profile) {
  if (profile.id.empty() && profile.name.empty()) return Tr("Profile 1");
  return QString::fromStdWString(profile.name);
}

QString ProfileResultText(profiles::ProfileResult result) {
  using profiles::ProfileResult;
  switch (result) {
    case ProfileResult::kDone:
    case ProfileResult::kDeferred:
      return {};
    case ProfileResult::kNameEmpty:
      return Tr("Please enter a name.");
    case ProfileResult::kNameTooLong:
      return Tr("A profile name has at most %1 characters.").arg(model::kMaxProfileNameLength);
    case ProfileResult::kNameForbiddenCharacter:
      return Tr("A profile name cannot hold < > : \" / \\ | ? * nor begin or end with a dot.");
    case ProfileResult::kNameReserved:
      return Tr("This name is reserved by Windows; please choose another.");
    case ProfileResult::kNameTaken:
      return Tr("A profile of that name exists already.");
    case ProfileResult::kNoSuchProfile:
      return Tr("That profile does not exist any more.");
    case ProfileResult::kFirstProfile:
      return Tr("The first profile cannot be deleted.");
    case ProfileResult::kFilesFailed:
      return Tr("The profile's files could not be written; nothing was changed.");
    case ProfileResult::kNotAProfileFile:
      return Tr("The file holds no profile.");
  }
  return {};
}

QString ForegroundStateText(bool available, platform::ForegroundUnavailable reason) {
  if (available) return Tr("The program in front is watched: its profile comes with it.");
  switch (reason) {
    case platform::ForegroundUnavailable::kNoWindowSystem:
      return Tr("This session does not tell which program is in front (Wayland, or no display). "
                "Profiles switch only by hand here.");
    case platform::ForegroundUnavailable::kFailed:
      return Tr("Watching the program in front could not be started. Profiles switch only by hand.");
    case platform::ForegroundUnavailable::kNotBuilt:
    case platform::ForegroundUnavailable::kNone:
      break;
  }
  return Tr("This build cannot tell which program is in front on this system. Profiles switch only by hand.");
}

}  // namespace ui
