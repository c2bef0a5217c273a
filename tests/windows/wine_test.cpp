// What is special to the Windows program: where it loads WinRing0.dll from,
// what it does when the library is missing or incomplete, its table file in
// binary mode, and how long a wait that gives up lasts.

#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace {

std::string wine;                          // the command that runs a Windows program
std::filesystem::path standin_dir;         // thermal-control.exe beside the stand-in WinRing0.dll
std::filesystem::path missing_ordinal_dir; // the same with a DLL that lacks ordinal 87

const std::string LIBRARY_FAILS = "open ThermalTable file err! \n\n\ninitializes the DLL Error\n";

// A program folder of its own, holding the exe and, when asked, the DLL.
std::filesystem::path Program_Folder(bool with_library) {
  char pattern[] = "/tmp/thermal-wine-bin-XXXXXX";
  const std::filesystem::path dir = mkdtemp(pattern);
  std::filesystem::copy_file(standin_dir / "thermal-control.exe", dir / "thermal-control.exe");
  if (with_library) {
    std::filesystem::copy_file(standin_dir / "WinRing0.dll", dir / "WinRing0.dll");
  }
  return dir;
}

RunResult Run_From(const std::filesystem::path &program_dir, RunOptions options) {
  options.command = {wine, (program_dir / "thermal-control.exe").string()};
  return Run_Program(options);
}

TEST(WinRing0Loading, NoLibraryBesideTheExeIsAFailedInitialisation) {
  const std::filesystem::path bin = Program_Folder(false);
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}}; // a library loaded by mistake ends the run at once
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, LIBRARY_FAILS);
}

TEST(WinRing0Loading, LibraryLackingAnOrdinalIsAFailedInitialisationAndNothingIsCalled) {
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  const RunResult run = Run_From(missing_ordinal_dir, options);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, LIBRARY_FAILS);
  EXPECT_TRUE(run.trace.empty()) << "the incomplete library was called: " << run.trace[0];
}

TEST(WinRing0Loading, LibraryOnlyInTheCurrentDirectoryIsNeverLoaded) {
  const std::filesystem::path bin = Program_Folder(false);
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  options.run_dir_files = {(standin_dir / "WinRing0.dll").string()};
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.out, LIBRARY_FAILS);
  EXPECT_TRUE(run.trace.empty()) << "the planted library was loaded";
}

TEST(WinRing0Loading, LibraryBesideTheExeIsLoadedWhateverTheCurrentDirectory) {
  const std::filesystem::path bin = Program_Folder(true);
  RunOptions options;
  options.env = {{"THERMAL_SIM_TEMPS", ""}};
  const RunResult run = Run_From(bin, options);
  std::filesystem::remove_all(bin);
  EXPECT_EQ(run.exit_status, 0);
  ASSERT_FALSE(run.trace.empty());
  EXPECT_EQ(run.trace.front(), "lib init -> 1");
  EXPECT_EQ(run.trace.back(), "out 6c 44");
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

// A wait for an EC that never takes a byte gives up after 1001 sleeps of
// 1 ms: about a second, not the sixteen that Windows' default timer tick
// would make of it. Start-up has two such waits and the first cycle's read
// one more before its end; a healthy run is the baseline.
TEST(EcTimeout, AWaitThatGivesUpLastsAboutOneSecond) {
  RunOptions healthy;
  healthy.trace = false;
  healthy.env = {{"THERMAL_SIM_TEMPS", ""}};
  RunOptions dead = healthy;
  dead.env.emplace_back("THERMAL_SIM_FAULT", "ec-dead");
  // The quicker of two healthy runs: the first may still pay for Wine's start.
  const double baseline = std::min(Run_Program(healthy).seconds, Run_Program(healthy).seconds);
  const double per_wait = (Run_Program(dead).seconds - baseline) / 3;
  std::cout << "one wait that gives up lasts " << per_wait << " s\n";
  RecordProperty("seconds_per_timed_out_wait", std::to_string(per_wait));
  EXPECT_GT(per_wait, 0.8);
  EXPECT_LT(per_wait, 2.0);
}

} // namespace

// Arguments: the command that runs a Windows program, the folder of the exe
// with the stand-in library, and that of the exe with the incomplete one.
int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 4 && !GTEST_FLAG_GET(list_tests)) {
    std::fprintf(stderr, "usage: %s WINE STANDIN_DIR MISSING_ORDINAL_DIR\n", argv[0]);
    return 2;
  }
  Set_WindowsBackend();
  if (argc == 4) {
    wine = argv[1];
    standin_dir = argv[2];
    missing_ordinal_dir = argv[3];
    Set_ProgramCommand({wine, (standin_dir / "thermal-control.exe").string()});
  }
  return RUN_ALL_TESTS();
}
