// The EC waits: their bounds, and a temperature read whose wait gave up is
// never acted on.

#include "harness.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const std::vector<std::string> BUSY_WAIT = Repeat({"in 6c -> 02", "sleep 1"}, 1001);
const std::vector<std::string> NO_REPLY_WAIT = Repeat({"in 6c -> 00", "sleep 1"}, 1001);

// The start-up trace up to its pause before the start-up command, and the
// hold of the EC for that command.
std::vector<std::string> Trace_Until_Init() {
  const std::vector<std::string> &startup = Startup_Trace();
  return {startup.begin(), startup.end() - 5};
}

TEST(EcWait, DeadEcGivesEachWait1001ReadsAnd1001SleepsAndEveryWriteStillGoesOut) {
  const RunResult run = Run_Temperatures("50", std::nullopt, "ec-dead");
  std::vector<std::string> expected = Trace_Until_Init();
  for (const char *write : {"out 6c 33", "out 68 06"}) {
    expected = Joined(expected, BUSY_WAIT);
    expected.emplace_back(write);
  }
  expected = Joined(expected, {"release ec", "sleep 100", "hold ec"});
  for (const char *write : {"out 6c 44", "out 68 00"}) {
    expected = Joined(expected, BUSY_WAIT);
    expected.emplace_back(write);
  }
  expected = Joined(expected, BUSY_WAIT); // the reply never comes: OBF stays clear
  expected = Joined(expected, {"in 68 -> 00", "release ec", "sleep 1000", "hold ec"});
  expected = Joined(expected, BUSY_WAIT);
  expected.emplace_back("out 6c 44");
  EXPECT_EQ(run.trace, expected);
  EXPECT_EQ(Cycle_Lines(run), (std::vector<std::string>{
                                  "heartbat 00001 Now Tempareture is: 00",
                                  "EC did not answer; row held",
                                  "now select value: 0   0   0   0",
                                  "heartbat 00002 ",
                              }));
}

TEST(EcWait, MuteEcGivesTheReplyWait1001ReadsAndHoldsTheRow) {
  const RunResult run = Run_Temperatures("90*2", std::nullopt, "ec-mute");
  EXPECT_TRUE(Selected_Values(run.trace).empty());
  EXPECT_EQ(Status_Lines(run.out), std::vector<std::string>(2, "now select value: 0   0   0   0"));
  const std::vector<std::string> read =
      Joined(Joined({"in 6c -> 00", "out 6c 44", "in 6c -> 00", "out 68 00"}, NO_REPLY_WAIT),
             {"in 68 -> 00", "release ec"});
  const auto first_cycle = std::find(run.trace.begin(), run.trace.end(), "out 6c 44") - 1;
  ASSERT_GE(run.trace.end() - first_cycle, static_cast<long>(read.size()));
  EXPECT_EQ(std::vector<std::string>(first_cycle, first_cycle + static_cast<long>(read.size())),
            read);
}

// A hot reply, then the EC takes no more bytes: the select for that reply is
// not taken, and the hot byte the data port keeps giving is never acted on.
TEST(EcWait, StuckEcHoldsTheRowOnTheSelectItDidNotTakeAndOnItsStaleHotByte) {
  const RunResult run = Run_Temperatures("90*3", std::nullopt, "ec-stuck:1");
  EXPECT_EQ(Cycle_Lines(run), (std::vector<std::string>{
                                  "heartbat 00001 Now Tempareture is: 90",
                                  "EC did not take the row's value; row held",
                                  "now select value: 0   0   0   0",
                                  "heartbat 00002 Now Tempareture is: 90",
                                  "EC did not answer; row held",
                                  "now select value: 0   0   0   0",
                                  "heartbat 00003 Now Tempareture is: 90",
                                  "EC did not answer; row held",
                                  "now select value: 0   0   0   0",
                                  "heartbat 00004 ",
                              }));
  // The select went out byte by byte after each wait gave up, in its own hold.
  const std::vector<std::string> select =
      Joined(Joined(Joined(Joined({"release ec", "hold ec"}, BUSY_WAIT), {"out 6c 55"}), BUSY_WAIT),
             {"out 68 64", "release ec"});
  const auto from = std::find(run.trace.begin(), run.trace.end(), "in 68 -> 5a") + 1;
  ASSERT_GE(run.trace.end() - from, static_cast<long>(select.size()));
  EXPECT_EQ(std::vector<std::string>(from, from + static_cast<long>(select.size())), select);
}

TEST(EcWait, ReplyWithinTheBoundIsReadAndOneJustPastItIsNot) {
  const RunResult in_time = Run_Temperatures("90", std::nullopt, "ec-slow:1000");
  EXPECT_EQ(Status_Lines(in_time.out),
            std::vector<std::string>{"now select value: 45   40   100   0"});
  const std::vector<std::string> waited =
      Joined(Joined({"out 68 00"}, Repeat({"in 6c -> 00", "sleep 1"}, 1000)),
             {"in 6c -> 01", "in 68 -> 5a"});
  const auto from = std::find(in_time.trace.begin() + static_cast<long>(Startup_Trace().size()),
                              in_time.trace.end(), "out 68 00");
  ASSERT_GE(in_time.trace.end() - from, static_cast<long>(waited.size()));
  EXPECT_EQ(std::vector<std::string>(from, from + static_cast<long>(waited.size())), waited);

  // The reply lands as the wait gives up: the data port then holds it, but
  // the wait has reported no reply and the row holds.
  const RunResult late = Run_Temperatures("90", std::nullopt, "ec-slow:1001");
  EXPECT_EQ(Cycle_Lines(late), (std::vector<std::string>{
                                   "heartbat 00001 Now Tempareture is: 90",
                                   "EC did not answer; row held",
                                   "now select value: 0   0   0   0",
                                   "heartbat 00002 ",
                               }));
  EXPECT_TRUE(Selected_Values(late.trace).empty());
}

} // namespace
