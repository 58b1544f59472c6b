// The icon pictures of the shells (48 x 48, XPM): the graphics icon, and the
// text icon of the text and Kanji shells.
#pragma once

extern const char *const graph_icon_xpm[];
extern const char *const text_icon_xpm[];
