// The driver's command interpreter.
//
// The client hands over the text of each command that belongs to the driver.
// The command table (whose names a support file may replace) gives its
// index; most commands change a setting, or count a request that the next
// string packet types into the client (a redraw, a zoom window, a pan).
//
// An argument follows the name as the table spells it: a number read as %d
// reads one, or a word of at most 63 characters. The name is compared
// literally, never built into a format, so a replaced name cannot carry
// conversions of its own.
#include "commands/commands.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/build.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/files.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "display/aui_records.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "image/snapshots.h"
#include "render3d/dview.h"
#include "render3d/faces.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/tumble.h"
#include "ui/context.h"
#include "ui/tool_bar.h"

int local_cmd;
FILE *log_fd;
int ZoomRequest;
int TextScreenConfig;

namespace {

// The log's file name, for what is said when it cannot be written.
char logname[PATH_MAX];

// The STATISTICS report: the display list's counts, the current viewport and
// the refresh and face lists, through the prompt-area writer.
void print_list_statistics() {
  const ListStatistics st = list_statistics();
  const int total = st.total;
  char line[256];
  MyPrints("\n********** ADI Display List statistics **********\n");
  std::snprintf(line, sizeof line, "\n- %s\n", dlist_kbytes());
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Polygons = %7d, Points = %7d, Vectors = %7d, Polyline segments = %7d\n",
                st.polygons, 0, st.vectors, st.polyline_segments);
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Total = %7d, Connected = %3d%%\n", total,
                static_cast<int>(static_cast<std::int64_t>(st.polyline_segments) * 100 / (total + 1)));
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Color changes = %7d, Polyline entities = %7d\n", st.colour_changes,
                st.polylines);
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Average polyline is %3d segments, longest polyline is %3d vertices\n",
                st.polyline_segments / (st.polylines ? st.polylines : 1), st.longest);
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Page hits = %3d%%, Entity hits = %3d%%\n",
                static_cast<int>(static_cast<std::int64_t>(st.page_hits) * 100 / (page_count + 1)),
                static_cast<int>(static_cast<std::int64_t>(st.entity_hits) * 100 / (total + 1)));
  MyPrints(line);
  const int current = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
  const ViewportRecord &vp = vp_info[current];
  std::snprintf(line, sizeof line, "- Current viewport is : %d\n", CurrentViewport);
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Logical coordinates : (%d, %d) - (%d, %d)\n", vp.view_x1, vp.view_y1,
                vp.view_x2, vp.view_y2);
  MyPrints(line);
  std::snprintf(line, sizeof line, "- Screen coordinates  : (%d, %d) - (%d, %d)\n", vp.x1, vp.y1, vp.x2, vp.y2);
  MyPrints(line);
  std::snprintf(line, sizeof line, "\n- Refresh pages: %d, Refresh entity count: %d", rpage_count, rentity_count);
  MyPrints(line);
  std::snprintf(line, sizeof line, "\n- 3D display list pages: %d, 3D entity count: %d", dpage_count,
                dentity_count);
  MyPrints(line);
}

