#include "link/gui3d_events.h"

#include <cmath>

#include "base/internal_error.h"
#include "link/gin.h"
#include "link/graphics_input.h"
#include "link/si.h"
#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "runtime/window_record.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "view/drag_geometry.h"
#include "view/gui3d.h"

namespace {

constexpr const char* MODULE = "gui3d_events";
constexpr uint32_t ACCESS_POINT_NUMBER = 107;
constexpr uint32_t NEAR_ACCESS_POINT_MAX_NUMBER = 50;
constexpr uint32_t NEAR_LIMIT = 2501;  // squared tek distance: 50 units is still near
constexpr unsigned ALL_BUTTONS = 0x1f00;

struct NearAccessPoint {
  int32_t item;
  int32_t element;  // -1 for a plain item
  GUI3D* manipulator;
  TekPoint position;
  uint8_t number;
};

int32_t selected_gui3d_number = -1;
int32_t selected_item_index = -1;
int32_t previous_nap_idx = 0;
NearAccessPoint near_access_points[NEAR_ACCESS_POINT_MAX_NUMBER];

}  // namespace

void set_access_point_index(uint8_t number) {
  GUI3D::selected_access_point_index = number;
  put_predef(ACCESS_POINT_NUMBER, number);
  set_gui3d_cursor(number);
}

void end_gui3d_drag() {
  selected_gui3d_number = selected_item_index = -1;
  GUI3D::selected_object = nullptr;
  GUI3D::translation_in_progress = GUI3D::rotation_in_progress = false;
  reset_drag_geometry();
  set_access_point_index(0);
}

static void call_handler_method(const XEvent* event, GUI3D* g, bool* handled, bool* grabbed) {
  switch (event->type) {
    case ButtonPress:
      g->handle_button_press(uint8_t(event->xbutton.button), event->xbutton.x, event->xbutton.y, handled, grabbed);
      if (*handled && event->xbutton.button == 3) UIWindow::ungrab_pointer();
      break;
    case ButtonRelease:
      g->handle_button_release(uint8_t(event->xbutton.button), event->xbutton.x, event->xbutton.y, handled);
      break;
    case MotionNotify:
      g->handle_motion_notify(event->xmotion.x, event->xmotion.y);
      break;
    default:
      break;
  }
}

static bool find_near_access_points(GUI3D* g, TekPoint pointer, int32_t item, int32_t element,
                                    uint32_t& best_distance, uint32_t max, uint32_t& count, NearAccessPoint* list) {
  uint32_t distance, n;
  uint8_t numbers[11];
  TekPoint positions[11];
  if (!g->near_me(pointer, distance, n, numbers, positions)) return false;
  if (distance > best_distance) return false;
  if (distance < best_distance) best_distance = distance, count = 0;
  for (uint32_t i = 0; i < n && count < max; ++i)
    list[count++] = {item, element, g, positions[i], numbers[i]};
  return true;
}

// The search runs only while no button other than a released one is held.
static bool search_wanted(const XEvent* event) {
  switch (event->type) {
    case MotionNotify:
      return (event->xmotion.state & ALL_BUTTONS) == 0;
    case ButtonPress:
      return (event->xbutton.state & ALL_BUTTONS) == 0;
    case ButtonRelease: {
      unsigned b = event->xbutton.button;
      unsigned others = b >= 1 && b <= 5 ? ALL_BUTTONS & ~(1u << (7 + b)) : ALL_BUTTONS;
      return (event->xbutton.state & others) == 0;
    }
    default:
      return false;
  }
}

// The position in the list of tied candidates that the pointer's direction
// around the first one's position selects, counter-clockwise from +x.
static uint32_t tie_sector(TekPoint pointer, uint32_t count) {
  if (count < 2) return 0;
  float vx = float(int32_t(pointer.x) - near_access_points[0].position.x);
  float vy = float(int32_t(pointer.y) - near_access_points[0].position.y);
  float length = std::sqrt(vx * vx + vy * vy);
  if (length == 0) return 0;
  float a = std::acos(GUI3D::clip_to_plus_minus_one(vx / length));
  if (vy < 0) a = 6.2831855f - a;
  uint32_t index = uint32_t(a / (6.2831855f / float(count)));
  return index < count ? index : count - 1;
}

static bool window_busy(uint32_t identifier) {
  window_record* w = record_of(&globals()[identifier]);
  return w != nullptr && w->ui_window != nullptr && w->ui_window->busy;
}

// The nearest access points over all manipulators, in item and element order.
static uint32_t collect_candidates(TekPoint pointer) {
  uint32_t best = NEAR_LIMIT, count = 0;
  for (uint32_t n = 0; n < gui3d_item_count(); ++n) {
    int32_t elements = gui3d_element_count(n);
    for (int32_t j = elements < 0 ? -1 : 0; j < (elements < 0 ? 0 : elements); ++j)
      if (GUI3D* g = find_gui3d(n, j))
        find_near_access_points(g, pointer, int32_t(n), j, best, NEAR_ACCESS_POINT_MAX_NUMBER, count,
                                near_access_points);
  }
  return count;
}

bool handle_gui3d_event(const XEvent* event) {
  GUI3D::set_view();
  bool handled = false, grabbed = false;
  if (selected_gui3d_number != -1) {
    GUI3D* g = find_gui3d(uint32_t(selected_gui3d_number), selected_item_index);
    if (g == nullptr) {
      end_gui3d_drag();
    } else {
      call_handler_method(event, g, &handled, &grabbed);
      if (grabbed) return true;
      if (handled) {
        if (event->type != ButtonRelease) internal_error(183, MODULE);
        selected_gui3d_number = selected_item_index = -1;
        set_repaint(true);
      }
    }
  }
  if (selected_gui3d_number != -1 || window_busy(1)) return handled;
  if (!search_wanted(event)) {
    set_access_point_index(0);
    return handled;
  }
  int x = event->type == MotionNotify ? event->xmotion.x : event->xbutton.x;
  int y = event->type == MotionNotify ? event->xmotion.y : event->xbutton.y;
  uint32_t packed = window_to_tek(x, y);
  TekPoint pointer = {uint16_t(packed & 0xFFFF), uint16_t(packed >> 16)};
  uint32_t count = collect_candidates(pointer);
  if (count == 0) {
    set_access_point_index(0);
    return handled;
  }
  uint32_t chosen = tie_sector(pointer, count);
  const NearAccessPoint& c = near_access_points[chosen];
  if (window_busy(gui3d_fields_of(gui3d_item(uint32_t(c.item))).window)) {
    GUI3D::selected_access_point_index = 0;
    put_predef(ACCESS_POINT_NUMBER, 0);
    if (UIWindow* ui = graphics_ui_window()) ui->set_cursor(AppContext->graphics_watch_cursor);
    return handled;
  }
  set_access_point_index(c.number);
  previous_nap_idx = int32_t(chosen);
  if (event->type == MotionNotify || handled) return true;
  bool pressed = false;
  call_handler_method(event, c.manipulator, &pressed, &grabbed);
  if (grabbed) {
    selected_gui3d_number = c.item;
    selected_item_index = c.element;
    set_repaint(true);
    return true;
  }
  return pressed;
}
