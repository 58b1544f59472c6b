// The library and the player end to end against the fake driver.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "adiclient/adiclient.h"

using namespace adiclient;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr int wait_ms = 5000;

StartOptions fake() {
  StartOptions o;
  o.path = FAKE_DRIVER;
  o.stderr_mode = Stream::pipe;
  return o;
}

Packet event_request(int type, int x, int y, unsigned key, uint32_t extra) {
  Packet p(1000, 20);
  p.set_i16(2, type);
  p.set_i32(4, x);
  p.set_i32(8, y);
  p.set_u16(12, key);
  p.set_u32(16, extra);
  return p;
}

Packet text_packet(int opcode, std::string_view text) {
  Packet p(opcode);
  p.set_text(2, text);
  return p;
}

// Longest wait for what the driver does send: a wait ends as soon as it comes,
// so only a driver that never answers spends it.
constexpr int comes_ms = 60000;

// Plays a script against the fake driver; returns the status, the trace and
// the failure text.
int play(std::string_view text, std::string &trace, std::string &failure, int timeout_ms = comes_ms) {
  std::vector<Action> actions;
  ScriptError error;
  EXPECT_TRUE(parse_script(text, actions, error)) << error.line << ": " << error.reason;
  PlayerOptions o;
  o.driver = FAKE_DRIVER;
  o.script_name = "t.adi";
  o.timeout_ms = timeout_ms;
  o.out = std::tmpfile();
  o.err = std::tmpfile();
  int status = play_script(actions, o);
  auto slurp = [](FILE *f) {
    std::string s;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
    std::fclose(f);
    return s;
  };
  trace = slurp(o.out);
  failure = slurp(o.err);
  return status;
}

}  // namespace

TEST(Session, HandshakeMessagesRepliesAndKill) {
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(fake(), d, error)) << error;
  int hello = 0;
  ASSERT_EQ(read_handshake(d, wait_ms, hello), Got::packet);
  EXPECT_EQ(hello, 1);

  // Three packets in one message; the middle one (pvec) gets no reply, and
  // the odd lengths prove the padding is where the driver looks for it.
  Packet a(41, 3), vec(5, 10), b(75, 7);
  a.bytes[2] = 0xAA;
  b.set_text(2, "info");
  const Packet run[] = {a, vec, b};
  ASSERT_TRUE(send_message(d, run));
  Packet r;
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.bytes, a.bytes);
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.bytes, b.bytes);

  ASSERT_TRUE(send_packet(d, pkill()));
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.bytes, pkill().bytes);
  const ExitStatus &st = wait_exit(d, wait_ms);
  EXPECT_TRUE(st.known);
  EXPECT_FALSE(st.killed);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(read_reply(d, 100, r), Got::closed);
}

TEST(Session, RepliesWaitForTheHandshakeToBeTaken) {
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(fake(), d, error)) << error;
  ASSERT_TRUE(send_packet(d, pnop()));
  Packet r;
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);  // takes the handshake on the way
  EXPECT_EQ(d.handshake, 1);
  EXPECT_EQ(r.bytes, pnop().bytes);
}

TEST(Session, EventsAndSigint) {
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(fake(), d, error)) << error;
  int before = sigint_count();
  const Packet run[] = {event_request(3, 0, 0, 97, 2), event_request(1, -7, 70000, 0, 0), Packet(3)};
  ASSERT_TRUE(send_message(d, run));
  Packet p;
  Event e;
  ASSERT_EQ(read_event(d, wait_ms, p), Got::packet);
  ASSERT_TRUE(decode_event(p.bytes, e));
  EXPECT_EQ(format_event(e), "event key x=0 y=0 key=97 extra=2");
  ASSERT_EQ(read_event(d, wait_ms, p), Got::packet);
  ASSERT_TRUE(decode_event(p.bytes, e));
  EXPECT_EQ(e.x, -7);
  EXPECT_EQ(e.y, 70000);
  ASSERT_EQ(read_event(d, wait_ms, p), Got::packet);
  ASSERT_TRUE(decode_event(p.bytes, e));
  EXPECT_EQ(e.type, ev_interrupt);
  // The fake sends SIGINT before the interrupt event; we are still alive.
  EXPECT_EQ(sigint_count(), before + 1);
  // Nothing came in between: the next event is the next one asked for.
  ASSERT_TRUE(send_packet(d, event_request(3, 0, 0, 98, 0)));
  ASSERT_EQ(read_event(d, wait_ms, p), Got::packet);
  ASSERT_TRUE(decode_event(p.bytes, e));
  EXPECT_EQ(e.key, 98u);
}