// The command indices of the table.
enum Command : int {
  kPageSize = 0,
  kConfigure = 1,
  kPalette = 2,
  kPaletteT = 3,
  kRtOn = 4,
  kRtOnT = 5,
  kRtOff = 6,
  kRtOffT = 7,
  kBirdseye = 8,
  kBirdseyeT = 9,
  kRtBird = 10,
  kRtBirdT = 11,
  kClean = 12,
  kCleanT = 13,
  kZoomVx = 14,
  kZoomVxT = 15,
  kPanFirst = 16,  // PANRH to 'PANDF, 16 to 31
  kPanLast = 31,
  kStatistics = 32,
  kStatisticsT = 33,
  kCpOff = 34,  // CP_OFF to 'CP_ICON, 34 to 39
  kCpLast = 39,
  kHotpanFirst = 40,  // 40 to 43
  kHotpanLast = 43,
  kPickSpy = 44,
  kPickSpyT = 45,
  kAperSpy = 46,
  kAperSpyT = 47,
  kSpyOff = 48,
  kSpyOffT = 49,
  kWriteConfig = 50,
  kCleanOn = 51,
  kCleanOff = 52,
  kSingleScreen = 53,
  kDualScreen = 54,
  kDefaultScreen = 55,
  kRefreshOn = 56,
  kRefreshOff = 57,
  kDlistOn = 58,
  kDlistOff = 59,
  kRtCleanOn = 60,
  kRtCleanOff = 61,
  kGlShell = 62,
  kLogFileOn = 63,
  kLogFileOff = 64,
  kPromptLine = 65,
  kMenuChar = 66,
  kMflLast = 67,
  kMflRedraw = 68,
  kMflCleanList = 69,
  kMflClean = 70,
  kWayOut = 71,
  kWayIn = 72,
  kZoomD = 73,
  kZoomDT = 74,
  kSpot = 75,
  kMflExit = 76,
  kMflZoom = 77,
  kMflLeft = 78,
  kMflRight = 79,
  kMflUp = 80,
  kMflDown = 81,
  kMflInfo = 82,
  kToggle = 83,
  kHoldTime = 84,
  kFrameRate = 85,
  kTumble = 86,
  kOutline = 87,
  kRMode = 88,
  kDMode = 89,
  kRtDview = 90,
  kBuffer = 91,
  kTools = 92,
};

constexpr char kLogHeader[] = "\n-----KovaGL-Display-Driver-LOG-FILE-----\n";
// "The file cannot be opened for writing." in Shift-JIS, and a line feed.
constexpr char kCannotOpenLog[] =
    "\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xcc\x82\xbd\x82\xdf\x82\xcc\xcc\xa7\xb2\xd9\x82\xaa\xb5\xb0\xcc\xdf\xdd"
    "\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42\n";

// ---- arguments ---------------------------------------------------------------------

bool is_blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// The text after the name when the text begins with it as the table spells
// it; nullptr otherwise.
const char *after_name(const char *text, const char *name) {
  const std::size_t n = std::strlen(name);
  return std::strncmp(text, name, n) == 0 ? text + n : nullptr;
}

bool no_argument(const char *text, const char *name) { return std::strlen(text) == std::strlen(name); }

