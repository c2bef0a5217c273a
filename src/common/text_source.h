#pragma once

// A text file's bytes as UTF-8, in whichever of the encodings Windows writes
// it (common/text_encoding.h): its first bytes tell the encoding, a mark is
// left out, and UTF-16 is turned into UTF-8. A text of any other kind is
// given as it stands. The table's loader and thermal-table's log reader read
// through it. No allocation.

#include "common/text_encoding.h"

#include <cstdint>
#include <cstdio>

struct TextSource {
  std::FILE *file = nullptr;
  TextDecoder decoder;
  std::size_t bytes_read = 0;          // of the file, the mark included
  std::uint8_t pending[DECODED_MAX]{}; // decoded, still to give
  std::size_t pending_size = 0;
  std::size_t pending_at = 0;
  std::uint8_t start[3]{}; // read to tell the encoding, still to decode
  std::size_t start_size = 0;
  std::size_t start_at = 0;
  bool ended = false;
};

// Starts reading the file: its first bytes tell its encoding.
void Text_Start(TextSource &source, std::FILE *file);

// The next byte, or EOF at the end of the file or on a read error.
[[nodiscard]] int Text_Next(TextSource &source);
