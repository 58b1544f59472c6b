#include "adi/session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "adi/handlers.h"
#include "adi/screen_mode.h"
#include "base/build.h"
#include "base/config_record.h"
#include "base/string_tables.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/drag.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/fmclient.h"
#include "kovagl/gl.h"
#include "render3d/dview.h"
#include "render3d/lights.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"
#include "render3d/segments.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/side_menu.h"
#include "ui/status_bar.h"

namespace {

int xorg, yorg;           // the window's origin on the screen
bool config_read_once;    // the configuration file is read on the first pinit only
bool preinit_ran;         // a preinit has run in this process
int pkzoom_calls;

constexpr const char *kDriverVersion = kSecondBuild ? "3.35" : "3.32";

void print_line(int id) {
  const char *text = GetString(id);
  MyPrintf("%s", text != nullptr ? text : "");
  NewLine();
}

void start_banner(int level, int flags) {
  print_line(135);
  if (level == 6) print_line(106);
  if (level == 7) print_line(108);
  if (level == 8) print_line(110);
  if (flags & kInitFullSession) {
    if (level == 8) {
      print_line(120);
      int depth = cfr.word(kWordRenderDepth);
      print_line(depth == 24 || depth == 32 ? 123 : 124);
    } else {
      print_line(121);
    }
  }
  // The hardware line follows the library version's family prefix.
  struct Family {
    const char *prefix;
    int id;
  };
  static const Family families[] = {{"GL4DWA", 210}, {"GL4DWB", 264}, {"GL4DWC", 220}, {"GL4DWD", 261},
                                    {"GL4DWE", 247}, {"GL4DWFW", 262}, {"GL4DWG", 263}};
  char version[64] = {};
  gversion(version);
  int id = 130;
  for (const Family &f : families) {
    if (strncasecmp(version, f.prefix, std::strlen(f.prefix)) == 0) {
      id = f.id;
      break;
    }
  }
  if (id == 264) KEL = 1;
  if (id == 220) Tarvex = 1;
  bool sub = (id == 247 || id == 262) && getgdesc(51) > 0 && getgdesc(53) > 0;
  subpixel(sub ? 1 : 0);
  print_line(id);
  const char *version_line = GetString(131);
  if (version_line != nullptr) MyPrintf(version_line, kDriverVersion);
  NewLine();
  print_line(132);
  print_line(133);
  print_line(135);
}

void logic_op_warning() {
  static const char *const lines[] = {
      "\n===================================================================",
      "\nThis driver requires logical operation support in all framebuffers.",
      "\n===================================================================",
      "\nCertain features may not function properly, such as:",
      "\n\tThe crosshair cursor.",
      "\n\tThe BirdsEye view.",
      "\n\tHighlighted text in menus.\n",
      "\nYou should contact Customer Support to upgrade your system.\n",
  };
  for (const char *line : lines) MyPrintf("%s", line);
}

// Clears the overlay (or pop-up) planes to transparent and the normal planes
// to the background colour.
void clear_screen_planes() {
  MySetDrawmode(use_pups ? 32 : 64);
  SelectScreenMatrix();
  color(0);
  clear();
  MySetDrawmode(16);
  SelectScreenMatrix();
  MyColor(cfr.word(kWordColourGraphics));
  clear();
}

// Halfwords 2..24 of the reply are kept in Pkinit, except the client's flags
// and level, which pinit keeps from the request.
void keep_reply_fields(const Packet &p) {
  for (int k = 2; k <= 24; ++k)
    if (k != 4 && k != 5) Pkinit.field[k] = p.u16(2 * k);
}

// The request's fields and texts into the record of the caller, with the
// driver's process id.
void keep_caller(const Packet &p) {
  ClientRecord &r = *WhoIsCalling;
  r.app_id = p.i16(4);
  r.field6 = p.i16(6);
  r.field8 = p.i16(8);
  r.caller_kind = p.i16(14);
  r.field16 = p.i16(16);
  r.word20 = p.u32(20);
  p.copy_text(24, r.text24, sizeof r.text24);
  p.copy_text(56, r.text56, sizeof r.text56);
  r.word1184 = p.u32(1184);
  r.driver_pid = static_cast<std::uint32_t>(getpid());
}

int zoom_reply(Packet &p, bool wide) {
  ++pkzoom_calls;
  int flags = p.i16(2);
  auto put = [&](int index, int value) {
    if (wide)
      p.put_i32(8 + 4 * index, value);
    else
      p.put_i16(6 + 2 * index, value);
  };
  if (flags & 1) {
    put(0, pkzoom_xl);
    put(1, pkzoom_yl);
    put(2, pkzoom_xh);
    put(3, pkzoom_yh);
    // Shrink by a pixel on every side, never past an empty window.
    if (pkzoom_xh - pkzoom_xl >= 2) ++pkzoom_xl, --pkzoom_xh;
    if (pkzoom_yh - pkzoom_yl >= 2) ++pkzoom_yl, --pkzoom_yh;
    p.put_i16(wide ? 24 : 14, CurrentViewport >= 0 && CurrentViewport < kViewportCount
                                   ? vp_info[CurrentViewport].number
                                   : 0);
    pkzoom_ok = 1;
    p.put_i16(4, pkzoom_calls < 10 ? 0 : 2);
  } else if (!(flags & (2 | 4 | 8 | 16))) {
    put(0, pkzoom_xl);
    put(1, pkzoom_yl);
    put(2, pkzoom_xh);
    put(3, pkzoom_yh);
    pkzoom_ok = 1;
    p.put_i16(4, 0);
  } else {
    pkzoom_ok = 0;
    p.put_i16(4, 1);
  }
  return 1;
}

}  // namespace