TEST(Session, EnvironmentStdinAndOutputCapture) {
  StartOptions o = fake();
  setenv("ADICLIENT_TEST_GONE", "1", 1);
  o.set_env = {"ADICLIENT_TEST_SET=hello world"};
  o.unset_env = {"ADICLIENT_TEST_GONE"};
  o.stdin_mode = Stream::pipe;
  o.stdout_mode = Stream::pipe;
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(o, d, error)) << error;
  const Packet run[] = {text_packet(1003, "ADICLIENT_TEST_SET"), text_packet(1003, "ADICLIENT_TEST_GONE"),
                        text_packet(1001, "to stderr\n"), text_packet(1002, "to stdout\n")};
  ASSERT_TRUE(send_message(d, run));
  Packet r;
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.text(2), "hello world");
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.text(2), "(unset)");
  ASSERT_TRUE(write_stdin(d, "typed"));
  ASSERT_TRUE(send_packet(d, Packet(1004)));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.text(2), "typed");
  close_packet_pipe(d);
  EXPECT_EQ(wait_exit(d, wait_ms).code, 1);
  EXPECT_EQ(channel_text(d.out), "to stdout\n");
  EXPECT_EQ(channel_text(d.err), "to stderr\nfake_driver: packet pipe closed\n");
}

TEST(Session, BadArgumentsExitStatusAndStderr) {
  StartOptions o = fake();
  o.replace_argv = true;
  o.argv = {"rcKovaGL", "@in", "@out", "0"};
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(o, d, error)) << error;
  const ExitStatus &st = wait_exit(d, wait_ms);
  EXPECT_EQ(st.code, 1);
  EXPECT_EQ(channel_text(d.err), "fake_driver: bad arguments (4)\n");
  int hello = 0;
  EXPECT_EQ(read_handshake(d, 100, hello), Got::closed);

  // The placeholders become the very descriptors the driver would get.
  o.argv = {"x", "@in", "@out", "@dispin", "@dispout", "@event"};
  Driver ok;
  ASSERT_TRUE(start_driver(o, ok, error)) << error;
  EXPECT_EQ(read_handshake(ok, wait_ms, hello), Got::packet);
  for (int fd : ok.fds) EXPECT_GT(fd, 2);
}

