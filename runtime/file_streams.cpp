// The nine file streams of YARL code: OPEN, CLOSE, WRITE and READ. Stream
// errors never stop the program: they are the statements' INTEGER results.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/internal_error.h"
#include "platform/files.h"
#include "runtime/application_values.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"

constexpr int N_STREAMS = 9;
constexpr int32_t TOO_MANY_OPEN = -24;
constexpr int32_t BAD_COUNT = -8;
constexpr int32_t COUNT_TOO_LARGE = -9;
constexpr uint32_t DEGREE_MARK = 88;
constexpr uint32_t ANGLE_FORMAT = 103;
constexpr ptrdiff_t NO_WRITE = -2;

static FILE* streams[N_STREAMS];
static FILE* stream;
static ptrdiff_t write_start_stack = NO_WRITE;  // slot index above which WRITE values lie
static int32_t stream_error;                  // the statement's result: 0 success

void close_all_streams() {
  for (FILE*& f : streams) {
    if (f != nullptr) fclose(f);
    f = nullptr;
  }
  stream = nullptr;
  write_start_stack = NO_WRITE;
}

static bool set_stream(ident_info* context, int32_t number) {
  if (number < 0 || number >= N_STREAMS || streams[number] == nullptr) {
    error("Bad file number - file not open", 0, context);
    return false;
  }
  stream = streams[number];
  return true;
}

// A failure that the C library reported: its error number, or `fallback`.
static int32_t library_error(int32_t fallback) { return errno != 0 ? errno : fallback; }

const uint8_t* open_op(ident_info*, const uint8_t* pc) {
  char mode[2] = {(sp--)->c, '\0'};
  char* name = sp->s;
  int32_t result = TOO_MANY_OPEN;
  int free_slot = 0;
  while (free_slot < N_STREAMS && streams[free_slot] != nullptr) ++free_slot;
  if (free_slot < N_STREAMS) {
    FILE* f = fopen(name != nullptr ? name : "", mode);
    if (f == nullptr) {
      result = -library_error(EINVAL);
    } else {
      streams[free_slot] = f;
      result = free_slot;
    }
  }
  if (name != nullptr) CheckedFree(name);
  set_int(sp, result);
  return pc;
}

const uint8_t* close_op(ident_info* context, const uint8_t* pc) {
  int32_t number = (sp--)->i;
  if (!set_stream(context, number)) return nullptr;
  fclose(streams[number]);
  streams[number] = nullptr;
  stream = nullptr;
  return pc;
}

const uint8_t* set_stream_op(ident_info* context, const uint8_t* pc) {
  int32_t number = (sp--)->i;
  if (!set_stream(context, number)) return nullptr;
  write_start_stack = sp - sb;
  stream_error = 0;
  return pc;
}

static bool put_text(const char* text, bool line_feed) {
  errno = 0;
  if (fputs(text, stream) == EOF || (line_feed && fputc('\n', stream) == EOF)) {
    stream_error = library_error(EIO);
    return false;
  }
  return true;
}

static bool write_scalar(int kind, value v) {
  char text[ENCODE_BUFFER_SIZE];
  switch (kind) {
    case K_REAL:
    case K_INTEGER:
      encode_value(text, kind, v);
      return put_text(text, true);
    case K_ANGLE: {
      // Files always carry the 'o' mark and format 2; the user's settings come back after.
      value& mark = globals()[DEGREE_MARK].val;
      value& format = globals()[ANGLE_FORMAT].val;
      value saved_mark = mark, saved_format = format;
      mark = integer_value('o');
      format = integer_value(2);
      encode_value(text, kind, v);
      mark = saved_mark;
      format = saved_format;
      return put_text(text, true);
    }
    case K_BOOLEAN:
      return put_text(v.i != 0 ? "1" : "0", true);
    case K_CHARACTER:
      text[0] = v.c;
      text[1] = '\0';
      return put_text(text, false);
    case K_STRING: {
      bool ok = put_text(v.s != nullptr ? v.s : "", true);
      if (v.s != nullptr) CheckedFree(v.s);
      return ok;
    }
    default:
      return true;  // a PICTURE writes nothing
  }
}

const uint8_t* write_op(ident_info*, const uint8_t* pc) {
  int kind = pc[0];
  set_windows_busy(true);
  if (stream == nullptr || write_start_stack == NO_WRITE) internal_error(6746, "ui");
  value* first = sb + write_start_stack + 1;
  int32_t count = int32_t(sp + 1 - first);
  int scalar = kind & 7;
  bool ok = true;
  if (is_array_kind(kind)) {
    char line[24];
    snprintf(line, sizeof line, " %d", count);
    ok = put_text(line, true);
  } else if (count != 1) {
    internal_error(6747, "ui");
  }
  for (value* slot = first; slot <= sp; ++slot) {
    if (ok) ok = write_scalar(scalar, *slot);
    else if (is_owned_kind(scalar)) free_owned(scalar, slot);
  }
  if (ok && fflush(stream) != 0) stream_error = library_error(EIO);
  sp = sb + write_start_stack;
  return pc + 1;
}

