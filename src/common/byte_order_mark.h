#pragma once

// The encodings Windows marks at a text's start: Notepad's "UTF-8" (with
// its byte-order mark) and PowerShell 5.1's redirections (UTF-16
// little-endian, with its mark). A text without a mark is taken as it
// stands.

#include <cstddef>
#include <cstdint>

enum class TextEncoding : std::uint8_t { Unmarked, Utf8, Utf16Le, Utf16Be };

// The encoding the text's first bytes mark.
[[nodiscard]] constexpr TextEncoding Marked_Encoding(const std::uint8_t *start, std::size_t size) {
  if (size >= 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF) {
    return TextEncoding::Utf8;
  }
  if (size >= 2 && start[0] == 0xFF && start[1] == 0xFE) {
    return TextEncoding::Utf16Le;
  }
  if (size >= 2 && start[0] == 0xFE && start[1] == 0xFF) {
    return TextEncoding::Utf16Be;
  }
  return TextEncoding::Unmarked;
}

// How many bytes the mark takes.
[[nodiscard]] constexpr std::size_t Mark_Size(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8 ? 3 : encoding == TextEncoding::Unmarked ? 0 : 2;
}

[[nodiscard]] constexpr const char *Encoding_Name(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8      ? "UTF-8 with a byte-order mark"
         : encoding == TextEncoding::Utf16Le ? "UTF-16 little-endian"
         : encoding == TextEncoding::Utf16Be ? "UTF-16 big-endian"
                                             : "unmarked";
}
