// The material list through the command stream and its own interface:
// definition and removal with renumbering of every user, the texture path,
// the transparency and shadow rules, and the pixels of lit facet trees
// textured from TIFF and JPEG files made by ImageMagick.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include <GL/glx.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/geom_shell.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "scene/scene_graph.h"
#include "tests/scene/gl_test_window.h"
#include "tests/scene/image_files.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/contains_regex.h"
#include "tests/support/dump_files.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace scene_stream;

std::string s(const std::string& text) { return tek::string_param(text); }

// CM with the colours grey, no reflection and shadows cast.
std::string cm(long number, const std::string& name, float transparency = 0, bool texture_on = false,
               const std::string& texture = "", long mode = 2) {
  std::string out = cmd("CM") + i(number) + ints({0, texture_on ? 1 : 0, 0, 0, 0, 1, 0}) + ints({1, mode, 1});
  for (int k = 0; k < 8; ++k) out += r(k % 4 == 3 ? 1.0f : 0.5f);  // ambient, diffuse
  out += r(10);
  for (int k = 0; k < 8; ++k) out += r(k % 4 == 3 ? 1.0f : 0.0f);  // specular, emission
  out += r(0) + r(0) + r(0) + r(transparency) + r(1);
  return out + s(name) + s(texture) + s("") + s("");
}

// The stream fixture with a loaded program, whose predefined 110 holds the count.
class MaterialStream : public SceneStream {
 protected:
  void SetUp() override {
    std::vector<uint8_t> image = yarl::YarlProgram::standard().bytes();
    decode_tables(image.data(), image.size());
    SceneStream::SetUp();
    init_material_list();
  }
  void TearDown() override {
    cleanup_material_list();
    SceneStream::TearDown();
    delete_tables();
  }
  static std::string name_of(uint16_t number) {
    material_attributes a;
    get_material_attributes(number, &a);
    std::string name = a.name != nullptr ? a.name : "";
    free_material_attributes(&a);
    return name;
  }
};

TEST_F(MaterialStream, DefinitionAppendsAtCountPlusOneAndReplacesBelow) {
  serve(cm(1, "red") + cm(2, "green") + cm(1, "blue", 0.5f));
  EXPECT_EQ(get_material_count(), 2);
  EXPECT_EQ(get_predef(110), 2);
  EXPECT_EQ(name_of(1), "blue");
  EXPECT_TRUE(material_is_transparent(1));
  EXPECT_FALSE(material_is_transparent(2));
}

TEST_F(MaterialStream, NumbersBeyondTheCountAreFatal) {
  EXPECT_EXIT(serve(cm(1, "a") + cm(3, "b")), testing::ExitedWithCode(1),
              contains_regex("CM command - integer parameter 3 out of range \\(1 - 2\\)"));
  EXPECT_EXIT(serve(cm(1, "a") + cmd("CD") + i(2)), testing::ExitedWithCode(1),
              contains_regex("CD command - integer parameter 2 out of range \\(1 - 1\\)"));
  EXPECT_EXIT(serve(so(1) + cmd("TO") + i(1)), testing::ExitedWithCode(1),
              contains_regex("TO command - integer parameter 1 out of range \\(1 - 0\\)"));
}

TEST_F(MaterialStream, ListGrowsPastItsFirst256Slots) {
  for (uint16_t n = 1; n <= 300; ++n) {
    material_attributes a;
    a.name = dup_chars(std::to_string(n).c_str());
    set_material(n, &a);
  }
  EXPECT_EQ(get_predef(110), 300);
  EXPECT_EQ(name_of(257), "257");
  remove_material(1);
  EXPECT_EQ(name_of(256), "257");
}

TEST_F(MaterialStream, DefiningTwoPastTheCountIsAnInternalError) {
  material_attributes a;
  EXPECT_EXIT(set_material(2, &a), testing::ExitedWithCode(1), removing_dump("material_list"));
}

