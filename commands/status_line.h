// The drawn status line across the top of the graphics window.
#pragma once

#include <cstdint>

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
extern char coord_str[256];

void UpdateStatusLine(StatusLineRecord *record, int force);
// Redraws the right-hand indicator and the zoom fields' edges.
void DrawCleanMessage(StatusLineRecord *record, int force);
