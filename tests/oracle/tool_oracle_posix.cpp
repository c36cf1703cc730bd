#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

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

// The standard output of `command`, run in the folder.
std::string output_of(const std::string& command) {
  std::string line = "cd '" + folder().path() + "' && (" + command + ")", out;
  FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

}  // namespace

std::string file(const std::string& name) { return folder().file(name); }

void expect_output(const std::string& check, const std::string& command, const std::string& expected) {
  EXPECT_EQ(without_trailing_newlines(output_of(command)), without_trailing_newlines(expected)) << check << ": "
                                                                                                 << command;
}

void expect_numbers(const std::string& check, const std::string& command, const std::vector<double>& values,
                    double absolute, double relative) {
  std::istringstream out(output_of(command));
  std::vector<double> printed;
  for (double d; out >> d;) printed.push_back(d);
  ASSERT_EQ(printed.size(), values.size()) << check << ": " << command;
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_NEAR(values[i], printed[i], absolute + relative * std::fabs(printed[i])) << check << " " << i;
}

}  // namespace tool_oracle
