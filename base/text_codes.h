// Japanese text codes. The first program converts the client's Shift-JIS to
// EUC-JP for X and back; the second passes every byte through unchanged and
// treats each byte as one character.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// Character tests on the client's Shift-JIS text; a 16-bit value holds one
// byte, or a lead byte in its high half and a second byte in its low half.
// The second program answers 0 to all of them.
//
// 2 for a two-byte value whose high byte is a lead byte; 1 for a one-byte
// value that is a lead byte; else 0.
int iskanji(int c);
// A Shift-JIS lead byte: 0x80-0x9F or 0xE0-0xFC.
int isfirstkanji(int byte);
// The low byte is a half-width kana (0xA0-0xDF).
int ishankak(int c);
// A half-width character of the two-byte row 0x85 (0x853F to 0x85DD).
int ishankan(int c);
// Nonzero when the value is sent and stored as one two-byte key: never.
int is2bcode(int c);

// Whole texts, each converted on its own (nothing carries over from one call
// to the next), cut only at a character boundary to fit dst's capacity cap,
// always NUL-terminated; return dst. A half character at the end of the text
// is dropped; a character the other code lacks becomes '?'. Shift-JIS to
// EUC-JP and back.
char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap);
char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap);
// The same, to a string of whatever length the text needs (EUC-JP takes at
// most twice the bytes of its Shift-JIS). The text ends at its first NUL.
std::string sjis_text_to_euc(std::string_view text);
std::string euc_text_to_sjis(std::string_view text);

// Copies src into dst (capacity cap), cut to fit and NUL-terminated.
inline char *bounded_copy(char *dst, const char *src, std::size_t cap) {
  if (cap == 0) return dst;
  std::size_t n = std::strlen(src);
  if (n >= cap) n = cap - 1;
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return dst;
}
