// The controller's state is a value that start-up fills: a second start-up
// in one process starts fresh; and reading the table again replaces the
// table, keeps the row, and tells the EC a changed value of the row it runs
// on. Run on the simulated machine, in-process.

#include "app/controller.h"
#include "sim_scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

TEST(Controller, ASecondStartUpInOneProcessStartsFresh) {
  const std::filesystem::path dir = Enter_Scratch_Dir("thermal-controller-");
  Write_Table("0,0,0,0,\n45,40,100,0,\n");

  Controller controller;
  testing::internal::CaptureStdout();
  ASSERT_EQ(Start_Up(controller), 0);
  ASSERT_TRUE(Control_Cycle(controller, FIRST_CYCLE_PAUSE_MS));
  ASSERT_TRUE(Control_Cycle(controller, CYCLE_PAUSE_MS));
  EXPECT_EQ(controller.row, 2);
  EXPECT_EQ(controller.heartbeat, 2);
  controller.silent_reads = 2;

  ASSERT_EQ(Start_Up(controller), 0);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(controller.table_count, 8);
  EXPECT_EQ(controller.row, ROW_BOTTOM);
  EXPECT_EQ(controller.heartbeat, 0);
  EXPECT_EQ(controller.silent_reads, 0);
  const std::string listing = "\n0  0  0  0  \n45  40  100  0  \n\nInit_WinRing0 ok\n";
  const std::size_t second = printed.rfind("ThermalTable: ");
  ASSERT_NE(second, std::string::npos);
  EXPECT_NE(printed.find(listing, second), std::string::npos) << printed;
  Leave_Scratch_Dir(dir);
}

// The data bytes of the selects in the trace's lines from `from` on.
std::vector<int> Selects_Since(std::size_t from) {
  std::ifstream trace("trace.txt");
  std::vector<int> values;
  std::size_t number = 0;
  bool select = false;
  for (std::string line; std::getline(trace, line); ++number) {
    if (number >= from && select && line.rfind("out 68 ", 0) == 0) {
      values.push_back(std::stoi(line.substr(7), nullptr, 16));
    }
    select = line == "out 6c 55" || (select && line.rfind("out 68 ", 0) != 0);
  }
  return values;
}

std::size_t Trace_Lines() {
  std::ifstream trace("trace.txt");
  std::size_t lines = 0;
  for (std::string line; std::getline(trace, line);) {
    ++lines;
  }
  return lines;
}

// What the controller says of a file that leaves built-in rows for it to
// climb into, as it lists the table.
std::string Built_In_Rows_Said(const char *file_rows, const char *built_in_rows) {
  return std::string("thermal-control: ThermalTable.txt: warning: the file sets ") + file_rows +
         "; the controller climbs on into built-in " + built_in_rows +
         " and sends their values: give the row after your last one a rise of 255 "
         "[built-in-rows]\n";
}

struct ReloadCase {
  const char *name;
  std::uint8_t row;
  std::int16_t ec_value;      // what the EC holds before, -1 when not known
  const char *file;           // ThermalTable.txt then; nullptr: none
  std::vector<int> sent;      // the selects the reload sends
  std::int16_t ec_value_then; // what the EC holds after
  const char *printed;        // on standard output
  std::string said;           // on standard error
  std::uint8_t row_2_value;   // row 2's value in force after
};

const char *const THREE_ROWS = "0,0,0,0,\n45,40,100,0,\n56,53,70,0,\n";
const char *const THREE_ROWS_ECHO = "ThermalTable: \n0  0  0  0  \n45  40  100  0  \n"
                                    "56  53  70  0  \n\n\n0  0  0  0  \n45  40  100  0  \n"
                                    "56  53  70  0  \n\n";
const char *const NEW_ROW_1_ECHO = "ThermalTable: \n0  0  0  0  \n45  40  80  0  \n\n\n"
                                   "0  0  0  0  \n45  40  80  0  \n\n";

