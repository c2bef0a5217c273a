// Where the program's lines go on Windows. Started from a console, the
// program prints there. The service has nobody to read its standard output
// and error: its lines go to thermal-control.log in its folder, each begun
// with the local time, and the log becomes thermal-control.log.1 before it
// holds half of the two files' cap of 8 MiB (the one before that dropped),
// about a day of lines each. A log that the service may not trust, or that is
// no file, is set aside before a new one begins. A run begins with a start
// line, says the table in force once the start-up has read it, and ends
// with a stop line that says why. What the service tells the
// system, and a failure to write the log, goes to the Application log under
// the event source thermal-control, whose texts are the exe's message table.

#include "backends/common/rotating_log.h"
#include "backends/winring0/thermal-control-events.h"
#include "backends/winring0/winring0_security.h"
#include "backends/winring0/winring0_service.h"
#include "common/console.h"
#include "common/log_stamp.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr long LOG_CAP_BYTES = 8L * 1024 * 1024;
// The longest line the program prints: a message naming paths, with its
// stamp.
constexpr long LOG_LINE_ROOM_BYTES = 4L * 1024;
constexpr wchar_t LOG_FILE[] = L"thermal-control.log";
constexpr wchar_t PREVIOUS_LOG_FILE[] = L"thermal-control.log.1";

HANDLE event_source = nullptr;

void Say_Log_Failure(const char *line) { WinRing0_Event(MSG_LOG_NOT_WRITTEN, line); }

RotatingLog log{"thermal-control.log", "thermal-control.log.1", LOG_CAP_BYTES,
                LOG_LINE_ROOM_BYTES,   Say_Log_Failure,         std::rename};

// The last line said on the standard error stream, as it was said.
char last_said[512];
std::size_t last_said_length = 0;
bool last_said_ended = true;

void Keep_Said(const char *text, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (last_said_ended) {
      last_said_length = 0;
      last_said_ended = false;
    }
    if (text[i] == '\n') {
      last_said_ended = true;
    } else if (last_said_length + 1 < sizeof last_said) {
      last_said[last_said_length++] = text[i];
    }
  }
  last_said[last_said_length] = '\0';
}

void Now_Stamp(char (&stamp)[LOG_STAMP_SIZE]) {
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  GetSystemTime(&utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  // Local time and UTC lie less than a day apart: the offset from their
  // minutes of the day, and a day more or less where their dates differ.
  const auto minute_of_day = [](const SYSTEMTIME &time) { return time.wHour * 60 + time.wMinute; };
  const auto date = [](const SYSTEMTIME &time) {
    return (time.wYear * 16 + time.wMonth) * 32 + time.wDay;
  };
  const int days = date(local) > date(utc) ? 1 : date(local) < date(utc) ? -1 : 0;
  Log_Stamp({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
             days * 24 * 60 + minute_of_day(local) - minute_of_day(utc)},
            stamp);
}

void Write_To_Log(const char *text, std::size_t size) {
  char stamp[LOG_STAMP_SIZE];
  Now_Stamp(stamp);
  Log_Write(log, text, size, stamp, GetTickCount64());
}

// What the service says before its log begins (of its folder, or of a log
// it sets aside) follows the log's start line.
bool log_begun = false;
char held[4096];
std::size_t held_size = 0;

void Log_Sink(ConsoleStream stream, const char *text, std::size_t size) {
  if (stream == ConsoleStream::Error) {
    Keep_Said(text, size);
  }
  if (log_begun) {
    Write_To_Log(text, size);
    return;
  }
  const std::size_t kept = std::min(size, sizeof held - held_size);
  std::memcpy(held + held_size, text, kept);
  held_size += kept;
}

// The log as it stands, before it is written: a file the service may trust,
// or else set aside.
void Set_Aside_Untrusted(const wchar_t *name) {
  const HANDLE file = CreateFileW(
      name, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return; // there is none yet
  }
  BY_HANDLE_FILE_INFORMATION information{};
  char why[512] = "is no file (a folder or a link stands there)";
  const bool plain = GetFileInformationByHandle(file, &information) &&
                     (information.dwFileAttributes &
                      (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
  char distrust[400];
  const bool trusted = plain && WinRing0_Trusted(file, distrust, sizeof distrust);
  CloseHandle(file);
  if (plain && !trusted) {
    Text_Format(why, sizeof why, "is not the service's own: %s", distrust);
  }
  if (!trusted) {
    static_cast<void>(WinRing0_SetAside(name, why));
  }
}

} // namespace

void WinRing0_TakeLines() { Console_SetSink(Log_Sink); }

void WinRing0_StartLog() {
  Set_Aside_Untrusted(LOG_FILE);
  Set_Aside_Untrusted(PREVIOUS_LOG_FILE);
  log_begun = true;
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  char line[MAX_PATH * 4];
  const std::size_t length = Text_Format(
      line, sizeof line, "thermal-control: thermal-control %s starts as the service in %ls\n",
      THERMAL_VERSION, folder);
  Write_To_Log(line, std::min(length, sizeof line - 1));
  Write_To_Log(held, held_size);
  held_size = 0;
}

void WinRing0_StopLog(const char *why) {
  char line[256];
  const std::size_t length =
      Text_Format(line, sizeof line, "thermal-control: thermal-control stops: %s\n", why);
  Write_To_Log(line, std::min(length, sizeof line - 1));
  Console_SetSink(nullptr);
  Log_Close(log);
}

const char *WinRing0_LastSaid() { return last_said; }

void WinRing0_Event(DWORD message, const char *text) {
  if (event_source == nullptr) {
    event_source = RegisterEventSourceW(nullptr, L"thermal-control");
  }
  wchar_t words[1024];
  if (event_source == nullptr ||
      MultiByteToWideChar(CP_UTF8, 0, text, -1, words, static_cast<int>(std::size(words))) == 0) {
    return;
  }
  // The severity stands in the message's top two bits.
  constexpr WORD TYPES[] = {EVENTLOG_SUCCESS, EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE,
                            EVENTLOG_ERROR_TYPE};
  const wchar_t *inserts[] = {words};
  ReportEventW(event_source, TYPES[message >> 30], 0, message, nullptr, 1, 0, inserts, nullptr);
}

// The service's own events; a program run by hand tells its console alone.
void Platform_Event(PlatformEvent event, const char *text) {
  if (!WinRing0_AsService()) {
    return;
  }
  switch (event) {
  case PlatformEvent::Started: {
    // The log says it too: the table in force, as the start-up read it.
    char line[256];
    const std::size_t length = Text_Format(line, sizeof line, "%s%s\n", CONSOLE_ERROR_MARK, text);
    Write_To_Log(line, std::min(length, sizeof line - 1));
    WinRing0_Event(MSG_STARTED, text);
    return;
  }
  case PlatformEvent::TableRefused:
    WinRing0_Event(MSG_TABLE_REFUSED, text);
    return;
  case PlatformEvent::BusHeld:
    WinRing0_Event(MSG_BUS_HELD, text);
    return;
  case PlatformEvent::BusLetGo:
    WinRing0_Event(MSG_BUS_LET_GO, text);
    return;
  }
}
