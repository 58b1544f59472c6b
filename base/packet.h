// A bounds-checked view of one ADI packet.
//
// The channel hands each handler a view of its packet where it lies in the
// message, without copying it. Fields are big-endian and named by byte offset
// from the packet's start (the opcode is the i16 at 0). Reads past the
// packet's length see zeros. Writes inside the packet go in place; the first
// write past its end moves the packet into a zero-filled spill buffer of the
// largest packet's size first, so that a handler never writes outside its own
// bytes of the message and later reads see what it wrote. The echo is always
// the request's length.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Largest message the channel accepts, and so the largest packet.
inline constexpr std::size_t kMessageMax = 8188;

// The big-endian word of 4 or 2 bytes at p, in one load.
inline std::uint32_t load_be32(const std::uint8_t *p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
  return v;
}
inline std::uint16_t load_be16(const std::uint8_t *p) {
  std::uint16_t v;
  std::memcpy(&v, p, 2);
  if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap16(v);
  return v;
}

class Packet {
 public:
  // A view of the first length bytes of a zero-filled buffer of capacity
  // bytes; reads and writes reach the whole buffer.
  Packet(std::uint8_t *buffer, std::size_t capacity, std::size_t length)
      : buf_(buffer), cap_(capacity), len_(length < capacity ? length : capacity) {}
  // A view of length bytes in place; spill takes the packet when a handler
  // writes past them.
  Packet(std::uint8_t *bytes, std::size_t length, std::uint8_t (&spill)[kMessageMax])
      : buf_(bytes), cap_(length < kMessageMax ? length : kMessageMax), len_(cap_), spill_(spill) {}

  std::size_t size() const { return len_; }
  // The packet's bytes: size() of them are its own.
  const std::uint8_t *bytes() const { return buf_; }

  int opcode() const { return i16(0); }

  std::uint8_t u8(std::size_t off) const { return off < cap_ ? buf_[off] : 0; }
  std::int8_t i8(std::size_t off) const { return static_cast<std::int8_t>(u8(off)); }
  std::uint16_t u16(std::size_t off) const {
    if (cap_ >= 2 && off <= cap_ - 2) return static_cast<std::uint16_t>(buf_[off] << 8 | buf_[off + 1]);
    return static_cast<std::uint16_t>(u8(off) << 8 | u8(off + 1));
  }
  std::int16_t i16(std::size_t off) const { return static_cast<std::int16_t>(u16(off)); }
  std::uint32_t u32(std::size_t off) const {
    return static_cast<std::uint32_t>(u16(off)) << 16 | u16(off + 2);
  }
  std::int32_t i32(std::size_t off) const { return static_cast<std::int32_t>(u32(off)); }
  // An IEEE double as the client sends it: big-endian, high half first.
  double f64(std::size_t off) const {
    return std::bit_cast<double>(static_cast<std::uint64_t>(u32(off)) << 32 | u32(off + 4));
  }
  // The first N 16-bit words at once (those past the end read as zero): one
  // bounds test for a packet that has them all.
  template <std::size_t N>
  void words(std::uint16_t (&w)[N]) const {
    if (cap_ >= 2 * N) {
      for (std::size_t i = 0; i < N; ++i) {
        std::uint16_t v;
        std::memcpy(&v, buf_ + 2 * i, 2);
        w[i] = static_cast<std::uint16_t>(v << 8 | v >> 8);   // big-endian on the wire
      }
    } else {
      for (std::size_t i = 0; i < N; ++i) w[i] = u16(2 * i);
    }
  }

  void put_u8(std::size_t off, std::uint8_t v) {
    if (off >= cap_ && !spill_to_reach(off)) return;
    buf_[off] = v;
  }
  void put_u16(std::size_t off, std::uint16_t v) {
    put_u8(off, static_cast<std::uint8_t>(v >> 8));
    put_u8(off + 1, static_cast<std::uint8_t>(v));
  }
  void put_i16(std::size_t off, int v) { put_u16(off, static_cast<std::uint16_t>(v)); }
  void put_u32(std::size_t off, std::uint32_t v) {
    put_u16(off, static_cast<std::uint16_t>(v >> 16));
    put_u16(off + 2, static_cast<std::uint16_t>(v));
  }
  void put_i32(std::size_t off, std::int32_t v) { put_u32(off, static_cast<std::uint32_t>(v)); }
  void put_f64(std::size_t off, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    put_u32(off, static_cast<std::uint32_t>(bits >> 32));
    put_u32(off + 4, static_cast<std::uint32_t>(bits));
  }

  // The text at off: up to its NUL or the packet's end, whichever comes first.
  std::string_view text(std::size_t off) const {
    if (off >= len_) return {};
    const char *s = reinterpret_cast<const char *>(buf_ + off);
    const void *nul = std::memchr(s, 0, len_ - off);
    return {s, nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - s) : len_ - off};
  }
  // Copies the text at off into dst (capacity cap), cut to fit and always
  // NUL-terminated. Returns the length copied.
  std::size_t copy_text(std::size_t off, char *dst, std::size_t cap) const {
    if (cap == 0) return 0;
    std::string_view t = text(off);
    std::size_t n = t.size() < cap - 1 ? t.size() : cap - 1;
    if (n > 0) std::memcpy(dst, t.data(), n);
    dst[n] = '\0';
    return n;
  }
  // Writes text (cut to the packet's length, NUL-terminated inside it).
  void put_text(std::size_t off, std::string_view t) {
    if (off >= len_) return;
    std::size_t n = t.size() < len_ - off - 1 ? t.size() : len_ - off - 1;
    if (n > 0) std::memcpy(buf_ + off, t.data(), n);
    buf_[off + n] = '\0';
  }

 private:
  // Moves a packet in place into its spill buffer when off fits there.
  bool spill_to_reach(std::size_t off) {
    if (spill_ == nullptr || off >= kMessageMax) return false;
    std::memcpy(spill_, buf_, len_);
    std::memset(spill_ + len_, 0, kMessageMax - len_);
    buf_ = spill_;
    cap_ = kMessageMax;
    spill_ = nullptr;
    return true;
  }

  std::uint8_t *buf_;
  std::size_t cap_;  // bytes that can be read and written
  std::size_t len_;
  std::uint8_t *spill_ = nullptr;  // where the packet goes on a write past cap_
};
