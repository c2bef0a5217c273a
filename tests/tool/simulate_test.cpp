// thermal-table simulate as a user runs it: its replay of the controller's own
// output, the thermal model's day, and bad input; and the thermal model run
// twice in one process.

#include "tool/simulate.h"
#include "tool_harness.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// Row r's status line as the controller prints it, from the sample table,
// which holds one row a line.
std::string Status_Of_Row(std::size_t row) {
  std::string line = Split_Lines(sample_table).at(row);
  std::string status = "now select value:";
  std::stringstream fields(line);
  for (std::string field; std::getline(fields, field, ',');) {
    status += (status.back() == ':' ? " " : "   ") + field;
  }
  return status;
}

// What thermal-control-sim prints over these temperatures, with a fault.
std::string Controller_Output(const char *temperatures, const char *fault,
                              const std::optional<std::string> &table) {
  RunOptions sim;
  sim.command = controller;
  sim.table = table;
  sim.trace = false;
  sim.env = {{"THERMAL_SIM_TEMPS", temperatures}, {"THERMAL_SIM_FAULT", fault}};
  return Run_Program(sim).out;
}

// A CSV line's field.
std::string Field(const std::string &line, std::size_t index) {
  std::stringstream fields(line);
  std::string field;
  for (std::size_t i = 0; i <= index; ++i) {
    std::getline(fields, field, ',');
  }
  return field;
}

TEST(Simulate, ReplayOfTheControllersOwnOutputGivesItsRowsCycleByCycle) {
  if (controller.empty()) {
    GTEST_SKIP() << "needs thermal-control-sim";
  }
  // Up, holds, down, a select the EC did not take and a read it did not answer.
  const std::string controlled =
      Controller_Output("38,47,60,57,90,55,52,39,30,84,84", "ec-stuck:10", sample_table);
  const std::vector<std::string> status = Status_Lines(controlled);
  ASSERT_EQ(status.size(), 11u);

  const std::string csv = Temp_Path("thermal-replay.csv");
  const RunResult replay = Run_Tool({"simulate", "--log", "console.log", "--csv", csv},
                                    sample_table, {Scratch_File("console.log", controlled)});
  ASSERT_EQ(replay.exit_status, 0) << replay.err;
  EXPECT_NE(replay.out.find("cycles: 11 (1 not acted on)\n"
                            "selects sent: 7 (row entries 7, re-sends 0; not taken 1)\n"),
            std::string::npos)
      << replay.out;
  const std::vector<std::string> lines = Split_Lines(Read_File(csv));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], CSV_HEADER);
  std::vector<std::string> replayed;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    replayed.push_back(Status_Of_Row(std::stoul(Field(lines[i], 3))));
  }
  EXPECT_EQ(replayed, status);
  EXPECT_EQ(lines[2], "2,47,1,1,100,");
  EXPECT_EQ(lines[10], "10,84,1,0,100,100") << "the select the EC did not take";
  EXPECT_EQ(lines[11], "11,,0,0,,") << "the read the EC did not answer";
}

struct RecoveryReplay {
  const char *temperatures;
  const char *fault;
  std::vector<std::string> csv;
};

// The controller's output across a set-up of the EC replays with the row's
// value sent again. ec-resume: the second reply's cycle has its select meet
// the lost ports, the next cycle sets the EC up again with row 1's value, the
// one after enters row 2. suspend: the machine sleeps before cycles 3 and 5,
// which set the EC up again with row 0's and then row 1's value, before their
// reads.
TEST(Simulate, ReplayAcrossASetUpShowsTheValueSentAgain) {
  if (controller.empty()) {
    GTEST_SKIP() << "needs thermal-control-sim";
  }
  const RecoveryReplay cases[] = {
      {"50,60,60",
       "ec-resume:2",
       {"1,50,1,1,100,", "2,60,1,1,60,60", "3,,0,1,100,", "4,60,1,2,60,"}},
      {"30,30,50,50,50",
       "suspend:2",
       {"1,30,1,0,,", "2,30,1,0,,", "3,50,1,1,0;100,", "4,50,1,1,,", "5,50,1,1,100,"}},
  };
  for (const RecoveryReplay &c : cases) {
    const std::string controlled = Controller_Output(c.temperatures, c.fault, std::nullopt);
    const std::string csv = Temp_Path(std::string(c.fault) + ".csv");
    const RunResult replay = Run_Tool({"simulate", "--log", "console.log", "--csv", csv},
                                      std::nullopt, {Scratch_File("console.log", controlled)});
    ASSERT_EQ(replay.exit_status, 0) << replay.err;
    EXPECT_EQ(Split_Lines(Read_File(csv)), Joined({CSV_HEADER}, c.csv)) << c.fault;
  }
}

void Keep(void *cycles, const SimulatedCycle &cycle) {
  static_cast<std::vector<SimulatedCycle> *>(cycles)->push_back(cycle);
}

