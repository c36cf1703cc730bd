#include "link/tek_parser.h"

#include <unistd.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"
#include "link/scene_commands.h"
#include "link/si.h"
#include "runtime/application_values.h"
#include "runtime/predefined.h"
#include "runtime/qob.h"
#include "runtime/window_record.h"
#include "scene/display_options.h"
#include "scene/segment_store.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace {

constexpr unsigned char ESC = 27, FS = 28, GS = 29, RS = 30, US = 31, BEL = 7, FF = 12;

buf_ptrs hi;
unsigned char* text_in;  // end of the dialog text kept at the buffer start
unsigned char ch1, ch2;  // letters of the command being parsed

int coor_mode;
unsigned long intc_report_size = 6;
int color_mode = 3;

// Kept parts of the 12-bit address; each stays until the stream sends it again.
unsigned hix, hiy, loy, extrax, extray;

float local_map[100][3];

// The viewport of RV, corners ordered.
long v_min_x, v_min_y, v_max_x, v_max_y;

// The viewing parameters of UV, each kept until the command sends it again.
struct {
  vector_type reference_point;
  long reference_z_sent;  // in thousandths: the lowest front distance
  vector_type plane_normal;
  vector_type up_vector;
  float window[2];
  long projection_type;  // 2 is perspective
  long front_sent, back_sent;  // in thousandths
} uv;

void preset_view_commands() {
  v_min_x = v_min_y = 0;
  v_max_x = 4095, v_max_y = 3276;
  uv.reference_point = {0, 0, 0};
  uv.reference_z_sent = 0;
  uv.plane_normal = {0, 0, 1};
  uv.up_vector = {0, 1, 0};
  uv.window[0] = uv.window[1] = 0.001f;
  uv.projection_type = 1;
  uv.front_sent = 0;
  uv.back_sent = 8190;
}

tek_refill_function refill = refill_host_input;

// The palette of the segment store exists once the store is initialised.
void palette_entry(int index, float red, float green, float blue) {
  if (color_palette_exists()) set_colormap_entry(unsigned(index), red, green, blue);
}
tek_drawing_services drawing = {move_beam, insert_line, insert_marker, palette_entry};

// Return point of a command abandoned because its process ended; set while
// the main loop runs.
jmp_buf top_level;
bool top_level_set;

// Heap blocks a command holds until it hands them on; freed when the command
// is abandoned. A string array lists `strings` pointers that may be set.
struct command_block {
  void* block;
  bool strings;
  unsigned long count;
};
command_block held[HELD_BLOCKS];

void hold(int slot, void* block, bool strings = false, unsigned long count = 0) {
  held[slot] = command_block{block, strings, count};
}

void release_held() {
  for (command_block& h : held) {
    if (h.block != nullptr && h.strings) {
      value* slots = static_cast<value*>(h.block);
      for (unsigned long i = 0; i < h.count; ++i)
        if (slots[i].s != nullptr) CheckedFree(slots[i].s);
    }
    if (h.block != nullptr) CheckedFree(h.block);
    h = command_block{nullptr, false, 0};
  }
}

// Shows an application error to the user.
void show_user(const char* message) { display_internal_info(message, true); }

void write_stderr(const void* bytes, size_t length) {
  const char* p = static_cast<const char*>(bytes);
  while (length > 0) {
    ssize_t n = write(2, p, length);
    if (n <= 0) return;
    p += n;
    length -= size_t(n);
  }
}

void report_dialog_text() {
  if (text_in == hi.start) return;
  fflush(stdout);
  fputs("\nApplication error - unrecognized command text:\n----\n", stderr);
  fflush(stderr);
  show_user("Application error - unrecognized command text");
  write_stderr(hi.start, size_t(text_in - hi.start));
  fputs("\n----\n", stderr);
  text_in = hi.start;
}

// Dialog text overwrites consumed bytes only; when it would reach the read
// position (text after a refill) what is kept is reported first.
void append_text(unsigned char c) {
  if (text_in >= hi.pos) report_dialog_text();
  *text_in++ = c;
}

[[noreturn]] void abandon_command() {
  release_held();
  text_in = hi.start;
  hi.end = hi.pos = hi.start;
  if (top_level_set) longjmp(top_level, 1);
  halt("Fatal application error");
  exit(1);
}

inline unsigned char peek_byte() {
  if (hi.pos >= hi.end) flush_dialog_text_and_refill();
  return *hi.pos;
}

inline unsigned char next_byte() {
  unsigned char c = peek_byte();
  ++hi.pos;
  return c;
}

}  // namespace

unsigned char* flush_dialog_text_and_refill() {
  report_dialog_text();
  unsigned char* p = refill(&hi);
  renew_line_notices();  // the wait may have repainted
  if (p == nullptr) abandon_command();
  hi.pos = p;
  return p;
}

void fatal_application_error(const char* message) {
  fflush(stdout);
  fputs("\nInput buffer contents:\n", stderr);
  for (unsigned char* p = hi.start; p < hi.end; ++p) {
    int c = static_cast<signed char>(*p);
    fprintf(stderr, "%c %x ", p == hi.pos ? '>' : ' ', unsigned(c));
    if (*p >= 33 && *p <= 126)
      fputc(*p, stderr);
    else if (*p == ESC)
      fputs("<EC>", stderr);
    fputc('\n', stderr);
  }
  fputs("\nFatal application error", stderr);
  if (ch1 >= 32 && ch1 <= 126 && ch2 >= 32 && ch2 <= 126)
    fprintf(stderr, " in <EC>%c%c command - %s.\n", ch1, ch2, message);
  else
    fprintf(stderr, ", ch1=0x%x, ch2=0x%x - %s.\n", ch1, ch2, message);
  halt("Fatal application error");
  exit(1);
}

void not_supported(const char* what) {
  char message[200];
  snprintf(message, sizeof message, "%s not supported", what);
  fatal_application_error(message);
}

// ---------------------------------------------------------------- parameters

static bool is_abort(unsigned char c) { return c == ESC || c == FS || c == GS || c == US; }

