// Raising the graphics and text windows, the callbacks of the drawing widget, window titles, interface colours and the
// window-manager close handler.
#include "ui/context.h"

#include <Xm/Xm.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "GlxDraw/GlxMDraw.h"
#include "base/build.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "commands/birdseye.h"
#include "config/config_menus.h"
#include "dialogs/dialog_packets.h"
#include "display/colour_tables.h"
#include "display/display_list.h"
#include "display/drag.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/glx.h"
#include "render3d/dview.h"
#include "ui/graph_window.h"
#include "ui/text_window.h"

float Gamma = 1.0f;
ExposeSeries graph_expose_series;

namespace {

// Title "<title> -- <name>" (or the title alone) and icon name of a shell.
void name_shell(Widget shell, const char *title, const char *name, const char *icon_name) {
  if (shell == nullptr) return;
  char text[512];
  if (name[0] != '\0')
    std::snprintf(text, sizeof text, "%.63s -- %s", title, name);
  else
    std::snprintf(text, sizeof text, "%.63s", title);
  XtVaSetValues(shell, XmNtitle, text, XmNiconName, icon_name, nullptr);
}

}  // namespace

// ---- raising the windows ----------------------------------------------------

void pop_gfx_window() {
  if (graph_frame != nullptr && XtIsRealized(graph_frame)) XRaiseWindow(display, XtWindow(graph_frame));
  set_gfx_window();
}

void set_txt_window() {}

void pop_txt_window() {
  if (txtdisp == nullptr) return;
  if (text_frame != nullptr && XtIsRealized(text_frame)) XRaiseWindow(txtdisp, XtWindow(text_frame));
  set_txt_window();
}

// ---- colours ----------------------------------------------------------------

void get_widget_color(XColor *color, Widget widget, const char *resource) {
  Pixel pixel = 0;
  Colormap colormap = 0;
  XtVaGetValues(widget, resource, &pixel, XmNcolormap, &colormap, nullptr);
  if (colormap == 0) colormap = DefaultColormapOfScreen(XtScreen(widget));
  color->pixel = pixel;
  XQueryColor(XtDisplay(widget), colormap, color);
}

void get_window_bgcolor(XColor *color) { get_widget_color(color, graph_mainw, XmNbackground); }
void get_window_fgcolor(XColor *color) { get_widget_color(color, graph_mainw, XmNforeground); }
void get_dwg_bgcolor(XColor *color) { get_widget_color(color, graph_pw, XmNbackground); }
void get_dwg_fgcolor(XColor *color) { get_widget_color(color, graph_pw, XmNforeground); }

void gamma_default(Widget, int, XrmValue *value) {
  value->addr = reinterpret_cast<XPointer>(&Gamma);
  value->size = sizeof Gamma;
}

// ---- titles, messages, close --------------------------------------------------

void dx_name(const char *name) {
  if (name == nullptr) name = "";
  const char *slash = std::strrchr(name, '/');
  const char *icon_name = slash != nullptr ? slash + 1 : name;
  name_shell(graph_frame, gfx_window.title, name, icon_name);
  if (txtdisp != nullptr) name_shell(text_frame, txt_window.title, name, icon_name);
}

// Whatever mode the client names, the graphics-mode cursor is shown; with the
// system cursor asked for, the window takes its parent's.
void dx_mole_cursor(int) { graph_cursor(system_cursor ? 0 : 1); }

void error_message(const char *text) {
  if (text == nullptr) return;
  const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
  if constexpr (kSecondBuild) {
    // A byte a character, as the client's own output: an escape is dropped.
    for (; *p != '\0'; ++p) {
      if (command_lines_info != nullptr) tw_text_out(command_lines_info, *p);
      if (text_window_info != nullptr) tw_text_out(text_window_info, *p);
    }
    return;
  }
  while (*p != '\0') {
    int character = *p++;
    // A lead byte takes its trail byte with it, unless the text ends there.
    if (isfirstkanji(character) && *p != '\0') character = (character << 8) | *p++;
    if (command_lines_info != nullptr) text_out_use_local(command_lines_info, character);
    if (text_window_info != nullptr) text_out_use_local(text_window_info, character);
  }
}

void no_destroy() {
  if (!init_called || busy_with_dialog != 0) return;
  queue_key(kKeyCtrlC);
  queue_key(kKeyCtrlC);
  queue_key(kKeyCtrlC);
  queue_string("_QUIT ", 0, 1);
}

// ---- exposure series --------------------------------------------------------

bool expose_series_add(ExposeSeries *series, const ExposeRect &rect, int count, ExposeRect *area) {
  if (!series->open) {
    series->open = true;
    series->empty = true;
  }
  if (rect.width > 0 && rect.height > 0) {
    // 64-bit sums: the far edges of rectangles from the wire cannot overflow.
    int x2 = static_cast<int>(std::min<long long>(INT_MAX, static_cast<long long>(rect.x) + rect.width));
    int y2 = static_cast<int>(std::min<long long>(INT_MAX, static_cast<long long>(rect.y) + rect.height));
    if (series->empty) {
      series->x1 = rect.x;
      series->y1 = rect.y;
      series->x2 = x2;
      series->y2 = y2;
      series->empty = false;
    } else {
      series->x1 = std::min(series->x1, rect.x);
      series->y1 = std::min(series->y1, rect.y);
      series->x2 = std::max(series->x2, x2);
      series->y2 = std::max(series->y2, y2);
    }
  }
  if (count > 0) return false;
  series->open = false;
  if (series->empty)
    *area = ExposeRect{0, 0, 0, 0};
  else
    *area = ExposeRect{series->x1, series->y1, series->x2 - series->x1, series->y2 - series->y1};
  return true;
}

