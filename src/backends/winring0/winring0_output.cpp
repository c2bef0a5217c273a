// Where the program's lines go on Windows. A program that the system itself
// runs (the task that starts it with the machine runs as SYSTEM, in a session
// nobody sees) has nobody to read its standard output and error: they go to
// thermal-control.log beside the program, which becomes thermal-control.log.1
// once it holds 4 MiB (the one before that dropped). There is no service
// manager to notify.

#include "backends/common/rotating_log.h"
#include "backends/winring0/winring0_files.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <array>
#include <cstdio>

namespace {

constexpr long LOG_CAP_BYTES = 4L * 1024 * 1024;

// The log's names, in the system's code page.
using NarrowPath = std::array<char, MAX_PATH * 3>;
NarrowPath log_path{};
NarrowPath previous_path{};

bool decided = false;
bool to_log = false;
RotatingLog log{};

bool Runs_As_System() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return false;
  }
  std::array<unsigned char, 128> buffer{};
  DWORD length = 0;
  const bool queried = GetTokenInformation(token, TokenUser, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), &length);
  CloseHandle(token);
  return queried &&
         IsWellKnownSid(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, WinLocalSystemSid);
}

bool Narrow(const wchar_t *file, NarrowPath &narrow) {
  WindowsPath path{};
  return Path_Beside(nullptr, file, path) &&
         WideCharToMultiByte(CP_ACP, 0, path.data(), -1, narrow.data(),
                             static_cast<int>(narrow.size()), nullptr, nullptr) > 0;
}

bool Open_Log() {
  if (!Narrow(L"thermal-control.log", log_path) ||
      !Narrow(L"thermal-control.log.1", previous_path)) {
    return false;
  }
  log = RotatingLog{log_path.data(), previous_path.data(), "NUL", LOG_CAP_BYTES, {stdout, stderr}};
  return Log_Open(log);
}

} // namespace

void Platform_KeepOutput() {
  if (!decided) {
    decided = true;
    to_log = Runs_As_System() && Open_Log();
  }
  if (to_log) {
    Log_Keep(log);
  }
}

void Platform_Notify(const char *) {}
