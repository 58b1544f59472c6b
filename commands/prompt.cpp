// Text output and the prompt area.
//
// The prompt area is a band of 1 to 5 text lines at the bottom of the graphics
// window, drawn by the driver itself when the client asked for one and no
// command area replaces it. Its lines are kept in PromptBuffer so that they
// can be drawn again when the area scrolls or is laid out anew.
#include "commands/prompt.h"

#include <cstdio>
#include <cstring>

#include "base/build.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "commands/commands.h"
#include "commands/status_line.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/wrappers.h"
#include "ui/graph_window.h"
#include "ui/side_menu.h"
#include "ui/status_bar.h"
#include "ui/text_window.h"

CharPacket char_pkt;
char charbf[kCharBufferSize];
int charbf_count;
int tcursx, tcursy;

char MenuTextPtr[kMenuBoxesMax][kMenuTextSize];

char PromptBuffer[kPromptLinesMax][kPromptLineSize];
PromptPen prompt_pen;

int text_echo, no_echo;
int KESTRILA_MODE;

char mode_str[256];

namespace {

// The character ptext draws in place of the client's command-line character.
constexpr char check = 'X';

// The log's current line.
char log_line[256];
int log_count;

// A Shift-JIS lead byte of pwrsplit waiting for its second byte.
int kanji_lead;
int kanji_pending;
int kanji_code;

// The prompt area's text stands in the front and back buffer alike.
void select_prompt_drawing() {
  SelectScreenMatrix();
  SelectBothBuffers();
}

int prompt_background() { return ConfigColor(kWordColourTextBack); }
int prompt_text_colour() { return ConfigColor(kWordColourText); }

// One character string drawn at (x, y).
void draw_char(int ch, int x, int y) {
  const char s[2] = {static_cast<char>(ch), '\0'};
  cmov2i(x, y);
  MyCharstr(s);
}

// Where the blanks of a tab and the line end of a wrap go: for the driver's
// own output back through wrsplit, so that the log and the echo get them as
// they get every other character; for the client's prompt text, which
// pwrsplit has logged and echoed already, into the area alone.
using PromptSink = void (*)(int ch);

void prompt_area_char(int ch, PromptSink more);
void prompt_area_only(int ch) { prompt_area_char(ch, prompt_area_only); }

// Lines of the prompt area move up one; the bottom line starts empty.
void scroll_prompt_area() {
  PromptPen &pen = prompt_pen;
  const int lines = prompt_line_count();
  PromptCursor(0);
  // One line up: the pen comes back to the bottom line's start.
  pen.y = CharDescender;
  pen.x = CharWidth;
  pen.column = 0;
  select_prompt_drawing();
  if (lines == 1) {
    pen.line = 0;
    PromptBuffer[0][0] = '\0';
    FilledBox(0, 0, xsize - 1, CharHeight - 1, prompt_background(), 0);
  } else {
    std::memmove(PromptBuffer[0], PromptBuffer[1], sizeof PromptBuffer - sizeof PromptBuffer[0]);
    PromptBuffer[kPromptLinesMax - 1][0] = '\0';
    PromptBuffer[lines - 1][0] = '\0';
    pen.line = lines - 1;
    FilledBox(0, 0, xsize - 1, lines * CharHeight - 1, prompt_background(), 0);
    MyColor(prompt_text_colour());
    for (int i = 0; i < lines; ++i) {
      if (PromptBuffer[i][0] == '\0') continue;
      cmov2i(CharWidth, (lines - 1 - i) * CharHeight + CharDescender);
      MyCharstr(PromptBuffer[i]);
    }
  }
  PromptCursor(1);
}

// A printable byte at the pen; wraps first at the window's right edge and
// before the line's buffer is full.
void put_prompt_char(int ch, PromptSink more) {
  PromptPen &pen = prompt_pen;
  if (pen.x >= xsize - CharWidth || pen.column >= kPromptLineSize - 1) {
    more('\r');
    more('\n');
    // A window too narrow to move on (no character cell) drops the rest.
    if (pen.column >= kPromptLineSize - 1) return;
  }
  char *text = PromptBuffer[pen.line];
  text[pen.column] = static_cast<char>(ch);
  text[pen.column + 1] = '\0';
  ++pen.column;
  PromptCursor(0);
  MyColor(prompt_text_colour());
  draw_char(ch, pen.x, pen.y);
  pen.x += CharWidth;
  pen.line_used = 1;
  PromptCursor(1);
}

// One character into the drawn prompt area; the characters it makes of it
// go to more.
void prompt_area_char(int ch, PromptSink more) {
  PromptPen &pen = prompt_pen;
  ch &= 0xFF;
  switch (ch) {
    case 0:
      return;
    case 7: {
      const char bell = 7;
      std::fwrite(&bell, 1, 1, stdout);
      std::fflush(stdout);
      break;
    }
    case 8:
      if (pen.x > CharWidth) {
        PromptCursor(0);
        pen.x -= CharWidth;
        if (pen.column > 0) --pen.column;
        PromptBuffer[pen.line][pen.column] = '\0';
        PromptCursor(1);
      }
      break;
    case 9:
      // Spaces up to the next multiple of 8 pixels; every step repeats after
      // at most 8 cells, so no more are ever needed (and a window too narrow
      // for any column cannot loop).
      for (int n = 0; n < 8; ++n) {
        more(' ');
        if (pen.x % 8 == 0) break;
      }
      break;
    case 10:
      if (!pen.line_used) break;
      if (pen.cursor_on) {
        PromptCursor(0);
        pen.cursor_on = 0;
      }
      pen.y -= CharHeight;
      pen.line_used = 0;
      ClearPromptLine();
      ++pen.line;
      pen.column = 0;
      break;
    case 13:
      if (pen.x > CharWidth) {
        PromptCursor(0);
        pen.x = CharWidth;
        pen.column = 0;
      }
      break;
    default:
      put_prompt_char(ch, more);
      return;
  }
  if (pen.y < 0 || pen.line >= prompt_line_count()) scroll_prompt_area();
}

// A pwrsplit character or Echo's character to a text area or output_fd.
void text_window_out(int code, bool local) {
  if (output_fd != nullptr) {
    char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code)};
    if (code > 0xFF)
      std::fwrite(bytes, 1, 2, output_fd);
    else
      std::fwrite(bytes + 1, 1, 1, output_fd);
    std::fflush(output_fd);
  } else if (text_window_info != nullptr) {
    if (local)
      text_out_use_local(text_window_info, code);
    else
      tw_text_out(text_window_info, code);
  }
}

