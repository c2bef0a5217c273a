// The program's own formatter, for the conversions console.h lists.

#include "common/console_format.h"

#include <cstdio>
#include <cwchar>
#include <type_traits>

namespace {

// A full text is passed on to the console, or keeps what it holds and counts
// the rest.
[[gnu::noinline]] void Put_Past_Room(FormatOut &out, char c) {
  if (!out.to_console) {
    ++out.passed;
    return;
  }
  Pass_On(out.stream, out.text, out.used);
  out.passed += out.used;
  out.used = 0;
  out.text[out.used++] = c;
}

void Put(FormatOut &out, char c) {
  if (out.used == out.room) {
    Put_Past_Room(out, c);
    return;
  }
  out.text[out.used++] = c;
}

// The format's characters up to its next conversion or its end, which it
// returns. Copied in local variables: a store through the text's pointer
// would otherwise make the compiler load the counts again for each
// character.
const char *Put_Literal(FormatOut &out, const char *f) {
  char *const text = out.text;
  const std::size_t room = out.room;
  std::size_t used = out.used;
  for (; *f != '\0' && *f != '%'; ++f) {
    if (used == room) {
      out.used = used;
      Put_Past_Room(out, *f);
      used = out.used;
      continue;
    }
    text[used++] = *f;
  }
  out.used = used;
  return f;
}

void Put_Pad(FormatOut &out, std::size_t length, unsigned width, char pad) {
  for (std::size_t filled = length; filled < width; ++filled) {
    Put(out, pad);
  }
}

// One code point as UTF-8.
void Put_Utf8(FormatOut &out, std::uint32_t code) {
  if (code < 0x80) {
    Put(out, static_cast<char>(code));
    return;
  }
  const int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  constexpr unsigned char LEAD[] = {0, 0xC0, 0xE0, 0xF0};
  Put(out, static_cast<char>(LEAD[tail] | code >> (6 * tail)));
  for (int i = tail - 1; i >= 0; --i) {
    Put(out, static_cast<char>(0x80 | (code >> (6 * i) & 0x3F)));
  }
}

// A wide string as UTF-8: UTF-16 where wchar_t has 16 bits (Windows), with
// its surrogate pairs joined; a unit that is no character gives U+FFFD.
void Put_Wide(FormatOut &out, const wchar_t *text) {
  constexpr std::uint32_t REPLACEMENT = 0xFFFD;
  for (; *text != L'\0'; ++text) {
    auto code = static_cast<std::uint32_t>(*text);
    if constexpr (sizeof(wchar_t) == 2) {
      const bool high = code >= 0xD800 && code <= 0xDBFF;
      const auto next = static_cast<std::uint32_t>(text[1]);
      if (high && next >= 0xDC00 && next <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
        ++text;
      } else if (code >= 0xD800 && code <= 0xDFFF) {
        code = REPLACEMENT;
      }
    }
    Put_Utf8(out, code > 0x10FFFF ? REPLACEMENT : code);
  }
}

struct Shape {
  bool left = false;      // '-': blanks after
  bool zeros = false;     // '0': zeros between the sign and the digits
  bool alternate = false; // '#': 0x in front of a hexadecimal number
  unsigned width = 0;
  char length = 0; // 'l' or 'z', or none
};

// The widest number the program prints: a long or a size_t. No wider, so
// that a 32-bit program needs no library calls to divide one.
using Magnitude =
    std::conditional_t<(sizeof(std::size_t) > sizeof(unsigned long)), std::size_t, unsigned long>;
using Signed = std::make_signed_t<Magnitude>;

void Put_Number(FormatOut &out, Magnitude magnitude, bool negative, unsigned base, bool upper,
                const Shape &shape) {
  char digits[24];
  std::size_t count = 0;
  if (base == 10) { // a loop of its own: dividing by a constant costs a multiplication
    do {
      digits[count++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
  } else {
    const char *const set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
      digits[count++] = set[magnitude % 16];
      magnitude /= 16;
    } while (magnitude != 0);
  }
  const bool prefix = shape.alternate && base == 16 && !(count == 1 && digits[0] == '0');
  const std::size_t length = count + (negative ? 1 : 0) + (prefix ? 2 : 0);
  if (!shape.left && !shape.zeros) {
    Put_Pad(out, length, shape.width, ' ');
  }
  if (negative) {
    Put(out, '-');
  }
  if (prefix) {
    Put(out, '0');
    Put(out, upper ? 'X' : 'x');
  }
  if (!shape.left && shape.zeros) {
    Put_Pad(out, length, shape.width, '0');
  }
  while (count > 0) {
    Put(out, digits[--count]);
  }
  if (shape.left) {
    Put_Pad(out, length, shape.width, ' ');
  }
}

// A signed argument's magnitude, taken in unsigned arithmetic: negating the
// lowest value overflows.
void Put_Signed(FormatOut &out, Signed value, const Shape &shape) {
  const auto bits = static_cast<Magnitude>(value);
  Put_Number(out, value < 0 ? Magnitude{0} - bits : bits, value < 0, 10, false, shape);
}

Signed Signed_Argument(std::va_list &arguments, char length) {
  switch (length) {
  case 'l':
    return va_arg(arguments, long);
  case 'z':
    return static_cast<Signed>(va_arg(arguments, std::size_t));
  default:
    return va_arg(arguments, int);
  }
}

Magnitude Unsigned_Argument(std::va_list &arguments, char length) {
  switch (length) {
  case 'l':
    return va_arg(arguments, unsigned long);
  case 'z':
    return va_arg(arguments, std::size_t);
  default:
    return va_arg(arguments, unsigned);
  }
}

void Put_String(FormatOut &out, const char *text, const Shape &shape) {
  std::size_t length = 0;
  while (text[length] != '\0') {
    ++length;
  }
  if (!shape.left) {
    Put_Pad(out, length, shape.width, ' ');
  }
  Put_Text(out, text);
  if (shape.left) {
    Put_Pad(out, length, shape.width, ' ');
  }
}

// Formats the conversion after a '%'; false, with `format` where it stood,
// for one this formatter does not know.
bool Put_Conversion(FormatOut &out, const char *&format, std::va_list &arguments) {
  Shape shape;
  const char *f = format;
  for (;; ++f) {
    if (*f == '-') {
      shape.left = true;
    } else if (*f == '0') {
      shape.zeros = true;
    } else if (*f == '#') {
      shape.alternate = true;
    } else {
      break;
    }
  }
  for (; *f >= '0' && *f <= '9'; ++f) {
    shape.width = shape.width * 10 + static_cast<unsigned>(*f - '0');
  }
  if (*f == 'l' || *f == 'z') {
    shape.length = *f++;
  }
  switch (*f) {
  case 'd':
  case 'i':
    Put_Signed(out, Signed_Argument(arguments, shape.length), shape);
    break;
  case 'u':
  case 'x':
  case 'X':
    Put_Number(out, Unsigned_Argument(arguments, shape.length), false, *f == 'u' ? 10 : 16,
               *f == 'X', shape);
    break;
  case 'c':
    Put(out, static_cast<char>(va_arg(arguments, int)));
    break;
  case 's':
    if (shape.length == 'l') {
      const wchar_t *wide = va_arg(arguments, const wchar_t *);
      Put_Wide(out, wide != nullptr ? wide : L"(null)");
    } else {
      const char *text = va_arg(arguments, const char *);
      Put_String(out, text != nullptr ? text : "(null)", shape);
    }
    break;
  case '%':
    Put(out, '%');
    break;
  default:
    return false;
  }
  format = f;
  return true;
}

} // namespace

void Put_Text(FormatOut &out, const char *text) {
  for (; *text != '\0'; ++text) {
    Put(out, *text);
  }
}

void Format(FormatOut &out, const char *format, std::va_list arguments) {
  std::va_list own;
  va_copy(own, arguments);
  for (const char *f = format; *f != '\0'; ++f) {
    if (*f != '%') {
      f = Put_Literal(out, f) - 1;
      continue;
    }
    const char *conversion = f + 1;
    if (!Put_Conversion(out, conversion, own)) {
      Put_Text(out, f); // the rest as it stands: its arguments can no longer be told apart
      break;
    }
    f = conversion;
  }
  va_end(own);
}

std::size_t Text_FormatV(char *text, std::size_t size, const char *format, std::va_list arguments) {
  FormatOut out{text, size == 0 ? 0 : size - 1};
  Format(out, format, arguments);
  if (size != 0) {
    text[out.used] = '\0';
  }
  return out.passed + out.used;
}

std::size_t Text_Format(char *text, std::size_t size, const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const std::size_t length = Text_FormatV(text, size, format, arguments);
  va_end(arguments);
  return length;
}
