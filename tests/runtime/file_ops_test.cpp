// The render-setup file operations, run on a loaded program: the design,
// room and light files to and from YARL variables and arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>

#include "link/si.h"
#include "runtime/interpreter.h"
#include "scene/environment.h"
#include "setup_files/room_file.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/runner.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl_test::real_bits;

constexpr uint8_t READ_TARQ_ROOM = 155, SAVE_TARQ_ROOM = 157, READ_TARQ_LIGHT = 161, READ_TARQ_SCENE = 162,
                  SAVE_TARQ_LIGHT = 164, SAVE_TARQ_SCENE = 165;
constexpr int ARRAYS = 16;
constexpr uint8_t kinds[ARRAYS] = {K_INTEGER, K_BOOLEAN, K_REAL, K_REAL, K_REAL, K_BOOLEAN, K_REAL, K_REAL,
                                   K_REAL,    K_REAL,    K_REAL, K_REAL, K_ANGLE, K_REAL, K_INTEGER, K_REAL};
enum { TYPES, ENABLE, RED, GREEN, BLUE, VIEW, DX, DY, DZ, TX, TY, TZ, ANGLE, FOCUS, SHADOW, SOFTNESS };

// One light's sixteen values; integers for INTEGER, BOOLEAN and ANGLE.
struct Light {
  double v[ARRAYS];
};
const Light spot = {{3, 1, 0.5, 0.25, 1, 0, 1, 2, 3, 4, 5, 6, 324000, 128, 3, 10}};
const Light ambient = {{4, 0, 0.1, 0.2, 0.3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}};

class FileOps : public yarl_test::Loaded {
 protected:
  void SetUp() override {
    for (int k = 0; k < ARRAYS; ++k) {
      ident_info a = yarl::make_ident(uint8_t(K_ARRAY + kinds[k]));
      a.word2 = 300;
      std::string name("a");
      name += std::to_string(k);
      arrays[k] = program.add(GLOBAL, a, name);
    }
    for (uint16_t& s : names) s = program.add(GLOBAL, yarl::make_ident(K_STRING));
    result = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "result");
    load();
    balance = GetMallocBalance();
  }
  void run_code(Code& c) {
    in_interface_builder = true;  // a run-time error ends the run, not the program
    c.assign(GLOBAL, result);
    run(c.raw_bytes());
  }
  int32_t result_value() { return global(result)->val.i; }
  std::string first_line() { return traceback_line(0).substr(0, traceback_line(0).find(" in ")); }
  ident_info* array(int k) { return global(arrays[k]); }
  // Pushes the sixteen arrays of the lights; `count_of` may change one array's count.
  static void push_lights(Code& c, const std::vector<Light>& lights, int short_array = -1) {
    for (int k = 0; k < ARRAYS; ++k) {
      size_t n = lights.size() - (k == short_array ? 1 : 0);
      for (size_t i = 0; i < n; ++i) {
        double v = lights[i].v[k];
        if (kinds[k] == K_REAL)
          c.push_long(real_bits(float(v)));
        else
          c.push(int32_t(v));
      }
      c.push(int32_t(n));
    }
  }
  Code& light_refs(Code& c) {
    for (uint16_t a : arrays) c.ref(GLOBAL, a);
    return c;
  }

  TempDir dir;
  uint16_t arrays[ARRAYS];
  uint16_t names[4];
  uint16_t result;
  int32_t balance = 0;
};

