#pragma once

// What thermal-table does with files beyond reading them, on every system
// the same way, names in UTF-8: whether two names are one file, and writing
// a file whole under another name before it takes its place.

#include <cstdio>
#include <string>

// Whether the two names are one file: the same file where both exist (two
// links to it; on Windows, two names that differ only in case), the same
// name where one does not.
[[nodiscard]] bool Same_File(const std::string &a, const std::string &b);

// Whether the name is the file the standard output goes to.
[[nodiscard]] bool Is_Standard_Output(const std::string &name);

// The file a name leads to, its links followed, where it exists; else the
// name as it is.
[[nodiscard]] std::string File_Behind(const std::string &name);

// A new file beside `target` (in the same folder, so that a rename moves it
// into place whole), open for writing, its name in `temporary`. nullptr, with
// the reason in `why`, where it cannot be made.
[[nodiscard]] std::FILE *Create_Beside(const std::string &target, std::string &temporary,
                                       std::string &why);

// Moves `from` into the place of `to`, which it replaces where it exists, in
// one step. False, with the reason, where it cannot.
[[nodiscard]] bool Replace_File(const std::string &from, const std::string &to, std::string &why);

void Remove_File(const std::string &name);
