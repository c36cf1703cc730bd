// The render-setup token syntax: tokens of given bytes, the value readers
// and the line writers.
#include <cmath>
#include <string>
#include <vector>

#include "tests/setup_files/setup_files_fixture.h"

namespace {

using setup_test::SetupFiles;

// A token as kind and value: integers and reals printed, texts as they are.
std::string describe() {
  char buffer[64];
  switch (trq_data.kind) {
    case TOKEN_INTEGER:
    case TOKEN_FLAG:
      snprintf(buffer, sizeof buffer, "%d:%d", trq_data.kind, trq_data.integer);
      return buffer;
    case TOKEN_REAL:
    case TOKEN_VERSION:
      snprintf(buffer, sizeof buffer, "%d:%g", trq_data.kind, trq_data.real);
      return buffer;
    case TOKEN_END:
    case TOKEN_ERROR:
      return std::to_string(trq_data.kind);
  }
  return std::to_string(trq_data.kind) + ":" + trq_data.text;
}

struct LexCase {
  const char* name;
  std::string input;
  std::vector<std::string> tokens;  // up to and including the end
};

const std::string long_word(1023, 'x');
const std::string longer_word(1024, 'x');

const LexCase lex_cases[] = {
    {"keyword_then_line_feed", "light_type\nspot_light", {"101:light_type", "3:spot_light", "10"}},
    {"keyword_then_blank", "light_type spot_light", {"101:light_type", "3:spot_light", "10"}},
    {"keyword_then_cr_lf", "light_type\r\nspot_light\r\n", {"101:light_type", "3:spot_light", "10"}},
    {"keyword_then_end", "light_type", {"101:light_type", "10"}},
    {"lone_cr_before_blank", "1\r 2", {"6:1", "99", "1:2", "10"}},
    {"flags", "1 0 -0", {"6:1", "6:0", "6:0", "10"}},
    {"integers", "2 -1 +7", {"1:2", "1:-1", "1:7", "10"}},
    {"reals", "1.0 1e3 -.5 5.", {"2:1", "2:1000", "2:-0.5", "2:5", "10"}},
    {"bad_numbers", ". 1e 1e+", {"99", "99", "99", "10"}},
    {"number_then_word", "12abc", {"1:12", "3:abc", "10"}},
    {"int32_limits", "2147483647 -2147483648 2147483648", {"1:2147483647", "1:-2147483648", "99", "10"}},
    {"real_underflow", "1e-400 1e400", {"99", "99", "10"}},
    {"versions", "V1.0 V2. V1 Vx.0 V.5", {"5:1", "5:2", "3:V1", "3:Vx.0", "3:V.5", "10"}},
    {"quoted", "\"a b # c\" \"\"", {"3:a b # c", "3:", "10"}},
    {"quote_into_line_feed", "\"ab\ncd", {"99", "3:cd", "10"}},
    {"quote_into_end", "\"ab", {"10"}},
    {"comment", "# light_type\nfloor # last", {"191:floor", "10"}},
    {"keyword_then_quote", "light_name\"x\" y", {"108:light_name", "3:x\"", "3:y", "10"}},
    {"keyword_then_punctuation", "light_type-x", {"101:light_type", "3:x", "10"}},
    {"capital_word", "Light_type C:\\rooms\\a.room", {"3:Light_type", "3:C:\\rooms\\a.room", "10"}},
    {"lower_word_runs_on", "spot-light", {"3:spot-light", "10"}},
    {"sign_then_blank", "- 5", {"99", "1:5", "10"}},
    {"control_characters", std::string("\0x\xE9 \xE9", 5), {"99", "3:x", "99", "10"}},
    {"word_of_1023", long_word, {"3:" + long_word, "10"}},
    {"word_of_1024", longer_word + " floor", {"99", "191:floor", "10"}},
    {"quoted_1024", "\"" + longer_word + "\" floor", {"99", "191:floor", "10"}},
    {"number_of_1024", std::string(1024, '1') + " floor", {"99", "191:floor", "10"}},
    {"material_word", "glow_color", {"132:glow_color", "10"}},
};

class Lexer : public SetupFiles, public testing::WithParamInterface<LexCase> {};

TEST_P(Lexer, GivesTheTokensOfTheBytes) {
  const LexCase& c = GetParam();
  lex(c.input);
  std::vector<std::string> got;
  do {
    TrqLex();
    got.push_back(describe());
  } while (trq_data.kind != TOKEN_END && got.size() < c.tokens.size() + 2);
  EXPECT_EQ(got, c.tokens);
}

INSTANTIATE_TEST_SUITE_P(Cases, Lexer, testing::ValuesIn(lex_cases),
                         [](const testing::TestParamInfo<LexCase>& i) { return std::string(i.param.name); });

TEST(Keywords, EveryCodeWithAWordIsFoundByIt) {
  int words = 0;
  for (int code = 101; code <= 200; ++code) {
    const char* word = trq_keyword_text(code);
    if (word == nullptr) continue;
    ++words;
    EXPECT_EQ(is_keyword(word), code) << word;
  }
  EXPECT_EQ(words, 94);
  EXPECT_EQ(trq_keyword_text(117), nullptr);
  EXPECT_EQ(trq_keyword_text(183), nullptr);
  EXPECT_EQ(is_keyword("Floor"), TOKEN_ERROR);
  EXPECT_STREQ(trq_keyword_text(KW_LINEAR_ATTENUTATION), "linear_attenutation");
  EXPECT_STREQ(trq_keyword_text(KW_RENDERER_TYPE + 33), "rt_transparency");
}

// ---- Value readers ----

TEST_F(SetupFiles, RealReaderTakesRangesWithTheirToleranceAndFallsBackWhole) {
  const double defaults[3] = {7, 8, 9};
  const trq_real_range unit[3] = {{0, 1}, {0, 1}, {0, 1}};
  struct {
    const char* input;
    int result;
    double first;
    int next_kind;  // the token left after the reader
  } cases[] = {
      {"0.5 0.25 1.0000000001 floor", 0, 0.5, KW_FLOOR},
      {"0.5 0.25 1.000000001 floor", 3, 7, TOKEN_REAL},
      {"0.5 200 0.1", 1, 7, TOKEN_INTEGER},  // an integer token where a real is read
      {"0.5 floor", 1, 7, KW_FLOOR},
  };
  for (const auto& c : cases) {
    lex(c.input);
    double field[3] = {};
    EXPECT_EQ(TrqAddValF(field, defaults, unit), c.result) << c.input;
    EXPECT_EQ(field[0], c.first) << c.input;
    if (c.result != 0) {
      EXPECT_EQ(field[2], 9) << c.input;
    }
    if (c.result == 0) {
      TrqLex();
    }
    EXPECT_EQ(trq_data.kind, c.next_kind) << c.input;
  }
}

TEST_F(SetupFiles, IntegerFlagAndStringReaders) {
  lex("5 0 2 7 x");
  int32_t n[1] = {0};
  const int32_t zero[1] = {0};
  const trq_integer_range to_five[1] = {{0, 5}};
  EXPECT_EQ(TrqAddValI(n, zero, to_five), 0);
  EXPECT_EQ(n[0], 5);
  int32_t flag = 1;
  EXPECT_EQ(TrqAddValB(&flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(TrqAddValB(&flag), 1) << "2 is no flag";
  EXPECT_EQ(TrqAddValI(n, zero, to_five), 3);
  EXPECT_EQ(n[0], 0);
  EXPECT_EQ(TrqAddValI(n, zero), 1) << "a word";

  lex("first second rectangle cylinder sphere");
  char* name = nullptr;
  EXPECT_EQ(TrqAddValS(&name), 0);
  EXPECT_STREQ(name, "first");
  EXPECT_EQ(TrqAddValS(&name), 3) << "a second name";
  EXPECT_STREQ(name, "first");
  char* shape = nullptr;
  TrqComInitS(&shape, "rectangle");
  EXPECT_EQ(TrqAddValS(&shape, {"rectangle", "cylinder"}), 0);
  EXPECT_EQ(TrqAddValS(&shape, {"rectangle", "cylinder"}), 0);
  EXPECT_STREQ(shape, "cylinder");
  EXPECT_EQ(TrqAddValS(&shape, {"rectangle", "cylinder"}), 3);
  EXPECT_STREQ(shape, "cylinder");
  CheckedFree(name);
  CheckedFree(shape);
}

TEST_F(SetupFiles, InitialisersAndTheUnsetValue) {
  char* s = reinterpret_cast<char*>(1);
  TrqComInitS(&s, "");
  EXPECT_EQ(s, nullptr);
  copy_string(&s, "ab");
  copy_string(&s, "longer text");
  EXPECT_STREQ(s, "longer text");
  copy_string(&s, "x");
  EXPECT_STREQ(s, "x");
  CheckedFree(s);
  double v[2];
  TrqComInitArrF(v, {TRQ_UNSET, 4711.4711 + 0.9e-10});
  EXPECT_TRUE(TrqIsDefaultArrF(2, v));
  v[1] = 4711.4711 + 1.1e-10;
  EXPECT_FALSE(TrqIsDefaultArrF(2, v));
  EXPECT_TRUE(TrqIsDefaultArrF(0, v));
}

TEST_F(SetupFiles, OnlyRegularFilesAreOpened) {
  EXPECT_EQ(trq_open_input(path("").c_str()), nullptr) << "a folder";
#ifdef _WIN32
  EXPECT_EQ(trq_open_input("NUL"), nullptr) << "a device";
#else
  EXPECT_EQ(trq_open_input("/dev/zero"), nullptr) << "a device";
#endif
  EXPECT_EQ(trq_open_input(path("missing").c_str()), nullptr);
}

TEST(BareWords, ReadBackAsOneStringOrAreQuoted) {
  for (const char* word : {"spot_light", "Light_type", "C:\\a.tif", "spot-light", "x\"y", "V1"})
    EXPECT_TRUE(trq_bare_word_reads_back(word)) << word;
  for (const char* word : {"floor", "light_type-x", "12abc", "-x", ".x", "#x", "\"x", "two words", "V1.0", ""})
    EXPECT_FALSE(trq_bare_word_reads_back(word)) << word;
}

}  // namespace
