#include "platform/win/font_names.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

const char* const kStockNames[LX_STOCK_FONTS] = {"system", "systemfixed", "ansi", "ansifixed", "device",
                                                 "oemfixed"};

// Weight words, tested in this order.
const struct {
  const char* word;
  int weight;
} kWeights[] = {
    {"Bold", 700},      {"Normal", 400},   {"Regular", 400}, {"Medium", 500},   {"Heavy", 900},
    {"Thin", 100},      {"Extralight", 200}, {"Light", 300}, {"Semibold", 600}, {"Extrabold", 800},
};

constexpr size_t kLongestName = 200;  // longer names are never font names

void set_face(Lx_FontRequest* r, const char* face, size_t length) {
  if (length >= sizeof r->face) length = sizeof r->face - 1;
  memcpy(r->face, face, length);
  r->face[length] = '\0';
  r->symbol_set = strcasecmp(r->face, "Symbol") == 0 || strcasecmp(r->face, "WingDings") == 0;
}

// True when the blank-separated words of text[0, length) hold `word`, without case.
bool has_word(const char* text, size_t length, const char* word) {
  const size_t n = strlen(word);
  for (size_t i = 0; i < length;) {
    while (i < length && text[i] == ' ') ++i;
    size_t j = i;
    while (j < length && text[j] != ' ') ++j;
    if (j - i == n && strncasecmp(text + i, word, n) == 0) return true;
    i = j;
  }
  return false;
}

int weight_of(const char* text, size_t length) {
  for (const auto& w : kWeights)
    if (has_word(text, length, w.word)) return w.weight;
  return 0;
}

void fixed_font(Lx_FontRequest* r) {
  *r = Lx_FontRequest{};
  r->kind = Lx_FontKind::stock;
  r->stock = LX_STOCK_SYSTEM_FIXED;
}

bool is_wild(const char* field, size_t length) {
  return length == 0 || memchr(field, '*', length) != nullptr || memchr(field, '?', length) != nullptr;
}

// A positive decimal field, else 0.
int number_field(const char* field, size_t length) {
  if (is_wild(field, length) || length > 6) return 0;
  int v = 0;
  for (size_t i = 0; i < length; ++i) {
    if (field[i] < '0' || field[i] > '9') return 0;
    v = v * 10 + (field[i] - '0');
  }
  return v;
}

// -foundry-family-weight-slant-width-style-pixels-points-resx-resy-spacing-average-registry-encoding
void parse_description(const char* name, Lx_FontRequest* r) {
  const char* fields[14];
  size_t lengths[14];
  int count = 0;
  const char* p = name[0] == '-' ? name + 1 : name;
  while (count < 14) {
    const char* dash = strchr(p, '-');
    fields[count] = p;
    lengths[count] = dash != nullptr ? static_cast<size_t>(dash - p) : strlen(p);
    ++count;
    if (dash == nullptr) break;
    p = dash + 1;
  }
  auto field = [&](int i, size_t* length) -> const char* {
    *length = i < count ? lengths[i] : 0;
    return i < count ? fields[i] : "";
  };
  size_t n;
  const char* f = field(1, &n);
  if (!is_wild(f, n)) set_face(r, f, n);
  f = field(2, &n);
  if (!is_wild(f, n)) r->weight = weight_of(f, n);
  f = field(3, &n);
  r->italic = n == 1 && (*f == 'i' || *f == 'I' || *f == 'o' || *f == 'O');
  f = field(6, &n);
  const int pixels = number_field(f, n);
  f = field(7, &n);
  const int points = number_field(f, n);
  f = field(9, &n);
  int resolution = number_field(f, n);
  if (resolution == 0) resolution = 96;
  if (pixels > 0) r->height = -pixels;
  else if (points > 0) r->height = -((points * resolution + 360) / 720);
  f = field(10, &n);
  r->fixed_pitch = n == 1 && (*f == 'm' || *f == 'M' || *f == 'c' || *f == 'C');
}

// family-style words-size
bool parse_family_form(const char* name, Lx_FontRequest* r) {
  const char* first = strchr(name, '-');
  const char* last = strrchr(name, '-');
  if (first == nullptr || first == last || first == name) return false;
  const char* size_text = last + 1;
  if (*size_text == '\0' || strspn(size_text, "0123456789") != strlen(size_text) || strlen(size_text) > 4)
    return false;
  const int s = atoi(size_text);
  if (s <= 0) return false;
  set_face(r, name, static_cast<size_t>(first - name));
  const char* style = first + 1;
  const size_t style_length = static_cast<size_t>(last - style);
  r->weight = weight_of(style, style_length);
  r->italic = has_word(style, style_length, "Italic");
  if (!r->italic && has_word(style, style_length, "Oblique")) r->orientation = 3450;
  r->height = -(s + (s + 1) / 3);
  return true;
}

}  // namespace

void Lx_ParseFontName(const char* name, Lx_FontRequest* request) {
  Lx_FontRequest r{};
  r.kind = Lx_FontKind::logical;
  if (strcmp(name, "cursor") == 0) {
    r.kind = Lx_FontKind::cursor;
  } else if (name[0] == '-' || name[0] == '*') {
    parse_description(name, &r);
  } else if (strlen(name) >= kLongestName) {
    fixed_font(&r);
  } else {
    bool stock = false;
    for (int i = 0; i < LX_STOCK_FONTS; ++i)
      if (strcasecmp(name, kStockNames[i]) == 0) {
        r.kind = Lx_FontKind::stock;
        r.stock = static_cast<Lx_StockFont>(i);
        stock = true;
      }
    if (!stock && !parse_family_form(name, &r)) fixed_font(&r);
  }
  *request = r;
}
