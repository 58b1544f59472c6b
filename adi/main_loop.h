// Start-up state and the inputs of the one Xt loop: the packet pipe, the text
// device, the drawing widget's events and the digitize timer.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

#include "base/build.h"
#include "base/x_session.h"

struct PacketClient;

extern PacketClient *pkti;
extern int packet_input_fd;
extern XtInputId uadi_input, stdin_input;
extern int acad_listening;

extern XtIntervalId digitize_timer_id;

extern const char *const *const fallback_resources;  // kFallbackResourceCount lines, then nullptr
// The second program names single fonts widget by widget where the first
// gives three font sets.
inline constexpr int kFallbackResourceCount = kSecondBuild ? 104 : 73;

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
