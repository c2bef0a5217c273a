#pragma once

// Inside the console library: the formatter that Console_Print and
// Text_Format share (console_format.cpp), and where a message's full buffer
// goes (console.cpp).

#include "common/console.h"

#include <cstdarg>
#include <cstddef>

// Where the formatted characters go: a message's buffer, passed on to the
// console whenever it is full, or a caller's text, which keeps what fits.
struct FormatOut {
  char *text;
  std::size_t room;        // characters the text holds
  std::size_t used = 0;    // characters in the text now
  std::size_t passed = 0;  // characters passed on to the console, or not kept
  bool to_console = false; // else the text keeps what fits, and counts the rest
  ConsoleStream stream = ConsoleStream::Output;
};

// Passes a message's characters on to the console: its sink, or the stream.
void Pass_On(ConsoleStream stream, const char *text, std::size_t size);

// The characters of the text, then of the format with its arguments.
void Put_Text(FormatOut &out, const char *text);
void Format(FormatOut &out, const char *format, std::va_list arguments);