TEST_F(FileOps, LightsGoToAFileAndBackIntoTheArrays) {
  std::string file = dir.file("l.light");
  Code save(false);
  save.push_string(file);
  push_lights(save, {spot, ambient});
  save.op(SAVE_TARQ_LIGHT);
  run_code(save);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(result_value(), 0);
  EXPECT_NE(read_file(file).find("spot_exponent 100.000000"), std::string::npos);

  Code load_lights(false);
  load_lights.push_string(file).op(READ_TARQ_LIGHT);
  light_refs(load_lights);
  run_code(load_lights);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(result_value(), 0);
  for (int k = 0; k < ARRAYS; ++k) ASSERT_EQ(array(k)->word6, 2) << k;
  EXPECT_EQ(array(TYPES)->val.a[0].i, 3);
  EXPECT_EQ(array(TYPES)->val.a[1].i, 4);
  EXPECT_EQ(array(ENABLE)->val.a[0].i, 1);
  EXPECT_EQ(array(ANGLE)->val.a[0].i, 324000) << "90 degrees as an ANGLE";
  EXPECT_EQ(array(ANGLE)->val.a[1].i, 3600) << "a light of another type: 1 degree";
  EXPECT_EQ(array(FOCUS)->val.a[0].r, 100.0f);
  EXPECT_EQ(array(TZ)->val.a[0].r, 6.0f);
  EXPECT_EQ(array(RED)->val.a[1].r, 0.1f);
  EXPECT_EQ(array(SHADOW)->val.a[1].i, 1);
  EXPECT_EQ(used_slots(), 0u);

  // No light: a negative result and sixteen empty arrays.
  write_file(dir.file("none"), "V1.0\n");
  Code none(false);
  none.push_string(dir.file("none")).op(READ_TARQ_LIGHT);
  light_refs(none);
  run_code(none);
  EXPECT_EQ(result_value(), -2);
  for (int k = 0; k < ARRAYS; ++k) EXPECT_EQ(array(k)->word6, 0) << k;
  EXPECT_EQ(GetMallocBalance(), balance);
}

TEST_F(FileOps, ThirtyTwoLightsFillTheArrays) {
  std::string text = "V1.0\n";
  for (int i = 0; i < 40; ++i) text += "light_type positional_light\n";
  write_file(dir.file("many"), text);
  Code c(false);
  c.push_string(dir.file("many")).op(READ_TARQ_LIGHT);
  light_refs(c);
  run_code(c);
  EXPECT_EQ(result_value(), 0);
  for (int k = 0; k < ARRAYS; ++k) EXPECT_EQ(array(k)->word6, 32) << k;
}

TEST_F(FileOps, SaveLightRefusesBadArrays) {
  struct Case {
    const char* name;
    std::function<void(Code&)> lights;
    const char* message;
  };
  Light bad_type = spot, red = spot, angle_91 = spot, nan_green = spot, focus = spot, shadow = spot, soft = spot;
  bad_type.v[TYPES] = 5;
  red.v[RED] = 1.5;
  angle_91.v[ANGLE] = 327600;
  nan_green.v[GREEN] = NAN;
  focus.v[FOCUS] = 128.5;
  shadow.v[SHADOW] = 0;
  soft.v[SOFTNESS] = -1;
  const char* const size_messages[ARRAYS - 1] = {
      "light types", "enable", "red", "green", "blue", "view dependency", "direction x", "direction y",
      "direction z", "target x", "target y", "target z", "spot angle", "spot focus", "shadow type"};
  std::vector<Case> cases;
  for (int k = ARRAYS - 2; k >= 0; --k) {
    static std::string messages[ARRAYS];
    messages[k] = std::string("SAVE_TARQ_LIGHT ") + size_messages[k] + " array has wrong size";
    cases.push_back({size_messages[k], [k](Code& c) { push_lights(c, {spot, spot}, k); }, messages[k].c_str()});
  }
  cases.push_back({"type", [=](Code& c) { push_lights(c, {bad_type}); }, "SAVE_TARQ_LIGHT light type not supported"});
  cases.push_back({"red", [=](Code& c) { push_lights(c, {red}); },
                   "SAVE_TARQ_LIGHT red color value out of range [0.0, 1.0]"});
  cases.push_back({"nan", [=](Code& c) { push_lights(c, {nan_green}); },
                   "SAVE_TARQ_LIGHT green color value out of range [0.0, 1.0]"});
  cases.push_back({"angle", [=](Code& c) { push_lights(c, {angle_91}); },
                   "SAVE_TARQ_LIGHT spot angle out of range [0, 90]"});
  cases.push_back({"focus", [=](Code& c) { push_lights(c, {focus}); },
                   "SAVE_TARQ_LIGHT spot focus out of range [0.0, 128.0]"});
  cases.push_back({"shadow", [=](Code& c) { push_lights(c, {shadow}); },
                   "SAVE_TARQ_LIGHT shadow type out of range [1, 3]"});
  cases.push_back({"softness", [=](Code& c) { push_lights(c, {soft}); },
                   "SAVE_TARQ_LIGHT shadow softness out of range [0.0, 10.0]"});
  cases.push_back({"256", [](Code& c) { push_lights(c, std::vector<Light>(256, spot)); },
                   "SAVE_TARQ_LIGHT more than 255 lights"});
  int32_t with_traceback = 0;  // the traceback's own strings stay after an error
  for (const Case& t : cases) {
    rterror = false;
    Code c(false);
    c.push_string(dir.file("refused"));
    t.lights(c);
    c.op(SAVE_TARQ_LIGHT);
    run_code(c);
    EXPECT_TRUE(rterror) << t.name;
    EXPECT_EQ(first_line(), t.message) << t.name;
    EXPECT_EQ(used_slots(), 0u) << t.name;
    if (with_traceback == 0) with_traceback = GetMallocBalance();
    EXPECT_EQ(GetMallocBalance(), with_traceback) << t.name;
  }
  EXPECT_FALSE(read_file(dir.file("refused")).size());
}

