#pragma once

#include <string>
#include <string_view>

// The text as XML holds it: its markup characters escaped, and each byte
// that is no part of a character XML may hold shown as U+FFFD, so that a file
// name of any bytes still makes a well-formed plot.
[[nodiscard]] std::string Escaped(std::string_view text);
