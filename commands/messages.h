// Messages to the user: formatted text to the command area and the text
// screen, text through the prompt-area writer, and the guards that say why an
// interactive command cannot run.
#pragma once

extern const char crlf[];  // "\r\n"

// Formats into a 256-byte buffer (longer output is cut) and sends the text to
// the command-line area when use_localtext is set, and to output_fd when it
// is open, else to the text window.
void MyPrintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void NewLine();
// Sends a text through the prompt-area writer; a Shift-JIS lead byte and its
// trail byte go together. Returns the number of bytes sent.
int MyPrints(const char *text);

// Guards: each returns nonzero when the action may go on, else prints why.
int IsInRange(int value, int low, int high);
int IsZoomable();
int IsPdigtizeOn();
int IsDlistOn();
int IsSidebarOn();
int IsRendered();
int IsCurrent(int viewport);
