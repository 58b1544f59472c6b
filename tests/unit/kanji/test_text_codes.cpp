// The Shift-JIS character tests, the four streaming converters and the
// whole-text conversions of the first program, also against the C library's
// converters.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text_codes.h"
#include "kanji/text_codes.h"

namespace {

using Converter = int (*)(char *, int, const char *, int);

struct Named {
  const char *name;
  Converter f;
};
const Named kConverters[] = {
    {"sjistoeuc", sjistoeuc}, {"euctosjis", euctosjis}, {"jistosjis", jistosjis}, {"sjistojis", sjistojis}};

void reset_all() {
  sjistoeuc(nullptr, 0, nullptr, 0);
  jistosjis(nullptr, 0, nullptr, 0);
}

// One call with room to spare: the output, and the result in *result.
std::string convert(Converter f, const std::string &in, int *result = nullptr) {
  std::vector<char> buf(in.size() * 10 + 16, '\x55');
  const int r = f(buf.data(), static_cast<int>(buf.size()), in.data(), static_cast<int>(in.size()));
  if (result != nullptr) *result = r;
  if (r < 0) return "<" + std::to_string(r) + ">";
  EXPECT_EQ(buf[static_cast<std::size_t>(r)], '\0');
  return std::string(buf.data(), static_cast<std::size_t>(r));
}

// One of the C library's converters: the whole of in from its initial state,
// a stateful output led back to its initial state; nothing when it refuses.
struct Iconv {
  iconv_t cd;
  Iconv(const char *to, const char *from) : cd(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd); }
  std::optional<std::string> operator()(std::string in) const {
    char out[64], *o = out, *i = in.data();
    std::size_t out_left = sizeof out, in_left = in.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &i, &in_left, &o, &out_left) == static_cast<std::size_t>(-1) ||
        iconv(cd, nullptr, nullptr, &o, &out_left) == static_cast<std::size_t>(-1))
      return std::nullopt;
    return std::string(out, o);
  }
};

struct TextCodes : ::testing::Test {
  void SetUp() override { reset_all(); }
  void TearDown() override { reset_all(); }
};

TEST_F(TextCodes, CharacterTests) {
  struct Case {
    int c, kanji, first, hankak;
  } cases[] = {
      {0x889F, 2, 1, 0}, {0x0088, 1, 1, 0}, {0x0041, 0, 0, 0}, {0xFF41, 0, 0, 0}, {0x0080, 0, 1, 0},
      {0xFF88, 1, 1, 0}, {0x00FC, 1, 1, 0}, {0x00FD, 0, 0, 0}, {0xE040, 2, 0, 0}, {0xA0B1, 0, 0, 1},
      {0x00A0, 0, 0, 1}, {0x00DF, 0, 0, 1}, {0x00E0, 1, 1, 0}, {0x7F41, 0, 0, 0},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.c);
    EXPECT_EQ(iskanji(k.c), k.kanji);
    EXPECT_EQ(isfirstkanji(k.c), k.first);
    EXPECT_EQ(ishankak(k.c), k.hankak);
  }
  EXPECT_EQ(ishankan(0x853E), 0);
  EXPECT_EQ(ishankan(0x853F), 1);
  EXPECT_EQ(ishankan(0x85DD), 1);
  EXPECT_EQ(ishankan(0x85DE), 0);
  EXPECT_EQ(is2bcode(0x889F), 0);
}

