// A SIGHUP between cycles: the running program reads its table again, tells
// the EC the current row's new value, and goes on; a table it cannot use
// leaves the one in force. The simulated machine's sleeps run in real time
// here, so that the signal comes while the program runs.

#include "harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

TEST(Reload, SighupReadsTheTableAgainAndTheProgramGoesOn) {
  RunOptions options;
  options.table = "0,0,0,0,\n45,40,100,0,\n";
  options.env = {{"THERMAL_SIM_TEMPS", "38,47*5"}, {"THERMAL_SIM_NOTIFY", "1"}};
  options.real_time = true;
  const RunningProgram running = Start_Program(options);
  const std::filesystem::path table = std::filesystem::path(running.dir) / "ThermalTable.txt";

  ASSERT_TRUE(Wait_For(running, "now select value: 45   40   100   0\n"));
  std::ofstream(table) << "0,0,0,0,\n45,40,80,0,\n";
  kill(running.pid, SIGHUP);
  ASSERT_TRUE(Wait_For(running, "row 1's value is now 80: sent to the EC\n"));
  std::filesystem::remove(table);
  kill(running.pid, SIGHUP);
  const RunResult run = Wait_Program(running);

  EXPECT_TRUE(run.exited && run.exit_status == 0) << "the run went on to its list's end";
  const std::string reloaded = "now select value: 45   40   100   0\n"
                               "ThermalTable: \n0  0  0  0  \n45  40  80  0  \n\n\n"
                               "0  0  0  0  \n45  40  80  0  \n\n"
                               "row 1's value is now 80: sent to the EC\n"
                               "heartbat ";
  EXPECT_NE(run.out.find(reloaded), std::string::npos) << run.out;
  EXPECT_EQ(Status_Lines(run.out).back(), "now select value: 45   40   80   0");
  EXPECT_NE(run.err.find("thermal-control: cannot use ThermalTable.txt again: No such file or "
                         "directory; the table in force stays\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{100, 80}));

  // Around each reload the service manager is told, and the reload's select
  // is made in between.
  std::vector<std::string> told;
  for (const std::string &line : run.trace) {
    if (line == "notify RELOADING=1" || line == "notify READY=1" || line == "out 68 50") {
      told.push_back(line);
    }
  }
  EXPECT_EQ(told,
            (std::vector<std::string>{"notify READY=1", "notify RELOADING=1", "out 68 50",
                                      "notify READY=1", "notify RELOADING=1", "notify READY=1"}));
}

} // namespace
