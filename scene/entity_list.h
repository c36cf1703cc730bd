// The entity tree that segments belong to: a root (level 0) and entities of
// levels 1 to 7, each known by an entity type (0..255) and an ident, with its
// segment chain, bounding box, visibility count and a cache of display lists.
#pragma once

#include <cstdint>

#include "gl/gl_context.h"

struct bsegment;
struct RepaintAttributes;

constexpr unsigned MAX_ENTITY_LEVEL = 7;
constexpr unsigned ENTITY_NAME_SIZE = 256;  // a name keeps at most 255 bytes
constexpr int LIST_BLOCKS = 4;    // normal pass 0, normal pass 1, geometry-only pass 0, geometry-only pass 1
constexpr int LIST_VARIANTS = 10;  // level-of-detail variants 1..10

// One level of the entity path kept by the segment store (levels 1..8).
struct entity_path_record {
  int32_t type;
  int32_t ident;
  int32_t entity;  // number in the EntityList, -1 when none
  char name[ENTITY_NAME_SIZE];
  bsegment* last_segment;
};

class EntityInformation {
 public:
  static constexpr uint8_t cache_up_to_level = 1;
  static constexpr float valid_scale_diff = 2.0f;
  // Triangle counter at the start of the pass-0 recording in progress.
  static unsigned long number_of_triangles;
  // Lists called and lists recorded since start (statistics).
  static uint64_t lists_called, lists_recorded;

  EntityInformation();  // the root
  EntityInformation(uint8_t level, const entity_path_record* path, uint8_t type, EntityInformation* parent,
                    uint32_t ident);
  ~EntityInformation();
  EntityInformation(const EntityInformation&) = delete;
  EntityInformation& operator=(const EntityInformation&) = delete;

  // True when aborted.
  bool DrawEntity(RepaintAttributes* attributes, bool (*abort)());
  // Calls a valid list (true) or starts recording one (false).
  bool begin_list(const RepaintAttributes* attributes);
  void end_list(const RepaintAttributes* attributes, bool aborted);
  bool list_is_valid(const RepaintAttributes* attributes) const;
  display_list& list_of(const RepaintAttributes* attributes);
  void SetName(const char* name);
  void ReparentEntity(EntityInformation* new_parent);
  void IncrementVisibility();
  void DecrementVisibility();
  void SetBoundingBox(const float* minimum, const float* maximum);
  void RecomputeBoundingBox();
  void ResetBoundingBox();
  void UpdateBoundingBox(const float* minimum, const float* maximum);
  // Feeds the boxes of the visible segments to the model extent.
  void UpdateMinMax() const;
  void DeleteLists();
  void UpdateLists(bool surfaces, bool lines, bool shadows, bool repaint);
  void UpdateAllLists(bool surfaces, bool lines, bool shadows);
  // True when a node with lists below this one is visible without a valid list.
  bool UpdateHigherLevels(const RepaintAttributes* attributes) const;

  EntityInformation* parent = nullptr;
  EntityInformation* next_sibling = nullptr;
  EntityInformation* previous_sibling = nullptr;
  EntityInformation* first_child = nullptr;
  EntityInformation* last_child = nullptr;
  bsegment* first_segment = nullptr;
  char* name = nullptr;
  float minimum[3] = {3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
  float maximum[3] = {-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
  float centre[3] = {0, 0, 0};
  int32_t visibility = 0;
  uint32_t ident = 0;
  uint8_t level = 0;
  uint8_t type = 0;
  int32_t states[7] = {0, 0, 0, 0, 0, 0, 0};
  // [block][variant - 1]; the owner bit of each record (TOUCH_OWNER) is its out-of-date bit.
  display_list lists[LIST_BLOCKS][LIST_VARIANTS];
  uint32_t triangles[LIST_VARIANTS] = {};

 private:
  friend class EntityList;
  void append_to(EntityInformation* new_parent);
  void unlink();
  void mark(bool surfaces, bool lines, bool shadows);
};

inline bool list_out_of_date(const display_list& list) { return list.flags[0] & 1; }

class EntityList {
 public:
  EntityList();
  ~EntityList();
  EntityList(const EntityList&) = delete;
  EntityList& operator=(const EntityList&) = delete;

  void InitRoot();
  void CleanUp();
  void DeleteAllEntities();
  void SetListArrayLength(uint32_t n);

  // Enters the entity of `level` from the path records (level 1..7); writes
  // its number and last segment into the path. True when it existed.
  bool AddEntity(unsigned long level, entity_path_record* path, unsigned long type, unsigned long ident,
                 const int32_t* states);
  void SetVisible(int32_t entity);
  void UnSetVisible(int32_t entity);
  // box: min x, y, z, max x, y, z.
  void SetBoundingCuboid(unsigned long type, unsigned long ident, const float* box);
  void SetFirstSegment(int32_t entity, bsegment* segment);
  bsegment* GetFirstSegment(int32_t entity) const;
  void UpdateBoundingBox(int32_t entity, const float* minimum, const float* maximum);
  // Recomputes every box and feeds the visible segments to the model extent;
  // the extent fed is also returned.
  void ComputeMinMax();
  void UpdateLists(int32_t entity, bool surfaces, bool lines, bool shadows, bool repaint);
  void UpdateAllLists(bool surfaces, bool lines, bool shadows);
  void DeleteLists();
  // Drawing passes 0 to 3 over the tree; true when aborted.
  bool DrawEntities(RepaintAttributes* attributes, bool (*abort)());
  bool DrawRootEntity(RepaintAttributes* attributes, bool (*abort)(), bool with_matrix);

  // Entity number of (type, ident), -1 when none.
  int32_t Find(unsigned long type, unsigned long ident) const;
  EntityInformation* Get(int32_t entity) const;
  EntityInformation* Root() const { return root; }
  uint32_t Count() const { return count; }

 private:
  EntityInformation* checked(int32_t entity) const;
  void delete_idents();

  EntityInformation** entities = nullptr;  // index = entity number
  uint32_t capacity = 0;
  uint32_t count = 0;
  EntityInformation* root = nullptr;
  uint8_t type_level[256] = {};
  uint8_t parent_type[256] = {};
  int32_t* idents[256] = {};  // per type: ident -> entity number, -1 for none
  uint32_t ident_length[256] = {};
};
