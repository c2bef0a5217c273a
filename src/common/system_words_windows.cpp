#include "common/system_words.h"

#include <windows.h>

#include <cstring>

const char *System_Words(unsigned long error, char *words, std::size_t size) {
  // The longest message the system keeps, with room to spare.
  wchar_t wide[512];
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                     wide, sizeof wide / sizeof wide[0], nullptr);
  if (length == 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, words, static_cast<int>(size),
                                         nullptr, nullptr) == 0) {
    words[0] = '\0';
    return words;
  }
  std::size_t end = std::strlen(words);
  while (end > 0 && (words[end - 1] == '\n' || words[end - 1] == '\r' || words[end - 1] == ' ')) {
    words[--end] = '\0';
  }
  return words;
}
