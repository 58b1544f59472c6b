#include "adi/main_loop.h"

#include <X11/keysym.h>
#include <Xm/Xm.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "adi/dispatch.h"
#include "adi/pointer.h"
#include "adi/screen_mode.h"
#include "adi/session.h"
#include "base/build.h"
#include "base/channel.h"
#include "base/events.h"
#include "build2/diagnostics.h"
#include "commands/prompt.h"
#include "commands/string_input.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/wrappers.h"
#include "kanji/kanji_window.h"
#include "kovagl/gl.h"
#include "render3d/rendering.h"
#include "ui/context.h"
#include "ui/graph_window.h"

PacketClient *pkti;
int packet_input_fd = -1;
XtInputId uadi_input, stdin_input;
int acad_listening;
XtIntervalId digitize_timer_id;

namespace {

bool packets_paused;   // Ctrl-S holds the packet pipe until the next key
// The drawing window's size as the event stream last told it. A size read
// from the server may already be ahead of the events still queued, so only
// configure events (and the size at creation) decide what is a resize.
int configured_width = -1, configured_height = -1;
bool borders_measured; // the window-manager borders were measured once

// Drawing reaches the screen when the loop is about to wait.
bool present_queued;

Boolean present_work_proc(XtPointer) {
  present_queued = false;
  kgl_present_pending();
  return True;
}

// Asks for the string and digitizer input the client waits for: after every
// message and every other input the loop handles.
void solicit_input() {
  if (PstringNeeded) solicit_pstring();
  if (PdigitizeNeeded) start_digitize_timer();
}

// After an input of the loop: the solicits, and what was drawn is presented
// once the loop is idle.
void after_input() {
  request_present();
  solicit_input();
}

bool window_events_pending() { return (XtAppPending(context) & XtIMXEvent) != 0; }

// Window events Xlib has read already: looking costs no system call.
bool window_events_queued() {
  for (Display *d : {display, txtdisp, toolbox_display})
    if (d != nullptr && XQLength(d) > 0) return true;
  return false;
}

// The display list's memory figure on the status bar, put up a tenth of a
// second after messages ran: a stream of vectors takes a page every few
// hundred, and each figure shown costs round trips to the server.
void show_list_memory_soon() {
  static bool queued;
  if (queued) return;
  queued = true;
  XtAppAddTimeOut(context, 100, [](XtPointer, XtIntervalId *) {
    queued = false;
    ShowListMemory();
  }, nullptr);
}

// Bytes left in the read-ahead make the pipe look idle: a timer runs them.
void resume_buffered_packets() {
  static bool queued;
  if (queued || packets_paused || !input_buffered(packet_client, false)) return;
  queued = true;
  XtAppAddTimeOut(context, 0, [](XtPointer, XtIntervalId *) {
    queued = false;
    pkt_callback(nullptr, nullptr, nullptr);
  }, nullptr);
}

bool packet_pipe_readable() {
  pollfd p{packet_input_fd, POLLIN, 0};
  int r;
  do r = poll(&p, 1, 0);
  while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

void modifiers_from_state(unsigned int state) {
  if (state & ShiftMask) modify_keys |= 1;
  if (state & ControlMask) modify_keys |= 2;
}

void pointer_button(XButtonEvent *ev, int pressed) {
  modifiers_from_state(ev->state);
  if (pressed && ev->button == Button1 && textmode && init_called) queue_key(kKeyScreenFlip);
  cursor_in_window = 2;
  pointer_sample.x = static_cast<std::int16_t>(ev->x);
  pointer_sample.y = static_cast<std::int16_t>(ev->y);
  int device;
  switch (ev->button) {
    case Button1:
      device = kDevLeftButton;
      pointer_sample.left = static_cast<std::int16_t>(pressed);
      break;
    case Button2:
      device = kDevMiddleButton;
      pointer_sample.middle = static_cast<std::int16_t>(pressed);
      break;
    case Button3:
      device = kDevRightButton;
      pointer_sample.right = static_cast<std::int16_t>(pressed);
      break;
    default:
      return;
  }
  poll_pointer(device, pressed);
}

void pointer_at(int x, int y) {
  pointer_sample.x = static_cast<std::int16_t>(x);
  pointer_sample.y = static_cast<std::int16_t>(y);
  poll_pointer(kDevMotion, x);
}

}  // namespace

void note_graph_window_size(int width, int height) {
  configured_width = width;
  configured_height = height;
}

void request_present() {
  if (present_queued || context == nullptr) return;
  present_queued = true;
  XtAppAddWorkProc(context, present_work_proc, nullptr);
}

void add_packet_input() {
  uadi_input = XtAppAddInput(context, packet_input_fd, reinterpret_cast<XtPointer>(XtInputReadMask),
                             pkt_callback, nullptr);
  resume_buffered_packets();
}

void pkt_callback(XtPointer, int *, XtInputId *) {
  // A nested loop (a message box) never runs packets inside a packet.
  static bool dispatching;
  if (dispatching) return;
  // Window events first: no message runs while one waits.
  while (window_events_pending()) XtAppProcessEvent(context, XtIMXEvent);
  if (packets_paused) return;
  if (input_buffered(packet_client, false) || packet_pipe_readable()) {
    // Messages already read run on, one after another as the loop would run
    // them, each followed by the solicits; a window event that comes in, or a
    // while spent, hands the loop back first. Events read already are seen
    // after every message, those still in the connection every millisecond:
    // asking the server after each of a stream of small messages costs more
    // than running them.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    auto next_look = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    for (;;) {
      dispatching = true;
      const int killed = dispatch_pkt(packet_client);
      dispatching = false;
      if (killed) {
        kgl_present_pending();
        deliver_waiting_events();
        std::exit(0);
      }
      // Once a message has changed the colour map: in the drawing context
      // the message left current.
      RecolourIndexPixels();
      solicit_input();
      if (packets_paused || !input_buffered(packet_client, true) || window_events_queued()) break;
      const auto now = std::chrono::steady_clock::now();
      if (now >= until) break;
      if (now >= next_look) {
        if (window_events_pending()) break;
        next_look = now + std::chrono::milliseconds(1);
      }
    }
    show_list_memory_soon();
    request_present();
  } else {
    after_input();
  }
  resume_buffered_packets();
}

