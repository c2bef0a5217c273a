// The plot's scales, in-process: the two axes share their grid lines, a run
// is drawn a point a cycle up to 2,000 cycles, and the means are over round
// lengths of time.

#include "tool/plot_columns.h"
#include "tool/svg_scale.h"

#include <gtest/gtest.h>

namespace {

struct AxesCase {
  double t_low, t_high, v_high;
};

TEST(PlotScale, BothAxesLabelTheSameGridLinesAndHoldEveryPoint) {
  const AxesCase cases[] = {{39, 83, 100}, {40, 99, 100}, {30, 70, 255}, {50, 50, 0},
                            {0, 255, 2},   {45, 46, 130}, {20, 120, 37}};
  for (const AxesCase &c : cases) {
    const Axes axes = Axes_For(c.t_low, c.t_high, c.v_high);
    const Axis &t = axes.temperature;
    const Axis &v = axes.value;
    EXPECT_LT(t.low, c.t_low) << c.t_low;
    EXPECT_GT(t.high, c.t_high) << c.t_high;
    EXPECT_GE(v.high, c.v_high) << c.v_high;
    EXPECT_EQ(v.low, 0);
    EXPECT_DOUBLE_EQ(t.low + t.step * axes.intervals, t.high) << c.t_low << " " << c.t_high;
    EXPECT_DOUBLE_EQ(v.step * axes.intervals, v.high) << c.v_high;
    // The smallest round step that holds it: the next round number down is
    // at most half of it.
    EXPECT_LT(v.step, 2 * std::max(c.v_high, 10.0) / axes.intervals) << c.v_high;
  }
}

TEST(PlotScale, TimesReadInTheirUnit) {
  const std::pair<double, const char *> cases[] = {
      {36.2, "36.2 s"}, {720.2, "12 min"}, {86400.2, "24 h"}, {8784.0 * 3600, "366 days"}};
  for (const auto &[seconds, text] : cases) {
    EXPECT_EQ(Duration_Text(seconds), text);
  }
  EXPECT_STREQ(Scale_For(600).name, "seconds");
  EXPECT_STREQ(Scale_For(601).name, "minutes");
  EXPECT_STREQ(Scale_For(3 * 3600 + 1).name, "hours");
  EXPECT_STREQ(Scale_For(72 * 3600 + 1).name, "days");
  // A day's 105-second columns: a mean over a quarter of an hour.
  EXPECT_EQ(Mean_Window(86400.0 / 820, 86400), 9u);
  EXPECT_EQ(Mean_Window(1, 100), 60u) << "a minute at least";
}

SimulatedCycle Cycle_At(std::uint64_t i) { return {200 + i * 1000, 40, true, 0, {}, 0}; }

TEST(PlotScale, ARunIsDrawnAPointACycleUpTo2000Cycles) {
  PlotColumns plot;
  for (std::uint64_t i = 0; i < PLOT_DETAIL_CYCLES; ++i) {
    Plot_Take(plot, Built_In_Table(), Cycle_At(i));
  }
  EXPECT_TRUE(Plot_Per_Cycle(plot));
  Plot_Take(plot, Built_In_Table(), Cycle_At(PLOT_DETAIL_CYCLES));
  EXPECT_FALSE(Plot_Per_Cycle(plot));
}

} // namespace
