#pragma once

// A log file that takes a program's lines where nobody reads its standard
// streams: each line begun with the time it was written, appended and pushed
// out at once, and the log renamed to `previous` (the one before that
// dropped) and started anew, at a line's start, before it grows past half
// its cap. The two files
// together never hold more than `cap` bytes, whatever renaming, removing or
// reopening does. A reader that holds the log without sharing its deletion
// (as PowerShell's Get-Content -Wait does) keeps it from being renamed: its
// lines are then copied to `previous` and the log emptied in place, which the
// reader's sharing allows; only where that fails too does the log start anew
// and lose them, and it says so. A failure to write is said once, and the log
// tried again a minute later at the soonest. Plain C streams, for Windows,
// where it serves, and for the tests, which run it here.

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct RotatingLog {
  // Set by the caller; the names outlive the log.
  const char *path;
  const char *previous;
  long cap;                                             // the two files' bytes together, at most
  long room;                                            // the most a line takes, its stamp included
  void (*say)(const char *line);                        // where a failure to write is said
  int (*rename_file)(const char *from, const char *to); // std::rename, or a test's own
  // Kept by the log.
  std::FILE *file = nullptr;     // the log, while it is written
  bool failure_said = false;     // since the log was last written
  bool line_begun = false;       // the last text written did not end its line
  long bytes = 0;                // in the log
  long previous_bytes = 0;       // in `previous`, as last seen
  std::uint64_t retry_at_ms = 0; // when a log that cannot be written is tried again
};

// How long a log that cannot be written waits before it is tried again.
constexpr std::uint64_t LOG_RETRY_MS = 60 * 1000;

// Opens the log to append to it; when it cannot be opened, says why.
void Log_Open(RotatingLog &log, std::uint64_t now_ms);

// Appends `text`, each of its lines begun with `stamp`, and pushes it out.
// The log is first started anew where the text could take it past half the
// cap, or the two files past the cap; a log that cannot be written is tried
// again once a minute, and its text is lost meanwhile.
void Log_Write(RotatingLog &log, const char *text, std::size_t size, const char *stamp,
               std::uint64_t now_ms);

// Closes the log, as the program ends.
void Log_Close(RotatingLog &log);
