#pragma once

// A log file that takes a program's standard streams where nobody reads
// them: appended to, and once it holds `cap` bytes, renamed to `previous`
// (the one before that dropped) and started anew, so that the two never hold
// much more than twice the cap. Plain C streams, for Windows, where it
// serves, and for the tests, which run it here.

#include <array>
#include <cstdio>

// The names are the caller's, and outlive the log.
struct RotatingLog {
  const char *path;
  const char *previous;
  const char *null_device; // what a stream is pointed at while the log is renamed
  long cap;
  std::array<std::FILE *, 2> streams; // standard output and error, or a test's own
};

// Points the streams at the end of the log. False when it cannot be opened.
[[nodiscard]] bool Log_Open(const RotatingLog &log);

// Starts the log anew when it holds the cap or more.
void Log_Keep(const RotatingLog &log);
