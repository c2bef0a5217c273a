#pragma once

// Windows only: text between the program's UTF-8 and the system's UTF-16,
// and a system error in words.

#include <string>

[[nodiscard]] std::string Utf8_Of(const wchar_t *text);
[[nodiscard]] std::wstring Wide_Of(const char *text);

// The system's words for an error number (as GetLastError gives it), without
// the line end they come with, followed by its number: "Access is denied.
// (error 5)".
[[nodiscard]] std::string Windows_Error_Words(unsigned long error);
