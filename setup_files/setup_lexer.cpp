#include "setup_files/setup_lexer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"
#include "platform/files.h"

FILE* trq_infile;
trq_token trq_data;

namespace {

constexpr int NO_PUSHBACK = -2;
int pushed = NO_PUSHBACK;  // the character that ended the last number or word
int lex_c;

// Keywords 101 to 200; codes without a keyword are null.
const char* const keywords[100] = {
    "light_type", "ambient_light_color", "casts_shadows", "constant_attenuation", "default_light",
    "diffuse_light_color", "headlight", "light_name", "light_state", "linear_attenutation",
    "position", "aim_at", "quadratic_attenuation", "specular_light_color", "spot_cutoff",
    "spot_exponent", nullptr, nullptr,
    // 119: material words, recognised but read by no file reader.
    "material_name", "ambient", "ambient_color", "ambient_map", "backface", "bump_height", "bump_map",
    "decal_intensity", "decal_map", "diffuse", "diffuse_color", "diffuse_map", "glow", "glow_color",
    "glow_intensity", "fresnel_reflections", "index_of_refraction", "intensity", "reflection", "shine",
    "specular_color", "specular_map", "transparency", nullptr, nullptr,
    // 144: the design file.
    "model_file", "light_file", "material_file", "room_file", "render_options_list", "renderer_type",
    "quality_format", "machine_type", "image_format", "image_height", "image_width",
    "model_transparency", "self_shadows", "surface_texture_flag", "render_room", "shade_room",
    "floor_shadows", "reflect_in_floor", "reflect_room_lit", "rendering_quality", "highlight_quality",
    "spotlight_shadows", "sharpen_geometry", "adv_clipping", "sharpen_textures", "rt_bounces",
    "rt_shadows", "rt_jitter_rays", "rt_light_room", "rt_reflections", "rt_reflect_in_floor",
    "rt_reflect_in_wall1", "rt_reflect_in_wall2", "rt_reflect_in_wall3", "rt_reflect_in_wall4",
    "rt_reflect_in_ceiling", "rt_render_room", "rt_resolution", "rt_transparency", nullptr, nullptr,
    // 185: the room file.
    "center", "dimensions", "origin", "rotation", "room_shape", "ceiling", "floor", "wall1", "wall2",
    "wall3", "wall4", "copies", "flipped_horizontal", "flipped_vertical", "offset", "scale",
};

// Keyword codes sorted by their text, for a binary search.
struct keyword_index {
  int codes[100];
  int n = 0;
  keyword_index() {
    for (int i = 0; i < 100; ++i)
      if (keywords[i] != nullptr) codes[n++] = 101 + i;
    std::sort(codes, codes + n, [](int a, int b) { return strcmp(keywords[a - 101], keywords[b - 101]) < 0; });
  }
};

int next_char() {
  if (pushed != NO_PUSHBACK) {
    int c = pushed;
    pushed = NO_PUSHBACK;
    return c;
  }
  // One reader at a time: the stream's lock is not needed per character.
#ifdef _WIN32
  return _getc_nolock(trq_infile);
#else
  return getc_unlocked(trq_infile);
#endif
}

// isgraph of an unsigned char in the C locale, whatever the locale in force.
bool graphic(int c) { return c > 0x20 && c < 0x7F; }
bool digit(int c) { return c >= '0' && c <= '9'; }
bool word_char(int c) { return (c >= 'a' && c <= 'z') || digit(c) || c == '_'; }

int token(int kind) { return trq_data.kind = kind; }

// Appends while there is room; the length goes on counting past it.
struct text_builder {
  int length = 0;
  void add(int c) {
    if (length < TRQ_TOKEN_MAX) trq_data.text[length] = char(c);
    ++length;
  }
  bool fits() const { return length <= TRQ_TOKEN_MAX; }
  void end() { trq_data.text[std::min(length, TRQ_TOKEN_MAX)] = '\0'; }
};

int quoted_string() {
  text_builder text;
  for (;;) {
    lex_c = next_char();
    if (lex_c == EOF) return token(TOKEN_END);
    if (lex_c == '\n') return token(TOKEN_ERROR);
    if (lex_c == '"') break;
    text.add(lex_c);
  }
  text.end();
  return token(text.fits() ? TOKEN_STRING : TOKEN_ERROR);
}

int number(bool negative) {
  text_builder text;
  if (negative) text.add('-');
  bool leading_point = lex_c == '.';
  while (digit(lex_c)) text.add(lex_c), lex_c = next_char();
  bool real = false, bad = false;
  if (lex_c == '.') {
    real = true;
    text.add(lex_c);
    lex_c = next_char();
    bad = leading_point && !digit(lex_c);
    while (digit(lex_c)) text.add(lex_c), lex_c = next_char();
  }
  if (!bad && (lex_c == 'e' || lex_c == 'E')) {
    real = true;
    text.add(lex_c);
    lex_c = next_char();
    if (lex_c == '+' || lex_c == '-') text.add(lex_c), lex_c = next_char();
    bad = !digit(lex_c);
    while (digit(lex_c)) text.add(lex_c), lex_c = next_char();
  }
  pushed = lex_c;
  text.end();
  if (bad || !text.fits()) return token(TOKEN_ERROR);
  errno = 0;
  char* end;
  if (real) {
    double v = strtod(trq_data.text, &end);
    if (errno == ERANGE || *end != '\0') return token(TOKEN_ERROR);
    trq_data.real = v;
    return token(TOKEN_REAL);
  }
  long v = strtol(trq_data.text, &end, 10);
  if (errno == ERANGE || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return token(TOKEN_ERROR);
  trq_data.integer = int32_t(v);
  return token(v == 0 || v == 1 ? TOKEN_FLAG : TOKEN_INTEGER);
}

// A bare word over graphic characters; `text` holds its start.
int bare_word(text_builder& text) {
  while (graphic(lex_c)) text.add(lex_c), lex_c = next_char();
  pushed = lex_c;
  text.end();
  if (!text.fits()) return token(TOKEN_ERROR);
  return token(trq_data.text[0] == 'V' && is_version() ? TOKEN_VERSION : TOKEN_STRING);
}

int lower_case_word() {
  text_builder text;
  while (word_char(lex_c)) text.add(lex_c), lex_c = next_char();
  text.end();
  // A keyword, and a word ended by a blank or control character, consume
  // the character that ended them; before a graphic character a word that
  // is no keyword goes on over punctuation and capitals.
  int code = text.fits() ? is_keyword(trq_data.text) : TOKEN_ERROR;
  if (code != TOKEN_ERROR) return token(code);
  if (graphic(lex_c)) return bare_word(text);
  return token(text.fits() ? TOKEN_STRING : TOKEN_ERROR);
}

}  // namespace

FILE* trq_open_input(const char* path) {
  int fd = open_file(path, FILE_READ_NOWAIT);
  if (fd < 0) return nullptr;
  struct stat info;
  FILE* stream = nullptr;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) stream = fdopen(fd, "r");
  if (stream == nullptr) {
    close_descriptor(fd);
    return nullptr;
  }
  pushed = NO_PUSHBACK;
  return stream;
}

