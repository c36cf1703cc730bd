// The segment store fed through the command parser: segments, entities,
// geometry chains, facet trees, attributes, the visibility counters and every
// refusal of a malformed stream.
#include "scene/segment_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "scene/entity_list.h"
#include "scene/geom_markers.h"
#include "scene/geom_polyline.h"
#include "scene/geom_shell.h"
#include "scene/geom_text.h"
#include "scene/geom_vector.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/contains_regex.h"
#include "view/views.h"

namespace {

using namespace scene_stream;

// The kinds of the objects of a chain, in order: S shell, L poly-line, V vector,
// M markers, T text.
std::string chain_kinds(const GEOMObject* p) {
  std::string kinds;
  for (; p != nullptr; p = p->next) {
    if (dynamic_cast<const GEOMShell*>(p)) kinds += 'S';
    else if (dynamic_cast<const GEOMPolyline*>(p)) kinds += 'L';
    else if (dynamic_cast<const GEOMVector*>(p)) kinds += 'V';
    else if (dynamic_cast<const GEOMMarkers*>(p)) kinds += 'M';
    else if (dynamic_cast<const GEOMText*>(p)) kinds += 'T';
  }
  return kinds;
}

std::string lf(const Triple& p) { return cmd("LF") + point3(p); }
std::string lg(const Triple& p) { return cmd("LG") + point3(p); }
std::string mode2() { return tek::set_coor_mode(2, 6); }

using SegmentStore = SceneStream;

TEST_F(SegmentStore, EveryChainReadsFacetTreeLinesMarkersTextWhateverTheOrder) {
  std::string s = mode2() + so(1);
  s += cmd("LT") + tek::string_param("label");
  s += cmd("LH") + point3({5, 5, 5});
  s += ut(TRIANGLE, UP, {}, ONE_STRIP);
  s += lf({0, 0, 0}) + lg({1000, 0, 0});
  s += cmd("UM") + i(2) + ut(TRIANGLE, UP, {}, ONE_STRIP);
  s += cmd("BV") + i(2) + point3({0, 0, 0}) + point3({0, 0, 3}) + i(10) + i(20);
  s += sc();
  run(s);
  const bsegment* seg = get_segment(1);
  ASSERT_NE(seg, nullptr);
  EXPECT_EQ(chain_kinds(seg->chain[0]), "SVLMT");
  EXPECT_EQ(chain_kinds(seg->chain[1]), "SVLMT");
  for (int l = 2; l < LEVELS_OF_DETAIL; ++l) EXPECT_EQ(chain_kinds(seg->chain[l]), "VLMT") << l;
  EXPECT_EQ(seg->first_line, seg->facet_tree[0]->next);
  EXPECT_TRUE(seg->flags & SEG_HAS_FACETS);
  EXPECT_TRUE(seg->flags & SEG_LIT);
  EXPECT_TRUE(seg->flags2 & SEG2_HAS_TEXT);
}

TEST_F(SegmentStore, ContinuingLinesFormOnePolyLineAndAMoveStartsAnother) {
  std::string s = mode2() + so(1) + lf({0, 0, 0}) + lg({1000, 0, 0}) + lg({1000, 1000, 0});
  s += lf({5000, 0, 0}) + lg({6000, 0, 0}) + sc();
  s += so(1) + lg({7000, 0, 0}) + sc();  // closing restarts: a new line from the beam
  run(s);
  const bsegment* seg = get_segment(1);
  EXPECT_EQ(chain_kinds(seg->chain[0]), "LLL");
  const GEOMPolyline* newest = static_cast<const GEOMPolyline*>(seg->first_line);
  EXPECT_EQ(newest->get_number_of_points(), 2u);
  const GEOMPolyline* first = static_cast<const GEOMPolyline*>(seg->first_line->next->next);
  EXPECT_EQ(first->get_number_of_points(), 3u);
  EXPECT_FLOAT_EQ(first->get_points()[7], 1.0f);
}

TEST_F(SegmentStore, SeClosesTheOpenSegmentAndOpensTheNextKeepingTheBeam) {
  run(mode2() + so(1) + lf({1000, 2000, 3000}) + cmd("SE") + i(2) + cmd("LH") + point3({0, 0, 0}) +
      cmd("SE") + i(3));
  EXPECT_EQ(open_segment_number(), 3u);
  EXPECT_TRUE(segment_exists(1));
  EXPECT_TRUE(segment_exists(2));
  EXPECT_EQ(get_segment_balances()->segments, 2);
  EXPECT_EQ(get_segment_balances()->markers, 1);
  EXPECT_FLOAT_EQ(get_beam_position()[0], 0.0f);
}

TEST_F(SegmentStore, SkOfAMissingSegmentReportsAndTheStreamGoesOn) {
  std::string err = run(so(1) + sc() + cmd("SK") + i(5) + cmd("SK") + i(1) + so(2) + sc());
  EXPECT_NE(err.find("Application error - segment 5 does not exist.\n"), std::string::npos) << err;
  EXPECT_FALSE(segment_exists(1));
  EXPECT_TRUE(segment_exists(2));
}

TEST_F(SegmentStore, SkMinusOneDeletesEverySegmentAndEntity) {
  run(cmd("CE") + i(3) + i(9) + cmd("CL") + i(1) + tek::string_param("part") + so(1) + sc() + so(40000) + sc() +
      cmd("SK") + i(-1));
  EXPECT_FALSE(segment_exists(1));
  EXPECT_FALSE(segment_exists(40000));
  EXPECT_EQ(get_entity_list()->Count(), 1u);
  EXPECT_EQ(get_entity_list()->Find(3, 9), -1);
  EXPECT_EQ(get_segment_balances()->segments, 0);
}

TEST_F(SegmentStore, SvMinusOneMakesEverySegmentInvisibleAndVisible) {
  std::string s = mode2() + so(1) + lf({0, 0, 0}) + lg({1, 1, 1}) + sc() + so(2) + sc() + so(3) + sc();
  run(s + cmd("SV") + i(-1) + i(0));
  for (unsigned long n = 1; n <= 3; ++n) EXPECT_FALSE(get_segment(n)->flags & SEG_VISIBLE) << n;
  EXPECT_EQ(get_segment_balances()->segments, 0);
  EXPECT_EQ(get_segment_balances()->lines, 0);
  run(cmd("SV") + i(-1) + i(1));
  EXPECT_EQ(get_segment_balances()->segments, 3);
  EXPECT_EQ(get_segment_balances()->lines, 1);
}

TEST_F(SegmentStore, FacetTreePointsNormalsAndTextureCoordinatesAreDeltaCoded) {
  std::vector<Triple> points = {{1000, 0, 0}, {0, 2000, 0}, {-500, 0, 250}, {0, 0, 0}};
  std::vector<Triple> normals = {{0, 0, 5}, {3, 4, 0}, {0, -7, 0}, {1, 1, 1}};
  std::vector<std::array<long, 2>> texture = {{500000, 0}, {1000000, 250000}, {0, 1}, {2, 3}};
  run(so(1) + ut(points, normals, texture, {2, 3, 0, 1, 2, 3, 1, 2, 3}) + sc());
  const GEOMShell* shell = get_segment(1)->facet_tree[0];
  ASSERT_NE(shell, nullptr);
  const vector_type* p = shell->get_points();
  EXPECT_FLOAT_EQ(p[1].y, 2.0f);
  EXPECT_FLOAT_EQ(p[2].x, -0.5f);
  EXPECT_FLOAT_EQ(p[2].z, 0.25f);
  const float* n = shell->get_normals();
  EXPECT_FLOAT_EQ(n[2], 1.0f);
  EXPECT_FLOAT_EQ(n[3], 0.6f);
  EXPECT_FLOAT_EQ(n[4], 0.8f);
  EXPECT_FLOAT_EQ(n[7], -1.0f);
  EXPECT_FLOAT_EQ(n[9], float(1 / std::sqrt(3.0)));
  const float* t = shell->get_texture_coordinates();
  ASSERT_NE(t, nullptr);
  EXPECT_FLOAT_EQ(t[0], 0.5f);
  EXPECT_FLOAT_EQ(t[3], 0.25f);
  EXPECT_FLOAT_EQ(t[7], 3e-6f);
  EXPECT_EQ(shell->get_number_triangles(), 2u);
}

// The stream in two refills, split after byte `k`; the views' geometry
// flags are cleared at the refill, as a repaint there would.
std::vector<std::string> halves;
size_t next_half;
unsigned char* halves_refill(buf_ptrs* b) {
  if (next_half == halves.size()) longjmp(input_done, 1);
  if (next_half == 1) get_view_record(1)->needs_update = false;
  const std::string& h = halves[next_half++];
  memcpy(b->start, h.data(), h.size());
  b->end = b->start + h.size();
  *b->end = 0;
  return b->start;
}

class SplitStream : public SceneStream {
 protected:
  void serve_split(const std::string& bytes, size_t k) {
    cleanup_tek_parser();
    cleanup_ldf();
    init_segment_structure();
    preset_tek_parser();
    set_tek_input_source(halves_refill);
    halves = {bytes.substr(0, k), bytes.substr(k)};
    next_half = 0;
    testing::internal::CaptureStderr();
    if (setjmp(input_done) == 0) process_tektronix_commands();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "split after byte " << k;
  }
};

TEST_F(SplitStream, FacetTreeArraysSplitAtEveryByteReadAsFromOneBuffer) {
  std::vector<Triple> points = {{1000, 0, 0}, {0, 2000, -70000}, {-500, 0, 250}, {0, 0, 0}};
  std::vector<Triple> normals = {{0, 0, 5}, {3, 4, 0}, {0, -7, 0}, {1, 1, 1}};
  std::vector<std::array<long, 2>> texture = {{500000, 0}, {1000000, 250000}, {0, 1}, {2, 3}};
  std::string bytes = so(1) + ut(points, normals, texture, {2, 3, 0, 1, 2, 3, 1, 2, 3}) + sc();
  run(bytes);
  const GEOMShell* whole = get_segment(1)->facet_tree[0];
  ASSERT_NE(whole, nullptr);
  std::vector<float> p(&whole->get_points()[0].x, &whole->get_points()[0].x + 12);
  std::vector<float> n(whole->get_normals(), whole->get_normals() + 12);
  std::vector<float> t(whole->get_texture_coordinates(), whole->get_texture_coordinates() + 8);
  std::vector<uint32_t> list(whole->get_indices(), whole->get_indices() + 9);
  for (size_t k = 1; k < bytes.size(); ++k) {
    serve_split(bytes, k);
    const GEOMShell* shell = get_segment(1) != nullptr ? get_segment(1)->facet_tree[0] : nullptr;
    ASSERT_NE(shell, nullptr) << k;
    EXPECT_EQ(std::vector<float>(&shell->get_points()[0].x, &shell->get_points()[0].x + 12), p) << k;
    EXPECT_EQ(std::vector<float>(shell->get_normals(), shell->get_normals() + 12), n) << k;
    EXPECT_EQ(std::vector<float>(shell->get_texture_coordinates(), shell->get_texture_coordinates() + 8), t) << k;
    EXPECT_EQ(std::vector<uint32_t>(shell->get_indices(), shell->get_indices() + 9), list) << k;
  }
}

// A vector run over two refills stays one poly-line with every point in its
// box, and the lines after the refill set the geometry flags again.
TEST_F(SplitStream, VectorRunOverARefillIsOnePolyLineAndFlagsTheViewsAgain) {
  std::vector<tek::Point> run_points = {{0, 0, 0}, {1000, 0, 0}, {1000, -2000, 0}, {0, 0, 3000}, {5, 5, 5}};
  std::string head = mode2() + so(1), tail = sc();
  std::string bytes = head + tek::vector_run(2, run_points) + tail;
  // Splits inside the run, from after its second point to before its US.
  size_t first = head.size() + 1 + tek::point(2, {0, 0, 0}).size() + tek::point(2, {1000, 0, 0}).size();
  for (size_t k = first; k < bytes.size() - tail.size() - 1; ++k) {
    serve_split(bytes, k);
    const bsegment* seg = get_segment(1);
    ASSERT_NE(seg, nullptr);
    EXPECT_EQ(chain_kinds(seg->chain[0]), "L") << k;
    const GEOMPolyline* line = static_cast<const GEOMPolyline*>(seg->first_line);
    ASSERT_EQ(line->get_number_of_points(), 5u) << k;
    EXPECT_FLOAT_EQ(line->get_points()[3 * 4 + 2], 0.005f) << k;
    EXPECT_FLOAT_EQ(seg->minimum[1], -2.0f) << k;
    EXPECT_FLOAT_EQ(seg->maximum[2], 3.0f) << k;
    EXPECT_TRUE(get_view_record(1)->needs_update) << k;
  }
}

// The box of each poly-line against its own points: lines one command at a
// time, runs in every encoding, a run longer than the parser's batch (cut by
// the refills too), moves and a NaN that start new poly-lines.
TEST_F(SegmentStore, EveryPolyLineHasTheBoxOfItsOwnPoints) {
  std::vector<tek::Point> curve;
  for (long k = 0; k < 5000; ++k) curve.push_back({2000 + (k * 7919) % 2001 - 1000, 1000 + (k * 104729) % 1500, 0});
  const float nan = std::nanf("");
  const struct {
    const char* name;
    std::string stream;
    std::vector<float> api_points;  // then handed to insert_lines after a move to the origin
    size_t poly_lines;
  } cases[] = {
      {"LF and LG", mode2() + so(1) + lf({-5, 9, 2}) + lg({3, -4, 8}) + lg({7, 7, -7}) + lf({100, 0, 0}) +
                        lg({50, 60, 70}),
       {}, 2},
      {"mode 0 runs", so(1) + tek::vector_run(0, {{4000, 3000, 0}, {10, 20, 0}, {3000, 5, 0}}) +
                          tek::vector_run(0, {{1, 2, 0}, {4095, 3276, 0}}),
       {}, 2},
      {"mode 1 run", tek::set_coor_mode(1, 6) + so(1) + tek::vector_run(1, {{-70000, 5, 0}, {9, -9, 0}, {0, 0, 0}}),
       {}, 1},
      {"mode 2 run after a line", mode2() + so(1) + lf({0, 0, 0}) + lg({-1, -1, -1}) +
                                      tek::vector_run(2, {{5, 6, 7}, {-8, 0, 80000}, {1, 1, 1}}),
       {}, 2},
      {"a run of 5000 points over refills", so(1) + tek::vector_run(0, curve), {}, 1},
      {"a NaN ends a poly-line", so(1), {1, 2, 3, -4, nan, 6, 7, 8, -9, 0, 0, 10}, 2},
  };
  for (const auto& c : cases) {
    cleanup_tek_parser();
    cleanup_ldf();
    init_segment_structure();
    preset_tek_parser();
    run(c.stream);
    if (!c.api_points.empty()) {
      move_beam(0, 0, 0);
      insert_lines(c.api_points.size() / 3, c.api_points.data());
    }
    run(sc());
    const bsegment* seg = get_segment(1);
    ASSERT_NE(seg, nullptr) << c.name;
    size_t count = 0;
    for (const GEOMObject* o = seg->first_line; o != nullptr; o = o->next, ++count) {
      const GEOMPolyline* line = static_cast<const GEOMPolyline*>(o);
      PointBox box;
      const float* q = line->get_points();
      for (uint32_t k = 0; k < line->get_number_of_points(); ++k) box.grow({q[3 * k], q[3 * k + 1], q[3 * k + 2]});
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(line->get_minimum()[k], box.lo[k]) << c.name << ", poly-line " << count << ", axis " << k;
        EXPECT_EQ(line->get_maximum()[k], box.hi[k]) << c.name << ", poly-line " << count << ", axis " << k;
      }
    }
    EXPECT_EQ(count, c.poly_lines) << c.name;
  }
}

