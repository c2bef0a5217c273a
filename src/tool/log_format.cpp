#include "tool/log_format.h"

namespace {

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// Where a conversion ("%u", "%02d", "%s") ends in the format, from its '%'.
std::size_t Conversion_End(std::string_view format, std::size_t percent) {
  std::size_t end = percent + 1;
  while (end < format.size() && Is_Digit(format[end])) {
    ++end;
  }
  return end + 1;
}

// Whether the format, from `f` on, matches the line from `at` on: its text as
// it stands, a decimal number (with its sign) for a number's conversion, and
// some text for "%s".
bool Matches_At(std::string_view line, std::size_t at, std::string_view format, std::size_t f) {
  while (f < format.size()) {
    if (format[f] != '%') {
      if (at == line.size() || line[at] != format[f]) {
        return false;
      }
      ++at;
      ++f;
      continue;
    }
    const std::size_t end = Conversion_End(format, f);
    if (format[end - 1] == 's') {
      for (std::size_t to = at + 1; to <= line.size(); ++to) {
        if (Matches_At(line, to, format, end)) {
          return true;
        }
      }
      return false;
    }
    if (at < line.size() && line[at] == '-') {
      ++at;
    }
    const std::size_t digits_from = at;
    while (at < line.size() && Is_Digit(line[at])) {
      ++at;
    }
    if (at == digits_from) {
      return false;
    }
    f = end;
  }
  return true;
}

} // namespace

std::vector<std::string_view> Lines_Of(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return lines;
}

bool Shows(std::string_view line, std::string_view format) {
  format = format.substr(0, format.find_last_not_of(" \n") + 1);
  for (std::size_t at = 0; at <= line.size(); ++at) {
    if (Matches_At(line, at, format, 0)) {
      return true;
    }
  }
  return false;
}
