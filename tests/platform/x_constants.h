// The constants of the Windows layer's X and GLX headers, read once through
// them and once through the system's headers, by the names the layer defines;
// then the size and field offsets of each record the same way.
#pragma once

#include <string>
#include <vector>

struct x_constant {
  std::string name;
  long value;
  std::string text;  // for text constants; value is 0 then
};

std::vector<x_constant> layer_x_constants();
std::vector<x_constant> system_x_constants();
