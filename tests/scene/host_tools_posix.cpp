#include "tests/scene/host_tools.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace host_tools {

std::string tool_path(const std::string& path) { return path; }

std::string shell(const std::string& command, int* status) {
  std::string out;
  if (status != nullptr) *status = -1;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int s = pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

int run(const std::string& command) {
  int s = system(command.c_str());
  return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
}

}  // namespace host_tools