// A text drawn while screen boxes are pushed is kept for the repaint.
void record_ptext(const char *text, int x, int y, int colour, int background, int flags) {
  AUIRecord *record = GetAUIListPtr();
  if (record == nullptr) return;
  const std::size_t n = std::strlen(text) + 1;
  char *copy = static_cast<char *>(MyMalloc(n));
  if (copy == nullptr) return;
  std::memcpy(copy, text, n);
  record->type = kAUIText;
  record->x1 = x;
  record->y1 = y;
  record->colour = colour;
  record->background = background;
  record->flags = flags;
  record->text = copy;
  StoreAUIListPtr();
}

// ptext's flags bits 0-1: 1 swaps the colours, 2 draws the text in colour 8,
// 3 draws it in the background colour on colour 8.
void label_colours(int flags, int *colour, int *background) {
  switch (flags & 3) {
    case 1: {
      int t = *colour;
      *colour = *background;
      *background = t;
      break;
    }
    case 2:
      *colour = 8;
      break;
    case 3:
      *colour = *background;
      *background = 8;
      break;
    default:
      break;
  }
}

}  // namespace

int prompt_line_count() {
  int lines = cfr.word(kWordPromptLines);
  if (lines < 1) return 1;
  if (lines > kPromptLinesMax) return kPromptLinesMax;
  return lines;
}

// ---- the character buffer ---------------------------------------------------------

void init_pchar(int x, int y) {
  tcursx = x;
  tcursy = y;
  charbf_count = 0;
  charbf[0] = '\0';
}

int pchar(Packet &p) {
  if (char_pkt.opcode == 20) {
    char_pkt.first = p.i16(2);
    std::uint8_t bytes[6];
    Packet copy(bytes, sizeof bytes, sizeof bytes);
    copy.put_u16(0, char_pkt.opcode);
    copy.put_i16(2, char_pkt.first);
    copy.put_i16(4, char_pkt.second);
    pwrsplit(copy);
    return 0;
  }
  if (charbf_count < kCharBufferSize - 1) {
    charbf[charbf_count++] = static_cast<char>(p.i16(2));
    charbf[charbf_count] = '\0';
  }
  return 0;
}

int pechar(Packet &) {
  charbf[charbf_count] = '\0';
  if (use_localsidemenu) {
    sm_set_box_label(char_pkt.first, charbf, charbf_count);
    charbf_count = 0;
    return 0;
  }
  charbf_count = 0;
  if (pboxno < 0 || pboxno >= maxboxes || pboxno >= kMenuBoxesMax) return 0;

  // The slot holds at most 15 characters, whatever the menu width says.
  int width = cfr.word(kWordMenuWidth);
  if (width < 0) width = 0;
  if (width > kMenuTextSize - 1) width = kMenuTextSize - 1;
  bounded_copy(MenuTextPtr[pboxno], charbf, static_cast<std::size_t>(width) + 1);

  SelectScreenMatrix();
  FilledBox(tcursx, tcursy - CharDescender, xsize - 1, tcursy + CharHeight - CharDescender - 1, prompt_background(),
            0);
  MyColor(prompt_text_colour());
  cmov2i(tcursx + 3, tcursy);
  MyCharstr(MenuTextPtr[pboxno]);
  return 0;
}

