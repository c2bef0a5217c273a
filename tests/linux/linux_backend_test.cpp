// The Linux backend's PCI search and config write, over a fake sysfs tree of
// PCI devices.

#include "backends/linux/linux_backend.h"
#include "hw/port_lib.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t INTEL = 0x8086;
constexpr std::uint16_t LPC_BRIDGE = 0x9CC3;

class FakeSysfs : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/thermal-sysfs-XXXXXX";
    root_ = mkdtemp(pattern);
    LinuxPortLib_SetPciDeviceRoot(root_.c_str());
    PortLib_SetPciMaxBus(5);
  }
  void TearDown() override { fs::remove_all(root_); }

  // A device entry with its ID files and a zeroed 256-byte config space.
  void Add_Device(const std::string &name, const char *vendor, const char *device) {
    fs::create_directories(root_ / name);
    std::ofstream(root_ / name / "vendor") << vendor << "\n";
    std::ofstream(root_ / name / "device") << device << "\n";
    std::ofstream(root_ / name / "config", std::ios::binary) << std::string(256, '\0');
  }

  std::string Config(const std::string &name) {
    std::ifstream file(root_ / name / "config", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }

  fs::path root_;
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
  LinuxPortLib_SetPciDeviceRoot((root_ / "absent").c_str());
  testing::internal::CaptureStderr();
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot list"), std::string::npos);
}

TEST_F(FakeSysfs, UnreadableEntryFailsTheSearchWithAMessage) {
  // An entry whose ID cannot be read might be the bridge: the search says so
  // and fails rather than pass over it. (A folder in place of the file cannot
  // be read even by root.)
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  Add_Device("0000:00:02.0", "0x8086", "0x4626");
  fs::remove(root_ / "0000:00:02.0" / "device");
  fs::create_directory(root_ / "0000:00:02.0" / "device");
  testing::internal::CaptureStderr();
  EXPECT_EQ(PortLib_FindPciDevice(INTEL, LPC_BRIDGE, 0), PORTLIB_PCI_NOT_FOUND);
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("cannot read " + (root_ / "0000:00:02.0" / "device").string()),
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

TEST_F(FakeSysfs, ConfigWriteStoresFourBytesLittleEndianAtTheRegister) {
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  PortLib_WritePciConfigDword(0x0000F8, 0x84, 0x00040069);
  std::string expected(256, '\0');
  expected[0x84] = '\x69';
  expected[0x85] = '\x00';
  expected[0x86] = '\x04';
  expected[0x87] = '\x00';
  EXPECT_EQ(Config("0000:00:1f.0"), expected);
}

TEST_F(FakeSysfs, ConfigWriteThatFailsEndsTheProgramWithStatus1AndAMessage) {
  Add_Device("0000:00:1f.0", "0x8086", "0x9cc3");
  fs::remove(root_ / "0000:00:1f.0" / "config");
  fs::create_directory(root_ / "0000:00:1f.0" / "config");
  EXPECT_EXIT(PortLib_WritePciConfigDword(0x0000F8, 0x84, 0x00040069), testing::ExitedWithCode(1),
              "cannot write .*0000:00:1f.0/config");
}

TEST(LinuxPorts, StatusIsAFailureBeforeTheKernelGrantsThePorts) {
  EXPECT_NE(PortLib_GetStatus(), 0u);
}

} // namespace
