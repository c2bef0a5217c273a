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

} // namespace

void Status_Text(const Controller &controller, const CycleReport &report, char *text,
                 std::size_t size) {
  text[0] = '\0';
  Append(text, size, "STATUS=");
  if (report.read == EcRead::Answered) {
    Append(text, size, "temperature %u", unsigned{controller.temperature});
  } else if (report.read == EcRead::PortsLost) {
    Append(text, size, "EC ports lost");
  } else {
    Append(text, size, "EC not answering (%u read%s in a row)", unsigned{report.unanswered},
           report.unanswered == 1 ? "" : "s");
  }
  Append(text, size, "%s%s; row %u (rise %u, fall %u, value %u); ",
         report.resumed ? " after a sleep, EC set up again" : "",
         report.set_up != SetUp::None ? ", EC set up again" : "", unsigned{controller.row},
         Row_Byte(controller.table, controller.row, COL_RISE),
         Row_Byte(controller.table, controller.row, COL_FALL),
         Row_Byte(controller.table, controller.row, COL_VALUE));
  if (controller.ec_value < 0) {
    Append(text, size, "EC's value unknown");
  } else {
    Append(text, size, "EC holds %d", controller.ec_value);
  }
}
