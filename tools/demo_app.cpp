// The demo application: writes to standard output the commands of a small
// scene (a smooth red torus, a flat-shaded cube on a half-transparent ground
// square, coloured axes and a label, seen in perspective), then turns the
// camera a little every 50 ms until standard input or output closes.
//   demo_app [TURNS]   (TURNS: stop after that many camera turns)
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix_services.h"
#include "tests/support/protocol.h"

namespace {

constexpr double PI = 3.14159265358979323846;

struct Vec {
  double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Turned about the x axis by `angle` radians.
Vec tilt(Vec v, double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
}

// Model units as the protocol's thousandths.
tek::Point milli(Vec v) { return {std::lround(v.x * 1000), std::lround(v.y * 1000), std::lround(v.z * 1000)}; }

// ---- encoding ----

std::string cmd(const char* letters) { return tek::command(letters); }
std::string i(long v) { return tek::int_param(v); }
std::string r(float v) { return tek::real_param(v); }
std::string ints(const std::vector<long>& values) {
  std::string s;
  for (long v : values) s += i(v);
  return s;
}
std::string rgba(float red, float green, float blue, float alpha = 1) { return r(red) + r(green) + r(blue) + r(alpha); }

// Points, normals and UV vectors go as differences to the one before.
std::string deltas(const std::vector<tek::Point>& points) {
  std::string s;
  tek::Point last;
  for (const tek::Point& p : points) {
    s += i(p.x - last.x) + i(p.y - last.y) + i(p.z - last.z);
    last = p;
  }
  return s;
}

// ---- meshes ----

// Triangle strips over points with unit normals, as a facet tree (UT) sends them.
struct Mesh {
  std::vector<Vec> points, normals;
  std::vector<std::vector<long>> strips;

