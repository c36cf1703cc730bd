#include "scene/entity_list.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "runtime/qob.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/geom_object.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "scene/segment_store.h"
#include "view/graphics_window.h"
#include "view/model_extent.h"
#include "view/views.h"

namespace {

const char* const INFO = "EntityInformation";
const char* const LIST = "EntityList";
enum {
  ERR_NODE_LEVEL = 621,
  ERR_NODE_PARENT = 622,
  ERR_NODE_SIBLING = 623,
  ERR_NODE_TYPE = 624,
  ERR_VISIBILITY = 625,
  ERR_REPARENT = 626,
  ERR_LINKS = 627,
  ERR_HIGHER_LEVELS = 628,
  ERR_NO_ENTITY = 631,
  ERR_BOX_PARENT = 632,
  ERR_PASS = 633,
  ERR_NO_PARENT = 634,
};

constexpr float FAR = 3.4028235e38f;

void grow(float* minimum, float* maximum, const float* box_min, const float* box_max) {
  for (int k = 0; k < 3; ++k) {
    if (box_min[k] < minimum[k]) minimum[k] = box_min[k];
    if (box_max[k] > maximum[k]) maximum[k] = box_max[k];
  }
}

void set_centre(EntityInformation* e) {
  for (int k = 0; k < 3; ++k) e->centre[k] = e->minimum[k] <= e->maximum[k] ? (e->minimum[k] + e->maximum[k]) / 2 : 0;
}

// Per type: the ident map grows to (ident & ~255) + 256 entries.
void grow_ident_map(int32_t*& map, uint32_t& length, uint32_t ident) {
  if (ident < length) return;
  uint32_t n = (ident & ~255u) + 256;
  map = static_cast<int32_t*>(map == nullptr ? CheckedMalloc(n * sizeof(int32_t))
                                             : CheckedRealloc(map, n * sizeof(int32_t)));
  for (uint32_t i = length; i < n; ++i) map[i] = -1;
  length = n;
}

bool has_lists(const EntityInformation* e) { return e->level <= EntityInformation::cache_up_to_level; }

}  // namespace

unsigned long EntityInformation::number_of_triangles;
uint64_t EntityInformation::lists_called, EntityInformation::lists_recorded;

// ------------------------------------------------------------ nodes

EntityInformation::EntityInformation() {
  visibility = 1;
  SetName("");
}

EntityInformation::EntityInformation(uint8_t l, const entity_path_record* path, uint8_t t, EntityInformation* p,
                                     uint32_t id)
    : ident(id), level(l), type(t) {
  if (l == 0 || p == nullptr) internal_error(ERR_NODE_LEVEL, INFO);
  if (p == this || p->level + 1 != l) internal_error(ERR_NODE_PARENT, INFO);
  if (p->last_child != nullptr && p->last_child->level != l) internal_error(ERR_NODE_SIBLING, INFO);
  if (l > MAX_ENTITY_LEVEL) internal_error(ERR_NODE_LEVEL, INFO);
  SetName(path[l].name);
  append_to(p);
}

EntityInformation::~EntityInformation() {
  if (name != nullptr) CheckedFree(name);
  bool named = false;
  for (auto& block : lists)
    for (display_list& list : block) named |= list.name != 0;
  if (!named || get_graphics_context() == nullptr) return;
  make_graphics_context_active();
  for (auto& block : lists)
    for (display_list& list : block) XGLContext::current_context->delete_list(&list);
}

void EntityInformation::SetName(const char* text) {
  if (name != nullptr && strcmp(name, text) == 0) return;
  if (name != nullptr) CheckedFree(name);
  size_t n = strnlen(text, ENTITY_NAME_SIZE - 1);
  name = static_cast<char*>(CheckedMalloc(n + 1));
  memcpy(name, text, n);
  name[n] = 0;
}

void EntityInformation::append_to(EntityInformation* p) {
  parent = p;
  next_sibling = nullptr;
  previous_sibling = p->last_child;
  if (p->last_child != nullptr)
    p->last_child->next_sibling = this;
  else
    p->first_child = this;
  p->last_child = this;
}

void EntityInformation::unlink() {
  EntityInformation* p = parent;
  if ((previous_sibling == nullptr) != (p->first_child == this) ||
      (next_sibling == nullptr) != (p->last_child == this) ||
      (previous_sibling != nullptr && previous_sibling->next_sibling != this) ||
      (next_sibling != nullptr && next_sibling->previous_sibling != this))
    internal_error(ERR_LINKS, INFO);
  (previous_sibling != nullptr ? previous_sibling->next_sibling : p->first_child) = next_sibling;
  (next_sibling != nullptr ? next_sibling->previous_sibling : p->last_child) = previous_sibling;
  parent = next_sibling = previous_sibling = nullptr;
}