TEST_F(MaterialStream, EmptyTextureNameIsNone) {
  serve(cm(1, "plain", 0, true, ""));
  material_attributes a;
  get_material_attributes(1, &a);
  EXPECT_EQ(a.texture_file, nullptr);
  EXPECT_TRUE(a.texture_on);
  free_material_attributes(&a);
}

// Removing material m: higher numbers drop by one, users of m take material 1,
// in segments, the current attributes and every view of scene-graph leaves.
TEST_F(MaterialStream, RemovalRenumbersSegmentsCurrentAttributesAndLeaves) {
  const struct {
    uint16_t removed;
    uint16_t after[3];  // of users of 1, 2 and 3
    const char* names[2];
  } cases[] = {
      {1, {1, 1, 2}, {"b", "c"}},
      {2, {1, 1, 2}, {"a", "c"}},
      {3, {1, 2, 1}, {"a", "b"}},
  };
  for (const auto& c : cases) {
    std::string stream = cm(1, "a") + cm(2, "b") + cm(3, "c");
    for (long n = 1; n <= 3; ++n) stream += so(n) + cmd("TO") + i(n) + ut(TRIANGLE, UP, {}, ONE_STRIP) + sc();
    SceneGraph* graph = get_scene_graph();
    for (unsigned long n = 1; n <= 3; ++n) {
      graph->prepare_leaf(n, 0, 0);
      graph->open_leaf(n);
      DrawAttributes a;
      a.set_material_index(uint16_t(n));
      graph->set_draw_attributes(0xFFFFFFFF, a);
      graph->close_leaf();
    }
    serve(stream + cmd("CD") + i(c.removed));
    EXPECT_EQ(get_predef(110), 2);
    EXPECT_EQ(name_of(1), c.names[0]) << c.removed;
    EXPECT_EQ(name_of(2), c.names[1]) << c.removed;
    for (unsigned long n = 1; n <= 3; ++n) {
      EXPECT_EQ(get_segment(n)->attributes.get_material_index(), c.after[n - 1]) << c.removed << " segment " << n;
      for (int v : {0, 32})
        EXPECT_EQ(graph->get_leaf(n)->attributes[v].get_material_index(), c.after[n - 1]) << c.removed << " leaf " << n;
    }
    // The current attributes were last set to 3.
    EXPECT_EQ(get_current_draw_attributes()->get_material_index(), c.after[2]) << c.removed;
    cleanup_material_list();
    cleanup_ldf();
    init_segment_structure();
    init_material_list();
  }
}

TEST_F(MaterialStream, RemovingTheLastMaterialLeavesItsUsersAtOne) {
  serve(cm(1, "only") + so(1) + cmd("TO") + i(1) + ut(TRIANGLE, UP, {}, ONE_STRIP) + sc() + cmd("CD") + i(1));
  EXPECT_EQ(get_predef(110), 0);
  EXPECT_EQ(get_segment(1)->attributes.get_material_index(), 1);
  EXPECT_FALSE(material_exists(1));
}

TEST_F(MaterialStream, ShadowsDependOnTransparencyAndThreshold) {
  serve(cm(1, "clear", 0) + cm(2, "half", 0.4f) + cm(3, "most", 0.6f) + cm(4, "glass", 1));
  const bool without_transparency[4] = {true, true, true, false};
  const bool with_threshold_50[4] = {true, true, false, false};
  for (uint16_t n = 1; n <= 4; ++n) EXPECT_EQ(material_casts_shadows(n), without_transparency[n - 1]) << n;
  get_display_options()->set_enable_transparency(true);
  get_display_options()->set_transparent_shadows_threshold(50);
  for (uint16_t n = 1; n <= 4; ++n) EXPECT_EQ(material_casts_shadows(n), with_threshold_50[n - 1]) << n;
}

// ------------------------------------------------------------ texture path