bool trq_begin_read(const char* path, double* version, int* kind) {
  trq_infile = trq_open_input(path);
  if (trq_infile == nullptr) return false;
  *version = TRQ_UNSET;
  *kind = TrqLex();
  if (*kind == TOKEN_VERSION) {
    *version = trq_data.real;
    *kind = TrqLex();
  }
  return true;
}

void trq_end_read() {
  fclose(trq_infile);
  trq_infile = nullptr;
}

int TrqLex() {
  bool negative = false;
  for (;;) {
    lex_c = next_char();
    while (lex_c == ' ' || lex_c == '\t' || lex_c == '\n' || lex_c == '\r') {
      if (lex_c == '\r') {
        lex_c = next_char();
        if (lex_c != '\n') break;  // a lone carriage return: what follows is the token
      }
      lex_c = next_char();
    }
    if (lex_c == '#') {
      while (lex_c != '\n' && lex_c != EOF) lex_c = next_char();
      if (lex_c == EOF) return token(TOKEN_END);
      continue;
    }
    break;
  }
  if (lex_c == EOF) return token(TOKEN_END);
  if (lex_c == '"') return quoted_string();
  if (lex_c == '+' || lex_c == '-') {
    negative = lex_c == '-';
    lex_c = next_char();
    if (lex_c == EOF) return token(TOKEN_END);
    if (lex_c == '"') return quoted_string();
  }
  if (digit(lex_c) || lex_c == '.') return number(negative);
  if (lex_c >= 'a' && lex_c <= 'z') return lower_case_word();
  if (graphic(lex_c) && lex_c != '#') {
    text_builder text;
    return bare_word(text);
  }
  return token(TOKEN_ERROR);
}

