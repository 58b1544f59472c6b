// String input to the client.
//
// Requests are counters and flags, not a queue: a tool adds 1 to
// PstringNeeded and sets its flag, and each string packet of the client
// serves the first pending request in a fixed order (Birdseye zoom, redraw,
// clean-up, zoom, pan, palette button, DVIEW result, leaving the
// configuration screen, the exchange of view variables). Between the client's
// own requests, solicit_pstring runs pstring on a packet of its own and types
// the text as keys.
//
// A reply is written only inside the request: a request too short for the
// text it would get leaves that request pending for a later packet.
#include "commands/string_input.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/config_record.h"
#include "base/events.h"
#include "base/files.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "render3d/dview.h"

int CleanSelect;
int newxl, newyl, newxh, newyh;
int WaitForPSYNC;

namespace {

// Birdseye states this part moves.
constexpr int kBirdseyeZoomWaiting = 0x20;
constexpr int kBirdseyeZoomSent = 0x21;
constexpr int kBirdseyeZoomDropped = 0x22;

// Request flags of the string packet.
constexpr int kNoWindowNow = 2;  // a window or pan is not wanted now: consumed, nothing typed
constexpr int kSkip = 4;         // nothing consumed

// The flags of the last string pstring wrote, for the layouts that have no
// place for them in the reply.
int last_string_flags;

bool level_has_flags() {
  const int level = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]);
  return level == 7 || level == 8;
}

// Where the reply's text starts.
std::size_t text_offset() { return level_has_flags() ? 8 : 4; }

// ---- the texts ------------------------------------------------------------------

int fits(int n) { return n >= 0 && n < kStringMax; }

int format_acad(char *buffer) {
  const char *redraw = GetAcadString(0);
  return fits(std::snprintf(buffer, kStringMax, "%s\n", redraw != nullptr ? redraw : ""));
}

int format_point(char *buffer, int kind, float x1, float y1, float x2, float y2) {
  const char *zoom = GetAcadString(1);
  if (kind < 1 || kind > 3) kind = 1;
  return fits(std::snprintf(buffer, kStringMax, "%s $%d %.7f %.7f %.7f %.7f ", zoom != nullptr ? zoom : "", kind - 1,
                            static_cast<double>(x1), static_cast<double>(y1), static_cast<double>(x2),
                            static_cast<double>(y2)));
}

// A directory inside a Lisp string: backslash and quote take a backslash. A
// control character (a line end would end the typed line early) refuses it.
bool lisp_quoted(const char *text, std::string &out) {
  out.clear();
  for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c != '\0'; ++c) {
    if (*c < 32 || *c == 127) return false;
    if (*c == '\\' || *c == '"') out += '\\';
    out += static_cast<char>(*c);
  }
  return true;
}

int format_load(char *buffer, const char *directory, const char *file) {
  std::string quoted;
  if (!lisp_quoted(directory, quoted)) return 0;
  return fits(std::snprintf(buffer, kStringMax, "(load \"%s%s\")\n", quoted.c_str(), file));
}

int format_lisp(char *buffer) { return format_load(buffer, driver_path, "gl_lisp"); }
int format_dview_lisp(char *buffer) { return format_load(buffer, tmpdir, "gl_dview.lsp"); }

// ---- logical to world coordinates --------------------------------------------------

// The viewport's world window: its drawing extents, which span the logical
// range 0 .. largest x (y).
struct WorldWindow {
  float x_low, y_low, x_high, y_high, width, height;
  int x_range, y_range;  // largest logical x and y, at least 1
};

WorldWindow world_window(const ViewportRecord &vp) {
  WorldWindow w{vp.extents[0], vp.extents[1], vp.extents[3], vp.extents[4], 0, 0, vp.xrange, vp.yrange};
  w.width = w.x_high - w.x_low;
  w.height = w.y_high - w.y_low;
  if (w.x_range < 1) w.x_range = 1;
  if (w.y_range < 1) w.y_range = 1;
  return w;
}

float to_world(float low, float span, int value, int range) {
  return low + static_cast<float>(value) * span / static_cast<float>(range);
}

// An edge within 0.0005 of the span from the world edge moves one logical
// unit inwards (away from the edge).
float pulled(float world, float edge, float span, int value, int range, float low, int inwards) {
  if (std::fabs(world - edge) < 0.0005f * span) return to_world(low, span, value + inwards, range);
  return world;
}

struct Window4 {
  float x1, y1, x2, y2;
};

