// The metrics file as the program leaves it, against what its output and the
// simulated machine's trace show of the same run: a run with a lost port, one
// with a sleep, one whose EC stops taking bytes and one that other software
// keeps from the EC, each stopped by SIGTERM, as systemctl stop does; a
// folder that cannot be written, said once while control goes on; and no
// file where the setting is empty.

#include "harness.h"
#include "table/thermal_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char *METRICS_DIR = "THERMAL_CONTROL_METRICS_DIR";

std::filesystem::path Scratch(const std::string &name) {
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) /
                                    ("thermal-metrics-" + name + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Each sample's value by its name and labels; every line that is no comment
// is a sample "name value", without a timestamp.
std::map<std::string, std::string> Samples(const std::string &text) {
  std::map<std::string, std::string> samples;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind('#', 0) != 0) {
      const std::size_t blank = line.rfind(' ');
      samples[line.substr(0, blank)] = line.substr(blank + 1);
    }
  }
  return samples;
}

std::size_t Lines_Starting(const std::string &out, const std::string &start) {
  std::size_t count = 0;
  for (const std::string &line : Split_Lines(out)) {
    count += line.rfind(start, 0) == 0 ? 1U : 0U;
  }
  return count;
}

// What the trace shows of the run's selects and busy reads.
struct Traced {
  std::size_t selects_taken = 0;
  int last_select = -1; // the value of the last select, -1 where the EC did not take it
  std::size_t busy_reads = 0;
};

// A select is taken when its data byte follows its command in its hold; a
// cycle's read is busy where the first thing after its pause is a hold of
// the EC that could not be had.
Traced Trace_Of(const std::vector<std::string> &trace) {
  Traced traced;
  bool in_select = false;
  bool after_pause = false;
  for (const std::string &line : trace) {
    if (line == "sleep 1000" || line == "sleep 100") {
      after_pause = true;
      continue;
    }
    traced.busy_reads += after_pause && line == "busy ec" ? 1U : 0U;
    after_pause = after_pause && line.rfind("notify", 0) == 0;
    if (line == "out 6c 55") {
      in_select = true;
      traced.last_select = -1;
    } else if (in_select && line.rfind("out 68 ", 0) == 0) {
      ++traced.selects_taken;
      traced.last_select = std::stoi(line.substr(7), nullptr, 16);
      in_select = false;
    } else if (line == "release ec") {
      in_select = false;
    }
  }
  return traced;
}

// The built-in table's row with these bytes, as a number.
std::string Built_In_Row(const std::string &rise, const std::string &fall,
                         const std::string &value) {
  const ThermalTableBytes table = Built_In_Table();
  for (std::uint8_t row = 0; row < BUILT_IN_ROWS; ++row) {
    if (std::to_string(Row_Byte(table, row, COL_RISE)) == rise &&
        std::to_string(Row_Byte(table, row, COL_FALL)) == fall &&
        std::to_string(Row_Byte(table, row, COL_VALUE)) == value) {
      return std::to_string(row);
    }
  }
  return "none";
}

struct Stopped {
  const char *fault;
  const char *temperatures;
  const char *stop_after; // replies before SIGTERM
};

