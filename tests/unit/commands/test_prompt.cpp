// The prompt area and the text packets against an off-screen context.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "adi/main_loop.h"
#include "adi/screen_mode.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"
#include "support/test_packet.h"
#include "ui/graph_window.h"

namespace {

constexpr int kBg = 20, kFg = 21, kWhite = 7, kDrawingBg = 22, CW = 8, CH = 13, CD = 3;
constexpr std::uint32_t kBgRGB = 0x0000FF, kFgRGB = 0xFFFF00, kWhiteRGB = 0xFFFFFF, kDrawingBgRGB = 0x00FF00;

// A packet in a buffer of its own, longer than the packet so that reads past
// its length would see the poison.

// A packet whose bytes past its length are 'Z', with text at byte at.
TestPacket packet(int opcode, std::size_t length, const char *text = nullptr, std::size_t at = 0) {
  TestPacket t(opcode, length, {}, 'Z');
  if (text) t.text(at, text);
  return t;
}

std::string read_all(FILE *f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
  return s;
}

class PromptTest : public ::testing::Test {
 protected:
  int W = 320, H = 120;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;

  void SetUp() override { open(320, 120, 3); }
  void TearDown() override {
    flush_log_line();
    for (FILE **f : {&log_fd, &output_fd})
      if (*f) std::fclose(*f), *f = nullptr;
    kgl_offscreen_destroy(ctx);
    PromptArea = maxboxes = pboxno = pushcount = cmchar = textmode = text_echo = no_echo = 0;
    CurrentMatrixNumber = -1;
    char_pkt = {};
  }

  // A fresh window with a cleared prompt area of the given lines.
  void open(int width, int height, int lines) {
    if (ctx) kgl_offscreen_destroy(ctx);
    W = width, H = height;
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    xsize = W, ysize = H, CharWidth = CW, CharHeight = CH, CharDescender = CD, PromptArea = 1;
    cfr.word(kWordScreenMode) = 0, cfr.word(kWordColourGraphics) = kDrawingBg, cfr.word(kWordColourTextBack) = kBg, cfr.word(kWordColourText) = kFg, cfr.word(kWordDoubleBuffer) = 0;
    cfr.word(kWordPromptLines) = lines;
    ymin = (lines * CH + 2) & ~1;
    const float rgb[][3] = {{0, 0, 1}, {1, 1, 0}, {0, 1, 0}, {1, 1, 1}};
    for (int i = 0; i < 3; ++i) std::memcpy(DisplayMap[kBg + i], rgb[i], sizeof rgb[i]);
    std::memcpy(DisplayMap[kWhite], rgb[3], sizeof rgb[3]);
    cursor_in_window = 2;
    use_localtext = use_localsidemenu = use_localstatus = 0;
    draw_mode = KGL_NORMALDRAW;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, static_cast<float>(W - 1), 0, static_cast<float>(H - 1));
    getmatrix(ScreenMatrix);
    CurrentMatrixNumber = -1;
    ResetPromptBuffers();
    init_wrsplit();
    clear_prompt_area();
  }

  static void write(const std::string &text) {
    for (unsigned char c : text) wrsplit(c);
  }
  // The lowest row of prompt line i (0 the top line).
  int band(int i) const { return (cfr.word(kWordPromptLines) - 1 - i) * CH; }
  std::vector<std::uint32_t> shot(int x1, int y1, int x2, int y2) const {
    std::vector<std::uint32_t> out;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) out.push_back(kgl_read_composited(x, y));
    return out;
  }
  std::vector<std::uint32_t> area() const { return shot(0, 0, W - 1, ymin - 2); }
  static int count(int x1, int y1, int x2, int y2, std::uint32_t rgb) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += kgl_read_composited(x, y) == rgb;
    return n;
  }
};

TEST_F(PromptTest, TextGoesOnTheTopLineOfTheClearedBand) {
  EXPECT_EQ(count(0, 0, W - 1, ymin - 2, kBgRGB), W * (ymin - 1));
  EXPECT_EQ(count(0, ymin - 1, W - 1, H - 1, kBgRGB), 0);
  write("AB");
  EXPECT_STREQ(PromptBuffer[0], "AB");
  EXPECT_GT(count(CW, band(0), 3 * CW - 1, band(0) + CH - 1, kFgRGB), 10);
  // The solid cursor in the next cell; the lines below untouched.
  EXPECT_EQ(count(3 * CW, band(0), 4 * CW - 1, band(0) + CH - 1, kFgRGB), CW * CH);
  EXPECT_EQ(count(0, 0, W - 1, band(1) + CH - 1, kBgRGB), W * 2 * CH);
}

