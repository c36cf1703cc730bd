// A matcher of texts that hold pieces in order, each after the one before:
// it stands for a regular expression of literal parts joined by "(.|\n)*",
// which the simple expressions of GoogleTest on Windows cannot write.
#pragma once

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace link_test {

inline testing::Matcher<const std::string&> in_order(std::vector<std::string> pieces) {
  return testing::Truly([pieces](const std::string& text) {
    size_t at = 0;
    for (const std::string& piece : pieces) {
      at = text.find(piece, at);
      if (at == std::string::npos) return false;
      at += piece.size();
    }
    return true;
  });
}

}  // namespace link_test
