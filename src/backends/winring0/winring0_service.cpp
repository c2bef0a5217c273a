// How the program runs on Windows. Started by the service control manager,
// it is the service thermal-control: start pending until its control cycle
// begins, then running; a stop or a shutdown ends it between two cycles, a
// parameter change has it read its table again; it works in
// %ProgramData%\thermal-control, where its table is and its lines go; and it
// asks the manager to start it again after a failure. Started from a console,
// it has standard handles, or the dispatcher's call fails with
// ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, and it is the console program it
// always was.

#include "backends/winring0/winring0_service.h"
#include "backends/common/service_control.h"
#include "common/console_code_page.h"
#include "hw/port_lib.h"

#include <windows.h>

#include <shlobj.h>

#include <conio.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t SERVICE_NAME[] = L"thermal-control";
constexpr wchar_t DATA_FOLDER[] = L"\\thermal-control";

ControllerRun controller_run = nullptr;
bool as_service = false;
int service_exit_status = 0;

SERVICE_STATUS_HANDLE status_handle = nullptr;
CRITICAL_SECTION status_lock;
SERVICE_STATUS status{};
HANDLE stop_event = nullptr;
std::atomic<bool> reload_asked{false};

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

DWORD WINAPI Control_Handler(DWORD control, DWORD, void *, void *) {
  const ControlDecision decision = Decide_Control(control);
  if (!decision.known) {
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  if (decision.reload) {
    reload_asked.store(true);
  }
  if (decision.stop) {
    Report(SERVICE_STOP_PENDING, STOP_WAIT_HINT_MS);
    SetEvent(stop_event);
  }
  return NO_ERROR;
}

// Restarted after a failure, an exit with a failure status included. Said on
// the standard error stream when it cannot be set; the service runs on.
void Ask_For_Restarts() {
  SC_ACTION actions[FAILURE_RESTART_DELAYS_MS.size()];
  for (std::size_t i = 0; i < FAILURE_RESTART_DELAYS_MS.size(); ++i) {
    actions[i] = {SC_ACTION_RESTART, FAILURE_RESTART_DELAYS_MS[i]};
  }
  SERVICE_FAILURE_ACTIONSW failure{};
  failure.dwResetPeriod = FAILURE_RESET_PERIOD_S;
  failure.cActions = static_cast<DWORD>(FAILURE_RESTART_DELAYS_MS.size());
  failure.lpsaActions = actions;
  SERVICE_FAILURE_ACTIONS_FLAG flag{FAILURE_ACTIONS_ON_NONCRASH_FAILURES};
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  const SC_HANDLE service =
      manager != nullptr ? OpenServiceW(manager, SERVICE_NAME, SERVICE_CHANGE_CONFIG) : nullptr;
  const bool set = service != nullptr &&
                   ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure) &&
                   ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag);
  if (!set) {
    std::fprintf(stderr,
                 "thermal-control: cannot have the service manager restart the service after a "
                 "failure (error %lu)\n",
                 GetLastError());
  }
  if (service != nullptr) {
    CloseServiceHandle(service);
  }
  if (manager != nullptr) {
    CloseServiceHandle(manager);
  }
}

// %ProgramData%\thermal-control, made where it is missing, as the current
// directory: the table is read there, the log written there. Asked of the
// shell, since a service's environment need not name it.
bool Enter_Data_Folder() {
  wchar_t folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) !=
      S_OK) {
    return false;
  }
  const std::size_t length = std::wcslen(folder);
  if (length + std::size(DATA_FOLDER) > MAX_PATH) {
    return false;
  }
  std::memcpy(folder + length, DATA_FOLDER, sizeof DATA_FOLDER);
  return (CreateDirectoryW(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) &&
         SetCurrentDirectoryW(folder);
}

void WINAPI Service_Main(DWORD, wchar_t **) {
  status_handle = RegisterServiceCtrlHandlerExW(SERVICE_NAME, Control_Handler, nullptr);
  if (status_handle == nullptr) {
    service_exit_status = 1;
    return;
  }
  Report(SERVICE_START_PENDING, START_WAIT_HINT_MS);
  if (!Enter_Data_Folder()) {
    service_exit_status = 1;
    Report(SERVICE_STOPPED, 0, Service_Exit(service_exit_status));
    return;
  }
  Platform_KeepOutput();
  Ask_For_Restarts();
  service_exit_status = controller_run();
  std::fflush(stdout);
  std::fflush(stderr);
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
  std::fprintf(stderr, "thermal-control: cannot reach the service control manager (error %lu)\n",
               error);
  return 1;
}

bool Platform_ReloadAsked() { return reload_asked.exchange(false); }

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