int is_keyword(const char* word) {
  static const keyword_index index;
  const int* end = index.codes + index.n;
  const int* found = std::lower_bound(index.codes, end, word,
                                      [](int code, const char* w) { return strcmp(keywords[code - 101], w) < 0; });
  return found != end && strcmp(keywords[*found - 101], word) == 0 ? *found : TOKEN_ERROR;
}

const char* trq_keyword_text(int code) { return code >= 101 && code <= 200 ? keywords[code - 101] : nullptr; }

bool is_version() {
  const char* p = trq_data.text + 1;
  const char* start = p;
  while (digit(*p)) ++p;
  if (p == start || *p != '.') return false;
  ++p;
  while (digit(*p)) ++p;
  if (*p != '\0') return false;
  errno = 0;
  double v = strtod(start, nullptr);
  if (errno == ERANGE) return false;
  trq_data.real = v;
  return true;
}

int TrqAddValS(char** field, std::span<const char* const> choices) {
  if (TrqLex() != TOKEN_STRING) return 1;
  if (*field == nullptr) {
    *field = dup_chars(trq_data.text);
    return 0;
  }
  for (const char* choice : choices)
    if (strcmp(choice, trq_data.text) == 0) {
      copy_string(field, trq_data.text);
      return 0;
    }
  return 3;
}

namespace {

// The real and integer readers: n tokens of the accepted kinds, each in its
// range; at the first failure all n elements take their defaults.
template <typename T, typename Range, typename Accept, typename Value, typename InRange>
int read_values(T* field, std::span<const T> defaults, std::span<const Range> ranges, Accept accept,
                Value value_of, InRange in_range) {
  int result = 0;
  for (size_t i = 0; i < defaults.size() && result == 0; ++i) {
    if (!accept(TrqLex())) {
      result = 1;
    } else {
      field[i] = value_of();
      if (!ranges.empty() && !in_range(field[i], ranges[i])) result = 3;
    }
  }
  if (result != 0) std::copy(defaults.begin(), defaults.end(), field);
  return result;
}

}  // namespace

int TrqAddValF(double* field, std::span<const double> defaults, std::span<const trq_real_range> ranges) {
  return read_values<double>(
      field, defaults, ranges, [](int kind) { return kind == TOKEN_REAL; }, [] { return trq_data.real; },
      [](double v, trq_real_range r) { return v >= r.min - 1e-10 && v <= r.max + 1e-10; });
}

int TrqAddValI(int32_t* field, std::span<const int32_t> defaults, std::span<const trq_integer_range> ranges) {
  return read_values<int32_t>(
      field, defaults, ranges, [](int kind) { return kind == TOKEN_INTEGER || kind == TOKEN_FLAG; },
      [] { return trq_data.integer; }, [](int32_t v, trq_integer_range r) { return v >= r.min && v <= r.max; });
}

int TrqAddValB(int32_t* field, std::initializer_list<int32_t> allowed) {
  if (TrqLex() != TOKEN_FLAG) return 1;
  if (std::find(allowed.begin(), allowed.end(), trq_data.integer) == allowed.end()) return 3;
  *field = trq_data.integer;
  return 0;
}

void TrqComInitS(char** field, const char* text) {
  *field = text == nullptr || text[0] == '\0' ? nullptr : dup_chars(text);
}

void TrqComInitArrF(double* field, std::initializer_list<double> values) {
  std::copy(values.begin(), values.end(), field);
}

