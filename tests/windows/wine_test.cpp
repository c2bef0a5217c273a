// What is special to the Windows program: where it loads WinRing0.dll from,
// what it says when the library, its driver file or one of its functions is
// missing or fails, one copy at a time, its table file in binary mode, how
// long a wait that gives up lasts, and a start-up under a held EC.

#include "wine_support.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct MissingFile {
  const char *name;
  std::initializer_list<const char *> files; // beside the exe
  int exit_status;
  const char *message; // how standard error starts
  const char *then;    // and what it says after the file's name
};

// Each is a failed initialisation, after one line that says what is missing.
TEST(WinRing0Loading, MissingLibraryDriverOrFunctionIsAFailedInitialisationThatSaysWhich) {
  const MissingFile cases[] = {
      {"no library",
       {},
       4,
       "thermal-control: WinRing0.dll is not in the program's folder (",
       "): put it there, with its driver file\n"},
      // WinRing0x64.sys on 64-bit Windows, WinRing0.sys on a 32-bit one.
      {"no driver file",
       {"WinRing0.dll"},
       7,
       "thermal-control: WinRing0.dll cannot start its driver: WinRing0",
       ".sys is not beside it. Microsoft Defender quarantines that file: see \"Microsoft "
       "Defender and the WinRing0 driver\" in the README\n"},
  };
  for (const MissingFile &c : cases) {
    const std::filesystem::path bin = Program_Folder(c.files);
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", ""}}; // a library started by mistake ends the run at once
    const RunResult run = Run_From(bin, options);
    std::filesystem::remove_all(bin);
    EXPECT_EQ(run.exit_status, c.exit_status) << c.name;
    EXPECT_EQ(run.out, LIBRARY_FAILS) << c.name;
    EXPECT_EQ(After_No_Table(run.err).rfind(c.message, 0), 0u) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.then), std::string::npos) << c.name << ": " << run.err;
  }
}

TEST(WinRing0Loading, LibraryLackingAnOrdinalIsAFailedInitialisationAndNothingIsCalled) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  const RunResult run = Run_From(missing_ordinal_dir, options);
  EXPECT_EQ(run.exit_status, 6);
  EXPECT_EQ(run.out, LIBRARY_FAILS);
  EXPECT_NE(run.err.find("lacks one of the eight functions the program uses"), std::string::npos)
      << run.err;
  EXPECT_TRUE(run.trace.empty()) << "the incomplete library was called: " << run.trace[0];
}

TEST(WinRing0Loading, LibraryOnlyInTheCurrentDirectoryIsNeverLoaded) {
  const std::filesystem::path bin = Program_Folder({});
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  options.run_dir_files = {(standin_dir / "WinRing0.dll").string()};
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 4);
  EXPECT_EQ(run.out, LIBRARY_FAILS);
  EXPECT_TRUE(run.trace.empty()) << "the planted library was loaded";
}

TEST(WinRing0Loading, LibraryBesideTheExeIsLoadedWhateverTheCurrentDirectory) {
  const std::filesystem::path bin = Program_Folder(LIBRARY_AND_DRIVER);
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 0);
  ASSERT_FALSE(run.trace.empty());
  EXPECT_EQ(run.trace.front(), "lib init -> 1");
  EXPECT_EQ(run.trace.back(), "out 6c 44");
}

// A winmm.dll planted beside the program, as in a Downloads folder, is never
// loaded: the program loads winmm from System32 alone, as it does every
// library but WinRing0.dll. Wine is made to prefer a DLL of that name beside
// the program over its own, as Windows does for one that is no KnownDLL.
TEST(WinRing0Loading, ASystemLibraryPlantedBesideTheProgramIsNeverLoaded) {
  const std::filesystem::path bin = Program_Folder(LIBRARY_AND_DRIVER);
  std::filesystem::copy_file(standin_dir.parent_path() / "planted" / "winmm.dll",
                             bin / "winmm.dll");
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}, {"THERMAL_WINE_OVERRIDES", "winmm=n,b"}};
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 0) << "99: the planted winmm.dll was loaded";
  ASSERT_FALSE(run.trace.empty());
  EXPECT_EQ(run.trace.front(), "lib init -> 1");
  EXPECT_EQ(run.err.find("timer's resolution"), std::string::npos) << run.err;
}

// A copy runs; a second one started beside it is refused before it loads the
// library, so it touches nothing; the first runs on unharmed.
TEST(OneCopy, ASecondCopyIsRefusedAndTheFirstRunsOn) {
  RunOptions first;
  first.env = {{"THERMAL_SIM_TEMPS", "40*8"}};
  const RunningProgram running = Start_Program(first);
  Wait_For(running, "heartbat");
  RunOptions second;
  second.env = {{"THERMAL_SIM_TEMPS", "40"}};
  const RunResult refused = Run_Program(second);
  const RunResult ran = Wait_Program(running);
  EXPECT_EQ(refused.exit_status, 3);
  EXPECT_EQ(refused.out, LIBRARY_FAILS);
  EXPECT_EQ(After_No_Table(refused.err),
            "thermal-control: another thermal-control is already running on this machine and "
            "holds the EC's ports; close it first (or stop its service: sc stop "
            "thermal-control)\n");
  EXPECT_TRUE(refused.trace.empty()) << "the second copy reached the library: " << refused.trace[0];
  EXPECT_EQ(ran.exit_status, 0) << "the first copy ran its cycles to the end of its list";
  EXPECT_EQ(Status_Lines(ran.out), std::vector<std::string>(8, "now select value: 0   0   0   0"));
}