TEST_F(FileOps, SaveResultsAreNegativeOnFailure) {
  std::filesystem::create_directory(dir.file("folder"));
  Code light(false);
  light.push_string(dir.file("folder"));
  push_lights(light, {spot});
  light.op(SAVE_TARQ_LIGHT);
  run_code(light);
  EXPECT_EQ(result_value(), -1) << "a light file not written";
  Code empty(false);
  empty.push_string(dir.file("empty"));
  push_lights(empty, {});
  empty.op(SAVE_TARQ_LIGHT);
  run_code(empty);
  EXPECT_EQ(result_value(), -1) << "no lights";
  Code scene(false);
  scene.push_string(dir.file("folder")).push_string("m").push_string("").push_string("l").push_string("r");
  scene.op(SAVE_TARQ_SCENE);
  run_code(scene);
  EXPECT_EQ(result_value(), -1) << "a design file not written";
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_EQ(GetMallocBalance(), balance);
}

TEST_F(FileOps, SceneNamesGoToAFileAndBack) {
  std::string file = dir.file("d.design");
  Code save(false);
  save.push_string(file).push_string("m.df").push_string("").push_string("l.light").push_string("r.room");
  save.op(SAVE_TARQ_SCENE);
  run_code(save);
  EXPECT_EQ(result_value(), 0);
  EXPECT_EQ(read_file(file), "V1.000000\nmodel_file \"m.df\"\nlight_file \"l.light\"\nroom_file \"r.room\"\n");

  Code load_scene(false);
  load_scene.push_string(file).op(READ_TARQ_SCENE);
  for (uint16_t n : names) load_scene.ref(GLOBAL, n);
  run_code(load_scene);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(result_value(), 0);
  EXPECT_STREQ(global(names[0])->val.s, "l.light");
  EXPECT_STREQ(global(names[1])->val.s, "");
  EXPECT_STREQ(global(names[2])->val.s, "m.df");
  EXPECT_STREQ(global(names[3])->val.s, "r.room");

  Code missing(false);
  missing.push_string(dir.file("missing")).op(READ_TARQ_SCENE);
  for (uint16_t n : names) missing.ref(GLOBAL, n);
  run_code(missing);
  EXPECT_EQ(result_value(), -1);
  EXPECT_STREQ(global(names[0])->val.s, "l.light") << "the variables stay";
}

