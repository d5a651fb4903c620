// zorv_kelvane run for real against hostile paths, signals and concurrent
// edits: links planted at the names it makes, an input edited during "-o",
// another user's file, interrupted and size-limited writes, pipes and
// endless streams as input, and a link to nothing as the output. In every
// case no file is lost, exposed or left half-written, and a failure is one
// line on standard error with exit status 1.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/app_text.h"
#include "files/file_io.h"
#include "tests/support/cli_runner.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test_support::CliResult;
using test_support::CliSandbox;

using test_support::kNobody;
using test_support::kNoGroup;

bool RunningAsRoot() { return geteuid() == 0; }

const std::string kInput = "x=1\n";
const std::string kFormatted = std::string(AppComment) + "x = 1\r\n";

using test_support::GameData;

// An access control list as the kernel stores it in system.posix_acl_access:
// a version, then {tag, permissions, id} entries in the order of their tags.
constexpr uint16_t kAclUserObj = 0x01;
constexpr uint16_t kAclUser = 0x02;
constexpr uint16_t kAclGroupObj = 0x04;
constexpr uint16_t kAclMask = 0x10;
constexpr uint16_t kAclOther = 0x20;
constexpr uint32_t kAclUndefinedId = 0xffffffff;

struct AclEntry {
  uint16_t tag;
  uint16_t permissions;
  uint32_t id;
};

std::string PosixAcl(const std::vector<AclEntry>& entries) {
  std::string bytes;
  const uint32_t version = 2;
  bytes.append(reinterpret_cast<const char*>(&version), sizeof version);
  for (const AclEntry& entry : entries) {
    bytes.append(reinterpret_cast<const char*>(&entry.tag), 2);
    bytes.append(reinterpret_cast<const char*>(&entry.permissions), 2);
    bytes.append(reinterpret_cast<const char*>(&entry.id), 4);
  }
  return bytes;
}

// Every extended attribute of `path` as "name=value", sorted.
std::vector<std::string> Attributes(const std::string& path) {
  std::string names(65536, '\0');
  const ssize_t size = listxattr(path.c_str(), names.data(), names.size());
  std::vector<std::string> attributes;
  for (size_t start = 0; size > 0 && start < static_cast<size_t>(size);) {
    const std::string name = names.c_str() + start;
    std::string value(65536, '\0');
    const ssize_t got = getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    value.resize(got > 0 ? static_cast<size_t>(got) : 0);
    attributes.push_back(name + "=" + value);
    start += name.size() + 1;
  }
  std::sort(attributes.begin(), attributes.end());
  return attributes;
}

// The engine running in the background in `folder`.
class RunningEngine : public test_support::RunningProgram {
 public:
  RunningEngine(const std::string& folder, const std::vector<std::string>& args)
      : RunningProgram(test_support::EnginePath(), folder, args) {}
};

// A link at INPUT.debug or INPUT.pretty that leads to the input is refused,
// so that `ln -s x.lua x.lua.debug` cannot replace the input by the debug dump.
TEST(CliFilesTest, LinksAtDerivedNamesNeverLeadToTheInput) {
  const struct {
    int line;
    std::string link;
    std::vector<std::string> args;
    std::string expected_err;
  } rows[] = {
      {__LINE__,
       "in.lua.debug",
       {"in.lua", "-debug", "out.lua"},
       "zorv_kelvane: cannot write 'in.lua.debug': leads to the input file, which it must not "
       "replace\n"},
      {__LINE__,
       "in.lua.pretty",
       {"in.lua"},
       "zorv_kelvane: cannot write 'in.lua.pretty': leads to the input file, which it must not "
       "replace\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    fs::create_symlink("in.lua", sandbox.work() + "/" + row.link);
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, row.expected_err);
    EXPECT_EQ(sandbox.ReadFile("in.lua"), kInput);
    EXPECT_TRUE(fs::is_symlink(sandbox.work() + "/" + row.link));
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", row.link}));
  }
}

