// The 3D manipulators' common base: access points, coordinate system,
// increments, the process-wide drag state, the view copy they work in and the
// drawing every kind shares.
#pragma once

#include <cstdint>

#include "base/point_vector.h"
#include "view/transforms.h"
#include "view/views.h"

union value;
class Image;
class GUI3D;

// Change and activate callbacks: item number, element index (0 plain, 1..
// array element), the edit-variable values or null.
using GUI3DCallback = void (*)(uint32_t item, uint32_t element, const value* values);

// Members of a manipulator that an access point calls.
using GUI3DPosition = Point (GUI3D::*)() const;
using GUI3DAction = void (GUI3D::*)(TekPoint pointer);
using GUI3DDrawing = void (GUI3D::*)();

// A subclass's member as one of the base's, for the access-point table.
template <class T>
GUI3DPosition gui3d_position(Point (T::*f)() const) {
  return static_cast<GUI3DPosition>(f);
}
template <class T>
GUI3DAction gui3d_action(void (T::*f)(TekPoint)) {
  return static_cast<GUI3DAction>(f);
}
template <class T>
GUI3DDrawing gui3d_drawing(void (T::*f)()) {
  return static_cast<GUI3DDrawing>(f);
}

// Global access point numbers by kind: first and last (the image) of each range.
enum : uint8_t {
  AP_BEAM_LIGHT = 1,   // 1-2
  AP_CLIP_PLANE = 3,   // 3-6
  AP_DIRECTION = 7,    // 7-10
  AP_GRID = 11,        // 11-12
  AP_POINT = 13,       // 13-14
  AP_RECTANGLE = 15,   // 15-25
  AP_POINT_LIGHT = 26, // 26-27
  AP_RULER2D = 28,     // 28-29
  AP_RULER3D = 30,     // 30-31
  AP_SPOT_LIGHT = 32,  // 32-35
  AP_VECTOR = 36,      // 36-41
  AP_WORK_PLANE = 42,  // 42-50
  AP_WORLD_AXIS = 51,  // 51-54
  AP_LAST = 54,
};

// One grab handle. Index 0 of the arrays is button 1, index 1 button 2.
struct GUI3DAccessPointEntry {
  bool enabled;  // offered and its bit in the disabled mask clear
  bool offered;  // the kind's own condition (its variant, the image's presence)
  GUI3DPosition position;
  bool drag[2];  // true: the action runs at every motion and the release; false: once at the press
  GUI3DAction action[2];
  GUI3DDrawing drawing[2];  // while a drag with that button runs
  GUI3DDrawing extent[2];   // widens the symbol box while that drag runs; null for none
};

// The access points of one manipulator, numbered first .. first + count - 1.
class GUI3DAccessPoint {
 public:
  GUI3DAccessPoint(uint8_t first, uint8_t count);
  ~GUI3DAccessPoint();
  GUI3DAccessPoint(const GUI3DAccessPoint&) = delete;
  GUI3DAccessPoint& operator=(const GUI3DAccessPoint&) = delete;

  // Fills the entry of `number`; a number outside the range is an internal error.
  void init(uint8_t number, bool active, GUI3DPosition position, bool drag1, GUI3DAction action1,
            GUI3DDrawing drawing1, GUI3DDrawing extent1, bool drag2, GUI3DAction action2,
            GUI3DDrawing drawing2, GUI3DDrawing extent2);
  bool contains(uint32_t number) const { return number >= first && number < uint32_t(first) + count; }
  uint8_t last() const { return uint8_t(first + count - 1); }
  // The entry of a number in range.
  GUI3DAccessPointEntry& entry(uint8_t number) { return entries[number - first]; }
  const GUI3DAccessPointEntry& entry(uint8_t number) const { return entries[number - first]; }
  // Bit of a number in range within the disabled mask.
  uint32_t bit(uint8_t number) const { return 1u << (number - first); }
  // A kind's switch: the entry takes part when offered and its bit is clear.
  void offer(uint8_t number, bool on);

  uint8_t first;
  uint8_t count;
  uint32_t disabled_mask;  // bit i: the i-th access point
  bool image_disabled;     // the image access point's number was given to disable
  GUI3DAccessPointEntry* entries;
};

