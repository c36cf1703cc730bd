// PostScript and EPS export: files rendered back by ghostscript and compared
// with the window, the header's forms, and the index path from a feedback
// buffer made here (Mesa has no index visuals).
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include "scene/postscript_export.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "scene/display_options.h"
#include "scene/segment_store.h"
#include "tests/scene/host_tools.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/graphics_environment.h"
#include "tests/support/runner.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace scene_stream;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

constexpr int W = 1280, H = 1024;

struct Rgb {
  int r, g, b;
};

// A PPM (P6) image read back; pixel rows top to bottom.
struct Picture {
  int width = 0, height = 0;
  std::string bytes;
  Rgb at(int x, int y_from_bottom) const {
    size_t p = 3 * (size_t(height - 1 - y_from_bottom) * size_t(width) + size_t(x));
    return {uint8_t(bytes[p]), uint8_t(bytes[p + 1]), uint8_t(bytes[p + 2])};
  }
};

// Ghostscript's rendering at 72 dpi (one pixel per unit); its messages in `log`.
int render(const std::string& ps, const std::string& out, std::string* log, Picture* picture) {
  std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -dDEVICEWIDTHPOINTS=" +
                        std::to_string(W) + " -dDEVICEHEIGHTPOINTS=" + std::to_string(H) + " -sOutputFile='" +
                        host_tools::tool_path(out) + "' '" + host_tools::tool_path(ps) + "' > '" +
                        host_tools::tool_path(out + ".log") + "' 2>&1";
  int status = host_tools::run(command);
  *log = read_file(out + ".log");
  if (picture != nullptr && status == 0) {
    // "P6", width, height and maximum, with comment lines between them.
    std::string data = read_file(out);
    size_t p = 2;
    int fields[3] = {0, 0, 0};
    for (int& field : fields) {
      while (p < data.size() && (isspace(uint8_t(data[p])) || data[p] == '#')) {
        if (data[p] == '#') p = data.find('\n', p);
        ++p;
      }
      field = atoi(data.c_str() + p);
      while (p < data.size() && isdigit(uint8_t(data[p]))) ++p;
    }
    picture->width = fields[0], picture->height = fields[1];
    picture->bytes = data.substr(p + 1);
  }
  return status;
}

std::string blue_background() { return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}); }

// A triangle in the plane y = depth facing the camera; 312 pixels per unit.
std::string triangle(long n, float x, float z, float h, const Triple& rgb, float depth = 0,
                     const std::vector<float>& positions = {0, 0, 0}, const std::vector<Triple>& palette = {}) {
  auto at = [](float v) { return long(std::lround(v * 1000000)); };
  std::vector<Triple> points = {{at(x - h), at(depth), at(z - h)}, {at(x + h), at(depth), at(z - h)},
                                {at(x), at(depth), at(z + h)}};
  return so(n) + uc(points, palette.empty() ? std::vector<Triple>{rgb} : palette, positions, ONE_STRIP) + sc();
}

void draw_views() { repaint_views(false, never_abort_repaint); }
void draw_nothing() {}

class PostScript : public SceneStream {
 protected:
  void SetUp() override {
    start_view_1(W, H);
    SceneStream::SetUp();
    set_projection(false);
  }
  int save(const std::string& path, bool colour = true, bool eps = false, bool landscape = false, int quality = 2,
           void (*draw)() = draw_views, int page_width = W, int page_height = H) {
    const float area[4] = {0, 0, W, H};
    testing::internal::CaptureStderr();
    int result = save_postscript(area, draw, graphics_display(), get_graphics_window(), 0, path.c_str(), colour, eps,
                                 landscape, page_width, page_height, quality);
    messages = testing::internal::GetCapturedStderr();
    return result;
  }
  static Rgb window_pixel(int x, int y) {
    unsigned char p[3];
    repaint_screen(false, never_abort_repaint);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }

  TempDir dir;
  std::string messages;
};

void expect_near(const Rgb& a, const Rgb& b, int tolerance, const char* what) {
  EXPECT_NEAR(a.r, b.r, tolerance) << what;
  EXPECT_NEAR(a.g, b.g, tolerance) << what;
  EXPECT_NEAR(a.b, b.b, tolerance) << what;
}

