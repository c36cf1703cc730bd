#include "toolkit/ui_text_field.h"

#include <GL/gl.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

UITextField* UITextField::selection_owner = nullptr;
int UITextField::selection_begin = 0;
int UITextField::selection_end = 0;
char* UITextField::clipboard = nullptr;
int UITextField::clipboard_length = 0;
int UITextField::click = 0;
int UITextField::motion_direction = 0;

namespace {
XGLContext* gl() { return XGLContext::current_context; }

void set_rgb_word(unsigned long word) {
  if (word == transparent_colour_word) {
    gl()->set_gl_color_to_transparent();
  } else {
    gl()->set_gl_color(float((word >> 16) & 0xFF) / 255, float((word >> 8) & 0xFF) / 255,
                       float(word & 0xFF) / 255);
  }
}

// Keys that stand for a character of their own.
struct KeyCharacter {
  unsigned long keysym;
  char character;
};
constexpr KeyCharacter key_characters[] = {
    {0xFF08, 8},   {0xFF63, ' '}, {0xFF8D, 13},  {0xFF95, '7'}, {0xFF96, '4'}, {0xFF97, '8'},
    {0xFF98, '6'}, {0xFF99, '2'}, {0xFF9A, '9'}, {0xFF9B, '3'}, {0xFF9C, '1'}, {0xFF9D, '5'},
    {0xFF9E, '0'}, {0xFF9F, '.'}, {0xFFAA, '*'}, {0xFFAB, '+'}, {0xFFAD, '-'}, {0xFFAF, '/'},
};

// The x coordinate of the previous press in any field.
int last_click_x = -1;
}  // namespace

UITextField::UITextField(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter), text(checked_new_array<char>(11)) {
  text[0] = 0;
}

UITextField::~UITextField() {
  if (selection_owner == this) selection_owner = nullptr;
  if (window->focused_text_field == this) window->focused_text_field = nullptr;
  // The clipboard goes with the window that hands it out, not with any field.
  if (clipboard != nullptr && window->x_window != 0 &&
      XGetSelectionOwner(window->display, XA_PRIMARY) == window->x_window) {
    release_clipboard();
  }
  CheckedFree(text);
}

int UITextField::text_width(int from, int to) const {
  if (font == nullptr) return 0;
  float w = 0;
  for (int i = from; i < to; ++i) {
    if (const BitmapCharRec* g = font->glyph(static_cast<unsigned char>(text[i]))) {
      w = float(int(w + g->advance));
    }
  }
  return int(w);
}

void UITextField::grow(int new_length) {
  if (capacity >= new_length) return;
  text = static_cast<char*>(CheckedRealloc(text, size_t(new_length) + 1));
  capacity = new_length;
}

