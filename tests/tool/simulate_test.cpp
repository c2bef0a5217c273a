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
  EXPECT_NE(replay.out.find("cycles: 11 (1 not acted on)\nselects sent: 6\n"), std::string::npos)
      << replay.out;
  const std::vector<std::string> lines = Split_Lines(Read_File(csv));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "cycle,temperature,row,sent");
  std::vector<std::string> replayed;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::size_t row_at = lines[i].find(',', lines[i].find(',') + 1) + 1;
    replayed.push_back(Status_Of_Row(std::stoul(lines[i].substr(row_at))));
  }
  EXPECT_EQ(replayed, status);
  EXPECT_EQ(lines[2], "2,47,1,100");
  EXPECT_EQ(lines[10], "10,84,0,") << "the select the EC did not take is not sent";
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
// which set the EC up again with row 0's and then row 1's value.
TEST(Simulate, ReplayAcrossASetUpShowsTheValueSentAgain) {
  if (controller.empty()) {
    GTEST_SKIP() << "needs thermal-control-sim";
  }
  const RecoveryReplay cases[] = {
      {"50,60,60,60", "ec-resume:2", {"1,50,1,100", "2,60,1,", "3,255,1,100", "4,60,2,60"}},
      {"30,30,50,50,50",
       "suspend:2",
       {"1,30,0,", "2,30,0,", "3,50,1,100", "4,50,1,", "5,50,1,100"}},
  };
  for (const RecoveryReplay &c : cases) {
    const std::string controlled = Controller_Output(c.temperatures, c.fault, std::nullopt);
    const std::string csv = Temp_Path(std::string(c.fault) + ".csv");
    const RunResult replay = Run_Tool({"simulate", "--log", "console.log", "--csv", csv},
                                      std::nullopt, {Scratch_File("console.log", controlled)});
    ASSERT_EQ(replay.exit_status, 0) << replay.err;
    EXPECT_EQ(Split_Lines(Read_File(csv)), Joined({"cycle,temperature,row,sent"}, c.csv))
        << c.fault;
  }
}

// The thermal model is a value: each run starts its own chip, idle at 39.
TEST(Simulate, TwoModelRunsInOneProcessGiveTheSameCycles) {
  constexpr double FORTY_FIVE_SECONDS = 45.0 / 3600;
  std::vector<SimulatedCycle> first;
  std::vector<SimulatedCycle> second;
  Run_Model(BUILT_IN_TABLE, FORTY_FIVE_SECONDS, first);
  Run_Model(BUILT_IN_TABLE, FORTY_FIVE_SECONDS, second);
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
                                      "selects sent: 1",
                                      "temperature: lowest 40, highest 99, mean 40.5",
                                      "row  rise  fall  value  extra    cycles   share  entered",
                                      "  0     0     0      0      0      5000   50.0%        0",
                                      "  1    45    40    100      0      5000   50.0%        1",
                                  }));
  const std::string plot = Read_File(svg);
  EXPECT_EQ(plot.rfind("<?xml", 0), 0u);
  EXPECT_NE(plot.find("<title>built-in table (no ThermalTable.txt here)</title>"),
            std::string::npos);
  EXPECT_NE(plot.find(">100</text>"), std::string::npos) << "the axis reaches the spike";
  EXPECT_NE(plot.find(">time (min)</text>"), std::string::npos);
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
  EXPECT_NE(Read_File(svg).find(">time (h)</text>"), std::string::npos);
}

struct BadInput {
  std::vector<std::string> args;
  const char *message;
};

TEST(Simulate, BadInputIsRefusedWithStatus2AndAClearMessage) {
  const std::vector<std::string> files = {Scratch_File("bad.log", "40, 41\n42 x\n"),
                                          Scratch_File("empty.log", "no cycles here\n")};
  const BadInput cases[] = {
      {{"simulate"}, "simulate needs either --log LOG or --model HOURS"},
      {{"simulate", "--log", "bad.log", "--model", "1"}, "needs either --log LOG or --model"},
      {{"simulate", "--model", "0"}, "--model takes a positive number of hours, not \"0\""},
      {{"simulate", "--model", "2h"}, "--model takes a positive number of hours, not \"2h\""},
      {{"simulate", "--model", "1", "--bogus"}, "unknown option --bogus"},
      {{"simulate", "--model"}, "--model needs a value"},
      {{"simulate", "missing.txt", "--model", "1"}, "cannot read missing.txt: "},
      {{"simulate", "--log", "missing.log"}, "cannot read missing.log: "},
      {{"simulate", "--log", "bad.log"}, "bad.log: line 2: \"x\" is not a temperature 0 to 255"},
      {{"simulate", "--log", "empty.log"}, "empty.log: line 1: \"no\" is not a temperature"},
      {{"simulate", "--log", "-"}, "-: no temperatures in it"}, // standard input: empty here
      {{"check", "a.txt", "b.txt"}, "check takes one FILE at most"},
      {{"frobnicate"}, "unknown command frobnicate"},
  };
  for (const BadInput &c : cases) {
    const RunResult run = Run_Tool(c.args, std::nullopt, files);
    EXPECT_EQ(run.exit_status, 2) << c.args.back();
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "") << c.args.back();
  }
  const RunResult blank = Run_Tool({"simulate", "--log", "blank.log"}, std::nullopt,
                                   {Scratch_File("blank.log", " \n,\n")});
  EXPECT_EQ(blank.exit_status, 2);
  EXPECT_NE(blank.err.find("blank.log: no temperatures in it"), std::string::npos) << blank.err;
}

} // namespace
