#include "view/gui3d_kinds.h"

#include "runtime/tables.h"
#include "view/gui3d_beam_light.h"
#include "view/gui3d_clip_plane.h"
#include "view/gui3d_direction.h"
#include "view/gui3d_grid.h"
#include "view/gui3d_point.h"
#include "view/gui3d_point_light.h"
#include "view/gui3d_rectangle.h"
#include "view/gui3d_ruler2d.h"
#include "view/gui3d_ruler3d.h"
#include "view/gui3d_spot_light.h"
#include "view/gui3d_vector.h"
#include "view/gui3d_work_plane.h"
#include "view/gui3d_world_axis.h"

namespace {

template <class T>
GUI3D* make(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate) {
  return new T(item, element, change, activate);
}

struct Kind {
  uint8_t kind;
  GUI3D* (*make)(uint32_t, uint32_t, GUI3DCallback, GUI3DCallback);
};

const Kind KINDS[] = {
    {ITEM_BEAM_LIGHT, make<GUI3DBeamLight>}, {ITEM_CLIP_PLANE, make<GUI3DClipPlane>},
    {ITEM_DIRECTION, make<GUI3DDirection>},  {ITEM_GRID, make<GUI3DGrid>},
    {ITEM_POINT, make<GUI3DPoint>},          {ITEM_RECTANGLE, make<GUI3DRectangle>},
    {ITEM_POINT_LIGHT, make<GUI3DPointLight>}, {ITEM_RULER2D, make<GUI3DRuler2D>},
    {ITEM_RULER3D, make<GUI3DRuler3D>},      {ITEM_SPOT_LIGHT, make<GUI3DSpotLight>},
    {ITEM_VECTOR, make<GUI3DVector>},        {ITEM_WORK_PLANE, make<GUI3DWorkPlane>},
    {ITEM_WORLD_AXIS, make<GUI3DWorldAxis>},
};

}  // namespace

GUI3D* new_gui3d_of_kind(uint8_t kind, uint32_t item, uint32_t element, GUI3DCallback change,
                         GUI3DCallback activate) {
  for (const Kind& k : KINDS)
    if (k.kind == kind) return k.make(item, element, change, activate);
  return nullptr;
}
