// What the service manager is told, through the simulated machine's trace:
// that the program is up, once, as its control cycle begins; the status,
// which says what the cycle did and how each set-up went, each time its
// text changes; and that it is alive, each cycle. A busy EC is its own
// outcome.

#include "harness.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
  std::vector<std::string> statuses; // less "notify STATUS=" and "; EC took its start-up command"
  bool started = true;               // the EC took its start-up command
};

TEST(ServiceManager, IsToldReadyOnceThenEachCyclesStatusAndThatTheProgramLives) {
  const Told cases[] = {
      {"38,47",
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
      // Other software holds the EC for three of its holds: not asked, not
      // counted as silent, not set up again.
      {"47",
       "ec-busy:2:3",
       {"EC busy: held by other software; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC busy: held by other software; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC busy: held by other software; row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "temperature 47; row 1 (rise 45, fall 40, value 100); EC holds 100"}},
      // An EC that takes no byte takes no start-up command either, and its
      // set-up fails.
      {"40*3",
       "ec-dead",
       {"EC not answering (1 read in a row); row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC not answering (2 reads in a row); row 0 (rise 0, fall 0, value 0); EC's value unknown",
        "EC not answering (3 reads in a row), set-up failed; row 0 (rise 0, fall 0, value 0); "
        "EC's value unknown"},
       false},
  };
  for (const Told &c : cases) {
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", c.temperatures},
                   {"THERMAL_SIM_FAULT", c.fault},
                   {"THERMAL_SIM_NOTIFY", "1"}};
    const RunResult run = Run_Program(options);
    // A status only where its text changed; the sign of life each cycle.
    std::vector<std::string> expected = {"notify READY=1"};
    std::string said;
    for (const std::string &status : c.statuses) {
      const std::string line =
          "notify STATUS=" + status +
          (c.started ? "; EC took its start-up command" : "; EC did not take its start-up command");
      if (line != said) {
        expected.push_back(line);
        said = line;
      }
      expected.emplace_back("notify WATCHDOG=1");
    }
    EXPECT_EQ(Notified(run.trace), expected) << c.fault;
    const auto ready = std::find(run.trace.begin(), run.trace.end(), "notify READY=1");
    if (c.started) {
      const auto init_command = std::find(run.trace.begin(), run.trace.end(), "out 6c 33");
      const auto first_read = std::find(run.trace.begin(), run.trace.end(), "out 6c 44");
      EXPECT_TRUE(init_command < ready && ready < first_read)
          << c.fault << ": ready once the start-up command went out, before the first read";
    } else {
      // Ready all the same, once the start-up command was tried, and no
      // byte ever went into the EC that took none.
      const auto first_try = std::find(run.trace.begin(), run.trace.end(), "hold ec");
      EXPECT_TRUE(first_try < ready) << c.fault;
      EXPECT_EQ(std::count_if(run.trace.begin(), run.trace.end(),
                              [](const std::string &line) {
                                return line.rfind("out 6c ", 0) == 0 ||
                                       line.rfind("out 68 ", 0) == 0;
                              }),
                0)
          << c.fault;
    }
  }
}

// Where nothing listens, the program tells nothing: no status is made.
TEST(ServiceManager, NothingIsToldWhereNothingListens) {
  const RunResult run = Run_Temperatures("38,47");
  EXPECT_TRUE(Notified(run.trace).empty());
}

// A busy EC is not asked: its cycle prints what an unanswered read's does,
// and neither counts toward the silent-EC limit nor sets the EC up again.
TEST(ServiceManager, ABusyEcPrintsAsAnUnansweredReadAndIsNotSetUpAgain) {
  const RunResult busy = Run_Temperatures("47", std::nullopt, "ec-busy:2:4");
  const RunResult mute = Run_Temperatures("47*2", std::nullopt, "ec-mute");
  const std::vector<std::string> unanswered = {"heartbat 00001 Now Tempareture is: 00",
                                               "EC did not answer; row held",
                                               "now select value: 0   0   0   0"};
  const std::vector<std::string> busy_lines = Cycle_Lines(busy);
  const std::vector<std::string> mute_lines = Cycle_Lines(mute);
  ASSERT_GE(busy_lines.size(), 3u);
  ASSERT_GE(mute_lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(busy_lines.begin(), busy_lines.begin() + 3), unanswered);
  EXPECT_EQ(std::vector<std::string>(mute_lines.begin(), mute_lines.begin() + 3), unanswered);
  const auto ready = std::find(busy.trace.begin(), busy.trace.end(), "out 68 06");
  EXPECT_EQ(std::count(ready, busy.trace.end(), "out 4e 07"), 0) << "no set-up";
  EXPECT_EQ(std::count(busy.trace.begin(), busy.trace.end(), "busy ec"), 4);
  EXPECT_NE(busy.err.find("thermal-control: other software holds the EC's ports (the simulated "
                          "machine's ec-busy fault); the program leaves them alone until it can "
                          "have them\n"),
            std::string::npos)
      << "said once: " << busy.err;
  EXPECT_EQ(std::count(busy.err.begin(), busy.err.end(), '\n'), 2) << busy.err;
  EXPECT_EQ(Status_Lines(busy.out).back(), "now select value: 45   40   100   0");
}

// Other software holds the EC at start-up: the start-up command is owed, and
// says so, until the first cycle that can have the EC sends it, before its
// read; the standard output keeps its shape.
TEST(ServiceManager, AStartUpCommandOwedToABusyEcGoesOutAtTheFirstCycleThatCanHaveIt) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "38"},
                 {"THERMAL_SIM_FAULT", "ec-busy:1:3"},
                 {"THERMAL_SIM_NOTIFY", "1"}};
  const RunResult run = Run_Program(options);
  const auto first_cycle = std::find(run.trace.begin(), run.trace.end(), "notify READY=1");
  const std::vector<std::string> expected = {
      "notify READY=1",
      "sleep 100",
      "busy ec", // the owed command
      "busy ec", // the read
      "notify STATUS=EC busy: held by other software; row 0 (rise 0, fall 0, value 0); EC's "
      "value unknown; EC's start-up command owed: other software held the EC",
      "notify WATCHDOG=1",
      "sleep 1000",
      "hold ec",
      "in 6c -> 00",
      "out 6c 33",
      "in 6c -> 00",
      "out 68 06",
      "release ec",
      "hold ec",
      "in 6c -> 00",
      "out 6c 44"};
  ASSERT_GE(run.trace.end() - first_cycle, static_cast<long>(expected.size()));
  EXPECT_EQ(std::vector<std::string>(first_cycle, first_cycle + static_cast<long>(expected.size())),
            expected);
  EXPECT_EQ(*(first_cycle - 1),
            "event started: thermal-control " THERMAL_VERSION " runs on the built-in table");
  EXPECT_EQ(*(first_cycle - 2), "busy ec") << "the start-up's own try";
  EXPECT_NE(std::find(run.trace.begin(), run.trace.end(),
                      "notify STATUS=temperature 38; row 0 (rise 0, fall 0, value 0); EC's value "
                      "unknown; EC took its start-up command"),
            run.trace.end());
  EXPECT_NE(run.err.find("thermal-control: the EC's start-up command, owed while other software "
                         "held the EC, went out\n"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(Cycle_Lines(run),
            (std::vector<std::string>{
                "heartbat 00001 Now Tempareture is: 00", "EC did not answer; row held",
                "now select value: 0   0   0   0", "heartbat 00002 Now Tempareture is: 38",
                "now select value: 0   0   0   0", "heartbat 00003 "}));
}

// What a Windows service tells its event log, the simulated machine traces:
// that it started, and on which table; a table it refused, and why; and a
// bus other software keeps from it for 30 s, said once on the standard
// error too, then its end. The status carries the hold's length meanwhile.
TEST(ServiceManager, EventsAreToldAsTheyHappenAndALongHoldIsSaidOnceWithItsEnd) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "47*40"},
                 {"THERMAL_SIM_FAULT", "ec-busy:2:33"},
                 {"THERMAL_SIM_NOTIFY", "1"}};
  options.prepare = [](const std::string &dir) {
    const std::string table = dir + "/ThermalTable.txt";
    std::ofstream(table) << "0,0,0,0,\n";
    chmod(table.c_str(), 0666);
  };
  const RunResult run = Run_Program(options);
  std::vector<std::string> events;
  std::copy_if(run.trace.begin(), run.trace.end(), std::back_inserter(events),
               [](const std::string &line) { return line.rfind("event ", 0) == 0; });
  const std::string held =
      "the EC has been held by other software for 30 s; control waits for it to be let go";
  const std::string let_go = "the EC was let go after 33 s";
  EXPECT_EQ(events,
            (std::vector<std::string>{
                "event table refused: ThermalTable.txt is not used: others may write it "
                "(its mode is 666)",
                "event started: thermal-control " THERMAL_VERSION " runs on the built-in table",
                "event bus held: " + held, "event bus let go: " + let_go}));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4) << run.err;
  EXPECT_NE(run.err.find("thermal-control: " + held + "\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("thermal-control: " + let_go + "\n"), std::string::npos) << run.err;
  // Said in the cycle whose hold made 30 s, the first status to carry it.
  const auto said = std::find(run.trace.begin(), run.trace.end(), "event bus held: " + held);
  ASSERT_NE(said, run.trace.end());
  const auto status = std::find_if(said, run.trace.end(), [](const std::string &line) {
    return line.rfind("notify STATUS=", 0) == 0;
  });
  ASSERT_NE(status, run.trace.end());
  EXPECT_EQ(status->rfind("notify STATUS=EC busy: held by other software for 30 s; row 0", 0), 0u)
      << *status;
}

} // namespace
