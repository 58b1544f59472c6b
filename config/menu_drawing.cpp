// How the configuration menus look. All divisions truncate toward zero.
#include "config/menu_drawing.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "base/config_record.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "config/config_menus.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int MenuColors[kMenuColourCount];
ConfigMenu MainMenu, OptionsMenu, PromptMenu, ColorsMenu, PageMenu, WarningMenu;
PageMenuLayout PageLayout;
ColorSampleArea ColorSamples[kSampleCount];
ColorChooserLayout ColorChooser;

namespace {

// Messages of the menus.
enum : int {
  kMsgMenuBar = 136,     // the menu bar's titles
  kMsgPulldown = 137,    // the pull-down's nine items, 137 to 145
  kMsgOk = 151,
  kMsgByLayer = 152,
  kMsgCancel = 153,
  kMsgColor = 154,
  kMsgGeneric = 155,
  kMsgLayerName = 156,
  kMsgLinetype = 157,
  kMsgTextStyle = 162,
  kMsgPageSize = 203,
  kMsgAlertSample = 244,
  kMsgDialogSample = 245,
  kMsgRomans = 252,
};
constexpr int kPulldownItems = 9;

// The name of each screen-colours row, in the order of the colour words.
constexpr int kColourRowText[kColourRows] = {192, 207, 237, 238, 178, 168, 170, 169, 215,
                                             217, 216, 224, 226, 225, 194, 196, 195, 214};

const char *message(int id) {
  const char *s = GetString(id);
  return s != nullptr ? s : "";
}

int colour(int role) { return MenuColors[role]; }

void text_at(int x, int y, const char *text, int index) {
  MyColor(index);
  cmov2i(x, y);
  MyCharstr(text);
}

void line(int x1, int y1, int x2, int y2) {
  const Int32 a[2] = {x1, y1}, b[2] = {x2, y2};
  bgnline();
  v2i(a);
  v2i(b);
  endline();
}

template <int N>
void filled_polygon(const int (&p)[N][2]) {
  bgnpolygon();
  for (const auto &v : p) {
    const Int32 w[2] = {v[0], v[1]};
    v2i(w);
  }
  endpolygon();
}

template <int N>
void closed_line(const int (&p)[N][2]) {
  bgnclosedline();
  for (const auto &v : p) {
    const Int32 w[2] = {v[0], v[1]};
    v2i(w);
  }
  endclosedline();
}

// Steps 1 and 2 of the panel: the edges and the shade.
void draw_panel_frame(int x1, int y1, int x2, int y2) {
  const int edge = colour(kMenuEdge), shade = colour(kMenuShade);
  FilledBox(x1, y2 - 1, x2, y2, edge, 0);
  FilledBox(x1, y1 + 4, x1 + 1, y2 - 2, edge, 0);
  FilledBox(x2 - 3, y1 + 4, x2, y2 - 2, edge, 0);
  FilledBox(x1, y1, x2, y1 + 3, edge, 0);
  OutlinedBox(x1 + 2, y1 + 4, x2 - 4, y2 - 2, shade, 0);
  FilledBox(x1 + 6, y1 + 2, x2 - 4, y1 + 3, shade, 0);
  FilledBox(x2 - 4, y1 + 2, x2 - 2, y2 - 9, shade, 0);
}

// Panel, title, rows, then Cancel and OK.
void draw_menu(ConfigMenu &m) {
  SelectScreenMatrix();
  const int text = colour(kMenuText), back = colour(kMenuBack);
  DrawMenuPanel(m.x1, m.y1, m.x2, m.y2);
  const MenuItem &title = m.item[kMenuTitle];
  text_at(title.x1, title.y1, title.label, text);
  for (int i = 1; i <= m.rows; ++i) DrawMenuItem(i, text, back, m.item);
  DrawMenuButton(text, back, m.item[kMenuCancel]);
  DrawMenuButton(text, back, m.item[kMenuOk]);
}

// An item's box with its label at (label x, bottom + descender + 1).
void draw_item(const MenuItem &it, int text, int label_colour, int background) {
  FilledBox(it.x1 + 1, it.y1 + 1, it.x2 - 1, it.y2 - 1, background, 0);
  text_at(it.text_x, it.y1 + CharDescender + 1, it.label, label_colour);
  OutlinedBox(it.x1, it.y1, it.x2, it.y2, text, 0);
}

// Baseline of text row k of a sample whose top is y2 (row 0 the top one).
int sample_row(const ColorSampleArea &a, int k) { return a.y2 - (k + 1) * CharHeight + CharDescender - 2; }

// A label in an outlined box on a sample's text row, n characters wide.
void boxed_text(int x, int baseline, int chars, const char *text, int fg, int frame) {
  OutlinedBox(x, baseline - CharDescender - 1, x + chars * CharWidth, baseline - CharDescender + CharHeight, frame, 0);
  text_at(x + 1, baseline, text, fg);
}

void draw_menu_bar_sample(const ColorSampleArea &a) {
  FilledBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourMenuBar), 0);
  OutlinedBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourMenuBar + 2), 0);
  text_at(a.x1 + CharWidth, a.y1 + CharDescender + 1, message(kMsgMenuBar), EditedColor(kWordColourMenuBar + 1));
}

