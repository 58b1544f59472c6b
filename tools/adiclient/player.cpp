// The player: runs actions in order, printing what the driver sends.
#include "adiclient/player.h"

#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>

#include "adiclient/driver.h"
#include "adiclient/opcodes.h"
#include "adiclient/xwindow.h"

namespace adiclient {
namespace {

using Clock = std::chrono::steady_clock;

// The session being played: the driver, and what it sent that no
// expectation has taken yet.
struct Session {
  const PlayerOptions *opt = nullptr;
  Driver driver;
  bool started = false;
  bool handshake_shown = false;
  bool broken = false;  // a stream is out of step
  std::string broken_why;
  std::deque<Packet> replies;
  std::deque<Packet> events;
  int sigints_before = 0;  // SIGINTs counted before this script began
  int sigints_shown = 0;
  size_t out_shown = 0, err_shown = 0;  // bytes of stdout/stderr relayed
  XDisplay *display = nullptr;
};

Session *s = nullptr;  // the one play_script is playing

void trace(const std::string &line) {
  if (!s->opt->quiet) std::fprintf(s->opt->out, "%s\n", line.c_str());
}

std::string event_line(const Packet &p) {
  Event e;
  if (decode_event(p.bytes, e)) return format_event(e);
  return "event ?? " + format_packet(p);
}

// Complete lines of a captured stream, shown as they come.
void relay(const Channel &c, size_t &shown, const char *label, bool to_err_when_quiet) {
  size_t total = c.data.size();  // the player never takes from these channels
  while (shown < total) {
    size_t end = shown;
    while (end < total && c.data[end] != '\n') ++end;
    if (end == total && !c.eof) return;  // wait for the rest of the line
    std::string line(c.data.begin() + static_cast<std::ptrdiff_t>(shown),
                     c.data.begin() + static_cast<std::ptrdiff_t>(end));
    shown = end < total ? end + 1 : end;
    if (!s->opt->quiet)
      std::fprintf(s->opt->out, "%s: %s\n", label, line.c_str());
    else if (to_err_when_quiet)
      std::fprintf(s->opt->err, "%s\n", line.c_str());
  }
}

int sigints() { return sigint_count() - s->sigints_before; }

// Takes everything that has fully arrived into the queues and prints it.
void collect() {
  Driver &d = s->driver;
  Packet p;
  if (take_handshake(d) == Got::packet && !s->handshake_shown) {
    s->handshake_shown = true;
    trace("handshake " + std::to_string(d.handshake));
  }
  Got got;
  while ((got = take_reply(d, p)) == Got::packet) {
    s->replies.push_back(p);
    trace("reply " + format_packet(p));
  }
  if (got == Got::bad && !s->broken) {
    s->broken = true;
    s->broken_why = "the reply stream is out of step (a frame length over 1 MiB)";
  }
  while ((got = take_event(d, p)) == Got::packet) {
    s->events.push_back(p);
    trace(event_line(p));
  }
  if (got == Got::bad && !s->broken) {
    s->broken = true;
    s->broken_why = "the event stream is out of step (a frame length over 1 MiB)";
  }
  for (int n = sigints(); s->sigints_shown < n;) trace("sigint " + std::to_string(++s->sigints_shown));
  relay(d.out, s->out_shown, "stdout", false);
  relay(d.err, s->err_shown, "stderr", true);
}

// Waits up to ms for done(), collecting and printing meanwhile.
// done() is asked again whenever the driver sends something, and every
// step_ms when it looks at something else (the X server).
bool wait_for(long ms, const std::function<bool()> &done, long step_ms = 0) {
  auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    collect();
    if (done && done()) return true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    if (step_ms > 0 && left > step_ms) left = step_ms;
    pump_driver(s->driver, static_cast<int>(left));  // before start: just the wait
  }
}

int failed(const Action &a, const std::string &expected, const std::string &got) {
  std::fflush(s->opt->out);
  std::fprintf(s->opt->err, "%s:%d: expected %s\n%s:%d: got %s\n", s->opt->script_name.c_str(), a.line,
               expected.c_str(), s->opt->script_name.c_str(), a.line, got.c_str());
  return 1;
}

int trouble(const Action &a, const std::string &what) {
  std::fflush(s->opt->out);
  std::fprintf(s->opt->err, "%s:%d: %s\n", s->opt->script_name.c_str(), a.line, what.c_str());
  return 1;
}

// What stands in the place of a missing packet.
std::string nothing_within(long ms, bool reply_side) {
  if (s->broken) return s->broken_why;
  const Channel &c = reply_side ? s->driver.reply : s->driver.event;
  std::string why = c.eof ? std::string(reply_side ? "the packet output pipe" : "the event pipe") + " closed"
                          : "nothing within " + std::to_string(ms) + " ms";
  // A closed pipe means the driver is ending: its status follows.
  if (c.eof && !s->driver.status.known) wait_for(s->opt->timeout_ms, [] { return s->driver.status.known; });
  if (s->driver.status.known) why += " (driver " + format_exit(s->driver.status) + ")";
  return why;
}

int start(const Action &a) {
  StartOptions o;
  o.path = s->opt->driver;
  o.set_env = a.set_env;
  o.unset_env = a.unset_env;
  if (a.replace_args) {
    o.replace_argv = true;
    o.argv.push_back(o.path);
    o.argv.insert(o.argv.end(), a.args.begin(), a.args.end());
  }
  o.stdin_mode = o.stdout_mode = o.stderr_mode = Stream::pipe;
  std::string error;
  if (!start_driver(o, s->driver, error)) return trouble(a, "cannot start the driver: " + error);
  s->started = true;
  trace("start " + o.path);
  return 0;
}

int ensure_started(const Action &a) {
  if (s->started) return 0;
  Action plain;
  plain.line = a.line;
  return start(plain);
}

int open_display_once(const Action &a) {
  std::string error;
  if (!s->display && !(s->display = open_display(error))) return trouble(a, error);
  return 0;
}

// The window an action aims at: the top-level window with its title, or the
// graphics window's drawing area.
int open_x(const Action &a, XWindow &top, XWindow &area) {
  if (int r = open_display_once(a)) return r;
  const std::string_view title = a.window.empty() ? graphics_title : std::string_view(a.window);
  top = 0;
  wait_for(s->opt->timeout_ms, [&] { return (top = find_top_window(s->display, title, 0)) != 0; }, 50);
  if (!top) return trouble(a, "no window titled \"" + std::string(title) + "\" within " +
                                  std::to_string(s->opt->timeout_ms) + " ms");
  area = a.window.empty() ? find_drawing_area(s->display, top) : top;
  if (!area) area = top;
  return 0;
}

std::string geometry_text(int width, int height, int x, int y) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%dx%d%+d%+d", width, height, x, y);
  return buf;
}