// A logical window in world units, its low corner pulled in; the high corner
// too when pull_high is set.
Window4 world_of(const WorldWindow &w, int xl, int yl, int xh, int yh, bool pull_high) {
  Window4 r{to_world(w.x_low, w.width, xl, w.x_range), to_world(w.y_low, w.height, yl, w.y_range),
            to_world(w.x_low, w.width, xh, w.x_range), to_world(w.y_low, w.height, yh, w.y_range)};
  r.x1 = pulled(r.x1, w.x_low, w.width, xl, w.x_range, w.x_low, 1);
  r.y1 = pulled(r.y1, w.y_low, w.height, yl, w.y_range, w.y_low, 1);
  if (pull_high) {
    r.x2 = pulled(r.x2, w.x_high, w.width, xh, w.x_range, w.x_low, -1);
    r.y2 = pulled(r.y2, w.y_high, w.height, yh, w.y_range, w.y_low, -1);
  }
  return r;
}

void set_pkzoom(int xl, int yl, int xh, int yh) {
  pkzoom_xl = xl;
  pkzoom_yl = yl;
  pkzoom_xh = xh;
  pkzoom_yh = yh;
}

// ---- serving one request -----------------------------------------------------------

// The text of a served request and its flags; empty when nothing is typed.
struct Served {
  char text[kStringMax];
  int flags;
  bool typed;
};

// A zoom-window string of the given kind into out when it fits cap.
bool point_string(Served &out, std::size_t cap, int kind, const Window4 &w) {
  char text[kStringMax];
  if (!format_point(text, kind, w.x1, w.y1, w.x2, w.y2) || std::strlen(text) >= cap) return false;
  BuildDviewPointString(out.text, &out.flags, kind, w.x1, w.y1, w.x2, w.y2);
  out.typed = true;
  return true;
}

bool redraw_string(Served &out, std::size_t cap) {
  char text[kStringMax];
  if (!format_acad(text) || std::strlen(text) >= cap) return false;
  BuildAcadString(out.text, &out.flags);
  out.typed = true;
  return true;
}

// The configuration screen was left with or without saving: the settings
// take effect and the client redraws.
void leave_configuration() {
  if (WriteConfig) {
    WriteConfigFile(config_path);
    CleanDisplayList = 1;
  }
  WriteConfig = NoWriteConfig = 0;
  ConfigState = 0;
  if (PdigitizeNeeded == 1) PdigitizeNeeded = 0;
  init_redraw(cfr.word(kWordDisplayList));
  UpdateStatusLine(&GL_Status_Line, 1);
  init_display_list(cfr.word(kWordPageSize));
  MySetcursor(1);
  HideCursor();
  RestoreCommandPalette();
  Color16 = 0;
  MySetRenderMode(1);
  cfr.word(kWordRgbPixels) = 1;
  SetConfiguredBufferMode();
  if (ReloadPalette) {
    CurrentMatrixNumber = -1;
    SetClippingRectangle(0, xsize - 1, 0, ysize - 1, kMatrixScreen);
    MyColor(ConfigColor(kWordColourGraphics));
    clear();
    ChangePalette(1);
    ReloadPalette = 0;
  }
  if (ChangeUIcolors) map_ui_colors();
  RedrawTextAreas();
  FlushKeyboardBuffer();
}

// "@sysvar.dat" holds seventeen lines, each no longer than the reader takes.
constexpr std::size_t kSysvarFileMax = 17 * 256;

// One step of the exchange of view variables; a string only at its start.
bool exchange_step(Served &out, std::size_t cap) {
  if (WaitForPSYNC) return false;
  if (acadvar_req == 1) {
    char text[kStringMax];
    if (!format_lisp(text)) {
      // A support directory that cannot be typed ends the exchange: the
      // values stay as they are.
      acadvar_req = 0;
      --PstringNeeded;
      return false;
    }
    if (std::strlen(text) >= cap) return false;
    BuildLispLoadString(out.text, &out.flags);
    out.typed = true;
    acadvar_req = 2;
    return true;
  }
  if (acadvar_req >= 2 && acadvar_req <= 4) {
    ++acadvar_req;
    WaitForPSYNC = 1;
    return false;
  }
  const std::string path = std::string(tmpdir) + "@sysvar.dat";
  std::string text;
  // No more than the file's seventeen lines can hold is read; a file that is
  // no regular file is said and ends the exchange, the values as they were.
  if (!read_file_reported(path.c_str(), text, kSysvarFileMax)) {
    if (errno != ENOENT) {
      MyPrints(crlf);
      acadvar_req = 0;
      --PstringNeeded;
      return false;
    }
    MyPrints(".");  // not there yet
    WaitForPSYNC = 1;
    IgnoreOne = 1;
    return false;
  }
  MyPrints("\bdone.");
  MyPrints(crlf);
  const int index = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
  if (std::FILE *file = text.empty() ? nullptr : fmemopen(text.data(), text.size(), "r")) {
    ReadSysvarFile(file, vp_info[index]);
    std::fclose(file);
  }
  std::remove(path.c_str());
  acadvar_req = 0;
  --PstringNeeded;
  return false;
}

