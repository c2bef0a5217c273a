// Start-up: every byte, port and order up to the first cycle, and each failed
// step's message and exit status.

#include "harness.h"

#include <gtest/gtest.h>

namespace {

const std::string NO_TABLE_STARTUP = "open ThermalTable file err! \n"
                                     "\n"
                                     "\n"
                                     "Init_WinRing0 ok\n"
                                     "open port ok\n"
                                     "\n";

TEST(StartUp, ProgramsBridgeAndEcDeviceThenSendsInitInOrder) {
  // An empty temperature list ends the run at the first cycle's read.
  const RunResult run = Run_Temperatures("");
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, 0);
  const std::vector<std::string> expected =
      Joined(Joined(Startup_Trace(), {"sleep 100"}), Read_Ended_Trace());
  EXPECT_EQ(run.trace, As_Traced(expected));
}

TEST(StartUp, MissingTableFileStillGivesARunningControllerOnTheBuiltInTable) {
  const RunResult run = Run_Temperatures("38");
  EXPECT_EQ(run.out, NO_TABLE_STARTUP + "heartbat 00001 Now Tempareture is: 38\n"
                                        "now select value: 0   0   0   0\n"
                                        "heartbat 00002 ");
}

TEST(StartUp, TableFileIsEchoedThenListed) {
  const RunResult run = Run_Temperatures("", "0,0,0,0,\n45,40,100,0,\n");
  const std::string rows = "0  0  0  0  \n45  40  100  0  \n";
  EXPECT_EQ(run.out, "ThermalTable: \n" + rows + "\n" + "\n" + rows + "\n" +
                         "Init_WinRing0 ok\nopen port ok\n\nheartbat 00001 ");
}

struct FailedStep {
  const char *fault;
  const char *output_tail;
  std::vector<std::string> trace;
};

// Names the case in test listings.
void PrintTo(const FailedStep &c, std::ostream *os) { *os << c.fault; }

class StartUpFailure : public testing::TestWithParam<FailedStep> {};

TEST_P(StartUpFailure, PrintsItsMessageExitsWithStatus1AndTouchesNoPort) {
  const FailedStep &step = GetParam();
  const RunResult run = Run_Temperatures("40", std::nullopt, step.fault);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, std::string("open ThermalTable file err! \n\n\n") + step.output_tail);
  EXPECT_EQ(run.trace, step.trace);
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartUpFailure,
    testing::Values(
        FailedStep{"init", "initializes the DLL Error\n", {"lib init -> 0"}},
        FailedStep{"status", "initializes the DLL Error\n", {"lib init -> 1", "lib status -> 1"}},
        FailedStep{"nobridge",
                   "Init_WinRing0 ok\nNo find PCI bradge\n",
                   {"lib init -> 1", "lib status -> 0", "hold pci", "pci maxbus 5",
                    "pci find 8086 9cc3 0 -> ffffffff", "release pci"}}),
    [](const testing::TestParamInfo<FailedStep> &param_info) {
      return std::string(param_info.param.fault);
    });

} // namespace