void EntityInformation::ReparentEntity(EntityInformation* new_parent) {
  if (level < 2) return;
  if (new_parent == nullptr || new_parent->level + 1 != level) internal_error(ERR_REPARENT, INFO);
  auto add = [&](EntityInformation* from, int32_t delta) {
    for (EntityInformation* a = from; a != nullptr && a->level >= 1; a = a->parent) {
      a->visibility += delta;
      if (a->visibility < 0) internal_error(ERR_VISIBILITY, INFO);
    }
  };
  if (visibility > 0) add(parent, -visibility);
  unlink();
  append_to(new_parent);
  if (visibility > 0) add(parent, visibility);
}

// This node and its ancestors down to level 1 (at most 8 nodes).
void EntityInformation::IncrementVisibility() {
  for (EntityInformation* e = this; e->level >= 1; e = e->parent) {
    ++e->visibility;
    if (e->level > 1 && e->parent == nullptr) internal_error(ERR_NODE_PARENT, INFO);
    if (e->level == 1) break;
  }
}

void EntityInformation::DecrementVisibility() {
  for (EntityInformation* e = this; e->level >= 1; e = e->parent) {
    if (--e->visibility < 0) internal_error(ERR_VISIBILITY, INFO);
    if (e->level > 1 && e->parent == nullptr) internal_error(ERR_NODE_PARENT, INFO);
    if (e->level == 1) break;
  }
}

void EntityInformation::SetBoundingBox(const float* box_min, const float* box_max) {
  for (int k = 0; k < 3; ++k) minimum[k] = box_min[k], maximum[k] = box_max[k];
  set_centre(this);
}

void EntityInformation::ResetBoundingBox() {
  for (int k = 0; k < 3; ++k) minimum[k] = FAR, maximum[k] = -FAR, centre[k] = 0;
}

void EntityInformation::UpdateBoundingBox(const float* box_min, const float* box_max) {
  grow(minimum, maximum, box_min, box_max);
  set_centre(this);
}

void EntityInformation::RecomputeBoundingBox() {
  ResetBoundingBox();
  for (bsegment* s = first_segment; s != nullptr; s = s->next)
    if (s->flags & SEG_VISIBLE) grow(minimum, maximum, s->minimum, s->maximum);
  for (EntityInformation* c = first_child; c != nullptr; c = c->next_sibling) {
    c->RecomputeBoundingBox();
    grow(minimum, maximum, c->minimum, c->maximum);
  }
  set_centre(this);
}

void EntityInformation::UpdateMinMax() const {
  for (bsegment* s = first_segment; s != nullptr; s = s->next)
    if ((s->flags & SEG_VISIBLE) && s->minimum[0] <= s->maximum[0])
      update_min_max(s->minimum[0], s->minimum[1], s->minimum[2], s->maximum[0], s->maximum[1], s->maximum[2]);
}

// ------------------------------------------------------------ list cache

void EntityInformation::mark(bool surfaces, bool lines, bool shadows) {
  if (!has_lists(this)) return;
  bool blocks[LIST_BLOCKS] = {surfaces, lines, surfaces && shadows, lines && shadows};
  for (int b = 0; b < LIST_BLOCKS; ++b)
    if (blocks[b])
      for (display_list& list : lists[b]) list.flags[0] |= 1;
}

void EntityInformation::UpdateLists(bool surfaces, bool lines, bool shadows, bool repaint) {
  for (EntityInformation* e = this; e != nullptr; e = e->parent) {
    e->mark(surfaces, lines, shadows);
    if (e->parent == nullptr) {
      set_repaint(repaint);
      if (shadows) set_update_shadowmaps();
    }
  }
}

void EntityInformation::UpdateAllLists(bool surfaces, bool lines, bool shadows) {
  if (!has_lists(this)) return;
  mark(surfaces, lines, shadows);
  for (EntityInformation* c = first_child; c != nullptr; c = c->next_sibling) c->UpdateAllLists(surfaces, lines, shadows);
}

void EntityInformation::DeleteLists() {
  if (!has_lists(this)) return;
  for (auto& block : lists)
    for (display_list& list : block) {
      if (list.name != 0 && XGLContext::current_context != nullptr) XGLContext::current_context->delete_list(&list);
      list.flags[0] |= 1;
    }
  for (EntityInformation* c = first_child; c != nullptr; c = c->next_sibling) c->DeleteLists();
}

display_list& EntityInformation::list_of(const RepaintAttributes* a) {
  return lists[(a->geometry_only ? 2 : 0) + a->pass][a->list_variant - 1];
}