TEST_F(SegmentStore, UtWithoutTextureCoordinatesHasNone) {
  run(so(1) + ut(TRIANGLE, UP, {}, ONE_STRIP) + sc());
  EXPECT_EQ(get_segment(1)->facet_tree[0]->get_texture_coordinates(), nullptr);
  EXPECT_EQ(get_segment(1)->facet_tree[0]->get_colours(), nullptr);
}

TEST_F(SegmentStore, UcBlendsPaletteColoursAndTakesTheLastUnblendedAtKMinusOne) {
  run(so(1) + uc(TRIANGLE, {{255, 0, 0}, {0, 0, 255}}, {0.0f, 0.25f, 1.0f}, ONE_STRIP) + sc());
  const GEOMShell* shell = get_segment(1)->facet_tree[0];
  const float* c = shell->get_colours();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(shell->get_normals(), nullptr);
  const float expected[9] = {1, 0, 0, 0.75f, 0, 0.25f, 0, 0, 1};
  for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(c[k], expected[k]) << k;
  EXPECT_FALSE(get_segment(1)->flags & SEG_LIT);
}

TEST_F(SegmentStore, UfReplacesPointsAndIndicesInPlace) {
  std::vector<Triple> square = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {1000, 1000, 0}};
  std::vector<Triple> normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
  std::string s = so(1) + ut(square, normals, {}, {1, 4, 0, 1, 2, 3});
  s += cmd("UF") + i(4) + deltas({{0, 0, 0}, {2000, 0, 0}, {0, 2000, 0}, {2000, 2000, 0}}) + i(0) + i(0) + i(6) +
       ints({1, 4, 3, 2, 1, 0});
  run(s);
  EXPECT_EQ(get_geomshell_number_of_points(), 4u);
  EXPECT_FLOAT_EQ(get_geomshell_points()[3].x, 2.0f);
  EXPECT_EQ(get_geomshell_indices()[2], 3u);
  EXPECT_EQ(get_segment(1)->facet_tree[0]->get_number_triangles(), 2u);
  EXPECT_FLOAT_EQ(get_segment(1)->facet_tree[0]->get_maximum()[1], 2.0f);
  run(sc());
}

