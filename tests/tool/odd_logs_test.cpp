// thermal-table simulate over logs of every form a user may hand it: line
// ends of any kind, lines that are no line of the controller's, a table
// read again, values sent again, the journal's own formats, and the
// encodings Windows writes.

#include "tool_harness.h"

#include <gtest/gtest.h>

namespace {

struct OddLog {
  const char *name;
  std::string log;
  std::vector<std::string> csv; // the cycles replayed, less the header
  std::string warning;          // the standard error's line, empty when there is none
};

void PrintTo(const OddLog &c, std::ostream *os) { *os << c.name; }

class OddLogs : public testing::TestWithParam<OddLog> {};

// A log's lines that are neither a cycle nor one the controller writes are
// counted and named, with status 1; the others are all replayed.
TEST_P(OddLogs, AreReplayedWithEveryLineThatCouldNotBeUsedCounted) {
  const OddLog &c = GetParam();
  const std::string csv = Temp_Path(std::string(c.name) + ".csv");
  const RunResult run = Run_Tool({"simulate", "--log", "odd.log", "--csv", csv}, std::nullopt,
                                 {Scratch_File("odd.log", c.log)});
  EXPECT_EQ(run.exit_status, c.warning.empty() ? 0 : 1) << run.err;
  EXPECT_EQ(run.err, c.warning);
  EXPECT_EQ(Split_Lines(Read_File(csv)), Joined({CSV_HEADER}, c.csv));
}

const std::string HEARTBEAT = "heartbat 00001 Now Tempareture is: ";
const std::string ROW0 = "now select value: 0   0   0   0\n";
const std::string NOT_TAKEN = "EC did not take the row's value; row held\n";

// Lines as journalctl writes them, each behind the prefix.
std::string Prefixed(const std::string &prefix, const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) {
    text += prefix + line + "\n";
  }
  return text;
}

