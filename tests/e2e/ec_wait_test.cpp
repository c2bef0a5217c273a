// The EC waits: their bounds, on the clock; no byte goes out after a wait
// that gave up, nor is a reply read that did not come; and a temperature
// read whose wait gave up is never acted on. The simulated machine ends a
// run, with status 4, where the program writes to the EC's ports while the
// EC has not taken the byte before: every run here shows it never does.

#include "harness.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const std::vector<std::string> BUSY_WAIT = Repeat({"in 6c -> 02", "sleep 1"}, 1001);
const std::vector<std::string> NO_REPLY_WAIT = Repeat({"in 6c -> 00", "sleep 1"}, 1001);

// The start-up trace up to its hold of the EC for the start-up command.
std::vector<std::string> Trace_Until_Init() {
  const std::vector<std::string> &startup = Startup_Trace();
  return {startup.begin(), startup.end() - 5};
}

// The trace's lines from `first` on, as many as `expected` holds.
std::vector<std::string>
Trace_From(const RunResult &run, std::vector<std::string>::const_iterator first, std::size_t size) {
  const auto available = static_cast<std::size_t>(run.trace.end() - first);
  return {first, first + static_cast<long>(std::min(size, available))};
}

// An EC that never takes a byte: each exchange waits 1001 reads and 1001
// sleeps for its first byte, then ends, and nothing is ever written to the
// EC's ports. A read not taken uses its temperature up at the next pause.
TEST(EcWait, DeadEcGivesTheFirstWait1001ReadsAnd1001SleepsAndIsWrittenNothing) {
  const RunResult run = Run_Temperatures("50*2", std::nullopt, "ec-dead");
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, 0);
  std::vector<std::string> expected = Joined(Trace_Until_Init(), BUSY_WAIT);
  expected = Joined(expected, {"release ec", "sleep 100", "hold ec"});
  expected = Joined(Joined(expected, BUSY_WAIT), {"release ec", "sleep 1000", "hold ec"});
  expected = Joined(Joined(expected, BUSY_WAIT), {"release ec"});
  EXPECT_EQ(run.trace, expected);
  const std::vector<std::string> unanswered = {"EC did not answer; row held",
                                               "now select value: 0   0   0   0"};
  EXPECT_EQ(Cycle_Lines(run),
            Joined(Joined({"heartbat 00001 Now Tempareture is: 00"}, unanswered),
                   Joined({"heartbat 00002 Now Tempareture is: 00"}, unanswered)));
}

// An EC that takes the request and never replies: the reply's wait gives up,
// and the data port is not read.
TEST(EcWait, MuteEcGivesTheReplyWait1001ReadsAndItsDataPortIsNotRead) {
  const RunResult run = Run_Temperatures("90*2", std::nullopt, "ec-mute");
  EXPECT_TRUE(Selected_Values(run.trace).empty());
  EXPECT_EQ(Status_Lines(run.out), std::vector<std::string>(2, "now select value: 0   0   0   0"));
  const std::vector<std::string> read =
      Joined(Joined({"in 6c -> 00", "out 6c 44", "in 6c -> 00", "out 68 00"}, NO_REPLY_WAIT),
             {"release ec"});
  const auto first_cycle = std::find(run.trace.begin(), run.trace.end(), "out 6c 44") - 1;
  EXPECT_EQ(Trace_From(run, first_cycle, read.size()), read);
}

// A hot reply, then the EC takes no more bytes: the select for that reply
// goes no further than its first wait, and no later read asks at all; the
// hot byte shown is the first read's, never acted on again.
TEST(EcWait, StuckEcHoldsTheRowOnTheSelectItDidNotTakeAndIsWrittenNoMore) {
  const RunResult run = Run_Temperatures("90*3", std::nullopt, "ec-stuck:1");
  const std::vector<std::string> lines = Cycle_Lines(run);
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 9),
            (std::vector<std::string>{
                "heartbat 00001 Now Tempareture is: 90",
                "EC did not take the row's value; row held",
                "now select value: 0   0   0   0",
                "heartbat 00002 Now Tempareture is: 90",
                "EC did not answer; row held",
                "now select value: 0   0   0   0",
                "heartbat 00003 Now Tempareture is: 90",
                "EC did not answer; row held",
                "now select value: 0   0   0   0",
            }));
  const std::vector<std::string> select =
      Joined(Joined({"release ec", "hold ec"}, BUSY_WAIT), {"release ec"});
  const auto from = std::find(run.trace.begin(), run.trace.end(), "in 68 -> 5a") + 1;
  EXPECT_EQ(Trace_From(run, from, select.size()), select);
  EXPECT_EQ(std::count(run.trace.begin(), run.trace.end(), "out 6c 44"), 1)
      << "no request after the EC stuck";
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
  EXPECT_EQ(Trace_From(in_time, from, waited.size()), waited);

  // The reply lands as the wait gives up: the data port then holds it, but
  // the wait has reported no reply, the port is not read, and the row holds.
  const RunResult late = Run_Temperatures("90", std::nullopt, "ec-slow:1001");
  const std::vector<std::string> lines = Cycle_Lines(late);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(
      std::vector<std::string>(lines.begin(), lines.begin() + 3),
      (std::vector<std::string>{"heartbat 00001 Now Tempareture is: 00",
                                "EC did not answer; row held", "now select value: 0   0   0   0"}));
  EXPECT_TRUE(Selected_Values(late.trace).empty());
  const std::vector<std::string> gave_up =
      Joined(Joined({"out 68 00"}, NO_REPLY_WAIT),
             {"release ec", "sleep 1000", "hold ec", "in 6c -> 01", "in 68 -> 5a"});
  const auto request = std::find(late.trace.begin() + static_cast<long>(Startup_Trace().size()),
                                 late.trace.end(), "out 68 00");
  EXPECT_EQ(Trace_From(late, request, gave_up.size()), gave_up)
      << "the late reply is only read by the next read, which drops it";
}

