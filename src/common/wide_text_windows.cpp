#include "common/system_words.h"
#include "common/wide_text.h"

#include <windows.h>

std::string Utf8_Of(const wchar_t *text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back(); // the terminating null
  return utf8;
}

std::wstring Wide_Of(const char *text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (size <= 1) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

std::string Windows_Error_Words(unsigned long error) {
  char words[1024];
  const std::string text = System_Words(error, words, sizeof words);
  return (text.empty() ? "" : text + " ") + "(error " + std::to_string(error) + ")";
}
