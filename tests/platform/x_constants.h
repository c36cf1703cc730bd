// The constants of the Windows layer's X headers, read once through them and
// once through the system's X headers, by the names the layer defines.
#pragma once

#include <string>
#include <vector>

struct x_constant {
  std::string name;
  long value;
};

std::vector<x_constant> layer_x_constants();
std::vector<x_constant> system_x_constants();
