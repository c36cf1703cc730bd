#include "toolkit/ui_option_pop_up.h"

#include <GL/gl.h>

#include <algorithm>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/image.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_menu_button.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

UIOptionPopUp* UIOptionPopUp::open_option_pop_up = nullptr;
UIMenuButton** UIOptionPopUp::pop_up_menu_buttons = nullptr;
unsigned short UIOptionPopUp::number_of_menu_buttons = 0;
bool UIOptionPopUp::mouse_moved = false;

UIOptionPopUp::UIOptionPopUp(UIWindow* window_, long object_id_,
                             Image* (*getter)(long, unsigned short), void (*enter)(long))
    : UIImageObject(window_, object_id_, enter), item_getter(getter) {
  minimum_width = 22;
  minimum_height = 22;
}

UIOptionPopUp::~UIOptionPopUp() {
  if (open_option_pop_up == this) close_pop_up_window();
}

void UIOptionPopUp::reconfigure(short x_, short y_, unsigned short width_,
                                unsigned short height_, unsigned short count_, bool new_items,
                                unsigned short index, bool black_border_, bool light_fill_,
                                unsigned long text_color, unsigned long background,
                                void (*change)(long, unsigned short), bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  count = count_;
  bool changed = new_items || index != current_index || change != change_cb;
  if (new_items || index != current_index || image == nullptr) {
    delete image;
    image = index < count ? item_getter(object_id, index) : nullptr;
    image_serial = image != nullptr ? image->serial : -1;
    int image_height = image != nullptr ? image->height : 0;
    minimum_height = static_cast<unsigned short>(std::max(image_height, 12) + 10);
  }
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || background != background_colour;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  current_index = index;
  change_cb = change;
  cursor = action_cursor(change != nullptr);
  damaged = true;
}

void UIOptionPopUp::draw() {
  draw_border();
  clear_background(3);
  draw_shadow(true, short(width - 3), 2, 2, short(height - 3));
  XGLContext* gl = XGLContext::current_context;
  if (image != nullptr) {
    // Scissor rows count from the window's bottom.
    gl->enable_scissor(true, x + 5, window->height - (y + height - 5), width - 10, height - 10);
    set_color_to_text_color();
    image->draw(float(x + 5), float(y + height - (height - minimum_height) / 2 - 6), 0);
    gl->enable_scissor(false);
  }
  int w = width;
  gl->set_gl_color(0.4f, 0.4f, 0.4f);
  glBegin(GL_TRIANGLES);
  glVertex2i(x + w - 15, y + 7);
  glVertex2i(x + w - 7, y + 7);
  glVertex2i(x + w - 11, y + 11);
  glEnd();
  // Flat shading: each segment takes the colour current at its end vertex.
  glBegin(GL_LINE_STRIP);
  gl->set_gl_color(0, 0, 0);
  glVertex2i(x + w - 15, y + 7);
  glVertex2i(x + w - 7, y + 7);
  gl->set_gl_color(1, 1, 1);
  glVertex2i(x + w - 11, y + 11);
  gl->set_gl_color(0, 0, 0);
  glVertex2i(x + w - 15, y + 7);
  glEnd();
  if (change_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}

bool UIOptionPopUp::handle_event(const XEvent* event) {
  if (event->type != ButtonPress || event->xbutton.button != Button1 || change_cb == nullptr ||
      open_option_pop_up != nullptr) {
    return false;
  }
  int px = event->xbutton.x, py = event->xbutton.y;
  if (!(x + 5 < px && px < x + width - 5 && y + 5 < py && py < y + height - 5)) return false;
  open_pop_up_window();
  return true;
}

void UIOptionPopUp::open_pop_up_window() {
  open_option_pop_up = this;
  mouse_moved = false;
  number_of_menu_buttons = count;
  Image** images = checked_new_array<Image*>(count > 0 ? count : 1);
  int pop_up_width = width, total_height = 0, offset = 0;
  for (unsigned short i = 0; i < count; ++i) {
    images[i] = item_getter(object_id, i);
    int image_width = images[i] != nullptr ? images[i]->width : 0;
    int image_height = images[i] != nullptr ? images[i]->height : 0;
    pop_up_width = std::max(pop_up_width, image_width + 10);
    if (i == current_index) offset = total_height;
    total_height += std::max<int>(image_height + 10, height);
  }
  Display* display = AppContext->ui_display;
  int screen_width = DisplayWidth(display, DefaultScreen(display));
  int screen_height = DisplayHeight(display, DefaultScreen(display));
  pop_up_width = std::min(pop_up_width, screen_width);
  total_height = std::max(std::min(total_height, screen_height), 1);
  int ax, ay;
  window->get_absolute_origin(&ax, &ay);
  // The border of 1 lies outside the origin, so the entries line up with the button.
  int left = std::clamp(ax + x, 0, screen_width - pop_up_width) - 1;
  int top = std::clamp(ay + y - offset, 0, screen_height - total_height) - 1;

  UIWindow* pop_up = window->visual == AppContext->reduced_visual ? AppContext->OverlayPopUp
                                                                  : AppContext->NormalPopUp;
  pop_up->set_size(static_cast<unsigned short>(pop_up_width),
                   static_cast<unsigned short>(total_height));
  pop_up->set_origin(short(left), short(top));
  pop_up->set_border_width(1);
  pop_up->set_background_color(window->background_colour);

  pop_up_menu_buttons = checked_new_array<UIMenuButton*>(count > 0 ? count : 1);
  int running = 0;
  for (unsigned short i = 0; i < count; ++i) {
    int image_height = images[i] != nullptr ? images[i]->height : 0;
    int entry_height = std::max<int>(image_height + 10, height);
    auto* entry = new UIMenuButton(pop_up, i + 1, nullptr);
    entry->reconfigure(0, short(running), static_cast<unsigned short>(pop_up_width),
                       static_cast<unsigned short>(entry_height), i == current_index, false,
                       text_colour, background_colour, images[i], false,
                       UIMenuButton::no_shortcut, activate_menu_button, nullptr);
    pop_up_menu_buttons[i] = entry;
    running += entry_height;
  }
  CheckedFree(images);
  pop_up->make_visible();
  pop_up->grab_pointer();
}

void UIOptionPopUp::activate_menu_button(long id) {
  // The release that ends the opening press, without a motion, does not choose.
  if (!mouse_moved) {
    mouse_moved = true;
    return;
  }
  UIOptionPopUp* option = open_option_pop_up;
  if (option == nullptr) return;
  if (option->change_cb != nullptr) {
    option->change_cb(option->object_id, static_cast<unsigned short>(id - 1));
  }
  close_pop_up_window();
}

void UIOptionPopUp::close_pop_up_window() {
  if (open_option_pop_up == nullptr) return;
  for (unsigned short i = 0; i < number_of_menu_buttons; ++i) delete pop_up_menu_buttons[i];
  CheckedFree(pop_up_menu_buttons);
  pop_up_menu_buttons = nullptr;
  number_of_menu_buttons = 0;
  AppContext->OverlayPopUp->make_invisible();
  AppContext->NormalPopUp->make_invisible();
  open_option_pop_up = nullptr;
}