void stdinCB(XtPointer, int *source, XtInputId *id) {
  char text[4097];
  ssize_t n = read(*source, text, 4096);
  if (n > 0) {
    text[n] = '\0';
    queue_string(text, 0, 0);
  } else if (n == 0 || errno != EINTR) {
    // The text device is gone: stop watching it instead of spinning.
    XtRemoveInput(*id);
    stdin_input = 0;
  }
}

void set_graph_shell_hints() {
  borders_measured = true;
  Position x = 0, y = 0;
  Dimension w = 0, h = 0;
  XtVaGetValues(graph_frame, XmNx, &x, XmNy, &y, XmNwidth, &w, XmNheight, &h, nullptr);
  int fx = x, fy = y;
  get_frame_geometry(graph_frame, &fx, &fy);
  s_bord = static_cast<std::uint16_t>(x - fx);
  t_bord = static_cast<std::uint16_t>(y - fy);
  XtVaSetValues(graph_frame, XmNminWidth, 300, XmNminHeight, 100, XmNheight, h, XmNwidth, w, XmNmaxWidth,
                graph_max_width, XmNmaxHeight, graph_max_height, nullptr);
}

void graph_handler(Widget, XEvent *event, String *, Cardinal *) {
  // Measured once, also when no window manager adds a border.
  if (!borders_measured && s_bord == 0 && t_bord == 0) set_graph_shell_hints();
  modify_keys = 0;
  switch (event->type) {
    case KeyPress:
      input_text(&event->xkey);
      break;
    case ButtonPress:
      XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
      pointer_button(&event->xbutton, 1);
      break;
    case ButtonRelease:
      pointer_button(&event->xbutton, 0);
      break;
    case MotionNotify:
      modifiers_from_state(event->xmotion.state);
      cursor_in_window = 2;
      pointer_at(event->xmotion.x, event->xmotion.y);
      break;
    case EnterNotify:
      modifiers_from_state(event->xcrossing.state);
      cursor_in_window = 2;
      PromptCursor(1);
      set_ovr_window();
      set_gfx_window();
      pointer_at(event->xcrossing.x, event->xcrossing.y);
      break;
    case LeaveNotify:
      modifiers_from_state(event->xcrossing.state);
      cursor_in_window = 0;
      PromptCursor(0);
      pointer_sample.left = pointer_sample.middle = pointer_sample.right = 0;
      pointer_at(event->xcrossing.x, event->xcrossing.y);
      break;
    case FocusOut:
      Clear_UI(22);
      break;
    case MapNotify:
      get_graph_win_attrs(&gfx_window.width, &gfx_window.height, &gfx_window.depth);
      XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
      break;
    case ConfigureNotify: {
      const XConfigureEvent &ce = event->xconfigure;
      if (ce.width == configured_width && ce.height == configured_height) break;
      configured_width = ce.width;
      configured_height = ce.height;
      graph_win_resized = 1;
      get_graph_win_attrs(&gfx_window.width, &gfx_window.height, &gfx_window.depth);
      Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(gfx_window.width);
      Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(gfx_window.height);
      if constexpr (!kSecondBuild) {
        // A maximised window is placed inside the window manager's frame.
        Dimension sw = 0, sh = 0;
        XtVaGetValues(graph_frame, XmNwidth, &sw, XmNheight, &sh, nullptr);
        if (sw == graph_max_width && sh == graph_max_height)
          XtVaSetValues(graph_frame, XmNx, static_cast<Position>(s_bord), XmNy, static_cast<Position>(t_bord),
                        nullptr);
      }
      int w = gfx_window.width, h = gfx_window.height;
      set_ovr_window();
      viewport(0, static_cast<Int16>(w - 1), 0, static_cast<Int16>(h - 1));
      set_gfx_window();
      viewport(0, static_cast<Int16>(w - 1), 0, static_cast<Int16>(h - 1));
      queue_resize(w, h);
      break;
    }
    default:
      break;
  }
  last_event = *event;
  after_input();
}

