#include "tests/support/dump_files.h"

#include <cstdio>
#include <utility>

#include "tests/support/contains_regex.h"

// The first name given that is a file qobs_dump_<pid> in a folder.
std::string dump_file_named_in(const std::string& err, const std::string& lead) {
  for (size_t start = err.find(lead); start != std::string::npos; start = err.find(lead, start)) {
    start += lead.size();
    size_t end = err.find(".\n", start);
    if (end == std::string::npos) return "";
    std::string name = err.substr(start, end - start);
    size_t file = name.find_last_of("/\\") + 1;  // 0 without a folder
    if (name.compare(file, 10, "qobs_dump_") == 0 && file > 0) return name;
  }
  return "";
}

void remove_dump_named_in(const std::string& err) {
  std::string dump = dump_file_named_in(err);
  if (!dump.empty()) std::remove(dump.c_str());
}

namespace {

class RemovingDump : public testing::MatcherInterface<const std::string&> {
 public:
  explicit RemovingDump(testing::Matcher<const std::string&> matcher) : matcher_(std::move(matcher)) {}
  bool MatchAndExplain(const std::string& err, testing::MatchResultListener* listener) const override {
    remove_dump_named_in(err);
    return matcher_.MatchAndExplain(err, listener);
  }
  void DescribeTo(std::ostream* os) const override { matcher_.DescribeTo(os); }
  void DescribeNegationTo(std::ostream* os) const override { matcher_.DescribeNegationTo(os); }

 private:
  testing::Matcher<const std::string&> matcher_;
};

}  // namespace

testing::Matcher<const std::string&> removing_dump(const std::string& regex) {
  return testing::MakeMatcher(new RemovingDump(contains_regex(regex)));
}
