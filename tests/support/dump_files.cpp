#include "tests/support/dump_files.h"

#include <cstdio>
#include <utility>

std::string dump_file_named_in(const std::string& err, const std::string& lead) {
  size_t start = err.find(lead + "/tmp/qobs_dump_");
  if (start == std::string::npos) return "";
  start += lead.size();
  size_t end = err.find(".\n", start);
  return end == std::string::npos ? "" : err.substr(start, end - start);
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
  return testing::MakeMatcher(new RemovingDump(testing::ContainsRegex(regex)));
}
