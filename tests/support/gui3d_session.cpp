#include "tests/support/gui3d_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "runtime/tables.h"
#include "tests/support/protocol.h"

namespace gui3d_session {

using namespace std::chrono_literals;
using yarl::WINDOW_LOCAL;

namespace {

constexpr uint8_t REPORT_ASCII = 141, EXIT = 21, SELECTED = 93;

uint32_t bits(float f) {
  uint32_t b;
  memcpy(&b, &f, 4);
  return b;
}

}  // namespace

yarl::YarlProgram manipulator_program(const std::string& app, const ManipulatorScene& scene) {
  yarl::YarlProgram p = program_starting(app);
  std::vector<float> start;
  for (const ManipulatorItem& m : scene.items) start.insert(start.end(), m.start.begin(), m.start.end());
  start.insert(start.end(), scene.extra.begin(), scene.extra.end());
  std::vector<std::string> names;
  for (size_t j = 0; j < start.size(); ++j) names.push_back(std::string("v").append(std::to_string(j)));
  const uint16_t n = uint16_t(names.size());
  std::vector<std::pair<uint8_t, const char*>> locals;
  for (const std::string& name : names) locals.push_back({K_REAL, name.c_str()});
  uint16_t window = yarl::add_window_with_locals(p, "w", locals);
  const uint16_t first_local = p.ident(yarl::GLOBAL, window).count;
  // Shown, so that it runs, small in the corner away from the symbols.
  p.ident(yarl::GLOBAL, window).flags1 |= WINDOW_VISIBLE;
  uint32_t init_at = p.window_initial_code().offset();
  yarl::Code& init = p.window_initial_code();
  for (const auto& [number, v] : scene.predefined) init.push(v).assign(yarl::GLOBAL, number);
  if (scene.assign_at_start) {
    if (n > 0) init.push_long(bits(start[0] + 1)).assign(WINDOW_LOCAL, 0);
    for (uint16_t j = 0; j < n; ++j) init.push_long(bits(start[j])).assign(WINDOW_LOCAL, j);
  }
  const Area& at = scene.locals_window;
  yarl::add_window_geometry(p, at.x, at.y, at.width, at.height);
  p.ident(yarl::GLOBAL, window).code_offset = init_at;
  yarl::Code& c = p.code();
  // Its main menu (the local after the others) holds one label: a shown menu is never empty.
  menu_item label = yarl::make_item(ITEM_LABEL);
  label.value_kind = K_STRING;
  label.head8 = 9;
  label.code_offset = c.offset();
  c.push_string("item").release();
  ident_info& menu = p.ident(WINDOW_LOCAL, uint16_t(first_local + n));
  menu.word6 = 1;
  menu.count = p.add_item(label);
  uint16_t first = 0;
  for (const ManipulatorItem& m_item : scene.items) {
    const uint16_t count = uint16_t(m_item.start.size());
    yarl::Item3D item;
    item.kind = m_item.kind;
    item.window = window;
    item.flags = m_item.flags;
    item.code_offset = c.offset();
    for (uint16_t j = first; j < first + count; ++j) {
      item.edit_vars.push_back(yarl::ref16(WINDOW_LOCAL, j));
      c.push_var(WINDOW_LOCAL, j);
    }
    if (m_item.attributes) m_item.attributes(c);
    c.release();
    item.action_offset = c.offset();
    c.push(0);
    for (uint16_t j = first; j < first + count; ++j) c.push_var(WINDOW_LOCAL, j).push(K_REAL).push_string(" ").push(K_STRING);
    c.op(SELECTED).push(K_INTEGER).push_string("\n").push(K_STRING).op(REPORT_ASCII);
    yarl::Label end = c.label();
    c.op(SELECTED).if_false(end);
    if (m_item.on_change) m_item.on_change(c);
    c.release().bind(end);
    if (m_item.exit_on_report) c.push(0).op(EXIT);
    c.release();
    yarl::add_gui3d_item(p, item);
    first = uint16_t(first + count);
  }
  return p;
}

yarl::YarlProgram manipulator_program(const std::string& app, const ManipulatorItem& item) {
  ManipulatorScene scene;
  scene.items = {item};
  scene.stream = item.stream;
  return manipulator_program(app, scene);
}

std::optional<Area> graphics_window(Display* d) {
  std::optional<Area> found;
  for (const TopLevel& t : viewable_top_levels(d)) {
    const XWindowAttributes& a = t.attributes;
    if (!found || a.width * a.height > found->width * found->height) found = Area{a.x, a.y, a.width, a.height};
  }
  return found;
}

int tek_x(int x, int width) { return x * 4095 / width; }
int tek_y(int y, int height) { return (height - y) * 3276 / height; }

const Camera START_CAMERA = {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
const Camera FROM_PLUS_Z = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

namespace {

void put(V3 v, double out[3]) { out[0] = v.x, out[1] = v.y, out[2] = v.z; }

long milli(double v) { return std::lround(v * 1000); }

// The server's rounding of a tek position to a pixel of the window.
int rounded(double tek, int pixels, double tek_size) { return int(std::floor(pixels * tek / tek_size + 0.5)); }

}  // namespace

View view_of(int number, const int viewport[4], const double reference[3], const long toward_eye[3],
             const long up[3], double width, double height) {
  View v{number, viewport[0], viewport[1], viewport[2], viewport[3], {}, {}, width, height};
  for (int k = 0; k < 3; ++k) v.reference[k] = reference[k];
  V3 d = unit(V3{double(toward_eye[0]), double(toward_eye[1]), double(toward_eye[2])});
  // right = up × toward the eye, up = toward the eye × right.
  V3 right = unit(cross(V3{double(up[0]), double(up[1]), double(up[2])}, d));
  put(d, v.camera.toward_eye);
  put(right, v.camera.right);
  put(cross(d, right), v.camera.up);
  return v;
}

View whole_window_view(const Camera& c) { return View{1, 0, 0, 4095, 3276, {0, 0, 0}, c, 4095, 3276}; }

std::string set_view(const View& v) {
  std::string s = tek::command("RC") + tek::int_param(v.number) + tek::set_coor_mode(1, 6) + tek::command("RV");
  for (int corner : {v.x1, v.y1, v.x2, v.y2}) s += tek::int_param(corner);
  // In thousandths: the reference point, the view plane normal and the up
  // vector as sums of the ones sent, the window's width and height, the
  // projection reference point, parallel.
  long sum[3] = {0, 0, 0};
  s += tek::set_coor_mode(2, 6) + tek::command("UV") + tek::int_param(3);
  auto send = [&](const double want[3], double sign) {
    for (int k = 0; k < 3; ++k) {
      long w = milli(sign * want[k]);
      s += tek::int_param(w - sum[k]);
      sum[k] = w;
    }
  };
  send(v.reference, 1);
  send(v.camera.toward_eye, -1);
  send(v.camera.up, 1);
  s += tek::int_param(2) + tek::int_param(milli(v.width)) + tek::int_param(milli(v.height));
  return s + tek::point(2, {0, 0, -1000}) + tek::int_param(1) + tek::int_param(0);
}

std::string view_from_plus_z() { return set_view(whole_window_view(FROM_PLUS_Z)) + tek::command("SU"); }

Pixel view_pixel(const Area& window, const View& v, double x, double y, double z) {
  const V3 p = V3{x, y, z} - from(v.reference);
  int left = rounded(v.x1, window.width, 4095), width = rounded(v.x2 - v.x1, window.width, 4095);
  int bottom = rounded(v.y1, window.height, 3276), height = rounded(v.y2 - v.y1, window.height, 3276);
  double right = dot(from(v.camera.right), p) / v.width + 0.5, up = dot(from(v.camera.up), p) / v.height + 0.5;
  return {left + right * width, window.height - (bottom + up * height)};
}

Pixel view_pixel(const Area& window, const Camera& c, double x, double y, double z) {
  return view_pixel(window, whole_window_view(c), x, y, z);
}

Pixel start_view_pixel(const Area& window, double x, double y, double z) {
  return view_pixel(window, START_CAMERA, x, y, z);
}

void model_under(const Area& window, const Camera& c, int x, int y, double out[3]) {
  double right = tek_x(x, window.width) - 4095.0 / 2, up = tek_y(y, window.height) - 3276.0 / 2;
  for (int k = 0; k < 3; ++k) out[k] = right * c.right[k] + up * c.up[k];
}

std::optional<Pixel> find_pixels(const Screenshot& s, const Area& window, Pixel around, int radius,
                                 const std::function<bool(const Rgb&)>& match, int least) {
  double sx = 0, sy = 0;
  int count = 0;
  int cx = int(std::lround(around.x)), cy = int(std::lround(around.y));
  for (int row = cy - radius; row <= cy + radius; ++row)
    for (int col = cx - radius; col <= cx + radius; ++col) {
      int x = window.x + col, y = window.y + row;
      if (col < 0 || row < 0 || col >= window.width || row >= window.height || x >= s.width() || y >= s.height())
        continue;
      if (match(s.at(x, y))) sx += col, sy += row, ++count;
    }
  if (count < least || count == 0) return std::nullopt;
  return Pixel{sx / count, sy / count};
}

bool xdotool(const std::string& display, const std::string& args) {
  return system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

void Session::start(const ManipulatorItem& item, const std::function<bool(const Screenshot&)>& drawn) {
  ManipulatorScene scene;
  scene.items = {item};
  scene.stream = item.stream;
  start(scene, drawn);
}

void Session::start(const ManipulatorScene& scene, const std::function<bool(const Screenshot&)>& drawn) {
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  write_file(dir.file("stream"), scene.stream);
  std::string app = write_app_script(dir, "cat stream; exec 2>/dev/null; cat > reports");
  ASSERT_TRUE(manipulator_program(app, scene).write(dir.file("item.b")));
  ASSERT_TRUE(run.start(dir.file("item.b"), dir, 90));
  Display* d = run.display();
  auto end = std::chrono::steady_clock::now() + 60s;
  std::optional<Area> g;
  while (std::chrono::steady_clock::now() < end && (!(g = graphics_window(d)) || g->width < 400))
    std::this_thread::sleep_for(50ms);
  ASSERT_TRUE(g.has_value());
  area = *g;
  ASSERT_TRUE(poll_screen(d, 30s, drawn)) << "the symbols drawn";
}

void Session::drag(Pixel at, const Drag& g) {
  const std::string name = x_name();
  int sx = area.x + int(std::lround(at.x)), sy = area.y + int(std::lround(at.y));
  // A movement onto the place first, so that the server sees the pointer arrive.
  ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(sx - 5) + " " + std::to_string(sy)));
  ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(sx) + " " + std::to_string(sy)));
  std::string steps = "mousedown " + std::to_string(g.button);
  if (g.dx != 0 || g.dy != 0)
    for (int i = 1; i <= g.steps; ++i)
      steps += " mousemove " + std::to_string(sx + g.dx * i / g.steps) + " " + std::to_string(sy + g.dy * i / g.steps) +
               " sleep 0.05";
  steps += " mouseup " + std::to_string(g.button);
  ASSERT_TRUE(xdotool(name, steps));
}

