// The file replacement as a library: the temporary file is owner-only (or has
// no name at all while it is written), and the signal handlers remove a named
// one before the program ends.

#include "files/file_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_io_internal.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kelvane-file-io-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    file_io_internal::UseNamedTemporaryFiles(false);
    fs::remove_all(folder_);
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string folder_;
};

// A named temporary file is 0600 while it is written, whatever the umask, so
// that the text of a 0600 input is never readable by everyone.
TEST_F(FileIoTest, ANamedTemporaryFileIsOwnerOnly) {
  file_io_internal::UseNamedTemporaryFiles(true);
  const mode_t saved_umask = umask(0);
  FileReplacement file;
  const FileStatus opened = file.Open(folder_ + "/out.lua");
  umask(saved_umask);
  ASSERT_TRUE(opened.ok()) << opened.Describe();
  ASSERT_TRUE(file.Append("secret").ok());
  const std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(names[0].starts_with(".kelvane-") && names[0].ends_with(".tmp")) << names[0];
  struct stat info {};
  ASSERT_EQ(stat((folder_ + "/" + names[0]).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  ASSERT_TRUE(file.Commit().ok());
  EXPECT_EQ(Names(), std::vector<std::string>{"out.lua"});
}

TEST_F(FileIoTest, AnAnonymousTemporaryFileHasNoNameUntilItIsComplete) {
  FileReplacement file;
  ASSERT_TRUE(file.Open(folder_ + "/out.lua").ok());
  ASSERT_TRUE(file.Append("text").ok());
  EXPECT_TRUE(Names().empty());
  ASSERT_TRUE(file.Commit().ok());
  EXPECT_EQ(Names(), std::vector<std::string>{"out.lua"});
}

TEST_F(FileIoTest, AnUncommittedReplacementLeavesNothing) {
  for (const bool named : {false, true}) {
    file_io_internal::UseNamedTemporaryFiles(named);
    {
      FileReplacement file;
      ASSERT_TRUE(file.Open(folder_ + "/out.lua").ok());
      ASSERT_TRUE(file.Append("text").ok());
    }
    EXPECT_TRUE(Names().empty()) << (named ? "named" : "anonymous");
  }
}

// SIGINT, SIGTERM, SIGHUP and SIGPIPE during a write remove the temporary file.
TEST_F(FileIoTest, SignalsRemoveANamedTemporaryFile) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(signal_number));
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      file_io_internal::UseNamedTemporaryFiles(true);
      InstallFileSignalHandling();
      FileReplacement file;
      const bool written =
          file.Open(folder_ + "/out.lua").ok() && file.Append(std::string(100'000, 'x')).ok();
      const char byte = written ? 'w' : 'f';
      [[maybe_unused]] const ssize_t sent = write(ready[1], &byte, 1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    EXPECT_EQ(byte, 'w');
    EXPECT_EQ(Names().size(), 1u) << "no temporary file to remove";
    kill(pid, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number)
        << "the program did not end as the signal would have";
    EXPECT_TRUE(Names().empty());
  }
}

TEST_F(FileIoTest, IdentitiesTellAChangedFile) {
  const std::string path = folder_ + "/in.lua";
  ASSERT_TRUE(WriteWholeFile(path, "x=1\n").ok());
  std::string text;
  FileIdentity read;
  ASSERT_TRUE(ReadWholeFile(path, text, &read).ok());
  EXPECT_TRUE(read.regular());
  EXPECT_EQ(read.size, 4u);
  WriteOptions options;
  options.replaces = &read;
  ASSERT_TRUE(WriteWholeFile(path, "x = 1\n", options).ok());
  // The file that was read is gone: replacing it again is refused.
  EXPECT_EQ(WriteWholeFile(path, "y\n", options).error, kErrorChanged);
  std::string now;
  ASSERT_TRUE(ReadWholeFile(path, now).ok());
  EXPECT_EQ(now, "x = 1\n");
}

}  // namespace
}  // namespace kelvane
