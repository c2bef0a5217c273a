// File names as a Windows user meets them: names of any characters, in
// thermal-table's arguments and in the program's own folder, and names that
// Windows takes for one file whatever their case.

#include "wine_support.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

RunResult Run_Tool_Here(const std::filesystem::path &dir, std::vector<std::string> args) {
  RunOptions options;
  options.command = {"/bin/sh", "-c",      "cd \"$1\" && shift && exec \"$@\"", "sh", dir.string(),
                     wine,      table_tool};
  options.args = std::move(args);
  options.trace = false;
  // Wine turns the command line's bytes into UTF-16 by the locale's character set.
  options.env = {{"LC_ALL", "C.UTF-8"}};
  return Run_Program(options);
}

struct FileCase {
  const char *name;
  std::vector<std::string> args;
  int exit_status;
  const char *printed; // the start of the standard output, or of the standard error
};

// Names of any characters, and names Windows takes for one file whatever
// their case, as a Windows user meets them; a second run replaces the
// outputs of the first.
TEST(FileNames, AreTakenAsWindowsTakesThem) {
  char pattern[] = "/tmp/thermal-wine-files-XXXXXX";
  const std::filesystem::path dir = mkdtemp(pattern);
  std::ofstream(dir / "br\xC3\xB6ken \xE8\xA1\xA8.txt") << "0,0,0,0,\n255,0,0,0,\n";
  const FileCase cases[] = {
      {"a name outside the code page",
       {"check", "br\xC3\xB6ken \xE8\xA1\xA8.txt"},
       0,
       "br\xC3\xB6ken \xE8\xA1\xA8.txt: no problems found\n"},
      {"a first run", {"simulate", "--model", "0.01", "--csv", "rerun.csv"}, 0, "table: "},
      {"the same run again", {"simulate", "--model", "0.01", "--csv", "rerun.csv"}, 0, "table: "},
      {"two names of one file",
       {"simulate", "--model", "0.01", "--csv", "y.csv", "--svg", "Y.CSV"},
       2,
       "thermal-table: --csv y.csv and --svg Y.CSV are the same file: each output needs its own\n"},
      {"the table by another case",
       {"simulate", "br\xC3\xB6ken \xE8\xA1\xA8.txt", "--model", "0.01", "--csv",
        "BR\xC3\x96KEN \xE8\xA1\xA8.TXT"},
       2,
       "thermal-table: --csv BR\\xc3\\x96KEN \\xe8\\xa1\\xa8.TXT is the table it reads"},
  };
  for (const FileCase &c : cases) {
    const RunResult run = Run_Tool_Here(dir, c.args);
    EXPECT_EQ(run.exit_status, c.exit_status) << c.name << ": " << run.err;
    const std::string &shown = c.exit_status == 0 ? run.out : run.err;
    EXPECT_EQ(shown.rfind(c.printed, 0), 0u) << c.name << ": " << shown;
  }
  EXPECT_EQ(Split_Lines(Read_File((dir / "rerun.csv").string())).size(), 37u);
  std::filesystem::remove_all(dir);
}

// The program in a folder whose name is outside the code page names it
// whole.
TEST(FileNames, TheProgramsFolderIsNamedWhole) {
  const std::filesystem::path bin = Program_Folder({});
  const std::filesystem::path folder = bin / "wbb \xC3\xB6 \xE8\xA1\xA8";
  std::filesystem::create_directory(folder);
  std::filesystem::rename(bin / "thermal-control.exe", folder / "thermal-control.exe");
  RunOptions options;
  // Wine names the folder by the locale's character set, as in Run_Tool_Here.
  options.env = {{"THERMAL_SIM_TEMPS", ""}, {"LC_ALL", "C.UTF-8"}};
  const RunResult run = Run_From(folder, options);
  std::filesystem::remove_all(bin);
  EXPECT_NE(run.err.find("\\wbb \xC3\xB6 \xE8\xA1\xA8\\WinRing0.dll): put it there"),
            std::string::npos)
      << run.err;
}

} // namespace
