// The command palette and its icon.
//
// Everything is drawn in the overlay planes (the pop-up planes where those
// take their place) over the whole window's matrix, with the software cursor
// hidden first; the normal planes are never touched, so taking the palette
// away is filling its area with the transparent colour 0.
#include "commands/command_palette.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/config_record.h"
#include "base/files.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "commands/birdseye.h"
#include "commands/drawn_elements.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "render3d/dview.h"
#include "render3d/primitives.h"
#include "render3d/tumble.h"

char palette_labels[kPaletteRows][kPaletteColumns][kPaletteLabelSize];
char palette_commands[kPaletteRows][kPaletteColumns][kPaletteCommandSize];
char palette_title[kPaletteCommandSize];
char comfile[256];
char lastcom[256] = "gl_com12.txt";

int commands;
int MFLicon;
int CommandState;
int IconState;
int CommandPaletteEvent;
int CommandButtonClicked;
int CommandCursorIsOn, IconCursorIsOn;
int TextScreenPalette;

namespace {

constexpr int kDigitizerPick = 3;
constexpr int kDigitizerUsed = 4;

// The compiled-in buttons, row 4 (the top) first; ^ and a letter stand as two
// printable characters in the two polyline commands.
struct Button {
  const char *label, *command;
};
constexpr Button kBuiltIn[kPaletteRows][kPaletteColumns] = {
    {{"R-T Bird", "'rtbird\n"},
     {"BirdsEye", "'birdseye\n"},
     {"Clean DL", "'clean\n"},
     {"*Config*", "\003\003configure\n"}},
    {{"ZoomVmax", "'zoomvx\n"},
     {"Zoom Win", "'.zoom w\n"},
     {"Zoom Ext", "\003\003.zoom e\n"},
     {"Zoom Prv", "'.zoom p\n"}},
    {{"Pan Left", "'panlh\n"}, {"Pan   Up", "'panuh\n"}, {"Pan Down", "'pandh\n"}, {"PanRight", "'panrh\n"}},
    {{"*Layer*", "\003\003.ddlmodes\n"},
     {"2D Pline", "*\003\003.pline\n"},
     {"3D Pline", "*^C^C.3dpoly\n"},
     {"Text", "*^C^C.text\n"}},
    {{"*Cancel*", "\003\003"},
     {"*Erase*", "\003\003.erase\n"},
     {"*Move*", "\003\003.move\n"},
     {"*Vports*", "\003\003.vports\n"}},
};

// ---- layout -----------------------------------------------------------------------

struct Rect {
  int x1, y1, x2, y2;
};

struct Layout {
  Rect box;          // the palette rectangle
  int w;             // button width in characters (the menu width, 4 to 15)
  int title_y1, title_y2;
  Rect close, iconify, title;
  Rect icon;         // the icon in the lower right corner
  // Pointer to each edge while the palette is dragged.
  int off_left, off_right, off_bottom, off_top;
};
Layout L;

// Hover state: what is shown pressed.
int close_pressed, title_pressed, iconify_pressed;
int button_pressed, pressed_row, pressed_col;
// The last hit test.
int hit, hit_row, hit_col;
int icon_raised;

int menu_width() {
  const int w = cfr.word(kWordMenuWidth);
  return w < 4 ? 4 : w > 15 ? 15 : w;
}

void SetPaletteLayout(const Rect &r) {
  L.box = r;
  L.w = menu_width();
  L.title_y1 = r.y2 - CharHeight - 6;
  L.title_y2 = r.y2 - 4;
  L.close = {r.x1 + 4, L.title_y1, r.x1 + CharHeight + 6, L.title_y2};
  L.iconify = {r.x2 - CharHeight - 6, L.title_y1, r.x2 - 4, L.title_y2};
  L.title = {r.x1 + CharHeight + 12, L.title_y1, r.x2 - CharHeight - 12, L.title_y2};
  const int W = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]);
  L.icon = {W - 57, ymin + 3, W - 3, ymin + 57};
}

