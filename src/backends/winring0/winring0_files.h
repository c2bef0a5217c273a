#pragma once

// Where WinRing0.dll and its kernel driver stand: the library beside the
// program, the driver file beside the library. Shared by the Windows backend
// (which loads the library and says what is missing) and the stand-in
// library of the tests (which, like the real one, cannot start without its
// driver file).

#include <windows.h>

#include <array>

using WindowsPath = std::array<wchar_t, MAX_PATH>;

// A path in UTF-8, for the program's messages: up to three bytes a UTF-16
// unit.
using Utf8Path = std::array<char, MAX_PATH * 3>;

// The path of `file` in the folder of `module` (nullptr: the executable).
// False when it does not fit.
[[nodiscard]] bool Path_Beside(HMODULE module, const wchar_t *file, WindowsPath &path);

[[nodiscard]] bool File_Exists(const WindowsPath &path);

// The path in UTF-8, to print; empty where it does not convert.
[[nodiscard]] const char *Utf8_Path(const wchar_t *path, Utf8Path &utf8);

// The driver file that WinRing0.dll loads on this Windows: WinRing0x64.sys
// on 64-bit Windows, whichever the library's own width; WinRing0.sys on
// 32-bit Windows.
[[nodiscard]] const wchar_t *WinRing0_DriverFile();