TEST(Session, ProgramThatCannotRunIsReported) {
  StartOptions o;
  o.path = "/nonexistent/rcKovaGL";
  Driver d;
  std::string error;
  EXPECT_FALSE(start_driver(o, d, error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST(Session, DriverThatDoesNotExitIsKilled) {
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(fake(), d, error)) << error;
  const ExitStatus &st = wait_exit(d, 200);
  EXPECT_TRUE(st.known);
  EXPECT_TRUE(st.killed);
  EXPECT_EQ(st.signal, SIGKILL);
  EXPECT_EQ(format_exit(st), "killed after timeout");
}

TEST(Session, OutOfStepStreamIsReportedNotFollowed) {
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(fake(), d, error)) << error;
  // The fake echoes the packet; a reply frame claiming 4 GiB would follow if
  // it read our length as its own. Here we check our side: a reply whose
  // length word is absurd is refused as bad, not allocated.
  d.reply.data = {0, 1, 0xFF, 0xFF, 0xFF, 0xF0};
  Packet r;
  EXPECT_EQ(take_reply(d, r), Got::bad);
}

TEST(Player, DemoLikeSessionPasses) {
  std::string trace, failure;
  int status = play(
      "handshake\n"
      "send pinit str@56=\"demo\"\n"
      "expect reply pinit len=112 i16@8=0x8007 str@56=\"demo\"\n"
      "message\n"
      "  send pnop\n"
      "  send pvec len=12 i16@2=1\n"
      "  send 1000 i16@2=2 i32@4=10 i32@8=20 u16@12=0\n"
      "  send 1000 i16@2=3 u16@12=97\n"
      "end\n"
      "expect reply pnop len=2\n"
      "expect event type=key key=\"a\"\n"
      "expect reply 1000\n"
      "expect reply 1000\n"
      "expect noreply 50\n"
      "send pclear\n"
      "expect event type=interrupt\n"
      "expect sigint 1\n"
      "expect reply pclear\n"
      "send 1001 str@2=\"oops\\n\"\n"
      "expect stderr \"oops\"\n"
      "expect reply 1001\n"
      "send pkill\n"
      "expect reply pkill\n"
      "expect exit 0\n",
      trace, failure);
  EXPECT_EQ(status, 0) << failure;
  EXPECT_EQ(failure, "");
  // Every reply and event is printed, in the order it came.
  EXPECT_NE(trace.find("handshake 1\nreply pinit len=112: 0001 0000"), std::string::npos) << trace;
  // The drawing name replaces the default one, leaving no trace of it.
  EXPECT_NE(trace.find(" 6465 6d6f 0000 0000 0000 "), std::string::npos) << trace;
  EXPECT_NE(trace.find("event press x=10 y=20 key=0 extra=0\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("sigint 1\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("stderr: oops\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("reply pkill len=2: 0040\nexit 0\n"), std::string::npos) << trace;
}

TEST(Player, FirstFailedExpectationStopsWithItsLine) {
  // What the fake never sends is waited for briefly; everything else with
  // the long wait, which ends as soon as it comes.
  constexpr int never_ms = 300;
  std::string trace, failure;
  EXPECT_EQ(play("send pnop\nexpect reply pdinfo\nexpect exit 0\n", trace, failure), 1);
  EXPECT_EQ(failure, "t.adi:2: expected reply pdinfo\nt.adi:2: got reply pnop len=2: 0029\n");

  EXPECT_EQ(play("send pvec\nexpect reply\n", trace, failure, never_ms), 1);
  EXPECT_NE(failure.find("t.adi:2: got nothing within 300 ms"), std::string::npos) << failure;

  EXPECT_EQ(play("send pnop\nexpect noreply 60000\n", trace, failure, never_ms), 1);
  EXPECT_NE(failure.find("expected no reply"), std::string::npos) << failure;

  EXPECT_EQ(play("send pinit\nexpect reply pinit i16@10=6\n", trace, failure), 1);
  EXPECT_NE(failure.find("expected reply pinit i16@10=6"), std::string::npos) << failure;

  // The kill closes the event pipe behind the coordinate: the search ends there.
  EXPECT_EQ(play("send 1000 i16@2=1\nsend pkill\nexpect event type=key\n", trace, failure), 1);
  EXPECT_NE(failure.find("the event pipe closed (driver exit 0); the last event passed over: event coord"),
            std::string::npos)
      << failure;

  EXPECT_EQ(play("expect exit 0\n", trace, failure, never_ms), 1);
  EXPECT_NE(failure.find("got no exit within 300 ms; killed"), std::string::npos) << failure;

  EXPECT_EQ(play("close\nexpect exit 0\n", trace, failure), 1);
  EXPECT_NE(failure.find("got exit 1"), std::string::npos) << failure;
}

TEST(Player, DriverLeftRunningIsClosedAndBadArgumentsShowOnStderr) {
  std::string trace, failure;
  EXPECT_EQ(play("handshake\n", trace, failure), 0) << failure;
  EXPECT_NE(trace.find("exit 1\n"), std::string::npos) << trace;

  EXPECT_EQ(play("start args 7\nexpect stderr \"bad arguments (2)\"\nexpect exit 1\n", trace, failure), 0)
      << failure;
  EXPECT_EQ(play("start args 7\nhandshake\n", trace, failure), 1);
  EXPECT_NE(failure.find("the packet output pipe closed"), std::string::npos) << failure;
}

TEST(Player, RawBytesAndEnvironment) {
  std::string trace, failure;
  // A hand-framed message of one packet (opcode 1003 asking for $ADI_X).
  int status = play(
      "start ADI_X=\"a b\"\n"
      "raw 00000010 00000008 03eb 4144 495f 5800 00000000\n"
      "expect reply 1003 str@2=\"a b\"\n",
      trace, failure);
  EXPECT_EQ(status, 0) << failure << trace;
}

TEST(Session, StandardStreamsToFiles) {
  char dir[] = "/tmp/adiclient_testXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string in = std::string(dir) + "/in", err = std::string(dir) + "/err";
  FILE *f = std::fopen(in.c_str(), "w");
  std::fputs("from a file", f);
  std::fclose(f);
  StartOptions o = fake();
  o.stdin_mode = Stream::file;
  o.stdin_file = in;
  o.stderr_mode = Stream::file;
  o.stderr_file = err;
  Driver d;
  std::string error;
  ASSERT_TRUE(start_driver(o, d, error)) << error;
  const Packet run[] = {Packet(1004), text_packet(1001, "logged"), pkill()};
  ASSERT_TRUE(send_message(d, run));
  Packet r;
  ASSERT_EQ(read_reply(d, wait_ms, r), Got::packet);
  EXPECT_EQ(r.text(2), "from a file");
  EXPECT_EQ(wait_exit(d, wait_ms).code, 0);
  std::string logged;
  f = std::fopen(err.c_str(), "r");
  for (int c; (c = std::fgetc(f)) != EOF;) logged.push_back(static_cast<char>(c));
  std::fclose(f);
  EXPECT_EQ(logged, "logged");

  o.stderr_file = std::string(dir) + "/no/such/dir/err";
  EXPECT_FALSE(start_driver(o, d, error));
  EXPECT_NE(error.find("no/such/dir/err"), std::string::npos) << error;
  std::remove(in.c_str());
  std::remove(err.c_str());
  rmdir(dir);
}

TEST(Snapshot, PpmIsBinaryP6RowsFromTheTop) {
  Image image;
  image.width = 2;
  image.height = 1;
  image.rgb = {255, 0, 0, 1, 2, 3};
  char path[] = "/tmp/adiclient_ppmXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  std::string error;
  ASSERT_TRUE(write_ppm(image, path, error)) << error;
  FILE *f = std::fopen(path, "rb");
  std::string bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<char>(c));
  std::fclose(f);
  std::remove(path);
  EXPECT_EQ(bytes, std::string("P6\n2 1\n255\n\xff\x00\x00\x01\x02\x03", 17));
  EXPECT_FALSE(write_ppm(image, "/nonexistent/dir/x.ppm", error));
}