bool EntityInformation::list_is_valid(const RepaintAttributes* a) const {
  const display_list& list = const_cast<EntityInformation*>(this)->list_of(a);
  if (list.name == 0 || list_out_of_date(list)) return false;
  if (!get_display_options()->get_level_of_detail() || a->pass != 0) return true;
  float s = get_view_scale(centre[0], a->mirrored ? -centre[1] : centre[1], centre[2]);
  float s0 = list.owner_value;
  return s + s > s0 && s < s0 * valid_scale_diff;
}

bool EntityInformation::UpdateHigherLevels(const RepaintAttributes* a) const {
  if (a->pass > 1) internal_error(ERR_HIGHER_LEVELS, INFO);
  // Lists do not nest: a list may only call the valid lists of the nodes below it.
  for (const EntityInformation* c = first_child; c != nullptr; c = c->next_sibling) {
    if (!has_lists(c)) continue;
    if (c->visibility > 0 && !c->list_is_valid(a)) return true;
    if (c->UpdateHigherLevels(a)) return true;
  }
  return false;
}

bool EntityInformation::begin_list(const RepaintAttributes* a) {
  XGLContext* gl = XGLContext::current_context;
  display_list& list = list_of(a);
  bool normal = !a->geometry_only;
  if (list_is_valid(a)) {
    gl->call_list(&list);
    ++lists_called;
    if (normal) {
      set_update_material();
      if (a->pass == 0) add_triangles_in_cache(triangles[a->list_variant - 1]);
    }
    return true;
  }
  if (normal && a->pass == 0) number_of_triangles = get_triangles_displayed();
  set_update_material();
  gl->begin_list(&list);
  ++lists_recorded;
  list.owner_value = get_view_scale(centre[0], a->mirrored ? -centre[1] : centre[1], centre[2]);
  return false;
}

void EntityInformation::end_list(const RepaintAttributes* a, bool aborted) {
  display_list& list = list_of(a);
  XGLContext::current_context->end_list();
  if (!a->geometry_only && a->pass == 0)
    triangles[a->list_variant - 1] = uint32_t(get_triangles_displayed() - number_of_triangles);
  if (aborted) list.flags[0] |= 1;
}

bool EntityInformation::DrawEntity(RepaintAttributes* a, bool (*abort)()) {
  XGLContext* gl = XGLContext::current_context;
  uint32_t id = gl->get_id();
  GLXDrawable drawable = XGLContext::current_drawable;
  if (abort != nullptr) {
    bool stop = abort();
    XGLContext* again = XGLContext::get_context(id);
    if (XGLContext::current_context != again || XGLContext::current_drawable != drawable) again->make_current(drawable);
    if (stop) return true;
  }
  bool cull = a->cull;
  bool wanted = a->use_lists && a->pass <= 1 && has_lists(this) && !UpdateHigherLevels(a);
  if (a->cull) {
    float lo[3] = {minimum[0], a->mirrored ? -maximum[1] : minimum[1], minimum[2]};
    float hi[3] = {maximum[0], a->mirrored ? -minimum[1] : maximum[1], maximum[2]};
    int inside = minimum[0] <= maximum[0] ? box_is_visible(lo, hi) : 1;
    if (inside == 2) return false;
    if (inside == 1) a->cull = false;
    wanted = wanted && (inside == 1 || level == cache_up_to_level);
  }
  bool recording = false;
  if (wanted) {
    if (begin_list(a)) {
      a->cull = cull;
      return false;
    }
    recording = true;
    a->cull = false;
  }
  bool aborted = false;
  for (bsegment* s = first_segment; s != nullptr; s = s->next)
    if ((s->flags & SEG_VISIBLE) && segment_contains_geometry_of_pass(s, a->pass)) draw_segment(s, a);
  for (EntityInformation* c = first_child; c != nullptr && !aborted; c = c->next_sibling)
    if (c->visibility > 0) aborted = c->DrawEntity(a, abort);
  if (recording) end_list(a, aborted);
  a->cull = cull;
  return aborted;
}

// ------------------------------------------------------------ the list of entities

EntityList::EntityList() { InitRoot(); }

EntityList::~EntityList() {
  DeleteAllEntities();
  CleanUp();
}

void EntityList::InitRoot() {
  if (root != nullptr) return;
  root = new EntityInformation();
  SetListArrayLength(0);
  entities[0] = root;
  count = 1;
}

void EntityList::CleanUp() {
  if (entities != nullptr) CheckedFree(entities);
  entities = nullptr;
  capacity = 0;
  delete root;
  root = nullptr;
  count = 0;
}

