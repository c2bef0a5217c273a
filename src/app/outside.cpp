// What the controller tells the outside, each from the one cycle report: the
// service manager's status, sent only when its text changes, and that the
// program lives, each cycle; and the metrics file, written after the
// start-up, after a cycle that changed what it shows most, else at most
// every METRICS_PERIOD_MS, and once more as the program stops.

#include "app/controller.h"
#include "app/metrics.h"
#include "app/status.h"
#include "common/console.h"
#include "common/files.h"
#include "hw/bus_hold.h"
#include "hw/port_lib.h"

#include <cstring>

namespace {

constexpr char METRICS_FILE[] = "thermal-control.prom";
// Written whole under this name first, then renamed over the file: an
// exporter reads only names that end in .prom.
constexpr char METRICS_TEMPORARY[] = "thermal-control.prom.new";
constexpr std::uint64_t METRICS_PERIOD_MS = 10000;

void Tell_Service_Manager(Told &told, const CycleReport &report) {
  if (!Platform_ServiceManagerListens()) {
    return;
  }
  // An equal report makes the same text: only a changed one is made, and
  // sent where its text changed.
  if (!told.status_sent || !(report == told.status)) {
    char status[STATUS_TEXT_SIZE];
    Status_Text(report, status, sizeof status);
    if (!told.status_sent || std::strcmp(status, told.status_text) != 0) {
      Platform_Notify(status);
      std::memcpy(told.status_text, status, sizeof status);
    }
    told.status = report;
    told.status_sent = true;
  }
  Platform_Notify("WATCHDOG=1");
}

// The file is said once when it cannot be written, and once when it can
// again; the controller goes on either way. A rename that failed (on
// Windows, while the exporter reads the file) is tried again at the next
// cycle.
void Write_Metrics(Controller &controller, const CycleReport &report, bool running) {
  Told &told = controller.told;
  char text[METRICS_TEXT_SIZE];
  const std::size_t length =
      Metrics_Text(report, controller.counts,
                   {PortLib_PathName(), controller.started_s, controller.last_cycle_s, running},
                   text, sizeof text);
  char why[320] = "the metrics do not fit their buffer";
  const FileReplaced replaced =
      length == 0 ? FileReplaced::NotWritten
                  : File_Replace(told.metrics_folder, METRICS_FILE, METRICS_TEMPORARY, text, length,
                                 why, sizeof why);
  told.metrics = report;
  told.metrics_ms = Platform_ClockMs();
  told.metrics_retry = replaced == FileReplaced::NotRenamed;
  if (replaced != FileReplaced::Replaced && !told.metrics_failing) {
    Console_Error("cannot write %s in %s: %s; control goes on without it\n", METRICS_FILE,
                  told.metrics_folder, why);
  } else if (replaced == FileReplaced::Replaced && told.metrics_failing) {
    Console_Error("%s in %s is written again\n", METRICS_FILE, told.metrics_folder);
  }
  told.metrics_failing = replaced != FileReplaced::Replaced;
}

bool Metrics_Due(const Told &told, const CycleReport &report) {
  const CycleReport &last = told.metrics;
  return told.metrics_retry || report.read != last.read || report.row != last.row ||
         report.rise != last.rise || report.fall != last.fall || report.value != last.value ||
         report.ec_value != last.ec_value || report.ec_start != last.ec_start ||
         Platform_ClockMs() - told.metrics_ms >= METRICS_PERIOD_MS;
}

std::uint32_t Unix_Time_S() { return static_cast<std::uint32_t>(Platform_UnixTimeS()); }

} // namespace

CycleReport Report_State(const Controller &controller) {
  CycleReport report;
  report.temperature = controller.answered;
  report.row = controller.row;
  report.rise = Row_Byte(controller.table, controller.row, COL_RISE);
  report.fall = Row_Byte(controller.table, controller.row, COL_FALL);
  report.value = Row_Byte(controller.table, controller.row, COL_VALUE);
  report.ec_value = controller.ec_value;
  report.ec_start = controller.ec_start;
  for (const PortLibBus bus : {PortLibBus::Isa, PortLibBus::Pci, PortLibBus::Ec}) {
    const unsigned kept_s = Bus_Kept_S(bus);
    report.kept_s[Bus_Index(bus)] = kept_s >= LONG_HOLD_S ? kept_s : 0;
  }
  return report;
}

void Tell_Up(Controller &controller) {
  controller.started_s = Unix_Time_S();
  Told &told = controller.told;
  told.last = Report_State(controller);
  if (!Platform_MetricsFolder(told.metrics_folder, sizeof told.metrics_folder)) {
    told.metrics_folder[0] = '\0';
    return;
  }
  Write_Metrics(controller, told.last, true);
}

void Tell_Cycle(Controller &controller, const CycleReport &report) {
  controller.last_cycle_s = Unix_Time_S();
  controller.told.last = report;
  Tell_Service_Manager(controller.told, report);
  if (controller.told.metrics_folder[0] != '\0' && Metrics_Due(controller.told, report)) {
    Write_Metrics(controller, report, true);
  }
}

void Tell_Stopped(Controller &controller) {
  if (controller.told.metrics_folder[0] != '\0') {
    Write_Metrics(controller, controller.told.last, false);
  }
}
