// SPDX-License-Identifier: (GPL-2.0 OR MIT)
/*
 * The VM test's stand-in for the Intel LPC bridge 8086:9CC3, which no
 * emulated machine has: a PCI host bridge in software, for bus 5 of domain
 * 0, with one device, 05:00.0. Its configuration space is 256 bytes of
 * memory: the IDs read 8086:9CC3 and the class an ISA bridge, it has no BARs,
 * and the registers from 0x40 on keep what is written to them, so that the
 * decode range written to register 0x84 (through sysfs or by the thermal_ec
 * module) reads back. No driver binds to it.
 */
#define pr_fmt(fmt) KBUILD_MODNAME ": " fmt

#include <linux/module.h>
#include <linux/pci.h>
#include <linux/slab.h>
#include <linux/string.h>

#define STANDIN_BUS 5
#define STANDIN_DEVFN PCI_DEVFN(0, 0)
#define STANDIN_WRITABLE_FROM 0x40

static u8 standin_config[PCI_CFG_SPACE_SIZE];
static struct pci_sysdata standin_sysdata;
static struct pci_bus *standin_bus;
static struct resource standin_busn =
	DEFINE_RES_NAMED(STANDIN_BUS, 1, "standin bus", IORESOURCE_BUS);

static int standin_read(struct pci_bus *bus, unsigned int devfn, int where,
			int size, u32 *val)
{
	int i;

	if (devfn != STANDIN_DEVFN) {
		*val = ~0U;
		return PCIBIOS_DEVICE_NOT_FOUND;
	}
	*val = 0;
	for (i = size - 1; i >= 0; i--)
		*val = *val << 8 | standin_config[where + i];
	return PCIBIOS_SUCCESSFUL;
}

static int standin_write(struct pci_bus *bus, unsigned int devfn, int where,
			 int size, u32 val)
{
	int i;

	if (devfn != STANDIN_DEVFN)
		return PCIBIOS_DEVICE_NOT_FOUND;
	for (i = 0; i < size; i++)
		if (where + i >= STANDIN_WRITABLE_FROM)
			standin_config[where + i] = (val >> (8 * i)) & 0xff;
	return PCIBIOS_SUCCESSFUL;
}

static struct pci_ops standin_ops = {
	.read = standin_read,
	.write = standin_write,
};

static int __init standin_init(void)
{
	struct pci_dev *dev;
	LIST_HEAD(resources);

	standin_config[PCI_VENDOR_ID] = 0x86;
	standin_config[PCI_VENDOR_ID + 1] = 0x80;
	standin_config[PCI_DEVICE_ID] = 0xc3;
	standin_config[PCI_DEVICE_ID + 1] = 0x9c;
	standin_config[PCI_CLASS_DEVICE] = PCI_CLASS_BRIDGE_ISA & 0xff;
	standin_config[PCI_CLASS_DEVICE + 1] = PCI_CLASS_BRIDGE_ISA >> 8;
	standin_sysdata.node = NUMA_NO_NODE;
	pci_add_resource(&resources, &standin_busn);
	standin_bus = pci_create_root_bus(NULL, STANDIN_BUS, &standin_ops,
					  &standin_sysdata, &resources);
	if (!standin_bus) {
		pci_free_resource_list(&resources);
		return -ENODEV;
	}
	pci_scan_child_bus(standin_bus);
	list_for_each_entry(dev, &standin_bus->devices, bus_list)
		dev->driver_override = kstrdup("none", GFP_KERNEL);
	pci_bus_add_devices(standin_bus);
	pr_info("8086:9cc3 stands in at 0000:%02x:00.0\n", STANDIN_BUS);
	return 0;
}

static void __exit standin_exit(void)
{
	pci_stop_root_bus(standin_bus);
	pci_remove_root_bus(standin_bus);
}

module_init(standin_init);
module_exit(standin_exit);

MODULE_DESCRIPTION("Stand-in LPC bridge 8086:9CC3 for thermal-control's VM test");
MODULE_LICENSE("Dual MIT/GPL");
