// Reading session scripts: good lines into actions, bad ones with their line.
#include <gtest/gtest.h>

#include "adiclient/adiclient.h"

using namespace adiclient;
using Bytes = std::vector<uint8_t>;

namespace {

std::vector<Action> parse_ok(std::string_view text) {
  std::vector<Action> actions;
  ScriptError error;
  EXPECT_TRUE(parse_script(text, actions, error)) << "line " << error.line << ": " << error.reason;
  return actions;
}

ScriptError parse_bad(std::string_view text) {
  std::vector<Action> actions;
  ScriptError error;
  EXPECT_FALSE(parse_script(text, actions, error)) << text;
  return error;
}

}  // namespace

TEST(Script, PacketsWithFieldsLengthsAndQuotedText) {
  auto a = parse_ok(
      "# a session\n"
      "\n"
      "start ACADTEXTDISPLAY=\".\" -TMP LANG=C   # comment\n"
      "handshake\n"
      "send pinit i16@10=6 str@56=\"my \\\"dwg\\\"\"\n"
      "send pdinfo len=120\n"
      "send 5 i16@2=-1 u16@4=0xffff i32@6=-2 u32@10=4000000000 u8@14=255 i8@15=-128 f32@16=0.5\n"
      "send pvec len=4 i16@2=7\n");
  ASSERT_EQ(a.size(), 6u);
  EXPECT_EQ(a[0].verb, Verb::start);
  EXPECT_EQ(a[0].line, 3);
  EXPECT_EQ(a[0].set_env, (std::vector<std::string>{"ACADTEXTDISPLAY=.", "LANG=C"}));
  EXPECT_EQ(a[0].unset_env, std::vector<std::string>{"TMP"});
  EXPECT_EQ(a[1].verb, Verb::handshake);

  // pinit starts from the builder's defaults; fields override them.
  ASSERT_EQ(a[2].packets.size(), 1u);
  Packet expected = pinit(0x8007, 6, "my \"dwg\"");
  EXPECT_EQ(a[2].packets[0].bytes, expected.bytes);

  EXPECT_EQ(a[3].packets[0].bytes, Packet(75, 120).bytes);

  Packet p = a[4].packets[0];
  EXPECT_EQ(p.bytes, (Bytes{0, 5, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xEE, 0x6B, 0x28, 0x00, 0xFF, 0x80,
                            0x3F, 0, 0, 0}));
  EXPECT_EQ(a[4].line, 7);
  EXPECT_EQ(a[5].packets[0].bytes, (Bytes{0, 5, 0, 7}));
}

TEST(Script, ShortPinitKeepsOnlyTheBytesItsLengthHolds) {
  auto a = parse_ok("send pinit len=12\n");
  EXPECT_EQ(a[0].packets[0].bytes, (Bytes{0, 1, 0, 0, 0, 0, 0, 0, 0x80, 0x07, 0, 8}));
}

TEST(Script, MessageBlockIsOneSendOfSeveralPackets) {
  auto a = parse_ok("message\n  send pnop\n  send pvec i16@2=3\n\n  send pkill\nend\nexpect reply pnop len=2\n");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].verb, Verb::send);
  EXPECT_EQ(a[0].line, 1);
  ASSERT_EQ(a[0].packets.size(), 3u);
  EXPECT_EQ(a[0].packets[1].bytes, (Bytes{0, 5, 0, 3}));
  EXPECT_EQ(a[0].packets[2].opcode(), 64);
  EXPECT_EQ(a[1].line, 7);
}

