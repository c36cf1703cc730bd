// The Windows layer's X headers carry X's published values: every constant
// they define equals the system's of the same name.
#include <gtest/gtest.h>

#include "tests/platform/x_constants.h"

namespace {

TEST(LayerXHeaders, EveryConstantEqualsTheSystemsOfTheSameName) {
  std::vector<x_constant> layer = layer_x_constants();
  std::vector<x_constant> system = system_x_constants();
  ASSERT_EQ(layer.size(), system.size());
  EXPECT_GT(layer.size(), 400u);
  for (size_t i = 0; i < layer.size(); ++i) EXPECT_EQ(layer[i].value, system[i].value) << layer[i].name;
}

}  // namespace