// Another user's link at a derived name, planted in a shared folder, is not
// followed: root never overwrites the file it points to.
TEST(CliFilesTest, AnotherUsersLinkAtADerivedNameIsNotFollowed) {
  if (!RunningAsRoot()) GTEST_SKIP() << "planting another user's link needs root";
  for (const std::string derived : {"in.lua.pretty", "in.lua.debug"}) {
    SCOPED_TRACE(derived);
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    sandbox.WriteFile("victim", "root only\n");
    const std::string link = sandbox.work() + "/" + derived;
    fs::create_symlink("victim", link);
    ASSERT_EQ(lchown(link.c_str(), kNobody, kNoGroup), 0);
    const CliResult result = sandbox.Run({"in.lua", "-debug"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write '" + derived +
                              "': a symbolic link owned by another user\n");
    EXPECT_EQ(sandbox.ReadFile("victim"), "root only\n");
    EXPECT_EQ(sandbox.ReadFile("in.lua"), kInput);
    EXPECT_TRUE(fs::is_symlink(link));
  }
}

// The user's own link at a derived name is followed, as before.
TEST(CliFilesTest, TheUsersOwnLinkAtADerivedNameIsWrittenThrough) {
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  sandbox.MakeFolder("results");
  sandbox.WriteFile("results/in.lua", "an older result\n");
  fs::create_symlink("results/in.lua", sandbox.work() + "/in.lua.pretty");
  const CliResult result = sandbox.Run({"in.lua"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  EXPECT_EQ(sandbox.ReadFile("results/in.lua"), kFormatted);
  EXPECT_TRUE(fs::is_symlink(sandbox.work() + "/in.lua.pretty"));
}

// The debug file is replaced whole at the end of the run, like the
// output: never written through a planted name, never left half-written.
TEST(CliFilesTest, DebugFileIsReplacedWhole) {
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  sandbox.WriteFile("in.lua.debug", "old debug file\n");
  const std::string path = sandbox.work() + "/in.lua.debug";
  chmod(path.c_str(), 0640);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  const CliResult result = sandbox.Run({"in.lua", "-debug"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  struct stat after {};
  ASSERT_EQ(stat(path.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino) << "written in place";
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_TRUE(sandbox.ReadFile("in.lua.debug").starts_with("\f"));
  EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", "in.lua.debug", "in.lua.pretty"}));
}

// An input that an editor changes during "zorv_kelvane big.lua -o" (an append
// or a save by rename) keeps the edit: nothing is written, and the run fails.
TEST(CliFilesTest, AnInputEditedDuringOverwriteIsKept) {
  const std::string input = GameData(5'000'000);
  const std::string edit = "-- added by the editor\n";
  for (const bool by_rename : {false, true}) {
    SCOPED_TRACE(by_rename ? "the editor saves a new file over it" : "the editor appends");
    CliSandbox sandbox;
    sandbox.WriteFile("big.lua", input);
    RunningEngine engine(sandbox.work(), {"big.lua", "-o"});
    ASSERT_TRUE(engine.WaitForLine("Parsing file..."));
    if (by_rename) {
      sandbox.WriteFile("saved.tmp", input + edit);
      fs::rename(sandbox.work() + "/saved.tmp", sandbox.work() + "/big.lua");
    } else {
      std::ofstream(sandbox.work() + "/big.lua", std::ios::binary | std::ios::app) << edit;
    }
    EXPECT_EQ(engine.Finish(), 1);
    EXPECT_EQ(engine.err(),
              "zorv_kelvane: cannot write 'big.lua': changed since it was read; nothing was "
              "written\n");
    EXPECT_TRUE(sandbox.ReadFile("big.lua") == input + edit) << "the edit was lost";
    EXPECT_EQ(sandbox.List(), std::vector<std::string>{"big.lua"});
  }
}

// Root running "-o" on another user's file (0640) keeps its owner, group and
// mode, so that its owner can still read it.
TEST(CliFilesTest, OverwritingKeepsOwnerGroupAndMode) {
  if (!RunningAsRoot()) GTEST_SKIP() << "another user's file needs root";
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", kInput);
  const std::string path = sandbox.work() + "/in.lua";
  ASSERT_EQ(chown(path.c_str(), kNobody, kNoGroup), 0);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const CliResult result = sandbox.Run({"in.lua", "-o"});
  ASSERT_EQ(result.exit_status, 0) << result.err;
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kNoGroup);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(sandbox.ReadFile("in.lua"), kFormatted);
}

// Where the owner cannot be kept, set-user-ID and set-group-ID go.
TEST(CliFilesTest, SetIdBitsAreDroppedWhenTheOwnerCannotBeKept) {
  if (!RunningAsRoot()) GTEST_SKIP() << "running as another user needs root";
  std::string folder = (fs::temp_directory_path() / "kelvane-owner-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  const std::string path = folder + "/in.lua";
  std::ofstream(path, std::ios::binary) << kInput;
  ASSERT_EQ(chmod(path.c_str(), 06777), 0);  // root's, writable by everyone
  const test_support::CopyForNobody engine_copy(test_support::EnginePath());
  test_support::RunningProgram engine(engine_copy.path(), folder, {"in.lua", "-o"},
                                      /*as_nobody=*/true);
  EXPECT_EQ(engine.Finish(), 0) << engine.err();
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_mode & 07777, 0777u);
  fs::remove_all(folder);
}

// SIGINT, SIGTERM or SIGHUP during the write leave no temporary file beside
// the target. (The debug file is written during the whole run, so it is
// interrupted at every moment.)
TEST(CliFilesTest, SignalsLeaveNoTemporaryFile) {
  const struct {
    int line;
    size_t size;
    std::vector<std::string> args;
    int signal_number;
    std::string moment;  // the line after which the signal is sent
  } rows[] = {
      {__LINE__, 3'000'000, {"in.lua", "-o"}, SIGINT, "\tClean-up"},
      {__LINE__, 3'000'000, {"in.lua", "-o"}, SIGTERM, "Time elapsed"},
      {__LINE__, 3'000'000, {"in.lua", "-o"}, SIGHUP, "Time elapsed"},
      {__LINE__, 300'000, {"in.lua", "-o", "-debug"}, SIGTERM, "\tFixing"},
      {__LINE__, 300'000, {"in.lua", "-o", "-debug"}, SIGINT, "\tClean-up"},
      {__LINE__, 300'000, {"in.lua", "-o", "-debug"}, SIGHUP, "Time elapsed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    const std::string input = GameData(row.size);
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", input);
    RunningEngine engine(sandbox.work(), row.args);
    ASSERT_TRUE(engine.WaitForLine(row.moment));
    kill(engine.pid(), row.signal_number);
    const int status = engine.Finish();
    // The write may have finished before the signal arrived.
    if (status == 0) {
      EXPECT_EQ(sandbox.List().front(), "in.lua");
      continue;
    }
    EXPECT_EQ(status, 128 + row.signal_number);
    EXPECT_TRUE(sandbox.ReadFile("in.lua") == input) << "the input was changed";
    EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
  }
}

// A file-size limit (ulimit -f) is a write error with a message, not death by
// SIGXFSZ (status 153, no message), and leaves no temporary file.
TEST(CliFilesTest, AFileSizeLimitIsAnError) {
  const std::string input = GameData(20'000);
  CliSandbox sandbox;
  sandbox.WriteFile("in.lua", input);
  const CliResult result = sandbox.Run({"in.lua", "-o"}, 8192);
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_EQ(result.err, "zorv_kelvane: cannot write 'in.lua': File too large\n");
  EXPECT_TRUE(sandbox.ReadFile("in.lua") == input);
  EXPECT_EQ(sandbox.List(), std::vector<std::string>{"in.lua"});
}

// "-o" needs a regular file: "cat a.lua | zorv_kelvane /dev/stdin -o" is
// refused rather than writing into its own input pipe (and hanging there).
TEST(CliFilesTest, OverwriteNeedsARegularFile) {
  const struct {
    int line;
    std::string input;  // "fifo": a pipe in the folder with a writer
  } rows[] = {
      {__LINE__, "/dev/stdin"},
      {__LINE__, "/dev/null"},
      {__LINE__, "fifo"},
  };
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction saved {};
  sigaction(SIGPIPE, &ignore, &saved);
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    std::thread writer;
    std::atomic<bool> writer_opened{false};
    if (row.input == "fifo") {
      const std::string fifo = sandbox.work() + "/fifo";
      ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
      writer = std::thread([fifo, &writer_opened] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        writer_opened = true;
        const std::string text = GameData(120'000);
        [[maybe_unused]] const ssize_t ignored = write(fd, text.data(), text.size());
        close(fd);
      });
    }
    const CliResult result = sandbox.Run({row.input, "-o"});
    if (writer.joinable()) {
      // A reader releases the writer still waiting to open the pipe; it stays
      // until the writer's open has returned (under load the writer may not
      // have begun to wait yet), and once it goes, the write fails (EPIPE,
      // the signal ignored).
      const int fd = open((sandbox.work() + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
      while (fd >= 0 && !writer_opened) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (fd >= 0) close(fd);
      writer.join();
    }
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err,
              "zorv_kelvane: cannot overwrite '" + row.input + "': not a regular file\n");
    EXPECT_EQ(result.out, "");
  }
  sigaction(SIGPIPE, &saved, nullptr);
}

// /dev/zero, an endless pipe or a 100 GB sparse file is refused at the input
// limit, so that memory never grows without bound.
TEST(CliFilesTest, InputsPastTheSizeLimitAreRefused) {
  const std::string too_large =
      "zorv_kelvane: cannot read '%s': larger than the input limit of 256 MiB\n";
  const auto expected = [&](const std::string& path) {
    std::string text = too_large;
    return text.replace(text.find("%s"), 2, path);
  };
  const struct {
    int line;
    std::string path;
    off_t sparse_size;  // for "sparse.lua"
  } rows[] = {
      {__LINE__, "sparse.lua", off_t{100} << 30},
      {__LINE__, "sparse.lua", static_cast<off_t>(kInputSizeLimit) + 1},
      {__LINE__, "/dev/zero", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    if (row.sparse_size > 0) {
      sandbox.WriteFile("sparse.lua", "");
      ASSERT_EQ(truncate((sandbox.work() + "/sparse.lua").c_str(), row.sparse_size), 0);
    }
    const auto start = std::chrono::steady_clock::now();
    const CliResult result = sandbox.Run({row.path, "out.lua", "-debug"});
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, expected(row.path));
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(sandbox.Exists("out.lua"));
    if (row.sparse_size > 0) {
      EXPECT_LT(seconds.count(), 5.0) << "the file was read";
    }
  }
}

// A link to nothing as the output is refused, and the link stays rather than
// being replaced by a regular file.
TEST(CliFilesTest, ALinkToNothingAsTheOutputIsRefused) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"in.lua", "out.lua"}, std::vector<std::string>{"in.lua"}}) {
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    const std::string link = args.size() == 2 ? "out.lua" : "in.lua.pretty";
    fs::create_symlink("missing/result.lua", sandbox.work() + "/" + link);
    const CliResult result = sandbox.Run(args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write '" + link +
                              "': a symbolic link to a file that does not exist\n");
    EXPECT_TRUE(fs::is_symlink(sandbox.work() + "/" + link));
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", link}));
  }
}

// The replacement of a file keeps its access control list (the owning group
// keeps its own rights, not the mask's; the named entries stay) and its
// extended attributes; a file without a list gets none from its folder's
// default list.
TEST(CliFilesTest, AccessControlListsAndAttributesAreKept) {
  // user::rw- user:nobody:rw- group::r-- mask::rw- other::r--
  const std::string acl = PosixAcl({{kAclUserObj, 6, kAclUndefinedId},
                                    {kAclUser, 6, kNobody},
                                    {kAclGroupObj, 4, kAclUndefinedId},
                                    {kAclMask, 6, kAclUndefinedId},
                                    {kAclOther, 4, kAclUndefinedId}});
  const struct {
    int line;
    std::vector<std::string> args;
    std::string target;
    bool default_acl_on_folder;  // the target itself has neither list nor attribute
  } rows[] = {
      {__LINE__, {"in.lua", "-o"}, "in.lua", false},
      {__LINE__, {"in.lua", "out.lua"}, "out.lua", false},
      {__LINE__, {"in.lua", "-debug"}, "in.lua.debug", false},
      {__LINE__, {"in.lua", "out.lua"}, "out.lua", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    sandbox.WriteFile(row.target, row.target == "in.lua" ? kInput : "old\n");
    const std::string target = sandbox.work() + "/" + row.target;
    if (row.default_acl_on_folder) {
      if (setxattr(sandbox.work().c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) !=
          0) {
        GTEST_SKIP() << "the file system has no access control lists: " << strerror(errno);
      }
    } else {
      ASSERT_EQ(chmod(target.c_str(), 0664), 0);
      if (setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
          setxattr(target.c_str(), "user.origin", "mods", 4, 0) != 0) {
        GTEST_SKIP() << "the file system has no access control lists: " << strerror(errno);
      }
    }
    const std::vector<std::string> attributes_before = Attributes(target);
    struct stat before {};
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    const CliResult result = sandbox.Run(row.args);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    struct stat after {};
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "written in place";
    EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
    EXPECT_EQ(Attributes(target), attributes_before);
  }
}

// Where an attribute cannot be carried (here one its owner may not
// read), the file is not replaced rather than replaced without it.
TEST(CliFilesTest, AnAttributeThatCannotBeCarriedStopsTheReplacement) {
  if (!RunningAsRoot()) GTEST_SKIP() << "running as another user needs root";
  std::string folder = (fs::temp_directory_path() / "kelvane-attributes-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  ASSERT_EQ(chmod(folder.c_str(), 0777), 0);
  const std::string input = folder + "/in.lua";
  const std::string output = folder + "/out.lua";
  std::ofstream(input, std::ios::binary) << kInput;
  std::ofstream(output, std::ios::binary) << "old\n";
  ASSERT_EQ(chmod(input.c_str(), 0644), 0);
  ASSERT_EQ(chown(output.c_str(), kNobody, kNoGroup), 0);
  if (setxattr(output.c_str(), "user.origin", "mods", 4, 0) != 0) {
    fs::remove_all(folder);
    GTEST_SKIP() << "the file system has no extended attributes: " << strerror(errno);
  }
  ASSERT_EQ(chmod(output.c_str(), 0200), 0);  // its owner may write it, not read it
  const test_support::CopyForNobody engine_copy(test_support::EnginePath());
  test_support::RunningProgram engine(engine_copy.path(), folder, {"in.lua", "out.lua"},
                                      /*as_nobody=*/true);
  EXPECT_EQ(engine.Finish(), 1);
  EXPECT_EQ(engine.err(),
            "zorv_kelvane: cannot write 'out.lua': its access control list or extended attributes "
            "cannot be kept; nothing was written\n");
  std::string old;
  std::ifstream(output, std::ios::binary) >> old;
  EXPECT_EQ(old, "old");
  EXPECT_EQ(Attributes(output), std::vector<std::string>{"user.origin=mods"});
  fs::remove_all(folder);
}

// "zorv_kelvane a.lua /dev/stdout >> build.log" appends to the log rather
// than renaming a new file over it, and a pipe there is written through too.
TEST(CliFilesTest, AnOutputNamingADescriptorIsWrittenThrough) {
  const std::string engine = test_support::EnginePath();
  const struct {
    int line;
    std::string command;
    std::string log;  // the file that receives standard output
    std::string formatted;
  } rows[] = {
      {__LINE__, engine + " in.lua /dev/stdout >> build.log", "build.log", kFormatted},
      {__LINE__, engine + " in.lua /dev/fd/1 -s >> build.log", "build.log", "x = 1\r\n"},
      {__LINE__, engine + " in.lua /proc/self/fd/3 3>> build.log", "build.log", kFormatted},
      {__LINE__, engine + " in.lua /dev/stdout | cat >> piped.log", "piped.log", kFormatted},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    CliSandbox sandbox("/bin/sh");
    sandbox.WriteFile("in.lua", kInput);
    sandbox.WriteFile(row.log, "earlier line\n");
    struct stat before {};
    ASSERT_EQ(stat(sandbox.Path(row.log).c_str(), &before), 0);
    const CliResult result = sandbox.Run({"-c", row.command});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    const std::string log = sandbox.ReadFile(row.log);
    EXPECT_TRUE(log.starts_with("earlier line\nParsing file...") ||
                log == "earlier line\n" + row.formatted)
        << log;
    EXPECT_NE(log.find(row.formatted), std::string::npos) << log;
    struct stat after {};
    ASSERT_EQ(stat(sandbox.Path(row.log).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the log was replaced";
    std::vector<std::string> names = {"in.lua", row.log};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(sandbox.List(), names);
  }
}

// A derived name replaces only the user's own regular file: another user's
// file planted at INPUT.pretty or INPUT.debug keeps its text (so the planter
// reads nothing of root's), and a FIFO planted there is refused rather than
// fed the text or left waiting for a reader.
TEST(CliFilesTest, ADerivedNameReplacesOnlyTheUsersOwnRegularFile) {
  const struct {
    int line;
    std::string planted;  // "fifo", or "file" (another user's, needs root)
    std::string name;
    std::vector<std::string> args;
    std::string cause;
  } rows[] = {
      {__LINE__,
       "file",
       "in.lua.pretty",
       {"in.lua"},
       "a file owned by another user, which it "
       "must not replace"},
      {__LINE__,
       "file",
       "in.lua.debug",
       {"in.lua", "out.lua", "-debug"},
       "a file owned by another "
       "user, which it must "
       "not replace"},
      {__LINE__, "fifo", "in.lua.pretty", {"in.lua"}, "not a regular file"},
      {__LINE__, "fifo", "in.lua.debug", {"in.lua", "out.lua", "-debug"}, "not a regular file"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE("row at line " + std::to_string(row.line));
    if (row.planted == "file" && !RunningAsRoot()) {
      std::cout << "skipped: planting another user's file needs root\n";
      continue;
    }
    CliSandbox sandbox;
    sandbox.WriteFile("in.lua", kInput);
    const std::string planted = sandbox.work() + "/" + row.name;
    if (row.planted == "fifo") {
      ASSERT_EQ(mkfifo(planted.c_str(), 0666), 0);
    } else {
      sandbox.WriteFile(row.name, "the planter's\n");
      ASSERT_EQ(chown(planted.c_str(), kNobody, kNoGroup), 0);
      ASSERT_EQ(chmod(planted.c_str(), 0644), 0);
    }
    const CliResult result = sandbox.Run(row.args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "zorv_kelvane: cannot write '" + row.name + "': " + row.cause + "\n");
    if (row.planted == "file") {
      EXPECT_EQ(sandbox.ReadFile(row.name), "the planter's\n");
    }
    EXPECT_FALSE(sandbox.Exists("out.lua"));
    EXPECT_EQ(sandbox.List(), (std::vector<std::string>{"in.lua", row.name}));
  }
}

}  // namespace
}  // namespace kelvane
