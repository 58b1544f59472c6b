// Japanese text codes of the first program.
#include "base/text_codes.h"

int isfirstkanji(int byte) {
  byte &= 0xff;
  return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
}

// The converters proper come with the Japanese text subsystem; until then text
// passes unchanged.
char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap) { return bounded_copy(dst, src, cap); }
char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap) { return bounded_copy(dst, src, cap); }
