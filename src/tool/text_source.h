#pragma once

// A log's bytes as UTF-8, in whichever of the encodings Windows marks it is
// written: UTF-8 with its byte-order mark (the mark left out), UTF-16 little-
// or big-endian with its mark (turned into UTF-8; a code unit that is no
// character gives U+FFFD). A text without a mark is given as it stands.

#include "common/byte_order_mark.h"

#include <array>
#include <cstdint>
#include <cstdio>

struct TextSource {
  std::FILE *file = nullptr;
  TextEncoding encoding = TextEncoding::Unmarked;
  std::array<std::uint8_t, 4> pending{}; // bytes read or made, still to give
  std::uint8_t pending_size = 0;
  std::uint8_t pending_at = 0;
  int carried_byte = -1;          // UTF-16: read with the mark, its unit's first
  std::int32_t carried_unit = -1; // UTF-16: read after a high surrogate, no partner of it
};

// Starts reading the file: its mark, where it has one, tells its encoding.
void Text_Start(TextSource &source, std::FILE *file);

// The next byte, or EOF at the end of the file or on a read error.
[[nodiscard]] int Text_Next(TextSource &source);
