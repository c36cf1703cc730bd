// The application's scene graph: numbered nodes with transformations and
// numbered leaves with geometry, drawn after the entities of each view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/draw_attributes.h"

class GEOMObject;
class Transformation;
struct RepaintAttributes;

constexpr int SCENE_GRAPH_VIEWS = 33;
constexpr int SCENE_GRAPH_LEVELS = 10;

class SceneGraphNode;

class SceneGraphLeaf {
 public:
  SceneGraphLeaf(SceneGraphNode* parent, unsigned long number, unsigned long value);
  ~SceneGraphLeaf();
  SceneGraphLeaf(const SceneGraphLeaf&) = delete;
  SceneGraphLeaf& operator=(const SceneGraphLeaf&) = delete;

  // Draws the level-1 geometry with this view's attributes (view 0..32).
  void draw(int view, RepaintAttributes* attributes);
  void set_geometry(int level, GEOMObject* object);
  GEOMObject* get_geometry(int level) const { return geometry[level - 1]; }
  void set_selection_type(bool a, bool b, bool c) { selection_type = uint8_t(a | b << 1 | c << 2); }

  SceneGraphNode* parent;
  SceneGraphLeaf* next = nullptr;  // of the parent's list
  DrawAttributes attributes[SCENE_GRAPH_VIEWS];
  uint8_t selection_type = 0;
  uint32_t visibility = 0xFFFFFFFF;
  unsigned long number;
  unsigned long value;

 private:
  GEOMObject* geometry[SCENE_GRAPH_LEVELS] = {};
};

class SceneGraphNode {
 public:
  SceneGraphNode(SceneGraphNode* parent, unsigned long number, unsigned long value);
  // Deletes the node's leaves, child nodes and transformation.
  ~SceneGraphNode();
  SceneGraphNode(const SceneGraphNode&) = delete;
  SceneGraphNode& operator=(const SceneGraphNode&) = delete;

  void draw(int view, RepaintAttributes* attributes);
  // Takes ownership; false when it is the object already held.
  bool set_transformation(Transformation* t);
  const Transformation* get_transformation() const { return transformation; }
  void add_leaf(SceneGraphLeaf* leaf);
  // Unlinks and deletes the leaf.
  void delete_child(SceneGraphLeaf* leaf);
  void remove_child_node(SceneGraphNode* node);
  // Every leaf of this node and of its child nodes.
  template <typename F>
  void for_each_leaf(F f) {
    for (SceneGraphLeaf* l = first_leaf; l != nullptr; l = l->next) f(l);
    for (SceneGraphNode* c : children) c->for_each_leaf(f);
  }

  std::vector<SceneGraphNode*> children;
  std::vector<SceneGraphNode*> parents;  // the one parent, the root for none
  SceneGraphLeaf* first_leaf = nullptr;  // newest first
  uint32_t visibility = 0xFFFFFFFF;
  unsigned long number;
  unsigned long value;

 private:
  Transformation* transformation = nullptr;
};

class SceneGraph {
 public:
  static constexpr unsigned long INITIAL_CAPACITY = 1024;

  SceneGraph();
  ~SceneGraph();
  SceneGraph(const SceneGraph&) = delete;
  SceneGraph& operator=(const SceneGraph&) = delete;

  // Misuse of numbers and of the open/close protocol is a fatal application error.
  void prepare_node(unsigned long number, unsigned long parent, unsigned long value);
  void prepare_leaf(unsigned long number, unsigned long node, unsigned long value);
  void open_node(unsigned long number);
  void open_leaf(unsigned long number);
  void close_node();
  void close_leaf();
  void remove_node(unsigned long number);
  void remove_leaf(unsigned long number);
  bool set_node_visibility(unsigned long number, uint32_t visibility);
  void set_leaf_visibility(unsigned long number, uint32_t visibility);
  bool set_visibility(uint32_t visibility);
  // Views v (0..32) with bit v mod 32 of the mask; true when anything changed.
  bool set_draw_attributes(uint32_t view_mask, const DrawAttributes& attributes);
  void set_geometry(int level, GEOMObject* object);
  void draw(int view, RepaintAttributes* attributes);
  // After material m was removed: higher numbers drop by one, users of m take 1.
  void update_materials(uint16_t material);

  SceneGraphNode* get_node(unsigned long number) const;  // null for none (0: the root)
  SceneGraphLeaf* get_leaf(unsigned long number) const;
  unsigned long get_open_node() const { return open_node_number; }
  unsigned long get_open_leaf() const { return open_leaf_number; }
  size_t node_capacity() const { return nodes.size(); }
  size_t leaf_capacity() const { return leaves.size(); }

 private:
  void refuse_if_open();
  // Empties the table slots of a node's subtree and closes what was open in it.
  void forget_subtree(SceneGraphNode* node);
  SceneGraphNode* existing_node(unsigned long number) const;
  SceneGraphLeaf* existing_leaf(unsigned long number) const;

  std::vector<SceneGraphNode*> nodes;
  std::vector<SceneGraphLeaf*> leaves;
  SceneGraphNode root;
  unsigned long open_leaf_number = 0;
  unsigned long open_node_number = 0;
};

// The one scene graph, from the segment store's start to its clean-up.
void init_scene_graph();
void cleanup_scene_graph();
SceneGraph* get_scene_graph();
// Draws the scene graph for view `view` (1..33); nothing before `init_scene_graph`.
void draw_scene_graph(int view, RepaintAttributes* attributes);
void update_scene_graph_materials(uint16_t material);
