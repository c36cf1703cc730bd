// The token syntax of the render-setup files (design, room and light files):
// one tokenizer over one open stream, typed value readers, field initialisers,
// and the line writers that every render-setup writer shares. Plain functions
// over file-scope state: one file is read at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <span>

#include "base/atomic_file.h"

// Token kinds; keywords have their codes 101 to 200.
constexpr int TOKEN_INTEGER = 1;  // other than 0 and 1
constexpr int TOKEN_REAL = 2;
constexpr int TOKEN_STRING = 3;
constexpr int TOKEN_VERSION = 5;
constexpr int TOKEN_FLAG = 6;  // the integer 0 or 1
constexpr int TOKEN_END = 10;
constexpr int TOKEN_ERROR = 99;

enum trq_keyword : int {
  KW_LIGHT_TYPE = 101, KW_AMBIENT_LIGHT_COLOR, KW_CASTS_SHADOWS, KW_CONSTANT_ATTENUATION,
  KW_DEFAULT_LIGHT, KW_DIFFUSE_LIGHT_COLOR, KW_HEADLIGHT, KW_LIGHT_NAME, KW_LIGHT_STATE,
  KW_LINEAR_ATTENUTATION, KW_POSITION, KW_AIM_AT, KW_QUADRATIC_ATTENUATION,
  KW_SPECULAR_LIGHT_COLOR, KW_SPOT_CUTOFF, KW_SPOT_EXPONENT,  // 116
  KW_MATERIAL_NAME = 119,                                     // to 141
  KW_MODEL_FILE = 144, KW_LIGHT_FILE, KW_MATERIAL_FILE, KW_ROOM_FILE, KW_RENDER_OPTIONS_LIST,
  KW_RENDERER_TYPE,  // 149, the first of the 34 render options, to 182
  KW_CENTER = 185, KW_DIMENSIONS, KW_ORIGIN, KW_ROTATION, KW_ROOM_SHAPE, KW_CEILING, KW_FLOOR,
  KW_WALL1, KW_WALL2, KW_WALL3, KW_WALL4, KW_COPIES, KW_FLIPPED_HORIZONTAL, KW_FLIPPED_VERTICAL,
  KW_OFFSET, KW_SCALE,  // 200
};

// The real that marks a field as not given, and a file without a version.
constexpr double TRQ_UNSET = 4711.4711;
inline bool trq_is_unset(double v) { return v > TRQ_UNSET - 1e-10 && v < TRQ_UNSET + 1e-10; }

// The longest token text; a longer token is an error token.
constexpr int TRQ_TOKEN_MAX = 1023;

struct trq_token {
  int32_t kind;
  union {
    char text[TRQ_TOKEN_MAX + 1];  // strings, words and keywords
    double real;                   // reals and versions
    int32_t integer;               // integers
  };
};

extern FILE* trq_infile;  // the stream that TrqLex reads
extern trq_token trq_data;

// Opens a regular file for reading into a stream (null for anything else:
// a folder, a FIFO or a device is never waited on) and resets the lexer.
FILE* trq_open_input(const char* path);

// Opens a file into trq_infile and reads its first token. A version word
// gives *version and the token after it; without one the version is unset
// and the first token is the file's first keyword. False: not opened.
bool trq_begin_read(const char* path, double* version, int* kind);
void trq_end_read();

int TrqLex();
int is_keyword(const char* word);  // the keyword code, or 99
bool is_version();                 // the token text is "V" and a version number

// Value readers: 0 taken, 1 the next token is of another kind, 3 refused.
// The rejected token stays in trq_data.
struct trq_real_range {
  double min, max;
};
struct trq_integer_range {
  int32_t min, max;
};
int TrqAddValS(char** field, std::span<const char* const> choices);
inline int TrqAddValS(char** field, std::initializer_list<const char*> choices = {}) {
  return TrqAddValS(field, std::span<const char* const>(choices.begin(), choices.size()));
}
// n = defaults.size() values; ranges empty or one per value. On a failure
// every element takes its default.
int TrqAddValF(double* field, std::span<const double> defaults, std::span<const trq_real_range> ranges = {});
int TrqAddValI(int32_t* field, std::span<const int32_t> defaults,
               std::span<const trq_integer_range> ranges = {});
int TrqAddValB(int32_t* field, std::initializer_list<int32_t> allowed = {0, 1});

void TrqComInitS(char** field, const char* text);
void TrqComInitArrF(double* field, std::initializer_list<double> values);
bool TrqIsDefaultArrF(long n, const double* values);
void copy_string(char** field, const char* text);

// The text form of keyword `code` (null for a code without one).
const char* trq_keyword_text(int code);

// A render-setup file being written: through a temporary that replaces the
// target only when everything was written. A value that would not read back
// as written (a name with a quote or line break, a real that is not finite)
// refuses the whole file.
struct trq_writer {
  atomic_file file;
  bool refused;
};
bool trq_create(trq_writer* out, const char* path);  // false: not created
// 0 written, 1 refused or failed (the old file stays, no temporary is left).
int trq_finish(trq_writer* out);
void trq_version(trq_writer* out, double version);
// keyword and " %f" for each value; nothing when every value is unset.
void trq_reals(trq_writer* out, int keyword, const double* values, int n);
void trq_integer(trq_writer* out, int keyword, int32_t value);
// keyword and the name in quotes.
void trq_name(trq_writer* out, int keyword, const char* name);
// keyword and the word bare, or quoted where bare it would read otherwise.
void trq_word(trq_writer* out, int keyword, const char* word);
// Whether a word written bare reads back as this one string.
bool trq_bare_word_reads_back(const char* word);

// Printer lines, the keyword padded to 25 columns.
void trq_print_reals(int keyword, const double* values, int n);
void trq_print_integer(int keyword, int32_t value);
void trq_print_text(int keyword, const char* text, bool quoted);
