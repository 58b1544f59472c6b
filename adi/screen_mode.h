// Graphics and text screens, the text-screen packets and the highlight of the
// screen-menu item under the menu cursor.
#pragma once

#include "base/session.h"  // SetScreenMode, GetScreenMode

class Packet;

// Keyboard state the client asks about.
int is_scroll_lock();
int is_num_lock();
int is_caps_lock();
void init_functions();

// Blank side-menu boxes are skipped by repeating the last arrow key once per
// box; forgets the box last skipped (between sessions and in tests).
void reset_blank_highlight();

int pgograph(Packet &p);
int pgotext(Packet &p);
int pgotextu(Packet &p);
int ptxtshow(Packet &p);
int ptxtchar(Packet &p);
int ptxtclr(Packet &p);
int phlite(Packet &p);
int pdhlite(Packet &p);
