// How the program runs on Windows. Started by the service control manager,
// it is the service thermal-control: start pending until its control cycle
// begins, then running; a stop or a shutdown ends it between two cycles, a
// parameter change has it read its table again, and a resume from sleep
// has it set the EC up again before its next read; it works in
// %ProgramData%\thermal-control, where its table is and its log goes; and
// where no recovery is set, it asks the manager for its own. Started from a
// console, it has standard handles, or the dispatcher's call fails with
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, and it is the console program it
// always was. Either way, libraries load only from System32 or, for
// WinRing0.dll, the program's own folder.

#include "backends/winring0/winring0_service.h"
#include "app/exit_status.h"
#include "backends/common/service_control.h"
#include "backends/winring0/thermal-control-events.h"
#include "common/console.h"
#include "common/console_code_page.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <conio.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {

constexpr wchar_t SERVICE_NAME[] = L"thermal-control";

// A start-up that failed has the event of its exit status.
constexpr DWORD FAILURE_EVENTS = MSG_FAILED_PORT_LIBRARY - EXIT_PORT_LIBRARY;
static_assert(MSG_FAILED_ANOTHER_COPY == FAILURE_EVENTS + EXIT_ANOTHER_COPY &&
              MSG_FAILED_NO_LIBRARY == FAILURE_EVENTS + EXIT_NO_LIBRARY &&
              MSG_FAILED_LIBRARY_UNLOADABLE == FAILURE_EVENTS + EXIT_LIBRARY_UNLOADABLE &&
              MSG_FAILED_LIBRARY_INCOMPLETE == FAILURE_EVENTS + EXIT_LIBRARY_INCOMPLETE &&
              MSG_FAILED_DRIVER == FAILURE_EVENTS + EXIT_DRIVER &&
              MSG_FAILED_LIBRARY_STATUS == FAILURE_EVENTS + EXIT_LIBRARY_STATUS &&
              MSG_FAILED_NOT_THIS_MACHINE == FAILURE_EVENTS + EXIT_NOT_THIS_MACHINE &&
              MSG_FAILED_SET_UP == FAILURE_EVENTS + EXIT_SET_UP_FAILED &&
              MSG_FAILED_PLATFORM == FAILURE_EVENTS + EXIT_PLATFORM);

ControllerRun controller_run = nullptr;
bool as_service = false;
int service_exit_status = 0;

SERVICE_STATUS_HANDLE status_handle = nullptr;
CRITICAL_SECTION status_lock;
SERVICE_STATUS status{};
HANDLE stop_event = nullptr;
std::atomic<bool> reload_asked{false};
std::atomic<bool> resume_noticed{false};
std::atomic<bool> shutting_down{false};

// Tells the manager the service's state; a pending state counts its steps.
void Report(DWORD state, DWORD wait_hint_ms, ServiceExit exit = Service_Exit(0)) {
  EnterCriticalSection(&status_lock);
  const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted = state == SERVICE_RUNNING ? ACCEPTED_CONTROLS : 0;
  status.dwWin32ExitCode = exit.win32_exit_code;
  status.dwServiceSpecificExitCode = exit.service_specific_exit_code;
  status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
  status.dwWaitHint = wait_hint_ms;
  SetServiceStatus(status_handle, &status);
  LeaveCriticalSection(&status_lock);
}

DWORD WINAPI Control_Handler(DWORD control, DWORD event_type, void *, void *) {
  const ControlDecision decision = Decide_Control(control, event_type);
  if (!decision.known) {
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  if (decision.reload) {
    reload_asked.store(true);
  }
  if (decision.resumed) {
    resume_noticed.store(true);
  }
  if (decision.stop) {
    shutting_down.store(control == CONTROL_SHUTDOWN);
    Report(SERVICE_STOP_PENDING, STOP_WAIT_HINT_MS);
    SetEvent(stop_event);
  }
  return NO_ERROR;
}

// The recovery the service asks for where none is set: said on the standard
// error stream when it cannot be set; the service runs on.
void Ask_For_Recovery() {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service =
      manager != nullptr
          ? OpenServiceW(manager, SERVICE_NAME,
                         SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG | SERVICE_START)
          : nullptr;
  alignas(SERVICE_FAILURE_ACTIONSW) BYTE set[8 * 1024];
  DWORD needed = 0;
  const bool read =
      service != nullptr &&
      QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, set, sizeof set, &needed);
  if (read && Recovery_To_Set(reinterpret_cast<SERVICE_FAILURE_ACTIONSW *>(set)->cActions)) {
    SC_ACTION actions[RECOVERY_ACTIONS.size()];
    for (std::size_t i = 0; i < RECOVERY_ACTIONS.size(); ++i) {
      actions[i] = {RECOVERY_ACTIONS[i].restart ? SC_ACTION_RESTART : SC_ACTION_NONE,
                    RECOVERY_ACTIONS[i].delay_ms};
    }
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = RECOVERY_RESET_PERIOD_S;
    failure.cActions = static_cast<DWORD>(RECOVERY_ACTIONS.size());
    failure.lpsaActions = actions;
    SERVICE_FAILURE_ACTIONS_FLAG flag{RECOVERY_ON_NONCRASH_FAILURES};
    if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure) ||
        !ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag)) {
      Console_Error("cannot set the service's recovery (error %lu)\n", GetLastError());
    }
  } else if (!read) {
    Console_Error("cannot read the service's recovery (error %lu)\n", GetLastError());
  }
  if (service != nullptr) {
    CloseServiceHandle(service);
  }
  if (manager != nullptr) {
    CloseServiceHandle(manager);
  }
}

