// Framing and dispatch over in-process pipes.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>

#include "adi/dispatch.h"
#include "channel_fixture.h"

namespace {

TEST(Channel, RunsEveryPacketOfAMessageInOrderAndEchoesAtTheRequestLength) {
  ChannelFixture f;
  Bytes a = packet(41, 5);  // a pnop slot: echoed unchanged
  a[4] = 0x7A;
  Bytes b = packet(5, 14);  // a vector: no reply
  Bytes c = packet(28, 16);  // pboxsize: writes 0 at byte 12
  c[12] = c[13] = c[14] = c[15] = 0xFF;
  f.send(message({a, b, c}));
  EXPECT_EQ(dispatch_pkt(f.client), 0);
  auto replies = f.reply_frames();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0], a);
  Bytes c_reply = c;
  c_reply[12] = c_reply[13] = c_reply[14] = c_reply[15] = 0;
  EXPECT_EQ(replies[1], c_reply);
}

TEST(Channel, KillEndsTheRunAndLaterPacketsAreNotRun) {
  ChannelFixture f;
  f.send(message({packet(48, 4), packet(64, 4), packet(41, 4)}));
  EXPECT_EQ(dispatch_pkt(f.client), 1);
  auto replies = f.reply_frames();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0], packet(48, 4));
  EXPECT_EQ(replies[1], packet(64, 4));
}

TEST(Channel, UnknownOpcodesAreDroppedAndPnopSlotsEchoed) {
  ChannelFixture f;
  for (int op : {0, 114, 2000, 2063, -5, 312}) {
    f.send(message({packet(op, 6)}));
    dispatch_pkt(f.client);
  }
  EXPECT_TRUE(f.reply_frames().empty());
  for (int op : {41, 48, 71, 78, 2017, 2054}) {
    Bytes p = packet(op, 10);
    p[9] = static_cast<std::uint8_t>(op);
    f.send(message({p}));
    dispatch_pkt(f.client);
    auto r = f.reply_frames();
    ASSERT_EQ(r.size(), 1u) << op;
    EXPECT_EQ(r[0], p) << op;
  }
}

TEST(Channel, DialogEndPacketLayout) {
  ChannelFixture f;
  send_dialog_end(0x01020304);
  auto r = f.reply_frames();
  ASSERT_EQ(r.size(), 1u);
  Bytes want(24, 0);
  want[0] = 309 >> 8;
  want[1] = 309 & 0xff;
  want[4] = 1, want[5] = 2, want[6] = 3, want[7] = 4;
  want[13] = 1;
  EXPECT_EQ(r[0], want);
}

TEST(Channel, AnEmptyMessageRunsNothingAndNeverReplaysTheLastOne) {
  ChannelFixture f;
  f.send(message({packet(41, 4)}));
  dispatch_pkt(f.client);
  EXPECT_EQ(f.reply_frames().size(), 1u);
  f.send(Bytes{0, 0, 0, 0});
  EXPECT_EQ(dispatch_pkt(f.client), 0);
  EXPECT_TRUE(f.reply_frames().empty());
}

// The driver reads what the pipe holds at once: messages already read run
// one a call, in order, and one cut by the read is completed from the pipe.
TEST(Channel, MessagesReadTogetherRunOneACallAndACutOneIsCompleted) {
  ChannelFixture f;
  Bytes all;
  for (int i = 0; i < 3; ++i) {
    Bytes p = packet(41, 6);
    p[5] = static_cast<std::uint8_t>(i);
    const Bytes m = message({p});
    all.insert(all.end(), m.begin(), m.end());
  }
  Bytes last = packet(41, 6);
  last[5] = 9;
  const Bytes cut = message({last});
  all.insert(all.end(), cut.begin(), cut.begin() + 6);  // the length word and two bytes
  f.send(all);
  EXPECT_FALSE(input_buffered(f.client, false));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(dispatch_pkt(f.client), 0);
    const auto r = f.reply_frames();
    ASSERT_EQ(r.size(), 1u) << i;
    EXPECT_EQ(r[0][5], i);
    EXPECT_TRUE(input_buffered(f.client, false)) << i;
    EXPECT_EQ(input_buffered(f.client, true), i < 2) << i;
  }
  f.send(Bytes(cut.begin() + 6, cut.end()));
  EXPECT_EQ(dispatch_pkt(f.client), 0);
  const auto r = f.reply_frames();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], last);
  EXPECT_FALSE(input_buffered(f.client, false));
}

