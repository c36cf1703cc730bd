// The design file: the names of a model, light, material and room file and
// an optional block of 34 render options, read, written and printed; the
// names are handed to and from the YARL program.
#pragma once

#include <cstdint>

constexpr int DESIGN_OPTIONS = 34;

// The names in keyword order.
enum design_name { MODEL_FILE, LIGHT_FILE, MATERIAL_FILE, ROOM_FILE, DESIGN_NAMES };

// A render option: a word or an integer, by the option table.
union design_option {
  char* text;
  int32_t number;
};

struct TrqDsn {
  double version;
  char* names[DESIGN_NAMES];
  int32_t render_options_list;
  design_option options[DESIGN_OPTIONS];  // "renderer_type" to "rt_transparency"
};

// Every string null, every integer 0; the version stays.
void TrqDsnInit(TrqDsn* design);
void TrqDsnFree(TrqDsn* design);

// 1 (record null) when the file can't be opened; otherwise a new record and
// the result of the last value read (0 when none was read). is_design_file,
// when given, tells whether the file began with a version word or held a
// design keyword.
int TrqDsnRead(const char* path, TrqDsn** design, bool* is_design_file = nullptr);
// 0, or 1 when not written (the old file stays).
int TrqDsnWrite(const char* path, const TrqDsn* design);
void TrqDsnPrint(const TrqDsn* design);

// 0 with four new strings (an empty one for a name not given); -1 with the
// outputs untouched when the file can't be read, a value was refused last,
// or the file is no design file.
int TrqDsnImport(const char* path, char** light_file, char** material_file, char** model_file, char** room_file);
// Writes version 1.0 and the names that are neither null nor empty; the
// writer's result.
int TrqDsnExport(const char* path, const char* light_file, const char* material_file, const char* model_file,
                 const char* room_file);
