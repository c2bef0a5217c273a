#include "app/metrics.h"

#include <cstring>
#include <iterator>
#include <string_view>
#include <tuple>

namespace {

// The text made so far: each part copied whole, or the text marked as not
// fitting.
struct MetricsText {
  char *at;
  char *end;
  bool fits = true;
};

void Put(MetricsText &text, std::string_view part) {
  if (!text.fits || part.size() > static_cast<std::size_t>(text.end - text.at)) {
    text.fits = false;
    return;
  }
  std::memcpy(text.at, part.data(), part.size());
  text.at += part.size();
}

void Put_Number(MetricsText &text, std::uint32_t number) {
  char digits[10];
  std::size_t first = sizeof digits;
  do {
    digits[--first] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  Put(text, {digits + first, sizeof digits - first});
}

struct Family {
  std::string_view name;
  std::string_view type; // "gauge" or "counter"
  std::string_view help;
  const std::string_view *results = nullptr; // the samples' result labels; none: one sample
  std::size_t samples = 1;
};

constexpr std::string_view READ_RESULTS[] = {"answered", "no_answer", "ports_lost", "busy"};
constexpr std::string_view SELECT_RESULTS[] = {"taken", "not_taken"};
constexpr std::string_view SET_UP_RESULTS[] = {"worked", "failed"};
constexpr std::string_view RELOAD_RESULTS[] = {"read", "kept"};

// The families after thermal_control_build_info, in the order of the values
// Metrics_Text gives them.
constexpr Family FAMILIES[] = {
    {"thermal_control_running", "gauge", "1 while the controller runs; 0 once it has stopped."},
    {"thermal_control_start_time_seconds", "gauge", "When the controller started, in Unix time."},
    {"thermal_control_last_cycle_timestamp_seconds", "gauge",
     "When the controller's last cycle ended, in Unix time."},
    {"thermal_control_cycles_total", "counter", "Control cycles run."},
    {"thermal_control_temperature_celsius", "gauge",
     "The temperature of the last read the EC answered."},
    {"thermal_control_row", "gauge", "The table row in force."},
    {"thermal_control_row_rise_celsius", "gauge",
     "The temperature at which the current row is entered from below."},
    {"thermal_control_row_fall_celsius", "gauge",
     "The temperature below which the current row is left downwards."},
    {"thermal_control_row_value", "gauge", "The current row's value."},
    {"thermal_control_ec_value", "gauge", "The value the EC is known to hold."},
    {"thermal_control_ec_start_taken", "gauge", "1 when the EC took its start-up command."},
    {"thermal_control_ec_reads_total", "counter", "Temperature reads, by how each ended.",
     READ_RESULTS, std::size(READ_RESULTS)},
    {"thermal_control_selects_total", "counter",
     "Select commands sent, a set-up's included, by whether the EC took each.", SELECT_RESULTS,
     std::size(SELECT_RESULTS)},
    {"thermal_control_set_ups_total", "counter",
     "Set-ups of the EC after the start-up, by whether each worked.", SET_UP_RESULTS,
     std::size(SET_UP_RESULTS)},
    {"thermal_control_wakes_total", "counter",
     "Wakes from sleep, after each of which the EC was set up again."},
    {"thermal_control_table_reloads_total", "counter",
     "Reloads of the table: read again, or the table in force kept.", RELOAD_RESULTS,
     std::size(RELOAD_RESULTS)},
};

constexpr std::size_t SAMPLES = [] {
  std::size_t samples = 0;
  for (const Family &family : FAMILIES) {
    samples += family.samples;
  }
  return samples;
}();

// A family's value that stands for no sample: a family of one sample then
// has none, and is left out.
constexpr std::int64_t ABSENT = -1;

void Put_Family(MetricsText &text, const Family &family, const std::int64_t *values) {
  Put(text, "# HELP ");
  Put(text, family.name);
  Put(text, " ");
  Put(text, family.help);
  Put(text, "\n# TYPE ");
  Put(text, family.name);
  Put(text, " ");
  Put(text, family.type);
  Put(text, "\n");
  for (std::size_t sample = 0; sample < family.samples; ++sample) {
    Put(text, family.name);
    if (family.results != nullptr) {
      Put(text, "{result=\"");
      Put(text, family.results[sample]);
      Put(text, "\"}");
    }
    Put(text, " ");
    Put_Number(text, static_cast<std::uint32_t>(values[sample]));
    Put(text, "\n");
  }
}

static_assert(static_cast<int>(EcRead::Answered) == 0 && static_cast<int>(EcRead::NoAnswer) == 1 &&
              static_cast<int>(EcRead::PortsLost) == 2 && static_cast<int>(EcRead::Busy) == 3);
static_assert(std::size(READ_RESULTS) == std::tuple_size_v<decltype(ControlCounts::reads)>);

} // namespace

std::size_t Metrics_Text(const CycleReport &report, const ControlCounts &counts,
                         const MetricsRun &run, char *text, std::size_t size) {
  const auto known = [](std::int16_t value) { return value < 0 ? ABSENT : value; };
  const std::int64_t values[] = {
      run.running ? 1 : 0,
      run.started_s,
      run.last_cycle_s != 0 ? run.last_cycle_s : ABSENT,
      counts.cycles,
      known(report.temperature),
      report.row,
      report.rise,
      report.fall,
      report.value,
      known(report.ec_value),
      report.ec_start == EcStart::Taken ? 1 : 0,
      counts.reads[0],
      counts.reads[1],
      counts.reads[2],
      counts.reads[3],
      counts.selects_taken,
      counts.selects_not_taken,
      counts.set_ups_worked,
      counts.set_ups_failed,
      counts.wakes,
      counts.reloads_read,
      counts.reloads_kept,
  };
  static_assert(std::size(values) == SAMPLES);
  MetricsText metrics{text, text + size};
  Put(metrics, "# HELP thermal_control_build_info The controller's version, and how it reaches "
               "the hardware.\n# TYPE thermal_control_build_info gauge\n"
               "thermal_control_build_info{version=\"" THERMAL_VERSION "\",path=\"");
  Put(metrics, run.path);
  Put(metrics, "\"} 1\n");
  const std::int64_t *value = values;
  for (const Family &family : FAMILIES) {
    if (*value != ABSENT) {
      Put_Family(metrics, family, value);
    }
    value += family.samples;
  }
  return metrics.fits ? static_cast<std::size_t>(metrics.at - text) : 0;
}