TEST(Channel, MessagesAreValidatedBeforeAnyPacketRuns) {
  Bytes ok = message({packet(41, 5), packet(41, 8)});
  EXPECT_TRUE(valid_message(ok.data() + 4, ok.size() - 4));
  // Without its terminating zero.
  EXPECT_FALSE(valid_message(ok.data() + 4, ok.size() - 8));
  // A packet length that runs past the message.
  Bytes bad = ok;
  bad[4 + 3] = 200;
  EXPECT_FALSE(valid_message(bad.data() + 4, bad.size() - 4));
  // Lengths near 2^32 must not wrap the offset.
  Bytes huge = ok;
  huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
  EXPECT_FALSE(valid_message(huge.data() + 4, huge.size() - 4));
  EXPECT_FALSE(valid_message(ok.data(), 3));
}

TEST(Channel, AnAnswerPastAShortPacketsEndNeverReachesTheNextPacket) {
  ChannelFixture f;
  // prevec answers at bytes 2 and 6; sent with 4 bytes, byte 6 lies where
  // the next packet's length word is.
  Bytes a = packet(46, 4);
  a[2] = 0x11, a[3] = 0x22;
  Bytes b = packet(41, 6);
  b[5] = 0x5A;
  f.send(message({a, b}));
  EXPECT_EQ(dispatch_pkt(f.client), 0);
  auto replies = f.reply_frames();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0], packet(46, 4));  // the answer inside, at its length
  EXPECT_EQ(replies[1], b);
}

using ChannelDeath = ::testing::Test;

TEST(ChannelDeath, MalformedMessagesAreFatalBeforeAnyHandlerRuns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char *msg = "FATAL ERROR: rcKovaGL: Invalid display message format.";
  // Too long for the buffer.
  EXPECT_EXIT(
      {
        ChannelFixture f;
        Bytes m;
        put32(m, 8192);
        f.send(m);
        dispatch_pkt(f.client);
      },
      ::testing::ExitedWithCode(1), msg);
  // The first packet is fine but the second runs past the message: the first
  // must not be echoed.
  EXPECT_EXIT(
      {
        ChannelFixture f;
        Bytes m = message({packet(41, 4), packet(41, 4)});
        m[4 + 8 + 3] = 100;
        f.send(m);
        dispatch_pkt(f.client);
        if (!f.reply_frames().empty()) std::exit(3);
      },
      ::testing::ExitedWithCode(1), msg);
}

TEST(ChannelDeath, PipeFailuresAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ChannelFixture f;
        close(f.to_driver[1]);
        f.to_driver[1] = -1;
        dispatch_pkt(f.client);
      },
      ::testing::ExitedWithCode(1), "FATAL ERROR \\(0\\): rcKovaGL: packet read failed.");
  EXPECT_EXIT(
      {
        signal(SIGPIPE, SIG_IGN);
        ChannelFixture f;
        close(f.replies[0]);
        f.replies[0] = -1;
        f.send(message({packet(41, 4)}));
        dispatch_pkt(f.client);
      },
      ::testing::ExitedWithCode(1), "rcKovaGL: write_pkt: acad is not running.");
  // A closed event pipe ends the driver too.
  EXPECT_EXIT(
      {
        signal(SIGPIPE, SIG_IGN);
        ChannelFixture f;
        close(f.events[0]);
        f.events[0] = -1;
        send_event(3, 0, 0, 65, 0);
      },
      ::testing::ExitedWithCode(1), "rcKovaGL: write_pkt: acad is not running.");
}