TEST(MetricsFile, SaysWhatTheRunDidAsItsOutputAndTraceShowIt) {
  const Stopped runs[] = {
      {"ec-gone:3", "38,47,60*6", "6"},
      {"suspend:2", "30,30,50*5", "5"},
      {"ec-stuck:4", "38,47,47,60*6", "4"},
      {"ec-busy:3:2", "47*6", "4"},
  };
  for (const Stopped &stopped : runs) {
    const std::filesystem::path folder = Scratch("run");
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", stopped.temperatures},
                   {"THERMAL_SIM_FAULT", stopped.fault},
                   {"THERMAL_SIM_STOP_AFTER", stopped.stop_after},
                   {METRICS_DIR, folder.string()}};
    const RunResult run = Run_Program(options);
    ASSERT_TRUE(run.exited && run.exit_status == 0) << stopped.fault << ": " << run.err;
    EXPECT_EQ(run.trace.back() == "release ec" || run.trace.back().rfind("notify", 0) == 0, true)
        << stopped.fault << ": the cycle under way ended, then the program: " << run.trace.back();
    const std::string text = Read_File((folder / "thermal-control.prom").string());
    std::map<std::string, std::string> samples = Samples(text);
    const std::string &out = run.out;
    const std::size_t cycles = Lines_Starting(out, "heartbat ");
    const std::size_t unanswered = Lines_Starting(out, "EC did not answer; row held");
    const std::size_t lost = Lines_Starting(out, "EC ports lost; setting them up again");
    const Traced traced = Trace_Of(run.trace);
    const std::string row =
        Status_Lines(out).back().substr(std::string("now select value: ").size());
    std::istringstream bytes(row);
    std::string rise, fall, value;
    bytes >> rise >> fall >> value;
    std::string temperature;
    const std::vector<std::string> lines = Split_Lines(out);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      if (lines[i].rfind("heartbat ", 0) == 0 && lines[i + 1] != "EC did not answer; row held") {
        temperature = std::to_string(std::stoi(lines[i].substr(lines[i].rfind(' ') + 1)));
      }
    }
    std::map<std::string, std::string> expected = {
        {"thermal_control_build_info{version=\"" THERMAL_VERSION "\",path=\"simulated\"}", "1"},
        {"thermal_control_running", "0"},
        {"thermal_control_start_time_seconds", "1800000000"},
        {"thermal_control_last_cycle_timestamp_seconds",
         samples["thermal_control_last_cycle_timestamp_seconds"]},
        {"thermal_control_cycles_total", std::to_string(cycles)},
        {"thermal_control_temperature_celsius", temperature},
        {"thermal_control_row", Built_In_Row(rise, fall, value)},
        {"thermal_control_row_rise_celsius", rise},
        {"thermal_control_row_fall_celsius", fall},
        {"thermal_control_row_value", value},
        {"thermal_control_ec_start_taken", "1"},
        {"thermal_control_ec_reads_total{result=\"answered\"}",
         std::to_string(cycles - unanswered)},
        {"thermal_control_ec_reads_total{result=\"no_answer\"}",
         std::to_string(unanswered - lost - traced.busy_reads)},
        {"thermal_control_ec_reads_total{result=\"ports_lost\"}", std::to_string(lost)},
        {"thermal_control_ec_reads_total{result=\"busy\"}", std::to_string(traced.busy_reads)},
        {"thermal_control_selects_total{result=\"taken\"}", std::to_string(traced.selects_taken)},
        {"thermal_control_selects_total{result=\"not_taken\"}",
         std::to_string(Lines_Starting(out, "EC did not take the row's value"))},
        {"thermal_control_set_ups_total{result=\"worked\"}",
         samples["thermal_control_set_ups_total{result=\"worked\"}"]},
        {"thermal_control_set_ups_total{result=\"failed\"}",
         samples["thermal_control_set_ups_total{result=\"failed\"}"]},
        {"thermal_control_wakes_total",
         std::to_string(Lines_Starting(out, "system resumed; setting the EC up again"))},
        {"thermal_control_table_reloads_total{result=\"read\"}", "0"},
        {"thermal_control_table_reloads_total{result=\"kept\"}", "0"},
    };
    // The EC's value is known from its last select on, until a select it did
    // not take: one that wrote nothing is seen only in the output, after
    // the last row the run entered.
    const std::vector<std::string> statuses = Status_Lines(out);
    std::size_t entered = 0;
    for (std::size_t i = 1; i < statuses.size(); ++i) {
      entered = statuses[i] != statuses[i - 1] ? i : entered;
    }
    std::size_t status = 0;
    bool refused_after = false;
    for (const std::string &line : lines) {
      status += line.rfind("now select value: ", 0) == 0 ? 1U : 0U;
      refused_after = refused_after ||
                      (status > entered && line == "EC did not take the row's value; row held");
    }
    if (traced.last_select >= 0 && !refused_after) {
      expected["thermal_control_ec_value"] = std::to_string(traced.last_select);
    }
    EXPECT_EQ(samples, expected) << stopped.fault << "\n" << out;
    EXPECT_EQ(std::stoul(samples["thermal_control_set_ups_total{result=\"worked\"}"]) +
                  std::stoul(samples["thermal_control_set_ups_total{result=\"failed\"}"]),
              Lines_Starting(out, "open port ok") - 1)
        << stopped.fault;
    EXPECT_GT(std::stoul(samples["thermal_control_last_cycle_timestamp_seconds"]), 1800000000u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "thermal-control.prom.new"))
        << "the temporary file was renamed";
