// Nothing is allocated after start-up: a run of a thousand cycles and more
// allocates exactly as often as a run of one, counted by a preloaded allocator.

#include "harness.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace {

long Allocations_Of(const std::string &temperatures, const std::string &fault = "",
                    const std::string &listening = "") {
  const std::string count_file = testing::TempDir() + "thermal-alloc-count.txt";
  std::remove(count_file.c_str());
  RunOptions options;
  options.trace = false;
  options.env = {{"THERMAL_SIM_TEMPS", temperatures},
                 {"LD_PRELOAD", ALLOC_COUNTER_LIBRARY},
                 {"ALLOC_COUNT_FILE", count_file},
                 {"THERMAL_SIM_FAULT", fault}};
  if (!listening.empty()) {
    options.env.emplace_back("THERMAL_SIM_NOTIFY", listening);
  }
  const RunResult run = Run_Program(options);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  std::ifstream file(count_file);
  long count = -1;
  file >> count;
  return count;
}

TEST(Allocation, ThousandCyclesAfterStartUpAllocateNothing) {
  // The two runs of each pair hand the simulated machine lists of the same
  // shape, so its own start-up allocates alike in both.
  const long one_cycle = Allocations_Of("40");
  ASSERT_GT(one_cycle, 0) << "the counter saw nothing: it was not loaded";
  EXPECT_EQ(Allocations_Of("40*1001"), one_cycle);
  // Climbing, holding and falling back: every path of a cycle that reads.
  EXPECT_EQ(Allocations_Of("40*200,90*300,30*300,40*200,40"),
            Allocations_Of("40*0,90*0,30*0,40*0,40"));
  // A read that fails: the EC stops answering after the first reply.
  EXPECT_EQ(Allocations_Of("90*1001", "ec-gone:1"), Allocations_Of("90", "ec-gone:1"));
  // A service manager listens: each cycle's status is made, in place.
  EXPECT_EQ(Allocations_Of("40*1001", "", "1"), Allocations_Of("40", "", "1"));
}

} // namespace