// ---- Whole parameters straight from the buffer
// Each scanner reads one parameter that lies whole in [p, end) and returns
// the position after it, or null when it is cut by the buffer's end or is
// malformed; then nothing is kept and the byte-wise reader takes it over
// from the same place, refilling or reporting as it does.

namespace {

struct address_parts {
  unsigned hix, hiy, loy, extrax, extray;
};

inline const unsigned char* scan_xy12(const unsigned char* p, const unsigned char* end, address_parts* a,
                                      unsigned* x, unsigned* y) {
  if (p >= end) return nullptr;
  unsigned c = *p++;
  if (c >= 32 && c <= 63) {
    a->hiy = (c & 0x1Fu) << 7;
    if (p >= end) return nullptr;
    c = *p++;
  }
  if (c >= 96 && c <= 127) {
    if (p >= end) return nullptr;
    unsigned after = *p++;
    if (after >= 96 && after <= 127) {
      a->extrax = c & 3u;
      a->extray = (c & 0x1Fu) >> 2;
      c = after;
      if (p >= end) return nullptr;
      after = *p++;
    }
    a->loy = (c & 0x1Fu) << 2;
    c = after;
    if (c >= 32 && c <= 63) {
      a->hix = (c & 0x1Fu) << 7;
      if (p >= end) return nullptr;
      c = *p++;
    }
  }
  if (c < 64 || c > 127) return nullptr;
  *x = ((c & 0x1Fu) << 2) | a->hix | a->extrax;
  *y = a->hiy | a->loy | a->extray;
  return p;
}

}  // namespace

long assemble_integer_parameter() {
  unsigned long hi_bits = 0;
  int n_hi = 0;
  for (;;) {
    unsigned char c = peek_byte();
    if (is_filler_byte(c)) {
      ++hi.pos;
      continue;
    }
    if (is_abort(c)) fatal_application_error("integer parameter aborted");
    if (c >= 64) {
      hi_bits = (hi_bits << 6) | (c & 0x3F);
      if (++n_hi > 5 || hi_bits > 0x7FFFFFF)
        fatal_application_error("integer parameter out of 32-bit range");
      ++hi.pos;
      continue;
    }
    ++hi.pos;
    long v = long((hi_bits << 4) | (c & 0x0F));
    return (c & 0x10) ? v : -v;
  }
}

void assemble_integer_parameters(long* out, unsigned long n) {
  unsigned long i = 0;
  while (i < n) {
    const unsigned char* p;
    while (i < n && (p = scan_buffered_integer(hi.pos, hi.end, &out[i])) != nullptr) {
      hi.pos = const_cast<unsigned char*>(p);
      ++i;
    }
    if (i < n) out[i++] = assemble_integer_parameter();
  }
}

void buffered_bytes(const unsigned char** pos, const unsigned char** end) { *pos = hi.pos, *end = hi.end; }

void set_read_position(const unsigned char* p) { hi.pos = const_cast<unsigned char*>(p); }

float assemble_real_parameter() {
  long mantissa = assemble_integer_parameter();
  long exponent = assemble_integer_parameter();
  if (mantissa == 0) return 0.0f;
  // Beyond these exponents every 31-bit mantissa over- or underflows a float.
  if (exponent > 160) fatal_application_error("real parameter out of single-precision range");
  if (exponent < -200) return 0.0f;
  float v = float(mantissa);
  const float up = 1073741824.0f, down = 1.0f / 1073741824.0f;
  while (exponent > 30) {
    v *= up;
    exponent -= 30;
  }
  while (exponent < -30) {
    v *= down;
    exponent += 30;
  }
  v = std::ldexp(v, int(exponent));
  if (!std::isfinite(v)) fatal_application_error("real parameter out of single-precision range");
  return v;
}

void assemble_xy12_parameter(unsigned* x, unsigned* y) {
  unsigned char c = next_byte();
  if (c >= 32 && c <= 63) {
    hiy = (c & 0x1Fu) << 7;
    c = next_byte();
  }
  if (c >= 96 && c <= 127) {
    unsigned char after = next_byte();
    if (after >= 96 && after <= 127) {
      extrax = c & 3u;
      extray = (c & 0x1Fu) >> 2;
      c = after;
      after = next_byte();
    }
    loy = (c & 0x1Fu) << 2;
    c = after;
    if (c >= 32 && c <= 63) {
      hix = (c & 0x1Fu) << 7;
      c = next_byte();
    }
  }
  if (c < 64 || c > 127) {
    --hi.pos;
    fatal_application_error("xy12 parameter aborted");
  }
  *x = ((c & 0x1Fu) << 2) | hix | extrax;
  *y = hiy | loy | extray;
}

void assemble_xyz_parameter(long* x, long* y, long* z) {
  if (coor_mode == 0) {
    unsigned ux, uy;
    assemble_xy12_parameter(&ux, &uy);
    *x = ux;
    *y = uy;
    *z = 0;
    return;
  }
  *x = assemble_integer_parameter();
  *y = assemble_integer_parameter();
  *z = coor_mode == 2 ? assemble_integer_parameter() : 0;
}

void assemble_xy_parameter(long* x, long* y) {
  if (coor_mode == 0) {
    unsigned ux, uy;
    assemble_xy12_parameter(&ux, &uy);
    *x = ux;
    *y = uy;
    return;
  }
  *x = assemble_integer_parameter();
  *y = assemble_integer_parameter();
}

long range_integer_parameter(long min, long max) {
  long v = assemble_integer_parameter();
  if (v < min || v > max) {
    char message[160];
    snprintf(message, sizeof message, "integer parameter %ld out of range (%ld - %ld)", v, min, max);
    fatal_application_error(message);
  }
  return v;
}

float range_real_parameter(float min, float max) {
  float v = assemble_real_parameter();
  if (v < min || v > max) {
    char message[200];
    snprintf(message, sizeof message, "real parameter %f out of range (%f - %f)", double(v),
             double(min), double(max));
    fatal_application_error(message);
  }
  return v;
}

