// Manipulators on the real server, handled with the real pointer on an X
// server of the test's own: a YARL program with one 3D item over REAL window
// locals whose action reports them to a test application, the graphics
// window found and searched in screenshots, and xdotool gestures on it.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/gui3d_table.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace gui3d_session {

// A window's place on the screen and its size, in pixels.
struct Area {
  int x, y, width, height;
};

// A model point or direction, with the arithmetic the tests' closed forms use.
struct V3 {
  double x, y, z;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline V3 unit(V3 a) { return a * (1 / std::sqrt(dot(a, a))); }
inline V3 from(const double v[3]) { return {v[0], v[1], v[2]}; }

// A place in the graphics window: pixels from its left and from its top.
struct Pixel {
  double x, y;
};

// One 3D item over REAL window locals, in order, with their values at the
// start; with ITEM3D_ACTION its action reports all of them and then 1 when a
// change during a drag started it (ITEM3D_ACTION_ON_CHANGE), else 0, on one
// line, and ends the server unless a change started it or `exit_on_report` is
// false. `stream` is what the application sends the server before it reads
// the reports (a camera, say).
struct ManipulatorItem {
  uint8_t kind = ITEM_POINT;
  std::vector<float> start;
  uint32_t flags = ITEM3D_ACTION;
  bool exit_on_report = true;
  std::string stream;
  // Pushes the values of the item's attributes (COLOR, CONFIGURATION...) after its edit variables.
  std::function<void(yarl::Code&)> attributes;
  // Runs after the report in an action that a change started.
  std::function<void(yarl::Code&)> on_change;
};

// Several items over the locals of one window, each on its own run of them,
// then `extra` further REAL locals; predefined variables the window's initial
// code sets first, what the application sends, and where on the screen the
// window of the locals goes.
struct ManipulatorScene {
  std::vector<ManipulatorItem> items;
  std::vector<float> extra;
  // The window's initial code sets the locals, changing the first one twice,
  // which brings the manipulators' update pass; without it the locals keep
  // the zero they start with (the start values are then left unused).
  bool assign_at_start = true;
  std::vector<std::pair<uint16_t, int32_t>> predefined;
  std::string stream;
  Area locals_window = {1100, 900, 120, 60};
};

// The standard program that starts `app` and holds the items.
yarl::YarlProgram manipulator_program(const std::string& app, const ManipulatorScene& scene);
yarl::YarlProgram manipulator_program(const std::string& app, const ManipulatorItem& item);

// The graphics window: the largest viewable top-level window.
std::optional<Area> graphics_window(Display* d);

// The server's conversion of a window pixel column or row to tek units.
int tek_x(int x, int width);
int tek_y(int y, int height);

// A parallel camera of view 1 over the whole window that looks at the model
// origin, one model unit a tek unit: the model directions to the right, up
// and toward the eye.
struct Camera {
  double right[3], up[3], toward_eye[3];
};
// The camera as the server starts: looking along +y, x to the right, z up.
extern const Camera START_CAMERA;
// Looking down along -z, x to the right, y up: set by the stream below.
extern const Camera FROM_PLUS_Z;
// The application's stream that sets view 1 to FROM_PLUS_Z.
std::string view_from_plus_z();

// A view as the application sets it: its number, viewport corners in tek
// units, reference point, parallel camera and window (model units across
// and up). The camera's directions are those the server derives from the
// vectors sent.
struct View {
  int number;
  int x1, y1, x2, y2;
  double reference[3];
  Camera camera;
  double width, height;
};
// View `number` looking along -toward_eye with `up` (orthogonalised), both
// in thousandths as sent.
View view_of(int number, const int viewport[4], const double reference[3], const long toward_eye[3],
             const long up[3], double width, double height);
// The view over the whole window at the model origin, one model unit a tek unit.
View whole_window_view(const Camera& c);
// RC, RV and UV that make the view current with these settings.
std::string set_view(const View& v);

// Where a model point shows in the view, by the server's rounding of the
// viewport to pixels.
Pixel view_pixel(const Area& window, const View& v, double x, double y, double z);
// Where a model point shows with the camera.
Pixel view_pixel(const Area& window, const Camera& c, double x, double y, double z);
Pixel start_view_pixel(const Area& window, double x, double y, double z);
// The model point under a window pixel in the camera's plane through the
// origin, by the server's conversion of the pixel to tek units.
void model_under(const Area& window, const Camera& c, int x, int y, double out[3]);

// The centre of the pixels within `radius` of `around` (window pixels) that
// `match` accepts; none when there are fewer than `least`.
std::optional<Pixel> find_pixels(const Screenshot& s, const Area& window, Pixel around, int radius,
                                 const std::function<bool(const Rgb&)>& match, int least = 1);

// Runs xdotool on the display; true when it succeeded.
bool xdotool(const std::string& display, const std::string& args);

// A press of `button`, a movement by (dx, dy) pixels (y down) in `steps`
// equal steps, and the release; dx = dy = 0 is a click.
struct Drag {
  int button;
  int dx, dy;
  int steps = 10;
};

// The server on the item's program with the test application `cat > reports`.
class Session {
 public:
  TempDir dir;
  ServerOnOwnDisplay run;
  Area area{};

  // Starts the server and waits for the graphics window and then for a
  // screenshot that `drawn` accepts.
  void start(const ManipulatorItem& item, const std::function<bool(const Screenshot&)>& drawn);
  void start(const ManipulatorScene& scene, const std::function<bool(const Screenshot&)>& drawn);
  // Goes to `at` (window pixels), presses, moves in steps of a tenth, releases.
  void drag(Pixel at, const Drag& g);
  // Line `line` (from 0) the action reported, as `count` numbers; none in `limit`.
  std::optional<std::vector<float>> report(size_t count, size_t line = 0,
                                           std::chrono::steady_clock::duration limit = std::chrono::seconds(30));
  // Every line reported so far, each as its numbers.
  std::vector<std::vector<float>> reports() const;
  // The server ended through the action's exit, its allocations balanced.
  void expect_normal_end();
  std::string x_name() const;
};

}  // namespace gui3d_session
