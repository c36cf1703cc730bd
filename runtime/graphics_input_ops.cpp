// The YARL graphics-input operations. A window's input statement queues a
// request and suspends the window; one request at a time has its input armed
// in the graphics window, and the event dispatch reports it finished through
// process_graphics_pick, which assigns the points and resumes the window.
#include "runtime/graphics_input_ops.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/graphics_input.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "scene/selection.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_selection_list.h"
#include "toolkit/ui_window.h"

#define QOB_OP(name) const uint8_t* name(ident_info* context, const uint8_t* pc)

namespace {

constexpr const char* MODULE = "ui";
constexpr int BUTTON_BOX_TEXT = 8;

struct pick_queue {
  uint16_t window;  // global index of the waiting window; 0 free
  ident_ref code, first, second;
  ident_ref third, fourth;  // the second point's variables (modes 163, 176)
  uint16_t word4, word5;    // the start point (mode 184)
  uint16_t flags_or_grid;
  uint16_t point_limit;
  uint8_t mode;
  uint8_t cursor;
};

pick_queue pick_queues[N_PICK_QUEUES];
int active_pick_queue = -1;
uint16_t drag_window;  // the window waiting for the drag to end; 0 none
pick_observer observer;

uint16_t index_of(const ident_info* window) { return uint16_t(window - globals()); }

ident_info* window_at(uint16_t index) { return &globals()[index]; }

// Arms the input of the first request in use, if any, and makes it active.
void arm_first_waiting() {
  active_pick_queue = -1;
  for (int i = 0; i < N_PICK_QUEUES; ++i) {
    const pick_queue& q = pick_queues[i];
    if (q.window == 0) continue;
    active_pick_queue = i;
    set_graphics_input(q.mode, q.cursor, q.flags_or_grid, q.point_limit, q.word4, q.word5);
    return;
  }
}

void assign_int(ident_info* window, ident_ref ref, int32_t v) {
  change_variable(window, resolve_ref(window, ref, 8929), integer_value(v), true);
}

void assign_point(ident_info* window, ident_ref x, ident_ref y, uint16_t tx, uint16_t ty) {
  assign_int(window, x, tx);
  assign_int(window, y, ty);
}

void assign_polyline(ident_info* window, ident_ref ref, uint16_t count, const uint16_t* values) {
  ident_info* array = resolve_ref(window, ref, 8929);
  if (!reset_array_size(window, array, count)) return;
  for (uint16_t i = 0; i < count; ++i) array->val.a[i] = integer_value(values[i]);
  process_variable_change(window, array);
}

bool stack_holds(uint32_t n) { return used_slots() >= n; }

}  // namespace

int get_active_pick_queue() { return active_pick_queue; }
uint16_t pick_queue_window(int entry) { return pick_queues[entry].window; }
void set_pick_observer(pick_observer o) { observer = o; }

// ---- Picks ------------------------------------------------------------------------

