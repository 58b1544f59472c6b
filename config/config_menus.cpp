// The configuration menus: opening the screen, the digitizer samples of each
// menu, the warning box, leaving, and the repaint of what is open.
//
// Every menu is drawn over the screen saved under it; closing a menu puts
// that screen back. The main menu edits nothing itself: its submenus edit
// tempcfr (a scratch copy of newcfr taken when they open) and hand it to
// newcfr on leaving, except the driver options, which edit newcfr at once.
#include "config/config_menus.h"

#include <algorithm>
#include <cstdint>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "commands/command_palette.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "config/config_file.h"
#include "config/menu_drawing.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/wrappers.h"

int ConfigState;
int ReloadPalette;
int restart_flags;

namespace {

// ---- saved screens ----------------------------------------------------------------

struct SavedScreen {
  ScreenArea area;
  int in_use;  // the menu is up (also when nothing of it met the window)
};
SavedScreen saved_screen[kConfigAreas];

int warning_kind = 1;  // the kind of the warning box on the screen
int colour_row = -1;   // the screen-colours row picked, -1 none

// What the menus were laid out for: the window and character size.
struct LayoutSize {
  int xs, ys, cw, ch, width, height;
  bool operator==(const LayoutSize &) const = default;
};
LayoutSize laid_out_for;

LayoutSize current_size() {
  return {xsize, ysize, CharWidth, CharHeight, static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]),
          static_cast<std::int16_t>(Pkinit.field[kPkinitHeight])};
}

// The areas from the top of the screen down: closing them in this order puts
// back the screen from before the first.
constexpr int kTopDown[] = {kAreaWarning,
                            kAreaSample + kSampleAlert,
                            kAreaSample + kSampleDialog,
                            kAreaSample + kSamplePulldown,
                            kAreaSample + kSampleMenuBar,
                            kAreaSample + kSampleGraphics,
                            kAreaChooser,
                            kAreaColors,
                            kAreaPage,
                            kAreaPrompt,
                            kAreaOptions,
                            kAreaPromptBand,
                            kAreaMain};

// Puts back everything that is up.
void close_areas() {
  if (saved_screen[kAreaWarning].in_use && warning_kind == 2) quit_warning = 0;
  for (int area : kTopDown) RestoreConfigArea(area);
  for (ColorSampleArea &s : ColorSamples) s.shown = 0;
}

void save_menu(int area, const ConfigMenu &m) { SaveConfigArea(area, m.x1, m.y1, m.x2, m.y2); }

// ---- samples and the common input rule ------------------------------------------

enum : int { kKeyEscape = 1, kKeyReturn = 2 };

// The remembered sample and the key pressed since the last one.
struct Sample {
  int key, code, x, y;
};

Sample take_sample() { return {FlushKeyboardBuffer(), Original[1], Original[2], Original[3]}; }

// A key, the pick button or another button acts; any other sample points.
bool acts(const Sample &s) { return s.key != 0 || s.code == kDigPick || s.code < 0; }

int answer(Packet &p) {
  p.put_i16(2, kDigUsed);
  return 1;
}

bool over(const MenuItem &it, int x, int y) { return IsWithin(x, it.x1, it.x2) && IsWithin(y, it.y1, it.y2); }

// The row or button of m under (x, y) that may be picked, or -1.
int item_at(const ConfigMenu &m, int x, int y) {
  for (int k = 1; k <= m.rows; ++k)
    if (!m.item[k].blocked && over(m.item[k], x, y)) return k;
  for (int k : {kMenuCancel, kMenuOk})
    if (!m.item[k].blocked && over(m.item[k], x, y)) return k;
  return -1;
}

enum Choice { kChoseNothing, kChoseOk, kChoseCancel, kChoseRow };

// What an acting sample chooses in m: Return, the second button or a pick on
// OK is OK; Escape, another button or a pick on Cancel is Cancel; a pick on a
// row chooses the row (its item number in *row).
Choice choose(const ConfigMenu &m, const Sample &s, int *row) {
  const int k = s.code == kDigPick ? item_at(m, s.x, s.y) : -1;
  if (s.key == kKeyReturn || s.code == kDigSecondButton || k == kMenuOk) return kChoseOk;
  if (s.key == kKeyEscape || s.code < kDigSecondButton || k == kMenuCancel) return kChoseCancel;
  if (k >= 1 && k <= m.rows) {
    *row = k;
    return kChoseRow;
  }
  return kChoseNothing;
}

