#pragma once

// Whether the program runs as the Windows service (winring0_service.cpp),
// in its data folder, with nobody to read its standard streams.
[[nodiscard]] bool WinRing0_AsService();
