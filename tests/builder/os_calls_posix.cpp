#include "tests/builder/os_calls.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

void set_env(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }
void unset_env(const std::string& name) { unsetenv(name.c_str()); }

void with_file_size_limit(long bytes, const std::function<void()>& write) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small{rlim_t(bytes), old.rlim_max};
  setrlimit(RLIMIT_FSIZE, &small);
  write();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_DFL);
}
