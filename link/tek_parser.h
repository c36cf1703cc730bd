// The application command protocol: the server's main loop that reads the
// command stream of the application processes, and the encoders of the
// reports sent back to them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/si.h"  // buf_ptrs

constexpr size_t TEK_INPUT_SIZE = 8195;

void preset_tek_parser();
void cleanup_tek_parser();

// The main loop; it never returns. The program ends through `halt`.
[[noreturn]] void process_tektronix_commands();
// Parses one command after its ESC.
void process_esc();
// Reports pending dialog text, then refills; returns the new read position.
unsigned char* flush_dialog_text_and_refill();

// Parameter readers, at the read position, refilling as needed. A malformed
// or refused parameter is a fatal application error.
long assemble_integer_parameter();
// n integers, as n calls of assemble_integer_parameter read them.
void assemble_integer_parameters(long* out, unsigned long n);
// The unread bytes of the input buffer, [*pos, *end), for a reader that
// decodes whole parameters there itself (scan_buffered_integer) and then
// moves the read position with set_read_position; a parameter cut by the
// buffer's end or malformed is left to the readers above.
void buffered_bytes(const unsigned char** pos, const unsigned char** end);
// To a position in [pos, end] of the last buffered_bytes, with no refill since.
void set_read_position(const unsigned char* p);

// Bytes passed over between parameters: controls but the aborts (ESC FS GS
// US), RS, and bytes above 127.
inline bool is_filler_byte(unsigned char c) { return c <= 26 || c >= 128 || c == 30; }

// One integer parameter lying whole in [p, end) as assemble_integer_parameter
// reads it: the position after it, or null when it is cut by `end` or is
// malformed (then nothing is kept).
inline const unsigned char* scan_buffered_integer(const unsigned char* p, const unsigned char* end, long* value) {
  if (p < end && *p >= 32 && *p <= 63) {  // 0 to 15 in one Lo character, the common case of deltas
    long v = *p & 0x0F;
    *value = (*p & 0x10) ? v : -v;
    return p + 1;
  }
  unsigned long hi_bits = 0;
  int n_hi = 0;
  while (p < end) {
    unsigned char c = *p++;
    if (c >= 64 && c <= 127) {
      hi_bits = (hi_bits << 6) | (c & 0x3F);
      if (++n_hi > 5 || hi_bits > 0x7FFFFFF) return nullptr;
    } else if (c >= 32 && c <= 63) {
      long v = long((hi_bits << 4) | (c & 0x0F));
      *value = (c & 0x10) ? v : -v;
      return p;
    } else if (!is_filler_byte(c)) {
      return nullptr;
    }
  }
  return nullptr;
}
float assemble_real_parameter();
void assemble_xy12_parameter(unsigned* x, unsigned* y);
void assemble_xy_parameter(long* x, long* y);
void assemble_xyz_parameter(long* x, long* y, long* z);
long range_integer_parameter(long min, long max);
float range_real_parameter(float min, float max);
// A counted string owned by the caller, or null for length 0.
char* assemble_string_parameter();

// Dumps the input buffer, reports the message and stops the server.
[[noreturn]] void fatal_application_error(const char* message);
[[noreturn]] void not_supported(const char* what);
// Reports an unknown command and skips its parameters.
void process_unknown_command();
// ESC %!: command mode (code 0) or text mode.
void select_code();

// Where the parser's bytes come from: a function with the contract of
// `refill_host_input` (the default), null meaning that the process being read
// ended inside a command. Tests give a byte buffer here.
using tek_refill_function = unsigned char* (*)(buf_ptrs* buffer);
void set_tek_input_source(tek_refill_function refill);

// Drawing services that the vector and marker runs and the colour map feed:
// the segment store's, unless a test gives others. The store's insert_line
// takes each batch of a run's lines in one call.
struct tek_drawing_services {
  void (*move_beam)(float x, float y, float z);
  void (*insert_line)(float x, float y, float z);
  void (*insert_marker)();
  void (*set_colormap_entry)(int index, float red, float green, float blue);
};
void set_tek_drawing_services(const tek_drawing_services& services);

// Heap blocks that a command holds while it reads parameters, freed when the
// command is abandoned because its process ended; released once handed on.
constexpr int HELD_BLOCKS = 7;
void hold_command_block(int slot, void* block);
void release_command_block(int slot);

// Report encoders; none writes a terminator.
constexpr size_t INTC_REPORT_MAX = 6;
constexpr size_t REAL_REPORT_MAX = INTC_REPORT_MAX + 3;
constexpr uint32_t STRING_REPORT_MAX_LENGTH = 65535;

// 3 characters; magnitudes above 65535 lose their high bits, with a warning.
void encode_int(long value, char* out);
// `intc_report_size` characters (2 to 6); returns that number.
unsigned long encode_intc(long value, char* out);
// A mantissa of `intc_report_size` characters and a 3-character exponent;
// returns the number of characters.
unsigned long encode_real(float value, char* out);
// A string as its length (`encode_int`) and one `encode_int` per character of
// its signed bytes. Strings longer than STRING_REPORT_MAX_LENGTH are cut with
// a warning, so the length always counts the characters sent. `out` holds
// 3 + 3 × min(length, STRING_REPORT_MAX_LENGTH) bytes; returns that number.
unsigned long encode_string(const char* text, char* out);
// Bytes that `encode_string` writes for `text`.
unsigned long string_report_size(const char* text);

// Modes set by the stream (UX, TM).
int get_coor_mode();
unsigned long get_intc_report_size();
int get_color_mode();
// One entry of the parser's colour map (0 to 99): red, green, blue in 0..1.
const float* get_local_map_entry(int index);
