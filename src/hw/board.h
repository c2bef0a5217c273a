/* SPDX-License-Identifier: (GPL-2.0 OR MIT) */
/*
 * The board's fixed hardware facts: the EC's host interface, the
 * configuration ports of the EC's logical device and the LPC bridge that
 * forwards the EC's ports. The program, its backends and the thermal_ec
 * kernel module all drive the hardware from these, so this header is plain
 * C, in the kernel's style.
 */
/* clang-format off */
#ifndef THERMAL_BOARD_H
#define THERMAL_BOARD_H

/*
 * The EC's host interface: a data port and a command/status port (command
 * written, status read), with the status bits of the ACPI embedded-controller
 * interface: output buffer full (a reply waits in the data port) and input
 * buffer full (the EC has not taken the last byte written).
 */
#define EC_DATA_PORT 0x68
#define EC_CMD_PORT 0x6C
#define EC_STATUS_OBF 0x01
#define EC_STATUS_IBF 0x02

/*
 * The EC's commands, each followed by one data byte: its start-up with the
 * byte 6, a temperature read with 0x00 (one reply byte follows), and the
 * value the entered table row holds.
 */
#define EC_CMD_INIT 0x33
#define EC_CMD_READ_TEMPERATURE 0x44
#define EC_CMD_SELECT 0x55
#define EC_INIT_DATA 6
#define EC_READ_TEMPERATURE_ARG 0x00

/*
 * The configuration ports: a register number to the index port, then its
 * value to the data port, in the Plug and Play ISA register layout. The
 * firmware leaves them open, so no enter or exit sequence is written, and
 * nothing is read back. Registers below 0x30 are shared by all logical
 * devices; 0x07 selects the device the others belong to.
 */
#define SIO_INDEX_PORT 0x4E
#define SIO_DATA_PORT 0x4F
#define SIO_REG_LOGICAL_DEVICE 0x07
#define SIO_REG_ACTIVATE 0x30
#define SIO_REG_IO_BASE0_HIGH 0x60
#define SIO_REG_IO_BASE0_LOW 0x61
#define SIO_REG_IO_BASE1_HIGH 0x62
#define SIO_REG_IO_BASE1_LOW 0x63
#define SIO_DEACTIVATE 0x00
#define SIO_ACTIVATE 0x01
#define SIO_LOGICAL_DEVICE_EC 0x12

/*
 * The programming of the EC's logical device, as (register, value) pairs
 * written in this order: select it, deactivate it, give it the EC's data and command
 * ports as its two I/O bases (the low bytes only; the high bytes keep their
 * values), activate it.
 */
#define SIO_EC_DEVICE_PROGRAM_PAIRS 5
static const unsigned char sio_ec_device_program[SIO_EC_DEVICE_PROGRAM_PAIRS][2] = {
	{ SIO_REG_LOGICAL_DEVICE, SIO_LOGICAL_DEVICE_EC },
	{ SIO_REG_ACTIVATE, SIO_DEACTIVATE },
	{ SIO_REG_IO_BASE0_LOW, EC_DATA_PORT & 0xFF },
	{ SIO_REG_IO_BASE1_LOW, EC_CMD_PORT & 0xFF },
	{ SIO_REG_ACTIVATE, SIO_ACTIVATE },
};

/*
 * The Intel LPC bridge (PCI 8086:9CC3), which forwards I/O ports from the
 * PCI side to the LPC bus where the EC sits.
 */
#define LPC_BRIDGE_VENDOR_ID 0x8086
#define LPC_BRIDGE_DEVICE_ID 0x9CC3

/*
 * The bridge's first generic I/O decode range register. Bit 0 enables the
 * range, bits 15:2 hold its base and bits 23:18 mask address bits 7:2 (the
 * mask of address bit n sits at register bit n + 16). Base 0x68 with address
 * bit 2 masked forwards ports 0x68 to 0x6F, both EC ports: 0x00040069. The
 * register is read first: it is written only where it holds no range, or
 * this one already. Any other range forwards another device's ports (8086:9CC3
 * is the LPC bridge of a whole generation of chipsets), and is left alone.
 */
#define LPC_GEN1_DEC 0x84
#define LPC_GEN_DEC_ENABLE 0x00000001
#define LPC_GEN_DEC_BASE 0x68
#define LPC_GEN_DEC_MASK_ADDRESS_BIT_2 (0x04 << 16)
#define LPC_GEN_DEC_LAST (LPC_GEN_DEC_BASE + 7)
#define LPC_GEN1_DEC_EC_RANGE \
	(LPC_GEN_DEC_MASK_ADDRESS_BIT_2 | LPC_GEN_DEC_BASE | LPC_GEN_DEC_ENABLE)
#define LPC_GEN1_DEC_FREE 0

#endif
/* clang-format on */
