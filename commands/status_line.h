// The drawn status line across the top of the graphics window, and the
// magnifier of its zoom fields.
#pragma once

#include <cstddef>
#include <cstdint>

class Packet;

struct StatusLineRecord {
  const char *first_text;   // the mode-line text
  const char *second_text;  // the coordinate text
  int box_colour;           // colour of the colour box
  int background;           // configuration word 81
  int foreground;           // configuration word 82
  int char_height, char_width, descender;
  int x, y, width;          // the line's left end, bottom and width
  int zoom_edges[7];        // x boundaries of the zoom hot spots
};

extern StatusLineRecord GL_Status_Line;
extern char mode_str[256];

// Draws the fields whose text changed (all of them when force is set); with
// the Motif status bar only passes the display-list memory on to it.
void UpdateStatusLine(StatusLineRecord *record, int force);
// Redraws the right-hand indicator (zoom factor, display-list memory, the
// zoom hot spots) and sets the hot spots' edges when it changed or force is set.
void DrawCleanMessage(StatusLineRecord *record, int force);
// The fields show nothing known: the next update draws every one.
void ForgetStatusLine();

// The magnifier of the status line: its zoom fields take the remembered
// pointer sample (Original) while the status line is drawn. 1 when the sample
// was over one (highlighted or clicked), 0 otherwise.
int status_zoom_input(Packet &p);
// No zoom field is shown highlighted any more (a new session, tests).
void reset_status_zoom();

// Bytes of the display-list, refresh and face pages, in 64 bits.
std::int64_t display_list_bytes();
// The memory as the status bar shows it: "%dK" up to 1 MB, else "%.1fM".
void FormatListMemory(std::int64_t bytes, char *text, std::size_t cap);
