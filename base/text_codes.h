// Japanese text codes. The first program converts the client's Shift-JIS to
// EUC-JP for X and back; the second passes every byte through unchanged and
// treats each byte as one character.
#pragma once

#include <cstddef>
#include <cstring>

// A Shift-JIS lead byte (always 0 in the second program).
int isfirstkanji(int byte);
// Whole texts, each converted on its own (nothing carries over from one call
// to the next), cut only at a character boundary to fit dst's capacity cap,
// always NUL-terminated; return dst. Shift-JIS to EUC-JP and back.
char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap);
char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap);

// Copies src into dst (capacity cap), cut to fit and NUL-terminated.
inline char *bounded_copy(char *dst, const char *src, std::size_t cap) {
  if (cap == 0) return dst;
  std::size_t n = std::strlen(src);
  if (n >= cap) n = cap - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return dst;
}
