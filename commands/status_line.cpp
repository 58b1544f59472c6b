// The status line the driver draws across the top of the graphics window when
// the client asks for one and the Motif status bar does not replace it.
//
// Each field remembers the text it shows and is drawn again only when that
// text changes (or when forced), so that the frequent coordinate updates
// redraw only the coordinate field and what follows it.
//
// Its zoom fields are a magnifier: the routing of pointer samples offers each
// sample to them, and a click opens the Birdseye window or asks for a zoom.
#include "commands/status_line.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/tool_state.h"
#include "commands/birdseye.h"
#include "commands/commands.h"
#include "commands/string_input.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "render3d/faces.h"
#include "ui/status_bar.h"

StatusLineRecord GL_Status_Line;

namespace {

// What each field shows now; a field whose cache is not known yet is drawn
// whatever its text.
struct FieldCache {
  bool known;
  char text[256];
};
FieldCache first_cache, second_cache, indicator_cache;
// Where the texts end, and so where the indicator's gap begins.
int texts_end;

bool differs(const FieldCache &cache, const char *text) {
  return !cache.known || std::strcmp(cache.text, text) != 0;
}

void remember(FieldCache &cache, const char *text) {
  cache.known = true;
  std::snprintf(cache.text, sizeof cache.text, "%s", text);
}

void draw_text(const char *text, int x, int y, int colour) {
  MyColor(colour);
  cmov2i(x, y);
  MyCharstr(text);
}

}  // namespace

std::int64_t display_list_bytes() {
  return (static_cast<std::int64_t>(page_count) + rpage_count + dpage_count) * alloc_size;
}

void FormatListMemory(std::int64_t bytes, char *text, std::size_t cap) {
  if (bytes <= 1048576)
    std::snprintf(text, cap, "%dK", static_cast<int>(bytes / 1024));
  else
    std::snprintf(text, cap, "%.1fM", static_cast<double>(bytes) / 1048576.0);
}

void ForgetStatusLine() {
  first_cache.known = second_cache.known = indicator_cache.known = false;
  texts_end = 0;
}

void UpdateStatusLine(StatusLineRecord *record, int force) {
  if (use_localstatus) {
    char text[256];
    FormatListMemory(display_list_bytes(), text, sizeof text);
    st_mem(text);
    return;
  }
  if (!StatusLine || record == nullptr) return;

  StatusLineRecord &s = *record;
  SelectScreenMatrix();
  SelectBothBuffers();
  const int top = ysize - 1;
  const int x3 = s.x + 2 * s.char_width + 4;
  FilledBox(s.x, s.y, x3 - 1, top + 1, s.background, 0);
  FilledBox(s.x + 2, s.y + 2, x3 - 6, top - 2, DrawingColorIndex(s.box_colour), 0);
  OutlinedBox(s.x + 1, s.y + 1, x3 - 5, top - 1, s.foreground, 0);

  int pen = x3;
  const char *texts[2] = {s.first_text, s.second_text};
  FieldCache *caches[2] = {&first_cache, &second_cache};
  for (int i = 0; i < 2; ++i) {
    const char *text = texts[i];
    if (text == nullptr || text[0] == '\0') continue;
    const int width = (static_cast<int>(std::strlen(text)) + 1) * s.char_width;
    if (force || differs(*caches[i], text)) {
      // A changed field moves everything after it.
      force = 1;
      remember(*caches[i], text);
      FilledBox(pen, s.y, pen + width - 1, top, s.background, 0);
      draw_text(text, pen, s.y + s.descender, s.foreground);
    }
    pen += width;
  }
  texts_end = pen;
  DrawCleanMessage(record, force);
}

void DrawCleanMessage(StatusLineRecord *record, int force) {
  if (!StatusLine || record == nullptr) return;
  StatusLineRecord &s = *record;

  char indicator[256] = "";
  std::size_t n = 0;
  auto append = [&](const char *format, auto... values) {
    if (n >= sizeof indicator) return;
    const int k = std::snprintf(indicator + n, sizeof indicator - n, format, values...);
    if (k > 0) n += static_cast<std::size_t>(k);
    if (n >= sizeof indicator) n = sizeof indicator - 1;
  };
  if (!do_32bit_regen) {
    const int index = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
    append(":x%d", vp_info[index].zoom);
  }
  if (cfr.word(kWordDisplayList)) append(":%dK", static_cast<int>(display_list_bytes() / 1024));
  // The hot spots, whoever draws the line: the pointer poll that lights one
  // of them redraws the indicator too, and must not take them away.
  append("%s", ":1 2 5 10 20 D:");

  const int length = static_cast<int>(std::strlen(indicator));
  const char *cleaning = GetString(103);
  const int cleaning_length = cleaning != nullptr ? static_cast<int>(std::strlen(cleaning)) : 0;
  const int w = length > cleaning_length ? length : cleaning_length;
  const int field = xsize - (w + 1) * s.char_width - 1;
  const int top = ysize - 1;

  SelectScreenMatrix();
  SelectBothBuffers();
  // Texts that reach into the indicator's field leave no gap to fill.
  if (texts_end < field) FilledBox(texts_end, s.y, field - 1, top, s.background, 0);

  if (force || differs(indicator_cache, indicator)) {
    remember(indicator_cache, indicator);
    FilledBox(field, s.y, xsize - 1, top, s.background, 0);
    draw_text(indicator, xsize - length * s.char_width - 1, s.y + s.descender, s.foreground);
    // Under "1", "2", "5", "10", "20" and "D" of the hot-spot row.
    static const int kCells[7] = {14, 12, 10, 8, 5, 2, 0};
    for (int k = 0; k < 7; ++k) s.zoom_edges[k] = xsize - 1 - kCells[k] * s.char_width;
  }
}

// ---- the magnifier ------------------------------------------------------------

namespace {

// A zoom field of the status line is drawn highlighted.
int zoom_field_lit;

}  // namespace

int status_zoom_input(Packet &p) {
  static const char *const kLabels[6] = {"1", "2", "5", "10", "20", "D"};
  static const int kMagnification[6] = {1, 2, 5, 10, 20, 0};
  StatusLineRecord &s = GL_Status_Line;
  const int x = Original[2], y = Original[3];

  int field = -1;
  if (y >= ymax && y <= ysize) {
    for (int k = 0; k < 6; ++k) {
      if (x >= s.zoom_edges[k] && x < s.zoom_edges[k + 1]) {
        field = k;
        break;
      }
    }
  }

  if (field < 0) {
    if (zoom_field_lit) UpdateStatusLine(&GL_Status_Line, 1);
    zoom_field_lit = 0;
    return 0;
  }

  zoom_field_lit = 1;
  if (Original[1] != kDigPick) {
    DrawCleanMessage(&GL_Status_Line, 1);
    SelectScreenMatrix();
    const int x1 = s.zoom_edges[field] - s.char_width / 4;
    const int x2 = s.zoom_edges[field + 1] - s.char_width;
    FilledBox(x1, s.y, x2, s.y + s.char_height - 1, s.foreground, 0);
    MyColor(s.background);
    cmov2i(x1, s.y + s.descender);
    MyCharstr(kLabels[field]);
  } else if (field == 0) {
    ++PstringNeeded;
    ZoomRequest = 1;
  } else {
    bview = 1;
    DrawBirdseyeView(kMagnification[field]);
    CurrentPmark[kPmarkTaken] = 1;
  }
  p.put_i16(2, kDigUsed);
  return 1;
}

void reset_status_zoom() { zoom_field_lit = 0; }
