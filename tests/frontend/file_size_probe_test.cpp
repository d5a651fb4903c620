// Tests for the file-size probe's rules over fake platform queries.
#include "frontend/file_size_probe.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kelvane::frontend {
namespace {

class FakeQueries : public FileQueries {
 public:
  std::map<std::string, FoundEntry> entries;
  std::map<std::string, int> drive_types;
  std::set<std::string> folder_attributes;
  size_t path_length_limit = 260;

  FoundEntry Find(const std::string& path) override {
    const auto it = entries.find(path);
    return it == entries.end() ? FoundEntry{} : it->second;
  }
  int DriveType(const std::string& root) override {
    const auto it = drive_types.find(root);
    return it == drive_types.end() ? 1 : it->second;
  }
  bool HasFolderAttribute(const std::string& path) override {
    return folder_attributes.contains(path);
  }
  size_t PathLengthLimit() const override { return path_length_limit; }
};

TEST(FileSizeProbeTest, AnswersSizeNothingOrFolder) {
  const std::string long_name = "C:\\" + std::string(257, 'n');  // exactly 260 characters
  FakeQueries queries;
  queries.entries = {
      {R"(C:\Work\a.lua)", {.found = true, .size = 1234}},
      {R"(C:\Work\empty.lua)", {.found = true, .size = 0}},
      {R"(C:\Work\big.lua)", {.found = true, .size = 5'000'000'000}},
      {R"(C:\Work)", {.found = true, .is_folder = true}},
      {long_name, {.found = true, .size = 7}},
  };
  queries.drive_types = {{"C:\\", 3}, {"R:\\", 0}, {"Q:\\", 1}};
  queries.folder_attributes = {R"(\\server\share)", R"(C:\Hidden)"};

  const struct {
    std::string path;
    int64_t expected;
  } rows[] = {
      {"", -1},
      {R"(C:\Work\a.lua)", 1234},
      {R"(C:\Work\empty.lua)", 0},
      {R"(C:\Work\big.lua)", 5'000'000'000},
      {R"(C:\Work\missing.lua)", -1},
      {R"(C:\Work)", -2},
      {R"(C:\Work\)", -2},
      {R"(C:\Work\\\)", -2},
      {"C:", -2},
      {R"(C:\)", -2},
      {"R:", -1},
      {R"(Q:\)", -1},
      {"Z:", -1},
      {R"(\\server\share)", -2},
      {R"(\\server\share\)", -2},
      {R"(\\server\share\x.lua)", -1},
      {R"(C:\Hidden)", -1},  // attributes count only for network paths
      {long_name + "tail beyond 260", 7},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ProbeFileSizeWith(queries, row.path), row.expected) << "path: " << row.path;
  }
}

// A valid POSIX path of 310 bytes counts whole where the platform has no
// length limit; only under a limit of 260 is it reported as missing.
TEST(FileSizeProbeTest, LongPathsCountWholeWhereThePlatformHasNoLimit) {
  const std::string long_path = "/" + std::string(300, 'd') + "/in.lua.x";  // 310 bytes
  FakeQueries queries;
  queries.path_length_limit = std::string::npos;
  queries.entries = {{long_path, {.found = true, .size = 9}}};
  EXPECT_EQ(ProbeFileSizeWith(queries, long_path), 9);
  queries.path_length_limit = 260;
  EXPECT_EQ(ProbeFileSizeWith(queries, long_path), -1);
}

}  // namespace
}  // namespace kelvane::frontend
