// Where the metrics file goes on Windows: the folder
// THERMAL_CONTROL_METRICS_DIR names, else windows_exporter's textfile folder
// where it is installed, which only administrators and SYSTEM may write.

#include "hw/port_lib.h"

#include <windows.h>

// windows_exporter's textfile collector reads its folder in the 64-bit
// Program Files, which a 32-bit program finds under ProgramW6432
// (ProgramFiles names the x86 one there).
bool Platform_MetricsFolder(char *folder, std::size_t size) {
  wchar_t named[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"THERMAL_CONTROL_METRICS_DIR", named, MAX_PATH);
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
    const DWORD expanded =
        ExpandEnvironmentStringsW(GetEnvironmentVariableW(L"ProgramW6432", nullptr, 0) != 0
                                      ? L"%ProgramW6432%\\windows_exporter\\textfile_inputs"
                                      : L"%ProgramFiles%\\windows_exporter\\textfile_inputs",
                                  named, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) {
      return false;
    }
    const DWORD attributes = GetFileAttributesW(named);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return false;
    }
  } else if (length == 0 || length >= MAX_PATH) {
    return false;
  }
  return named[0] != L'\0' && WideCharToMultiByte(CP_UTF8, 0, named, -1, folder,
                                                  static_cast<int>(size), nullptr, nullptr) != 0;
}
