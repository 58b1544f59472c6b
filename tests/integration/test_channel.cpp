// Start-up, framing, echoes, fatal stops and the kill packet of both programs.
#include <gtest/gtest.h>

#include "driver_session.h"

using adiclient::Packet;

namespace {

struct Channel : ::testing::TestWithParam<Program> {
  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
  }
};

TEST_P(Channel, BadArgumentsGiveTheTwoLineMessageAndStatusOne) {
  struct Case {
    std::vector<std::string> argv;
    std::string first;
  };
  const std::vector<Case> cases = {
      {{"drv", "3"}, "FATAL ERROR: drv: Driver called with too few arguments.\n"},
      {{"drv", "0", "@out", "@dispin", "@dispout", "@event"}, "FATAL ERROR: drv: bad ADI packet input pipe argument.\n"},
      {{"drv", "@in", "x", "@dispin", "@dispout", "@event"}, "FATAL ERROR: drv: bad ADI packet output pipe argument.\n"},
      {{"drv", "@in", "@out", "@dispin"}, "FATAL ERROR: drv: called with too few arguments.\n"},
      {{"drv", "@in", "@out", "0", "@dispout", "@event"}, "FATAL ERROR: drv: bad ADI dispatcher input pipe argument.\n"},
      {{"drv", "@in", "@out", "@dispin", "", "@event"}, "FATAL ERROR: drv: bad ADI dispatcher output pipe argument.\n"},
      {{"drv", "@in", "@out", "@dispin", "@dispout", "zz"}, "FATAL ERROR: drv: bad ADI event output pipe argument.\n"},
  };
  for (const Case &c : cases) {
    Session s(GetParam());
    s.options.replace_argv = true;
    s.options.argv = c.argv;
    std::string err;
    ASSERT_TRUE(adiclient::start_driver(s.options, s.driver, err)) << err;
    const auto &st = adiclient::wait_exit(s.driver, 10000);
    EXPECT_EQ(st.code, 1) << c.first;
    EXPECT_EQ(s.err_text(), c.first + "             drv: This program can only be started by AutoCAD.\n");
  }
}

TEST_P(Channel, EchoesInOrderAtTheRequestLength) {
  Session s(GetParam());
  s.start();
  Packet nop(41, 5);
  nop.set_u8(4, 0x5A);
  Packet vec(5, 12);  // a vector: no reply
  Packet box(28, 16);  // pboxsize answers 0 at byte 12
  box.set_u32(12, 0xFFFFFFFF);
  Packet nop2(2030, 9);
  std::vector<Packet> run = {nop, vec, box, nop2};
  ASSERT_TRUE(adiclient::send_message(s.driver, run));
  EXPECT_EQ(s.reply().bytes, nop.bytes);
  Packet want_box = box;
  want_box.set_u32(12, 0);
  EXPECT_EQ(s.reply().bytes, want_box.bytes);
  // The vector between them was not answered: the replies came in order.
  EXPECT_EQ(s.reply().bytes, nop2.bytes);
}

// Messages written at once are read at once; those the driver has read
// still run when the pipe is empty and the client only waits, also when
// running them takes longer than the driver runs messages in one go.
TEST_P(Channel, MessagesReadAheadAllRunWhileTheClientWaits) {
  Session s(GetParam());
  s.start();
  s.open_session();
  constexpr int kClears = 600;   // whole-screen clears: many milliseconds of work
  Packet clear(3, 6);
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < kClears; ++i) {
    const auto m = adiclient::frame_message(std::vector<Packet>{clear});
    bytes.insert(bytes.end(), m.begin(), m.end());
  }
  Packet last(41, 5);
  last.set_u8(4, 0x6B);
  const auto m = adiclient::frame_message(std::vector<Packet>{last});
  bytes.insert(bytes.end(), m.begin(), m.end());
  ASSERT_TRUE(adiclient::send_raw(s.driver, bytes));
  for (int i = 0; i < kClears; ++i) ASSERT_EQ(s.reply().opcode(), 3) << i;
  EXPECT_EQ(s.reply().bytes, last.bytes);
}

TEST_P(Channel, KillMidRunEchoesThenExitsZeroWithoutRunningTheRest) {
  Session s(GetParam());
  s.start();
  std::vector<Packet> run = {Packet(48, 4), adiclient::pkill(), Packet(41, 4)};
  ASSERT_TRUE(adiclient::send_message(s.driver, run));
  EXPECT_EQ(s.reply().bytes, run[0].bytes);
  EXPECT_EQ(s.reply().bytes, run[1].bytes);
  const auto &st = adiclient::wait_exit(s.driver, 10000);
  EXPECT_EQ(st.code, 0);
  adiclient::Packet extra;
  EXPECT_NE(adiclient::take_reply(s.driver, extra), adiclient::Got::packet);
}

