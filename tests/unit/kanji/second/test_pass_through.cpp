// The second program has no Japanese text: one byte, one character, and text
// passes unchanged.
#include <gtest/gtest.h>

#include <string>

#include "base/text_codes.h"

namespace {

TEST(PassThrough, EveryByteIsOneCharacter) {
  for (int c : {0x41, 0x80, 0x88, 0xB1, 0xE0, 0xFC, 0x889F, 0x853F}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(iskanji(c), 0);
    EXPECT_EQ(isfirstkanji(c), 0);
    EXPECT_EQ(ishankak(c), 0);
    EXPECT_EQ(ishankan(c), 0);
    EXPECT_EQ(is2bcode(c), 0);
  }
}

TEST(PassThrough, TextIsCopiedByteForByte) {
  const std::string text = "a\x88\x9f\xb1\x8f\xa1\xa1\x80\x88";
  EXPECT_EQ(sjis_text_to_euc(text), text);
  EXPECT_EQ(euc_text_to_sjis(text), text);
  char buf[6];
  // Cut anywhere, terminated.
  EXPECT_STREQ(sjis_text_to_euc(buf, text.c_str(), sizeof buf), "a\x88\x9f\xb1\x8f");
  EXPECT_STREQ(euc_text_to_sjis(buf, text.c_str(), 3), "a\x88");
  EXPECT_EQ(sjis_text_to_euc(std::string("a\0b", 3)), "a");
}

}  // namespace
