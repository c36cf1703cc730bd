// The layer's colour names and "#" specs, checked against X11's colour list
// and against the real Xlib's XParseColor on the test run's X server.
#include "platform/win/colour_db.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None and Bool.
#include <X11/Xlib.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/checked_mm.h"

namespace {

struct XParse {
  bool ok = false;
  XColor colour{};
};

class ColourDb : public testing::Test {
 protected:
  static void SetUpTestSuite() { display_ = XOpenDisplay(nullptr); }
  static void TearDownTestSuite() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  void SetUp() override { ASSERT_NE(display_, nullptr) << "no X display"; }

  static XParse x_parse(const std::string& spec) {
    XParse r;
    r.ok = XParseColor(display_, DefaultColormap(display_, 0), spec.c_str(), &r.colour) != 0;
    return r;
  }
  static Display* display_;
};
Display* ColourDb::display_ = nullptr;

uint32_t colour_ref(int r, int g, int b) { return static_cast<uint32_t>(b << 16 | g << 8 | r); }

TEST_F(ColourDb, HexSpecsGiveXlibsSixteenBitComponents) {
  const char* specs[] = {"#f00",          "#ff0000",       "#fff000000", "#ffff00000000", "#abc",  "#fff",
                         "#123456789abc", "#ABCdef",       "#abcd",      "#1234567890abc", "#",    "#ggg",
                         "#12",           "#fff000000000f", "#f0 ",      "#-1-1-1",       "#0x0"};
  for (const char* spec : specs) {
    SCOPED_TRACE(spec);
    const XParse x = x_parse(spec);
    uint16_t r = 1, g = 1, b = 1;
    const bool ok = Lx_ParseHexColor(spec, &r, &g, &b);
    ASSERT_EQ(ok, x.ok);
    if (!ok) continue;
    EXPECT_EQ(r, x.colour.red);
    EXPECT_EQ(g, x.colour.green);
    EXPECT_EQ(b, x.colour.blue);
  }
  uint16_t r, g, b;
  ASSERT_TRUE(Lx_ParseHexColor("#fff", &r, &g, &b));
  EXPECT_EQ(r, 0xF000);
  ASSERT_TRUE(Lx_ParseHexColor("#abc", &r, &g, &b));
  EXPECT_EQ(r, 0xA000);
  EXPECT_EQ(g, 0xB000);
  EXPECT_EQ(b, 0xC000);
  EXPECT_FALSE(Lx_ParseHexColor("#abcd", &r, &g, &b));
  EXPECT_FALSE(Lx_ParseHexColor("#1234567890abc", &r, &g, &b));
}

TEST_F(ColourDb, NamesAreFoundInAnyCaseAsXFindsThemButNeverWithBlanks) {
  const struct {
    const char* name;
    bool found;
  } cases[] = {{"navy", true},       {"Navy", true},      {"NAVY", true},       {"NavyBlue", true},
               {"navyblue", true},   {"NAVYBLUE", true},  {"navy blue", false}, {"DarkSlateGray", true},
               {"gray100", true},    {"Grey0", true},     {"nosuchcolour", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t value = 0;
    ASSERT_EQ(Lx_LookupColorName(c.name, &value), c.found);
    if (!c.found) continue;
    const XParse x = x_parse(c.name);
    ASSERT_TRUE(x.ok);
    EXPECT_EQ(value, colour_ref(x.colour.red >> 8, x.colour.green >> 8, x.colour.blue >> 8));
  }
  uint32_t navy = 0, navy_blue = 0;
  ASSERT_TRUE(Lx_LookupColorName("NAVY", &navy));
  ASSERT_TRUE(Lx_LookupColorName("NavyBlue", &navy_blue));
  EXPECT_EQ(navy, navy_blue);
  EXPECT_EQ(navy, 0x800000u);
}

// Every name of rgb.txt without blanks is in the database with its value, and
// the real server agrees on each.
TEST_F(ColourDb, DatabaseHoldsEveryBlankFreeNameOfTheColourListWithItsValue) {
  std::ifstream in("/usr/share/X11/rgb.txt");
  ASSERT_TRUE(in.good());
  std::map<std::string, uint32_t> listed;
  std::string line;
  int with_blanks = 0;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '!') continue;
    std::istringstream fields(line);
    int r, g, b;
    std::string name, more;
    fields >> r >> g >> b >> name;
    if (fields >> more) {
      ++with_blanks;
      continue;
    }
    listed[name] = colour_ref(r, g, b);
  }
  EXPECT_GT(with_blanks, 0);
  std::map<std::string, uint32_t> in_db;
  for (int i = 0; i < colorDB_count; ++i) in_db[colorDB[i].name] = colorDB[i].value;
  std::vector<std::string> unknown_to_server;
  for (const auto& [name, value] : listed) {
    SCOPED_TRACE(name);
    ASSERT_EQ(in_db.count(name), 1u);
    EXPECT_EQ(in_db[name], value);
    uint32_t found = 0;
    EXPECT_TRUE(Lx_LookupColorName(name.c_str(), &found));
    EXPECT_EQ(found, value);
    const XParse x = x_parse(name);
    if (!x.ok) {
      unknown_to_server.push_back(name);  // Debian's own additions (DebianRed)
      continue;
    }
    EXPECT_EQ(value, colour_ref(x.colour.red >> 8, x.colour.green >> 8, x.colour.blue >> 8));
  }
  EXPECT_LE(unknown_to_server.size(), 4u) << testing::PrintToString(unknown_to_server);
  // The rest are the single-word aliases that the list does not define.
  EXPECT_EQ(colorDB_count, static_cast<int>(listed.size()) + 38);
}

