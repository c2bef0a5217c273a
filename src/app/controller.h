#pragma once

#include "app/cycle_decision.h"
#include "app/cycle_report.h"
#include "app/status.h"
#include "hw/ec.h"
#include "table/thermal_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What the outside was last told: the service manager's status, and the
// metrics file, with where it goes.
constexpr std::size_t METRICS_FOLDER_SIZE = 512;
struct Told {
  CycleReport last{};   // the last cycle's, or the start-up's
  CycleReport status{}; // the report the last STATUS was made from
  char status_text[STATUS_TEXT_SIZE] = {};
  bool status_sent = false;
  CycleReport metrics{};        // the report the metrics file was last written from
  std::uint64_t metrics_ms = 0; // and when, on the platform's clock
  bool metrics_retry = false;   // a rename that failed: tried again at the next cycle
  bool metrics_failing = false; // said once, until a write works again
  char metrics_folder[METRICS_FOLDER_SIZE] = {}; // empty: no metrics file
};

// What a run of the controller holds from its start-up to its end. Start-up
// fills it afresh; the cycles carry it on.
struct Controller {
  ThermalTableBytes table = Built_In_Table(); // the built-in rows, overwritten by the file
  std::uint16_t table_count = 0;              // values stored from the file
  std::uint8_t row = ROW_BOTTOM;              // the current table row
  std::uint16_t heartbeat = 0;                // cycles run; wraps from 65535 to 0
  std::uint8_t temperature = 0;               // the latest byte the EC's data port gave
  std::uint8_t silent_reads = 0;              // reads in a row the EC did not answer, ports there
  std::uint64_t suspended_ms_seen = 0;        // the machine's suspended time at the last look
  std::int16_t ec_value = -1;                 // the value the EC last took, -1 while not known
  EcStart ec_start = EcStart::Owed;           // how the last start-up command went
  bool value_owed = false;        // a set-up could not send the row's value: it follows the command
  std::int16_t answered = -1;     // the last temperature the EC answered with, -1 before one
  ControlCounts counts{};         // what it did since its start
  std::uint32_t started_s = 0;    // its start, and its last cycle's end, in Unix time
  std::uint32_t last_cycle_s = 0; // 0 before the first
  Told told{};
};

// Loads and lists the table, brings up the port library, opens the EC host
// interface and sends the EC its start-up command (taken or not); then
// tells the service manager that the program is up: its control cycle
// begins. 0 then; else, after the failed step's message, the exit status
// of its kind (app/exit_status.h).
[[nodiscard]] int Start_Up(Controller &controller);

// Whether the table file the program opened may be used, as its platform
// sees it (Platform_FileTrusted); a refusal is told as an event too.
[[nodiscard]] bool Table_Trusted(std::FILE *file, char *why, std::size_t size);

// Says on the standard error stream, one line each in thermal-table check's
// words, what the table read from the file holds that changes what the
// controller does: values outside 0 to 255, a file that ends inside a row,
// built-in rows it climbs into, rows it never leaves once in them, a
// byte-order mark. `load` is what the load of the file saw.
void Say_Table_Findings(const Controller &controller, const TableLoad &load);

// Has the LPC bridge forward the EC's ports and sets up the EC's logical
// device. After the message of the step that failed: NotThisMachine when
// there is no bridge, or its decode range is another device's; Failed when
// a bus could not be held, or the backend could not carry out a read or a
// write.
enum class PortsOpened : std::uint8_t { Open, NotThisMachine, Failed };
[[nodiscard]] PortsOpened Open_Port();

// Gives the EC a moment after its ports were opened, then sends it its
// start-up command.
[[nodiscard]] EcStart Start_Ec();

// How the start-up command went, from how it was sent.
[[nodiscard]] EcStart Start_Of(EcSent sent);

// The state part of a cycle's report: what the controller holds now.
[[nodiscard]] CycleReport Report_State(const Controller &controller);

// What the outside is told: once the controller is up, after each cycle
// (the status the service manager shows, that the program lives, and the
// metrics file when it is due), and as the controller stops (the metrics
// file's last write, which says it no longer runs).
void Tell_Up(Controller &controller);
void Tell_Cycle(Controller &controller, const CycleReport &report);
void Tell_Stopped(Controller &controller);

// Reads the table file again, as start-up does: the built-in rows overwritten
// by the file, echoed and listed. A file that cannot be used leaves the table
// in force, and the standard error stream says why. The row stays; where the
// EC holds the value the program sent for it and the new table's value
// differs, the EC is sent the new one at once.
void Read_Table_Again(Controller &controller);

// One control cycle: pause, read the table again if that was asked for, set
// the EC up again if the machine slept, read the temperature, move at most
// one row and send the entered row's value (or set the EC up again when its
// ports were lost or it stopped answering), print the status; then tell the
// service manager what the cycle did, and that the program is alive. False,
// with nothing done, when the program was asked to end during the pause.
[[nodiscard]] bool Control_Cycle(Controller &controller, std::uint32_t pause_ms);