Rect button_rect(int row, int col) {
  const int x = L.box.x1 + 4 + col * (L.w * CharWidth + 10);
  const int y = L.box.y1 + 4 + row * (CharHeight + 10);
  return {x, y, x + L.w * CharWidth + 4, y + CharHeight + 4};
}

bool strictly_in(const Rect &r, int x, int y) { return IsWithin(x, r.x1, r.x2) && IsWithin(y, r.y1, r.y2); }
bool in(const Rect &r, int x, int y) { return x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2; }

// The rectangle goes into every record: the menus and the next write of the
// file keep where the user put the palette.
void store_rect(const Rect &r) {
  for (ConfigRecord *c : {&cfr, &newcfr, &tempcfr}) {
    c->word(kWordPaletteRect) = r.x1;
    c->word(kWordPaletteRect + 1) = r.y1;
    c->word(kWordPaletteRect + 2) = r.x2;
    c->word(kWordPaletteRect + 3) = r.y2;
  }
}

void clear_hover() { close_pressed = title_pressed = iconify_pressed = button_pressed = 0; }

// ---- drawing ------------------------------------------------------------------------

void begin_overlay() {
  HideCursor();
  MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  SelectScreenMatrix();
}

void end_overlay() { MySetDrawmode(KGL_NORMALDRAW); }

void draw_label(const char *text, int x, int y) {
  MyColor(UI_contrast);
  cmov2i(x, y);
  MyCharstr(text);
}

// A title-bar box: its field filled, its glyph (one pixel higher when
// raised), its bevel.
void title_box(const Rect &r, int raised, void (*glyph)(int, int, int)) {
  FilledBox(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, UI_background, 0);
  glyph(r.x1, r.y1 + (raised ? 1 : 0), UI_contrast);
  draw_button_outline(r.x1, r.y1, r.x2, r.y2, raised);
}

void DrawPaletteButton(int row, int col, int raised) {
  const Rect b = button_rect(row, col);
  FilledBox(b.x1 + 1, b.y1 + 1, b.x2 - 1, b.y2 - 1, UI_background, 0);
  char label[kPaletteLabelSize];
  bounded_copy(label, palette_labels[row][col], static_cast<std::size_t>(L.w) + 1);
  const int length = static_cast<int>(std::strlen(label));
  draw_label(label, b.x1 + ((L.w - length) * CharWidth + 4) / 2, b.y1 + CharDescender / 2 + 2 + (raised ? 1 : 0));
  draw_button_outline(b.x1, b.y1, b.x2, b.y2, raised);
}

void DrawPaletteCloseButton(int raised) { title_box(L.close, raised, draw_close_box); }
void DrawPaletteIconButton(int raised) { title_box(L.iconify, raised, draw_icon_box); }

void DrawPaletteTitle(int raised, const char *text) {
  const Rect &r = L.title;
  FilledBox(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, UI_background, 0);
  const int room = CharWidth > 0 ? (r.x2 - r.x1) / CharWidth : 0;
  char shown[kPaletteCommandSize];
  bounded_copy(shown, text, room > 0 ? static_cast<std::size_t>(room) + 1 : 1);
  const int length = static_cast<int>(std::strlen(shown));
  draw_label(shown, r.x1 + (r.x2 - r.x1 - length * CharWidth) / 2, r.y1 + CharDescender / 2 + 2 + (raised ? 1 : 0));
  draw_button_outline(r.x1, r.y1, r.x2, r.y2, raised);
}

// The palette's frame and title bar; with full set its buttons too.
void DrawPaletteFrame(int full) {
  const Rect &r = L.box;
  FilledBox(r.x1, r.y1, r.x2, r.y2, 0, 0);
  DropShadow(r.x1, r.y1, r.x2, r.y2, 1);
  OutlinedBox(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, UI_light, 0);
  setpattern(kPatternSparse);
  FilledBox(r.x1, r.y1, r.x2, r.y2, UI_dark, 0);
  setpattern(kPatternDense);
  FilledBox(r.x1, r.y1, r.x2, r.y2, UI_background, 0);
  setpattern(kPatternSolid);
  OutlinedBox(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, UI_contrast, 0);
  if (full)
    for (int row = 0; row < kPaletteRows; ++row)
      for (int col = 0; col < kPaletteColumns; ++col) DrawPaletteButton(row, col, 1);
  DrawPaletteTitle(!title_pressed, palette_title);
  DrawPaletteCloseButton(!close_pressed);
  DrawPaletteIconButton(!iconify_pressed);
}

