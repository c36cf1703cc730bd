#include "platform/win/colour_db.h"

#include <cctype>
#include <cstring>

#include "platform/win/hash_table.h"

const Lx_SysColorEntry sysColorEntries[LX_SYSTEM_COLOURS] = {
    {"SystemActiveBorder", 10},     {"SystemActiveCaption", 2},  {"SystemAppWorkspace", 12},
    {"SystemBackground", 1},        {"SystemButtonFace", 15},    {"SystemButtonHighlight", 20},
    {"SystemButtonShadow", 16},     {"SystemButtonText", 18},    {"SystemCaptionText", 9},
    {"SystemDisabledText", 17},     {"SystemHighlight", 13},     {"SystemHighlightText", 14},
    {"SystemInactiveBorder", 11},   {"SystemInactiveCaption", 3}, {"SystemInactiveCaptionText", 19},
    {"SystemMenu", 4},              {"SystemMenuText", 7},       {"SystemScrollbar", 0},
    {"SystemWindow", 5},            {"SystemWindowFrame", 6},    {"SystemWindowText", 8},
};

namespace {

Lx_HashTable name_index;
bool index_built = false;
uint32_t system_values[LX_SYSTEM_COLOURS];

// Longer than every name of the index, so a longer name is never found.
constexpr size_t kLongestName = 64;

// The lower-cased copy of `name`; false when it is too long to be a colour.
bool lower_case(const char* name, char (&copy)[kLongestName + 1]) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i == kLongestName) return false;
    copy[i] = static_cast<char>(tolower(static_cast<unsigned char>(name[i])));
  }
  copy[i] = '\0';
  return true;
}

void insert(const char* name, const uint32_t* value) {
  char key[kLongestName + 1];
  if (!lower_case(name, key)) return;
  int is_new = 0;
  Lx_HashEntry* entry = Lx_CreateHashEntry(&name_index, key, &is_new);
  Lx_SetHashValue(entry, const_cast<uint32_t*>(value));
}

}  // namespace

void Lx_BuildColorDB(uint32_t (*system_colour)(int index)) {
  if (index_built) return;
  Lx_InitHashTable(&name_index, LX_STRING_KEYS);
  for (int i = 0; i < colorDB_count; ++i) insert(colorDB[i].name, &colorDB[i].value);
  for (int i = 0; i < LX_SYSTEM_COLOURS; ++i) {
    system_values[i] = system_colour != nullptr ? system_colour(sysColorEntries[i].index) : 0;
    if (system_colour != nullptr) insert(sysColorEntries[i].name, &system_values[i]);
  }
  index_built = true;
}

void Lx_FreeColorDB() {
  if (!index_built) return;
  Lx_DeleteHashTable(&name_index);
  index_built = false;
}

bool Lx_LookupColorName(const char* name, uint32_t* value) {
  Lx_BuildColorDB(nullptr);
  char key[kLongestName + 1];
  if (!lower_case(name, key)) return false;
  const Lx_HashEntry* entry = Lx_FindHashEntry(&name_index, key);
  if (entry == nullptr) return false;
  *value = *static_cast<const uint32_t*>(Lx_GetHashValue(entry));
  return true;
}

bool Lx_ParseHexColor(const char* spec, uint16_t* red, uint16_t* green, uint16_t* blue) {
  if (spec[0] != '#') return false;
  const size_t digits = strnlen(spec + 1, 13);
  if (digits == 0 || digits > 12 || digits % 3 != 0) return false;
  const size_t per = digits / 3;
  uint16_t parts[3];
  for (size_t c = 0; c < 3; ++c) {
    unsigned v = 0;
    for (size_t k = 0; k < per; ++k) {
      const unsigned char ch = static_cast<unsigned char>(spec[1 + c * per + k]);
      if (!isxdigit(ch)) return false;
      v = v * 16 + static_cast<unsigned>(isdigit(ch) ? ch - '0' : tolower(ch) - 'a' + 10);
    }
    parts[c] = static_cast<uint16_t>(v << (16 - 4 * per));
  }
  *red = parts[0];
  *green = parts[1];
  *blue = parts[2];
  return true;
}