#ifdef PROMTOOL
    const std::string check = std::string(PROMTOOL) + " check metrics < " +
                              (folder / "thermal-control.prom").string() + " >&2";
    EXPECT_EQ(std::system(check.c_str()), 0) << stopped.fault << ": promtool check metrics";
#endif
    std::filesystem::remove_all(folder);
  }
}

struct Unwritable {
  const char *name;
  void (*make)(const std::filesystem::path &folder);
  const char *why;
};

// A folder that cannot be written is said once, on the standard error, and
// the run goes on as one without the file.
TEST(MetricsFile, AFolderThatCannotBeWrittenIsSaidOnceAndControlGoesOn) {
  const RunResult without = Run_Temperatures("38,47,60*25");
  const Unwritable cases[] = {
      {"missing", [](const std::filesystem::path &) {},
       "the folder cannot be opened: No such file or directory"},
      {"a file in its place",
       [](const std::filesystem::path &folder) { std::ofstream(folder) << "x"; },
       "the folder cannot be opened: Not a directory"},
      {"a link to a folder",
       [](const std::filesystem::path &folder) {
         std::filesystem::create_directory_symlink(folder.parent_path(), folder);
       },
       "the folder cannot be opened: a symbolic link stands there, which is not followed"},
      {"not writable by the program's user",
       [](const std::filesystem::path &folder) { std::filesystem::create_directory(folder); },
       "cannot make thermal-control.prom.new: Permission denied"},
  };
  for (const Unwritable &c : cases) {
    const std::filesystem::path scratch = Scratch("unwritable");
    const std::filesystem::path folder = scratch / "metrics";
    c.make(folder);
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", "38,47,60*25"}, {METRICS_DIR, folder.string()}};
    if (c.make == cases[3].make) {
      if (getuid() != 0) {
        continue; // only root can run it as another user
      }
      options.command = Joined({AS_NOBODY}, Program_Command());
      options.trace = false; // nor can it write one in the run's folder
    }
    const RunResult run = Run_Program(options);
    EXPECT_EQ(run.exit_status, 0) << c.name;
    EXPECT_EQ(Cycle_Lines(run), Cycle_Lines(without)) << c.name;
    const std::string said = "thermal-control: cannot write thermal-control.prom in " +
                             folder.string() + ": " + c.why + "; control goes on without it\n";
    EXPECT_NE(run.err.find(said), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(Lines_Starting(run.err, "thermal-control: cannot write thermal-control.prom"), 1u)
        << c.name << ": once";
    std::filesystem::remove_all(scratch);
  }
}

// Set but empty, the setting turns the file off: nothing is written, nothing
// is said.
TEST(MetricsFile, AnEmptySettingTurnsItOff) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "38,47,60"}, {METRICS_DIR, ""}};
  const RunResult run = Run_Program(options);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err.find("thermal-control.prom"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists("/thermal-control.prom"));
  EXPECT_FALSE(std::filesystem::exists("/thermal-control.prom.new"));
}

} // namespace
