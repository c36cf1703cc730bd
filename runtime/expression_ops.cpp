// The expression handlers: arithmetic, logic, comparisons, conversions,
// string functions, checks and array constructors on the operand stack.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "runtime/encode_value.h"
#include "runtime/op_handlers.h"
#include "runtime/run_time_errors.h"

constexpr int32_t FULL_TURN = 1296000;               // arc-seconds
constexpr double ARC_SECOND = 4.84813681109536e-6;  // radians

// Beyond a full turn either way: the remainder, with the sign of a.
static int32_t wrap_angle(int32_t a) { return a < -FULL_TURN || a > FULL_TURN ? a % FULL_TURN : a; }

// Truncation toward zero, clamped to the 32-bit range; NaN gives 0.
static int32_t saturate(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483648.0) return INT32_MAX;
  if (d <= -2147483649.0) return INT32_MIN;
  return int32_t(d);
}

// Binary operations: the right operand is popped, the result replaces the left.
#define BINARY(name, ...)                                 \
  const uint8_t* name(ident_info* context, const uint8_t* pc) { \
    value* l = sp - 1;                                    \
    value r = *sp--;                                      \
    (void)context;                                        \
    __VA_ARGS__;                                               \
    return pc;                                            \
  }

static uint32_t u(const value* v) { return v->u; }

BINARY(add_integer_op, set_int(l, int32_t(u(l) + r.u)))
BINARY(sub_integer_op, set_int(l, int32_t(u(l) - r.u)))
BINARY(mul_integer_op, set_int(l, int32_t(u(l) * r.u)))
BINARY(div_integer_op, {
  if (r.i == 0) error("integer division by zero", 0, context);
  else if (r.i == -1) set_int(l, int32_t(0u - u(l)));
  else set_int(l, l->i / r.i);
})
BINARY(mod_op, {
  if (r.i == 0) error("integer modulo by zero", 0, context);
  else if (r.i == -1) set_int(l, 0);
  else set_int(l, l->i % r.i);
})

BINARY(add_real_op, set_real(l, float(double(l->r) + double(r.r))))
BINARY(sub_real_op, set_real(l, float(double(l->r) - double(r.r))))
BINARY(mul_real_op, set_real(l, float(double(l->r) * double(r.r))))
BINARY(div_real_op, {
  if (r.r == 0.0f) error("real divided by 0.0", 0, context);
  else set_real(l, float(double(l->r) / double(r.r)));
})
BINARY(power_op, {
  double base = l->r, exponent = r.r;
  if (base == 0.0 && exponent <= 0.0) error("Zero raised to exponent <= zero", 0, context);
  else if (base < 0.0 && exponent != std::floor(exponent))
    error("Negative base raised to non-integer exponent", 0, context);
  else set_real(l, float(std::pow(base, exponent)));
})

BINARY(add_angle_op, set_int(l, wrap_angle(int32_t(u(l) + r.u))))
BINARY(sub_angle_op, set_int(l, wrap_angle(int32_t(u(l) - r.u))))
BINARY(mul_angle_real_op, set_int(l, saturate(double(l->i) * double(r.r))))
BINARY(mul_real_angle_op, set_int(l, saturate(double(l->r) * double(r.i))))
BINARY(div_angle_real_op, {
  if (r.r == 0.0f) error("angle divided by 0.0", 0, context);
  else set_int(l, saturate(double(l->i) / double(r.r)));
})
BINARY(div_angle_op, {
  if (r.i == 0) error("angle divided by 0", 0, context);
  else set_real(l, float(double(l->i) / double(r.i)));
})

BINARY(and_op, set_int(l, l->i != 0 && r.i != 0))
BINARY(or_op, set_int(l, l->i != 0 || r.i != 0))
BINARY(bit_and_op, set_int(l, int32_t(u(l) & r.u)))
BINARY(bit_or_op, set_int(l, int32_t(u(l) | r.u)))
BINARY(bit_xor_op, set_int(l, int32_t(u(l) ^ r.u)))
BINARY(shl_op, {
  if (r.u > 31) error("Shift count out of range", 0, context);
  set_int(l, int32_t(u(l) << (r.u & 31)));
})
BINARY(shr_op, {
  if (r.u > 31) error("Shift count out of range", 0, context);
  set_int(l, l->i >> (r.u & 31));
})

// ---- Unary functions ----

const uint8_t* abs_op(ident_info*, const uint8_t* pc) {
  if (pc[0] == K_REAL) {
    if (sp->r < 0.0f) set_real(sp, -sp->r);
  } else if (sp->i < 0) {
    set_int(sp, int32_t(0u - sp->u));
  }
  return pc + 1;
}

