#include "tool/journal_lines.h"

#include <array>

namespace {

bool Is_Digit(char c) { return c >= '0' && c <= '9'; }

// The next token up to a blank, which is taken off the text with the blanks
// after it.
std::string_view Take_Token(std::string_view &text) {
  const std::size_t end = text.find(' ');
  const std::string_view token = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  const std::size_t next = text.find_first_not_of(' ');
  text.remove_prefix(next == std::string_view::npos ? text.size() : next);
  return token;
}

// Whether the text follows the pattern: '9' a digit, '?' any character, and
// each other character itself; a longer text may go on after it.
bool Starts_As(std::string_view text, std::string_view pattern) {
  if (text.size() < pattern.size()) {
    return false;
  }
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const bool fits =
        pattern[i] == '9' ? Is_Digit(text[i]) : pattern[i] == '?' || pattern[i] == text[i];
    if (!fits) {
      return false;
    }
  }
  return true;
}

template <std::size_t N>
bool One_Of(std::string_view token, const std::array<std::string_view, N> &names) {
  for (const std::string_view name : names) {
    if (token == name) {
      return true;
    }
  }
  return false;
}

constexpr std::array<std::string_view, 12> MONTHS = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> DAYS = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// Takes the stamp of one of the short formats off the text.
bool Take_Stamp(std::string_view &text) {
  if (!text.empty() && text[0] == '[') { // short-monotonic, short-delta
    const std::size_t end = text.find("] ");
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    return end != std::string_view::npos;
  }
  const std::string_view first = Take_Token(text);
  if (One_Of(first, MONTHS)) { // short, short-precise
    const std::string_view day = Take_Token(text);
    return !day.empty() && Is_Digit(day[0]) && Starts_As(Take_Token(text), "99:99:99");
  }
  if (One_Of(first, DAYS)) { // short-full
    return Starts_As(Take_Token(text), "9999-99-99") && Starts_As(Take_Token(text), "99:99:99") &&
           !Take_Token(text).empty();
  }
  if (Starts_As(first, "9999-99-99T99:99:99")) { // short-iso, short-iso-precise
    return true;
  }
  const std::size_t point = first.find('.'); // short-unix
  return point != std::string_view::npos && point > 0 &&
         first.find_first_not_of("0123456789.") == std::string_view::npos;
}

// Takes the host and the program ("thermal-control[812]:") off the text.
bool Take_Host_And_Program(std::string_view &text) {
  const std::string_view host = Take_Token(text);
  const std::size_t colon = text.find(": ");
  const std::size_t blank = text.find(' ');
  if (host.empty() || colon == std::string_view::npos || colon == 0 || blank < colon) {
    return false;
  }
  text.remove_prefix(colon + 2);
  return true;
}

} // namespace

bool Journal_Message(std::string_view line, std::string_view &message) {
  std::string_view rest = line;
  if (!Take_Stamp(rest) || !Take_Host_And_Program(rest)) {
    return false;
  }
  message = rest;
  return true;
}

bool Is_Journal_Note(std::string_view line) {
  return line.size() >= 6 && line.substr(0, 3) == "-- " && line.substr(line.size() - 3) == " --";
}

const char *Unread_Journal_Format(std::string_view first_line) {
  if (first_line.substr(0, 1) == "{" || first_line.substr(0, 2) == "\x1e{" ||
      first_line.substr(0, 7) == "data: {") {
    return "json";
  }
  if (first_line.substr(0, 9) == "__CURSOR=") {
    return "export";
  }
  if (first_line.find(" [s=") != std::string_view::npos &&
      first_line.find(";i=") != std::string_view::npos) {
    return "verbose";
  }
  return nullptr;
}
