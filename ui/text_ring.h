// The text of a text area without X: a scroll-back of lines kept in a ring of
// bytes, the window's rows and columns over it, the scroll-bar values, what
// one character of output does, and the selected text. The widget code draws
// what a TextDamage names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// One line: its bytes lie contiguous in the ring buffer.
struct TextLine {
  int start;   // offset of its first byte in the buffer
  int length;  // bytes
};

struct TextRing {
  std::vector<char> buffer;
  int buffer_size = 0;  // a power of two, at least capacity x 64
  int write_pos = 0;    // next byte of the buffer to write
  std::vector<TextLine> lines;  // the line table, capacity entries
  int capacity = 0;     // lines of scroll-back
  int line_count = 0;   // lines in use, at least 1
  int oldest = 0, current = 0;  // indices into the line table
  long long oldest_serial = 0;  // running number of the oldest line
  int columns = 1, rows = 1;
  int top_line = 0;      // vertical scroll value: lines above the window
  int first_column = 0;  // horizontal scroll value
  int extent = 1;        // scroll extent: lines the vertical bar covers
  int widest = 1;        // widest line in bytes
  bool pending_cr = false;  // a carriage return came on a non-empty line
  bool held_lead = false;   // the current line ends in a lead byte whose trail byte has not come
  // Shift-JIS lead bytes, whose pair makes one two-cell character; none when
  // null.
  int (*lead_byte)(int byte) = nullptr;
};

// What an operation changed on the window, for the widget code to draw.
struct TextDamage {
  bool bell = false;
  bool all = false;     // clear and repaint the whole area
  long long shift = 0;  // the first shown line moved down by this many lines
  // Lines to draw again from a byte column to their end, the rest of their
  // row cleared (by running line number).
  struct Span {
    long long serial;
    int column;
  };
  static constexpr int kSpans = 4;
  Span span[kSpans];
  int spans = 0;
  bool vbar = false;  // the vertical bar takes new values
  bool hbar = false;  // the horizontal bar takes new values
};

// Scroll-bar values as Motif takes them.
struct ScrollValues {
  int maximum, slider, increment, page, value;
};

// Largest scroll-back kept, in lines (the buffer is 64 bytes a line).
inline constexpr int kTextCapacityMax = 65536;

// An empty area of capacity lines (held to 1..kTextCapacityMax) with one
// empty line.
void text_ring_init(TextRing &ring, int capacity, int columns, int rows);

// One character of output: 16-bit; local is the driver's own output, where
// escape is shown and a code whose high byte is a lead byte is one two-byte
// character.
void text_ring_put(TextRing &ring, int character, bool local, TextDamage &damage);

// The line index lines after the oldest (0 .. line_count - 1).
const TextLine &text_line(const TextRing &ring, int index);
const char *text_line_bytes(const TextRing &ring, const TextLine &line);
// Running number of a line index, and back (-1 when not kept).
long long text_line_serial(const TextRing &ring, int index);
int text_line_index(const TextRing &ring, long long serial);
// Window row of a running line number (may lie outside 0 .. rows - 1).
long long text_row_of(const TextRing &ring, long long serial);
// Row of the current line.
int text_cursor_row(const TextRing &ring);
// First byte column to draw of a line from column: moved back onto the lead
// byte when column falls on a pair's trail byte.
int text_pair_start(const TextRing &ring, const TextLine &line, int column);
// Bytes of a line up to its end that can be drawn: a lead byte still waiting
// for its trail byte is left out.
int text_drawable_length(const TextRing &ring, const TextLine &line, bool current);

// The vertical bar: the newest lines in view. Sets top_line.
ScrollValues text_vbar(TextRing &ring);
// The horizontal bar for the widest line (value: first_column, kept in range).
ScrollValues text_hbar(TextRing &ring);

// A new window size in cells (each at least 1): the widest line is counted
// again, the horizontal bar goes back to column 0 and the vertical bar is set.
void text_ring_resize(TextRing &ring, int columns, int rows);

// How the user moved the vertical bar.
enum class ScrollMove { increment, decrement, page_increment, page_decrement, drag, value };
// The vertical bar's new value: it becomes the top line and the extent
// follows as the user scrolls. Answers the bar's new maximum.
int text_vscroll(TextRing &ring, int value, int slider, ScrollMove move);

// The selected text between two cells given as (running line number, column),
// in either order, the end excluded: lines joined by line ends. A pair is
// never cut.
std::string text_selection(const TextRing &ring, long long serial0, int column0, long long serial1, int column1);

// Buffer size for a capacity: the smallest power of two not below capacity x
// 64 bytes.
int text_buffer_size(int capacity);