// The highlight follows the pointer: on the item under it, off the others.
void track_highlight(ConfigMenu &m, int x, int y) {
  for (int k = 1; k < kMenuItems; ++k) {
    if (k > m.rows && k < kMenuCancel) continue;
    MenuItem &it = m.item[k];
    const bool in = over(it, x, y);
    if (in && !it.highlighted && !it.blocked) {
      HighlightMenuItem(it);
      it.highlighted = 1;
    } else if (!in && it.highlighted) {
      HighlightMenuItem(it);
      it.highlighted = 0;
    }
  }
}

void clear_highlights(ConfigMenu &m) {
  for (MenuItem &it : m.item) it.highlighted = 0;
}

// Draws the highlights again over a menu drawn afresh.
void draw_highlights(const ConfigMenu &m) {
  for (const MenuItem &it : m.item)
    if (it.highlighted) HighlightMenuItem(it);
}

// Draws row k of m again, with its highlight when it has one.
void redraw_row(ConfigMenu &m, int k, int text, int background) {
  DrawMenuItem(k, text, background, m.item);
  if (m.item[k].highlighted) HighlightMenuItem(m.item[k]);
}

void force_highlight_redraw() { Old.x = Old.y = -1; }

// ---- the driver options ------------------------------------------------------------

constexpr int kOptionRows = 10;
constexpr int kOptionWord[kOptionRows] = {kWordScreenMode, kWordDoubleBuffer, kWordPaletteAfterUse, kWordSpyGlass,
                                          kWordNonStopRedraw, kWordDisplayList, kWordListDrag, kWordBirdseyeAlways,
                                          kWord32BitList, kWordRefreshList};
enum : int { kOptionDoubleBuffer = 1, kOptionSpyGlass = 3, kOption32Bit = 8, kOptionRefresh = 9 };

int client_level() { return static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]); }

// The message showing value v of option row.
int option_label(int row, int v) {
  switch (row) {
    case 0: return v == 1 ? 206 : v == 2 ? 193 : 233;
    case 1: return v ? 205 : 232;
    case 2: return v == 1 ? 187 : v == 2 ? 185 : 186;
    case 3: return v == 44 ? 269 : v == 46 ? 270 : 268;
    case 4: return v ? 280 : 281;
    case 5: return v <= 0 ? 271 : v == 1 ? 272 : 307;
    case 6: return v ? 297 : 296;
    case 7: return v ? 304 : 305;
    case 8: return v && client_level() >= 8 ? 172 : 171;
    default: return v ? 274 : 273;
  }
}

// The value after value v of option row is picked.
int option_next(int row, int v) {
  switch (row) {
    case 0:
    case 2: return v == 0 ? 1 : v == 1 ? 2 : 0;
    case 1: return v ? 0 : 1;
    case 5: return v == 0 ? 1 : v == 1 ? 2 : 1;
    default: return v == 0 ? 1 : 0;
  }
}

void set_option_label(int row) {
  MenuItem &it = OptionsMenu.item[row + 1];
  const char *text = GetString(option_label(row, newcfr.word(kOptionWord[row])));
  bounded_copy(it.label, text != nullptr ? text : "", sizeof it.label);
}

void set_option_labels() {
  for (int row = 0; row < kOptionRows; ++row) set_option_label(row);
}

void pick_option(int row) {
  const int word = kOptionWord[row];
  if (row == kOptionDoubleBuffer && EightBit) {
    newcfr.word(word) = 0;
    Color16 = 0;
    ChangePalette(0);
    ReloadPalette = 1;
  } else {
    if (row == kOptionDoubleBuffer) Color16 = 0;
    newcfr.word(word) = option_next(row, newcfr.word(word));
  }
  set_option_label(row);
  redraw_row(OptionsMenu, row + 1, MenuColors[kMenuText], MenuColors[kMenuBack]);
}

// ---- leaving menus -------------------------------------------------------------------

void back_to_main_menu(int area) {
  RestoreConfigArea(area);
  ConfigState = 1;
  force_highlight_redraw();
}

void leave_options() {
  back_to_main_menu(kAreaOptions);
  clear_highlights(MainMenu);
  DrawMainMenu();
  if (newcfr.word(kWord32BitList) != cfr.word(kWord32BitList))
    restart_flags |= kRestart32BitList;
  else
    restart_flags &= ~kRestart32BitList;
}

