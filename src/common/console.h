#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// The program's own formatting of its lines, for the conversions it uses:
// %d, %i, %u, %x, %X, %c, %s and %ls (a wide string, written as UTF-8), with
// the flags '-', '0' and '#', a width, and the lengths 'l' and 'z'. A conversion
// outside these is written as it stands in the format, never guessed at. The
// C library's printf is not used: on Windows it would bring a second printf
// engine into the program, and a line every second does not need it.

// Where the program's lines go: each message to standard output or standard
// error, pushed out at once, so that a status line reaches a pipe or a log
// file as soon as it is printed; or, once set, to a sink of the platform's
// (the Windows service's log), which sees each message in the order printed.
enum class ConsoleStream : std::uint8_t { Output, Error };
using ConsoleSink = void (*)(ConsoleStream stream, const char *text, std::size_t size);
void Console_SetSink(ConsoleSink sink); // nullptr: the standard streams again

// One message to standard output; and one to standard error, begun with
// the program's name ("thermal-control: "), as each of its messages there is.
[[gnu::format(printf, 1, 2)]] void Console_Print(const char *format, ...);
[[gnu::format(printf, 1, 2)]] void Console_Error(const char *format, ...);
constexpr char CONSOLE_ERROR_MARK[] = "thermal-control: ";

// Formats into `text` as far as it fits, always ended with a zero byte (when
// `size` is not 0). Gives the length the whole text would take.
[[gnu::format(printf, 3, 4)]] std::size_t Text_Format(char *text, std::size_t size,
                                                      const char *format, ...);
std::size_t Text_FormatV(char *text, std::size_t size, const char *format, std::va_list arguments);
