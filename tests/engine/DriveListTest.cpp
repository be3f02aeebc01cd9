// The drive list: real drives first, then images, letters, '#' entries.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "registry/DriveList.h"
#include "support/EngineApi.h"
#include "support/Fixtures.h"

namespace wrenlo {
namespace {

using testing_support::OutputDirectory;
using testing_support::WriteFile;

// A drive that is there and does nothing.
class IdleDrive : public Backend {
 public:
  Result Read(std::uint32_t, std::uint32_t, std::uint8_t*) override { return kNoMedium; }
  std::uint32_t SectorCount() const override { return 0; }
  DriveIdentity Identity() override { return {}; }
  bool HasCapability(std::uint64_t) override { return false; }
  std::int32_t MaxReadSpeedKB() override { return 0; }
  std::int32_t MaxWriteSpeedKB() override { return 0; }
  Result Medium(MediumLayout&) override { return kNoMedium; }
  Result Eject() override { return kOk; }
  Result CloseTray() override { return kOk; }
  Result MediumPresence(bool&, std::uint32_t&) override { return kOk; }
};

std::vector<std::u16string> Texts(const std::vector<DriveEntry>& list) {
  std::vector<std::u16string> texts;
  for (const DriveEntry& entry : list) texts.push_back(entry.text);
  return texts;
}

TEST(DriveList, DrivesThenImagesWithTheirProblems) {
  const std::string dir = OutputDirectory() + "/drive_list";
  std::filesystem::create_directories(dir);
  WriteFile(dir + "/odd.iso", std::string(2049, 'x'));
  WriteFile(dir + "/empty.iso", "");
  WriteFile(dir + "/broken_faults.iso", std::string(4096, 'x'));
  WriteFile(dir + "/broken_faults.iso.faults", "# ok\n12 x\n");
  WriteFile(dir + "/good.img", std::string(4096, 'x'));
  // FIFOs without a writer, as the image and as its faults file: refused at
  // once, not waited on.
  std::filesystem::remove(dir + "/fifo.iso");
  std::filesystem::remove(dir + "/fifo_faults.iso.faults");
  ASSERT_EQ(::mkfifo((dir + "/fifo.iso").c_str(), 0600), 0);
  WriteFile(dir + "/fifo_faults.iso", std::string(4096, 'x'));
  ASSERT_EQ(::mkfifo((dir + "/fifo_faults.iso.faults").c_str(), 0600), 0);

  std::vector<FoundDrive> drives;
  drives.push_back({std::make_unique<IdleDrive>(), u"VENDOR MODEL", u"/dev/sr0", u""});
  drives.push_back({nullptr, u"OTHER DRIVE", u"/dev/sr1",
                    u"permission denied: add the user to the cdrom group"});
  const std::string images = dir + "/good.img::" + dir + "/odd.iso:" + dir + "/missing.iso:" + dir +
                             "/empty.iso:" + dir + "/broken_faults.iso:" + dir + ":" + dir +
                             "/fifo.iso:" + dir + "/fifo_faults.iso";
  std::vector<ImageDrive> opened = OpenImages(images);
  LetterSet imageLetters;
  const std::vector<DriveEntry> list = LetterDrives(std::move(drives), opened, imageLetters);
  EXPECT_EQ(Texts(list),
            (std::vector<std::u16string>{
                u"D: VENDOR MODEL",
                u"#E: OTHER DRIVE: permission denied: add the user to the cdrom group",
                u"F: good.img",
                u"G: odd.iso",
                u"#H: missing.iso: no such file",
                u"#I: empty.iso: the image is empty",
                u"#J: broken_faults.iso: faults line 2: FAILURES must be 1 to 1000000 or always",
                u"#K: drive_list: not a regular file",
                u"#L: fifo.iso: not a regular file",
                u"#M: fifo_faults.iso: faults file: not a regular file",
            }));
  for (const DriveEntry& entry : list) {
    EXPECT_EQ(entry.letter, entry.text[entry.text[0] == u'#' ? 1 : 0]);
    EXPECT_EQ(entry.backend == nullptr, entry.text[0] == u'#')
        << testing_support::Narrow(entry.text);
  }
  EXPECT_EQ(list[1].path, u"/dev/sr1");
  EXPECT_EQ(list[4].name, u"missing.iso");
  EXPECT_EQ(testing_support::Narrow(list[4].path), dir + "/missing.iso");
  EXPECT_EQ(opened.front().letter, u'F');  // the images keep the letters they were given
}

// Images keep their letters and a drive plugged in later passes over them;
// a closed image's letter is free again, for a drive or the next image.
TEST(DriveList, ImagesKeepTheirLettersAndDrivesPassOverThem) {
  std::vector<ImageDrive> images(2);
  images[0].name = u"one.iso";
  images[1].name = u"two.iso";
  LetterSet imageLetters;
  std::vector<FoundDrive> drives;
  drives.push_back({std::make_unique<IdleDrive>(), u"FIRST", u"/dev/sr0", u""});
  std::vector<DriveEntry> list = LetterDrives(std::move(drives), images, imageLetters);
  EXPECT_EQ(Texts(list),
            (std::vector<std::u16string>{u"D: FIRST", u"#E: one.iso: ", u"#F: two.iso: "}));
  EXPECT_EQ(NextImageLetter(list, imageLetters), u'G');

  // one.iso closed (as the engine closes it): E is free again.
  images.erase(images.begin());
  imageLetters.reset(u'E' - kFirstDriveLetter);
  list = LetterDrives({}, images, imageLetters);
  EXPECT_EQ(NextImageLetter(list, imageLetters), u'D');
  drives.clear();
  drives.push_back({std::make_unique<IdleDrive>(), u"FIRST", u"/dev/sr0", u""});
  drives.push_back({std::make_unique<IdleDrive>(), u"PLUGGED", u"/dev/sr1", u""});
  drives.push_back({std::make_unique<IdleDrive>(), u"THIRD", u"/dev/sr2", u""});
  list = LetterDrives(std::move(drives), images, imageLetters);
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"D: FIRST", u"E: PLUGGED", u"G: THIRD",
                                                      u"#F: two.iso: "}));
  EXPECT_EQ(NextImageLetter(list, imageLetters), u'H');
}

