// The scene graph built, changed and removed through the command stream and
// its own interface, its fatal application errors, and its drawing.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include <GL/glx.h>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/draw_attributes.h"
#include "scene/geom_shell.h"
#include "scene/repaint_attributes.h"
#include "scene/scene_graph.h"
#include "scene/transformation.h"
#include "tests/scene/gl_test_window.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/contains_regex.h"

namespace {

using namespace scene_stream;

std::string np(long number, long parent, long value = 0) { return cmd("NP") + i(number) + i(parent) + i(value); }
std::string no(long number) { return cmd("NO") + i(number); }
std::string nc() { return cmd("NC"); }
std::string nr(long number) { return cmd("NR") + i(number); }
std::string nv(long number, long visibility) { return cmd("NV") + i(number) + i(visibility); }

using SceneGraphStream = SceneStream;

TEST_F(SceneGraphStream, NodesArePreparedUnderTheirParentsAndDrawnThere) {
  serve(np(1, 0, 7) + np(2, 1) + np(3, 1) + no(2) + nc() + nv(3, 5));
  SceneGraph* g = get_scene_graph();
  SceneGraphNode* root = g->get_node(0);
  ASSERT_NE(g->get_node(1), nullptr);
  EXPECT_EQ(g->get_node(1)->value, 7u);
  ASSERT_EQ(root->children.size(), 1u);
  EXPECT_EQ(root->children[0], g->get_node(1));
  ASSERT_EQ(g->get_node(1)->children.size(), 2u);
  EXPECT_EQ(g->get_node(1)->children[0], g->get_node(2));
  EXPECT_EQ(g->get_node(3)->visibility, 5u);
  EXPECT_EQ(g->get_open_node(), 0u);
}

TEST_F(SceneGraphStream, TablesGrowUntilTheSlotExistsAndTheCapacityItselfIsANumber) {
  serve(np(1024, 0) + no(1024) + nc() + nv(1024, 1) + nr(1024) + np(1025, 0));
  SceneGraph* g = get_scene_graph();
  EXPECT_EQ(g->node_capacity(), 2048u);
  EXPECT_EQ(g->get_node(1024), nullptr);
  serve(np(5000, 1025));
  EXPECT_EQ(g->node_capacity(), 8192u);
  EXPECT_EQ(g->get_node(5000)->parents[0], g->get_node(1025));
  g->prepare_leaf(3000, 5000, 0);
  EXPECT_EQ(g->leaf_capacity(), 4096u);
}

TEST_F(SceneGraphStream, RemovingANodeRemovesItsSubtreeAndEmptiesItsLeafSlots) {
  serve(np(1, 0) + np(2, 1) + np(3, 0));
  SceneGraph* g = get_scene_graph();
  g->prepare_leaf(10, 1, 0);
  g->prepare_leaf(11, 2, 0);
  g->prepare_leaf(12, 3, 0);
  serve(nr(1));
  EXPECT_EQ(g->get_node(1), nullptr);
  EXPECT_EQ(g->get_node(2), nullptr);
  EXPECT_EQ(g->get_leaf(10), nullptr);
  EXPECT_EQ(g->get_leaf(11), nullptr);
  EXPECT_NE(g->get_leaf(12), nullptr);
  ASSERT_EQ(g->get_node(0)->children.size(), 1u);
  EXPECT_EQ(g->get_node(0)->children[0], g->get_node(3));
  // The numbers are free again.
  serve(np(1, 0) + np(2, 1));
  g->prepare_leaf(10, 2, 0);
  EXPECT_EQ(g->get_leaf(10)->parent, g->get_node(2));
}

TEST_F(SceneGraphStream, RemovedLeafLeavesItsNodesList) {
  serve(np(1, 0));
  SceneGraph* g = get_scene_graph();
  for (unsigned long n : {1, 2, 3}) g->prepare_leaf(n, 1, 0);
  g->remove_leaf(2);
  SceneGraphNode* node = g->get_node(1);
  ASSERT_NE(node->first_leaf, nullptr);
  EXPECT_EQ(node->first_leaf->number, 3u);
  ASSERT_NE(node->first_leaf->next, nullptr);
  EXPECT_EQ(node->first_leaf->next->number, 1u);
  EXPECT_EQ(node->first_leaf->next->next, nullptr);
  EXPECT_EQ(g->get_leaf(2), nullptr);
}

TEST_F(SceneGraphStream, DrawAttributesReachTheOpenNodesLeavesOrTheOpenLeaf) {
  serve(np(1, 0) + np(2, 1));
  SceneGraph* g = get_scene_graph();
  g->prepare_leaf(1, 1, 0);
  g->prepare_leaf(2, 2, 0);
  g->prepare_leaf(3, 0, 0);
  DrawAttributes a;
  a.set_line_color(5);
  EXPECT_FALSE(g->set_draw_attributes(0xFFFFFFFF, a)) << "nothing open";
  serve(no(1));
  EXPECT_TRUE(g->set_draw_attributes(1u << 3, a));
  serve(nc());
  for (unsigned long leaf : {1, 2}) {
    EXPECT_EQ(g->get_leaf(leaf)->attributes[3].get_line_color(), 5) << leaf;
    EXPECT_EQ(g->get_leaf(leaf)->attributes[4].get_line_color(), 1) << leaf;
  }
  EXPECT_EQ(g->get_leaf(3)->attributes[3].get_line_color(), 1);
  g->open_leaf(3);
  EXPECT_TRUE(g->set_draw_attributes(1u, a));  // views 0 and 32
  EXPECT_EQ(g->get_leaf(3)->attributes[32].get_line_color(), 5);
  EXPECT_TRUE(g->set_visibility(9));
  g->close_leaf();
  EXPECT_EQ(g->get_leaf(3)->visibility, 9u);
}

TEST_F(SceneGraphStream, MisuseIsAFatalApplicationError) {
  const struct {
    std::string stream;
    const char* message;
  } cases[] = {
      {no(1), "NO command - scene graph node does not exist"},
      {np(1, 0) + no(1) + no(1), "NO command - another scene graph node is already open"},
      {np(1, 0) + no(1) + np(2, 0), "NP command - another scene graph node is already open"},
      {nc(), "NC command - no scene graph node is open"},
      {np(1, 0) + np(1, 0), "NP command - scene graph node does already exist"},
      {np(1, 2), "NP command - parent scene graph node does not exist"},
      {nr(3), "NR command - scene graph node does not exist"},
      {np(1, 0) + nr(1) + nv(1, 0), "NV command - scene graph node does not exist"},
      {no(0), "NO command - integer parameter 0 out of range \\(1 - 33554431\\)"},
  };
  for (const auto& c : cases) EXPECT_EXIT(serve(c.stream), testing::ExitedWithCode(1), contains_regex(c.message)) << c.message;
}

TEST_F(SceneGraphStream, LeafMisuseIsAFatalApplicationError) {
  const struct {
    void (*action)(SceneGraph*);
    const char* message;
  } cases[] = {
      {[](SceneGraph* g) { g->prepare_leaf(0, 0, 0); }, "scene graph leaf number 0 not allowed"},
      {[](SceneGraph* g) { g->prepare_node(0, 0, 0); }, "scene graph node number 0 not allowed"},
      {[](SceneGraph* g) { g->open_leaf(0); }, "scene graph leaf does not exist"},
      {[](SceneGraph* g) { g->prepare_leaf(1, 0, 0), g->prepare_leaf(1, 0, 0); }, "scene graph leaf does already exist"},
      {[](SceneGraph* g) { g->prepare_leaf(1, 4, 0); }, "parent scene graph node does not exist"},
      {[](SceneGraph* g) { g->prepare_leaf(1, 0, 0), g->open_leaf(1), g->open_node(0); },
       "another scene graph leaf is already open"},
      {[](SceneGraph* g) { g->close_leaf(); }, "no scene graph leaf is open"},
      {[](SceneGraph* g) { g->remove_leaf(1024); }, "scene graph leaf does not exist"},
      {[](SceneGraph* g) { g->set_geometry(1, nullptr); }, "no scene graph leaf open"},
  };
  for (const auto& c : cases)
    EXPECT_EXIT(c.action(get_scene_graph()), testing::ExitedWithCode(1), contains_regex(c.message)) << c.message;
}

// ------------------------------------------------------------ drawing

constexpr int SIZE = 64;

class SceneGraphDrawing : public SceneStream {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(gl_window.open(SIZE));
    display = gl_window.display, visual = gl_window.visual, window = gl_window.window;
  }
  static void TearDownTestSuite() {
    gl_window.close();
  }
  void SetUp() override {
    SceneStream::SetUp();
    gl = gl_window.new_context();
    ASSERT_TRUE(gl->has_glx_context());
    gl->make_current(window);
    glViewport(0, 0, SIZE, SIZE);
    static const float black[3] = {0, 0, 0};
    gl->set_gl_clear_color(black);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    repaint.display_options = get_display_options();
  }
  void TearDown() override {
    cleanup_ldf();  // the leaves' geometry, before the context goes
    init_segment_structure();
    delete gl;
    SceneStream::TearDown();
  }
  // A red triangle around the origin, half a unit across (colours draw unlit).
  static GEOMShell* small_triangle() {
    auto* points = checked_new_array<vector_type>(3);
    points[0] = {-0.25f, -0.25f, 0}, points[1] = {0.25f, -0.25f, 0}, points[2] = {0, 0.25f, 0};
    auto* colours = checked_new_array<float>(9);
    for (int k = 0; k < 9; ++k) colours[k] = k % 3 == 0 ? 1.0f : 0.0f;
    auto* indices = checked_new_array<uint32_t>(5);
    const uint32_t list[5] = {1, 3, 0, 1, 2};
    for (int k = 0; k < 5; ++k) indices[k] = list[k];
    return new GEOMShell(3, points, nullptr, colours, 5, indices, nullptr);
  }
  static bool red_at(int x, int y) {
    unsigned char p[3];
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return p[0] > 200 && p[1] < 50;
  }

