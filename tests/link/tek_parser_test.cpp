// The command protocol parser run in-process on byte buffers: parameter
// encodings, runs, dialog text, unknown commands, the fatal report, the
// report encoders, and a plot made by a real outside client.
#include "link/tek_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "platform/posix_services.h"
#include "tests/support/protocol.h"

namespace {

using tek::Point;

// The byte source: each chunk is one refill; PROCESS_END is a refill that
// reports the process ended inside a command; after the last chunk the run ends.
const std::string PROCESS_END = "<process end>";
std::vector<std::string> chunks;
size_t next_chunk;
jmp_buf input_done;

unsigned char* chunk_refill(buf_ptrs* b) {
  if (next_chunk == chunks.size()) longjmp(input_done, 1);
  const std::string& c = chunks[next_chunk++];
  if (c == PROCESS_END) {
    b->end = b->start;
    return nullptr;
  }
  memcpy(b->start, c.data(), c.size());
  b->end = b->start + c.size();
  *b->end = 0;
  return b->start;
}

struct Drawn {
  char what;  // 'm' move, 'l' line, 'k' marker
  float x, y, z;
  bool operator==(const Drawn&) const = default;
};
std::vector<Drawn> drawn;
void record_move(float x, float y, float z) { drawn.push_back({'m', x, y, z}); }
void record_line(float x, float y, float z) { drawn.push_back({'l', x, y, z}); }
void record_marker() { drawn.back().what = 'k'; }
void record_colour(int, float, float, float) {}

Drawn at(char what, long x, long y, long z = 0) {
  return {what, float(x) * 0.001f, float(y) * 0.001f, float(z) * 0.001f};
}

class TekParser : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    preset_posix_services();  // as the server starts: its reports end lines in LF on Windows too
    InitMallocBalance();
    drawn.clear();
    preset_tek_parser();
    set_tek_input_source(chunk_refill);
    set_tek_drawing_services({record_move, record_line, record_marker, record_colour});
  }
  void TearDown() override {
    cleanup_tek_parser();
    set_tek_input_source(nullptr);
    EXPECT_EQ(GetMallocBalance(), 0);
  }
  void feed(std::vector<std::string> input) {
    chunks = std::move(input);
    next_chunk = 0;
  }
  // Runs the main loop on the chunks; returns what went to standard error.
  std::string run(std::vector<std::string> input) {
    feed(std::move(input));
    testing::internal::CaptureStderr();
    if (setjmp(input_done) == 0) process_tektronix_commands();
    return testing::internal::GetCapturedStderr();
  }
  std::string run(const std::string& input) { return run(std::vector<std::string>{input}); }
  // Runs without capturing standard error, for death tests.
  void serve(const std::string& input) {
    feed({input});
    if (setjmp(input_done) == 0) process_tektronix_commands();
  }
};

// The dialog text of all reports in `err`, joined.
std::string dialog_text(const std::string& err) {
  const std::string open = "unrecognized command text:\n----\n", close = "\n----\n";
  std::string text;
  for (size_t at = err.find(open); at != std::string::npos; at = err.find(open, at)) {
    at += open.size();
    size_t end = err.find(close, at);
    text += err.substr(at, end - at);
  }
  return text;
}

// ------------------------------------------------------------ parameter encodings

struct IntegerCase {
  const char* name;
  std::string bytes;
  long value;
};

TEST_F(TekParser, IntegerEncodingsDecode) {
  const IntegerCase cases[] = {
      {"zero as 0", "0", 0},
      {"zero as space (negative zero)", " ", 0},
      {"plus 15", "\x3F", 15},
      {"minus 15", "\x2F", -15},
      {"100", "\x46\x34", 100},
      {"fillers between characters", "\x46\n\r\x80\xff\x1e\x34", 100},
      {"fillers before the first character", "\n\x01\x90\x46\x34", 100},
      {"largest", tek::int_param(2147483647), 2147483647},
      {"most negative", tek::int_param(-2147483647), -2147483647},
      {"five Hi characters", "\x40\x40\x40\x40\x41\x30", 16},
  };
  for (const IntegerCase& c : cases) {
    feed({c.bytes});
    EXPECT_EQ(assemble_integer_parameter(), c.value) << c.name;
    cleanup_tek_parser();
    preset_tek_parser();
  }
}

