// A small session for the driver's commands and tool windows: an off-screen
// window of W x H pixels with a drawing area above a prompt band and below a
// status line, viewport 1 open over a logical range of 1000 whose world
// extents are 0..1000, and the driver's messages caught in a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/config_record.h"
#include "base/events.h"
#include "base/session.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/dview.h"
#include "support/saved_config.h"

// The time-slice clock, held by the test.
inline int tool_clock;
inline void tool_clock_reset() { tool_clock = 0; }
inline int tool_clock_read() { return tool_clock; }

class ToolTest : public ::testing::Test {
 protected:
  static constexpr int W = 320, H = 240, CW = 8, CH = 13, CD = 3;
  static constexpr int kRange = 1000;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  std::FILE *out = nullptr;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    xsize = W, ysize = H, CharWidth = CW, CharHeight = CH, CharDescender = CD;
    xmin = 0, ymin = 40, xmax = W - 1, ymax = H - CH - 2, graphy = ymax - ymin;
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
    Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(graphy);
    Pkinit.field[kPkinitLevel] = 8;
    Initialized = 1;
    PromptArea = StatusLine = ScreenMenu = 0;
    use_localtext = use_localstatus = use_pups = 0;
    cfr.word(kWordColourGraphics) = 0, cfr.word(kWordColourXor) = 7, cfr.word(kWordColourPulldown) = 5;
    cfr.word(kWordDoubleBuffer) = 0, cfr.word(kWordDisplayList) = 1, cfr.word(kWordMenuWidth) = 10;
    cfr.word(kWordPickRepeat) = 30, cfr.word(kWordTimeSlice) = 5, cfr.word(kWordPageSize) = 4096;
    newcfr = tempcfr = cfr;
    draw_mode = KGL_NORMALDRAW;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, W - 1, 0, H - 1);
    getmatrix(ScreenMatrix);
    CurrentMatrixNumber = -1;
    InitPatterns();
    ChangeUIcolors = 1;
    map_ui_colors();

    init_viewports();
    reset_viewport_table();
    open_viewport(1);
    CurrentViewport = 1;
    last_vpn = -999;

    out = std::tmpfile();
    output_fd = out;
    text_echo = 1;
    textmode = no_echo = aftershell = pushcount = 0;
    pdigitize = 1;
    cursor_in_window = 2;
    PdigitizeNeeded = digitizer = 0;
    product_stable = 1;
    cancel_key = action_key = 0;
    Old.x = Old.y = -1;
    redraw_reset_timer = tool_clock_reset;
    redraw_read_timer = tool_clock_read;
    tool_clock = 0;
    ResetStringRequests();
    ResetCommandPalette();
    ResetBirdseye();
    ZoomRequest = dlist_pan = 0;
  }

  void TearDown() override {
    ResetBirdseye();
    ResetCommandPalette();
    ResetStringRequests();
    redraw_reset_timer = ResetTimer;
    redraw_read_timer = ReadTimer;
    output_fd = nullptr;
    if (out) std::fclose(out);
    text_echo = textmode = 0;
    Initialized = 0;
    CurrentMatrixNumber = -1;
    kgl_offscreen_destroy(ctx);
  }

  // Viewport index 1 carrying number n over the drawing area.
  void open_viewport(int n) {
    ViewportRecord &vp = vp_info[1];
    vp.number = vp.last_number = n;
    vtrans[1] = n;
    vp.x1 = 0, vp.y1 = ymin, vp.x2 = xmax, vp.y2 = ymax;
    vp.width = vp.x2 - vp.x1 + 1, vp.height = vp.y2 - vp.y1 + 1;
    vp.xrange = vp.yrange = kRange;
    vp.view_x1 = vp.view_y1 = 100, vp.view_x2 = vp.view_y2 = 600;
    vp.aspect = static_cast<float>(vp.height) / static_cast<float>(vp.width);
    vp.units_per_pixel = kRange / vp.width;
    vp.flags = kVpExtentsKnown;
    const float extents[6] = {0, 0, 0, kRange, kRange, 0};
    std::memcpy(vp.extents, extents, sizeof extents);
    mmode(KGL_MSINGLE);
    ortho2(-1, kRange, -1, kRange);
    getmatrix(vp.full_matrix);
    CurrentMatrixNumber = -1;
  }

  // What the driver printed since the last call.
  std::string printed() {
    std::fflush(out);
    std::rewind(out);
    std::string s;
    for (int c; (c = std::fgetc(out)) != EOF;) s += static_cast<char>(c);
    std::fclose(out);
    out = std::tmpfile();
    output_fd = out;
    return s;
  }

  // A digitizer sample as the tools read it.
  static void sample(int code, int x, int y) {
    Original[0] = 37;
    Original[1] = static_cast<std::int16_t>(code);
    Original[2] = static_cast<std::int16_t>(x);
    Original[3] = static_cast<std::int16_t>(y);
  }
};
