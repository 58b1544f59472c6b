// Screen switching: the graphics and the text screen, the text-screen packets
// and the screen-menu highlight.
#include "adi/screen_mode.h"

#include <string_view>

#include "adi/main_loop.h"
#include "adi/session.h"
#include "base/build.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "build2/gfx.h"
#include "commands/commands.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "config/config_menus.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/vectors.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/side_menu.h"
#include "ui/text_window.h"

namespace {

// The first switch to the graphics screen of the process clears the window.
int first_graphics = 1;
// The first blank side-menu box of the run of blank boxes the highlight is
// passing over, -1 for none.
int last_blank_hilite = -1;

constexpr char kTwentyFiveLineFeeds[] = "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n";
static_assert(sizeof kTwentyFiveLineFeeds == 26);

// The label of a highlighted item: no characters, or blanks only.
bool blank_label(const Packet &p) {
  std::string_view text = p.text(6);
  const int length = p.i16(4);
  if (length < 0)
    text = {};
  else if (static_cast<std::size_t>(length) < text.size())
    text = text.substr(0, static_cast<std::size_t>(length));
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

void SetScreenMode(int graphics) {
  if (cfr.word(kWordScreenMode) == 2) {
    if (graphics)
      pop_gfx_window();
    else
      pop_txt_window();
  }
  textmode = graphics ? 0 : 1;
}

int GetScreenMode() { return cfr.word(kWordScreenMode) == 1 || cfr.word(kWordScreenMode) == 3; }

int is_scroll_lock() { return 0; }
int is_num_lock() { return 1; }
int is_caps_lock() { return 1; }
void init_functions() {}

void reset_blank_highlight() { last_blank_hilite = -1; }

int pgograph(Packet &p) {
  graph_cursor(system_cursor ? 0 : 1);
  if constexpr (kSecondBuild) gfxSetDrawMode(0);
  if (first_graphics) {
    first_graphics = 0;
    pop_gfx_window();
    SelectScreenMatrix();
    if constexpr (kSecondBuild) {
      gfxClearScreen(ConfigColor(kWordColourGraphics));
    } else {
      MyColor(ConfigColor(kWordColourGraphics));
      clear();
    }
  }
  SetScreenMode(1);
  if constexpr (kSecondBuild) {
    // The prompt lines and the pen survive the switch: the areas are laid out
    // and drawn again from the configuration.
    tempcfr = cfr;
    RedrawTextAreas();
  } else {
    DrawBorders();
    init_wrsplit();
    clear_prompt_area();
  }
  PromptCursor(1);
  if (afterpinit) {
    aftershell = 0;
    afterpinit = 0;
    if constexpr (kSecondBuild) p.put_u16(2, 0);
  }
  // What a driver command deferred while the text screen was up.
  OpenDeferredWindows();
  if constexpr (!kSecondBuild) p.put_i16(2, 4);
  return 1;
}

int pgotext(Packet &p) {
  if (txtdisp == nullptr)
    MyPrintf("%s", kTwentyFiveLineFeeds);
  else if (text_window_info != nullptr)
    tw_text_out(text_window_info, 12);
  return pgotextu(p);
}

int pgotextu(Packet &) {
  PromptCursor(0);
  Clear_UI(22);
  SetScreenMode(0);
  return 1;
}

int ptxtshow(Packet &p) {
  switch (p.i16(2)) {
    case 0: SetScreenMode(1); break;
    case 2: SetScreenMode(0); break;
    default: break;
  }
  return 1;
}

int ptxtchar(Packet &p) {
  const int ch = p.i16(2) & 0xFF;
  if (log_fd != nullptr) log_char(ch);
  keyboard_pressed = 0;
  Echo(ch);
  return 0;
}

int ptxtclr(Packet &) {
  MyPrintf("%s", kTwentyFiveLineFeeds);
  return 0;
}

int phlite(Packet &p) {
  if (!use_localsidemenu) {
    if (cfr.word(kWordRefreshList)) {
      MenuItemOn = 1;
      refresh_tcursx = tcursx;
      refresh_tcursy = tcursy;
    }
    menubar = 1;
    Clear_UI(22);
    draw_highlight_box(tcursy);
  } else {
    const int box = char_pkt.first;
    sm_hilite_box(box);
    if (!blank_label(p)) {
      last_blank_hilite = -1;
    } else if (box != last_blank_hilite) {
      // The highlight moves on over blank boxes until it comes round to the
      // first blank box of the run again (a menu of blank boxes only stops
      // there); an arrow key never pressed is not made up.
      if (last_blank_hilite == -1) last_blank_hilite = box;
      if (last_arrow_key != 0) queue_key(last_arrow_key);
    }
  }
  p.put_i16(2, 0);
  return 1;
}

int pdhlite(Packet &p) {
  if (!use_localsidemenu) {
    if (cfr.word(kWordRefreshList)) MenuItemOn = 0;
    draw_highlight_box(tcursy);
  } else {
    sm_dehilite_box(char_pkt.first);
  }
  p.put_i16(2, 0);
  return 1;
}
