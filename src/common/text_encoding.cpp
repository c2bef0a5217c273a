#include "common/text_encoding.h"

namespace {

constexpr std::uint32_t REPLACEMENT = 0xFFFD;

bool Is_Utf16(TextEncoding encoding) {
  return encoding != TextEncoding::Unmarked && encoding != TextEncoding::Utf8;
}

bool Is_Little_Endian(TextEncoding encoding) {
  return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16LeUnmarked;
}

std::size_t Put_Utf8(std::uint32_t code, std::uint8_t *utf8) {
  if (code < 0x80) {
    utf8[0] = static_cast<std::uint8_t>(code);
    return 1;
  }
  const std::size_t tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  constexpr std::uint8_t LEAD[] = {0, 0xC0, 0xE0, 0xF0};
  utf8[0] = static_cast<std::uint8_t>(LEAD[tail] | code >> (6 * tail));
  for (std::size_t i = 1; i <= tail; ++i) {
    utf8[i] = static_cast<std::uint8_t>(0x80 | (code >> (6 * (tail - i)) & 0x3F));
  }
  return tail + 1;
}

bool Is_High_Surrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool Is_Low_Surrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A whole code unit: a character, or the half of one. A high surrogate not
// followed by its partner stands for U+FFFD, and the unit after it starts
// the next character.
std::size_t Decode_Unit(TextDecoder &decoder, std::uint32_t unit, std::uint8_t *utf8) {
  std::size_t size = 0;
  if (decoder.high != 0) {
    const std::uint32_t high = decoder.high;
    decoder.high = 0;
    if (Is_Low_Surrogate(unit)) {
      return Put_Utf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), utf8);
    }
    size = Put_Utf8(REPLACEMENT, utf8);
  }
  if (Is_High_Surrogate(unit)) {
    decoder.high = unit;
    return size;
  }
  return size + Put_Utf8(Is_Low_Surrogate(unit) ? REPLACEMENT : unit, utf8 + size);
}

} // namespace

TextEncoding Text_Encoding(const std::uint8_t *start, std::size_t size) {
  if (size >= 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF) {
    return TextEncoding::Utf8;
  }
  if (size >= 2 && start[0] == 0xFF && start[1] == 0xFE) {
    return TextEncoding::Utf16Le;
  }
  if (size >= 2 && start[0] == 0xFE && start[1] == 0xFF) {
    return TextEncoding::Utf16Be;
  }
  if (size >= 2 && start[0] != 0 && start[0] < 0x80 && start[1] == 0) {
    return TextEncoding::Utf16LeUnmarked;
  }
  if (size >= 2 && start[0] == 0 && start[1] != 0 && start[1] < 0x80) {
    return TextEncoding::Utf16BeUnmarked;
  }
  return TextEncoding::Unmarked;
}

std::size_t Mark_Size(TextEncoding encoding) {
  switch (encoding) {
  case TextEncoding::Utf8:
    return 3;
  case TextEncoding::Utf16Le:
  case TextEncoding::Utf16Be:
    return 2;
  default:
    return 0;
  }
}

const char *Encoding_Name(TextEncoding encoding) {
  switch (encoding) {
  case TextEncoding::Unmarked:
    break;
  case TextEncoding::Utf8:
    return "UTF-8 with a byte-order mark";
  case TextEncoding::Utf16Le:
    return "UTF-16 little-endian";
  case TextEncoding::Utf16Be:
    return "UTF-16 big-endian";
  case TextEncoding::Utf16LeUnmarked:
    return "UTF-16 little-endian without a byte-order mark";
  case TextEncoding::Utf16BeUnmarked:
    return "UTF-16 big-endian without a byte-order mark";
  }
  return "plain text";
}

std::size_t Decode_Byte(TextDecoder &decoder, std::uint8_t byte,
                        std::uint8_t (&utf8)[DECODED_MAX]) {
  if (!Is_Utf16(decoder.encoding)) {
    utf8[0] = byte;
    return 1;
  }
  if (decoder.unit_byte < 0) {
    decoder.unit_byte = byte;
    return 0;
  }
  const auto first = static_cast<std::uint32_t>(decoder.unit_byte);
  const std::uint32_t second = byte;
  decoder.unit_byte = -1;
  const std::uint32_t unit =
      Is_Little_Endian(decoder.encoding) ? second << 8 | first : first << 8 | second;
  return Decode_Unit(decoder, unit, utf8);
}

std::size_t Decode_End(TextDecoder &decoder, std::uint8_t (&utf8)[DECODED_MAX]) {
  const bool unfinished = decoder.high != 0 || decoder.unit_byte >= 0;
  decoder.high = 0;
  decoder.unit_byte = -1;
  return unfinished ? Put_Utf8(REPLACEMENT, utf8) : 0;
}
