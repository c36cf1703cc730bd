// A loaded YARL program with the system interface preset, for running the
// wait loop and the operations that reach application processes in-process.
#pragma once

#include <string>

#include "link/si.h"
#include "runtime/application_values.h"
#include "tests/runtime/yarl_fixture.h"

namespace link_test {

// Opcodes of the operations tested here.
namespace op {
constexpr uint8_t OPEN = 27, READ = 28, CLOSE = 35, WRITE = 47, CHECK_STREAM = 71, EVENT_CODE = 110,
                  REPORT_TEK = 115, SEND_SIGNAL = 128, REPORT_ASCII = 141, START_PROCESS = 150,
                  DISPLAY_STDERR = 151, SET_STREAM = 174, READ_APPLICATION_VALUE = 203;
}

class Linked : public yarl_test::Loaded {
 protected:
  unsigned char buffer[HOST_INPUT_SIZE + 2] = {};
  buf_ptrs hi{buffer, buffer, buffer};

  void load() {
    yarl_test::Loaded::load();
    preset_system_interface();
  }
  void TearDown() override {
    kill_all_subprocesses();
    close_all_streams();
    cleanup_system_interface();
    yarl_test::Loaded::TearDown();
  }
  // One refill as text; "<abandoned>" when the refill reported an abandoned command.
  std::string refill() {
    unsigned char* start = refill_host_input(&hi);
    if (start == nullptr) return "<abandoned>";
    return std::string(reinterpret_cast<char*>(hi.start), size_t(hi.end - hi.start));
  }
  // Refills until `n` bytes came.
  std::string refill_bytes(size_t n) {
    std::string all;
    while (all.size() < n) all += refill();
    return all;
  }
  ident_info array_ident(uint8_t kind, uint16_t max) {
    ident_info a = yarl::make_ident(uint8_t(K_ARRAY + kind));
    a.word2 = max;
    return a;
  }
  void start_code(uint32_t offset) { interpret_code(global(1), statement_code(offset), true); }
};

}  // namespace link_test