std::uint32_t CapabilityWord() {
  std::uint32_t word = use_localmenu ? 237215 : 204447;
  if (cfr.word(kWord32BitList)) word |= 0x40040;
  return word;
}

std::uint32_t ColourCapabilityWord() {
  switch (cfr.word(kWordRenderDepth)) {
    case 8: return 241988;
    case 24: return 242152;
    default: return 242160;
  }
}

int Set3dflags() {
  if (std::getenv("ADI_ZBUFFER") != nullptr) return 0;
  return getgdesc(16) > 0 ? 4094 : 0;
}

int load_font(const char *name, double size) {
  if (DefaultFontNumber != 0) return 1;  // a font once loaded stays
  fminit();
  fmfonthandle font = fmfindfont(name);
  if (font == nullptr) return 0;
  fsized = fmscalefont(font, size);
  fmsetfont(fsized);
  fmgetfontinfo(fsized, &finfo);
  return 1;
}

void FontInit() {
  DefaultFontNumber = load_font(cfr.font_name, 10);
  if (FirstTimeInACAD) {
    bounded_copy(OriginalFontName, cfr.font_name, sizeof OriginalFontName);
    OriginalNumberOfPromptLines = cfr.word(kWordPromptLines);
  }
}

void GraphicsInit() {
  InitCursor();
  if (EightBit) {
    cfr.word(kWordDoubleBuffer) = 0;
    cfr.word(kWordRgbPixels) = 1;
    cfr.word(kWordRenderDepth) = 24;
  } else {
    cfr.word(kWordRgbPixels) = 1;
  }
  Color16 = 0;
  MySetRenderMode(1);
  SetConfiguredBufferMode();
  clear_screen_planes();
  frontface(0);
  backface(0);
  ReloadPalette = 0;
  InitPatterns();

  ViewportRecord &whole = vp_info[0];
  CurrentMatrixNumber = -1;
  mmode(0);
  MyOrtho2(static_cast<float>(xmin - 1), static_cast<float>(xmax + 1), -1.0f, static_cast<float>(graphy + 1));
  getmatrix(whole.view_matrix);
  // The half-pixel margins put every integer coordinate on its own pixel.
  MyOrtho2(0, static_cast<float>(xsize - 1), 0, static_cast<float>(ysize - 1));
  getmatrix(ScreenMatrix);
  CurrentMatrixNumber = -1;
  SetClippingRectangle(0, xsize - 1, 0, ysize - 1, kMatrixScreen);

  UpdateStatusLine(&GL_Status_Line, 1);
  clear_prompt_area();
  if (ScreenMenu) FilledBox(xmax + 1, ymin, xsize - 1, ymax, cfr.word(kWordColourTextBack), 0);
  init_zbuffer();
  Restore_UI();
  ChangeUIcolors = 1;
}

