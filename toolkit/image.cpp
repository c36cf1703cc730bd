#include "toolkit/image.h"

#include <cstring>

#include "base/checked_mm.h"
#include "toolkit/neutral_picture.h"

long Image::highest_id = 0;

neutral_picture* new_neutral_picture(uint32_t header, uint16_t width, uint16_t height) {
  size_t bytes = neutral_picture::bytes_for(width, height);
  auto* p = static_cast<neutral_picture*>(CheckedMalloc(bytes));
  memset(p, 0, bytes);
  p->header = header;
  p->width = width;
  p->height = height;
  return p;
}
