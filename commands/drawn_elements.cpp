// Bevels, shadows and title-bar glyphs of the driver's own tool windows.
#include "commands/drawn_elements.h"

#include "base/session.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

namespace {

struct Corner {
  int x, y;
};

void fill_quad(const Corner (&q)[4]) {
  bgnpolygon();
  for (const Corner &c : q) {
    const Int32 v[2] = {c.x, c.y};
    v2i(v);
  }
  endpolygon();
}

// A glyph's outline in line width `width`, then width 1 again.
void glyph_outline(int x1, int y1, int x2, int y2, int colour, int width) {
  linewidth(static_cast<Int16>(width));
  OutlinedBox(x1, y1, x2, y2, colour, 0);
  linewidth(1);
}

}  // namespace

void draw_button_outline(int x1, int y1, int x2, int y2, int raised) {
  const Corner top[4] = {{x1 + 1, y2 - 1}, {x2 - 1, y2 - 1}, {x2 + 2, y2 + 2}, {x1 - 2, y2 + 2}};
  const Corner left[4] = {{x1 + 1, y2 - 1}, {x1 - 2, y2 + 2}, {x1 - 2, y1 - 2}, {x1 + 1, y1 + 1}};
  const Corner bottom[4] = {{x1 + 1, y1 + 1}, {x1 - 2, y1 - 2}, {x2 + 2, y1 - 2}, {x2 - 1, y1 + 1}};
  const Corner right[4] = {{x2 - 1, y1 + 1}, {x2 + 2, y1 - 2}, {x2 + 2, y2 + 2}, {x2 - 1, y2 - 1}};
  const bool lit_top_left = raised == 1;

  // The two complementary half-tones together write every pixel of the
  // bands, so a second bevel covers the first completely.
  setpattern(kPatternHalftone);
  MyColor(lit_top_left ? UI_light : UI_dark);
  fill_quad(top);
  fill_quad(left);
  setpattern(kPatternHalftoneOther);
  MyColor(UI_background);
  fill_quad(top);
  fill_quad(left);
  fill_quad(bottom);
  fill_quad(right);
  setpattern(kPatternHalftone);
  MyColor(lit_top_left ? UI_dark : UI_light);
  fill_quad(bottom);
  fill_quad(right);
  setpattern(kPatternSolid);
}

void DropShadow(int x1, int y1, int x2, int y2, int on) {
  if (on) {
    setpattern(kPatternHalftoneOther);
    FilledBox(x1 + 8, y1 - 8, x2, y1, UI_dark, 0);
    FilledBox(x2, y1 - 8, x2 + 8, y2 - 8, UI_dark, 0);
    setpattern(kPatternSolid);
  } else {
    FilledBox(x1 + 8, y1 - 8, x2, y1, 0, 0);
    FilledBox(x2, y1 - 8, x2 + 8, y2 - 8, 0, 0);
  }
}

void draw_close_box(int x, int y, int colour) {
  const int q = CharHeight / 4, y0 = y + q + 2;
  glyph_outline(x + 2, y0, x + CharHeight, y0 + q, colour, 2);
}

void draw_size_box(int x, int y, int colour) {
  glyph_outline(x + 1, y + 1, x + 1 + CharHeight / 2, y + 1 + CharHeight / 2, colour, 2);
  glyph_outline(x + 1, y + 1, x + CharHeight, y + CharHeight, colour, 1);
}

void draw_icon_box(int x, int y, int colour) {
  const int cx = x + (CharHeight + 4) / 2, q = CharHeight / 4, y0 = y + q + 2;
  glyph_outline(cx - 2, y0, cx + 2, y0 + q, colour, 2);
}