int expect_window(const Action &a) {
  if (int r = open_display_once(a)) return r;
  std::string seen = "none";
  const bool held = wait_for(s->opt->timeout_ms, [&] {
    const XWindow w = find_top_window(s->display, a.text, 0);
    int x, y, width, height;
    if (!w || !window_geometry(s->display, w, x, y, width, height)) return false;
    seen = geometry_text(width, height, x, y);
    return !a.has_geometry || (width == a.width && height == a.height && x == a.left && y == a.top);
  }, 50);
  if (held) return 0;
  std::string expected = "window \"" + a.text + "\"";
  if (a.has_geometry) expected += " " + geometry_text(a.width, a.height, a.left, a.top);
  return failed(a, expected, "window " + seen);
}

int expect_nowindow(const Action &a) {
  if (int r = open_display_once(a)) return r;
  if (wait_for(s->opt->timeout_ms, [&] { return find_top_window(s->display, a.text, 0) == 0; }, 50)) return 0;
  return failed(a, "no window \"" + a.text + "\"", "it is still shown");
}

std::string expected_reply(const Action &a) {
  std::string out = "reply";
  if (a.opcode >= 0) {
    const char *name = opcode_name(a.opcode);
    out += " " + (name ? std::string(name) : std::to_string(a.opcode));
  }
  if (a.length >= 0) out += " len=" + std::to_string(a.length);
  for (const Field &f : a.fields) out += " " + describe_field(f);
  return out;
}

int expect_reply(const Action &a) {
  long t = s->opt->timeout_ms;
  if (!wait_for(t, [] { return !s->replies.empty() || s->broken || s->driver.reply.eof; }) || s->replies.empty())
    return failed(a, expected_reply(a), nothing_within(t, true));
  Packet p = s->replies.front();
  s->replies.pop_front();
  bool ok = (a.opcode < 0 || p.u16(0) == a.opcode) && (a.length < 0 || p.size() == static_cast<size_t>(a.length));
  for (const Field &f : a.fields) ok = ok && field_matches(f, p);
  return ok ? 0 : failed(a, expected_reply(a), "reply " + format_packet(p));
}

int expect_event(const Action &a) {
  long t = s->opt->timeout_ms;
  std::string last;
  bool matched = false;
  wait_for(t, [&] {
    while (!s->events.empty() && !matched) {
      Packet p = s->events.front();
      s->events.pop_front();
      Event e;
      matched = decode_event(p.bytes, e) && event_matches(a.event, e);
      if (!matched) last = event_line(p);
    }
    return matched || s->broken || s->driver.event.eof;
  });
  if (matched) return 0;
  std::string got = nothing_within(t, false);
  if (!last.empty()) got += "; the last event passed over: " + last;
  return failed(a, describe_match(a.event), got);
}

int expect_quiet(const Action &a, bool replies) {
  std::deque<Packet> &q = replies ? s->replies : s->events;
  wait_for(a.number, [&] { return !q.empty(); });
  if (q.empty()) return 0;
  std::string got = replies ? "reply " + format_packet(q.front()) : event_line(q.front());
  return failed(a, replies ? "no reply" : "no event", got);
}