// How the run ended, as the log's stop line and the event log say it.
void Tell_Stopped(int exit_status) {
  if (exit_status == EXIT_STOPPED) {
    const char *why = shutting_down.load() ? "the machine shuts down" : "the service was stopped";
    WinRing0_Event(MSG_STOPPED, why);
    WinRing0_StopLog(why);
    return;
  }
  char why[640];
  Text_Format(why, sizeof why, "its start-up failed with exit status %d: %s", exit_status,
              WinRing0_LastSaid());
  WinRing0_Event(FAILURE_EVENTS + static_cast<DWORD>(exit_status), WinRing0_LastSaid());
  WinRing0_StopLog(why);
}

void WINAPI Service_Main(DWORD, wchar_t **) {
  status_handle = RegisterServiceCtrlHandlerExW(SERVICE_NAME, Control_Handler, nullptr);
  if (status_handle == nullptr) {
    service_exit_status = EXIT_PLATFORM;
    return;
  }
  Report(SERVICE_START_PENDING, START_WAIT_HINT_MS);
  WinRing0_TakeLines();
  if (!WinRing0_EnterDataFolder()) {
    service_exit_status = EXIT_PLATFORM;
    WinRing0_Event(FAILURE_EVENTS + EXIT_PLATFORM, WinRing0_LastSaid());
    Report(SERVICE_STOPPED, 0, Service_Exit(service_exit_status));
    return;
  }
  WinRing0_StartLog();
  Ask_For_Recovery();
  service_exit_status = controller_run();
  Tell_Stopped(service_exit_status);
  Report(SERVICE_STOPPED, 0, Service_Exit(service_exit_status));
}

// A process that the service control manager starts has no standard
// handles. Only such a process calls the dispatcher: elsewhere (under Wine)
// its call may take seconds to fail.
bool Maybe_A_Service() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  return output == nullptr || output == INVALID_HANDLE_VALUE;
}

bool Is_Console(DWORD handle) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

// A console program: its output in UTF-8 on a console, and where start-up
// failed in a console window of its own, the window kept until a key is
// pressed, so that the message can be read.
int Run_In_Console(ControllerRun run) {
  Console_Use_Utf8();
  const int exit_status = run();
  DWORD processes[2];
  const ConsoleSeen console{false, GetConsoleProcessList(processes, 2),
                            Is_Console(STD_INPUT_HANDLE), Is_Console(STD_OUTPUT_HANDLE)};
  if (Wait_Before_Closing(exit_status, console)) {
    std::fputs("Press a key to close this window.\n", stderr);
    static_cast<void>(_getch());
  }
  return exit_status;
}

} // namespace

bool WinRing0_AsService() { return as_service; }

int Platform_Run(ControllerRun run) {
  // The current folder and the search path are never searched for a
  // library, whatever loads one later: whatever loads here runs with
  // administrator rights.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!Maybe_A_Service()) {
    return Run_In_Console(run);
  }
  controller_run = run;
  InitializeCriticalSection(&status_lock);
  stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  as_service = true;
  SERVICE_TABLE_ENTRYW services[] = {{const_cast<wchar_t *>(SERVICE_NAME), Service_Main},
                                     {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(services)) {
    return service_exit_status;
  }
  as_service = false;
  const DWORD error = GetLastError();
  if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
    return Run_In_Console(run);
  }
  Console_Error("cannot reach the service control manager (error %lu)\n", error);
  return EXIT_PLATFORM;
}

bool Platform_ReloadAsked() { return reload_asked.exchange(false); }

bool Platform_ResumeNoticed() { return resume_noticed.exchange(false); }

void Platform_SleepMs(std::uint32_t milliseconds) { Sleep(milliseconds); }

// Only a service is stopped between two cycles; a console program is ended
// from outside.
bool Platform_Pause(std::uint32_t milliseconds) {
  if (!as_service) {
    Sleep(milliseconds);
    return true;
  }
  return WaitForSingleObject(stop_event, milliseconds) == WAIT_TIMEOUT;
}

// Windows' service manager hears of the cycles nothing but that they run.
bool Platform_ServiceManagerListens() { return false; }

// The service runs once its control cycle begins; nothing else is told.
void Platform_Notify(const char *message) {
  if (as_service && std::strcmp(message, "READY=1") == 0 &&
      WaitForSingleObject(stop_event, 0) == WAIT_TIMEOUT) {
    Report(SERVICE_RUNNING, 0);
  }
}
