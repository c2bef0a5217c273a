#pragma once

// Reading the controller's output by the formats it prints it with.

#include <cstddef>
#include <string_view>
#include <vector>

// The text of a format in front of its first conversion ("Now Tempareture
// is: " of "Now Tempareture is: %02d\n").
constexpr std::string_view Text_Before_Number(std::string_view format) {
  return format.substr(0, format.find('%'));
}

// The lines of a text, each without its line feed; a last line without one
// counts too.
[[nodiscard]] std::vector<std::string_view> Lines_Of(std::string_view text);

// Whether the line holds what the format prints, less its line end and the
// blanks before it: its text as it stands, with a decimal number where the
// format has a conversion.
[[nodiscard]] bool Shows(std::string_view line, std::string_view format);