TEST_F(TekParser, RealEncodingsDecode) {
  const struct {
    long mantissa, exponent;
    float value;
  } cases[] = {
      {1, 0, 1.0f},           {3, -1, 1.5f},          {0, 2000000000, 0.0f},
      {1, -2000000000, 0.0f}, {1, 127, 0x1p127f},     {-5, 40, -5 * 0x1p40f},
      {1, -149, 0x1p-149f},   {1 << 30, -60, 0x1p-30f},
  };
  for (const auto& c : cases) {
    feed({tek::real_param(c.mantissa, c.exponent)});
    EXPECT_EQ(assemble_real_parameter(), c.value) << c.mantissa << " * 2^" << c.exponent;
  }
}

TEST_F(TekParser, ParameterFaultsAreFatal) {
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {"\x40\x40\x40\x40\x40\x40\x30", "integer parameter out of 32-bit range"},
      {"\x7F\x7F\x7F\x7F\x7F\x30", "integer parameter out of 32-bit range"},
      {"\x46\x1b", "integer parameter aborted"},
      {"\x46\x1f", "integer parameter aborted"},
      {tek::real_param(1, 128), "real parameter out of single-precision range"},
      {tek::real_param(1, 2147483647), "real parameter out of single-precision range"},
      {tek::real_param(3, 127), "real parameter out of single-precision range"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          feed({c.bytes});
          assemble_real_parameter();
          exit(0);
        },
        testing::ExitedWithCode(1), c.message);
  }
}

TEST_F(TekParser, AddressKeepsPartsNotSent) {
  feed({tek::xy12(4095, 3276) + "\x41" + "\x25\x6a\x42" + "\x21\x43"});
  unsigned x, y;
  assemble_xy12_parameter(&x, &y);
  EXPECT_EQ(x, 4095u);
  EXPECT_EQ(y, 3276u);
  // A lone LoX: HiX, HiY, LoY and the extra bits stay.
  assemble_xy12_parameter(&x, &y);
  EXPECT_EQ(x, (4095u & ~0x7Cu) | (1u << 2));
  EXPECT_EQ(y, 3276u);
  // HiY, LoY, LoX: extra bits and HiX stay.
  assemble_xy12_parameter(&x, &y);
  EXPECT_EQ(y, (5u << 7) | (10u << 2) | (3276u & 3));
  EXPECT_EQ(x, (4095u & ~0x7Cu) | (2u << 2));
  // HiY then LoX: LoY stays; without LoY a byte 32 to 63 is not HiX.
  assemble_xy12_parameter(&x, &y);
  EXPECT_EQ(y, (1u << 7) | (10u << 2) | (3276u & 3));
  EXPECT_EQ(x, (4095u & ~0x7Cu) | (3u << 2));
}

TEST_F(TekParser, FillersInsideAnAddressAreFatal) {
  for (const std::string& bytes : {std::string("\x20\n\x40"), std::string("\x60\x80\x40"),
                                  std::string("\x60\x20\x1f")}) {
    EXPECT_EXIT(
        {
          feed({bytes});
          unsigned xy[2];
          assemble_xy12_parameter(&xy[0], &xy[1]);
          exit(0);
        },
        testing::ExitedWithCode(1), "xy12 parameter aborted");
  }
}

TEST_F(TekParser, StringParameter) {
  feed({tek::int_param(5) + "a\nb\x1e" + "cd\xe9" + tek::int_param(0)});
  char* text = assemble_string_parameter();
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "abcd\xe9");
  CheckedFree(text);
  EXPECT_EQ(assemble_string_parameter(), nullptr);
  EXPECT_EXIT(
      {
        feed({tek::string_param("   ")});
        assemble_string_parameter();
        exit(0);
      },
      testing::ExitedWithCode(1), "string parameter only contains blanks");
  EXPECT_EXIT(
      {
        feed({tek::int_param(3) + "a\x1d"});
        assemble_string_parameter();
        exit(0);
      },
      testing::ExitedWithCode(1), "string parameter aborted");
}

// ------------------------------------------------------------ runs

