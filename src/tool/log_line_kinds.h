#pragma once

// What a line of a log is: a temperature as the controller prints it or as a
// plain list gives it, a line of the table's echo or listing, or one of the
// controller's other lines.

#include "app/log_lines.h"
#include "tool/log_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// A cycle's line holds this, then its temperature.
constexpr std::string_view TEMPERATURE_MARK = Text_Before_Number(LOG_TEMPERATURE);

// A temperature as the controller prints it: 0 to 255, at least two digits
// ("%02d"), or as a plain list gives it: one to three digits (`least` 1).
[[nodiscard]] bool Parse_Temperature(std::string_view text, std::size_t least,
                                     std::uint8_t &temperature);

// A line of the table's echo or listing: numbers, each followed by two
// blanks (the last one's gone where the journal strips a line's end). The
// numbers at its start go to `numbers`, where given: a line where the load
// stopped early goes on with the message why. True when the numbers are the
// whole line.
[[nodiscard]] bool Table_Numbers(std::string_view line, std::vector<std::int64_t> *numbers);

// Whether the controller writes this message: a line of its own, not a
// temperature's, nor the table's numbers (which a plain list's line of one
// number could be).
[[nodiscard]] bool Is_Controller_Message(std::string_view line);

// Whether the controller writes this line, besides its temperature lines.
[[nodiscard]] bool Is_Controller_Line(std::string_view line);

// A line of a plain list: temperatures separated by blanks, tabs or commas,
// each one to three digits. False where any of them is not.
[[nodiscard]] bool Plain_Temperatures(std::string_view line,
                                      std::vector<std::uint8_t> &temperatures);
