// Whole-file reading and safe replacement of 8-bit files, for every program
// that formats files (zorv_kelvane, and the folder formatter in place). Paths
// are byte strings handed to the platform as they are, never converted.
//
// What a write promises: the target is replaced at once by a complete new
// file (a temporary file beside it, owner-only, renamed over it), or not
// touched at all. A replaced file keeps its owner, group, mode, access
// control list and extended attributes (on Windows its security descriptor),
// or is not replaced. Nothing half-written is left behind: a failed write,
// and on POSIX an interrupt, a termination or a hang-up, remove the temporary
// file (InstallFileSignalHandling).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The largest input read: 256 MiB, far above any real script (the largest
// game data files are a few megabytes). A larger file is refused before it is
// read, and a stream (a pipe, /dev/zero) that passes the limit while it is
// read is refused as soon as it does.
inline constexpr uint64_t kInputSizeLimit = uint64_t{256} << 20;

// The causes of a failed file operation that are the program's own, not the
// platform's; positive values are errno values.
inline constexpr int kErrorTooLarge = -1;           // the input passes kInputSizeLimit
inline constexpr int kErrorNotRegular = -2;         // a pipe or device where a file must be
inline constexpr int kErrorChanged = -3;            // the input changed after it was read
inline constexpr int kErrorForeignLink = -4;        // a derived name is someone else's link
inline constexpr int kErrorWouldReplaceInput = -5;  // a derived name leads to the input
inline constexpr int kErrorDanglingLink = -6;       // a symbolic link to nothing
inline constexpr int kErrorForeignFile = -7;        // a derived name is someone else's file
inline constexpr int kErrorAttributesNotKept = -8;  // the ACL or an attribute cannot be carried
inline constexpr int kErrorIsLink = -9;             // a link where none is followed
inline constexpr int kErrorFolderChanged = -10;     // the folder is no longer the one searched

// 0 when the operation succeeded, otherwise an errno value or one of the
// kError causes above.
struct FileStatus {
  int error = 0;
  bool ok() const { return error == 0; }
  // The cause in words, as the error line shows it ("No such file or
  // directory", "changed since it was read; nothing was written"). Safe to
  // call from several threads.
  std::string Describe() const;
};

enum class FileKind { kOther, kRegular, kFolder, kLink };

// What a look at a file saw, so that a later step can tell whether it is
// still the same file, unchanged. On Windows the device is the volume serial
// number and the inode the file index.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modified_ns = 0;  // last modification, in nanoseconds
  FileKind kind = FileKind::kOther;
  bool regular() const { return kind == FileKind::kRegular; }
};

// Whether two identities name the same file, and whether it is unchanged.
bool SameFile(const FileIdentity& a, const FileIdentity& b);
bool SameFileUnchanged(const FileIdentity& a, const FileIdentity& b);

// The identity of the file at `path`, after its symbolic links.
FileStatus IdentifyPath(const std::string& path, FileIdentity& identity);

// A folder held open. Its files are then reached by name alone, so that no
// link on the way to them is followed once the folder is open, and a
// replacement lands in this very folder whatever is renamed around it. On
// POSIX it holds a descriptor; on Windows, the folder's path.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Opens the folder at `path` ("" is the current folder), following links.
  // With `expected`, it must be that very folder (kErrorFolderChanged).
  FileStatus Open(const std::string& path, const FileIdentity* expected = nullptr);

  // The path as opened, ending with a separator ("" for the current folder).
  const std::string& path() const { return path_; }
  const FileIdentity& identity() const { return identity_; }
  intptr_t descriptor() const { return descriptor_; }

 private:
  intptr_t descriptor_ = -1;
  std::string path_;
  FileIdentity identity_;
};

struct FolderEntry {
  std::string name;
  FileKind kind = FileKind::kOther;  // a link is a link, never what it leads to
};

// The entries of `folder`, "." and ".." left out, in no particular order.
FileStatus ListFolder(const Folder& folder, std::vector<FolderEntry>& entries);

// The identity of `name` in `folder`; a link is described, not followed.
FileStatus IdentifyIn(const Folder& folder, const std::string& name, FileIdentity& identity);

