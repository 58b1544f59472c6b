// Japanese text codes of the first program: the character tests, the
// streaming converters and the whole-text conversions built on them.
#include "kanji/text_codes.h"

#include <climits>
#include <cstring>

#include "base/text_codes.h"

std::int32_t jcodeopt;
CodeState euc_state{{}, 0, kJisAscii, kJisAscii};
CodeState jis_state{{}, 0, kJisAscii, kJisAscii};

namespace {

constexpr unsigned char kEsc = 0x1B, kShiftOut = 0x0E, kShiftIn = 0x0F;

bool is_lead_byte(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

// ---- character tests -------------------------------------------------------------------

int iskanji(int c) {
  c &= 0xFFFF;
  if ((c & 0xFF80) == 0 || (c & 0xFF80) == 0xFF00) return 0;
  if (c >= 0xFF && c <= 0xFF00) return is_lead_byte(c >> 8) ? 2 : 0;
  return is_lead_byte(c & 0xFF) ? 1 : 0;
}

int isfirstkanji(int byte) {
  byte &= 0xFF;
  return (byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int ishankak(int c) {
  c &= 0xFF;
  return c >= 0xA0 && c <= 0xDF;
}

int ishankan(int c) {
  c &= 0xFFFF;
  return c >= 0x853F && c < 0x85DE;
}

int is2bcode(int) { return 0; }

// ---- per-character converters ----------------------------------------------------------

namespace {

// The byte at offset i from the cursor; -1 past the end of the input.
int peek(const CodeInput &in, std::size_t i) {
  std::size_t at = in.pos + i;
  if (at < in.held_count) return in.held[at];
  at -= in.held_count;
  return at < in.src_len ? in.src[at] : -1;
}

// Keeps what is left of the input, a character cut off by its end, for the
// next call; the step ends.
int hold_rest(CodeState &state, CodeInput &in) {
  int n = 0;
  for (int c; n < static_cast<int>(sizeof state.pending) && (c = peek(in, n)) >= 0; ++n)
    state.pending[n] = static_cast<unsigned char>(c);
  state.pending_count = n;
  in.pos += n;
  return 0;
}

bool is_euc_byte(int c) { return c >= 0xA1 && c <= 0xFE; }
bool is_kana_byte(int c) { return c >= 0xA1 && c <= 0xDF; }

// Two-byte Shift-JIS to the row and cell bytes of JIS X 0208 (0x21-0x7E).
void sjis_pair_to_jis(int c1, int c2, int &j1, int &j2) {
  j1 = c1 < 0xA0 ? 2 * c1 - 0xE1 : 2 * c1 - 0x161;
  if (c2 >= 0x9F) {
    j2 = c2 - 0x7E;
    ++j1;
  } else {
    j2 = c2 < 0x80 ? c2 - 0x1F : c2 - 0x20;
  }
}

// JIS X 0208 row and cell (the high bits are ignored, so EUC-JP bytes do as
// well) to two-byte Shift-JIS.
void jis_pair_to_sjis(int j1, int j2, unsigned char *out) {
  j1 &= 0x7F;
  j2 &= 0x7F;
  out[0] = static_cast<unsigned char>((j1 - 1) / 2 + (j1 < 0x5F ? 0x71 : 0xB1));
  out[1] = static_cast<unsigned char>((j1 & 1) != 0 ? j2 + (j2 < 0x60 ? 0x1F : 0x20) : j2 + 0x7E);
}

enum class Sjis { end, one, kana, pair };

bool is_jis_byte(int j) { return j >= 0x21 && j <= 0x7E; }

// Reads the Shift-JIS character at the cursor. one: b is a byte below 0x80,
// or '?' for a byte that starts no character (the byte alone is used up, so
// what follows it survives) and for a character JIS X 0208 has no place for
// (the user and vendor areas from lead byte 0xF0: lead and trail byte go
// together); kana: b is a half-width kana; pair: j1 and j2 are its JIS X 0208
// bytes. end: nothing left, or a lead byte at the very end, which is held.
Sjis read_sjis(CodeState &state, CodeInput &in, int &b, int &j1, int &j2) {
  const int c = peek(in, 0);
  if (c < 0) return Sjis::end;
  ++in.pos;
  b = c;
  if (c < 0x80) return Sjis::one;
  if (is_kana_byte(c)) return Sjis::kana;
  b = '?';
  if (!is_lead_byte(c)) return Sjis::one;
  const int c2 = peek(in, 0);
  if (c2 < 0) {
    --in.pos;
    hold_rest(state, in);
    return Sjis::end;
  }
  if (c2 < 0x40 || c2 == 0x7F || c2 > 0xFC) return Sjis::one;
  ++in.pos;
  sjis_pair_to_jis(c, c2, j1, j2);
  return is_jis_byte(j1) && is_jis_byte(j2) ? Sjis::pair : Sjis::one;
}

// The escape sequences of 7-bit JIS: the designations of two-byte JIS
// (state = their number, with the variant bits that select them), then the
// one-byte sets and JIS X 0212, which is read but not converted.
struct JisSequence {
  const char *bytes;
  int state;
  int variant;  // -1: leaves the variant bits
};
constexpr JisSequence kJisSequences[] = {
    {"\x1b$B", 0, 0},
    {"\x1b$@", 1, kJisOlderSet},
    {"\x1b&@\x1b$B", 2, kJisPrefixed},
    {"\x1b$(B", 3, kJisFourByte},
    {"\x1b$(@", 4, kJisFourByte | kJisOlderSet},
    {"\x1b&@\x1b$(B", 5, kJisFourByte | kJisPrefixed},
    {"\x1b(B", kJisAscii, -1},
    {"\x1b(J", kJisRomanSet, -1},
    {"\x1b(I", kJisKana, -1},
    {"\x1b$D", kJisSupplementary, -1},
    {"\x1b$(D", kJisSupplementary, -1},
};
constexpr int kLongestSequence = 7;

// The designation sjistojis writes for two-byte JIS.
int designation_for(std::int32_t options) {
  const bool four = (options & kJisFourByte) != 0;
  if (options & kJisPrefixed) return four ? 5 : 2;
  if (options & kJisOlderSet) return four ? 4 : 1;
  return four ? 3 : 0;
}

// Reads the escape sequence at the cursor. A sequence of the table takes
// effect and 0 comes back; one that breaks off is copied to out with the byte
// that broke it, and its length comes back; one cut off by the end of the
// input is held, and -1 comes back.
int read_escape(CodeState &state, CodeInput &in, unsigned char *out) {
  unsigned char seq[kLongestSequence];
  seq[0] = kEsc;
  // No sequence of the table is longer, so the last byte read always
  // settles it.
  for (std::size_t n = 1;; ++n) {
    const int c = peek(in, n);
    if (c < 0) {
      hold_rest(state, in);
      return -1;
    }
    seq[n] = static_cast<unsigned char>(c);
    bool longer = false;
    for (const JisSequence &s : kJisSequences) {
      const std::size_t len = std::strlen(s.bytes);
      if (len < n + 1 || std::memcmp(s.bytes, seq, n + 1) != 0) continue;
      if (len > n + 1) {
        longer = true;
        continue;
      }
      in.pos += len;
      state.in_state = s.state;
      if (s.variant >= 0) jcodeopt = (jcodeopt & ~kJisVariantBits) | s.variant;
      if (s.state == kJisAscii) jcodeopt &= ~kJisRoman;
      if (s.state == kJisRomanSet) jcodeopt |= kJisRoman;
      if (s.state == kJisKana) jcodeopt &= ~kJisKanaShift;
      return 0;
    }
    if (!longer || n + 1 == sizeof seq) {
      std::memcpy(out, seq, n + 1);
      in.pos += n + 1;
      return static_cast<int>(n + 1);
    }
  }
}

}  // namespace

int sjis_to_euc_char(CodeState &state, CodeInput &in, unsigned char *out) {
  int b = 0, j1 = 0, j2 = 0;
  switch (read_sjis(state, in, b, j1, j2)) {
    case Sjis::end:
      return 0;
    case Sjis::one:
      out[0] = static_cast<unsigned char>(b);
      return 1;
    case Sjis::kana:
      out[0] = 0x8E;
      out[1] = static_cast<unsigned char>(b);
      return 2;
    case Sjis::pair:
      out[0] = static_cast<unsigned char>(j1 | 0x80);
      out[1] = static_cast<unsigned char>(j2 | 0x80);
      return 2;
  }
  return 0;
}

int euc_to_sjis_char(CodeState &state, CodeInput &in, unsigned char *out) {
  const int c = peek(in, 0);
  if (c < 0) return 0;
  if (c < 0x80) {
    out[0] = static_cast<unsigned char>(c);
    ++in.pos;
    return 1;
  }
  if (c == 0x8F) return -2;
  if (c == 0x8E || is_euc_byte(c)) {
    const int c2 = peek(in, 1);
    if (c2 < 0) return hold_rest(state, in);
    if (c == 0x8E && is_kana_byte(c2)) {
      out[0] = static_cast<unsigned char>(c2);
      in.pos += 2;
      return 1;
    }
    if (c != 0x8E && c2 < 0x80) return -2;
    if (c != 0x8E && is_euc_byte(c2)) {
      jis_pair_to_sjis(c, c2, out);
      in.pos += 2;
      return 2;
    }
  }
  out[0] = '?';
  ++in.pos;
  return 1;
}

int sjis_to_jis_char(CodeState &state, CodeInput &in, unsigned char *out) {
  int b = 0, j1 = 0, j2 = 0;
  const Sjis kind = read_sjis(state, in, b, j1, j2);
  if (kind == Sjis::end) return 0;
  int n = 0;
  auto put = [&](const char *bytes) {
    while (*bytes != '\0') out[n++] = static_cast<unsigned char>(*bytes++);
  };
  int &s = state.out_state;
  const char *one_byte_set = (jcodeopt & kJisRoman) != 0 ? "\x1b(J" : "\x1b(B";
  if (kind == Sjis::kana) {
    if ((jcodeopt & kJisKanaShift) == 0) {
      if (s == kJisKanaShifted) out[n++] = kShiftIn;
      if (s != kJisKana) put("\x1b(I");
      s = kJisKana;
    } else {
      if (s != kJisKanaShifted) {
        if (s != kJisAscii && s != kJisRomanSet) put(one_byte_set);
        out[n++] = kShiftOut;
      }
      s = kJisKanaShifted;
    }
    out[n++] = static_cast<unsigned char>(b & 0x7F);
  } else if (kind == Sjis::one) {
    const int target = (jcodeopt & kJisRoman) != 0 ? kJisRomanSet : kJisAscii;
    if (s != target) {
      if (s == kJisKanaShifted) out[n++] = kShiftIn;
      put(one_byte_set);
    }
    s = target;
    out[n++] = static_cast<unsigned char>(b);
  } else {
    const int k = designation_for(jcodeopt);
    if (s != k) {
      if (s == kJisKanaShifted) out[n++] = kShiftIn;
      put(kJisSequences[k].bytes);
    }
    s = k;
    out[n++] = static_cast<unsigned char>(j1);
    out[n++] = static_cast<unsigned char>(j2);
  }
  return n;
}

// Designations and shifts use up input without output; the step goes on to
// the next character.
int jis_to_sjis_char(CodeState &state, CodeInput &in, unsigned char *out) {
  for (;;) {
    const int c = peek(in, 0);
    if (c < 0) return 0;
    if (c == kEsc) {
      const int n = read_escape(state, in, out);
      if (n != 0) return n > 0 ? n : 0;
      continue;
    }
    if (c == kShiftOut || c == kShiftIn) {
      state.in_state = c == kShiftOut ? kJisKanaShifted : (jcodeopt & kJisRoman) != 0 ? kJisRomanSet : kJisAscii;
      ++in.pos;
      continue;
    }
    ++in.pos;
    const int s = state.in_state;
    // Control characters and the blank pass in every state.
    if (c < 0x21) {
      out[0] = static_cast<unsigned char>(c);
      return 1;
    }
    out[0] = '?';
    if (s == kJisAscii || s == kJisRomanSet) {
      if (c < 0x80 || is_kana_byte(c)) out[0] = static_cast<unsigned char>(c);
      return 1;
    }
    if (s == kJisKana || s == kJisKanaShifted) {
      if (is_kana_byte(c | 0x80)) out[0] = static_cast<unsigned char>(c | 0x80);
      return 1;
    }
    // Two-byte JIS; the first byte alone is used up when the second is no
    // JIS byte.
    const int j1 = c & 0x7F;
    if (!is_jis_byte(j1)) return 1;
    const int c2 = peek(in, 0);
    if (c2 < 0) {
      --in.pos;
      return hold_rest(state, in);
    }
    const int j2 = c2 & 0x7F;
    if (c2 < 0x21 || !is_jis_byte(j2)) return 1;
    ++in.pos;
    if (s == kJisSupplementary) return 1;
    jis_pair_to_sjis(j1, j2, out);
    return 2;
  }
}

// ---- the streaming converters ----------------------------------------------------------

namespace {

int convert_with(CodeState &state, CharConverter conv, char *dst, int dstsize, const char *src, int srclen) {
  if (src == nullptr) {
    state = CodeState{{}, 0, kJisAscii, kJisAscii};
    jcodeopt = 0;
    return 0;
  }
  if (dstsize < 0 || srclen < 0) return -3;
  const bool writing = dst != nullptr && dstsize != 0;
  if (writing) dst[0] = '\0';
  if (srclen == 0) return 0;

  // The held bytes are read in place, ahead of the input, from this copy;
  // a call that only counts, or fails, leaves the state as it found it.
  const CodeState saved = state;
  const std::int32_t saved_options = jcodeopt;
  CodeInput in{saved.pending, static_cast<std::size_t>(saved.pending_count),
               reinterpret_cast<const unsigned char *>(src), strnlen(src, static_cast<std::size_t>(srclen)), 0};
  state.pending_count = 0;

  unsigned char step[kCharOutputMax];
  long long total = 0;
  int result = 0;
  for (;;) {
    const int n = conv(state, in, step);
    if (n <= 0) {
      result = n < 0 ? n : static_cast<int>(total);
      break;
    }
    if (total + n >= (writing ? dstsize : INT_MAX)) {
      result = -1;
      break;
    }
    if (writing) std::memcpy(dst + total, step, static_cast<std::size_t>(n));
    total += n;
  }
  if (writing) dst[total] = '\0';
  if (!writing || result < 0) {
    state = saved;
    jcodeopt = saved_options;
  }
  return result;
}

}  // namespace

int convert_string(CharConverter conv, char *dst, int dstsize, const char *src, int srclen) {
  return convert_with(euc_state, conv, dst, dstsize, src, srclen);
}

int convert_jis_string(CharConverter conv, char *dst, int dstsize, const char *src, int srclen) {
  return convert_with(jis_state, conv, dst, dstsize, src, srclen);
}

int sjistoeuc(char *dst, int dstsize, const char *src, int srclen) {
  return convert_string(sjis_to_euc_char, dst, dstsize, src, srclen);
}

int euctosjis(char *dst, int dstsize, const char *src, int srclen) {
  return convert_string(euc_to_sjis_char, dst, dstsize, src, srclen);
}

int jistosjis(char *dst, int dstsize, const char *src, int srclen) {
  return convert_jis_string(jis_to_sjis_char, dst, dstsize, src, srclen);
}

int sjistojis(char *dst, int dstsize, const char *src, int srclen) {
  return convert_jis_string(sjis_to_jis_char, dst, dstsize, src, srclen);
}

// ---- whole texts -----------------------------------------------------------------------

namespace {

// Converts one text with a state of its own, handing each converted
// character to put, which answers false when there is no more room. A
// character cut off at the end is dropped; a code the output lacks (a
// three-byte EUC-JP code, a lead byte before a byte below 0x80) becomes '?'.
template <class Put>
void convert_text(CharConverter conv, std::string_view text, Put put) {
  CodeState state{{}, 0, kJisAscii, kJisAscii};
  CodeInput in{nullptr, 0, reinterpret_cast<const unsigned char *>(text.data()), text.find('\0'), 0};
  if (in.src_len == std::string_view::npos) in.src_len = text.size();
  unsigned char step[kCharOutputMax];
  for (;;) {
    int n = conv(state, in, step);
    if (n == 0) return;
    if (n < 0) {
      std::size_t len = 1;
      if (peek(in, 0) == 0x8F) {
        while (len < 3 && is_euc_byte(peek(in, len))) ++len;
        if (len < 3 && peek(in, len) < 0) return;
      }
      in.pos += len;
      step[0] = '?';
      n = 1;
    }
    if (!put(step, n)) return;
  }
}

char *convert_text_into(CharConverter conv, char *dst, const char *src, std::size_t cap) {
  if (cap == 0) return dst;
  std::size_t len = 0;
  if (src != nullptr) {
    convert_text(conv, src, [&](const unsigned char *bytes, int n) {
      if (len + static_cast<std::size_t>(n) >= cap) return false;
      std::memcpy(dst + len, bytes, static_cast<std::size_t>(n));
      len += static_cast<std::size_t>(n);
      return true;
    });
  }
  dst[len] = '\0';
  return dst;
}

std::string convert_text_to_string(CharConverter conv, std::string_view text, std::size_t size) {
  std::string out;
  out.reserve(size);
  convert_text(conv, text, [&](const unsigned char *bytes, int n) {
    out.append(reinterpret_cast<const char *>(bytes), static_cast<std::size_t>(n));
    return true;
  });
  return out;
}

}  // namespace

char *sjis_text_to_euc(char *dst, const char *src, std::size_t cap) {
  return convert_text_into(sjis_to_euc_char, dst, src, cap);
}

char *euc_text_to_sjis(char *dst, const char *src, std::size_t cap) {
  return convert_text_into(euc_to_sjis_char, dst, src, cap);
}

std::string sjis_text_to_euc(std::string_view text) {
  return convert_text_to_string(sjis_to_euc_char, text, 2 * text.size());
}

std::string euc_text_to_sjis(std::string_view text) {
  return convert_text_to_string(euc_to_sjis_char, text, text.size());
}