// Serves the first pending request; cap is the room for the text in the
// reply. Leaves everything as it was when the text would not fit.
void serve_request(const Packet &p, std::size_t cap, Served &out) {
  out.text[0] = '\0';
  out.flags = 0;
  out.typed = false;
  if (PstringNeeded == 0) return;
  const int request = p.u16(4);
  if (request & kSkip) return;
  const int index = ViewportLookup(p.i16(2));
  if (index < 0) return;
  const ViewportRecord &vp = vp_info[index];
  const WorldWindow w = world_window(vp);
  const bool no_window = request & kNoWindowNow;

  if (BirdseyeState == kBirdseyeZoomWaiting) {
    if (no_window) {
      BirdseyeState = kBirdseyeZoomDropped;
    } else {
      const Window4 box = world_of(w, brx1, bry1, brx2, bry2, false);
      if (!point_string(out, cap, 1, box)) return;
      BirdseyeState = kBirdseyeZoomSent;
      set_pkzoom(brx1, bry1, brx2, bry2);
    }
    --PstringNeeded;
    return;
  }
  if (RedrawSelect) {
    if (!redraw_string(out, cap)) return;
    RedrawSelect = 0;
    --PstringNeeded;
    return;
  }
  if (CleanSelect) {
    if (!redraw_string(out, cap)) return;
    CleanSelect = 0;
    CleanDisplayList = 1;
    --PstringNeeded;
    return;
  }
  if (ZoomRequest) {
    if (!no_window) {
      if (ZoomRequest == 2 || ZoomRequest == 3) {
        // The view rectangle, in world units.
        const int xr = vp.xrange + 1 > 0 ? vp.xrange + 1 : 1, yr = vp.yrange + 1 > 0 ? vp.yrange + 1 : 1;
        const Window4 view{to_world(w.x_low, w.width, vp.view_x1, xr), to_world(w.y_low, w.height, vp.view_y1, yr),
                           to_world(w.x_low, w.width, vp.view_x2, xr), to_world(w.y_low, w.height, vp.view_y2, yr)};
        if (!point_string(out, cap, ZoomRequest, view)) return;
        set_pkzoom(vp.view_x1, vp.view_y1, vp.view_x2, vp.view_y2);
      } else {
        // The extents, shrunk by a twentieth of a percent on each side.
        const Window4 extents{w.x_low + 0.0005f * w.width, w.y_low + 0.0005f * w.height,
                              w.x_high - 0.0005f * w.width, w.y_high - 0.0005f * w.height};
        if (!point_string(out, cap, 1, extents)) return;
        const int top = do_32bit_regen ? 8388607 : 32766;
        set_pkzoom(0, 0, top, top);
      }
    }
    ZoomRequest = 0;
    --PstringNeeded;
    return;
  }
  if (dlist_pan) {
    if (!no_window) {
      const Window4 pan = world_of(w, newxl, newyl, newxh, newyh, true);
      if (!point_string(out, cap, 1, pan)) return;
      set_pkzoom(newxl, newyl, newxh, newyh);
    }
    dlist_pan = 0;
    --PstringNeeded;
    return;
  }
  if (CommandButtonClicked) {
    const char *command = GetCommandPaletteString();
    if (command == nullptr) command = "";
    if (std::strlen(command) >= cap) return;
    CommandButtonClicked = 0;
    CommandPaletteEvent = 1;
    DrawCommandBox(0);
    CommandState = 20;
    if (command[0] != '\0') {
      std::snprintf(out.text, sizeof out.text, "%s", command);
      out.flags = kStringFlagsPalette;
      out.typed = true;
    }
    --PstringNeeded;
    return;
  }
  if (DviewState == kDviewResult) {
    // The file was written with DviewCmd 1: three requests only count, the
    // fourth types its load.
    if (DviewCmd < 4) {
      ++DviewCmd;
      return;
    }
    char text[kStringMax];
    const bool typeable = format_dview_lisp(text);
    if (typeable && std::strlen(text) >= cap) return;
    if (typeable) {
      BuildDviewLispLoadString(out.text, &out.flags);
      out.typed = true;
    }
    DviewState = kDviewResultTyped;
    DviewCmd = 0;
    --PstringNeeded;
    return;
  }
  if (acadvar_req == 0) {
    if (!WriteConfig && !NoWriteConfig) return;
    char text[kStringMax];
    if (!format_acad(text) || std::strlen(text) >= cap) return;
    leave_configuration();
    redraw_string(out, cap);
    --PstringNeeded;
    return;
  }
  exchange_step(out, cap);
}

