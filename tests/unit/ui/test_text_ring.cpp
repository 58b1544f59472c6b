// A text area's lines without X: what characters of output leave in the
// scroll-back, the scroll-bar values, and the selected text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/text_ring.h"

namespace {

TextRing make_ring(int capacity, int columns, int rows = 10) {
  TextRing r;
  text_ring_init(r, capacity, columns, rows);
  return r;
}

void out(TextRing &r, const std::string &text, bool local = false) {
  for (unsigned char c : text) {
    TextDamage d;
    text_ring_put(r, c, local, d);
  }
}

std::string line(const TextRing &r, int index) {
  const TextLine &l = text_line(r, index);
  return std::string(text_line_bytes(r, l), static_cast<std::size_t>(l.length));
}

// Every line kept, the current (last) one included.
std::vector<std::string> lines(const TextRing &r) {
  std::vector<std::string> all;
  for (int i = 0; i < r.line_count; ++i) all.push_back(line(r, i));
  return all;
}

int lead_81(int byte) { return byte == 0x81; }

using Lines = std::vector<std::string>;

TEST(TextRing, OutputMakesLinesAsATerminalWould) {
  struct Case {
    const char *name;
    int columns;
    std::string text;
    Lines want;
  } cases[] = {
      {"a carriage return restarts the line", 80, "AB\rC\n", {"C", ""}},
      {"a line end after a carriage return keeps the line", 80, "AB\r\nC", {"AB", "C"}},
      {"a long line wraps at the column count", 5, "abcdefg\n", {"abcde", "fg", ""}},
      {"a tab fills to the next multiple of 8", 80, "abc\tX", {"abc     X"}},
      {"a tab on a tab stop still moves on", 80, "12345678\tX", {"12345678        X"}},
      {"a tab never runs past the line's end", 10, "123456789\tX", {"123456789 ", "X"}},
      {"two line ends give one break", 80, "A\n\nB", {"A", "B"}},
      {"backspace removes the last byte", 80, "AB\bC", {"AC"}},
      {"backspace on an empty line joins the line before", 80, "AB\n\bC", {"AC"}},
      {"control bytes show as ?", 80, std::string("a\x01" "b"), {"a?b"}},
      {"escape is dropped", 80, "a\x1b" "b", {"ab"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    TextRing r = make_ring(512, c.columns);
    out(r, c.text);
    EXPECT_EQ(lines(r), c.want);
  }
}

TEST(TextRing, TheDriversOwnOutputShowsEscapeAndTakesTwoByteCodesWhole) {
  TextRing r = make_ring(16, 3);
  r.lead_byte = lead_81;
  out(r, "\x1b", true);
  TextDamage d;
  text_ring_put(r, 'a', true, d);
  // Two cells left: the two-byte character goes to a line of its own.
  text_ring_put(r, 0x8140, true, d);
  EXPECT_EQ(lines(r), (Lines{"?a", "\x81\x40"}));
}

TEST(TextRing, ALeadByteWaitsForItsTrailByteAndNeverSplitsAcrossLines) {
  TextRing r = make_ring(16, 4);
  r.lead_byte = lead_81;
  out(r, "abc");
  TextDamage d;
  text_ring_put(r, 0x81, false, d);
  EXPECT_EQ(d.spans, 0) << "nothing drawn before the trail byte";
  text_ring_put(r, 0x40, false, d);
  EXPECT_EQ(lines(r), (Lines{"abc", "\x81\x40"}));
  ASSERT_EQ(d.spans, 1);
  EXPECT_EQ(d.span[0].column, 0);
}

TEST(TextRing, TheScrollBackKeepsTheNewestLines) {
  TextRing r = make_ring(512, 80);
  for (int i = 0; i < 600; ++i) out(r, "line " + std::to_string(i) + "\n");
  EXPECT_EQ(r.line_count, 512);
  EXPECT_EQ(line(r, 0), "line 89");
  EXPECT_EQ(line(r, 510), "line 599");
  EXPECT_EQ(line(r, 511), "");

  TextRing one = make_ring(0, 80);  // a capacity of 0 keeps one line
  EXPECT_EQ(one.capacity, 1);
  out(one, "first\nsecond");
  EXPECT_EQ(lines(one), (Lines{"second"}));
}

TEST(TextRing, LinesMovedToTheBufferStartNeverCorruptTheLinesKept) {
  // Lines of many lengths run round a small buffer (8 lines, 512 bytes):
  // whatever is dropped, every line kept reads as it was written.
  TextRing r = make_ring(8, 200);
  std::vector<std::string> written;
  for (int i = 0; i < 200; ++i) {
    std::string text(static_cast<std::size_t>(1 + (i * 37) % 150), static_cast<char>('a' + i % 26));
    written.push_back(text);
    out(r, text + "\n");
    for (int k = 0; k + 1 < r.line_count; ++k) {
      long long serial = text_line_serial(r, k);
      ASSERT_EQ(line(r, k), written[static_cast<std::size_t>(serial)]) << "after line " << i;
    }
  }
  EXPECT_GE(r.line_count, 2);
}

TEST(TextRing, TheVerticalBarKeepsTheNewestLinesInView) {
  struct Case {
    int rows, finished_lines;
    ScrollValues want;
  } cases[] = {
      {10, 3, {3, 3, 1, 10, 0}},      // all in view
      {10, 30, {30, 9, 1, 10, 21}},   // the current line on the last row
      {1, 30, {31, 1, 1, 1, 30}},     // one row shows the current line
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.rows);
    TextRing r = make_ring(512, 80, c.rows);
    for (int i = 0; i < c.finished_lines; ++i) out(r, "x\n");
    ScrollValues v = text_vbar(r);
    EXPECT_EQ(v.maximum, c.want.maximum);
    EXPECT_EQ(v.slider, c.want.slider);
    EXPECT_EQ(v.page, c.want.page);
    EXPECT_EQ(v.value, c.want.value);
    EXPECT_EQ(text_cursor_row(r), std::min(c.rows - 1, c.finished_lines));
  }
}

TEST(TextRing, AFormFeedStartsAPageThatFillsDownwards) {
  TextRing r = make_ring(512, 80, 10);
  out(r, "a\nb\nc\n\f");
  EXPECT_EQ(text_cursor_row(r), 0);
  out(r, "d\ne");
  EXPECT_EQ(text_cursor_row(r), 1);
  EXPECT_EQ(line(r, r.top_line), "d");
}

TEST(TextRing, ScrollingBackAndOutputBringingTheViewBack) {
  TextRing r = make_ring(512, 80, 5);
  for (int i = 0; i < 20; ++i) out(r, "x\n");
  ScrollValues v = text_vbar(r);
  text_vscroll(r, 0, v.slider, ScrollMove::drag);
  EXPECT_EQ(r.top_line, 0);
  EXPECT_EQ(text_cursor_row(r), 20);
  TextDamage d;
  text_ring_put(r, 'y', false, d);
  EXPECT_TRUE(d.vbar);
  EXPECT_EQ(d.shift, 16);
  EXPECT_EQ(text_cursor_row(r), 4);
}

TEST(TextRing, TheSelectionJoinsLinesAndNeverCutsAPair) {
  TextRing r = make_ring(16, 80);
  r.lead_byte = lead_81;
  out(r, "hello\nworld\nagain\n\x81\x40x");
  EXPECT_EQ(text_selection(r, 0, 3, 2, 2), "lo\nworld\nag");
  EXPECT_EQ(text_selection(r, 2, 2, 0, 3), "lo\nworld\nag");
  EXPECT_EQ(text_selection(r, 1, 0, 1, 99), "world");
  EXPECT_EQ(text_selection(r, 3, 1, 3, 2), "\x81\x40");
  EXPECT_EQ(text_selection(r, 3, 0, 3, 1), "\x81\x40");
  EXPECT_EQ(text_selection(r, 1, 2, 1, 2), "");
}

TEST(TextRing, AResizeCountsTheWidestLineAgain) {
  TextRing r = make_ring(16, 80);
  out(r, "1234567890\nabc\n");
  text_ring_resize(r, 4, 2);
  EXPECT_EQ(r.widest, 10);
  EXPECT_EQ(text_hbar(r).maximum, 9);
  EXPECT_EQ(text_hbar(r).slider, 3);
  EXPECT_EQ(text_buffer_size(512), 32768);
  EXPECT_EQ(text_buffer_size(1 << 30), kTextCapacityMax * 64);
}

}  // namespace