TEST(Script, ExpectationsAndActions) {
  auto a = parse_ok(
      "expect reply pinit len=112 i16@2=1 u32@4=0x31e9f str@56=\"demo\"\n"
      "expect reply\n"
      "expect event type=key key=\"a\" extra=2\n"
      "expect event type=2 x=-5 y=7 key=507\n"
      "expect noreply\n"
      "expect noevent 50\n"
      "expect exit 0\n"
      "expect sigint 1\n"
      "expect stderr \"FATAL ERROR\"\n"
      "raw 0000 0004 00000000\n"
      "wait 500\n"
      "flush\n"
      "snapshot out.ppm\n"
      "key c control\n"
      "key A shift control\n"
      "move 10 20\n"
      "click 1 2\n"
      "click 1 2 3\n"
      "close\n"
      "stdin \"LINE\\n\"\n");
  ASSERT_EQ(a.size(), 20u);
  EXPECT_EQ(a[0].opcode, 1);
  EXPECT_EQ(a[0].length, 112);
  ASSERT_EQ(a[0].fields.size(), 3u);
  EXPECT_EQ(describe_field(a[0].fields[1]), "u32@4=204447");
  EXPECT_EQ(a[1].opcode, -1);
  EXPECT_EQ(a[1].length, -1);
  EXPECT_EQ(describe_match(a[2].event), "event type=key key=97 extra=2");
  EXPECT_EQ(describe_match(a[3].event), "event type=press x=-5 y=7 key=507");
  EXPECT_EQ(a[4].number, default_quiet_ms);
  EXPECT_EQ(a[5].number, 50);
  EXPECT_EQ(a[6].verb, Verb::expect_exit);
  EXPECT_EQ(a[7].number, 1);
  EXPECT_EQ(a[8].text, "FATAL ERROR");
  EXPECT_EQ(a[9].raw, (Bytes{0, 0, 0, 4, 0, 0, 0, 0}));
  EXPECT_EQ(a[10].number, 500);
  EXPECT_EQ(a[12].text, "out.ppm");
  EXPECT_TRUE(a[13].control && !a[13].shift);
  EXPECT_TRUE(a[14].control && a[14].shift);
  EXPECT_EQ(a[16].number, 1);
  EXPECT_EQ(a[17].number, 3);
  EXPECT_EQ(a[19].text, "LINE\n");
}

TEST(Script, WindowsByTitle) {
  auto a = parse_ok(
      "key c control numlock window \"My Dialog\"\n"
      "click 3 4 2 window \"D\"\n"
      "move -1 5 window \"D\"\n"
      "snapshot out.ppm window \"D\"\n"
      "key Return\n"
      "expect window \"My Dialog\" 208x116+496-2\n"
      "expect window \"D\"\n"
      "expect nowindow \"D\"\n");
  ASSERT_EQ(a.size(), 8u);
  EXPECT_EQ(a[0].window, "My Dialog");
  EXPECT_TRUE(a[0].control && a[0].numlock && !a[0].shift);
  EXPECT_EQ(a[0].text, "c");
  EXPECT_EQ(a[1].number, 2);
  EXPECT_EQ(a[1].window, "D");
  EXPECT_EQ(a[2].x, -1);
  EXPECT_EQ(a[3].text, "out.ppm");
  EXPECT_EQ(a[3].window, "D");
  EXPECT_TRUE(a[4].window.empty());
  EXPECT_EQ(a[5].verb, Verb::expect_window);
  EXPECT_TRUE(a[5].has_geometry);
  EXPECT_EQ(a[5].width, 208);
  EXPECT_EQ(a[5].height, 116);
  EXPECT_EQ(a[5].left, 496);
  EXPECT_EQ(a[5].top, -2);
  EXPECT_FALSE(a[6].has_geometry);
  EXPECT_EQ(a[7].verb, Verb::expect_nowindow);
  EXPECT_EQ(a[7].text, "D");
}

TEST(Script, FieldMatching) {
  auto a = parse_ok("expect reply i16@2=-1 u8@4=0xff str@5=\"ok\" f32@8=2.5 f64@12=-0.1\n");
  Packet p(9, 20);
  p.set_i16(2, -1);
  p.set_u8(4, 255);
  p.set_text(5, "ok");
  p.set_f32(8, 2.5f);
  p.set_f64(12, -0.1);
  for (const Field &f : a[0].fields) EXPECT_TRUE(field_matches(f, p)) << describe_field(f);
  EXPECT_EQ(describe_field(a[0].fields[4]), "f64@12=-0.1");
  p.set_f64(12, static_cast<float>(-0.1));  // the float nearest: not the double
  EXPECT_FALSE(field_matches(a[0].fields[4], p));
  p.set_text(5, "oK");
  EXPECT_FALSE(field_matches(a[0].fields[2], p));
  p.set_length(9);  // the f32 no longer fits
  EXPECT_FALSE(field_matches(a[0].fields[3], p));

  // A double is sent as its eight bytes, most significant first.
  EXPECT_EQ(parse_ok("send 80 f64@2=-2.5\n")[0].packets[0].bytes, (Bytes{0, 80, 0xC0, 0x04, 0, 0, 0, 0, 0, 0}));
}

