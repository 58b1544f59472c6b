// Snapshots and quick plots of the screen as RGB image files.
#pragma once

class Packet;

// Writes the window's pixels x1..x2 by y1..y2 (corners included, y up from
// the bottom row, clipped to the window) as a 3-channel run-length image
// named name, its bottom row first: what the overlay or pop-up planes show
// over the normal planes. The file is written beside the name and renamed
// over it once complete; with replace_existing false an existing file is
// left alone and counts as a failure. 0 when written, else -1 (a message
// says why, and no file is left).
int saveRGBscreen(const char *name, int x1, int y1, int x2, int y2, bool replace_existing = true);

// The quick-plot packet: the current viewport into the first free
// "qplot_NNNN.rgb"; the u16 at 2 answers 1 when a file was written.
int pqplot(Packet &p);
