// Starting the driver, its pipes and its exit.
#include "adiclient/driver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>

extern char **environ;

namespace adiclient {
namespace {

std::atomic<int> sigints{0};
static_assert(std::atomic<int>::is_always_lock_free);

void count_sigint(int) { sigints.fetch_add(1, std::memory_order_relaxed); }

// A frame longer than this means the stream is out of step (the driver's own
// frames hold at most 8188 bytes).
constexpr uint32_t max_frame = 1u << 20;

using Clock = std::chrono::steady_clock;

int ms_left(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

void close_fd(int &fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Keeps our descriptors clear of 0, 1 and 2: the driver takes 0 as a bad
// argument, and the standard streams are placed there in the child.
int above_stdio(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

bool make_pipe(int ends[2]) {
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  ends[0] = above_stdio(ends[0]);
  ends[1] = above_stdio(ends[1]);
  return ends[0] >= 0 && ends[1] >= 0;
}

void set_nonblocking(int fd) {
  if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

uint32_t be32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void consume(Channel &c, size_t n) {
  c.head += n;
  if (c.head == c.data.size()) {
    c.data.clear();
    c.head = 0;
  } else if (c.head > 4096 && c.head > c.data.size() / 2) {
    c.data.erase(c.data.begin(), c.data.begin() + static_cast<std::ptrdiff_t>(c.head));
    c.head = 0;
  }
}

Got take_frame(Channel &c, Packet &packet) {
  if (c.available() >= 4) {
    uint32_t n = be32(c.data.data() + c.head);
    if (n > max_frame) return Got::bad;
    if (c.available() >= 4 + static_cast<size_t>(n)) {
      const uint8_t *p = c.data.data() + c.head + 4;
      packet.bytes.assign(p, p + n);
      consume(c, 4 + n);
      return Got::packet;
    }
  }
  return c.eof ? Got::closed : Got::none;
}

// Reads what one read gives; EOF closes the channel.
void read_channel(Channel &c) {
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = read(c.fd, buf, sizeof buf);
    if (n > 0) {
      c.data.insert(c.data.end(), buf, buf + n);
      return;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    close_fd(c.fd);
    c.eof = true;
    return;
  }
}

void record_status(Driver &d, int wstatus) {
  d.status.known = true;
  if (WIFEXITED(wstatus)) {
    d.status.code = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    d.status.code = -1;
    d.status.signal = WTERMSIG(wstatus);
  }
  close_fd(d.pidfd);
}

bool reap(Driver &d, bool block) {
  if (d.status.known || d.pid < 0) return d.status.known;
  int wstatus = 0;
  pid_t r;
  do r = waitpid(d.pid, &wstatus, block ? 0 : WNOHANG);
  while (r < 0 && errno == EINTR);
  if (r == d.pid) record_status(d, wstatus);
  return d.status.known;
}

bool write_all(int fd, const uint8_t *p, size_t n, int timeout_ms) {
  if (fd < 0) return false;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w > 0) {
      p += w;
      n -= static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno == EAGAIN) {
      int left = ms_left(deadline);
      if (left == 0) return false;
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, left);
      continue;
    }
    return false;  // EPIPE: the driver closed its end
  }
  return true;
}

template <class Take>
Got read_until(Driver &d, int timeout_ms, Take take) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    Got got = take();
    if (got != Got::none) return got;
    int left = ms_left(deadline);
    if (left == 0) return Got::none;
    pump_driver(d, left);
  }
}

// Opens what the child's standard stream `target` is to be; -1 for inherit.
bool open_stream(Stream mode, const std::string &file, int target, int &child_end, int &our_end,
                 std::string &error) {
  child_end = our_end = -1;
  switch (mode) {
    case Stream::inherit:
      return true;
    case Stream::null:
      child_end = above_stdio(open("/dev/null", (target == 0 ? O_RDONLY : O_WRONLY) | O_CLOEXEC));
      break;
    case Stream::file:
      child_end = above_stdio(target == 0 ? open(file.c_str(), O_RDONLY | O_CLOEXEC)
                                          : open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      break;
    case Stream::pipe: {
      int ends[2];
      if (!make_pipe(ends)) break;
      child_end = target == 0 ? ends[0] : ends[1];
      our_end = target == 0 ? ends[1] : ends[0];
      set_nonblocking(our_end);
      return true;
    }
  }
  if (child_end < 0) {
    error = (mode == Stream::file ? file : std::string("/dev/null")) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::vector<std::string> driver_environment(const StartOptions &o) {
  auto name_of = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env;
  for (char **e = environ; e && *e; ++e) {
    std::string_view name = name_of(*e);
    bool drop = false;
    for (const std::string &u : o.unset_env) drop = drop || name == u;
    for (const std::string &s : o.set_env) drop = drop || name == name_of(s);
    if (!drop) env.emplace_back(*e);
  }
  for (const std::string &s : o.set_env) env.push_back(s);
  return env;
}

std::vector<std::string> driver_argv(const StartOptions &o, const int fds[5]) {
  static const char *const holders[5] = {"@in", "@out", "@dispin", "@dispout", "@event"};
  std::vector<std::string> argv;
  if (!o.replace_argv) {
    argv.push_back(o.path);
    for (int i = 0; i < 5; ++i) argv.push_back(std::to_string(fds[i]));
    return argv;
  }
  for (const std::string &a : o.argv) {
    argv.push_back(a);
    for (int i = 0; i < 5; ++i)
      if (a == holders[i]) argv.back() = std::to_string(fds[i]);
  }
  return argv;
}

std::vector<char *> c_strings(std::vector<std::string> &v) {
  std::vector<char *> out;
  for (std::string &s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// A record ready for a new process (its descriptors already closed).
void clear_record(Driver &d) {
  d.pid = -1;
  d.handshake = -1;
  d.status = ExitStatus{};
  for (Channel *c : {&d.reply, &d.dispatch, &d.event, &d.out, &d.err}) *c = Channel{};
  for (int &fd : d.fds) fd = -1;
}

}  // namespace

void install_sigint_counter() {
  struct sigaction sa {};
  sa.sa_handler = count_sigint;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int sigint_count() { return sigints.load(std::memory_order_relaxed); }

bool start_driver(const StartOptions &o, Driver &d, std::string &error) {
  stop_driver(d);
  clear_record(d);
  install_sigint_counter();

  // Driver ends: packet in (read), packet out, dispatcher in (read),
  // dispatcher out, event out.
  int p[5][2] = {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}};
  int child_std[3] = {-1, -1, -1}, our_std[3] = {-1, -1, -1};
  int report[2] = {-1, -1};  // the child writes errno here when exec fails
  auto close_all = [&] {
    for (auto &e : p) close_fd(e[0]), close_fd(e[1]);
    for (int i = 0; i < 3; ++i) close_fd(child_std[i]), close_fd(our_std[i]);
    close_fd(report[0]), close_fd(report[1]);
  };
  for (auto &e : p) {
    if (!make_pipe(e)) {
      error = std::string("pipe: ") + std::strerror(errno);
      close_all();
      return false;
    }
  }
  const Stream modes[3] = {o.stdin_mode, o.stdout_mode, o.stderr_mode};
  const std::string *files[3] = {&o.stdin_file, &o.stdout_file, &o.stderr_file};
  for (int i = 0; i < 3; ++i) {
    if (!open_stream(modes[i], *files[i], i, child_std[i], our_std[i], error)) {
      close_all();
      return false;
    }
  }
  if (!make_pipe(report)) {
    error = std::string("pipe: ") + std::strerror(errno);
    close_all();
    return false;
  }

  const int child_fd[5] = {p[0][0], p[1][1], p[2][0], p[3][1], p[4][1]};
  std::vector<std::string> argv_text = driver_argv(o, child_fd);
  std::vector<std::string> env_text = driver_environment(o);
  std::vector<char *> argv = c_strings(argv_text), envp = c_strings(env_text);

  pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close_all();
    return false;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here to exec.
    for (int i = 0; i < 3; ++i)
      if (child_std[i] >= 0) dup2(child_std[i], i);
    for (int fd : child_fd) fcntl(fd, F_SETFD, 0);  // inheritable in the child only
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    sigaction(SIGINT, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(o.path.c_str(), argv.data(), envp.data());
    int err = errno;
    ssize_t ignored = write(report[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }

  d.pid = pid;
  for (int i = 0; i < 5; ++i) d.fds[i] = child_fd[i];
  close_fd(report[1]);
  int exec_errno = 0;
  ssize_t n;
  do n = read(report[0], &exec_errno, sizeof exec_errno);
  while (n < 0 && errno == EINTR);
  close_fd(report[0]);

  d.packet_fd = p[0][1];
  d.reply.fd = p[1][0];
  d.disp_in_fd = p[2][1];
  d.dispatch.fd = p[3][0];
  d.event.fd = p[4][0];
  p[0][1] = p[1][0] = p[2][1] = p[3][0] = p[4][0] = -1;
  d.stdin_fd = our_std[0];
  d.out.fd = our_std[1];
  d.err.fd = our_std[2];
  for (int &fd : our_std) fd = -1;
  close_all();  // the driver's ends now live only in the driver
  for (int fd : {d.packet_fd, d.disp_in_fd, d.reply.fd, d.dispatch.fd, d.event.fd}) set_nonblocking(fd);

  if (n == static_cast<ssize_t>(sizeof exec_errno)) {
    error = o.path + ": " + std::strerror(exec_errno);
    stop_driver(d);
    return false;
  }
  d.pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (d.pidfd >= 0) d.pidfd = above_stdio(d.pidfd);
  return true;
}

bool pump_driver(Driver &d, int timeout_ms) {
  Channel *channels[5] = {&d.reply, &d.event, &d.dispatch, &d.out, &d.err};
  pollfd pfd[6];
  Channel *owner[6];
  int n = 0;
  for (Channel *c : channels) {
    if (c->fd < 0 || (c == &d.event && d.events_held)) continue;
    pfd[n] = {c->fd, POLLIN, 0};
    owner[n++] = c;
  }
  int pid_slot = -1;
  if (d.pidfd >= 0) {
    pid_slot = n;
    pfd[n] = {d.pidfd, POLLIN, 0};
    owner[n++] = nullptr;
  }
  // Without a process descriptor the exit is found by asking now and then.
  bool ask = d.pidfd < 0 && d.pid >= 0 && !d.status.known;
  if (ask && reap(d, false)) return true;
  int wait = ask && (timeout_ms < 0 || timeout_ms > 20) ? 20 : timeout_ms;
  int r = poll(pfd, static_cast<nfds_t>(n), wait);
  if (r < 0) return errno == EINTR;  // a signal (SIGINT) came
  if (r == 0) return ask && reap(d, false);
  for (int i = 0; i < n; ++i) {
    if (!pfd[i].revents) continue;
    if (i == pid_slot)
      reap(d, true);
    else
      read_channel(*owner[i]);
  }
  return true;
}

Got take_handshake(Driver &d) {
  if (d.handshake >= 0) return Got::packet;
  Channel &c = d.reply;
  if (c.available() >= 2) {
    d.handshake = c.data[c.head] << 8 | c.data[c.head + 1];
    consume(c, 2);
    return Got::packet;
  }
  return c.eof ? Got::closed : Got::none;
}

Got take_reply(Driver &d, Packet &packet) {
  Got hs = take_handshake(d);
  if (hs != Got::packet) return hs;
  return take_frame(d.reply, packet);
}

Got take_event(Driver &d, Packet &packet) { return take_frame(d.event, packet); }

Got read_handshake(Driver &d, int timeout_ms, int &value) {
  Got got = read_until(d, timeout_ms, [&] { return take_handshake(d); });
  value = d.handshake;
  return got;
}

Got read_reply(Driver &d, int timeout_ms, Packet &packet) {
  return read_until(d, timeout_ms, [&] { return take_reply(d, packet); });
}

Got read_event(Driver &d, int timeout_ms, Packet &packet) {
  return read_until(d, timeout_ms, [&] { return take_event(d, packet); });
}

bool no_reply_within(Driver &d, int ms, Packet *came) {
  Packet p;
  Got got = read_reply(d, ms, p);
  if (got == Got::packet && came) *came = p;
  return got != Got::packet;
}

bool send_raw(Driver &d, std::span<const uint8_t> bytes) {
  return write_all(d.packet_fd, bytes.data(), bytes.size(), d.write_timeout_ms);
}

bool send_message(Driver &d, std::span<const Packet> packets) { return send_raw(d, frame_message(packets)); }

bool send_packet(Driver &d, const Packet &packet) { return send_message(d, std::span(&packet, 1)); }

bool write_stdin(Driver &d, std::string_view text) {
  return write_all(d.stdin_fd, reinterpret_cast<const uint8_t *>(text.data()), text.size(), d.write_timeout_ms);
}

void close_packet_pipe(Driver &d) { close_fd(d.packet_fd); }
void close_stdin(Driver &d) { close_fd(d.stdin_fd); }

std::string channel_text(const Channel &c) {
  return std::string(c.data.begin() + static_cast<std::ptrdiff_t>(c.head), c.data.end());
}

const ExitStatus &wait_exit(Driver &d, int timeout_ms) {
  if (d.pid < 0) return d.status;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!reap(d, false)) {
    int left = ms_left(deadline);
    if (left == 0) {
      kill(d.pid, SIGKILL);
      reap(d, true);
      d.status.killed = true;
      break;
    }
    pump_driver(d, left);
  }
  // What the driver wrote before it ended is still in the pipes.
  while (d.reply.fd >= 0 || d.event.fd >= 0 || d.out.fd >= 0 || d.err.fd >= 0 || d.dispatch.fd >= 0)
    if (!pump_driver(d, 0)) break;
  return d.status;
}

std::string format_exit(const ExitStatus &s) {
  if (!s.known) return "running";
  if (s.killed) return "killed after timeout";
  if (s.code >= 0) return "exit " + std::to_string(s.code);
  return "signal " + std::to_string(s.signal);
}

void stop_driver(Driver &d) {
  close_fd(d.packet_fd);
  close_fd(d.disp_in_fd);
  close_fd(d.stdin_fd);
  for (Channel *c : {&d.reply, &d.dispatch, &d.event, &d.out, &d.err}) close_fd(c->fd);
  if (d.pid >= 0 && !d.status.known) {
    kill(d.pid, SIGKILL);
    reap(d, true);
    d.status.killed = true;
  }
  close_fd(d.pidfd);
}

Driver::~Driver() { stop_driver(*this); }

}  // namespace adiclient
