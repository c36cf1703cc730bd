#include <gtest/gtest.h>

#include <cstdio>

#include "tests/oracle/tool_oracle.h"
#include "tests/support/runner.h"

namespace tool_oracle {

namespace {

const TempDir& folder() {
  static TempDir dir;
  return dir;
}

std::string without_trailing_newlines(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace

std::string file(const std::string& name) { return folder().file(name); }

void expect_output(const std::string& check, const std::string& command, const std::string& expected) {
  std::string line = "cd '" + folder().path() + "' && (" + command + ")", out;
  FILE* pipe = popen(line.c_str(), "r");
  ASSERT_NE(pipe, nullptr) << line;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  EXPECT_EQ(without_trailing_newlines(out), without_trailing_newlines(expected)) << check << ": " << command;
}

}  // namespace tool_oracle