char* assemble_string_parameter() {
  long length = range_integer_parameter(0, 100000);
  if (length == 0) return nullptr;
  char* text = static_cast<char*>(CheckedMalloc(size_t(length) + 1));
  hold(0, text);
  long n = 0;
  bool blank = true;
  while (n < length) {
    unsigned char c = peek_byte();
    if (is_abort(c)) fatal_application_error("string parameter aborted");
    ++hi.pos;
    if (c <= 26 || c == RS) continue;
    if (c != ' ') blank = false;
    text[n++] = char(c);
  }
  text[n] = 0;
  held[0].block = nullptr;
  if (blank) {
    CheckedFree(text);
    fatal_application_error("string parameter only contains blanks");
  }
  return text;
}

// ---------------------------------------------------------------- runs

namespace {

// Summed coordinates of modes 1 and 2; a sum this far out is refused before
// it could overflow.
constexpr long long SUM_LIMIT = 1LL << 62;

void read_run_point(long long sums[3], float* x, float* y, float* z) {
  long px, py, pz;
  assemble_xyz_parameter(&px, &py, &pz);
  if (coor_mode != 0) {
    sums[0] += px;
    sums[1] += py;
    sums[2] += pz;
    for (int i = 0; i < 3; ++i)
      if (sums[i] > SUM_LIMIT || sums[i] < -SUM_LIMIT)
        fatal_application_error("coordinate out of range");
    *x = float(sums[0]) * 0.001f;
    *y = float(sums[1]) * 0.001f;
    *z = float(sums[2]) * 0.001f;
  } else {
    *x = float(px) * 0.001f;
    *y = float(py) * 0.001f;
    *z = float(pz) * 0.001f;
  }
}

// A run point as read_run_point reads it; the sums and the kept address
// parts change only when the point was whole.
inline bool scan_run_point(long long sums[3], float out[3]) {
  const unsigned char* p = hi.pos;
  if (coor_mode == 0) {
    address_parts a = {hix, hiy, loy, extrax, extray};
    unsigned x, y;
    p = scan_xy12(p, hi.end, &a, &x, &y);
    if (p == nullptr) return false;
    hix = a.hix, hiy = a.hiy, loy = a.loy, extrax = a.extrax, extray = a.extray;
    out[0] = float(long(x)) * 0.001f;
    out[1] = float(long(y)) * 0.001f;
    out[2] = 0.0f;
  } else {
    long d[3] = {0, 0, 0};
    int n = coor_mode == 2 ? 3 : 2;
    long long next[3];
    for (int k = 0; k < n; ++k)
      if ((p = scan_buffered_integer(p, hi.end, &d[k])) == nullptr) return false;
    for (int k = 0; k < 3; ++k) {
      next[k] = sums[k] + d[k];
      if (next[k] > SUM_LIMIT || next[k] < -SUM_LIMIT) return false;
    }
    for (int k = 0; k < 3; ++k) {
      sums[k] = next[k];
      out[k] = float(sums[k]) * 0.001f;
    }
  }
  hi.pos = const_cast<unsigned char*>(p);
  return true;
}

// ---- Lines of a vector run, handed on in bulk
// Points wait here until the run moves, ends, runs a command or needs a
// refill; the store takes them in one call.

constexpr unsigned long LINE_BATCH = 4096;
float line_batch[3 * LINE_BATCH];
unsigned long batched;

void store_lines(unsigned long n, const float* points) { insert_lines(n, points); }
void each_line(unsigned long n, const float* points) {
  for (unsigned long i = 0; i < n; ++i) drawing.insert_line(points[3 * i], points[3 * i + 1], points[3 * i + 2]);
}
// The store's bulk insertion, or one insert_line per point for other services.
void (*line_sink)(unsigned long n, const float* points) = store_lines;

void flush_lines() {
  if (batched == 0) return;
  unsigned long n = batched;
  batched = 0;
  line_sink(n, line_batch);
}

void add_line(const float p[3]) {
  // Without an open segment the store's refusal must come at this point.
  if (batched == 0 && line_sink == store_lines && open_segment_number() == 0) {
    drawing.insert_line(p[0], p[1], p[2]);
    return;
  }
  float* q = line_batch + 3 * batched;
  q[0] = p[0], q[1] = p[1], q[2] = p[2];
  if (++batched == LINE_BATCH) flush_lines();
}

// Lines of a run while the buffer holds them whole, decoded straight into the
// batch with the address parts and sums in registers: stops at a byte that
// does not start a point, at a point cut by the buffer's end or malformed
// (left to the one-point readers), or when the batch is full. Leaves the
// read position, the address parts and `ch2` as the one-point loop would.
// Returns the number of lines read.
unsigned long scan_run_lines(long long sums[3]) {
  const unsigned char* p = hi.pos;
  const unsigned char* const end = hi.end;
  const unsigned long room = LINE_BATCH - batched;
  float* out = line_batch + 3 * batched;
  unsigned long n = 0;
  const unsigned char* last = nullptr;  // the start of the last line read
  if (coor_mode == 0) {
    address_parts a = {hix, hiy, loy, extrax, extray};
    while (n < room && p < end && *p >= 32 && *p <= 127) {
      address_parts next = a;
      unsigned x, y;
      const unsigned char* q = scan_xy12(p, end, &next, &x, &y);
      if (q == nullptr) break;
      last = p, p = q, a = next;
      out[0] = float(long(x)) * 0.001f;
      out[1] = float(long(y)) * 0.001f;
      out[2] = 0.0f;
      out += 3, ++n;
    }
    hix = a.hix, hiy = a.hiy, loy = a.loy, extrax = a.extrax, extray = a.extray;
  } else {
    const int axes = coor_mode == 2 ? 3 : 2;
    long long s0 = sums[0], s1 = sums[1], s2 = sums[2];
    while (n < room && p < end && *p >= 32 && *p <= 127) {
      long d[3] = {0, 0, 0};
      const unsigned char* q = p;
      for (int k = 0; k < axes && q != nullptr; ++k) q = scan_buffered_integer(q, end, &d[k]);
      if (q == nullptr) break;
      long long t0 = s0 + d[0], t1 = s1 + d[1], t2 = s2 + d[2];
      if (t0 > SUM_LIMIT || t0 < -SUM_LIMIT || t1 > SUM_LIMIT || t1 < -SUM_LIMIT || t2 > SUM_LIMIT ||
          t2 < -SUM_LIMIT)
        break;
      last = p, p = q, s0 = t0, s1 = t1, s2 = t2;
      out[0] = float(s0) * 0.001f;
      out[1] = float(s1) * 0.001f;
      out[2] = float(s2) * 0.001f;
      out += 3, ++n;
    }
    sums[0] = s0, sums[1] = s1, sums[2] = s2;
  }
  if (n == 0) return 0;
  ch2 = *last;
  hi.pos = const_cast<unsigned char*>(p);
  batched += n;
  if (batched == LINE_BATCH) flush_lines();
  return n;
}

// Whether lines may wait in the batch: the store refuses them without an
// open segment, and that refusal comes at the line.
bool lines_may_wait() { return line_sink != store_lines || open_segment_number() != 0; }

void vector_run() {
  long long sums[3] = {0, 0, 0};
  bool move_first = true;
  for (;;) {
    if (hi.pos >= hi.end) {
      flush_lines();
      flush_dialog_text_and_refill();
    }
    unsigned char c = *hi.pos;
    ch2 = c;
    if (c >= 32 && c <= 127) {
      if (!move_first && lines_may_wait() && scan_run_lines(sums) > 0) continue;
      float p[3];
      if (!scan_run_point(sums, p)) {
        flush_lines();
        read_run_point(sums, &p[0], &p[1], &p[2]);
      }
      if (move_first) {
        flush_lines();
        drawing.move_beam(p[0], p[1], p[2]);
        move_first = false;
      } else {
        add_line(p);
      }
      continue;
    }
    if (c == FS) {  // left unread: the main loop starts a marker run
      flush_lines();
      return;
    }
    ++hi.pos;
    switch (c) {
      case US:
        flush_lines();
        return;
      case BEL:
        move_first = false;
        break;
      case ESC:
        flush_lines();
        process_esc();
        break;
      case GS:
        sums[0] = sums[1] = sums[2] = 0;
        move_first = true;
        break;
      default:
        append_text(c);
    }
  }
}

void marker_run() {
  long long sums[3] = {0, 0, 0};
  for (;;) {
    unsigned char c = next_byte();
    ch2 = c;
    if (c >= 32 && c <= 127) {
      --hi.pos;
      float x, y, z;
      read_run_point(sums, &x, &y, &z);
      drawing.move_beam(x, y, z);
      drawing.insert_marker();
    } else if (c == US) {
      return;
    } else if (c == ESC) {
      process_esc();
    } else {
      append_text(c);
    }
  }
}

}  // namespace

