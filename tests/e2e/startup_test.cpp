// Start-up: every byte, port and order up to the first cycle, and each failed
// step's message and exit status.

#include "harness.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string NO_TABLE_STARTUP = "open ThermalTable file err! \n"
                                     "\n"
                                     "\n"
                                     "Init_WinRing0 ok\n"
                                     "open port ok\n"
                                     "\n";

TEST(StartUp, ProgramsBridgeAndEcDeviceThenSendsInitInOrder) {
  // An empty temperature list ends the run at the first cycle's read.
  const RunResult run = Run_Temperatures("");
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, 0);
  const std::vector<std::string> expected =
      Joined(Joined(Startup_Trace(), {"sleep 100"}), Read_Ended_Trace());
  EXPECT_EQ(run.trace, As_Traced(expected));
}

TEST(StartUp, MissingTableFileStillGivesARunningControllerOnTheBuiltInTable) {
  const RunResult run = Run_Temperatures("38");
  EXPECT_EQ(run.out, NO_TABLE_STARTUP + "heartbat 00001 Now Tempareture is: 38\n"
                                        "now select value: 0   0   0   0\n"
                                        "heartbat 00002 ");
}

// A two-row file leaves the built-in rows above it for the controller to climb
// into: that is said once, after the listing.
TEST(StartUp, TableFileIsEchoedThenListedAndWhatItLeavesToTheBuiltInRowsIsSaid) {
  const RunResult run = Run_Temperatures("", "0,0,0,0,\n45,40,100,0,\n");
  const std::string rows = "0  0  0  0  \n45  40  100  0  \n";
  EXPECT_EQ(run.out, "ThermalTable: \n" + rows + "\n" + "\n" + rows + "\n" +
                         "Init_WinRing0 ok\nopen port ok\n\nheartbat 00001 ");
  EXPECT_EQ(run.err, "thermal-control: ThermalTable.txt: warning: the file sets rows 0 to 1; the "
                     "controller climbs on into built-in rows 2 to 6 and sends their values: give "
                     "the row after your last one a rise of 255 [built-in-rows]\n");
}

struct Asked {
  const char *argument;
  int exit_status;
  const char *printed_start; // the standard output's start
  const char *said_start;    // the standard error's start
};

// --help (or -h, and as Windows asks, /?, -? and /help) and --version are
// answered without reading the table or reaching the library; any other
// argument is refused with the usage, as is a second one, and nothing runs.
TEST(StartUp, HelpAndVersionAnswerWithoutTouchingAnythingAndOtherArgumentsAreRefused) {
  const char *usage = "usage: thermal-control [--help | -h | /? | --version]\n\nKeeps the PC's";
  const char *refused = "thermal-control: --verbose is not an argument it takes\nusage: ";
  const Asked cases[] = {
      {"--help", 0, usage, ""},
      {"-h", 0, usage, ""},
      {"/?", 0, usage, ""},
      {"-?", 0, usage, ""},
      {"/help", 0, usage, ""},
      {"--version", 0, "thermal-control " THERMAL_VERSION "\n", ""},
      {"--verbose", 2, "", refused},
      {"help", 2, "", "thermal-control: help is not an argument it takes\nusage: "},
  };
  for (const Asked &c : cases) {
    RunOptions options;
    options.table = "0,0,0,0,\n255,0,0,0,\n";
    options.env = {{"THERMAL_SIM_TEMPS", "38"}};
    options.args = {c.argument};
    const RunResult run = Run_Program(options);
    EXPECT_EQ(run.exit_status, c.exit_status) << c.argument;
    EXPECT_EQ(run.out.rfind(c.printed_start, 0), 0u) << c.argument << ": " << run.out;
    EXPECT_EQ(run.err.rfind(c.said_start, 0), 0u) << c.argument << ": " << run.err;
    EXPECT_TRUE(run.trace.empty()) << c.argument << ": the library was touched";
    EXPECT_EQ((run.out + run.err).find("ThermalTable: "), std::string::npos) << c.argument;
    EXPECT_EQ((run.out + run.err).back(), '\n') << c.argument;
  }
  RunOptions two;
  two.env = {{"THERMAL_SIM_TEMPS", "38"}};
  two.args = {"--help", "--version"};
  const RunResult run = Run_Program(two);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(
      run.err.rfind("thermal-control: more than one argument is not an argument it takes\n", 0), 0u)
      << run.err;
}

struct UnusableTable {
  const char *name;
  void (*prepare)(const std::string &dir);
  const char *why; // as the standard error says it; "DIR" stands for the run's folder
};

// The folder of the last run that made it known.
std::string run_dir;
void Note_Dir(const std::string &dir) { run_dir = dir; }

void PrintTo(const UnusableTable &c, std::ostream *os) { *os << c.name; }

class TableNotUsed : public testing::TestWithParam<UnusableTable> {};