TEST_F(PostScript, AFlatSceneRendersAsTheWindowShowsItNearerOnTop) {
  // The green triangle lies nearer the camera (toward −y) and overlaps the red one.
  ASSERT_EQ(run(blue_background() + triangle(1, 0, 0, 0.8f, {255, 0, 0}, 0.5f) +
                triangle(2, 0.5f, 0, 0.5f, {0, 255, 0}, -0.5f)),
            "");
  std::string path = dir.file("scene.ps");
  ASSERT_EQ(save(path), 0) << messages;
  std::string text = read_file(path);
  EXPECT_EQ(text.rfind("showpage\n%%EndPage\n"), text.size() - 19);
  EXPECT_NE(text.find("%%Pages: 1\n"), std::string::npos);
  Picture picture;
  std::string log;
  ASSERT_EQ(render(path, dir.file("scene.ppm"), &log, &picture), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  ASSERT_EQ(picture.width, W);
  const int points[][2] = {{640 - 150, 512 - 100}, {640 + 156, 512}, {640, 512 + 200}, {100, 100}};
  for (const auto& p : points) expect_near(picture.at(p[0], p[1]), window_pixel(p[0], p[1]), 1, "interior point");
}

TEST_F(PostScript, ASmoothTriangleAtQuality2StaysWithinATenthOfGLsColours) {
  ASSERT_EQ(run(blue_background() +
                triangle(1, 0, 0, 1, {0, 0, 0}, 0, {0, 1, 2}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}})),
            "");
  std::string path = dir.file("smooth.ps");
  ASSERT_EQ(save(path), 0) << messages;
  Picture picture;
  std::string log;
  ASSERT_EQ(render(path, dir.file("smooth.ppm"), &log, &picture), 0) << log;
  const int points[][2] = {{640, 512}, {640 - 150, 512 - 200}, {640 + 150, 512 - 200}, {640, 512 + 200}};
  for (const auto& p : points) expect_near(picture.at(p[0], p[1]), window_pixel(p[0], p[1]), 26, "smooth");
}