TEST_P(Channel, KillDuringASessionAlsoExitsZero) {
  Session s(GetParam());
  s.start();
  s.open_session();
  ASSERT_TRUE(adiclient::send_packet(s.driver, adiclient::pkill()));
  EXPECT_EQ(s.reply().bytes, adiclient::pkill().bytes);
  EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 0);
}

TEST_P(Channel, MalformedMessagesStopWithTheFatalMessage) {
  const std::string fatal = "FATAL ERROR: rcKovaGL: Invalid display message format.\n";
  {
    // Longer than the message buffer.
    Session s(GetParam());
    s.start();
    const std::uint8_t too_long[] = {0, 0, 0x20, 0x00};
    ASSERT_TRUE(adiclient::send_raw(s.driver, too_long));
    EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 1);
    EXPECT_EQ(s.err_text(), fatal);
  }
  {
    // A good packet, then one whose length runs past the message: nothing runs.
    Session s(GetParam());
    s.start();
    const std::uint8_t bad[] = {0, 0, 0, 20, 0, 0, 0, 4, 0, 41, 0, 0, 0, 0, 1, 0, 0, 41, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(adiclient::send_raw(s.driver, bad));
    EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 1);
    EXPECT_EQ(s.err_text(), fatal);
    adiclient::Packet extra;
    EXPECT_NE(adiclient::take_reply(s.driver, extra), adiclient::Got::packet);
  }
  {
    // No terminating zero.
    Session s(GetParam());
    s.start();
    const std::uint8_t unended[] = {0, 0, 0, 8, 0, 0, 0, 4, 0, 41, 0, 0};
    ASSERT_TRUE(adiclient::send_raw(s.driver, unended));
    EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 1);
    EXPECT_EQ(s.err_text(), fatal);
  }
}

TEST_P(Channel, ClientClosingThePacketPipeStopsWithStatusOne) {
  Session s(GetParam());
  s.start();
  adiclient::close_packet_pipe(s.driver);
  EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 1);
  EXPECT_NE(s.err_text().find("FATAL ERROR (0): rcKovaGL: packet read failed."), std::string::npos);
}

TEST_P(Channel, TextDeviceBytesArriveAsKeys) {
  Session s(GetParam());
  s.options.set_env = {"ACADTEXTDISPLAY=."};
  s.options.stdin_mode = adiclient::Stream::pipe;
  s.start();
  ASSERT_TRUE(adiclient::write_stdin(s.driver, "hi"));
  for (unsigned want : {'h', 'i'}) {
    adiclient::Packet p;
    ASSERT_EQ(adiclient::read_event(s.driver, 5000, p), adiclient::Got::packet);
    adiclient::Event e;
    ASSERT_TRUE(adiclient::decode_event(p.bytes, e));
    EXPECT_EQ(e.type, adiclient::ev_key);
    EXPECT_EQ(e.key, want);
  }
  // The end of the text device is not the end of the driver.
  adiclient::close_stdin(s.driver);
  ASSERT_TRUE(adiclient::send_packet(s.driver, adiclient::pnop()));
  EXPECT_EQ(s.reply().bytes, adiclient::pnop().bytes);
}

TEST_P(Channel, UnreadableTextDeviceFileIsFatal) {
  Session s(GetParam());
  s.options.set_env = {"ACADTEXTDISPLAY=/nonexistent/text/device"};
  std::string err;
  ASSERT_TRUE(adiclient::start_driver(s.options, s.driver, err)) << err;
  EXPECT_EQ(adiclient::wait_exit(s.driver, 10000).code, 1);
  EXPECT_NE(s.err_text().find("Invalid text device:"), std::string::npos);
}

TEST_P(Channel, NoDisplayIsAFatalMessageNotACrash) {
  Session s(GetParam());
  s.options.set_env = {"DISPLAY=:4999"};
  std::string err;
  ASSERT_TRUE(adiclient::start_driver(s.options, s.driver, err)) << err;
  const auto &st = adiclient::wait_exit(s.driver, 10000);
  EXPECT_EQ(st.code, 1);
  EXPECT_NE(s.err_text().find("FATAL ERROR"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Both, Channel, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
