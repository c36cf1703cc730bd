// SET_MATERIAL and GET_MATERIAL run on a loaded program against the material list.
#include "runtime/material_ops.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "scene/materials.h"
#include "tests/runtime/yarl_fixture.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl_test::real_bits;

constexpr uint8_t GET_MATERIAL = 136, SET_MATERIAL = 142;

// The kinds of the 24 material attributes.
const uint8_t KINDS[24] = {K_STRING,  K_INTEGER, K_ARRAY + K_REAL, K_ARRAY + K_REAL, K_ARRAY + K_REAL,
                           K_ARRAY + K_REAL, K_REAL, K_BOOLEAN, K_BOOLEAN, K_BOOLEAN,
                           K_BOOLEAN, K_STRING,  K_STRING,  K_STRING,  K_INTEGER,
                           K_REAL,    K_REAL,    K_REAL,    K_REAL,    K_BOOLEAN,
                           K_REAL,    K_INTEGER, K_BOOLEAN, K_BOOLEAN};

struct Colours {
  int lengths[4] = {4, 4, 4, 4};  // ambient, diffuse, specular, emission
  float value = 0.5f;
};

class MaterialOps : public yarl_test::Loaded {
 protected:
  void SetUp() override {
    for (int k = 0; k < 24; ++k) {
      ident_info id = make_ident(KINDS[k]);
      if (is_array_kind(id.kind)) id.word2 = 0xFFFF;
      attribute[k] = program.add(GLOBAL, id, "attribute_" + std::to_string(k + 1));
    }
    load();
    in_interface_builder = true;  // errors end the run, not the program
    init_material_list();
  }
  void TearDown() override {
    cleanup_material_list();
    Loaded::TearDown();
  }
  // SET_MATERIAL of `index` named `name`, transparency 0.25, texture mode 3.
  static Code set_material(int32_t index, const std::string& name, const Colours& colours = {}) {
    Code c(false);
    c.push_long(uint32_t(index)).push_string(name).push(7);
    for (int length : colours.lengths) {
      for (int k = 0; k < length; ++k) c.push_long(real_bits(colours.value));
      c.push(length);
    }
    c.push_long(real_bits(20));                           // 7 shininess
    c.push(0).push(1).push(0).push(0);                    // 8 to 11
    c.push_string("wood.tif").push_string("").push_string("");  // 12 to 14
    c.push(3);                                            // 15 texture mode
    for (float v : {0.0f, 0.0f, 0.0f, 0.25f}) c.push_long(real_bits(v));  // 16 to 19
    c.push(0).push_long(real_bits(1)).push(1).push(1).push(0);      // 20 to 24
    return c.op(SET_MATERIAL);
  }
  Code get_material(int32_t index) {
    Code c(false);
    c.push_long(uint32_t(index)).op(GET_MATERIAL);
    for (uint16_t a : attribute) c.ref_long(GLOBAL, a);
    return c;
  }
  void run_code(const Code& c) { run(c.raw_bytes()); }
  std::string error_text() { return rterror ? traceback_line(0) : ""; }

  uint16_t attribute[24];
};

TEST_F(MaterialOps, SetAppendsAtCountPlusOneAndGetReadsEveryAttribute) {
  run_code(set_material(1, "oak"));
  ASSERT_FALSE(rterror) << error_text();
  run_code(set_material(2, "ash"));
  EXPECT_EQ(get_predef(110), 2);
  run_code(set_material(1, "elm"));  // replaces
  EXPECT_EQ(get_predef(110), 2);
  run_code(get_material(1));
  ASSERT_FALSE(rterror) << error_text();
  EXPECT_STREQ(global(attribute[0])->val.s, "elm");
  EXPECT_EQ(global(attribute[1])->val.i, 7);
  for (int array = 2; array <= 5; ++array) {
    ASSERT_EQ(global(attribute[array])->word6, 4) << array;
    EXPECT_FLOAT_EQ(global(attribute[array])->val.a[3].r, 0.5f) << array;
  }
  EXPECT_FLOAT_EQ(global(attribute[6])->val.r, 20.0f);
  EXPECT_EQ(global(attribute[8])->val.i, 1) << "textured";
  EXPECT_STREQ(global(attribute[11])->val.s, "wood.tif") << "not found: the name as given";
  EXPECT_EQ(global(attribute[14])->val.i, 3);
  EXPECT_FLOAT_EQ(global(attribute[18])->val.r, 0.25f);
  EXPECT_EQ(global(attribute[22])->val.i, 1) << "casts shadows";
  EXPECT_TRUE(material_is_transparent(1));
}

TEST_F(MaterialOps, RefusalsAreRunTimeErrors) {
  Colours short_diffuse;
  short_diffuse.lengths[1] = 3;
  Colours short_ambient_and_emission;
  short_ambient_and_emission.lengths[0] = short_ambient_and_emission.lengths[3] = 5;
  Colours too_bright;
  too_bright.value = 1.5f;
  const struct {
    const char* name;
    Code code;
    const char* error;
  } cases[] = {
      {"short diffuse", set_material(1, "a", short_diffuse), "SET_MATERIAL diffuse color array must be 4 elements long"},
      {"emission checked first", set_material(1, "a", short_ambient_and_emission),
       "SET_MATERIAL emission color array must be 4 elements long"},
      {"colour above 1", set_material(1, "a", too_bright), "SET_MATERIAL color value out of range [0.0, 1.0]"},
      {"index 0", set_material(0, "a"), "SET_MATERIAL - material index out of range"},
      {"index past count + 1", set_material(2, "a"), "SET_MATERIAL - material index out of range"},
      {"get without materials", get_material(1), "GET_MATERIAL - material index out of range"},
      {"get index 0", get_material(0), "GET_MATERIAL - material index out of range"},
  };
  for (const auto& c : cases) {
    run_code(c.code);
    EXPECT_TRUE(rterror) << c.name;
    EXPECT_EQ(error_text().rfind(std::string(c.error) + " in ", 0), 0u) << c.name << ": " << error_text();
    EXPECT_EQ(get_predef(110), 0) << c.name;
  }
}

}  // namespace
