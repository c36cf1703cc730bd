// A test program whose windows would cover other tests' screen areas runs on
// an X server of its own: including this header first names that server in
// DISPLAY before any other environment or suite opens the display.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/support/own_x_server.h"

class OwnDisplayEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    x_ = std::make_unique<OwnXServer>();
    if (!x_->name().empty()) setenv("DISPLAY", x_->name().c_str(), 1);
  }
  void TearDown() override { x_.reset(); }

 private:
  std::unique_ptr<OwnXServer> x_;
};

// Registered before the environments of headers included after this one.
inline testing::Environment* const own_display_environment =
    testing::AddGlobalTestEnvironment(new OwnDisplayEnvironment);
