#include "scene/scene_graph.h"

#include <algorithm>

#include "gl/gl_context.h"
#include "link/tek_parser.h"
#include "scene/geom_object.h"
#include "scene/transformation.h"

namespace {

SceneGraph* scene_graph;

// The slot of a number in a table that doubles until it holds it.
template <typename T>
T*& grown_slot(std::vector<T*>* table, unsigned long number) {
  while (table->size() < number) table->resize(table->size() * 2, nullptr);
  return (*table)[number - 1];
}

uint16_t renumbered(uint16_t index, uint16_t removed) {
  if (index > removed) return uint16_t(index - 1);
  return index == removed ? 1 : index;
}

}  // namespace

// ------------------------------------------------------------ leaves

SceneGraphLeaf::SceneGraphLeaf(SceneGraphNode* p, unsigned long n, unsigned long v) : parent(p), number(n), value(v) {}

SceneGraphLeaf::~SceneGraphLeaf() {
  for (GEOMObject* g : geometry) delete g;
}

void SceneGraphLeaf::set_geometry(int level, GEOMObject* object) {
  GEOMObject*& slot = geometry[level - 1];
  if (slot != object) delete slot;
  slot = object;
}

void SceneGraphLeaf::draw(int view, RepaintAttributes* repaint) {
  // A leaf that has no level-1 geometry yet has nothing to draw.
  if (geometry[0] != nullptr) geometry[0]->draw(&attributes[view], repaint);
}

// ------------------------------------------------------------ nodes

SceneGraphNode::SceneGraphNode(SceneGraphNode* parent, unsigned long n, unsigned long v) : number(n), value(v) {
  if (parent != nullptr) parents.push_back(parent);
}

SceneGraphNode::~SceneGraphNode() {
  while (first_leaf != nullptr) delete_child(first_leaf);
  for (SceneGraphNode* c : children) delete c;
  delete transformation;
}

bool SceneGraphNode::set_transformation(Transformation* t) {
  if (t == transformation) return false;
  delete transformation;
  transformation = t;
  return true;
}

void SceneGraphNode::add_leaf(SceneGraphLeaf* leaf) {
  leaf->next = first_leaf;
  first_leaf = leaf;
}

void SceneGraphNode::delete_child(SceneGraphLeaf* leaf) {
  for (SceneGraphLeaf** p = &first_leaf; *p != nullptr; p = &(*p)->next)
    if (*p == leaf) {
      *p = leaf->next;
      break;
    }
  delete leaf;
}

void SceneGraphNode::remove_child_node(SceneGraphNode* node) {
  children.erase(std::remove(children.begin(), children.end(), node), children.end());
}

void SceneGraphNode::draw(int view, RepaintAttributes* attributes) {
  XGLContext* gl = XGLContext::current_context;
  bool transformed = transformation != nullptr && !transformation->is_identity();
  if (transformed) {
    gl->set_matrix_mode(GL_MODELVIEW);
    gl->push_matrix();
    glMultMatrixd(transformation->matrix());
  }
  for (SceneGraphLeaf* l = first_leaf; l != nullptr; l = l->next) l->draw(view, attributes);
  for (SceneGraphNode* c : children) c->draw(view, attributes);
  if (transformed) {
    gl->set_matrix_mode(GL_MODELVIEW);
    gl->pop_matrix();
  }
}

// ------------------------------------------------------------ the graph

SceneGraph::SceneGraph() : nodes(INITIAL_CAPACITY, nullptr), leaves(INITIAL_CAPACITY, nullptr), root(nullptr, 0, 0) {}

SceneGraph::~SceneGraph() = default;  // the root deletes every node and leaf

SceneGraphNode* SceneGraph::get_node(unsigned long number) const {
  if (number == 0) return const_cast<SceneGraphNode*>(&root);
  return number <= nodes.size() ? nodes[number - 1] : nullptr;
}

SceneGraphLeaf* SceneGraph::get_leaf(unsigned long number) const {
  return number >= 1 && number <= leaves.size() ? leaves[number - 1] : nullptr;
}

SceneGraphNode* SceneGraph::existing_node(unsigned long number) const {
  SceneGraphNode* n = number == 0 ? nullptr : get_node(number);
  if (n == nullptr) fatal_application_error("scene graph node does not exist");
  return n;
}

SceneGraphLeaf* SceneGraph::existing_leaf(unsigned long number) const {
  SceneGraphLeaf* l = get_leaf(number);
  if (l == nullptr) fatal_application_error("scene graph leaf does not exist");
  return l;
}

void SceneGraph::refuse_if_open() {
  if (open_leaf_number != 0) fatal_application_error("another scene graph leaf is already open");
  if (open_node_number != 0) fatal_application_error("another scene graph node is already open");
}

