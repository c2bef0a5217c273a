// thermal-table as a user runs it: its findings on small tables of their own,
// its replay of the controller's own output, the thermal model's day, and
// bad input; and the thermal model run twice in one process.

#include "harness.h"
#include "tool/simulate.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::vector<std::string> controller; // thermal-control-sim, for the replay
std::string sample_table;            // the repository's ThermalTable.txt
std::string xmllint;                 // checks the plots, where it is installed

RunResult Run_Tool(std::vector<std::string> args, const std::optional<std::string> &table,
                   std::vector<std::string> files = {}) {
  RunOptions options;
  options.table = table;
  options.args = std::move(args);
  options.trace = false;
  options.run_dir_files = std::move(files);
  return Run_Program(options);
}

// A folder of this test process's own, removed when it ends: tests run side
// by side, the native and the Windows ones too, and must not share files.
const std::filesystem::path &Scratch_Dir() {
  static const std::filesystem::path dir = [] {
    char pattern[] = "/tmp/thermal-tool-test-XXXXXX";
    const std::filesystem::path made = mkdtemp(pattern);
    std::atexit([] { std::filesystem::remove_all(Scratch_Dir()); });
    return made;
  }();
  return dir;
}

std::string Temp_Path(const std::string &name) { return (Scratch_Dir() / name).string(); }

// A scratch file that a run's directory receives a copy of.
std::string Scratch_File(const std::string &name, const std::string &contents) {
  const std::string path = Temp_Path(name);
  std::ofstream(path, std::ios::binary) << contents;
  return path;
}

std::string Values(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "1,";
  }
  return text;
}

TEST(Check, SampleTableIsClean) {
  const RunResult run = Run_Tool({"check"}, sample_table);
  EXPECT_EQ(run.out, "ThermalTable.txt: no problems found\n");
  EXPECT_EQ(run.exit_status, 0);
}

struct CheckCase {
  const char *name;
  std::string table;
  std::vector<std::string> expected; // the output, less its count line
  const char *count;
};

class CheckFinding : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckFinding, IsReportedWhereItStands) {
  const CheckCase &c = GetParam();
  const RunResult run =
      Run_Tool({"check", "t.txt"}, std::nullopt, {Scratch_File("t.txt", c.table)});
  std::vector<std::string> expected = c.expected;
  expected.push_back(std::string("t.txt: ") + c.count);
  EXPECT_EQ(Split_Lines(run.out), expected);
  const bool warned = std::string(c.count).find("warning") != std::string::npos;
  EXPECT_EQ(run.exit_status, warned ? 1 : 0);
}

const std::string CEILING = "255,0,0,0,\n";

// Rows that rise at their own number and send it, one a line.
std::string Rows_Rising_From(int first, int count) {
  std::string rows;
  for (int row = first; row < first + count; ++row) {
    rows += std::to_string(row) + ",0," + std::to_string(row) + ",0,\n";
  }
  return rows;
}
const std::string BUILT_IN_FROM_2 = "t.txt:1:1: note: the file sets rows 0 to 1; built-in rows 2 "
                                    "to 7 remain in force [built-in-rows]";

