// The thirteen manipulator kinds by their YARL item kind.
#pragma once

#include <cstdint>

#include "view/gui3d.h"

// The manipulator of a 3D item kind, or null for another kind.
GUI3D* new_gui3d_of_kind(uint8_t kind, uint32_t item, uint32_t element, GUI3DCallback change,
                         GUI3DCallback activate);
