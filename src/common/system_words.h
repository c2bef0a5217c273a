#pragma once

// Windows only: the system's own words for an error number (as GetLastError
// gives it), in UTF-8, without the line end FormatMessage puts after them.

#include <cstddef>

// Writes the words into `words` (empty where the system has none, or they do
// not fit) and returns it.
const char *System_Words(unsigned long error, char *words, std::size_t size);
