#pragma once

#include <string>
#include <string_view>

// The text with each byte that is not printable ASCII shown as \xNN, so that a
// message quoting a name or a line is plain text, whole.
[[nodiscard]] std::string Shown(std::string_view text);