void leave_colours() {
  RestoreColorSamples();
  RestoreConfigArea(kAreaChooser);
  newcfr = tempcfr;
  back_to_main_menu(kAreaColors);
}

// ---- the screen colours ----------------------------------------------------------------

// The chooser, with the marker at the picked row's colour when it is shown.
void show_chooser() {
  DrawColorChooser();
  if (colour_row < 0) return;
  const int c = tempcfr.word(kWordColourXor + colour_row) - ColorChooser.first;
  if (c >= 0 && c < kSwatches) DrawColorMarker(c);
}

// The swatch under (x, y): 0 to 15, or -1.
int swatch_at(int x, int y) {
  const ColorChooserLayout &c = ColorChooser;
  if (!IsWithin(x, c.cx1, c.cx2)) return -1;
  for (int i = 0; i < kSwatches; ++i)
    if (IsWithin(y, c.y0 + i * c.s, c.y0 + i * c.s + c.s - 1)) return i;
  return -1;
}

// The arrow box under (x, y): 1 up, -1 down, 0 none.
int arrow_at(int x, int y) {
  const ColorChooserLayout &c = ColorChooser;
  if (!IsWithin(x, c.cx1, c.cx2)) return 0;
  if (IsWithin(y, c.y0 + 16 * c.s, c.y0 + 17 * c.s - 1)) return 1;
  if (IsWithin(y, c.y0 - c.s + 1, c.y0)) return -1;
  return 0;
}

void pick_colour_row(int row) {
  colour_row = row;
  show_chooser();
  ShowColorSample(row);
}

void pick_swatch(int i) {
  if (colour_row < 0) return;
  tempcfr.word(kWordColourXor + colour_row) = ColorChooser.first + i;
  FormatColorRow(colour_row);
  redraw_row(ColorsMenu, colour_row + 1, MenuColors[kMenuText], MenuColors[kMenuBack]);
  show_chooser();
  ShowColorSample(colour_row);
}

void scroll_chooser(int direction) {
  if (Color16) return;
  ColorChooser.first = std::clamp(ColorChooser.first + direction * kSwatches, 0, kChooserFirstMax);
  show_chooser();
}

// ---- the page size ---------------------------------------------------------------------

void set_page_size(int x) {
  const int size = PageSizeAt(x);
  if (size == 0) return;
  PageLayout.knob_shown = 1;
  if (size == tempcfr.word(kWordPageSize)) {
    DrawPageSlider(0);
    return;
  }
  tempcfr.word(kWordPageSize) = size;
  DrawPageSlider(0);
  DrawPageLabel();
  DrawPagePreview();
  init_display_list(size);
}

// ---- the prompt lines ----------------------------------------------------------------

int valid_lines(int lines) { return std::clamp(lines, 1, kPromptLinesMax); }

// The areas as they would be laid out with lines prompt lines.
ScreenLayout edited_layout(int lines) {
  const LayoutOptions o{use_localtext != 0, use_localsidemenu != 0, use_localstatus != 0, use_localmenu != 0};
  return ComputeScreenLayout(xsize, ysize, CharWidth, CharHeight, Pkinit.field[kPkinitFlags], lines,
                             cfr.word(kWordMenuWidth), o);
}

void pick_prompt_lines(int row) {
  const int lines = tempcfr.word(kWordPromptLines);
  const int old_row = lines >= 1 && lines <= PromptMenu.rows ? lines : 1;
  tempcfr.word(kWordPromptLines) = row;
  redraw_row(PromptMenu, old_row, MenuColors[kMenuText], MenuColors[kMenuBack]);
  redraw_row(PromptMenu, row, MenuColors[kMenuSelectText], MenuColors[kMenuSelectBack]);
  PreviewPromptLines();
}

// ---- a window resized under the screen ------------------------------------------------