// The axes along which a manipulator's origin moves.
class CoordinateSystem {
 public:
  enum : uint32_t { OWN = 0, WORLD = 1, GIVEN = 2, VIEW = 3, ABSENT = 4 };

  // Refuses (message set, false) before changing anything; true on a change.
  bool set(uint32_t type, const Vector axes[3], uint32_t mask, const char** message);
  // Each axis whose exemption bit is clear must be of unit length.
  bool verify_coordinate_system(const Vector axes[3], const char** message) const;
  bool exempt(int axis) const { return (mask >> axis) & 1; }

  uint32_t mask = 0;  // bit 0, 1, 2: x, y, z exempt
  uint32_t type = WORLD;
  Vector axis[3] = {Vector(1, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};
};

struct GUI3DIncrements {
  uint32_t angular = 0;  // arc-seconds; 0 free rotation
  float linear = 0;      // model units; 0 free translation
  float motion_scale = 1;
};

class GUI3D {
 public:
  GUI3D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate, uint8_t first_access_point,
        uint8_t access_point_count, bool depth, bool fit, bool refresh);
  GUI3D(const GUI3D&) = delete;
  GUI3D& operator=(const GUI3D&) = delete;

  // ---- Virtual slots, in order ----
  virtual void update_edit_vars(value* values);
  virtual void reset_symbol_minmax() = 0;
  virtual void update_symbol_parameter();
  virtual void compute_minmax() = 0;
  virtual Point get_symbol_reference() const = 0;
  virtual void delete_texture();
  virtual void draw_symbol(bool lit, float transparency) = 0;
  virtual void draw_handles(float transparency);
  virtual void handle_button_press(uint8_t button, int x, int y, bool* handled, bool* grabbed);
  virtual void handle_button_release(uint8_t button, int x, int y, bool* handled);
  virtual void handle_motion_notify(int x, int y);
  // Access points within 50 tek units: the nearest (up to 11 tied) in numbers/positions.
  virtual bool near_me(TekPoint pointer, uint32_t& distance, uint32_t& count, uint8_t* numbers,
                       TekPoint* positions);
  virtual bool set_color(uint32_t rgb);
  virtual bool set_configuration(uint32_t configuration);
  virtual bool set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message);
  virtual bool set_disabled_access_points(uint32_t count, const uint32_t* numbers, const char** message);
  virtual bool set_edit_vars(const value* values, const char** message) = 0;
  virtual bool set_highlight_border(bool on);
  virtual bool set_rotation(float x, float y, float z, uint32_t kind, const char** message);
  virtual bool set_texture(bool on, const char* name, float a, float b, float c, float d, float e, float f,
                           float g, const char** message);
  virtual ~GUI3D();

  // ---- Setters and callbacks ----
  void set_image(Image* image);
  bool set_increment_angular(uint32_t arc_seconds);
  bool set_increment_linear(float increment);
  bool set_motion_scale(float scale);
  void call_change_callback();
  void call_activate_callback(bool with_values);
  // Copies the current view, its viewport, viewing matrix and offscreen alias into view_.
  static void set_view();
  // The same from a given view (the one being drawn).
  static void set_view(const view_type* view);

  void update_symbol_minmax(const Point& p);
  static float clip_to_plus_minus_one(float f);
  static void convert_int_to_rgb(uint32_t rgb, float (&out)[3]);
  Point coord_image() const;
  void no_action(TekPoint) {}
  void draw_nothing() {}
  // The image, if any, in the colour at a model position.
  void draw_image(float x, float y, float z, const float* colour);
  void draw_translation_line(const Point& a, const Point& b);
  // The manipulator's extent under the drag of the selected access point, if any.
  void add_drag_extent();
  // The drawing of the drag in progress on this manipulator, if any.
  void draw_drag();

  // ---- Drag geometry ----
  void translate_along_vector(const Point& point, const Vector& direction, TekPoint pointer, Point* result);
  void translate_along_vector_constraint(const Point& start, const Point& current, const Vector& direction,
                                         TekPoint pointer, Point* result);
  // Fails (false) until a direction is chosen.
  bool define_translation_direction(const Point& point, uint32_t count, const Vector* directions, TekPoint pointer,
                                    uint32_t* chosen);
  void point_on_sphere(const Point& centre, float radius, const Vector& axis, TekPoint pointer, Point* result);
  bool point_on_circle(const Point& centre, float radius, const Vector& u, const Vector& v, TekPoint pointer,
                       float from, float to, Point* result, float* distance);
  bool rotate_on_circle(TekPoint pointer, const Point& centre, const Vector& u, const Vector& v, const Vector& w,
                        float radius, bool inside, Vector* new_u);
  void rotate_u_around_w(TekPoint pointer, const Point& centre, const Vector& u, const Vector& v, const Vector& w,
                         float radius, Vector* new_u, Vector* new_v);
  static void define_rotation_angle_increment(const Vector& u_start, const Vector& v_start, const Vector& u,
                                              float increment, Vector* result);
  static void define_scaled_rotation_angle(const Vector& u_start, const Vector& v_start, const Vector& w,
                                           const Vector& u_last, const Vector& u_new, float scale,
                                           float accumulated, float* new_accumulated, Vector* result);
  // Turns w (and the axis it spans with) around u or v; updates the three axes.
  void rotate_on_perpendicular_circles(TekPoint pointer, const Point& centre, Vector* u, Vector* v, Vector* w,
                                       float radius);
  // Stores a rotation constraint; true on a change.
  bool set_rotation_data(float x, float y, float z, uint32_t kind, const Vector& z_axis, Vector* x_axis,
                         Vector* y_axis, const char** message);

  // ---- Shared drawing ----
  void draw_rotation_circle(bool active, bool stipple_back, const Point& centre, const Vector& u, const Vector& v,
                            float radius);
  void draw_perpendicular_circles(const Point& centre, const Vector& u, const Vector& v, const Vector& w,
                                  float radius);

  // ---- Class constants ----
  static constexpr float RELATIVE_ARROW_HEAD_LENGTH = 0.02f;
  static constexpr float BLUE[3] = {0, 0, 1};
  static constexpr float GREEN[3] = {0, 1, 0};
  static constexpr float GREY[3] = {0.7490196f, 0.7490196f, 0.7490196f};
  static constexpr float RED[3] = {1, 0, 0};
  static constexpr float WHITE[3] = {1, 1, 1};
  static constexpr float YELLOW[3] = {1, 1, 0};
  static const float COS_VAL[25];  // 0 to 360 degrees in steps of 15
  static const float SIN_VAL[25];
  static constexpr float DRAW_TOL = 1e-6f;
  static constexpr float DEFAULT_TEXT_HEIGHT = 1.0f;
  static constexpr float DEFAULT_TEXT_WIDTH = 0.8f;
  static constexpr float DEFAULT_TEXT_SPACING = 1.2f;

  // ---- Process-wide drag state ----
  static GUI3D* selected_object;
  static bool translation_in_progress;
  static bool rotation_in_progress;
  static uint8_t selected_access_point_index;
  static uint8_t selection_button;
  static TekPoint pick_point_tek;
  static Point position_saved_;
  static Vector translation_vector;
  static Vector rotation_vector;
  static ViewType view_;

  // ---- Fields ----
  uint32_t item_number;
  uint32_t element_index;
  GUI3DCallback change_callback;
  GUI3DCallback activate_callback;
  Image* image = nullptr;
  GUI3DAccessPoint access_points;
  float color[3] = {1, 1, 1};
  Point symbol_min, symbol_max;
  bool depth_flag, fit_flag, refresh_flag;
  CoordinateSystem* coordinate_system;
  uint32_t rotation_constraint = 0;  // 1: a fixed rotation vector was given
  bool outside_change_abort = true;
  GUI3DIncrements* increments;

 protected:
  // The drag in progress with button 2 ignores motion scale and increments.
  static bool scaled_drag() { return selection_button != 2; }
  // Draws with colour and alpha 1 - transparency.
  static void gl_colour(const float* c, float transparency);
};