// ---- callbacks of the drawing widget -----------------------------------------

void adi_refresh(const RefreshArea *area) {
  if (area == nullptr) return;
  // While the configuration screen is up, tempcfr holds its edits: the text
  // areas are drawn from them, as the screen showed them.
  if (!ConfigScreenShown()) tempcfr = cfr;
  SelectScreenMatrix();
  Clear_UI(22);

  const int x1 = area->x, x2 = area->x + area->width + 1;
  const int y2 = ysize - area->y, y1 = y2 - area->height;
  const bool repainted = cfr.word(kWordRefreshList) != 0;
  if (repainted) {
    SetScreenMask(x1, x2, y1, y2);
    MyColor(ConfigColor(kWordColourGraphics));
    clear();
    if (!init_called) return;
    RedrawTextAreas();
    repaint_exposed(x1, x2, y1, y2);
  } else {
    // The client draws everything again.
    send_event(4, 0, 0, 0, 0);
  }

  Restore_UI();
  // The configuration screen comes back as it was, edits included, over the
  // screen repainted beneath it.
  if (repainted)
    RepaintConfigScreen(x1, y1, x2, y2);
  else
    RepaintConfigScreen(0, 0, -1, -1);
}

void graph_ginit_cb(Widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const GlxDrawCallbackStruct *>(call_data);
  set_gfx_window();
  glcompat(0, 0);
  concave(1);
  frontface(0);
  backface(0);
  shademodel(0);
  mmode(KGL_MSINGLE);
  set_ovr_window();
  ChangeUIcolors = 1;
  map_ui_colors();
  set_gfx_window();
  viewport(0, cb->width - 1, 0, cb->height - 1);
  MyColor(cfr.word(kWordColourGraphics));
  clear();
  CurrentMatrixNumber = -1;
  RedrawTextAreas();
  DrawBorders();
}

void graph_resize_cb(Widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const GlxDrawCallbackStruct *>(call_data);
  if (cb == nullptr || cb->event == nullptr || cb->event->type != Expose) return;
  const XExposeEvent &ev = cb->event->xexpose;

  // Every rectangle of a series counts, also those that arrive while a resize
  // is being taken in, so that its last event repaints all of them.
  ExposeRect area{};
  bool series_done = expose_series_add(&graph_expose_series, ExposeRect{ev.x, ev.y, ev.width, ev.height},
                                       ev.count, &area);
  if (!graph_win_resized) {
    if (!series_done || area.width <= 0 || area.height <= 0) return;
    RefreshArea refresh{};
    refresh.x = static_cast<std::int16_t>(std::clamp(area.x, 0, 32767));
    refresh.y = static_cast<std::int16_t>(std::clamp(area.y, 0, 32767));
    refresh.width = static_cast<std::uint16_t>(std::min(area.width, 65535));
    refresh.height = static_cast<std::uint16_t>(std::min(area.height, 65535));
    adi_refresh(&refresh);
    return;
  }
  if (!init_called) {
    graph_win_resized = 0;
    return;
  }
  // After a resize the client draws everything again: drop what was kept.
  bool refresh_list = cfr.word(kWordRefreshList) != 0;
  if (refresh_list) EraseRefreshDisplayList(0);
  for (int index = 1; index < kViewportCount; ++index) {
    if (vp_info[index].number == -1) continue;
    EraseDisplayList(index);
    empty_vlist(index, 1);
    if (refresh_list) EraseRefreshDisplayList(index);
    free_saved_pixels(index);
    if (vp_info[index].number == BirdseyeViewport) {
      BirdseyeViewport = -1;
      FreeCachedBirdseye();
    }
    if (index == RenderedViewport) reset_dview();
  }
  graph_win_resized = 0;
}

void graph_expose_cb(Widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const GlxDrawCallbackStruct *>(call_data);
  if (cb != nullptr && cb->window != 0) GLXwinset(display, cb->window);
}

void overlay_expose_cb(Widget widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const GlxDrawCallbackStruct *>(call_data);
  if (cb == nullptr || cb->window == 0) return;
  Dimension width = 0, height = 0;
  XtVaGetValues(widget, XmNwidth, &width, XmNheight, &height, nullptr);
  GLXwinset(display, cb->window);
  viewport(0, static_cast<Int32>(width) - 1, 0, static_cast<Int32>(height) - 1);
  CurrentMatrixNumber = -1;
  color(0);
  clear();
  Clear_UI(22);
  Restore_UI();
}

void attach_graph_callbacks(Widget drawing) {
  XtAddCallback(drawing, GlxNexposeCallback, graph_resize_cb, nullptr);
  XtAddCallback(drawing, GlxNginitCallback, graph_ginit_cb, nullptr);
  XtAddCallback(drawing, GlxNexposeCallback, graph_expose_cb, nullptr);
  XtAddCallback(drawing, use_pups ? GlxNpopupExposeCallback : GlxNoverlayExposeCallback, overlay_expose_cb,
                nullptr);
  XtUninstallTranslations(drawing);
}
