// The font manager over X core fonts. A handle names a face and a size; it is
// resolved to glyph bitmaps on first use on a server and kept.
#include "fmclient.h"

#include "text.h"
#include "xbind.h"
#include "xfont.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct KglFmFont {
  enum Kind { BUILTIN, XNAME, FAMILY } kind = BUILTIN;
  std::string face;              // as asked
  std::string family, weight, slant;
  int size = 0;                  // pixels asked for; 0 before fmscalefont
  std::string server;            // DisplayString the font was resolved on
  const KglFont *font = nullptr;
  std::string resolved;
  int pixel_size = 0;
  int resolution = 75;
};

namespace {

std::vector<std::unique_ptr<KglFmFont>> handles;   // interned: one per face and size
KglFmFont *current_font = nullptr;

constexpr int UNSCALED_SIZE = 12;

std::string lower(const std::string &s) {
  std::string r = s;
  for (char &ch : r) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return r;
}

KglFmFont *intern(const KglFmFont &proto) {
  for (auto &h : handles)
    if (h->kind == proto.kind && h->face == proto.face && h->size == proto.size) return h.get();
  handles.push_back(std::make_unique<KglFmFont>(proto));
  return handles.back().get();
}

// "Times-BoldItalic" -> family "times", weight "bold", slant "i".
void parse_face(const std::string &face, KglFmFont &h) {
  const std::string l = lower(face);
  const std::size_t dash = l.find('-');
  h.family = l.substr(0, dash);
  const std::string style = dash == std::string::npos ? "" : l.substr(dash + 1);
  h.weight = style.find("bold") != std::string::npos ? "bold" : "medium";
  h.slant = style.find("italic") != std::string::npos ? "i" : style.find("oblique") != std::string::npos ? "o" : "r";
}

std::string family_pattern(const KglFmFont &h, const std::string &weight, const std::string &slant) {
  return "-*-" + h.family + "-" + weight + "-" + slant + "-normal--*-*-*-*-*-*-iso8859-1";
}

// Field n (0 the foundry) of an X logical font name, or "".
std::string xlfd_field(const char *name, int n) {
  const char *p = name;
  for (int i = 0; i <= n; ++i) {
    p = std::strchr(p, '-');
    if (!p) return "";
    ++p;
  }
  const char *e = std::strchr(p, '-');
  return e ? std::string(p, e) : std::string(p);
}

std::vector<std::string> list_fonts(Display *dpy, const std::string &pattern) {
  std::vector<std::string> out;
  int n = 0;
  char **names = XListFonts(dpy, pattern.c_str(), 1000, &n);
  for (int i = 0; i < n; ++i) out.emplace_back(names[i]);
  if (names) XFreeFontNames(names);
  return out;
}

// The face's font nearest in size among the server's bitmap fonts (a
// scalable one made at the size when there is no bitmap font).
std::string choose_family_font(Display *dpy, const KglFmFont &h, int want) {
  std::vector<std::string> names = list_fonts(dpy, family_pattern(h, h.weight, h.slant));
  if (names.empty()) names = list_fonts(dpy, family_pattern(h, "*", "*"));
  std::string best, scalable;
  int best_diff = 1 << 30;
  for (const std::string &n : names) {
    const int px = std::atoi(xlfd_field(n.c_str(), 6).c_str());
    if (px == 0) {
      if (scalable.empty()) scalable = n;
      continue;
    }
    const int diff = std::abs(px - want);
    if (diff < best_diff) {
      best_diff = diff;
      best = n;
    }
  }
  if (!best.empty()) return best;
  if (!scalable.empty())
    return "-*-" + h.family + "-" + xlfd_field(scalable.c_str(), 2) + "-" + xlfd_field(scalable.c_str(), 3) +
           "-normal--" + std::to_string(want) + "-*-*-*-*-*-iso8859-1";
  return "";
}

const KglFont *resolve(KglFmFont *h) {
  if (!h) return nullptr;
  if (h->kind == KglFmFont::BUILTIN) {
    h->pixel_size = kgl_builtin_font()->ascent + kgl_builtin_font()->descent;
    h->resolved = kgl_builtin_font()->key;
    return h->font = kgl_builtin_font();
  }
  Display *dpy = kgl_display_of(kgl_ctx);
  if (!dpy) return h->font;   // what an earlier server gave, if any
  const std::string server = DisplayString(dpy);
  if (h->font && h->server == server) return h->font;
  std::string name = h->face;
  if (h->kind == KglFmFont::FAMILY) name = choose_family_font(dpy, *h, h->size > 0 ? h->size : UNSCALED_SIZE);
  const KglFont *f = name.empty() ? nullptr : kgl_x_load_font(dpy, name.c_str());
  if (!f) return h->font;
  h->font = f;
  h->server = server;
  h->resolved = name;
  const int px = std::atoi(xlfd_field(name.c_str(), 6).c_str());
  h->pixel_size = px > 0 ? px : f->ascent + f->descent;
  const int res = std::atoi(xlfd_field(name.c_str(), 8).c_str());
  h->resolution = res > 0 ? res : 75;
  return f;
}

bool is_builtin_name(const char *face) {
  const std::string l = lower(face);
  return l == "fixed" || l == "8x13";
}

}  // namespace