// The palette's area and shadow back to the transparent colour.
void erase_palette_area() {
  const Rect &r = L.box;
  begin_overlay();
  FilledBox(r.x1, r.y1, r.x2, r.y2, 0, 0);
  DropShadow(r.x1, r.y1, r.x2, r.y2, 0);
  end_overlay();
}

void draw_icon(int raised) {
  const Rect &i = L.icon;
  begin_overlay();
  if (raised) {
    FilledBox(i.x1 - 2, i.y1 - 2, i.x2 + 2, i.y2 + 2, 0, 0);
    draw_button_outline(i.x1, i.y1, i.x2, i.y2, 1);
    FilledBox(i.x1 + 2, i.y1 + 2, i.x2 - 2, i.y2 - 2, UI_background, 0);
    // Six triangles, pointing at the centre in pairs.
    static const int kCorners[6][3][2] = {{{26, 5}, {26, 25}, {9, 15}},   {{7, 17}, {7, 37}, {25, 27}},
                                          {{26, 30}, {9, 40}, {26, 50}},  {{29, 50}, {46, 40}, {29, 30}},
                                          {{29, 27}, {47, 37}, {47, 17}}, {{29, 25}, {46, 15}, {29, 5}}};
    MyColor(UI_contrast);
    linewidth(3);
    for (const auto &t : kCorners) {
      bgnclosedline();
      for (const auto &c : t) {
        const Int32 v[2] = {i.x1 + c[0], i.y1 + c[1]};
        v2i(v);
      }
      endclosedline();
    }
    linewidth(1);
  } else {
    draw_button_outline(i.x1, i.y1, i.x2, i.y2, 0);
  }
  end_overlay();
  icon_raised = raised;
}

// ---- hit tests and tracking ----------------------------------------------------------------

bool HitPaletteButton(int row, int col, int x, int y) {
  if (!strictly_in(button_rect(row, col), x, y)) return false;
  hit = 1;
  hit_row = row;
  hit_col = col;
  return true;
}

void PressPaletteButton(int row, int col) {
  button_pressed = 1;
  pressed_row = row;
  pressed_col = col;
  DrawPaletteButton(row, col, 0);
}

void ReleasePaletteButton() {
  if (!button_pressed) return;
  button_pressed = 0;
  DrawPaletteButton(pressed_row, pressed_col, 1);
}

void TrackPalettePointer(int x, int y) {
  begin_overlay();
  const int over_close = strictly_in(L.close, x, y), over_iconify = strictly_in(L.iconify, x, y);
  const int over_title = strictly_in(L.title, x, y);
  if (over_close != close_pressed) DrawPaletteCloseButton(!(close_pressed = over_close));
  if (over_iconify != iconify_pressed) DrawPaletteIconButton(!(iconify_pressed = over_iconify));
  if (over_title != title_pressed) DrawPaletteTitle(!(title_pressed = over_title), palette_title);

  hit = 0;
  for (int row = 0; row < kPaletteRows && !hit; ++row)
    for (int col = 0; col < kPaletteColumns && !hit; ++col) HitPaletteButton(row, col, x, y);
  if (hit) {
    if (!button_pressed || pressed_row != hit_row || pressed_col != hit_col) {
      ReleasePaletteButton();
      PressPaletteButton(hit_row, hit_col);
    }
  } else {
    ReleasePaletteButton();
  }
  end_overlay();
  MoveCursor(x, y);
  CommandCursorIsOn = 1;
}

int used(Packet &p) {
  p.put_i16(2, kDigitizerUsed);
  return 1;
}

// ---- the palette file ---------------------------------------------------------------------

// One line of at most 254 characters; the rest of a longer line is read and
// dropped. False at the end of the file.
bool read_line(std::FILE *file, char (&line)[256]) {
  if (std::fgets(line, 255, file) == nullptr) return false;
  if (std::strchr(line, '\n') == nullptr) {
    for (int c; (c = std::fgetc(file)) != EOF && c != '\n';) {
    }
  }
  return true;
}