TEST_F(TekParser, VectorRunInAddressMode) {
  run({std::string(1, tek::GS) + tek::xy12(10, 20) + tek::xy12(4000, 3000) + "\x41" + tek::US});
  std::vector<Drawn> expected = {at('m', 10, 20), at('l', 4000, 3000),
                                 at('l', (4000 & ~0x7C) | 4, 3000)};
  EXPECT_EQ(drawn, expected);
}

TEST_F(TekParser, RunsSumTheirPointsAndEndAtUsOrFs) {
  std::string s = tek::set_coor_mode(2, 6);
  s += tek::GS;
  s += tek::point(2, {1, 2, 3}) + tek::point(2, {10, 20, 30});
  s += tek::ESC;  // a command inside a run keeps the sums
  s += "TM" + tek::int_param(0) + tek::int_param(0) + tek::int_param(1);
  s += tek::point(2, {-1, -2, -3});
  s += tek::BEL;  // next point is drawn, not moved to
  s += tek::GS;   // starts afresh: sums 0, moved to
  s += tek::point(2, {5, 5, 5});
  s += tek::FS;  // ends the vector run and starts a marker run
  s += tek::point(2, {7, 0, 0}) + tek::point(2, {1, 1, 1});
  s += tek::GS;  // dialog text inside a marker run
  s += tek::US;
  std::string err = run(s);
  std::vector<Drawn> expected = {at('m', 1, 2, 3),   at('l', 11, 22, 33), at('l', 10, 20, 30),
                                 at('m', 5, 5, 5),   at('k', 7, 0, 0),    at('k', 8, 1, 1)};
  EXPECT_EQ(drawn, expected);
  EXPECT_NE(err.find("unrecognized command text:\n----\n\x1d\n----\n"), std::string::npos) << err;
  EXPECT_EQ(get_coor_mode(), 2);
}

TEST_F(TekParser, BelBeforeTheFirstPointDrawsFromTheBeam) {
  run(tek::set_coor_mode(1, 6) + tek::GS + tek::BEL + tek::point(1, {4, 4}) + tek::US);
  std::vector<Drawn> expected = {at('l', 4, 4)};
  EXPECT_EQ(drawn, expected);
}

TEST_F(TekParser, RunSplitOverRefills) {
  std::string s = tek::set_coor_mode(2, 6) + tek::vector_run(2, {{100, -200, 300}, {-5, 6, 7000}});
  std::vector<std::string> pieces;
  for (char c : s) pieces.emplace_back(1, c);
  run(pieces);
  std::vector<Drawn> expected = {at('m', 100, -200, 300), at('l', -5, 6, 7000)};
  EXPECT_EQ(drawn, expected);
}

// Each encoding of run points, the run split between two refills at every
// byte: the points come out as from one buffer, and the 12-bit address parts
// kept after the split serve the lone LoX of a second run.
TEST_F(TekParser, RunPointsSplitAtEveryByteDecodeAsWhole) {
  const std::string fill = "\r\n\x80";
  const struct {
    const char* name;
    std::string stream;
    std::vector<Drawn> expected;
  } cases[] = {
      {"12-bit addresses: full, LoX, HiY, LoY with HiX, Extra",
       std::string(1, tek::GS) + tek::xy12(4000, 3000) + "\x41" + "\x20\x42" + "\x61\x21\x43" + "\x67\x62\x44" +
           tek::US + tek::GS + "\x45" + tek::US,
       {at('m', 4000, 3000), at('l', 3972, 3000), at('l', 3976, 56), at('l', 140, 4), at('l', 147, 9),
        at('m', 151, 9)}},
      {"mode 1: integers of one to six characters with fillers",
       tek::set_coor_mode(1, 6) + tek::GS + tek::int_param(100) + fill + tek::int_param(-200) +
           tek::int_param(-2147483647) + tek::int_param(5) + " 0" + tek::US,
       {at('m', 100, -200), at('l', 100 - 2147483647L, -195), at('l', 100 - 2147483647L, -195)}},
      {"mode 2: three integers a point",
       tek::set_coor_mode(2, 6) + tek::GS + tek::point(2, {1, -2, 3}) + tek::int_param(70000) + fill +
           tek::int_param(-15) + tek::int_param(16) + tek::point(2, {-1, 2, -3}) + tek::US,
       {at('m', 1, -2, 3), at('l', 70001, -17, 19), at('l', 70000, -15, 16)}},
  };
  for (const auto& c : cases) {
    for (size_t k = 1; k < c.stream.size(); ++k) {
      cleanup_tek_parser();
      preset_tek_parser();
      drawn.clear();
      std::string err = run({c.stream.substr(0, k), c.stream.substr(k)});
      EXPECT_EQ(drawn, c.expected) << c.name << ", split after byte " << k;
      EXPECT_EQ(err, "") << c.name << ", split after byte " << k;
    }
  }
}

