// Japanese text codes. The first program converts the client's Shift-JIS to
// EUC-JP for X and back; the second passes every byte through unchanged and
// treats each byte as one character.
#pragma once

#include <cstddef>
#include <cstring>

// A Shift-JIS lead byte (always 0 in the second program).
int isfirstkanji(int byte);
// Converts src into dst (capacity cap, NUL-terminated); returns dst.
char *sjistoeuc(char *dst, const char *src, std::size_t cap);
char *euctosjis(char *dst, const char *src, std::size_t cap);

// Copies src into dst (capacity cap), cut to fit and NUL-terminated.
inline char *bounded_copy(char *dst, const char *src, std::size_t cap) {
  if (cap == 0) return dst;
  std::size_t n = std::strlen(src);
  if (n >= cap) n = cap - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return dst;
}