void EntityList::delete_idents() {
  for (int t = 0; t < 256; ++t) {
    if (idents[t] != nullptr) CheckedFree(idents[t]);
    idents[t] = nullptr;
    ident_length[t] = 0;
  }
  memset(type_level, 0, sizeof type_level);
  memset(parent_type, 0, sizeof parent_type);
}

void EntityList::DeleteAllEntities() {
  for (uint32_t i = 1; i < capacity; ++i) {
    delete entities[i];
    entities[i] = nullptr;
  }
  if (root != nullptr) {
    root->first_child = root->last_child = nullptr;
    root->first_segment = nullptr;
    root->ResetBoundingBox();
    root->mark(true, true, true);
  }
  count = root != nullptr ? 1 : 0;
  delete_idents();
}

void EntityList::SetListArrayLength(uint32_t n) {
  if (n < capacity) return;
  uint32_t length = (n & ~4095u) + 4096 + 1;
  entities = static_cast<EntityInformation**>(entities == nullptr
                                                  ? CheckedMalloc(length * sizeof(EntityInformation*))
                                                  : CheckedRealloc(entities, length * sizeof(EntityInformation*)));
  for (uint32_t i = capacity; i < length; ++i) entities[i] = nullptr;
  capacity = length;
}

EntityInformation* EntityList::Get(int32_t entity) const {
  if (entity < 0 || uint32_t(entity) >= capacity) return nullptr;
  return entities[entity];
}

EntityInformation* EntityList::checked(int32_t entity) const {
  if (entity == -1) internal_error(ERR_NO_ENTITY, LIST);
  EntityInformation* e = Get(entity);
  if (e == nullptr) internal_error(ERR_NO_ENTITY, LIST);
  return e;
}

int32_t EntityList::Find(unsigned long type, unsigned long ident) const {
  if (type >= 256 || ident >= ident_length[type]) return -1;
  return idents[type][ident];
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
  int32_t number = Find(type, ident);
  EntityInformation* e = number >= 0 ? entities[number] : nullptr;
  bool existed = e != nullptr;
  if (existed) {
    if (e->level != level) {
      fflush(stdout);
      fputs("Two entities with the same type but different levels are not allowed.\n", stderr);
      fputs("This seems to be an application internal error.\n", stderr);
      fprintf(stderr, "The last entity has the name %s, type = %lu, ident = %lu, level = %lu\n", here.name, type,
              ident, level);
      halt("Application error");
    }
    if (level >= 2) {
      const entity_path_record& up = path[level - 1];
      if (int32_t(e->parent->type) != up.type || int32_t(e->parent->ident) != up.ident) {
        EntityInformation* new_parent = Get(up.entity);
        if (new_parent == nullptr) internal_error(ERR_NO_PARENT, LIST);
        e->ReparentEntity(new_parent);
        parent_type[type] = uint8_t(up.type);
      }
    }
    e->SetName(here.name);
  } else {
    EntityInformation* parent = level == 1 ? root : Get(path[level - 1].entity);
    if (parent == nullptr) internal_error(ERR_NO_PARENT, LIST);
    number = int32_t(count);
    SetListArrayLength(uint32_t(number));
    e = new EntityInformation(uint8_t(level), path, uint8_t(type), parent, uint32_t(ident));
    grow_ident_map(idents[type], ident_length[type], uint32_t(ident));
    idents[type][ident] = number;
    entities[number] = e;
    if (level >= 2 && parent_type[type] == 0) parent_type[type] = parent->type;
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
  e->UpdateLists(true, true, true, true);
  e->IncrementVisibility();
}

void EntityList::UnSetVisible(int32_t entity) {
  EntityInformation* e = checked(entity);
  e->UpdateLists(true, true, true, true);
  e->DecrementVisibility();
}

void EntityList::SetBoundingCuboid(unsigned long type, unsigned long ident, const float* box) {
  int32_t number = Find(type, ident);
  if (number < 0 || entities[number] == nullptr) {
    char message[160];
    snprintf(message, sizeof message, "bounding cuboid for missing entity (type %lu, ident %lu)", type, ident);
    fatal_application_error(message);
  }
  entities[number]->SetBoundingBox(box, box + 3);
}

void EntityList::SetFirstSegment(int32_t entity, bsegment* segment) { checked(entity)->first_segment = segment; }
bsegment* EntityList::GetFirstSegment(int32_t entity) const { return checked(entity)->first_segment; }

void EntityList::UpdateBoundingBox(int32_t entity, const float* minimum, const float* maximum) {
  for (EntityInformation* e = checked(entity); e != nullptr; e = e->parent) {
    if (e->parent != nullptr && e->parent->level + 1 != e->level) internal_error(ERR_BOX_PARENT, LIST);
    e->UpdateBoundingBox(minimum, maximum);
  }
}

void EntityList::ComputeMinMax() {
  if (root == nullptr) return;
  root->RecomputeBoundingBox();
  for (uint32_t i = 0; i < count && i < capacity; ++i) {
    EntityInformation* e = entities[i];
    if (e != nullptr && e->visibility > 0) e->UpdateMinMax();
  }
}

void EntityList::UpdateLists(int32_t entity, bool surfaces, bool lines, bool shadows, bool repaint) {
  checked(entity)->UpdateLists(surfaces, lines, shadows, repaint);
}

void EntityList::UpdateAllLists(bool surfaces, bool lines, bool shadows) {
  if (root == nullptr) return;
  root->UpdateAllLists(surfaces, lines, shadows);
  if (shadows) set_update_shadowmaps();
}

void EntityList::DeleteLists() {
  if (root != nullptr) root->DeleteLists();
}

// ------------------------------------------------------------ drawing passes

bool EntityList::DrawRootEntity(RepaintAttributes* a, bool (*abort)(), bool with_matrix) {
  XGLContext* gl = XGLContext::current_context;
  uint32_t mode = a->mirror_display_mode;
  bool aborted = false;
  if (mode == 0 || mode == 2) {
    a->mirrored = false;
    aborted = root->DrawEntity(a, abort);
  }
  if (aborted || (mode != 1 && mode != 2)) return aborted;
  a->mirrored = true;
  if (with_matrix) {
    gl->set_matrix_mode(GL_MODELVIEW);
    gl->push_matrix();
    glScalef(1, -1, 1);
    if (a->projected_texture) {
      gl->set_matrix_mode(GL_TEXTURE);
      gl->push_matrix();
      glScalef(1, -1, 1);
      gl->set_matrix_mode(GL_MODELVIEW);
    }
  }
  gl->flip_front_face();
  aborted = root->DrawEntity(a, abort);
  gl->flip_front_face();
  if (with_matrix) {
    if (a->projected_texture) {
      gl->set_matrix_mode(GL_TEXTURE);
      gl->pop_matrix();
      gl->set_matrix_mode(GL_MODELVIEW);
    }
    gl->pop_matrix();
  }
  a->mirrored = false;
  return aborted;
}

bool EntityList::DrawEntities(RepaintAttributes* a, bool (*abort)()) {
  if (root == nullptr) return false;
  XGLContext* gl = XGLContext::current_context;
  DisplayOptions* options = get_display_options();
  bool transparency = options->get_enable_transparency();
  bool aborted = false;
  for (uint8_t pass = 0; pass < 4 && !aborted; ++pass) {
    if (!segments_of_pass_visible(pass)) continue;
    a->pass = pass;
    switch (pass) {
      case 0:
        gl->enable_dithering(true);
        gl->enable_polygon_offset(a->polygon_offset);
        aborted = DrawRootEntity(a, abort, true);
        gl->enable_polygon_offset(false);
        break;
      case 1: {
        gl->enable_dithering(false);
        bool smooth = options->get_line_anti_alias() && !gl->get_color_index_mode() && !a->geometry_only;
        if (smooth) {
          gl->enable_line_anti_alias(true);
          gl->enable_blending(true);
          gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
          if (!transparency) glDepthMask(GL_FALSE);
        }
        aborted = DrawRootEntity(a, abort, true);
        if (smooth) {
          gl->enable_line_anti_alias(false);
          gl->enable_blending(false);
          if (!transparency) glDepthMask(GL_TRUE);
        }
        break;
      }
      case 2:
        // Markers and texts project their points and set up pixel coordinates themselves.
        if (a->geometry_only || a->reflection) break;
        gl->enable_dithering(false);
        // GL does not clip in pixel space; markers and texts test the planes in software.
        suspend_clipplanes(true);
        gl->enable_line_stippling(false);
        gl->set_line_width(get_offscreen_alias());
        aborted = DrawRootEntity(a, abort, false);
        gl->set_line_width(1);
        suspend_clipplanes(false);
        break;
      case 3:
        if (a->geometry_only || !transparency) break;
        gl->enable_polygon_offset(a->polygon_offset);
        gl->enable_dithering(true);
        aborted = DrawRootEntity(a, abort, true);
        gl->enable_polygon_offset(false);
        break;
      default: internal_error(ERR_PASS, LIST);
    }
  }
  if (!a->geometry_only && !a->reflection && !a->projected_texture) activate_clipplanes(false);
  gl->enable_dithering(false);
  return aborted;
}
