// X ids of the layer's GDI objects. A handle's value fits 32 bits and is
// sign-extended when it widens, so an X id (unsigned long, 32 bits on
// Windows) holds one whole.
#pragma once

#include <windows.h>

#include <cstdint>

template <class Handle>
inline Handle Lx_HandleOf(unsigned long id) {
  return reinterpret_cast<Handle>(static_cast<intptr_t>(static_cast<int32_t>(id)));
}
inline unsigned long Lx_IdOf(const void* handle) {
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle));
}
