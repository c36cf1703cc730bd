// The light file: reader, writer and printer, and the exchange with the
// sixteen light arrays.
#include <cmath>
#include <string>

#include "setup_files/light_file.h"
#include "tests/setup_files/light_file_fixture.h"

namespace {

using namespace setup_test;

// The sixteen arrays of one import or export.
struct Arrays {
  uint32_t type[32] = {};
  bool enable[32] = {};
  float red[32] = {}, green[32] = {}, blue[32] = {};
  bool view[32] = {};
  float x[32] = {}, y[32] = {}, z[32] = {}, tx[32] = {}, ty[32] = {}, tz[32] = {};
  float angle[32] = {}, focus[32] = {};
  uint32_t shadow[32] = {};
  float softness[32] = {};

  int import(const std::string& path) {
    return TrqDlgImport(path.c_str(), type, enable, red, green, blue, view, x, y, z, tx, ty, tz, angle, focus, shadow,
                        softness);
  }
  int export_to(const std::string& path, uint32_t n) const {
    return TrqDlgExport(path.c_str(), n, type, enable, red, green, blue, view, x, y, z, tx, ty, tz, angle, focus,
                        shadow, softness);
  }
};

const char* const golden =
    "V1.000000\n"
    "light_type spot_light\n"
    "ambient_light_color 0.100000 0.200000 0.300000 1.000000\n"
    "casts_shadows 1\n"
    "constant_attenuation 1.000000\n"
    "default_light 0\n"
    "diffuse_light_color 1.000000 1.000000 1.000000 1.000000\n"
    "headlight 0\n"
    "light_name \"Spot one\"\n"
    "light_state 1\n"
    "linear_attenutation 1.000000\n"
    "position 0.000000 3.000000 3.000000\n"
    "aim_at 1.500000 -2.000000 0.000000\n"
    "quadratic_attenuation 0.000000\n"
    "specular_light_color 1.000000 1.000000 1.000000 1.000000\n"
    "spot_cutoff 45.000000\n"
    "spot_exponent 0.000000\n";

TEST_F(LightFile, WriterAndPrinterGiveTheirBytes) {
  TrqDlg* list = spot();
  ASSERT_EQ(TrqDlgWrite(path("l").c_str(), list), 0);
  EXPECT_EQ(contents("l"), golden);
  // Reals that hold the unset value are left out (and read back as defaults).
  TrqComInitArrF(list->lights[0].position, {TRQ_UNSET, TRQ_UNSET, TRQ_UNSET});
  list->lights[0].spot_cutoff = TRQ_UNSET;
  ASSERT_EQ(TrqDlgWrite(path("unset").c_str(), list), 0);
  std::string without = golden;
  without.erase(without.find("position"), 36);
  without.erase(without.find("spot_cutoff"), 22);
  EXPECT_EQ(contents("unset"), without);
  TrqComInitArrF(list->lights[0].position, {0, 3, 3});
  list->lights[0].spot_cutoff = 45;
  testing::internal::CaptureStdout();
  EXPECT_EQ(TrqDlgPrint(list), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n"
            "light_type               : spot_light\n"
            "ambient_light_color      : 0.1 0.2 0.3 1 \n"
            "casts_shadows            : 1\n"
            "constant_attenuation     : 1\n"
            "default_light            : 0\n"
            "diffuse_light_color      : 1 1 1 1 \n"
            "headlight                : 0\n"
            "light_name               : \"Spot one\"\n"
            "light_state              : 1\n"
            "linear_attenutation      : 1\n"
            "position                 : 0 3 3 \n"
            "aim_at                   : 1.5 -2 0 \n"
            "quadratic_attenuation    : 0\n"
            "specular_light_color     : 1 1 1 1 \n"
            "spot_cutoff              : 45\n"
            "spot_exponent            : 0\n");
  TrqDlgFree(list);
}

TEST_F(LightFile, RecordsRoundTrip) {
  struct {
    const char* name;
    void (*change)(TrqLight&);
  } cases[] = {
      {"defaults", [](TrqLight&) {}},
      {"odd_type_word_quoted", [](TrqLight& l) { copy_string(&l.type, "light_type-x"); }},
      {"type_with_blank", [](TrqLight& l) { copy_string(&l.type, "my light"); }},
      {"no_name", [](TrqLight& l) { CheckedFree(l.name); l.name = nullptr; }},
      {"small_and_large_reals", [](TrqLight& l) { TrqComInitArrF(l.position, {1e-7, -1e12, 123.4567891}); }},
  };
  for (const auto& c : cases) {
    TrqDlg* list = spot();
    c.change(list->lights[0]);
    round_trip(list, c.name);
    TrqDlgFree(list);
  }
  // The record read back holds what was written, reals within "%f".
  TrqDlg* list = spot();
  ASSERT_EQ(TrqDlgWrite(path("same").c_str(), list), 0);
  TrqDlg* back;
  ASSERT_EQ(TrqDlgRead(path("same").c_str(), &back), 0);
  ASSERT_EQ(back->count, 1u);
  EXPECT_EQ(back->version, 1.0);
  EXPECT_STREQ(back->lights[0].name, "Spot one");
  EXPECT_NEAR(back->lights[0].ambient[1], 0.2, 1e-6);
  EXPECT_EQ(back->lights[0].casts_shadows, 1);
  TrqDlgFree(back);
  TrqDlgFree(list);
}

TEST_F(LightFile, ReaderEdgeCases) {
  struct {
    const char* name;
    const char* text;
    uint32_t count;
    void (*check)(const TrqDlg*);
  } cases[] = {
      {"no_version_keeps_the_first_light", "light_type spot_light\nspot_cutoff 30.0\n", 1,
       [](const TrqDlg* l) {
         EXPECT_TRUE(trq_is_unset(l->version));
         EXPECT_EQ(l->lights[0].spot_cutoff, 30);
       }},
      {"cutoff_out_of_range", "V1.0\nlight_type spot_light\nspot_cutoff 200.0\nlight_state 0\n", 1,
       [](const TrqDlg* l) {
         EXPECT_EQ(l->lights[0].spot_cutoff, 90);
         EXPECT_EQ(l->lights[0].state, 0) << "the keyword after the refused value is read";
       }},
      {"type_as_number", "V1.0\nlight_type 5\nlight_state 0\nlight_type ambient_light\n", 1,
       [](const TrqDlg* l) {
         EXPECT_STREQ(l->lights[0].type, "ambient_light");
         EXPECT_EQ(l->lights[0].state, 1);
       }},
      {"colour_of_two_values", "V1.0\nlight_type ambient_light\nambient_light_color 0.5 0.5\nheadlight 1\n", 1,
       [](const TrqDlg* l) {
         EXPECT_EQ(l->lights[0].ambient[0], 1);
         EXPECT_EQ(l->lights[0].headlight, 1);
       }},
      {"second_name_refused", "V1.0\nlight_type spot_light\nlight_name a\nlight_name b\n", 1,
       [](const TrqDlg* l) { EXPECT_STREQ(l->lights[0].name, "a"); }},
      {"keywords_before_a_light_skipped", "V1.0\nlight_state 0\nfloor x\nlight_type spot_light\n", 1,
       [](const TrqDlg* l) { EXPECT_EQ(l->lights[0].state, 1); }},
      {"not_a_light_file", "\x01\x02 junk 12 \"", 0, [](const TrqDlg*) {}},
  };
  for (const auto& c : cases) {
    TrqDlg* list;
    ASSERT_EQ(TrqDlgRead(put(c.name, c.text).c_str(), &list), 0) << c.name;
    ASSERT_EQ(list->count, c.count) << c.name;
    c.check(list);
    TrqDlgFree(list);
  }
  TrqDlg* none;
  EXPECT_EQ(TrqDlgRead(path("missing").c_str(), &none), 1);
  EXPECT_EQ(none, nullptr);
}

TEST_F(LightFile, ListsGrowByTenUpToTheLimit) {
  struct {
    uint32_t lights, read, capacity;
  } cases[] = {{11, 11, 20}, {33, 33, 40}, {10001, 10000, 10000}};
  for (const auto& c : cases) {
    std::string text = "V1.0\n";
    for (uint32_t i = 0; i < c.lights; ++i) text += "light_type spot_light\nlight_state 0\n";
    TrqDlg* list;
    ASSERT_EQ(TrqDlgRead(put("many", text).c_str(), &list), 0);
    EXPECT_EQ(list->count, c.read) << c.lights;
    EXPECT_EQ(list->capacity, c.capacity) << c.lights;
    EXPECT_EQ(list->lights[list->count - 1].state, 0) << "the last light is read whole";
    TrqDlgFree(list);
  }
}

TEST_F(LightFile, WritersRefuseWhatWouldNotReadBack) {
  put("l", "old");
  for (auto change : {+[](TrqLight& l) { copy_string(&l.name, "say \"hi\""); },
                      +[](TrqLight& l) { copy_string(&l.name, "two\nlines"); },
                      +[](TrqLight& l) { l.position[1] = NAN; },
                      +[](TrqLight& l) { l.spot_exponent = INFINITY; }}) {
    TrqDlg* list = spot();
    change(list->lights[0]);
    EXPECT_EQ(TrqDlgWrite(path("l").c_str(), list), 1);
    TrqDlgFree(list);
  }
  EXPECT_EQ(contents("l"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"l"}));
  TrqDlg* empty;
  TrqDlgAlloc(&empty, 0);
  EXPECT_EQ(TrqDlgWrite(path("none").c_str(), empty), -1);
  EXPECT_EQ(entries(), (std::set<std::string>{"l"}));
  TrqDlgFree(empty);
}

