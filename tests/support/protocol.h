// The application side of the command protocol, for test applications:
// an encoder of commands and parameters, and a decoder of the server's reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tek {

constexpr char ESC = 27, FS = 28, GS = 29, RS = 30, US = 31, BEL = 7;

struct Point {
  long x = 0, y = 0, z = 0;
};

// An integer: up to five 6-bit Hi characters and one Lo character with the sign.
std::string int_param(long value);
// A real as mantissa × 2^exponent.
std::string real_param(long mantissa, long exponent);
// A real chosen exactly for a float (mantissa of 24 bits).
std::string real_param(float value);
// A complete 12-bit address (HiY, Extra, LoY, HiX, LoX); x and y 0 to 4095.
std::string xy12(unsigned x, unsigned y);
// A point by coordinate mode: 0 a 12-bit address, 1 two integers, 2 three.
std::string point(int coor_mode, const Point& p);
// A counted string: its length, then the characters raw.
std::string string_param(const std::string& text);
// ESC and the two letters of a command, e.g. command("UX").
std::string command(const char* letters);

// A vector run (GS ... US). In modes 1 and 2 the points are sent as the
// differences to the one before, as the server sums them.
std::string vector_run(int coor_mode, const std::vector<Point>& points);
// A marker run (FS ... US), encoded as the vector run.
std::string marker_run(int coor_mode, const std::vector<Point>& points);

// Commands of the modes and the application values.
std::string select_code(long code);                      // ESC %!
std::string set_coor_mode(long mode, long intc_size);    // ESC UX
std::string app_int(uint32_t code, long value);          // ESC Ai
std::string app_real(uint32_t code, float value);        // ESC Ar
std::string app_string(uint32_t code, const std::string& text);                // ESC As
std::string app_ints(uint32_t code, const std::vector<long>& values);          // ESC AI
std::string app_reals(uint32_t code, const std::vector<float>& values);        // ESC AR
std::string app_strings(uint32_t code, const std::vector<std::string>& texts); // ESC AS

// Report decoding. Each decoder takes the characters of one value.
long decode_int(const std::string& chars);   // 3 characters (or any sized integer)
long decode_intc(const std::string& chars);  // the sized integer report
// A real report: mantissa of `intc_size` characters, exponent of 3.
float decode_real(const std::string& chars, unsigned intc_size = 6);

// Reads a stream of reports, each value followed by a line feed. Every reader
// returns false when the stream does not hold such a value at this place.
class ReportReader {
 public:
  explicit ReportReader(std::string data, unsigned intc_size = 6)
      : data_(std::move(data)), intc_size_(intc_size) {}
  bool read_int(long* value);      // ANGLE and BOOLEAN values
  bool read_intc(long* value);     // INTEGER values
  bool read_real(float* value);    // REAL values
  bool read_char(char* value);     // CHARACTER values
  bool read_string(std::string* value);  // STRING values
  bool at_end() const { return pos_ >= data_.size(); }
  size_t position() const { return pos_; }

 private:
  bool take(size_t n, std::string* chars);
  bool line_feed();
  std::string data_;
  unsigned intc_size_;
  size_t pos_ = 0;
};

}  // namespace tek
