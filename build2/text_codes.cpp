// The second program has no Japanese text: every byte is one character and
// text passes unchanged.
#include "base/text_codes.h"

int isfirstkanji(int) { return 0; }

char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap) { return bounded_copy(dst, src, cap); }
char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap) { return bounded_copy(dst, src, cap); }