INSTANTIATE_TEST_SUITE_P(
    Tables, CheckFinding,
    testing::Values(
        CheckCase{"NoComma",
                  "0,0,0,0,\n45,40,100,0\n56,53,60,0,\n",
                  {"t.txt:2:11: warning: this number has no comma; the next line's first number "
                   "runs into it and is lost, and every later value moves up by one [no-comma]",
                   "t.txt:3:10: warning: the file's 11 values end inside row 2: its last 1 column "
                   "keeps the built-in table's values [partial-row]",
                   "t.txt:1:1: note: the file sets rows 0 to 2; built-in rows 3 to 7 remain in "
                   "force [built-in-rows]",
                   "t.txt:3:4: warning: at a constant 54 to 59 the controller moves between rows 1 "
                   "and 2 on every cycle: row 2's fall of 60 lies above its rise of 53 "
                   "[oscillation]"},
                  "3 warnings, 1 note"},
        CheckCase{"IgnoredTextAndTrailingText",
                  "0,0,0,0,\r\n45,40,1.5,0,\r\n 7",
                  {"t.txt:2:8: warning: this text before the comma is ignored; only the number in "
                   "front of it counts [ignored-text]",
                   "t.txt:3:2: warning: text after the last comma is ignored; a value counts only "
                   "with a comma after it [trailing-text]",
                   BUILT_IN_FROM_2},
                  "2 warnings, 1 note"},
        CheckCase{"NotANumberAndRange",
                  "0,0,0,0,\n300,  ,-,-1,\n",
                  {"t.txt:2:1: warning: 300 is outside 0 to 255; it stores 44, its low eight bits "
                   "[range]",
                   "t.txt:2:7: warning: this field holds no number; it stores 0 [not-a-number]",
                   "t.txt:2:8: warning: this field holds no number; it stores 0 [not-a-number]",
                   "t.txt:2:10: warning: -1 is outside 0 to 255; it stores 255, its low eight bits "
                   "[range]",
                   BUILT_IN_FROM_2},
                  "4 warnings, 1 note"},
        CheckCase{"TooMany",
                  Values(1030),
                  {"t.txt:1:2050: warning: more than 1024 values; this "
                   "comma and everything after it are ignored [too-many]",
                   "t.txt:1:513: warning: rows 64 to 255 are never entered: the controller climbs "
                   "no higher than row 63 [unreachable]"},
                  "2 warnings"},
        CheckCase{
            "BuiltInRowsAloneIsOnlyANote", "0,0,0,0,\n45,40,100,0,\n", {BUILT_IN_FROM_2}, "1 note"},
        CheckCase{"BeyondRows",
                  "0,0,0,0,\n45,40,100,0,\n56,53,60,0,\n60,58,30,0,\n65,62,30,0,\n73,70,20,0,\n"
                  "82,75,2,0,\n90,85,1,0,\n",
                  {"t.txt:8:1: warning: at 91 and above the controller climbs past row 7, the last "
                   "that holds values, into row 8, which sends 0; give the row after your last one "
                   "a rise of 255 [beyond-rows]"},
                  "1 warning"},
        CheckCase{"RowsAboveRow63AreUnreachableButNotACeiling",
                  Rows_Rising_From(0, 69) + CEILING,
                  {"t.txt:65:1: warning: rows 64 to 68 are never entered: the controller climbs "
                   "no higher than row 63 [unreachable]"},
                  "1 warning"},
        CheckCase{"UnreachableAboveACeilingButNotTheCeiling",
                  "0,0,0,0,\n45,40,100,0,\n" + CEILING + "70,60,9,0,\n50,45,1,0,\n" + CEILING +
                      CEILING + CEILING,
                  {"t.txt:4:1: warning: row 3 (rise 70) is never entered: no sequence of "
                   "temperatures reaches it from row 0 [unreachable]",
                   "t.txt:5:1: warning: row 4 (rise 50) is never entered: no sequence of "
                   "temperatures reaches it from row 0 [unreachable]"},
                  "2 warnings"}),
    [](const testing::TestParamInfo<CheckCase> &param) { return std::string(param.param.name); });

TEST(Check, UnreadableFileIsStatus2WithTheReason) {
  const RunResult run = Run_Tool({"check", "missing.txt"}, std::nullopt);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("cannot read missing.txt: "), std::string::npos) << run.err;
}

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

TEST(Simulate, ReplayOfTheControllersOwnOutputGivesItsRowsCycleByCycle) {
  if (controller.empty()) {
    GTEST_SKIP() << "needs thermal-control-sim";
  }
  RunOptions sim;
  sim.command = controller;
  sim.table = sample_table;
  sim.trace = false;
  // Up, holds, down, a select the EC did not take and a read it did not answer.
  sim.env = {{"THERMAL_SIM_TEMPS", "38,47,60,57,90,55,52,39,30,84,84"},
             {"THERMAL_SIM_FAULT", "ec-stuck:10"}};
  const RunResult controlled = Run_Program(sim);
  const std::vector<std::string> status = Status_Lines(controlled.out);
  ASSERT_EQ(status.size(), 11u);

  const std::string csv = Temp_Path("thermal-replay.csv");
  const RunResult replay = Run_Tool({"simulate", "--log", "console.log", "--csv", csv},
                                    sample_table, {Scratch_File("console.log", controlled.out)});
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
    RunOptions sim;
    sim.command = controller;
    sim.trace = false;
    sim.env = {{"THERMAL_SIM_TEMPS", c.temperatures}, {"THERMAL_SIM_FAULT", c.fault}};
    const RunResult controlled = Run_Program(sim);
    const std::string csv = Temp_Path(std::string(c.fault) + ".csv");
    const RunResult replay = Run_Tool({"simulate", "--log", "console.log", "--csv", csv},
                                      std::nullopt, {Scratch_File("console.log", controlled.out)});
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
  if (!Native_Backend() || xmllint.empty()) {
    GTEST_SKIP() << "needs xmllint, which runs natively";
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

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  std::vector<char *> rest(argv, argv + argc);
  for (auto it = rest.begin() + 1; it + 1 < rest.end();) {
    const std::string flag = *it;
    if (flag == "--controller") {
      controller = {*(it + 1)};
    } else if (flag == "--xmllint") {
      xmllint = *(it + 1);
    } else if (flag == "--sample") {
      sample_table = Read_File(*(it + 1));
    } else {
      ++it;
      continue;
    }
    it = rest.erase(it, it + 2);
  }
  const int status = Parse_Arguments(static_cast<int>(rest.size()), rest.data());
  return status >= 0 ? status : RUN_ALL_TESTS();
}
