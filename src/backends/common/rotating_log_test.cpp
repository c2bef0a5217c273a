// The rotating log, on streams of the test's own.

#include "backends/common/rotating_log.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

std::string Contents(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(RotatingLog, TakesBothStreamsAndStartsAnewPastItsCap) {
  const std::string dir = testing::TempDir() + "thermal-log-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  std::FILE *out = std::tmpfile();
  std::FILE *err = std::tmpfile();
  const std::string path = dir + "/a.log";
  const std::string previous = dir + "/a.log.1";
  const RotatingLog log{path.c_str(), previous.c_str(), "/dev/null", 10, {out, err}};
  std::ofstream(log.path) << "earlier\n";

  ASSERT_TRUE(Log_Open(log));
  std::fputs("one\n", out);
  std::fflush(out);
  std::fputs("two\n", err);
  Log_Keep(log); // 16 bytes: past the cap
  EXPECT_EQ(Contents(log.previous), "earlier\none\ntwo\n");
  EXPECT_EQ(Contents(log.path), "");
  std::fputs("three\n", out);
  Log_Keep(log); // 6 bytes: under it
  EXPECT_EQ(Contents(log.path), "three\n");
  std::fputs("abc\n", err);
  Log_Keep(log); // 10 bytes: the cap itself
  EXPECT_EQ(Contents(log.previous), "three\nabc\n") << "the log before that is dropped";
  EXPECT_EQ(Contents(log.path), "");
  std::fclose(out);
  std::fclose(err);
  std::filesystem::remove_all(dir);
}

} // namespace
