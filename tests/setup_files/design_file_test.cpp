// The design file: reader, writer, printer, import and export.
#include <string>

#include "setup_files/design_file.h"
#include "tests/setup_files/setup_files_fixture.h"

namespace {

using setup_test::SetupFiles;

constexpr int IMAGE_FORMAT = 3, IMAGE_HEIGHT = 4, RT_RESOLUTION = 32, RT_TRANSPARENCY = 33;

class DesignFile : public SetupFiles {
 protected:
  static TrqDsn* design() {
    TrqDsn* d = checked_new_array<TrqDsn>(1);
    TrqDsnInit(d);
    d->version = 1.0;
    return d;
  }
  // Imports into four names; the result, the names joined by "|".
  std::pair<int, std::string> import(const std::string& file) {
    char* names[4] = {};
    int result = TrqDsnImport(path(file).c_str(), &names[0], &names[1], &names[2], &names[3]);
    std::string joined;
    for (char* n : names) {
      if (n == nullptr) continue;
      joined += std::string(n) + "|";
      CheckedFree(n);
    }
    return {result, joined};
  }
};

TEST_F(DesignFile, WriterAndPrinterGiveTheirBytes) {
  TrqDsn* d = design();
  TrqComInitS(&d->names[MODEL_FILE], "model.df");
  TrqComInitS(&d->names[ROOM_FILE], "C:\\rooms\\a room.room");
  d->render_options_list = 1;
  TrqComInitS(&d->options[0].text, "raytrace_renderer");
  TrqComInitS(&d->options[IMAGE_FORMAT].text, "tif");
  d->options[IMAGE_HEIGHT].number = 480;
  d->options[RT_TRANSPARENCY].number = 1;
  ASSERT_EQ(TrqDsnWrite(path("d").c_str(), d), 0);
  std::string text = contents("d");
  EXPECT_EQ(text.substr(0, text.find("image_width")),
            "V1.000000\n"
            "model_file \"model.df\"\n"
            "room_file \"C:\\rooms\\a room.room\"\n"
            "render_options_list\n"
            "renderer_type raytrace_renderer\n"
            "image_format tif\n"
            "image_height 480\n");
  EXPECT_EQ(text.substr(text.find("rt_resolution")), "rt_resolution 0\nrt_transparency 1\n");
  testing::internal::CaptureStdout();
  TrqDsnPrint(d);
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.substr(0, printed.find("image_width")),
            "\n"
            "model_file               : model.df\n"
            "room_file                : C:\\rooms\\a room.room\n"
            "render_options_list      : 1\n"
            "renderer_type            : raytrace_renderer\n"
            "image_format             : tif\n"
            "image_height             : 480\n");
  TrqDsnFree(d);
}

TEST_F(DesignFile, RecordsRoundTrip) {
  struct {
    const char* name;
    void (*change)(TrqDsn*);
  } cases[] = {
      {"names_only", [](TrqDsn* d) { TrqComInitS(&d->names[LIGHT_FILE], "l.light"); }},
      {"options_without_words", [](TrqDsn* d) { d->render_options_list = 1; }},
      {"every_option",
       [](TrqDsn* d) {
         d->render_options_list = 1;
         for (int i = 0; i < DESIGN_OPTIONS; ++i)
           if (i < IMAGE_HEIGHT || i == 14 || i == 15)
             TrqComInitS(&d->options[i].text, "normal");
           else
             d->options[i].number = i == RT_RESOLUTION ? -7 : 1;
       }},
      {"odd_word_quoted", [](TrqDsn* d) {
         d->render_options_list = 1;
         TrqComInitS(&d->options[IMAGE_FORMAT].text, "floor");
       }},
  };
  for (const auto& c : cases) {
    TrqDsn* d = design();
    c.change(d);
    ASSERT_EQ(TrqDsnWrite(path(c.name).c_str(), d), 0) << c.name;
    TrqDsn* back;
    ASSERT_EQ(TrqDsnRead(path(c.name).c_str(), &back), 0) << c.name;
    ASSERT_EQ(TrqDsnWrite(path("again").c_str(), back), 0);
    EXPECT_EQ(contents("again"), contents(c.name)) << c.name;
    EXPECT_EQ(back->render_options_list, d->render_options_list) << c.name;
    TrqDsnFree(back);
    TrqDsnFree(d);
  }
}

TEST_F(DesignFile, ReaderResultsAndDefaults) {
  struct {
    const char* name;
    const char* text;
    int result;
  } cases[] = {
      {"taken", "V1.0\nmodel_file m\nimage_height 5\n", 0},
      {"second_name_refused", "V1.0\nmodel_file m\nmodel_file n\n", 3},
      {"flag_of_two", "V1.0\nself_shadows 2\n", 1},
      {"refusal_then_taken", "V1.0\nmodel_file m\nmodel_file n\nlight_file l\n", 0},
      {"first_image_format_taken", "V1.0\nimage_format bmp\n", 0},
      {"empty", "", 0},
      {"only_comments", "# nothing\n", 0},
  };
  for (const auto& c : cases) {
    TrqDsn* d;
    EXPECT_EQ(TrqDsnRead(put(c.name, c.text).c_str(), &d), c.result) << c.name;
    ASSERT_NE(d, nullptr);
    if (c.text[0] == '\0' || c.text[0] == '#') {
      EXPECT_TRUE(trq_is_unset(d->version));
      EXPECT_EQ(d->names[MODEL_FILE], nullptr);
      EXPECT_EQ(d->options[RT_RESOLUTION].number, 0);
    }
    TrqDsnFree(d);
  }
  TrqDsn* d;
  EXPECT_EQ(TrqDsnRead(path("missing").c_str(), &d), 1);
  EXPECT_EQ(d, nullptr);
}

TEST_F(DesignFile, ImportGivesTheFourNamesOrFails) {
  put("full", "V1.0\nmodel_file \"m.df\"\nlight_file l.light\nmaterial_file mat\nroom_file r.room\n");
  EXPECT_EQ(import("full"), std::make_pair(0, std::string("l.light|mat|m.df|r.room|")));
  put("no_version", "light_file l.light\n");
  EXPECT_EQ(import("no_version"), std::make_pair(0, std::string("l.light||||")))
      << "a file without a version keeps its first line";
  put("refused_last", "V1.0\nlight_file a\nlight_file b\n");
  EXPECT_EQ(import("refused_last"), std::make_pair(-1, std::string()));
  put("no_design", "some words 1 2 3\n");
  EXPECT_EQ(import("no_design"), std::make_pair(-1, std::string()));
  EXPECT_EQ(import("missing"), std::make_pair(-1, std::string()));
}

TEST_F(DesignFile, ExportWritesTheGivenNames) {
  ASSERT_EQ(TrqDsnExport(path("d").c_str(), "l.light", "", "m.df", nullptr), 0);
  EXPECT_EQ(contents("d"), "V1.000000\nmodel_file \"m.df\"\nlight_file \"l.light\"\n");
  put("old", "old");
  EXPECT_EQ(TrqDsnExport(path("old").c_str(), "a\"b", "", "", ""), 1);
  EXPECT_EQ(contents("old"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"d", "old"}));
}

}  // namespace
