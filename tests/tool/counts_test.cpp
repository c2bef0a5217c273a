// thermal-table's replay counts what the controller did: every select it sent
// the EC, a wake's and a set-up's included, and those the EC did not take,
// as the simulated machine's trace of the same run shows them (a select the
// EC was not ready for never reaches its ports), and the rows
// it entered, as its own output shows them, whatever fault the machine has.

#include "tool_harness.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

constexpr const char *HOLD = "hold ec";
constexpr const char *RELEASE = "release ec";
constexpr const char *COMMAND = "out 6c ";
constexpr const char *DATA = "out 68 ";
constexpr const char *PAUSE = "sleep 1000";   // between two cycles
constexpr const char *SET_UP = "release isa"; // the EC's device programmed
constexpr unsigned READ_TEMPERATURE = 0x44;
constexpr unsigned START_UP = 0x33;
constexpr unsigned SELECT = 0x55;
constexpr const char *ROW_LINE = "now select value: ";

struct Selects {
  std::size_t sent = 0;
  std::size_t not_taken = 0;
  std::size_t entries = 0; // row entries sent, taken or not
  std::size_t entered = 0; // rows entered, the summary's rows summed up
};

// Each of the EC's transactions is one hold of its ports. One whose wait
// gave up writes no byte after it, so one without a command byte is known
// by its place: a cycle's first is its read, the first after a set-up of the
// device the start-up command, and any other a select. A select is taken
// when both its bytes went out.
Selects Traced(const std::vector<std::string> &trace) {
  Selects selects;
  bool read_done = false;
  bool start_up_due = false;
  int command = -1;
  bool data = false;
  for (const std::string &line : trace) {
    if (line == PAUSE) {
      read_done = false;
    } else if (line == SET_UP) {
      start_up_due = true;
    } else if (line == HOLD) {
      command = -1;
      data = false;
    } else if (line.rfind(COMMAND, 0) == 0) {
      command = std::stoi(line.substr(std::string(COMMAND).size()), nullptr, 16);
    } else if (line.rfind(DATA, 0) == 0) {
      data = true;
    } else if (line == RELEASE) {
      const bool start_up = command == START_UP || (command < 0 && start_up_due);
      const bool read = !start_up && (command == READ_TEMPERATURE || (command < 0 && !read_done));
      start_up_due = start_up_due && !start_up;
      read_done = read_done || read;
      if (!start_up && !read && (command < 0 || command == SELECT)) {
        ++selects.sent;
        selects.not_taken += command == SELECT && data ? 0 : 1;
      }
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
