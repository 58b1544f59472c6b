// A driver started through the client stand-in, for the integration tests.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adiclient/driver.h"
#include "adiclient/packet.h"
#include "adiclient/xwindow.h"

struct Program {
  const char *name;
  const char *path;
};

inline const Program kPrograms[] = {{"rcKovaGL", KOVA_DRIVER1}, {"rcKovaGL2", KOVA_DRIVER2}};

inline void PrintTo(const Program &p, std::ostream *os) { *os << p.name; }

inline std::string program_name(const ::testing::TestParamInfo<Program> &info) { return info.param.name; }

// Skips the test when there is no X server to run the driver on.
inline bool have_display() {
  std::string err;
  adiclient::XDisplay *d = adiclient::open_display(err);
  if (d == nullptr) return false;
  adiclient::close_display(d);
  return true;
}

// A directory of the test's own, removed with it.
struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/kova-test-XXXXXX";
    if (mkdtemp(tmpl) != nullptr) path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
};

// Keeps every file the driver reads or writes (configuration, resources,
// support files) inside dir, with the text screen on stdout.
inline std::vector<std::string> isolated_env(const std::string &dir) {
  return {"ACADTEXTDISPLAY=.", "ACADCFG=" + dir, "USER=tester", "ACAD=" + dir, "ACADRESFILE=" + dir + "/resources"};
}

// A file holding head, made size bytes long (sparse) when size is larger.
inline void write_file(const std::string &path, const std::string &head, off_t size = 0) {
  std::ofstream(path) << head;
  ASSERT_TRUE(size <= static_cast<off_t>(head.size()) || truncate(path.c_str(), size) == 0) << path;
}

// The most memory the process has held so far (VmHWM) in kB, else -1.
inline long peak_kib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// Pumps the driver until done() holds, for at most ms milliseconds of the
// clock (never a count of tries: each pump ends early when anything comes).
// Answers whether it held.
template <class Done>
bool wait_until(adiclient::Driver &driver, Done done, int ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    adiclient::pump_driver(driver, 50);
  }
}

// Reads the keys the driver types into typed until text shows, with poke()
// (a message of the client's, after which pending strings are typed) between.
template <class Poke>
bool typed_shows(adiclient::Driver &driver, std::string &typed, const std::string &text, Poke poke) {
  return wait_until(driver, [&] {
    poke();
    for (adiclient::Packet p; adiclient::read_event(driver, 0, p) == adiclient::Got::packet;) {
      adiclient::Event e;
      if (adiclient::decode_event(p.bytes, e) && e.type == adiclient::ev_key) typed += static_cast<char>(e.key);
    }
    return typed.find(text) != std::string::npos;
  });
}

// The colour 0xRRGGBB of window pixel (wx, wy) of area once it is hoped_for,
// else what it showed when the wait ran out; 0xDEADBEEF when it cannot be
// read at all.
inline std::uint32_t await_pixel(adiclient::Driver &driver, adiclient::XDisplay *x, adiclient::XWindow area, int wx,
                                 int wy, std::uint32_t hoped_for) {
  std::uint32_t rgb = 0xDEADBEEF;
  bool read = true;
  wait_until(driver, [&] { return !(read = adiclient::read_pixel(x, area, wx, wy, rgb)) || rgb == hoped_for; });
  return read ? rgb : 0xDEADBEEF;
}

// The creation (301) of a tile of the type in dialog, or (both 0) of a dialog.
inline adiclient::Packet dialog_create(int type, std::uint32_t dialog, const std::string &label,
                                       std::uint32_t handle = 0, std::uint32_t flags = 0) {
  adiclient::Packet p = adiclient::dialog_packet(301, type, dialog, 64);
  p.set_u32(4, handle);
  p.set_u32(16, flags);
  p.set_text(43, label);
  return p;
}
// The layout (302) of a record: its cell at (x, y), w by h.
inline adiclient::Packet dialog_layout(int type, std::uint32_t record, int x, int y, int w, int h) {
  adiclient::Packet p = adiclient::dialog_packet(302, type, record, 40);
  p.set_i16(20, x), p.set_i16(22, y), p.set_i16(24, w), p.set_i16(26, h);
  return p;
}

// The driver's own text window instead of the text on stdout.
inline void use_text_window(adiclient::StartOptions &options) {
  std::erase(options.set_env, std::string("ACADTEXTDISPLAY=."));
  options.unset_env.push_back("ACADTEXTDISPLAY");
}

struct Session {
  adiclient::Driver driver;
  adiclient::StartOptions options;

  explicit Session(const Program &p) {
    options.path = p.path;
    options.stderr_mode = adiclient::Stream::pipe;
    options.stdout_mode = adiclient::Stream::pipe;
  }
  ~Session() { adiclient::stop_driver(driver); }

  // Starts the driver and reads its handshake.
  void start() {
    std::string err;
    ASSERT_TRUE(adiclient::start_driver(options, driver, err)) << err;
    int hello = 0;
    ASSERT_EQ(adiclient::read_handshake(driver, 10000, hello), adiclient::Got::packet)
        << adiclient::channel_text(driver.err);
    ASSERT_EQ(hello, 1);
  }

  adiclient::Packet reply() {
    adiclient::Packet p;
    EXPECT_EQ(adiclient::read_reply(driver, 20000, p), adiclient::Got::packet);
    return p;
  }

  // Sends pinit and takes its reply: a session is open.
  void open_session() {
    ASSERT_TRUE(adiclient::send_packet(driver, adiclient::pinit()));
    ASSERT_EQ(reply().bytes.at(1), 1);
  }

  std::string err_text() { return adiclient::channel_text(driver.err); }
};

// A driver with its files kept in a directory of the test's own, a session
// open and its drawing area found on the X server.
struct DriverWindowTest : ::testing::TestWithParam<Program> {
  TempDir cfg;
  bool text_window = false;  // the driver's own, not ACADTEXTDISPLAY=.
  std::unique_ptr<Session> s;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0;

  // Starts the program with extra_env added to its environment, sends init
  // and finds the drawing area of the window whose title begins with title;
  // reply gets init's answer. Skips the test when there is no X server.
  void open_window_session(const adiclient::Packet &init, adiclient::Packet &reply,
                           const std::vector<std::string> &extra_env = {},
                           const std::string &title = std::string(adiclient::graphics_title)) {
    if (!have_display()) GTEST_SKIP() << "no X display";
    ASSERT_FALSE(cfg.path.empty());
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->options.set_env.insert(s->options.set_env.end(), extra_env.begin(), extra_env.end());
    if (text_window) use_text_window(s->options);
    s->start();
    ASSERT_TRUE(adiclient::send_packet(s->driver, init));
    reply = s->reply();
    ASSERT_EQ(reply.i16(2), 1);
    std::string err;
    x = adiclient::open_display(err);
    ASSERT_NE(x, nullptr) << err;
    top = adiclient::find_top_window(x, title, 10000);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
  }
  void TearDown() override {
    if (x) adiclient::close_display(x);
    s.reset();
  }

  // Sends a packet and takes its reply.
  adiclient::Packet ask(const adiclient::Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    return s->reply();
  }
  // Sends a packet that has no reply, then a pnop, whose reply says it is done.
  void sync(const adiclient::Packet &p) {
    ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
    s->reply();
  }
};
