// A test program whose windows would cover other tests' screen areas runs on
// an X server of its own: including this header first names that server in
// DISPLAY before any other environment or suite opens the display.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/own_x_server.h"

// Registered before the environments of headers included after this one.
inline testing::Environment* const own_display_environment =
    testing::AddGlobalTestEnvironment(new OwnDisplayEnvironment);