TEST_F(TekParser, RunningSumsDoNotOverflow) {
  std::string s = tek::set_coor_mode(1, 6) + std::string(1, tek::GS);
  for (int i = 0; i < 4; ++i) s += tek::point(1, {2147483647, -2147483647});
  s += tek::US;
  run(s);
  ASSERT_EQ(drawn.size(), 4u);
  EXPECT_EQ(drawn[3].x, float(4LL * 2147483647) * 0.001f);
  EXPECT_EQ(drawn[3].y, -float(4LL * 2147483647) * 0.001f);
}

// ------------------------------------------------------------ dialog text and select code

TEST_F(TekParser, DialogTextIsReportedOncePerBuffer) {
  std::string err = run(std::vector<std::string>{"hello\x80", "world"});
  EXPECT_EQ(err,
            "\nApplication error - unrecognized command text:\n----\nhello\x80\n----\n"
            "\nApplication error - unrecognized command text:\n----\nworld\n----\n");
}

TEST_F(TekParser, SelectCodeTextModeKeepsOtherEscapesAsText) {
  std::string s = tek::select_code(1) + "abc" + tek::ESC + "XY" + tek::ESC + "%Z" + tek::select_code(0);
  s += tek::set_coor_mode(1, 4);
  std::string err = run(s);
  EXPECT_EQ(err, "\nApplication error - unrecognized command text:\n----\nabc\x1bXY\x1b%Z\n----\n");
  EXPECT_EQ(get_coor_mode(), 1);
  EXPECT_EQ(get_intc_report_size(), 4u);
}

TEST_F(TekParser, SelectCodeTextAcrossRefills) {
  std::string err = run({tek::select_code(1) + "ab" + tek::ESC, "%", "Z", "cd" + tek::select_code(0)});
  EXPECT_EQ(dialog_text(err), "ab\x1b%Zcd") << err;
}

// ------------------------------------------------------------ unknown commands

TEST_F(TekParser, UnknownCommandsAreReportedAndSkipped) {
  const struct {
    const char* name;
    std::string command;
    const char* report;
  } cases[] = {
      {"skipped by its signature", "\x1bIA" + tek::int_param(123456), "<EC> 'I' 'A' "},
      {"points by the coordinate mode", "\x1bIV" + tek::int_param(1) + tek::int_param(2) +
                                            tek::xy12(1, 2) + tek::xy12(3, 4), "<EC> 'I' 'V' "},
      {"counted characters", "\x1bJM" + tek::int_param(2) + "ab" + tek::int_param(1) + "c" +
                                 tek::int_param(2) + tek::int_param(5) + tek::int_param(6),
       "<EC> 'J' 'M' "},
      {"character left unread when not printable", "\x1bIQ" "a", "<EC> 'I' 'Q' "},
      {"blank cell", "\x1bIZ", "<EC> 'I' 'Z' "},
      {"known first letter, unknown pair", "\x1b" "Ax", "<EC> 'A' 'x' "},
      {"first byte outside I to W", "\x1bZ", "<EC> 'Z' "},
      {"first byte in hexadecimal", "\x1b\x01", "<EC> <1> "},
      {"second byte in hexadecimal", "\x1bQ\x80", "<EC> 'Q' <80> "},
  };
  for (const auto& c : cases) {
    drawn.clear();
    std::string err = run(c.command + tek::vector_run(0, {{1, 2}, {3, 4}}));
    std::string report = std::string(c.report) + "command not recognized/not supported.\n";
    EXPECT_EQ(err.substr(0, report.size()), report) << c.name;
    std::vector<Drawn> expected = {at('m', 1, 2), at('l', 3, 4)};
    EXPECT_EQ(drawn, expected) << c.name;
  }
}

