#include "common/console.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace {

// The program's lines are short and come every second, so they are formatted
// here, for the conversions they use (%d, %u and %s, with a width that pads
// with zeros or blanks), at a fraction of the C library's cost. A message
// with any other conversion, or longer than a line, is left to the C
// library, so that none ever prints wrong.
struct Line {
  char text[160];
  std::size_t used = 0;
  bool own = true; // formatted here; false: the C library is to
};

void Put(Line &line, char c) {
  if (line.used == sizeof line.text) {
    line.own = false;
    return;
  }
  line.text[line.used++] = c;
}

void Put_Number(Line &line, unsigned long magnitude, bool negative, unsigned width, char pad) {
  char digits[24];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const std::size_t length = count + (negative ? 1 : 0);
  if (negative && pad == '0') {
    Put(line, '-');
  }
  for (std::size_t filled = length; filled < width; ++filled) {
    Put(line, pad);
  }
  if (negative && pad != '0') {
    Put(line, '-');
  }
  while (count > 0) {
    Put(line, digits[--count]);
  }
}

// Formats the conversion at `format` (after its '%'), and leaves `format` at
// its last character.
void Put_Conversion(Line &line, const char *&format, std::va_list &arguments) {
  const char pad = *format == '0' ? '0' : ' ';
  format += pad == '0' ? 1 : 0;
  unsigned width = 0;
  for (; *format >= '0' && *format <= '9'; ++format) {
    width = width * 10 + static_cast<unsigned>(*format - '0');
  }
  switch (*format) {
  case 'd': {
    // The magnitude taken in unsigned arithmetic: -value overflows for the
    // int's lowest value where long is no wider than int (Windows).
    const int value = va_arg(arguments, int);
    const auto bits = static_cast<unsigned long>(value);
    Put_Number(line, value < 0 ? 0UL - bits : bits, value < 0, width, pad);
    return;
  }
  case 'u':
    Put_Number(line, va_arg(arguments, unsigned), false, width, pad);
    return;
  case 's':
    for (const char *text = va_arg(arguments, const char *); *text != '\0'; ++text) {
      Put(line, *text);
    }
    return;
  case '%':
    Put(line, '%');
    return;
  default:
    line.own = false;
    return;
  }
}

} // namespace

void Console_Print(const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::va_list again;
  va_copy(again, arguments);
  Line line;
  for (const char *f = format; line.own && *f != '\0'; ++f) {
    if (*f != '%') {
      Put(line, *f);
    } else {
      Put_Conversion(line, ++f, arguments);
    }
  }
  if (line.own) {
    std::fwrite(line.text, 1, line.used, stdout);
  } else {
    std::vprintf(format, again);
  }
  va_end(again);
  va_end(arguments);
  std::fflush(stdout);
}
