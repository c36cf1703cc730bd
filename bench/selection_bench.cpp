// Selection by position and by region on 1,000,000 triangles (a grid in the
// plane y = 0 under the start-up camera), held as one segment and as 1000
// segments of 1000, against a brute-force reference in the same run that
// projects every vertex with the same viewing matrix and tests every
// triangle. Both must agree at every position: the same segments, distances
// within 1e-5.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <vector>

#include "base/checked_mm.h"
#include "bench/graphics_start.h"
#include "bench/paired.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/segment_store.h"
#include "scene/selection.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

// The grid: QX by QZ quads over x -1800..1800, z -1400..1400, cut into tiles
// of TX by TZ quads, one segment each when tiled.
constexpr int QX = 1000, QZ = 500, TX = 25, TZ = 20;
constexpr float X0 = -1800, X1 = 1800, Z0 = -1400, Z1 = 1400;

float grid_x(int i) { return X0 + (X1 - X0) * float(i) / QX; }
float grid_z(int j) { return Z0 + (Z1 - Z0) * float(j) / QZ; }

template <typename T>
T* checked_array(size_t n) {
  return static_cast<T*>(CheckedMalloc(n * sizeof(T)));
}

// Quads i0..i1 by j0..j1 as one shell of strips, one strip per row, in segment n.
void add_block(unsigned long n, int i0, int i1, int j0, int j1) {
  int columns = i1 - i0 + 1, rows = j1 - j0;
  auto* points = checked_array<vector_type>(size_t(columns) * (rows + 1));
  auto* colours = checked_array<float>(size_t(columns) * (rows + 1) * 3);
  for (int j = 0; j <= rows; ++j)
    for (int i = 0; i < columns; ++i) {
      size_t k = size_t(j) * columns + i;
      points[k] = {grid_x(i0 + i), 0, grid_z(j0 + j)};
      colours[3 * k] = colours[3 * k + 1] = 0.5f, colours[3 * k + 2] = 1;
    }
  size_t n_indices = 1 + size_t(rows) * (1 + 2 * columns);
  auto* indices = checked_array<uint32_t>(n_indices);
  size_t at = 0;
  indices[at++] = uint32_t(rows);
  for (int j = 0; j < rows; ++j) {
    indices[at++] = uint32_t(2 * columns);
    for (int i = 0; i < columns; ++i) {
      indices[at++] = uint32_t(j * columns + i);
      indices[at++] = uint32_t((j + 1) * columns + i);
    }
  }
  create_segment(n);
  fill_colored_facet_tree(static_cast<unsigned long>(size_t(columns) * (rows + 1)), points, nullptr, colours, n_indices, indices,
                          nullptr);
  close_segment();
}

void build(bool tiled) {
  delete_all_segments();
  if (!tiled) return add_block(1, 0, QX, 0, QZ);
  unsigned long n = 0;
  for (int j = 0; j < QZ; j += TZ)
    for (int i = 0; i < QX; i += TX) add_block(++n, i, i + TX, j, j + TZ);
}

// ---- The reference ----

struct Tri {
  float a[2], b[2], c[2];
  unsigned long segment;
};
std::vector<Tri> triangles;  // projected by the reference at each position