TEST_F(PostScript, EpsKeepsInsideItsBoundingBoxAndEndsWithGrestore) {
  ASSERT_EQ(run(blue_background() + triangle(1, 0, 0, 3, {255, 255, 0})), "");
  std::string path = dir.file("picture.eps");
  ASSERT_EQ(save(path, true, true), 0) << messages;
  std::string text = read_file(path);
  EXPECT_EQ(text.find("%%Pages: 1\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 9), "grestore\n");
  int bw = 0, bh = 0;
  ASSERT_EQ(sscanf(text.c_str() + text.find("%%BoundingBox:"), "%%%%BoundingBox: 0 0 %d %d", &bw, &bh), 2);
  EXPECT_EQ(bw, W);
  EXPECT_EQ(bh, H);
  int status = -1;
  std::istringstream bbox(
      host_tools::shell("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox '" + host_tools::tool_path(path) + "' 2>&1", &status));
  float x0 = -1, y0 = -1, x1 = 1e9f, y1 = 1e9f;
  for (std::string line; std::getline(bbox, line);)
    sscanf(line.c_str(), "%%%%HiResBoundingBox: %f %f %f %f", &x0, &y0, &x1, &y1);
  EXPECT_EQ(status, 0);
  // Within the rounding of the bbox device.
  EXPECT_GE(x0, -0.05f);
  EXPECT_GE(y0, -0.05f);
  EXPECT_LE(x1, float(bw) + 0.05f);
  EXPECT_LE(y1, float(bh) + 0.05f);

  ASSERT_EQ(save(path, true, false, true, 2, draw_views, H, W), 0) << messages;
  text = read_file(path);
  ASSERT_EQ(sscanf(text.c_str() + text.find("%%BoundingBox:"), "%%%%BoundingBox: 0 0 %d %d", &bw, &bh), 2);
  EXPECT_EQ(bw, H) << "landscape swaps width and height";
  EXPECT_EQ(bh, W);
}

TEST_F(PostScript, GreyHasNoBackgroundAndEqualChannels) {
  ASSERT_EQ(run(blue_background() + triangle(1, 0, 0, 1, {255, 0, 0})), "");
  std::string path = dir.file("grey.ps");
  ASSERT_EQ(save(path, false), 0) << messages;
  std::string text = read_file(path);
  EXPECT_EQ(text.find("rectfill"), std::string::npos);
  Picture picture;
  std::string log;
  ASSERT_EQ(render(path, dir.file("grey.ppm"), &log, &picture), 0) << log;
  Rgb inside = picture.at(640, 512);
  EXPECT_EQ(inside.r, inside.g);
  EXPECT_EQ(inside.g, inside.b);
  EXPECT_NEAR(inside.r, int(0.299 * 255), 2);
}

TEST_F(PostScript, NothingDrawnOrABadFileLeavesThePathAsItWas) {
  std::string path = dir.file("kept.ps");
  write_file(path, "old");
  EXPECT_EQ(save(path, true, false, false, 2, draw_nothing), -4);
  EXPECT_EQ(read_file(path), "old");
  EXPECT_EQ(save(dir.file("none.ps"), true, false, false, 2, draw_nothing), -4);
  EXPECT_NE(access(dir.file("none.ps").c_str(), F_OK), 0) << "no empty file";
  EXPECT_EQ(save("/nonexistent/dir/x.ps"), -2);
  EXPECT_EQ(messages, "SAVE_POSTSCRIPT - error opening '/nonexistent/dir/x.ps' - No such file or directory.\n");
}

// A feedback buffer of a 9-pixel line over a 1-pixel one, a point and a
// smooth triangle, in RGB and in index form.
TEST(PostScriptFeedback, EachLineKeepsItsWidthAndTheIndexPathRenders) {
  TempDir dir;
  const float area[4] = {0, 0, 100, 100};
  const float clear[3] = {0, 0, 0};
  const float rgb[] = {GL_PASS_THROUGH_TOKEN, 9,
                       GL_LINE_RESET_TOKEN, 10, 10, 0.2f, 1, 0, 0, 1, 90, 90, 0.2f, 1, 0, 0, 1,
                       GL_PASS_THROUGH_TOKEN, 1,
                       GL_LINE_TOKEN, 10, 90, 0.5f, 0, 1, 0, 1, 90, 10, 0.5f, 0, 0, 1, 1,
                       GL_POINT_TOKEN, 50, 50, 0.1f, 1, 1, 1, 1,
                       GL_POLYGON_TOKEN, 3, 20, 20, 0.9f, 1, 0, 0, 1, 80, 20, 0.9f, 0, 1, 0, 1, 50, 80, 0.9f, 0, 0, 1, 1};
  std::string path = dir.file("rgb.ps");
  FILE* f = fopen(path.c_str(), "wb");
  write_header(f, area, true, false, false, 100, 100, nullptr, 0, 2, 1, 1, clear);
  write_sorted_feedback(f, int(sizeof rgb / sizeof *rgb), rgb, false, 1);
  fputs("showpage\n%%EndPage\n", f);
  fclose(f);
  std::string text = read_file(path);
  text = text.substr(text.find("%%EndProlog"));
  // Farthest first: the triangle, the 1-wide smooth line, then the red line 9 wide.
  size_t triangle = text.find(" ST\n"), smooth = text.find(" SL\n"), wide = text.find("9 setlinewidth\n");
  EXPECT_LT(triangle, smooth);
  EXPECT_LT(smooth, wide);
  EXPECT_LT(wide, text.find(" L\n"));
  std::string log;
  EXPECT_EQ(render(path, dir.file("rgb.ppm"), &log, nullptr), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;

  const float index[] = {GL_LINE_TOKEN, 10, 10, 0.2f, 1, 90, 90, 0.2f, 7,
                         GL_POINT_TOKEN, 50, 50, 0.1f, 3,
                         GL_POLYGON_TOKEN, 4, 20, 20, 0.9f, 2, 80, 20, 0.9f, 2, 80, 80, 0.9f, 2, 20, 80, 0.9f, 2,
                         GL_POLYGON_TOKEN, 3, 20, 20, 0.8f, 0, 80, 20, 0.8f, 4, 50, 80, 0.8f, 7};
  uint16_t colours[8 * 3];
  for (int k = 0; k < 24; ++k) colours[k] = uint16_t(k * 2700);
  path = dir.file("index.ps");
  f = fopen(path.c_str(), "wb");
  write_header(f, area, true, true, false, 100, 100, colours, 8, 4, 1, 1, clear);
  write_sorted_feedback(f, int(sizeof index / sizeof *index), index, true, 1);
  fputs("grestore\n", f);
  fclose(f);
  text = read_file(path);
  EXPECT_NE(text.find("/color_map 8 array def\n"), std::string::npos);
  EXPECT_NE(text.find("closepath fill\n"), std::string::npos) << "a flat quadrilateral as one path";
  EXPECT_EQ(render(path, dir.file("index.ppm"), &log, nullptr), 0) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

}  // namespace