void SceneGraph::prepare_node(unsigned long number, unsigned long parent, unsigned long value) {
  refuse_if_open();
  if (number == 0) fatal_application_error("scene graph node number 0 not allowed");
  SceneGraphNode*& slot = grown_slot(&nodes, number);
  if (slot != nullptr) fatal_application_error("scene graph node does already exist");
  SceneGraphNode* p = get_node(parent);
  if (p == nullptr) fatal_application_error("parent scene graph node does not exist");
  slot = new SceneGraphNode(p, number, value);
  p->children.push_back(slot);  // so that it is drawn under its parent
}

void SceneGraph::prepare_leaf(unsigned long number, unsigned long node, unsigned long value) {
  refuse_if_open();
  if (number == 0) fatal_application_error("scene graph leaf number 0 not allowed");
  SceneGraphLeaf*& slot = grown_slot(&leaves, number);
  if (slot != nullptr) fatal_application_error("scene graph leaf does already exist");
  SceneGraphNode* p = get_node(node);
  if (p == nullptr) fatal_application_error("parent scene graph node does not exist");
  slot = new SceneGraphLeaf(p, number, value);
  p->add_leaf(slot);
}

void SceneGraph::open_node(unsigned long number) {
  refuse_if_open();
  existing_node(number);
  open_node_number = number;
}

void SceneGraph::open_leaf(unsigned long number) {
  refuse_if_open();
  existing_leaf(number);
  open_leaf_number = number;
}

void SceneGraph::close_node() {
  if (open_node_number == 0) fatal_application_error("no scene graph node is open");
  open_node_number = 0;
}

void SceneGraph::close_leaf() {
  if (open_leaf_number == 0) fatal_application_error("no scene graph leaf is open");
  open_leaf_number = 0;
}

void SceneGraph::forget_subtree(SceneGraphNode* node) {
  for (SceneGraphLeaf* l = node->first_leaf; l != nullptr; l = l->next) {
    leaves[l->number - 1] = nullptr;
    if (open_leaf_number == l->number) open_leaf_number = 0;
  }
  for (SceneGraphNode* c : node->children) forget_subtree(c);
  nodes[node->number - 1] = nullptr;
  if (open_node_number == node->number) open_node_number = 0;
}

void SceneGraph::remove_node(unsigned long number) {
  SceneGraphNode* n = existing_node(number);
  forget_subtree(n);
  for (SceneGraphNode* p : n->parents) p->remove_child_node(n);
  delete n;
}

void SceneGraph::remove_leaf(unsigned long number) {
  SceneGraphLeaf* l = existing_leaf(number);
  leaves[number - 1] = nullptr;
  if (open_leaf_number == number) open_leaf_number = 0;
  l->parent->delete_child(l);
}

bool SceneGraph::set_node_visibility(unsigned long number, uint32_t visibility) {
  SceneGraphNode* n = existing_node(number);
  bool changed = n->visibility != visibility;
  n->visibility = visibility;
  return changed;
}

void SceneGraph::set_leaf_visibility(unsigned long number, uint32_t visibility) {
  existing_leaf(number)->visibility = visibility;
}

bool SceneGraph::set_visibility(uint32_t visibility) {
  if (open_node_number != 0) return set_node_visibility(open_node_number, visibility);
  if (open_leaf_number == 0) return false;
  set_leaf_visibility(open_leaf_number, visibility);
  return true;
}

bool SceneGraph::set_draw_attributes(uint32_t view_mask, const DrawAttributes& a) {
  bool changed = false;
  auto set_leaf = [&](SceneGraphLeaf* l) {
    for (int v = 0; v < SCENE_GRAPH_VIEWS; ++v)
      if ((view_mask >> (v % 32)) & 1) changed |= l->attributes[v].set(a);
  };
  if (open_node_number != 0)
    nodes[open_node_number - 1]->for_each_leaf(set_leaf);
  else if (open_leaf_number != 0)
    set_leaf(leaves[open_leaf_number - 1]);
  return changed;
}

void SceneGraph::set_geometry(int level, GEOMObject* object) {
  if (open_leaf_number == 0) {
    delete object;
    fatal_application_error("no scene graph leaf open");
  }
  leaves[open_leaf_number - 1]->set_geometry(level, object);
}

void SceneGraph::draw(int view, RepaintAttributes* attributes) { root.draw(view, attributes); }

void SceneGraph::update_materials(uint16_t material) {
  root.for_each_leaf([&](SceneGraphLeaf* l) {
    for (DrawAttributes& a : l->attributes) {
      uint16_t now = renumbered(a.get_material_index(), material);
      if (now != a.get_material_index()) a.set_material_index(now);
    }
  });
}

// ------------------------------------------------------------ the one graph

void init_scene_graph() {
  delete scene_graph;
  scene_graph = new SceneGraph();
}

void cleanup_scene_graph() {
  delete scene_graph;
  scene_graph = nullptr;
}

SceneGraph* get_scene_graph() { return scene_graph; }

void draw_scene_graph(int view, RepaintAttributes* attributes) {
  if (scene_graph != nullptr && view >= 1 && view <= SCENE_GRAPH_VIEWS) scene_graph->draw(view - 1, attributes);
}

void update_scene_graph_materials(uint16_t material) {
  if (scene_graph != nullptr) scene_graph->update_materials(material);
}