TEST_F(ColourDb, AliasesNameTheirMixedCaseColourUnlessXNamesThemItself) {
  const struct {
    const char* alias;
    int r, g, b;
  } cases[] = {
      {"alice", 240, 248, 255},    {"dark", 255, 140, 0},    {"light", 250, 250, 210}, {"navy", 0, 0, 128},
      {"lime", 50, 205, 50},       {"steel", 70, 130, 180},  {"dim", 105, 105, 105},
      {"lavender", 230, 230, 250}, {"orange", 255, 165, 0},  {"violet", 238, 130, 238},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alias);
    uint32_t value = 0;
    ASSERT_TRUE(Lx_LookupColorName(c.alias, &value));
    EXPECT_EQ(value, colour_ref(c.r, c.g, c.b));
  }
  // No two names are equal without case.
  std::map<std::string, int> lower;
  for (int i = 0; i < colorDB_count; ++i) {
    std::string n = colorDB[i].name;
    for (char& ch : n) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(++lower[n], 1) << n;
  }
}

TEST(ColourNames, SystemNamesTakeTheSchemeColourReadWhenTheIndexIsBuilt) {
  Lx_FreeColorDB();
  static int reads = 0;
  Lx_BuildColorDB([](int index) -> uint32_t {
    ++reads;
    return 0x010000u * static_cast<uint32_t>(index) + 7;
  });
  EXPECT_EQ(reads, LX_SYSTEM_COLOURS);
  uint32_t value = 0;
  ASSERT_TRUE(Lx_LookupColorName("SystemWindow", &value));
  EXPECT_EQ(value, 0x050007u);  // COLOR_WINDOW is index 5
  ASSERT_TRUE(Lx_LookupColorName("systemscrollbar", &value));
  EXPECT_EQ(value, 7u);
  ASSERT_TRUE(Lx_LookupColorName("red", &value));
  EXPECT_EQ(value, 0x0000FFu);
  EXPECT_EQ(reads, LX_SYSTEM_COLOURS);
  Lx_FreeColorDB();
}

TEST(ColourNames, NamesOfAnyLengthOrBytesAreLookedUpSafely) {
  uint32_t value = 0;
  std::string long_name(100000, 'a');
  EXPECT_FALSE(Lx_LookupColorName(long_name.c_str(), &value));
  std::string bytes;
  for (int c = 1; c < 256; ++c) bytes += static_cast<char>(c);
  EXPECT_FALSE(Lx_LookupColorName(bytes.c_str(), &value));
  EXPECT_FALSE(Lx_LookupColorName("\xff\xfe", &value));
  std::string long_spec = "#" + std::string(100000, 'f');
  uint16_t r, g, b;
  EXPECT_FALSE(Lx_ParseHexColor(long_spec.c_str(), &r, &g, &b));
}

}  // namespace