TEST_F(PromptTest, LineFeedsReturnsAndBackspaces) {
  write("\nA\n\nB");  // empty lines never appear
  EXPECT_EQ(prompt_pen.line, 1);
  EXPECT_STREQ(PromptBuffer[0], "A");
  EXPECT_STREQ(PromptBuffer[1], "B");

  // A line feed clears the new line and the row above it, the lowest row of
  // the line it leaves.
  PromptCursor(0);
  FilledBox(0, band(1), W - 1, band(1) + CH - 1, kFg, 0);
  write("\n");
  EXPECT_EQ(count(0, band(1) + 1, W - 1, band(1) + CH - 1, kFgRGB), W * (CH - 1));
  EXPECT_EQ(count(0, band(2), W - 1, band(1), kBgRGB), W * (CH + 1));

  // A return rewrites from the left; the old text stays until overwritten.
  write("ABC\rX");
  EXPECT_STREQ(PromptBuffer[2], "X");
  EXPECT_GT(count(3 * CW, band(2), 4 * CW - 1, band(2) + CH - 1, kFgRGB), 0);
  write("\b\b\r");  // the second backspace and the return are at the first column
  EXPECT_STREQ(PromptBuffer[2], "");
  EXPECT_EQ(prompt_pen.x, CW);
}

TEST_F(PromptTest, ScrollingGivesThePictureOfTheLinesWrittenAfresh) {
  write("one\r\ntwo\r\nthree\r\n");
  EXPECT_STREQ(PromptBuffer[0], "two");
  EXPECT_STREQ(PromptBuffer[1], "three");
  EXPECT_STREQ(PromptBuffer[2], "");
  EXPECT_EQ(prompt_pen.y, CD);
  write("four");
  const std::vector<std::uint32_t> scrolled = area();
  open(W, H, 3);
  write("two\r\nthree\r\nfour");
  EXPECT_EQ(area(), scrolled);

  // One line: a line feed clears it and starts again at its left.
  open(W, H, 1);
  write("abc\r\n");
  EXPECT_STREQ(PromptBuffer[0], "");
  EXPECT_EQ(count(0, 0, W - 1, CH - 1, kBgRGB), W * CH - CW * CH);  // the cursor
  // Five lines scroll within the buffer.
  open(W, 200, 5);
  for (char c = 'a'; c <= 'l'; ++c) write(std::string(1, c) + "\r\n");
  write("z");
  EXPECT_STREQ(PromptBuffer[0], "i");
  EXPECT_STREQ(PromptBuffer[4], "z");
}

TEST_F(PromptTest, TabsAndWrapping) {
  CharWidth = 9;
  init_wrsplit();
  write("\t");
  EXPECT_EQ(prompt_pen.x, 72);
  EXPECT_STREQ(PromptBuffer[0], "       ");
  // A window too narrow for one column must not loop on a tab.
  xsize = 12;
  write("\t\t");
  EXPECT_LE(prompt_pen.column, 8);

  // 38 cells fit from x = 8 while x < 312; the 39th wraps before it is drawn.
  open(W, H, 3);
  write(std::string(38, 'a') + "b");
  EXPECT_EQ(std::strlen(PromptBuffer[0]), 38u);
  EXPECT_STREQ(PromptBuffer[1], "b");
  EXPECT_EQ(count(W - CW, band(0), W - 1, band(0) + CH - 1, kBgRGB), CW * CH);

  // A wide window wraps before a line's 256-byte buffer is full.
  open(2400, 60, 2);
  write(std::string(300, 'w'));
  EXPECT_EQ(std::strlen(PromptBuffer[0]), 255u);
  EXPECT_EQ(std::strlen(PromptBuffer[1]), 45u);
}

TEST_F(PromptTest, TheCursorOnAndOffLeavesThePictureAsItWas) {
  write("abc");
  PromptCursor(0);
  const std::vector<std::uint32_t> before = area();
  PromptCursor(1);
  EXPECT_NE(area(), before);
  PromptCursor(0);
  EXPECT_EQ(area(), before);
  // With the pointer outside the window the cursor is hollow.
  cursor_in_window = 0;
  PromptCursor(1);
  const int x = prompt_pen.x, y = prompt_pen.y - CD;
  EXPECT_EQ(kgl_read_composited(x + CW - 1, y + CH - 1), kFgRGB);
  EXPECT_EQ(count(x + 1, y + 1, x + CW - 2, y + CH - 2, kBgRGB), (CW - 2) * (CH - 2));
  PromptCursor(0);
  EXPECT_EQ(area(), before);
}