void project(const double* m, float x, float y, float z, float out[2]) {
  double c[4];
  for (int r = 0; r < 4; ++r) c[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
  out[0] = float(c[0] / c[3]);
  out[1] = float(c[1] / c[3]);
}

// Projects every vertex of the grid with the viewing matrix, triangle by triangle.
void project_all(bool tiled) {
  const double* m = get_viewing_matrix();
  std::vector<float> xs(size_t(QX + 1) * (QZ + 1) * 2);
  for (int j = 0; j <= QZ; ++j)
    for (int i = 0; i <= QX; ++i) project(m, grid_x(i), 0, grid_z(j), &xs[(size_t(j) * (QX + 1) + i) * 2]);
  triangles.clear();
  for (int j = 0; j < QZ; ++j)
    for (int i = 0; i < QX; ++i) {
      unsigned long s = tiled ? static_cast<unsigned long>((j / TZ) * (QX / TX) + i / TX + 1) : 1;
      const float* p00 = &xs[(size_t(j) * (QX + 1) + i) * 2];
      const float* p10 = p00 + 2;
      const float* p01 = &xs[(size_t(j + 1) * (QX + 1) + i) * 2];
      const float* p11 = p01 + 2;
      triangles.push_back({{p00[0], p00[1]}, {p01[0], p01[1]}, {p10[0], p10[1]}, s});
      triangles.push_back({{p01[0], p01[1]}, {p10[0], p10[1]}, {p11[0], p11[1]}, s});
    }
}

float cross(const float* o, const float* a, const float* b) {
  return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}
float edge_distance_squared(const float* p, const float* a, const float* b) {
  float dx = b[0] - a[0], dy = b[1] - a[1], l2 = dx * dx + dy * dy;
  float t = l2 > 0 ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / l2 : 0;
  t = std::fmin(1, std::fmax(0, t));
  float ex = a[0] + t * dx - p[0], ey = a[1] + t * dy - p[1];
  return ex * ex + ey * ey;
}
float distance_squared(const float* p, const Tri& t) {
  float d1 = cross(t.a, t.b, p), d2 = cross(t.b, t.c, p), d3 = cross(t.c, t.a, p);
  bool negative = d1 < 0 || d2 < 0 || d3 < 0, positive = d1 > 0 || d2 > 0 || d3 > 0;
  if (!(negative && positive)) return 0;
  return std::fmin(edge_distance_squared(p, t.a, t.b),
                   std::fmin(edge_distance_squared(p, t.b, t.c), edge_distance_squared(p, t.c, t.a)));
}

// Per segment the nearest distance within the radius, by brute force.
std::vector<std::pair<unsigned long, float>> reference_pick(const float* p, float radius) {
  std::vector<float> best(QX * QZ / (TX * TZ) + 2, -1);
  for (const Tri& t : triangles) {
    float d2 = distance_squared(p, t);
    if (!(d2 < radius * radius)) continue;
    float d = std::sqrt(d2);
    if (best[t.segment] < 0 || d < best[t.segment]) best[t.segment] = d;
  }
  std::vector<std::pair<unsigned long, float>> hits;
  for (size_t s = 0; s < best.size(); ++s)
    if (best[s] >= 0) hits.emplace_back(s, best[s]);
  return hits;
}

std::set<unsigned long> reference_region(const float* r) {
  std::set<unsigned long> hit;
  for (const Tri& t : triangles) {
    if (hit.count(t.segment)) continue;
    float lo[2] = {std::fmin(t.a[0], std::fmin(t.b[0], t.c[0])), std::fmin(t.a[1], std::fmin(t.b[1], t.c[1]))};
    float hi[2] = {std::fmax(t.a[0], std::fmax(t.b[0], t.c[0])), std::fmax(t.a[1], std::fmax(t.b[1], t.c[1]))};
    if (hi[0] < r[0] || lo[0] > r[2] || hi[1] < r[1] || lo[1] > r[3]) continue;
    hit.insert(t.segment);
  }
  return hit;
}

// ---- Subject and comparison ----

struct Pick {
  unsigned long tek[2];
  float point[2];  // normalised view coordinates
};

std::vector<std::pair<unsigned long, float>> subject_hits() {
  std::vector<std::pair<unsigned long, float>> hits;
  for (unsigned long i = 0; i < get_selection_length(); ++i) {
    const selection_info& e = get_selection_infos()[i];
    hits.emplace_back(e.segment->index + 1, e.distance);
  }
  std::sort(hits.begin(), hits.end());
  return hits;
}

int disagreements(const std::vector<std::pair<unsigned long, float>>& a,
                  const std::vector<std::pair<unsigned long, float>>& b) {
  if (a.size() != b.size()) return 1;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].first != b[i].first || std::fabs(a[i].second - b[i].second) > 1e-5f) return 1;
  return 0;
}

