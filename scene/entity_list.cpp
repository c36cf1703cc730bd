#include "scene/entity_list.h"

#include <cstdio>
#include <cstring>

#include "link/si.h"
#include "link/tek_parser.h"
#include "runtime/checked_mm.h"
#include "runtime/internal_error.h"
#include "runtime/qob.h"
#include "scene/display_options.h"
#include "scene/geom_polygon_list.h"
#include "scene/geom_shell.h"
#include "scene/repaint_attributes.h"
#include "scene/segment_store.h"

namespace {

const char* const MODULE = "entity_list";
enum {
  ERR_NO_ENTITY = 621,
  ERR_NO_PARENT = 622,
  ERR_VISIBILITY = 623,
  ERR_BOX_PARENT = 624,
};

uint64_t key(unsigned long type, unsigned long ident) { return uint64_t(type) << 32 | uint32_t(ident); }

void set_name(EntityInformation* e, const char* name) {
  if (e->name != nullptr && strcmp(e->name, name) == 0) return;
  if (e->name != nullptr) CheckedFree(e->name);
  size_t n = strnlen(name, ENTITY_NAME_SIZE - 1);
  e->name = static_cast<char*>(CheckedMalloc(n + 1));
  memcpy(e->name, name, n);
  e->name[n] = 0;
}

void reset_box(EntityInformation* e) {
  for (int k = 0; k < 3; ++k) e->minimum[k] = 3.4028235e38f, e->maximum[k] = -3.4028235e38f, e->centre[k] = 0;
}

void grow_box(EntityInformation* e, const float* minimum, const float* maximum) {
  bool any = false;
  for (int k = 0; k < 3; ++k) {
    if (minimum[k] < e->minimum[k]) e->minimum[k] = minimum[k];
    if (maximum[k] > e->maximum[k]) e->maximum[k] = maximum[k];
    any |= e->minimum[k] <= e->maximum[k];
  }
  if (any)
    for (int k = 0; k < 3; ++k) e->centre[k] = (e->minimum[k] + e->maximum[k]) / 2;
}

void append_child(EntityInformation* parent, EntityInformation* child) {
  child->parent = parent;
  child->next_sibling = nullptr;
  if (parent->last_child != nullptr)
    parent->last_child->next_sibling = child;
  else
    parent->first_child = child;
  parent->last_child = child;
}

void remove_child(EntityInformation* parent, EntityInformation* child) {
  EntityInformation* before = nullptr;
  for (EntityInformation* c = parent->first_child; c != nullptr; before = c, c = c->next_sibling) {
    if (c != child) continue;
    (before != nullptr ? before->next_sibling : parent->first_child) = c->next_sibling;
    if (parent->last_child == c) parent->last_child = before;
    c->next_sibling = nullptr;
    return;
  }
  internal_error(ERR_NO_PARENT, MODULE);
}

// Adds `delta` to the visibility of `e`'s ancestors from its parent down to level 1.
void add_to_ancestors(EntityInformation* e, int32_t delta) {
  for (EntityInformation* a = e->parent; a != nullptr && a->level >= 1; a = a->parent) {
    a->visibility += delta;
    if (a->visibility < 0) internal_error(ERR_VISIBILITY, MODULE);
  }
}

}  // namespace

EntityList::EntityList() { InitRoot(); }

EntityList::~EntityList() {
  DeleteAllEntities();
  CleanUp();
}

void EntityList::InitRoot() {
  if (!entities.empty()) return;
  EntityInformation* root = new EntityInformation();
  root->visibility = 1;
  set_name(root, "");
  entities.assign(1, root);
  count = 1;
}

void EntityList::CleanUp() {
  for (EntityInformation* e : entities)
    if (e != nullptr) delete_entity(e);
  entities.clear();
  count = 0;
}

void EntityList::delete_entity(EntityInformation* e) {
  if (e->name != nullptr) CheckedFree(e->name);
  delete e;
}

void EntityList::DeleteAllEntities() {
  for (size_t i = 1; i < entities.size(); ++i)
    if (entities[i] != nullptr) delete_entity(entities[i]);
  if (!entities.empty()) {
    entities.resize(1);
    EntityInformation* root = entities[0];
    root->first_child = root->last_child = nullptr;
    root->first_segment = nullptr;
    reset_box(root);
  }
  count = entities.empty() ? 0 : 1;
  idents.clear();
  memset(type_level, 0, sizeof type_level);
}