void select_code() {
  long code = assemble_integer_parameter();
  while (code != 0) {
    set_process_switch(true);
    unsigned char c;
    while ((c = next_byte()) != ESC) append_text(c);
    set_process_switch(false);
    c = next_byte();
    if (c == '%') {
      unsigned char after = next_byte();
      if (after == '!') {
        code = assemble_integer_parameter();
        continue;
      }
      append_text(ESC);
      append_text('%');
      append_text(after);
    } else {
      append_text(ESC);
      append_text(c);
    }
    set_process_switch(true);
  }
}

// ---------------------------------------------------------------- unknown commands

namespace {

// Skip signatures of the unknown commands, by first and second letter:
// i integer, r real, x point, I R X a count and that many, c one character,
// C a count and that many characters, - nothing.
struct signature {
  char letters[3];
  const char* skip;
};
const signature parsyn[] = {
    {"IA", "i"},    {"IC", "ii"},   {"ID", "i"},    {"IE", "ii"},   {"IF", "iii"},  {"IG", "iii"},
    {"IH", "i"},    {"II", "ii"},   {"IJ", "ii"},   {"IK", "i"},    {"IL", "i"},    {"IM", "i"},
    {"IN", "i"},    {"IO", "IRXC"}, {"IP", "i"},    {"IQ", "cc"},   {"IR", "ii"},   {"IS", "iii"},
    {"IT", "i"},    {"IU", "i"},    {"IV", "iixx"}, {"IW", "xx"},   {"IX", "ix"},
    {"JB", "-"},    {"JC", "CCC"},  {"JD", "CCC"},  {"JE", "-"},    {"JF", "C"},    {"JH", "i"},
    {"JJ", "C"},    {"JK", "C"},    {"JL", "C"},    {"JM", "CCI"},  {"JP", "Ci"},   {"JQ", "C"},
    {"JR", "CCC"},  {"JS", "CCC"},  {"JU", "i"},    {"JV", "CICC"},
    {"KA", "i"},    {"KC", "-"},    {"KD", "iI"},   {"KE", "i"},    {"KF", "i"},    {"KH", "i"},
    {"KI", "i"},    {"KK", "i"},    {"KL", "i"},    {"KN", "i"},    {"KP", "i"},    {"KQ", "-"},
    {"KR", "i"},    {"KS", "i"},    {"KT", "i"},    {"KU", "-"},    {"KV", "-"},    {"KW", "i"},
    {"KX", "i"},    {"KY", "i"},    {"KZ", "iii"},
    {"LB", "i"},    {"LC", "i"},    {"LD", "iX"},   {"LE", "-"},    {"LF", "x"},    {"LG", "x"},
    {"LH", "x"},    {"LI", "iii"},  {"LJ", "i"},    {"LK", "i"},    {"LL", "i"},    {"LM", "i"},
    {"LP", "xi"},   {"LR", "X"},    {"LS", "i"},    {"LT", "C"},    {"LV", "i"},    {"LX", "x"},
    {"LZ", "-"},
    {"MA", "r"},    {"MB", "ii"},   {"MC", "iii"},  {"MD", "iiii"}, {"ME", "-"},    {"MF", "i"},
    {"MG", "i"},    {"MH", "i"},    {"MI", "i"},    {"ML", "i"},    {"MM", "i"},    {"MN", "i"},
    {"MO", "i"},    {"MP", "i"},    {"MQ", "i"},    {"MR", "r"},    {"MS", "iii"},  {"MT", "i"},
    {"MV", "i"},    {"MW", "i"},    {"MX", "i"},    {"MY", "i"},
    {"NB", "i"},    {"NC", "ii"},   {"ND", "i"},    {"NE", "I"},    {"NF", "i"},    {"NK", "i"},
    {"NL", "i"},    {"NM", "i"},    {"NP", "i"},    {"NQ", "i"},    {"NR", "ii"},   {"NS", "I"},
    {"NT", "I"},    {"NU", "i"},
    {"OB", "i"},    {"OC", "ii"},   {"OD", "i"},    {"OE", "ii"},   {"OH", "II"},   {"OI", "i"},
    {"OL", "i"},    {"OM", "ii"},   {"ON", "II"},   {"OP", "iiii"}, {"OS", "ii"},   {"OT", "i"},
    {"PA", "CCi"},  {"PB", "Cii"},  {"PC", "CCC"},  {"PE", "CI"},   {"PF", "Ciii"}, {"PI", "Cii"},
    {"PJ", "Ci"},   {"PL", "CC"},   {"PM", "CI"},   {"PN", "ii"},   {"PO", "ii"},   {"PP", "Ci"},
    {"PQ", "C"},    {"PR", "Ci"},   {"PS", "ii"},   {"PT", "Ci"},
    {"QB", "i"},    {"QD", "i"},    {"QF", "i"},    {"QL", "iii"},  {"QM", "i"},    {"QN", "i"},
    {"QO", "i"},    {"QQ", "-"},    {"QR", "-"},    {"QU", "i"},
    {"RA", "iii"},  {"RB", "i"},    {"RC", "i"},    {"RD", "I"},    {"RE", "i"},    {"RF", "i"},
    {"RG", "iI"},   {"RH", "x"},    {"RI", "I"},    {"RJ", "i"},    {"RK", "i"},    {"RL", "I"},
    {"RM", "iiI"},  {"RN", "I"},    {"RP", "iC"},   {"RQ", "I"},    {"RR", "xxi"},  {"RS", "xx"},
    {"RT", "iii"},  {"RU", "iii"},  {"RV", "xx"},   {"RW", "xx"},   {"RX", "ixxx"},
    {"SA", "iII"},  {"SB", "-"},    {"SC", "-"},    {"SD", "ii"},   {"SE", "i"},    {"SF", "ixx"},
    {"SG", "iii"},  {"SH", "ii"},   {"SI", "irrrx"}, {"SJ", "irrr"}, {"SK", "i"},   {"SL", "II"},
    {"SM", "ii"},   {"SN", "-"},    {"SO", "i"},    {"SP", "x"},    {"SQ", "iC"},   {"SR", "ii"},
    {"SS", "ii"},   {"ST", "ii"},   {"SU", "-"},    {"SV", "ii"},   {"SW", "iiRX"}, {"SX", "ix"},
    {"SZ", "ii"},
    {"TB", "iii"},  {"TC", "iii"},  {"TD", "ii"},   {"TF", "I"},    {"TG", "iI"},   {"TL", "IIXR"},
    {"TM", "iii"},  {"TO", "i"},    {"TR", "iIR"},
    {"UB", "i"},    {"UC", "iX"},   {"UD", "iii"},  {"UE", "ii"},   {"UF", "IXIX"}, {"UG", "r"},
    {"UH", "i"},    {"UI", "iii"},  {"UJ", "ixx"},  {"UK", "ixx"},  {"UR", "X"},    {"UV", "XIXI"},
    {"UW", "xx"},   {"UX", "ii"},   {"UY", "C"},
    {"VE", "i"},
    {"WA", "I"},    {"WS", "IX"},
};

const char* find_parsyn(unsigned char first, unsigned char second) {
  for (const signature& s : parsyn)
    if (static_cast<unsigned char>(s.letters[0]) == first &&
        static_cast<unsigned char>(s.letters[1]) == second)
      return s.skip;
  return "";
}

// A byte outside 32..127 is left for the command loop; false then.
bool skip_character() {
  unsigned char c = peek_byte();
  if (c < 32 || c > 127) return false;
  ++hi.pos;
  return true;
}

void skip_integers(long n) {
  long block[256];
  for (; n > 0; n -= 256) assemble_integer_parameters(block, static_cast<unsigned long>(n < 256 ? n : 256));
}

long skip_count() {
  long n = assemble_integer_parameter();
  return n < 0 ? 0 : n;
}

// Skips parameters by a signature. Beside the letters of the unknown
// commands: s a counted string, y a screen position, T a count and that many
// triples of integers, D a count and that many pairs, H a flag followed by
// three reals when set.
void skip_parameters(const char* skip) {
  long dummy_x, dummy_y, dummy_z;
  for (const char* p = skip; *p != 0 && *p != ' '; ++p) {
    switch (*p) {
      case 'i': assemble_integer_parameter(); break;
      case 'r': assemble_real_parameter(); break;
      case 'x': assemble_xyz_parameter(&dummy_x, &dummy_y, &dummy_z); break;
      case 'y': assemble_xy_parameter(&dummy_x, &dummy_y); break;
      case 'c': skip_character(); break;
      case 'I': skip_integers(skip_count()); break;
      case 'R': for (long n = skip_count(); n > 0; --n) assemble_real_parameter(); break;
      case 'X':
        for (long n = skip_count(); n > 0; --n) assemble_xyz_parameter(&dummy_x, &dummy_y, &dummy_z);
        break;
      // The count stops at the first byte left unread, which would stay unread.
      case 'C': for (long n = skip_count(); n > 0 && skip_character(); --n) {} break;
      case 'T': for (long n = skip_count() * 3; n > 0; --n) assemble_integer_parameter(); break;
      case 'D': for (long n = skip_count() * 2; n > 0; --n) assemble_integer_parameter(); break;
      case 's': {
        char* text = assemble_string_parameter();
        if (text != nullptr) CheckedFree(text);
        break;
      }
      case 'H':
        if (assemble_integer_parameter() != 0)
          for (int i = 0; i < 3; ++i) assemble_real_parameter();
        break;
      default:  // '-': no parameters
        break;
    }
  }
}

void print_letter(unsigned char c) {
  if (c < 32 || c >= 128)
    fprintf(stderr, "<%x> ", c);
  else
    fprintf(stderr, "'%c' ", c);
}

}  // namespace