// A character count as large as an integer allows, before a byte that is
// left unread, costs no more than that byte.
TEST_F(TekParser, CharacterCountsStopAtAByteLeftUnread) {
  const std::string most = tek::int_param(2147483647);
  const std::string fill = "\x80";  // skipped inside integers, left unread by a character
  std::string input;
  for (int k = 0; k < 10; ++k) input += "\x1bJC" + most + fill + most + fill + most;
  auto start = std::chrono::steady_clock::now();
  std::string err = run(input + tek::vector_run(0, {{1, 2}}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  std::string report;
  for (int k = 0; k < 10; ++k) report += "<EC> 'J' 'C' command not recognized/not supported.\n";
  EXPECT_EQ(err, report);
  std::vector<Drawn> expected = {at('m', 1, 2)};
  EXPECT_EQ(drawn, expected);
}

TEST_F(TekParser, UnknownEscFollowedByGsStillStartsARun) {
  std::string err = run("\x1bQ" + tek::vector_run(0, {{8, 9}}));
  EXPECT_EQ(err, "<EC> 'Q' <1d> command not recognized/not supported.\n");
  std::vector<Drawn> expected = {at('m', 8, 9)};
  EXPECT_EQ(drawn, expected);
}

// ------------------------------------------------------------ modes and colour map

TEST_F(TekParser, ColourMapInEveryMode) {
  std::string s = tek::command("TG") + tek::int_param(1) + tek::int_param(12);
  for (long v : {10L, 0L, 50L, 100L, 11L, 120L, 50L, 100L, 12L, 360L, 0L, 0L}) s += tek::int_param(v);
  s += tek::command("TM") + tek::int_param(4) + tek::int_param(0) + tek::int_param(0);
  s += tek::command("TG") + tek::int_param(1) + tek::int_param(4);
  for (long v : {13L, 255L, 0L, 51L}) s += tek::int_param(v);
  s += tek::command("TM") + tek::int_param(1) + tek::int_param(0) + tek::int_param(0);
  s += tek::command("TG") + tek::int_param(1) + tek::int_param(4);
  for (long v : {14L, 100L, 50L, 0L}) s += tek::int_param(v);
  s += tek::command("TG") + tek::int_param(1) + tek::int_param(0);
  run(s);
  auto entry = [](int i) {
    const float* e = get_local_map_entry(i);
    return std::vector<float>{e[0], e[1], e[2]};
  };
  EXPECT_EQ(entry(10), (std::vector<float>{1 / 255.0f, 1 / 255.0f, 1.0f}));  // hue 0: blue
  EXPECT_EQ(entry(11), (std::vector<float>{1.0f, 1 / 255.0f, 1 / 255.0f}));  // hue 120: red
  EXPECT_EQ(entry(12), (std::vector<float>{0, 0, 0}));                       // lightness 0
  EXPECT_EQ(entry(13), (std::vector<float>{1.0f, 0, 0.2f}));
  EXPECT_EQ(entry(14), (std::vector<float>{1.0f, 0.5f, 0}));
  EXPECT_EQ(entry(0), (std::vector<float>{0, 0, 0.2f}));  // preset entries
  EXPECT_EQ(entry(99), (std::vector<float>{99 / 254.0f, 184 / 254.0f, 14 / 254.0f}));
  EXPECT_EQ(get_color_mode(), 1);
}

TEST_F(TekParser, RefusedModesAndColourMapsAreFatal) {
  const struct {
    std::string bytes;
    const char* message;
  } cases[] = {
      {tek::set_coor_mode(0, 7), "integer parameter 7 out of range \\(2 - 6\\)"},
      {tek::set_coor_mode(3, 6), "integer parameter 3 out of range \\(0 - 2\\)"},
      {tek::command("TM") + tek::int_param(2), "color-specifying-mode 2 not supported"},
      {tek::command("TG") + tek::int_param(1) + tek::int_param(6), "bad colour map length"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(serve(c.bytes), testing::ExitedWithCode(1), c.message);
  }
}

// ------------------------------------------------------------ abandoned commands

TEST_F(TekParser, ProcessEndingInsideACommandAbandonsIt) {
  std::string err = run({tek::command("UX") + tek::int_param(1), PROCESS_END,
                         tek::command("TG") + tek::int_param(1), PROCESS_END,
                         tek::command("As") + tek::int_param(5) + tek::int_param(100) + "\x41",
                         PROCESS_END, tek::vector_run(0, {{5, 6}})});
  EXPECT_EQ(get_coor_mode(), 0);
  std::vector<Drawn> expected = {at('m', 5, 6)};
  EXPECT_EQ(drawn, expected);
  EXPECT_EQ(err, "");
}

// ------------------------------------------------------------ fatal report

TEST_F(TekParser, FatalReportDumpsTheBuffer) {
  EXPECT_EXIT(
      {
        errno = 0;
        serve("ab\x1bUX\x80\x37");
      },
      testing::ExitedWithCode(1),
      "^\nInput buffer contents:\n"
      "  61 a\n  62 b\n  1b <EC>\n  55 U\n  58 X\n  ffffff80 \n  37 7\n"
      "\nFatal application error in <EC>UX command - integer parameter 7 out of range \\(0 - 2\\)\\.\n"
      "\n?qob terminated - Fatal application error\\.\n$");
}

TEST_F(TekParser, FatalReportMarksTheReadPositionAndUnprintableLetters) {
  // The integer reader stops in front of the ESC it refuses.
  EXPECT_EXIT(serve("\x1bUX\x1b"), testing::ExitedWithCode(1),
              "^\nInput buffer contents:\n  1b <EC>\n  55 U\n  58 X\n> 1b <EC>\n\n"
              "Fatal application error in <EC>UX command - integer parameter aborted\\.\n");
  EXPECT_EXIT(serve(std::string(1, tek::GS) + "\x20\n"), testing::ExitedWithCode(1),
              "Fatal application error, ch1=0x1d, ch2=0x20 - xy12 parameter aborted\\.\n");
}

// ------------------------------------------------------------ report encoders

TEST(TekReports, IntegerReports) {
  char out[8] = {};
  const struct {
    long value;
    const char* chars;
  } cases[] = {{0, "  0"}, {-1, "  !"}, {15, "  ?"}, {100, " &4"}, {-65535, "__/"}, {1024, "! 0"}};
  for (const auto& c : cases) {
    encode_int(c.value, out);
    EXPECT_EQ(std::string(out, 3), c.chars) << c.value;
    EXPECT_EQ(tek::decode_int(c.chars), c.value);
  }
  testing::internal::CaptureStderr();
  encode_int(65536, out);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning - intc-report-size (3) too small.\n");
}

TEST(TekReports, SizedIntegerAndRealReportsRoundTrip) {
  char out[16] = {};
  for (long v : {0L, 1L, -1L, 2147483647L, -2147483647L, 123456789L}) {
    unsigned long n = encode_intc(v, out);
    ASSERT_EQ(n, 6u);
    EXPECT_EQ(tek::decode_intc(std::string(out, n)), v);
  }
  for (float x : {1.0f, -1.5f, 3.0e38f, 1.0e-37f, 0.1f, -123456.7f}) {
    unsigned long n = encode_real(x, out);
    ASSERT_EQ(n, 9u);
    EXPECT_EQ(tek::decode_real(std::string(out, n)), x);
    long mantissa = std::labs(tek::decode_intc(std::string(out, 6)));
    EXPECT_GE(mantissa, 1L << 30);
    EXPECT_LT(mantissa, int64_t{1} << 31);  // long has 32 bits on Windows
  }
  encode_real(1.0f, out);
  EXPECT_EQ(tek::decode_intc(std::string(out, 6)), 1L << 30);
  EXPECT_EQ(tek::decode_int(std::string(out + 6, 3)), -30);
}

TEST(TekReports, RealReportsOfSpecialValues) {
  char out[16] = {};
  const struct {
    float x;
    long mantissa, exponent;
    const char* warning;
  } cases[] = {
      {0.0f, 0, 0, ""},
      {1.0e-39f, 0, 0, ""},
      {INFINITY, 1, 128, ""},
      {-INFINITY, -1, 128, ""},
      {3.4028235e38f, 1, 128, ""},
      {NAN, 0, 0, "Warning - real report of a NaN sent as 0.\n"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    unsigned long n = encode_real(c.x, out);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warning);
    EXPECT_EQ(tek::decode_intc(std::string(out, n - 3)), c.mantissa) << c.x;
    EXPECT_EQ(tek::decode_int(std::string(out + n - 3, 3)), c.exponent) << c.x;
  }
}

TEST(TekReports, StringReportSendsAsManyCharactersAsItsLength) {
  std::string text = "h\xe9";
  std::vector<char> out(string_report_size(text.c_str()));
  ASSERT_EQ(encode_string(text.c_str(), out.data()), 9u);
  tek::ReportReader r(std::string(out.begin(), out.end()) + "\n");
  std::string back;
  ASSERT_TRUE(r.read_string(&back));
  EXPECT_EQ(back, text);

  std::string long_text(70000, 'x');
  out.resize(string_report_size(long_text.c_str()));
  testing::internal::CaptureStderr();
  unsigned long n = encode_string(long_text.c_str(), out.data());
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Warning - string report of 70000 characters cut to 65535.\n");
  EXPECT_EQ(n, 3u + 3u * 65535u);
  tek::ReportReader cut(std::string(out.begin(), out.end()) + "\n");
  ASSERT_TRUE(cut.read_string(&back));
  EXPECT_EQ(back, std::string(65535, 'x'));
  EXPECT_TRUE(cut.at_end());
}


// ------------------------------------------------------------ an outside client

std::string fixture(const char* name) {
  std::ifstream in(std::string(TEK_FIXTURES) + "/" + name, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A parabola plotted by gnuplot's vector terminal (made by
// fixtures/make_gnuplot_stream.sh): its vectors land on the plot's own
// addresses, its labels are reported as text, and nothing is fatal.
TEST_F(TekParser, GnuplotVectorPlotDecodesToItsAddresses) {
  std::string stream = fixture("gnuplot_tek.bin");
  ASSERT_FALSE(stream.empty());
  std::istringstream bounds(fixture("gnuplot_tek_bounds.txt"));
  double xmin, xmax, ymin, ymax;
  ASSERT_TRUE(bounds >> xmin >> xmax >> ymin >> ymax);
  std::string err = run(stream);
  // The terminal's 10-bit addresses arrive as 12-bit ones (extra bits 0).
  auto drawn_near = [](double tx, double ty) {
    for (const Drawn& d : drawn)
      if (std::fabs(d.x * 1000 - tx * 4) <= 4.5 && std::fabs(d.y * 1000 - ty * 4) <= 4.5) return true;
    return false;
  };
  EXPECT_TRUE(drawn_near(xmin, ymin));
  EXPECT_TRUE(drawn_near(xmax, ymax));
  for (int i = 0; i < 20; ++i) {
    double x = 3.0 * i / 19;
    EXPECT_TRUE(drawn_near(xmin + x / 3 * (xmax - xmin), ymin + x * x / 9 * (ymax - ymin))) << i;
  }
  for (const Drawn& d : drawn) {
    EXPECT_GE(d.x, 0.0f);
    EXPECT_LE(d.x, 4.095f);
  }
  std::string text = dialog_text(err);
  EXPECT_NE(text.find("Parabola"), std::string::npos) << err;
  EXPECT_NE(text.find("0.5"), std::string::npos) << err;
}

// The escape dialect of the same client: its unknown commands are reported
// and skipped by their signatures until MC, whose signature here has three
// integers where this client sends two; the mismatch is a fatal error.
TEST_F(TekParser, GnuplotEscapeDialectIsSkippedUntilASignatureDiffers) {
  std::string stream = fixture("gnuplot_tek410x.bin");
  ASSERT_FALSE(stream.empty());
  EXPECT_EXIT(serve(stream), testing::ExitedWithCode(1),
              // The buffer's dump is long: literal parts, not a pattern that scans it.
              testing::AllOf(testing::StartsWith("<EC> '%' '%' command not recognized/not supported.\n"
                                                 "<EC> 'M' 'N' command not recognized/not supported.\n"
                                                 "<EC> 'M' 'C' command not recognized/not supported.\n"
                                                 "\nInput buffer contents:\n"),
                             testing::HasSubstr(
                                 "Fatal application error in <EC>MC command - integer parameter aborted.\n")));
}

}  // namespace
