#pragma once

// Whom the program trusts on Windows (winring0_trust.cpp), and its one-copy
// lock (winring0_lock.cpp).

#include "backends/common/file_trust.h"

#include <windows.h>

#include <cstddef>

// The SID of the account the process runs as, as text: SYSTEM for the
// service.
[[nodiscard]] const char *WinRing0_OwnSid();

// A file's or folder's owner and access list, as the rules take them; false
// where they cannot be read.
[[nodiscard]] bool WinRing0_ReadSecurity(HANDLE file, Security &security);

// Whether the service may trust a file or folder it opened, by its owner and
// who may write it (backends/common/file_trust.h); why not in `why`.
[[nodiscard]] bool WinRing0_Trusted(HANDLE file, char *why, std::size_t size);

// Moves what stands at `path` out of the way, to the same name with
// ".set-aside-<time>" after it, and says so, as an event too; false where it
// cannot.
[[nodiscard]] bool WinRing0_SetAside(const wchar_t *path, const char *why);

// Takes the one-copy lock, held until the process ends (the kernel lets go of
// it then, whatever way the process ends). False, after a message naming who
// holds it, when it cannot be had.
[[nodiscard]] bool WinRing0_TakeMachineLock();