// A table that cannot be used is said so on the standard output as a missing
// one is, and why on the standard error; the built-in table runs. Nothing
// holds start-up: not a pipe nobody writes to, nor a device without end.
TEST_P(TableNotUsed, IsSaidWhyAndTheBuiltInTableRuns) {
  const UnusableTable &c = GetParam();
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "38"}};
  options.prepare = c.prepare;
  const RunResult run = Run_Program(options);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.out, NO_TABLE_STARTUP + "heartbat 00001 Now Tempareture is: 38\n"
                                        "now select value: 0   0   0   0\n"
                                        "heartbat 00002 ");
  std::string why = c.why;
  if (why.find("DIR") != std::string::npos) {
    why.replace(why.find("DIR"), 3, run_dir);
  }
  EXPECT_EQ(run.err, "thermal-control: cannot use ThermalTable.txt: " + why +
                         "; the built-in table serves\n");
  EXPECT_LT(run.seconds, 10);
}

const char *TABLE = "/ThermalTable.txt";
const char *NOT_TEXT =
    "it holds NUL characters, so it is no text of numbers (save it as UTF-8 or ANSI)";

INSTANTIATE_TEST_SUITE_P(
    Files, TableNotUsed,
    testing::Values(
        UnusableTable{"Missing", Note_Dir, "No such file or directory in DIR"},
        UnusableTable{"MissingWithANameEndingTwiceInTxtThere",
                      [](const std::string &dir) {
                        Note_Dir(dir);
                        std::ofstream(dir + "/ThermalTable.txt.txt") << "0,0,0,0,\n";
                      },
                      "No such file or directory in DIR (but ThermalTable.txt.txt is there: "
                      "Explorer hides its last .txt; rename it)"},
        UnusableTable{"AFolder", [](const std::string &dir) { mkdir((dir + TABLE).c_str(), 0755); },
                      "it is no plain file (a folder, a pipe or a device)"},
        UnusableTable{"APipe", [](const std::string &dir) { mkfifo((dir + TABLE).c_str(), 0644); },
                      "it is no plain file (a folder, a pipe or a device)"},
        UnusableTable{"ADeviceWithoutEnd",
                      [](const std::string &dir) {
                        std::filesystem::create_symlink("/dev/zero", dir + TABLE);
                      },
                      "it is no plain file (a folder, a pipe or a device)"},
        UnusableTable{"ALinkToNothing",
                      [](const std::string &dir) {
                        Note_Dir(dir);
                        std::filesystem::create_symlink("gone", dir + TABLE);
                      },
                      "No such file or directory in DIR"},
        // NUL characters in a text that shows no encoding (one in the
        // middle of a plain file, UTF-32): refused whole, never read as zeros.
        UnusableTable{"ANulInPlainText",
                      [](const std::string &dir) {
                        std::ofstream(dir + TABLE) << std::string("0,0,0,0,\n45\0,40,100,0,\n", 21);
                      },
                      NOT_TEXT},
        UnusableTable{"UTF32",
                      [](const std::string &dir) {
                        std::ofstream(dir + TABLE) << std::string("0\0\0\0,\0\0\0", 8);
                      },
                      NOT_TEXT},
        // As a Windows service refuses a table another user may write.
        UnusableTable{"OneOthersMayWrite",
                      [](const std::string &dir) {
                        std::ofstream(dir + TABLE) << "0,0,0,0,\n45,40,100,0,\n";
                        chmod((dir + TABLE).c_str(), 0666);
                      },
                      "others may write it (its mode is 666)"}),
    [](const testing::TestParamInfo<UnusableTable> &param) {
      return std::string(param.param.name);
    });

// A table in any encoding Windows writes reads as the same digits in ASCII:
// the same echo, listing, cycles and port accesses, with one note that names
// the encoding.
TEST(StartUp, ATableInEachEncodingWindowsWritesReadsAsItsAsciiAndIsSaidOnce) {
  const std::string ascii = "0,0,0,0,\r\n45,40,100,0,\r\n255,0,0,0,\r\n";
  const RunResult plain = Run_Temperatures("38,47,47", ascii);
  ASSERT_EQ(plain.err, "");
  const std::pair<std::string, std::string> cases[] = {
      {"\xEF\xBB\xBF" + ascii, "UTF-8 with a byte-order mark"},
      {"\xFF\xFE" + Utf16(ascii, true), "UTF-16 little-endian"},
      {"\xFE\xFF" + Utf16(ascii, false), "UTF-16 big-endian"},
      {Utf16(ascii, true), "UTF-16 little-endian without a byte-order mark"},
      {Utf16(ascii, false), "UTF-16 big-endian without a byte-order mark"},
  };
  for (const auto &[table, encoding] : cases) {
    const RunResult run = Run_Temperatures("38,47,47", table);
    EXPECT_EQ(run.out, plain.out) << encoding;
    EXPECT_EQ(run.trace, plain.trace) << encoding;
    EXPECT_EQ(run.err, "thermal-control: ThermalTable.txt: note: the file is " + encoding +
                           "; its text is read as the same digits in ASCII would be [encoding]\n");
  }
}

