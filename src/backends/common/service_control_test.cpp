// The Windows service's rules, by the Windows API's values: what each of the
// service manager's controls and power events does, what a stopped service
// reports, and how and when it is started again after a failure.

#include "backends/common/service_control.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceControl, StopAndShutdownEndItParamchangeReadsTheTableAgainAResumeSetsTheEcUp) {
  struct Case {
    std::uint32_t control;
    std::uint32_t event_type;
    ControlDecision decision;
  };
  const Case cases[] = {
      {1, 0, {true, true, false, false}},     // SERVICE_CONTROL_STOP
      {5, 0, {true, true, false, false}},     // SERVICE_CONTROL_SHUTDOWN
      {6, 0, {true, false, true, false}},     // SERVICE_CONTROL_PARAMCHANGE
      {4, 0, {true, false, false, false}},    // SERVICE_CONTROL_INTERROGATE
      {13, 0x12, {true, false, false, true}}, // POWEREVENT, PBT_APMRESUMEAUTOMATIC
      {13, 0x7, {true, false, false, false}}, // PBT_APMRESUMESUSPEND: after the automatic one
      {13, 0x4, {true, false, false, false}}, // PBT_APMSUSPEND
      {13, 0xA, {true, false, false, false}}, // PBT_APMPOWERSTATUSCHANGE
      {2, 0, {false, false, false, false}},   // SERVICE_CONTROL_PAUSE: not taken
      {3, 0, {false, false, false, false}},   // SERVICE_CONTROL_CONTINUE
      {15, 0, {false, false, false, false}},  // SERVICE_CONTROL_PRESHUTDOWN: not asked for
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Decide_Control(c.control, c.event_type), c.decision)
        << "control " << c.control << ", event " << c.event_type;
  }
  // SERVICE_ACCEPT_STOP | _SHUTDOWN | _PARAMCHANGE | _POWEREVENT
  EXPECT_EQ(ACCEPTED_CONTROLS, 0x4Du);
}

TEST(ServiceControl, AFailedStartUpStopsWithItsStatusAsAServiceSpecificCode) {
  EXPECT_EQ(Service_Exit(0), (ServiceExit{0, 0}));
  EXPECT_EQ(Service_Exit(4), (ServiceExit{1066, 4})) << "ERROR_SERVICE_SPECIFIC_ERROR";
  EXPECT_EQ(Service_Exit(9), (ServiceExit{1066, 9}));
}

// Restarts three times within a day, then stays stopped; set by the service
// only where no recovery is set, never over the administrator's.
TEST(ServiceControl, RecoveryRestartsThreeTimesThenStopsAndIsSetOnlyWhereNoneIs) {
  EXPECT_EQ(RECOVERY_ACTIONS, (std::array<RecoveryAction, 4>{
                                  {{true, 5000}, {true, 5000}, {true, 60000}, {false, 0}}}));
  EXPECT_EQ(RECOVERY_RESET_PERIOD_S, 86400u);
  EXPECT_TRUE(RECOVERY_ON_NONCRASH_FAILURES) << "an exit with a failure counts as well";
  EXPECT_TRUE(Recovery_To_Set(0));
  EXPECT_FALSE(Recovery_To_Set(1)) << "an administrator's single restart";
  EXPECT_FALSE(Recovery_To_Set(4)) << "the MSI's";
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