int pinit(Packet &p) {
  init_called = 1;
  const char *tmp = std::getenv("TMP");
  if (tmp != nullptr && std::strlen(tmp) + 2 <= sizeof tmpdir) {
    std::strcpy(tmpdir, tmp);
    std::strcat(tmpdir, "/");
  } else {
    std::strcpy(tmpdir, "./");
  }

  p.put_i16(2, 0);
  int flags = p.u16(8);
  int level = p.i16(10);
  Pkinit.field[kPkinitFlags] = static_cast<std::uint16_t>(flags);
  Pkinit.field[kPkinitLevel] = static_cast<std::uint16_t>(level);
  if (level < 6) {
    Initialized = 1;
    MyPrintf("%s", "\nThis driver needs ADI 4.0 or greater.\n");
    return 1;
  }

  set_path(0);
  MyGinit();
  if (!config_read_once) {
    config_read_once = true;
    ReadConfigFile(config_path);
  }

  const char *planes = std::getenv("ADI_BITPLANES");
  if (planes == nullptr)
    EightBit = getgdesc(9) < 1;
  else if (planes[0] == '8')
    EightBit = 1;

  set_underscan(&xsize, &ysize, &xorg, &yorg);
  FontInit();
  CharHeight = MyGetheight();
  CharWidth = MyStrwidth("M");
  CharDescender = MyGetdescender() + 1;

  do_32bit_regen = level >= 8 && cfr.word(kWord32BitList) && (flags & kInit32BitList);
  p.put_i16(10, 8);

  if (FirstTimeInACAD) {
    ResetPromptBuffers();
    mode_str[0] = '\0';
    coord_str[0] = '\0';
  }

  LayoutOptions opts{use_localtext != 0, use_localsidemenu != 0, use_localstatus != 0, use_localmenu != 0};
  ScreenLayout l = ComputeScreenLayout(xsize, ysize, CharWidth, CharHeight, flags, cfr.word(kWordPromptLines), cfr.word(kWordMenuWidth), opts);
  xmin = l.xmin;
  ymin = l.ymin;
  xmax = l.xmax;
  ymax = l.ymax;
  graphy = l.graphy;
  PromptArea = l.PromptArea;
  ScreenMenu = l.ScreenMenu;
  StatusLine = l.StatusLine;
  if ((flags & kInitStatusLine) && use_localstatus) st_init();
  if (StatusLine) {
    GL_Status_Line = StatusLineRecord{mode_str, coord_str, 0, cfr.word(kWordColourTextBack), cfr.word(kWordColourText), CharHeight, CharWidth,
                                      CharDescender, xmin, ysize - CharHeight - 1, xsize - xmin - 1, {}};
    PdigitizeNeeded = 2;
  }
  maxboxes = l.maxboxes;
  // The side menu offers no more boxes than fit its column.
  if (use_localsidemenu) maxboxes = std::min(maxboxes, sm_get_nb_boxes());
  if (ScreenMenu) GL_Menu_Bar = MenuBarRecord{xmax, ymin, ymax - maxboxes * CharHeight};

  p.put_u32(4, CapabilityWord());
  p.put_i16(12, xmax);
  p.put_i16(14, graphy);
  p.put_i16(16, xsize - 1);
  p.put_i16(18, l.text_columns);
  p.put_i16(20, cfr.word(kWordMenuWidth));
  p.put_i16(22, maxboxes);
  p.put_i16(24, 135);
  p.put_u8(26, static_cast<std::uint8_t>(cfr.word(kWordPromptLines)));
  p.put_u8(27, 2);
  p.put_i16(28, 1);
  p.put_i16(30, 1);
  p.put_u8(32, 25);
  p.put_u8(33, 80);
  p.put_i16(34, graphy);
  p.put_i16(36, xsize);
  p.put_i16(38, (flags & kInitFullSession) ? ysize : xsize);
  p.put_i16(40, xsize / CharWidth);
  p.put_i16(42, ysize / CharHeight);
  p.put_i16(44, CharWidth);
  p.put_i16(46, CharHeight);
  p.put_i16(48, ysize - ymin - 1);
  keep_reply_fields(p);
  pdigitize = (flags & kInitDigitizer) ? 1 : 0;
  digitizer = 0;

  if (!(flags & kInitFullSession)) {
    // Not a full drawing session: no display list, no double buffering, no
    // spy glass, and the palette closes after use.
    cfr.word(kWordPaletteAfterUse) = cfr.word(kWordSpyGlass) = cfr.word(kWordDisplayList) = cfr.word(kWordDoubleBuffer) = 0;
    cfr.word(kWordRgbPixels) = cfr.word(kWordBufferMode) = 1;
  }

  pushcount = 0;
  init_display_list(cfr.word(kWordPageSize));
  init_wrsplit();
  init_viewports();
  view_extents = 0x7fffffff;
  std::memset(CurrentPmark, 0, sizeof CurrentPmark);
  // The configuration screen of the session before is gone with it, saved
  // areas and all.
  ResetConfigMenus();
  dlist_pan = 0;
  PstringNeeded = 0;
  erase = 0;

  GraphicsInit();
  DrawBorders();
  InitBirdseye(cfr.word(kWordBirdseyeRect), cfr.word(kWordBirdseyeRect + 1), cfr.word(kWordBirdseyeRect + 2),
               cfr.word(kWordBirdseyeRect + 3));
  if (!preinit_ran) {
    MFLicon = commands = IconState = CommandState = 0;
    LoadCommandPalette("gl_com12.txt");
  }

  p.copy_text(56, cdname, sizeof cdname);
  dx_name(cdname);
  init_redraw(cfr.word(kWordDisplayList));
  MatlIndex = 0;
  reset_dview();
  LoadInternalCommands("gl_cmds.txt");
  LoadInternalStrings("gl_strs.txt");

  if (FirstTimeInACAD) {
    FirstTimeInACAD = 0;
    if (getgdesc(33) == 0) logic_op_warning();
    start_banner(level, flags);
  }

  SetScreenMode(1);
  p.put_i16(2, 1);
  afterpinit = 1;
  return 1;
}

