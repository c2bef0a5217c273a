#pragma once

// The encodings Windows writes text in, as read back: Notepad's "UTF-8" (with
// its byte-order mark), PowerShell 5.1's redirections and Notepad's "UTF-16
// LE" (UTF-16 with its mark), and UTF-16 without a mark, which its first two
// bytes show (a character of the ASCII range and a zero byte). Every other
// text is taken as it stands, a byte a character. A reader decodes the text
// into UTF-8 bytes, so that the same digits read alike in any of them.

#include <cstddef>
#include <cstdint>

enum class TextEncoding : std::uint8_t {
  Unmarked,
  Utf8,    // with its byte-order mark
  Utf16Le, // with its byte-order mark
  Utf16Be,
  Utf16LeUnmarked,
  Utf16BeUnmarked,
};

// The encoding the text's first bytes (three, or fewer in a shorter text)
// show.
[[nodiscard]] TextEncoding Text_Encoding(const std::uint8_t *start, std::size_t size);

// How many bytes the mark takes at the text's start.
[[nodiscard]] std::size_t Mark_Size(TextEncoding encoding);

// The encoding in words, as the program's notes name it.
[[nodiscard]] const char *Encoding_Name(TextEncoding encoding);

// Turns the bytes after the mark into UTF-8, a byte at a time. A UTF-16 code
// unit that is no character gives U+FFFD, as does a last byte that ends no
// unit.
struct TextDecoder {
  TextEncoding encoding = TextEncoding::Unmarked;
  int unit_byte = -1;     // UTF-16: the first byte of the unit under way
  std::uint32_t high = 0; // UTF-16: a high surrogate awaiting its partner
};

// The room a decoded byte's UTF-8 may take: a replaced surrogate and the
// character after it.
constexpr std::size_t DECODED_MAX = 8;

// The UTF-8 bytes that the text's next byte completes, written to `utf8`.
[[nodiscard]] std::size_t Decode_Byte(TextDecoder &decoder, std::uint8_t byte,
                                      std::uint8_t (&utf8)[DECODED_MAX]);

// The UTF-8 bytes left at the text's end: what an unfinished unit stands for.
[[nodiscard]] std::size_t Decode_End(TextDecoder &decoder, std::uint8_t (&utf8)[DECODED_MAX]);
