#include "app/status.h"

#include "common/console.h"
#include "hw/bus_hold.h"

#include <cstdarg>

namespace {

// Appends to the text, as far as it fits.
[[gnu::format(printf, 3, 4)]] void Append(char *text, std::size_t size, const char *format, ...) {
  std::size_t used = 0;
  while (used < size && text[used] != '\0') {
    ++used;
  }
  std::va_list arguments;
  va_start(arguments, format);
  Text_FormatV(text + used, size - used, format, arguments);
  va_end(arguments);
}

// How long other software has kept the bus from the program, once it is
// long enough to be said.
void Append_Kept(char *text, std::size_t size, PortLibBus bus) {
  const unsigned kept_s = Bus_Kept_S(bus);
  if (kept_s >= LONG_HOLD_S) {
    Append(text, size, " for %u s", kept_s);
  }
}

void Append_Read(char *text, std::size_t size, const Controller &controller,
                 const CycleReport &report) {
  switch (report.read) {
  case EcRead::Answered:
    Append(text, size, "temperature %u", unsigned{controller.temperature});
    return;
  case EcRead::PortsLost:
    Append(text, size, "EC ports lost");
    return;
  case EcRead::Busy:
    Append(text, size, "EC busy: held by other software");
    Append_Kept(text, size, PortLibBus::Ec);
    return;
  case EcRead::NoAnswer:
    Append(text, size, "EC not answering (%u read%s in a row)", unsigned{report.unanswered},
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

void Status_Text(const Controller &controller, const CycleReport &report, char *text,
                 std::size_t size) {
  text[0] = '\0';
  Append(text, size, "STATUS=");
  Append_Read(text, size, controller, report);
  if (report.after_sleep != RecoveryDone::None) {
    Append(text, size, " after a sleep, %s", Set_Up_Text(report.after_sleep));
  }
  if (report.recovery_done != RecoveryDone::None) {
    Append(text, size, ", %s", Set_Up_Text(report.recovery_done));
  }
  for (const PortLibBus bus : {PortLibBus::Isa, PortLibBus::Pci}) {
    if (Bus_Kept_S(bus) >= LONG_HOLD_S) {
      Append(text, size, ", %s held by other software", Bus_Name(bus));
      Append_Kept(text, size, bus);
    }
  }
  Append(text, size, "; row %u (rise %u, fall %u, value %u); ", unsigned{controller.row},
         Row_Byte(controller.table, controller.row, COL_RISE),
         Row_Byte(controller.table, controller.row, COL_FALL),
         Row_Byte(controller.table, controller.row, COL_VALUE));
  if (controller.ec_value < 0) {
    Append(text, size, "EC's value unknown");
  } else {
    Append(text, size, "EC holds %d", controller.ec_value);
  }
  Append(text, size, "; %s", Start_Text(controller.ec_start));
}
