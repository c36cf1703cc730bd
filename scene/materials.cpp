#include "scene/materials.h"

// Not built yet: DrawAttributes sends a plain grey.
void init_material_list() {}
void cleanup_material_list() {}
void set_update_material() {}
void update_textures() {}