  long add(Vec point, Vec normal) {
    points.push_back(point);
    normals.push_back(normal);
    return long(points.size()) - 1;
  }
  // A flat quad, its corners in order around it. The server's front faces
  // turn clockwise seen from their front, so the strip runs that way round.
  void quad(Vec a, Vec b, Vec c, Vec d, Vec normal) {
    long ia = add(a, normal), ib = add(b, normal), ic = add(c, normal), id = add(d, normal);
    if (dot(cross(b - a, d - a), normal) > 0)
      strips.push_back({ia, id, ib, ic});
    else
      strips.push_back({ia, ib, id, ic});
  }
};

std::string facet_tree(const Mesh& m) {
  std::vector<tek::Point> points, normals;
  for (const Vec& p : m.points) points.push_back(milli(p));
  for (const Vec& n : m.normals) normals.push_back(milli(n));
  std::vector<long> indices = {long(m.strips.size())};
  for (const std::vector<long>& strip : m.strips) {
    indices.push_back(long(strip.size()));
    indices.insert(indices.end(), strip.begin(), strip.end());
  }
  return cmd("UT") + i(long(points.size())) + deltas(points) + i(long(normals.size())) + deltas(normals) + i(0) +
         i(long(indices.size())) + ints(indices);
}

// A torus around `centre` with radii `major` and `minor`, lying in the
// xz plane and then tilted about the x axis; one strip per step around,
// each turning clockwise seen from outside.
Mesh torus(Vec centre, double major, double minor, double tilt_angle) {
  constexpr int AROUND = 48, ACROSS = 24;
  Mesh m;
  for (int a = 0; a <= AROUND; ++a) {
    double u = 2 * PI * a / AROUND;
    for (int b = 0; b <= ACROSS; ++b) {
      double v = 2 * PI * b / ACROSS;
      Vec normal = {std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u)};
      Vec ring = {major * std::cos(u), 0, major * std::sin(u)};
      m.add(centre + tilt(ring + minor * normal, tilt_angle), tilt(normal, tilt_angle));
    }
  }
  for (int a = 0; a < AROUND; ++a) {
    std::vector<long> strip;
    for (int b = 0; b <= ACROSS; ++b) {
      strip.push_back(long(a * (ACROSS + 1) + b));
      strip.push_back(long((a + 1) * (ACROSS + 1) + b));
    }
    m.strips.push_back(strip);
  }
  return m;
}

// An axis-aligned cube; each face has its own corners, so its normals stay flat.
Mesh cube(Vec centre, double half) {
  Mesh m;
  auto corner = [&](int x, int y, int z) { return centre + half * Vec{double(x), double(y), double(z)}; };
  m.quad(corner(1, -1, -1), corner(1, 1, -1), corner(1, 1, 1), corner(1, -1, 1), {1, 0, 0});
  m.quad(corner(-1, -1, 1), corner(-1, 1, 1), corner(-1, 1, -1), corner(-1, -1, -1), {-1, 0, 0});
  m.quad(corner(-1, 1, -1), corner(-1, 1, 1), corner(1, 1, 1), corner(1, 1, -1), {0, 1, 0});
  m.quad(corner(-1, -1, 1), corner(-1, -1, -1), corner(1, -1, -1), corner(1, -1, 1), {0, -1, 0});
  m.quad(corner(-1, -1, 1), corner(1, -1, 1), corner(1, 1, 1), corner(-1, 1, 1), {0, 0, 1});
  m.quad(corner(1, -1, -1), corner(-1, -1, -1), corner(-1, 1, -1), corner(1, 1, -1), {0, 0, -1});
  return m;
}

// A square in the plane y = `height`, facing up.
Mesh ground(double height, double half) {
  Mesh m;
  m.quad({-half, height, -half}, {-half, height, half}, {half, height, half}, {half, height, -half}, {0, 1, 0});
  return m;
}

// ---- scene ----

// Colour-map entries (0 is the background), as 0..255 components.
enum Colour : long { BACKGROUND = 0, AXIS_X = 2, AXIS_Y = 3, AXIS_Z = 5, LABEL = 6 };

std::string colour_map() {
  std::vector<long> entries = {BACKGROUND, 34, 40, 58,  AXIS_X, 235, 70, 60,  AXIS_Y, 80, 210, 90,
                               AXIS_Z,     80, 140, 255, LABEL,  255, 225, 120};
  return cmd("TM") + ints({4, 0, 0}) + cmd("TG") + i(1) + i(long(entries.size())) + ints(entries);
}

struct Material {
  float ambient[3], diffuse[3];
  float shininess, specular;
  float transparency;
};

std::string material(long number, const Material& m) {
  std::string s = cmd("CM") + i(number) + ints({0, 0, 0, 0, 0, 1, 0}) + ints({1, 2, 1});
  s += rgba(m.ambient[0], m.ambient[1], m.ambient[2]) + rgba(m.diffuse[0], m.diffuse[1], m.diffuse[2]);
  s += r(m.shininess) + rgba(m.specular, m.specular, m.specular) + rgba(0, 0, 0);  // specular, emission
  s += r(0) + r(0) + r(0) + r(m.transparency) + r(1);
  for (int k = 0; k < 4; ++k) s += tek::string_param("");
  return s;
}

enum MaterialNumber : long { RED = 1, TEAL = 2, GLASS = 3 };
const Material RED_GLOSS = {{0.5f, 0.06f, 0.05f}, {0.85f, 0.1f, 0.08f}, 60, 0.9f, 0};
const Material TEAL_MATT = {{0.12f, 0.45f, 0.42f}, {0.15f, 0.65f, 0.6f}, 8, 0.2f, 0};
// See-through: the demo program switches transparency on.
const Material GLASS_GROUND = {{0.3f, 0.33f, 0.42f}, {0.45f, 0.5f, 0.65f}, 20, 0.3f, 0.4f};

// A segment of one facet tree: its material and shading (CG 0 flat, 1 smooth; both lit).
std::string solid(long segment, long material_number, long shading, const Mesh& mesh) {
  return cmd("SO") + i(segment) + cmd("TO") + i(material_number) + cmd("CG") + i(shading) + facet_tree(mesh) +
         cmd("SC");
}

std::string line(long segment, long colour, Vec from, Vec to) {
  return cmd("SO") + i(segment) + cmd("ML") + i(colour) + cmd("MW") + i(3) +
         tek::vector_run(2, {milli(from), milli(to)}) + cmd("SC");
}

std::string label(long segment, Vec at, const std::string& text) {
  return cmd("SO") + i(segment) + cmd("MT") + i(LABEL) + cmd("TS") + i(18) + cmd("LF") + tek::point(2, milli(at)) +
         cmd("LT") + tek::string_param(text) + cmd("SC");
}

const Vec LOOK_AT = {0, -0.2, 0};
constexpr double EYE_DISTANCE = 7, ELEVATION = 22 * PI / 180;

// View 1 over the whole window, in perspective from `azimuth` (radians about
// the y axis), 6.5 by 5.2 units across at the point looked at.
std::string camera(double azimuth) {
  Vec eye = LOOK_AT + EYE_DISTANCE * Vec{std::cos(ELEVATION) * std::sin(azimuth), std::sin(ELEVATION),
                                         std::cos(ELEVATION) * std::cos(azimuth)};
  tek::Point ref = milli(LOOK_AT), dir = milli(LOOK_AT - eye), up = {0, 1000, 0};
  std::vector<tek::Point> vectors = {ref, dir, up};  // sent summed: normal = ref + d, up = normal + e
  return cmd("UV") + i(3) + deltas(vectors) + ints({2, 6500, 5200}) +
         tek::point(2, {0, 0, -std::lround(EYE_DISTANCE * 1000)}) + i(2) + ints({3, 0, 0, 12000});
}

std::string scene(double azimuth) {
  std::string s = tek::set_coor_mode(2, 6) + colour_map();
  s += cmd("RC") + i(1) + cmd("RV") + ints({0, 0, 4095, 3276}) + camera(azimuth);
  s += material(RED, RED_GLOSS) + material(TEAL, TEAL_MATT) + material(GLASS, GLASS_GROUND);
  s += solid(1, RED, 1, torus({-0.4, 0.1, 0}, 1.1, 0.38, 25 * PI / 180));
  s += solid(2, TEAL, 0, cube({1.8, -0.55, 0.9}, 0.45));
  s += solid(3, GLASS, 1, ground(-1, 2.8));
  Vec origin = {-2.5, -0.98, 1.5};
  s += line(4, AXIS_X, origin, origin + Vec{1.2, 0, 0});
  s += line(5, AXIS_Y, origin, origin + Vec{0, 1.2, 0});
  s += line(6, AXIS_Z, origin, origin + Vec{0, 0, 1.2});
  s += label(7, {-0.9, 1.35, 0}, "qob demo");
  return s + cmd("SU");
}

// ---- output ----

// False once the server has gone (EPIPE) or the pipe broke otherwise.
bool send(const std::string& bytes) { return write_all(1, bytes.data(), bytes.size()) >= 0; }

// Waits up to `ms` for the server; false when standard input has closed.
// Reports the server sends are read and dropped.
bool wait_for_input(int ms) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(0, &ready);
  timeval timeout = {0, ms * 1000};
  if (nt_select(1, &ready, nullptr, nullptr, &timeout) == 0 || !FD_ISSET(0, &ready)) return true;
  char buffer[512];
  return read_pipe(0, buffer, sizeof buffer) > 0;
}

}  // namespace

int main(int argc, char** argv) {
  long turns = argc > 1 ? std::strtol(argv[1], nullptr, 10) : -1;
  // A closed pipe shows as EPIPE (the server has gone); the streams carry bytes as they are.
  preset_posix_services();
  begin_read(0, 512);
  double azimuth = 35 * PI / 180;
  if (!send(scene(azimuth))) return 0;
  for (long turn = 0; turns < 0 || turn < turns; ++turn) {
    if (!wait_for_input(50)) return 0;
    azimuth += PI / 180;
    if (!send(camera(azimuth) + cmd("SU"))) return 0;
  }
  return 0;
}
