// The rotating log, in a folder of the test's own, with each of its steps
// made to fail: a rename refused, as a reader on Windows that holds the log
// without sharing its deletion refuses it; a folder where the previous log or
// the log belongs, which can be neither removed, renamed over, written to
// nor opened; and /dev/full, which takes no line.

#include "backends/common/rotating_log.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> said;
void Say(const char *line) { said.emplace_back(line); }

int Refuse_Rename(const char *, const char *) {
  errno = EACCES;
  return -1;
}

std::string Contents(const std::filesystem::path &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::uintmax_t Bytes(const std::filesystem::path &path) {
  return std::filesystem::is_regular_file(path) ? std::filesystem::file_size(path) : 0;
}

// A folder that is no log: it cannot be removed, renamed over or opened.
void Obstruct(const std::filesystem::path &path) {
  std::filesystem::create_directories(path);
  std::ofstream(path / "held") << "x";
}

constexpr long CAP = 400;
constexpr long ROOM = 40;           // a line of the test's, with room to spare
constexpr const char *STAMP = "T "; // as the time stands in front of each line

struct Folder {
  std::filesystem::path dir;
  std::string path;
  std::string previous;
  RotatingLog log;
  int written = 0;

  explicit Folder(const char *name)
      : dir(std::filesystem::path(testing::TempDir()) / (name + std::to_string(getpid()))),
        path((dir / "a.log").string()),
        previous((dir / "a.log.1").string()), log{path.c_str(), previous.c_str(), CAP, ROOM,
                                                  Say,          std::rename} {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    said.clear();
  }
  ~Folder() {
    Log_Close(log);
    std::filesystem::remove_all(dir);
  }

  // Two lines of 19 bytes with their stamps, the first in two pieces: the
  // files together never hold more than the cap.
  void Round(std::uint64_t now_ms) {
    const std::string line = "line " + std::to_string(1000 + written++) + " ......\n";
    Log_Write(log, line.data(), 5, STAMP, now_ms);
    Log_Write(log, line.data() + 5, line.size() - 5, STAMP, now_ms);
    const std::string next = "line " + std::to_string(1000 + written++) + " ......\n";
    Log_Write(log, next.data(), next.size(), STAMP, now_ms);
    EXPECT_LE(Bytes(path) + Bytes(previous), static_cast<std::uintmax_t>(CAP)) << written;
  }
};

// Lines `first` to `last`, as the log holds them.
std::string Lines(int first, int last) {
  std::string lines;
  for (int i = first; i <= last; ++i) {
    lines += std::string(STAMP) + "line " + std::to_string(1000 + i) + " ......\n";
  }
  return lines;
}

TEST(RotatingLog, EachLineIsStampedAndTheLogStartsAnewBeforeItsShare) {
  Folder folder("thermal-log-");
  std::ofstream(folder.path) << "earlier\n";
  // A previous log larger than its share, as a larger cap left it.
  std::ofstream(folder.previous) << std::string(299, '.') << "\n";
  Log_Open(folder.log, 0);
  for (int round = 0; round < 18; ++round) {
    folder.Round(0);
  }
  // Started anew before a line could take it past half the cap, or the
  // files past the cap beside the larger previous log: first after three
  // lines, then every nine.
  EXPECT_EQ(Contents(folder.previous), Lines(21, 29));
  EXPECT_EQ(Contents(folder.path), Lines(30, 35));
  EXPECT_TRUE(said.empty());
  const char several[] = "one\ntwo\nthree";
  Log_Write(folder.log, several, sizeof several - 1, STAMP, 0);
  Log_Write(folder.log, " goes on\n", 9, STAMP, 0);
  EXPECT_EQ(Contents(folder.path), Lines(30, 35) + "T one\nT two\nT three goes on\n");
}

// A reader holds the log without sharing its deletion: its lines are
// copied to the previous log and it is emptied in place. Nothing is lost,
// and there is nothing to say.
TEST(RotatingLog, ALogThatCannotBeRenamedIsCopiedAndEmptiedInPlace) {
  Folder folder("thermal-log-copied-");
  folder.log.rename_file = Refuse_Rename;
  Log_Open(folder.log, 0);
  for (int round = 0; round < 6; ++round) {
    folder.Round(0);
  }
  EXPECT_EQ(Contents(folder.previous), Lines(0, 8));
  EXPECT_EQ(Contents(folder.path), Lines(9, 11));
  EXPECT_TRUE(said.empty());
}

// Nor can it be copied: a folder stands where the previous log belongs. The
// log starts anew in place, and says so in it.
TEST(RotatingLog, ALogThatCanNeitherBeRenamedNorCopiedStartsAnewInPlaceAndSaysSo) {
  Folder folder("thermal-log-held-");
  folder.log.cap = 2 * CAP; // room for the line it says
  Obstruct(folder.previous);
  Log_Open(folder.log, 0);
  for (int round = 0; round < 12; ++round) {
    folder.Round(0);
  }
  const std::string log = Contents(folder.path);
  EXPECT_EQ(log.rfind(std::string(STAMP) + "thermal-control: cannot rename " + folder.path +
                          " to " + folder.previous + ", nor copy it there: ",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("; the log starts anew in place\n" + Lines(19, 23)), std::string::npos) << log;
  EXPECT_TRUE(said.empty()) << "the log is written: nothing is lost but its older lines";
}

TEST(RotatingLog, ALogThatCannotBeWrittenIsSaidOnceAndTriedOnceAMinute) {
  Folder folder("thermal-log-lost-");
  Log_Open(folder.log, 0);
  folder.Round(0);
  // The log is moved away, and folders stand where it and the previous one
  // belong: at its next start anew it cannot be reopened.
  std::filesystem::rename(folder.path, folder.dir.string() + ".moved");
  Obstruct(folder.path);
  Obstruct(folder.previous);
  for (int round = 0; round < 10; ++round) {
    folder.Round(1000);
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("thermal-control: cannot open " + folder.path + ": ", 0), 0u) << said[0];
  EXPECT_EQ(folder.log.file, nullptr);

  folder.Round(60999); // not yet a minute
  folder.Round(61000); // tried again: still a folder there
  EXPECT_EQ(said.size(), 1u) << "said once";
  std::filesystem::remove_all(folder.path);
  std::filesystem::remove_all(folder.previous);
  folder.Round(61001);
  EXPECT_EQ(folder.log.file, nullptr) << "not before the next minute";
  folder.Round(121000);
  EXPECT_EQ(Contents(folder.path), Lines(28, 29));
  std::filesystem::remove(folder.dir.string() + ".moved");
}

TEST(RotatingLog, AWriteThatFailsIsSaidOnceWhileItGoesOnFailing) {
  Folder folder("thermal-log-full-");
  folder.log.path = "/dev/full";
  Log_Open(folder.log, 0);
  for (std::uint64_t minute = 0; minute < 3; ++minute) {
    Log_Write(folder.log, "a line\n", 7, STAMP, minute * LOG_RETRY_MS);
    EXPECT_EQ(folder.log.file, nullptr) << minute;
    Log_Write(folder.log, "a line\n", 7, STAMP, minute * LOG_RETRY_MS + LOG_RETRY_MS - 1);
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "thermal-control: cannot write /dev/full: No space left on device; its lines "
                     "are lost until it can be written again, tried once a minute\n");
}

} // namespace
