#pragma once
// Failure lines for Windows calls: "<operation> failed: Windows error <code> (<message>)".
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::win32 {

// The system's text for an error code, without its trailing line end (empty when it has none).
std::string ErrorMessage(std::uint32_t error);

// Logs one failed call with its error code and the system's text for it.
void LogWinFailure(std::string_view operation, std::uint32_t error);

}  // namespace platform::win32