TEST(Controller, ReadingTheTableAgainReplacesItKeepsTheRowAndResendsAChangedValue) {
  const std::filesystem::path dir = Enter_Scratch_Dir("thermal-reload-");
  const ReloadCase cases[] = {
      {"the EC runs on the row's value, which changed: the new one is sent",
       1,
       100,
       "0,0,0,0,\n45,40,80,0,\n",
       {80},
       80,
       "ThermalTable: \n0  0  0  0  \n45  40  80  0  \n\n\n0  0  0  0  \n45  40  80  0  \n\n"
       "row 1's value is now 80: sent to the EC\n",
       Built_In_Rows_Said("rows 0 to 1", "rows 2 to 6"),
       60},
      {"nothing sent since start-up: nothing is sent",
       0,
       -1,
       "0,0,5,0,\n",
       {},
       -1,
       "ThermalTable: \n0  0  5  0  \n\n\n0  0  5  0  \n\n",
       Built_In_Rows_Said("row 0", "rows 1 to 6"),
       60},
      {"the EC holds 0, row 0's value, which changed: the new one is sent",
       0,
       0,
       "0,0,5,0,\n",
       {5},
       5,
       "ThermalTable: \n0  0  5  0  \n\n\n0  0  5  0  \n\nrow 0's value is now 5: sent to the EC\n",
       Built_In_Rows_Said("row 0", "rows 1 to 6"),
       60},
      {"the row's value is the same: nothing is sent",
       1,
       100,
       THREE_ROWS,
       {},
       100,
       THREE_ROWS_ECHO,
       Built_In_Rows_Said("rows 0 to 2", "rows 3 to 6"),
       70},
      {"what the EC holds is not known: nothing is sent",
       1,
       -1,
       "0,0,0,0,\n45,40,80,0,\n",
       {},
       -1,
       NEW_ROW_1_ECHO,
       Built_In_Rows_Said("rows 0 to 1", "rows 2 to 6"),
       60},
      {"no file: the table in force stays",
       1,
       100,
       nullptr,
       {},
       100,
       "",
       "thermal-control: cannot use ThermalTable.txt again: No such file or directory; the table "
       "in force stays\n",
       70},
  };
  Controller controller;
  Write_Table(THREE_ROWS);
  testing::internal::CaptureStdout();
  ASSERT_EQ(Start_Up(controller), 0);
  testing::internal::GetCapturedStdout();
  for (const ReloadCase &c : cases) {
    Write_Table(THREE_ROWS);
    controller.table = Built_In_Table();
    controller.table_count = 0;
    testing::internal::CaptureStdout();
    ASSERT_TRUE(Read_ThermalTable("ThermalTable.txt", controller.table, controller.table_count));
    testing::internal::GetCapturedStdout();
    if (c.file == nullptr) {
      std::filesystem::remove("ThermalTable.txt");
    } else {
      Write_Table(c.file);
    }
    controller.row = c.row;
    controller.ec_value = c.ec_value;
    const std::size_t from = Trace_Lines();

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Read_Table_Again(controller);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said) << c.name;
    EXPECT_EQ(Selects_Since(from), c.sent) << c.name;
    EXPECT_EQ(controller.row, c.row) << c.name;
    EXPECT_EQ(controller.ec_value, c.ec_value_then) << c.name;
    EXPECT_EQ(Row_Byte(controller.table, 2, COL_VALUE), c.row_2_value)
        << c.name << ": the built-in rows under the file, as at start-up";
  }
  Leave_Scratch_Dir(dir);
}

// The trace's lines from `from` on.
std::vector<std::string> Trace_Since(std::size_t from) {
  std::ifstream trace("trace.txt");
  std::vector<std::string> lines;
  std::size_t number = 0;
  for (std::string line; std::getline(trace, line); ++number) {
    if (number >= from) {
      lines.push_back(line);
    }
  }
  return lines;
}

struct OwedCase {
  const char *name;
  bool value_owed;       // a set-up could not send the row's value
  std::vector<int> sent; // the selects before the read
};

// A start-up command owed to an EC that other software held goes out at the
// next cycle, before its read; the row's value follows where a set-up owed
// it, and only then.
TEST(Controller, AnOwedStartUpCommandGoesOutBeforeTheReadWithTheValueASetUpOwed) {
  const std::filesystem::path dir = Enter_Scratch_Dir("thermal-owed-");
  Write_Table(THREE_ROWS);
  const OwedCase cases[] = {
      {"owed since start-up: the command alone", false, {}},
      {"owed since a set-up: the command and row 1's value", true, {100}},
  };
  for (const OwedCase &c : cases) {
    Controller controller;
    testing::internal::CaptureStdout();
    ASSERT_EQ(Start_Up(controller), 0);
    testing::internal::GetCapturedStdout();
    controller.row = 1;
    controller.ec_start = EcStart::Owed;
    controller.value_owed = c.value_owed;
    const std::size_t from = Trace_Lines();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Control_Cycle(controller, CYCLE_PAUSE_MS));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "thermal-control: the EC's start-up command, owed while other software held the EC, "
              "went out\n")
        << c.name;
    const std::vector<std::string> trace = Trace_Since(from);
    const auto init = std::find(trace.begin(), trace.end(), "out 6c 33");
    const auto read = std::find(trace.begin(), trace.end(), "out 6c 44");
    EXPECT_LT(init, read) << c.name;
    std::vector<int> before_read;
    for (auto line = init; line != read; ++line) {
      if (*line == "out 6c 55") {
        before_read.push_back(std::stoi((line + 2)->substr(7), nullptr, 16));
      }
    }
    EXPECT_EQ(before_read, c.sent) << c.name;
    EXPECT_EQ(controller.ec_start, EcStart::Taken) << c.name;
    EXPECT_FALSE(controller.value_owed) << c.name;
  }
  Leave_Scratch_Dir(dir);
}

} // namespace
