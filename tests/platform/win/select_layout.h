// The layout of the descriptor set, taken once through the layer's own
// sys/select.h and once through Winsock's, which nt_select's callers and
// the socket select share.
#pragma once

#include <cstddef>

struct set_layout {
  size_t size;
  size_t list_offset;
  size_t capacity;
  unsigned count_after_three_sets;  // 7, 3 and 7 again
  bool finds_three;
};

set_layout layer_set_layout();
set_layout winsock_set_layout();
