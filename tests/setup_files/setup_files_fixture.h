// Files of the render-setup tests: a private folder, the lexer opened on
// given bytes, and the checked-memory balance around each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "base/checked_mm.h"
#include "setup_files/setup_lexer.h"
#include "tests/support/folder_entries.h"
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
  bool add_folder(const std::string& name) const { return std::filesystem::create_directory(path(name)); }
  // Opens the lexer on the bytes.
  void lex(const std::string& bytes) {
    if (trq_infile != nullptr) fclose(trq_infile);
    trq_infile = trq_open_input(put("lexed", bytes).c_str());
    ASSERT_NE(trq_infile, nullptr);
  }
  std::set<std::string> entries() const { return folder_entries(dir_.path()); }

 private:
  TempDir dir_;
  int32_t balance_ = 0;
};

}  // namespace setup_test
