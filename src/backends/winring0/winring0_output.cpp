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
#include <string>

namespace {

constexpr long LOG_CAP_BYTES = 4L * 1024 * 1024;

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

std::string Narrow(const WindowsPath &path) {
  char narrow[MAX_PATH * 3] = {};
  WideCharToMultiByte(CP_ACP, 0, path.data(), -1, narrow, sizeof narrow, nullptr, nullptr);
  return narrow;
}

bool Open_Log() {
  WindowsPath path{};
  WindowsPath previous{};
  if (!Path_Beside(nullptr, L"thermal-control.log", path) ||
      !Path_Beside(nullptr, L"thermal-control.log.1", previous)) {
    return false;
  }
  log = RotatingLog{Narrow(path), Narrow(previous), "NUL", LOG_CAP_BYTES, {stdout, stderr}};
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
