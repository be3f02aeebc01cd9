// The writer of every output file: whole or nothing for files, directly for
// devices and FIFOs, links followed and kept, failures named.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "CliFixture.h"
#include "core/io/InputFiles.h"
#include "core/io/OutputFile.h"

using ::testing::HasSubstr;

namespace {

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/lumeter-output-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    folder = name;
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  std::vector<std::string> Entries(const std::string& in) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(in))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Write(const std::string& path, std::string_view content, std::string& error) {
    OutputFile file;
    return file.Open(path, error) && file.Commit(content, error);
  }

  std::string folder;
};

TEST_F(OutputFileTest, AFileAppearsWholeOrNotAtAll) {
  const std::string path = folder + "/out.bin";
  std::string error;
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(path, error)) << error;
    EXPECT_TRUE(Entries(folder).empty());  // neither the file nor a temporary one
  }
  EXPECT_TRUE(Entries(folder).empty());  // dropped without a commit: nothing left

  ASSERT_TRUE(Write(path, "bytes", error)) << error;
  EXPECT_EQ(ReadWholeFile(path), "bytes");
  EXPECT_EQ(Entries(folder), std::vector<std::string>{"out.bin"});
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);
  // A file replaced keeps its permissions.
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(Write(path, "new bytes", error)) << error;
  EXPECT_EQ(ReadWholeFile(path), "new bytes");
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  // And its owner and group, which only root may give away; the set-group
  // bit survives the change of owner.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
    ASSERT_EQ(::chmod(path.c_str(), 02750), 0);
    ASSERT_TRUE(Write(path, "root's bytes", error)) << error;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 1234u);
    EXPECT_EQ(status.st_gid, 5678u);
    EXPECT_EQ(status.st_mode & 07777, 02750u);
  }

  // A folder that takes the name while the file is written: the rename
  // fails, and the temporary file goes.
  OutputFile late;
  ASSERT_TRUE(late.Open(folder + "/late", error));
  std::filesystem::create_directory(folder + "/late");
  EXPECT_FALSE(late.Commit("x", error));
  EXPECT_EQ(error, "cannot write " + folder + "/late: Is a directory");
  EXPECT_EQ(Entries(folder), (std::vector<std::string>{"late", "out.bin"}));
}

// A file kept as an input is refused under any name while it is kept, by
// path or by its open descriptor, and written again once it is let go.
TEST_F(OutputFileTest, InputsAreRefusedWhileTheyAreKept) {
  const std::string input = folder + "/input.map";
  WriteFile(input, "kept");
  std::filesystem::create_symlink("input.map", folder + "/link.map");
  std::filesystem::create_hard_link(input, folder + "/hard.map");
  std::string error;
  {
    const InputFile kept(folder + "/link.map", "the mapfile being retried from");
    for (const char* name : {"/input.map", "/link.map", "/hard.map"}) {
      EXPECT_FALSE(Write(folder + name, "new", error));
      EXPECT_EQ(error, folder + name + " is the mapfile being retried from");
    }
  }
  {
    const int fd = ::open(input.c_str(), O_RDONLY);
    const InputFile kept(fd, "the image being compared with");
    ::close(fd);
    EXPECT_EQ(OutputProblem(input), input + " is the image being compared with");
  }
  EXPECT_EQ(OutputProblem(input), "");
  EXPECT_EQ(ReadWholeFile(input), "kept");
  EXPECT_TRUE(Write(folder + "/hard.map", "new", error)) << error;
  // Nothing to keep: a name that is not there.
  const InputFile none(folder + "/missing", "nothing");
  EXPECT_EQ(OutputProblem(folder + "/missing"), "");
}

TEST_F(OutputFileTest, FailuresNameTheFolderOrTheFile) {
  std::filesystem::create_directory(folder + "/dir");
  std::string error;
  const std::pair<std::string, std::string> cases[] = {
      {folder + "/dir", "cannot write " + folder + "/dir: Is a directory"},
      {folder + "/none/out.bin",
       "cannot create a file in " + folder + "/none: No such file or directory"},
      {folder + "/dir/../none/out.bin",
       "cannot create a file in " + folder + "/dir/../none: No such file or directory"},
  };
  for (const auto& [path, message] : cases) {
    OutputFile file;
    EXPECT_FALSE(file.Open(path, error)) << path;
    EXPECT_EQ(error, message);
  }
  EXPECT_EQ(Entries(folder), std::vector<std::string>{"dir"});
}

TEST_F(OutputFileTest, LinksAreWrittenThroughAndKept) {
  std::filesystem::create_directory(folder + "/real");
  std::filesystem::create_directory(folder + "/links");
  std::filesystem::create_directory(folder + "/links/sub");
  std::filesystem::create_symlink("../real/old.map", folder + "/links/to-old");
  std::filesystem::create_symlink("../real/new.map", folder + "/links/to-new");  // dangling
  std::filesystem::create_symlink("../to-old", folder + "/links/sub/chain");
  std::string error;
  ASSERT_TRUE(Write(folder + "/real/old.map", "old", error)) << error;
  ASSERT_TRUE(Write(folder + "/links/to-new", "new", error)) << error;
  ASSERT_TRUE(Write(folder + "/links/sub/chain", "through two links", error)) << error;
  EXPECT_EQ(ReadWholeFile(folder + "/real/new.map"), "new");
  EXPECT_EQ(ReadWholeFile(folder + "/real/old.map"), "through two links");
  for (const char* link : {"/links/to-old", "/links/to-new", "/links/sub/chain"})
    EXPECT_TRUE(std::filesystem::is_symlink(folder + link)) << link;
  EXPECT_EQ(Entries(folder + "/real"), (std::vector<std::string>{"new.map", "old.map"}));
  EXPECT_EQ(Entries(folder + "/links"), (std::vector<std::string>{"sub", "to-new", "to-old"}));
}

TEST_F(OutputFileTest, DevicesAndFifosAreWrittenNotReplaced) {
  std::string error;
  ASSERT_TRUE(Write("/dev/null", "nothing", error)) << error;
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
  // /dev/full takes the file but fails the write.
  EXPECT_FALSE(Write("/dev/full", "too much", error));
  EXPECT_EQ(error, "cannot write /dev/full: No space left on device");

  const std::string fifo = folder + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // No reader: refused at once instead of waiting for one.
  EXPECT_FALSE(Write(fifo, "lost", error));
  EXPECT_EQ(error, "cannot write " + fifo + ": no process reads from the FIFO");
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(Write(fifo, "through the FIFO", error)) << error;
  char buffer[64] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 16);
  EXPECT_STREQ(buffer, "through the FIFO");
  ::close(reader);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(Entries(folder), std::vector<std::string>{"fifo"});
}

}  // namespace
