#pragma once

// What the Windows service does with the service manager's controls, how it
// ends, and how it asks to be started again after a failure. Kept apart from
// the Windows API, by the API's own values, so that the rules are tested on
// every platform.

#include "app/cycle_decision.h"

#include <array>
#include <cstdint>

// The controls the service takes (winsvc.h's SERVICE_CONTROL_*), and what it
// tells the manager it accepts (SERVICE_ACCEPT_*); of the power events
// (pbt.h's PBT_*), the resume from a sleep that every resume brings.
constexpr std::uint32_t CONTROL_STOP = 0x01;
constexpr std::uint32_t CONTROL_INTERROGATE = 0x04;
constexpr std::uint32_t CONTROL_SHUTDOWN = 0x05;
constexpr std::uint32_t CONTROL_PARAMCHANGE = 0x06;
constexpr std::uint32_t CONTROL_POWEREVENT = 0x0D;
constexpr std::uint32_t ACCEPT_STOP = 0x01;
constexpr std::uint32_t ACCEPT_SHUTDOWN = 0x04;
constexpr std::uint32_t ACCEPT_PARAMCHANGE = 0x08;
constexpr std::uint32_t ACCEPT_POWEREVENT = 0x40;
constexpr std::uint32_t ACCEPTED_CONTROLS =
    ACCEPT_STOP | ACCEPT_SHUTDOWN | ACCEPT_PARAMCHANGE | ACCEPT_POWEREVENT;
constexpr std::uint32_t POWER_RESUME_AUTOMATIC = 0x12;

struct ControlDecision {
  bool known;   // answered NO_ERROR; any other control is not implemented
  bool stop;    // the program ends between two cycles, and sends the EC nothing
  bool reload;  // the table is read again between two cycles, as SIGHUP on Linux
  bool resumed; // the machine woke: the EC is set up again before the next read

  bool operator==(const ControlDecision &) const = default;
};
// A power event's kind comes with the control; other controls have none.
[[nodiscard]] ControlDecision Decide_Control(std::uint32_t control, std::uint32_t event_type);

// How long the manager is to wait, at most, for a stop: the stop is seen
// between two cycles, and the cycle under way may be the slowest; and for a
// start-up, whose set-up and start-up command take less than a cycle, after
// its folder and its table.
constexpr std::uint32_t STOP_WAIT_HINT_MS = WORST_CYCLE_MS + 3000;
constexpr std::uint32_t START_WAIT_HINT_MS = 2 * WORST_CYCLE_MS;

// The exit codes a stopped service reports (SERVICE_STATUS): none when the
// program ended well, else its exit status as a service-specific code, which
// the system's event log records.
constexpr std::uint32_t WIN32_NO_ERROR = 0;
constexpr std::uint32_t WIN32_SERVICE_SPECIFIC_ERROR = 1066;
struct ServiceExit {
  std::uint32_t win32_exit_code;
  std::uint32_t service_specific_exit_code;

  bool operator==(const ServiceExit &) const = default;
};
[[nodiscard]] ServiceExit Service_Exit(int exit_status);

// The recovery the service asks of the manager: restarted 5 s after a first
// and a second failure and 60 s after a third, then left stopped, the count
// starting again after a day without a failure. A failure is a crash, and
// also an exit with a status other than 0 (the failure-actions flag), such as
// a start-up that failed: one that only an administrator can mend (no
// WinRing0.dll, one of the other width, not this board) is not tried every
// minute for ever, and the event log says what to do.
struct RecoveryAction {
  bool restart; // else none: the service stays stopped
  std::uint32_t delay_ms;

  bool operator==(const RecoveryAction &) const = default;
};
constexpr std::uint32_t RECOVERY_RESET_PERIOD_S = 24 * 60 * 60;
constexpr std::array<RecoveryAction, 4> RECOVERY_ACTIONS = {
    {{true, 5000}, {true, 5000}, {true, 60000}, {false, 0}}};
constexpr bool RECOVERY_ON_NONCRASH_FAILURES = true;

// The recovery is the administrator's: the MSI sets it at install, and the
// service sets it only where the service has none (`actions_set` 0),
// never over one that is set.
[[nodiscard]] bool Recovery_To_Set(std::uint32_t actions_set);

// Whether a start-up that failed waits for a key before the program ends:
// only in a console window of the program's own, which closes with the
// program (it was started from Explorer); never under the service manager,
// in a console other programs share, or with input or output redirected.
struct ConsoleSeen {
  bool as_service;
  std::uint32_t console_processes; // GetConsoleProcessList's count: 1 for its own window
  bool input_is_console;
  bool output_is_console;
};
[[nodiscard]] bool Wait_Before_Closing(int exit_status, const ConsoleSeen &console);
