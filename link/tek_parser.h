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
// Whole groups of `size` integers that lie in the buffer from the read
// position, at most `groups`, read without a refill: stops before a group cut
// by the buffer's end or holding a malformed integer, which the readers above
// then take. `ends[g]` is the read position after group g. Returns the number
// of groups read; the read position stands after the last.
unsigned long scan_buffered_groups(long* out, unsigned long groups, unsigned size, const unsigned char** ends);
// Back to a position that `scan_buffered_groups` gave since the last refill.
void rewind_read_position(const unsigned char* p);
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