void UITextField::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                              const BitmapFontRec* font_, bool black_border_, bool light_fill_,
                              const char* new_text, void (*activate)(long), bool (*verify)(long),
                              void (*cycle)(long, cycle_types), unsigned long text_color,
                              unsigned long text_background_) {
  bool changed = false;
  if (new_text != nullptr) {
    int n = int(strlen(new_text));
    if (n != length || memcmp(new_text, text, size_t(n)) != 0) {
      grow(n);
      memcpy(text, new_text, size_t(n) + 1);
      length = n;
      set_cursor_position(length);
      if (font_ == font) whole_text_width = static_cast<unsigned short>(text_width(0, length));
      changed = true;
    }
  }
  if (font_ != font) {
    font = font_;
    const BitmapCharRec* underscore = font->glyph('_');
    minimum_inner_width = underscore != nullptr && underscore->advance > width
                              ? static_cast<unsigned short>(2 * underscore->advance + 2)
                              : 2;
    whole_text_width = static_cast<unsigned short>(text_width(0, length));
    changed = true;
  }
  minimum_height = static_cast<unsigned short>(font->line_height + 12);
  minimum_width = static_cast<unsigned short>(minimum_inner_width + 12);
  bool fits = minimum_inner_width < whole_text_width + 2;
  int w = width_ == 0 ? (fits ? whole_text_width + 14 : minimum_inner_width + 12)
                      : std::max<int>(minimum_inner_width + 12, width_);
  int h = std::max<int>(minimum_height, height_);
  if (x_ != x || y_ != y || light_fill_ != light_fill || black_border_ != black_border ||
      text_color != text_colour || text_background_ != text_background ||
      activate != activate_cb || verify != verify_cb || w != width || h != height) {
    if (window->mapped) erase();
    x = x_;
    y = y_;
    light_fill = light_fill_;
    black_border = black_border_;
    text_colour = text_color;
    text_background = text_background_;
    activate_cb = activate;
    verify_cb = verify;
    width = static_cast<unsigned short>(w);
    height = static_cast<unsigned short>(h);
    cycle_cb = cycle;
    auto_width = width_ == 0 && fits;
    cursor = AppContext->cursors[verify != nullptr ? UIAppContext::cursor_xterm
                                                   : UIAppContext::cursor_left_ptr];
    changed = true;
  }
  if (verify_cb == nullptr) {
    if (window->focused_text_field == this) {
      if (cycle_cb != nullptr) cycle_cb(object_id, cycle_down);
      window->focused_text_field = nullptr;
    }
    if (selection_owner == this) selection_owner = nullptr;
  } else if (window->focused_text_field == nullptr) {
    first_visible = 0;
    end_visible = 0;
    select_all();
  }
  if (changed) {
    first_visible = 0;
    end_visible = 0;
    damaged = true;
  }
}

void UITextField::set_text(const char* s) {
  if (s == nullptr) return;
  length = 0;
  text[0] = 0;
  whole_text_width = 0;
  first_visible = 0;
  end_visible = 0;
  set_cursor_position(0);
  insert_string(s);
  update_changed_text();
}

void UITextField::set_active() {
  UITextField* previous = window->focused_text_field;
  if (previous == this) return;
  window->focused_text_field = this;
  if (previous != nullptr) previous->redraw_if_mapped();
  redraw_if_mapped();
}

void UITextField::select_all() {
  set_active();
  gain_selection();
  selection_begin = 0;
  selection_end = length;
  redraw_if_mapped();
}

void UITextField::set_cursor_position(int position) {
  cursor_index = position;
  if (selection_owner == this) selection_owner = nullptr;
  click = 0;
}

void UITextField::gain_selection() {
  UITextField* previous = selection_owner;
  selection_owner = this;
  selection_begin = cursor_index;
  selection_end = cursor_index;
  if (previous != nullptr && previous != this) previous->redraw_if_mapped();
}

void UITextField::release_clipboard() {
  if (clipboard != nullptr) CheckedFree(clipboard);
  clipboard = nullptr;
  clipboard_length = 0;
}

void UITextField::insert_string(const char* s) {
  int n = int(strlen(s));
  bool owned = owns_selection();
  int new_length = length + n - (owned ? selection_end - selection_begin : 0);
  grow(new_length);
  if (owned) {
    int begin = selection_begin;
    int end = selection_end;
    whole_text_width = static_cast<unsigned short>(whole_text_width - text_width(begin, end));
    set_cursor_position(begin);
    if (first_visible > cursor_index) first_visible = cursor_index;
    memmove(text + begin + n, text + end, size_t(length - end));
  } else {
    memmove(text + cursor_index + n, text + cursor_index, size_t(length - cursor_index));
  }
  memcpy(text + cursor_index, s, size_t(n));
  whole_text_width =
      static_cast<unsigned short>(whole_text_width + text_width(cursor_index, cursor_index + n));
  cursor_index += n;
  length = new_length;
  text[length] = 0;
}

void UITextField::delete_string() {
  int count = 1;
  if (owns_selection()) {
    count = selection_end - selection_begin;
    cursor_index = selection_end;
  }
  if (cursor_index <= 0) return;
  count = std::min(count, cursor_index);
  whole_text_width = static_cast<unsigned short>(
      whole_text_width - text_width(cursor_index - count, cursor_index));
  memmove(text + cursor_index - count, text + cursor_index, size_t(length - cursor_index));
  set_cursor_position(cursor_index - count);
  if (first_visible > cursor_index) first_visible = cursor_index;
  length -= count;
  text[length] = 0;
}