TEST(TableFile, CrLfAndCtrlZAreReadAsTheyStandInBinaryMode) {
  // Read in text mode, the Ctrl-Z would end the file after two rows.
  RunOptions options;
  options.table = "0,0,0,0,\r\n45,40,100,0,\r\n\x1a\r\n56,53,60,0,\r\n";
  options.env = {{"THERMAL_SIM_FAULT", "init"}};
  const RunResult run = Run_Program(options);
  const std::string rows = "0  0  0  0  \n45  40  100  0  \n0  53  60  0  \n";
  EXPECT_EQ(run.out, "ThermalTable: \n" + rows + "\n\n" + rows + "\ninitializes the DLL Error\n");
}

// Starts a program that holds the mutex until it is killed, and waits until
// it holds it.
RunningProgram Hold(const char *mutex) {
  RunOptions other;
  other.command = {wine, hold_mutex, mutex};
  other.trace = false;
  const RunningProgram holder = Start_Program(other);
  EXPECT_TRUE(Wait_For(holder, "held")) << mutex << " was not held";
  return holder;
}

// Another program holds the configuration ports' mutex and never lets go: the
// program waits a second for them, says why it cannot set the EC up, never
// touches them, and ends as a start-up that failed.
TEST(SharedBus, ConfigurationPortsHeldByOtherSoftwareAreNeverTouched) {
  const RunningProgram holder = Hold("Global\\Access_ISABUS.HTP.Method");
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "40"}};
  const RunResult run = Run_Program(options);
  kill(holder.pid, SIGKILL);
  Wait_Program(holder);
  EXPECT_EQ(run.exit_status, 10);
  EXPECT_EQ(run.out, "open ThermalTable file err! \n\n\nInit_WinRing0 ok\n");
  EXPECT_EQ(After_No_Table(run.err),
            "thermal-control: other software has held the configuration ports 0x4E/0x4F (mutex "
            "Global\\Access_ISABUS.HTP.Method) for more than a second; the program leaves them "
            "alone until it can have them\n");
  EXPECT_EQ(run.trace, (std::vector<std::string>{"lib init -> 1", "lib status -> 0", "pci maxbus 5",
                                                 "pci find 8086 9cc3 0 -> 000000f8",
                                                 "pci read 000000f8 84 -> 00000000",
                                                 "pci write 000000f8 84 00040069"}));
  EXPECT_LT(run.seconds, 30) << "it waited once, a second, and ended";
}

// A wait for an EC that never takes a byte gives up once 1001 ms have
// passed: about a second, not the sixteen that 1001 sleeps of Windows'
// default timer tick would make of it. Before the second cycle begins the
// start-up command has waited once and the first read once, and nothing was
// written; a healthy run to the same point is the baseline. Each poll also
// pays for the stand-in library's check of the EC's hold, a round trip to
// another thread, and a busy machine may slow either run: the upper bound
// lies at a third of the sixteen seconds, not near one. The stand-in sees no
// pause, so the run whose EC takes nothing is ended here.
TEST(EcTimeout, AWaitThatGivesUpLastsAboutOneSecond) {
  const auto until_second_cycle = [](const char *fault) {
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", "40*3"}, {"THERMAL_SIM_FAULT", fault}};
    const RunningProgram running = Start_Program(options);
    const bool reached = Wait_For(running, "heartbat 00002 ");
    const double seconds = Seconds_Now() - running.started;
    kill(running.pid, SIGKILL);
    const RunResult run = Wait_Program(running);
    EXPECT_TRUE(reached) << fault << ": " << run.out;
    return std::pair{seconds, run};
  };
  // The quicker of two healthy runs: the first may still pay for Wine's start.
  const double baseline = std::min(until_second_cycle("").first, until_second_cycle("").first);
  const auto [dead_seconds, dead] = until_second_cycle("ec-dead");
  const double per_wait = (dead_seconds - baseline) / 2;
  std::cout << "one wait that gives up lasts " << per_wait << " s\n";
  RecordProperty("seconds_per_timed_out_wait", std::to_string(per_wait));
  EXPECT_GT(per_wait, 0.8);
  EXPECT_LT(per_wait, 5.0);
  for (const std::string &line : dead.trace) {
    EXPECT_TRUE(line.rfind("out 6c ", 0) != 0 && line.rfind("out 68 ", 0) != 0) << line;
  }
  EXPECT_NE(std::find(dead.trace.begin(), dead.trace.end(), "in 6c -> 02"), dead.trace.end());
}

