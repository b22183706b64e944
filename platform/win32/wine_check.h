#pragma once
// Whether this process runs under Wine rather than Windows, for the few places where Wine differs
// from Windows in what it delivers.

namespace platform::win32 {

// True when this process runs under Wine (its ntdll exports wine_get_version).
bool RunsUnderWine();

}  // namespace platform::win32
