#include "platform/win/error_names.h"

#include <cstdio>

namespace {

const char* const kNames[] = {
    "BadRequest", "BadValue",  "BadWindow", "BadPixmap",   "BadAtom",     "BadCursor",
    "BadFont",    "BadMatch",  "BadDrawable", "BadAccess", "BadAlloc",    "BadColor",
    "BadGC",      "BadIDChoice", "BadName", "BadLength",   "BadImplementation",
};

}  // namespace

const char* Lx_ErrorName(int code) {
  constexpr int kCount = static_cast<int>(sizeof kNames / sizeof kNames[0]);
  return code >= 1 && code <= kCount ? kNames[code - 1] : "unknown error type";
}

void Lx_FormatErrorText(int code, unsigned long resource_id, char* text, size_t size) {
  snprintf(text, size, "  Error of faild request: %s\n  Resource id in faild request: %lx", Lx_ErrorName(code),
           resource_id);
}
