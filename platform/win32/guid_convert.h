#pragma once
// The seam's GUID and the system's GUID hold the same fields.
#include <cstring>

#include "platform/guid.h"
#include "platform/win32/win_api.h"

namespace platform::win32 {

inline GUID ToWinGuid(const Guid& guid) {
  GUID out{};
  out.Data1 = guid.data1;
  out.Data2 = guid.data2;
  out.Data3 = guid.data3;
  std::memcpy(out.Data4, guid.data4, sizeof(out.Data4));
  return out;
}

inline Guid FromWinGuid(const GUID& guid) {
  Guid out;
  out.data1 = guid.Data1;
  out.data2 = guid.Data2;
  out.data3 = guid.Data3;
  std::memcpy(out.data4, guid.Data4, sizeof(out.data4));
  return out;
}

}  // namespace platform::win32