// A resize takes the menus off the window, and the screens kept under them
// belong to a window that is gone. Before the next sample is used the menus
// are laid out for the new size and drawn again as they were, each over the
// screen the window now shows; otherwise the picks would go to menus nobody
// sees, and closing them would put stale pixels back.
void follow_window_size() {
  if (current_size() == laid_out_for || !ConfigScreenShown()) return;
  bool open[kConfigAreas];
  for (int a = 0; a < kConfigAreas; ++a) {
    open[a] = saved_screen[a].in_use != 0;
    free_screen_area(saved_screen[a].area);
    saved_screen[a].in_use = 0;
  }
  const int first = ColorChooser.first;
  InitializeConfigMenus();
  ColorChooser.first = first;
  force_highlight_redraw();
  if (open[kAreaMain]) {
    save_menu(kAreaMain, MainMenu);
    DrawMainMenu();
  }
  if (open[kAreaOptions]) {
    save_menu(kAreaOptions, OptionsMenu);
    DrawOptionsMenu();
  }
  if (open[kAreaPrompt]) {
    save_menu(kAreaPrompt, PromptMenu);
    DrawPromptMenu();
  }
  if (open[kAreaPage]) {
    save_menu(kAreaPage, PageMenu);
    DrawPageMenu();
  }
  if (open[kAreaColors]) {
    save_menu(kAreaColors, ColorsMenu);
    DrawScreenColorsMenu();
  }
  if (open[kAreaChooser]) {
    SaveConfigArea(kAreaChooser, ColorChooser.x1, ColorChooser.y1, ColorChooser.x2, ColorChooser.y2);
    show_chooser();
  }
  for (int k : {kSampleGraphics, kSampleMenuBar, kSamplePulldown, kSampleDialog, kSampleAlert}) {
    if (!open[kAreaSample + k]) continue;
    const ColorSampleArea &a = ColorSamples[k];
    SaveConfigArea(kAreaSample + k, a.x1, a.y1, a.x2, a.y2);
    DrawColorSample(k);
  }
  if (open[kAreaWarning]) {
    LayoutWarningBox(warning_kind);
    save_menu(kAreaWarning, WarningMenu);
    DrawWarningBox();
  }
}

// ---- opening submenus ------------------------------------------------------------------

void open_submenu(int state) {
  ConfigState = state;
  force_highlight_redraw();
  tempcfr = newcfr;
  switch (state) {
    case 3:
      set_option_labels();
      clear_highlights(OptionsMenu);
      save_menu(kAreaOptions, OptionsMenu);
      DrawOptionsMenu();
      break;
    case 4:
      clear_highlights(PromptMenu);
      save_menu(kAreaPrompt, PromptMenu);
      DrawPromptMenu();
      break;
    case 5:
      clear_highlights(PageMenu);
      PageLayout.knob_shown = 0;
      save_menu(kAreaPage, PageMenu);
      DrawPageMenu();
      break;
    default:
      colour_row = -1;
      clear_highlights(ColorsMenu);
      save_menu(kAreaColors, ColorsMenu);
      DrawScreenColorsMenu();
      SaveConfigArea(kAreaChooser, ColorChooser.x1, ColorChooser.y1, ColorChooser.x2, ColorChooser.y2);
      show_chooser();
      break;
  }
}

}  // namespace

// ---- saved screens --------------------------------------------------------------------

void SaveConfigArea(int area, int x1, int y1, int x2, int y2) {
  if (area < 0 || area >= kConfigAreas) return;
  SavedScreen &s = saved_screen[area];
  // A menu opened again over itself keeps the screen from before the first.
  if (s.in_use) return;
  SelectScreenMatrix();
  if (commands) {
    DrawCommandBox(0);
    CommandState = 22;
  }
  if (!PdigitizeNeeded) PdigitizeNeeded = 1;
  save_screen_area(s.area, x1, y1 - 1, x2 + 1, y2);
  s.in_use = 1;
}

void RestoreConfigArea(int area) {
  if (area < 0 || area >= kConfigAreas || !saved_screen[area].in_use) return;
  SavedScreen &s = saved_screen[area];
  restore_screen_area(s.area);
  free_screen_area(s.area);
  s.in_use = 0;
}

bool ConfigScreenShown() {
  for (const SavedScreen &s : saved_screen)
    if (s.in_use) return true;
  return false;
}

// ---- layout and opening ----------------------------------------------------------------

