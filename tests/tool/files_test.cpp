// thermal-table's files as a user meets them: a table file is read as the
// controller reads it, or refused as the controller refuses it, and each
// output is written whole, or left as it was.

#include "tool_harness.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const char *const NO_PLAIN_FILE = "it is no plain file (a folder, a pipe or a device)";

void Make_Table_A_Pipe(const std::string &dir) {
  mkfifo((dir + "/ThermalTable.txt").c_str(), 0644);
}
void Make_Table_A_Folder(const std::string &dir) {
  std::filesystem::create_directory(dir + "/ThermalTable.txt");
}

struct Refusal {
  std::vector<std::string> args;
  void (*prepare)(const std::string &dir);
  std::string message; // the whole standard error
};

// A table file that is there but that the controller would not use is an
// error for either command, never a fall-back to the built-in table; a pipe
// is never opened, so nothing hangs.
TEST(TableFile, ThatTheControllerWouldNotUseIsRefusedWithStatus2) {
  const std::string named = "thermal-table: cannot use ";
  const Refusal cases[] = {
      {{"check", "missing.txt"}, nullptr, named + "missing.txt: No such file or directory\n"},
      {{"simulate", "missing.txt", "--model", "1"},
       nullptr,
       named + "missing.txt: No such file or directory\n"},
      {{"check", "."}, nullptr, named + ".: " + NO_PLAIN_FILE + "\n"},
      {{"check", "/dev/zero"}, nullptr, named + "/dev/zero: " + NO_PLAIN_FILE + "\n"},
      {{"check"}, Make_Table_A_Pipe, named + "ThermalTable.txt: " + NO_PLAIN_FILE + "\n"},
      {{"simulate", "--model", "1"},
       Make_Table_A_Pipe,
       named + "ThermalTable.txt: " + NO_PLAIN_FILE + "\n"},
      {{"simulate", "--model", "1"},
       Make_Table_A_Folder,
       named + "ThermalTable.txt: " + NO_PLAIN_FILE + "\n"},
  };
  for (const Refusal &c : cases) {
    const RunResult run = Run_Tool(c.args, std::nullopt, {}, c.prepare);
    EXPECT_EQ(run.exit_status, 2) << c.message;
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
  // Where there is no ThermalTable.txt at all, simulate runs the built-in table.
  const RunResult built_in = Run_Tool({"simulate", "--model", "0.01"}, std::nullopt);
  EXPECT_EQ(built_in.exit_status, 0) << built_in.err;
  EXPECT_EQ(built_in.out.rfind("table: built-in table (no ThermalTable.txt here)\n", 0), 0u);
}

// "-" is the standard input for every command that reads a file.
TEST(TableFile, DashIsTheStandardInputForEachCommand) {
  const std::string table = Scratch_File("piped.txt", "0,0,0,0,\n45,40,100,0\n");
  struct Piped {
    std::vector<std::string> args;
    const char *printed; // the standard output's start
  };
  const Piped cases[] = {
      {{"check", "-"}, "-:2:7: warning: the file's 7 values end inside row 1"},
      {{"simulate", "-", "--model", "0.01"}, "table: -\n"},
      {{"simulate", "--log", "-"}, "table: built-in table (no ThermalTable.txt here)\n"},
  };
  for (const Piped &c : cases) {
    RunOptions piped;
    piped.command = Joined({"/bin/sh", "-c", "exec \"$@\" <" + table, "sh"}, Program_Command());
    piped.args = c.args;
    piped.trace = false;
    const RunResult run = Run_Program(piped);
    EXPECT_EQ(run.out.rfind(c.printed, 0), 0u) << run.out << run.err;
  }
  const RunResult both = Run_Tool({"simulate", "-", "--log", "-"}, std::nullopt);
  EXPECT_EQ(both.exit_status, 2);
  EXPECT_EQ(both.err, "thermal-table: the table and the log cannot both be the standard input\n");
}

// Every command answers --help with its usage, and status 0.
TEST(Usage, HelpIsAnsweredByEveryCommand) {
  for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"check", "--help"}, {"simulate", "--help"}, {"simulate", "-h"}}) {
    const RunResult run = Run_Tool(args, std::nullopt);
    EXPECT_EQ(run.exit_status, 0) << args.back();
    EXPECT_EQ(run.out.rfind("usage: thermal-table check [FILE]\n", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
  }
}

// A folder of a test's own for outputs, so that what is left in it can be
// listed.
std::string Output_Folder(const std::string &name) {
  const std::string folder = Temp_Path(name);
  std::filesystem::create_directory(folder);
  return folder;
}

std::vector<std::string> Files_In(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A run replaces the outputs of the run before; a run that fails, whether on
// its input or on writing, leaves them as they were, and no temporary file
// behind.
TEST(Outputs, AreReplacedWholeOrLeftAsTheyWere) {
  const std::string folder = Output_Folder("outputs");
  const std::string csv = folder + "/rerun.csv";
  const std::string svg = folder + "/rerun.svg";
  const std::vector<std::string> args = {"simulate", "--model", "0.01", "--csv", csv, "--svg", svg};
  for (int run_number = 1; run_number <= 2; ++run_number) {
    const RunResult run = Run_Tool(args, sample_table);
    EXPECT_EQ(run.exit_status, 0) << run.err;
  }
  const std::string written = Read_File(csv);
  EXPECT_EQ(Split_Lines(written).size(), 37u) << "the header and 36 cycles";
  EXPECT_EQ(Files_In(folder), (std::vector<std::string>{"rerun.csv", "rerun.svg"}));

  const std::string empty_log = Scratch_File("no-cycles.log", "no cycles here\n");
  const RunResult bad_input =
      Run_Tool({"simulate", "--log", empty_log, "--csv", csv}, std::nullopt);
  EXPECT_EQ(bad_input.exit_status, 2);

  // A file size limit makes every write past 4 KiB fail as a full disk would.
  RunOptions limited;
  limited.command =
      Joined({"/bin/sh", "-c", "trap '' XFSZ; ulimit -f 4; exec \"$@\"", "sh"}, Program_Command());
  limited.args = {"simulate", "--model", "1", "--csv", csv, "--svg", svg};
  limited.table = sample_table;
  limited.trace = false;
  const RunResult full = Run_Program(limited);
  EXPECT_EQ(full.exit_status, 2);
  EXPECT_EQ(full.err, "thermal-table: cannot write " + csv + ": File too large\n");
  EXPECT_EQ(Read_File(csv), written);
  EXPECT_EQ(Files_In(folder), (std::vector<std::string>{"rerun.csv", "rerun.svg"}));

  // Through a link: the file behind it is replaced, and the link stays.
  const std::string link = folder + "/link.csv";
  std::filesystem::create_symlink(csv, link);
  EXPECT_EQ(Run_Tool({"simulate", "--model", "0.001", "--csv", link}, sample_table).exit_status, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Split_Lines(Read_File(csv)).size(), 5u) << "the header and 4 cycles";
}

struct Unwritable {
  const char *option;
  std::string path;
  const char *why;
};

TEST(Outputs, ThatCannotBeWrittenSayWhyAndLeaveNothing) {
  const std::string folder = Output_Folder("unwritable");
  const Unwritable cases[] = {
      {"--svg", "/dev/full", "No space left on device"},
      {"--csv", "/dev/full", "No space left on device"},
      {"--csv", folder, "it is a folder"},
      {"--svg", folder + "/missing/x.svg", "No such file or directory"},
  };
  for (const Unwritable &c : cases) {
    const RunResult run = Run_Tool({"simulate", "--model", "0.01", c.option, c.path}, sample_table);
    EXPECT_EQ(run.exit_status, 2) << c.path;
    EXPECT_EQ(run.err, "thermal-table: cannot write " + c.path + ": " + c.why + "\n");
  }
  EXPECT_TRUE(Files_In(folder).empty());
}

// An output on the standard output, by "-" or by the name of the file it goes
// to, has it to itself: the summary goes to the standard error.
TEST(Outputs, OnTheStandardOutputMoveTheSummaryToTheStandardError) {
  for (const char *name : {"-", "/dev/stdout"}) {
    const RunResult run = Run_Tool({"simulate", "--model", "0.001", "--csv", name}, sample_table);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(Split_Lines(run.out),
              (std::vector<std::string>{"cycle,temperature,answered,row,sent,not_taken",
                                        "1,39,1,0,,", "2,39,1,0,,", "3,39,1,0,,", "4,39,1,0,,"}))
        << name;
    EXPECT_EQ(run.err.rfind("table: ThermalTable.txt\n", 0), 0u) << name;
  }
}

} // namespace
