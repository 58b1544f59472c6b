// How the configuration menus look: the panel every menu sits on, items and
// buttons, the layout and drawing of each menu, the page-size slider, the
// colour chooser with its marker, and the samples of the screen-colours menu.
//
// Everything is drawn in the screen matrix, window pixels with y up from the
// bottom of the window. The records here are laid out by
// InitializeConfigMenus (config_menus.h) from the window and character size.
#pragma once

// A menu is 21 item records: 0 the title (its x1 and y1 are the text
// position), 1 to 18 the rows, 19 the Cancel button, 20 the OK button.
inline constexpr int kMenuItems = 21;
inline constexpr int kMenuRowsMax = 18;
inline constexpr int kMenuLabelSize = 80;
enum : int { kMenuTitle = 0, kMenuCancel = 19, kMenuOk = 20 };

struct MenuItem {
  char label[kMenuLabelSize];
  int x1, y1, x2, y2;  // the item's box
  int text_x;          // where its label starts
  int highlighted;     // the exclusive-or highlight is on it
  int blocked;         // drawn grey, never highlighted nor picked
};

struct ConfigMenu {
  MenuItem item[kMenuItems];
  int rows;            // rows 1..rows are in use
  int x1, y1, x2, y2;  // the panel
};

// The menu colours (indices into the colour table), by what they paint.
enum : int {
  kMenuText,         // text and outlines
  kMenuBack,         // menu background
  kMenuSwatchLine,   // swatch and box outlines
  kMenuShade,        // the panel's shade
  kMenuHighlight,    // highlight, drawn exclusive-or
  kMenuEdge,         // the panel's edge
  kMenuSelectBack,   // selected row: background
  kMenuSelectText,   // selected row: text
  kMenuColourCount,
};
extern int MenuColors[kMenuColourCount];
// Labels of blocked items are drawn in this colour index (grey).
inline constexpr int kBlockedLabelColour = 8;

extern ConfigMenu MainMenu, OptionsMenu, PromptMenu, ColorsMenu, PageMenu, WarningMenu;

// The display-list page-size menu: a panel holding, top down, the preview
// window, the slider strip and the label strip with the buttons.
struct PageMenuLayout {
  int x1, x2;                      // the menu's sides
  int top, bottom;                 // the menu's top and bottom (the label strip's bottom)
  int preview_y1;                  // preview window from here up to top
  int slider_y1, slider_y2;        // the slider strip
  int track_x1, track_y1, track_x2, track_y2;  // the slider's track
  int knob_y;                      // the knob's centre row
  int label_x1, label_y1, label_x2, label_y2;  // the label box
  int knob_x1, knob_y1, knob_x2, knob_y2;      // the knob as last drawn
  int knob_shown;                  // the knob is visible
};
extern PageMenuLayout PageLayout;

// The screen-colours samples, each with its own saved screen.
enum : int { kSampleGraphics, kSampleMenuBar, kSamplePulldown, kSampleDialog, kSampleAlert, kSampleCount };
struct ColorSampleArea {
  int x1, y1, x2, y2;
  int shown;
};
extern ColorSampleArea ColorSamples[kSampleCount];

// The colour chooser: 16 swatches of size s in a column cx1..cx2 whose first
// swatch has its bottom at y0; its panel reaches 2s further out on every side.
struct ColorChooserLayout {
  int s;
  int cx1, cx2, y0;
  int x1, y1, x2, y2;  // the panel
  int first;           // the colour index of the lowest swatch, 0 to 240
};
extern ColorChooserLayout ColorChooser;
inline constexpr int kSwatches = 16;
inline constexpr int kChooserFirstMax = 256 - kSwatches;

// The screen-colours rows: row r edits configuration word 79 + r.
inline constexpr int kColourRows = 18;
// A colour word of tempcfr as a colour index (7 when it holds none).
int EditedColor(int word);

// Pieces.
void DrawMenuPanel(int x1, int y1, int x2, int y2);
void DrawMenuItem(int index, int text, int background, MenuItem *items);
void DrawMenuButton(int text, int background, MenuItem &button);
// Turns the highlight of an item on or off: the same exclusive-or fill.
void HighlightMenuItem(const MenuItem &item);
// Fills the title record and the two button records of a menu.
void LayoutMenuFrame(MenuItem *items, const char *title, int x1, int y1, int x2, int y2);
// Lays a menu out whose row labels are set: left side x1, top y2, as wide as
// its longest text (at least 40 characters) plus 10 characters, lines text
// lines plus 32 pixels high; the rows from the top down, then the frame.
void LayoutMenu(ConfigMenu &menu, const char *title, int rows, int x1, int y2, int lines);
// The warning box of kind 1 or 2, centred in the window; both kinds take the
// same place.
void LayoutWarningBox(int kind);

// Whole menus.
void DrawMainMenu();
void DrawOptionsMenu();
void DrawPromptMenu();
void DrawScreenColorsMenu();
void DrawPageMenu();
void DrawWarningBox();
// Formats the label of screen-colours row r from tempcfr.
void FormatColorRow(int r);

// The page-size menu.
void LayoutPageMenu();
void DrawPageSlider(int hide_knob);
void DrawPageLabel();
void DrawPagePreview();
// The page size in bytes the slider gives at pointer column x (clamped to the
// track): 1 kB at the track's left end to 255 kB at its right end. 0 when the
// track has no width.
int PageSizeAt(int x);
// The knob's centre column for a page size in bytes.
int PageKnobX(int page_size);

// The colour chooser and the samples.
void DrawColorChooser();
// The marker arrow at swatch row 0..15 of the chooser.
void DrawColorMarker(int row);
void DrawSampleBackground();
void RestoreColorSamples();
void ShowColorSample(int row);
// Draws sample k (its drawing only; the screen under it saved by the caller).
void DrawColorSample(int k);
// A colour index as the chooser labels it: three characters, leading zeros
// blank ("  7", " 45", "100").
void FormatColorIndex(int index, char (&text)[4]);