void InitializeConfigMenus() {
  static constexpr int kColours[kMenuColourCount] = {7, 5, 8, 8, 7, 0, 3, 0};
  std::copy(std::begin(kColours), std::end(kColours), MenuColors);
  const int b = ysize - CharHeight - 1 - ysize / 5;
  auto label = [](MenuItem &it, int id) {
    const char *text = GetString(id);
    bounded_copy(it.label, text != nullptr ? text : "", sizeof it.label);
  };
  auto title = [](int id) {
    const char *text = GetString(id);
    return text != nullptr ? text : "";
  };

  MainMenu = ConfigMenu{};
  const int main_rows[4] = {266, 221, 202, 227};
  for (int i = 0; i < 4; ++i) label(MainMenu.item[i + 1], main_rows[i]);
  LayoutMenu(MainMenu, title(211), 4, CharWidth, b, 6);

  OptionsMenu = ConfigMenu{};
  if (EightBit) newcfr.word(kWordDoubleBuffer) = 0;
  set_option_labels();
  OptionsMenu.item[kOptionSpyGlass + 1].blocked = 1;
  OptionsMenu.item[kOptionRefresh + 1].blocked = 1;
  OptionsMenu.item[kOptionDoubleBuffer + 1].blocked = EightBit ? 1 : 0;
  OptionsMenu.item[kOption32Bit + 1].blocked = client_level() < 8 ? 1 : 0;
  LayoutMenu(OptionsMenu, title(267), kOptionRows, CharWidth + 4, b - 4, 12);

  PromptMenu = ConfigMenu{};
  for (int i = 0; i < kPromptLinesMax; ++i) label(PromptMenu.item[i + 1], 163 + i);
  LayoutMenu(PromptMenu, title(222), kPromptLinesMax, CharWidth + 4, b - 4, 7);

  ColorsMenu = ConfigMenu{};
  for (int r = 0; r < kColourRows; ++r) FormatColorRow(r);
  LayoutMenu(ColorsMenu, title(228), kColourRows, CharWidth + 4, b - 4, 20);

  const int top = ysize - CharHeight - 1;
  const int rects[kSampleCount][4] = {
      {CharWidth, top - ysize / 5, 3 * xsize / 4, top},
      {0, top, xsize - 1, ysize - 1},
      {8 * CharWidth, top - 10 * CharHeight, 21 * CharWidth, top},
      {2 * CharWidth, top - 9 * CharHeight, 54 * CharWidth, top},
      {2 * CharWidth, top - 5 * CharHeight, 35 * CharWidth, top},
  };
  for (int k = 0; k < kSampleCount; ++k) {
    ColorSampleArea &a = ColorSamples[k];
    a.x1 = rects[k][0], a.y1 = rects[k][1], a.x2 = rects[k][2], a.y2 = rects[k][3];
  }

  ColorChooserLayout &c = ColorChooser;
  c.s = ysize / 25;
  c.cx1 = ColorsMenu.x2 + 3 * c.s;
  c.cx2 = c.cx1 + c.s - 1;
  c.y0 = ysize / 8;
  c.x1 = c.cx1 - 2 * c.s;
  c.x2 = c.cx2 + 2 * c.s;
  c.y1 = c.y0 - 2 * c.s;
  c.y2 = c.y0 + 16 * c.s + 2 * c.s;
  c.first = 0;

  LayoutPageMenu();
  laid_out_for = current_size();
}

void DoConfig() {
  close_areas();
  newcfr = cfr;
  tempcfr = cfr;
  restart_flags = 0;
  colour_row = -1;
  force_highlight_redraw();
  clear_highlights(MainMenu);
  save_menu(kAreaMain, MainMenu);
  DrawMainMenu();
}

void ResetConfigMenus() {
  for (SavedScreen &s : saved_screen) {
    free_screen_area(s.area);
    s.in_use = 0;
  }
  for (ColorSampleArea &s : ColorSamples) s.shown = 0;
  WriteConfig = NoWriteConfig = NewConfig = 0;
}

void DoWarningBox(int kind) {
  ConfigState = 2;
  force_highlight_redraw();
  if (kind == 2) quit_warning = 1;
  warning_kind = kind;
  LayoutWarningBox(kind);
  save_menu(kAreaWarning, WarningMenu);
  DrawWarningBox();
}

// ---- the handlers ----------------------------------------------------------------------

