#include "scene/lights.h"

// Not built yet: the table is empty and no light is ever switched on.
void init_lights() {}
void cleanup_lights() {}
bool is_valid_light(int) { return false; }
int get_number_of_lights() { return 0; }
void activate_lights() {}
void deactivate_lights() {}
void get_light_direction(int, float* x, float* y, float* z) { *x = 1, *y = 0, *z = 0; }
