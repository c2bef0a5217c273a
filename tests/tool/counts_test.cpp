// thermal-table's replay counts what the controller did: every select it sent
// the EC, a wake's and a set-up's included, and those the EC did not take,
// as the simulated machine's trace of the same run shows them, and the rows
// it entered, as its own output shows them, whatever fault the machine has.

#include "tool_harness.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

constexpr const char *SELECT = "out 6c 55"; // the select command to the EC
constexpr const char *DATA = "out 68 ";
constexpr const char *STATUS = "in 6c -> ";
constexpr unsigned INPUT_FULL = 0x02; // the EC has not taken the last byte
constexpr const char *ROW_LINE = "now select value: ";

struct Selects {
  std::size_t sent = 0;
  std::size_t not_taken = 0;
  std::size_t entries = 0; // row entries sent, taken or not
  std::size_t entered = 0; // rows entered, the summary's rows summed up
};

// A select is taken when the status read last before its command byte, and
// the one last before its data byte, show the EC's input buffer empty.
Selects Traced(const std::vector<std::string> &trace) {
  Selects selects;
  unsigned status = 0;
  bool taken = false;
  bool in_select = false;
  for (const std::string &line : trace) {
    if (line.rfind(STATUS, 0) == 0) {
      status =
          static_cast<unsigned>(std::stoul(line.substr(std::string(STATUS).size()), nullptr, 16));
    } else if (line == SELECT) {
      ++selects.sent;
      taken = (status & INPUT_FULL) == 0;
      in_select = true;
    } else if (in_select && line.rfind(DATA, 0) == 0) {
      taken = taken && (status & INPUT_FULL) == 0;
      selects.not_taken += taken ? 0 : 1;
      in_select = false;
    }
  }
  return selects;
}

// The rows the controller entered: each time its row line names another row.
std::size_t Rows_Entered(const std::string &out) {
  std::istringstream lines(out);
  std::string line;
  std::string last;
  std::size_t entered = 0;
  while (std::getline(lines, line)) {
    if (line.rfind(ROW_LINE, 0) == 0) {
      if (!last.empty() && line != last) {
        ++entered;
      }
      last = line;
    }
  }
  return entered;
}

Selects Summed_Up(const std::string &summary) {
  const std::regex line(
      R"(selects sent: (\d+) \(row entries (\d+), re-sends (\d+); not taken (\d+)\))");
  std::smatch found;
  if (!std::regex_search(summary, found, line)) {
    ADD_FAILURE() << "no count of selects in:\n" << summary;
    return {};
  }
  EXPECT_EQ(std::stoul(found[1]), std::stoul(found[2]) + std::stoul(found[3]));
  Selects selects{std::stoul(found[1]), std::stoul(found[4]), std::stoul(found[2]), 0};
  // A row of the summary's table ends with the times it was entered.
  const std::regex row(R"(\n *\d+ +\d+ +\d+ +\d+ +\d+ +\d+ +[\d.]+% +(\d+))");
  for (auto it = std::sregex_iterator(summary.begin(), summary.end(), row);
       it != std::sregex_iterator(); ++it) {
    selects.entered += std::stoul((*it)[1]);
  }
  return selects;
}

struct FaultRun {
  const char *fault;
  const char *temperatures;
};

const char *const CLIMB = "38,47*4,60*4,70*5,50*5,30*5";

TEST(Counts, TheReplaysSelectsAreTheTracesWhateverTheFault) {
  if (controller.empty()) {
    GTEST_SKIP() << "needs thermal-control-sim";
  }
  const FaultRun runs[] = {
      {"", CLIMB},
      {"suspend:3", CLIMB},
      {"ec-resume:4", CLIMB},
      {"ec-reset:5", CLIMB},
      {"ec-gone:6", CLIMB},
      {"ec-stuck:6", CLIMB},
      {"ec-mute", "38,47,60"},
      {"ec-dead", "38,47,60,70,70"},
      {"ec-slow:1500", "38,47,60,70"},
      // Holds 3 to 6 are the reads of cycles 2 to 5.
      {"ec-busy:3:4", CLIMB},
      {"sio-intruder:2", CLIMB},
      {"ec-intruder:2", CLIMB},
  };
  for (const FaultRun &run : runs) {
    RunOptions sim;
    sim.command = controller;
    sim.table = sample_table;
    sim.env = {{"THERMAL_SIM_TEMPS", run.temperatures}, {"THERMAL_SIM_FAULT", run.fault}};
    const RunResult controlled = Run_Program(sim);
    const Selects traced = Traced(controlled.trace);
    const RunResult replay = Run_Tool({"simulate", "--log", "console.log"}, sample_table,
                                      {Scratch_File("console.log", controlled.out)});
    ASSERT_EQ(replay.exit_status, 0) << run.fault << ": " << replay.err;
    const Selects summed = Summed_Up(replay.out);
    EXPECT_EQ(summed.sent, traced.sent) << run.fault << "\n" << replay.out;
    EXPECT_EQ(summed.not_taken, traced.not_taken) << run.fault << "\n" << replay.out;
    // An entry the EC did not take enters nothing; a re-send is no entry.
    EXPECT_EQ(summed.entered, Rows_Entered(controlled.out)) << run.fault << "\n" << replay.out;
    EXPECT_LE(summed.entered, summed.entries) << run.fault << "\n" << replay.out;
    EXPECT_LE(summed.entries - summed.entered, summed.not_taken) << run.fault << "\n" << replay.out;
    EXPECT_GT(traced.sent, 0u) << run.fault;
  }
}

} // namespace