void draw_pulldown_sample(const ColorSampleArea &a) {
  FilledBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourPulldown), 0);
  OutlinedBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourPulldown + 2), 0);
  const int fg = EditedColor(kWordColourPulldown + 1);
  for (int i = 0; i < kPulldownItems; ++i)
    text_at(a.x1 + CharWidth, a.y2 - (i + 1) * CharHeight - CharHeight / 2 + CharDescender, message(kMsgPulldown + i), fg);
}

// A dialog box with a colour field (showing the graphics background), three
// value fields and the two buttons, framed and ruled in the dialog colours.
void draw_dialog_sample(const ColorSampleArea &a) {
  const int fg = EditedColor(kWordColourDialog + 1), rule = EditedColor(kWordColourDialogLines);
  FilledBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourDialog), 0);
  OutlinedBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourDialog + 2), 0);
  const char *title = message(kMsgDialogSample);
  text_at(a.x1 + (a.x2 - a.x1 - NumChars(title) * CharWidth) / 2, sample_row(a, 0), title, fg);
  line(a.x1 + CharWidth / 2, sample_row(a, 0) - CharDescender - 2, a.x2 - CharWidth / 2,
       sample_row(a, 0) - CharDescender - 2);
  const int names = a.x1 + CharWidth, values = a.x1 + 16 * CharWidth;
  text_at(names, sample_row(a, 2), message(kMsgColor), fg);
  const int swatch_y = sample_row(a, 2) - CharDescender;
  FilledBox(values, swatch_y, values + 4 * CharWidth, swatch_y + CharHeight - 2, EditedColor(kWordColourGraphics), 0);
  OutlinedBox(values, swatch_y, values + 4 * CharWidth, swatch_y + CharHeight - 2, rule, 0);
  text_at(values + 5 * CharWidth, sample_row(a, 2), message(kMsgByLayer), fg);
  const int rows[3][2] = {{kMsgLayerName, kMsgGeneric}, {kMsgLinetype, kMsgByLayer}, {kMsgTextStyle, kMsgRomans}};
  for (int k = 0; k < 3; ++k) {
    text_at(names, sample_row(a, 3 + k), message(rows[k][0]), fg);
    boxed_text(values, sample_row(a, 3 + k), 14, message(rows[k][1]), fg, rule);
  }
  boxed_text(a.x1 + 10 * CharWidth, sample_row(a, 7), 8, message(kMsgOk), fg, rule);
  boxed_text(a.x1 + 30 * CharWidth, sample_row(a, 7), 8, message(kMsgCancel), fg, rule);
}

void draw_alert_sample(const ColorSampleArea &a) {
  const int fg = EditedColor(kWordColourAlert + 1), frame = EditedColor(kWordColourAlert + 2);
  FilledBox(a.x1, a.y1, a.x2, a.y2, EditedColor(kWordColourAlert), 0);
  OutlinedBox(a.x1, a.y1, a.x2, a.y2, frame, 0);
  const char *text = message(kMsgAlertSample);
  text_at(a.x1 + (a.x2 - a.x1 - NumChars(text) * CharWidth) / 2, sample_row(a, 1), text, fg);
  boxed_text(a.x1 + (a.x2 - a.x1 - 8 * CharWidth) / 2, sample_row(a, 3), 8, message(kMsgOk), fg, frame);
}

void show_sample(int k) {
  const ColorSampleArea &a = ColorSamples[k];
  SaveConfigArea(kAreaSample + k, a.x1, a.y1, a.x2, a.y2);
  DrawColorSample(k);
  ColorSamples[k].shown = 1;
}

}  // namespace

