// The second program has no Japanese text: every byte is one character and
// text passes unchanged.
#include "base/text_codes.h"

int iskanji(int) { return 0; }
int isfirstkanji(int) { return 0; }
int ishankak(int) { return 0; }
int ishankan(int) { return 0; }
int is2bcode(int) { return 0; }

char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap) {
  return bounded_copy(dst, src != nullptr ? src : "", cap);
}
char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap) {
  return bounded_copy(dst, src != nullptr ? src : "", cap);
}

std::string sjis_text_to_euc(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }
std::string euc_text_to_sjis(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }
