// A single-line editable text field in a built-in bitmap font: a text cursor,
// a pointer selection, copy, cut and paste through the X selection PRIMARY and
// horizontal scrolling of a text wider than the field.
#pragma once

#include <X11/Xlib.h>

#include "toolkit/ui_top_object.h"

struct BitmapFontRec;

// Which key asks the cycle callback to move the focus.
enum cycle_types { cycle_down = 0, cycle_up = 1, cycle_tab = 2 };

class UITextField : public UITopObject {
 public:
  UITextField(UIWindow* window, long object_id, void (*enter)(long));
  ~UITextField() override;

  // A null text keeps the current one; a width of 0 fits the text.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   const BitmapFontRec* font, bool black_border, bool light_fill, const char* text,
                   void (*activate)(long), bool (*verify)(long),
                   void (*cycle)(long, cycle_types), unsigned long text_color,
                   unsigned long text_background);
  void set_text(const char* text);
  const char* get_text() const { return text; }
  void select_all();
  void set_active();
  void set_cursor_position(int position);

  void insert_string(const char* s);
  void delete_string();
  void update_changed_text();
  void gain_selection();
  // Frees the program's clipboard copy.
  static void release_clipboard();
  // Width in pixels of characters [from, to); 0 when from >= to.
  int text_width(int from, int to) const;
  int xcursor_to_label_index(int x) const;
  // Scrolls so that the cursor shows; returns its offset from the first visible character.
  int calculate_visible_textpart();
  void draw_string(int from, int to) const;
  void draw_cursor(short x, short top, short bottom) const;
  void draw_selection() const;
  void convert_char_to_bitmap(unsigned char c) const;
  void set_color_to_text_background_color() const;
  void update_cursor_selection();

  // Called by the window for its key presses while this field has the focus;
  // false lets the window offer the key to its shortcut callback.
  bool handle_key_press(char ch, unsigned long keysym);
  // Hands out the clipboard copy for a STRING request, else answers with None.
  // Every window answers this way, with or without a focused field.
  static void answer_selection_request(const XSelectionRequestEvent& request);
  // SelectionClear: frees the clipboard unless PRIMARY passed to another window of ours.
  static void handle_selection_clear(Display* display);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  bool (*verify_cb)(long) = nullptr;
  void (*activate_cb)(long) = nullptr;
  void (*cycle_cb)(long, cycle_types) = nullptr;
  int capacity = 10;
  int first_visible = 0;
  int end_visible = 0;
  int length = 0;
  char* text;  // capacity + 1 bytes, terminated at length
  unsigned short whole_text_width = 0;
  const BitmapFontRec* font = nullptr;
  int cursor_index = 0;  // typing inserts before this character
  bool auto_width = false;
  unsigned long text_background = 0xFFFFFF;
  unsigned short minimum_inner_width = 2;

  static UITextField* selection_owner;
  static int selection_begin;
  static int selection_end;
  static char* clipboard;
  static int clipboard_length;
  static int click;
  static int motion_direction;  // 0 undecided, 1 the drag moves the begin, 2 the end

 private:
  bool owns_selection() const { return selection_owner == this; }
  void press(int px, bool shift);
  void drag(int px);
  void paste(const XSelectionEvent& notify);
  bool copy_or_cut(bool cut);
  void grow(int new_length);
  void redraw_if_mapped();
};
