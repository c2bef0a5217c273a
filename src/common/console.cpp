// Where the program's lines go: to the standard streams, pushed out at once,
// or to the platform's sink.

#include "common/console.h"

#include "common/console_format.h"

#include <cstdio>

namespace {

ConsoleSink console_sink = nullptr;

void Print(ConsoleStream stream, const char *format, std::va_list arguments) {
  char buffer[256];
  FormatOut out{buffer, sizeof buffer};
  out.to_console = true;
  out.stream = stream;
  if (stream == ConsoleStream::Error) {
    Put_Text(out, CONSOLE_ERROR_MARK);
  }
  Format(out, format, arguments);
  Pass_On(stream, buffer, out.used);
  if (console_sink == nullptr) {
    std::fflush(stream == ConsoleStream::Output ? stdout : stderr);
  }
}

} // namespace

void Pass_On(ConsoleStream stream, const char *text, std::size_t size) {
  if (size == 0) {
    return;
  }
  if (console_sink != nullptr) {
    console_sink(stream, text, size);
    return;
  }
  std::fwrite(text, 1, size, stream == ConsoleStream::Output ? stdout : stderr);
}

void Console_SetSink(ConsoleSink sink) { console_sink = sink; }

void Console_Print(const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  Print(ConsoleStream::Output, format, arguments);
  va_end(arguments);
}

void Console_Error(const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  Print(ConsoleStream::Error, format, arguments);
  va_end(arguments);
}