const uint8_t* check_stream_op(ident_info*, const uint8_t* pc) {
  if (stream == nullptr) internal_error(2926, "ui");
  if (sp - sb != write_start_stack) internal_error(2928, "ui");
  stream = nullptr;
  write_start_stack = NO_WRITE;
  push_int(stream_error);
  return pc;
}

// Reads one value; false with stream_error set on failure.
static bool read_scalar(int kind, value* out) {
  value v{};
  int32_t failure = 0;
  switch (kind) {
    case K_REAL:
      if (fscanf(stream, "%f", &v.r) != 1) failure = -1;
      break;
    case K_ANGLE: {
      char word[100];
      if (fscanf(stream, "%99s", word) != 1 || decode_value(word, K_ANGLE, &v)) failure = -2;
      break;
    }
    case K_INTEGER: {
      long i;
      if (fscanf(stream, "%ld", &i) != 1) failure = -3;
      else v = integer_value(int32_t(i));
      break;
    }
    case K_BOOLEAN: {
      unsigned long b;
      if (fscanf(stream, "%lu", &b) != 1 || b > 1) failure = -4;
      else v = integer_value(int32_t(b));
      break;
    }
    case K_CHARACTER: {
      int c = fgetc(stream);
      if (c == EOF) failure = -5;
      else v = integer_value(uint8_t(c));
      break;
    }
    case K_STRING: {
      char* line = nullptr;
      size_t capacity = 0;
      ssize_t length = read_line(&line, &capacity, stream);
      if (length < 0) {
        failure = -6;
      } else {
        if (length > 0 && line[length - 1] == '\n') line[length - 1] = '\0';
        v.s = dup_chars(line);
      }
      free(line);
      break;
    }
    default:
      internal_error(4959, "ui");
  }
  if (failure != 0) {
    stream_error = failure;
    return false;
  }
  if (kind <= K_BOOLEAN) {
    int c = fgetc(stream);
    if (c != '\n' && c != EOF) ungetc(c, stream);
  }
  *out = v;
  return true;
}

static void skip_line() {
  int c;
  do c = fgetc(stream);
  while (c != '\n' && c != EOF);
}

// Reads up to `limit` elements (all of them must come unless open) into the array.
static void read_array(ident_info* context, ident_info* variable, uint32_t limit, bool open) {
  int kind = variable->kind - K_ARRAY;
  std::vector<value> elements;
  value v{};
  while (elements.size() < limit) {
    if (open) {
      int c = fgetc(stream);
      if (c == EOF) break;
      ungetc(c, stream);
    }
    if (!read_scalar(kind, &v)) break;
    elements.push_back(v);
  }
  if (!reset_array_size(context, variable, uint32_t(elements.size()))) {
    for (value& e : elements)
      if (is_owned_kind(kind)) free_owned(kind, &e);
    return;
  }
  for (size_t i = 0; i < elements.size(); ++i) variable->val.a[i] = elements[i];
  process_variable_change(context, variable);
}

const uint8_t* read_op(ident_info* context, const uint8_t* pc) {
  set_windows_busy(true);
  uint8_t c = *pc++;
  bool open_last = c >= 128;
  uint32_t n = open_last ? c - 127u : c + 1u;
  ident_info* variables[256];
  for (uint32_t i = 0; i < n; ++i) variables[i] = decode_ref(context, pc, 4958);
  int32_t open_max = open_last ? (sp--)->i : 0;
  int32_t number = (sp--)->i;
  if (!set_stream(context, number)) return nullptr;
  stream_error = 0;
  for (uint32_t i = 0; i < n && stream_error == 0; ++i) {
    ident_info* variable = variables[i];
    if (open_last && i == n - 1) {
      uint32_t limit = open_max < 0 ? 0 : uint32_t(open_max);
      if (limit > variable->word2) limit = variable->word2;
      read_array(context, variable, limit, true);
    } else if (is_array_kind(variable->kind)) {
      unsigned count;
      if (fscanf(stream, "%u", &count) != 1) {
        stream_error = BAD_COUNT;
        break;
      }
      if (count > variable->word2) {
        stream_error = COUNT_TOO_LARGE;
        break;
      }
      skip_line();
      read_array(context, variable, count, false);
    } else {
      value v{};
      if (read_scalar(variable->kind, &v)) change_variable(context, variable, v, true);
    }
  }
  stream = nullptr;
  push_int(stream_error);
  return pc;
}