// Single calls from the reset state: conversions, invalid bytes and the
// escape sequences of 7-bit JIS.
TEST_F(TextCodes, Conversions) {
  struct Case {
    Converter f;
    const char *in;
    std::string out;
  } cases[] = {
      {sjistoeuc, "abc", "abc"},
      {sjistoeuc, "\x88\x9f", "\xb0\xa1"},
      {sjistoeuc, "\xb1", "\x8e\xb1"},
      {sjistoeuc, "\x81\x40\xef\xfc\x9f\x7e", "\xa1\xa1\xfe\xfe\xdd\xdf"},
      // A bad lead byte is used up alone; a lead before a byte that cannot
      // follow it is one bad byte. The user and vendor areas (leads 0xF0 to
      // 0xFC) have no place in EUC-JP: lead and trail are one '?'.
      {sjistoeuc, "\x80" "A\xa0" "B\xf0@\xff", "?A?B??"},
      {sjistoeuc, "\x81 \x81\x7f\x81\xfd", "? ?\x7f??"},
      {sjistoeuc, "\xf0\x9f\x88\x9f\xfb\xfc\xfa\xb1" "a\xfc ", "?\xb0\xa1??a? "},
      {sjistojis, "\xfb\xfc\x88\x9f", "?\x1b$B\x30\x21"},
      {euctosjis, "\xb0\xa1\x8e\xb1z", "\x88\x9f\xb1z"},
      {euctosjis, "\x80" "A\xa0\xff\x8e" "A\x8e\xa0\xb0\xa0", "?A???A????"},
      {sjistojis, "\x88\x9f" "a", "\x1b$B\x30\x21\x1b(Ba"},
      {jistosjis, "\x1b$B\x30\x21\x1b(Ba", "\x88\x9f" "a"},
      // Designations and shifts use up input and the conversion goes on.
      {jistosjis, "\x1b$B\x1b(Jx\x0e\x31\x0fy\x1b(I\x31", "x\xb1y\xb1"},
      {jistosjis, "\x1b$D\x30\x21\x30\x21\x1b$(D\x30\x21\x1b(Bz", "???z"},
      // An unknown sequence passes with the byte that broke it.
      {jistosjis, "\x1b(Zq\x1b&@\x1b$Xr", "\x1b(Zq\x1b&@\x1b$Xr"},
      // In two-byte JIS: line ends pass, bytes that are no JIS byte are '?'.
      {jistosjis, "\x1b$B\x30\n\x30\x21\x7f\x30\x21", "?\n\x88\x9f?\x88\x9f"},
      {jistosjis, "\x1b(I\x31\x60 \x1b(B\x81\xb1", "\xb1? ?\xb1"},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.in);
    reset_all();
    int r = 0;
    EXPECT_EQ(convert(k.f, k.in, &r), k.out);
    EXPECT_EQ(r, static_cast<int>(k.out.size()));
  }
}

TEST_F(TextCodes, CallContract) {
  char buf[16] = "xxxx";
  for (const Named &c : kConverters) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.f(buf, -1, "a", 1), -3);
    EXPECT_EQ(c.f(buf, 4, "a", -1), -3);
    EXPECT_EQ(c.f(nullptr, -1, nullptr, -1), 0);  // a reset whatever the sizes
    EXPECT_EQ(c.f(buf, 4, "a", 0), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(c.f(buf, sizeof buf, "ab\0cd", 5), 2);  // the input ends at a NUL
    EXPECT_STREQ(buf, "ab");
  }
  // -2 for codes Shift-JIS lacks; the output so far stays, terminated.
  EXPECT_EQ(euctosjis(buf, sizeof buf, "a\x8f\xa1\xa1", 4), -2);
  EXPECT_STREQ(buf, "a");
  EXPECT_EQ(euctosjis(buf, sizeof buf, "\xb0" "A", 2), -2);
  // A held lead byte is dropped by a reset.
  EXPECT_EQ(sjistoeuc(buf, sizeof buf, "\x88", 1), 0);
  reset_all();
  EXPECT_EQ(convert(sjistoeuc, "A"), "A");
}

