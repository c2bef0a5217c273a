// Where the program's lines go on Windows. The service has nobody to read
// its standard output and error: they go to thermal-control.log in its data
// folder (%ProgramData%\thermal-control, its current directory), which
// becomes thermal-control.log.1 before it holds half of the two files' cap
// of 8 MiB (the one before that dropped), about a day of lines each. A
// failure to write the log goes to the system's event log, once. Started
// from a console, the program prints there.

#include "backends/common/rotating_log.h"
#include "backends/winring0/winring0_service.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

constexpr long LOG_CAP_BYTES = 8L * 1024 * 1024;
// The most the program prints between two looks at the log: a cycle's
// lines, or start-up's, or a reload's, each of which may echo and list the
// whole table (1024 values of up to eleven characters and two blanks, then
// their bytes).
constexpr long LOG_ROOM_BYTES = 64L * 1024;

bool decided = false;
RotatingLog log{"thermal-control.log", "thermal-control.log.1", "NUL",  LOG_CAP_BYTES,
                LOG_ROOM_BYTES,        {stdout, stderr},        nullptr};

// The service's own source in the system's event log.
void Say_In_Event_Log(const char *line) {
  const HANDLE source = RegisterEventSourceW(nullptr, L"thermal-control");
  if (source == nullptr) {
    return;
  }
  ReportEventA(source, EVENTLOG_WARNING_TYPE, 0, 0, nullptr, 1, 0, &line, nullptr);
  DeregisterEventSource(source);
}

// A service has no console, and the C runtime leaves its standard streams
// without a descriptor (-2), which some runtimes' freopen then will not
// reopen: each is given its own, on the null device, first.
void Give_Streams_Descriptors() {
  const struct {
    std::FILE *stream;
    int descriptor;
  } standard[] = {{stdout, 1}, {stderr, 2}};
  for (const auto &[stream, descriptor] : standard) {
    const int null_device = _fileno(stream) < 0 ? _open("NUL", _O_WRONLY) : -1;
    if (null_device >= 0) {
      _dup2(null_device, descriptor);
      _close(null_device);
      stream->_file = descriptor;
    }
  }
}

} // namespace

void Platform_KeepOutput() {
  if (!WinRing0_AsService()) {
    return;
  }
  if (!decided) {
    decided = true;
    Give_Streams_Descriptors();
    log.say = Say_In_Event_Log;
    Log_Open(log, GetTickCount64());
  }
  Log_Keep(log, GetTickCount64());
}