class TexturePath : public MaterialStream {
 protected:
  void SetUp() override {
    MaterialStream::SetUp();
    directory = files.path();
    std::ofstream(directory + "/wood.ppm") << "P3 1 1 255 128 64 0\n";
  }
  TempDir files;
  std::string directory;
};

TEST_F(TexturePath, FilesAreFoundAlongThePathAndMissingOnesReportedOnce) {
  set_texture_path(("/nonexistent" + std::string(1, TEXTURE_PATH_SEPARATOR) + directory).c_str());
  char* found = expand_texture_name("wood.ppm");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found), directory + "/wood.ppm");
  CheckedFree(found);
  EXPECT_EQ(expand_texture_name("stone.tif"), nullptr);
  EXPECT_EQ(expand_texture_name("marble.tif"), nullptr);  // the first report still waits
  char* missing = get_texture_not_found();
  ASSERT_NE(missing, nullptr);
  EXPECT_STREQ(missing, "stone.tif");
  CheckedFree(missing);
  EXPECT_EQ(get_texture_not_found(), nullptr);
  // A material reports the file found as its texture file.
  serve(cm(1, "wood", 0, true, "wood.ppm"));
  material_attributes a;
  get_material_attributes(1, &a);
  EXPECT_EQ(std::string(a.texture_file), directory + "/wood.ppm");
  free_material_attributes(&a);
}

TEST_F(TexturePath, ANameWithADirectoryIsTakenAsItStandsWhenTheFileExists) {
  set_texture_path("");
  std::string with_directory = directory + "/wood.ppm";
  char* found = expand_texture_name(with_directory.c_str());
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(std::string(found), with_directory);
  CheckedFree(found);
  EXPECT_EQ(expand_texture_name((directory + "/stone.tif").c_str()), nullptr);
  EXPECT_EQ(expand_texture_name(directory.c_str()), nullptr) << "a folder is no texture";
}

TEST_F(TexturePath, EmptyPathSearchesNothingAndReportsNothing) {
  set_texture_path("");
  EXPECT_EQ(expand_texture_name("wood.ppm"), nullptr);
  EXPECT_EQ(get_texture_not_found(), nullptr);
}

TEST_F(TexturePath, EnvironmentVariableSetsThePathAtStart) {
  // putenv keeps the strings it is given; "NAME=" leaves the path empty.
  static std::string set, unset = "QOB_TEXTURE_PATH=";
  set = "QOB_TEXTURE_PATH=" + directory;
  putenv(set.data());
  cleanup_material_list();
  init_material_list();
  putenv(unset.data());
  char* found = expand_texture_name("wood.ppm");
  ASSERT_NE(found, nullptr);
  CheckedFree(found);
}

// ------------------------------------------------------------ drawing

constexpr int SIZE = 64;

