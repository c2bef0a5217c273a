// The EC link heals: after the machine slept, after ports were lost and after
// three unanswered reads the EC is set up again with the row's value; a reply
// that came too late is never taken for a later request; and a select the EC
// did not take holds the row until a later cycle moves again.

#include "harness.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// A read that meets lost ports, two accesses and no write: the floating
// status claims a reply waiting, which is read and dropped, and the wait
// gives up at its first status read, before any byte goes out. Then the
// start-up's hardware steps again and the select of the current row's value.
std::vector<std::string> Lost_Read_And_Set_Up(int value) {
  std::vector<std::string> trace = {"hold ec", "in 6c -> ff", "in 68 -> ff", "release ec"};
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
  const RunResult run = Run_Temperatures("30*4", std::nullopt, "ec-resume:2");
  std::vector<std::string> expected = Joined(Startup_Trace(), {"sleep 100"});
  expected = Joined(expected, Read_Trace(30));
  for (const auto &cycle : {Read_Trace(30), Lost_Read_And_Set_Up(0), Read_Trace(30), Read_Trace(30),
                            Lost_Read_And_Set_Up(0)}) {
    expected = Joined(Joined(expected, {"sleep 1000"}), cycle);
  }
  expected = Joined(Joined(expected, {"sleep 1000"}), Read_Ended_Trace());
  EXPECT_EQ(run.trace, expected);

  std::vector<std::string> lines = Cycle_Lines(run);
  const std::string row0 = "now select value: 0   0   0   0";
  // The byte shown is the read before's: the lost read took none.
  std::vector<std::string> lost =
      Joined({"heartbat 00003 Now Tempareture is: 30"}, LOST_CYCLE_LINES);
  lost.push_back(row0);
  ASSERT_EQ(lines.size(), 19u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 9), lost);
  lost[0] = "heartbat 00006 Now Tempareture is: 30";
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 13, lines.begin() + 18), lost);
  EXPECT_EQ(lines[9], "heartbat 00004 Now Tempareture is: 30");
}

// The resume strikes as the second reply is read: that cycle's select meets
// the lost ports, writes nothing and is not taken; the next cycle sets the
// ports up again with row 1's value, and the one after that enters row 2
// after all.
TEST(EcRecovery, ResumeInRow1ResendsItsValueAndTheSelectThatMetTheLostPortsIsRetried) {
  const RunResult run = Run_Temperatures("50,60,60", std::nullopt, "ec-resume:2");
  EXPECT_EQ(Cycle_Lines(run), Joined(Joined(
                                         {
                                             "heartbat 00001 Now Tempareture is: 50",
                                             "now select value: 45   40   100   0",
                                             "heartbat 00002 Now Tempareture is: 60",
                                             "EC did not take the row's value; row held",
                                             "now select value: 45   40   100   0",
                                             "heartbat 00003 Now Tempareture is: 60",
                                         },
                                         LOST_CYCLE_LINES),
                                     {
                                         "now select value: 45   40   100   0",
                                         "heartbat 00004 Now Tempareture is: 60",
                                         "now select value: 56   53   60   0",
                                         "heartbat 00005 ",
                                     }));
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{100, 100, 60}));
  const std::vector<std::string> set_up = As_Traced(Lost_Read_And_Set_Up(100));
  const auto from = std::search(run.trace.begin(), run.trace.end(), set_up.begin(), set_up.end());
  EXPECT_NE(from, run.trace.end()) << "the set-up again with row 1's value";
}

