// What the service manager is told, through the simulated machine's trace:
// that the program is up, once, right after the EC took its start-up command;
// each cycle's status, which says what the cycle did; and that it is alive,
// each cycle.

#include "harness.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::vector<std::string> Notified(const std::vector<std::string> &trace) {
  std::vector<std::string> lines;
  std::copy_if(trace.begin(), trace.end(), std::back_inserter(lines),
               [](const std::string &line) { return line.rfind("notify ", 0) == 0; });
  return lines;
}

struct Told {
  const char *temperatures;
  const char *fault;
  std::vector<std::string> statuses; // less "notify STATUS="
};

TEST(ServiceManager, IsToldReadyOnceThenEachCyclesStatusAndThatTheProgramLives) {
  const Told cases[] = {
      {"38,47,50",
       "ec-resume:2",
       {"temperature 38; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "temperature 47; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC ports lost, EC set up again; row 0 (rise 0, fall 0, value 0); EC holds 0"}},
      {"40*3",
       "ec-mute",
       {"EC not answering (1 read in a row); row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC not answering (2 reads in a row); row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC not answering (3 reads in a row), EC set up again; row 0 (rise 0, fall 0, value 0); "
        "EC holds 0"}},
      {"30,30,50",
       "suspend:2",
       {"temperature 30; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "temperature 30; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "temperature 50 after a sleep, EC set up again; row 1 (rise 45, fall 40, value 100); EC "
        "holds 100"}},
  };
  for (const Told &c : cases) {
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", c.temperatures},
                   {"THERMAL_SIM_FAULT", c.fault},
                   {"THERMAL_SIM_NOTIFY", "1"}};
    const RunResult run = Run_Program(options);
    std::vector<std::string> expected = {"notify READY=1"};
    for (const std::string &status : c.statuses) {
      expected.push_back("notify STATUS=" + status);
      expected.emplace_back("notify WATCHDOG=1");
    }
    EXPECT_EQ(Notified(run.trace), expected) << c.fault;
    const auto init_data = std::find(run.trace.begin(), run.trace.end(), "out 68 06");
    const auto first_read = std::find(run.trace.begin(), run.trace.end(), "out 6c 44");
    const auto ready = std::find(run.trace.begin(), run.trace.end(), "notify READY=1");
    EXPECT_TRUE(init_data < ready && ready < first_read)
        << c.fault << ": ready after the start-up command's data byte, before the first read";
  }
}

} // namespace