TEST_F(SegmentStore, TgInEveryColourModeReachesThePalette) {
  std::string s = cmd("TG") + i(1) + i(4) + ints({10, 120, 50, 100});  // HLS: red
  s += cmd("TM") + ints({4, 0, 0}) + cmd("TG") + i(1) + i(4) + ints({11, 0, 255, 51});
  s += cmd("TM") + ints({1, 0, 0}) + cmd("TG") + i(1) + i(4) + ints({12, 100, 50, 0});
  run(s);
  const struct {
    unsigned index;
    float rgb[3];
  } cases[] = {{10, {1.0f, 1 / 255.0f, 1 / 255.0f}}, {11, {0, 1.0f, 0.2f}}, {12, {1.0f, 0.5f, 0}}};
  for (const auto& c : cases) {
    float rgb[3];
    get_colormap_entry(c.index, &rgb[0], &rgb[1], &rgb[2]);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(rgb[k], c.rgb[k]) << c.index << " " << k;
  }
}

TEST_F(SegmentStore, ColouredLinesBlendNeighboursAndClampToThePalette) {
  set_colormap_entry(2, 1, 0, 0);
  set_colormap_entry(3, 0, 1, 0);
  set_colormap_entry(99, 0, 0, 1);
  set_colormap_entry(0, 0.5f, 0.5f, 0.5f);
  create_segment(1);
  vector_type* points = checked_new_array<vector_type>(4);
  float* values = checked_new_array<float>(4);
  const float given[4] = {2.25f, 150.0f, -3.0f, NAN};
  for (int k = 0; k < 4; ++k) points[k] = {float(k), 0, 0}, values[k] = given[k];
  draw_colored_lines(points, values, 4);
  close_segment();
  const GEOMPolyline* line = static_cast<const GEOMPolyline*>(get_segment(1)->first_line);
  const float* c = line->get_colours();
  const float expected[12] = {0.75f, 0.25f, 0, 0, 0, 1, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  for (int k = 0; k < 12; ++k) EXPECT_FLOAT_EQ(c[k], expected[k]) << k;
}

TEST_F(SegmentStore, ShortVectorsAreDropped) {
  run(so(1) + cmd("BV") + i(2) + point3({0, 0, 0}) + point3({0, 0, 0}) + i(1) + i(1) + sc());
  EXPECT_EQ(get_segment(1)->first_line, nullptr);
  EXPECT_FALSE(get_segment(1)->flags & SEG_HAS_LINES);
}

TEST_F(SegmentStore, ReopeningInAnotherEntityMovesEmptiesAndKeepsAttributes) {
  std::string s = mode2() + so(1) + cmd("ML") + i(7) + lf({0, 0, 0}) + lg({1, 1, 1}) + sc();
  s += cmd("CE") + i(2) + i(5) + cmd("CL") + i(1) + tek::string_param("moved") + so(1) + sc();
  run(s);
  const bsegment* seg = get_segment(1);
  EntityList* entities = get_entity_list();
  int32_t e = entities->Find(2, 5);
  ASSERT_GT(e, 0);
  EXPECT_EQ(seg->entity, uint32_t(e));
  EXPECT_EQ(entities->GetFirstSegment(e), seg);
  EXPECT_EQ(entities->GetFirstSegment(0), nullptr);
  EXPECT_EQ(seg->first_line, nullptr);
  EXPECT_EQ(seg->attributes.get_line_color(), 7);
  EXPECT_EQ(get_segment_balances()->lines, 0);
  EXPECT_EQ(get_segment_balances()->segments, 1);
  EXPECT_EQ(entities->Get(e)->visibility, 1);
}

TEST_F(SegmentStore, EntityNamesEndAtABlankAndAreCutTo255Bytes) {
  std::string s = cmd("CE") + i(1) + i(1) + cmd("CL") + i(1) + tek::string_param("wing left");
  s += cmd("CE") + i(2) + i(70000) + cmd("CL") + i(2) + tek::string_param(std::string(400, 'n'));
  run(s);
  EntityList* entities = get_entity_list();
  EXPECT_STREQ(entities->Get(entities->Find(1, 1))->name, "wing");
  EXPECT_EQ(strlen(entities->Get(entities->Find(2, 70000))->name), 255u);
  EXPECT_EQ(entities->Get(entities->Find(2, 70000))->parent, entities->Get(entities->Find(1, 1)));
  EXPECT_EQ(get_entity_level(), 2u);
}

// ------------------------------------------------------------ counters

TEST_F(SegmentStore, CountersFollowEveryChangeOfAVisibleSegment) {
  const std::string shell = ut(TRIANGLE, UP, {}, ONE_STRIP);
  const std::string line = lf({0, 0, 0}) + lg({1000, 0, 0});
  const struct {
    const char* step;
    std::string bytes;
    segment_balances expected;  // segments, faces, lines, markers, text, fast lod, lod 1..10
  } steps[] = {
      {"open and fill: not counted before closing", so(1) + shell, {0, 0, 0, 0, 0, 0, {}}},
      {"close", sc(), {1, 1, 0, 0, 0, 0, {1}}},
      {"reopen and add lines", so(1) + line + sc(), {1, 1, 1, 0, 0, 0, {1}}},
      {"fast level of detail of the open segment", so(1) + cmd("FL") + i(1) + sc(), {1, 1, 1, 0, 0, 1, {1}}},
      {"a second level", so(1) + cmd("UM") + i(3) + shell + sc(), {1, 1, 1, 0, 0, 1, {1, 0, 1}}},
      {"flush", cmd("SF") + i(1), {1, 0, 0, 0, 0, 0, {}}},
      {"text into a flushed segment", so(1) + cmd("LT") + tek::string_param("t") + sc(), {1, 0, 0, 0, 1, 0, {}}},
      {"hide", cmd("SV") + i(1) + i(0), {0, 0, 0, 0, 0, 0, {}}},
      {"insert while hidden", so(1) + cmd("LH") + point3({1, 1, 1}) + sc(), {0, 0, 0, 0, 0, 0, {}}},
      {"show", cmd("SV") + i(1) + i(1), {1, 0, 0, 1, 1, 0, {}}},
      // The segment copies the fast level of detail that FL set as current.
      {"a second segment", so(2) + shell + sc(), {2, 1, 0, 1, 1, 1, {1}}},
      {"show twice", cmd("SV") + i(2) + i(1), {2, 1, 0, 1, 1, 1, {1}}},
      {"delete the first", cmd("SK") + i(1), {1, 1, 0, 0, 0, 1, {1}}},
      {"delete the open one", so(2) + cmd("SK") + i(2), {0, 0, 0, 0, 0, 0, {}}},
  };
  std::string stream = mode2();
  for (const auto& step : steps) {
    run(stream + step.bytes);
    stream.clear();
    const segment_balances* b = get_segment_balances();
    EXPECT_EQ(b->segments, step.expected.segments) << step.step;
    EXPECT_EQ(b->faces, step.expected.faces) << step.step;
    EXPECT_EQ(b->lines, step.expected.lines) << step.step;
    EXPECT_EQ(b->markers, step.expected.markers) << step.step;
    EXPECT_EQ(b->text, step.expected.text) << step.step;
    EXPECT_EQ(b->fast_lod, step.expected.fast_lod) << step.step;
    for (int l = 0; l < LEVELS_OF_DETAIL; ++l) EXPECT_EQ(b->lod[l], step.expected.lod[l]) << step.step << " lod " << l;
  }
}

// ------------------------------------------------------------ refusals

struct FatalCase {
  const char* name;
  std::string bytes;
  const char* message;  // a regular expression of standard error
};

TEST_F(SegmentStore, MalformedStreamsAreFatalWithTheirMessages) {
  const std::string shell = ut(TRIANGLE, UP, {}, ONE_STRIP);
  const FatalCase cases[] = {
      {"SO while open", so(1) + so(2), "SO command - A segment is already open"},
      {"SC without a segment", sc(), "SC command - no segment open"},
      {"line without a segment", mode2() + lf({0, 0, 0}) + lg({1, 0, 0}), "LG command - no segment open"},
      {"SK 0", cmd("SK") + i(0), "SK command - bad segment number"},
      {"SK -2", cmd("SK") + i(-2), "SK command - bad segment number"},
      {"SK -3", cmd("SK") + i(-3), "delete matching segments not supported"},
      {"SV 0", cmd("SV") + i(0) + i(1), "cursor visibility not supported"},
      {"SV -2", cmd("SV") + i(-2) + i(1), "future segment visibility not supported"},
      {"SV -3", cmd("SV") + i(-3) + i(0), "matching segment visibility not supported"},
      {"SV missing, visible", cmd("SV") + i(4) + i(1), "tried to make non-existent segment visible"},
      {"SV missing, invisible", cmd("SV") + i(4) + i(0), "tried to make non-existent segment invisible"},
      {"SO beyond the range", so(33554432), "integer parameter 33554432 out of range \\(1 - 33554431\\)"},
      {"two marker objects", mode2() + so(1) + cmd("LH") + point3({0, 0, 0}) + cmd("LH") + point3({1, 0, 0}) + sc(),
       "SC command - segment 1 has 2 markers/marker arrays"},
      {"two facet trees of one level", so(1) + shell + shell,
       "UT command - segment already contains facet tree of current level of detail"},
      {"empty level name", cmd("CL") + i(1) + i(0), "CL command - empty entity name"},
      {"level 0", cmd("CL") + i(0) + tek::string_param("x"), "CL command - entity level 0 outside 1..7"},
      {"level 8", cmd("CL") + i(8) + tek::string_param("x"), "CL command - entity level 8 outside 1..7"},
      {"entity type 255", cmd("CE") + i(255) + i(0), "integer parameter 255 out of range \\(0 - 254\\)"},
      {"cuboid of a missing entity", cmd("CE") + i(4) + i(77) + cmd("UE") + i(2) + ints({0, 0, 0, 1, 1, 1}),
       "UE command - bounding cuboid for missing entity \\(type 4, ident 77\\)"},
      {"facet size 0", so(1) + cmd("FS") + r(0.0f), "FS command - wrong facet size"},
      {"empty text", so(1) + cmd("LT") + i(0), "empty text string not supported"},
      {"level of detail without a segment", cmd("UM") + i(2), "UM command - no segment open"},
      {"zero normal", so(1) + ut(TRIANGLE, {{0, 0, 1}, {0, 0, 0}, {0, 0, 1}}, {}, ONE_STRIP),
       "Normal number 1 is 0, 0, 0.\n(.|\n)*UT command - Bad normal vector"},
      {"texture count", so(1) + cmd("UT") + i(3) + deltas(TRIANGLE) + i(3) + deltas(UP) + i(2),
       "UT command - Wrong number of texture coordinates"},
      {"colour position", so(1) + uc(TRIANGLE, {{0, 0, 0}, {9, 9, 9}}, {0, 1.5f, 0}, ONE_STRIP),
       "UC command - Color index out of range"},
      {"update without a facet tree", so(1) + cmd("UF") + i(0), "UF command - Update of facet tree not allowed"},
      {"update point count", so(1) + shell + cmd("UF") + i(4), "UF command - Bad number of points"},
      {"update index count", so(1) + shell + cmd("UF") + ints({0, 0, 0, 4}), "UF command - Bad number of indices"},
      {"hierarchy mismatch", cmd("CL") + i(1) + tek::string_param("a") + cmd("CL") + i(3) + tek::string_param("b"),
       "found hierarchy level mismatch:\ncurrent entity is\n   1: name = a, type = 0, ident = 0\n"},
  };
  for (const FatalCase& c : cases)
    EXPECT_EXIT(serve(c.bytes), testing::ExitedWithCode(1), contains_regex(c.message)) << c.name;
}

// The index checks are shared by UC, UT and UF; each case runs through all three.
TEST_F(SegmentStore, StripChecksOfEveryFacetTreeCommand) {
  const std::vector<Triple> square = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {1000, 1000, 0}};
  const std::vector<Triple> normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
  const struct {
    std::vector<long> indices;  // 6 entries for four points
    const char* message;
  } cases[] = {
      {{1, 6, 0, 1, 2, 3}, "Index array too short"},
      {{2, 2, 0, 1, 2, 3}, "Strip length < 3"},
      {{1, 4, 0, 1, 2, 4}, "Bad point index"},
      {{1, 4, 0, 1, 2, 1}, "Triangle contains equal point indices"},
      {{1, 3, 0, 1, 2, 3}, "Index array too long"},
      {{1, 4, 0, 0, 1, 2}, "Triangle contains equal point indices"},
      {{1, 4, 0, 1, 2, 2}, "Triangle contains equal point indices"},
      {{1, 4, 0, 0, 1, 4}, "Bad point index"},  // anywhere in the strip, before its equal indices
  };
  const std::vector<long> good = {1, 4, 0, 1, 2, 3};
  for (const auto& c : cases) {
    EXPECT_EXIT(serve(so(1) + ut(square, normals, {}, c.indices)), testing::ExitedWithCode(1),
                std::string("UT command - ") + c.message)
        << c.message;
    EXPECT_EXIT(serve(so(1) + uc(square, {{0, 0, 0}}, {0, 0, 0, 0}, c.indices)), testing::ExitedWithCode(1),
                std::string("UC command - ") + c.message)
        << c.message;
    EXPECT_EXIT(serve(so(1) + ut(square, normals, {}, good) + cmd("UF") + ints({0, 0, 0, 6}) + ints(c.indices)),
                testing::ExitedWithCode(1), std::string("UF command - ") + c.message)
        << c.message;
  }
  // Not all points used: five points, one strip over four.
  std::vector<Triple> five = square;
  five.push_back({5, 5, 5});
  EXPECT_EXIT(serve(so(1) + uc(five, {{0, 0, 0}}, {0, 0, 0, 0, 0}, {1, 5, 0, 1, 2, 3, 2})), testing::ExitedWithCode(1),
              "UC command - Triangle contains equal point indices");
  EXPECT_EXIT(serve(so(1) + uc(five, {{0, 0, 0}}, {0, 0, 0, 0, 0}, {2, 3, 0, 1, 2, 3, 1, 2, 3})),
              testing::ExitedWithCode(1), "UC command - Not all points used in index array");
}

