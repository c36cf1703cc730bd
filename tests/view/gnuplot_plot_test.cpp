// An outside client end to end: gnuplot's vector terminal wrote a plot
// (tests/view/plot.gp, run in GNUPLOT_PLOT by the fixture's set-up), an
// application sends it in a segment, and the real server, on an X server of
// this test's own, draws its vectors where the plot's addresses say.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tests/support/feed_app.h"
#include "tests/support/own_x_server.h"
#include "tests/support/protocol.h"

namespace {

std::string i(long v) { return tek::int_param(v); }

TEST(GnuplotPlot, CurveVectorsLightThePixelsOfTheirAddresses) {
  ServerOnOwnDisplay run;
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  TempDir dir;
  // The camera shows the 4096 x 3120 address space (0.001 model units each)
  // in view 1 from +z: reference point at the centre, normal (0, 0, -1), up
  // (0, 1, 0) (the vectors of UV are sums), parallel projection.
  std::string head = tek::set_coor_mode(2, 6) + tek::command("UV") + i(3);
  for (long v : {2048, 1560, 0, -2048, -1560, -1, 0, 1, 1}) head += i(v);
  head += i(2) + i(4096) + i(3120) + tek::point(2, {0, 0, -1000}) + i(1) + i(0);
  head += tek::set_coor_mode(0, 6) + tek::command("SO") + i(1);
  std::string tail = tek::command("SC") + tek::command("SU");
  write_file(dir.file("head.bin"), head);
  write_file(dir.file("tail.bin"), tail);
  const std::string plot = GNUPLOT_PLOT "/plot.tek";
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  std::ifstream bounds(GNUPLOT_PLOT "/bounds.txt");
  ASSERT_TRUE(bounds >> xmin >> xmax >> ymin >> ymax) << "no plot bounds: the set-up test gnuplot_plot_files runs first";
  ASSERT_FALSE(read_file(plot).empty());
  std::string app = feed_command({dir.file("head.bin"), plot, dir.file("tail.bin")});
  ASSERT_TRUE(program_starting(app).write(dir.file("app.b")));
  ASSERT_TRUE(run.start(dir.file("app.b"), dir));
  Display* d = run.display();
  // Terminal units (10-bit) to screen pixels: x 4 × 1280 / 4096, y 4 × 1024 / 3120 from the bottom
  // of the graphics window's client area, at (x0, row0) of the screen.
  int x0 = 0, row0 = 0;
  auto px = [&](double t) { return x0 + t * 4 * 1280 / 4096; };
  auto row = [&](double t) { return row0 + 1023 - t * 4 * 1024 / 3120; };
  auto curve = [&](int k, double* cx, double* cy) {
    double u = 3.0 * k / 19;
    *cx = px(xmin + u / 3 * (xmax - xmin));
    *cy = row(ymin + u * u / 9 * (ymax - ymin));
  };
  int lit = 0, off_curve_lit = 0;
  Rgb background{-1, -1, -1};
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(25);
       std::chrono::steady_clock::now() < until && lit < 20;
       std::this_thread::sleep_for(std::chrono::milliseconds(300))) {
    Screenshot s(d);
    if (!s.valid() || !run.graphics_origin(&x0, &row0)) continue;
    // Inside the plot's frame, far above the curve's start.
    background = s.at(int(px(xmin + 0.1 * (xmax - xmin))), int(row(ymin + 0.8 * (ymax - ymin))));
    lit = 0;
    for (int k = 0; k < 20; ++k) {
      double cx, cy;
      curve(k, &cx, &cy);
      lit += s.lit_near(cx, cy, background);
    }
    // Points half way between the curve and the frame's top-left corner.
    off_curve_lit = 0;
    for (double u : {0.5, 1.0, 1.5, 2.0})
      off_curve_lit += s.lit_near(px(xmin + u / 3 * (xmax - xmin)),
                                  row(ymin + (u * u / 9 + 1) / 2 * (ymax - ymin)), background);
  }
  const RunResult& result = run.finish();
  EXPECT_FALSE(result.timed_out) << "the server ends with its display";
  EXPECT_EQ(lit, 20) << "curve points drawn; background " << background.r << "," << background.g << ","
                     << background.b << "\n" << result.err;
  EXPECT_EQ(off_curve_lit, 0);
  EXPECT_GT(xmax, xmin);
  // The server's repaint timings (-r).
  std::istringstream err(result.err);
  for (std::string line; std::getline(err, line);)
    if (line.find("Repaint time") != std::string::npos) std::cout << line << "\n";
}

}  // namespace