int EditedColor(int word) {
  if (word < kConfigFirstWord || word > kConfigLastWord) return 7;
  const int c = tempcfr.word(word);
  return c >= 0 && c < kColourCount ? c : 7;
}

// ---- pieces ---------------------------------------------------------------------------

void DrawMenuPanel(int x1, int y1, int x2, int y2) {
  draw_panel_frame(x1, y1, x2, y2);
  FilledBox(x1 + 3, y1 + 5, x2 - 5, y2 - 3, colour(kMenuBack), 0);
}

void DrawMenuItem(int index, int text, int background, MenuItem *items) {
  const MenuItem &it = items[index];
  draw_item(it, text, it.blocked ? kBlockedLabelColour : text, background);
}

void DrawMenuButton(int text, int background, MenuItem &button) { draw_item(button, text, text, background); }

void HighlightMenuItem(const MenuItem &item) {
  FilledBox(item.x1 + 2, item.y1 + 2, item.x2 - 2, item.y2 - 2, colour(kMenuHighlight), -1);
}

void LayoutMenuFrame(MenuItem *items, const char *title, int x1, int y1, int x2, int y2) {
  MenuItem &t = items[kMenuTitle];
  bounded_copy(t.label, title, sizeof t.label);
  t.x1 = x1 + (x2 - x1 - NumChars(t.label) * CharWidth) / 2;
  t.y1 = y2 - CharHeight - 8;

  MenuItem &ok = items[kMenuOk], &cancel = items[kMenuCancel];
  bounded_copy(ok.label, message(kMsgOk), sizeof ok.label);
  bounded_copy(cancel.label, message(kMsgCancel), sizeof cancel.label);
  const int ok_width = NumChars(ok.label) * CharWidth, cancel_width = NumChars(cancel.label) * CharWidth;
  const int gap = (x2 - x1 - ok_width - cancel_width) / 3;
  ok.x1 = x1 + gap;
  ok.x2 = ok.x1 + ok_width;
  cancel.x1 = ok.x2 + gap;
  cancel.x2 = cancel.x1 + cancel_width;
  for (MenuItem *b : {&ok, &cancel}) {
    b->y1 = y1 + 8;
    b->y2 = b->y1 + CharHeight;
    b->text_x = b->x1 + 1;
    b->blocked = 0;
  }
}

void LayoutMenu(ConfigMenu &m, const char *title, int rows, int x1, int y2, int lines) {
  int chars = std::max(40, NumChars(title));
  for (int i = 1; i <= rows; ++i) chars = std::max(chars, NumChars(m.item[i].label));
  m.rows = rows;
  m.x1 = x1;
  m.x2 = x1 + (chars + 10) * CharWidth;
  m.y2 = y2;
  m.y1 = y2 - (lines * CharHeight + 32);
  for (int i = 0; i < rows; ++i) {
    MenuItem &it = m.item[i + 1];
    it.x1 = m.x1 + 4 * CharWidth;
    it.x2 = m.x2 - 4 * CharWidth;
    it.y1 = m.y2 - (i + 2) * CharHeight - 16;
    it.y2 = it.y1 + CharHeight;
    it.text_x = it.x1 + CharWidth;
  }
  LayoutMenuFrame(m.item, title, m.x1, m.y1, m.x2, m.y2);
}

void LayoutWarningBox(int kind) {
  static constexpr int kLines[2][4] = {{146, 147, 148, 149}, {282, 283, 284, 285}};
  ConfigMenu &m = WarningMenu;
  m = ConfigMenu{};
  int chars = 40;
  for (const auto &k : kLines)
    for (int id : k) chars = std::max(chars, NumChars(message(id)));
  const int width = (chars + 10) * CharWidth, height = 7 * CharHeight + 32;
  m.x1 = (xsize - width) / 2;
  m.x2 = m.x1 + width;
  m.y1 = (ysize - height) / 2;
  m.y2 = m.y1 + height;
  // The lines are text alone: rows without boxes, never picked.
  const int *ids = kLines[kind == 2 ? 1 : 0];
  for (int i = 0; i < 4; ++i) {
    MenuItem &it = m.item[i + 1];
    bounded_copy(it.label, message(ids[i]), sizeof it.label);
    it.text_x = m.x1 + 5 * CharWidth;
    it.y1 = m.y2 - (i + 2) * CharHeight - 16;
    it.blocked = 1;
  }
  LayoutMenuFrame(m.item, "", m.x1, m.y1, m.x2, m.y2);
  // One button, in the middle; Cancel has no box.
  MenuItem &ok = m.item[kMenuOk];
  const int ok_width = ok.x2 - ok.x1;
  ok.x1 = m.x1 + (width - ok_width) / 2;
  ok.x2 = ok.x1 + ok_width;
  ok.text_x = ok.x1 + 1;
  m.item[kMenuCancel] = MenuItem{};
  m.item[kMenuCancel].blocked = 1;
}

