#pragma once

// The parts of the simulated machine, wired together by sim_machine.cpp: the
// PCI bus with the LPC bridge, the configuration ports with their logical
// devices, and the EC behind them.

#include "backends/sim/sim.h"
#include "hw/board.h"

#include <cstdint>

// The PCI bus and the LPC bridge at 0:31.0 (sim_bridge.cpp).
void Bridge_PowerOn();
std::uint32_t Bridge_Find(std::uint16_t vendor_id, std::uint16_t device_id, std::uint8_t index);
std::uint32_t Bridge_ReadConfig(std::uint32_t address, std::uint8_t reg);
void Bridge_WriteConfig(std::uint32_t address, std::uint8_t reg, std::uint32_t value);
void Bridge_SetMaxBus(std::uint8_t max_bus);
bool Bridge_Forwards(std::uint16_t port);
void Bridge_ForgetDecodeRange(); // as firmware may leave it after a resume from sleep

// The configuration ports 0x4E/0x4F (sim_sio.cpp).
std::uint8_t Sio_Read(std::uint16_t port);
void Sio_Write(std::uint16_t port, std::uint8_t value);
bool Sio_EcDeviceDecodes(); // active, with its bases at the EC's two ports
void Sio_ResetEcDevice();   // inactive, bases 0, as after a resume from sleep

// The EC (sim_ec.cpp). Its ports reach it only while they are decoded.
void Ec_PowerOn();
void Ec_Restart();   // buffers empty, and it waits for its start-up command again
void Ec_Stick();     // its input buffer stays full for good
bool Ec_InputFull(); // it has not yet taken the last byte written
void Ec_SenseTemperature(std::uint8_t temperature); // when 0x44 is written, heard or not
std::uint8_t Ec_ReadStatus();
std::uint8_t Ec_ReadData();
void Ec_TakeCommand(std::uint8_t command);
void Ec_TakeData(std::uint8_t data);

// A port access as the hardware carries it out, untraced: the program's, and
// that of other software on the machine (sim_machine.cpp).
std::uint8_t Machine_ReadPort(std::uint16_t port);
void Machine_WritePort(std::uint16_t port, std::uint8_t value);

// Other software on the machine (sim_others.cpp), which the intruder faults
// bring in: called after each of the program's port accesses.
void Others_AfterProgramAccess(std::uint16_t port, bool write);

// Called by the EC (sim_machine.cpp): each time the host has read a
// temperature reply, which counts them and lets the chosen fault strike; and
// when it is given the value the fan runs on.
void Machine_TemperatureReplyRead();
void Machine_SetFanValue(std::uint8_t value);
