// thermal-table check as a user runs it: its findings on small tables of
// their own.

#include "tool_harness.h"

#include <gtest/gtest.h>

namespace {

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

// Names the case in test listings.
void PrintTo(const CheckCase &c, std::ostream *os) { *os << c.name; }

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
const std::string BUILT_IN_FROM_2 =
    "t.txt:1:1: warning: the file sets rows 0 to 1; the controller climbs on into built-in rows 2 "
    "to 6 and sends their values: give the row after your last one a rise of 255 [built-in-rows]";
// The controller climbs no higher than row 63: from row 63, whose fall is 0,
// nothing moves it.
const std::string STUCK_IN_63 = "once in row 63 the controller never leaves it: no temperature is "
                                "below its fall of 0, and none takes it higher [stuck]";

// What the same three lines give, whichever line ends they have.
const std::vector<std::string> NO_COMMA_FINDINGS = {
    "t.txt:2:11: warning: this number has no comma; the next line's first number runs into it "
    "and is lost, and every later value moves up by one [no-comma]",
    "t.txt:3:10: warning: the file's 11 values end inside row 2: its last 1 column keeps the "
    "built-in table's values [partial-row]",
    "t.txt:1:1: warning: the file sets rows 0 to 2; the controller climbs on into built-in rows 3 "
    "to 6 and sends their values: give the row after your last one a rise of 255 "
    "[built-in-rows]",
    "t.txt:3:4: warning: at a constant 54 to 59 the controller moves between rows 1 and 2 on "
    "every cycle: row 2's fall of 60 lies above its rise of 53 [oscillation]"};

INSTANTIATE_TEST_SUITE_P(
    Tables, CheckFinding,
    testing::Values(
        CheckCase{"NoComma", "0,0,0,0,\n45,40,100,0\n56,53,60,0,\n", NO_COMMA_FINDINGS,
                  "4 warnings"},
        CheckCase{"UTF16IsCheckedAsItsTextWithANoteOfItsEncoding",
                  std::string("\xFF\xFE") + Utf16("0,0,0,0,\n45,40,100,0\n56,53,60,0,\n", true),
                  Joined({"t.txt:1:1: note: the file is UTF-16 little-endian; its text is read "
                          "as the same digits in ASCII would be [encoding]"},
                         NO_COMMA_FINDINGS),
                  "4 warnings, 1 note"},
        CheckCase{"CarriageReturnsAloneEndLines", "0,0,0,0,\r45,40,100,0\r56,53,60,0,\r",
                  NO_COMMA_FINDINGS, "4 warnings"},
        CheckCase{"IgnoredTextAndTrailingText",
                  "0,0,0,0,\r\n45,40,1.5,0,\r\n 7",
                  {"t.txt:2:8: warning: this text before the comma is ignored; only the number in "
                   "front of it counts [ignored-text]",
                   "t.txt:3:2: warning: text after the last comma is ignored; a value counts only "
                   "with a comma after it [trailing-text]",
                   BUILT_IN_FROM_2},
                  "3 warnings"},
        CheckCase{"NotANumberAndRange",
                  "0,0,0,0,\n300,  ,-,-1,\n",
                  {"t.txt:2:1: warning: 300 is outside 0 to 255; it stores 44, its low eight bits "
                   "[range]",
                   "t.txt:2:7: warning: this field holds no number; it stores 0 [not-a-number]",
                   "t.txt:2:8: warning: this field holds no number; it stores 0 [not-a-number]",
                   "t.txt:2:10: warning: -1 is outside 0 to 255; it stores 255, its low eight bits "
                   "[range]",
                   BUILT_IN_FROM_2},
                  "5 warnings"},
        CheckCase{"TooMany",
                  Values(1030),
                  {"t.txt:1:2050: warning: more than 1024 values; this "
                   "comma and everything after it are ignored [too-many]",
                   "t.txt:1:513: warning: rows 64 to 255 are never entered: the controller climbs "
                   "no higher than row 63 [unreachable]"},
                  "2 warnings"},
        CheckCase{"BuiltInRowsTheControllerClimbsInto",
                  "0,0,0,0,\n45,40,100,0,\n",
                  {BUILT_IN_FROM_2},
                  "1 warning"},
        CheckCase{"BuiltInRowsAboveACeilingAreNoFinding",
                  "0,0,0,0,\n45,40,100,0,\n" + CEILING,
                  {},
                  "no problems found"},
        CheckCase{"ARowNeverLeft",
                  "0,0,0,0,\n45,0,100,0,\n" + CEILING,
                  {"t.txt:2:1: warning: once in row 1 the controller never leaves it: no "
                   "temperature is below its fall of 0, and none takes it higher [stuck]"},
                  "1 warning"},
        CheckCase{"BeyondRows",
                  "0,0,0,0,\n45,40,100,0,\n56,53,60,0,\n60,58,30,0,\n65,62,30,0,\n73,70,20,0,\n"
                  "82,75,2,0,\n90,85,1,0,\n",
                  {"t.txt:1:1: warning: " + STUCK_IN_63,
                   "t.txt:8:1: warning: at 91 and above the controller climbs past row 7, the last "
                   "that holds values, into row 8, which sends 0; give the row after your last one "
                   "a rise of 255 [beyond-rows]"},
                  "2 warnings"},
        CheckCase{"RowsAboveRow63AreUnreachableButNotACeiling",
                  Rows_Rising_From(0, 69) + CEILING,
                  {"t.txt:64:1: warning: " + STUCK_IN_63,
                   "t.txt:65:1: warning: rows 64 to 68 are never entered: the controller climbs "
                   "no higher than row 63 [unreachable]"},
                  "2 warnings"},
        CheckCase{"UnreachableAboveACeilingButNotTheCeiling",
                  "0,0,0,0,\n45,40,100,0,\n" + CEILING + "70,60,9,0,\n50,45,1,0,\n" + CEILING +
                      CEILING + CEILING,
                  {"t.txt:4:1: warning: row 3 (rise 70) is never entered: no sequence of "
                   "temperatures reaches it from row 0 [unreachable]",
                   "t.txt:5:1: warning: row 4 (rise 50) is never entered: no sequence of "
                   "temperatures reaches it from row 0 [unreachable]"},
                  "2 warnings"}),
    [](const testing::TestParamInfo<CheckCase> &param) { return std::string(param.param.name); });

// A file longer than a MiB is read as the controller reads it: up to its
// first MiB.
TEST(Check, ALongFileIsReadUpToItsFirstMebibyte) {
  const RunResult run = Run_Tool({"check", "long.txt"}, std::nullopt,
                                 {Scratch_File("long.txt", std::string(1048577, ' '))});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.out.find("long.txt:1:1048577: warning: the file goes on past 1048576 bytes, "
                         "where the controller stops reading it; the rest is ignored [too-long]"),
            std::string::npos)
      << run.out;
}

} // namespace