int preinit(Packet &p) {
  clear_screen_planes();
  RedrawTextAreas();
  FreeCachedBirdseye();
  preinit_ran = true;
  return pinit(p);
}

int pterm(Packet &) {
  aftershell = 0;
  FirstTimeInACAD = 1;
  int level = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]);
  for (int i = 0; i < kViewportCount; ++i) {
    ViewportRecord &vp = vp_info[i];
    if (vp.number == -1) continue;
    if (level < 8) EraseDisplayList(i);
    empty_vlist(i, 1);
    if (cfr.word(kWordRefreshList)) {
      EraseRefreshDisplayList(i);
      vp.refresh_flag = vp.refresh_redrawn = 0;
    }
    if (level < 8) ViewportUnused(i);  // the graphics area (0) stays open
    // The pictures of this session are not shown in the next one; its
    // display-list pages go when the next session starts its list.
    free_saved_pixels(i);
    vp.flags &= ~(kVpShaded | kVpSavedImage | kVpVectorMark | kVpVectorMark2);
  }
  // A segment left open would take the next session's drawing.
  close_segment();
  Free_AUI_List();
  FreeCachedBirdseye();
  ResetConfigMenus();
  if (Pkinit.field[kPkinitFlags] & kInitFullSession) {
    CurrentMatrixNumber = -1;
    ViewSet = ProjSet = 0;
    ResetLights();
    ResetMaterials();
    reset_dview();
    if (log_fd != nullptr) {
      flush_log_line();
      write_log("\n", 1);
      close_log();
    }
  }
  MyGexit();
  SetScreenMode(0);
  product_stable = 0;
  return 1;
}

int pdinfo(Packet &p) {
  const ViewportRecord &vp = vp_info[CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0];
  auto h = [&](int index, int value) { p.put_i16(2 * index, value); };
  h(2, xmax);
  h(3, graphy);
  p.put_u32(12, CapabilityWord());
  p.put_u32(16, ColourCapabilityWord());
  h(10, 1);
  h(11, 96);
  h(12, ysize - ymin - 1);
  h(13, 2);
  h(14, 0);
  h(15, 24);
  h(16, 0);
  h(17, 255);
  h(18, 256);
  h(19, 8);
  h(20, xsize);
  h(21, ysize);
  h(22, CharWidth);
  h(23, CharHeight);
  h(24, CharWidth > 0 ? xsize / CharWidth : 0);
  h(25, CharHeight > 0 ? ysize / CharHeight : 0);
  h(26, xsize);
  h(27, ysize);
  h(28, 1);
  h(29, 1);
  h(30, vp.number);
  h(31, vp.width);
  h(32, vp.height);
  h(33, vp.x1);
  h(34, vp.y1);
  h(35, cfr.word(kWordPromptLines));
  p.put_u32(72, static_cast<std::uint32_t>(vp.view_width));
  p.put_u32(76, static_cast<std::uint32_t>(vp.view_height));
  p.put_u32(80, static_cast<std::uint32_t>(Set3dflags()));
  h(42, cfr.word(kWordDoubleBuffer) ? 2 : 1);
  h(43, 8);
  h(44, 0);
  h(45, 0);
  for (int off = 92; off < 116; off += 4) p.put_u32(off, 0);
  h(58, 0);
  return 1;
}

int pwho(Packet &p) {
  int kind = p.i16(14);
  if (kind == 1 || kind == 2) {
    WhoIsCalling = &MainApp;
    p.copy_text(88, MainApp.text88, sizeof MainApp.text88);
    p.copy_text(160, MainApp.text160, sizeof MainApp.text160);
  } else if (kind == 3 || kind == 5) {
    WhoIsCalling = &SecondaryApp;
    lock_graph_win(1);
  } else if (kind == 4 || kind == 6) {
    WhoIsCalling = &MainApp;
    lock_graph_win(0);
  }
  keep_caller(p);
  p.put_u32(1188, WhoIsCalling->driver_pid);
  p.put_i16(10, 0);
  p.put_i16(12, 0);
  return 1;
}

