// Text output and the prompt area: the client's text packets, the prompt area
// the driver draws at the bottom of the graphics window, the echo of prompt
// text into the command area and the text window, and the log file's lines.
#pragma once

#include <cstdint>

class Packet;

// ---- where single characters go ------------------------------------------------

// The first six bytes of the last packet that chose where pchar's characters
// go: ptprompt sets the opcode to 20 (characters go through pwrsplit); the
// menu cursor packet copies its own header in (opcode 13, box, box count), so
// the characters collect into a screen-menu label.
struct CharPacket {
  std::uint16_t opcode;
  std::int16_t first;   // the character for pwrsplit, or the menu box number
  std::int16_t second;  // the menu box count
};
extern CharPacket char_pkt;

inline constexpr int kCharBufferSize = 256;
// Characters collected by pchar: at most 255 and a terminating NUL.
extern char charbf[kCharBufferSize];
extern int charbf_count;
// Text position of the collected label (pixels; y is the baseline).
extern int tcursx, tcursy;

// ---- the drawn screen menu's texts ----------------------------------------------

inline constexpr int kMenuBoxesMax = 64;
inline constexpr int kMenuTextSize = 16;  // 15 characters and the NUL
// The box under the menu cursor, pboxno, is kept with the menu highlight
// (display/cursor.h).
// The label shown in each box of the drawn screen menu.
extern char MenuTextPtr[kMenuBoxesMax][kMenuTextSize];

// ---- the prompt area ------------------------------------------------------------

inline constexpr int kPromptLinesMax = 5;
inline constexpr int kPromptLineSize = 256;
// The text drawn on each prompt line, NUL-terminated; line 0 is the top line.
extern char PromptBuffer[kPromptLinesMax][kPromptLineSize];

// Where the prompt area writes next.
struct PromptPen {
  int x, y;       // pen position in pixels; y is the current line's baseline
  int line;       // current line index, 0 the top line
  int column;     // write position within PromptBuffer[line]
  int line_used;  // the line got a printable character since the last line feed
  int cursor_on;  // the text cursor is shown
};
extern PromptPen prompt_pen;

// Echo switches: text_echo copies prompt text to the text window, no_echo
// keeps wrsplit from echoing and drawing.
extern int text_echo, no_echo;
// The log holds EUC-JP instead of the client's Shift-JIS.
extern int KESTRILA_MODE;

// The last mode-line text (shown by the status line); its flag byte,
// mode_flags, is kept with the coordinate read-out (display/cursor.h).
extern char mode_str[256];

// Prompt lines of the configuration (word 101), held to 1..5.
int prompt_line_count();

void init_pchar(int x, int y);
void init_wrsplit();
// One character of the driver's own output: logged, echoed and drawn into the
// prompt area (bell, backspace, tab, line feed and carriage return included).
void wrsplit(int ch);
// Draws (1) or erases (0) the text cursor at the pen position.
void PromptCursor(int on);
void clear_prompt_area();
void ClearPromptLine();
// One prompt character to the command area, and to the text window (or
// output_fd) when echoing or while the text screen is up.
void Echo(int ch);
// Appends one byte to the log line; returns 1.
int log_char(int ch);
// Writes out a log line that has not reached its line end yet.
void flush_log_line();
// Empties the character buffer, mode_str, coord_str, the prompt area's write
// position and PromptBuffer.
void ResetPromptBuffers();

// A string of a text packet drawn at (x, y) in colour on background; flags
// bit 2 (4) leaves the background as it is.
void DrawBoxLabel(const char *text, int x, int y, int colour, int background, int flags);

// The text packets.
int pchar(Packet &p);
int pechar(Packet &p);
int ptprompt(Packet &p);
int pwrsplit(Packet &p);
int pmodeline(Packet &p);
// The menu cursor packet: the characters that follow collect into the label
// of the screen-menu box it names (the side menu gets the box count).
int pmnucurs(Packet &p);
int ptext(Packet &p);