int special_key_code(KeySym sym) {
  switch (sym) {
    case XK_F1: return kKeyScreenFlip;
    case XK_F2: return 4;
    case XK_F3: return 7;
    case XK_F4: return 15;
    case XK_F5: return 2;
    case XK_F6: return 20;
    case XK_F7: return 5;
    case XK_F8: return 11;
    case XK_F9: return 14;
    case XK_F10: return -1;
    case XK_F11: return -1;
    case XK_F12: return 12;
    case XK_BackSpace: return 8;
    case XK_Home: case XK_KP_Home: return kKeyHome;
    case XK_Left: case XK_KP_Left: return kKeyLeft;
    case XK_Right: case XK_KP_Right: return kKeyRight;
    case XK_Up: case XK_KP_Up: return kKeyUp;
    case XK_Down: case XK_KP_Down: return kKeyDown;
    case XK_End: case XK_KP_End: return kKeyEnd;
    case XK_Prior: case XK_KP_Prior: return kKeyPageUp;
    case XK_Next: case XK_KP_Next: return kKeyPageDown;
    case XK_Insert: case XK_KP_Insert: return kKeyInsert;
    case XK_Delete: case XK_KP_Delete: return kKeyDelete;
    default: return 0;
  }
}

void input_text(XKeyEvent *event) {
  static XComposeStatus compose;
  char ch[2] = {0, 0};
  KeySym sym = NoSymbol;
  int count = XLookupString(event, ch, 1, &sym, &compose);
  if (sym == NoSymbol) return;
  stop_digitize_timer();

  int code = special_key_code(sym);
  if (code > 0) {
    queue_key(code);
  } else if (code < 0) {
    if constexpr (!kSecondBuild) {
      if (sym == XK_F11) raise_kanji_window();
    }
  } else if (count > 0) {
    if (packets_paused) {
      packets_paused = false;  // any key resumes, and is not sent
      add_packet_input();
    } else if (ch[0] == 0x13) {
      packets_paused = true;  // Ctrl-S: stop reading packets
      XtRemoveInput(uadi_input);
    } else if (take_tool_key(sym)) {
      // Return or Escape for the driver's tool that holds the pointer.
    } else if (ch[0] != '\0') {
      queue_key(static_cast<unsigned char>(ch[0]));
    }
  }
  start_digitize_timer();
}

void start_digitize_timer() {
  if (digitize_timer_id == 0) digitize_timer_id = XtAppAddTimeOut(context, 17, digitize_timeout_cb, nullptr);
}

void stop_digitize_timer() {
  if (digitize_timer_id != 0) {
    XtRemoveTimeOut(digitize_timer_id);
    digitize_timer_id = 0;
  }
}

void digitize_timeout_cb(XtPointer, XtIntervalId *) {
  digitize_timer_id = 0;
  poll_pointer(kDevTimer, 1);
  request_present();
  if (PstringNeeded) solicit_pstring();
  if (PdigitizeNeeded) digitize_timer_id = XtAppAddTimeOut(context, 17, digitize_timeout_cb, nullptr);
}

// The first program ignores every toolkit warning; the second prints them
// when its diagnostics ask for it.
void x_warning_handler(String message) {
  if constexpr (kSecondBuild) print_xt_warning(message);
}
