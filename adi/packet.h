// A bounds-checked view of one ADI packet.
//
// The channel copies every packet into a zero-filled scratch buffer of the
// full message size and hands its handler this view. Fields are big-endian and
// named by byte offset from the packet's start (the opcode is the i16 at 0).
// Reads past the packet's length see zeros; nothing is read or written outside
// the scratch buffer; the echo is always the request's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Largest message the channel accepts, and so the largest packet.
inline constexpr std::size_t kMessageMax = 8188;

class Packet {
 public:
  Packet(std::uint8_t *scratch, std::size_t capacity, std::size_t length)
      : buf_(scratch), cap_(capacity), len_(length < capacity ? length : capacity), high_(len_) {}

  std::size_t size() const { return len_; }
  std::uint8_t *bytes() { return buf_; }
  const std::uint8_t *bytes() const { return buf_; }
  // Bytes of the scratch buffer a handler may have changed (for re-zeroing).
  std::size_t high_water() const { return high_; }

  int opcode() const { return i16(0); }

  std::uint8_t u8(std::size_t off) const { return off < cap_ ? buf_[off] : 0; }
  std::int8_t i8(std::size_t off) const { return static_cast<std::int8_t>(u8(off)); }
  std::uint16_t u16(std::size_t off) const {
    return static_cast<std::uint16_t>(u8(off) << 8 | u8(off + 1));
  }
  std::int16_t i16(std::size_t off) const { return static_cast<std::int16_t>(u16(off)); }
  std::uint32_t u32(std::size_t off) const {
    return static_cast<std::uint32_t>(u16(off)) << 16 | u16(off + 2);
  }
  std::int32_t i32(std::size_t off) const { return static_cast<std::int32_t>(u32(off)); }

  void put_u8(std::size_t off, std::uint8_t v) {
    if (off >= cap_) return;
    buf_[off] = v;
    if (off + 1 > high_) high_ = off + 1;
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
    if (off + n + 1 > high_) high_ = off + n + 1;
  }

 private:
  std::uint8_t *buf_;
  std::size_t cap_;
  std::size_t len_;
  std::size_t high_;
};
