// The program's lines as the console formats them: the same bytes as the C
// library's printf for every conversion the formatter knows, on either
// stream (standard error's with the program's name in front), in a text
// that keeps what fits, and through a sink; a conversion it does not know is
// written as it stands, with the rest of the format.

#include "common/console.h"

#include <climits>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

template <typename... Arguments> void Expect_As_Printf(const char *format, Arguments... arguments) {
  char expected[512];
  std::snprintf(expected, sizeof expected, format, arguments...);
  testing::internal::CaptureStdout();
  Console_Print(format, arguments...);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected) << format;
  testing::internal::CaptureStderr();
  Console_Error(format, arguments...);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("thermal-control: ") + expected)
      << format;
  char text[512];
  EXPECT_EQ(Text_Format(text, sizeof text, format, arguments...), std::string(expected).size());
  EXPECT_STREQ(text, expected) << format;
}

TEST(Console, PrintsWhatPrintfWould) {
  Expect_As_Printf("heartbat %05d ", 1);
  Expect_As_Printf("heartbat %05d ", 65535);
  Expect_As_Printf("Now Tempareture is: %02d\n", 7);
  Expect_As_Printf("Now Tempareture is: %02d\n", 255);
  Expect_As_Printf("%d  ", -2147483647 - 1);
  Expect_As_Printf("%d  ", 2147483647);
  Expect_As_Printf("%05d|%5d|%-5d|%-d|%i", -42, -42, -42, 0, 7);
  Expect_As_Printf("%u %u %lu %lu", 0u, 4294967295u, 4294967295ul, ~0ul);
  Expect_As_Printf("%ld %ld %zu %zu", LONG_MIN, LONG_MAX, std::size_t{123456}, ~std::size_t{0});
  Expect_As_Printf("%x %X %08X %#x %#x %#lx %04x", 255u, 255u, 0x000C0A01u, 0x84u, 0u, 0x6cul,
                   0xau);
  Expect_As_Printf("[%5s|%-5s|%c]", "ab", "ab", 'z');
  Expect_As_Printf("%s holds more than %u values; 100%%\n", "ThermalTable.txt", 1024u);
  Expect_As_Printf("a long line: %s", std::string(300, 'x').c_str()); // past a message's buffer
  Expect_As_Printf("%ls and %ls", L"Global\\Access_EC", L"WinRing0x64.sys");
}

// A wide string is written as UTF-8, whichever the C library's locale.
TEST(Console, AWideStringIsWrittenAsUtf8) {
  char text[64];
  Text_Format(text, sizeof text, "%ls", L"\u00e9t\u00e9 \u6e29\u5ea6 \U0001F321");
  EXPECT_STREQ(text, "\xC3\xA9t\xC3\xA9 \xE6\xB8\xA9\xE5\xBA\xA6 \xF0\x9F\x8C\xA1");
}

TEST(Console, AConversionItDoesNotKnowIsWrittenWithTheRestOfTheFormat) {
  testing::internal::CaptureStdout();
  Console_Print("%u then %.1f and %s, %llu\n", 3u, 2.5, "never read", 1ULL);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "3 then %.1f and %s, %llu\n");
}

TEST(Console, ATextKeepsWhatFitsAndSaysWhatItNeeded) {
  char text[8] = "xxxxxxx";
  EXPECT_EQ(Text_Format(text, sizeof text, "row %u of %u", 12u, 64u), 12u);
  EXPECT_STREQ(text, "row 12 ");
  EXPECT_EQ(Text_Format(text, 1, "%d", 5), 1u);
  EXPECT_STREQ(text, "");
}

std::vector<std::pair<ConsoleStream, std::string>> sunk;
void Sink(ConsoleStream stream, const char *text, std::size_t size) {
  sunk.emplace_back(stream, std::string(text, size));
}

TEST(Console, ASinkTakesEachMessageInTheOrderPrintedAndTheStreamsNothing) {
  sunk.clear();
  Console_SetSink(Sink);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Console_Print("heartbat %05d ", 2);
  Console_Error("%s\n", "held");
  Console_Print("%s", std::string(300, 'y').c_str()); // passed on in pieces, whole
  Console_SetSink(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  ASSERT_GE(sunk.size(), 3u);
  EXPECT_EQ(sunk[0], std::make_pair(ConsoleStream::Output, std::string("heartbat 00002 ")));
  EXPECT_EQ(sunk[1], std::make_pair(ConsoleStream::Error, std::string("thermal-control: held\n")));
  std::string rest;
  for (std::size_t i = 2; i < sunk.size(); ++i) {
    EXPECT_EQ(sunk[i].first, ConsoleStream::Output);
    rest += sunk[i].second;
  }
  EXPECT_EQ(rest, std::string(300, 'y'));
}

} // namespace
