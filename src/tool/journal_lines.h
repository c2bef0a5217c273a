#pragma once

// The journal's own way of writing a log out: journalctl's short formats put
// a stamp, the host and the program in front of each line the program wrote
// ("Dec 09 10:00:01 pc thermal-control[812]: heartbat ..."), and it adds lines
// of its own ("-- Boot 1a2b... --"). Its other formats are no log of lines.

#include <string_view>

// The line the program wrote, where the line carries one of the short
// formats' prefixes: short, short-precise, short-iso, short-iso-precise,
// short-full, short-monotonic, short-delta, short-unix.
[[nodiscard]] bool Journal_Message(std::string_view line, std::string_view &message);

// A line journalctl writes of its own: "-- ... --".
[[nodiscard]] bool Is_Journal_Note(std::string_view line);

// The name of a journalctl output format that is not a log of lines (json,
// export, verbose), recognised by the first line it writes; nullptr for any
// other line.
[[nodiscard]] const char *Unread_Journal_Format(std::string_view first_line);
