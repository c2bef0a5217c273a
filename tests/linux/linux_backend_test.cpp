// The Linux backend's PCI search and config read and write, and the controller over
// them, on a fake sysfs tree: each test mounts a tmpfs of its own over
// /sys/bus/pci/devices, in a mount namespace that only this process sees.
// Needs root; elsewhere the tests are skipped.

#include "app/controller.h"
#include "hw/port_lib.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t INTEL = 0x8086;
constexpr std::uint16_t LPC_BRIDGE = 0x9CC3;
const fs::path PCI_DEVICES = "/sys/bus/pci/devices";
const fs::path PCI_BUS = "/sys/bus/pci";

bool namespace_ready = false;

// A mount namespace of this process's own, whose mounts under /sys never
// show outside it.
bool Enter_Own_Mount_Namespace() {
  return getuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/sys", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class FakeSysfs : public testing::Test {
protected:
  void SetUp() override {
    if (!namespace_ready) {
      GTEST_SKIP() << "needs root, for a mount namespace with a fake /sys/bus/pci/devices";
    }
    ASSERT_EQ(mount("fake-sysfs", PCI_DEVICES.c_str(), "tmpfs", 0, nullptr), 0);
    mounted_ = PCI_DEVICES;
    PortLib_SetPciMaxBus(5);
  }
  void TearDown() override {
    if (!mounted_.empty()) {
      umount2(mounted_.c_str(), MNT_DETACH);
    }
  }

  // A device entry with its ID files and a zeroed 256-byte config space.
  void Add_Device(const std::string &name, const char *vendor, const char *device) {
    fs::create_directories(PCI_DEVICES / name);
    std::ofstream(PCI_DEVICES / name / "vendor") << vendor << "\n";
    std::ofstream(PCI_DEVICES / name / "device") << device << "\n";
    std::ofstream(PCI_DEVICES / name / "config", std::ios::binary) << std::string(256, '\0');
  }

  // A folder in place of a file: neither read nor written, even by root.
  void Break_File(const std::string &name, const char *file) {
    fs::remove(PCI_DEVICES / name / file);
    fs::create_directory(PCI_DEVICES / name / file);
  }

  // Register 0x84 of the device's config space, its four bytes.
  void Set_Register(const std::string &name, const char (&bytes)[5]) {
    std::fstream file(PCI_DEVICES / name / "config",
                      std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(0x84);
    file.write(bytes, 4);
  }

  std::string Config(const std::string &name) {
    std::ifstream file(PCI_DEVICES / name / "config", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  // Hides the devices folder itself: a tmpfs over /sys/bus/pci without one.
  void Remove_Tree() {
    TearDown();
    ASSERT_EQ(mount("fake-sysfs", PCI_BUS.c_str(), "tmpfs", 0, nullptr), 0);
    mounted_ = PCI_BUS;
  }

  fs::path mounted_;
};

TEST_F(FakeSysfs, FindsTheBridgeOnBus0AsBusDeviceFunction) {
  Add_Device("0000:00:00.0", "0x8086", "0x4641");
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  Add_Device("0000:00:1f.3", "0x8086", "0x51c8");
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), 0x0000F8u);
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 1), PORTLIB_PCI_NOT_FOUND);
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, 0x51C8, 0), 0x0000FBu);
}

TEST_F(FakeSysfs, IndexCountsMatchesInBusDeviceFunctionOrder) {
  Add_Device("0000:03:00.0", "0x8086", "0x9cc3");
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  Add_Device("0000:00:02.1", "0x8086", "0x9cc3");
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), 0x000011u);
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 1), 0x0000F8u);
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 2), 0x000300u);
}

TEST_F(FakeSysfs, BridgeBeyondTheMaximumBusOrInAnotherDomainIsNotFound) {
  Add_Device("0000:06:1f.0", "0x8086", "0x9cc3");
  Add_Device("0001:00:1f.0", "0x8086", "0x9cc3");
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  PortLib_SetPciMaxBus(6);
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), 0x0006F8u);
}

TEST_F(FakeSysfs, AbsentBridgeOrAbsentTreeIsNotFound) {
  Add_Device("0000:00:1f.0", "0x8086", "0x9d84");
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  Remove_Tree();
  testing::internal::CaptureStderr();
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "thermal-control: cannot list /sys/bus/pci/devices: No such file or directory "
            "(is sysfs mounted at /sys?)\n");
}

