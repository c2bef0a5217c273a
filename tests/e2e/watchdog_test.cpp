// The service's watchdog: the slowest cycle the program can run, as the
// program states it, stays well inside the WatchdogSec= of the unit it is
// installed with, and no cycle the simulated machine can provoke is slower,
// however coarse its timer.

#include "app/cycle_decision.h"
#include "harness.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <string>

namespace {

constexpr const char *SLEEP = "sleep ";
constexpr const char *PAUSE = "sleep 1000"; // between two cycles

// How long a traced sleep lasted on the machine's clock: at least the grain.
std::uint64_t Lasted(const std::string &line, std::uint64_t grain) {
  if (line.rfind(SLEEP, 0) != 0) {
    return 0;
  }
  return std::max<std::uint64_t>(std::stoull(line.substr(std::string(SLEEP).size())), grain);
}

// The unit's WatchdogSec=, in milliseconds; 0 where it has none.
std::uint64_t Watchdog_Ms(const char *unit_file) {
  std::ifstream unit(unit_file);
  constexpr std::string_view KEY = "WatchdogSec=";
  for (std::string line; std::getline(unit, line);) {
    if (line.rfind(KEY, 0) == 0) {
      return std::stoull(line.substr(KEY.size())) * 1000;
    }
  }
  return 0;
}

struct SlowRun {
  const char *fault;
  const char *temperatures;
  const char *grain;         // THERMAL_SIM_SLEEP_GRAIN, or nullptr
  std::uint64_t at_least_ms; // the slowest cycle, as its waits make it
};

TEST(Watchdog, NoCycleIsSlowerThanTheStatedWorstWhichIsUnderHalfTheUnitsWatchdogTime) {
  const std::uint64_t watchdog = Watchdog_Ms(THERMAL_UNIT_FILE);
  ASSERT_GT(watchdog, 0u) << "no WatchdogSec= in " << THERMAL_UNIT_FILE;
  EXPECT_LT(2 * std::uint64_t{WORST_CYCLE_MS}, watchdog);

  // Each cycle is timed from its pause to the next one's, on the machine's
  // clock, which moves by each sleep.
  constexpr std::uint64_t WAIT = EC_WAIT_LIMIT_MS;
  // The read's first wait, then a set-up's: the start-up command's first
  // wait and the row's value's, each at its bound.
  constexpr std::uint64_t GIVEN_UP = CYCLE_PAUSE_MS + EC_OPEN_SETTLE_MS + 3 * WAIT;
  const SlowRun runs[] = {
      {"ec-dead", "40*4", nullptr, GIVEN_UP},
      // A wait of 63 sleeps of 16 ms each.
      {"ec-dead", "40*4", "16", GIVEN_UP},
      // The command taken just after the bound: as an EC that takes none.
      {"ec-slow-take:1001", "40*4", "16", GIVEN_UP},
      {"ec-stuck:2", "40,50*5", nullptr, GIVEN_UP},
      // The reply's wait at its bound, three times, then a set-up that the
      // EC takes at once.
      {"ec-mute", "40*4", nullptr, CYCLE_PAUSE_MS + WAIT + EC_OPEN_SETTLE_MS},
      // The read's command, and the select's, taken just in time.
      {"ec-slow-take:1000", "40,50,60", nullptr, CYCLE_PAUSE_MS + 2 * 1000},
      {"suspend:2", "30,30,50,50", nullptr, CYCLE_PAUSE_MS + EC_OPEN_SETTLE_MS},
  };
  std::uint64_t slowest_of_all = 0;
  for (const SlowRun &slow : runs) {
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", slow.temperatures}, {"THERMAL_SIM_FAULT", slow.fault}};
    if (slow.grain != nullptr) {
      options.env.emplace_back("THERMAL_SIM_SLEEP_GRAIN", slow.grain);
    }
    const RunResult run = Run_Program(options);
    ASSERT_TRUE(run.exited && run.exit_status == 0) << slow.fault << ": " << run.err;
    const std::uint64_t grain = slow.grain != nullptr ? std::stoull(slow.grain) : 0;
    std::uint64_t slowest = 0;
    std::uint64_t cycle = 0;
    for (const std::string &line : run.trace) {
      cycle = line == PAUSE ? 0 : cycle;
      cycle += Lasted(line, grain);
      slowest = std::max(slowest, cycle);
    }
    std::cout << slow.fault << (slow.grain != nullptr ? std::string(", grain ") + slow.grain : "")
              << ": slowest cycle " << slowest << " ms\n";
    EXPECT_GE(slowest, slow.at_least_ms) << slow.fault;
    EXPECT_LE(slowest, WORST_CYCLE_MS) << slow.fault;
    slowest_of_all = std::max(slowest_of_all, slowest);
  }
  std::cout << "worst cycle stated " << WORST_CYCLE_MS << " ms; the unit's watchdog " << watchdog
            << " ms\n";
  RecordProperty("slowest_cycle_ms", std::to_string(slowest_of_all));
}

} // namespace