// The cycles of the longest runs, past 2^32 ms (about 1193 h), are counted in
// full: 0.2 s to the first cycle, then one a second.
TEST(Simulate, TheModelsCyclesAreCountedPastTheThirtyTwoBitMilliseconds) {
  EXPECT_EQ(Model_Cycles(0.2 / 3600), 1u);
  EXPECT_EQ(Model_Cycles(0.19 / 3600), 0u);
  EXPECT_EQ(Model_Cycles(1), 3600u);
  EXPECT_EQ(Model_Cycles(1194), 1194u * 3600);
  EXPECT_EQ(Model_Cycles(MODEL_HOURS_MAX), 8784u * 3600);
}

void Ignore(void *, const LogCycle &) {}

// A line of LOG_LINE_MAX bytes is still a line (here one that is no
// temperature); one byte more is no log.
TEST(Simulate, TheLongestLineALogMayHoldIsRead) {
  for (const std::size_t length : {LOG_LINE_MAX, LOG_LINE_MAX + 1}) {
    std::FILE *log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    std::fputs("30\n", log);
    std::fputs((std::string(length, 'x') + "\n40\n").c_str(), log);
    std::rewind(log);
    LogReading reading;
    std::string error;
    const bool read = Read_Log(log, {Ignore, nullptr}, reading, error);
    std::fclose(log);
    if (length == LOG_LINE_MAX) {
      EXPECT_TRUE(read) << error;
      EXPECT_EQ(reading.cycles, 2u);
      EXPECT_EQ(reading.unused, 1u);
      EXPECT_EQ(reading.first_unused, 2u);
    } else {
      EXPECT_FALSE(read);
      EXPECT_EQ(error, "line 2 is longer than 1048576 bytes: this is no log");
    }
  }
}

// The thermal model is a value: each run starts its own chip, idle at 39.
TEST(Simulate, TwoModelRunsInOneProcessGiveTheSameCycles) {
  constexpr double FORTY_FIVE_SECONDS = 45.0 / 3600;
  std::vector<SimulatedCycle> first;
  std::vector<SimulatedCycle> second;
  Run_Model(Built_In_Table(), FORTY_FIVE_SECONDS, {Keep, &first});
  Run_Model(Built_In_Table(), FORTY_FIVE_SECONDS, {Keep, &second});
  ASSERT_EQ(first.size(), 45u);
  EXPECT_EQ(first.front().temperature, 39);
  EXPECT_TRUE(first == second);
}

// A lone hot cycle among ten thousand cool ones: it moves the controller one
// row up, where 40 (not below row 1's fall) holds it; the plot, whose pixel
// columns each hold many cycles, still reaches it.
TEST(Simulate, PlainLogSummaryAndAPlotThatKeepsASpike) {
  std::string log;
  for (int i = 0; i < 10000; ++i) {
    log += i == 5000 ? "99\n" : (i % 2 ? "40, " : "41 ");
  }
  const std::string svg = Temp_Path("thermal-spike.svg");
  const RunResult run = Run_Tool({"simulate", "--log", "plain.log", "--svg", svg}, std::nullopt,
                                 {Scratch_File("plain.log", log)});
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(Split_Lines(run.out), (std::vector<std::string>{
                                      "table: built-in table (no ThermalTable.txt here)",
                                      "source: log plain.log",
                                      "cycles: 10000 (0 not acted on)",
                                      "selects sent: 1 (row entries 1, re-sends 0; not taken 0)",
                                      "temperature: lowest 40, highest 99, mean 40.5",
                                      "row  rise  fall  value  extra    cycles   share  entered",
                                      "  0     0     0      0      0      5000   50.0%        0",
                                      "  1    45    40    100      0      5000   50.0%        1",
                                  }));
  const std::string plot = Read_File(svg);
  EXPECT_EQ(plot.rfind("<?xml", 0), 0u);
  EXPECT_NE(plot.find("<title>built-in table (no ThermalTable.txt here) over 167 min of log "
                      "plain.log</title>"),
            std::string::npos);
  EXPECT_NE(plot.find(">100</text>"), std::string::npos) << "the axis reaches the spike";
  EXPECT_NE(plot.find(">time (minutes)</text>"), std::string::npos);
  EXPECT_EQ(plot.find("<script"), std::string::npos);
  EXPECT_EQ(plot.find("href"), std::string::npos) << "no external files";
}