void run(bool tiled, const std::vector<Pick>& picks, unsigned long radius, int pairs) {
  build(tiled);
  select_geometry_by_position(1, picks[0].tek, radius);  // sets the camera up
  project_all(tiled);
  float normalised_radius = float(radius) / (get_view_record(1)->viewport[1] / 2);
  int differ = 0;
  for (const Pick& p : picks) {
    select_geometry_by_position(1, p.tek, radius);
    differ += disagreements(subject_hits(), reference_pick(p.point, normalised_radius));
  }
  const char* what = tiled ? "1000 segments of 1000" : "one segment of 1,000,000";
  printf("%s: %zu positions, %d disagree\n", what, picks.size(), differ);
  paired::Result r = paired::measure(
      pairs,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (const Pick& p : picks) select_geometry_by_position(1, p.tek, radius);
        return paired::seconds_since(t0);
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        project_all(tiled);
        for (const Pick& p : picks) reference_pick(p.point, normalised_radius);
        return paired::seconds_since(t0);
      });
  if (tiled) {
    paired::report("by position, 1000 segments", r, "brute force", 0.1);
  } else {
    paired::report("by position, one segment", r, "brute force", 2.0);
  }
}

void run_regions(const std::vector<Pick>& corners, int pairs) {
  build(true);
  select_geometry_by_position(1, corners[0].tek, 4);
  project_all(true);
  std::vector<std::array<unsigned long, 4>> rectangles;
  std::vector<std::array<float, 4>> normalised;
  for (size_t i = 0; i + 1 < corners.size(); i += 2) {
    const Pick &a = corners[i], &b = corners[i + 1];
    rectangles.push_back({a.tek[0], a.tek[1], b.tek[0], b.tek[1]});
    normalised.push_back({std::fmin(a.point[0], b.point[0]), std::fmin(a.point[1], b.point[1]),
                          std::fmax(a.point[0], b.point[0]), std::fmax(a.point[1], b.point[1])});
  }
  int differ = 0;
  for (size_t i = 0; i < rectangles.size(); ++i) {
    select_geometry_by_region(3, rectangles[i].data(), false);
    std::set<unsigned long> got;
    for (unsigned long k = 0; k < get_selection_length(); ++k) got.insert(get_selection_infos()[k].segment->index + 1);
    if (got != reference_region(normalised[i].data())) ++differ;
  }
  printf("regions: %zu rectangles over 1000 segments, %d disagree\n", rectangles.size(), differ);
  paired::Result r = paired::measure(
      pairs,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (auto& rect : rectangles) select_geometry_by_region(3, rect.data(), false);
        return paired::seconds_since(t0);
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        project_all(true);
        for (auto& rect : normalised) reference_region(rect.data());
        return paired::seconds_since(t0);
      });
  paired::report("by region, 1000 segments", r, "brute-force overlap", 2.0);
}

}  // namespace

int main(int argc, char** argv) {
  int positions = argc > 1 ? atoi(argv[1]) : 1000;
  int pairs = argc > 2 ? atoi(argv[2]) : 3;
  start_graphics_window();
  make_graphics_context_active();

  // Positions inside the grid's part of the screen, in tek units, with their
  // normalised view coordinates.
  std::mt19937 random(1);
  std::uniform_int_distribution<unsigned long> tx(300, 3795), ty(300, 2976);
  std::vector<Pick> picks(size_t(std::max(positions, 2)));
  for (Pick& p : picks) {
    p.tek[0] = tx(random), p.tek[1] = ty(random);
    tek_to_view(float(p.tek[0]), float(p.tek[1]), &p.point[0], &p.point[1]);
  }
  constexpr unsigned long RADIUS = 4;  // tek units
  run(false, picks, RADIUS, pairs);
  run(true, picks, RADIUS, pairs);
  run_regions(picks, pairs);
  delete_all_segments();
  cleanup_ldf();
  return 0;
}