void strip_line_end(char *text) {
  if (char *nl = std::strchr(text, '\n')) *nl = '\0';
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The command of a bracketed line: ";" a line end, "^" and a letter its
// control character, a lone "^" dropped, a line end kept only after a
// printable character.
void bracket_command(const char *text, char (&command)[kPaletteCommandSize]) {
  std::size_t n = 0;
  for (std::size_t i = 0; text[i] != '\0' && n < sizeof command - 1; ++i) {
    const char c = text[i];
    if (c == ';') {
      command[n++] = '\n';
    } else if (c == '^') {
      if (is_letter(text[i + 1])) {
        const char letter = text[++i];
        command[n++] = static_cast<char>((letter >= 'a' ? letter - 32 : letter) - 64);
      }
    } else if (c == '\n') {
      if (n > 0 && static_cast<unsigned char>(command[n - 1]) >= 32) command[n++] = '\n';
    } else {
      command[n++] = c;
    }
  }
  command[n] = '\0';
}

// A button line as its label (cut at the menu width) and command.
void parse_button(const char *line, char (&label)[kPaletteLabelSize], char (&command)[kPaletteCommandSize]) {
  const int w = menu_width();
  if (line[0] == '[') {
    std::memset(label, ' ', 14);
    label[14] = label[15] = '\0';
    int i = 1, k = 0;
    for (; line[i] != '\0' && line[i] != ']' && line[i] != '\n' && k < 15; ++i) label[k++] = line[i];
    if (k >= 14) label[k] = '\0';
    while (line[i] != '\0' && line[i] != ']' && line[i] != '\n') ++i;
    label[w] = '\0';
    if (line[i] == ']')
      bracket_command(line + i + 1, command);
    else
      command[0] = '\0';
  } else {
    bounded_copy(label, line, static_cast<std::size_t>(w) + 1);
    strip_line_end(label);
    bounded_copy(command, line, sizeof command);
  }
}

void store_button(int row, int col, const char *label, const char *command) {
  bounded_copy(palette_labels[row][col], label, kPaletteLabelSize);
  bounded_copy(palette_commands[row][col], command, kPaletteCommandSize);
}

}  // namespace

// ---- palette file ----------------------------------------------------------------------------

void LoadCommandPalette(const char *name) {
  if (!Initialized || name == nullptr || name[0] == '\0') return;
  // A regular file only, never waited on, read no further than a palette goes.
  std::FILE *file = open_support_file(name, true, kSupportFileMax);
  if (file == nullptr) return;
  if (comfile[0] != '\0') bounded_copy(lastcom, comfile, sizeof lastcom);
  bounded_copy(comfile, name, sizeof comfile);

  // The file lists the top row first.
  char line[256];
  char label[kPaletteLabelSize] = "", command[kPaletteCommandSize] = "";
  int read = 0;
  for (; read < kPaletteRows * kPaletteColumns; ++read) {
    bool got = read_line(file, line);
    while (got && line[0] == '#') got = read_line(file, line);
    if (got && line[0] == '*' && line[1] != '\0' && line[1] != '\n') {
      bounded_copy(palette_title, line + 1, sizeof palette_title);
      strip_line_end(palette_title);
      got = read_line(file, line);
    }
    if (!got) break;
    parse_button(line, label, command);
    store_button(kPaletteRows - 1 - read / kPaletteColumns, read % kPaletteColumns, label, command);
  }
  // A short file: the last button line stands for the rest.
  if (read > 0)
    for (int k = read; k < kPaletteRows * kPaletteColumns; ++k)
      store_button(kPaletteRows - 1 - k / kPaletteColumns, k % kPaletteColumns, label, command);
  std::fclose(file);
}

// ---- placement and drawing -------------------------------------------------------------------