// A text as Windows writes it in UTF-16 (PowerShell 5.1's redirection), with
// its byte-order mark.
std::string Utf16(const std::u16string &text, bool little_endian) {
  std::string bytes = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += little_endian ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

std::string Warning(int lines, int first, const char *text) {
  return "thermal-table: warning: odd.log: " + std::to_string(lines) +
         (lines == 1 ? " line is" : " lines are") +
         " neither a cycle nor one the controller writes, and not replayed; the first, line " +
         std::to_string(first) + ": \"" + text + "\"\n";
}

INSTANTIATE_TEST_SUITE_P(
    Logs, OddLogs,
    testing::Values(
        OddLog{"CarriageReturnsAloneEndLines",
               "40\r41\r\r42\r",
               {"1,40,1,0,,", "2,41,1,0,,", "3,42,1,0,,"},
               ""},
        OddLog{"ABadTokenLeavesItsLineOut",
               "40, 41\n42 x\n43\n",
               {"1,40,1,0,,", "2,41,1,0,,", "3,43,1,0,,"},
               Warning(1, 2, "42 x")},
        OddLog{"TemperaturesTheControllerNeverPrints",
               "open port ok\n" + HEARTBEAT + "300\n" + ROW0 + HEARTBEAT + "1000\n" + ROW0 +
                   HEARTBEAT + "-5\n" + ROW0 + HEARTBEAT + "0047\n" + ROW0 + HEARTBEAT + "47\n",
               {"1,47,1,1,100,"},
               Warning(4, 2, "heartbat 00001 Now Tempareture is: 300")},
        OddLog{"AControllerLinePastedIntoAList",
               "40\n41\n" + HEARTBEAT + "47\n42\n",
               {"1,40,1,0,,", "2,41,1,0,,", "3,42,1,0,,"},
               Warning(1, 3, "heartbat 00001 Now Tempareture is: 47")},
        OddLog{"ATableReadAgainAppliesFromThere",
               "open port ok\n\n" + HEARTBEAT + "47\nnow select value: 45   40   100   0\n" +
                   "ThermalTable: \n0  0  0  0  \n45  40  80  0  \n50  48  70  0  \n\n\n" +
                   "0  0  0  0  \n45  40  80  0  \n50  48  70  0  \n\n" +
                   "row 1's value is now 80: sent to the EC\n" + HEARTBEAT + "47\n" +
                   "ThermalTable: \n0  0  0  0  \n45  40  90  \n\n0  0  0  0  \n" +
                   "45  40  90  \nrow 1's value is now 90: sent to the EC\n" +
                   "EC did not take the row's value; row held\n" + HEARTBEAT + "52\n" + HEARTBEAT +
                   "51\n", // row 2 rises at 56 again, not 50
               {"1,47,1,1,100,", "2,47,1,1,80,", "3,52,1,1,90,90", "4,51,1,1,,"},
               ""},
        // The journal keeps no empty line, and no blanks at a line's end.
        OddLog{"ATableReadAgainInTheJournal",
               "open port ok\n" + HEARTBEAT + "47\nnow select value: 45   40   100   0\n" +
                   "ThermalTable:\n0  0  0  0\n45  40  80  0\n50  48  70  0\n0  0  0  0\n" +
                   "45  40  80  0\n50  48  70  0\nrow 1's value is now 80: sent to the EC\n" +
                   HEARTBEAT + "47\n" + HEARTBEAT + "51\n", // row 2 rises at 50 now
               {"1,47,1,1,100,", "2,47,1,1,80,", "3,51,1,2,70,"},
               ""},
        // A value sent again that the EC did not take: after a wake's set-up,
        // and after a set-up for lost ports, whose read went unanswered.
        OddLog{"ReSendsTheEcDidNotTake",
               "open port ok\n" + HEARTBEAT + "47\nnow select value: 45   40   100   0\n" +
                   "system resumed; setting the EC up again\nopen port ok\n" + NOT_TAKEN +
                   HEARTBEAT + "47\n" + HEARTBEAT + "255\nEC did not answer; row held\n" +
                   "EC ports lost; setting them up again\nopen port ok\n" + NOT_TAKEN + HEARTBEAT +
                   "30\n",
               {"1,47,1,1,100,", "2,47,1,1,100,100", "3,,0,1,100,100", "4,30,1,0,0,"},
               ""},
        // The log ends inside a cycle that sent a value before its read.
        OddLog{"AnInterruptedCycleThatSentAValueCounts",
               "open port ok\n" + HEARTBEAT + "47\nnow select value: 45   40   100   0\n" +
                   "system resumed; setting the EC up again\nopen port ok\nheartbat 00002 ",
               {"1,47,1,1,100,", "2,,0,1,100,"},
               ""},
        // journalctl's short formats: each line's prefix is left out, and its
        // own notes are no lines; a line without the prefix is no line of it.
        OddLog{"TheJournalsShortFormats",
               "-- Journal begins at Wed 2026-12-09 09:00:00 UTC. --\n" +
                   Prefixed("Dec 09 10:00:01 pc thermal-control[812]: ",
                            {"open port ok", HEARTBEAT + "47",
                             "now select value: 45   40   100   0"}) +
                   "-- Boot 1a2b3c --\n" +
                   Prefixed("2026-12-09T10:00:02.000123+0000 pc thermal-control[812]: ",
                            {HEARTBEAT + "52", "ThermalTable:", "0  0  0  0", "45  40  80  0",
                             "0  0  0  0", "45  40  80  0"}) +
                   Prefixed("[   12.000456] pc thermal-control[812]: ",
                            {"row 1's value is now 80: sent to the EC", HEARTBEAT + "39"}) +
                   Prefixed("Wed 2026-12-09 10:00:04 UTC pc thermal-control[812]: ",
                            {HEARTBEAT + "41"}) +
                   Prefixed("1765274405.000789 pc thermal-control[812]: ", {HEARTBEAT + "42"}) +
                   HEARTBEAT + "60\n",
               {"1,47,1,1,100,", "2,52,1,1,,", "3,39,1,0,80;0,", "4,41,1,0,,", "5,42,1,0,,"},
               Warning(1, 16, "heartbat 00001 Now Tempareture is: 60")},
        // Windows' marked encodings: each character is read as UTF-8, so a
        // line that is no line of the log shows its bytes; a lone surrogate,
        // or one without its partner, is U+FFFD.
        OddLog{"UTF16LittleEndianAsPowerShellWritesIt",
               Utf16(u"open port ok\r\nheartbat 00001 Now Tempareture is: 47\r\n"
                     u"Gr\u00f6\u00dfe \U0001F321 \xD800x\r\n",
                     true),
               {"1,47,1,1,100,"},
               Warning(1, 3,
                       "Gr\\xc3\\xb6\\xc3\\x9fe \\xf0\\x9f\\x8c\\xa1 "
                       "\\xef\\xbf\\xbdx")},
        OddLog{"UTF16BigEndian", Utf16(u"40\n41\n", false), {"1,40,1,0,,", "2,41,1,0,,"}, ""},
        OddLog{"UTF8WithItsMark",
               "\xEF\xBB\xBF"
               "40\n41\n",
               {"1,40,1,0,,", "2,41,1,0,,"},
               ""},
        OddLog{"OddBytesAreShownEscaped",
               "open port ok\n" + std::string("t\0\x01", 3) + "\n" + HEARTBEAT + "50\n",
               {"1,50,1,1,100,"},
               Warning(1, 2, "t\\x00\\x01")}),
    [](const testing::TestParamInfo<OddLog> &param) { return std::string(param.param.name); });

} // namespace
