// When the metrics file is written: after the start-up; after a cycle that
// changed the row; else once 10 s have passed on the program's clock; and
// once more as the controller stops, saying it no longer runs. A folder
// that cannot be written is said once, and once again when it can; the
// controller goes on either way. And how the file is replaced: whole, by a
// rename, readable by every account whatever the process's umask, through
// nothing that stands at the temporary name.

#include "app/controller.h"
#include "common/files.h"
#include "sim_scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Read(const std::filesystem::path &file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The value of the sample that begins with `sample` and a blank.
std::string Sample(const std::string &metrics, const std::string &sample) {
  const std::size_t at = metrics.find("\n" + sample + " ");
  if (at == std::string::npos) {
    return "";
  }
  const std::size_t value = at + sample.size() + 2;
  return metrics.substr(value, metrics.find('\n', value) - value);
}

TEST(MetricsFile, IsWrittenWhenItChangesAtMostEveryTenSecondsElseAndAsTheControllerStops) {
  const std::filesystem::path dir = Enter_Scratch_Dir("thermal-metrics-");
  Write_Table("0,0,0,0,\n45,40,100,0,\n56,53,60,0,\n255,0,0,0,\n");
  const std::filesystem::path folder = dir / "metrics";
  const std::filesystem::path file = folder / "thermal-control.prom";
  setenv("THERMAL_CONTROL_METRICS_DIR", folder.c_str(), 1);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();

  Controller controller;
  ASSERT_EQ(Start_Up(controller), 0);
  EXPECT_FALSE(std::filesystem::exists(file));
  // At 90 the controller climbs a row a cycle to row 2, then holds: each
  // climb writes the file; from then on it is written again 10 s after the
  // last write, the sim's cycles being 1 s apart.
  std::vector<std::string> cycles;
  ASSERT_TRUE(Control_Cycle(controller, FIRST_CYCLE_PAUSE_MS));
  std::filesystem::create_directory(folder);
  for (int cycle = 2; cycle <= 24; ++cycle) {
    ASSERT_TRUE(Control_Cycle(controller, CYCLE_PAUSE_MS));
    cycles.push_back(
        std::filesystem::exists(file) ? Sample(Read(file), "thermal_control_cycles_total") : "");
  }
  const std::string said = testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  // Cycle 2 climbs to row 2 and writes (cycle 1's write found no folder
  // yet); then the row holds, and the file is written again each 10 s of
  // the sim's clock, at cycles 12 and 22.
  std::vector<std::string> expected(23, "");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const int cycle = static_cast<int>(i) + 2;
    expected[i] = cycle < 12 ? "2" : cycle < 22 ? "12" : "22";
  }
  EXPECT_EQ(cycles, expected);
  const std::string folder_said = "thermal-control: cannot write thermal-control.prom in " +
                                  folder.string() +
                                  ": the folder cannot be opened: No such file or directory; "
                                  "control goes on without it\n";
  EXPECT_EQ(said, folder_said + "thermal-control: thermal-control.prom in " + folder.string() +
                      " is written again\n")
      << "said once, and once again when it could be written";
  EXPECT_EQ(controller.row, 2);

  Tell_Stopped(controller);
  const std::string last = Read(file);
  EXPECT_EQ(Sample(last, "thermal_control_running"), "0");
  EXPECT_EQ(Sample(last, "thermal_control_cycles_total"), "24");
  EXPECT_EQ(Sample(last, "thermal_control_row"), "2");
  EXPECT_EQ(Sample(last, "thermal_control_ec_value"), "60");
  unsetenv("THERMAL_CONTROL_METRICS_DIR");
  Leave_Scratch_Dir(dir);
}

TEST(MetricsFile, IsReplacedWholeByARenameAndThroughNothingThatStandsThere) {
  const std::filesystem::path dir =
      std::filesystem::path(testing::TempDir()) / ("thermal-replace-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "folder");
  std::ofstream(dir / "folder" / "file.prom") << "old\n";
  std::ofstream(dir / "elsewhere") << "not ours\n";
  std::filesystem::create_symlink(dir / "elsewhere", dir / "folder" / "file.prom.new");
  std::ifstream reader(dir / "folder" / "file.prom");

  const mode_t umask_before = umask(077);
  char why[256] = "";
  EXPECT_EQ(File_Replace((dir / "folder").c_str(), "file.prom", "file.prom.new", "new\n", 4, why,
                         sizeof why),
            FileReplaced::Replaced)
      << why;
  umask(umask_before);
  EXPECT_EQ(Read(dir / "folder" / "file.prom"), "new\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "folder" / "file.prom.new"));
  EXPECT_EQ(Read(dir / "elsewhere"), "not ours\n") << "the link at the temporary name not followed";
  std::string before;
  std::getline(reader, before);
  EXPECT_EQ(before, "old") << "a reader of the old file reads it whole";
  struct stat status {};
  ASSERT_EQ(stat((dir / "folder" / "file.prom").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0644u);

  // The folder cannot be had: not there, a file in its place, or a link to
  // a folder, which is not followed.
  std::filesystem::create_directory_symlink(dir / "folder", dir / "link");
  const struct {
    const char *folder;
    std::string why;
  } refusals[] = {
      {"missing", "the folder cannot be opened: No such file or directory"},
      {"elsewhere", "the folder cannot be opened: Not a directory"},
      {"link", "the folder cannot be opened: a symbolic link stands there, which is not followed"},
  };
  for (const auto &refusal : refusals) {
    EXPECT_EQ(File_Replace((dir / refusal.folder).c_str(), "file.prom", "file.prom.new", "x\n", 2,
                           why, sizeof why),
              FileReplaced::NotWritten)
        << refusal.folder;
    EXPECT_EQ(why, refusal.why);
  }
  EXPECT_EQ(Read(dir / "folder" / "file.prom"), "new\n");
  std::filesystem::remove_all(dir);
}

} // namespace