// ---- the view variables file ---------------------------------------------------------

// One line of at most 255 characters; the rest of a longer line is read and
// dropped. False at the end of the file.
bool read_line(std::FILE *file, char (&line)[256]) {
  if (std::fgets(line, sizeof line, file) == nullptr) return false;
  if (std::strchr(line, '\n') == nullptr) {
    for (int c; (c = std::fgetc(file)) != EOF && c != '\n';) {
    }
  }
  return true;
}

bool all_finite(const float *v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

// The fields of the file in their order: its format and where its values go.
struct SysvarLine {
  const char *format;
  int count;        // values on the line
  bool integer;     // one integer rather than reals
  float *reals;
  std::int32_t *whole;
};

}  // namespace

int ReadSysvarFile(std::FILE *file, ViewportRecord &r) {
  const SysvarLine lines[] = {
      {"BACKZ = %g", 1, false, &r.back_z, nullptr},
      {"EXTMAX = %g,%g,%g", 3, false, r.ext_max, nullptr},
      {"EXTMIN = %g,%g,%g", 3, false, r.ext_min, nullptr},
      {"FRONTZ = %g", 1, false, &r.front_z, nullptr},
      {"LENSLENGTH = %g", 1, false, &r.lens_length, nullptr},
      {"TARGET = %g,%g,%g", 3, false, r.target, nullptr},
      {"UCSORG = %g,%g,%g", 3, false, r.ucs_origin, nullptr},
      {"UCSXDIR = %g,%g,%g", 3, false, r.ucs_xdir, nullptr},
      {"UCSYDIR = %g,%g,%g", 3, false, r.ucs_ydir, nullptr},
      {"VIEWCTR = %g,%g,%g", 3, false, r.view_centre, nullptr},
      {"VIEWDIR = %g,%g,%g", 3, false, r.view_dir, nullptr},
      {"VIEWMODE = %lli", 1, true, nullptr, &r.viewmode},
      {"VIEWSIZE = %g", 1, false, &r.view_size, nullptr},
      {"VIEWTWIST = %g", 1, false, &r.view_twist, nullptr},
      {"VSMAX = %g,%g,%g", 3, false, r.vs_max, nullptr},
      {"VSMIN = %g,%g,%g", 3, false, r.vs_min, nullptr},
      // WORLDUCS has no other reader; it is kept in the record's spare word.
      {"WORLDUCS = %lli", 1, true, nullptr, &r.word22},
  };
  if (file == nullptr) return 0;
  int taken = 0;
  char line[256];
  for (const SysvarLine &l : lines) {
    if (!read_line(file, line)) break;
    if (l.integer) {
      long long value = 0;
      if (std::sscanf(line, l.format, &value) != 1) break;
      if (value < INT32_MIN) value = INT32_MIN;
      if (value > INT32_MAX) value = INT32_MAX;
      *l.whole = static_cast<std::int32_t>(value);
    } else {
      float v[3] = {};
      const int n = l.count == 1 ? std::sscanf(line, l.format, &v[0])
                                 : std::sscanf(line, l.format, &v[0], &v[1], &v[2]);
      // Values that are no numbers would poison every view computed from them.
      if (n != l.count || !all_finite(v, n)) break;
      for (int i = 0; i < n; ++i) l.reals[i] = v[i];
    }
    ++taken;
  }
  return taken;
}

int BuildAcadString(char *buffer, int *flags) {
  if (!format_acad(buffer)) {
    buffer[0] = '\0';
    return 0;
  }
  // The echo of the typed redraw stays out of the prompt area.
  no_echo = 1;
  *flags = kStringFlagsDriver;
  return 1;
}

