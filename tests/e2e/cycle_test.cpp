// The control cycle: what it prints, what it sends the EC, and how it steps
// through the table.

#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

std::string Status(const char *row) { return std::string("now select value: ") + row; }

TEST(Cycle, FirstCycleAt38InRow0PrintsTwoLinesAndSendsNothing) {
  const RunResult run = Run_Temperatures("38");
  EXPECT_EQ(Cycle_Lines(run), (std::vector<std::string>{
                                  "heartbat 00001 Now Tempareture is: 38",
                                  "now select value: 0   0   0   0",
                                  "heartbat 00002 ",
                              }));
  std::vector<std::string> cycles = Joined({"sleep 100"}, Read_Trace(38));
  cycles = Joined(Joined(cycles, {"sleep 1000"}), Read_Ended_Trace());
  EXPECT_EQ(run.trace, As_Traced(Joined(Startup_Trace(), cycles)));
}

TEST(Cycle, At47InRow0SendsRow1ValueAndShowsRow1) {
  const RunResult run = Run_Temperatures("47,47");
  EXPECT_EQ(Cycle_Lines(run), (std::vector<std::string>{
                                  "heartbat 00001 Now Tempareture is: 47",
                                  "now select value: 45   40   100   0",
                                  "heartbat 00002 Now Tempareture is: 47",
                                  "now select value: 45   40   100   0",
                                  "heartbat 00003 ",
                              }));
  std::vector<std::string> cycles = Joined({"sleep 100"}, Read_Trace(47));
  cycles = Joined(cycles, Select_Trace(100));
  cycles = Joined(cycles, Joined({"sleep 1000"}, Read_Trace(47)));
  cycles = Joined(Joined(cycles, {"sleep 1000"}), Read_Ended_Trace());
  EXPECT_EQ(run.trace, As_Traced(Joined(Startup_Trace(), cycles)));
}

TEST(Cycle, TemperaturesPrintWithAtLeastTwoDigits) {
  const RunResult run = Run_Temperatures("0,7,255");
  const std::vector<std::string> lines = Cycle_Lines(run);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "heartbat 00001 Now Tempareture is: 00");
  EXPECT_EQ(lines[2], "heartbat 00002 Now Tempareture is: 07");
  EXPECT_EQ(lines[4], "heartbat 00003 Now Tempareture is: 255");
}

// The stepping's rules are pinned in-process; these runs show the cycle
// wired to them: one row a cycle, each entered row's value sent, and a file's
// rows over the built-in ones.
struct Stepping {
  const char *name;
  const char *temperatures;
  std::optional<std::string> table;
  std::vector<std::string> rows; // status line after each cycle
  std::vector<int> sent;
};

// Names the case in test listings.
void PrintTo(const Stepping &c, std::ostream *os) { *os << c.name; }

class Step : public testing::TestWithParam<Stepping> {};

TEST_P(Step, MovesAtMostOneRowPerCycleAndSendsEachEnteredRowsValue) {
  const Stepping &step = GetParam();
  const RunResult run = Run_Temperatures(step.temperatures, step.table);
  EXPECT_EQ(Status_Lines(run.out), step.rows);
  EXPECT_EQ(Selected_Values(run.trace), step.sent);
}

const char *R0 = "0   0   0   0";
const char *R1 = "45   40   100   0";
const char *R2 = "56   53   60   0";
const char *R3 = "60   58   30   0";
const char *R4 = "65   62   30   0";
const char *R5 = "73   70   20   0";
const char *R6 = "82   75   2   0";

std::vector<std::string> Rows(std::initializer_list<const char *> rows) {
  std::vector<std::string> lines;
  for (const char *row : rows) {
    lines.push_back(Status(row));
  }
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, Step,
    testing::Values(Stepping{"JumpAcrossSeveralThresholdsClimbsOneRowPerCycle",
                             "90*8,0*8",
                             {},
                             Rows({R1, R2, R3, R4, R5, R6, R6, R6, R5, R4, R3, R2, R1, R0, R0, R0}),
                             {100, 60, 30, 30, 20, 2, 20, 30, 30, 60, 100, 0}},
                    Stepping{"FileReplacingRows0To2KeepsBuiltInRows3To7",
                             "90*8",
                             "0,0,0,0,\n50,45,11,1,\n60,55,22,2,\n",
                             Rows({"50   45   11   1", "60   55   22   2", R3, R4, R5, R6, R6, R6}),
                             {11, 22, 30, 30, 20, 2}}),
    [](const testing::TestParamInfo<Stepping> &param_info) {
      return std::string(param_info.param.name);
    });

TEST(Cycle, HeartbeatShows00001FirstAndWrapsFrom65535To00000) {
  RunOptions options;
  options.trace = false;
  options.env = {{"THERMAL_SIM_TEMPS", "38*65537"}};
  const RunResult run = Run_Program(options);
  const std::string &out = run.out;
  EXPECT_NE(out.find("heartbat 00001 Now"), std::string::npos);
  const std::size_t top = out.find("heartbat 65535 Now");
  ASSERT_NE(top, std::string::npos);
  const std::size_t wrapped = out.find("heartbat 00000 Now", top);
  ASSERT_NE(wrapped, std::string::npos);
  EXPECT_EQ(out.find("heartbat ", top + 1), wrapped) << "00000 must follow 65535";
  EXPECT_EQ(out.substr(out.size() - 15), "heartbat 00002 ");
}

} // namespace