TEST(Script, StartAfterUseAndArgs) {
  auto a = parse_ok("wait 10\nstart args 1 \"two words\" @in\n");
  EXPECT_TRUE(a[1].replace_args);
  EXPECT_EQ(a[1].args, (std::vector<std::string>{"1", "two words", "@in"}));
  EXPECT_EQ(parse_bad("send pnop\nstart\n").line, 2);
  EXPECT_EQ(parse_bad("start\nstart\n").line, 2);
}

TEST(Script, ErrorsNameTheirLine) {
  struct Case {
    const char *text;
    int line;
    const char *reason_part;
  } cases[] = {
      {"sned pnop\n", 1, "unknown action"},
      {"\n# x\nsend pfoo\n", 3, "unknown packet"},
      {"send\n", 1, "packet name"},
      {"send pvec i16@2=70000\n", 1, "does not fit i16"},
      {"send pvec i8@2=-129\n", 1, "does not fit i8"},
      {"send pvec u32@2=0x100000000\n", 1, "does not fit u32"},
      {"send pvec q16@2=1\n", 1, "unknown field type"},
      {"send pvec i16@x=1\n", 1, "offset"},
      {"send pvec i16=1\n", 1, "TYPE@OFFSET=VALUE"},
      {"send pvec i16@2=12z\n", 1, "bad number"},
      {"send pvec f32@2=abc\n", 1, "bad f32"},
      {"send pvec f64@2=1e\n", 1, "bad f64"},
      {"send pvec len=8 f64@2=1\n", 1, "beyond len=8"},
      {"send pvec str@2=bare\n", 1, "quoted"},
      {"send pvec str@2=\"open\n", 1, "unterminated"},
      {"send pvec str@2=\"\\q\"\n", 1, "unknown escape"},
      {"send pvec len=4 i16@4=1\n", 1, "beyond len=4"},
      {"send pvec len=1\n", 1, "len"},
      {"expect reply len=2 i32@0=1\n", 1, "beyond len=2"},
      {"expect reply pnope\n", 1, "unknown packet"},
      {"expect event type=mouse\n", 1, "event type"},
      {"expect event key=\"ab\"\n", 1, "one character"},
      {"expect event button=1\n", 1, "expected type="},
      {"expect event x=abc\n", 1, "expected type="},
      {"expect exit 256\n", 1, "exit status"},
      {"expect exit\n", 1, "wrong number"},
      {"expect sigint -1\n", 1, "count"},
      {"expect stdout bare\n", 1, "quoted"},
      {"expect nothing\n", 1, "expect takes"},
      {"raw 123\n", 1, "even number"},
      {"raw 12zz\n", 1, "hex digits"},
      {"wait\n", 1, "wrong number"},
      {"wait -5\n", 1, "milliseconds"},
      {"key\n", 1, "wrong number"},
      {"key a alt\n", 1, "shift, control, numlock"},
      {"click 1 2 window\n", 1, "button"},
      {"key a window \"\"\n", 1, "takes a title"},
      {"expect window \"T\" 10x10+1\n", 1, "geometry"},
      {"expect window \"T\" 0x10+1+1\n", 1, "geometry"},
      {"expect window T\n", 1, "quoted"},
      {"expect nowindow \"T\" 1x1+0+0\n", 1, "wrong number"},
      {"click 1 2 6\n", 1, "button"},
      {"move 1\n", 1, "wrong number"},
      {"handshake now\n", 1, "wrong number"},
      {"start X\n", 1, "NAME=VALUE"},
      {"send pnop\nmessage\nsend pnop\nhandshake\nend\n", 4, "inside a message"},
      {"send pnop\nmessage\nsend pnop\n\n", 2, "without end"},
      {"send pnop\nend\n", 2, "end without message"},
      {"message x\n", 1, "message takes"},
      {"message\nsend pvec i16@2=99999\nend\n", 2, "does not fit"},
  };
  for (const Case &c : cases) {
    ScriptError e = parse_bad(c.text);
    EXPECT_EQ(e.line, c.line) << c.text;
    EXPECT_NE(e.reason.find(c.reason_part), std::string::npos) << c.text << " -> " << e.reason;
  }
}

TEST(Script, EmptyScriptAndCrLfLines) {
  EXPECT_TRUE(parse_ok("").empty());
  auto a = parse_ok("send pnop\r\nexpect reply pnop\r\n");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[1].line, 2);
}
