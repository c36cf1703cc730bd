// Frame time of a repaint of lit facet trees (1,000,000 triangles by default)
// sent through the command parser, drawn from display lists through
// repaint_screen, against a minimal GL program drawing the same triangles from
// one display list in the same context, frames of the two alternating; and the
// time from the end of the upload to the first repaint finished.
#include <GL/gl.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/graphics_start.h"
#include "bench/paired.h"
#include "bench/stream_bench.h"
#include "gl/gl_context.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_options.h"
#include "scene/entity_list.h"
#include "scene/geom_shell.h"
#include "scene/segment_store.h"
#include "tests/support/protocol.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

using namespace stream_bench;

namespace {

constexpr int SEGMENTS = 10;


double frame(bool (*draw)()) {
  auto t0 = std::chrono::steady_clock::now();
  draw();
  glFinish();
  return seconds_since(t0);
}

bool repaint() { return repaint_screen(false, never_abort_repaint); }

GLuint reference_list;
bool reference_frame() {
  // The camera of the last repaint is still loaded; the list's enables are
  // undone, so the GL state cache of the repaint stays true.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushAttrib(GL_ENABLE_BIT);
  glCallList(reference_list);
  glPopAttrib();
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = argc > 1 ? atol(argv[1]) : 1000000;
  int frames = argc > 2 ? atoi(argv[2]) : 10;
  start_graphics_window();
  get_display_options()->set_use_display_lists(true);
  build_stream(triangles, SEGMENTS);

  double upload = parse_stream();
  auto t0 = std::chrono::steady_clock::now();
  repaint();
  glFinish();
  double first = seconds_since(t0);
  repaint();  // the root's list, calling the entity's
  glFinish();
  unsigned long drawn = get_triangles_displayed();

  // The minimal program: the same arrays in one list, lit, depth-tested.
  make_graphics_context_active();
  reference_list = glGenLists(1);
  glNewList(reference_list, GL_COMPILE);
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  for (int s = 1; s <= SEGMENTS; ++s) {
    const GEOMShell* shell = get_segment(s)->facet_tree[0];
    glVertexPointer(3, GL_FLOAT, 0, shell->get_points());
    glNormalPointer(GL_FLOAT, 0, shell->get_normals());
    const uint32_t* list = shell->get_indices();
    glDrawElements(GL_TRIANGLE_STRIP, GLsizei(list[1]), GL_UNSIGNED_INT, list + 2);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glEndList();
  frame(reference_frame);

  uint64_t calls = EntityInformation::lists_called;
  paired::Result r = paired::measure(frames, [] { return frame(repaint); }, [] { return frame(reference_frame); });
  calls = EntityInformation::lists_called - calls;
  glDeleteLists(reference_list, 1);

  printf("%lu triangles in %d segments, %lu drawn per repaint, %d frame pairs\n", triangles, SEGMENTS, drawn, frames);
  printf("upload (parse and store) %.3f s; end of upload to first repaint finished %.3f s\n", upload, first);
  paired::report("frame: repaint_screen", r, "minimal GL list", 1.05);
  printf("lists called per frame %.1f\n", double(calls) / frames);
  cleanup_tek_parser();
  return 0;
}
