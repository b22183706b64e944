#pragma once
// Programs started with CreateProcessW and waited for; this process's executable path and
// whether it runs under WOW64.
#include "platform/process.h"

namespace platform::win32 {

class WinProcessSystem final : public ProcessSystem {
 public:
  bool RunAndWait(const std::wstring& program, const std::wstring& commandLine, std::uint32_t& exitCode,
                  std::uint32_t& error) override;
  bool ExecutablePath(std::wstring& path, std::uint32_t& error) override;
  bool Is32BitOn64BitSystem(bool& answer, std::uint32_t& error) override;
};

}  // namespace platform::win32
