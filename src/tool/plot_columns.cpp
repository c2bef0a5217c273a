#include "tool/plot_columns.h"

#include <algorithm>

namespace {

void Widen(double &low, double &high, double low_value, double high_value, bool first) {
  low = first ? low_value : std::min(low, low_value);
  high = first ? high_value : std::max(high, high_value);
}

// Takes what `from` gathered into `into`.
void Merge(PlotColumn &into, const PlotColumn &from) {
  if (!from.filled) {
    return;
  }
  const bool first = !into.filled;
  into.fall = first ? from.fall : std::min(into.fall, from.fall);
  into.rise = first ? from.rise : std::max(into.rise, from.rise);
  Widen(into.v_low, into.v_high, from.v_low, from.v_high, first);
  into.v_sum += from.v_sum;
  into.count += from.count;
  into.filled = true;
  if (from.any_temperature) {
    Widen(into.t_low, into.t_high, from.t_low, from.t_high, !into.any_temperature);
    into.t_sum += from.t_sum;
    into.t_count += from.t_count;
    into.any_temperature = true;
  }
}

PlotColumn Column_Of(const ThermalTableBytes &table, const SimulatedCycle &c, double value) {
  PlotColumn column;
  column.filled = true;
  column.fall = Row_Byte(table, c.row, COL_FALL);
  column.rise = Row_Byte(table, c.row, COL_RISE);
  column.v_low = column.v_high = column.v_sum = value;
  column.count = 1;
  if (c.answered) {
    column.any_temperature = true;
    column.t_low = column.t_high = column.t_sum = c.temperature;
    column.t_count = 1;
  }
  return column;
}

void Halve(PlotColumns &plot) {
  std::vector<PlotColumn> halved(plot.buckets.size() / 2);
  for (std::size_t i = 0; i < plot.buckets.size(); ++i) {
    Merge(halved[i / 2], plot.buckets[i]);
  }
  plot.buckets = std::move(halved);
  plot.per_bucket *= 2;
}

} // namespace

void Plot_Take(PlotColumns &plot, const ThermalTableBytes &table, const SimulatedCycle &cycle) {
  if (cycle.sent >= 0) {
    plot.value = cycle.sent;
  }
  plot.last_time_ms = cycle.time_ms;
  if (plot.buckets.empty() || plot.buckets.back().count == plot.per_bucket) {
    if (plot.buckets.size() == PLOT_BUCKETS_MAX) {
      Halve(plot);
    }
    plot.buckets.emplace_back();
  }
  Merge(plot.buckets.back(), Column_Of(table, cycle, plot.value));
}

std::vector<PlotColumn> Plot_Columns(const PlotColumns &plot, std::size_t width) {
  std::vector<PlotColumn> columns(width);
  const std::size_t n = plot.buckets.size();
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t x = n == 1 ? 0 : i * (width - 1) / (n - 1);
    Merge(columns[x], plot.buckets[i]);
  }
  return columns;
}
