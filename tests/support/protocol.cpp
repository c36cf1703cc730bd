#include "tests/support/protocol.h"

#include <cmath>
#include <cstdlib>

namespace tek {

std::string int_param(long value) {
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : value;
  std::string hi;
  for (unsigned long rest = magnitude >> 4; rest != 0; rest >>= 6)
    hi.insert(hi.begin(), char(0x40 | (rest & 0x3F)));
  hi += char(0x20 | (value >= 0 ? 0x10 : 0) | (magnitude & 0x0F));
  return hi;
}

std::string real_param(long mantissa, long exponent) {
  return int_param(mantissa) + int_param(exponent);
}

std::string real_param(float value) {
  if (value == 0.0f) return real_param(0, 0);
  int exponent = 0;
  double fraction = std::frexp(double(value), &exponent);
  long mantissa = std::lround(std::ldexp(fraction, 24));
  exponent -= 24;
  while (mantissa % 2 == 0) {
    mantissa /= 2;
    ++exponent;
  }
  return real_param(mantissa, exponent);
}

std::string xy12(unsigned x, unsigned y) {
  std::string out;
  out += char(0x20 | ((y >> 7) & 0x1F));                            // HiY
  out += char(0x60 | ((y & 3) << 2) | (x & 3));                     // Extra
  out += char(0x60 | ((y >> 2) & 0x1F));                            // LoY
  out += char(0x20 | ((x >> 7) & 0x1F));                            // HiX
  out += char(0x40 | ((x >> 2) & 0x1F));                            // LoX
  return out;
}

std::string point(int coor_mode, const Point& p) {
  if (coor_mode == 0) return xy12(unsigned(p.x), unsigned(p.y));
  std::string out = int_param(p.x) + int_param(p.y);
  if (coor_mode == 2) out += int_param(p.z);
  return out;
}

std::string string_param(const std::string& text) { return int_param(long(text.size())) + text; }

std::string command(const char* letters) { return std::string(1, ESC) + letters; }

static std::string run(char opener, int coor_mode, const std::vector<Point>& points) {
  std::string out(1, opener);
  Point last;
  for (const Point& p : points) {
    if (coor_mode == 0) {
      out += point(0, p);
    } else {
      out += point(coor_mode, Point{p.x - last.x, p.y - last.y, p.z - last.z});
      last = p;
    }
  }
  out += US;
  return out;
}

std::string vector_run(int coor_mode, const std::vector<Point>& points) {
  return run(GS, coor_mode, points);
}

std::string marker_run(int coor_mode, const std::vector<Point>& points) {
  return run(FS, coor_mode, points);
}

std::string select_code(long code) { return command("%!") + int_param(code); }

std::string set_coor_mode(long mode, long intc_size) {
  return command("UX") + int_param(mode) + int_param(intc_size);
}

std::string app_int(uint32_t code, long value) {
  return command("Ai") + int_param(long(code)) + int_param(value);
}

std::string app_real(uint32_t code, float value) {
  return command("Ar") + int_param(long(code)) + real_param(value);
}

static std::string chars_as_ints(const std::string& text) {
  std::string out = int_param(long(text.size()));
  for (char c : text) out += int_param(static_cast<unsigned char>(c));
  return out;
}

std::string app_string(uint32_t code, const std::string& text) {
  return command("As") + int_param(long(code)) + chars_as_ints(text);
}

std::string app_ints(uint32_t code, const std::vector<long>& values) {
  std::string out = command("AI") + int_param(long(code)) + int_param(long(values.size()));
  for (long v : values) out += int_param(v);
  return out;
}

std::string app_reals(uint32_t code, const std::vector<float>& values) {
  std::string out = command("AR") + int_param(long(code)) + int_param(long(values.size()));
  for (float v : values) out += real_param(v);
  return out;
}

std::string app_strings(uint32_t code, const std::vector<std::string>& texts) {
  std::string out = command("AS") + int_param(long(code)) + int_param(long(texts.size()));
  for (const std::string& t : texts) out += chars_as_ints(t);
  return out;
}

long decode_intc(const std::string& chars) {
  if (chars.empty()) return 0;
  unsigned long magnitude = 0;
  for (size_t i = 0; i + 1 < chars.size(); ++i)
    magnitude = (magnitude << 6) | ((static_cast<unsigned char>(chars[i]) - 32) & 0x3F);
  unsigned char last = static_cast<unsigned char>(chars.back());
  bool positive = last >= 48;
  magnitude = (magnitude << 4) | ((last - (positive ? 48 : 32)) & 0x0F);
  return positive ? long(magnitude) : -long(magnitude);
}

long decode_int(const std::string& chars) { return decode_intc(chars); }

float decode_real(const std::string& chars, unsigned intc_size) {
  long mantissa = decode_intc(chars.substr(0, intc_size));
  long exponent = decode_int(chars.substr(intc_size, 3));
  return float(std::ldexp(double(mantissa), int(exponent)));
}

bool ReportReader::take(size_t n, std::string* chars) {
  if (data_.size() - pos_ < n) return false;
  *chars = data_.substr(pos_, n);
  pos_ += n;
  return true;
}

bool ReportReader::line_feed() {
  if (pos_ >= data_.size() || data_[pos_] != '\n') return false;
  ++pos_;
  return true;
}

bool ReportReader::read_int(long* value) {
  std::string chars;
  if (!take(3, &chars)) return false;
  *value = decode_int(chars);
  return line_feed();
}

bool ReportReader::read_intc(long* value) {
  std::string chars;
  if (!take(intc_size_, &chars)) return false;
  *value = decode_intc(chars);
  return line_feed();
}

bool ReportReader::read_real(float* value) {
  std::string chars;
  if (!take(intc_size_ + 3, &chars)) return false;
  *value = decode_real(chars, intc_size_);
  return line_feed();
}

bool ReportReader::read_char(char* value) {
  std::string chars;
  if (!take(1, &chars)) return false;
  *value = chars[0];
  return line_feed();
}

bool ReportReader::read_string(std::string* value) {
  std::string chars;
  if (!take(3, &chars)) return false;
  long length = decode_int(chars);
  if (length < 0) return false;
  value->clear();
  for (long i = 0; i < length; ++i) {
    if (!take(3, &chars)) return false;
    value->push_back(char(decode_int(chars)));
  }
  return line_feed();
}

}  // namespace tek
