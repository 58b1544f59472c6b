#include "base/channel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>


PacketClient *packet_client;
pid_t acad_pid;

namespace {

void store_u32(std::uint8_t *p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

[[noreturn]] void start_failure(const char *prog, const char *fmt) {
  std::fprintf(stderr, fmt, prog);
  std::fprintf(stderr, "             %s: This program can only be started by AutoCAD.\n", prog);
  std::fflush(stderr);
  std::exit(1);
}

[[noreturn]] void pipe_failure(const char *fmt, int err) {
  std::fprintf(stderr, fmt, err);
  std::fflush(stderr);
  std::exit(1);
}

// At least one byte and at most n of the pipe; a closed pipe or a failed read
// ends the driver.
std::size_t read_some(int fd, std::uint8_t *to, std::size_t n) {
  for (;;) {
    const ssize_t got = read(fd, to, n);
    if (got > 0) return static_cast<std::size_t>(got);
    if (got == 0) pipe_failure("FATAL ERROR (%d): rcKovaGL: packet read failed.\n", 0);
    const int err = errno;
    if (err == EINTR) continue;
    if (err == EPIPE) pipe_failure("FATAL ERROR (%d): rcKovaGL: read_pkt: acad is not running.\n", err);
    pipe_failure("FATAL ERROR (%d): rcKovaGL: packet read failed.\n", err);
  }
}

// Bytes a packet of length n takes in a run: its length word and the packet
// padded to a multiple of 4.
std::size_t packet_step(std::uint32_t n) { return ((static_cast<std::size_t>(n) + 3) & ~std::size_t{3}) + 4; }

}  // namespace

PacketClient *adi_initialize(int argc, char **argv) {
  const char *prog = argc > 0 && argv[0] ? argv[0] : "rcKovaGL";
  if (argc < 3) start_failure(prog, "FATAL ERROR: %s: Driver called with too few arguments.\n");
  if (std::atoi(argv[1]) == 0) start_failure(prog, "FATAL ERROR: %s: bad ADI packet input pipe argument.\n");
  if (std::atoi(argv[2]) == 0) start_failure(prog, "FATAL ERROR: %s: bad ADI packet output pipe argument.\n");
  if (argc < 6) start_failure(prog, "FATAL ERROR: %s: called with too few arguments.\n");
  if (std::atoi(argv[3]) == 0) start_failure(prog, "FATAL ERROR: %s: bad ADI dispatcher input pipe argument.\n");
  if (std::atoi(argv[4]) == 0) start_failure(prog, "FATAL ERROR: %s: bad ADI dispatcher output pipe argument.\n");
  if (std::atoi(argv[5]) == 0) start_failure(prog, "FATAL ERROR: %s: bad ADI event output pipe argument.\n");

  packet_client = init_pkt(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                           std::atoi(argv[5]));
  // A deeper packet pipe: a client streaming drawing waits on the driver
  // less often (the system may refuse; the pipe then stays as it is).
  if (packet_client != nullptr) fcntl(packet_client->in_fd, F_SETPIPE_SZ, static_cast<int>(kReadAhead));
  const std::uint8_t hello[2] = {0, 1};
  if (packet_client == nullptr || write(packet_client->out_fd, hello, 2) != 2)
    start_failure(prog, "FATAL ERROR: %s: pipe initialization failed.\n");
  acad_pid = getppid();
  return packet_client;
}

PacketClient *init_pkt(int in_fd, int out_fd, int disp_in_fd, int disp_out_fd, int event_fd) {
  auto *c = new (std::nothrow) PacketClient{};
  if (c == nullptr) return nullptr;
  c->in_fd = in_fd;
  c->out_fd = out_fd;
  c->disp_in_fd = disp_in_fd;
  c->disp_out_fd = disp_out_fd;
  c->event_fd = event_fd;
  c->message = c->buffer;
  return c;
}

std::size_t write_ready(int fd, const void *buffer, std::size_t n) {
  for (;;) {
    const ssize_t put = write(fd, buffer, n);
    if (put > 0) return static_cast<std::size_t>(put);
    const int err = put < 0 ? errno : 0;
    if (err == EINTR) continue;
    if (err == EAGAIN) return 0;
    if (err == EPIPE) pipe_failure("FATAL ERROR (%d): rcKovaGL: write_pkt: acad is not running.\n", err);
    pipe_failure("FATAL ERROR (%d): rcKovaGL: packet write failed.\n", err);
  }
}

int write_pkt(int fd, const void *buffer, std::size_t n, int retry) {
  const auto *p = static_cast<const std::uint8_t *>(buffer);
  std::size_t left = n;
  while (left > 0) {
    const std::size_t put = write_ready(fd, p, left);
    // A single attempt gives back what the first write took.
    if (!retry && put < left) return static_cast<int>(n - left + put);
    if (put == 0) {
      // A non-blocking descriptor that is full: wait for room.
      pollfd room{fd, POLLOUT, 0};
      poll(&room, 1, -1);
      continue;
    }
    p += put;
    left -= put;
  }
  return static_cast<int>(n);
}

void invalid_message_format() {
  std::fputs("FATAL ERROR: rcKovaGL: Invalid display message format.\n", stderr);
  std::fflush(stderr);
  std::exit(1);
}

bool valid_message(const std::uint8_t *msg, std::size_t length) {
  std::size_t off = 0;
  for (;;) {
    if (length < 4 || off > length - 4) return false;  // no room for a length word
    const std::uint32_t n = load_be32(msg + off);
    if (n == 0) return true;
    if (n > length - off - 4) return false;  // packet runs past the message
    // Packets of the same length after it (a run of vectors, say) need only
    // their length words looked at: each fits while it ends in the message.
    std::uint32_t same;
    std::memcpy(&same, msg + off, 4);
    const std::size_t step = packet_step(n);
    for (off += step; off + 4 + n <= length; off += step) {
      std::uint32_t next;
      std::memcpy(&next, msg + off, 4);
      if (next != same) break;
    }
  }
}

int read_pkt(PacketClient *client, void *buffer, std::size_t n) {
  auto *to = static_cast<std::uint8_t *>(buffer);
  const int total = static_cast<int>(n);
  while (n > 0) {
    if (client->ahead_at == client->ahead_end) {
      const std::size_t got = read_some(client->in_fd, client->ahead, kReadAhead);
      client->ahead_at = 0;
      client->ahead_end = static_cast<std::uint32_t>(got);
    }
    const std::size_t k = std::min<std::size_t>(n, client->ahead_end - client->ahead_at);
    std::memcpy(to, client->ahead + client->ahead_at, k);
    client->ahead_at += static_cast<std::uint32_t>(k);
    to += k;
    n -= k;
  }
  return total;
}

bool input_buffered(const PacketClient *client, bool whole) {
  const std::size_t left = client->ahead_end - client->ahead_at;
  if (!whole || left == 0) return left > 0;
  if (left < 4) return false;
  // A length too long for a message counts as whole: reading it fails at once.
  const std::uint32_t L = load_be32(client->ahead + client->ahead_at);
  return L > kMessageMax || left - 4 >= L;
}

bool take_message(PacketClient *client) {
  if (client->offset + 4 <= client->length && load_be32(client->message + client->offset) != 0) return true;
  std::uint8_t len[4];
  read_pkt(client, len, 4);
  std::uint32_t L = load_be32(len);
  if (L > kMessageMax) invalid_message_format();
  client->offset = 0;
  client->length = 0;
  if (L == 0) return false;  // an empty message runs nothing
  if (client->ahead_end - client->ahead_at >= L) {
    // Run where it lies: the read-ahead is read into again only once
    // everything in it is taken, after this message has run.
    client->message = client->ahead + client->ahead_at;
    client->ahead_at += L;
  } else {
    client->message = client->buffer;
    read_pkt(client, client->buffer, L);
  }
  if (!valid_message(client->message, L)) invalid_message_format();
  client->length = L;
  return true;
}

std::uint32_t take_packet(PacketClient *client, std::uint8_t *&bytes) {
  const std::uint32_t n = load_be32(client->message + client->offset);
  if (n == 0) return 0;
  // The message was validated: the packet lies inside it.
  bytes = client->message + client->offset + 4;
  client->offset += static_cast<std::uint32_t>(packet_step(n));
  return n;
}

std::uint32_t take_alike(PacketClient *client, const std::uint8_t *bytes, std::uint32_t n, std::size_t &stride) {
  stride = packet_step(n);
  const std::uint8_t *next = client->message + client->offset;
  std::uint32_t count = 0;
  // The message was validated: each length word lies inside it, and so does
  // a packet of n bytes after one of n.
  std::uint32_t length;   // n as the message holds it
  store_u32(reinterpret_cast<std::uint8_t *>(&length), n);
  std::uint16_t opcode;
  std::memcpy(&opcode, bytes, 2);
  for (;; next += stride, ++count) {
    std::uint32_t l;
    std::uint16_t o;
    std::memcpy(&l, next, 4);
    if (l != length) break;
    std::memcpy(&o, next + 4, 2);
    if (o != opcode) break;
  }
  client->offset += static_cast<std::uint32_t>(stride * count);
  return count;
}

int reply_pkt(PacketClient *client, const void *data, std::size_t n, int retry) {
  static std::uint8_t frame[4 + kMessageMax];
  if (n > kMessageMax) return -1;
  store_u32(frame, static_cast<std::uint32_t>(n));
  std::memcpy(frame + 4, data, n);
  return write_pkt(client->out_fd, frame, n + 4, retry);
}
