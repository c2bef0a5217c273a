#include "backends/common/service_control.h"

ControlDecision Decide_Control(std::uint32_t control, std::uint32_t event_type) {
  switch (control) {
  case CONTROL_STOP:
  case CONTROL_SHUTDOWN:
    return {true, true, false, false};
  case CONTROL_PARAMCHANGE:
    return {true, false, true, false};
  case CONTROL_INTERROGATE:
    return {true, false, false, false};
  case CONTROL_POWEREVENT:
    return {true, false, false, event_type == POWER_RESUME_AUTOMATIC};
  default:
    return {false, false, false, false};
  }
}

ServiceExit Service_Exit(int exit_status) {
  if (exit_status == 0) {
    return {WIN32_NO_ERROR, 0};
  }
  return {WIN32_SERVICE_SPECIFIC_ERROR, static_cast<std::uint32_t>(exit_status)};
}

bool Recovery_To_Set(std::uint32_t actions_set) { return actions_set == 0; }

bool Wait_Before_Closing(int exit_status, const ConsoleSeen &console) {
  return exit_status != 0 && !console.as_service && console.console_processes == 1 &&
         console.input_is_console && console.output_is_console;
}
