#pragma once

#include <cstddef>

// Writes all `size` bytes to the descriptor, through interruptions and short
// writes. False where the descriptor takes no more: the rest is not written,
// and errno says why.
[[nodiscard]] bool File_WriteAll(int descriptor, const char *text, std::size_t size);
