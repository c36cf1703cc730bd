// The display file's tests: its number codes written out, records of a
// file, a fixture that saves and reads the scene, and a sample scene.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "scene/display_file.h"
#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/runner.h"

namespace display_file {

using namespace scene_stream;

inline std::string code(int32_t v) {
  char b[8];
  return std::string(b, df_encode_int(v, b));
}

// The prelude of a file: header line, version, time, stamp word, options.
inline std::string prelude(uint32_t created, int32_t version = 0, int32_t stamp_word = 0, int32_t options = 0) {
  std::string s = DF_HEADER + code(version);
  // The time as the writer puts it: the unsigned magnitude.
  char b[8];
  s += created <= 0x7FFFFFFF ? code(int32_t(created)) : std::string(b, 0);
  if (created > 0x7FFFFFFF) {
    uint32_t v = created;
    const char groups[6] = {char(0x40 | (v >> 28)), char(0x40 | ((v >> 22) & 0x3F)), char(0x40 | ((v >> 16) & 0x3F)),
                            char(0x40 | ((v >> 10) & 0x3F)), char(0x40 | ((v >> 4) & 0x3F)), char((v & 0xF) | 0x30)};
    s += std::string(groups, 6);
  }
  return s + code(stamp_word) + code(options);
}
inline uint32_t now() { return uint32_t(time(nullptr)); }
inline std::string f(float v) {
  int32_t m, e;
  df_float_parts(v, &m, &e);
  return code(m) + code(e);
}
inline std::string floats(std::initializer_list<float> values) {
  std::string s;
  for (float v : values) s += f(v);
  return s;
}
// A record line of a token and its encoded fields.
inline std::string rec(int token, const std::string& fields) { return code(token) + fields + "\n"; }
inline std::string shell_record(int level, int material = 1, int32_t strip_length = 3, int32_t last_index = 2) {
  std::string s = code(material) + code(level) + f(1e-6f);
  s += code(3) + code(0) + code(0) + code(0) + code(1000) + code(0) + code(0) + code(-1000) + code(1000) + code(0);
  s += code(3);
  for (int k = 0; k < 3; ++k) s += code(0) + code(0) + code(k == 0 ? 1000 : 0);
  s += code(0) + code(0);
  s += code(5) + code(1) + code(strip_length) + code(0) + code(1) + code(last_index);
  s += code(1) + code(1) + floats({0, 0, 1, 1, 0});
  return rec(DF_GEOMSHELL, s);
}
inline std::string polyline_record(int colour = 3, int width = 2, int stipple = 0, int points = 2) {
  std::string s = code(3 * points);
  for (int p = 0; p < points; ++p) s += floats({float(p), 0, 0});
  return rec(DF_POLYLINE, s + code(colour) + code(width) + code(stipple));
}
inline std::string end_record() { return rec(DF_END, ""); }

class DisplayFile : public ViewedSceneStream {
 protected:
  void TearDown() override {
    set_texture_path("");
    init_environment();  // frees the box's file names
    set_lens_flares(1, false, false);
    cleanup_material_list();
    init_material_list();
    init_lights();
    ViewedSceneStream::TearDown();
  }
  // As READ_DF: a cleared scene, the file read, a segment left open closed.
  int reload(const std::string& path, std::string* err = nullptr) {
    clear_df_scene();
    testing::internal::CaptureStderr();
    int result = read_df(path.c_str(), &stamp, &options);
    std::string e = testing::internal::GetCapturedStderr();
    if (err != nullptr) *err = e;
    if (open_segment_number() != 0) close_segment();
    return result;
  }
  int save(const std::string& path, int32_t with_stamp = 7) {
    write_df out;
    if (out.open(path.c_str(), with_stamp)) return -2;
    return save_df(&out, true);
  }
  int read_text(const std::string& text, std::string* err = nullptr) {
    write_file(dir.file("in.df"), text);
    return reload(dir.file("in.df"), err);
  }
  static int segment_count() {
    int n = 0;
    for (unsigned long s = 1; s <= segment_number_bound(); ++s) n += get_segment(s) != nullptr;
    return n;
  }
  // What follows the prelude (header line and three integers).
  static std::string body(const std::string& file) {
    size_t p = file.find('\n') + 1;
    for (int k = 0; k < 3; ++k) {
      while (p < file.size() && uint8_t(file[p]) >= 0x40) ++p;
      ++p;
    }
    return file.substr(p);
  }

  TempDir dir;
  int32_t stamp = 0, options = 0;
};

// A scene of every kind the file keeps: a lit facet tree at levels 1 and 2, a
// coloured one, a plain and a coloured poly-line, a material and a light.
inline std::string sample_scene() {
  std::string s = tek::set_coor_mode(2, 6);
  s += so(1) + ut(TRIANGLE, UP, {{0, 0}, {1000000, 0}, {0, 1000000}}, ONE_STRIP);
  s += cmd("UM") + i(2) + ut(TRIANGLE, UP, {}, ONE_STRIP) + sc();
  s += so(2) + uc({{2000, 0, 0}, {3000, 0, 0}, {2000, 1000, 0}}, {{255, 0, 0}, {0, 0, 255}}, {0, 0.5f, 1}, ONE_STRIP) +
       sc();
  s += so(3) + cmd("ML") + i(4) + cmd("MW") + i(9) + cmd("LF") + point3({0, -1000, 0}) + cmd("LG") +
       point3({1000, -1000, 500}) + sc();
  return s;
}

}  // namespace display_file
