#include <gtest/gtest.h>

#include <fstream>

#include "LinuxDrives.h"

namespace wrenlo {
namespace {

namespace fs = std::filesystem;

class LinuxDrivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("drives-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(root_ / "sys");
    fs::create_directories(root_ / "dev");
  }
  void TearDown() override { fs::remove_all(root_); }

  void Entry(const std::string& name, const std::string& vendor = "",
             const std::string& model = "") {
    fs::create_directories(root_ / "sys" / name / "device");
    if (!vendor.empty())
      std::ofstream(root_ / "sys" / name / "device" / "vendor") << vendor << "\n";
    if (!model.empty()) std::ofstream(root_ / "sys" / name / "device" / "model") << model << "\n";
  }
  void Node(const std::string& name) { std::ofstream(root_ / "dev" / name) << "not a drive"; }

  fs::path root_;
};

TEST_F(LinuxDrivesTest, ListsSrEntriesInDeviceOrderWithWhyTheyCannotBeUsed) {
  Entry("sr10", "HL-DT-ST", "BD-RE  WH16NS40 ");
  Entry("sr2");
  Entry("sr0", "QEMU    ", "QEMU DVD-ROM    ");
  Entry("sda", "ATA", "disk");
  Entry("srx");
  Entry("sr");
  Node("sr0");
  Node("sr10");

  const auto drives = drive::FindDrivesUnder(root_ / "sys", root_ / "dev");
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].name, u"QEMU QEMU DVD-ROM");
  EXPECT_EQ(drives[1].name, u"");
  EXPECT_EQ(drives[2].name, u"HL-DT-ST BD-RE  WH16NS40");
  for (const FoundDrive& found : drives) EXPECT_EQ(found.backend, nullptr);
  const std::string sr0 = (root_ / "dev" / "sr0").string();
  const std::string sr2 = (root_ / "dev" / "sr2").string();
  EXPECT_EQ(drives[0].problem,
            std::u16string(sr0.begin(), sr0.end()) + u" does not take SCSI commands");
  EXPECT_EQ(drives[1].problem, u"no device node " + std::u16string(sr2.begin(), sr2.end()));
  EXPECT_EQ(drives[0].path, std::u16string(sr0.begin(), sr0.end()));
  EXPECT_EQ(drives[1].path, std::u16string(sr2.begin(), sr2.end()));
}

TEST_F(LinuxDrivesTest, NoDrivesWhereThereIsNoSysfs) {
  EXPECT_TRUE(drive::FindDrivesUnder(root_ / "missing", root_ / "dev").empty());
}

}  // namespace
}  // namespace wrenlo