// A table file that exists and cannot be read, as the service's user meets
// one that root keeps to itself: the same message with the system's reason.
TEST(StartUp, TableThatCannotBeReadIsSaidWhy) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  options.table = "0,0,0,0,\n";
  options.trace = false;
  options.prepare = [](const std::string &dir) { chmod((dir + TABLE).c_str(), 0); };
  if (getuid() == 0) { // root reads any file: run as a user without rights
    options.command = Joined({AS_NOBODY}, Program_Command());
  }
  const RunResult run = Run_Program(options);
  EXPECT_EQ(run.out.rfind("open ThermalTable file err! \n", 0), 0u) << run.out;
  EXPECT_EQ(run.err, "thermal-control: cannot use ThermalTable.txt: Permission denied; the "
                     "built-in table serves\n");
}

struct FailedStep {
  const char *fault;
  int exit_status;
  const char *output_tail;
  std::vector<std::string> trace;
  const char *error = nullptr; // a line the standard error ends with
};

// Names the case in test listings.
void PrintTo(const FailedStep &c, std::ostream *os) { *os << c.fault; }

class StartUpFailure : public testing::TestWithParam<FailedStep> {};

TEST_P(StartUpFailure, PrintsItsMessageExitsWithTheStatusOfItsKindAndTouchesNoPort) {
  const FailedStep &step = GetParam();
  const RunResult run = Run_Temperatures("40", std::nullopt, step.fault);
  ASSERT_TRUE(run.exited);
  EXPECT_EQ(run.exit_status, step.exit_status);
  EXPECT_EQ(run.out, std::string("open ThermalTable file err! \n\n\n") + step.output_tail);
  EXPECT_EQ(run.trace, step.trace);
  if (step.error != nullptr) {
    EXPECT_TRUE(run.err.ends_with(step.error)) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, StartUpFailure,
    testing::Values(FailedStep{"init", 7, "initializes the DLL Error\n", {"lib init -> 0"}},
                    FailedStep{"status",
                               8,
                               "initializes the DLL Error\n",
                               {"lib init -> 1", "lib status -> 1"}},
                    FailedStep{"nobridge",
                               9,
                               "Init_WinRing0 ok\nNo find PCI bradge\n",
                               {"lib init -> 1", "lib status -> 0", "hold pci", "pci maxbus 5",
                                "pci find 8086 9cc3 0 -> ffffffff", "release pci"}},
                    // Another device's range: read, never overwritten, and
                    // not this machine either.
                    FailedStep{"decode-taken",
                               9,
                               "Init_WinRing0 ok\n",
                               {"lib init -> 1", "lib status -> 0", "hold pci", "pci maxbus 5",
                                "pci find 8086 9cc3 0 -> 000000f8",
                                "pci read 000000f8 84 -> 000c0a01", "release pci"},
                               "thermal-control: the LPC bridge's decode register 0x84 holds "
                               "0x000C0A01, another device's range: not overwritten\n"}),
    [](const testing::TestParamInfo<FailedStep> &param_info) {
      std::string name = param_info.param.fault;
      std::erase(name, '-');
      return name;
    });

struct BadSetting {
  const char *variable;
  const char *value;
  const char *message; // how the standard error starts
};

// The simulated machine refuses to start, with status 2, on a setting it
// cannot understand, a fault that would do nothing, a variable that is no
// setting, and a trace it cannot write.
TEST(SimulatedMachine, RefusesWhatItCannotUseWithStatus2) {
  const BadSetting cases[] = {
      {"THERMAL_SIM_FAST", "yes", "thermal-sim: THERMAL_SIM_FAST: \"yes\" is not 1"},
      {"THERMAL_SIM_FAST", "2", "thermal-sim: THERMAL_SIM_FAST: \"2\" is not 1"},
      {"THERMAL_SIM_FAULT", "ec-gone:0",
       "thermal-sim: THERMAL_SIM_FAULT: \"ec-gone:0\" is not a fault with its number, 1 or more"},
      {"THERMAL_SIM_TEMP", "40",
       "thermal-sim: THERMAL_SIM_TEMP is no setting of the simulated machine"},
      {"THERMAL_SIM_TRACE", "/dev/full",
       "thermal-sim: cannot write the trace file: No space left on device"},
  };
  for (const BadSetting &c : cases) {
    RunOptions options;
    options.trace = false;
    options.env = {{"THERMAL_SIM_TEMPS", "40"}, {c.variable, c.value}};
    const RunResult run = Run_Program(options);
    EXPECT_EQ(run.exit_status, 2) << c.variable << "=" << c.value;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

} // namespace