void process_unknown_command() {
  fflush(stdout);
  fputs("<EC> ", stderr);
  print_letter(ch1);
  if (ch2 != 0) {
    print_letter(ch2);
    if (ch2 < 32 || ch2 >= 128) --hi.pos;  // read again as a top-level byte
  }
  fputs("command not recognized/not supported.\n", stderr);
  show_user("Application error - unsupported escape sequence encountered");
  if (ch1 >= 'I' && ch1 <= 'W' && ch2 >= 'A' && ch2 <= 'Z') skip_parameters(find_parsyn(ch1, ch2));
}

// ---------------------------------------------------------------- commands

namespace {

void cmd_select_code() { select_code(); }

void cmd_ux() {
  long mode = range_integer_parameter(0, 2);
  long size = range_integer_parameter(2, 6);
  coor_mode = int(mode);
  intc_report_size = static_cast<unsigned long>(size);
}

void cmd_tm() {
  long mode = range_integer_parameter(0, 4);
  if (mode == 2) not_supported("color-specifying-mode 2");
  range_integer_parameter(0, 1);
  range_integer_parameter(0, 1);
  if (mode != 0) color_mode = int(mode);
}

void cmd_su() { set_geometry_update_mode(false); }

void cmd_rc() { put_predef(111, int32_t(range_integer_parameter(1, 33))); }

void read_viewport_corner(long* x, long* y) {
  assemble_xy_parameter(x, y);
  if (*x < 0 || *x > 4095 || *y < 0 || *y > 3276) not_supported("viewport outside 0..4095, 0..3276");
}

void cmd_rv() {
  long x1, y1, x2, y2;
  read_viewport_corner(&x1, &y1);
  read_viewport_corner(&x2, &y2);
  v_min_x = x1 < x2 ? x1 : x2, v_max_x = x1 < x2 ? x2 : x1;
  v_min_y = y1 < y2 ? y1 : y2, v_max_y = y1 < y2 ? y2 : y1;
  change_viewport(int32_t(v_min_x), int32_t(v_max_x), int32_t(v_min_y), int32_t(v_max_y));
}

// Three integers added to `sum`; the vectors of UV are sums of the ones sent.
void add_integer_triple(long sum[3]) {
  for (int i = 0; i < 3; ++i) sum[i] += assemble_integer_parameter();
}

vector_type as_vector(const long v[3]) { return {float(v[0]), float(v[1]), float(v[2])}; }

void cmd_uv() {
  long k = range_integer_parameter(0, 3);
  long sum[3] = {0, 0, 0};
  if (k >= 1) {
    add_integer_triple(sum);
    uv.reference_point = {float(sum[0]) * 0.001f, float(sum[1]) * 0.001f, float(sum[2]) * 0.001f};
    uv.reference_z_sent = sum[2];
  }
  if (k >= 2) {
    add_integer_triple(sum);
    if (sum[0] == 0 && sum[1] == 0 && sum[2] == 0) fatal_application_error("vpn vector is zero");
    uv.plane_normal = as_vector(sum);
  }
  if (k >= 3) {
    add_integer_triple(sum);
    if (sum[0] == 0 && sum[1] == 0 && sum[2] == 0) fatal_application_error("vup vector is zero");
    uv.up_vector = as_vector(sum);
  }
  long w = range_integer_parameter(0, 2);
  for (long i = 0; i < w; ++i) uv.window[i] = float(range_integer_parameter(1, 2147483647)) * 0.001f;
  long px, py, pz;
  assemble_xyz_parameter(&px, &py, &pz);
  vector_type prp = {float(px) * 0.001f, float(py) * 0.001f, float(pz) * 0.001f};
  long p = range_integer_parameter(0, 2);
  if (p != 0) uv.projection_type = p;
  long q = range_integer_parameter(0, 3);
  if (q >= 1) range_integer_parameter(0, 0);
  if (q >= 2) uv.front_sent = range_integer_parameter(uv.reference_z_sent, 2147483647);
  // The back distance stays beyond the front distance, so the view keeps a depth.
  if (q >= 3) uv.back_sent = range_integer_parameter(uv.front_sent + 1, 2147483647);
  if (uv.back_sent <= uv.front_sent) fatal_application_error("back distance not beyond front distance");
  const char* refused = change_view_data(uv.reference_point, uv.plane_normal, uv.up_vector, uv.window, prp,
                                         float(uv.front_sent) * 0.001f, float(uv.back_sent) * 0.001f,
                                         uv.projection_type == 2);
  if (refused != nullptr) fatal_application_error(refused);
}

void cmd_dv() { delete_view_dependency(uint32_t(range_integer_parameter(1, 32))); }

uint32_t read_event_code() { return static_cast<uint32_t>(assemble_integer_parameter()); }

void cmd_ai() {
  uint32_t code = read_event_code();
  long v = assemble_integer_parameter();
  enter_application_value(code, 'i', int32_t(v), 0.0f, nullptr);
}

void cmd_ar() {
  uint32_t code = read_event_code();
  float v = assemble_real_parameter();
  enter_application_value(code, 'r', 0, v, nullptr);
}

// A string of characters sent as one integer each; held in `slot` meanwhile.
char* read_value_string(int slot) {
  long n = range_integer_parameter(0, 100000);
  char* text = static_cast<char*>(CheckedMalloc(size_t(n) + 1));
  hold(slot, text);
  for (long i = 0; i < n; ++i) text[i] = char(assemble_integer_parameter());
  text[n] = 0;
  held[slot].block = nullptr;
  return text;
}

void cmd_as() {
  uint32_t code = read_event_code();
  char* text = read_value_string(0);
  enter_application_value(code, 's', 0, 0.0f, text);
}

value* new_value_array(long n) {
  return static_cast<value*>(CheckedMalloc(size_t(n > 0 ? n : 1) * sizeof(value)));
}

void cmd_ai_array() {
  uint32_t code = read_event_code();
  long n = range_integer_parameter(0, 65535);
  value* values = new_value_array(n);
  hold(0, values);
  for (long i = 0; i < n; ++i) values[i].i = int32_t(assemble_integer_parameter());
  held[0].block = nullptr;
  enter_application_value(code, 'I', int32_t(n), 0.0f, values);
}

void cmd_ar_array() {
  uint32_t code = read_event_code();
  long n = range_integer_parameter(0, 65535);
  value* values = new_value_array(n);
  hold(0, values);
  for (long i = 0; i < n; ++i) values[i].r = assemble_real_parameter();
  held[0].block = nullptr;
  enter_application_value(code, 'R', int32_t(n), 0.0f, values);
}

void cmd_as_array() {
  uint32_t code = read_event_code();
  long n = range_integer_parameter(0, 65535);
  value* values = new_value_array(n);
  for (long i = 0; i < n; ++i) values[i].s = nullptr;
  hold(0, values, true, static_cast<unsigned long>(n));
  for (long i = 0; i < n; ++i) values[i].s = read_value_string(1);
  held[0].block = nullptr;
  enter_application_value(code, 'S', int32_t(n), 0.0f, values);
}

// Hue table of TG: 127·cos(3i°).
const signed char conv[60] = {
    127,  127,  126,  125,  124,  123,  121,  119,  116,  113,  110,  107,  103,  99,   94,
    90,   85,   80,   75,   69,   63,   58,   52,   46,   39,   33,   26,   20,   13,   7,
    0,    -7,   -13,  -20,  -26,  -33,  -39,  -46,  -52,  -58,  -64,  -69,  -75,  -80,  -85,
    -90,  -94,  -99,  -103, -107, -110, -113, -116, -119, -121, -123, -124, -125, -126, -127};

int hls_component(int v, int l, int s) {
  if (l <= 49) return (s * v + 12700) * l / 5000;
  return 255 - (12700 - s * v) * (100 - l) / 5000;
}

void hls_to_rgb(int hue, int l, int s, float rgb[3]) {
  int c = conv[hue % 60];
  int signed_rgb[6][3] = {{-c, -127, 127}, {127, -127, c}, {127, -c, -127},
                          {c, 127, -127},  {-127, 127, -c}, {-127, c, 127}};
  const int* v = signed_rgb[(hue / 60) % 6];
  for (int i = 0; i < 3; ++i) rgb[i] = float(hls_component(v[i], l, s)) / 255.0f;
}

void set_map_entry(int index, const float rgb[3]) {
  for (int i = 0; i < 3; ++i) local_map[index][i] = rgb[i];
  drawing.set_colormap_entry(index, rgb[0], rgb[1], rgb[2]);
}

void cmd_tg() {
  range_integer_parameter(1, 1);
  long n = range_integer_parameter(0, 32768);
  if (n % 4 != 0) fatal_application_error("bad colour map length");
  for (long consumed = 0; consumed < n; consumed += 4) {
    int index = int(range_integer_parameter(0, 99));
    float rgb[3];
    if (color_mode == 3) {
      int hue = int(range_integer_parameter(0, 360));
      int l = int(range_integer_parameter(0, 100));
      int s = int(range_integer_parameter(0, 100));
      hls_to_rgb(hue, l, s, rgb);
    } else {
      long top = color_mode == 1 ? 100 : 255;
      for (float& component : rgb) component = float(range_integer_parameter(0, top)) / float(top);
    }
    set_map_entry(index, rgb);
  }
  set_repaint(false);
}

// The command switch: every known pair with its handler; unknown pairs are
// skipped by their signature (parsyn).
struct command_entry {
  char letters[3];
  void (*handler)();
};

const command_entry commands[] = {
    // modes and application values
    {"%!", cmd_select_code},
    {"UX", cmd_ux},
    {"TM", cmd_tm},
    {"Ai", cmd_ai},
    {"Ar", cmd_ar},
    {"As", cmd_as},
    {"AI", cmd_ai_array},
    {"AR", cmd_ar_array},
    {"AS", cmd_as_array},
    // segments
    {"SO", cmd_segment_open},
    {"SE", cmd_segment_end_and_open},
    {"SC", cmd_segment_close},
    {"SF", cmd_segment_flush},
    {"SK", cmd_segment_kill},
    {"SV", cmd_segment_visibility},
    {"SU", cmd_su},
    {"ST", cmd_selection_type},
    {"HS", cmd_highlight_segment},
    {"CE", cmd_entity},
    {"CL", cmd_level_name},
    {"CF", cmd_entity_states},
    {"UE", cmd_entity_face},
    {"UM", cmd_level_of_detail},
    {"CP", cmd_selectability},
    // geometry of the open segment
    {"LF", cmd_move},
    {"LG", cmd_line},
    {"LH", cmd_marker},
    {"LT", cmd_text},
    {"UD", cmd_markers},
    {"LC", cmd_colored_lines},
    {"BV", cmd_vector},
    {"UC", cmd_colored_facet_tree},
    {"UT", cmd_normal_facet_tree},
    {"UF", cmd_update_facet_tree},
    {"UP", cmd_texture_parameters},
    {"FS", cmd_facet_size},
    {"FL", cmd_fast_lod},
    {"EC", cmd_clip_planes},
    {"PO", cmd_polygon_offset},
    {"CG", cmd_shade_model},
    // drawing attributes
    {"ML", cmd_line_color},
    {"MI", cmd_marker_color},
    {"MT", cmd_text_color},
    {"MV", cmd_line_style},
    {"MW", cmd_line_weight},
    {"MZ", cmd_hidden_line},
    {"MM", cmd_marker_symbol},
    {"MS", cmd_marker_size},
    {"TS", cmd_text_size},
    {"TO", cmd_material},
    {"TG", cmd_tg},
    // materials
    {"CM", cmd_define_material},
    {"CD", cmd_delete_material},
    // views
    {"RC", cmd_rc},
    {"RV", cmd_rv},
    {"UV", cmd_uv},
    {"DV", cmd_dv},
    // scene graph
    {"NO", cmd_open_node},
    {"NC", cmd_close_node},
    {"NP", cmd_prepare_node},
    {"NR", cmd_remove_node},
    {"NV", cmd_node_visibility},
};

const command_entry* find_command(unsigned char first, unsigned char second) {
  for (const command_entry& c : commands)
    if (static_cast<unsigned char>(c.letters[0]) == first &&
        static_cast<unsigned char>(c.letters[1]) == second)
      return &c;
  return nullptr;
}

bool reads_second_letter(unsigned char first) {
  return first != 0 && strchr("%ABCDEFHLMNPRSTU", first) != nullptr;
}

}  // namespace