// The number after the name as %d reads it: blanks, a sign, digits. A value
// beyond the int range is held to it (and so refused by any range check).
bool number_argument(const char *text, const char *name, int *value) {
  const char *s = after_name(text, name);
  if (s == nullptr) return false;
  while (is_blank(*s)) ++s;
  const char *digits = s + (*s == '+' || *s == '-');
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  errno = 0;
  long long v = std::strtoll(s, nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  *value = static_cast<int>(v);
  return true;
}

// The word after the name as %s reads it into 64 bytes: blanks, then at most
// 63 characters up to the next blank.
bool word_argument(const char *text, const char *name, char (&word)[64]) {
  const char *s = after_name(text, name);
  if (s == nullptr) return false;
  while (is_blank(*s)) ++s;
  std::size_t n = 0;
  while (s[n] != '\0' && !is_blank(s[n]) && n < sizeof word - 1) {
    word[n] = s[n];
    ++n;
  }
  word[n] = '\0';
  return n > 0;
}

// The first option the word abbreviates (compared without regard to case,
// over the word's own length), or -1.
int option_of(const char *word, std::initializer_list<const char *> options) {
  const std::size_t n = std::strlen(word);
  if (n == 0) return -1;
  int i = 0;
  for (const char *option : options) {
    if (n <= std::strlen(option)) {
      std::size_t k = 0;
      while (k < n && std::toupper(static_cast<unsigned char>(word[k])) ==
                          std::toupper(static_cast<unsigned char>(option[k])))
        ++k;
      if (k == n) return i;
    }
    ++i;
  }
  return -1;
}

// ---- settings ----------------------------------------------------------------------

// A setting changed by a command goes into every record, so that the menus
// and the next write of the file keep it.
void set_word(int word, int value) {
  cfr.word(word) = value;
  newcfr.word(word) = value;
  tempcfr.word(word) = value;
}

void print_line(const char *text) {
  MyPrints(text);
  MyPrints(crlf);
}

void print_current(const char *name, int value, const char *unit) {
  char line[128];
  const char *current = GetString(191);
  std::snprintf(line, sizeof line, "%s %s: %d%s", current != nullptr ? current : "", name, value, unit);
  print_line(line);
}

// A numeric setting: no argument prints the value, a number in range is
// applied, anything else changes nothing.
template <class Apply>
void numeric_setting(const char *text, const char *name, int low, int high, int current, Apply apply,
                     const char *unit = "") {
  if (no_argument(text, name)) {
    print_current(name, current, unit);
    return;
  }
  int value = 0;
  if (number_argument(text, name, &value) && IsInRange(value, low, high)) apply(value);
}

// ---- gates -------------------------------------------------------------------------

bool window_gate() { return IsPdigtizeOn() && !aftershell; }
bool birdseye_gate() { return IsDlistOn() && IsPdigtizeOn() && !aftershell && IsZoomable(); }

const ViewportRecord &current_record() {
  return vp_info[CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0];
}

// ---- the tool windows ----------------------------------------------------------------

void show_configuration() {
  pop_gfx_window();
  ClearCommandPalette(23);
  ReloadPalette = 0;
  NewConfig = 1;
  ConfigState = 1;
  InitializeConfigMenus();
  DoConfig();
}

void show_palette() {
  if (IconState == 1) DrawIconBox(0);
  CommandState = 22;
  RestoreCommandPalette();
}

void show_birdseye() {
  ClearCommandPalette(21);
  bview = 1;
  Old.x = Old.y = -1;
  DrawBirdseyeView(0);
}

void birdseye_command(int mode) {
  if (!birdseye_gate()) return;
  BirdseyeMode = mode;
  if (textmode) {
    ++PstringNeeded;
    TextScreenBirdseye = 1;
    return;
  }
  show_birdseye();
}

// ---- pans ---------------------------------------------------------------------------

// The view window moved by step along one axis: right or up for a positive
// step, left or down for a negative one; the window keeps its size.
void pan_axis(int low, int high, int largest, long long step, int *new_low, int *new_high) {
  const long long size = static_cast<long long>(high) - low;
  if (step > 0) {
    long long h = high + step;
    if (h > largest || h < 0) h = static_cast<long long>(largest) - 1;
    *new_high = static_cast<int>(h);
    *new_low = static_cast<int>(h - size);
  } else {
    long long l = low + step;
    if (l < 0) l = 0;
    *new_low = static_cast<int>(l);
    *new_high = static_cast<int>(l + size);
  }
}

// divisor 2 half the view, 1 all of it, 3 a third; direction 0 right, 1
// left, 2 up, 3 down.
void pan(int direction, int divisor) {
  const ViewportRecord &vp = current_record();
  newxl = vp.view_x1;
  newyl = vp.view_y1;
  newxh = vp.view_x2;
  newyh = vp.view_y2;
  if (direction < 2) {
    const long long step = (static_cast<long long>(vp.view_x2) - vp.view_x1) / divisor;
    pan_axis(vp.view_x1, vp.view_x2, vp.xrange, direction == 0 ? step : -step, &newxl, &newxh);
  } else {
    const long long step = (static_cast<long long>(vp.view_y2) - vp.view_y1) / divisor;
    pan_axis(vp.view_y1, vp.view_y2, vp.yrange, direction == 2 ? step : -step, &newyl, &newyh);
  }
  ++PstringNeeded;
  dlist_pan = 1;
}

// ---- the log file ---------------------------------------------------------------------

void log_file_on(const char *text, const char *name) {
  if (log_fd == nullptr) {
    const char *file = std::getenv("ACADLOGFILE");
    if (file == nullptr) file = "acad.log";
    std::snprintf(logname, sizeof logname, "%s", file);
    // A regular file (or a new one) only, and the open never waits: a FIFO or
    // a device named for the log is said and left alone.
    const int fd = open_append_file(file);
    if (fd >= 0 && (log_fd = fdopen(fd, "a")) == nullptr) close(fd);
    if (log_fd != nullptr) {
      write_log(kLogHeader, sizeof kLogHeader - 1);
    } else {
      warn_file("write", file, errno);
      if constexpr (kSecondBuild) {
        std::fputs("WARNING: rcKovaGL: Unable to open log file for writing.\n", stdout);
        std::fflush(stdout);
      } else {
        error_message(kCannotOpenLog);
      }
    }
  }
  KESTRILA_MODE = std::strlen(text) > std::strlen(name) ? 1 : 0;
}

void log_file_off() {
  if (log_fd == nullptr) return;
  log_char(10);
  flush_log_line();
  close_log();
}

// ---- the 3D commands --------------------------------------------------------------------

void end_dview_at_once() {
  std::uint8_t bytes[8] = {};
  Packet none(bytes, sizeof bytes, sizeof bytes);
  none.put_i16(0, 37);
  dview_shade(none);
}

void rtdview(const char *text, const char *name) {
  if (!IsRendered() || !IsCurrent(RenderedViewport)) return;
  char word[64] = "";
  const bool have = word_argument(text, name, word);
  static const int kStates[] = {1, 3, 4, 5, 8, 9, 7};
  const int option = have ? option_of(word, {"VP", "CA", "TA", "D", "Z", "TW", "PA"}) : -1;
  if (option >= 0) {
    DviewState = kStates[option];
  } else if (have && std::toupper(static_cast<unsigned char>(word[0])) == 'P' &&
             std::toupper(static_cast<unsigned char>(word[1])) == 'O') {
    // Target x, y, z, then camera x, y, z; all six or none.
    float v[6];
    StringToUpper(word);
    bool read = std::sscanf(word, "PO_%f,%f,%f,%f,%f,%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 6;
    for (float f : v) read = read && std::isfinite(f);
    if (read) {
      for (int i = 0; i < 3; ++i) {
        TargetPoint[i] = v[i];
        CameraPoint[i] = v[3 + i];
      }
      DviewState = 6;
    } else {
      end_dview_at_once();
    }
  } else if (have && option_of(word, {"FL"}) == 0) {
    ViewSet = ProjSet = 0;
    reset_dview();
  } else {
    end_dview_at_once();
  }
  if (DviewState != 0) {
    ClearCommandPalette(21);
    dview = 1;
    CurrentPmark[kPmarkTaken] = 1;
    if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
  }
}

void render_mode(const char *text, const char *name, bool degenerate) {
  char word[64];
  if (!word_argument(text, name, word)) return;
  if (!degenerate) {
    static const std::uint32_t kModes[] = {0x10000, 0x8000, 0x40000, 0x20000, 0x80000, 0x100000,
                                           0x200000, 0x800000, 0x1000000, 0x2000000, 0x8000000};
    const int i = option_of(word, {"_SMOOTH", "_SMOOTH2", "_FLAT", "_FLAT2", "_HIDE", "_LLINE", "_DLINE", "_LINE",
                                   "_LPOINT", "_DPOINT", "_POINT"});
    if (i >= 0) RenderMode = kModes[i];
  } else {
    static const std::uint32_t kModes[] = {0x4000,   0x10000,  0x8000,    0x40000,   0x20000,
                                           0x80000,  0x100000, 0x200000,  0x400000,  0x800000,
                                           0x1000000, 0x2000000, 0x4000000, 0x8000000};
    const int i = option_of(word, {"_OFF", "_SMOOTH", "_SMOOTH2", "_FLAT", "_FLAT2", "_HIDE", "_LLINE", "_DLINE",
                                   "_1LINE", "_LINE", "_LPOINT", "_DPOINT", "_1POINT", "_POINT"});
    if (i >= 0) DegenMode = kModes[i];
  }
}

void buffer_command(const char *text, const char *name) {
  if (cfr.word(kWordDoubleBuffer) == 0) {
    print_line("Double-buffer mode not enabled.");
    BufferState = 0;
    SelectBothBuffers();
    return;
  }
  char word[64] = "";
  const int option = word_argument(text, name, word) ? option_of(word, {"_ON", "_SWAP"}) : -1;
  if (option == 0) {
    BufferState = 1;
    SelectBackBuffer();
  } else if (option == 1) {
    BufferState = 2;
    MySwapbuffers();
  } else {
    BufferState = 0;
    SelectBothBuffers();
  }
}

void palette_command(const char *text, const char *name) {
  char word[64];
  if (word_argument(text, name, word)) {
    switch (option_of(word, {"_LAST", "_TOP"})) {
      case 0: {
        // The loader changes lastcom as it reads.
        const std::string last = lastcom;
        LoadCommandPalette(last.c_str());
        break;
      }
      case 1:
        LoadCommandPalette("gl_com12.txt");
        break;
      default:
        LoadCommandPalette((std::string(word) + ".txt").c_str());
        break;
    }
  }
  if (window_gate()) {
    if (textmode) {
      ++PstringNeeded;
      TextScreenPalette = 1;
    } else {
      show_palette();
    }
  }
  Old.x = Old.y = -1;
}

void toggle_colour(const char *text, const char *name) {
  int n = 0;
  if (!number_argument(text, name, &n) || !IsInRange(n, 1, 255)) return;
  layer[n] = layer[n] == 0 ? 1 : 0;
  char line[128];
  const char *colour = GetString(154), *state = GetString(layer[n] ? 308 : 309);
  std::snprintf(line, sizeof line, "%s %d: %s", colour != nullptr ? colour : "", n, state != nullptr ? state : "");
  print_line(line);
  ++PstringNeeded;
  RedrawSelect = 1;
}

void mfl_zoom(const char *text, const char *name) {
  int n = 0;
  if (!number_argument(text, name, &n)) return;
  const int limit = current_record().units_per_pixel > 1 ? current_record().units_per_pixel : 1;
  if (n < 2) n = 1;
  if (n > limit) n = limit;
  zoom_absolute(n);
}

void request_clean() {
  ++PstringNeeded;
  CleanSelect = 1;
}

void request_redraw() {
  ++PstringNeeded;
  RedrawSelect = 1;
}

// A setting that a restart of the client takes in: the warning box says so.
void restart_setting(int word, int value) {
  set_word(word, value);
  InitializeConfigMenus();
  DoWarningBox(1);
  NewConfig = 1;
  ++PstringNeeded;
}

void run(int index, const char *text, const char *name) {
  switch (index) {
    case kPageSize:
      numeric_setting(
          text, name, 1, 256, cfr.word(kWordPageSize) / 1024,
          [](int kb) {
            set_word(kWordPageSize, kb * 1024);
            init_display_list(kb * 1024);
            request_clean();
            InitializeConfigMenus();
          },
          "kB");
      break;
    case kConfigure:
      if (!window_gate()) break;
      if (textmode) {
        ++PstringNeeded;
        TextScreenConfig = 1;
        break;
      }
      ++PstringNeeded;
      show_configuration();
      break;
    case kPalette:
    case kPaletteT:
      palette_command(text, name);
      break;
    case kRtOn:
    case kRtOnT:
      FreeCachedBirdseye();
      BirdseyeMode = 1;
      break;
    case kRtOff:
    case kRtOffT:
      FreeCachedBirdseye();
      BirdseyeMode = 0;
      break;
    case kBirdseye:
    case kBirdseyeT:
      birdseye_command(0);
      break;
    case kRtBird:
    case kRtBirdT:
      birdseye_command(1);
      break;
    case kZoomD:
    case kZoomDT:
      birdseye_command(2);
      break;
    case kClean:
    case kCleanT:
      if (cfr.word(kWordDisplayList) != 0) request_clean();
      break;
    case kZoomVx:
    case kZoomVxT:
      ++PstringNeeded;
      ZoomRequest = 1;
      break;
    case kStatistics:
    case kStatisticsT:
      if (IsDlistOn()) print_list_statistics();
      break;
    case kPickSpy:
    case kPickSpyT:
      if (IsSidebarOn()) set_word(kWordSpyGlass, 44);
      break;
    case kAperSpy:
    case kAperSpyT:
      if (IsSidebarOn()) set_word(kWordSpyGlass, 46);
      break;
    case kSpyOff:
    case kSpyOffT:
      set_word(kWordSpyGlass, 0);
      break;
    case kWriteConfig:
      newcfr = cfr;
      WriteConfigFile(config_path);
      break;
    case kSingleScreen:
    case kDualScreen:
    case kDefaultScreen:
      set_word(kWordScreenMode, index - kSingleScreen);
      InitializeConfigMenus();
      break;
    case kRefreshOn:
      set_word(kWordRefreshList, 1);
      break;
    case kRefreshOff:
      if (cfr.word(kWordRefreshList) == 0) break;
      for (int i = 0; i < kViewportCount; ++i) {
        ViewportRecord &vp = vp_info[i];
        if (vp.number == -1) continue;
        EraseRefreshDisplayList(i);
        vp.refresh_flag = vp.refresh_redrawn = 0;
      }
      AUI_pushcount = MenuItemOn = RefreshHilight = 0;
      set_word(kWordRefreshList, 0);
      break;
    case kDlistOn:
      if (cfr.word(kWordDisplayList) != 0) break;
      set_word(kWordDisplayList, 1);
      // The repaint replays the list again.
      init_redraw(1);
      request_clean();
      UpdateStatusLine(&GL_Status_Line, 1);
      break;
    case kDlistOff:
      if (cfr.word(kWordDisplayList) == 0) break;
      set_word(kWordDisplayList, 0);
      init_redraw(0);
      for (int i = 0; i < kViewportCount; ++i)
        if (vp_info[i].number != -1) EraseDisplayList(i);
      UpdateStatusLine(&GL_Status_Line, 1);
      break;
    case kRtCleanOn:
    case kRtCleanOff: {
      const int from = index == kRtCleanOn ? 1 : 2;
      if (cfr.word(kWordDisplayList) != from) break;
      set_word(kWordDisplayList, 3 - from);
      request_clean();
      InitializeConfigMenus();
      break;
    }
    case kLogFileOn:
      log_file_on(text, name);
      break;
    case kLogFileOff:
      log_file_off();
      break;
    case kPromptLine:
      numeric_setting(text, name, 1, 5, cfr.word(kWordPromptLines),
                      [](int n) { restart_setting(kWordPromptLines, n); });
      break;
    case kMenuChar:
      numeric_setting(text, name, 4, 15, cfr.word(kWordMenuWidth),
                      [](int n) { restart_setting(kWordMenuWidth, n); });
      break;
    case kMflRedraw:
      request_redraw();
      break;
    case kMflCleanList:
    case kMflClean:
      request_clean();
      break;
    case kWayOut:
    case kWayIn:
      ++PstringNeeded;
      ZoomRequest = index == kWayOut ? 2 : 3;
      break;
    case kMflZoom:
      mfl_zoom(text, name);
      break;
    case kMflLeft:
      pan(1, 3);
      break;
    case kMflRight:
      pan(0, 3);
      break;
    case kMflUp:
      pan(2, 3);
      break;
    case kMflDown:
      pan(3, 3);
      break;
    case kToggle:
      toggle_colour(text, name);
      break;
    case kHoldTime:
      numeric_setting(text, name, 1, 60, cfr.word(kWordPickRepeat), [](int n) {
        set_word(kWordPickRepeat, n);
        InitializeConfigMenus();
      });
      break;
    case kFrameRate:
      numeric_setting(text, name, 1, 600, cfr.word(kWordTimeSlice), [](int n) {
        set_word(kWordTimeSlice, n);
        InitializeConfigMenus();
      });
      break;
    case kTumble: {
      if (!IsRendered()) break;
      int n = 0;
      if (number_argument(text, name, &n)) {
        if (!IsInRange(n, 1, 90)) break;
        tumble_speed = n;
      }
      ClearCommandPalette(21);
      TumbleDemo(1);
      break;
    }
    case kOutline:
      numeric_setting(text, name, 0, 1, cfr.word(kWordPolygonOutline), [](int n) {
        set_word(kWordPolygonOutline, n);
        InitializeConfigMenus();
        request_redraw();
      });
      break;
    case kRMode:
    case kDMode:
      render_mode(text, name, index == kDMode);
      break;
    case kRtDview:
      rtdview(text, name);
      break;
    case kBuffer:
      buffer_command(text, name);
      break;
    case kTools:
      tool_bar_config();
      break;
    default:
      if (index >= kPanFirst && index <= kPanLast) {
        // PANRH, PANLH, PANUH, PANDH, then the same by the full view; each
        // with its transparent form.
        const int k = (index - kPanFirst) / 2;
        pan(k % 4, k < 4 ? 2 : 1);
      } else if (index >= kCpOff && index <= kCpLast) {
        set_word(kWordPaletteAfterUse, (index - kCpOff) / 2);
        InitializeConfigMenus();
      }
      // HOTPAN_ON/OFF, CLEAN_ON/OFF, GLSHELL, MFL_LAST, MFL_SPOT, MFL_EXIT
      // and MFL_INFO are accepted and do nothing.
      break;
  }
}

}  // namespace

int RunDriverCommand(const char *text) {
  const int index = FindCmdIndex(text);
  if (index >= kCommandCount) {
    if (MyStrcmp(text, "SNAPSHOT") != 0 && MyStrcmp(text, "'SNAPSHOT") != 0) return 0;
    saveRGBscreen("snapshot.rgb", 0, 0, xsize - 1, ysize - 1);
    return 1;
  }
  const char *name = GetCmdString(index);
  run(index, text, name != nullptr ? name : "");
  return 1;
}

int pcommand(Packet &p) {
  char text[256];
  p.copy_text(6, text, sizeof text);
  const int result = RunDriverCommand(text);
  p.put_i16(2, result);
  if (result == 1) {
    // Keys typed while the command ran are forgotten.
    cancel_key = 0;
    action_key = 0;
  }
  return 1;
}

void OpenDeferredWindows() {
  if (TextScreenConfig) {
    TextScreenConfig = 0;
    show_configuration();
  }
  if (TextScreenPalette) {
    TextScreenPalette = 0;
    show_palette();
  }
  if (TextScreenBirdseye) {
    TextScreenBirdseye = 0;
    show_birdseye();
  }
}

// ---- writing the log -------------------------------------------------------------------

void write_log(const char *bytes, std::size_t count) {
  if (log_fd == nullptr || count == 0) return;
  // Out at once, so that a full disk is said at the line it takes.
  if (std::fwrite(bytes, 1, count, log_fd) == count && std::fflush(log_fd) == 0) return;
  const int err = errno;
  std::fclose(std::exchange(log_fd, nullptr));
  warn_file("write", logname, err);
}

void close_log() {
  if (log_fd == nullptr) return;
  if (std::fclose(std::exchange(log_fd, nullptr)) != 0) warn_file("write", logname, errno);
}
