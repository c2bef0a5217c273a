#include "tool/plot_columns.h"

#include "app/cycle_decision.h"

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
  into.first_ms = first ? from.first_ms : std::min(into.first_ms, from.first_ms);
  into.last_ms = first ? from.last_ms : std::max(into.last_ms, from.last_ms);
  Widen(into.holds_low, into.holds_high, from.holds_low, from.holds_high, first);
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
  column.first_ms = column.last_ms = c.time_ms;
  // The row holds from its fall up to the next row's rise.
  column.holds_low = Row_Byte(table, c.row, COL_FALL);
  column.holds_high = Row_Byte(table, static_cast<std::uint8_t>(c.row + 1), COL_RISE);
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
  for (std::size_t s = 0; s < cycle.select_count; ++s) {
    if (cycle.selects[s].taken) {
      plot.value = cycle.selects[s].value;
    }
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

bool Plot_Per_Cycle(const PlotColumns &plot) {
  return plot.per_bucket == 1 && plot.buckets.size() <= PLOT_DETAIL_CYCLES;
}

double Plot_Span_Ms(const PlotColumns &plot) {
  return static_cast<double>(plot.last_time_ms + CYCLE_PAUSE_MS);
}

std::vector<PlotColumn> Plot_Columns(const PlotColumns &plot, std::size_t width) {
  std::vector<PlotColumn> columns(width);
  const double span = Plot_Span_Ms(plot);
  for (const PlotColumn &bucket : plot.buckets) {
    const double middle =
        (static_cast<double>(bucket.first_ms) + static_cast<double>(bucket.last_ms)) / 2;
    const auto x = static_cast<std::size_t>(middle / span * static_cast<double>(width));
    Merge(columns[std::min(x, width - 1)], bucket);
  }
  return columns;
}
