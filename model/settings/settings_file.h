#pragma once
// settings.xml, element by element:
//   <settings>
//     <language name="lang_cn"/>
//     <profiles active="Game" first="Everyday"/>
//     <programs switch="1" default="">
//       <rule profile="Game" match="folder" value="C:\Games\Space"/>
//     </programs>
//   </settings>
// Missing elements and attributes read as the defaults of Settings; a rule with an unknown
// "match" or an empty value is left out. Elements this build does not know are kept as they are
// (a newer build's settings survive a save by an older one).
#include <pugixml.hpp>

#include "model/settings/settings.h"

namespace model {

// The settings of a well-formed document (any document: nothing in it is refused).
Settings ReadSettings(const pugi::xml_document& document);

// The document to save: `settings`, then every child of the root of `kept` that ReadSettings does
// not read (from the file as it was loaded), in their order.
void WriteSettings(const Settings& settings, const pugi::xml_document& kept, pugi::xml_document& document);

// The text of a ProgramMatch in the file ("name", "path", "folder", "class").
const char* ProgramMatchText(ProgramMatch match);

}  // namespace model
