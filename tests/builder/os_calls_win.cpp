#include "tests/builder/os_calls.h"

#include <gtest/gtest.h>

#include <cstdlib>

void set_env(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }
void unset_env(const std::string& name) { _putenv_s(name.c_str(), ""); }

void with_file_size_limit(long, const std::function<void()>&) {
  ADD_FAILURE() << "Windows has no file size limit of a process";
}
