#include "base/events.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "base/channel.h"
#include "base/session.h"
#include "base/x_session.h"

PacketClient *event_client;
int last_arrow_key;
int pick_count;
int action_key, cancel_key;

namespace {

// What queue_coord last sent.
int last_x = -1, last_y = -1, last_inside;

// Framed events the event pipe had no room for: backlog[backlog_at ..), the
// oldest first.
std::vector<std::uint8_t> backlog;
std::size_t backlog_at;
XtInputId backlog_watch;  // the loop's watch for room on the pipe, while events wait

// Past this many bytes waiting (some 170,000 events) the driver waits for the
// client after all, rather than take memory without end.
constexpr std::size_t kBacklogMax = std::size_t{4} << 20;

void event_pipe_ready(XtPointer, int *, XtInputId *) {
  if (flush_events() && backlog_watch != 0) {
    XtRemoveInput(backlog_watch);
    backlog_watch = 0;
  }
}

void watch_event_pipe() {
  if (backlog_watch != 0 || context == nullptr) return;
  backlog_watch = XtAppAddInput(context, event_client->out_fd, reinterpret_cast<XtPointer>(XtInputWriteMask),
                                event_pipe_ready, nullptr);
}

}  // namespace

std::size_t events_waiting() { return backlog.size() - backlog_at; }

bool flush_events() {
  while (events_waiting() > 0) {
    const std::size_t put = write_ready(event_client->out_fd, backlog.data() + backlog_at, events_waiting());
    if (put == 0) break;
    backlog_at += put;
  }
  if (backlog_at == backlog.size()) {
    backlog.clear();
    backlog_at = 0;
    return true;
  }
  if (backlog_at >= 65536 && backlog_at >= backlog.size() / 2) {
    backlog.erase(backlog.begin(), backlog.begin() + static_cast<std::ptrdiff_t>(backlog_at));
    backlog_at = 0;
  }
  return false;
}

void deliver_waiting_events() {
  // A client that takes nothing for this long is gone or will not read.
  constexpr int kPatienceMs = 5000;
  while (events_waiting() > 0) {
    pollfd room{event_client->out_fd, POLLOUT, 0};
    const int r = poll(&room, 1, kPatienceMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    const ssize_t put = write(room.fd, backlog.data() + backlog_at, events_waiting());
    if (put > 0)
      backlog_at += static_cast<std::size_t>(put);
    else if (put == 0 || (errno != EINTR && errno != EAGAIN))
      return;  // the client closed the pipe
  }
}

void discard_waiting_events() {
  backlog.clear();
  backlog_at = 0;
  if (backlog_watch != 0) XtRemoveInput(backlog_watch);
  backlog_watch = 0;
}

void reset_event_state() {
  last_x = last_y = -1;
  last_inside = 0;
  pick_count = 0;
  last_arrow_key = 0;
}

void encode_event(const EventPacket &ev, std::uint8_t out[kEventSize]) {
  Packet p(out, kEventSize, kEventSize);
  for (int i = 0; i < kEventSize; ++i) out[i] = 0;
  p.put_u16(0, kEventOpcode);
  p.put_u16(2, ev.type);
  p.put_i32(4, ev.x);
  p.put_i32(8, ev.y);
  p.put_u16(12, ev.key);
  p.put_u32(16, ev.extra);
}

void send_event(int type, int x, int y, int key, std::uint32_t extra) {
  if (event_client == nullptr) {
    if (packet_client == nullptr) return;
    event_client = init_pkt(-1, packet_client->event_fd, -1, -1, -1);
    if (event_client == nullptr) return;
    const int fd = event_client->out_fd;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  std::uint8_t frame[4 + kEventSize] = {0, 0, 0, kEventSize};
  encode_event({static_cast<std::uint16_t>(type), x, y, static_cast<std::uint16_t>(key), extra}, frame + 4);
  if (events_waiting() == 0) {
    const std::size_t put = write_ready(event_client->out_fd, frame, sizeof frame);
    if (put == sizeof frame) return;
    backlog.assign(frame + put, frame + sizeof frame);
  } else {
    backlog.insert(backlog.end(), frame, frame + sizeof frame);
    while (events_waiting() > kBacklogMax) {
      pollfd room{event_client->out_fd, POLLOUT, 0};
      poll(&room, 1, -1);
      flush_events();
    }
  }
  if (events_waiting() > 0) watch_event_pipe();
}

void queue_key(int key) {
  key &= 0xffff;
  if (key == kKeyUp || key == kKeyDown) {
    last_arrow_key = key;
    return;
  }
  if (key == kKeyCtrlC) {
    if (busy_with_dialog) return;  // the dialog handles it
    if (acad_pid > 1) kill(acad_pid, SIGINT);
    send_event(kEventInterrupt, 0, 0, 0, 0);
    return;
  }
  send_event(kEventKey, 0, 0, key, 0);
}

void queue_string(const char *text, int framed, int prefix2) {
  if (framed) queue_key(kKeyStringStart);
  if (prefix2) queue_key(kKeyStringPrefix2);
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) queue_key(*p);
  if (framed) queue_key(kKeyStringEnd);
}

void queue_resize(int width, int height) {
  if (!init_called) return;
  queue_key(kKeyCtrlC);
  send_event(kEventGraphResize, width, height, 0, 0);
  init_called = 0;
}

void queue_rd_resize(int width, int height) { send_event(kEventRenderResize, width, height, 0, 0); }

void queue_text_resize(int columns, int rows) { send_event(kEventTextResize, columns, rows, 0, 0); }

void queue_button(int x, int y, int button, int pressed, std::uint32_t extra) {
  send_event(pressed ? kEventButtonPress : kEventButtonRelease, x, y, button, extra);
}

void queue_sidemenu_pick(int row) {
  int k = (StatusLine || !use_localmenu) ? 1 : 0;
  int y = (row + k) * CharHeight + CharHeight / 2;
  int x = gfx_window.width + 2;
  queue_key(kKeySideMenuPick);
  send_event(kEventButtonPress, x, y, 0, 0);
  send_event(kEventButtonRelease, x, y, 0, 0);
}

void queue_menu(int menu, int item) { queue_button(0, 0, (menu != 0 ? menu * 1000 : 500) + item + 2, 1, 0); }

void queue_coord(int x, int y, int inside, std::uint32_t extra) {
  if (inside) {
    if (last_inside && x == last_x && y == last_y) return;
    send_event(kEventCoord, x, y, 0, extra);
    last_x = x;
    last_y = y;
    last_inside = 1;
  } else if (last_inside) {
    send_event(kEventPointerLeft, 0, 0, 0, extra);
    last_x = last_y = -1;
    last_inside = 0;
  }
}