namespace {

void parse_esc() {
  ch1 = next_byte();
  ch2 = 0;
  if (ch1 == FF) {
    set_geometry_update_mode(false);
    return;
  }
  if (reads_second_letter(ch1)) {
    ch2 = next_byte();
    const command_entry* c = find_command(ch1, ch2);
    if (c == nullptr)
      process_unknown_command();
    else
      c->handler();
    return;
  }
  if (ch1 >= 'I' && ch1 <= 'W') ch2 = next_byte();
  process_unknown_command();
}

}  // namespace

void process_esc() {
  parse_esc();
  renew_line_notices();  // the command may have read the store's flags
}

// ---------------------------------------------------------------- main loop

void process_tektronix_commands() {
  setjmp(top_level);
  top_level_set = true;
  for (;;) {
    set_process_switch(true);
    if (hi.pos >= hi.end) flush_dialog_text_and_refill();
    ch1 = *hi.pos++;
    ch2 = 0;
    switch (ch1) {
      case ESC:
        set_process_switch(false);
        process_esc();
        break;
      case FS:
        set_process_switch(false);
        marker_run();
        break;
      case GS:
        set_process_switch(false);
        vector_run();
        break;
      default:
        append_text(ch1);
    }
  }
}

// ---------------------------------------------------------------- lifecycle