// ---- whole menus ---------------------------------------------------------------------

void DrawMainMenu() { draw_menu(MainMenu); }

void DrawOptionsMenu() { draw_menu(OptionsMenu); }

void DrawPromptMenu() {
  draw_menu(PromptMenu);
  const int lines = tempcfr.word(kWordPromptLines);
  const int row = lines >= 1 && lines <= PromptMenu.rows ? lines : 1;
  DrawMenuItem(row, colour(kMenuSelectText), colour(kMenuSelectBack), PromptMenu.item);
  PreviewPromptLines();
}

void FormatColorRow(int r) {
  MenuItem &it = ColorsMenu.item[r + 1];
  std::snprintf(it.label, sizeof it.label, "%s: %3d", message(kColourRowText[r]),
                static_cast<int>(tempcfr.word(kWordColourXor + r)));
}

void DrawScreenColorsMenu() {
  for (int r = 0; r < kColourRows; ++r) FormatColorRow(r);
  draw_menu(ColorsMenu);
}

void DrawWarningBox() {
  const ConfigMenu &m = WarningMenu;
  SelectScreenMatrix();
  DrawMenuPanel(m.x1, m.y1, m.x2, m.y2);
  for (int i = 1; i <= 4; ++i) text_at(m.item[i].text_x, m.item[i].y1 + CharDescender + 1, m.item[i].label, colour(kMenuText));
  DrawMenuButton(colour(kMenuText), colour(kMenuBack), WarningMenu.item[kMenuOk]);
}

// ---- the page-size menu ----------------------------------------------------------------

void LayoutPageMenu() {
  PageMenuLayout &g = PageLayout;
  const int width = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]);
  const int height = static_cast<std::int16_t>(Pkinit.field[kPkinitHeight]);
  const int shown = g.knob_shown;
  g = PageMenuLayout{};
  g.knob_shown = shown;
  g.x1 = width / 4;
  g.x2 = g.x1 + 2 * width / 3;
  g.top = ysize - height / 10;
  g.preview_y1 = g.top - height / 2;
  g.slider_y2 = g.preview_y1 - 1;
  g.slider_y1 = g.slider_y2 - 40;
  g.bottom = g.slider_y1 - 1 - 5 * CharHeight;
  g.track_x1 = g.x1 + 15;
  g.track_x2 = g.x2 - 15;
  g.track_y1 = g.slider_y1 + 15;
  g.track_y2 = g.slider_y2 - 15;
  g.knob_y = g.track_y1 + (g.track_y2 - g.track_y1) / 2;
  g.label_x1 = g.x1 + 4 * CharWidth;
  g.label_x2 = g.x2 - 4 * CharWidth;
  g.label_y1 = g.slider_y1 - 1 - 2 * CharHeight;
  g.label_y2 = g.label_y1 + CharHeight;

  ConfigMenu &m = PageMenu;
  m = ConfigMenu{};
  m.x1 = g.x1;
  m.x2 = g.x2;
  m.y1 = g.bottom;
  m.y2 = g.top;
  LayoutMenuFrame(m.item, "", m.x1, m.y1, m.x2, m.y2);
}

int PageSizeAt(int x) {
  const PageMenuLayout &g = PageLayout;
  const int width = g.track_x2 - g.track_x1 + 1;
  if (width <= 0) return 0;
  const int offset = std::clamp(x, g.track_x1, g.track_x2) - g.track_x1;
  // Single precision, as the knob: the ends give exactly 1 and 255 kB.
  const float scale = 255.0f / static_cast<float>(width);
  const int kb = std::clamp(static_cast<int>(static_cast<float>(offset) * scale), 0, 254);
  return kb * 1024 + 1024;
}

int PageKnobX(int page_size) {
  const PageMenuLayout &g = PageLayout;
  const int width = g.track_x2 - g.track_x1 + 1;
  if (width <= 0) return g.track_x1;
  // A size beyond the slider's range (a command may set up to 256 kB) sits at
  // its end.
  const int kb = std::clamp(page_size / 1024, 1, 255);
  const float scale = static_cast<float>(width) / 255.0f;
  return g.track_x1 + static_cast<int>(static_cast<float>(kb - 1) * scale);
}