// Fed in any pieces, the incremental index check finds what the check of the
// whole list finds: every list of the strip cases split at every element, and
// fed one element at a time.
TEST(IndexArrayCheck, PiecesFindWhatTheWholeListFinds) {
  const std::vector<std::vector<uint32_t>> lists = {
      {1, 4, 0, 1, 2, 3},    {1, 6, 0, 1, 2, 3},          {2, 2, 0, 1, 2, 3},    {1, 4, 0, 1, 2, 4},
      {1, 4, 0, 1, 2, 1},    {1, 3, 0, 1, 2, 3},          {1, 4, 0, 0, 1, 2},    {1, 4, 0, 0, 1, 4},
      {2, 3, 0, 1, 2, 3, 1, 2, 3}, {2, 3, 0, 1, 2, 3, 3, 2, 1}, {2, 3, 0, 1, 2},     {0},
      {0, 1},                {1},                         {3, 3, 0, 1, 2, 3, 1, 2, 3}, {2, 3, 0, 1, 2, 3, 1, 1, 3},
  };
  const unsigned long n_points = 4;
  for (const std::vector<uint32_t>& list : lists) {
    const char* whole = check_index_array(list.data(), list.size(), n_points);
    std::string expected = whole != nullptr ? whole : "good";
    std::vector<std::vector<unsigned long>> cuts;
    for (unsigned long k = 1; k < list.size(); ++k) cuts.push_back({k});
    std::vector<unsigned long> every;
    for (unsigned long k = 1; k < list.size(); ++k) every.push_back(k);
    cuts.push_back(every);
    for (const std::vector<unsigned long>& at : cuts) {
      std::vector<uint64_t> used(n_points / 64 + 1, 0);
      IndexArrayCheck check(list.size(), n_points, used.data());
      unsigned long from = 0;
      for (unsigned long to : at) check.feed(list.data() + from, to - from), from = to;
      check.feed(list.data() + from, list.size() - from);
      const char* found = check.finish();
      EXPECT_EQ(found != nullptr ? found : "good", expected)
          << "list of " << list.size() << " starting " << list[0] << ", " << at.size() << " cuts from " << at[0];
    }
  }
}