TEST(Simulate, ModelDayIsWellFormedInCsvAndSvg) {
  if (xmllint.empty()) {
    GTEST_SKIP() << "needs xmllint";
  }
  const std::string csv = Temp_Path("thermal-day.csv"), svg = Temp_Path("thermal-day.svg");
  const RunResult run =
      Run_Tool({"simulate", "--model", "24", "--csv", csv, "--svg", svg}, sample_table);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  EXPECT_NE(run.out.find("table: ThermalTable.txt\nsource: thermal model, 24 h\n"
                         "cycles: 86400 (0 not acted on)\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Split_Lines(Read_File(csv)).size(), 86401u);
  RunOptions lint;
  lint.command = {xmllint, "--noout", svg};
  lint.trace = false;
  const RunResult linted = Run_Program(lint);
  EXPECT_EQ(linted.exit_status, 0) << linted.err;
  EXPECT_NE(Read_File(svg).find(">time (hours)</text>"), std::string::npos);

  // A table whose name's bytes are no UTF-8 names a plot that is still XML.
  const std::string odd = "t\xff\x01.txt";
  const RunResult named = Run_Tool({"simulate", odd, "--model", "0.01", "--svg", svg}, std::nullopt,
                                   {Scratch_File(odd, sample_table)});
  ASSERT_EQ(named.exit_status, 0) << named.err;
  EXPECT_EQ(Run_Program(lint).exit_status, 0) << Read_File(svg);
  EXPECT_NE(Read_File(svg).find("<title>t\xEF\xBF\xBD\xEF\xBF\xBD.txt over 36.2 s of"),
            std::string::npos);
}

struct BadInput {
  std::vector<std::string> args;
  const char *message;
};

// Every way a command line or an input can be wrong: refused with status 2,
// one line that says why, nothing on the standard output, and no output
// file written over an input.
TEST(Simulate, BadInputIsRefusedWithStatus2AndAClearMessage) {
  const std::vector<std::string> files = {Scratch_File("t.txt", "0,0,0,0,\n"),
                                          Scratch_File("empty.log", "no cycles here\n"),
                                          Scratch_File("json.log", "{\"MESSAGE\":\"x\"}\n")};
  const BadInput cases[] = {
      {{"simulate"}, "simulate needs --log LOG or --model HOURS"},
      {{"simulate", "--log", "empty.log", "--model", "1"},
       "takes --log LOG or --model HOURS, not both"},
      {{"simulate", "--model", "0"},
       "--model takes a decimal number of hours above 0 and at most 8784 (a year), not \"0\""},
      {{"simulate", "--model", "2h"}, "not \"2h\""},
      {{"simulate", "--model", "0x2"}, "not \"0x2\""},
      {{"simulate", "--model", "1e-9"}, "not \"1e-9\""},
      {{"simulate", "--model", "8785"}, "at most 8784 (a year), not \"8785\""},
      {{"simulate", "--model", "0.00001"}, "--model 0.00001 holds no cycle"},
      {{"simulate", "--model", "1", "--model", "2"}, "--model is given twice"},
      {{"simulate", "--model", "1", "--bogus"}, "unknown option --bogus"},
      {{"simulate", "--model"}, "--model needs a value"},
      {{"simulate", "missing.txt", "--model", "1"}, "cannot use missing.txt: No such file"},
      {{"simulate", "--log", "missing.log"}, "cannot read missing.log: No such file"},
      {{"simulate", "--log", "empty.log"}, "empty.log: no temperatures in it"},
      {{"simulate", "--log", "-"}, "-: no temperatures in it"}, // standard input: empty here
      {{"simulate", "--log", "/dev/zero"}, "line 1 is longer than 1048576 bytes: this is no log"},
      {{"simulate", "--log", "json.log"},
       "json.log: this is journalctl's json output, which is no log of lines: take the log with "
       "-o cat, or one of the short formats"},
      {{"simulate", "t.txt", "--model", "1", "--csv", "t.txt"},
       "--csv t.txt is the table it reads: an output never overwrites an input"},
      {{"simulate", "--log", "empty.log", "--svg", "./empty.log"}, "is the log it reads"},
      {{"simulate", "--model", "1", "--csv", "x", "--svg", "x"},
       "--csv x and --svg x are the same file: each output needs its own"},
      {{"simulate", "--model", "1", "--csv", "-", "--svg", "-"},
       "would both write to the standard output"},
      {{"check", "a.txt", "b.txt"}, "check takes one FILE at most"},
      {{"check", "--bogus"}, "unknown option --bogus"},
      {{"frobnicate"}, "unknown command frobnicate"},
  };
  for (const BadInput &c : cases) {
    const RunResult run = Run_Tool(c.args, std::nullopt, files);
    EXPECT_EQ(run.exit_status, 2) << c.args.back();
    EXPECT_EQ(run.err.find(std::string("thermal-table: ")), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << c.args.back();
  }
  EXPECT_EQ(Read_File(Temp_Path("t.txt")), "0,0,0,0,\n") << "the table is as it was";
}

// A standard output that cannot be written is a run that did not do its job.
TEST(Simulate, AStandardOutputThatCannotBeWrittenIsStatus2) {
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"simulate", "--model", "0.01"}, {"check"}, {"--version"}}) {
    RunOptions full;
    full.command = Joined({"/bin/sh", "-c", "exec \"$@\" >/dev/full", "sh"}, Program_Command());
    full.args = args;
    full.table = sample_table;
    full.trace = false;
    const RunResult run = Run_Program(full);
    EXPECT_EQ(run.exit_status, 2) << args.front();
    EXPECT_EQ(run.err, "thermal-table: cannot write the standard output: No space left on device\n")
        << args.front();
  }
}

} // namespace
