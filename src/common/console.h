#pragma once

// Prints one message to standard output and pushes it out at once, so that a
// status line reaches a pipe or a log file as soon as it is printed.
[[gnu::format(printf, 1, 2)]] void Console_Print(const char *format, ...);
