#include "app/status.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Appends to the text, as far as it fits.
[[gnu::format(printf, 3, 4)]] void Append(char *text, std::size_t size, const char *format, ...) {
  std::size_t used = 0;
  while (used < size && text[used] != '\0') {
    ++used;
  }
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text + used, size - used, format, arguments);
  va_end(arguments);
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
