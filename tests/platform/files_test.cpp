// Files, folders, pipes and lines of the platform layer, in both builds.
#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/platform/posix_test_helpers.h"

namespace {

std::string temporary_path(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(rand()))).string();
}

// Bytes that a text-mode descriptor would change: CR LF, a lone LF, ^Z, NUL.
const std::string RAW_BYTES("a\r\nb\nc\x1a" "d\0e\r", 11);

TEST(Files, PipesCarryEveryByteAsItIs) {
  int fds[2];
  ASSERT_TRUE(open_pipe(fds, 65536));
  ASSERT_EQ(write_all(fds[1], RAW_BYTES.data(), RAW_BYTES.size()), ssize_t(RAW_BYTES.size()));
  close_descriptor(fds[1]);
  begin_read(fds[0], 8193);
  EXPECT_EQ(read_to_end(fds[0]), RAW_BYTES);
  close_descriptor(fds[0]);
}

TEST(Files, FilesAreReadAndAppendedAsTheyAre) {
  std::string path = temporary_path("qob_files_");
  for (int round = 0; round < 2; ++round) {  // the second open appends
    int fd = open_file(path.c_str(), FILE_APPEND);
    ASSERT_GE(fd, 0) << strerror(errno);
    ASSERT_EQ(write_all(fd, RAW_BYTES.data(), RAW_BYTES.size()), ssize_t(RAW_BYTES.size()));
    close_descriptor(fd);
  }
  for (file_use use : {FILE_READ, FILE_READ_NOWAIT}) {
    int fd = open_file(path.c_str(), use);
    ASSERT_GE(fd, 0);
    char buffer[64];
    ssize_t got = read(fd, buffer, sizeof buffer);
    close_descriptor(fd);
    EXPECT_EQ(std::string(buffer, size_t(got > 0 ? got : 0)), RAW_BYTES + RAW_BYTES) << use;
  }
  std::filesystem::remove(path);
  errno = 0;
  EXPECT_EQ(open_file(path.c_str(), FILE_READ), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(Files, DuplicateOutlivesTheOriginal) {
  int fds[2];
  ASSERT_TRUE(open_pipe(fds, 65536));
  int copy = duplicate_descriptor(fds[1]);
  ASSERT_GE(copy, 0);
  close_descriptor(fds[1]);
  ASSERT_EQ(write_all(copy, "kept", 4), 4);
  close_descriptor(copy);
  begin_read(fds[0], 8193);
  EXPECT_EQ(read_to_end(fds[0]), "kept");
  close_descriptor(fds[0]);
}

// A read still waiting on a closed pipe must not take the bytes of the next
// pipe, which may get the same descriptor.
TEST(Files, ClosingAPipeBeingReadLeavesTheNextPipeItsBytes) {
  for (int round = 0; round < 20; ++round) {
    int first[2];
    ASSERT_TRUE(open_pipe(first, 65536));
    begin_read(first[0], 8193);
    EXPECT_FALSE(select_one(first[0], 0));
    close_descriptor(first[0]);
    close_descriptor(first[1]);
    int next[2];
    ASSERT_TRUE(open_pipe(next, 65536));
    ASSERT_EQ(write_all(next[1], "next", 4), 4);
    close_descriptor(next[1]);
    begin_read(next[0], 8193);
    EXPECT_EQ(read_to_end(next[0], 2000), "next") << "round " << round;
    close_descriptor(next[0]);
  }
}

TEST(Files, ReadLineGivesEachLineWithItsEnd) {
  const struct {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"a\nbc\n", {"a\n", "bc\n"}},
      {"no end", {"no end"}},
      {"", {}},
      {"\n\n", {"\n", "\n"}},
      {std::string("x\0y\n", 4), {std::string("x\0y\n", 4)}},
      {std::string(10000, 'w') + "\nz", {std::string(10000, 'w') + "\n", "z"}},
  };
  std::string path = temporary_path("qob_lines_");
  for (const auto& c : cases) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(c.text.data(), 1, c.text.size(), f);
    fclose(f);
    f = fopen(path.c_str(), "rb");
    char* line = nullptr;
    size_t capacity = 0;
    std::vector<std::string> got;
    ssize_t n;
    while ((n = read_line(&line, &capacity, f)) >= 0) got.emplace_back(line, size_t(n));
    EXPECT_EQ(got, c.lines) << c.text.substr(0, 20);
    if (!got.empty()) {
      EXPECT_GT(capacity, got.back().size()) << "the terminator has its place";
    }
    free(line);
    fclose(f);
  }
  std::filesystem::remove(path);
}

TEST(Files, FoldersAreMadeAndTemporaryOnesAreNew) {
  std::string base = temporary_path("qob_folder_");
  ASSERT_TRUE(make_folder(base.c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(base));
  EXPECT_FALSE(make_folder(base.c_str())) << "it exists";

  std::string pattern = base + "/tXXXXXX";
  std::string a = pattern, b = pattern;
  ASSERT_TRUE(make_temporary_folder(a.data()));
  ASSERT_TRUE(make_temporary_folder(b.data()));
  EXPECT_NE(a, b);
  EXPECT_EQ(a.find("XXXXXX"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(a) && std::filesystem::is_directory(b));
  std::string no_pattern = base + "/plain";
  EXPECT_FALSE(make_temporary_folder(no_pattern.data()));
  std::filesystem::remove_all(base);
}

TEST(Files, CNumbersHaveADecimalPointInAnyLocale) {
  const char* comma_locales[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "German", "deu"};
  const char* found = nullptr;
  for (const char* name : comma_locales)
    if (setlocale(LC_NUMERIC, name) != nullptr) {
      found = name;
      break;
    }
  if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma here";
  char text[16];
  snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1,5") << found;
  begin_c_numbers();
  snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1.5");
  end_c_numbers();
  snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_STREQ(text, "1,5") << "the locale before comes back";
  setlocale(LC_NUMERIC, "C");
}

}  // namespace
