#pragma once

// The lines the controller prints as it runs, each as it stands on standard
// output (a format where it carries a number). The controller prints them
// from here, and thermal-table's replay reads a captured output back by them.

constexpr char LOG_INIT_OK[] = "Init_WinRing0 ok\n";
constexpr char LOG_PORT_LIBRARY_ERROR[] = "initializes the DLL Error\n";
constexpr char LOG_NO_BRIDGE[] = "No find PCI bradge\n";
constexpr char LOG_OPEN_PORT_OK[] = "open port ok\n";

// A cycle: the heartbeat, continued on the same line by the temperature, then
// what the cycle did about its read, then the current row.
constexpr char LOG_HEARTBEAT[] = "heartbat %05d ";
constexpr char LOG_TEMPERATURE[] = "Now Tempareture is: %02d\n";
constexpr char LOG_RESUMED[] = "system resumed; setting the EC up again\n";
constexpr char LOG_NO_ANSWER[] = "EC did not answer; row held\n";
constexpr char LOG_NOT_TAKEN[] = "EC did not take the row's value; row held\n";
constexpr char LOG_PORTS_LOST[] = "EC ports lost; setting them up again\n";
constexpr char LOG_EC_SILENT[] = "EC did not answer %u times; setting it up again\n";
constexpr char LOG_STATUS[] = "now select value: %d   %d   %d   %d\n";

// Between two cycles, after the table was read again and listed: the EC ran
// on the current row's former value, and is sent its new one.
constexpr char LOG_RELOAD_SENT[] = "row %u's value is now %u: sent to the EC\n";