int expect_exit(const Action &a) {
  long t = s->opt->timeout_ms;
  wait_for(t, [] { return s->driver.status.known; });
  wait_exit(s->driver, 0);  // kills it when it is still there, and reads what is left
  collect();
  trace(format_exit(s->driver.status));
  if (!s->driver.status.killed && s->driver.status.code == a.number) return 0;
  std::string got = format_exit(s->driver.status);
  if (s->driver.status.killed) got = "no exit within " + std::to_string(t) + " ms; killed";
  return failed(a, "exit " + std::to_string(a.number), got);
}

int expect_output(const Action &a, const Channel &c, const char *name) {
  bool found = wait_for(s->opt->timeout_ms, [&] { return channel_text(c).find(a.text) != std::string::npos; });
  if (found) return 0;
  return failed(a, std::string(name) + " containing \"" + a.text + "\"",
                std::string(name) + " \"" + channel_text(c) + "\"");
}

int run(const Action &a) {
  if (a.verb == Verb::start) return start(a);
  if (a.verb == Verb::wait) {
    wait_for(a.number, nullptr);
    return 0;
  }
  if (int r = ensure_started(a)) return r;
  Driver &d = s->driver;
  long t = s->opt->timeout_ms;
  XWindow top = 0, area = 0;
  std::string error;
  switch (a.verb) {
    case Verb::handshake:
      if (!wait_for(t, [&] { return d.handshake >= 0 || d.reply.eof; }) || d.handshake < 0)
        return failed(a, "handshake 1", nothing_within(t, true));
      return d.handshake == 1 ? 0 : failed(a, "handshake 1", "handshake " + std::to_string(d.handshake));
    case Verb::send:
      collect();
      if (!send_message(d, a.packets)) return trouble(a, "the driver does not take the message on its packet pipe");
      return 0;
    case Verb::raw:
      if (!send_raw(d, a.raw)) return trouble(a, "the driver does not take the bytes on its packet pipe");
      return 0;
    case Verb::expect_reply: return expect_reply(a);
    case Verb::expect_event: return expect_event(a);
    case Verb::expect_noreply: return expect_quiet(a, true);
    case Verb::expect_noevent: return expect_quiet(a, false);
    case Verb::expect_exit: return expect_exit(a);
    case Verb::expect_sigint: {
      wait_for(a.number ? t : 0, [&] { return sigints() >= a.number; });
      int n = sigints();
      return n == a.number ? 0 : failed(a, "sigint " + std::to_string(a.number), "sigint " + std::to_string(n));
    }
    case Verb::expect_stdout: return expect_output(a, d.out, "stdout");
    case Verb::expect_stderr: return expect_output(a, d.err, "stderr");
    case Verb::expect_window: return expect_window(a);
    case Verb::expect_nowindow: return expect_nowindow(a);
    case Verb::flush:
      wait_for(a.number, nullptr);
      s->replies.clear();
      s->events.clear();
      return 0;
    case Verb::snapshot: {
      if (int r = open_x(a, top, area)) return r;
      if (!snapshot_ppm(s->display, area, a.text, error)) return trouble(a, "snapshot: " + error);
      int w = 0, h = 0;
      window_size(s->display, area, w, h);
      trace("snapshot " + a.text + " " + std::to_string(w) + "x" + std::to_string(h));
      return 0;
    }
    case Verb::key:
      if (int r = open_x(a, top, area)) return r;
      return type_key(s->display, top, a.text, a.shift, a.control, error, a.numlock) ? 0 : trouble(a, error);
    case Verb::move:
      if (int r = open_x(a, top, area)) return r;
      return move_pointer(s->display, area, a.x, a.y) ? 0 : trouble(a, "cannot move the pointer");
    case Verb::click:
      if (int r = open_x(a, top, area)) return r;
      return click(s->display, area, a.x, a.y, static_cast<unsigned>(a.number)) ? 0 : trouble(a, "cannot click");
    case Verb::close:
      close_packet_pipe(d);
      return 0;
    case Verb::stdin_text:
      return write_stdin(d, a.text) ? 0 : trouble(a, "the driver does not read its standard input");
    default:
      return 0;
  }
}

// A driver still running after the last line is asked to end by closing its
// packet pipe, then killed when it does not.
void finish() {
  if (s->started && !s->driver.status.known) {
    close_packet_pipe(s->driver);
    wait_for(s->opt->timeout_ms, [] { return s->driver.status.known; });
    wait_exit(s->driver, 0);
    collect();
    trace(format_exit(s->driver.status));
  }
  stop_driver(s->driver);
  close_display(s->display);
}

}  // namespace

int play_script(const std::vector<Action> &actions, const PlayerOptions &options) {
  Session session;
  s = &session;
  s->opt = &options;
  install_sigint_counter();
  s->sigints_before = sigint_count();
  int result = 0;
  for (const Action &a : actions)
    if ((result = run(a)) != 0) break;
  if (result) {
    stop_driver(s->driver);
    collect();
  }
  finish();
  std::fflush(options.out);
  s = nullptr;
  return result;
}

}  // namespace adiclient