// Texts of every kind of character, each cut at every byte: the pieces, each
// counted first, convert to what the whole does, and counting changes nothing.
TEST_F(TextCodes, PiecesEqualTheWholeAndCountingChangesNothing) {
  const std::string kanji_jis = "\x1b&@\x1b$(B\x30\x21\x1b(J";
  struct Case {
    Converter f;
    std::int32_t options;
    std::string in;
  } cases[] = {
      {sjistoeuc, 0, "a\x88\x9f\xb1\x80\x81\x40z\xef\xfc\xfa\xb1"},
      {euctosjis, 0, "a\xb0\xa1\x8e\xb1\x80\xa1\xa1z\xfe\xfe"},
      {sjistojis, kJisPrefixed | kJisFourByte | kJisKanaShift, "\xb1\x88\x9f" "a\xb1\xb2\x81\x40"},
      {sjistojis, kJisRoman, "\xb1\x88\x9f" "a\xb1"},
      {jistosjis, 0, kanji_jis + "x\x0e\x31\x0fy\x1b(I\x32\x1b$D\x30\x21\x1b(Qz"},
  };
  for (const Case &k : cases) {
    reset_all();
    jcodeopt = k.options;
    const std::string whole = convert(k.f, k.in);
    for (std::size_t cut = 0; cut <= k.in.size(); ++cut) {
      SCOPED_TRACE(k.in + " cut at " + std::to_string(cut));
      reset_all();
      jcodeopt = k.options;
      std::string joined;
      for (const std::string &piece : {k.in.substr(0, cut), k.in.substr(cut)}) {
        const int counted = k.f(nullptr, 0, piece.data(), static_cast<int>(piece.size()));
        char unused;
        const int counted_again = k.f(&unused, 0, piece.data(), static_cast<int>(piece.size()));
        int written = 0;
        joined += convert(k.f, piece, &written);
        EXPECT_EQ(counted, written);
        EXPECT_EQ(counted_again, written);
      }
      EXPECT_EQ(joined, whole);
    }
  }
}

// Every destination size from 0 to one past the output: too small gives -1
// with the characters that fit, whole and terminated, and leaves the state.
TEST_F(TextCodes, EveryDestinationSize) {
  struct Case {
    Converter f;
    std::int32_t options;
    std::string in;
    std::vector<std::size_t> ends;  // where the output's characters end
  } cases[] = {
      {sjistoeuc, 0, "a\x88\x9f\xb1", {1, 3, 5}},
      // SO and the kana, then SI, the longest designation and the kanji.
      {sjistojis, kJisPrefixed | kJisFourByte | kJisKanaShift, "\xb1\x88\x9f", {2, 12}},
  };
  for (const Case &k : cases) {
    reset_all();
    jcodeopt = k.options;
    const std::string whole = convert(k.f, k.in);
    ASSERT_EQ(whole.size(), k.ends.back());
    for (int size = 0; size <= static_cast<int>(whole.size()) + 1; ++size) {
      SCOPED_TRACE(size);
      reset_all();
      jcodeopt = k.options;
      std::vector<char> buf(static_cast<std::size_t>(size) + 1, '\x55');
      const int r = k.f(buf.data(), size, k.in.data(), static_cast<int>(k.in.size()));
      if (size == 0 || size > static_cast<int>(whole.size())) {
        EXPECT_EQ(r, static_cast<int>(whole.size()));
        continue;
      }
      EXPECT_EQ(r, -1);
      std::size_t fits = 0;
      for (std::size_t end : k.ends)
        if (end < static_cast<std::size_t>(size)) fits = end;
      EXPECT_EQ(std::string(buf.data()), whole.substr(0, fits));
      EXPECT_EQ(convert(k.f, k.in), whole);  // nothing was used up
    }
  }
}

