#include "common/log_stamp.h"

#include "common/console.h"

namespace {

// The stamp's shape: 'd' a digit, 's' the offset's sign, anything else
// itself.
constexpr std::string_view STAMP_SHAPE = "dddd-dd-ddTdd:dd:ddsdd:dd ";

bool Fits(char c, char shape) {
  switch (shape) {
  case 'd':
    return c >= '0' && c <= '9';
  case 's':
    return c == '+' || c == '-';
  default:
    return c == shape;
  }
}

} // namespace

void Log_Stamp(const LocalTime &time, char (&stamp)[LOG_STAMP_SIZE]) {
  const int offset = time.offset_minutes < 0 ? -time.offset_minutes : time.offset_minutes;
  Text_Format(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d ", time.year,
              time.month, time.day, time.hour, time.minute, time.second,
              time.offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
}

std::size_t Stamp_Length(std::string_view line) {
  if (line.size() < STAMP_SHAPE.size()) {
    return 0;
  }
  for (std::size_t i = 0; i < STAMP_SHAPE.size(); ++i) {
    if (!Fits(line[i], STAMP_SHAPE[i])) {
      return 0;
    }
  }
  return STAMP_SHAPE.size();
}
