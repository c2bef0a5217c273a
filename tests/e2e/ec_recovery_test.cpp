// The EC link heals: ports lost after a resume from sleep are set up again, a
// reply that came too late is never taken for a later request, and a select
// the EC did not take holds the row until a later cycle moves again.

#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// A read that meets lost ports, then the start-up's hardware steps again and
// the select of the current row's value.
std::vector<std::string> Lost_Read_And_Set_Up(int value) {
  // The floating status claims a reply waiting: it is read and dropped.
  std::vector<std::string> trace = {"in 6c -> ff", "in 68 -> ff"};
  trace = Joined(trace, Repeat({"sleep 1", "in 6c -> ff"}, 1000));
  trace = Joined(trace, {"sleep 1", "out 6c 44"});
  trace = Joined(trace, Repeat({"in 6c -> ff", "sleep 1"}, 1001));
  trace = Joined(trace, {"out 68 00", "in 6c -> ff", "in 68 -> ff"});
  const std::vector<std::string> &startup = Startup_Trace();
  trace.insert(trace.end(), startup.begin() + 2, startup.end()); // from the bridge search on
  return Joined(trace, Select_Trace(value));
}

const std::vector<std::string> LOST_CYCLE_LINES = {
    "EC did not answer; row held",
    "EC ports lost; setting them up again",
    "open port ok",
};

TEST(EcRecovery, TwoResumesInRow0AreEachSetUpAgainWithRow0sValueAndReadingGoesOn) {
  if (!Native_Backend()) {
    GTEST_SKIP() << "one resume run under Wine is enough: the next test";
  }
  const RunResult run = Run_Temperatures("30*6", std::nullopt, "ec-resume:2");
  std::vector<std::string> expected = Joined(Startup_Trace(), {"sleep 100"});
  expected = Joined(expected, Read_Trace(30));
  for (const auto &cycle : {Read_Trace(30), Lost_Read_And_Set_Up(0), Read_Trace(30), Read_Trace(30),
                            Lost_Read_And_Set_Up(0)}) {
    expected = Joined(Joined(expected, {"sleep 1000"}), cycle);
  }
  expected = Joined(expected, {"sleep 1000", "in 6c -> 00", "out 6c 44"});
  EXPECT_EQ(run.trace, expected);

  std::vector<std::string> lines = Cycle_Lines(run);
  const std::string row0 = "now select value: 0   0   0   0";
  std::vector<std::string> lost =
      Joined({"heartbat 00003 Now Tempareture is: 255"}, LOST_CYCLE_LINES);
  lost.push_back(row0);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 9), lost);
  lost[0] = "heartbat 00006 Now Tempareture is: 255";
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 13, lines.begin() + 18), lost);
  EXPECT_EQ(lines[9], "heartbat 00004 Now Tempareture is: 30");
}

// The resume strikes as the second reply is read: that cycle's select meets
// the lost ports and is not taken; the next cycle sets the ports up again
// with row 1's value, and the one after that enters row 2 after all.
TEST(EcRecovery, ResumeInRow1ResendsItsValueAndTheSelectThatMetTheLostPortsIsRetried) {
  const RunResult run = Run_Temperatures("50,60,60,60", std::nullopt, "ec-resume:2");
  EXPECT_EQ(Cycle_Lines(run), Joined(Joined(
                                         {
                                             "heartbat 00001 Now Tempareture is: 50",
                                             "now select value: 45   40   100   0",
                                             "heartbat 00002 Now Tempareture is: 60",
                                             "EC did not take the row's value; row held",
                                             "now select value: 45   40   100   0",
                                             "heartbat 00003 Now Tempareture is: 255",
                                         },
                                         LOST_CYCLE_LINES),
                                     {
                                         "now select value: 45   40   100   0",
                                         "heartbat 00004 Now Tempareture is: 60",
                                         "now select value: 56   53   60   0",
                                         "heartbat 00005 ",
                                     }));
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{100, 60, 100, 60}));
  const std::vector<std::string> set_up = As_Traced(Lost_Read_And_Set_Up(100));
  const auto from = std::search(run.trace.begin(), run.trace.end(), set_up.begin(), set_up.end());
  EXPECT_NE(from, run.trace.end()) << "the set-up again with row 1's value";
}

// A bridge that forgets its decode range, the EC's device intact: the same
// healing, and the climb goes on.
TEST(EcRecovery, BridgeThatForgetsItsRangeIsSetUpAgainAndTheClimbGoesOn) {
  const RunResult run = Run_Temperatures("90*4", std::nullopt, "ec-gone:1");
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{100, 0, 100, 60}));
  EXPECT_EQ(Status_Lines(run.out), (std::vector<std::string>{
                                       "now select value: 0   0   0   0",
                                       "now select value: 0   0   0   0",
                                       "now select value: 45   40   100   0",
                                       "now select value: 56   53   60   0",
                                   }));
}

// Each reply comes after its wait gave up, during the pause: the next read
// drops it first, so no cycle takes an earlier cycle's byte for its own.
TEST(EcRecovery, LateReplyIsDroppedByTheNextReadAndNeverActedOn) {
  if (!Backend_TracesSleeps()) {
    GTEST_SKIP() << "the EC's delay runs on the sleeps' clock";
  }
  for (const char *fault : {"ec-slow:1002", "ec-slow:2000"}) {
    const RunResult run = Run_Temperatures("50,60,70", std::nullopt, fault);
    EXPECT_TRUE(Selected_Values(run.trace).empty()) << fault;
    const std::vector<std::string> lines = Cycle_Lines(run);
    ASSERT_EQ(lines.size(), 10u) << fault;
    for (std::size_t line = 1; line < 9; line += 3) {
      EXPECT_EQ(lines[line], "EC did not answer; row held") << fault;
    }
    for (const int dropped : {50, 60}) {
      const std::vector<std::string> drop = {"sleep 1000", "in 6c -> 01",
                                             "in 68 -> " + Hex(dropped), "out 6c 44"};
      EXPECT_NE(std::search(run.trace.begin(), run.trace.end(), drop.begin(), drop.end()),
                run.trace.end())
          << fault << ": the reply " << dropped << " dropped";
    }
  }
}

} // namespace