const uint8_t* sin_op(ident_info*, const uint8_t* pc) {
  set_real(sp, float(std::sin(double(sp->i) * ARC_SECOND)));
  return pc;
}

const uint8_t* arcsin_op(ident_info* context, const uint8_t* pc) {
  double x = sp->r;
  if (!(x >= -1.0 && x <= 1.0)) error("Argument to ARCSIN out of range", 0, context);
  else set_int(sp, int32_t(std::asin(x) / ARC_SECOND));
  return pc;
}

const uint8_t* ln_op(ident_info* context, const uint8_t* pc) {
  if (sp->r <= 0.0f) error("Argument to LN <= 0", 0, context);
  else set_real(sp, float(std::log(double(sp->r))));
  return pc;
}

const uint8_t* sqrt_op(ident_info* context, const uint8_t* pc) {
  if (sp->r < 0.0f) error("Negative argument to SQRT", 0, context);
  else set_real(sp, float(std::sqrt(double(sp->r))));
  return pc;
}

const uint8_t* not_op(ident_info*, const uint8_t* pc) {
  set_int(sp, sp->i == 0);
  return pc;
}

// ---- Comparisons ----

// INTEGER, the common case, is compared in place.
template <typename Holds>
static inline const uint8_t* comparison(const uint8_t* pc, Holds holds) {
  int kind = pc[0];
  value r = *sp--;
  value* l = sp;
  int result = kind == K_INTEGER ? (l->i > r.i) - (l->i < r.i) : compare(kind, *l, r);
  if (is_owned_kind(kind)) {
    free_owned(kind, &r);
    free_owned(kind, l);
  }
  set_int(l, holds(result));
  return pc + 1;
}

const uint8_t* eq_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c == 0; }); }
const uint8_t* ne_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c != 0; }); }
const uint8_t* lt_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c < 0; }); }
const uint8_t* le_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c <= 0; }); }
const uint8_t* gt_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c > 0; }); }
const uint8_t* ge_op(ident_info*, const uint8_t* pc) { return comparison(pc, [](int c) { return c >= 0; }); }

// The top value is the first best; a lower one replaces it only when strictly
// better, so among equal values the last pushed wins.
static const uint8_t* extreme(const uint8_t* pc, int sign) {
  uint32_t n = pc[0];
  int kind = pc[1];
  if (n == 0 || n > used_slots()) internal_error(3105, "evcx");
  value* first = sp - (n - 1);
  value best = *sp;
  for (value* v = sp - 1; v >= first; --v) {
    if (compare(kind, *v, best) * sign > 0) {
      if (is_owned_kind(kind)) free_owned(kind, &best);
      best = *v;
    } else if (is_owned_kind(kind)) {
      free_owned(kind, v);
    }
  }
  sp = first;
  *sp = best;
  return pc + 2;
}

const uint8_t* max_op(ident_info*, const uint8_t* pc) { return extreme(pc, 1); }
const uint8_t* min_op(ident_info*, const uint8_t* pc) { return extreme(pc, -1); }

// ---- Conversions ----

const uint8_t* real_op(ident_info*, const uint8_t* pc) {
  set_real(sp, float(sp->i));
  return pc;
}

const uint8_t* integer_op(ident_info* context, const uint8_t* pc) {
  double d = sp->r;
  if (d >= -2147483648.0 && d < 2147483648.0) {
    set_int(sp, int32_t(d));
  } else {
    error("REAL argument to transfer function INTEGER out of range", 0, context);
    set_int(sp, 1);
  }
  return pc;
}

const uint8_t* angle_op(ident_info*, const uint8_t* pc) {
  set_int(sp, wrap_angle(sp->i));
  return pc;
}

const uint8_t* character_op(ident_info* context, const uint8_t* pc) {
  if (sp->i < 0 || sp->i > 255) error("value out of range during conversion to character", 0, context);
  return pc;
}

static value new_string(const char* text, size_t length) {
  value v{};
  v.s = static_cast<char*>(CheckedMalloc(length + 1));
  memcpy(v.s, text, length);
  v.s[length] = '\0';
  return v;
}

