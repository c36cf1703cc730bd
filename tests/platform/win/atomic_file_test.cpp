// The atomic file writer over Win32: a commit replaces an existing file in
// one step, an abandoned write leaves it and no temporary.
#include "base/atomic_file.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/platform/win/win_test_helpers.h"

namespace {

namespace fs = std::filesystem;

class WinAtomicFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qob_atomic_" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
  static std::string contents(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(WinAtomicFile, CommitReplacesAnExistingFileWithLfLines) {
  std::ofstream(path("r"), std::ios::binary) << "old\n";
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("r").c_str()), 0);
  fputs("new\nlines\n", f.stream);
  EXPECT_EQ(contents(path("r")), "old\n");
  EXPECT_EQ(atomic_file_commit(&f), 0);
  EXPECT_EQ(contents(path("r")), "new\nlines\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
}

TEST_F(WinAtomicFile, CommitCreatesAMissingFile) {
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("fresh").c_str()), 0);
  fputs("made\n", f.stream);
  EXPECT_EQ(atomic_file_commit(&f), 0);
  EXPECT_EQ(contents(path("fresh")), "made\n");
  EXPECT_EQ(entries(), std::set<std::string>{"fresh"});
}

TEST_F(WinAtomicFile, AbandonLeavesTheOldFileAndNoTemporary) {
  std::ofstream(path("r"), std::ios::binary) << "old\n";
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("r").c_str()), 0);
  fputs("new\n", f.stream);
  atomic_file_abandon(&f);
  EXPECT_EQ(contents(path("r")), "old\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
}

TEST_F(WinAtomicFile, FolderThatDoesNotExistFailsAndLeavesNothing) {
  atomic_file f;
  EXPECT_NE(atomic_file_open(&f, path("missing\\r").c_str()), 0);
  EXPECT_TRUE(entries().empty());
}

}  // namespace