TEST(Packet, ReadsPastTheLengthSeeZerosAndWritesStayInside) {
  std::uint8_t scratch[16] = {0, 1, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Packet p(scratch, sizeof scratch, 6);
  EXPECT_EQ(p.opcode(), 1);
  EXPECT_EQ(p.u32(2), 0x12345678u);
  EXPECT_EQ(p.i16(6), 0);
  EXPECT_EQ(p.u32(14), 0u);  // straddles the end of the scratch buffer
  EXPECT_EQ(p.u8(1000), 0);
  p.put_u32(14, 0xAABBCCDD);  // only the bytes inside are written
  EXPECT_EQ(scratch[14], 0xAA);
  EXPECT_EQ(scratch[15], 0xBB);
  EXPECT_EQ(p.u32(14), 0xAABB0000u);  // what was written reads back
}

// A packet in place in its message: the bytes after it (padding, the next
// length word) are not its own.
TEST(Packet, InPlaceReadsStopAtTheLengthAndWritesPastItGoToTheSpill) {
  std::uint8_t message[12] = {0, 5, 0x12, 0x34, 0x56, 0xEE, 0xEE, 0xEE, 0, 0, 0, 9};
  static std::uint8_t spill[kMessageMax];
  std::memset(spill, 0x77, sizeof spill);  // left by an earlier packet
  Packet p(message, 5, spill);
  EXPECT_EQ(p.u16(2), 0x1234);
  EXPECT_EQ(p.u16(4), 0x5600);  // byte 5 is padding: reads as zero
  std::uint16_t two[2], four[4];
  p.words(two);  // all inside
  EXPECT_EQ(two[1], 0x1234);
  p.words(four);  // past the end: zeros, never the padding or the next length
  EXPECT_EQ(four[2], 0x5600);
  EXPECT_EQ(four[3], 0);
  EXPECT_EQ(p.u32(8), 0u);
  EXPECT_EQ(p.text(2), "\x12\x34\x56");

  p.put_u8(3, 0xAB);  // inside: in place
  EXPECT_EQ(message[3], 0xAB);
  EXPECT_EQ(p.bytes(), message);

  p.put_u16(10, 0xCDEF);  // past the end: the packet moves to the spill
  const std::uint8_t untouched[12] = {0, 5, 0x12, 0xAB, 0x56, 0xEE, 0xEE, 0xEE, 0, 0, 0, 9};
  EXPECT_EQ(std::memcmp(message, untouched, sizeof message), 0);
  EXPECT_EQ(p.bytes(), spill);
  EXPECT_EQ(p.size(), 5u);
  const std::uint8_t moved[5] = {0, 5, 0x12, 0xAB, 0x56};
  EXPECT_EQ(std::memcmp(spill, moved, sizeof moved), 0);
  EXPECT_EQ(p.u16(10), 0xCDEF);  // what was written reads back
  EXPECT_EQ(p.u16(4), 0x5600);   // and the rest past the length is zero
  EXPECT_EQ(p.u32(kMessageMax - 4), 0u);
  p.put_u8(2, 0x99);  // from now on every write goes to the spill
  EXPECT_EQ(message[2], 0x12);
  EXPECT_EQ(p.u8(2), 0x99);
  // Nothing past the spill's end is written or read.
  p.put_u16(kMessageMax - 1, 0x1234);
  EXPECT_EQ(p.u8(kMessageMax - 1), 0x12);
  EXPECT_EQ(p.u8(kMessageMax), 0);
}

TEST(Packet, TextIsBoundedByThePacket) {
  std::uint8_t scratch[32] = {0, 51, 'a', 'b', 'c', 'd', 'e', 'f'};
  Packet p(scratch, sizeof scratch, 5);
  EXPECT_EQ(p.text(2), "abc");  // no NUL inside the packet: cut at its end
  char small[3];
  EXPECT_EQ(p.copy_text(2, small, sizeof small), 2u);
  EXPECT_STREQ(small, "ab");
  EXPECT_EQ(p.text(9), "");
}

}  // namespace