// What sjistojis writes for each variant, kana mode and one-byte set, and
// that jistosjis reads it back and takes the variant from it.
TEST_F(TextCodes, JisVariantsAndModes) {
  const std::string text = "\xb1\x88\x9f" "a\xb1";
  struct Case {
    std::int32_t options;
    std::string out;
  } cases[] = {
      {0, "\x1b(I\x31\x1b$B\x30\x21\x1b(Ba\x1b(I\x31"},
      {kJisOlderSet, "\x1b(I\x31\x1b$@\x30\x21\x1b(Ba\x1b(I\x31"},
      {kJisPrefixed, "\x1b(I\x31\x1b&@\x1b$B\x30\x21\x1b(Ba\x1b(I\x31"},
      {kJisFourByte, "\x1b(I\x31\x1b$(B\x30\x21\x1b(Ba\x1b(I\x31"},
      {kJisFourByte | kJisOlderSet, "\x1b(I\x31\x1b$(@\x30\x21\x1b(Ba\x1b(I\x31"},
      {kJisFourByte | kJisPrefixed | kJisRoman, "\x1b(I\x31\x1b&@\x1b$(B\x30\x21\x1b(Ja\x1b(I\x31"},
      {kJisKanaShift, "\x0e\x31\x0f\x1b$B\x30\x21\x1b(Ba\x0e\x31"},
      {kJisKanaShift | kJisRoman | kJisOlderSet, "\x0e\x31\x0f\x1b$@\x30\x21\x1b(Ja\x0e\x31"},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.options);
    reset_all();
    jcodeopt = k.options;
    EXPECT_EQ(convert(sjistojis, text), k.out);
    // From a kana inside SO/SI and from a designated kana to each one-byte set.
    EXPECT_EQ(convert(sjistojis, "b"), std::string(k.options & kJisKanaShift ? "\x0f" : "") +
                                           (k.options & kJisRoman ? "\x1b(Jb" : "\x1b(Bb"));
    jcodeopt = 0xFF;
    EXPECT_EQ(convert(jistosjis, k.out), text);
    EXPECT_EQ(jcodeopt & kJisVariantBits, k.options & kJisVariantBits);
  }
  // From JIS-Roman into SO: the one-byte set is named again first.
  reset_all();
  jcodeopt = kJisKanaShift | kJisRoman;
  EXPECT_EQ(convert(sjistojis, "\x88\x9f\xb1"), "\x1b$B\x30\x21\x1b(J\x0e\x31");
}

// Whole texts: a state of their own each, cut at a character, terminated.
TEST_F(TextCodes, WholeTexts) {
  char buf[8];
  // A cut character at the end of one text reaches neither the next text
  // nor the streaming converter's held byte.
  EXPECT_EQ(sjistoeuc(buf, sizeof buf, "\x88", 1), 0);
  EXPECT_STREQ(sjis_text_to_euc(buf, "a\x88", sizeof buf), "a");
  EXPECT_STREQ(sjis_text_to_euc(buf, "\x9f", sizeof buf), "");
  EXPECT_EQ(convert(sjistoeuc, "\x9f"), "\xb0\xa1");
  // Room for 4 bytes: the kana (2) does not fit after "a\xb0\xa1" (3).
  EXPECT_STREQ(sjis_text_to_euc(buf, "a\x88\x9f\xb1", 5), "a\xb0\xa1");
  EXPECT_STREQ(sjis_text_to_euc(buf, "a\x88\x9f\xb1", 6), "a\xb0\xa1\x8e\xb1");
  EXPECT_STREQ(sjis_text_to_euc(buf, "abc", 1), "");
  // Codes Shift-JIS lacks are '?': a three-byte code whole, a lead byte
  // alone; a three-byte code cut by the end is dropped.
  EXPECT_EQ(euc_text_to_sjis("\x8f\xa1\xa1" "a\x8f\xa1" "b\xb0" "c\x8f\xb0"), "?a?b?c");
  EXPECT_EQ(sjis_text_to_euc(std::string(3000, '\xb1')), [] {
    std::string s;
    for (int i = 0; i < 3000; ++i) s += "\x8e\xb1";
    return s;
  }());
  EXPECT_EQ(sjis_text_to_euc(std::string("a\0b", 3)), "a");
}