  static GlTestWindow gl_window;
  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  XGLContext* gl = nullptr;
  RepaintAttributes repaint;
};
GlTestWindow SceneGraphDrawing::gl_window;
Display* SceneGraphDrawing::display = nullptr;
XVisualInfo* SceneGraphDrawing::visual = nullptr;
Window SceneGraphDrawing::window = None;

TEST_F(SceneGraphDrawing, ChildNodesDrawTheirLeavesThroughEveryTransformationAbove) {
  serve(np(1, 0) + np(2, 1));
  SceneGraph* g = get_scene_graph();
  const double right[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.5, 0, 0, 1};
  const double up[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0.5, 0, 1};
  g->get_node(1)->set_transformation(new Transformation(right));
  g->get_node(2)->set_transformation(new Transformation(up));
  g->prepare_leaf(1, 2, 0);
  g->prepare_leaf(2, 0, 0);  // no geometry: skipped
  g->open_leaf(1);
  g->set_geometry(1, small_triangle());
  g->close_leaf();
  draw_scene_graph(1, &repaint);
  EXPECT_TRUE(red_at(SIZE * 3 / 4, SIZE * 3 / 4)) << "moved right and up";
  EXPECT_FALSE(red_at(SIZE / 2, SIZE / 2)) << "not at the origin";
  EXPECT_EQ(gl->get_stack_depth(0), 1u) << "modelview popped";
}

TEST_F(SceneGraphDrawing, RemovedNodesAreNoLongerDrawn) {
  serve(np(1, 0));
  SceneGraph* g = get_scene_graph();
  g->prepare_leaf(1, 1, 0);
  g->open_leaf(1);
  g->set_geometry(1, small_triangle());
  g->close_leaf();
  serve(nr(1));
  draw_scene_graph(1, &repaint);
  EXPECT_FALSE(red_at(SIZE / 2, SIZE / 2));
}

}  // namespace