int ConfigMainMenu(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  if (acts(s)) {
    int row = 0;
    switch (choose(MainMenu, s, &row)) {
      case kChoseOk: {
        // The text window echoes the prompt when it is the edited screen
        // mode's, or the default mode's while the live mode has no text window.
        const int mode = newcfr.word(kWordScreenMode);
        text_echo = mode == 1 || (mode == 2 && !GetScreenMode()) ? 1 : 0;
        if (restart_flags == 0) {
          close_areas();
          WriteConfig = 1;
          NewConfig = 0;
          NoWriteConfig = 0;
          ConfigState = 0;
          HideCursor();
        } else {
          DoWarningBox(1);
        }
        break;
      }
      case kChoseCancel:
        close_areas();
        NewConfig = 0;
        HideCursor();
        newcfr = cfr;
        tempcfr = cfr;
        WriteConfig = 0;
        NoWriteConfig = 1;
        ConfigState = 0;
        break;
      case kChoseRow: open_submenu(row + 2); break;
      default: break;
    }
  } else if (CursorHasMoved(Original)) {
    track_highlight(MainMenu, s.x, s.y);
  }
  return answer(p);
}

int ConfigWarningBox(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  if (acts(s)) {
    if (NewConfig) {
      NewConfig = 0;
      WriteConfig = 1;
    } else {
      quit_warning = 0;
    }
    close_areas();
    ConfigState = 0;
    HideCursor();
  } else if (CursorHasMoved(Original)) {
    track_highlight(WarningMenu, s.x, s.y);
  }
  return answer(p);
}

int ConfigOptionsMenu(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  if (acts(s)) {
    int row = 0;
    switch (choose(OptionsMenu, s, &row)) {
      case kChoseOk:
      case kChoseCancel: leave_options(); break;
      case kChoseRow: pick_option(row - 1); break;
      default: break;
    }
  } else if (CursorHasMoved(Original)) {
    track_highlight(OptionsMenu, s.x, s.y);
  }
  return answer(p);
}

int ConfigPromptMenu(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  if (acts(s)) {
    int row = 0;
    switch (choose(PromptMenu, s, &row)) {
      case kChoseOk:
        newcfr = tempcfr;
        if (newcfr.word(kWordPromptLines) != OriginalNumberOfPromptLines)
          restart_flags |= kRestartPromptLines;
        else
          restart_flags &= ~kRestartPromptLines;
        back_to_main_menu(kAreaPrompt);
        break;
      case kChoseCancel:
        tempcfr = newcfr;
        PreviewPromptLines();
        back_to_main_menu(kAreaPrompt);
        break;
      case kChoseRow: pick_prompt_lines(row); break;
      default: break;
    }
  } else if (CursorHasMoved(Original)) {
    track_highlight(PromptMenu, s.x, s.y);
  }
  return answer(p);
}

int ConfigPageMenu(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  const PageMenuLayout &g = PageLayout;
  const bool in_slider = IsWithin(s.x, g.x1, g.x2) && IsWithin(s.y, g.slider_y1, g.slider_y2);
  if (acts(s)) {
    int row = 0;
    switch (choose(PageMenu, s, &row)) {
      case kChoseOk:
        newcfr = tempcfr;
        back_to_main_menu(kAreaPage);
        break;
      case kChoseCancel:
        tempcfr = newcfr;
        back_to_main_menu(kAreaPage);
        break;
      default:
        if (s.code == kDigPick && in_slider) set_page_size(s.x);
        break;
    }
  } else if (s.code == kDigPickDrag && in_slider) {
    set_page_size(s.x);
  } else if (CursorHasMoved(Original)) {
    track_highlight(PageMenu, s.x, s.y);
    if (in_slider && !g.knob_shown) {
      PageLayout.knob_shown = 1;
      DrawPageSlider(0);
    }
  }
  return answer(p);
}

int ConfigAUIMenu(Packet &p) {
  follow_window_size();
  const Sample s = take_sample();
  if (acts(s)) {
    int row = 0;
    switch (choose(ColorsMenu, s, &row)) {
      case kChoseOk:
      case kChoseCancel: leave_colours(); break;
      case kChoseRow: pick_colour_row(row - 1); break;
      default:
        if (s.code != kDigPick) break;
        if (const int i = swatch_at(s.x, s.y); i >= 0)
          pick_swatch(i);
        else if (const int a = arrow_at(s.x, s.y); a != 0)
          scroll_chooser(a);
        break;
    }
  } else if (CursorHasMoved(Original)) {
    track_highlight(ColorsMenu, s.x, s.y);
  }
  return answer(p);
}

int ConfigPaletteMenu(Packet &p) { return answer(p); }

// ---- the text areas ------------------------------------------------------------------