// A GL window over the loaded program; shells are drawn with light 0 from the viewer.
class MaterialDrawing : public MaterialStream {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gl_window.open(SIZE));
    display = gl_window.display, visual = gl_window.visual, window = gl_window.window;
  }
  static void TearDownTestSuite() {
    gl_window.close();
  }
  void SetUp() override {
    MaterialStream::SetUp();
    open_context();
    repaint.display_options = get_display_options();
  }
  void open_context() {
    gl = gl_window.new_context();
    ASSERT_TRUE(gl->has_glx_context());
    gl->make_current(window);
    glViewport(0, 0, SIZE, SIZE);
    static const float black[3] = {0, 0, 0};
    gl->set_gl_clear_color(black);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHT0);  // white, from the viewer
  }
  void TearDown() override {
    delete square;
    cleanup_material_list();  // its GL textures go while the context is current
    init_material_list();
    delete gl;
    MaterialStream::TearDown();
  }
  // The whole viewport, texture coordinates 0..1 across it, normals toward the viewer.
  void draw_square(uint16_t material) {
    auto* points = checked_new_array<vector_type>(4);
    const float xy[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    auto* normals = checked_new_array<float>(12);
    auto* texture = checked_new_array<float>(8);
    for (int k = 0; k < 4; ++k) {
      points[k] = vector_type{xy[k][0], xy[k][1], 0};
      normals[3 * k] = normals[3 * k + 1] = 0, normals[3 * k + 2] = 1;
      texture[2 * k] = (xy[k][0] + 1) / 2, texture[2 * k + 1] = (xy[k][1] + 1) / 2;
    }
    auto* indices = checked_new_array<uint32_t>(6);
    const uint32_t list[6] = {1, 4, 0, 1, 2, 3};
    for (int k = 0; k < 6; ++k) indices[k] = list[k];
    square = new GEOMShell(4, points, normals, nullptr, 6, indices, texture);
    attributes.set_material_index(material);
    square->draw(&attributes, &repaint);
    glFinish();
  }
  static void expect_failure_cross(const std::string& what) {
    EXPECT_LT(brightness(2, 2), 150) << what << ": on the diagonal";
    EXPECT_LT(brightness(SIZE / 2, SIZE / 2), 60) << what << ": at the crossing";
    EXPECT_LT(brightness(SIZE - 3, 2), 150) << what << ": on the other diagonal";
    EXPECT_GT(brightness(SIZE / 2, 8), 200) << what << ": off the diagonals";
    EXPECT_GT(brightness(8, SIZE / 2), 200) << what << ": off the diagonals";
  }
  static int brightness(int x, int y) {
    unsigned char p[3];
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return (p[0] + p[1] + p[2]) / 3;
  }

  static GlTestWindow gl_window;
  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  XGLContext* gl = nullptr;
  GEOMShell* square = nullptr;
  DrawAttributes attributes;
  RepaintAttributes repaint;
};
GlTestWindow MaterialDrawing::gl_window;
Display* MaterialDrawing::display = nullptr;
XVisualInfo* MaterialDrawing::visual = nullptr;
Window MaterialDrawing::window = None;

// A texture file that is found nowhere shows the failure image: white with
// both diagonals black, over the lit white of texture mode 1. The 32 × 32
// image is magnified twice, so a diagonal pixel blends about 60 % black.
TEST_F(MaterialDrawing, MissingTextureShowsTheFailureCrossOnALitShell) {
  serve(cm(1, "missing", 0, true, "no_such_texture.tif", 1));
  get_display_options()->set_enable_textures(true);
  draw_square(1);
  expect_failure_cross("no_such_texture.tif");
}

TEST_F(MaterialDrawing, DisabledTexturesDrawTheDiffuseColourOnly) {
  serve(cm(1, "missing", 0, true, "no_such_texture.tif", 1));
  draw_square(1);
  int centre = brightness(SIZE / 2, SIZE / 2), side = brightness(SIZE / 2, 8);
  EXPECT_GT(centre, 100);
  EXPECT_NEAR(centre, side, 2);
}

TEST_F(MaterialDrawing, TransparentPassGivesTheDiffuseAlpha) {
  serve(cm(1, "glass", 0.25f));
  for (bool pass : {false, true}) {
    set_update_material();
    set_gl_material(1, pass);
    float diffuse[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[3], pass ? 0.75f : 1.0f);
  }
}

TEST_F(MaterialDrawing, SameMaterialTwiceReachesGLOnceUnlessMarked) {
  serve(cm(1, "a") + cm(2, "b", 0.5f));
  set_gl_material(2, true);
  static const float probe[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, probe);
  float diffuse[4];
  set_gl_material(2, true);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[0], 0.1f) << "not sent again";
  set_update_material();
  set_gl_material(2, true);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  EXPECT_FLOAT_EQ(diffuse[0], 0.5f) << "sent after the mark";
}