// A bridge that forgets its decode range as the first reply is read, the
// EC's device intact: the select after that read meets the lost ports and
// writes nothing; the same healing follows in the cycle of the lost read,
// and the climb goes on.
TEST(EcRecovery, BridgeThatForgetsItsRangeIsSetUpAgainAndTheClimbGoesOn) {
  const RunResult run = Run_Temperatures("90*3", std::nullopt, "ec-gone:1");
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{0, 100, 60}));
  const std::vector<std::string> cycle = As_Traced(Joined({"sleep 1000"}, Lost_Read_And_Set_Up(0)));
  EXPECT_NE(std::search(run.trace.begin(), run.trace.end(), cycle.begin(), cycle.end()),
            run.trace.end())
      << "the read that writes nothing and the set-up with row 0's value, in one cycle";
  EXPECT_EQ(Status_Lines(run.out), (std::vector<std::string>{
                                       "now select value: 0   0   0   0",
                                       "now select value: 0   0   0   0",
                                       "now select value: 45   40   100   0",
                                       "now select value: 56   53   60   0",
                                   }));
}

// Each reply comes after its wait gave up, during the pause: the next read
// drops it first, so no cycle takes an earlier cycle's byte for its own. The
// third cycle without an answer sets the EC up again.
TEST(EcRecovery, LateReplyIsDroppedByTheNextReadAndNeverActedOn) {
  for (const char *fault : {"ec-slow:1002", "ec-slow:2000"}) {
    const RunResult run = Run_Temperatures("50,60,70", std::nullopt, fault);
    EXPECT_EQ(Selected_Values(run.trace), std::vector<int>{0})
        << fault << ": only the set-up's row 0 value, no move";
    const std::vector<std::string> lines = Cycle_Lines(run);
    ASSERT_EQ(lines.size(), 12u) << fault;
    for (std::size_t line = 1; line < 9; line += 3) {
      EXPECT_EQ(lines[line], "EC did not answer; row held") << fault;
    }
    for (const int dropped : {50, 60}) {
      const std::vector<std::string> drop = {"sleep 1000", "hold ec", "in 6c -> 01",
                                             "in 68 -> " + Hex(dropped), "out 6c 44"};
      EXPECT_NE(std::search(run.trace.begin(), run.trace.end(), drop.begin(), drop.end()),
                run.trace.end())
          << fault << ": the reply " << dropped << " dropped";
    }
  }
}

// The start-up's hardware steps again, the start-up command and the select
// of the current row's value.
std::vector<std::string> Set_Up_Again(int value) {
  const std::vector<std::string> &startup = Startup_Trace();
  return Joined({startup.begin() + 2, startup.end()}, Select_Trace(value));
}

// The machine sleeps before cycles 3 and 5, which its clocks show after the
// pause (suspend), or which the platform tells of as Windows' power event
// does while the clocks show nothing (resume-notice): each time the cycle
// sets the EC up again before its heartbeat, with row 0's value and then row
// 1's, and reads at once.
TEST(EcRecovery, AfterEachSleepTheEcIsSetUpAgainWithTheRowsValueBeforeTheRead) {
  struct Sleep {
    const char *fault;
    std::vector<std::string> pause; // the trace of the pause before a cycle after a sleep
  };
  const Sleep sleeps[] = {
      {"suspend:2", {"sleep 1000", "suspend 60000"}},
      {"resume-notice:2", {"resume notice", "in 68 -> 32", "release ec", "sleep 1000"}}};
  for (const Sleep &sleep : sleeps) {
    const RunResult run = Run_Temperatures("30,30,50,50,50", std::nullopt, sleep.fault);
    const std::vector<std::string> resumed = {"system resumed; setting the EC up again",
                                              "open port ok"};
    const std::vector<std::string> lines = Cycle_Lines(run);
    ASSERT_EQ(lines.size(), 15u) << sleep.fault;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 6), resumed);
    EXPECT_EQ(lines[6], "heartbat 00003 Now Tempareture is: 50") << sleep.fault;
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 10, lines.begin() + 12), resumed);
    EXPECT_EQ(lines[13], "now select value: 45   40   100   0") << sleep.fault;
    EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{0, 100, 100})) << sleep.fault;
    const std::vector<std::string> in_row_1 =
        Joined(Joined(sleep.pause, Set_Up_Again(100)), Read_Trace(50));
    const auto from =
        std::search(run.trace.begin(), run.trace.end(), in_row_1.begin(), in_row_1.end());
    EXPECT_NE(from, run.trace.end()) << sleep.fault << ": the second sleep's whole cycle";
  }
}

