#pragma once

// A log file that takes a program's standard streams where nobody reads
// them: appended to and, before it grows past its share, renamed to
// `previous` (the one before that dropped) and started anew. Whatever
// renaming, removing or reopening does (a reader may hold either file without
// sharing its deletion), the two files together never hold more than `cap`
// bytes: what cannot be renamed is started anew in place, and a log that
// cannot be written is not written. A failure to write is said once, and the
// log tried again a minute later at the soonest. Plain C streams, for
// Windows, where it serves, and for the tests, which run it here.

#include <array>
#include <cstdint>
#include <cstdio>

struct RotatingLog {
  // Set by the caller; the names outlive the log.
  const char *path;
  const char *previous;
  const char *null_device;            // where the streams point while the log is not written
  long cap;                           // the two files' bytes together, at most
  long room;                          // the most that is written between two calls of Log_Keep
  std::array<std::FILE *, 2> streams; // standard output and error, or a test's own
  void (*say)(const char *line);      // where a failure to write is said
  // Kept by the log.
  bool writing = false;          // the streams point at the log
  bool failure_said = false;     // since the log was last written
  long opened_bytes = 0;         // in the log when it was opened
  long previous_bytes = 0;       // in `previous`, as last seen
  std::uint64_t retry_at_ms = 0; // when a log that cannot be written is tried again
};

// How long a log that cannot be written waits before it is tried again.
constexpr std::uint64_t LOG_RETRY_MS = 60 * 1000;

// Points the streams at the end of the log, or, when it cannot be opened, at
// the null device, after saying why.
void Log_Open(RotatingLog &log, std::uint64_t now_ms);

// Before the next `room` bytes are written: starts the log anew when they
// could take the two files past the cap (or the log itself past half of it),
// and tries a log that could not be written again once a minute.
void Log_Keep(RotatingLog &log, std::uint64_t now_ms);
