// The display file of lit facet trees (1,000,000 triangles by default): its
// read into a cleared scene against the upload of the same scene through the
// command parser into the store, its write, and `cat` of the file, in one
// run; then PostScript of a 100,000-triangle scene beside one repaint of it.
#include <GL/gl.h>
#include <unistd.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/graphics_start.h"
#include "bench/paired.h"
#include "bench/stream_bench.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_file.h"
#include "scene/postscript_export.h"
#include "scene/segment_store.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

using namespace stream_bench;

namespace {

constexpr int SEGMENTS = 10;

double upload() {
  clear_df_scene();
  double s = parse_stream();
  cleanup_tek_parser();
  return s;
}

double save(const std::string& path) {
  auto t0 = std::chrono::steady_clock::now();
  write_df out;
  if (out.open(path.c_str(), 0) || save_df(&out, true) != 0) return -1;
  return seconds_since(t0);
}

double read(const std::string& path) {
  clear_df_scene();
  int32_t stamp, options;
  auto t0 = std::chrono::steady_clock::now();
  int result = read_df(path.c_str(), &stamp, &options);
  if (open_segment_number() != 0) close_segment();
  return result == 0 ? seconds_since(t0) : -1;
}

void draw_views() { repaint_views(false, never_abort_repaint); }

}  // namespace

int main(int argc, char** argv) {
  long triangles = argc > 1 ? atol(argv[1]) : 1000000;
  int pairs = argc > 2 ? atoi(argv[2]) : 3;
  start_graphics_window();
  char path[] = "/tmp/display_file_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return 1;
  close(fd);

  build_stream(triangles, SEGMENTS);
  double stream_mb = double(stream.size()) / (1 << 20);
  upload();
  if (save(path) < 0) return 1;
  paired::Result reading = paired::measure(pairs, [&] { return read(path); }, [&] {
    double s = upload();
    return save(path) < 0 ? -1 : s;
  });
  upload();
  paired::Result writing = paired::measure(pairs, [&] { return save(path); }, [&] { return read(path); });
  std::string file;
  if (FILE* f = fopen(path, "rb")) {
    char block[1 << 16];
    for (size_t n; (n = fread(block, 1, sizeof block, f)) > 0;) file.append(block, n);
    fclose(f);
  }
  stream = file;
  paired::Result catting = paired::measure(pairs, [&] { return read(path); }, [&] { return cat_seconds(path); });
  printf("Display file: %ld triangles, %.1f MB of file, %.1f MB of commands, medians of %d pairs\n", triangles,
         double(file.size()) / (1 << 20), stream_mb, pairs);
  paired::report("read_df", reading, "upload (parser + store)", 1.2);
  paired::report("save_df", writing, "read_df", 1.0);
  paired::report("read_df", catting, "cat | pipe");

  // PostScript of a smaller scene beside one repaint of it.
  build_stream(100000, SEGMENTS);
  upload();
  std::string ps = std::string(path) + ".ps";
  const float area[4] = {0, 0, 1280, 1024};
  paired::Result postscript = paired::measure(
      pairs,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        int r = save_postscript(area, draw_views, graphics_display(), get_graphics_window(), 0, ps.c_str(), true,
                                false, false, 1280, 1024, 2);
        return r == 0 ? seconds_since(t0) : -1;
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        repaint_screen(false, never_abort_repaint);
        glFinish();
        return seconds_since(t0);
      });
  paired::report("PostScript, 100000 triangles", postscript, "one repaint");
  unlink(ps.c_str());
  unlink(path);
  return 0;
}
