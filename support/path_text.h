#pragma once
// File paths to and from text, without the conversions of std::filesystem::path that throw:
// with libstdc++ on Linux, path::wstring() and a path made from a wide string throw for every
// character outside ASCII (the conversion goes through the "C" locale), and for bytes that are not
// UTF-8; on Windows path::string() cannot carry a name outside the ANSI code page. These convert
// between the native form (UTF-16 on Windows, bytes taken as UTF-8 elsewhere) and UTF-8 or wide
// text with our own conversions, and never throw.
#include <filesystem>
#include <string>
#include <string_view>

namespace support {

// The path as UTF-8, for logs and messages. Bytes of a POSIX name that are not UTF-8 become U+FFFD.
std::string PathToUtf8(const std::filesystem::path& path);
// The path as a wide string, by the same rule.
std::wstring PathToWide(const std::filesystem::path& path);

// The path named by wide text (UTF-32 or UTF-16) or by UTF-8 text. Exact for any valid text.
std::filesystem::path PathFromWide(std::wstring_view text);
std::filesystem::path PathFromUtf8(std::string_view text);

}  // namespace support
