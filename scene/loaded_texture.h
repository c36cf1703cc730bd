// Textures of the scene: an image with its GL name, uploaded with mipmaps at
// the first bind; read from a file along the texture path (LoadedTexture) or
// over pixels owned elsewhere (ComputedTexture). The pixels stay after the GL
// name is dropped, so a new context uploads them again.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <vector>

class Texture {
 public:
  explicit Texture(GLenum f) : format(f), components(f == GL_RGBA ? 4 : (f == GL_RGB ? 3 : 1)) {}
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;
  virtual ~Texture() { remove(); }
  virtual void activate() = 0;

  void bind();
  // Drops the GL texture; the pixels stay for the next upload.
  void remove();
  GLuint get_name() const { return name; }
  int get_width() const { return width; }
  int get_height() const { return height; }
  // Rows bottom to top, `get_components()` bytes a texel; null before loading.
  const uint8_t* get_pixels() const { return pixels; }
  int get_components() const { return components; }

 protected:
  int width = 0, height = 0;
  const uint8_t* pixels = nullptr;
  GLuint name = 0;
  GLenum format;
  int components;
  bool needs_upload = false;
};

// A texture read from a file found along the texture path; the failure image
// stands in while the file cannot be read, and the file is tried again.
class LoadedTexture : public Texture {
 public:
  explicit LoadedTexture(GLenum f) : Texture(f) {}
  ~LoadedTexture() override;
  void activate() override {
    load_pixels();
    bind();
  }
  // Reads the file when it is due, without touching GL.
  void load_pixels() {
    if (needs_loading) load();
  }
  // Takes ownership (null keeps the name); returns whether the image must be loaded anew.
  bool set_filename(char* name);
  void set_use_alpha(bool on);
  // Forgets the pixels and the path found; the file is read again at the next activation.
  void cleanup();
  // The file found, expanding the name first; null when nothing was found.
  const char* get_file_and_pathname();
  const char* get_filename() const { return file_name; }
  bool get_showing_failure_image() const { return showing_failure_image; }

 private:
  void load();

  char* file_name = nullptr;
  char* path_name = nullptr;
  std::vector<uint8_t> image;
  bool needs_loading = false;
  bool use_alpha = false;
  bool showing_failure_image = false;
};

// A texture over pixels owned elsewhere.
class ComputedTexture : public Texture {
 public:
  explicit ComputedTexture(GLenum f) : Texture(f) {}
  void activate() override { bind(); }
  void set_texture_data(const uint8_t* p, int w, int h) {
    pixels = p, width = w, height = h;
    needs_upload = true;
  }
};