EntityInformation* EntityList::Get(int32_t entity) const {
  if (entity < 0 || size_t(entity) >= entities.size()) return nullptr;
  return entities[size_t(entity)];
}

EntityInformation* EntityList::checked(int32_t entity) const {
  EntityInformation* e = Get(entity);
  if (e == nullptr) internal_error(ERR_NO_ENTITY, MODULE);
  return e;
}

int32_t EntityList::Find(unsigned long type, unsigned long ident) const {
  auto it = idents.find(key(type, ident));
  return it == idents.end() ? -1 : it->second;
}

bool EntityList::AddEntity(unsigned long level, entity_path_record* path, unsigned long type, unsigned long ident,
                           const int32_t* states) {
  char message[160];
  if (level < 1 || level > MAX_ENTITY_LEVEL) {
    snprintf(message, sizeof message, "entity level %lu outside 1..%u", level, MAX_ENTITY_LEVEL);
    fatal_application_error(message);
  }
  if (type >= 256) {
    snprintf(message, sizeof message, "entity type %lu not below 256", type);
    fatal_application_error(message);
  }
  entity_path_record& here = path[level];
  type_level[type] = uint8_t(level);
  EntityInformation* parent = level == 1 ? entities[0] : Get(path[level - 1].entity);
  if (parent == nullptr) internal_error(ERR_NO_PARENT, MODULE);
  int32_t number = Find(type, ident);
  bool existed = number >= 0;
  EntityInformation* e;
  if (existed) {
    e = entities[size_t(number)];
    if (e->level != level) {
      fflush(stdout);
      fputs("Two entities with the same type but different levels are not allowed.\n", stderr);
      fputs("This seems to be an application internal error.\n", stderr);
      fprintf(stderr, "The last entity has the name %s, type = %lu, ident = %lu, level = %lu\n", here.name, type,
              ident, level);
      halt("Application error");
    }
    if (level >= 2 && e->parent != parent) {
      // Move under the parent that the path names, with its visible count.
      if (e->visibility > 0) add_to_ancestors(e, -e->visibility);
      remove_child(e->parent, e);
      append_child(parent, e);
      if (e->visibility > 0) add_to_ancestors(e, e->visibility);
    }
    set_name(e, here.name);
  } else {
    e = new EntityInformation();
    e->level = uint8_t(level);
    e->type = uint8_t(type);
    e->ident = uint32_t(ident);
    set_name(e, here.name);
    append_child(parent, e);
    number = int32_t(entities.size());
    entities.push_back(e);
    idents[key(type, ident)] = number;
    ++count;
  }
  if (states != nullptr)
    for (int i = 0; i < 7; ++i) e->states[i] = states[i];
  here.entity = number;
  bsegment* last = e->first_segment;
  while (last != nullptr && last->next != nullptr) last = last->next;
  here.last_segment = last;
  return existed;
}

void EntityList::SetVisible(int32_t entity) {
  EntityInformation* e = checked(entity);
  UpdateLists(entity, true, true, true, true);
  if (e->level == 0) return;
  ++e->visibility;
  add_to_ancestors(e, 1);
}

void EntityList::UnSetVisible(int32_t entity) {
  EntityInformation* e = checked(entity);
  UpdateLists(entity, true, true, true, true);
  if (e->level == 0) return;
  if (--e->visibility < 0) internal_error(ERR_VISIBILITY, MODULE);
  add_to_ancestors(e, -1);
}

void EntityList::SetBoundingCuboid(unsigned long type, unsigned long ident, const float* box) {
  int32_t number = type < 256 ? Find(type, ident) : -1;
  if (number < 0) {
    char message[160];
    snprintf(message, sizeof message, "bounding cuboid for missing entity (type %lu, ident %lu)", type, ident);
    fatal_application_error(message);
  }
  EntityInformation* e = entities[size_t(number)];
  for (int k = 0; k < 3; ++k) {
    e->minimum[k] = box[k], e->maximum[k] = box[3 + k];
    e->centre[k] = (box[k] + box[3 + k]) / 2;
  }
}