int BuildDviewPointString(char *buffer, int *flags, int kind, float x1, float y1, float x2, float y2) {
  if (!format_point(buffer, kind, x1, y1, x2, y2)) {
    buffer[0] = '\0';
    return 0;
  }
  if (static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]) < 8) no_echo = 1;
  *flags = kStringFlagsDriver;
  return 1;
}

int BuildLispLoadString(char *buffer, int *flags) {
  if (!format_lisp(buffer)) {
    buffer[0] = '\0';
    return 0;
  }
  WaitForPSYNC = 1;
  *flags = kStringFlagsDriver;
  return 1;
}

int BuildDviewLispLoadString(char *buffer, int *flags) {
  if (!format_dview_lisp(buffer)) {
    buffer[0] = '\0';
    return 0;
  }
  WaitForPSYNC = 1;
  *flags = kStringFlagsDriver;
  return 1;
}

int pstring(Packet &p) {
  const std::size_t off = text_offset();
  const std::size_t room = p.size() > off ? p.size() - off : 0;
  const std::size_t cap = room < kStringMax ? room : kStringMax;
  Served served;
  serve_request(p, cap, served);
  last_string_flags = served.typed ? served.flags : 0;
  if (served.typed) {
    if (level_has_flags()) p.put_u16(6, static_cast<std::uint16_t>(served.flags));
    // The text, NUL-padded to 256 bytes as far as the request reaches.
    const std::size_t n = std::strlen(served.text);
    for (std::size_t i = 0; i < cap; ++i) p.put_u8(off + i, i < n ? static_cast<std::uint8_t>(served.text[i]) : 0);
  } else if (p.size() >= 8) {
    p.put_u16(6, 0);
  }
  return 1;
}

void solicit_pstring() {
  std::uint8_t bytes[8 + kStringMax] = {};
  Packet p(bytes, sizeof bytes, sizeof bytes);
  const int index = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
  p.put_u16(0, 47);
  p.put_i16(2, vp_info[index].number);
  p.put_u16(4, product_stable ? 0 : kSkip);
  pstring(p);
  char text[kStringMax + 1];
  p.copy_text(text_offset(), text, sizeof text);
  if (text[0] == '\0') return;
  const int flags = level_has_flags() ? p.u16(6) : last_string_flags;
  queue_string(text, flags & 1, flags & 2);
}

int psync(Packet &p) {
  CurrentPmark[kPmarkState] = 0;
  WaitForPSYNC = 0;
  p.put_i16(2, 0);
  const int index = ViewportLookup(p.i16(6));
  if (index < 0) return 1;
  if (index != CurrentViewport) {
    CurrentViewport = index;
    UpdateStatusLine(&GL_Status_Line, 0);
    FreeCachedBirdseye();
  }

  // The viewports whose list was not drawn in full during the regeneration.
  auto redraw_regenerated = [](bool mark_drawn) {
    for (int i = 1; i < kViewportCount; ++i) {
      ViewportRecord &vp = vp_info[i];
      if (vp.number == -1 || (vp.flags & kVpListDrawn)) continue;
      RegenRedraw(i);
      if (mark_drawn) vp.flags |= kVpListDrawn;
    }
  };
  switch (p.i16(10)) {
    case 1:
    case 2:
      DuringRegen = 1;
      product_stable = 0;
      break;
    case 3:
    case 4:
      product_stable = 0;
      break;
    case -1:
      redraw_regenerated(false);
      dlist_modified = 0;
      DuringRegen = 0;
      product_stable = 1;
      break;
    case -2:
      DuringRegen = 0;
      product_stable = 1;
      break;
    case -3:
      redraw_regenerated(true);
      dlist_modified = 0;
      product_stable = 1;
      break;
    case -4:
      product_stable = 1;
      break;
    default:
      break;
  }

  if (BirdseyeState == kBirdseyeZoomDropped) BirdseyeState = 0;
  if (DviewState == kDviewResultRedrawn) DviewState = 0;
  RestoreCommandPalette();
  dx_sync();
  return 1;
}

void ResetStringRequests() {
  PstringNeeded = 0;
  CleanDisplayList = RedrawSelect = CleanSelect = 0;
  newxl = newyl = newxh = newyh = 0;
  acadvar_req = WaitForPSYNC = DviewCmd = 0;
  last_string_flags = 0;
}