TEST(DriveList, LettersEndAtZ) {
  const std::string image = OutputDirectory() + "/letters.iso";
  WriteFile(image, std::string(2048, 'x'));
  std::string images;
  for (int i = 0; i < 30; ++i) images += image + ":";
  const std::vector<ImageDrive> opened = OpenImages(images);
  EXPECT_EQ(opened.size(), 23u);  // the rest are not even opened
  std::vector<FoundDrive> drives;
  drives.push_back({std::make_unique<IdleDrive>(), u"REAL DRIVE", u"/dev/sr0", u""});
  std::vector<ImageDrive> lettered = opened;
  LetterSet imageLetters;
  const std::vector<DriveEntry> list = LetterDrives(std::move(drives), lettered, imageLetters);
  ASSERT_EQ(list.size(), 23u);
  EXPECT_EQ(list.front().text, u"D: REAL DRIVE");
  EXPECT_EQ(list.back().text, u"Z: letters.iso");
  EXPECT_EQ(lettered.back().letter, 0);  // no letter was left for it
  EXPECT_EQ(NextImageLetter(list, imageLetters), 0);
  lettered = opened;
  imageLetters.reset();
  const std::vector<DriveEntry> imagesOnly = LetterDrives({}, lettered, imageLetters);
  ASSERT_EQ(imagesOnly.size(), 23u);
  EXPECT_EQ(imagesOnly.front().text, u"D: letters.iso");

  // Through GetDevices: never more than the 26 entries the caller provides.
  testing_support::UseImages(std::vector<std::string>(30, image));
  const std::vector<std::u16string> texts = testing_support::DeviceTexts();
  ASSERT_EQ(texts.size(), 23u);
  EXPECT_EQ(texts.back(), u"Z: letters.iso");
  DeviceListEntry entries[kMaxDevices];
  std::int32_t count = 99;
  EXPECT_NE(GetDevices(nullptr, &count, 0), 0);
  EXPECT_NE(GetDevices(entries, nullptr, 0), 0);
  EXPECT_NE(GetDevices(entries, &count, 1), 0);
}