// Stack operands by mode (top last): 156 flags, cursor; 163 and 176 cursor;
// 183 minimum distance, cursor; 184 start x, start y, cursor.
QOB_OP(screen_input_op) {
  uint8_t mode = pc[-1];
  pick_queue q{};
  q.mode = mode;
  q.code = read_ref(pc);
  q.first = read_ref(pc);
  q.second = read_ref(pc);
  if (mode == GIN_RUBBER_BOX || mode == GIN_RUBBER_LINE) {
    q.third = read_ref(pc);
    q.fourth = read_ref(pc);
  }
  uint32_t operands = mode == GIN_RUBBER_BOX || mode == GIN_RUBBER_LINE ? 1 : mode == GIN_LINE_FROM_POINT ? 3 : 2;
  if (!stack_holds(operands)) internal_error(8930, MODULE);
  uint32_t cursor = sp[0].u & 0xFF;
  switch (mode) {
    case GIN_PICK: q.flags_or_grid = uint16_t(sp[-1].u); break;
    case GIN_RUBBER_BOX:
    case GIN_RUBBER_LINE: break;
    case GIN_POLYLINE: {
      q.flags_or_grid = uint16_t(sp[-1].u);
      uint16_t x_limit = resolve_ref(context, q.first, 8930)->word2;
      uint16_t y_limit = resolve_ref(context, q.second, 8930)->word2;
      q.point_limit = x_limit < y_limit ? x_limit : y_limit;
      break;
    }
    case GIN_LINE_FROM_POINT:
      q.word4 = uint16_t(sp[-2].u);
      q.word5 = uint16_t(sp[-1].u);
      break;
    default: internal_error(8972, MODULE);
  }
  sp -= operands;
  // 132 cursors: with a number beyond them a request could find no free
  // entry and take over the active one of another window.
  if (cursor >= uint32_t(N_CURSORS)) {
    error("Cursor number out of range", 0, context);
    return pc;
  }
  q.cursor = uint8_t(cursor);
  q.window = index_of(context);
  for (pick_queue& other : pick_queues) {
    if (other.window == q.window) clear_queues(context);
    else if (other.window != 0 && other.cursor == q.cursor) clear_queues(window_at(other.window));
  }
  int entry = 0;
  while (entry < N_PICK_QUEUES && pick_queues[entry].window != 0) ++entry;
  if (entry == N_PICK_QUEUES) internal_error(8931, MODULE);  // distinct cursors leave one free
  active_pick_queue = entry;
  set_graphics_input(q.mode, q.cursor, q.flags_or_grid, q.point_limit, q.word4, q.word5);
  pick_queues[entry] = q;
  queue_re_entry(context, statement_offset(pc));
  return nullptr;
}

void process_graphics_pick(uint8_t mode, uint8_t code, uint16_t count, const uint16_t* xs, const uint16_t* ys,
                           bool keep_cursor) {
  if (observer != nullptr) {
    observer(mode, code, count, xs, ys, keep_cursor);
    end_graphics_input(keep_cursor);
    return;
  }
  if (active_pick_queue < 0) internal_error(8929, MODULE);
  pick_queue q = pick_queues[active_pick_queue];
  pick_queues[active_pick_queue].window = 0;
  if (q.mode != mode) internal_error(8932, MODULE);
  ident_info* window = window_at(q.window);
  uint32_t resume = record_of(window)->resume_offset;
  clear_queues(window);
  assign_int(window, q.code, code);
  // Only the points delivered are assigned: an input ended before its first
  // point assigns the code alone, and one point serves as both corners.
  uint16_t n = xs != nullptr && ys != nullptr ? count : 0;
  switch (mode) {
    case GIN_PICK:
      if (n >= 1) assign_point(window, q.first, q.second, xs[0], ys[0]);
      break;
    case GIN_RUBBER_BOX:
    case GIN_RUBBER_LINE:
      if (n >= 1) {
        int last = n >= 2 ? 1 : 0;
        assign_point(window, q.first, q.second, xs[0], ys[0]);
        assign_point(window, q.third, q.fourth, xs[last], ys[last]);
      }
      break;
    case GIN_POLYLINE:
      assign_polyline(window, q.first, n, xs);
      assign_polyline(window, q.second, n, ys);
      break;
    case GIN_LINE_FROM_POINT:
      if (n == 0) break;
      if (xs[0] != q.word4 || ys[0] != q.word5) internal_error(8966, MODULE);
      if (n >= 2) assign_point(window, q.first, q.second, xs[1], ys[1]);
      break;
    default: internal_error(8972, MODULE);
  }
  end_graphics_input(keep_cursor);
  arm_first_waiting();
  interpret_code(window, statement_code(resume), true);
}

void drop_pick_requests(uint16_t window) {
  if (drag_window == window) drag_window = 0;
  bool active_dropped = false;
  for (int i = 0; i < N_PICK_QUEUES; ++i) {
    if (pick_queues[i].window != window) continue;
    pick_queues[i].window = 0;
    if (i == active_pick_queue) active_dropped = true;
  }
  if (!active_dropped) return;
  end_graphics_input(false);
  arm_first_waiting();
}

