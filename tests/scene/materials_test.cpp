// The material list through the command stream and its own interface:
// definition and removal with renumbering of every user, the texture path,
// the transparency and shadow rules, and a lit textured facet tree's pixels.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include <GL/glx.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "runtime/checked_mm.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/geom_shell.h"
#include "scene/gl_context.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "scene/scene_graph.h"
#include "tests/scene/scene_stream.h"
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
              "CM command - integer parameter 3 out of range \\(1 - 2\\)");
  EXPECT_EXIT(serve(cm(1, "a") + cmd("CD") + i(2)), testing::ExitedWithCode(1),
              "CD command - integer parameter 2 out of range \\(1 - 1\\)");
  EXPECT_EXIT(serve(so(1) + cmd("TO") + i(1)), testing::ExitedWithCode(1),
              "TO command - integer parameter 1 out of range \\(1 - 0\\)");
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
  EXPECT_EXIT(set_material(2, &a), testing::ExitedWithCode(1), "material_list");
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
    char pattern[] = "/tmp/qob_textures_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
    std::ofstream(directory + "/wood.ppm") << "P3 1 1 255 128 64 0\n";
  }
  void TearDown() override {
    unlink((directory + "/wood.ppm").c_str());
    rmdir(directory.c_str());
    MaterialStream::TearDown();
  }
  std::string directory;
};

TEST_F(TexturePath, FilesAreFoundAlongThePathAndMissingOnesReportedOnce) {
  set_texture_path(("/nonexistent:" + directory).c_str());
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

TEST_F(TexturePath, EmptyPathSearchesNothingAndReportsNothing) {
  set_texture_path("");
  EXPECT_EQ(expand_texture_name("wood.ppm"), nullptr);
  EXPECT_EQ(get_texture_not_found(), nullptr);
}

TEST_F(TexturePath, EnvironmentVariableSetsThePathAtStart) {
  setenv("QOB_TEXTURE_PATH", directory.c_str(), 1);
  cleanup_material_list();
  init_material_list();
  unsetenv("QOB_TEXTURE_PATH");
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
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, None};
    visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    ASSERT_NE(visual, nullptr);
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, SIZE, SIZE, 0, visual->depth,
                           InputOutput, visual->visual, CWColormap, &wa);
  }
  static void TearDownTestSuite() {
    XGLContext::release();
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
  }
  void SetUp() override {
    MaterialStream::SetUp();
    gl = new XGLContext(display, visual, true, false, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
    ASSERT_TRUE(gl->has_glx_context());
    gl->make_current(window);
    glViewport(0, 0, SIZE, SIZE);
    static const float black[3] = {0, 0, 0};
    gl->set_gl_clear_color(black);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHT0);  // white, from the viewer
    repaint.display_options = get_display_options();
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
  static int brightness(int x, int y) {
    unsigned char p[3];
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return (p[0] + p[1] + p[2]) / 3;
  }

  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  XGLContext* gl = nullptr;
  GEOMShell* square = nullptr;
  DrawAttributes attributes;
  RepaintAttributes repaint;
};
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
  EXPECT_LT(brightness(2, 2), 150) << "on the diagonal";
  EXPECT_LT(brightness(SIZE / 2, SIZE / 2), 60) << "at the crossing";
  EXPECT_LT(brightness(SIZE - 3, 2), 150) << "on the other diagonal";
  EXPECT_GT(brightness(SIZE / 2, 8), 200) << "off the diagonals";
  EXPECT_GT(brightness(8, SIZE / 2), 200) << "off the diagonals";
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

TEST_F(MaterialDrawing, PreviewSphereDrawsInItsRectangle) {
  serve(cm(1, "ball"));
  draw_sphere(1, 0, 0, 32, 32);
  glFinish();
  EXPECT_GT(brightness(16, 16), 20) << "the sphere";
  EXPECT_EQ(brightness(48, 48), 0) << "outside the rectangle";
}

}  // namespace
