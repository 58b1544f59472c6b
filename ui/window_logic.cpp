// The graphics window's rules that need no X server: font-list resources,
// the overlay-visual property, the message box's text and answers.
#include "ui/window_logic.h"

#include <cstdint>
#include <cstring>

#include "base/text_codes.h"

int command_lines_from_resource(int value) { return value >= 0 && value <= 25 ? value : 3; }

int split_font_entries(const char *font_list, char (*entries)[kFontNameMax], int max_entries) {
  int n = 0;
  if (font_list == nullptr) return 0;
  const char *p = font_list;
  while (*p != '\0' && n < max_entries) {
    const char *end = std::strchr(p, ',');
    if (end == nullptr) end = p + std::strlen(p);
    // Blanks go, and the entry ends at its tag or font-set mark.
    char *out = entries[n];
    std::size_t len = 0;
    bool fits = true;
    for (const char *c = p; c < end && *c != '=' && *c != ':'; ++c) {
      if (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\r') continue;
      if (len + 1 >= kFontNameMax) {
        fits = false;
        break;
      }
      out[len++] = *c;
    }
    out[len] = '\0';
    if (fits && len > 0) ++n;
    p = *end == ',' ? end + 1 : end;
  }
  return n;
}

std::size_t join_font_entries(const char *font_list, char *out, std::size_t cap) {
  if (cap == 0) return 0;
  static char entries[kFontEntriesMax][kFontNameMax];
  int n = split_font_entries(font_list, entries, kFontEntriesMax);
  std::size_t len = 0;
  out[0] = '\0';
  for (int i = 0; i < n; ++i) {
    std::size_t add = std::strlen(entries[i]) + (i > 0 ? 1 : 0);
    if (len + add >= cap) break;  // whole names only
    if (i > 0) out[len++] = ',';
    std::memcpy(out + len, entries[i], std::strlen(entries[i]));
    len += std::strlen(entries[i]);
    out[len] = '\0';
  }
  return len;
}

void choose_fixed_font(const char *font_list, FontProbe probe, void *data, char *out, std::size_t cap) {
  static char entries[kFontEntriesMax][kFontNameMax];
  int n = split_font_entries(font_list, entries, kFontEntriesMax);
  for (int i = 0; i < n; ++i) {
    if (probe(entries[i], data)) {
      bounded_copy(out, entries[i], cap);
      return;
    }
  }
  bounded_copy(out, probe("international15", data) ? "international15" : "fixed", cap);
}

int parse_overlay_visuals(const unsigned long *words, unsigned long count, OverlayVisual *out, int max_out) {
  int n = 0;
  // Each word is a CARD32; the layer is signed (underlays lie below 0).
  for (unsigned long i = 0; i + 4 <= count && n < max_out; i += 4) {
    OverlayVisual &v = out[n++];
    v.visualid = words[i] & 0xffffffffUL;
    v.type = static_cast<std::int32_t>(static_cast<std::uint32_t>(words[i + 1]));
    v.value = words[i + 2] & 0xffffffffUL;
    v.layer = static_cast<std::int32_t>(static_cast<std::uint32_t>(words[i + 3]));
  }
  return n;
}

bool overlay_info_of(unsigned long visualid, const OverlayVisual *entries, int count, XLayerVisualInfo *info) {
  for (int i = 0; i < count; ++i) {
    if (entries[i].visualid == visualid) {
      info->layer = entries[i].layer;
      info->type = entries[i].type;
      info->value = entries[i].value;
      return true;
    }
  }
  info->layer = 0;
  info->type = 0;
  info->value = 0;
  return false;
}

bool layer_filters_match(const XLayerVisualInfo &info, bool has_entry, long mask, const XLayerVisualInfo &tmpl) {
  if ((mask & VisualLayerMask) && info.layer != tmpl.layer) return false;
  if ((mask & VisualTransparentType) && info.type != tmpl.type) return false;
  if ((mask & VisualTransparentValue) && (!has_entry || info.value != tmpl.value)) return false;
  return true;
}

std::size_t limit_message_lines(const char *text, char *out, std::size_t cap) {
  if (cap == 0) return 0;
  if (text == nullptr) text = "";
  std::size_t len = 0;
  int lines = 0;
  const char *p = text;
  for (; *p != '\0' && len + 1 < cap; ++p) {
    out[len++] = *p;
    if (*p == '\n' && ++lines == kDialogLinesMax) {
      ++p;
      break;
    }
  }
  out[len] = '\0';
  if (lines == kDialogLinesMax && *p != '\0') {
    // Only the note when the cut lines would leave no room for it.
    std::size_t note = sizeof kDialogLimitNote - 1;
    if (len + note + 1 > cap) len = cap > note + 1 ? cap - note - 1 : 0;
    bounded_copy(out + len, kDialogLimitNote, cap - len);
    len += std::strlen(out + len);
  }
  return len;
}

int dialog_answer(int reason, int type) {
  switch (reason) {
    case kReasonHelp: return -1;
    case kReasonOk: return 1;
    case kReasonCancel: return 0;
    default: break;
  }
  switch (type) {
    case 1: return 0;
    case 2: return -1;
    default: return 1;
  }
}

std::size_t cut_at_colon(char *text) {
  std::size_t len = std::strlen(text);
  if (char *colon = std::strchr(text, ':')) *colon = '\0';
  return len;
}