// The EC restarts as the second reply is read, its ports still there: it
// takes bytes but answers no read until it gets its start-up command again.
// Three cycles hold row 2; the third sets the EC up again with row 2's value,
// and the climb goes on.
TEST(EcRecovery, EcThatRestartsIsSetUpAgainAfterThreeUnansweredReads) {
  const RunResult run = Run_Temperatures("50,57,57,57,57,61,66", std::nullopt, "ec-reset:2");
  EXPECT_EQ(Selected_Values(run.trace), (std::vector<int>{100, 60, 60, 30, 30}));
  const std::vector<std::string> lines = Cycle_Lines(run);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 10, lines.begin() + 16),
            (std::vector<std::string>{
                "heartbat 00005 Now Tempareture is: 57",
                "EC did not answer; row held",
                "EC did not answer 3 times; setting it up again",
                "open port ok",
                "now select value: 56   53   60   0",
                "heartbat 00006 Now Tempareture is: 61",
            }));
  EXPECT_EQ(lines[18], "now select value: 65   62   30   0");
}

struct SilentEc {
  const char *fault;
  const char *temperatures;
  std::vector<int> set_up_in; // the cycles that set the EC up again
  bool value_taken;           // the EC takes the row's value sent after each
};

// Names the case in test listings.
void PrintTo(const SilentEc &c, std::ostream *os) { *os << c.fault; }

class SilentEcSetUp : public testing::TestWithParam<SilentEc> {};

// The heartbeat of each cycle that set the EC up again after three silent reads.
std::vector<int> Set_Up_Cycles(const RunResult &run) {
  std::vector<int> cycles;
  int cycle = 0;
  for (const std::string &line : Cycle_Lines(run)) {
    if (line.rfind("heartbat ", 0) == 0) {
      cycle = std::stoi(line.substr(9, 5));
    } else if (line == "EC did not answer 3 times; setting it up again") {
      cycles.push_back(cycle);
    }
  }
  return cycles;
}

TEST_P(SilentEcSetUp, IsTriedEveryThirdCycle) {
  const SilentEc &c = GetParam();
  const RunResult run = Run_Temperatures(c.temperatures, std::nullopt, c.fault);
  EXPECT_EQ(Set_Up_Cycles(run), c.set_up_in);
  const auto bridge_writes =
      std::count(run.trace.begin(), run.trace.end(), "pci write 000000f8 84 00040069");
  EXPECT_EQ(bridge_writes, static_cast<long>(c.set_up_in.size()) + 1) << "start-up and each try";
  // The row's value, sent after each set-up, is said where the EC did not
  // take it, right after the set-up's line.
  const std::vector<std::string> lines = Cycle_Lines(run);
  std::vector<std::string> after_set_up;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "open port ok") {
      after_set_up.push_back(lines[i + 1]);
    }
  }
  const std::string said = c.value_taken ? "now select value: 0   0   0   0"
                                         : "EC did not take the row's value; row held";
  EXPECT_EQ(after_set_up, std::vector<std::string>(c.set_up_in.size(), said));
}

INSTANTIATE_TEST_SUITE_P(Faults, SilentEcSetUp,
                         testing::Values(SilentEc{"ec-mute", "40*7", {3, 6}, true},
                                         SilentEc{"ec-dead", "40*7", {3, 6}, false},
                                         SilentEc{"ec-stuck:1", "40*7", {4, 7}, false}),
                         [](const testing::TestParamInfo<SilentEc> &param_info) {
                           std::string name = param_info.param.fault;
                           name.erase(std::remove_if(name.begin(), name.end(),
                                                     [](char c) { return !std::isalnum(c); }),
                                      name.end());
                           return name;
                         });

} // namespace
