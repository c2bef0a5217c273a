#pragma once

// A run's cycles gathered into columns as they come: however long the run,
// at most PLOT_BUCKETS_MAX of them, each the lowest, highest and sum of each
// quantity over its cycles, so that a plot keeps every spike.

#include "tool/simulate.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct PlotColumn {
  bool filled = false;
  bool any_temperature = false;
  double t_low = 0, t_high = 0, t_sum = 0;
  std::uint64_t t_count = 0;
  double fall = 0, rise = 0; // the lowest fall and the highest rise of the rows it saw
  double v_low = 0, v_high = 0, v_sum = 0;
  std::uint64_t count = 0;
};

constexpr std::size_t PLOT_BUCKETS_MAX = 2048;

// Buckets of `per_bucket` cycles each (the last may hold fewer); when they
// are all taken, each two neighbours become one.
struct PlotColumns {
  std::vector<PlotColumn> buckets;
  std::uint64_t per_bucket = 1;
  std::uint64_t last_time_ms = 0;
  double value = 0; // in force: the EC runs on 0 until the first select
};

void Plot_Take(PlotColumns &plot, const ThermalTableBytes &table, const SimulatedCycle &cycle);

// The buckets gathered into `width` columns, spread over them as evenly as
// they go.
[[nodiscard]] std::vector<PlotColumn> Plot_Columns(const PlotColumns &plot, std::size_t width);
