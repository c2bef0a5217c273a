// The program's lines as Console_Print formats them: the same bytes as the C
// library's printf, for the conversions the program uses and for the others
// it leaves to the C library.

#include "common/console.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

template <typename... Arguments> void Expect_As_Printf(const char *format, Arguments... arguments) {
  char expected[512];
  std::snprintf(expected, sizeof expected, format, arguments...);
  testing::internal::CaptureStdout();
  Console_Print(format, arguments...);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected) << format;
}

TEST(Console, PrintsWhatPrintfWould) {
  Expect_As_Printf("heartbat %05d ", 1);
  Expect_As_Printf("heartbat %05d ", 65535);
  Expect_As_Printf("Now Tempareture is: %02d\n", 7);
  Expect_As_Printf("Now Tempareture is: %02d\n", 255);
  Expect_As_Printf("%d  ", -2147483647 - 1);
  Expect_As_Printf("%d  ", 2147483647);
  Expect_As_Printf("%05d|%5d|%-d", -42, -42, 0);
  Expect_As_Printf("%u %u", 0u, 4294967295u);
  Expect_As_Printf("%s holds more than %u values; 100%%\n", "ThermalTable.txt", 1024u);
  Expect_As_Printf("a long line: %s", std::string(300, 'x').c_str()); // past a line's room
  Expect_As_Printf("%x and %.1f\n", 255u, 2.5);                       // the C library's
}

} // namespace
