// The Japanese code converters. Input byte 0 picks the converter (bits 0-1)
// and the JIS options (bits 2-7), byte 1 where the text is cut, byte 2 a
// small destination size; the rest, up to a NUL, is the text. Whatever the text: the result
// is -2 (only from euctosjis), -1 (only for too small a destination) or the
// output's length; every output is terminated; counting gives what writing
// does; the two pieces of the cut text give what the whole does. The text
// mapped onto valid Shift-JIS (ASCII, kana, two-byte codes) survives every
// round trip.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_codes.h"
#include "kanji/text_codes.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

using Converter = int (*)(char *, int, const char *, int);
const Converter kConverters[] = {sjistoeuc, euctosjis, jistosjis, sjistojis};

void reset(std::int32_t options) {
  sjistoeuc(nullptr, 0, nullptr, 0);
  jistosjis(nullptr, 0, nullptr, 0);
  jcodeopt = options;
}

// One call with room to spare, checked against counting first.
int convert(Converter f, const std::string &in, std::string &out) {
  const int counted = f(nullptr, 0, in.data(), static_cast<int>(in.size()));
  std::vector<char> buf(in.size() * 12 + 16, '\x55');
  const int r = f(buf.data(), static_cast<int>(buf.size()), in.data(), static_cast<int>(in.size()));
  check(r == counted);
  check(r >= 0 || (r == -2 && f == euctosjis));
  const std::size_t len = r >= 0 ? static_cast<std::size_t>(r) : std::strlen(buf.data());
  check(len < buf.size() && buf[len] == '\0');
  out.append(buf.data(), len);
  return r;
}

// Valid Shift-JIS from any bytes: printable ASCII, half-width kana and
// two-byte codes with leads 0x81-0x9F and 0xE0-0xEF.
std::string valid_sjis(const std::uint8_t *data, std::size_t size) {
  std::string s;
  for (std::size_t i = 0; i < size; ++i) {
    const int b = data[i];
    if (b % 3 == 0) {
      s += static_cast<char>(0x20 + b / 3 % 95);
    } else if (b % 3 == 1) {
      s += static_cast<char>(0xA1 + b / 3 % 63);
    } else {
      const int index = (b << 8 | (i + 1 < size ? data[++i] : 0)) % (47 * 188);
      const int lead = index / 188, trail = index % 188;
      s += static_cast<char>(lead < 31 ? 0x81 + lead : 0xE0 + lead - 31);
      s += static_cast<char>(trail < 63 ? 0x40 + trail : 0x80 + trail - 63);
    }
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 3) return 0;
  const Converter f = kConverters[data[0] & 3];
  const std::int32_t options =
      (data[0] >> 2 & 7) | (data[0] & 0x20 ? kJisRoman : 0) | (data[0] & 0x40 ? kJisKanaShift : 0);
  // A NUL ends the input of every converter: the text is what comes before.
  const char *bytes = reinterpret_cast<const char *>(data + 3);
  const std::string text(bytes, strnlen(bytes, size - 3));
  const std::size_t cut = text.empty() ? 0 : data[1] % (text.size() + 1);

  reset(options);
  std::string whole;
  const int r = convert(f, text, whole);

  reset(options);
  std::string joined;
  const int r1 = convert(f, text.substr(0, cut), joined);
  const int r2 = r1 < 0 ? r1 : convert(f, text.substr(cut), joined);
  check((r >= 0) == (r1 >= 0 && r2 >= 0));
  if (r >= 0) check(joined == whole);

  // Too small a destination: -1 with a terminated beginning of the output,
  // and nothing used up.
  if (r >= 0) {
    const int dstsize = data[2] % (r + 2);
    reset(options);
    std::vector<char> buf(static_cast<std::size_t>(dstsize) + 1, '\x55');
    const int small = f(buf.data(), dstsize, text.data(), static_cast<int>(text.size()));
    check(small == (dstsize == 0 || dstsize > r ? r : -1));
    if (small == -1) {
      const std::size_t len = std::strlen(buf.data());
      check(len < static_cast<std::size_t>(dstsize) && whole.compare(0, len, buf.data()) == 0);
      std::string again;
      check(convert(f, text, again) == r && again == whole);
    }
  }

  // Whole texts: terminated within the room given, the strings sized from
  // the input.
  char room[64];
  const std::size_t cap = data[2] % sizeof room;
  if (cap > 0) {
    check(std::strlen(sjis_text_to_euc(room, text.c_str(), cap)) < cap);
    check(std::strlen(euc_text_to_sjis(room, text.c_str(), cap)) < cap);
  }
  check(sjis_text_to_euc(text).size() <= 2 * text.size());
  check(euc_text_to_sjis(text).size() <= text.size());

  // Round trips of valid text.
  const std::string sjis = valid_sjis(data + 3, text.size());
  std::string euc, back, jis, back_jis;
  reset(options);
  check(convert(sjistoeuc, sjis, euc) >= 0 && convert(euctosjis, euc, back) >= 0 && back == sjis);
  check(euc_text_to_sjis(sjis_text_to_euc(sjis)) == sjis);
  check(convert(sjistojis, sjis, jis) >= 0 && convert(jistosjis, jis, back_jis) >= 0 && back_jis == sjis);
  return 0;
}
