// The service's watchdog: the slowest cycle the program can run stays well
// inside the WatchdogSec= of the unit it is installed with.

#include "harness.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <string>

namespace {

constexpr const char *SLEEP = "sleep ";

std::uint64_t Slept(const std::string &line) {
  return line.rfind(SLEEP, 0) == 0 ? std::stoull(line.substr(std::string(SLEEP).size())) : 0;
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

// An EC that takes no byte: every wait runs to its bound, and each third
// cycle sets the EC up again, whose start-up command and row's value wait
// to their bounds too. The slowest cycle is the longest run of sleeps from
// one cycle's pause to the next; a wake before it would add one more set-up,
// as long as the one the trace shows after the read (from the bridge's
// search on). Together they stay below half of the watchdog's time.
TEST(Watchdog, TheSlowestCycleTakesLessThanHalfOfTheUnitsWatchdogTime) {
  const RunResult run = Run_Temperatures("40*3", std::nullopt, "ec-dead");
  std::uint64_t slowest = 0;
  std::uint64_t set_up = 0;
  std::uint64_t cycle = 0;
  std::uint64_t since_bridge = 0;
  bool bridge_seen = false;
  for (const std::string &line : run.trace) {
    if (line == "sleep 1000") { // a cycle's pause: the cycle before it ends
      cycle = 0;
      bridge_seen = false;
      since_bridge = 0;
    }
    if (line.rfind("pci find", 0) == 0 && cycle > 0) {
      bridge_seen = true;
    }
    cycle += Slept(line);
    since_bridge += bridge_seen ? Slept(line) : 0;
    if (cycle > slowest) {
      slowest = cycle;
      set_up = since_bridge;
    }
  }
  const std::uint64_t worst = slowest + set_up;
  const std::uint64_t watchdog = Watchdog_Ms(THERMAL_UNIT_FILE);
  std::cout << "slowest cycle " << slowest << " ms, with a set-up after a wake " << worst
            << " ms; the unit's watchdog " << watchdog << " ms\n";
  RecordProperty("slowest_cycle_ms", std::to_string(worst));
  EXPECT_GT(set_up, 4000u) << "the set-up's settle and its four waits";
  EXPECT_GT(slowest, 8000u) << "the pause, three waits of the read and the set-up";
  ASSERT_GT(watchdog, 0u) << "no WatchdogSec= in " << THERMAL_UNIT_FILE;
  EXPECT_LT(2 * worst, watchdog);
}

} // namespace
