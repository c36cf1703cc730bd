// Transparent facet trees collected during a drawing and drawn last, sorted
// by depth.
#pragma once

#include <cstdint>

#include "base/checked_mm.h"

class DisplayOptions;
class DrawAttributes;
class GEOMShell;

class GEOMPolygonList {
 public:
  struct record {
    GEOMShell* shell;
    uint8_t flags;  // bit 0: drawn mirrored
    float depth;
    const DrawAttributes* attributes;
  };

  GEOMPolygonList();
  ~GEOMPolygonList();
  GEOMPolygonList(const GEOMPolygonList&) = delete;
  GEOMPolygonList& operator=(const GEOMPolygonList&) = delete;

  void add(GEOMShell* shell, bool mirrored, const DrawAttributes* attributes);
  // Ascending depth; unordered depths (NaN) go last.
  void sort();
  void draw(DisplayOptions* options) const;
  void reset() { list.length = 0; }
  uint32_t length() const { return list.length; }
  const record& at(uint32_t i) const { return list.as<record>()[i]; }

 private:
  table list;
};
