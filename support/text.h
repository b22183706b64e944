#pragma once
// Conversions between the core's wide strings and the UTF-8 used in files and logs.
#include <cstdarg>
#include <string>
#include <string_view>

namespace support {

// UTF-8 -> wide (UTF-32 where wchar_t is 32 bits, UTF-16 on Windows). Invalid bytes become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// Wide -> UTF-8. Unpaired surrogates become U+FFFD.
std::string WideToUtf8(std::wstring_view wide);

// printf-style formatting into a std::string / std::wstring (no length limit).
#if defined(__MINGW32__)  // MinGW builds use its C99 printf (__USE_MINGW_ANSI_STDIO), not msvcrt's
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif
std::wstring FormatWide(const wchar_t* format, ...);
std::string FormatV(const char* format, va_list args);
std::wstring FormatWideV(const wchar_t* format, va_list args);

}  // namespace support
