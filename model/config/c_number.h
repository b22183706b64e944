#pragma once
// The C library's strtol/strtoul conversions on 32 bits, as model::ParseCLong / ParseCUnsignedLong
// for the callers that name them so; the conversion itself lives in support/c_number.h.
#include "support/c_number.h"

namespace model {

using support::ParseCLong;
using support::ParseCUnsignedLong;

}  // namespace model
