// The streaming code converters of the first program: Shift-JIS to and from
// EUC-JP, and Shift-JIS to and from 7-bit JIS with escape sequences.
//
// All four take (dst, dstsize, src, srclen). src NULL resets the pair's state
// (and jcodeopt) and returns 0. A negative size gives -3; srclen 0 gives 0.
// dst NULL or dstsize 0 only counts: the number of output bytes comes back
// and the state is left as it was. Otherwise the output is written,
// NUL-terminated, and its length returned; -1 when it doesn't fit with its
// NUL (what fitted is kept, NUL-terminated); -2 from euctosjis for a code
// Shift-JIS lacks (a three-byte 0x8F code, or a second byte below 0x80).
// After -1 or -2 the state is as it was before the call, so the same input
// can be given again.
//
// The input ends at srclen or at a NUL. A character cut off at its end is
// held and completed by the next call of the same pair; bytes that belong to
// no character of the input code become '?', and so does a Shift-JIS
// character of the user and vendor areas (leads 0xF0 to 0xFC), lead and
// trail byte together, as JIS X 0208 has no place for it.
#pragma once

#include <cstddef>
#include <cstdint>

int sjistoeuc(char *dst, int dstsize, const char *src, int srclen);
int euctosjis(char *dst, int dstsize, const char *src, int srclen);
int jistosjis(char *dst, int dstsize, const char *src, int srclen);
int sjistojis(char *dst, int dstsize, const char *src, int srclen);

// Options and variant of the JIS pair. The low byte picks the designation of
// two-byte JIS that sjistojis writes, and jistosjis sets it from the
// designations it reads.
extern std::int32_t jcodeopt;
enum : std::int32_t {
  kJisOlderSet = 0x1,     // ESC $ @ rather than ESC $ B
  kJisPrefixed = 0x2,     // ESC & @ before the designation
  kJisFourByte = 0x4,     // ESC $ ( B rather than ESC $ B
  kJisVariantBits = 0xFF,
  kJisRoman = 0x10000,    // one-byte text is JIS-Roman (ESC ( J), not ASCII
  kJisKanaShift = 0x100000,  // half-width kana inside SO/SI, not after ESC ( I
};

// JIS states: 0-5 two-byte JIS after designation 0-5, then these.
enum : int {
  kJisSupplementary = 6,  // JIS X 0212 (read only: each character is '?')
  kJisAscii = 8,
  kJisRomanSet = 9,
  kJisKana = 10,       // after ESC ( I
  kJisKanaShifted = 11,  // between SO and SI
};

// The state of one pair of converters between calls.
struct CodeState {
  unsigned char pending[8];  // a character or escape sequence cut off at the end
  int pending_count;
  int out_state;  // JIS pair: what sjistojis's output has designated
  int in_state;   // JIS pair: what jistosjis's input has designated
};
extern CodeState euc_state, jis_state;

// The input of one call: the bytes held from the last call, then the caller's.
struct CodeInput {
  const unsigned char *held;
  std::size_t held_count;
  const unsigned char *src;
  std::size_t src_len;  // up to the caller's NUL
  std::size_t pos;      // the read cursor over both
};

// The longest output of one step: SI, a seven-byte designation and a
// two-byte character.
inline constexpr int kCharOutputMax = 10;

// One step: reads a character at the cursor, writes its conversion to out and
// returns the number of bytes written; 0 at the end of the input (a cut
// character is then pending in the state), -2 for a code the output lacks
// (the cursor stays on it).
using CharConverter = int (*)(CodeState &state, CodeInput &in, unsigned char *out);
int sjis_to_euc_char(CodeState &state, CodeInput &in, unsigned char *out);
int euc_to_sjis_char(CodeState &state, CodeInput &in, unsigned char *out);
int sjis_to_jis_char(CodeState &state, CodeInput &in, unsigned char *out);
int jis_to_sjis_char(CodeState &state, CodeInput &in, unsigned char *out);

// The shared loop of the streaming converters, over the EUC pair's state and
// over the JIS pair's.
int convert_string(CharConverter conv, char *dst, int dstsize, const char *src, int srclen);
int convert_jis_string(CharConverter conv, char *dst, int dstsize, const char *src, int srclen);