TEST_F(FakeSysfs, UnreadableEntryFailsTheSearchWithAMessage) {
  // An entry whose ID cannot be read might be the bridge: the search says so
  // and fails rather than pass over it.
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  Add_Device("0000:00:02.0", "0x8086", "0x4626");
  Break_File("0000:00:02.0", "device");
  testing::internal::CaptureStderr();
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("cannot read /sys/bus/pci/devices/0000:00:02.0/device: Is a directory"),
            std::string::npos)
      << message;
}

TEST_F(FakeSysfs, IdFileWithoutANumberFailsTheSearchWithAMessage) {
  Add_Device("0000:00:1f.0", "garbage", "0x9cc3");
  testing::internal::CaptureStderr();
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("holds no hexadecimal ID"),
            std::string::npos);
}

TEST_F(FakeSysfs, ConfigWriteStoresAndReadGivesFourBytesLittleEndianAtTheRegister) {
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  Set_Register("0000:00:1f.0", "\x01\x0a\x0c\x00");
  std::uint32_t read = 0;
  EXPECT_TRUE(PortLib_ReadPciConfigDword(0x0000F8, 0x84, read));
  EXPECT_EQ(read, 0x000C0A01u);
  EXPECT_TRUE(PortLib_WritePciConfigDword(0x0000F8, 0x84, 0x00040069));
  std::string expected(256, '\0');
  expected[0x84] = '\x69';
  expected[0x85] = '\x00';
  expected[0x86] = '\x04';
  expected[0x87] = '\x00';
  EXPECT_EQ(Config("0000:00:1f.0"), expected);
}

struct BrokenBridge {
  const char *name;
  bool another_range; // else its config file cannot be read
  const char *said;   // each set-up's line on the standard error
};

// The bridge is set up at start-up; later its config file cannot be read, or
// the firmware has given its decode range to another device. Every cycle's
// read then finds the ports lost, and each set-up fails at the bridge, says
// why, and leaves the range as it is: the controller goes on.
TEST_F(FakeSysfs, ABridgeSetUpThatFailsOnTheRecoveryPathLeavesTheControllerRunning) {
  const BrokenBridge cases[] = {
      {"its config file cannot be read", false,
       "thermal-control: cannot read /sys/bus/pci/devices/0000:00:1f.0/config: Is a directory "
       "(reading a PCI device's config file past its first 64 bytes needs root with "
       "CAP_SYS_ADMIN)\n"},
      {"another device's range", true,
       "thermal-control: the LPC bridge's decode register 0x84 holds 0x000C0A01, another "
       "device's range: not overwritten\n"},
  };
  for (const BrokenBridge &c : cases) {
    Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
    testing::internal::CaptureStdout();
    Controller controller;
    ASSERT_EQ(Start_Up(controller), 0) << c.name;
    if (c.another_range) {
      Set_Register("0000:00:1f.0", "\x01\x0a\x0c\x00");
    } else {
      Break_File("0000:00:1f.0", "config");
    }
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Control_Cycle(controller, FIRST_CYCLE_PAUSE_MS));
    ASSERT_TRUE(Control_Cycle(controller, CYCLE_PAUSE_MS));
    const std::string err = testing::internal::GetCapturedStderr();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string lost_cycle = "Now Tempareture is: 00\n"
                                   "EC did not answer; row held\n"
                                   "EC ports lost; setting them up again\n"
                                   "now select value: 0   0   0   0\n";
    EXPECT_NE(out.find("Init_WinRing0 ok\nopen port ok\n\nheartbat 00001 " + lost_cycle +
                       "heartbat 00002 " + lost_cycle),
              std::string::npos)
        << c.name << ": " << out;
    EXPECT_EQ(err, std::string(c.said) + c.said) << c.name << ": each cycle tries again";
    if (c.another_range) {
      EXPECT_EQ(Config("0000:00:1f.0").substr(0x84, 4), std::string("\x01\x0a\x0c\x00", 4))
          << "another device's range is never overwritten";
    }
    TearDown();
    SetUp();
  }
}

} // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  namespace_ready = Enter_Own_Mount_Namespace();
  return RUN_ALL_TESTS();
}
