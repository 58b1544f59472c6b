#include "base/session.h"

#include <algorithm>
#include <cstdint>

InitPacket Pkinit;
int init_called;
int afterpinit;
int Initialized;
int FirstTimeInACAD = 1;
int product_stable;
int aftershell;
int KEL, Tarvex;
int xmin, ymin, xmax, ymax, graphy, xsize, ysize;
int CharWidth, CharHeight, CharDescender, maxboxes;
int PromptArea, ScreenMenu, StatusLine, EightBit;
MenuBarRecord GL_Menu_Bar;
char cdname[256];
char tmpdir[4096];
int font8bit, sysmenubar, cmchar, maxchar;
int pkzoom_xl, pkzoom_yl, pkzoom_xh, pkzoom_yh, pkzoom_ok;
char OriginalFontName[64];
int OriginalNumberOfPromptLines;
int use_localtext, use_localmenu, use_localsidemenu, use_localstatus, use_toolbar;
int use_pups;
int busy_with_dialog;
int textmode;
int keyboard_pressed;

ScreenLayout ComputeScreenLayout(int xs, int ys, int cw, int ch, int flags, int prompt_lines, int menu_chars,
                                 const LayoutOptions &o) {
  ScreenLayout l{};
  if (cw < 1) cw = 1;
  if (ch < 1) ch = 1;
  l.PromptArea = (flags & kInitPromptArea) && !o.local_text;
  l.xmin = l.ymin = 0;
  l.graphy = ys - 1;
  if (l.PromptArea) {
    l.graphy -= prompt_lines * ch + 1;
    l.ymin = prompt_lines * ch + 1;
    if (l.ymin & 1) ++l.ymin;
  }
  l.ScreenMenu = (flags & kInitScreenMenu) && !o.local_sidemenu;
  l.xmax = xs - 1;
  if (l.ScreenMenu) {
    // A menu width from the file is taken as read: however wide, the drawing
    // area keeps its right edge on the screen and a width of its own.
    const std::int64_t right = static_cast<std::int64_t>(xs) - static_cast<std::int64_t>(cw) * menu_chars - 7;
    l.xmax = static_cast<int>(std::clamp<std::int64_t>(right, 1, std::max(xs - 1, 1)));
  }
  l.StatusLine = (flags & kInitStatusLine) && !o.local_status;
  if (!l.StatusLine) {
    if (!o.local_menu) {
      l.ymax = ys - ch - 1;
      l.graphy -= ch;
    } else {
      l.ymax = ys - 1;
    }
  } else {
    l.ymax = ys - ch - 1;
    l.graphy -= ch;
    if ((l.ymax & 1) == 0) --l.ymax;
  }
  l.maxboxes = l.graphy / ch;
  if (l.maxboxes > 64) l.maxboxes = 64;
  if (l.maxboxes < 0) l.maxboxes = 0;
  l.text_columns = l.xmax / cw;
  if (l.text_columns < 37) l.text_columns = 37;
  return l;
}
