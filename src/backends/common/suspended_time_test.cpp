// The suspended time as the Linux and Windows backends work it out, with the
// clocks' readings handed in.

#include "backends/common/suspended_time.h"

#include <gtest/gtest.h>

namespace {

TEST(SuspendedTime, LinuxIsBootTimeLessMonotonicTime) {
  EXPECT_EQ(Suspended_From_Linux_Clocks(95000, 35000), 60000);
  EXPECT_EQ(Suspended_From_Linux_Clocks(35000, 35000), 0);
}

TEST(SuspendedTime, WindowsIsTheTickCountLessTheUnbiasedInterruptTime) {
  // 95 s since boot by the tick count, 35 s of them awake, in 100 ns units.
  EXPECT_EQ(Suspended_From_Windows_Clocks(95000, 350000000), 60000);
  // Part of a millisecond of interrupt time does not count.
  EXPECT_EQ(Suspended_From_Windows_Clocks(95000, 350009999), 60000);
  EXPECT_EQ(Suspended_From_Windows_Clocks(95000, 350010000), 59999);
  // Over the whole range of the interrupt time: a year's uptime, and the
  // largest, whose milliseconds pass 32 bits.
  for (const std::uint64_t units :
       {315360000000000ULL, 0xFFFFFFFFFFFFFFFFULL, 0x0000FFFF0000FFFFULL, 0x123456789ABCDEF0ULL}) {
    const std::uint64_t ms = units / 10000;
    EXPECT_EQ(Suspended_From_Windows_Clocks(ms + 1000, units), 1000) << units;
  }
}

TEST(SuspendedTime, IsHeldAtItsHighestAndNeverBelowZero) {
  SuspendedTime held;
  EXPECT_EQ(Suspended_Held(held, -3), 0u) << "the clocks a tick apart at boot";
  EXPECT_EQ(Suspended_Held(held, 60000), 60000u);
  EXPECT_EQ(Suspended_Held(held, 59984), 60000u) << "a reading a tick below the one before";
  EXPECT_EQ(Suspended_Held(held, 120000), 120000u);
}

} // namespace
