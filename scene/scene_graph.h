// The application's scene graph: numbered nodes with transformations and
// numbered leaves with geometry, drawn after the entities of each view.
#pragma once

struct RepaintAttributes;

// Draws the scene graph for view `view` (1..33).
void draw_scene_graph(int view, RepaintAttributes* attributes);