// Where a named file lies once the links of its last name are followed: the
// folder part (ending with a separator, or "") and the name in it. A link to
// nothing is refused (kErrorDanglingLink).
FileStatus LocateFile(const std::string& path, std::string& folder, std::string& name);

struct ReadOptions {
  uint64_t size_limit = kInputSizeLimit;
  // Refuse anything but a regular file (kErrorNotRegular) before reading:
  // what is read is to be replaced, and a pipe or device cannot be. A pipe
  // is then opened without waiting for a writer.
  bool regular_only = false;
};

// Reads the whole file at `path` into `bytes`, unchanged, and describes it in
// `identity` when that is given.
FileStatus ReadWholeFile(const std::string& path, std::string& bytes,
                         FileIdentity* identity = nullptr, const ReadOptions& options = {});

// Reads the regular file `name` in `folder` whole. A link there is refused
// (kErrorIsLink), and a pipe or device (kErrorNotRegular) without waiting for
// it.
FileStatus ReadFileIn(const Folder& folder, const std::string& name, std::string& bytes,
                      FileIdentity* identity = nullptr, const ReadOptions& options = {});

struct WriteOptions {
  // The name was made by the program from the input's name (INPUT.pretty,
  // INPUT.debug), not given by the user: a symbolic link there is followed
  // only when the user (or root) owns every link on the way
  // (kErrorForeignLink), and it must never lead to the input
  // (kErrorWouldReplaceInput). What it leads to is replaced only when it is
  // a regular file of the user's (kErrorNotRegular, kErrorForeignFile).
  bool derived_name = false;
  // The input the written text comes from. If the target turns out to be
  // the input file, it must be a regular file and still as `input` says.
  const FileIdentity* input = nullptr;
  // The target is the input and is to be replaced ("-o", formatting in
  // place): it must still be exactly this file, unchanged since it was read
  // (kErrorChanged), at the moment it is replaced.
  const FileIdentity* replaces = nullptr;
};

// A file written in pieces and put in place at once by Commit(). Until then
// the target is untouched; destroying an uncommitted replacement removes its
// temporary file. A device or pipe as the target (/dev/null, a FIFO) is
// written through instead, since renaming would replace the node itself, and
// so is a name for an open descriptor (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N), which writes on where the descriptor stands. A symbolic
// link as the target is written through: the file it points to is replaced,
// the link stays. A link that points to nothing is refused.
class FileReplacement {
 public:
  FileReplacement();
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Checks the target and creates the temporary file. An existing target
  // must be writable, as it would have to be to write it in place.
  FileStatus Open(const std::string& path, const WriteOptions& options = {});
  // The same for `name` in `folder`, where a link is refused (kErrorIsLink).
  FileStatus OpenIn(const Folder& folder, const std::string& name,
                    const WriteOptions& options = {});
  FileStatus Append(std::string_view bytes);
  // Flushes the file to the disk, gives it the replaced file's owner, group,
  // mode and attributes, checks the input once more, and renames it over the
  // target.
  FileStatus Commit();

  // The platform's half: the file being written and how it is put in place.
  class Platform;

 private:
  std::unique_ptr<Platform> file_;
  int error_ = 0;  // the first failure; later calls repeat it
};

// Replaces the file at `path` with `bytes` (Open, Append, Commit).
FileStatus WriteWholeFile(const std::string& path, std::string_view bytes,
                          const WriteOptions& options = {});

// For a program's main(), once: on POSIX, SIGINT, SIGTERM, SIGHUP and
// SIGPIPE first remove the temporary files of unfinished replacements, then
// end the program as they would have; a file-size limit (SIGXFSZ) makes the
// write fail with "File too large" instead of killing the program. On Windows,
// Ctrl+C, Ctrl+Break and closing the console remove them.
void InstallFileSignalHandling();

// For a program's main(), once: puts standard input and output into binary
// mode, so that a CR LF comes in as it is and an LF is never written as CR LF.
// Does nothing where there is no difference.
void UseBinaryStandardStreams();

}  // namespace kelvane
