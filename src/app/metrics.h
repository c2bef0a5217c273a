#pragma once

#include "app/cycle_report.h"

#include <cstddef>
#include <cstdint>

// The controller's metrics in Prometheus' text format (version 0.0.4), for an
// exporter's textfile collector: UTF-8, each line ended with LF, each metric's
// HELP and TYPE before its samples, and no timestamps (node_exporter drops a
// file that has one). The names are a contract that dashboards and alerts
// are written against.
struct MetricsRun {
  const char *path;           // how the program reaches the hardware: "ioperm", "module", ...
  std::uint32_t started_s;    // Unix time
  std::uint32_t last_cycle_s; // Unix time; 0 before the first cycle, which leaves it out
  bool running;               // false in the file written as the program stops
};

// A buffer of this size holds every metric.
constexpr std::size_t METRICS_TEXT_SIZE = 4096;

// The text, made without allocating; its length, or 0 where `size` was too
// small for it.
[[nodiscard]] std::size_t Metrics_Text(const CycleReport &report, const ControlCounts &counts,
                                       const MetricsRun &run, char *text, std::size_t size);