// ------------------------------------------------------------ reading across refills

// The input as two refills, cut after `cut` bytes.
std::string cut_input;
size_t cut_at;
int pieces_given;
unsigned char* two_piece_refill(buf_ptrs* b) {
  if (pieces_given == 2) longjmp(input_done, 1);
  size_t from = pieces_given++ == 0 ? 0 : cut_at, to = pieces_given == 1 ? cut_at : cut_input.size();
  memcpy(b->start, cut_input.data() + from, to - from);
  b->end = b->start + (to - from);
  *b->end = 0;
  return b->start;
}

// The fatal report's dump of a buffer with the read position at `pos`.
std::string buffer_dump(const std::string& buffer, size_t pos) {
  std::string out = "\nInput buffer contents:\n";
  for (size_t k = 0; k < buffer.size(); ++k) {
    unsigned char c = static_cast<unsigned char>(buffer[k]);
    char line[32];
    snprintf(line, sizeof line, "%c %x ", k == pos ? '>' : ' ', unsigned(int(static_cast<signed char>(c))));
    out += line;
    if (c >= 33 && c <= 126) out += char(c);
    else if (c == 27) out += "<EC>";
    out += '\n';
  }
  return out;
}

class FacetTreeAcrossRefills : public SceneStream {
 protected:
  void serve_cut(const std::string& bytes, size_t cut) {
    cut_input = bytes, cut_at = cut, pieces_given = 0;
    set_tek_input_source(two_piece_refill);
    if (setjmp(input_done) == 0) process_tektronix_commands();
  }
  void restart() {
    cleanup_tek_parser();
    cleanup_ldf();
    init_segment_structure();
    preset_tek_parser();
  }
};