TEST(DriveList, DisplayTextsAreCutToTheEntry) {
  const std::string image = OutputDirectory() + "/" + std::string(60, 'n') + ".iso";
  WriteFile(image, std::string(2048, 'x'));
  testing_support::UseImages({image});
  const std::vector<std::u16string> texts = testing_support::DeviceTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], u"D: " + std::u16string(46, u'n'));

  // The whole name and the path as named, by the same size rules as the
  // whole reason below.
  const std::u16string name = std::u16string(60, u'n') + u".iso";
  char16_t text[256];
  std::int32_t units = 256;
  EXPECT_EQ(GetDeviceName(u'D', text, &units), 0);
  EXPECT_EQ(std::u16string(text), name);
  units = 256;
  EXPECT_EQ(GetDevicePath(u'D', text, &units), 0);
  EXPECT_EQ(std::u16string(text), std::u16string(image.begin(), image.end()));
  units = 5;
  EXPECT_EQ(GetDevicePath(u'D', text, &units), kTooLarge);
  EXPECT_EQ(units, static_cast<std::int32_t>(image.size() + 1));
  EXPECT_EQ(GetDeviceName(u'E', text, &units), kNoDevice);
}

TEST(DriveList, TheWholeReasonOfAnUnusableEntry) {
  const std::string name = std::string(60, 'n') + ".iso";
  const std::string unusable = OutputDirectory() + "/" + name;
  const std::string usable = OutputDirectory() + "/usable.iso";
  WriteFile(unusable, "");
  WriteFile(usable, std::string(2048, 'x'));
  testing_support::UseImages({usable, unusable});
  const std::vector<std::u16string> texts = testing_support::DeviceTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], u"#E: " + std::u16string(45, u'n'));  // the reason is cut off

  const std::u16string whole = std::u16string(60, u'n') + u".iso: the image is empty";
  char16_t text[128];
  std::int32_t units = 128;
  EXPECT_EQ(GetDeviceUnusableReason(u'E', text, &units), 0);
  EXPECT_EQ(std::u16string(text), whole);
  EXPECT_EQ(units, static_cast<std::int32_t>(whole.size() + 1));
  // Too small a buffer: as much as fits, and the size needed.
  units = 10;
  EXPECT_EQ(GetDeviceUnusableReason(u'E', text, &units), kTooLarge);
  EXPECT_EQ(std::u16string(text), whole.substr(0, 9));
  EXPECT_EQ(units, static_cast<std::int32_t>(whole.size() + 1));
  units = 0;
  EXPECT_EQ(GetDeviceUnusableReason(u'E', nullptr, &units), kTooLarge);
  EXPECT_EQ(units, static_cast<std::int32_t>(whole.size() + 1));
  // A usable drive has no reason; a letter without a drive is no device.
  units = 128;
  EXPECT_EQ(GetDeviceUnusableReason(u'D', text, &units), 0);
  EXPECT_EQ(std::u16string(text), u"");
  EXPECT_EQ(GetDeviceUnusableReason(u'F', text, &units), kNoDevice);
  EXPECT_EQ(GetDeviceUnusableReason(u'E', nullptr, &units), kInvalidArgument);
  EXPECT_EQ(GetDeviceUnusableReason(u'E', text, nullptr), kInvalidArgument);
}