const uint8_t* string_op(ident_info* context, const uint8_t* pc) {
  int kind = pc[0];
  if (kind < K_UNDECLARED) {
    if (kind == K_STRING) return pc + 1;
    char text[ENCODE_BUFFER_SIZE];
    int length = encode_value(text, kind, *sp);
    *sp = new_string(text, size_t(length));
    return pc + 1;
  }
  kind -= K_UNDECLARED;
  value text = *sp;
  value result{};
  if (kind == K_CHARACTER) {
    result.i = uint8_t(text.s[0]);
  } else if (decode_value(text.s, kind, &result)) {
    error("Conversion error during type transfer from string", 0, context);
    result = value{};
  }
  free_owned(K_STRING, &text);
  *sp = result;
  return pc + 1;
}

// ---- Strings ----

const uint8_t* length_op(ident_info*, const uint8_t* pc) {
  size_t length = strlen(sp->s);
  free_owned(K_STRING, sp);
  set_int(sp, int32_t(length));
  return pc;
}

const uint8_t* concatenate_strings_op(ident_info*, const uint8_t* pc) {
  value right = *sp--;
  size_t added = strlen(right.s);
  if (added > 0) {
    size_t length = strlen(sp->s);
    sp->s = static_cast<char*>(CheckedRealloc(sp->s, length + added + 1));
    memcpy(sp->s + length, right.s, added + 1);
  }
  free_owned(K_STRING, &right);
  return pc;
}

const uint8_t* index_op(ident_info*, const uint8_t* pc) {
  value pattern = *sp--;
  const char* found = strstr(sp->s, pattern.s);
  int32_t position = found != nullptr ? int32_t(found - sp->s) + 1 : 0;
  free_owned(K_STRING, &pattern);
  free_owned(K_STRING, sp);
  set_int(sp, position);
  return pc;
}

const uint8_t* substring_op(ident_info* context, const uint8_t* pc) {
  int32_t length = sp[0].i, start = sp[-1].i;
  value* text = sp - 2;
  int64_t size = int64_t(strlen(text->s));
  if (length != 0) {
    const char* fault = nullptr;
    if (length < 0) fault = "SUBSTRING length < 0";
    else if (length > size) fault = "SUBSTRING length > string length";
    else if (start < 1) fault = "SUBSTRING start < 1";
    else if (start > size) fault = "SUBSTRING start > string length";
    if (fault != nullptr) {
      // The error empties the stack without knowing its kinds: free the text now.
      free_owned(K_STRING, text);
      sp = text - 1;
      error(fault, 0, context);
      return pc;
    }
  }
  int64_t from = length == 0 ? 0 : start - 1;
  int64_t count = length == 0 ? 0 : std::min<int64_t>(length, size - from);
  value part = new_string(text->s + from, size_t(count));
  free_owned(K_STRING, text);
  sp = text;
  *sp = part;
  return pc;
}

// ---- Checks ----

static void bounds_error(ident_info* context, int32_t index, int32_t low, int32_t high) {
  char message[120];
  snprintf(message, sizeof message, "Array index (%ld) outside declared bounds [%ld:%ld]", long(index),
           long(low), long(high));
  error(message, 0, context);
}

static const uint8_t* check_bounds(ident_info* context, const uint8_t* pc, int64_t extension) {
  int32_t high = sp[0].i, low = sp[-1].i;
  sp -= 2;
  int32_t index = sp->i;
  if (int64_t(index) < int64_t(low) - extension || int64_t(index) > int64_t(high) + extension) {
    bounds_error(context, index, low, high);
    set_int(sp, 0);
  } else {
    set_int(sp, int32_t(uint32_t(index) - uint32_t(low)));
  }
  return pc;
}

const uint8_t* check_bounds_op(ident_info* context, const uint8_t* pc) { return check_bounds(context, pc, 0); }
const uint8_t* check_extended_bounds_op(ident_info* context, const uint8_t* pc) {
  return check_bounds(context, pc, 1);
}

// Reports a value outside [low, high] in the words of its kind; true when outside.
static bool out_of_range(ident_info* context, int kind, value v, value low, value high) {
  char message[160];
  if (kind == K_REAL) {
    if (!(v.r < low.r || v.r > high.r)) return false;
    snprintf(message, sizeof message, "Real value %g outside allowed range %g...%g", double(v.r),
             double(low.r), double(high.r));
  } else {
    if (v.i >= low.i && v.i <= high.i) return false;
    static const char* const formats[] = {
        nullptr,
        "Angle value %ld outside allowed range %ld...%ld",
        "Integer value %ld outside allowed range %ld...%ld",
        "Boolean value %ld outside allowed range %ld...%ld",
    };
    snprintf(message, sizeof message, formats[kind], long(v.i), long(low.i), long(high.i));
  }
  error(message, 0, context);
  return true;
}