std::optional<std::vector<float>> Session::report(size_t count, size_t line,
                                                  std::chrono::steady_clock::duration limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    std::string text = read_file(dir.file("reports"));
    size_t at = 0;
    for (size_t k = 0; k < line && at != std::string::npos; ++k) {
      at = text.find('\n', at);
      if (at != std::string::npos) ++at;
    }
    if (at != std::string::npos && text.find('\n', at) != std::string::npos) {
      std::istringstream in(text.substr(at));
      std::vector<float> r(count);
      for (float& v : r)
        if (!(in >> v)) return std::nullopt;
      return r;
    }
    std::this_thread::sleep_for(50ms);
  }
  return std::nullopt;
}

std::vector<std::vector<float>> Session::reports() const {
  std::vector<std::vector<float>> lines;
  std::istringstream in(read_file(dir.file("reports")));
  for (std::string line; std::getline(in, line);) {
    std::istringstream numbers(line);
    std::vector<float> values;
    for (float v; numbers >> v;) values.push_back(v);
    lines.push_back(values);
  }
  return lines;
}

void Session::expect_normal_end() {
  const RunResult& result = run.wait();
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.err.find("balance"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

std::string Session::x_name() const {
  const char* display = DisplayString(run.display());
  return display != nullptr ? display : "";
}

}  // namespace gui3d_session
