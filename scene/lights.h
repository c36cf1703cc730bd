// The light table of the graphics window: up to 32 GL lights addressed by
// their GL name (GL_LIGHT0 + i), switched on around the drawing of each view.
#pragma once

void init_lights();
void cleanup_lights();
bool is_valid_light(int name);
int get_number_of_lights();
// Enables every lit, emitting light with its colours and position in the
// current modelview; deactivate_lights disables every lit light.
void activate_lights();
void deactivate_lights();
// Unit direction of the light toward the model.
void get_light_direction(int name, float* x, float* y, float* z);