void EntityList::SetFirstSegment(int32_t entity, bsegment* segment) { checked(entity)->first_segment = segment; }
bsegment* EntityList::GetFirstSegment(int32_t entity) const { return checked(entity)->first_segment; }

void EntityList::UpdateBoundingBox(int32_t entity, const float* minimum, const float* maximum) {
  for (EntityInformation* e = checked(entity); e != nullptr; e = e->parent) {
    if (e->parent != nullptr && e->parent->level + 1 != e->level) internal_error(ERR_BOX_PARENT, MODULE);
    grow_box(e, minimum, maximum);
  }
}

void EntityList::recompute_box(EntityInformation* e) {
  reset_box(e);
  for (bsegment* s = e->first_segment; s != nullptr; s = s->next)
    if (s->flags & SEG_VISIBLE) grow_box(e, s->minimum, s->maximum);
  for (EntityInformation* c = e->first_child; c != nullptr; c = c->next_sibling) {
    recompute_box(c);
    grow_box(e, c->minimum, c->maximum);
  }
}

void EntityList::ComputeMinMax(float minimum[3], float maximum[3]) {
  for (int k = 0; k < 3; ++k) minimum[k] = 3.4028235e38f, maximum[k] = -3.4028235e38f;
  if (entities.empty()) return;
  recompute_box(entities[0]);
  for (EntityInformation* e : entities) {
    if (e == nullptr || e->visibility <= 0) continue;
    for (bsegment* s = e->first_segment; s != nullptr; s = s->next)
      if (s->flags & SEG_VISIBLE)
        for (int k = 0; k < 3; ++k) {
          if (s->minimum[k] < minimum[k]) minimum[k] = s->minimum[k];
          if (s->maximum[k] > maximum[k]) maximum[k] = s->maximum[k];
        }
  }
}

void EntityList::UpdateLists(int32_t entity, bool surfaces, bool lines, bool shadows, bool repaint) {
  uint8_t kinds = uint8_t((surfaces ? LIST_SURFACES : 0) | (lines ? LIST_LINES : 0) | (shadows ? LIST_SHADOWS : 0));
  for (EntityInformation* e = checked(entity); e != nullptr; e = e->parent) {
    e->out_of_date |= kinds;
    ++e->updates;
  }
  set_repaint(repaint);
}

void EntityList::UpdateAllLists(bool surfaces, bool lines, bool shadows) {
  uint8_t kinds = uint8_t((surfaces ? LIST_SURFACES : 0) | (lines ? LIST_LINES : 0) | (shadows ? LIST_SHADOWS : 0));
  for (EntityInformation* e : entities)
    if (e != nullptr) e->out_of_date |= kinds;
}

bool EntityList::draw_entity(EntityInformation* e, RepaintAttributes* attributes, bool (*abort)()) {
  if (e->level > 0 && e->visibility <= 0) return false;
  for (bsegment* s = e->first_segment; s != nullptr; s = s->next)
    if ((s->flags & SEG_VISIBLE) && segment_contains_geometry_of_pass(s, attributes->pass))
      draw_segment(s, attributes);
  if (abort != nullptr && abort()) return true;
  for (EntityInformation* c = e->first_child; c != nullptr; c = c->next_sibling)
    if (draw_entity(c, attributes, abort)) return true;
  return false;
}

bool EntityList::DrawEntities(RepaintAttributes* attributes, bool (*abort)()) {
  if (entities.empty()) return false;
  unsigned passes = get_display_options()->get_enable_transparency() ? 4 : 3;
  for (unsigned pass = 0; pass < passes; ++pass) {
    if (!segments_of_pass_visible(uint8_t(pass))) continue;
    attributes->pass = uint8_t(pass);
    if (draw_entity(entities[0], attributes, abort)) return true;
  }
  for (EntityInformation* e : entities)
    if (e != nullptr) e->out_of_date = 0;
  GEOMPolygonList* transparent = GEOMShell::polygon_list;
  if (transparent != nullptr && transparent->length() > 0) {
    transparent->sort();
    transparent->draw(attributes->display_options);
    transparent->reset();
  }
  return false;
}
