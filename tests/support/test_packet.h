// A packet for calling a handler directly: a buffer of the largest packet's
// size, the opcode at byte 0 and the packet's length; the bytes past the
// length hold `beyond`, which a handler must never take for the packet's own.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "base/packet.h"

struct TestPacket {
  std::uint8_t bytes[kMessageMax];
  Packet p;

  // The opcode, then 16-bit fields from byte 2 on.
  TestPacket(int opcode, std::size_t length, std::initializer_list<int> fields = {}, std::uint8_t beyond = 0)
      : p(bytes, sizeof bytes, length) {
    std::memset(bytes, beyond, sizeof bytes);
    std::memset(bytes, 0, length < sizeof bytes ? length : sizeof bytes);
    p.put_i16(0, opcode);
    std::size_t off = 2;
    for (int f : fields) p.put_i16(off, f), off += 2;
  }
  // A copy views its own bytes.
  TestPacket(const TestPacket &o) : p(bytes, sizeof bytes, o.p.size()) { std::memcpy(bytes, o.bytes, sizeof bytes); }
  TestPacket &operator=(const TestPacket &) = delete;

  TestPacket &i16(std::size_t off, int v) {
    p.put_i16(off, v);
    return *this;
  }
  TestPacket &i32(std::size_t off, std::int32_t v) {
    p.put_i32(off, v);
    return *this;
  }
  // The text's bytes at off, without a NUL.
  TestPacket &text(std::size_t off, const char *t) {
    std::memcpy(bytes + off, t, std::strlen(t));
    return *this;
  }
  // A double as the client sends it: two big-endian 32-bit halves.
  TestPacket &f64(std::size_t off, double value) {
    const std::uint64_t b = std::bit_cast<std::uint64_t>(value);
    p.put_u32(off, static_cast<std::uint32_t>(b >> 32));
    p.put_u32(off + 4, static_cast<std::uint32_t>(b));
    return *this;
  }
};
