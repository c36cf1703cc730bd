// The server's descriptor sets and Winsock's are the same records.
#include <gtest/gtest.h>

#include "tests/platform/win/select_layout.h"

namespace {

TEST(WinDescriptorSet, LayerAndWinsockShareLayoutAndSemantics) {
  set_layout layer = layer_set_layout(), winsock = winsock_set_layout();
  EXPECT_EQ(layer.size, winsock.size);
  EXPECT_EQ(layer.list_offset, winsock.list_offset);
  EXPECT_EQ(layer.capacity, 64u);
  EXPECT_EQ(winsock.capacity, 64u);
  EXPECT_EQ(layer.count_after_three_sets, 2u);
  EXPECT_EQ(winsock.count_after_three_sets, 2u);
  EXPECT_TRUE(layer.finds_three);
  EXPECT_TRUE(winsock.finds_three);
}

}  // namespace
