// A test application, in both builds: reads the request code that the YARL program reports,
// answers it with an INTEGER and a STRING value, then waits for its input to end.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/posix_services.h"
#include "tests/support/protocol.h"

int main() {
  preset_posix_services();  // binary standard streams on Windows
  std::string line;
  if (!std::getline(std::cin, line)) return 1;
  uint32_t code = uint32_t(tek::decode_intc(line));
  std::string answer = tek::app_int(code, 42) + tek::app_string(code, "ok");
  fwrite(answer.data(), 1, answer.size(), stdout);
  fflush(stdout);
  while (std::getline(std::cin, line)) {
  }
  return 0;
}
