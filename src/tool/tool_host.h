#pragma once

// thermal-table's command line and standard streams as it uses them: the
// arguments in UTF-8 (on Windows taken from the wide command line, so that a
// file name of any characters arrives whole), the standard input read as
// bytes, as the controller reads its table, and a console's output shown in
// UTF-8.

#include <string>
#include <vector>

[[nodiscard]] std::vector<std::string> Tool_Arguments(int argc, char **argv);
