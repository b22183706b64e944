#pragma once
// The short GUID text of the discovery log lines, e.g. "4d1e55b2-f16f-11cf-88cb001111000030".
#include <string>

#include "platform/guid.h"

namespace device {

std::string FormatGuidForLog(const platform::Guid& guid);

}  // namespace device