void DrawPageSlider(int hide_knob) {
  PageMenuLayout &g = PageLayout;
  const int text = colour(kMenuText), back = colour(kMenuBack);
  SelectScreenMatrix();
  FilledBox(g.track_x1 - 10, g.track_y1 - 10, g.track_x2 + 10, g.track_y2 + 10, back, 0);
  FilledBox(g.track_x1, g.track_y1, g.track_x2, g.track_y2, back, 0);
  OutlinedBox(g.track_x1, g.track_y1, g.track_x2, g.track_y2, text, 0);
  const int x = PageKnobX(tempcfr.word(kWordPageSize));
  g.knob_x1 = x - 10;
  g.knob_x2 = x + 10;
  g.knob_y1 = g.knob_y - 10;
  g.knob_y2 = g.knob_y + 10;
  if (hide_knob) {
    FilledBox(g.knob_x1, g.knob_y1, g.knob_x2, g.knob_y2, back, 0);
  } else {
    FilledBox(g.knob_x1, g.knob_y1, g.knob_x2, g.knob_y2, text, 0);
    OutlinedBox(g.knob_x1, g.knob_y1, g.knob_x2, g.knob_y2, text, 0);
  }
}

void DrawPageLabel() {
  const PageMenuLayout &g = PageLayout;
  SelectScreenMatrix();
  FilledBox(g.label_x1 + 1, g.label_y1 + 1, g.label_x2 - 1, g.label_y2 - 1, colour(kMenuBack), 0);
  char text[kMenuLabelSize];
  std::snprintf(text, sizeof text, "%s: %4dkB", message(kMsgPageSize),
                static_cast<int>(tempcfr.word(kWordPageSize) / 1024));
  text_at(g.label_x1 + CharWidth, g.label_y1 + CharDescender + 1, text, colour(kMenuText));
  OutlinedBox(g.label_x1, g.label_y1, g.label_x2, g.label_y2, colour(kMenuText), 0);
}

void DrawPagePreview() {
  const PageMenuLayout &g = PageLayout;
  SetClippingRectangle(g.x1 + 3, g.x2 - 5, g.preview_y1, g.top - 3, kMatrixViewport3D);
  MyColor(ConfigColor(kWordColourGraphics));
  clear();
  redraw_list.state = kReplayStart;
  config_redraw(CurrentViewport);
  SelectScreenMatrix();
}

void DrawPageMenu() {
  const PageMenuLayout &g = PageLayout;
  const int text = colour(kMenuText), back = colour(kMenuBack);
  SelectScreenMatrix();
  DrawMenuPanel(g.x1, g.bottom, g.x2, g.top);
  DrawMenuButton(text, back, PageMenu.item[kMenuCancel]);
  DrawMenuButton(text, back, PageMenu.item[kMenuOk]);
  MyColor(text);
  line(g.x1 + 3, g.slider_y1, g.x2 - 5, g.slider_y1);
  line(g.x1 + 3, g.slider_y2, g.x2 - 5, g.slider_y2);
  DrawPageSlider(g.knob_shown ? 0 : 1);
  DrawPageLabel();
  DrawPagePreview();
}

// ---- the colour chooser -----------------------------------------------------------------

void FormatColorIndex(int index, char (&text)[4]) {
  const int h = index / 100 % 10, t = index / 10 % 10, u = index % 10;
  text[0] = h ? static_cast<char>('0' + h) : ' ';
  text[1] = h || t ? static_cast<char>('0' + t) : ' ';
  text[2] = static_cast<char>('0' + u);
  text[3] = '\0';
}

