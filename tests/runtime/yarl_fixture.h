// Loads a program built with the writer into this process and presets the
// interpreter on it, for running code snippets directly.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"

namespace yarl_test {

// Opcodes of the tests beyond the writer's named ones.
namespace op {
constexpr uint8_t ABS = 5, DUP = 8, ASSIGN_ARRAY = 9, MAX = 10, MIN = 11, MOD = 12, NOT = 13,
                  ASSIGN_ELEMENT = 15, BIT_XOR = 18, REAL = 29, CHECK_BOUNDS = 32, ANGLE = 34,
                  CHECK_EXTENDED = 36, CHECK_RANGES = 37, INDEX = 40, PROCEDURE_RETURN = 41,
                  CONCATENATE = 43, DEBUG = 44, VALUE = 45, DIV_REAL = 46, MUL_ANGLE_REAL = 49,
                  MARK = 51, LENGTH = 54, PUSH_ARRAY = 57, PUSH_ELEMENT = 63, STRING = 64,
                  ADDRESS = 68, PUSH_SLICE = 69, INTEGER = 75, END_WHEN = 86, CHARACTER = 95,
                  PROCEDURE = 99, STACK_ELEMENT = 102, SUBSTRING = 104, PUSH_LEN = 108,
                  STACK_SIZE = 119, STACK_SLICE = 120, ADD_ANGLE = 0, SUB_ANGLE = 124,
                  WHEN_CHANGED = 143, MUL_INTEGER = 208, DIV_INTEGER = 209, ADD_INTEGER = 210,
                  SUB_INTEGER = 211, SHL = 212, SHR = 213, EQ = 216, GE = 217, GT = 218, LE = 219,
                  LT = 220, NE = 221;
}  // namespace op

inline uint32_t real_bits(float f) {
  uint32_t u;
  memcpy(&u, &f, 4);
  return u;
}

class Loaded : public testing::Test {
 protected:
  yarl::YarlProgram program = yarl::YarlProgram::standard();

  // timing: opens the timing log in the current directory.
  void load(bool timing = false) {
    std::vector<uint8_t> image = program.bytes();
    decode_tables(image.data(), image.size());
    preset_user_interface("", false, timing, nullptr, nullptr, nullptr);
    loaded_ = true;
  }
  void TearDown() override {
    if (!loaded_) return;
    in_interface_builder = false;
    sp = sb - 1;
    cleanup_user_interface();
  }
  ident_info* global(uint16_t index) { return &globals()[index]; }
  // Runs bytes that are not in table 3 (no jumps) in the graphics window.
  void run(const std::vector<uint8_t>& code) {
    code_ = code;
    code_.push_back(yarl::op::RELEASE);
    interpret_code(global(1), code_.data(), false);
  }
  std::string traceback_line(uint32_t i) {
    const ident_info& t = globals()[66];
    return i < t.word6 ? t.val.a[i].s : "";
  }

 private:
  bool loaded_ = false;
  std::vector<uint8_t> code_;
};

}  // namespace yarl_test