void preset_tek_parser() {
  hi.start = static_cast<unsigned char*>(CheckedMalloc(TEK_INPUT_SIZE));
  hi.end = hi.pos = text_in = hi.start;
  hi.start[0] = 0;
  coor_mode = 0;
  intc_report_size = 6;
  color_mode = 3;
  hix = hiy = loy = extrax = extray = 0;
  preset_view_commands();
  batched = 0;
  for (int i = 0; i < 100; ++i) {
    int g = i + 85, b = i + 170;
    if (g > 254) g -= 255;
    if (b > 254) b -= 255;
    float rgb[3] = {float(i) / 254.0f, float(g) / 254.0f, float(b) / 254.0f};
    if (i == 0) rgb[0] = 0, rgb[1] = 0, rgb[2] = 0.2f;
    if (i == 1) rgb[0] = 1, rgb[1] = 1, rgb[2] = 1;
    if (i == 4) rgb[0] = 1, rgb[1] = 0, rgb[2] = 0;
    set_map_entry(i, rgb);
  }
}

void cleanup_tek_parser() {
  release_held();
  if (hi.start != nullptr) CheckedFree(hi.start);
  hi = buf_ptrs{nullptr, nullptr, nullptr};
  text_in = nullptr;
  top_level_set = false;
}

void set_tek_input_source(tek_refill_function source) {
  refill = source != nullptr ? source : refill_host_input;
}

