#include "scene/loaded_texture.h"

#include <GL/glu.h>

#include <cstring>
#include <utility>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/image_io.h"
#include "scene/materials.h"

void Texture::remove() {
  if (name != 0 && XGLContext::current_context != nullptr) XGLContext::current_context->delete_texture(&name);
  name = 0;
  needs_upload = true;
}

void Texture::bind() {
  if (pixels == nullptr) return;
  XGLContext* gl = XGLContext::current_context;
  if (name == 0) {
    if (!needs_upload) return;
    glGenTextures(1, &name);
    gl->bind_texture_2d(name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    GLclampf priority = 1.0f;
    glPrioritizeTextures(1, &name, &priority);
  } else {
    gl->bind_texture_2d(name);
    if (!needs_upload) return;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
  needs_upload = false;
}

LoadedTexture::~LoadedTexture() {
  if (file_name != nullptr) CheckedFree(file_name);
  if (path_name != nullptr) CheckedFree(path_name);
}

void LoadedTexture::set_use_alpha(bool on) {
  if (on == use_alpha) return;
  use_alpha = on;
  if (file_name != nullptr) needs_loading = true;
}

void LoadedTexture::cleanup() {
  if (path_name != nullptr) CheckedFree(path_name);
  path_name = nullptr;
  image.clear();
  image.shrink_to_fit();
  pixels = nullptr;
  showing_failure_image = false;
  remove();
  if (file_name != nullptr) needs_loading = true;
}

const char* LoadedTexture::get_file_and_pathname() {
  if (path_name == nullptr && file_name != nullptr) path_name = expand_texture_name(file_name);
  return path_name;
}

bool LoadedTexture::set_filename(char* name) {
  bool same = name == nullptr || (file_name != nullptr && strcmp(name, file_name) == 0);
  if (!same) {
    needs_loading = true;
    if (path_name != nullptr) CheckedFree(path_name);
    path_name = nullptr;
  }
  if (name != nullptr || file_name != nullptr) {
    if (file_name != nullptr && file_name != name) CheckedFree(file_name);
    file_name = name;
  }
  return needs_loading;
}

void LoadedTexture::load() {
  // The format changes only with the pixels: a retry that fails keeps the failure image's.
  GLenum wanted = use_alpha ? GL_RGBA : GL_RGB;
  if (format == GL_LUMINANCE) wanted = GL_LUMINANCE;
  GLenum read_format = wanted == GL_RGB ? GL_RGBA : wanted;  // ImageIO gives RGBA or luminance
  if (path_name == nullptr && file_name != nullptr) path_name = expand_texture_name(file_name);
  if (path_name != nullptr) {
    ImageIO io(read_format, path_name);
    if (io.ok) {
      format = wanted;
      width = int(io.width), height = int(io.height);
      image = std::move(io.pixels);
      if (format == GL_RGB) {  // drop the alpha channel in place
        size_t n = size_t(width) * size_t(height);
        for (size_t i = 0; i < n; ++i)
          for (int c = 0; c < 3; ++c) image[3 * i + size_t(c)] = image[4 * i + size_t(c)];
        image.resize(3 * n);
      }
      components = format == GL_RGBA ? 4 : (format == GL_RGB ? 3 : 1);
      pixels = image.data();
      needs_loading = showing_failure_image = false;
      needs_upload = true;
      return;
    }
  }
  if (showing_failure_image) return;
  // A file found but unreadable is reported like one not found.
  if (path_name != nullptr) remember_texture_not_found(file_name);
  ImageIO failure(read_format == GL_LUMINANCE ? GL_LUMINANCE : GL_RGBA);
  width = int(failure.width), height = int(failure.height);
  image = std::move(failure.pixels);
  format = read_format;
  components = format == GL_RGBA ? 4 : 1;
  pixels = image.data();
  showing_failure_image = true;
  remove();
  needs_upload = true;
}
