// The portable part of file reading and replacement: the causes in words,
// identity comparisons, temporary names, the replacement's steps in order
// and the whole-file write. The platform's part is in file_io_posix.cpp or
// file_io_win32.cpp.

#include "files/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <stdexcept>
#include <system_error>

#include "files/file_io_internal.h"

namespace kelvane {

std::string FileStatus::Describe() const {
  switch (error) {
    case 0:
      return "no error";
    case kErrorTooLarge:
      return "larger than the input limit of " + std::to_string(kInputSizeLimit >> 20) + " MiB";
    case kErrorNotRegular:
      return "not a regular file";
    case kErrorChanged:
      return "changed since it was read; nothing was written";
    case kErrorForeignLink:
      return "a symbolic link owned by another user";
    case kErrorWouldReplaceInput:
      return "leads to the input file, which it must not replace";
    case kErrorDanglingLink:
      return "a symbolic link to a file that does not exist";
    case kErrorForeignFile:
      return "a file owned by another user, which it must not replace";
    case kErrorAttributesNotKept:
      return "its access control list or extended attributes cannot be kept; nothing was written";
    case kErrorIsLink:
      return "a symbolic link, which is not followed here";
    case kErrorFolderChanged:
      return "its folder was moved or replaced since it was searched";
    default:
      // strerror's text; std::error_code's message is the thread-safe way
      // to get it.
      return std::generic_category().message(error);
  }
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.inode == b.inode;
}

bool SameFileUnchanged(const FileIdentity& a, const FileIdentity& b) {
  return SameFile(a, b) && a.size == b.size && a.modified_ns == b.modified_ns;
}

FileReplacement::FileReplacement() = default;
FileReplacement::~FileReplacement() = default;

FileStatus FileReplacement::Open(const std::string& path, const WriteOptions& options) {
  file_.reset();
  error_ = path.empty() ? ENOENT : file_io_internal::OpenPlatformReplacement(path, options, file_);
  if (error_ != 0) file_.reset();
  return {error_};
}

FileStatus FileReplacement::OpenIn(const Folder& folder, const std::string& name,
                                   const WriteOptions& options) {
  file_.reset();
  error_ = name.empty() ? ENOENT
                        : file_io_internal::OpenPlatformReplacementIn(folder, name, options, file_);
  if (error_ != 0) file_.reset();
  return {error_};
}

FileStatus FileReplacement::Append(std::string_view bytes) {
  if (error_ == 0 && !file_) error_ = EBADF;
  if (error_ == 0) error_ = file_->Write(bytes);
  return {error_};
}

FileStatus FileReplacement::Commit() {
  if (error_ == 0 && !file_) error_ = EBADF;
  if (error_ == 0) error_ = file_->Commit();
  file_.reset();  // an uncommitted temporary file goes with it
  return {error_};
}

FileStatus WriteWholeFile(const std::string& path, std::string_view bytes,
                          const WriteOptions& options) {
  FileReplacement file;
  if (FileStatus status = file.Open(path, options); !status.ok()) return status;
  if (FileStatus status = file.Append(bytes); !status.ok()) return status;
  return file.Commit();
}

namespace file_io_internal {
namespace {

enum SlotState : int { kFree, kFilling, kReady };

// A POSIX name is short (relative to its folder's descriptor); a Windows one
// is a whole path, which the ANSI calls limit to MAX_PATH.
struct NameSlot {
  std::atomic<int> state{kFree};
  int folder = -1;
  char path[512];
};

// kelvanefmt runs at most 1024 threads, each with one replacement open.
constexpr int kSlotCount = 1040;
NameSlot g_name_slots[kSlotCount];

}  // namespace

int ReadWhole(void* file, ReadSome read_some, const FileIdentity& found, const ReadOptions& options,
              std::string& bytes) {
  bytes.clear();
  int error = 0;
  if (found.kind == FileKind::kFolder) {
    error = EISDIR;
  } else if (options.regular_only && !found.regular()) {
    error = kErrorNotRegular;
  } else if (found.regular() && found.size > options.size_limit) {
    error = kErrorTooLarge;
  }
  try {
    // A regular file's size is known, so the text is allocated once; a
    // stream grows until it ends or passes the limit.
    if (error == 0 && found.regular()) bytes.reserve(static_cast<size_t>(found.size));
    char buffer[1 << 16];
    while (error == 0) {
      const long long got = read_some(file, buffer, sizeof buffer, error);
      if (got <= 0) break;
      if (bytes.size() + static_cast<size_t>(got) > options.size_limit) {
        error = kErrorTooLarge;
      } else {
        bytes.append(buffer, static_cast<size_t>(got));
      }
    }
  } catch (const std::bad_alloc&) {
    error = ENOMEM;  // a file larger than the memory at hand
  } catch (const std::length_error&) {
    error = ENOMEM;
  }
  if (error != 0) std::string().swap(bytes);
  return error;
}

int CheckExistingTarget(const FileIdentity& found, const WriteOptions& options,
                        const FileIdentity*& expected) {
  expected = nullptr;
  if (options.replaces != nullptr) {
    if (!SameFile(found, *options.replaces)) return kErrorChanged;  // replaced meanwhile
    expected = options.replaces;
  } else if (options.input != nullptr && SameFile(found, *options.input)) {
    if (options.derived_name) return kErrorWouldReplaceInput;
    if (!options.input->regular()) return kErrorNotRegular;
    expected = options.input;
  }
  return 0;
}

int ClaimNameSlot(int folder, const std::string& path) {
  if (path.size() >= sizeof g_name_slots[0].path) return -1;
  for (int i = 0; i < kSlotCount; ++i) {
    int expected = kFree;
    if (g_name_slots[i].state.compare_exchange_strong(expected, kFilling)) {
      g_name_slots[i].folder = folder;
      std::memcpy(g_name_slots[i].path, path.c_str(), path.size() + 1);
      g_name_slots[i].state.store(kReady);
      return i;
    }
  }
  return -1;
}

void ReleaseNameSlot(int& slot) {
  if (slot >= 0) g_name_slots[slot].state.store(kFree);
  slot = -1;
}

void RemoveClaimedNames(void (*remove)(int folder, const char* path)) {
  for (NameSlot& slot : g_name_slots) {
    if (slot.state.load() == kReady) remove(slot.folder, slot.path);
  }
}

std::string TemporaryName() {
  // Random, so that a name cannot be foreseen; creation is exclusive, and a
  // clash only means another try.
  thread_local std::mt19937_64 random{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".kelvane-%016llx.tmp",
                static_cast<unsigned long long>(random()));
  return name;
}

}  // namespace file_io_internal
}  // namespace kelvane
