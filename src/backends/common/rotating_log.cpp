#include "backends/common/rotating_log.h"

namespace {

bool Point_Streams(const RotatingLog &log, const char *path, const char *mode) {
  bool pointed = true;
  for (std::FILE *stream : log.streams) {
    pointed = std::freopen(path, mode, stream) != nullptr && pointed;
  }
  return pointed;
}

long Log_Size(const RotatingLog &log) {
  for (std::FILE *stream : log.streams) {
    std::fflush(stream);
  }
  std::FILE *stream = log.streams[0];
  std::fseek(stream, 0, SEEK_END);
  return std::ftell(stream);
}

} // namespace

bool Log_Open(const RotatingLog &log) { return Point_Streams(log, log.path, "a"); }

// A file that is open cannot be renamed on Windows: the streams let go of it
// first.
void Log_Keep(const RotatingLog &log) {
  if (Log_Size(log) < log.cap) {
    return;
  }
  static_cast<void>(Point_Streams(log, log.null_device, "w"));
  std::remove(log.previous);
  std::rename(log.path, log.previous);
  static_cast<void>(Log_Open(log));
}
