// Messages to the user: the writer behind MyPrintf (the command area and the
// text screen), and the guards that say why an interactive command cannot
// run. MyPrintf, MyPrints and IsInRange themselves are on the floor
// (base/user_text.h), so that every subsystem can say something.
#pragma once

#include <cstddef>

#include "base/user_text.h"

// Sends length bytes of text to the command-line area when use_localtext is
// set, and to output_fd when it is open, else to the text window. The top
// makes it the floor's user_text_writer.
void WriteUserText(const char *text, std::size_t length);

// Guards: each returns nonzero when the action may go on, else prints why.
int IsZoomable();
int IsPdigtizeOn();
int IsDlistOn();
int IsSidebarOn();
int IsRendered();
int IsCurrent(int viewport);