// The sphere leaves GL's colour as the context's cache says, so that the next
// cached colour reaches GL: here the red of an unlit square drawn after it.
TEST_F(MaterialDrawing, PreviewSphereDrawsInItsRectangle) {
  serve(cm(1, "ball"));
  gl->set_gl_color(1, 0, 0);
  draw_sphere(1, 0, 0, 32, 32);
  glFinish();
  EXPECT_GT(brightness(16, 16), 20) << "the sphere";
  EXPECT_EQ(brightness(48, 48), 0) << "outside the rectangle";
  float current[4];
  glGetFloatv(GL_CURRENT_COLOR, current);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(current[k], gl->get_color()[k]) << k;
  gl->set_gl_color(1, 0, 0);
  glRectf(0.25f, 0.25f, 1, 1);
  glFinish();
  unsigned char p[3];
  glReadPixels(56, 56, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 0);
}


// ------------------------------------------------------------ textures from image files

struct Colour {
  int r, g, b;
};
constexpr Colour RED{255, 0, 0}, GREEN{0, 255, 0}, BLUE{0, 0, 255}, WHITE{255, 255, 255}, YELLOW{255, 255, 0};

// Quarters in the order top left, top right, bottom left, bottom right.
using Quarters = std::array<Colour, 4>;
constexpr Quarters CHECKER = {RED, GREEN, BLUE, WHITE};

// Texture files made by ImageMagick in two directories that form the texture
// path, drawn as a square facet tree of segment n (material n) sent as UT.
class TextureFiles : public MaterialDrawing {
 protected:
  void SetUp() override {
    MaterialDrawing::SetUp();
    set_texture_path((directory(first) + TEXTURE_PATH_SEPARATOR + directory(second)).c_str());
    get_display_options()->set_enable_textures(true);
  }
  static std::string directory(const image_files::ScratchDir& d) {
    std::string slash = d.file("");
    return slash.substr(0, slash.size() - 1);
  }
  // A 64 × 64 picture of 32 × 32 quarters; large flat blocks survive JPEG.
  static void make_picture(const std::string& path, const char* const quarters[4]) {
    int status = -1;
    std::string q[4];
    for (int k = 0; k < 4; ++k) q[k] = std::string(" xc:") + quarters[k];
    image_files::shell("convert -size 32x32" + q[0] + q[1] + " +append '(' -size 32x32" + q[2] + q[3] +
                           " +append ')' -append -quality 95 '" + image_files::tool_path(path) + "' 2>&1",
                       &status);
    ASSERT_EQ(status, 0) << path;
  }
  static void make_checker(const std::string& path) {
    static const char* const names[4] = {"red", "lime", "blue", "white"};
    make_picture(path, names);
  }
  // Segment n holds the window's square, texture coordinates 0..1 from its
  // bottom-left corner; `parameters` come before the facet tree.
  static std::string square_segment(long n, const std::string& parameters = "") {
    const std::vector<Triple> corners = {{-1000, -1000, 0}, {1000, -1000, 0}, {-1000, 1000, 0}, {1000, 1000, 0}};
    const std::vector<Triple> normals(4, Triple{0, 0, 1});
    const std::vector<std::array<long, 2>> st = {{0, 0}, {1000000, 0}, {0, 1000000}, {1000000, 1000000}};
    return so(n) + cmd("TO") + i(n) + parameters + ut(corners, normals, st, {1, 4, 0, 1, 2, 3}) + sc();
  }
  void draw(unsigned long segment) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    set_update_material();  // as at the start of every repaint
    draw_segment(get_segment(segment), &repaint);
    glFinish();
  }
  static Colour pixel(int x, int y) {
    unsigned char p[3];
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
  // Compares the centre of each quarter of the window, each colour scaled by `lit` / 255.
  static void expect_quarters(const Quarters& want, int tolerance, const std::string& what, int lit = 255) {
    static const int at[4][2] = {{16, 48}, {48, 48}, {16, 16}, {48, 16}};
    static const char* const names[4] = {"top left", "top right", "bottom left", "bottom right"};
    for (int k = 0; k < 4; ++k) {
      Colour got = pixel(at[k][0], at[k][1]);
      EXPECT_NEAR(got.r, want[k].r * lit / 255, tolerance) << what << ", red at the " << names[k];
      EXPECT_NEAR(got.g, want[k].g * lit / 255, tolerance) << what << ", green at the " << names[k];
      EXPECT_NEAR(got.b, want[k].b * lit / 255, tolerance) << what << ", blue at the " << names[k];
    }
  }
  static std::string taken_report() {
    char* name = get_texture_not_found();
    std::string out = name != nullptr ? name : "";
    if (name != nullptr) CheckedFree(name);
    return out;
  }

  image_files::ScratchDir first, second;
};

