#pragma once

// Reading a log back, line by line: the controller's own output (a console
// capture, or the service's journal), or a plain list of temperatures 0 to
// 255. The first line with text says which: one the controller writes makes
// the log the controller's.

#include "hw/ec_read.h"
#include "table/thermal_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// One cycle as the controller saw it. Each value it sent is taken unless
// "EC did not take the row's value; row held" follows the send.
struct LogCycle {
  std::uint8_t temperature;
  EcRead read = EcRead::Answered;    // "EC did not answer", "EC ports lost"
  bool select_taken = true;          // the entered row's value
  bool recovery_done = false;        // set up after the read: "open port ok" followed
  bool recovery_resend_taken = true; // the row's value, sent after that set-up
  bool resumed = false;              // "system resumed" before the heartbeat
  bool resume_recovery_done = false; // and "open port ok" after it
  bool resume_resend_taken = true;   // the row's value, sent after that set-up
  bool reload_sent = false;          // the table read again, the row's new value sent before it
  bool reload_taken = true;
};

// Receives each cycle of a log as it is read, and each table the controller
// read again between two cycles: its echo, over the built-in rows, as the
// controller stores it.
struct LogCycleTaker {
  void (*take)(void *context, const LogCycle &cycle);
  void *context;
  void (*table_read)(void *context, const ThermalTableBytes &table) = nullptr;
};

// A line longer than this is no line of a log: the controller's are under 80
// bytes, and a plain list of temperatures on one line holds a quarter of a
// million of them.
constexpr std::size_t LOG_LINE_MAX = 1024 * 1024;

// What a log held besides its cycles: the lines that are neither a cycle nor
// another of the controller's own lines, the first of them shown.
struct LogReading {
  std::size_t cycles = 0;
  std::size_t unused = 0;
  std::size_t first_unused = 0;  // its line number
  std::string first_unused_text; // as Shown gives it
};

// Reads the log to its end, in any of the encodings Windows marks (UTF-8,
// UTF-16 with its byte-order mark: see TextSource); a line ends at a line
// feed, a carriage return, or both. False, with the reason (and line) in `error`, when it cannot be
// read or holds a line longer than LOG_LINE_MAX.
[[nodiscard]] bool Read_Log(std::FILE *log, LogCycleTaker taker, LogReading &reading,
                            std::string &error);