TEST_F(PromptTest, TheLog) {
  log_fd = std::tmpfile();
  for (int c : {'\n', 'a', 'b', 'x', '\b', '\r', '\n', '\b'}) log_char(c);
  EXPECT_EQ(read_all(log_fd), "ab\n");
  for (int i = 0; i < 300; ++i) log_char('q');
  EXPECT_EQ(read_all(log_fd).size(), 3u + 256u);
  log_char('\n');
  // The blank of a tab stop (x 8 to 16) and the line end of a wrap are
  // logged like every other character. 37 cells from x 16 fit; the 38th is
  // logged before the wrap it causes.
  const std::string tab_and_wrap = "\t " + std::string(38, 'k') + "\n" + std::string(2, 'k') + "\n";
  write("\t" + std::string(40, 'k') + "\n");
  EXPECT_EQ(read_all(log_fd), "ab\n" + std::string(300, 'q') + "\n" + tab_and_wrap);
  // Without a prompt area the log still gets the text.
  PromptArea = 0;
  write("z\n");
  EXPECT_EQ(read_all(log_fd).substr(3 + 301 + tab_and_wrap.size()), "z\n");
}

TEST_F(PromptTest, EchoGoesToTheOutputStreamWhenEchoingOrOnTheTextScreen) {
  output_fd = std::tmpfile();
  write("a");
  text_echo = 1;
  write("b");
  text_echo = 0, textmode = 1;
  write("c");
  text_echo = 1, no_echo = 1;
  write("d");
  EXPECT_EQ(read_all(output_fd), "bc");
  EXPECT_STREQ(PromptBuffer[0], "abc");  // no_echo also keeps it off the screen
  // A tab's blank (x 32 to 40) and the line end of a wrap are echoed too:
  // 34 cells from x 40 fit, the 35th is echoed before its wrap.
  no_echo = 0;
  write("\t" + std::string(36, 'k'));
  EXPECT_EQ(read_all(output_fd), "bc\t " + std::string(35, 'k') + "\r\n" + std::string(1, 'k'));
}

TEST_F(PromptTest, PcharCollectsAtMost255CharactersUntilPtprompt) {
  TestPacket c = packet(9, 4);
  c.p.put_i16(2, 'm');
  char_pkt = {13, 0, 0};
  for (int i = 0; i < 300; ++i) pchar(c.p);
  EXPECT_EQ(charbf_count, 255);
  EXPECT_EQ(std::strlen(charbf), 255u);

  log_fd = std::tmpfile();
  TestPacket t = packet(14, 2);
  EXPECT_EQ(ptprompt(t.p), 0);
  for (char ch : std::string("Hi:\r\n")) c.p.put_i16(2, ch), pchar(c.p);
  EXPECT_STREQ(PromptBuffer[0], "Hi:");
  EXPECT_EQ(prompt_pen.line, 1);
  EXPECT_EQ(read_all(log_fd), "Hi:\n");
}

TEST_F(PromptTest, PwrsplitPairsAShiftJisLeadByteWithTheNext) {
  log_fd = std::tmpfile();
  TestPacket lead = packet(20, 4), trail = packet(20, 4);
  lead.p.put_i16(2, 0x82);
  trail.p.put_i16(2, 0xA0);
  pwrsplit(lead.p);
  EXPECT_EQ(read_all(log_fd), "");
  pwrsplit(trail.p);
  EXPECT_EQ(trail.p.u16(2), 0x82A0);
  log_char('\n');
  EXPECT_EQ(read_all(log_fd), "\x82\xA0\n");
  EXPECT_STREQ(PromptBuffer[0], "\x82\xA0");
}

TEST_F(PromptTest, AMenuLabelTakesAtMostItsSlot) {
  maxboxes = 6, pboxno = 2;
  cfr.word(kWordMenuWidth) = 40;
  char_pkt = {13, 2, 6};
  init_pchar(200, 80);
  TestPacket c = packet(9, 4), e = packet(10, 2);
  for (char ch : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) c.p.put_i16(2, ch), pchar(c.p);
  pechar(e.p);
  EXPECT_STREQ(MenuTextPtr[2], "ABCDEFGHIJKLMNO");
  EXPECT_STREQ(MenuTextPtr[3], "");
  // The row is cleared to the right edge and the label drawn in it.
  EXPECT_EQ(count(200, 77, W - 1, 89, kBgRGB) + count(200, 77, W - 1, 89, kFgRGB), (W - 200) * CH);
  EXPECT_GT(count(203, 77, W - 1, 89, kFgRGB), 0);
  // Boxes outside the menu take nothing.
  for (int box : {-1, 6, 70}) {
    pboxno = box;
    c.p.put_i16(2, 'Q');
    pchar(c.p);
    pechar(e.p);
  }
  for (const char *slot : MenuTextPtr) EXPECT_EQ(std::strchr(slot, 'Q'), nullptr);
}