void InitCommandBox(int &x1, int &y1, int &x2, int &y2) {
  const int w = menu_width();
  const int height = 6 * CharHeight + 60;
  // A rectangle turned inside out or larger than the window (words read
  // from a damaged file) is no place either.
  if (x1 < 0 || y1 < 0 || x2 < 1 || y2 <= 0 || x1 >= x2 || y1 >= y2 || x2 - x1 > xsize || y2 - y1 > ysize) {
    x2 = xmax - 8;
    x1 = x2 - 4 * w * CharWidth - 42;
    y1 = ymin + 8;
    y2 = y1 + height;
  } else {
    if (x2 > xmax) {
      x1 -= x2 - xmax;
      x2 = xmax;
    }
    if (y2 > ymax) {
      // The palette keeps its height as it comes back inside.
      y1 -= y2 - ymax;
      y2 = ymax;
    }
    if (y1 < ymin) {
      y1 = ymin;
      y2 = y1 + height;
    }
  }
  SetPaletteLayout({x1, y1, x2, y2});
  if (palette_title[0] == '\0') {
    const char *title = GetString(100);
    bounded_copy(palette_title, title != nullptr ? title : "", sizeof palette_title);
  }
  CommandPaletteEvent = 0;
  close_pressed = title_pressed = iconify_pressed = 0;
}

void DrawCommandBox(int on) {
  if (!on) {
    erase_palette_area();
    commands = 0;
    CommandState = 0;
    CommandCursorIsOn = 0;
    if (PdigitizeNeeded == 1) PdigitizeNeeded = 0;
    return;
  }
  int x1 = cfr.word(kWordPaletteRect), y1 = cfr.word(kWordPaletteRect + 1);
  int x2 = cfr.word(kWordPaletteRect + 2), y2 = cfr.word(kWordPaletteRect + 3);
  InitCommandBox(x1, y1, x2, y2);
  store_rect({x1, y1, x2, y2});
  map_ui_colors();
  button_pressed = 0;
  begin_overlay();
  DrawPaletteFrame(1);
  end_overlay();
  commands = 1;
  CommandState = 10;
  if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
}

void DrawIconBox(int on) {
  SetPaletteLayout(L.box);
  if (on) {
    map_ui_colors();
    draw_icon(1);
    IconState = 1;
    MFLicon = 1;
    if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
    return;
  }
  const Rect &i = L.icon;
  begin_overlay();
  FilledBox(i.x1 - 2, i.y1 - 2, i.x2 + 2, i.y2 + 2, 0, 0);
  end_overlay();
  IconState = 0;
  MFLicon = 0;
  icon_raised = 0;
  IconCursorIsOn = 0;
  if (PdigitizeNeeded == 1) PdigitizeNeeded = 0;
}

void ClearCommandPalette(int state) {
  if (commands) {
    DrawCommandBox(0);
    if (CommandPaletteEvent) {
      CommandState = 20;
      CommandPaletteEvent = 0;
    } else {
      CommandState = state;
    }
  }
  if (MFLicon) {
    DrawIconBox(0);
    IconState = state;
  }
}

int RestoreCommandPalette() {
  if (!pdigitize || pushcount || menubar || NewConfig || textmode || cursor_in_window == 0 || Rendering || tumble ||
      dview || BirdseyeState != 0 || CommandState == 10 || IconState == 1)
    return 0;
  int drew = 0;
  auto reset_old = [] { Old.x = Old.y = -1; };
  if (CommandState == 20) {
    switch (cfr.word(kWordPaletteAfterUse)) {
      case 0:
        commands = 0;
        CommandState = 0;
        clear_hover();
        reset_old();
        break;
      case 1:
        if (!commands) {
          DrawCommandBox(1);
          drew = 1;
        }
        break;
      case 2:
        if (!MFLicon && !commands) {
          DrawIconBox(1);
          CommandState = 0;
          drew = 1;
        }
        break;
      default:
        break;
    }
  } else if (CommandState == 21 || CommandState == 22 || CommandState == 23) {
    DrawCommandBox(1);
    clear_hover();
    reset_old();
    drew = 1;
  }
  if (IconState == 21 || IconState == 22 || IconState == 23) {
    DrawIconBox(1);
    reset_old();
    drew = 1;
  }
  return drew;
}

