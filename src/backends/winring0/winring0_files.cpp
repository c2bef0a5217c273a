#include "backends/winring0/winring0_files.h"

#include <cwchar>

bool Path_Beside(HMODULE module, const wchar_t *file, WindowsPath &path) {
  const DWORD length = GetModuleFileNameW(module, path.data(), MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return false;
  }
  std::size_t end = length;
  while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L'/') {
    --end;
  }
  const std::size_t file_length = std::wcslen(file);
  if (end + file_length + 1 > MAX_PATH) {
    return false;
  }
  std::wmemcpy(path.data() + end, file, file_length + 1);
  return true;
}

bool File_Exists(const WindowsPath &path) {
  return GetFileAttributesW(path.data()) != INVALID_FILE_ATTRIBUTES;
}

const char *Utf8_Path(const wchar_t *path, Utf8Path &utf8) {
  if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                          nullptr) == 0) {
    utf8[0] = '\0';
  }
  return utf8.data();
}

const wchar_t *WinRing0_DriverFile() {
  BOOL under_wow64 = FALSE;
  const bool windows_64 =
      sizeof(void *) == 8 || (IsWow64Process(GetCurrentProcess(), &under_wow64) && under_wow64);
  return windows_64 ? L"WinRing0x64.sys" : L"WinRing0.sys";
}