// Another program holds the EC when the program starts: the start-up command
// is owed, the cycles print as unanswered reads, and the first cycle that
// can have the EC sends the command before its read.
TEST(SharedBus, AStartUpCommandOwedToAHeldEcGoesOutOnceTheEcCanBeHad) {
  const RunningProgram holder = Hold("Global\\Access_EC");
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", "40*3"}};
  const RunningProgram running = Start_Program(options);
  const bool cycled = Wait_For(running, "heartbat 00001 Now");
  kill(holder.pid, SIGKILL);
  Wait_Program(holder);
  const RunResult run = Wait_Program(running);
  EXPECT_TRUE(cycled);
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  const std::vector<std::string> lines = Cycle_Lines(run);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "EC did not answer; row held") << run.out;
  EXPECT_EQ(After_No_Table(run.err),
            "thermal-control: other software has held the EC's ports (mutex Global\\Access_EC) "
            "for more than a second; the program leaves them alone until it can have them\n"
            "thermal-control: the EC's start-up command, owed while other software held the EC, "
            "went out\n");
  const auto init = std::find(run.trace.begin(), run.trace.end(), "out 6c 33");
  EXPECT_EQ(std::count(run.trace.begin(), run.trace.end(), "out 6c 33"), 1);
  EXPECT_LT(init, std::find(run.trace.begin(), run.trace.end(), "out 6c 44"))
      << "the command before the first read";
}

struct SaidInWords {
  const char *name;
  const char *fault;    // THERMAL_SIM_FAULT
  bool library_is_text; // a WinRing0.dll that is no DLL at all
  int exit_status;
  const char *said; // the standard error after the table's line
};

// Each start-up failure says why, in words, on the standard error.
TEST(StartUpFailures, AreSaidInWords) {
  const SaidInWords cases[] = {
      {"no DLL at all", "", true, 5,
       "cannot be loaded: it is not a 64-bit DLL (the 64-bit program needs the 64-bit "
       "WinRing0.dll), or no DLL at all (error 193)\n"},
      {"a status of failure", "status", false, 8,
       "thermal-control: WinRing0.dll reports status 1: this Windows is not one it supports\n"},
      {"a driver that does not start", "init", false, 7,
       "thermal-control: WinRing0.dll cannot start its driver WinRing0x64.sys. Most often a "
       "security program has quarantined or blocked the file (see \"Microsoft Defender and the "
       "WinRing0 driver\" in the README); else a policy blocks the driver (the vulnerable driver "
       "blocklist, Memory integrity); the program itself runs as administrator, as it asks to\n"},
  };
  for (const SaidInWords &c : cases) {
    const std::filesystem::path bin =
        Program_Folder(c.library_is_text ? std::initializer_list<const char *>{"WinRing0x64.sys"}
                                         : LIBRARY_AND_DRIVER);
    if (c.library_is_text) {
      std::ofstream(bin / "WinRing0.dll") << "not a library\n";
    }
    RunOptions options;
    options.env = {{"THERMAL_SIM_TEMPS", ""}, {"THERMAL_SIM_FAULT", c.fault}};
    const RunResult run = Run_From(bin, options);
    std::filesystem::remove_all(bin);
    EXPECT_EQ(run.exit_status, c.exit_status) << c.name;
    EXPECT_EQ(run.out, LIBRARY_FAILS) << c.name;
    const std::string said = After_No_Table(run.err);
    EXPECT_EQ(said.substr(said.size() - std::min(said.size(), std::strlen(c.said))), c.said)
        << c.name << ": " << run.err;
  }
}

// The metrics file as windows_exporter's textfile collector reads it: UTF-8
// without a byte-order mark, each line ended with LF alone, the last one too.
TEST(MetricsFile, HasNoByteOrderMarkAndNoCarriageReturn) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) /
                                       ("thermal-wine-metrics-" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  RunOptions options;
  options.trace = false;
  std::string windows_folder = "Z:" + folder.string();
  std::replace(windows_folder.begin(), windows_folder.end(), '/', '\\');
  options.env = {{"THERMAL_SIM_TEMPS", "38,47,60*3"},
                 {"THERMAL_CONTROL_METRICS_DIR", windows_folder}};
  const RunResult run = Run_Program(options);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  const std::string text = Read_File((folder / "thermal-control.prom").string());
  ASSERT_FALSE(text.empty()) << run.err;
  EXPECT_NE(text.rfind("# HELP thermal_control_build_info ", 0), std::string::npos)
      << "no byte-order mark: " << text.substr(0, 8);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(text.find("\nthermal_control_build_info{version=\"" THERMAL_VERSION
                      "\",path=\"winring0\"} 1\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\nthermal_control_row 2\n"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(folder / "thermal-control.prom.new"));
  std::filesystem::remove_all(folder);
}

} // namespace
