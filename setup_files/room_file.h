// The room file: a room box with an image for each of its six surfaces,
// read and written, and its exchange with the environment box.
#pragma once

#include <cstddef>
#include <cstdint>

// Surfaces in keyword order: 0 "ceiling", 1 "floor", 2 "wall1" to 5 "wall4".
constexpr int ROOM_SURFACES = 6;

struct TrqDrmSurface {
  char* image;  // the surface keyword's value: a file name without directory
  int32_t copies;
  int32_t flipped_horizontal;
  int32_t flipped_vertical;
  double offset[2];
  double rotation;
  double scale[2];
};

struct TrqDrm {
  double version;
  int32_t capacity;
  int32_t count;  // 6 once initialised
  double center[3];
  double dimensions[3];
  double origin[3];
  double rotation[3];
  char* room_shape;
  TrqDrmSurface* surfaces;
};

// A record with n surface items and count 0.
void TrqDrmAlloc(TrqDrm** room, long n);
// The defaults of the room and its count surfaces; the version stays.
void TrqDrmInit(TrqDrm* room);
void TrqDrmFree(TrqDrm* room);

// 0 with a new record, 1 (record null) when the file can't be opened.
// is_room_file, when given, tells whether the file began with a version
// word or held a room keyword.
int TrqDrmRead(const char* path, TrqDrm** room, bool* is_room_file = nullptr);
// 0; -1 no surface has an image (no file); 1 not written (the old file stays).
int TrqDrmWrite(const char* path, const TrqDrm* room);

// Sets the environment box from a room file: 0 done (a shape other than
// "rectangle" changes nothing); -1 the file can't be read or is no room file
// (the box stays); -4 an image is no TIFF file (the other surfaces are set).
// Images are looked for beside the room file and handed to the box by the
// path checked.
int TrqDrmImport(const char* path);
// Writes the environment box as a room file, and with write_images each
// visible side's own image as "<root>_<surface>.tif", the root ending at the
// last "." of the path's last component. -1 the box is hidden (no file);
// otherwise the writer's result, 1 when an image was not written (then no
// room file is written).
int TrqDrmExport(const char* path, bool write_images);

// A regular file that begins as a classic TIFF ("MM\0*" or "II*\0").
bool FileIsTiff(const char* path);
// Whether the path has a directory part ("/" or "\\" separates); len is the
// index of the last separator.
bool GetHeader(const char* path, size_t* len);
// The length of the path up to the last "." of its last component, or the
// whole length when that has none.
void get_root(const char* path, size_t* len);
// The part after the last separator (the whole path when it has none).
const char* get_tail(const char* path);
// An uncompressed RGB TIFF of bottom-up RGBA pixels, the last row on top;
// 0 written, 1 not (the old file stays, no part of a new one is left).
int write_tiff(const char* path, uint32_t width, uint32_t height, const uint8_t* rgba);