void RedrawTextAreas() {
  if (!Initialized || xsize <= 0 || ysize <= 0) return;
  const int lines = valid_lines(tempcfr.word(kWordPromptLines));
  const int back = EditedColor(kWordColourTextBack), text = EditedColor(kWordColourText);
  const ScreenLayout l = edited_layout(lines);
  SelectScreenMatrix();
  SelectBothBuffers();
  if (StatusLine) {
    FilledBox(xmin, ymax + 1, xsize - 1, ysize - 1, back, 0);
    GL_Status_Line.background = back;
    GL_Status_Line.foreground = text;
    UpdateStatusLine(&GL_Status_Line, 1);
    SelectScreenMatrix();
  }
  if (ScreenMenu) {
    FilledBox(l.xmax + 1, ymin, xsize - 1, ymax, back, 0);
    MyColor(text);
    // Where the screen menu's labels are drawn as they come.
    const int x = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]) + 2 + 3;
    for (int n = 0; n < maxboxes && n < kMenuBoxesMax; ++n) {
      if (MenuTextPtr[n][0] == '\0') continue;
      cmov2i(x, ymax - (n + 1) * CharHeight + CharDescender);
      MyCharstr(MenuTextPtr[n]);
    }
  }
  if (PromptArea) {
    FilledBox(0, 0, xsize - 1, l.ymin - 2, back, 0);
    MyColor(text);
    for (int i = 0; i < lines; ++i) {
      if (PromptBuffer[i][0] == '\0') continue;
      cmov2i(CharWidth, (lines - 1 - i) * CharHeight + CharDescender);
      MyCharstr(PromptBuffer[i]);
    }
  }
  DrawTextAreaSeparators();
}

void DrawTextAreaSeparators() {
  if (!Initialized) return;
  const ScreenLayout l = edited_layout(valid_lines(tempcfr.word(kWordPromptLines)));
  SelectScreenMatrix();
  MyColor(EditedColor(kWordColourBorder));
  if (PromptArea) MyLine(0, l.ymin - 1, xsize - 1, l.ymin - 1);
  if (ScreenMenu) MyLine(l.xmax + 1, ymin, l.xmax + 1, ymax);
}

void PreviewPromptLines() {
  if (PromptArea && Initialized) {
    // The band is kept as the first preview found it; every later one puts
    // it back first, so a smaller count shows the drawing above it again
    // (and closing the screen puts it back for good).
    SavedScreen &band = saved_screen[kAreaPromptBand];
    if (band.in_use)
      restore_screen_area(band.area);
    else
      SaveConfigArea(kAreaPromptBand, 0, 0, xsize - 1, edited_layout(kPromptLinesMax).ymin - 1);
    SelectScreenMatrix();
    FilledBox(0, 0, xsize - 1, edited_layout(valid_lines(cfr.word(kWordPromptLines))).ymin - 1,
              EditedColor(kWordColourTextBack), 0);
  }
  RedrawTextAreas();
}

// ---- the repaint -------------------------------------------------------------------------

void RepaintConfigScreen(int x1, int y1, int x2, int y2) {
  if (!ConfigScreenShown()) return;
  // Each menu from the bottom up: the screen under it as the repaint (and the
  // menus below) left it, then the menu itself.
  auto up = [&](int area) {
    if (!saved_screen[area].in_use) return false;
    retake_screen_area(saved_screen[area].area, x1, y1, x2, y2);
    return true;
  };
  if (up(kAreaMain)) {
    DrawMainMenu();
    draw_highlights(MainMenu);
  }
  if (up(kAreaOptions)) {
    DrawOptionsMenu();
    draw_highlights(OptionsMenu);
  }
  if (up(kAreaPrompt)) {
    DrawPromptMenu();
    draw_highlights(PromptMenu);
  }
  if (up(kAreaPage)) {
    DrawPageMenu();
    draw_highlights(PageMenu);
  }
  if (up(kAreaColors)) {
    DrawScreenColorsMenu();
    draw_highlights(ColorsMenu);
  }
  if (up(kAreaChooser)) show_chooser();
  for (int k : {kSampleGraphics, kSampleMenuBar, kSamplePulldown, kSampleDialog, kSampleAlert})
    if (up(kAreaSample + k)) DrawColorSample(k);
  if (up(kAreaWarning)) {
    DrawWarningBox();
    draw_highlights(WarningMenu);
  }
}