void DrawColorChooser() {
  const ColorChooserLayout &c = ColorChooser;
  const int s = c.s, y0 = c.y0, line_colour = colour(kMenuSwatchLine);
  SelectScreenMatrix();
  DrawMenuPanel(c.x1, c.y1, c.x2, c.y2);
  for (int i = 0; i < kSwatches; ++i) {
    FilledBox(c.cx1, y0 + i * s, c.cx2, y0 + i * s + s - 1, c.first + i, 0);
    OutlinedBox(c.cx1, y0 + i * s, c.cx2, y0 + i * s + s - 1, line_colour, 0);
  }
  if (!Color16) {
    const int up = y0 + 16 * s;
    FilledBox(c.cx1, up, c.cx2, up + s - 1, colour(kMenuBack), 0);
    OutlinedBox(c.cx1, up, c.cx2, up + s - 1, line_colour, 0);
    MyColor(line_colour);
    filled_polygon<3>({{c.cx1 + s / 5, up + s / 5}, {c.cx2 - s / 5, up + s / 5}, {c.cx1 + s / 2, up + 4 * s / 5}});
    FilledBox(c.cx1, y0 - s + 1, c.cx2, y0, colour(kMenuBack), 0);
    OutlinedBox(c.cx1, y0 - s + 1, c.cx2, y0, line_colour, 0);
    MyColor(colour(kMenuText));
    filled_polygon<3>({{c.cx1 + s / 5, y0 - s / 5}, {c.cx2 - s / 5, y0 - s / 5}, {c.cx1 + s / 2, y0 - 4 * s / 5}});
  }
  const int x = c.cx2 + (c.x2 - c.cx2 - 3 * CharWidth) / 2;
  for (int i = 0; i < kSwatches; ++i) {
    char text[4];
    FormatColorIndex(c.first + i, text);
    text_at(x, y0 + i * s + (s - (CharHeight - CharDescender)) / 2, text, colour(kMenuText));
  }
}

void DrawColorMarker(int row) {
  const ColorChooserLayout &c = ColorChooser;
  const int s = c.s, left = c.x1, r = c.y0 + row * s;
  const int arrow[7][2] = {{left + s / 4, r + s / 4}, {left + s, r + s / 4},         {left + s, r},
                           {left + 7 * s / 4, r + s / 2}, {left + s, r + s},         {left + s, r + 3 * s / 4},
                           {left + s / 4, r + 3 * s / 4}};
  SelectScreenMatrix();
  MyColor(0);
  filled_polygon(arrow);
  MyColor(colour(kMenuText));
  closed_line(arrow);
}

// ---- the samples ------------------------------------------------------------------------

void DrawSampleBackground() {
  const ColorSampleArea &a = ColorSamples[kSampleGraphics];
  SelectScreenMatrix();
  draw_panel_frame(a.x1, a.y1, a.x2, a.y2);
  OutlinedBox(a.x1 + 3, a.y1 + 5, a.x2 - 5, a.y2 - 3, colour(kMenuBack), 0);
  OutlinedBox(a.x1 + 4, a.y1 + 6, a.x2 - 6, a.y2 - 4, colour(kMenuBack), 0);
  FilledBox(a.x1 + 5, a.y1 + 7, a.x2 - 7, a.y2 - 5, EditedColor(kWordColourGraphics), 0);
}

void DrawColorSample(int k) {
  const ColorSampleArea &a = ColorSamples[k];
  SelectScreenMatrix();
  switch (k) {
    case kSampleGraphics:
      DrawSampleBackground();
      BeginXorDrawing();
      MyXcolor(EditedColor(kWordColourXor));
      for (int y = a.y1 + 7; y < a.y2 - 5; y += 10)
        for (int x = a.x1 + 5; x < a.x2 - 7; x += 10) MyPoint(x, y);
      EndXorDrawing();
      break;
    case kSampleMenuBar: draw_menu_bar_sample(a); break;
    case kSamplePulldown: draw_pulldown_sample(a); break;
    case kSampleDialog: draw_dialog_sample(a); break;
    case kSampleAlert: draw_alert_sample(a); break;
    default: break;
  }
}

void RestoreColorSamples() {
  static constexpr int kOrder[kSampleCount] = {kSampleAlert, kSampleDialog, kSamplePulldown, kSampleMenuBar,
                                               kSampleGraphics};
  for (int k : kOrder) {
    if (!ColorSamples[k].shown) continue;
    RestoreConfigArea(kAreaSample + k);
    ColorSamples[k].shown = 0;
  }
}

void ShowColorSample(int row) {
  RestoreColorSamples();
  switch (row) {
    case 0: show_sample(kSampleGraphics); break;
    case 1:
    case 14:
    case 15:
    case 16:
    case 17: show_sample(kSampleDialog); break;
    case 2:
    case 3: RedrawTextAreas(); break;
    case 4: DrawTextAreaSeparators(); break;
    case 5:
    case 6:
    case 7: show_sample(kSampleAlert); break;
    case 8:
    case 9:
    case 10: show_sample(kSampleMenuBar); break;
    case 11:
    case 12:
    case 13:
      if (!ColorSamples[kSampleMenuBar].shown) show_sample(kSampleMenuBar);
      show_sample(kSamplePulldown);
      break;
    default: break;
  }
}