// The picture is upright (its top row where t = 1) in both formats and every
// texture mode: mode 1 replaces the lit colour, 2 modulates it, 3 is a decal.
TEST_F(TextureFiles, PictureLiesUprightOnALitSquareInEachFormatAndMode) {
  const struct {
    const char* file;
    long mode;
    int tolerance;
  } cases[] = {
      {"checker.tif", 1, 3}, {"checker.jpg", 1, 24}, {"checker.tif", 2, 4}, {"checker.jpg", 2, 24},
      {"checker.tif", 3, 3}, {"checker.jpg", 3, 24},
  };
  make_checker(second.file("checker.tif"));
  make_checker(second.file("checker.jpg"));
  // Mode 2 scales the texture by the lit diffuse grey, seen with textures off.
  serve(cm(1, "plain") + square_segment(1));
  get_display_options()->set_enable_textures(false);
  draw(1);
  int lit = pixel(SIZE / 2, SIZE / 2).g;
  ASSERT_GT(lit, 60);
  ASSERT_LT(lit, 230);
  get_display_options()->set_enable_textures(true);
  long n = 1;
  for (const auto& c : cases) {
    ++n;
    std::string what = std::string(c.file) + " in mode " + std::to_string(c.mode);
    serve(cm(n, what, 0, true, c.file, c.mode) + square_segment(n));
    draw(static_cast<unsigned long>(n));
    expect_quarters(CHECKER, c.tolerance, what, c.mode == 2 ? lit : 255);
  }
  EXPECT_EQ(taken_report(), "");
}

// UP moves the picture through the texture matrix; a clamped coordinate
// beyond the picture shows the border, the material's diffuse grey.
TEST_F(TextureFiles, TextureParametersMoveThePicture) {
  const struct {
    const char* what;
    bool repeat;
    float translate_s, rotate;
    Quarters want;
  } cases[] = {
      {"none", true, 0, 0, CHECKER},
      {"half a picture along s", true, 0.5f, 0, {GREEN, RED, WHITE, BLUE}},
      {"a half turn", true, 0, 180, {WHITE, BLUE, GREEN, RED}},
      {"half along s, clamped", false, 0.5f, 0, {GREEN, {128, 128, 128}, WHITE, {128, 128, 128}}},
  };
  make_checker(first.file("checker.tif"));
  long n = 0;
  for (const auto& c : cases) {
    ++n;
    std::string up = cmd("UP") + ints({c.repeat ? 1 : 0, c.repeat ? 1 : 0}) + r(c.translate_s) + r(0) + r(1) + r(1) +
                     r(c.rotate);
    serve(cm(n, c.what, 0, true, "checker.tif", 1) + square_segment(n, up));
    draw(static_cast<unsigned long>(n));
    expect_quarters(c.want, 4, c.what);
  }
}