QOB_OP(abort_graphics_input_op) {
  (void)context;
  for (const pick_queue& q : pick_queues)
    if (q.window != 0) clear_queues(window_at(q.window));
  return pc;
}

// ---- Drag box ---------------------------------------------------------------------

namespace {

constexpr long DRAG_BOX_ID = 3;
constexpr unsigned char PICTURE_IMAGE = 6;

UIWindow* drag_box;  // made on first use, hidden after each drag
UILabel* drag_label;

Image* copy_image(const Image* image) {
  if (image->kind == PICTURE_IMAGE) {
    const ImagePicture* p = static_cast<const ImagePicture*>(image);
    const neutral_picture* from = p->get_picture();
    neutral_picture* copy = new_neutral_picture(from->header, from->width, from->height);
    memcpy(copy->pixels(), from->pixels(), size_t(from->width) * from->height * 4);
    return new ImagePicture(copy, p->get_first_colour(), p->get_second_colour());
  }
  const ImageText* t = static_cast<const ImageText*>(image);
  return new ImageText(t->kind, t->get_matching_font_index(), dup_chars(t->get_text()));
}

}  // namespace

QOB_OP(drag_box_op) {
  if (drag_box == nullptr) {
    drag_box = new UIWindow(true, true, DRAG_BOX_ID, "DragBox", true);
    drag_label = new UILabel(drag_box, 0, nullptr);
  }
  short x = 0, y = 0;
  const Image* image = nullptr;
  UISelectionList::get_entry(&x, &y, &image);
  Image* copy = image != nullptr ? copy_image(image) : nullptr;
  // The label's own border of 2 pixels around the image.
  unsigned short width = copy != nullptr ? uint16_t(copy->width + 4) : 4;
  unsigned short height = copy != nullptr ? uint16_t(copy->height + 4) : 4;
  drag_label->reconfigure(0, 0, width, height, false, false, 0, ImagePicture::transparent_word, false, copy);
  drag_box->set_size(uint16_t(drag_label->x + drag_label->width), uint16_t(drag_label->y + drag_label->height));
  enable_drag_box(drag_box, record_of(context)->ui_window, x, short(y - drag_label->height));
  drag_window = index_of(context);
  queue_re_entry(context, statement_offset(pc));
  return nullptr;
}

void cleanup_graphics_input_ops() {
  delete drag_label;
  delete drag_box;
  drag_label = nullptr;
  drag_box = nullptr;
  drag_window = 0;
  active_pick_queue = -1;
  for (pick_queue& q : pick_queues) q = pick_queue{};
}

void drop_drag_box() {
  if (drag_box != nullptr) drag_box->make_invisible();
  if (drag_window == 0) return;
  re_enter(window_at(drag_window));
}

// ---- Selection --------------------------------------------------------------------

namespace {

// Kinds 1 and 2 and method 1 take a position, methods 2 and 3 a rectangle.
constexpr int POSITION_KIND_LAST = 2, KIND_LAST = 5;
constexpr int BY_POSITION = 1, BY_REGION = 2, BY_REGION_INSIDE = 3;

void store_reals(ident_info* context, ident_info* result, const float* values, uint32_t n) {
  if (!reset_array_size(context, result, n)) return;
  for (uint32_t i = 0; i < n; ++i) {
    value v{};
    v.r = values[i];
    result->val.a[i] = v;
  }
}

}  // namespace