// Round trips over every code of each set.
TEST_F(TextCodes, RoundTripsOverEveryCode) {
  std::string sjis;
  for (int lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead == 0xA0) lead = 0xE0;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      sjis += static_cast<char>(lead);
      sjis += static_cast<char>(trail);
    }
  }
  for (int c = 0xA1; c <= 0xDF; ++c) sjis += static_cast<char>(c);
  for (int c = 0x20; c <= 0x7E; ++c) sjis += static_cast<char>(c);
  std::string euc;
  for (int c1 = 0xA1; c1 <= 0xFE; ++c1)
    for (int c2 = 0xA1; c2 <= 0xFE; ++c2) {
      euc += static_cast<char>(c1);
      euc += static_cast<char>(c2);
    }

  EXPECT_EQ(convert(euctosjis, convert(sjistoeuc, sjis)), sjis);
  EXPECT_EQ(convert(sjistoeuc, convert(euctosjis, euc)), euc);
  EXPECT_EQ(euc_text_to_sjis(sjis_text_to_euc(sjis)), sjis);
  for (std::int32_t variant = 0; variant <= 7; ++variant)
    for (std::int32_t mode : {0, 0 | kJisRoman, 0 | kJisKanaShift, kJisRoman | kJisKanaShift}) {
      SCOPED_TRACE(variant | mode);
      reset_all();
      jcodeopt = variant | mode;
      const std::string jis = convert(sjistojis, sjis);
      for (char c : jis) ASSERT_EQ(c & 0x80, 0);
      EXPECT_EQ(convert(jistosjis, jis), sjis);
    }
}

// Against glibc's converters over every two-byte code: they agree on the 6879
// characters of JIS X 0208. iconv refuses the rest, where the converters here
// differ on purpose: the 1957 places JIS X 0208 leaves empty keep their place
// both ways, and the 2444 codes of the user and vendor areas (Shift-JIS leads
// 0xF0 to 0xFC) each become one '?'.
TEST_F(TextCodes, AgreeWithTheCLibraryOverEveryTwoByteCode) {
  const Iconv sjis_euc("EUC-JP", "SHIFT_JIS"), euc_sjis("SHIFT_JIS", "EUC-JP"),
      sjis_jis("ISO-2022-JP", "SHIFT_JIS"), jis_sjis("SHIFT_JIS", "ISO-2022-JP");
  for (const Iconv *c : {&sjis_euc, &euc_sjis, &sjis_jis, &jis_sjis}) ASSERT_NE(c->cd, reinterpret_cast<iconv_t>(-1));
  std::vector<std::string> wrong;
  const auto check = [&](bool good, const std::string &code) {
    if (!good && wrong.size() < 20) wrong.push_back(code);
  };
  // Ours and iconv's conversions of a code two ways: iconv takes both or
  // neither, and where it takes them, they agree.
  int agreed = 0, user_area = 0;  // of 11280 codes; the rest are the empty places
  const auto agree = [&](const std::string &code, const std::string &a, const std::string &b,
                         const std::optional<std::string> &want_a, const std::optional<std::string> &want_b) {
    check(want_a.has_value() == want_b.has_value(), code);
    if (want_a) ++agreed, check(a == *want_a && b == *want_b, code);
    return want_a.has_value();
  };

  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead == 0xA0) lead = 0xE0;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      reset_all();
      const std::string euc = convert(sjistoeuc, code), jis = convert(sjistojis, code + "a");
      if (agree(code, euc, jis, sjis_euc(code), sjis_jis(code + "a"))) continue;
      if (lead >= 0xF0)
        ++user_area, check(euc == "?" && jis == "?a", code);
      else
        check(!euc_sjis(euc) && convert(euctosjis, euc) == code && convert(jistosjis, jis) == code + "a", code);
    }
  }
  EXPECT_EQ(agreed, 6879);
  EXPECT_EQ(user_area, 2444);

  // The other way: every code of two EUC-JP bytes, and of two JIS bytes.
  agreed = 0;  // of 8836
  for (int c1 = 0xA1; c1 <= 0xFE; ++c1)
    for (int c2 = 0xA1; c2 <= 0xFE; ++c2) {
      const std::string euc{static_cast<char>(c1), static_cast<char>(c2)};
      const std::string jis =
          "\x1b$B" + std::string{static_cast<char>(c1 & 0x7F), static_cast<char>(c2 & 0x7F)} + "\x1b(B";
      reset_all();
      const std::string sjis = convert(euctosjis, euc), from_jis = convert(jistosjis, jis);
      if (!agree(euc, sjis, from_jis, euc_sjis(euc), jis_sjis(jis)))
        check(from_jis == sjis && convert(sjistoeuc, sjis) == euc, euc);
    }
  EXPECT_EQ(agreed, 6879);
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

}  // namespace