// ---- the prompt area ------------------------------------------------------------------

void init_wrsplit() {
  PromptPen &pen = prompt_pen;
  pen.line_used = 0;
  pen.x = CharWidth;
  pen.y = (prompt_line_count() - 1) * CharHeight + CharDescender;
  pen.line = 0;
  pen.column = 0;
  no_echo = 0;
  text_echo = cfr.word(kWordScreenMode) == 1 || cfr.word(kWordScreenMode) == 2;
}

void ResetPromptBuffers() {
  charbf_count = 0;
  charbf[0] = '\0';
  mode_str[0] = '\0';
  coord_str[0] = '\0';
  std::memset(PromptBuffer, 0, sizeof PromptBuffer);
  prompt_pen.line = 0;
  prompt_pen.column = 0;
}

void clear_prompt_area() {
  if (!PromptArea) return;
  select_prompt_drawing();
  FilledBox(0, 0, xsize - 1, ymin - 2, prompt_background(), 0);
}

void ClearPromptLine() {
  if (!PromptArea) return;
  select_prompt_drawing();
  // The line's cells and the row above them.
  const int y = prompt_pen.y - CharDescender;
  FilledBox(0, y, xsize - 1, y + CharHeight, prompt_background(), 0);
}

void PromptCursor(int on) {
  prompt_pen.cursor_on = on;
  if (!PromptArea) return;
  select_prompt_drawing();
  const int x1 = prompt_pen.x, x2 = x1 + CharWidth - 1;
  const int y1 = prompt_pen.y - CharDescender, y2 = y1 + CharHeight - 1;
  if (!on) {
    FilledBox(x1, y1, x2, y2, prompt_background(), 0);
  } else if (cursor_in_window == 0) {
    // The pointer is elsewhere: a hollow cursor.
    const int fg = prompt_text_colour();
    FilledBox(x1, y1, x2, y2, prompt_background(), 0);
    FilledBox(x1, y1, x2, y1, fg, 0);
    FilledBox(x1, y2, x2, y2, fg, 0);
    FilledBox(x1, y1, x1, y2, fg, 0);
    FilledBox(x2, y1, x2, y2, fg, 0);
  } else {
    FilledBox(x1, y1, x2, y2, prompt_text_colour(), 0);
  }
}

void wrsplit(int ch) {
  if (log_fd != nullptr) log_char(ch);
  if (no_echo) return;
  Echo(ch);
  if (!PromptArea) return;
  prompt_area_char(ch, wrsplit);
}

void Echo(int ch) {
  ch &= 0xFF;
  if (use_localtext && command_lines_info != nullptr) tw_text_out(command_lines_info, ch);
  if (text_echo || textmode) text_window_out(ch, false);
}

// ---- the client's prompt characters ----------------------------------------------------

int pwrsplit(Packet &p) {
  const int low = p.i16(2) & 0xFF;
  if constexpr (kSecondBuild) {
    // One byte a character, through the prompt-area writer; DEL is dropped.
    if (low != 127) wrsplit(low);
    return 0;
  }
  if (isfirstkanji(low) && !kanji_pending) {
    kanji_lead = low;
    kanji_pending = 1;
    return 0;
  }
  kanji_code = kanji_lead << 8 | low;
  p.put_i16(2, kanji_code);
  kanji_lead = 0;
  kanji_pending = 0;
  const bool two_bytes = kanji_code > 0xFF;

  if (command_lines_info != nullptr) text_out_use_local(command_lines_info, kanji_code);
  if (text_echo || textmode) text_window_out(kanji_code, true);
  // Without a command area the prompt area is where the client's prompt shows.
  if (PromptArea && !no_echo) {
    if (two_bytes) prompt_area_only(kanji_code >> 8);
    prompt_area_only(kanji_code);
  }

  if (log_fd != nullptr) {
    if (KESTRILA_MODE) {
      char log_buffer[4] = {};
      char log_euc_buff[4] = {};
      if (two_bytes) {
        log_buffer[0] = static_cast<char>(kanji_code >> 8);
        log_buffer[1] = static_cast<char>(kanji_code);
      } else {
        log_buffer[0] = static_cast<char>(kanji_code);
      }
      sjis_text_to_euc(log_euc_buff, log_buffer, sizeof log_euc_buff);
      if (log_euc_buff[0] != '\0') log_char(static_cast<unsigned char>(log_euc_buff[0]));
      if (log_euc_buff[0] != '\0' && log_euc_buff[1] != '\0')
        log_char(static_cast<unsigned char>(log_euc_buff[1]));
    } else {
      if (two_bytes) log_char(kanji_code >> 8 & 0xFF);
      log_char(kanji_code & 0xFF);
    }
  }
  return 0;
}