const std::vector<Triple> SQUARE = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}, {1000, 1000, 0}};
const std::vector<long> SQUARE_STRIP = {1, 4, 0, 1, 2, 3};

// Normals of one to six characters, the facet tree cut between two refills at
// every byte: points, normals and indices come out as from one buffer.
TEST_F(FacetTreeAcrossRefills, AFacetTreeCutAtEveryByteReadsAsWhole) {
  const std::vector<Triple> normals = {{0, 0, 5}, {3000, 4, 0}, {0, -70000, 0}, {0, -70000, 0}};
  const std::string stream = so(1) + ut(SQUARE, normals, {}, SQUARE_STRIP) + sc();
  run(stream);
  const GEOMShell* whole = get_segment(1)->facet_tree[0];
  ASSERT_NE(whole, nullptr);
  const std::vector<float> points(&whole->get_points()[0].x, &whole->get_points()[0].x + 12);
  const std::vector<float> normal(whole->get_normals(), whole->get_normals() + 12);
  const std::vector<uint32_t> indices(whole->get_indices(), whole->get_indices() + SQUARE_STRIP.size());
  EXPECT_FLOAT_EQ(normal[2], 1.0f);  // the first normal, 0, 0, 5
  for (size_t k = 1; k < stream.size(); ++k) {
    restart();
    testing::internal::CaptureStderr();
    serve_cut(stream, k);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "cut after byte " << k;
    const GEOMShell* shell = get_segment(1)->facet_tree[0];
    ASSERT_NE(shell, nullptr) << "cut after byte " << k;
    EXPECT_EQ(std::vector<float>(&shell->get_points()[0].x, &shell->get_points()[0].x + 12), points) << k;
    EXPECT_EQ(std::vector<float>(shell->get_normals(), shell->get_normals() + 12), normal) << k;
    EXPECT_EQ(std::vector<uint32_t>(shell->get_indices(), shell->get_indices() + indices.size()), indices) << k;
  }
}

// A zero normal stops the command with the read position just after its last
// integer, whichever refill holds it; a malformed integer after it in the
// same buffer comes too late to be the fault.
TEST_F(FacetTreeAcrossRefills, AZeroNormalIsReportedJustAfterItWhereverTheCutFalls) {
  const std::string head = so(1) + cmd("UT") + i(4) + deltas(SQUARE) + i(4) + i(0) + i(0) + i(1);
  const std::string zero = i(0) + i(0) + i(-1);  // the sum comes back to 0, 0, 0
  const std::string stream = head + zero + i(5) + i(0) + i(0) + i(0) + i(7) + i(0) + "\x1b" + i(0) + i(1);
  const size_t end = head.size() + zero.size();
  for (size_t k = 1; k < stream.size(); ++k) {
    const std::string dump = k >= end ? buffer_dump(stream.substr(0, k), end) : buffer_dump(stream.substr(k), end - k);
    EXPECT_EXIT(serve_cut(stream, k), testing::ExitedWithCode(1),
                testing::HasSubstr("Normal number 1 is 0, 0, 0.\n" + dump +
                                   "\nFatal application error in <EC>UT command - Bad normal vector.\n"))
        << "cut after byte " << k;
  }
}

}  // namespace