// ptext: x, y, flags, length, background, colour and the text at 14.
TestPacket text_packet(int x, int y, int flags, int length, int bg, int fg, const char *text, std::size_t size) {
  TestPacket p = packet(31, size, text, 14);
  p.p.put_i16(2, x), p.p.put_i16(4, y), p.p.put_i16(6, flags);
  p.p.put_i16(8, length), p.p.put_i16(10, bg), p.p.put_i16(12, fg);
  return p;
}

TEST_F(PromptTest, PtextPlacesColoursAndBounds) {
  auto row = [&](int baseline) { return H - CH - baseline + CD; };  // y from the top
  // Ten places on colour 7 (code -19), the blanks after "AB" included.
  TestPacket a = text_packet(10, row(60), 8, 10, -19, kFg, "AB", 32);
  ptext(a.p);
  EXPECT_EQ(kgl_read_composited(10 + 10 * CW - 1, 57), kWhiteRGB);
  EXPECT_NE(kgl_read_composited(10 + 10 * CW, 57), kWhiteRGB);
  // A length of 200 in a 20-byte packet: the six characters present.
  TestPacket b = text_packet(0, row(80), 8, 200, kWhite, kFg, "abcdef", 20);
  ptext(b.p);
  EXPECT_EQ(kgl_read_composited(6 * CW - 1, 77), kWhiteRGB);
  EXPECT_EQ(kgl_read_composited(6 * CW, 77), 0u);
  // Character cells, colour 0 the drawing background; flags 4 no background.
  TestPacket c = text_packet(0, 0, 0, 3, 0, kFg, "xyz", 32);
  ptext(c.p);
  EXPECT_EQ(kgl_read_composited(3 * CW - 1, H - CH), kDrawingBgRGB);
  TestPacket d = text_packet(200, row(60), 8 | 4, 0, kWhite, kFg, "ab", 32);
  ptext(d.p);
  EXPECT_EQ(count(200, 57, 215, 69, kWhiteRGB), 0);
  // The command-line character is drawn as a check mark.
  cmchar = '_';
  TestPacket e = text_packet(100, row(100), 8, 0, kWhite, kFg, "a_b", 32);
  ptext(e.p);
  cmchar = 0;
  TestPacket f = text_packet(100, row(80), 8, 0, kWhite, kFg, "aXb", 32);
  ptext(f.p);
  EXPECT_EQ(shot(100, 97, 123, 109), shot(100, 77, 99 + 24, 89));
}

TEST_F(PromptTest, PtextInsideAPushedBoxIsRecordedAndReplaysTheSame) {
  cfr.word(kWordRefreshList) = 1, cfr.word(kWordPageSize) = 4096, pushcount = 1;
  TestPacket p = text_packet(4, H - CH - 60 + CD, 8 | 1, 5, kWhite, kFg, "rec", 32);
  ptext(p.p);
  const std::vector<std::uint32_t> drawn = shot(0, 40, W - 1, 80);
  ASSERT_NE(AUI_ListHead, nullptr);
  const AUIRecord &r = AUI_ListHead->records()[0];
  EXPECT_EQ(r.type, kAUIText);
  EXPECT_STREQ(r.text, "rec  ");
  EXPECT_EQ(r.colour, kWhite);  // flags 1 swapped the colours
  FilledBox(0, 40, W - 1, 80, 0, 0);
  AUI_ptext(&r);
  EXPECT_EQ(shot(0, 40, W - 1, 80), drawn);
  Free_AUI_List();
}

TEST_F(PromptTest, ModeLineTextIsCutAtItsLengthAndThePacket) {
  TestPacket p = packet(21, 14, "ABCDEFG", 6);
  p.p.put_i16(2, static_cast<std::int16_t>(0xFE05));
  p.p.put_i16(4, 3);
  pmodeline(p.p);
  EXPECT_EQ(mode_flags, -2);
  EXPECT_STREQ(mode_str, "ABCDE");
  EXPECT_EQ(GL_Status_Line.box_colour, 3);
  TestPacket q = packet(21, 9, "XYZWVU", 6);
  q.p.put_i16(2, 50);
  pmodeline(q.p);
  EXPECT_STREQ(mode_str, "XYZ");
  TestPacket r = packet(21, 8);  // length 0 keeps the text
  pmodeline(r.p);
  EXPECT_STREQ(mode_str, "XYZ");
}

}  // namespace
