// The light file: a list of lights read, written and printed, and its
// exchange with the sixteen light parameter arrays of the YARL program.
#pragma once

#include <cstdint>

constexpr uint32_t max_lights = 10000;

// One light; fields in the order of their keywords.
struct TrqLight {
  char* type;  // "ambient_light", "directional_light", "positional_light", "spot_light"
  double ambient[4];
  int32_t casts_shadows;
  double constant_attenuation;
  int32_t default_light;
  double diffuse[4];
  int32_t headlight;
  char* name;
  int32_t state;
  double linear_attenuation;
  double position[3];
  double aim_at[3];
  double quadratic_attenuation;
  double specular[4];
  double spot_cutoff;
  double spot_exponent;
};

struct TrqDlg {
  double version;
  uint32_t capacity;  // grows in the steps asked for
  uint32_t count;
  TrqLight* lights;
  uint32_t reserved;  // records the block holds: it grows by half, so long files read in linear time
};

void TrqDlgAlloc(TrqDlg** list, uint16_t capacity);
bool TrqDlgRealloc(TrqDlg** list, uint16_t step);
// The defaults into the record at count - 1.
void TrqDlgInit(const TrqDlg* list);
void TrqDlgFree(TrqDlg* list);

// 0 with a new list, 1 (list null) when the file can't be opened.
int TrqDlgRead(const char* path, TrqDlg** list);
// 0; -1 no light (no file); 1 not written (the old file stays).
int TrqDlgWrite(const char* path, const TrqDlg* list);
// Prints to standard output; the number of lights printed.
int TrqDlgPrint(const TrqDlg* list);

// Each array has room for 32 lights. The number of lights mapped (1 to 32),
// -1 the file can't be read, -2 it holds no light.
int TrqDlgImport(const char* path, uint32_t type[], bool enable[], float red[], float green[], float blue[],
                 bool view_dependency[], float x[], float y[], float z[], float target_x[], float target_y[],
                 float target_z[], float spot_angle[], float spot_focus[], uint32_t shadow_type[],
                 float shadow_softness[]);
// Writes n lights (the spot angles in degrees); the writer's result, -1 for
// n of 0 or above max_lights.
int TrqDlgExport(const char* path, uint32_t n, const uint32_t type[], const bool enable[], const float red[],
                 const float green[], const float blue[], const bool view_dependency[], const float x[],
                 const float y[], const float z[], const float target_x[], const float target_y[],
                 const float target_z[], const float spot_angle[], const float spot_focus[],
                 const uint32_t shadow_type[], const float shadow_softness[]);