TEST(DriveList, AnOddSizeImageIsItsWholeSectors) {
  // The healthy fixture with 1000 bytes more: the partial sector is no part
  // of the medium; the file systems read as before.
  const std::vector<std::uint8_t> healthy =
      testing_support::ReadFile(testing_support::GetFixtures().healthy);
  const std::string image = OutputDirectory() + "/odd_size.iso";
  WriteFile(image, std::string(healthy.begin(), healthy.end()) + std::string(1000, 'x'));
  const std::string tiny = OutputDirectory() + "/tiny.iso";
  WriteFile(tiny, std::string(2047, 'x'));
  testing_support::UseImages({image, tiny});
  EXPECT_EQ(testing_support::DeviceTexts(),
            (std::vector<std::u16string>{u"D: odd_size.iso",
                                         u"#E: tiny.iso: the image is smaller than one 2048-"}));
  ASSERT_EQ(testing_support::Select(u'D'), 0);
  const auto sectors = static_cast<std::int32_t>(healthy.size() / kSectorSize);
  SessionInfo session{};
  ASSERT_EQ(GetSessionInformation(kCurrentDevice, 1, &session), 0);
  EXPECT_EQ(+session.sectorCount, sectors);
  std::vector<std::uint8_t> sector(kSectorSize);
  EXPECT_EQ(ReadSectors(kCurrentDevice, sectors - 1, 1, 0, sector.data(), kSectorSize), 0);
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), healthy.end() - kSectorSize));
  EXPECT_EQ(ReadSectors(kCurrentDevice, sectors, 1, 0, sector.data(), kSectorSize), kOutOfRange);
  Handle disk = 0;
  ASSERT_EQ(OpenDiskSession(kCurrentDevice, 1, &disk, kFileSystemJoliet), 0);
  IsoVolumeInfo volume{};
  EXPECT_EQ(GetISOVolumeInformation(disk, &volume), 0);
  EXPECT_EQ(volume.volumeLabel.str(), u"HEALTHY");
  EXPECT_EQ(VerifyFile(disk, u"BIG.BIN"), 0);
  CloseDiskSession(disk);
}

TEST(DriveList, AListingKeepsTheImagesAsTheyAre) {
  const std::string image = OutputDirectory() + "/kept.iso";
  WriteFile(image, std::string(4096, 'x'));
  testing_support::UseImages({image});
  ASSERT_EQ(testing_support::Select(u'D'), 0);
  ASSERT_EQ(EjectDevice(kCurrentDevice), 0);
  // The drive list is asked for again ("Rescan Devices"): the virtual tray
  // stays open, and D stays the current device.
  EXPECT_EQ(testing_support::DeviceTexts(), std::vector<std::u16string>{u"D: kept.iso"});
  MediumInformation medium;
  EXPECT_EQ(GetMediumInformation(kCurrentDevice, &medium), kNoMedium);
  ASSERT_EQ(CloseDevice(kCurrentDevice), 0);
  EXPECT_EQ(GetMediumInformation(kCurrentDevice, &medium), 0);
}