void UITextField::update_changed_text() {
  // A field without a verify callback is never edited by the user; the program
  // only sets its text, so there is nobody to ask.
  if (verify_cb != nullptr && verify_cb(object_id) && auto_width) {
    int wanted = std::max<int>(minimum_inner_width, whole_text_width + 2) + 12;
    if (wanted != width) {
      if (window->mapped) {
        erase();
        width = static_cast<unsigned short>(wanted);
        window->repair_objects();
      } else {
        width = static_cast<unsigned short>(wanted);
      }
      return;
    }
  }
  redraw_if_mapped();
}

int UITextField::xcursor_to_label_index(int px) const {
  int index = first_visible;
  int boundary = x + 6;
  while (boundary < px && index < end_visible) {
    boundary += text_width(index, index + 1);
    ++index;
  }
  // Pointing at an edge reaches one character beyond it, so a drag scrolls.
  if (index == first_visible && index > 0) --index;
  else if (index == end_visible && index < length) ++index;
  return index;
}

int UITextField::calculate_visible_textpart() {
  int available = width - 14;
  end_visible = length;
  int offset = text_width(first_visible, cursor_index);
  if (whole_text_width <= available && first_visible == 0) return offset;
  while (first_visible > 0 && text_width(first_visible - 1, first_visible) <
                                  available - text_width(first_visible, length)) {
    --first_visible;
    offset += text_width(first_visible, first_visible + 1);
  }
  if (cursor_index < first_visible) {
    first_visible = cursor_index;
    offset = 0;
  }
  while (offset > available && first_visible < length) {
    offset -= text_width(first_visible, first_visible + 1);
    ++first_visible;
  }
  while (end_visible > cursor_index &&
         text_width(cursor_index, end_visible) > available - offset) {
    --end_visible;
  }
  return offset;
}

void UITextField::convert_char_to_bitmap(unsigned char c) const {
  if (const BitmapCharRec* g = font->glyph(c)) {
    glBitmap(g->width, g->height, g->x_origin, g->y_origin, g->advance, 0, g->bitmap);
  }
}

void UITextField::draw_string(int from, int to) const {
  for (int i = from; i < to; ++i) convert_char_to_bitmap(static_cast<unsigned char>(text[i]));
}

void UITextField::set_color_to_text_background_color() const { set_rgb_word(text_background); }

void UITextField::draw_cursor(short cx, short top, short bottom) const {
  set_color_to_text_color();
  fill(cx, top - 1, cx + 2, bottom + 1);
  glBegin(GL_POINTS);
  glVertex2i(cx - 1, top - 1);
  glVertex2i(cx + 2, top - 1);
  glVertex2i(cx - 1, bottom + 2);
  glVertex2i(cx + 2, bottom + 2);
  glEnd();
}

void UITextField::draw_selection() const {
  if (!owns_selection() || selection_begin == selection_end || font == nullptr) return;
  window->begin_drawing();
  int from = std::max(selection_begin, first_visible);
  int to = std::min(selection_end, end_visible);
  if (from >= to) return;
  int top = y + height - font->line_height - (height - minimum_height) / 2 - 7;
  int bottom = top + font->line_height;
  int left = x + 6 + text_width(first_visible, from);
  set_color_to_text_color();
  fill(left, top, left + text_width(from, to), bottom);
  set_color_to_text_background_color();
  glRasterPos2i(left, bottom);
  draw_string(from, to);
}

void UITextField::update_cursor_selection() { redraw_if_mapped(); }

void UITextField::redraw_if_mapped() {
  if (window->mapped) draw();
}

