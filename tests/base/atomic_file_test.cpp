// The atomic file writer: a commit replaces the file, every failure leaves
// the old file and no temporary beside it.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

class AtomicFile : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/atomic_file_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override {
    for (const std::string& f : entries()) unlink((dir_ + "/" + f).c_str());
    chmod(dir_.c_str(), 0700);
    rmdir(dir_.c_str());
  }
  std::string path(const char* name) const { return dir_ + "/" + name; }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
      while (dirent* e = readdir(d))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.insert(e->d_name);
      closedir(d);
    }
    return names;
  }
  static std::string contents(const std::string& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void put(const std::string& p, const std::string& text) { std::ofstream(p) << text; }

  std::string dir_;
};

TEST_F(AtomicFile, CommitReplacesTheFileKeepsItsModeAndLeavesNoTemporary) {
  put(path("r"), "old\n");
  chmod(path("r").c_str(), 0640);
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("r").c_str()), 0);
  fputs("new\n", f.stream);
  EXPECT_EQ(contents(path("r")), "old\n");  // nothing shows before the commit
  EXPECT_EQ(entries().size(), 2u);
  EXPECT_EQ(atomic_file_commit(&f), 0);
  EXPECT_EQ(contents(path("r")), "new\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
  struct stat st;
  ASSERT_EQ(stat(path("r").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicFile, ALinkStaysAndItsTargetIsReplaced) {
  put(path("real"), "old\n");
  ASSERT_EQ(symlink("real", path("link").c_str()), 0);
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("link").c_str()), 0);
  fputs("new\n", f.stream);
  ASSERT_EQ(atomic_file_commit(&f), 0);
  struct stat st;
  ASSERT_EQ(lstat(path("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(contents(path("real")), "new\n");
  EXPECT_EQ(entries(), (std::set<std::string>{"link", "real"}));
}

TEST_F(AtomicFile, AbandonKeepsTheOldFile) {
  put(path("r"), "old\n");
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, path("r").c_str()), 0);
  fputs("new\n", f.stream);
  atomic_file_abandon(&f);
  EXPECT_EQ(contents(path("r")), "old\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
}

TEST_F(AtomicFile, AMissingFolderFailsAtOpen) {
  atomic_file f;
  EXPECT_EQ(atomic_file_open(&f, path("none/r").c_str()), ENOENT);
  EXPECT_TRUE(entries().empty());
}

// Runs `body` in a child; its exit status is the errno value it reports.
template <typename F>
int in_child(F body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(AtomicFile, AnUnwritableFolderFailsAndKeepsTheOldFile) {
  put(path("r"), "old\n");
  chmod(dir_.c_str(), 0755);
  int e = in_child([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) return 100;  // nobody: the folder is not its own
    atomic_file f;
    return atomic_file_open(&f, path("r").c_str());
  });
  EXPECT_EQ(e, EACCES);
  EXPECT_EQ(contents(path("r")), "old\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
}

TEST_F(AtomicFile, AFileSizeLimitFailsTheCommitAndKeepsTheOldFile) {
  put(path("r"), "old\n");
  int e = in_child([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    atomic_file f;
    if (int open_error = atomic_file_open(&f, path("r").c_str())) return 100 + open_error;
    for (int i = 0; i < 10000; ++i) fputs("line\n", f.stream);
    return atomic_file_commit(&f);
  });
  EXPECT_EQ(e, EFBIG);
  EXPECT_EQ(contents(path("r")), "old\n");
  EXPECT_EQ(entries(), std::set<std::string>{"r"});
}

TEST_F(AtomicFile, ADeviceIsWrittenInPlaceAndAFullOneFailsTheCommit) {
  atomic_file f;
  ASSERT_EQ(atomic_file_open(&f, "/dev/full"), 0);
  EXPECT_EQ(f.temporary, nullptr);
  fputs("line\n", f.stream);
  EXPECT_EQ(atomic_file_commit(&f), ENOSPC);
  struct stat st;
  ASSERT_EQ(stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));  // never replaced by a plain file

  ASSERT_EQ(atomic_file_open(&f, "/dev/null"), 0);
  fputs("line\n", f.stream);
  EXPECT_EQ(atomic_file_commit(&f), 0);
}

}  // namespace
