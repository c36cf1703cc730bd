// Under wine no Linux program runs: the command and its expected output go
// to the folder QOB_ORACLE_DIR names, for the native check after the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/oracle/tool_oracle.h"

namespace tool_oracle {

namespace {

// The fixture's folder as the program names it ("Z:/..."), and as the tools do.
const char* folder() { return std::getenv("QOB_ORACLE_DIR"); }

bool write(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return bool(out);
}

}  // namespace

std::string file(const std::string& name) {
  return std::string(folder() == nullptr ? "." : folder()) + "/" + name;
}

void expect_output(const std::string& check, const std::string& command, const std::string& expected) {
  ASSERT_NE(folder(), nullptr) << check << ": QOB_ORACLE_DIR is unset; ctest runs the tool check after the program";
  // The tools see the X server the program used.
  const char* display = std::getenv("DISPLAY");
  std::string script = display == nullptr ? "" : "export DISPLAY='" + std::string(display) + "'\n";
  ASSERT_TRUE(write(file(check + ".cmd"), script + command + "\n")) << check;
  ASSERT_TRUE(write(file(check + ".expected"), expected)) << check;
}

void expect_numbers(const std::string& check, const std::string& command, const std::vector<double>& values,
                    double absolute, double relative) {
  std::string numbers;
  char number[40];
  for (double v : values) {
    snprintf(number, sizeof number, "%.9g", v);
    numbers += (numbers.empty() ? "" : " ") + std::string(number);
  }
  snprintf(number, sizeof number, "%.9g %.9g", absolute, relative);
  ASSERT_TRUE(write(file(check + ".tolerance"), number)) << check;
  expect_output(check, command, numbers);
}

}  // namespace tool_oracle
