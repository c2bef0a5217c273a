// The Linux backend through the thermal_ec module's device, on a stand-in for
// it: a plain file at /dev/thermal_ec, in a mount namespace of this process's
// own with a /dev of its own, and a /run of its own for the one-copy lock, so
// that the tests, each a process, run side by side. The file answers no read
// and no request, so each path where the module would refuse shows. Needs
// root; elsewhere the tests are skipped.

#include "hw/board.h"
#include "hw/port_lib.h"
#include "hw/sio.h"

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

bool device_ready = false;

// The mounts must stay in this process's namespace: where its root is no
// mount point of its own (a chroot), it cannot be made private, and nothing
// is mounted.
enum class StandIn : std::uint8_t { Ready, NotHere, Failed };

StandIn Stand_In_Device() {
  if (getuid() != 0 || unshare(CLONE_NEWNS) != 0) {
    return StandIn::NotHere;
  }
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return errno == EINVAL ? StandIn::NotHere : StandIn::Failed;
  }
  const bool ready = mount("fake-dev", "/dev", "tmpfs", 0, nullptr) == 0 &&
                     mount("fake-run", "/run", "tmpfs", 0, nullptr) == 0 &&
                     std::ofstream("/dev/thermal_ec").good() && PortLib_Initialize() != 0;
  return ready ? StandIn::Ready : StandIn::Failed;
}

class ThroughDevice : public testing::Test {
protected:
  void SetUp() override {
    if (!device_ready) {
      GTEST_SKIP() << "needs root, for a mount namespace with a /dev of its own, and a root "
                      "that is a mount point (no chroot)";
    }
  }
};

TEST_F(ThroughDevice, APortThatGivesNothingReadsAsTheFloatingBus) {
  EXPECT_EQ(PortLib_ReadPortByte(EC_CMD_PORT), PORTLIB_FLOATING_BUS);
  EXPECT_EQ(PortLib_ReadPortByte(EC_DATA_PORT), PORTLIB_FLOATING_BUS);
}

TEST_F(ThroughDevice, TheSetUpGoesToTheModuleAsOneRequestAtTheRelease) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SIO_ProgramEcDevice());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "thermal-control: /dev/thermal_ec refused the EC's logical-device set-up: "
            "Inappropriate ioctl for device (the module does not know the request: it is not the "
            "version of this program)\n");
}

// The set-up's writes in order, with the write at `changed` (when there is
// one) replaced by `value`, and `more` pairs after them.
void Write_Set_Up(std::size_t changed, std::uint8_t value, std::size_t more) {
  for (std::size_t i = 0; i < 2 * (SIO_EC_DEVICE_PROGRAM_PAIRS + more); ++i) {
    const std::uint8_t set_up = sio_ec_device_program[(i / 2) % SIO_EC_DEVICE_PROGRAM_PAIRS][i % 2];
    PortLib_WritePortByte(i % 2 == 0 ? SIO_INDEX_PORT : SIO_DATA_PORT,
                          i == changed ? value : set_up);
  }
}

TEST_F(ThroughDevice, OtherConfigurationWritesAreNeverSentToTheModule) {
  struct Writes {
    std::size_t changed;
    std::uint8_t value;
    std::size_t more;
  };
  const Writes others[] = {
      {1, 0x0B, 0},                  // another logical device
      {4, SIO_REG_IO_BASE0_HIGH, 0}, // a base's high byte
      {99, 0, 1},                    // the set-up and one more pair
  };
  const std::string refused = "thermal-control: the configuration port writes were not the EC's "
                              "logical-device set-up that /dev/thermal_ec performs; nothing was "
                              "written\n";
  for (const Writes &writes : others) {
    testing::internal::CaptureStderr();
    ASSERT_TRUE(PortLib_HoldBus(PortLibBus::Isa));
    Write_Set_Up(writes.changed, writes.value, writes.more);
    EXPECT_FALSE(PortLib_ReleaseBus(PortLibBus::Isa));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), refused) << "write " << writes.changed;
  }
}

TEST_F(ThroughDevice, TheBridgeIsWrittenByTheModuleAndOnlyItsDecodeRange) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(PortLib_WritePciConfigDword(0xF8, LPC_GEN1_DEC, LPC_GEN1_DEC_EC_RANGE));
  EXPECT_FALSE(PortLib_WritePciConfigDword(0xF8, 0x88, LPC_GEN1_DEC_EC_RANGE));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "thermal-control: /dev/thermal_ec refused the bridge's decode range: Inappropriate "
            "ioctl for device (the module does not know the request: it is not the version of "
            "this program)\n"
            "thermal-control: /dev/thermal_ec writes only the LPC bridge's decode range of the "
            "EC's ports, not register 0x88 = 0x40069\n");
}

} // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::internal::CaptureStderr();
  const StandIn stand_in = Stand_In_Device();
  device_ready = stand_in == StandIn::Ready;
  const std::string opened = testing::internal::GetCapturedStderr();
  if (stand_in == StandIn::Failed) {
    std::fprintf(stderr, "root, yet the stand-in device could not be opened: %s", opened.c_str());
    return 1;
  }
  if (device_ready && opened != "thermal-control: the EC's ports and the bridge through "
                                "/dev/thermal_ec\n") {
    std::fprintf(stderr, "the device path was not taken: %s", opened.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