bool TrqIsDefaultArrF(long n, const double* values) {
  for (long i = 0; i < n; ++i)
    if (!trq_is_unset(values[i])) return false;
  return true;
}

void copy_string(char** field, const char* text) {
  size_t length = strlen(text);
  if (*field == nullptr) {
    *field = dup_chars(text);
    return;
  }
  if (strlen(*field) < length) *field = static_cast<char*>(CheckedRealloc(*field, length + 1));
  memcpy(*field, text, length + 1);
}

// Writing.

bool trq_create(trq_writer* out, const char* path) {
  out->refused = false;
  return atomic_file_open(&out->file, path) == 0;
}

int trq_finish(trq_writer* out) {
  if (out->refused) {
    atomic_file_abandon(&out->file);
    return 1;
  }
  return atomic_file_commit(&out->file) == 0 ? 0 : 1;
}

void trq_version(trq_writer* out, double version) {
  if (!std::isfinite(version) || version < 0) {
    out->refused = true;  // "V-1.0" would read back as a string
    return;
  }
  fprintf(out->file.stream, "V%f\n", version);
}

void trq_reals(trq_writer* out, int keyword, const double* values, int n) {
  if (TrqIsDefaultArrF(n, values)) return;
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(values[i])) out->refused = true;
  if (out->refused) return;
  fputs(trq_keyword_text(keyword), out->file.stream);
  for (int i = 0; i < n; ++i) fprintf(out->file.stream, " %f", values[i]);
  fputc('\n', out->file.stream);
}

void trq_integer(trq_writer* out, int keyword, int32_t value) {
  fprintf(out->file.stream, "%s %ld\n", trq_keyword_text(keyword), long(value));
}

namespace {

// Whether the text reads back from between quotes as itself.
bool quotable(const char* text) {
  return strpbrk(text, "\"\n\r") == nullptr && strlen(text) <= size_t(TRQ_TOKEN_MAX);
}

}  // namespace

void trq_name(trq_writer* out, int keyword, const char* name) {
  if (!quotable(name)) {
    out->refused = true;
    return;
  }
  fprintf(out->file.stream, "%s \"%s\"\n", trq_keyword_text(keyword), name);
}

bool trq_bare_word_reads_back(const char* word) {
  size_t length = strlen(word);
  if (length == 0 || length > size_t(TRQ_TOKEN_MAX)) return false;
  for (const char* p = word; *p != '\0'; ++p)
    if (!graphic(static_cast<unsigned char>(*p))) return false;
  char first = word[0];
  if (digit(first) || first == '.' || first == '+' || first == '-' || first == '"' || first == '#') return false;
  if (first >= 'a' && first <= 'z') {
    // The lower-case start is a word of its own when it is a keyword.
    size_t n = 0;
    while (word_char(word[n])) ++n;
    char start[TRQ_TOKEN_MAX + 1];
    memcpy(start, word, n);
    start[n] = '\0';
    return is_keyword(start) == TOKEN_ERROR;
  }
  if (first == 'V') {
    const char* p = word + 1;
    const char* digits = p;
    while (digit(*p)) ++p;
    if (p != digits && *p == '.') {
      ++p;
      while (digit(*p)) ++p;
      if (*p == '\0') return false;
    }
  }
  return true;
}

void trq_word(trq_writer* out, int keyword, const char* word) {
  if (trq_bare_word_reads_back(word))
    fprintf(out->file.stream, "%s %s\n", trq_keyword_text(keyword), word);
  else
    trq_name(out, keyword, word);
}

void trq_print_reals(int keyword, const double* values, int n) {
  if (n == 1) {
    printf("%-25s: %g\n", trq_keyword_text(keyword), values[0]);
    return;
  }
  printf("%-25s: ", trq_keyword_text(keyword));
  for (int i = 0; i < n; ++i) printf("%g ", values[i]);
  putchar('\n');
}

void trq_print_integer(int keyword, int32_t value) { printf("%-25s: %ld\n", trq_keyword_text(keyword), long(value)); }

void trq_print_text(int keyword, const char* text, bool quoted) {
  printf(quoted ? "%-25s: \"%s\"\n" : "%-25s: %s\n", trq_keyword_text(keyword), text);
}
