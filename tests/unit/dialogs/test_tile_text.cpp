// Texts and numbers of the tiles, and the result packet's bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/config_record.h"
#include "dialogs/dialog_packets.h"
#include "dialogs/tile_text.h"
#include "support/saved_config.h"
#include "support/test_packet.h"

namespace {

const std::string kKanji = "\x88\x9f";  // one two-byte Shift-JIS character

TEST(TileText, LabelCutKeepsTheTailBehindALessThan) {
  const std::string forty = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  struct Case {
    std::string text;
    int visible;
    std::string shown;
  } cases[] = {
      {forty, 10, "<" + forty.substr(31)},  // "<" and the last 9 characters
      {"short", 10, "short"},
      {"abcdef", 0, "<"},  // a width below 1 counts as 1
      {"abcdef", -3, "<"},
      {"abc" + kKanji + "d", 4, "<" + kKanji + "d"},
      {"abc" + kKanji + "d", 3, "<d"},  // the last 3 columns begin inside the two-byte character
      {"ab" + kKanji, 2, "<"},
  };
  for (const Case &c : cases) EXPECT_EQ(cut_label_text(c.text, c.visible), c.shown) << c.text << " " << c.visible;
}

TEST(TileText, FitAndValueTextsEndAtCharacterBoundaries) {
  EXPECT_EQ(text_fit("abcd", 2), 2u);
  EXPECT_EQ(text_fit("a" + kKanji, 2), 1u);
  EXPECT_EQ(text_fit("a" + kKanji, 3), 3u);
  // A get writes at most length - 28 bytes with the NUL, none when shorter.
  for (std::size_t length : {28u, 29u, 31u, 34u}) {
    TestPacket t(304, length, {}, 0xEE);
    put_value_text(t.p, "abcdef");
    if (length > 28) {
      EXPECT_EQ(std::string(t.p.text(28)), std::string("abcdef").substr(0, length - 29));
    }
    EXPECT_EQ(t.bytes[length], 0xEE) << length;  // nothing past the packet
  }
  TestPacket k(304, 31);
  put_value_text(k.p, "a" + kKanji);
  EXPECT_EQ(std::string(k.p.text(28)), "a");
}

TEST(TileText, TabsPadToTheNextStopInsideTheBuffer) {
  const std::vector<int> stops{4, 10};
  EXPECT_EQ(expand_list_text("a\tb\tc\td", stops), "a   b     c\td");
  EXPECT_EQ(expand_list_text("abcd\te", stops), "abcd      e");  // the next stop after column 4
  EXPECT_EQ(expand_list_text("\t", {}), "\t");
  const std::string wide = expand_list_text("x\t" + std::string(2000, 'y'), {30000});
  EXPECT_EQ(wide.size(), kTextBuffer - 1);
  EXPECT_EQ(wide.find('y'), std::string::npos);
  // A two-byte character is not split at the buffer's end.
  const std::string kanjis = expand_list_text(std::string(897, 'a') + kKanji + kKanji, {});
  EXPECT_EQ(kanjis.size(), 897u + 2);
}

TEST(TileText, ListPositionsSkipWhatIsNoNumber) {
  EXPECT_EQ(read_positions("2 5"), (std::vector<long>{2, 5}));
  EXPECT_EQ(read_positions("x3,,7y -1"), (std::vector<long>{3, 7, -1}));
  EXPECT_EQ(read_positions("abc"), (std::vector<long>{}));
  EXPECT_EQ(read_positions("99999999999999999999 4"), (std::vector<long>{4}));
  EXPECT_EQ(format_positions({2, 5}, true, 64), "2 5");
  EXPECT_EQ(format_positions({2, 5}, false, 64), "2");
  EXPECT_EQ(format_positions({12, 5}, true, 4), "12");  // " 5" and the NUL do not fit
  EXPECT_EQ(format_positions({12}, true, 2), "");
}

TEST(TileText, SliderSetTurnsTheValueOverUnlessAsked) {
  const SliderExtra s{0, 100, 0};
  EXPECT_EQ(slider_set_value(s, 30, false), 70);
  EXPECT_EQ(slider_set_value(s, 30, true), 30);
  EXPECT_EQ(slider_set_value(s, 500, true), 100);
  EXPECT_EQ(slider_set_value(s, -500, true), 0);
  const SliderExtra r{-50, 50, 0};
  EXPECT_EQ(slider_set_value(r, 20, false), -20);
  EXPECT_EQ(slider_set_value(r, -9223372036854775807LL - 1, false), 50);  // no overflow
  EXPECT_EQ(slider_set_value(r, 9223372036854775807LL, false), -50);
}

TEST(TileText, FillColoursAndRecordsStayInBounds) {
  SavedConfig saved;
  cfr = DefaultConfig();
  cfr.word(kWordColourXor) = 3;
  cfr.word(kWordColourGraphics) = 250;
  cfr.word(kWordColourDialogLines) = 12;
  struct Case {
    int colour, index;
  } cases[] = {{0, 0}, {255, 255}, {-1, 3}, {-2, 250}, {-18, 12}, {-19, 7}, {256, 7}, {-32768, 7}, {32767, 7}};
  for (const Case &c : cases) EXPECT_EQ(fill_colour_index(c.colour), c.index) << c.colour;

  // Three records asked, two held.
  TestPacket p(307, 20 + 2 * 14 + 5, {5, 0, 0, 0, 0, 0, 0, 3, 1});
  p.i16(20, 1).i16(22, 4).i16(26, 1).i16(28, 2).i16(30, 3).i16(32, 4);
  p.i16(34, 0).i16(36, -1).i16(40, 5).i16(42, 6).i16(44, 7).i16(46, 8);
  const std::vector<FillRecord> r = read_fill_records(p.p);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].kind, 1);
  EXPECT_EQ(r[0].colour, 4);
  EXPECT_EQ(r[0].d, 4);
  EXPECT_EQ(r[1].colour, -1);
  EXPECT_EQ(r[1].c, 7);
  p.i16(16, -4);
  EXPECT_TRUE(read_fill_records(p.p).empty());
}

TEST(TileText, KeptTextsAndResultTextsStayInTheirBounds) {
  std::string full(kEditTextMax - 1, 'x');
  EXPECT_EQ(apply_field_edit(full, 50000, 50000, "abc"), 1);  // past the end: appended, as far as it fits
  EXPECT_EQ(full.size(), static_cast<std::size_t>(kEditTextMax));
  EXPECT_EQ(full.back(), 'a');
  // A longest edit box text does not fit one message: cut at a character.
  std::uint8_t buf[kMessageMax];
  const std::string text = std::string(kMessageMax - 33, 'a') + kKanji + "tail";
  EXPECT_EQ(encode_dialog_result(buf, 1, text, 1, 0, 0), kMessageMax - 1);
  EXPECT_EQ(buf[kMessageMax - 5], 0);  // the NUL after the last whole character
}

}  // namespace