const char *GetCommandPaletteString() { return palette_commands[hit_row][hit_col]; }

// ---- input ---------------------------------------------------------------------------------

int command_command(Packet &p) {
  const int x = Original[2], y = Original[3];
  if (Original[1] == kDigitizerPick) {
    if (close_pressed) {
      DrawCommandBox(0);
      return used(p);
    }
    if (iconify_pressed) {
      DrawCommandBox(0);
      Old.x = Old.y = -1;
      DrawIconBox(1);
      return used(p);
    }
    if (title_pressed) {
      L.off_left = x - L.box.x1;
      L.off_right = L.box.x2 - x;
      L.off_bottom = y - L.box.y1;
      L.off_top = L.box.y2 - y;
      CommandState = 11;
      return used(p);
    }
    if (button_pressed) {
      // The command waits for the next string request.
      hit_row = pressed_row;
      hit_col = pressed_col;
      button_pressed = 0;
      IgnoreOne = 1;
      erase_palette_area();
      CommandCursorIsOn = 0;
      CommandState = 21;
      commands = 0;
      ++PstringNeeded;
      CommandButtonClicked = 1;
      return used(p);
    }
  }
  if (in(L.box, x, y)) {
    if (Original[1] != Old.button || x != Old.x || y != Old.y) {
      Old = ToolSample{Original[1], Original[2], Original[3]};
      TrackPalettePointer(x, y);
    }
    return used(p);
  }
  if (CommandCursorIsOn) {
    TrackPalettePointer(x, y);
    HideCursor();
    CommandCursorIsOn = 0;
  }
  return put_back_original(p);
}

int command_pan(Packet &p) {
  if (Original[1] == kDigitizerPick) {
    title_pressed = 0;
    DrawCommandBox(1);
    return used(p);
  }
  const int W = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]);
  int x = Original[2], y = Original[3];
  auto hold = [](int v, int low, int high) { return v > high ? (high > low ? high : low) : v < low ? low : v; };
  x = hold(x, L.off_left, W - L.off_right);
  y = hold(y, ymin + L.off_bottom, ymax - L.off_top);
  if (CursorHasMoved(Original)) {
    erase_palette_area();
    const Rect r{x - L.off_left, y - L.off_bottom, x + L.off_right, y + L.off_top};
    store_rect(r);
    SetPaletteLayout(r);
    begin_overlay();
    DrawPaletteFrame(0);
    end_overlay();
    MoveCursor(x, y);
  }
  return used(p);
}

int icon_input(Packet &p) {
  const int x = Original[2], y = Original[3];
  SetPaletteLayout(L.box);
  if (in(L.icon, x, y)) {
    if (Original[1] == kDigitizerPick) {
      DrawIconBox(0);
      clear_hover();
      DrawCommandBox(1);
    } else if (CursorHasMoved(Original)) {
      if (icon_raised) draw_icon(0);
      MoveCursor(x, y);
      IconCursorIsOn = 1;
    }
    return used(p);
  }
  if (IconCursorIsOn) {
    HideCursor();
    IconCursorIsOn = 0;
  }
  if (!icon_raised) draw_icon(1);
  return put_back_original(p);
}

void ResetCommandPalette() {
  for (int row = 0; row < kPaletteRows; ++row)
    for (int col = 0; col < kPaletteColumns; ++col) {
      const Button &b = kBuiltIn[kPaletteRows - 1 - row][col];
      store_button(row, col, b.label, b.command);
    }
  bounded_copy(palette_title, "Command Palette", sizeof palette_title);
  comfile[0] = '\0';
  bounded_copy(lastcom, "gl_com12.txt", sizeof lastcom);
  commands = MFLicon = CommandState = IconState = 0;
  CommandPaletteEvent = CommandButtonClicked = CommandCursorIsOn = IconCursorIsOn = 0;
  TextScreenPalette = 0;
  clear_hover();
  hit = hit_row = hit_col = 0;
  icon_raised = 0;
  L = Layout{};
}

namespace {
// The compiled-in buttons are there from the start.
const bool built_in_loaded = (ResetCommandPalette(), true);
}  // namespace