// Images opened and closed while the program runs: listed last, with the
// first free letter (a closed image's is given again); an unusable one is a
// '#' entry with its reason.
TEST(DriveList, ImagesOpenedAndClosedAtRunTime) {
  const std::string first = OutputDirectory() + "/first.iso";
  const std::string second = OutputDirectory() + "/second.iso";
  WriteFile(first, std::string(4096, 'x'));
  WriteFile(second, std::string(2048, 'y'));
  testing_support::UseImages({first});

  std::int32_t letter = 0;
  ASSERT_EQ(OpenImageDrive(second.c_str(), &letter), 0);
  EXPECT_EQ(letter, u'E');
  const std::string missing = OutputDirectory() + "/missing.iso";
  EXPECT_EQ(OpenImageDrive(missing.c_str(), &letter), kUnusable);
  EXPECT_EQ(letter, u'F');
  EXPECT_EQ(testing_support::DeviceTexts(),
            (std::vector<std::u16string>{u"D: first.iso", u"E: second.iso",
                                         u"#F: missing.iso: no such file"}));
  char16_t reason[64];
  std::int32_t units = 64;
  EXPECT_EQ(GetDeviceUnusableReason(u'F', reason, &units), 0);
  EXPECT_EQ(std::u16string(reason), u"missing.iso: no such file");

  // Closing the current device: it stays current, and reads go on, until
  // another drive is chosen.
  ASSERT_EQ(testing_support::Select(u'E'), 0);
  ASSERT_EQ(CloseImageDrive(u'E'), 0);
  ASSERT_EQ(CloseImageDrive(u'F'), 0);
  std::vector<std::uint8_t> sector(kSectorSize);
  EXPECT_EQ(ReadSectors(kCurrentDevice, 0, 1, 0, sector.data(), kSectorSize), 0);
  EXPECT_EQ(sector[0], 'y');
  EXPECT_EQ(testing_support::DeviceTexts(), std::vector<std::u16string>{u"D: first.iso"});
  EXPECT_NE(testing_support::Select(u'E'), 0);
  EXPECT_EQ(CloseImageDrive(u'E'), kNoDevice);  // already closed
  EXPECT_EQ(CloseImageDrive(u'Q'), kNoDevice);

  ASSERT_EQ(OpenImageDrive(first.c_str(), &letter), 0);
  EXPECT_EQ(letter, u'E');  // closed, E is free again
  // The new E is the image opened now, not the one closed.
  ASSERT_EQ(testing_support::Select(u'E'), 0);
  EXPECT_EQ(ReadSectors(kCurrentDevice, 0, 1, 0, sector.data(), kSectorSize), 0);
  EXPECT_EQ(sector[0], 'x');
  EXPECT_EQ(OpenImageDrive(nullptr, &letter), kInvalidArgument);
  EXPECT_EQ(OpenImageDrive(first.c_str(), nullptr), kInvalidArgument);
  // Up to Z, then no letter is left and nothing is listed.
  for (char16_t expected = u'F'; expected <= u'Z'; ++expected) {
    ASSERT_EQ(OpenImageDrive(second.c_str(), &letter), 0);
    EXPECT_EQ(letter, expected);
  }
  EXPECT_EQ(OpenImageDrive(second.c_str(), &letter), kTooLarge);
  EXPECT_EQ(letter, 0);
  EXPECT_EQ(testing_support::DeviceTexts().size(), 23u);
  // One closed in the middle: its letter is the next one given.
  ASSERT_EQ(CloseImageDrive(u'K'), 0);
  ASSERT_EQ(OpenImageDrive(second.c_str(), &letter), 0);
  EXPECT_EQ(letter, u'K');
  // A new start of the engine gives every letter again.
  testing_support::UseImages({first});
  ASSERT_EQ(OpenImageDrive(second.c_str(), &letter), 0);
  EXPECT_EQ(letter, u'E');
}

struct ListedFile {
  std::int32_t role;
  std::string path;
  bool sameFile;  // the device and inode of the file at path now
  bool operator==(const ListedFile&) const = default;
};

// The files listed that lie in dir (drives of earlier tests may live on).
std::vector<ListedFile> ListedFiles(const std::string& dir) {
  std::vector<ListedFile> files;
  EXPECT_EQ(ListImageFiles(
                [](void* context, const ImageFileRecord* record) -> std::int32_t {
                  struct stat status {};
                  const bool same = ::stat(record->path, &status) == 0 &&
                                    status.st_dev == record->device &&
                                    status.st_ino == record->inode;
                  static_cast<std::vector<ListedFile>*>(context)->push_back(
                      {record->role, record->path, same});
                  return 0;
                },
                &files),
            0);
  std::erase_if(files, [&](const ListedFile& file) { return !file.path.starts_with(dir + "/"); });
  return files;
}

