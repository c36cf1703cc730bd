#include "tests/support/contains_regex.h"

#include <memory>
#include <regex>

namespace {

// The pattern with each "." outside brackets made to match any character.
std::string dot_matches_all(const std::string& pattern) {
  std::string out;
  bool in_brackets = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\\' && i + 1 < pattern.size()) {
      out.append(pattern, i++, 2);
    } else if (in_brackets) {
      out += c;
      if (c == ']') in_brackets = false;
    } else if (c == '[') {
      in_brackets = true;
      out += c;
      if (i + 1 < pattern.size() && pattern[i + 1] == '^') out += pattern[++i];
      if (i + 1 < pattern.size() && pattern[i + 1] == ']') out += pattern[++i];  // a leading ] is a member
    } else {
      out += c == '.' ? std::string("[\\s\\S]") : std::string(1, c);
    }
  }
  return out;
}

class ContainsRegex : public testing::MatcherInterface<const std::string&> {
 public:
  explicit ContainsRegex(const std::string& pattern)
      : pattern_(pattern), regex_(std::make_shared<std::regex>(dot_matches_all(pattern))) {}
  bool MatchAndExplain(const std::string& text, testing::MatchResultListener*) const override {
    return std::regex_search(text, *regex_);
  }
  void DescribeTo(std::ostream* os) const override { *os << "contains regular expression \"" << pattern_ << "\""; }
  void DescribeNegationTo(std::ostream* os) const override {
    *os << "doesn't contain regular expression \"" << pattern_ << "\"";
  }

 private:
  std::string pattern_;
  std::shared_ptr<const std::regex> regex_;
};

}  // namespace

testing::Matcher<const std::string&> contains_regex(const std::string& pattern) {
  return testing::MakeMatcher(new ContainsRegex(pattern));
}
