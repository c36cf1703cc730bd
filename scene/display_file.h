// The display file: a text snapshot of the 3D scene (palette, view,
// materials, lights, environment, mirror mode and the geometry of every
// visible segment) written by `write_df` and read back by `read_df`.
//
// Integers are printable groups of 6 bits, most significant first, ended by
// a character that carries the last 4 bits and the sign; reals are a
// mantissa and a power-of-two exponent; records end with a line feed.
#pragma once

#include <cstdint>
#include <cstdio>

#include "base/atomic_file.h"

enum df_tokens {
  DF_END = 0,
  DF_GEOMSHELL = 1,
  DF_VIEWING_MATRICES = 2,
  DF_VIEWING_VOLUME = 3,
  DF_AMBIENT_LIGHT = 4,
  DF_BEAM_LIGHT = 5,
  DF_POINT_LIGHT = 6,
  DF_SPOT_LIGHT = 7,
  DF_ENVIRONMENT = 8,
  DF_MATERIALS = 9,
  DF_MIRROR_SWITCH = 10,
  DF_POLYLINE = 11,
  DF_COLORMAP = 12,
  DF_DEPTH_OF_FIELD = 13,
  DF_LENS_FLARES = 14,
  DF_FOG = 15,
  DF_VIEW = 16,
};

// Option bits of the header, from the display options.
enum : uint32_t {
  DF_REFLECTIONS = 0x001,
  DF_REFLECTION_NOT_1 = 0x002,
  DF_REFLECTION_3 = 0x004,
  DF_TRANSPARENCY = 0x008,
  DF_TEXTURES = 0x010,
  DF_TWO_SIDED = 0x020,
  DF_SELF_SHADOWS = 0x040,
  DF_SOFT_SHADOWS = 0x080,
  DF_SHADOW_MAPS = 0x100,
  DF_LENS_FLARES_SHOWN = 0x200,
};

// The first 60 bytes of every display file; readers compare the first 40.
extern const char DF_HEADER[];

// A display-file writer: into a file (replaced as a whole on close) or into
// an open stream such as an application's input. Output is buffered here;
// the first failing write is remembered and reported by close.
class write_df {
 public:
  write_df() = default;
  write_df(const write_df&) = delete;
  write_df& operator=(const write_df&) = delete;
  ~write_df();

  // False on success; on failure the message is printed and true returned.
  bool open(const char* name, int32_t stamp);
  // Takes the stream (closed by close); true when it is null or one is held.
  bool set_stream(FILE* stream, int32_t stamp);
  void put_header(int32_t stamp);
  void begin(df_tokens token) { put_int(token); }
  void end() { put_char('\n'); }
  void put_int(int32_t v);
  void put_uint(uint32_t v);  // the magnitude as it is, never negative
  void put_float(float v);
  void put_double(double v);
  void put_string(const char* s);
  void put_int_array(const int32_t* a, uint32_t n);
  void put_uint_array(const uint32_t* a, uint32_t n);
  void put_float_array(const float* a, uint32_t n);
  // n points of 3 floats as differences of thousandths.
  void put_xyz_plus_array(const float* xyz, uint32_t n);
  // Writes record 0, closes; true (with the message) when anything failed.
  bool close();
  bool is_open() const { return stream != nullptr; }

 private:
  void put_char(char c) {
    if (used == sizeof buffer) flush();
    buffer[used++] = c;
  }
  void flush();

  FILE* stream = nullptr;
  atomic_file file{};
  bool atomic = false;
  int error = 0;  // the errno value of the first failed write
  size_t used = 0;
  char buffer[1 << 16];
};

// Writes the scene after the header: 0, −1 when no segment is visible, −2
// when closing failed. With all_levels every level of detail is written.
int save_df(write_df* out, bool all_levels);

// The scene a display file is read into: no segments, an empty material
// list and light table, entity 1 of type 1 with level 1 named "DF file".
void clear_df_scene();

// Reads a display file (null name: standard input) into the scene; 0 with
// geometry, −3 without, −1 cannot open, −2 at end before anything was read,
// −5 bad header or negative version, −6 version above 10, −7 bad time.
int read_df(const char* name, int32_t* stamp, int32_t* options);
// The same from an open stream, which stays open (the fuzz target's entry).
int read_df_stream(FILE* stream, int32_t* stamp, int32_t* options);

// The integer and real codes, for the tests: `decode` reads from the text
// and returns the characters used.
size_t df_encode_int(int32_t v, char* out);
void df_float_parts(float v, int32_t* mantissa, int32_t* exponent);
void df_double_parts(double v, int32_t* mantissa, int32_t* exponent);
