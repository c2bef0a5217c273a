// The rotating log, on streams of the test's own, with each of its steps
// made to fail: a folder where the previous log or the log belongs cannot be
// removed, renamed over or opened, as a reader on Windows that holds a file
// without sharing its deletion would have it, and /dev/full takes no line.

#include "backends/common/rotating_log.h"

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
constexpr long ROOM = 40; // two lines of 20 bytes between two looks

struct Folder {
  std::filesystem::path dir;
  std::string path;
  std::string previous;
  std::FILE *out = std::tmpfile();
  std::FILE *err = std::tmpfile();
  RotatingLog log;
  int written = 0;

  explicit Folder(const char *name)
      : dir(std::filesystem::path(testing::TempDir()) / (name + std::to_string(getpid()))),
        path((dir / "a.log").string()),
        previous((dir / "a.log.1").string()), log{path.c_str(), previous.c_str(), "/dev/null", CAP,
                                                  ROOM,         {out, err},       Say} {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    said.clear();
  }
  ~Folder() {
    std::fclose(out);
    std::fclose(err);
    std::filesystem::remove_all(dir);
  }

  // The room's worth of lines, one on each stream, then a look: the files
  // together never hold more than the cap.
  void Round(std::uint64_t now_ms) {
    std::fprintf(out, "line %04d out.....\n", written++);
    std::fprintf(err, "line %04d err.....\n", written++);
    std::fflush(out);
    std::fflush(err);
    EXPECT_LE(Bytes(path) + Bytes(previous), static_cast<std::uintmax_t>(CAP)) << written;
    Log_Keep(log, now_ms);
  }
};

TEST(RotatingLog, StartsAnewBeforeItsShareAndTheTwoFilesNeverPassTheCap) {
  Folder folder("thermal-log-");
  std::ofstream(folder.path) << "earlier\n";
  // A previous log larger than its share, as a larger cap left it.
  std::ofstream(folder.previous) << std::string(299, '.') << "\n";
  Log_Open(folder.log, 0);
  for (int round = 0; round < 18; ++round) {
    folder.Round(0);
  }
  // The log is started anew once it and the next room could pass half the
  // cap, or the cap with the previous log: first after two rounds, beside
  // the larger previous log, then every five.
  EXPECT_EQ(Contents(folder.previous), "line 0024 out.....\nline 0025 err.....\n"
                                       "line 0026 out.....\nline 0027 err.....\n"
                                       "line 0028 out.....\nline 0029 err.....\n"
                                       "line 0030 out.....\nline 0031 err.....\n"
                                       "line 0032 out.....\nline 0033 err.....\n");
  EXPECT_EQ(Contents(folder.path), "line 0034 out.....\nline 0035 err.....\n");
  EXPECT_TRUE(said.empty());
}

TEST(RotatingLog, ALogThatCannotBeRenamedStartsAnewInPlaceAndSaysSo) {
  Folder folder("thermal-log-held-");
  Obstruct(folder.previous); // cannot be removed, nor renamed over
  Log_Open(folder.log, 0);
  for (int round = 0; round < 17; ++round) {
    folder.Round(0);
  }
  std::fputs("the newest\n", folder.out);
  std::fflush(folder.out);
  const std::string log = Contents(folder.path);
  EXPECT_EQ(
      log.rfind("thermal-control: cannot rename " + folder.path + " to " + folder.previous + ": ",
                0),
      0u)
      << log;
  EXPECT_NE(log.find("; the log starts anew in place\nthe newest\n"), std::string::npos) << log;
  EXPECT_TRUE(said.empty()) << "the log is written: nothing is lost but its older lines";
}

TEST(RotatingLog, ALogThatCannotBeWrittenIsSaidOnceAndTriedOnceAMinute) {
  Folder folder("thermal-log-lost-");
  Log_Open(folder.log, 0);
  folder.Round(0);
  // The log is moved away under the streams, and folders stand where it and
  // the previous one belong: at its next start anew it cannot be reopened.
  std::filesystem::rename(folder.path, folder.dir.string() + ".moved");
  Obstruct(folder.path);
  Obstruct(folder.previous);
  for (int round = 0; round < 10; ++round) {
    folder.Round(1000);
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].rfind("thermal-control: cannot open " + folder.path + ": ", 0), 0u) << said[0];
  EXPECT_FALSE(folder.log.writing);

  folder.Round(60999); // not yet a minute
  folder.Round(61000); // tried again: still a folder there
  EXPECT_EQ(said.size(), 1u) << "said once";
  std::filesystem::remove_all(folder.path);
  std::filesystem::remove_all(folder.previous);
  folder.Round(61001);
  EXPECT_FALSE(folder.log.writing) << "not before the next minute";
  folder.Round(121000);
  EXPECT_TRUE(folder.log.writing);
  folder.Round(121000);
  EXPECT_EQ(Contents(folder.path), "line 0030 out.....\nline 0031 err.....\n");
  std::filesystem::remove(folder.dir.string() + ".moved");
}

TEST(RotatingLog, AWriteThatFailsIsSaidOnceWhileItGoesOnFailing) {
  Folder folder("thermal-log-full-");
  folder.log.path = "/dev/full";
  Log_Open(folder.log, 0);
  for (std::uint64_t minute = 0; minute < 3; ++minute) {
    std::fprintf(folder.out, "a line\n");
    Log_Keep(folder.log, minute * LOG_RETRY_MS);
    EXPECT_FALSE(folder.log.writing) << minute;
    Log_Keep(folder.log, minute * LOG_RETRY_MS + LOG_RETRY_MS); // tried again
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], "thermal-control: cannot write /dev/full: No space left on device; its lines "
                     "are lost until it can be written again, tried once a minute\n");
}

} // namespace
