#include "scene/scene_graph.h"

// Not built yet: the graph is always empty.
void draw_scene_graph(int, RepaintAttributes*) {}
