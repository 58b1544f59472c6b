// A driver channel over in-process pipes: the test plays the client.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "adi/pointer.h"
#include "base/channel.h"
#include "base/events.h"

using Bytes = std::vector<std::uint8_t>;

inline void put32(Bytes &b, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}

inline std::uint32_t get32(const std::uint8_t *p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// A packet of n bytes with the opcode in its first two.
inline Bytes packet(int opcode, std::size_t n) {
  Bytes p(n, 0);
  p[0] = static_cast<std::uint8_t>(opcode >> 8);
  p[1] = static_cast<std::uint8_t>(opcode);
  return p;
}

// A message: u32 length, then each packet framed and padded, then a zero.
inline Bytes message(const std::vector<Bytes> &packets) {
  Bytes run;
  for (const Bytes &p : packets) {
    put32(run, static_cast<std::uint32_t>(p.size()));
    run.insert(run.end(), p.begin(), p.end());
    while (run.size() % 4) run.push_back(0xEE);  // padding is unspecified
  }
  put32(run, 0);
  Bytes msg;
  put32(msg, static_cast<std::uint32_t>(run.size()));
  msg.insert(msg.end(), run.begin(), run.end());
  return msg;
}

struct ChannelFixture {
  int to_driver[2];
  int replies[2];
  int events[2];
  PacketClient *client;

  ChannelFixture() {
    pipe2(to_driver, O_CLOEXEC);
    pipe2(replies, O_CLOEXEC);
    pipe2(events, O_CLOEXEC);
    fcntl(replies[0], F_SETFL, O_NONBLOCK);
    fcntl(events[0], F_SETFL, O_NONBLOCK);
    client = init_pkt(to_driver[0], replies[1], -1, -1, events[1]);
    packet_client = client;
    event_client = nullptr;
    reset_pointer_state();
    discard_waiting_events();
  }
  ~ChannelFixture() {
    for (int fd : {to_driver[0], to_driver[1], replies[0], replies[1], events[0], events[1]}) close(fd);
    delete client;
    packet_client = nullptr;
    discard_waiting_events();
    delete event_client;
    event_client = nullptr;
  }

  void send(const Bytes &b) const { (void)!write(to_driver[1], b.data(), b.size()); }

  static Bytes drain(int fd) {
    Bytes out;
    std::uint8_t buf[65536];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
  }

  // The framed packets waiting on a pipe, unframed.
  static std::vector<Bytes> frames(int fd) {
    Bytes raw = drain(fd);
    std::vector<Bytes> out;
    std::size_t off = 0;
    while (off + 4 <= raw.size()) {
      std::uint32_t n = get32(raw.data() + off);
      out.emplace_back(raw.begin() + off + 4, raw.begin() + off + 4 + n);
      off += 4 + n;
    }
    return out;
  }
  std::vector<Bytes> reply_frames() const { return frames(replies[0]); }
  std::vector<Bytes> event_frames() const { return frames(events[0]); }
};
