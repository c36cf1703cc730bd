// The entity tree that segments belong to: a root and entities of levels 1
// to 7, each known by an entity type (0..255) and an ident, with its segment
// chain, bounding box, visibility count and list state.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

struct bsegment;
struct RepaintAttributes;

constexpr unsigned MAX_ENTITY_LEVEL = 7;
constexpr unsigned ENTITY_NAME_SIZE = 256;  // a name keeps at most 255 bytes

// One level of the entity path kept by the segment store (levels 1..8).
struct entity_path_record {
  int32_t type;
  int32_t ident;
  int32_t entity;  // number in the EntityList, -1 when none
  char name[ENTITY_NAME_SIZE];
  bsegment* last_segment;
};

// Kinds of cached lists that a change makes out of date.
enum ListKind : uint8_t { LIST_SURFACES = 1, LIST_LINES = 2, LIST_SHADOWS = 4 };

struct EntityInformation {
  EntityInformation* parent = nullptr;
  EntityInformation* next_sibling = nullptr;
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
  uint8_t out_of_date = 0;  // ListKind bits not yet redrawn
  uint32_t updates = 0;     // times the lists were told to update
};

class EntityList {
 public:
  EntityList();
  ~EntityList();
  EntityList(const EntityList&) = delete;
  EntityList& operator=(const EntityList&) = delete;

  void InitRoot();
  void CleanUp();
  void DeleteAllEntities();

  // Enters the entity of `level` from the path records (level 1..7); writes
  // its number and last segment into the path. True when it existed.
  // A level outside the tree or a type of 256 or more is a fatal
  // application error.
  bool AddEntity(unsigned long level, entity_path_record* path, unsigned long type, unsigned long ident,
                 const int32_t* states);
  void SetVisible(int32_t entity);
  void UnSetVisible(int32_t entity);
  // box: min x, y, z, max x, y, z; a missing entity is a fatal application error.
  void SetBoundingCuboid(unsigned long type, unsigned long ident, const float* box);
  void SetFirstSegment(int32_t entity, bsegment* segment);
  bsegment* GetFirstSegment(int32_t entity) const;
  void UpdateBoundingBox(int32_t entity, const float* minimum, const float* maximum);
  // Recomputes the boxes and returns the extent of what is visible.
  void ComputeMinMax(float minimum[3], float maximum[3]);
  void UpdateLists(int32_t entity, bool surfaces, bool lines, bool shadows, bool repaint);
  void UpdateAllLists(bool surfaces, bool lines, bool shadows);
  // Draws passes 0 to 3 of every visible entity; true when aborted.
  bool DrawEntities(RepaintAttributes* attributes, bool (*abort)());

  // Entity number of (type, ident), -1 when none.
  int32_t Find(unsigned long type, unsigned long ident) const;
  EntityInformation* Get(int32_t entity) const;
  uint32_t Count() const { return count; }

 private:
  EntityInformation* checked(int32_t entity) const;
  void delete_entity(EntityInformation* e);
  void recompute_box(EntityInformation* e);
  bool draw_entity(EntityInformation* e, RepaintAttributes* attributes, bool (*abort)());

  std::vector<EntityInformation*> entities;  // index = entity number; 0 the root
  uint32_t count = 0;
  std::unordered_map<uint64_t, int32_t> idents;  // (type << 32 | ident) -> entity number
  uint8_t type_level[256] = {};
};
