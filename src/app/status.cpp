#include "app/status.h"

#include "common/console.h"
#include "hw/bus_hold.h"

#include <algorithm>
#include <cstdarg>

namespace {

// The text made so far, and its room: each part goes on where the last
// ended, as far as it fits.
struct StatusText {
  char *text;
  std::size_t size;
  std::size_t used = 0;
};

[[gnu::format(printf, 2, 3)]] void Append(StatusText &status, const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::size_t length =
      Text_FormatV(status.text + status.used, status.size - status.used, format, arguments);
  va_end(arguments);
  status.used = std::min(status.used + length, status.size - 1);
}

// How long other software has kept the bus from the program, once it is
// long enough to be said.
void Append_Kept(StatusText &status, std::uint32_t kept_s) {
  if (kept_s != 0) {
    Append(status, " for %u s", unsigned{kept_s});
  }
}

void Append_Read(StatusText &status, const CycleReport &report) {
  switch (report.read) {
  case EcRead::Answered:
    Append(status, "temperature %d", int{report.temperature});
    return;
  case EcRead::PortsLost:
    Append(status, "EC ports lost");
    return;
  case EcRead::Busy:
    Append(status, "EC busy: held by other software");
    Append_Kept(status, report.kept_s[Bus_Index(PortLibBus::Ec)]);
    return;
  case EcRead::NoAnswer:
    Append(status, "EC not answering (%u read%s in a row)", unsigned{report.unanswered},
           report.unanswered == 1 ? "" : "s");
    return;
  }
}

const char *Set_Up_Text(RecoveryDone done) {
  switch (done) {
  case RecoveryDone::None:
    break;
  case RecoveryDone::Worked:
    return "EC set up again";
  case RecoveryDone::Failed:
    return "set-up failed";
  }
  return "";
}

const char *Start_Text(EcStart start) {
  switch (start) {
  case EcStart::Taken:
    return "EC took its start-up command";
  case EcStart::NotTaken:
    break;
  case EcStart::Owed:
    return "EC's start-up command owed: other software held the EC";
  }
  return "EC did not take its start-up command";
}

} // namespace

void Status_Text(const CycleReport &report, char *text, std::size_t size) {
  StatusText status{text, size};
  text[0] = '\0';
  Append(status, "STATUS=");
  Append_Read(status, report);
  if (report.after_sleep != RecoveryDone::None) {
    Append(status, " after a sleep, %s", Set_Up_Text(report.after_sleep));
  }
  if (report.recovery_done != RecoveryDone::None) {
    Append(status, ", %s", Set_Up_Text(report.recovery_done));
  }
  for (const PortLibBus bus : {PortLibBus::Isa, PortLibBus::Pci}) {
    if (report.kept_s[Bus_Index(bus)] != 0) {
      Append(status, ", %s held by other software", Bus_Name(bus));
      Append_Kept(status, report.kept_s[Bus_Index(bus)]);
    }
  }
  Append(status, "; row %u (rise %u, fall %u, value %u); ", unsigned{report.row},
         unsigned{report.rise}, unsigned{report.fall}, unsigned{report.value});
  if (report.ec_value < 0) {
    Append(status, "EC's value unknown");
  } else {
    Append(status, "EC holds %d", int{report.ec_value});
  }
  Append(status, "; %s", Start_Text(report.ec_start));
}