struct SlowTake {
  int take_ms;              // ec-slow-take's delay of each command byte
  const char *start;        // how the status says the start-up command went
  std::vector<int> selects; // the values written with the select command
  const char *row;          // the status line after the first cycle
  bool init_data_written;   // the start-up command's data byte went out
};

// The EC takes each command byte late: within the wait's bound, the exchange
// goes on, the data byte follows, and a select is taken; past it, nothing
// follows the command byte, a select is not taken, and the status says the
// start-up command was not taken. No byte goes out while the EC has not
// taken the one before.
TEST(EcWait, ACommandByteTheEcTakesLateOrNeverDecidesWhatIsReported) {
  const SlowTake cases[] = {
      {1000, "EC took its start-up command", {100}, "now select value: 45   40   100   0", true},
      {1500, "EC did not take its start-up command", {}, "now select value: 0   0   0   0", false},
  };
  for (const SlowTake &c : cases) {
    const std::string fault = "ec-slow-take:" + std::to_string(c.take_ms);
    RunOptions options;
    options.env = {
        {"THERMAL_SIM_TEMPS", "47"}, {"THERMAL_SIM_FAULT", fault}, {"THERMAL_SIM_NOTIFY", "1"}};
    const RunResult run = Run_Program(options);
    EXPECT_EQ(run.exit_status, 0) << fault << ": " << run.err;
    EXPECT_EQ(Selected_Values(run.trace), c.selects) << fault;
    ASSERT_FALSE(Status_Lines(run.out).empty()) << fault;
    EXPECT_EQ(Status_Lines(run.out).front(), c.row) << fault;
    const auto status = std::find_if(run.trace.begin(), run.trace.end(), [](const auto &line) {
      return line.rfind("notify STATUS=", 0) == 0;
    });
    ASSERT_NE(status, run.trace.end()) << fault;
    EXPECT_NE(status->find(c.start), std::string::npos) << fault << ": " << *status;
    const auto init = std::find(run.trace.begin(), run.trace.end(), "out 6c 33");
    EXPECT_EQ(std::find(init, run.trace.end(), "out 68 06") != run.trace.end(), c.init_data_written)
        << fault;
  }
}

// Whatever the EC does, the program writes to its ports only once it has
// taken the byte before: the simulated machine ends a run that does not
// with status 4 and says so.
TEST(EcWait, NoFaultMakesTheProgramWriteWhileTheEcHasNotTakenTheByteBefore) {
  const char *const faults[] = {
      "ec-dead",        "ec-mute",       "ec-slow:1001",    "ec-slow-take:1500", "ec-slow-take:999",
      "ec-gone:2",      "ec-resume:2",   "ec-stuck:2",      "ec-reset:2",        "suspend:2",
      "sio-intruder:2", "ec-intruder:2", "resume-notice:2", "ec-busy:2:2"};
  for (const char *fault : faults) {
    const RunResult run = Run_Temperatures("40,47,60,70*3,40*2", std::nullopt, fault);
    EXPECT_TRUE(run.exited && run.exit_status == 0) << fault << ": " << run.err;
    EXPECT_EQ(run.err.find("thermal-sim:"), std::string::npos) << fault << ": " << run.err;
  }
}

// A wait's bound is the clock's: where each sleep of 1 ms lasts a whole tick
// of a coarse timer (16 ms here), the wait polls 63 times, not 1001, and gives
// up after as long.
TEST(EcWait, AWaitIsBoundedByTheClockNotByItsSleeps) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "50"},
                 {"THERMAL_SIM_FAULT", "ec-dead"},
                 {"THERMAL_SIM_SLEEP_GRAIN", "16"}};
  const RunResult run = Run_Program(options);
  const std::vector<std::string> until = Trace_Until_Init();
  const auto first = run.trace.begin() + static_cast<long>(until.size());
  const auto end = std::find(first, run.trace.end(), "release ec");
  EXPECT_EQ(std::count(first, end, "sleep 1"), 63);
  EXPECT_EQ(std::count(first, end, "in 6c -> 02"), 63);
}

} // namespace
