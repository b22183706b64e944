#include "platform/win32/unique_handle.h"

#include "platform/win32/win_error.h"

namespace platform::win32 {

bool UniqueHandle::Close() {
  if (!valid()) {
    handle_ = nullptr;
    return true;
  }
  if (!CloseHandle(handle_)) {
    LogWinFailure("CloseHandle", GetLastError());
    return false;
  }
  handle_ = nullptr;
  return true;
}

void UniqueHandle::Reset() {
  if (!Close()) handle_ = nullptr;  // nothing more can be done with a handle the system refused
}

}  // namespace platform::win32
