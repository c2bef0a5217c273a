#pragma once

// What the parts of the Windows service share: whether the program runs as
// the service, its folder, its log and its events.

#include <windows.h>

// Whether the program runs as the Windows service (winring0_service.cpp),
// in its data folder, with nobody to read its standard streams.
[[nodiscard]] bool WinRing0_AsService();

// Makes %ProgramData%\thermal-control a real folder that only the
// administrators change, with the sample table in it when it was made, and
// enters it (winring0_folder.cpp). False, after a message, when it cannot.
[[nodiscard]] bool WinRing0_EnterDataFolder();

// Takes the program's lines for the service's log (winring0_output.cpp),
// from the service's start on; begins the log, once the service is in its
// folder, with the run's start line, and the lines said before it; and ends
// the run with its stop line, which says why.
void WinRing0_TakeLines();
void WinRing0_StartLog();
void WinRing0_StopLog(const char *why);

// The last line the program said on its standard error stream, without its
// line end: the reason a start-up failed. Empty where it said none.
[[nodiscard]] const char *WinRing0_LastSaid();

// One event in the Application log, under the source thermal-control, whose
// message file (the exe's message table) holds `message` with the program's
// words as its insert. Nothing happens where the log cannot be reached.
void WinRing0_Event(DWORD message, const char *text);
