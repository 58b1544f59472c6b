// Packet fields, builders, framing, opcode names and event packets.
#include <gtest/gtest.h>

#include "adiclient/adiclient.h"

using namespace adiclient;
using Bytes = std::vector<uint8_t>;

TEST(Packet, FieldsAreBigEndianAndGrowThePacket) {
  Packet p(5);
  p.set_i16(2, -2);
  p.set_u16(4, 0x8007);
  p.set_i32(6, -123456);
  p.set_u32(10, 0xDEADBEEF);
  p.set_i8(14, -1);
  p.set_f32(16, 1.5f);
  p.set_text(20, "ab");
  EXPECT_EQ(p.bytes, (Bytes{0, 5, 0xFF, 0xFE, 0x80, 0x07, 0xFF, 0xFE, 0x1D, 0xC0, 0xDE, 0xAD, 0xBE, 0xEF, 0xFF,
                            0, 0x3F, 0xC0, 0, 0, 'a', 'b', 0}));
  EXPECT_EQ(p.i16(2), -2);
  EXPECT_EQ(p.u16(4), 0x8007);
  EXPECT_EQ(p.i32(6), -123456);
  EXPECT_EQ(p.u32(10), 0xDEADBEEFu);
  EXPECT_EQ(p.i8(14), -1);
  EXPECT_EQ(p.f32(16), 1.5f);
  EXPECT_EQ(p.text(20), "ab");
}

TEST(Packet, ReadsBeyondTheEndGiveZeroAndTextStopsAtTheEnd) {
  Packet p(7, 4);
  p.bytes[2] = 'x';
  p.bytes[3] = 'y';
  EXPECT_EQ(p.u32(2), 0u);  // only two of its bytes exist
  EXPECT_EQ(p.u16(4), 0u);
  EXPECT_EQ(p.text(2), "xy");
  EXPECT_EQ(p.text(100), "");
  EXPECT_FALSE(p.holds(3, 2));
  p.set_length(3);
  EXPECT_EQ(p.bytes, (Bytes{0, 7, 'x'}));
}

TEST(Packet, Builders) {
  Packet init = pinit(0x8007, 8, "demo");
  ASSERT_EQ(init.size(), 112u);
  Bytes expected(112, 0);
  expected[1] = 1;
  expected[8] = 0x80, expected[9] = 0x07;
  expected[11] = 8;
  expected[56] = 'd', expected[57] = 'e', expected[58] = 'm', expected[59] = 'o';
  EXPECT_EQ(init.bytes, expected);

  // A long name is cut so that its NUL still fits the 112 bytes.
  Packet long_name = pinit(0, 6, std::string(80, 'n'));
  ASSERT_EQ(long_name.size(), 112u);
  EXPECT_EQ(long_name.text(56), std::string(55, 'n'));
  EXPECT_EQ(long_name.bytes[111], 0);

  EXPECT_EQ(pkill().bytes, (Bytes{0, 64}));
  EXPECT_EQ(opcode_name(pnop().opcode()), std::string("pnop"));
  EXPECT_EQ(pnop().size(), 2u);
}

TEST(Framing, PacketsArePaddedToFourAndTheRunEndsWithZero) {
  Packet a(1, 2), b(2, 5), c(3, 8);
  b.bytes = {0, 2, 9, 9, 9};
  const Packet run[] = {a, b, c};
  Bytes m = frame_message(run);
  Bytes expected = {0, 0, 0, 36,                          // run: 8 + 12 + 12 + 4
                    0, 0, 0, 2, 0, 1, 0, 0,               // 2 bytes, 2 of padding
                    0, 0, 0, 5, 0, 2, 9, 9, 9, 0, 0, 0,   // 5 bytes, 3 of padding
                    0, 0, 0, 8, 0, 3, 0, 0, 0, 0, 0, 0,   // no padding
                    0, 0, 0, 0};
  EXPECT_EQ(m, expected);
  EXPECT_EQ(frame_message({}), (Bytes{0, 0, 0, 4, 0, 0, 0, 0}));
}

TEST(Opcodes, EveryTableOpcodeHasANameThatLeadsBack) {
  for (int op : {1, 113, 300, 311, 2001, 2062}) ASSERT_NE(opcode_name(op), nullptr) << op;
  for (int op = 1; op <= 2062; ++op) {
    const char *name = opcode_name(op);
    if (!name) continue;
    int back = opcode_by_name(name);
    // Shared names lead to their lowest opcode, which carries the same name.
    EXPECT_LE(back, op) << name;
    EXPECT_STREQ(opcode_name(back), name);
  }
  EXPECT_EQ(opcode_by_name("pinit"), 1);
  EXPECT_EQ(opcode_by_name("pkill"), 64);
  EXPECT_EQ(opcode_by_name("pdinfo"), 75);
  EXPECT_EQ(opcode_by_name("pextents"), 113);
  EXPECT_EQ(opcode_by_name("rdwho"), 2058);
  EXPECT_EQ(opcode_by_name("plang"), 68);
  EXPECT_EQ(opcode_by_name("dlg311"), 311);
  EXPECT_EQ(opcode_name(2030), std::string("pnop"));
  EXPECT_EQ(opcode_name(0), nullptr);
  EXPECT_EQ(opcode_name(114), nullptr);
  EXPECT_EQ(opcode_name(2063), nullptr);
}

TEST(Opcodes, NumbersAreAcceptedInDecimalHexAndNegative) {
  EXPECT_EQ(opcode_by_name("75"), 75);
  EXPECT_EQ(opcode_by_name("0x7d0"), 2000);
  EXPECT_EQ(opcode_by_name("-1"), 0xFFFF);
  EXPECT_EQ(opcode_by_name("70000"), -1);
  EXPECT_EQ(opcode_by_name("pvecx"), -1);
  EXPECT_EQ(opcode_by_name("12a"), -1);
  EXPECT_EQ(opcode_by_name(""), -1);
}

TEST(Events, DecodeEncodeAndPrint) {
  Bytes raw = {0, 63, 0, 2, 0xFF, 0xFF, 0xFF, 0xF6, 0, 0, 1, 0, 0x0B, 0xB9, 0xAA, 0xBB, 0, 0, 0, 3};
  Event e;
  ASSERT_TRUE(decode_event(raw, e));
  EXPECT_EQ(e.type, ev_press);
  EXPECT_EQ(e.x, -10);
  EXPECT_EQ(e.y, 256);
  EXPECT_EQ(e.key, 3001u);
  EXPECT_EQ(e.extra, 3u);
  EXPECT_EQ(format_event(e), "event press x=-10 y=256 key=3001 extra=3");

  Packet back = encode_event(e);
  raw[14] = raw[15] = 0;  // the padding is not part of the event
  EXPECT_EQ(back.bytes, raw);

  Bytes short_one(raw.begin(), raw.end() - 1);
  EXPECT_FALSE(decode_event(short_one, e));
  raw[1] = 64;
  EXPECT_FALSE(decode_event(raw, e));

  EXPECT_EQ(event_type_by_name("leave"), 10);
  EXPECT_EQ(event_type_by_name("3"), 3);
  EXPECT_EQ(event_type_by_name("mouse"), -1);
  e.type = 5;
  EXPECT_EQ(format_event(e).substr(0, 11), "event type5");
}

TEST(Format, ReplyLineNamesTheOpcodeAndShowsEveryByte) {
  Packet p(75, 5);
  p.bytes[4] = 0xAB;
  EXPECT_EQ(format_packet(p), "pdinfo len=5: 004b 0000 ab");
  EXPECT_EQ(format_packet(Packet(1500)), "op1500 len=2: 05dc");
}
