// Session scripts: one action a line (the format is in README.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adiclient/packet.h"

namespace adiclient {

enum class Verb {
  start,
  handshake,
  send,  // one packet, or several from message ... end
  raw,
  expect_reply,
  expect_event,
  expect_noreply,
  expect_noevent,
  expect_exit,
  expect_sigint,
  expect_stdout,
  expect_stderr,
  expect_window,    // a window with the title is shown (with the geometry, when given)
  expect_nowindow,  // no window with the title is shown
  wait,
  flush,
  snapshot,
  key,
  move,
  click,
  close,
  stdin_text,
};

enum class FieldType { i8, u8, i16, u16, i32, u32, f32, f64, str };

// TYPE@OFFSET=VALUE; integers keep their bits (a value may be written signed
// or unsigned), f32 and f64 their number, str its text.
struct Field {
  FieldType type = FieldType::u8;
  size_t offset = 0;
  uint32_t bits = 0;
  double real = 0;
  std::string text;
};

struct EventMatch {
  std::optional<int> type;
  std::optional<int32_t> x, y;
  std::optional<unsigned> key;
  std::optional<uint32_t> extra;
};

struct Action {
  Verb verb = Verb::wait;
  int line = 0;
  std::vector<Packet> packets;                  // send
  std::vector<uint8_t> raw;                     // raw
  std::vector<std::string> set_env, unset_env;  // start
  bool replace_args = false;                    // start ... args
  std::vector<std::string> args;
  int opcode = -1;  // expect reply: -1 any
  long length = -1;  // expect reply: -1 any
  std::vector<Field> fields;  // expect reply
  EventMatch event;           // expect event
  long number = 0;  // milliseconds, exit status, SIGINT count or button
  int x = 0, y = 0;
  std::string text;  // file, keysym, expected output, text for stdin, title
  bool shift = false, control = false, numlock = false;
  // key, move, click: the top-level window aimed at by its title (empty: the
  // drawing area of the graphics window).
  std::string window;
  // expect window: the size and position asked for.
  bool has_geometry = false;
  int width = 0, height = 0, left = 0, top = 0;
};

struct ScriptError {
  int line = 0;
  std::string reason;
};

// Default waits of expect noreply / noevent and flush when no MS is given.
inline constexpr long default_quiet_ms = 300;

// False with the first error (its line and reason) when the script is bad.
bool parse_script(std::string_view text, std::vector<Action> &actions, ScriptError &error);

// Text of a field or an event match as a script would write it.
std::string describe_field(const Field &field);
std::string describe_match(const EventMatch &match);
bool field_matches(const Field &field, const Packet &packet);
bool event_matches(const EventMatch &match, const Event &event);

}  // namespace adiclient