QOB_OP(select_geometry_op) {
  int kind = get_u16(pc);
  pc += 2;
  int method = BY_REGION;
  if (kind < 1 || kind > KIND_LAST) internal_error(3832, MODULE);
  if (kind > POSITION_KIND_LAST) {
    method = get_u16(pc);
    pc += 2;
    if (method < BY_POSITION || method > BY_REGION_INSIDE) internal_error(3825, MODULE);
  }
  bool position = kind <= POSITION_KIND_LAST || method == BY_POSITION;
  uint32_t expected = position ? 2 : 4;
  unsigned long aperture = 0;
  if (method == BY_POSITION && kind > POSITION_KIND_LAST) {
    if (!stack_holds(1)) internal_error(3826, MODULE);
    aperture = (sp--)->u;
  }
  if (!stack_holds(1)) internal_error(3826, MODULE);
  int32_t n = (sp--)->i;
  ident_info* result = decode_ref(context, pc, 3827);
  // The coordinates are the program's list: its count must fit the kind and
  // the stack must hold it.
  if (n < 0 || uint32_t(n) != expected || !stack_holds(uint32_t(n))) {
    if (n > 0) sp -= stack_holds(uint32_t(n)) ? n : int32_t(used_slots());
    error("SELECT_GEOMETRY coordinate count out of range", 0, context);
    return pc;
  }
  unsigned long list[4];
  for (int i = n - 1; i >= 0; --i) list[i] = (sp--)->u;
  if (kind == 1) {
    float point[3];
    select_closest_position(list, point);
    store_reals(context, result, point, 3);
  } else if (kind == 2) {
    result->val = integer_value(select_material_by_position(long(list[0]), long(list[1])));
  } else {
    uint16_t hits = method == BY_POSITION ? select_geometry_by_position(kind, list, aperture)
                                          : select_geometry_by_region(kind, list, method == BY_REGION_INSIDE);
    uint32_t size = 2u * hits;
    if (reset_array_size(context, result, size)) {
      std::vector<unsigned long> ids(size + 2);
      get_selected_segment_ids(ids.data());
      for (uint32_t i = 0; i < size; ++i) result->val.a[i] = integer_value(int32_t(ids[i]));
    }
  }
  process_variable_change(context, result);
  return pc;
}

// ---- Button box -------------------------------------------------------------------

bool format_button_box_value(int kind, value v, char out[ENCODE_BUFFER_SIZE]) {
  switch (kind) {
    case K_INTEGER: {
      int32_t i = v.i;
      if (i > -10000000 && i < 100000000) snprintf(out, ENCODE_BUFFER_SIZE, "%ld", long(i));
      else snprintf(out, ENCODE_BUFFER_SIZE, i >= 100000000 ? "%.3g" : "%.2g", double(float(i)));
      return true;
    }
    case K_REAL: {
      double r = v.r;
      const char* format;
      if (r >= 0)
        format = r >= 1 && r < 1e7        ? "%.7g"
                 : r >= 0.1 && r < 1      ? "%.6g"
                 : r >= 0.01 && r < 0.1   ? "%.5g"
                 : r >= 0.001 && r < 0.01 ? "%.4g"
                                          : "%.3g";
      else
        format = r > -999999.5 && r <= -1    ? "%.6g"
                 : r > -1 && r <= -0.1       ? "%.5g"
                 : r > -0.1 && r <= -0.01    ? "%.4g"
                 : r > -0.01 && r <= -0.001  ? "%.3g"
                                             : "%.2g";
      snprintf(out, ENCODE_BUFFER_SIZE, format, r);
      return true;
    }
    case K_STRING: {
      const char* s = v.s != nullptr ? v.s : "";
      if (strlen(s) > BUTTON_BOX_TEXT) return false;
      snprintf(out, ENCODE_BUFFER_SIZE, "%s", s);
      return true;
    }
    default: encode_value(out, kind, v); return true;
  }
}

QOB_OP(display_button_box_op) {
  uint8_t kind = *pc++;
  if (!stack_holds(1)) internal_error(8933, MODULE);
  value v = *sp--;
  char text[ENCODE_BUFFER_SIZE];
  bool fits = format_button_box_value(kind, v, text);
  if (kind == K_STRING) free_owned(K_STRING, &v);
  if (!fits) {
    error("DISPLAY_BUTTON_BOX string longer than 8 characters", 0, context);
    return pc;
  }
  display_button_box_text(text);
  return pc;
}
