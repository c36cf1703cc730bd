// Files of the render-setup tests: a private folder, the lexer opened on
// given bytes, and the checked-memory balance around each test.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <dirent.h>
#include <functional>
#include <set>
#include <string>

#include "base/checked_mm.h"
#include "setup_files/setup_lexer.h"
#include "tests/support/runner.h"

namespace setup_test {

class SetupFiles : public testing::Test {
 protected:
  void SetUp() override { balance_ = GetMallocBalance(); }
  void TearDown() override {
    if (trq_infile != nullptr) fclose(trq_infile);
    trq_infile = nullptr;
    EXPECT_EQ(GetMallocBalance(), balance_) << "checked blocks left behind";
  }
  std::string path(const std::string& name) const { return dir_.file(name); }
  std::string put(const std::string& name, const std::string& bytes) const {
    write_file(path(name), bytes);
    return path(name);
  }
  std::string contents(const std::string& name) const { return read_file(path(name)); }
  // Opens the lexer on the bytes.
  void lex(const std::string& bytes) {
    if (trq_infile != nullptr) fclose(trq_infile);
    trq_infile = trq_open_input(put("lexed", bytes).c_str());
    ASSERT_NE(trq_infile, nullptr);
  }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    if (DIR* d = opendir(dir_.path().c_str())) {
      while (dirent* e = readdir(d))
        if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && e->d_name[1] != '.')) names.insert(e->d_name);
      closedir(d);
    }
    return names;
  }
  // Runs `body` in a child whose files may not grow past 100 bytes; its exit status.
  static int with_small_file_limit(const std::function<int()>& body) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit{100, 100};
      setrlimit(RLIMIT_FSIZE, &limit);
      _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  TempDir dir_;
  int32_t balance_ = 0;
};

}  // namespace setup_test
