// The metrics file's text: every metric's name and labels as dashboards and
// alerts read them, each after its HELP and TYPE lines, no timestamps, LF
// line ends; the temperature, the EC's value and the last cycle's time left
// out where they are not known; and nothing made where it does not fit.

#include "app/metrics.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Family(const std::string &name, const char *type, const char *help) {
  return "# HELP " + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

std::string Gauge(const std::string &name, const char *help, const std::string &samples) {
  return Family(name, "gauge", help) + samples;
}

std::string Counter(const std::string &name, const char *help, const std::string &samples) {
  return Family(name, "counter", help) + samples;
}

std::string Text(const CycleReport &report, const ControlCounts &counts, const MetricsRun &run) {
  char text[METRICS_TEXT_SIZE];
  const std::size_t length = Metrics_Text(report, counts, run, text, sizeof text);
  return {text, length};
}

// Everything after thermal_control_row_value, with the counts of `Busy_Run`.
std::string Tail(bool ec_value_known) {
  return (ec_value_known ? Gauge("thermal_control_ec_value", "The value the EC is known to hold.",
                                 "thermal_control_ec_value 100\n")
                         : "") +
         Gauge("thermal_control_ec_start_taken", "1 when the EC took its start-up command.",
               std::string("thermal_control_ec_start_taken ") + (ec_value_known ? "1" : "0") +
                   "\n") +
         Counter("thermal_control_ec_reads_total", "Temperature reads, by how each ended.",
                 "thermal_control_ec_reads_total{result=\"answered\"} 4000000000\n"
                 "thermal_control_ec_reads_total{result=\"no_answer\"} 3\n"
                 "thermal_control_ec_reads_total{result=\"ports_lost\"} 2\n"
                 "thermal_control_ec_reads_total{result=\"busy\"} 1\n") +
         Counter("thermal_control_selects_total",
                 "Select commands sent, a set-up's included, by whether the EC took each.",
                 "thermal_control_selects_total{result=\"taken\"} 7\n"
                 "thermal_control_selects_total{result=\"not_taken\"} 5\n") +
         Counter("thermal_control_set_ups_total",
                 "Set-ups of the EC after the start-up, by whether each worked.",
                 "thermal_control_set_ups_total{result=\"worked\"} 6\n"
                 "thermal_control_set_ups_total{result=\"failed\"} 0\n") +
         Counter("thermal_control_wakes_total",
                 "Wakes from sleep, after each of which the EC was set up again.",
                 "thermal_control_wakes_total 8\n") +
         Counter("thermal_control_table_reloads_total",
                 "Reloads of the table: read again, or the table in force kept.",
                 "thermal_control_table_reloads_total{result=\"read\"} 9\n"
                 "thermal_control_table_reloads_total{result=\"kept\"} 10\n");
}

ControlCounts Busy_Run() {
  ControlCounts counts;
  counts.cycles = 4000000006;
  counts.reads = {4000000000, 3, 2, 1};
  counts.selects_taken = 7;
  counts.selects_not_taken = 5;
  counts.set_ups_worked = 6;
  counts.wakes = 8;
  counts.reloads_read = 9;
  counts.reloads_kept = 10;
  return counts;
}

std::string Head(const char *path, const char *running) {
  return Gauge("thermal_control_build_info",
               "The controller's version, and how it reaches the hardware.",
               std::string("thermal_control_build_info{version=\"" THERMAL_VERSION "\",path=\"") +
                   path + "\"} 1\n") +
         Gauge("thermal_control_running", "1 while the controller runs; 0 once it has stopped.",
               std::string("thermal_control_running ") + running + "\n") +
         Gauge("thermal_control_start_time_seconds", "When the controller started, in Unix time.",
               "thermal_control_start_time_seconds 1800000000\n");
}

std::string Row(const char *row, const char *rise, const char *fall, const char *value) {
  return Gauge("thermal_control_row", "The table row in force.",
               std::string("thermal_control_row ") + row + "\n") +
         Gauge("thermal_control_row_rise_celsius",
               "The temperature at which the current row is entered from below.",
               std::string("thermal_control_row_rise_celsius ") + rise + "\n") +
         Gauge("thermal_control_row_fall_celsius",
               "The temperature below which the current row is left downwards.",
               std::string("thermal_control_row_fall_celsius ") + fall + "\n") +
         Gauge("thermal_control_row_value", "The current row's value.",
               std::string("thermal_control_row_value ") + value + "\n");
}

TEST(Metrics, EveryMetricStandsAfterItsHelpAndTypeAndTheUnknownAreLeftOut) {
  CycleReport report;
  report.temperature = 47;
  report.row = 1;
  report.rise = 45;
  report.fall = 40;
  report.value = 100;
  report.ec_value = 100;
  report.ec_start = EcStart::Taken;
  EXPECT_EQ(Text(report, Busy_Run(), {"module", 1800000000, 1800000012, true}),
            Head("module", "1") +
                Gauge("thermal_control_last_cycle_timestamp_seconds",
                      "When the controller's last cycle ended, in Unix time.",
                      "thermal_control_last_cycle_timestamp_seconds 1800000012\n") +
                Counter("thermal_control_cycles_total", "Control cycles run.",
                        "thermal_control_cycles_total 4000000006\n") +
                Gauge("thermal_control_temperature_celsius",
                      "The temperature of the last read the EC answered.",
                      "thermal_control_temperature_celsius 47\n") +
                Row("1", "45", "40", "100") + Tail(true));

  // Stopped before its first cycle, the EC having answered nothing and
  // taken nothing: no temperature, no value, no last cycle.
  CycleReport unknown;
  unknown.ec_start = EcStart::Owed;
  EXPECT_EQ(Text(unknown, Busy_Run(), {"ioperm", 1800000000, 0, false}),
            Head("ioperm", "0") +
                Counter("thermal_control_cycles_total", "Control cycles run.",
                        "thermal_control_cycles_total 4000000006\n") +
                Row("0", "0", "0", "0") + Tail(false));
}

TEST(Metrics, ATextThatDoesNotFitIsNotMade) {
  const CycleReport report;
  const MetricsRun run{"simulated", 1800000000, 1800000001, true};
  char text[METRICS_TEXT_SIZE];
  const std::size_t length = Metrics_Text(report, Busy_Run(), run, text, sizeof text);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(text[length - 1], '\n');
  EXPECT_EQ(Metrics_Text(report, Busy_Run(), run, text, length), length);
  EXPECT_EQ(Metrics_Text(report, Busy_Run(), run, text, length - 1), 0u);
}

} // namespace
