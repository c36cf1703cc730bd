// The preferences file's lines: every keyword, its range checks and messages.
#include <gtest/gtest.h>

#include <string>

#include "builder/ib_prefs.h"
#include "builder/interface_builder.h"

namespace {

constexpr int W = 1280, H = 1024;

struct PrefsCase {
  const char* line;
  const char* message;  // null: accepted
  const char* written;  // the file written afterwards (defaults elsewhere)
};

const PrefsCase prefs_cases[] = {
    {"Position grid\t10 12\n", nullptr, "Position grid\t10 12\nText editor\tnedit %s&\n"},
    {"Position gridX10 12\n", nullptr, "Position grid\t10 12\nText editor\tnedit %s&\n"},
    {"Position grid\t1 1\n", nullptr, "Text editor\tnedit %s&\n"},
    {"Position grid\t0 5\n", "Position grid value out of range", "Text editor\tnedit %s&\n"},
    {"Position grid\t1281 5\n", "Position grid value out of range", "Text editor\tnedit %s&\n"},
    {"Position grid\t5 1025\n", "Position grid value out of range", "Text editor\tnedit %s&\n"},
    {"Position grid\t5\n", "Position grid value out of range", "Text editor\tnedit %s&\n"},
    {"Position grid\t4294967306 10\n", "Position grid value out of range", "Text editor\tnedit %s&\n"},
    {"Position grid\t10 99999999999999999999999\n", "Position grid value out of range",
     "Text editor\tnedit %s&\n"},
    {"Grid offset\t0 7\n", nullptr, "Grid offset\t0 7\nText editor\tnedit %s&\n"},
    {"Grid offset\t-1 7\n", "Grid offset value out of range", "Text editor\tnedit %s&\n"},
    {"Size grid\t1 5 6\n", nullptr, "Size grid\t1 5 6\nText editor\tnedit %s&\n"},
    {"Size grid\t0 5 6\n", nullptr, "Text editor\tnedit %s&\n"},
    {"Size grid\t2 5 6\n", "Size grid value out of range", "Text editor\tnedit %s&\n"},
    {"alignment\t2 4\n", nullptr, "alignment\t2 4\nText editor\tnedit %s&\n"},
    {"alignment\t5 1\n", "alignment value out of range", "Text editor\tnedit %s&\n"},
    {"Text editor\tvi %s\n", nullptr, "Text editor\tvi %s\n"},
    {"Text editor\t\n", nullptr, "Text editor\t\n"},
    {"Main window position\t 100 200\n", nullptr,
     "Text editor\tnedit %s&\nMain window position\t 100 200\n"},
    {"Main window position\t 100 2000\n", "Main window position value out of range", "Text editor\tnedit %s&\n"},
    {"Object inspector position\t 5 6\n", nullptr,
     "Text editor\tnedit %s&\nObject inspector position\t 5 6\n"},
    {"Window inspector position\t 7 8\n", nullptr,
     "Text editor\tnedit %s&\nWindow inspector position\t 7 8\n"},
    {"Window inspector position\t -7 8\n", "Window inspector position value out of range",
     "Text editor\tnedit %s&\n"},
    {"position grid\t10 10\n", "Unknown keyword in preference file", "Text editor\tnedit %s&\n"},
    {"\n", "Unknown keyword in preference file", "Text editor\tnedit %s&\n"},
};

class PrefsLines : public testing::TestWithParam<PrefsCase> {};

TEST_P(PrefsLines, AcceptOrReportThenWrite) {
  const PrefsCase& c = GetParam();
  builder_prefs p;
  const char* message = apply_prefs_line(c.line, W, H, &p);
  if (c.message == nullptr)
    EXPECT_EQ(message, nullptr) << message;
  else
    EXPECT_STREQ(message, c.message);
  char text[1024];
  format_prefs(p, text, sizeof text);
  EXPECT_EQ(std::string(text), c.written);
}

INSTANTIATE_TEST_SUITE_P(Builder, PrefsLines, testing::ValuesIn(prefs_cases));

TEST(PrefsLines, EveryKeywordReadsBackByteForByte) {
  const std::string file =
      "Position grid\t10 12\nGrid offset\t3 4\nSize grid\t1 5 6\nalignment\t2 4\nText editor\tvi %s\n"
      "Main window position\t 100 200\nObject inspector position\t 5 6\nWindow inspector position\t 7 8\n";
  builder_prefs p;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at) + 1;
    EXPECT_EQ(apply_prefs_line(file.substr(at, end - at).c_str(), W, H, &p), nullptr);
    at = end;
  }
  char text[1024];
  format_prefs(p, text, sizeof text);
  EXPECT_EQ(std::string(text), file);
}

// Any bytes: NUL, high bytes and a line without a line feed are safe.
TEST(PrefsLines, OddBytesAreSafe) {
  builder_prefs p;
  const char odd[] = {'T', 'e', 'x', 't', ' ', 'e', 'd', 'i', 't', 'o', 'r', '\0'};
  EXPECT_EQ(apply_prefs_line(odd, W, H, &p), nullptr);
  EXPECT_STREQ(p.editor, "");
  EXPECT_STREQ(apply_prefs_line("\xff\xfe", W, H, &p), "Unknown keyword in preference file");
  EXPECT_STREQ(apply_prefs_line("Size grid", W, H, &p), "Size grid value out of range");
}

// The snapping rule of one axis over the alignments.
struct SnapCase {
  int origin, live, size, grid, offset, alignment, minimum, expected;
};

const SnapCase snap_cases[] = {
    {7, 23, 40, 10, 0, 1, 0, 7},     // none: the origin stays
    {7, 23, 40, 10, 0, 2, 0, 20},    // left: the nearest line
    {7, 26, 40, 10, 0, 2, 0, 30},
    {7, 23, 40, 1, 0, 2, 0, 23},     // grid 1: the live place
    {7, 3, 40, 10, 5, 2, 0, 5},      // left of the offset: the offset
    {7, 23, 40, 10, 5, 2, 0, 25},
    {7, 23, 45, 10, 0, 3, 0, 25},    // right: the right edge 68 goes to 70
    {7, 0, 45, 10, 0, 3, 0, 5},      // never left of the offset
    {7, 23, 40, 10, 0, 4, 0, 25},    // centre 43 goes to the line at 45
    {7, 23, 40, 10, 0, 2, 31, 40},   // the smallest origin allowed
};

class Snapping : public testing::TestWithParam<SnapCase> {};

TEST_P(Snapping, PutsTheOriginOnTheGrid) {
  const SnapCase& c = GetParam();
  EXPECT_EQ(snapped_origin(c.origin, c.live, c.size, c.grid, c.offset, c.alignment, c.minimum), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Builder, Snapping, testing::ValuesIn(snap_cases));

}  // namespace
