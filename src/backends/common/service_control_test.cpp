// The Windows service's rules, by the Windows API's values: what each of the
// service manager's controls does, what a stopped service reports, and how it
// is started again after a failure.

#include "backends/common/service_control.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceControl, StopAndShutdownEndItParamchangeReadsTheTableAgain) {
  struct Case {
    std::uint32_t control;
    ControlDecision decision;
  };
  const Case cases[] = {
      {1, {true, true, false}},    // SERVICE_CONTROL_STOP
      {5, {true, true, false}},    // SERVICE_CONTROL_SHUTDOWN
      {6, {true, false, true}},    // SERVICE_CONTROL_PARAMCHANGE
      {4, {true, false, false}},   // SERVICE_CONTROL_INTERROGATE
      {2, {false, false, false}},  // SERVICE_CONTROL_PAUSE: not taken
      {3, {false, false, false}},  // SERVICE_CONTROL_CONTINUE
      {15, {false, false, false}}, // SERVICE_CONTROL_PRESHUTDOWN: not asked for
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Decide_Control(c.control), c.decision) << "control " << c.control;
  }
  // SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PARAMCHANGE
  EXPECT_EQ(ACCEPTED_CONTROLS, 0x0Du);
}

TEST(ServiceControl, AFailedStartUpStopsWithItsStatusAsAServiceSpecificCode) {
  EXPECT_EQ(Service_Exit(0), (ServiceExit{0, 0}));
  EXPECT_EQ(Service_Exit(1), (ServiceExit{1066, 1})) << "ERROR_SERVICE_SPECIFIC_ERROR";
  EXPECT_EQ(Service_Exit(2), (ServiceExit{1066, 2}));
}

TEST(ServiceControl, FailuresRestartItAfter5s5sThen60sCountedOverADay) {
  EXPECT_EQ(FAILURE_RESTART_DELAYS_MS, (std::array<std::uint32_t, 3>{5000, 5000, 60000}));
  EXPECT_EQ(FAILURE_RESET_PERIOD_S, 86400u);
  EXPECT_TRUE(FAILURE_ACTIONS_ON_NONCRASH_FAILURES) << "an exit with a failure counts as well";
  EXPECT_LT(STOP_WAIT_HINT_MS, 20000u);
}

struct Closing {
  const char *name;
  int exit_status;
  ConsoleSeen console;
  bool waits;
};

TEST(ServiceControl, AFailedStartUpWaitsForAKeyOnlyInAConsoleWindowOfItsOwn) {
  const Closing cases[] = {
      {"double-clicked, start-up failed", 1, {false, 1, true, true}, true},
      {"double-clicked, ended well", 0, {false, 1, true, true}, false},
      {"started from a console window", 1, {false, 2, true, true}, false},
      {"the service", 1, {true, 1, true, true}, false},
      {"output redirected", 1, {false, 1, true, false}, false},
      {"input redirected", 1, {false, 1, false, true}, false},
      {"no console at all", 1, {false, 0, false, false}, false},
  };
  for (const Closing &c : cases) {
    EXPECT_EQ(Wait_Before_Closing(c.exit_status, c.console), c.waits) << c.name;
  }
}

} // namespace
