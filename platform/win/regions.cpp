#include "platform/win/regions.h"

#include <new>

namespace {

constexpr int kBadAlloc = 11;

}  // namespace

_XRegion* Lx_CreateRegion() {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  if (region == nullptr) return nullptr;
  auto* r = new (std::nothrow) _XRegion{region};
  if (r == nullptr) DeleteObject(region);
  return r;
}

void Lx_DestroyRegion(_XRegion* region) {
  if (region == nullptr) return;
  DeleteObject(region->region);
  delete region;
}

_XRegion* Lx_CopyRegion(const _XRegion* region) {
  _XRegion* copy = Lx_CreateRegion();
  if (copy != nullptr && CombineRgn(copy->region, region->region, nullptr, RGN_COPY) == ERROR) {
    Lx_DestroyRegion(copy);
    return nullptr;
  }
  return copy;
}

int Lx_UnionRectWithRegion(int x, int y, unsigned width, unsigned height, const _XRegion* source,
                           _XRegion* destination) {
  if (source != destination && CombineRgn(destination->region, source->region, nullptr, RGN_COPY) == ERROR)
    return kBadAlloc;
  HRGN rectangle = CreateRectRgn(x, y, x + static_cast<int>(width), y + static_cast<int>(height));
  if (rectangle == nullptr) return kBadAlloc;
  const int combined = CombineRgn(destination->region, destination->region, rectangle, RGN_OR);
  DeleteObject(rectangle);
  return combined == ERROR ? kBadAlloc : 0;
}

void Lx_IntersectRegion(const _XRegion* a, const _XRegion* b, _XRegion* result) {
  CombineRgn(result->region, a->region, b->region, RGN_AND);
}

void Lx_ClipBox(const _XRegion* region, int* x, int* y, unsigned* width, unsigned* height) {
  RECT box{};
  if (GetRgnBox(region->region, &box) == NULLREGION) box = RECT{};
  *x = box.left;
  *y = box.top;
  *width = static_cast<unsigned>(box.right - box.left);
  *height = static_cast<unsigned>(box.bottom - box.top);
}