// Every file an image drive reads is listed while the drive lives, by its
// device and inode, and kept open so that no other file takes them.
TEST(DriveList, TheFilesBehindImageDrivesAreListedWhileTheyLive) {
  const std::string dir = OutputDirectory() + "/image_files";
  std::filesystem::create_directories(dir);
  WriteFile(dir + "/plain.iso", std::string(4096, 'x'));
  WriteFile(dir + "/plain.iso.faults", "# none\n");
  WriteFile(dir + "/disc.bin", std::string(4096, 'y'));
  WriteFile(dir + "/disc.cue", "FILE disc.bin BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\n");
  testing_support::UseImages({dir + "/plain.iso", dir + "/missing.iso"});
  std::int32_t letter = 0;
  ASSERT_EQ(OpenImageDrive((dir + "/disc.cue").c_str(), &letter), 0);
  EXPECT_EQ(ListedFiles(dir), (std::vector<ListedFile>{
                                  {kImageFileImage, dir + "/plain.iso", true},
                                  {kImageFileFaults, dir + "/plain.iso.faults", true},
                                  {kImageFileCueSheet, dir + "/disc.cue", true},
                                  {kImageFileCueData, dir + "/disc.bin", true},
                              }));
  // A faults file read once and deleted keeps its inode from a new file.
  std::filesystem::remove(dir + "/plain.iso.faults");
  WriteFile(dir + "/plain.iso.faults", "# new\n");
  EXPECT_FALSE(ListedFiles(dir)[1].sameFile);

  // A closed drive's files go with its last reader.
  ASSERT_EQ(testing_support::Select(static_cast<char16_t>(letter)), 0);
  ASSERT_EQ(CloseImageDrive(letter), 0);
  EXPECT_EQ(ListedFiles(dir).size(), 4u);
  ASSERT_EQ(testing_support::Select(u'D'), 0);
  std::vector<std::uint8_t> sector(kSectorSize);  // renews this thread's drive
  ASSERT_EQ(ReadSectors(kCurrentDevice, 0, 1, 0, sector.data(), kSectorSize), 0);
  EXPECT_EQ(ListedFiles(dir).size(), 2u);
  EXPECT_EQ(ListImageFiles(nullptr, nullptr), kInvalidArgument);
}

// A virtual drive's medium comes and goes with its tray.
TEST(DriveList, AnImageIsPresentWhileItsTrayIsClosed) {
  const std::string image = OutputDirectory() + "/presence.iso";
  WriteFile(image, std::string(2048, 'x'));
  testing_support::UseImages({image});
  std::int32_t present = -1;
  std::uint32_t changes = 99;
  ASSERT_EQ(GetMediumPresence(u'D', &present, &changes), 0);
  EXPECT_EQ(present, 1);
  EXPECT_EQ(changes, 0u);
  ASSERT_EQ(EjectDevice(u'D'), 0);
  ASSERT_EQ(EjectDevice(u'D'), 0);  // already open: no change
  ASSERT_EQ(GetMediumPresence(u'D', &present, &changes), 0);
  EXPECT_EQ(present, 0);
  EXPECT_EQ(changes, 1u);
  ASSERT_EQ(CloseDevice(u'D'), 0);
  ASSERT_EQ(GetMediumPresence(u'D', &present, &changes), 0);
  EXPECT_EQ(present, 1);
  EXPECT_EQ(changes, 2u);
  EXPECT_EQ(GetMediumPresence(u'E', &present, &changes), kNoDevice);
  EXPECT_EQ(GetMediumPresence(kCurrentDevice, &present, &changes), kInvalidArgument);
  EXPECT_EQ(GetMediumPresence(u'D', nullptr, &changes), kInvalidArgument);
}

TEST(DriveList, ReadsTheImagesOnFirstUseWithoutInitialize) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string image = OutputDirectory() + "/first_use.iso";
  WriteFile(image, std::string(2048, 'x'));
  setenv("WRENLO_IMAGES", image.c_str(), 1);
  // A fresh process: the engine has not been initialised.
  EXPECT_EXIT(
      {
        const std::vector<std::u16string> texts = testing_support::DeviceTexts();
        std::exit(texts == std::vector<std::u16string>{u"D: first_use.iso"} ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace wrenlo
