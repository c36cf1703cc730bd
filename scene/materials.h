// The material list: materials numbered 1 to the count in predefined 110,
// with colours, transparency, reflection and textures, sent to GL on use.
#pragma once

void init_material_list();
void cleanup_material_list();
// The next material sent goes to GL even when it equals the last one.
void set_update_material();
// Loads the textures of every material in use.
void update_textures();
