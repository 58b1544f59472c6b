// Start-up state and the inputs of the one Xt loop: the packet pipe, the text
// device, the drawing widget's events and the digitize timer.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdint>

struct PacketClient;

// One of the driver's top-level windows.
struct WindowInfo {
  char title[64];
  int width, height, depth;
};

extern XtAppContext context;
extern Display *display;
extern int screen;
extern Screen *screen_struct;
extern int depth;
extern Visual *def_visual;
extern Colormap def_cmap;
extern XStandardColormap best_rgb;
extern int graph_cmap_size;

extern Display *txtdisp;          // text window's display, or nullptr
extern Display *toolbox_display;  // tool windows' display
extern FILE *input_fd;            // text device when it is not an X window
extern FILE *output_fd;

extern WindowInfo gfx_window, txt_window;
extern Cursor graphmode_cursor, dialogmode_cursor, infomode_cursor;
extern GC cursor_gc;
extern int char_wdt, char_hgt, char_bot;

extern PacketClient *pkti;
extern int packet_input_fd;
extern XtInputId uadi_input, stdin_input;
extern int acad_listening;

extern std::uint16_t s_bord, t_bord;  // window-manager border and title height
extern int cursor_in_window;          // 2 inside the drawing window, 0 outside
extern int modify_keys;               // 1 Shift, 2 Control of the pointer event
extern XEvent last_event;
extern int graph_win_resized;

// The pointer sample graph_handler hands to poll_pointer.
struct PointerSample {
  std::int16_t x, y;
  std::int16_t left, middle, right;  // 1 pressed, 0 released
};
extern PointerSample pointer_sample;

extern XtIntervalId digitize_timer_id;

extern const char *const fallback_resources[];  // kFallbackResourceCount lines, then nullptr
inline constexpr int kFallbackResourceCount = 73;

void pkt_callback(XtPointer client_data, int *source, XtInputId *id);
void stdinCB(XtPointer client_data, int *source, XtInputId *id);
void graph_handler(Widget w, XEvent *event, String *params, Cardinal *num_params);
void input_text(XKeyEvent *event);
void set_graph_shell_hints();
void start_digitize_timer();
void stop_digitize_timer();
void digitize_timeout_cb(XtPointer client_data, XtIntervalId *id);
void x_warning_handler(String message);

// The drawing window's size when it was created: later configure events
// that change it are resizes.
void note_graph_window_size(int width, int height);

// Has the drawing presented (once) when the loop next waits for input.
void request_present();

// Registers the packet pipe as an input of the loop (start-up and Ctrl-S resume).
void add_packet_input();

// The key code sent for a special keysym, 0 when it is not one of the table,
// -1 for keys that send nothing (F10, F11).
int special_key_code(KeySym sym);