// A file that is found but cannot be read shows the failure image, is
// reported once, and is read again at each activation until it can be.
TEST_F(TextureFiles, UnreadableFileShowsTheCrossIsReportedOnceAndIsRetried) {
  const struct {
    const char* file;
    const char* whole;  // the good picture cut in half, or null for text
  } cases[] = {
      {"half.tif", "whole.tif"},
      {"half.jpg", "whole.jpg"},
      {"text.tif", nullptr},
  };
  make_checker(second.file("whole.tif"));
  make_checker(second.file("whole.jpg"));
  long n = 0;
  for (const auto& c : cases) {
    ++n;
    std::string path = second.file(c.file);
    std::vector<uint8_t> good = image_files::read_bytes(second.file(c.whole != nullptr ? c.whole : "whole.tif"));
    if (c.whole != nullptr) {
      image_files::write_bytes(path, std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)));
    } else {
      std::ofstream(path) << "II*\n not an image at all\n";
    }
    serve(cm(n, c.file, 0, true, c.file, 1) + square_segment(n));
    draw(static_cast<unsigned long>(n));
    expect_failure_cross(c.file);
    EXPECT_EQ(taken_report(), c.file);
    draw(static_cast<unsigned long>(n));
    expect_failure_cross(std::string(c.file) + " again");
    EXPECT_EQ(taken_report(), "") << c.file << " is reported once";
    image_files::write_bytes(path, good);
    draw(static_cast<unsigned long>(n));
    expect_quarters(CHECKER, 24, std::string(c.file) + " made whole");
  }
}

// Directories are searched in the order of the path; the first holding the file wins.
TEST_F(TextureFiles, FileIsTakenFromTheFirstDirectoryOfThePathThatHoldsIt) {
  enum Where { FIRST = 1, SECOND = 2, BOTH = 3, NEITHER = 0 };
  const struct {
    const char* file;
    Where where;
  } cases[] = {{"a.tif", SECOND}, {"b.tif", FIRST}, {"c.tif", BOTH}, {"d.jpg", NEITHER}};
  static const char* const yellow[4] = {"yellow", "yellow", "yellow", "yellow"};
  long n = 0;
  for (const auto& c : cases) {
    ++n;
    if (c.where & FIRST) make_picture(first.file(c.file), yellow);
    if (c.where & SECOND) make_checker(second.file(c.file));
    serve(cm(n, c.file, 0, true, c.file, 1) + square_segment(n));
    draw(static_cast<unsigned long>(n));
    material_attributes a;
    get_material_attributes(uint16_t(n), &a);
    ASSERT_NE(a.texture_file, nullptr);
    std::string reported = a.texture_file;
    free_material_attributes(&a);
    switch (c.where) {
      case SECOND:
        expect_quarters(CHECKER, 3, c.file);
        EXPECT_EQ(reported, second.file(c.file));
        break;
      case FIRST:
      case BOTH:
        expect_quarters({YELLOW, YELLOW, YELLOW, YELLOW}, 3, c.file);
        EXPECT_EQ(reported, first.file(c.file));
        break;
      case NEITHER:
        expect_failure_cross(c.file);
        EXPECT_EQ(reported, c.file);
        break;
    }
    EXPECT_EQ(taken_report(), c.where == NEITHER ? c.file : "") << c.file;
  }
}

// The repaint drops GL texture names when it resets its lists; the pixels
// kept, the picture's or the failure image's, go to whatever context draws next.
TEST_F(TextureFiles, TextureIsUploadedAgainAfterTheContextChanges) {
  make_checker(first.file("checker.tif"));
  serve(cm(1, "checker", 0, true, "checker.tif", 1) + square_segment(1) +
        cm(2, "missing", 0, true, "missing.tif", 1) + square_segment(2));
  for (const char* context : {"first context", "second context"}) {
    if (context[0] == 's') {
      delete_all_textures();
      delete gl;
      open_context();
    }
    draw(1);
    expect_quarters(CHECKER, 3, context);
    draw(2);
    expect_failure_cross(context);
  }
}

// Turning the texture off frees its pixels; turned on again the missing file
// must show the failure image again.
TEST_F(TextureFiles, MissingTextureTurnedOffAndOnShowsTheCrossAgain) {
  serve(cm(1, "missing", 0, true, "missing.tif", 1) + square_segment(1));
  draw(1);
  expect_failure_cross("first");
  serve(cm(1, "missing", 0, false, "missing.tif", 1) + cm(1, "missing", 0, true, "missing.tif", 1));
  draw(1);
  expect_failure_cross("turned on again");
}

}  // namespace
