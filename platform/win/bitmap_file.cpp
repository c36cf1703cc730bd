#include "platform/win/bitmap_file.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"

namespace {

constexpr size_t kLineMax = 255;  // longer lines are read in pieces of this size

// Reads the text line by line; a line of more than kLineMax characters comes
// in pieces, as a reader with a fixed line buffer sees it.
struct LineReader {
  const char* text;
  size_t length;
  size_t at = 0;

  bool next(char (&line)[kLineMax + 1]) {
    if (at >= length) return false;
    size_t n = 0;
    while (at < length && n < kLineMax) {
      const char c = text[at++];
      line[n++] = c;
      if (c == '\n') break;
    }
    line[n] = '\0';
    return true;
  }
};

const char* skip_blanks(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// Matches `word` at p; the position after it, or null.
const char* match(const char* p, const char* word) {
  const size_t n = strlen(word);
  return strncmp(p, word, n) == 0 ? p + n : nullptr;
}

// The next token of non-blank characters, copied into name; the position after it.
const char* take_name(const char* p, char (&name)[kLineMax + 1]) {
  p = skip_blanks(p);
  size_t n = 0;
  while (*p != '\0' && !isspace(static_cast<unsigned char>(*p))) name[n++] = *p++;
  name[n] = '\0';
  return n > 0 ? p : nullptr;
}

bool ends_with(const char* text, const char* tail) {
  const size_t n = strlen(text), m = strlen(tail);
  return n >= m && strcmp(text + n - m, tail) == 0;
}

enum class Define { none, width, height, x_hot, y_hot, bad_value };

// "#define NAME VALUE": which of the four values it sets, with the value.
Define parse_define(const char* line, int* value) {
  const char* p = match(line, "#define");
  if (p == nullptr) return Define::none;
  char name[kLineMax + 1];
  p = take_name(p, name);
  if (p == nullptr) return Define::none;
  p = skip_blanks(p);
  if (*p != '-' && *p != '+' && !isdigit(static_cast<unsigned char>(*p))) return Define::none;
  errno = 0;
  char* end = nullptr;
  const long v = strtol(p, &end, 10);
  if (end == p) return Define::none;
  const char* last = strrchr(name, '_');
  const char* type = last != nullptr ? last + 1 : name;
  Define kind = Define::none;
  if (strcmp(type, "width") == 0) kind = Define::width;
  else if (strcmp(type, "height") == 0) kind = Define::height;
  else if (ends_with(name, "x_hot")) kind = Define::x_hot;
  else if (ends_with(name, "y_hot")) kind = Define::y_hot;
  if (kind == Define::none) return kind;
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return Define::bad_value;
  *value = static_cast<int>(v);
  return kind;
}

enum class DataForm { none, bytes, shorts };

// "static short NAME = {", "static unsigned char NAME = {" or "static char NAME = {"
// with a name ending in "bits[]".
DataForm parse_data_start(const char* line) {
  const char* p = match(line, "static");
  if (p == nullptr) return DataForm::none;
  p = skip_blanks(p);
  DataForm form = DataForm::bytes;
  if (const char* q = match(p, "short"); q != nullptr) {
    form = DataForm::shorts;
    p = q;
  } else if (const char* u = match(p, "unsigned"); u != nullptr) {
    p = match(skip_blanks(u), "char");
  } else {
    p = match(p, "char");
  }
  if (p == nullptr || (*p != ' ' && *p != '\t')) return DataForm::none;
  char name[kLineMax + 1];
  p = take_name(p, name);
  if (p == nullptr || !ends_with(name, "bits[]")) return DataForm::none;
  p = skip_blanks(p);
  if (*p != '=') return DataForm::none;
  p = skip_blanks(p + 1);
  return *p == '{' ? form : DataForm::none;
}

bool is_separator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r' || c == '}'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the next hexadecimal number (optionally "0x"), at most `max`. -1 at
// the end of the text, -2 for anything that is not such a number.
long next_number(const char* text, size_t length, size_t* at, long max) {
  while (*at < length && is_separator(text[*at])) ++*at;
  if (*at >= length) return -1;
  size_t p = *at;
  if (p + 1 < length && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X')) p += 2;
  long value = 0;
  size_t digits = 0;
  for (; p < length && !is_separator(text[p]); ++p) {
    const int d = hex_value(text[p]);
    if (d < 0) return -2;
    value = value * 16 + d;
    if (value > max) return -2;
    ++digits;
  }
  *at = p;
  return digits > 0 ? value : -2;
}

// Reads the rows of an X bitmap into `data` ((width + 7) / 8 bytes a row);
// the short form's numbers give two bytes each, low byte first, and a row's
// last padding byte is dropped.
int read_data(const char* text, size_t length, size_t at, DataForm form, int width, int height, uint8_t* data) {
  const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
  const size_t per_number = form == DataForm::shorts ? 2 : 1;
  const size_t numbers_per_row = (row_bytes + per_number - 1) / per_number;
  const long max = form == DataForm::shorts ? 0xFFFF : 0xFF;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = data + row_bytes * static_cast<size_t>(y);
    for (size_t k = 0; k < numbers_per_row; ++k) {
      const long v = next_number(text, length, &at, max);
      if (v < 0) return LX_BITMAP_FILE_INVALID;
      row[k * per_number] = static_cast<uint8_t>(v & 0xFF);
      if (per_number == 2 && k * 2 + 1 < row_bytes) row[k * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
  }
  return LX_BITMAP_SUCCESS;
}

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

int Lx_ParseXBitmap(const char* text, size_t length, Lx_XBitmap* bitmap) {
  *bitmap = {0, 0, -1, -1, nullptr};
  LineReader lines{text, length};
  char line[kLineMax + 1];
  int width = 0, height = 0, x_hot = -1, y_hot = -1;
  while (lines.next(line)) {
    int value = 0;
    switch (parse_define(line, &value)) {
      case Define::width: width = value; continue;
      case Define::height: height = value; continue;
      case Define::x_hot: x_hot = value; continue;
      case Define::y_hot: y_hot = value; continue;
      case Define::bad_value: return LX_BITMAP_FILE_INVALID;
      case Define::none: break;
    }
    const DataForm form = parse_data_start(line);
    if (form == DataForm::none) continue;
    if (width <= 0 || height <= 0 || width > LX_BITMAP_MAX_SIZE || height > LX_BITMAP_MAX_SIZE)
      return LX_BITMAP_FILE_INVALID;
    // Every number takes at least one character and a separator: a text too
    // short to hold the rows is refused before their memory is taken.
    const size_t row_bytes = (static_cast<size_t>(width) + 7) / 8;
    const size_t size = row_bytes * static_cast<size_t>(height);
    const size_t per_number = form == DataForm::shorts ? 2 : 1;
    const size_t numbers = (row_bytes + per_number - 1) / per_number * static_cast<size_t>(height);
    if (numbers > (length - lines.at + 1) / 2) return LX_BITMAP_FILE_INVALID;
    auto* data = static_cast<uint8_t*>(CheckedMalloc(size));
    const int result = read_data(text, length, lines.at, form, width, height, data);
    if (result != LX_BITMAP_SUCCESS) {
      CheckedFree(data);
      return result;
    }
    *bitmap = {width, height, x_hot, y_hot, data};
    return LX_BITMAP_SUCCESS;
  }
  return LX_BITMAP_FILE_INVALID;
}

uint8_t Lx_SwapBits(uint8_t x_byte) {
  uint8_t reversed = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (x_byte & (1u << bit)) reversed = static_cast<uint8_t>(reversed | 0x80u >> bit);
  return static_cast<uint8_t>(~reversed);
}

int Lx_GdiRowBytes(int width) {
  const int x_bytes = (width + 7) / 8;
  return x_bytes + (x_bytes & 1);
}

void Lx_XBitmapToGdi(const uint8_t* x_rows, int width, int height, uint8_t* gdi) {
  const int x_bytes = (width + 7) / 8;
  const int gdi_bytes = Lx_GdiRowBytes(width);
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = x_rows + static_cast<size_t>(y) * static_cast<size_t>(x_bytes);
    uint8_t* to = gdi + static_cast<size_t>(y) * static_cast<size_t>(gdi_bytes);
    for (int k = 0; k < x_bytes; ++k) to[k] = Lx_SwapBits(from[k]);
    if (gdi_bytes > x_bytes) to[x_bytes] = 0;
  }
}

int Lx_CheckBmpFile(const uint8_t* data, size_t length, Lx_BmpInfo* info) {
  constexpr size_t kFileHeader = 14;
  if (length < kFileHeader + 12 || data[0] != 'B' || data[1] != 'M') return LX_BITMAP_FILE_INVALID;
  const uint32_t offset = read32(data + 10);
  const uint8_t* h = data + kFileHeader;
  const uint32_t header_size = read32(h);
  if (header_size < 12 || header_size > length - kFileHeader) return LX_BITMAP_FILE_INVALID;
  int64_t width, height;
  uint16_t planes, bit_count;
  uint32_t compression = 0, colours_used = 0;
  size_t palette_entry = 4;
  if (header_size == 12) {  // the old core header: 16-bit sizes, 3-byte palette entries
    width = read16(h + 4);
    height = read16(h + 6);
    planes = read16(h + 8);
    bit_count = read16(h + 10);
    palette_entry = 3;
  } else if (header_size >= 40) {
    width = static_cast<int32_t>(read32(h + 4));
    height = static_cast<int32_t>(read32(h + 8));
    planes = read16(h + 12);
    bit_count = read16(h + 14);
    compression = read32(h + 16);
    colours_used = read32(h + 32);
  } else {
    return LX_BITMAP_FILE_INVALID;
  }
  const int64_t rows = height < 0 ? -height : height;
  if (planes != 1 || width < 1 || width > LX_BITMAP_MAX_SIZE || rows < 1 || rows > LX_BITMAP_MAX_SIZE)
    return LX_BITMAP_FILE_INVALID;
  // Uncompressed rows only (with colour masks for 16 and 32 bits), so the
  // pixels' extent is known before they are handed on.
  const bool masks = compression == 3 && (bit_count == 16 || bit_count == 32);
  if (compression != 0 && !masks) return LX_BITMAP_FILE_INVALID;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32)
    return LX_BITMAP_FILE_INVALID;
  uint64_t palette = 0;
  if (bit_count <= 8) {
    const uint64_t most = uint64_t{1} << bit_count;
    if (colours_used > most) return LX_BITMAP_FILE_INVALID;
    palette = (colours_used != 0 ? colours_used : most) * palette_entry;
  } else if (masks && header_size == 40) {
    palette = 12;  // the three colour masks follow the header
  }
  const uint64_t row_bytes = (static_cast<uint64_t>(width) * bit_count + 31) / 32 * 4;
  if (offset < kFileHeader + header_size + palette) return LX_BITMAP_FILE_INVALID;
  if (offset > length || row_bytes * static_cast<uint64_t>(rows) > length - offset) return LX_BITMAP_FILE_INVALID;
  *info = {header_size, static_cast<int32_t>(width), static_cast<int32_t>(height), bit_count, offset,
           static_cast<uint32_t>(row_bytes)};
  return LX_BITMAP_SUCCESS;
}
