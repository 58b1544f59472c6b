// What the driver says to the user, from any subsystem: formatted text to the
// command area and the text screen (MyPrintf), and text through the
// prompt-area writer (MyPrints). The writers belong to the command layer,
// above the drawing layers that have things to say too; the top points these
// two at them at start-up. Left empty (unit tests that do not set them), what
// is said goes nowhere.
#pragma once

#include <cstddef>

// Writes length bytes of text to the command area (with the command-line
// widget), and to output_fd when it is open, else to the text window.
extern void (*user_text_writer)(const char *text, std::size_t length);
// Writes one character through the prompt-area writer (logged, echoed, drawn).
extern void (*prompt_char_writer)(int ch);

extern const char crlf[];  // "\r\n"

// Formats into a 256-byte buffer (longer output is cut) and writes the text.
void MyPrintf(const char *format, ...) __attribute__((format(printf, 1, 2)));
void NewLine();
// Sends a text through the prompt-area writer; a Shift-JIS lead byte and its
// trail byte go together. Returns the number of bytes sent.
int MyPrints(const char *text);

// Nonzero when low <= value <= high; otherwise says so and answers 0.
int IsInRange(int value, int low, int high);
