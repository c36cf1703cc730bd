// The server's start state for tests of the graphics window: the standard
// program's tables loaded, view 1 current, the window preset.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"

class GraphicsEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
    decode_tables(bytes.data(), bytes.size());
    put_predef(111, 1);
    preset_window();
  }
};