int ptprompt(Packet &) {
  char_pkt.opcode = 20;
  PromptCursor(1);
  return 0;
}

// ---- the log ------------------------------------------------------------------------------

int log_char(int ch) {
  ch &= 0xFF;
  if (ch == 8) {
    if (log_count > 0) --log_count;
    return 1;
  }
  if (ch == 13) ch = 10;
  if (ch == 10 && log_count == 0) return 1;
  log_line[log_count++] = static_cast<char>(ch);
  if (ch == 10 || log_count == static_cast<int>(sizeof log_line)) flush_log_line();
  return 1;
}

void flush_log_line() {
  if (log_count > 0) write_log(log_line, static_cast<std::size_t>(log_count));
  log_count = 0;
}

// ---- the menu cursor -------------------------------------------------------------------------

int pmnucurs(Packet &p) {
  char_pkt.opcode = p.u16(0);
  char_pkt.first = p.i16(2);
  char_pkt.second = p.i16(4);
  pboxno = p.i16(2);
  init_pchar(Pkinit.field[kPkinitWidth] + 2, ymax - (pboxno + 1) * CharHeight + CharDescender);
  if (use_localsidemenu) sm_create_boxes(p.i16(4));
  return 0;
}

// ---- mode line -------------------------------------------------------------------------------

int pmodeline(Packet &p) {
  const int word = p.i16(2);
  mode_flags = word >> 8;
  const int colour = p.i16(4);
  char text[256];
  // The length byte never reaches past the packet.
  int length = static_cast<int>(p.copy_text(6, text, sizeof text));
  if ((word & 0xFF) < length) length = word & 0xFF;
  text[length] = '\0';
  if (use_localstatus) {
    st_modeline(colour, length, text, mode_flags);
    return 0;
  }
  if ((word & 0xFF) != 0) std::memcpy(mode_str, text, static_cast<std::size_t>(length) + 1);
  GL_Status_Line.box_colour = colour;
  UpdateStatusLine(&GL_Status_Line, 0);
  return 0;
}

// ---- text in the graphics window ---------------------------------------------------------------

void DrawBoxLabel(const char *text, int x, int y, int colour, int background, int flags) {
  SelectScreenMatrix();
  const int n = static_cast<int>(std::strlen(text));
  if (!(flags & 4) && n > 0)
    FilledBox(x, y - CharDescender, x + n * CharWidth - 1, y - CharDescender + CharHeight - 1, background, 0);
  MyColor(colour);
  cmov2i(x, y);
  MyCharstr(text);
}

void AUI_ptext(const AUIRecord *record) {
  if (record == nullptr || record->text == nullptr) return;
  DrawBoxLabel(record->text, record->x1, record->y1, record->colour, record->background, record->flags);
}

int ptext(Packet &p) {
  const int px = p.i16(2), py = p.i16(4), flags = p.i16(6), length = p.i16(8);
  int x, y;
  if (flags & 8) {
    x = px;
    y = ysize - CharHeight - py + CharDescender;
  } else {
    x = px * CharWidth;
    y = ysize - CharHeight - py * CharHeight + CharDescender;
  }
  int background = DrawingColorIndex(p.i16(10));
  int colour = DrawingColorIndex(p.i16(12));
  label_colours(flags, &colour, &background);

  char text[256];
  const std::size_t present = p.size() > 14 ? p.size() - 14 : 0;
  if (length < 1) {
    p.copy_text(14, text, sizeof text);
  } else {
    // n places, cut to the buffer and to the packet; a NUL ends the text and
    // blanks fill the rest of the places.
    std::size_t n = static_cast<std::size_t>(length);
    if (n > sizeof text - 1) n = sizeof text - 1;
    if (n > present) n = present;
    std::size_t k = p.copy_text(14, text, n + 1);
    std::memset(text + k, ' ', n - k);
    text[n] = '\0';
  }
  if (cmchar != 0)
    for (char *c = text; *c != '\0'; ++c)
      if (static_cast<unsigned char>(*c) == static_cast<unsigned>(cmchar & 0xFF)) *c = check;

  if (cfr.word(kWordRefreshList) && pushcount != 0) record_ptext(text, x, y, colour, background, flags);
  DrawBoxLabel(text, x, y, colour, background, flags);
  return 0;
}
