#pragma once

// A run's cycles gathered into buckets as they come: however long the run,
// at most PLOT_BUCKETS_MAX of them, each the lowest, highest and sum of each
// quantity over its cycles, so that a plot keeps every spike. While a run
// holds no more than PLOT_DETAIL_CYCLES cycles, each bucket is one cycle.

#include "tool/simulate.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct PlotColumn {
  bool filled = false;
  bool any_temperature = false;
  std::uint64_t first_ms = 0, last_ms = 0; // its cycles' times
  double t_low = 0, t_high = 0, t_sum = 0;
  std::uint64_t t_count = 0;
  // The temperatures over which the rows it saw hold: the lowest fall, the
  // highest rise of the row above.
  double holds_low = 0, holds_high = 0;
  double v_low = 0, v_high = 0, v_sum = 0;
  std::uint64_t count = 0;
};

// Enough buckets that each pixel column of a long run's plot gathers five
// to ten of them: the time each column covers differs little.
constexpr std::size_t PLOT_BUCKETS_MAX = 8192;

// A run this short is drawn a point a cycle.
constexpr std::size_t PLOT_DETAIL_CYCLES = 2000;

// Buckets of `per_bucket` cycles each (the last may hold fewer); when they
// are all taken, each two neighbours become one.
struct PlotColumns {
  std::vector<PlotColumn> buckets;
  std::uint64_t per_bucket = 1;
  std::uint64_t last_time_ms = 0;
  double value = 0; // in force: the EC runs on 0 until it takes a value
};

void Plot_Take(PlotColumns &plot, const ThermalTableBytes &table, const SimulatedCycle &cycle);

// Whether the plot holds one bucket a cycle: a run of PLOT_DETAIL_CYCLES at
// most.
[[nodiscard]] bool Plot_Per_Cycle(const PlotColumns &plot);

// The time a plot spans: from the start to when the cycle after the last
// would come.
[[nodiscard]] double Plot_Span_Ms(const PlotColumns &plot);

// The buckets gathered into `width` columns of equal time over the span, each
// bucket into the column its middle falls in.
[[nodiscard]] std::vector<PlotColumn> Plot_Columns(const PlotColumns &plot, std::size_t width);