void set_tek_drawing_services(const tek_drawing_services& services) {
  drawing = services;
  line_sink = services.insert_line == insert_line ? store_lines : each_line;
}

void hold_command_block(int slot, void* block) { hold(slot, block); }
void release_command_block(int slot) { held[slot].block = nullptr; }

int get_coor_mode() { return coor_mode; }
unsigned long get_intc_report_size() { return intc_report_size; }
int get_color_mode() { return color_mode; }
const float* get_local_map_entry(int index) { return local_map[index]; }

// ---------------------------------------------------------------- reports

static unsigned long magnitude_of(long v) {
  return v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
}

static void warn_report_size(unsigned long n) {
  fprintf(stderr, "Warning - intc-report-size (%lu) too small.\n", n);
}

void encode_int(long v, char* out) {
  unsigned long m = magnitude_of(v);
  if (m > 65535) warn_report_size(3);
  out[0] = char(((m >> 10) & 63) + 32);
  out[1] = char(((m >> 4) & 63) + 32);
  out[2] = char((m & 15) + (v >= 0 ? 48 : 32));
}

unsigned long encode_intc(long v, char* out) {
  unsigned long n = intc_report_size;
  unsigned long m = magnitude_of(v);
  out[n - 1] = char((m & 15) + (v >= 0 ? 48 : 32));
  unsigned long rest = m >> 4;
  for (unsigned long i = n - 1; i-- > 0;) {
    out[i] = char((rest & 63) + 32);
    rest >>= 6;
  }
  if (rest != 0) warn_report_size(n);
  return n;
}

unsigned long encode_real(float x, char* out) {
  long mantissa = 0, exponent = 0;
  if (std::isnan(x)) {
    fputs("Warning - real report of a NaN sent as 0.\n", stderr);
  } else if (std::fabs(x) >= 3.4028235e38f) {
    mantissa = x < 0 ? -1 : 1;
    exponent = 128;
  } else if (std::fabs(x) > 1.1754944e-38f) {
    float m = std::fabs(x);
    const float up = 1073741824.0f, limit = 2147483648.0f;
    while (m < 2.0f) {
      m *= up;
      exponent -= 30;
    }
    while (m <= up) {
      m *= 2.0f;
      exponent -= 1;
    }
    while (m >= limit) {
      m *= 0.5f;
      exponent += 1;
    }
    mantissa = std::lround(m);
    if (x < 0) mantissa = -mantissa;
  }
  unsigned long n = encode_intc(mantissa, out);
  encode_int(exponent, out + n);
  return n + 3;
}

unsigned long string_report_size(const char* text) {
  size_t length = strlen(text);
  if (length > STRING_REPORT_MAX_LENGTH) length = STRING_REPORT_MAX_LENGTH;
  return 3 + 3 * static_cast<unsigned long>(length);
}

unsigned long encode_string(const char* text, char* out) {
  size_t length = strlen(text);
  if (length > STRING_REPORT_MAX_LENGTH) {
    fprintf(stderr, "Warning - string report of %zu characters cut to %lu.\n", length,
            static_cast<unsigned long>(STRING_REPORT_MAX_LENGTH));
    length = STRING_REPORT_MAX_LENGTH;
  }
  encode_int(long(length), out);
  for (size_t i = 0; i < length; ++i) encode_int(static_cast<signed char>(text[i]), out + 3 + 3 * i);
  return 3 + 3 * static_cast<unsigned long>(length);
}