void fminit() {}

fmfonthandle fmfindfont(const char *face) {
  if (!face || !*face) return nullptr;
  KglFmFont proto;
  proto.face = face;
  Display *dpy = kgl_display_of(kgl_ctx);
  if (!dpy) {
    if (!is_builtin_name(face)) return nullptr;
    proto.kind = KglFmFont::BUILTIN;
    return intern(proto);
  }
  if (!list_fonts(dpy, face).empty()) {
    proto.kind = KglFmFont::XNAME;
    return intern(proto);
  }
  proto.kind = KglFmFont::FAMILY;
  parse_face(face, proto);
  if (proto.family.empty() || proto.family.find_first_of("*?") != std::string::npos) return nullptr;
  if (list_fonts(dpy, family_pattern(proto, "*", "*")).empty()) return nullptr;
  return intern(proto);
}

fmfonthandle fmscalefont(fmfonthandle font, double size) {
  if (!font) return nullptr;
  if (font->kind != KglFmFont::FAMILY) return font;   // fixed bitmaps have one size
  KglFmFont proto;
  proto.kind = font->kind;
  proto.face = font->face;
  proto.family = font->family;
  proto.weight = font->weight;
  proto.slant = font->slant;
  proto.size = std::isfinite(size) ? static_cast<int>(std::clamp(std::lround(size), 1L, 500L)) : UNSCALED_SIZE;
  return intern(proto);
}

void fmsetfont(fmfonthandle font) {
  if (font) current_font = font;
}

Int32 fmgetfontinfo(fmfonthandle font, fmfontinfo *info) {
  if (!info) return -1;
  std::memset(info, 0, sizeof *info);
  const KglFont *f = resolve(font);
  if (!f) return -1;
  int count = 0, xsize = 0, ysize = 0, xorig = 0, min_adv = 1 << 30;
  long long sum = 0;
  for (const KglGlyph &g : f->glyphs) {
    if (!g.present) continue;
    ++count;
    sum += g.advance;
    xsize = std::max<int>(xsize, g.w);
    ysize = std::max<int>(ysize, g.h);
    xorig = std::min<int>(xorig, g.left);
    min_adv = std::min<int>(min_adv, g.advance);
  }
  info->version = 1;
  info->fixed_width = f->fixed_width ? 1 : 0;
  info->pixel_size = font->pixel_size;
  info->ascent = f->ascent;
  info->descent = f->descent;
  info->max_advance = f->max_advance;
  info->min_advance = count ? min_adv : 0;
  info->first_char = f->first;
  info->last_char = f->last;
  info->nglyphs = count;
  info->avg_advance = count ? static_cast<Int32>(sum / count) : 0;
  info->underline_position = f->descent > 1 ? 1 : 0;
  info->underline_thickness = 1;
  info->xorig = xorig;
  info->yorig = f->descent + 1;
  info->xsize = xsize;
  info->ysize = ysize;
  info->height = f->ascent + f->descent;
  info->resolution = font->resolution;
  std::snprintf(info->name, sizeof info->name, "%s", font->resolved.c_str());
  return 0;
}

Int32 fmprstr(const char *text) {
  const KglFont *f = resolve(current_font);
  if (!f || !text) return 0;
  kgl_draw_text(f, text);
  return kgl_text_width(f, text);
}

Int32 fmgetstrwidth(fmfonthandle font, const char *text) { return kgl_text_width(resolve(font), text); }

static_assert(offsetof(fmfontinfo, yorig) == 14 * sizeof(Int32), "descender is the fifteenth word");
static_assert(offsetof(fmfontinfo, height) == 17 * sizeof(Int32), "height is the eighteenth word");