TEST_F(FileOps, RoomOperationsReachTheEnvironmentBox) {
  init_environment();
  const uint8_t red[4 * 4] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
  ASSERT_EQ(write_tiff(dir.file("red.tif").c_str(), 2, 2, red), 0);
  write_file(dir.file("r.room"), "V1.0\nfloor \"red.tif\"\n");
  clear_repaint();
  Code c(false);
  c.push_string(dir.file("r.room")).op(READ_TARQ_ROOM);
  run_code(c);
  EXPECT_EQ(result_value(), 0);
  EXPECT_TRUE(repaint_requested());
  ASSERT_NE(get_environment_side_texture(0), nullptr) << "the floor has its image";
  EXPECT_FALSE(get_environment_visible()) << "the box keeps its own visible flag";

  Code hidden(false);
  hidden.push_string(dir.file("out.room")).push(1).op(SAVE_TARQ_ROOM);
  run_code(hidden);
  EXPECT_EQ(result_value(), -1) << "hidden box";
  EXPECT_NE(access(dir.file("out.room").c_str(), F_OK), 0);

  bool visible, shown[6], lit[6], shadows[6], cull;
  float position[3], size[3], reflection[6], repeat[12];
  char* names[6];
  get_environment(&visible, shown, position, size, reflection, lit, shadows, repeat, names, &cull);
  set_environment(true, shown, position, size, reflection, lit, shadows, repeat, names, cull);
  for (char* name : names) CheckedFree(name);
  Code s(false);
  s.push_string(dir.file("out.room")).push(1).op(SAVE_TARQ_ROOM);
  run_code(s);
  EXPECT_EQ(result_value(), 0);
  EXPECT_TRUE(FileIsTiff(dir.file("out_floor.tif").c_str()));
  ASSERT_TRUE(std::filesystem::create_directory(dir.file("bad_floor.tif")));
  Code unwritten(false);
  unwritten.push_string(dir.file("bad.room")).push(1).op(SAVE_TARQ_ROOM);
  run_code(unwritten);
  EXPECT_EQ(result_value(), -1) << "an image not written";
  EXPECT_NE(access(dir.file("bad.room").c_str(), F_OK), 0);

  Code missing(false);
  missing.push_string(dir.file("missing")).op(READ_TARQ_ROOM);
  run_code(missing);
  EXPECT_EQ(result_value(), -1);
  cleanup_environment();
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_EQ(GetMallocBalance(), balance);
}

}  // namespace

// ---- The real server ----

namespace {

// A program whose initial code saves two lights, reads them back and exits
// with 7 plus both results; `angle` is the spot angle of the first light.
yarl::YarlProgram light_program(int32_t angle) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t refs[ARRAYS];
  for (int k = 0; k < ARRAYS; ++k) {
    ident_info a = yarl::make_ident(uint8_t(K_ARRAY + kinds[k]));
    a.word2 = 40;
    std::string name("a");
    name += std::to_string(k);
    refs[k] = p.add(GLOBAL, a, name);
  }
  uint16_t saved = p.add(GLOBAL, yarl::make_ident(K_INTEGER), "saved");
  Code& c = p.initial_code();
  c.push_string("lights.light");
  Light first = spot;
  first.v[ANGLE] = angle;
  for (int k = 0; k < ARRAYS; ++k) {
    for (const Light& l : {first, ambient})
      if (kinds[k] == K_REAL)
        c.push_long(real_bits(float(l.v[k])));
      else
        c.push(int32_t(l.v[k]));
    c.push(2);
  }
  c.op(SAVE_TARQ_LIGHT).assign(GLOBAL, saved);
  c.push_string("lights.light").op(READ_TARQ_LIGHT);
  for (uint16_t r : refs) c.ref(GLOBAL, r);
  c.push_var(GLOBAL, saved).op(yarl_test::op::ADD_INTEGER).push(7).op(yarl_test::op::ADD_INTEGER).op(yarl::op::EXIT);
  return p;
}

RunResult run_light_program(const TempDir& dir, int32_t angle) {
  if (!light_program(angle).write(dir.file("lights.b"))) return {};
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", "lights.b"};
  options.directory = dir.path();
  options.own_display = true;
  return run_program(options);
}

TEST(FileOpsServer, SavesAndReadsLightsThroughYarl) {
  TempDir dir;
  RunResult r = run_light_program(dir, 324000);
  EXPECT_EQ(r.exit_code, 7) << r.err;
  std::string text = read_file(dir.file("lights.light"));
  EXPECT_EQ(text.rfind("V1.000000\nlight_type spot_light\n", 0), 0u) << text;
  EXPECT_NE(text.find("spot_cutoff 90.000000\n"), std::string::npos);
  EXPECT_NE(text.find("light_type ambient_light\n"), std::string::npos);

  TempDir refused;
  r = run_light_program(refused, 327600);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("SAVE_TARQ_LIGHT spot angle out of range [0, 90]"), std::string::npos) << r.err;
  EXPECT_EQ(read_file(refused.file("lights.light")), "");
}

}  // namespace
