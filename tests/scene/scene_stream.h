// Command streams for the scene tests: the parser reads byte buffers through
// its input source, and the test encodes segments, facet trees and attributes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "scene/display_options.h"
#include "scene/segment_store.h"
#include "tests/support/protocol.h"
#include "view/transforms.h"
#include "view/views.h"

namespace scene_stream {

using Triple = std::array<long, 3>;

inline std::string input;
inline bool input_given;
inline size_t input_taken;
inline jmp_buf input_done;

// Hands the input over in pieces the parser's buffer holds; at its end, back to serve.
inline unsigned char* one_buffer_refill(buf_ptrs* b) {
  if (!input_given) input_given = true, input_taken = 0;
  if (input_taken >= input.size()) longjmp(input_done, 1);
  size_t n = std::min(input.size() - input_taken, size_t(HOST_INPUT_SIZE));
  memcpy(b->start, input.data() + input_taken, n);
  input_taken += n;
  b->end = b->start + n;
  *b->end = 0;
  return b->start;
}

inline std::string cmd(const char* letters) { return tek::command(letters); }
inline std::string i(long v) { return tek::int_param(v); }
inline std::string r(float v) { return tek::real_param(v); }
inline std::string ints(const std::vector<long>& values) {
  std::string s;
  for (long v : values) s += i(v);
  return s;
}
// Each element as the difference to the one before.
inline std::string deltas(const std::vector<Triple>& values) {
  std::string s;
  Triple last = {0, 0, 0};
  for (const Triple& v : values) {
    for (int k = 0; k < 3; ++k) s += i(v[k] - last[k]);
    last = v;
  }
  return s;
}
inline std::string delta_pairs(const std::vector<std::array<long, 2>>& values) {
  std::string s;
  std::array<long, 2> last = {0, 0};
  for (const auto& v : values) {
    for (int k = 0; k < 2; ++k) s += i(v[k] - last[k]);
    last = v;
  }
  return s;
}
inline std::string so(long n) { return cmd("SO") + i(n); }
inline std::string sc() { return cmd("SC"); }
inline std::string point3(const Triple& p) { return i(p[0]) + i(p[1]) + i(p[2]); }

// A facet tree with normals (UT); texture coordinates in millionths, or none.
inline std::string ut(const std::vector<Triple>& points, const std::vector<Triple>& normals,
                      const std::vector<std::array<long, 2>>& texture, const std::vector<long>& indices) {
  std::string s = cmd("UT") + i(long(points.size())) + deltas(points) + i(long(normals.size())) + deltas(normals);
  s += i(long(texture.size()));
  if (!texture.empty()) s += delta_pairs(texture);
  return s + i(long(indices.size())) + ints(indices);
}

// A facet tree with colours (UC): k palette colours of 0..255 and a position per point.
inline std::string uc(const std::vector<Triple>& points, const std::vector<Triple>& palette,
                      const std::vector<float>& positions, const std::vector<long>& indices) {
  std::string s = cmd("UC") + i(long(points.size())) + deltas(points) + i(long(palette.size()));
  for (const Triple& c : palette) s += point3(c);
  s += i(long(positions.size()));
  for (float p : positions) s += r(p);
  return s + i(long(indices.size())) + ints(indices);
}

inline const std::vector<Triple> TRIANGLE = {{0, 0, 0}, {1000, 0, 0}, {0, 1000, 0}};
inline const std::vector<Triple> UP = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
inline const std::vector<long> ONE_STRIP = {1, 3, 0, 1, 2};

class SceneStream : public testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Counted from here: the display a suite opened first holds blocks of its
    // own under Windows, freed when the suite closes it.
    malloc_balance_at_start = GetMallocBalance();
    init_segment_structure();
    preset_tek_parser();
    set_tek_input_source(one_buffer_refill);
    get_display_options()->reset();
  }
  void TearDown() override {
    cleanup_tek_parser();
    set_tek_input_source(nullptr);
    cleanup_ldf();
    EXPECT_EQ(GetMallocBalance(), malloc_balance_at_start);
  }
  // Runs the command loop over the bytes; returns what went to standard error.
  std::string run(const std::string& bytes) {
    testing::internal::CaptureStderr();
    serve(bytes);
    return testing::internal::GetCapturedStderr();
  }
  void serve(const std::string& bytes) {
    input = bytes;
    input_given = false;
    if (setjmp(input_done) == 0) process_tektronix_commands();
  }
  int32_t malloc_balance_at_start = 0;
};

// View 1 current, the views in their start state, over a graphics area of
// width x height pixels.
inline void start_view_1(float width = 1280, float height = 1024) {
  put_predef(111, 1);
  init_views();
  change_vl_system_viewport(0, width, 0, height);
}

// A stream into a scene seen through view 1 over a 1280 x 1024 area.
class ViewedSceneStream : public SceneStream {
 protected:
  void SetUp() override {
    start_view_1();
    SceneStream::SetUp();
  }
};

}  // namespace scene_stream