const uint8_t* check_ranges_op(ident_info* context, const uint8_t* pc) {
  int kind = pc[0] >= K_ARRAY ? pc[0] - K_ARRAY : pc[0];
  uint32_t n = pc[1];
  if (kind > K_BOOLEAN || pc[0] > K_ARRAY + K_BOOLEAN) internal_error(315, "evcx");
  if (n == 0 || uint64_t(2) * n + (n == 1) > used_slots()) internal_error(316, "evcx");
  value pairs[2 * 255];  // low, high of the first value, then of the next
  sp -= 2 * n;
  memcpy(pairs, sp + 1, sizeof(value) * 2 * n);
  if (n != 1 && used_slots() != n) {
    char message[80];
    snprintf(message, sizeof message, "Array must have %u elements, it has %d", n, int(used_slots()));
    error(message, 0, context);
    uint32_t held = used_slots();
    if (n > held) allocate_stack_space(n - held);
    for (uint32_t i = held; i < n; ++i) sb[i] = value{};
    sp = sb + n - 1;
  }
  value* values = sp - (n - 1);
  for (uint32_t i = 0; i < n; ++i) {
    value low = pairs[2 * i], high = pairs[2 * i + 1];
    if (out_of_range(context, kind, values[i], low, high)) values[i] = low;
  }
  return pc + 2;
}

// ---- Stack structure and array constructors ----

const uint8_t* mark_stack_op(ident_info*, const uint8_t* pc) {
  sm = sp;
  return pc;
}

const uint8_t* push_len_op(ident_info*, const uint8_t* pc) {
  int32_t pushed = int32_t(sp - sm);
  push_int(pushed);
  sm = sp;
  return pc;
}

const uint8_t* dup_op(ident_info*, const uint8_t* pc) {
  int kind = pc[0];
  value v = *sp--;
  int32_t count = (sp--)->i;
  if (count > 0) {
    allocate_stack_space(uint32_t(count));
    for (int32_t i = 0; i < count; ++i) *++sp = is_owned_kind(kind) ? copy_owned(kind, v) : v;
  }
  if (is_owned_kind(kind)) free_owned(kind, &v);
  return pc + 1;
}

const uint8_t* stack_size_op(ident_info*, const uint8_t* pc) {
  push_stack_size(used_slots());
  return pc;
}

// The elements of the innermost constructor lie from slot `s` to `below`.
static uint32_t constructor_start(uint32_t operands) {
  uint32_t s = pop_stack_size();
  if (uint64_t(s) + operands > used_slots()) internal_error(3150, "evcx");
  return s;
}

static void free_range(int kind, value* from, value* to) {
  if (!is_owned_kind(kind)) return;
  for (value* v = from; v < to; ++v) free_owned(kind, v);
}

const uint8_t* stack_element_op(ident_info* context, const uint8_t* pc) {
  int kind = pc[0];
  uint32_t s = constructor_start(1);
  int32_t i = (sp--)->i;
  value* elements = sb + s;
  uint32_t n = uint32_t(sp + 1 - elements);
  if (i < 1 || uint32_t(i) > n) {
    error("Array constructor index out of range", 0, context);
    return pc + 1;
  }
  value chosen = elements[i - 1];
  free_range(kind, elements, elements + i - 1);
  free_range(kind, elements + i, sp + 1);
  sp = elements;
  *sp = chosen;
  return pc + 1;
}

const uint8_t* stack_slice_op(ident_info* context, const uint8_t* pc) {
  int kind = pc[0];
  uint32_t s = constructor_start(2);
  int32_t last = sp[0].i, first = sp[-1].i;
  sp -= 2;
  value* elements = sb + s;
  int64_t n = sp + 1 - elements;
  if (int64_t(first) > int64_t(last) + 1) {
    error("First index > last index+1 in array constructor slice", 0, context);
    return pc + 1;
  }
  if (int64_t(first) == int64_t(last) + 1) {
    free_range(kind, elements, sp + 1);
    sp = elements - 1;
    return pc + 1;
  }
  if (first < 1 || last < 1 || first > n || last > n) {
    error("Array constructor index out of range", 0, context);
    return pc + 1;
  }
  free_range(kind, elements, elements + first - 1);
  free_range(kind, elements + last, sp + 1);
  uint32_t kept = uint32_t(last - first + 1);
  memmove(elements, elements + first - 1, kept * sizeof(value));
  sp = elements + kept - 1;
  return pc + 1;
}
