// A stand-in driver for the client library's tests. It speaks the pipe
// protocol and nothing else:
//   handshake, then messages of packets; every packet is echoed except
//   opcode 5; opcode 3 sends SIGINT to the parent and an interrupt event;
//   opcode 64 is echoed and ends the process with status 0;
//   1000: sends an event (type i16@2, x i32@4, y i32@8, key u16@12, extra u32@16);
//   1001 / 1002: writes the text at 2 on stderr / stdout;
//   1003: replies with the value of the environment variable named at 2;
//   1004: replies with one read of its standard input.
// End of the packet pipe: status 1.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int in_fd, out_fd, event_fd;

uint32_t be32(const uint8_t *p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void read_exact(uint8_t *p, size_t n) {
  while (n > 0) {
    ssize_t r = read(in_fd, p, n);
    if (r <= 0) {
      std::fprintf(stderr, "fake_driver: packet pipe closed\n");
      std::exit(1);
    }
    p += r;
    n -= size_t(r);
  }
}

void write_frame(int fd, const uint8_t *data, size_t n) {
  uint8_t frame[8192 + 4];
  if (n > 8192) n = 8192;
  for (int i = 0; i < 4; ++i) frame[i] = uint8_t(n >> (24 - 8 * i));
  std::memcpy(frame + 4, data, n);
  if (write(fd, frame, n + 4) != ssize_t(n + 4)) std::exit(1);
}

void reply_text(const uint8_t *packet, const std::string &text) {
  std::string r(reinterpret_cast<const char *>(packet), 2);
  r += text;
  r.push_back('\0');
  write_frame(out_fd, reinterpret_cast<const uint8_t *>(r.data()), r.size());
}

std::string text_at(const uint8_t *packet, size_t n, size_t offset) {
  std::string t;
  for (size_t i = offset; i < n && packet[i]; ++i) t.push_back(char(packet[i]));
  return t;
}

void send_event(const uint8_t *fields) {
  uint8_t e[20];
  std::memcpy(e, fields, 20);
  e[0] = 0;
  e[1] = 63;
  write_frame(event_fd, e, 20);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 6 || !atoi(argv[1]) || !atoi(argv[2]) || !atoi(argv[3]) || !atoi(argv[4]) || !atoi(argv[5])) {
    std::fprintf(stderr, "fake_driver: bad arguments (%d)\n", argc);
    return 1;
  }
  in_fd = atoi(argv[1]);
  out_fd = atoi(argv[2]);
  event_fd = atoi(argv[5]);
  const uint8_t hello[2] = {0, 1};
  if (write(out_fd, hello, 2) != 2) return 1;
  static uint8_t message[1 << 16];
  for (;;) {
    uint8_t len[4];
    read_exact(len, 4);
    uint32_t total = be32(len);
    if (total > sizeof message) {
      std::fprintf(stderr, "fake_driver: message too long\n");
      return 1;
    }
    read_exact(message, total);
    for (uint32_t at = 0; at + 4 <= total;) {
      uint32_t n = be32(message + at);
      if (n == 0 || at + 4 + n > total) break;
      uint8_t *p = message + at + 4;
      int op = int16_t(p[0] << 8 | p[1]);
      at += 4 + (n + 3) / 4 * 4;
      uint8_t fields[20] = {};
      std::memcpy(fields, p, n < 20 ? n : 20);
      switch (op) {
        case 5: continue;
        case 3: {
          const uint8_t interrupt[20] = {};
          kill(getppid(), SIGINT);
          send_event(interrupt);
          break;
        }
        case 1000: send_event(fields); break;
        case 1001: std::fprintf(stderr, "%s", text_at(p, n, 2).c_str()); std::fflush(stderr); break;
        case 1002: std::printf("%s", text_at(p, n, 2).c_str()); std::fflush(stdout); break;
        case 1003: {
          const char *v = getenv(text_at(p, n, 2).c_str());
          reply_text(p, v ? v : "(unset)");
          continue;
        }
        case 1004: {
          char buf[256];
          ssize_t r = read(0, buf, sizeof buf);
          reply_text(p, std::string(buf, r > 0 ? size_t(r) : 0));
          continue;
        }
      }
      write_frame(out_fd, p, n);
      if (op == 64) return 0;
    }
  }
}