// The second program records the rendering client as the main one; the first
// takes no notice of it. Neither answers.
int rdwho(Packet &p) {
  if constexpr (kSecondBuild) {
    WhoIsCalling = &MainApp;
    keep_caller(p);
  }
  return 0;
}

int plang(Packet &p) {
  int bits = p.i16(4);
  font8bit = (bits & 2) ? 1 : 0;
  sysmenubar = (bits & 1) ? 1 : 0;
  if (bits & 1) {
    cmchar = p.i16(2);
    maxchar = p.i16(6);
  }
  return 0;
}

int pkzoom(Packet &p) { return zoom_reply(p, false); }
int pkbzoom(Packet &p) { return zoom_reply(p, true); }

int pxpcomd(Packet &p) {
  p.put_i16(2, 0);
  if (IsPdigtizeOn() && !aftershell) {
    if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
    if (local_cmd & 4) {
      if (!textmode) {
        if (IconState == 1) IconState = 0;
        DrawCommandBox(1);
      } else {
        TextScreenPalette = 1;
      }
    } else if ((local_cmd & 3) && IsZoomable()) {
      BirdseyeMode = (local_cmd & 1) ? 0 : 1;
      if (!textmode) {
        ClearCommandPalette(21);
        bview = 1;
        DrawBirdseyeView(-1);
      } else {
        TextScreenBirdseye = 1;
      }
    }
    p.put_i16(2, 1);
  }
  return 1;
}

int pashell(Packet &) {
  aftershell = 1;
  Old.x = Old.y = -1;  // the tool windows are drawn again
  return 0;
}

int pbshell(Packet &) { return 0; }

// ---- the rendering client's session ----------------------------------------------

int rdinit(Packet &p) {
  init_called = 1;
  const int client = Pkinit.field[kPkinitFlags];
  int flags = p.u16(8);
  if (first_rdinit) {
    first_rdinit = 0;
    new_image = 0;
    StorageOfRenderedImage = 0;
    if (!(client & kInitFullSession)) {
      ReadRenderingConfiguration();
      InitializeRenderingMode();
      if (client & (kInitShadeClient | kInitModelClient)) {
        cfr.word(kWordDoubleBuffer) = 0;
        cfr.word(kWordPaletteAfterUse) = 0;
        ScreenMenu = PromptArea = StatusLine = 0;
        GraphicsInit();
        CurrentPmark[kPmarkTaken] = 0;
        is_single_screen = flags & 1;
      }
      if (client & kInitShadeClient)
        is_redraw_needed = (flags >> 1) & 1;
      else if (client & kInitModelClient)
        is_redraw_needed = 0;
    } else {
      if (!afterpinit) InitializeRenderingMode();
      is_single_screen = FirstTimeInACAD ? flags & 1 : 0;
      is_redraw_needed = 0;
    }
  }

  int width = xsize, height = ysize, x0 = 0, y0 = 0;
  set_overscan(&width, &height, &x0, &y0);
  p.put_u16(10, static_cast<std::uint16_t>(width));
  p.put_u16(12, static_cast<std::uint16_t>(height));
  p.put_u16(14, 1);
  p.put_u16(16, 1);
  init_viewports();
  const char *id = GetString(212);
  p.put_text(24, id != nullptr ? id : "");

  flags = (flags | 0x10 | 0x4802) & ~(0x20 | 0x08);
  switch (RenderDepth()) {
    case 24:
      flags |= 0x380;
      RenderColors = 0;
      break;
    case 32:
      flags |= 0x480;
      RenderColors = 0;
      break;
    default:
      flags |= 0x2200;
      RenderColors = 256;
      break;
  }
  p.put_u16(8, static_cast<std::uint16_t>(flags));
  p.put_u16(18, static_cast<std::uint16_t>(RenderColors));
  p.put_u16(20, 255);
  p.put_u16(22, 256);
  Rd_init[0] = static_cast<std::uint16_t>(flags);
  Rd_init[1] = static_cast<std::uint16_t>(width);
  Rd_init[2] = static_cast<std::uint16_t>(height);
  Rd_init[3] = Rd_init[4] = 1;
  Rd_init[6] = 255;
  Rd_init[7] = 256;
  if (is_single_screen) SetScreenMode(0);
  return 1;
}
