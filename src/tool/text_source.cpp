#include "tool/text_source.h"

namespace {

constexpr std::uint32_t REPLACEMENT = 0xFFFD;

void Give(TextSource &source, std::uint8_t byte) { source.pending[source.pending_size++] = byte; }

void Give_Utf8(TextSource &source, std::uint32_t code) {
  source.pending_size = 0;
  source.pending_at = 0;
  if (code < 0x80) {
    Give(source, static_cast<std::uint8_t>(code));
  } else if (code < 0x800) {
    Give(source, static_cast<std::uint8_t>(0xC0 | code >> 6));
    Give(source, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    Give(source, static_cast<std::uint8_t>(0xE0 | code >> 12));
    Give(source, static_cast<std::uint8_t>(0x80 | (code >> 6 & 0x3F)));
    Give(source, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
  } else {
    Give(source, static_cast<std::uint8_t>(0xF0 | code >> 18));
    Give(source, static_cast<std::uint8_t>(0x80 | (code >> 12 & 0x3F)));
    Give(source, static_cast<std::uint8_t>(0x80 | (code >> 6 & 0x3F)));
    Give(source, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
  }
}

int Next_Byte(TextSource &source) {
  const int byte = source.carried_byte >= 0 ? source.carried_byte : std::fgetc(source.file);
  source.carried_byte = -1;
  return byte;
}

// The next UTF-16 code unit; false at the end (a lone last byte included).
bool Next_Unit(TextSource &source, std::uint32_t &unit) {
  if (source.carried_unit >= 0) {
    unit = static_cast<std::uint32_t>(source.carried_unit);
    source.carried_unit = -1;
    return true;
  }
  const int first = Next_Byte(source);
  const int second = first == EOF ? EOF : Next_Byte(source);
  if (second == EOF) {
    return false;
  }
  const bool little = source.encoding == TextEncoding::Utf16Le;
  unit = static_cast<std::uint32_t>(little ? second << 8 | first : first << 8 | second);
  return true;
}

bool Is_High_Surrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool Is_Low_Surrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The next character of a UTF-16 text, made into UTF-8 bytes to give. A
// unit after a high surrogate that is no partner of it starts the next
// character.
bool Decode_Utf16(TextSource &source) {
  std::uint32_t unit = 0;
  if (!Next_Unit(source, unit)) {
    return false;
  }
  std::uint32_t next = 0;
  if (!Is_High_Surrogate(unit)) {
    Give_Utf8(source, Is_Low_Surrogate(unit) ? REPLACEMENT : unit);
  } else if (!Next_Unit(source, next)) {
    Give_Utf8(source, REPLACEMENT);
  } else if (Is_Low_Surrogate(next)) {
    Give_Utf8(source, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
  } else {
    source.carried_unit = static_cast<std::int32_t>(next);
    Give_Utf8(source, REPLACEMENT);
  }
  return true;
}

} // namespace

void Text_Start(TextSource &source, std::FILE *file) {
  source = TextSource{};
  source.file = file;
  std::array<std::uint8_t, 3> start{};
  std::size_t size = 0;
  for (int c; size < start.size() && (c = std::fgetc(file)) != EOF;) {
    start[size++] = static_cast<std::uint8_t>(c);
  }
  source.encoding = Marked_Encoding(start.data(), size);
  const bool utf16 =
      source.encoding == TextEncoding::Utf16Le || source.encoding == TextEncoding::Utf16Be;
  for (std::size_t i = Mark_Size(source.encoding); i < size; ++i) {
    if (utf16) {
      source.carried_byte = start[i];
    } else {
      Give(source, start[i]);
    }
  }
}

int Text_Next(TextSource &source) {
  if (source.pending_at == source.pending_size) {
    source.pending_at = 0;
    source.pending_size = 0;
    const bool utf16 =
        source.encoding == TextEncoding::Utf16Le || source.encoding == TextEncoding::Utf16Be;
    if (!utf16) {
      return std::fgetc(source.file);
    }
    if (!Decode_Utf16(source)) {
      return EOF;
    }
  }
  return source.pending[source.pending_at++];
}