void UITextField::draw() {
  if (font == nullptr) {
    UIObject::draw();
    return;
  }
  window->begin_drawing();
  background_colour = window->background_colour;
  draw_border();
  draw_shadow(false, 2, 2, short(width - 3), short(height - 3));
  int line = font->line_height;
  int left = x + 6;
  int right = x + width - 6;
  int top = y + height - line - (height - minimum_height) / 2 - 7;
  int bottom = top + line;
  if (light_fill) gl()->set_gl_color(0.86f, 0.86f, 0.86f);
  else set_color_to_background();
  fill(x + 3, y + 2, x + width - 3, top);
  fill(x + 3, y + height - 4, x + width - 3, bottom);
  fill(x + 3, top, left, bottom);
  fill(right, top, x + width - 3, bottom);
  set_color_to_text_background_color();
  fill(left, top, right, bottom);
  int offset = calculate_visible_textpart();
  set_color_to_text_color();
  glRasterPos2i(left, bottom);
  draw_string(first_visible, end_visible);
  if (window->focused_text_field == this) {
    draw_cursor(short(left + offset), short(top), short(bottom));
  }
  draw_selection();
  if (verify_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}

bool UITextField::copy_or_cut(bool cut) {
  if (!owns_selection()) {
    XBell(AppContext->ui_display, 0);
    return false;
  }
  XSetSelectionOwner(window->display, XA_PRIMARY, window->get_window_id(), CurrentTime);
  release_clipboard();
  clipboard_length = selection_end - selection_begin;
  clipboard = checked_new_array<char>(size_t(clipboard_length) + 1);
  memcpy(clipboard, text + selection_begin, size_t(clipboard_length));
  clipboard[clipboard_length] = 0;
  if (cut) {
    delete_string();
    update_changed_text();
  }
  return true;
}

bool UITextField::handle_key_press(char ch, unsigned long keysym) {
  switch (keysym) {
    case 0xFF50:  // Home
      if (cursor_index != 0) set_cursor_position(0);
      redraw_if_mapped();
      return true;
    case 0xFF51:  // Left
      if (cursor_index > 0) set_cursor_position(cursor_index - 1);
      redraw_if_mapped();
      return true;
    case 0xFF53:  // Right
      if (cursor_index < length) set_cursor_position(cursor_index + 1);
      redraw_if_mapped();
      return true;
    case 0xFF57:  // End
      if (cursor_index < length) set_cursor_position(length);
      redraw_if_mapped();
      return true;
    case 0xFFFF:  // Delete
      if (cursor_index < length) {
        set_cursor_position(cursor_index + 1);
        delete_string();
        update_changed_text();
      }
      return true;
    case 0xFF52:  // Up
      if (cycle_cb != nullptr) cycle_cb(object_id, cycle_up);
      break;
    case 0xFF54:  // Down
      if (cycle_cb != nullptr) cycle_cb(object_id, cycle_down);
      break;
    default:
      for (const KeyCharacter& k : key_characters) {
        if (k.keysym == keysym) ch = k.character;
      }
  }
  unsigned char code = static_cast<unsigned char>(ch);
  if (font != nullptr && font->glyph(code) != nullptr) {
    char one[2] = {ch, 0};
    insert_string(one);
    update_changed_text();
    return true;
  }
  switch (code) {
    case 3:  // Ctrl-C
      return copy_or_cut(false);
    case 24:  // Ctrl-X
      return copy_or_cut(true);
    case 8:  // BackSpace, Ctrl-H
      delete_string();
      update_changed_text();
      return true;
    case 9:
      if (cycle_cb == nullptr) return false;
      cycle_cb(object_id, cycle_tab);
      return true;
    case 10:
    case 13:
      if (activate_cb == nullptr) return false;
      activate_cb(object_id);
      return true;
    case 22:  // Ctrl-V: the text arrives with the SelectionNotify
      XConvertSelection(window->display, XA_PRIMARY, XA_STRING, XA_STRING,
                        window->get_window_id(), CurrentTime);
      return true;
    case 27:  // Escape
      set_cursor_position(0);
      length = 0;
      whole_text_width = 0;
      first_visible = 0;
      end_visible = 0;
      text[0] = 0;
      update_changed_text();
      return true;
    default:
      return false;
  }
}

void UITextField::press(int px, bool shift) {
  bool focused = window->focused_text_field == this;
  if (focused && px == last_click_x && click == 1) {
    click = 2;
    gain_selection();
    while (selection_begin > 0 && text[selection_begin - 1] != ' ') --selection_begin;
    while (selection_end < length && text[selection_end] != ' ') ++selection_end;
  } else if (focused && px == last_click_x && click == 2 && owns_selection()) {
    click = 0;
    select_all();
  } else {
    gain_selection();
    int index = xcursor_to_label_index(px);
    if (!(shift && focused)) {
      set_active();
      set_cursor_position(index);
      motion_direction = 0;
      click = 1;
    } else {
      click = 0;
    }
  }
  last_click_x = px;
  redraw_if_mapped();
}

void UITextField::drag(int px) {
  int index = xcursor_to_label_index(px);
  if (index == cursor_index) return;
  if (!owns_selection()) gain_selection();
  switch (motion_direction) {
    case 0:
      if (index > selection_begin) {
        selection_end = index;
        motion_direction = 2;
      } else {
        selection_begin = index;
        motion_direction = 1;
      }
      break;
    case 1:
      selection_begin = index;
      if (selection_end <= index) {
        selection_begin = selection_end;
        selection_end = index;
        motion_direction = 0;
      }
      break;
    default:
      selection_end = index;
      if (index <= selection_begin) {
        selection_end = selection_begin;
        selection_begin = index;
        motion_direction = 0;
      }
  }
  cursor_index = index;
  redraw_if_mapped();
}

void UITextField::answer_selection_request(const XSelectionRequestEvent& request) {
  XSelectionEvent answer = {};
  answer.type = SelectionNotify;
  answer.display = request.display;
  answer.requestor = request.requestor;
  answer.selection = request.selection;
  answer.target = request.target;
  answer.time = request.time;
  answer.property = None;
  if (request.target == XA_STRING && clipboard != nullptr) {
    // Old clients name no property: the target then serves as one.
    Atom property = request.property != None ? request.property : request.target;
    XTextProperty value;
    value.value = reinterpret_cast<unsigned char*>(clipboard);
    value.encoding = XA_STRING;
    value.format = 8;
    value.nitems = static_cast<unsigned long>(clipboard_length);
    XSetTextProperty(request.display, request.requestor, &value, property);
    answer.property = property;
  }
  XEvent event;
  event.xselection = answer;
  XSendEvent(request.display, request.requestor, False, 0, &event);
}

void UITextField::handle_selection_clear(Display* display) {
  // Claiming PRIMARY from another of our windows clears the previous owner
  // after the new copy was made: that copy stays.
  Window owner = XGetSelectionOwner(display, XA_PRIMARY);
  if (owner != None && UIWindow::find_window(owner) != nullptr) return;
  release_clipboard();
}

void UITextField::paste(const XSelectionEvent& notify) {
  XTextProperty value;
  if (notify.property == None ||
      XGetTextProperty(window->display, window->x_window, &value, notify.property) == 0) {
    XBell(AppContext->ui_display, 0);
    return;
  }
  release_clipboard();
  clipboard_length = int(value.nitems);
  clipboard = checked_new_array<char>(size_t(clipboard_length) + 1);
  if (clipboard_length > 0) memcpy(clipboard, value.value, size_t(clipboard_length));
  clipboard[clipboard_length] = 0;
  insert_string(clipboard);
  if (value.value != nullptr) XFree(value.value);
  XDeleteProperty(window->display, window->x_window, notify.property);
  update_changed_text();
}

bool UITextField::handle_event(const XEvent* event) {
  switch (event->type) {
    case ButtonPress:
      if (event->xbutton.button != Button1 || verify_cb == nullptr) return false;
      press(event->xbutton.x, (event->xbutton.state & ShiftMask) != 0);
      return true;
    case MotionNotify:
      if ((event->xmotion.state & Button1Mask) == 0 || verify_cb == nullptr) return false;
      drag(event->xmotion.x);
      return true;
    case SelectionClear:
      handle_selection_clear(window->display);
      return true;
    case SelectionRequest:
      answer_selection_request(event->xselectionrequest);
      return true;
    case SelectionNotify:
      paste(event->xselection);
      return true;
    default:
      return false;
  }
}