TEST_F(LightFile, FailedWritesLeaveTheOldFile) {
  std::string old(60, 'o');
  put("l", old);
  ASSERT_TRUE(add_folder("folder"));
  TrqDlg* list = spot();
  EXPECT_EQ(TrqDlgWrite(path("folder").c_str(), list), 1);
  TrqDlgFree(list);
  EXPECT_EQ(contents("l"), old);
  EXPECT_EQ(entries(), (std::set<std::string>{"l", "folder"}));
}

// ---- Import and export ----

TEST_F(LightFile, EachTypeExportsAndImportsBack) {
  Arrays out;
  // directional, positional, spot, ambient, and an unknown type left out
  const uint32_t types[5] = {1, 2, 3, 4, 9};
  for (int i = 0; i < 5; ++i) {
    out.type[i] = types[i];
    out.enable[i] = i != 1;
    out.red[i] = 0.25f, out.green[i] = 0.5f, out.blue[i] = 0.75f;
    out.x[i] = 1, out.y[i] = 2, out.z[i] = 3;
    out.tx[i] = 4, out.ty[i] = 5, out.tz[i] = 6;
    out.angle[i] = 30, out.focus[i] = 150;
    out.shadow[i] = i == 0 ? 1 : 3;
    out.softness[i] = 2;
  }
  out.z[0] = 1, out.x[0] = out.y[0] = 0;  // a directional light straight up
  out.view[0] = true;
  ASSERT_EQ(out.export_to(path("l"), 5), 0);
  std::string text = contents("l");
  EXPECT_NE(text.find("light_type directional_light\n"), std::string::npos);
  EXPECT_NE(text.find("position 0.000000 0.000000 100.000000\naim_at 0.000000 0.000000 0.000000\n"),
            std::string::npos);
  EXPECT_NE(text.find("spot_exponent 100.000000\n"), std::string::npos) << "a focus of 150 is cut";
  EXPECT_NE(text.find("light_name \"Light-4\"\n"), std::string::npos);
  EXPECT_EQ(text.find("Light-5"), std::string::npos) << "the unknown type is left out";

  Arrays in;
  ASSERT_EQ(in.import(path("l")), 4);
  EXPECT_EQ(in.type[0], 1u);
  EXPECT_EQ(in.x[0], 0);
  EXPECT_EQ(in.z[0], 1) << "the direction comes back";
  EXPECT_TRUE(in.view[0]);
  EXPECT_EQ(in.shadow[0], 1u);
  EXPECT_EQ(in.angle[0], 1.0f);
  EXPECT_EQ(in.focus[0], 10.0f);
  EXPECT_EQ(in.type[1], 2u);
  EXPECT_FALSE(in.enable[1]);
  EXPECT_EQ(in.y[1], 2);
  EXPECT_EQ(in.shadow[1], 3u);
  EXPECT_EQ(in.type[2], 3u);
  EXPECT_EQ(in.tz[2], 6);
  EXPECT_EQ(in.angle[2], 30);
  EXPECT_EQ(in.focus[2], 100);
  EXPECT_EQ(in.type[3], 4u);
  EXPECT_EQ(in.red[3], 0.25f);
  EXPECT_EQ(in.blue[3], 0.75f);
  EXPECT_EQ(in.x[3], 0) << "an ambient light has no position";
  for (int i = 0; i < 4; ++i) EXPECT_EQ(in.softness[i], 1.0f);
}

TEST_F(LightFile, ImportTakesAtMost32AndReportsFailures) {
  std::string text = "V1.0\n";
  for (int i = 0; i < 40; ++i) text += "light_type positional_light\n";
  Arrays a;
  EXPECT_EQ(a.import(put("forty", text)), 32);
  EXPECT_EQ(a.import(put("none", "V1.0\n")), -2);
  EXPECT_EQ(a.import(path("missing")), -1);
  // A type word of no type keeps the element's type.
  Arrays b;
  b.type[0] = 2;
  EXPECT_EQ(b.import(put("odd", "V1.0\nlight_type lamp\nposition 7.0 8.0 9.0\n")), 1);
  EXPECT_EQ(b.type[0], 2u);
  EXPECT_EQ(b.x[0], 7);
  Arrays c;
  EXPECT_EQ(c.export_to(path("zero"), 0), -1);
  EXPECT_FALSE(entries().count("zero"));
}

}  // namespace
