#include "adi/session.h"

InitPacket Pkinit;
int init_called;
int afterpinit;
int Initialized;
int FirstTimeInACAD = 1;
int product_stable;
int aftershell;
int xmin, ymin, xmax, ymax, graphy, xsize, ysize;
int CharWidth, CharHeight, CharDescender, maxboxes;
int PromptArea, ScreenMenu, StatusLine, EightBit;
char cdname[256];
int font8bit, sysmenubar, cmchar, maxchar;
