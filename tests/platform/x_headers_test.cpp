// The Windows layer's X and GLX headers carry X's published values and record
// layouts: every constant they define equals the system's of the same name,
// and every record has the system's size and field offsets.
#include <gtest/gtest.h>

#include "tests/platform/x_constants.h"

namespace {

TEST(LayerXHeaders, EveryConstantAndRecordEqualsTheSystemsOfTheSameName) {
  std::vector<x_constant> layer = layer_x_constants();
  std::vector<x_constant> system = system_x_constants();
  ASSERT_EQ(layer.size(), system.size());
  EXPECT_GT(layer.size(), 1500u);
  for (size_t i = 0; i < layer.size(); ++i) {
    EXPECT_EQ(layer[i].value, system[i].value) << layer[i].name;
    EXPECT_EQ(layer[i].text, system[i].text) << layer[i].name;
  }
}

}  // namespace
