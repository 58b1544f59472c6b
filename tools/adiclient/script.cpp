// Reading session scripts into actions.
#include "adiclient/script.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "adiclient/opcodes.h"

namespace adiclient {
namespace {

// Packets and offsets beyond this are mistakes, not tests.
constexpr long max_length = 1 << 20;

constexpr size_t pinit_name_offset = 56;

struct FieldKind {
  const char *name;
  FieldType type;
  int width;  // bytes; 0 for text
  int64_t low, high;
};

const FieldKind field_kinds[] = {
    {"i8", FieldType::i8, 1, -128, 255},
    {"u8", FieldType::u8, 1, -128, 255},
    {"i16", FieldType::i16, 2, -32768, 65535},
    {"u16", FieldType::u16, 2, -32768, 65535},
    {"i32", FieldType::i32, 4, -2147483648LL, 4294967295LL},
    {"u32", FieldType::u32, 4, -2147483648LL, 4294967295LL},
    {"f32", FieldType::f32, 4, 0, 0},
    {"f64", FieldType::f64, 8, 0, 0},
    {"str", FieldType::str, 0, 0, 0},
};

const FieldKind &kind_of(FieldType type) {
  for (const FieldKind &k : field_kinds)
    if (k.type == type) return k;
  return field_kinds[0];
}

size_t field_width(const Field &f) {
  int w = kind_of(f.type).width;
  return w ? static_cast<size_t>(w) : f.text.size() + 1;
}

// Splits a line at blanks outside double quotes and drops a # comment.
bool split_words(std::string_view line, std::vector<std::string> &words, std::string &reason) {
  std::string word;
  bool in_word = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      word.push_back(c);
      if (c == '\\' && i + 1 < line.size()) {
        word.push_back(line[++i]);
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    word.push_back(c);
    if (c == '"') quoted = true;
  }
  if (quoted) {
    reason = "unterminated quoted text";
    return false;
  }
  if (in_word) words.push_back(word);
  return true;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "text" with \" \\ \n \t \r \0 and \xHH; false when not one quoted text.
bool unquote(std::string_view s, std::string &out, std::string &reason) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') {
    reason = "expected quoted text, got " + std::string(s);
    return false;
  }
  out.clear();
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    char e = s[++i];
    switch (e) {
      case 'n': out.push_back('\n'); break;
      case 't': out.push_back('\t'); break;
      case 'r': out.push_back('\r'); break;
      case '0': out.push_back('\0'); break;
      case '\\': case '"': out.push_back(e); break;
      case 'x': {
        int h = i + 2 < s.size() - 1 ? hex_digit(s[i + 1]) : -1;
        int l = h >= 0 ? hex_digit(s[i + 2]) : -1;
        if (l < 0) {
          reason = "\\x needs two hex digits";
          return false;
        }
        out.push_back(static_cast<char>(h * 16 + l));
        i += 2;
        break;
      }
      default:
        reason = std::string("unknown escape \\") + e;
        return false;
    }
  }
  return true;
}

// Decimal (with an optional minus) or 0x hex.
bool parse_int(std::string_view s, int64_t &value) {
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  uint64_t u = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), u, base);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || u > (1ull << 40)) return false;
  value = negative ? -static_cast<int64_t>(u) : static_cast<int64_t>(u);
  return true;
}

bool parse_count(std::string_view s, long low, long high, long &value, std::string &reason, const char *what) {
  int64_t v;
  if (!parse_int(s, v) || v < low || v > high) {
    reason = std::string("bad ") + what + " '" + std::string(s) + "' (" + std::to_string(low) + " to " +
             std::to_string(high) + ")";
    return false;
  }
  value = static_cast<long>(v);
  return true;
}

bool parse_field(std::string_view word, Field &f, std::string &reason) {
  size_t at = word.find('@'), eq = word.find('=');
  if (at == std::string_view::npos || eq == std::string_view::npos || eq < at) {
    reason = "expected TYPE@OFFSET=VALUE, got '" + std::string(word) + "'";
    return false;
  }
  std::string_view type = word.substr(0, at), offset = word.substr(at + 1, eq - at - 1),
                   value = word.substr(eq + 1);
  const FieldKind *kind = nullptr;
  for (const FieldKind &k : field_kinds)
    if (type == k.name) kind = &k;
  if (!kind) {
    reason = "unknown field type '" + std::string(type) + "' (i8 u8 i16 u16 i32 u32 f32 f64 str)";
    return false;
  }
  f.type = kind->type;
  long off;
  if (!parse_count(offset, 0, max_length, off, reason, "offset")) return false;
  f.offset = static_cast<size_t>(off);
  if (kind->type == FieldType::str) return unquote(value, f.text, reason);
  if (kind->type == FieldType::f32 || kind->type == FieldType::f64) {
    // Each read at its own precision, so an f32 is the float its text names.
    auto read = [&](auto v) {
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
      f.real = v;
      return !value.empty() && ec == std::errc() && end == value.data() + value.size();
    };
    if (kind->type == FieldType::f32 ? read(0.0f) : read(0.0)) return true;
    reason = "bad " + std::string(kind->name) + " value '" + std::string(value) + "'";
    return false;
  }
  int64_t v;
  if (!parse_int(value, v)) {
    reason = "bad number '" + std::string(value) + "'";
    return false;
  }
  if (v < kind->low || v > kind->high) {
    reason = "value " + std::string(value) + " does not fit " + kind->name;
    return false;
  }
  f.bits = static_cast<uint32_t>(v) & (kind->width == 4 ? 0xFFFFFFFFu : (1u << (8 * kind->width)) - 1);
  return true;
}

void apply_field(Packet &p, const Field &f) {
  switch (f.type) {
    case FieldType::i8: case FieldType::u8: p.set_u8(f.offset, f.bits); break;
    case FieldType::i16: case FieldType::u16: p.set_u16(f.offset, f.bits); break;
    case FieldType::i32: case FieldType::u32: p.set_u32(f.offset, f.bits); break;
    case FieldType::f32: p.set_f32(f.offset, static_cast<float>(f.real)); break;
    case FieldType::f64: p.set_f64(f.offset, f.real); break;
    case FieldType::str: p.set_text(f.offset, f.text); break;
  }
}

// Reads "len=N" into length; false when the word is something else.
bool is_len(std::string_view word) { return word.substr(0, 4) == "len="; }

// NAME|OPCODE [len=N] [fields] (words after the verb).
bool parse_packet(const std::vector<std::string> &w, size_t first, Packet &p, std::string &reason) {
  if (first >= w.size()) {
    reason = "send needs a packet name or opcode";
    return false;
  }
  int opcode = opcode_by_name(w[first]);
  if (opcode < 0) {
    reason = "unknown packet '" + w[first] + "'";
    return false;
  }
  p = opcode == 1 ? pinit() : Packet(opcode);
  long length = -1;
  std::vector<Field> fields;
  for (size_t i = first + 1; i < w.size(); ++i) {
    if (is_len(w[i])) {
      if (!parse_count(std::string_view(w[i]).substr(4), 2, max_length, length, reason, "len")) return false;
      continue;
    }
    Field f;
    if (!parse_field(w[i], f, reason)) return false;
    fields.push_back(f);
  }
  if (length >= 0) p.set_length(static_cast<size_t>(length));
  for (const Field &f : fields) {
    // A drawing name given for pinit replaces the default one entirely.
    if (opcode == 1 && f.type == FieldType::str && f.offset == pinit_name_offset)
      for (size_t i = f.offset; i < p.size() && i < 112; ++i) p.bytes[i] = 0;
    if (length >= 0 && f.offset + field_width(f) > static_cast<size_t>(length)) {
      reason = "field " + describe_field(f) + " lies beyond len=" + std::to_string(length);
      return false;
    }
    apply_field(p, f);
  }
  return true;
}

bool parse_expect_reply(const std::vector<std::string> &w, Action &a, std::string &reason) {
  size_t i = 2;
  if (i < w.size() && w[i].find('=') == std::string::npos) {
    a.opcode = opcode_by_name(w[i]);
    if (a.opcode < 0) {
      reason = "unknown packet '" + w[i] + "'";
      return false;
    }
    ++i;
  }
  for (; i < w.size(); ++i) {
    if (is_len(w[i])) {
      if (!parse_count(std::string_view(w[i]).substr(4), 0, max_length, a.length, reason, "len")) return false;
      continue;
    }
    Field f;
    if (!parse_field(w[i], f, reason)) return false;
    if (a.length >= 0 && f.offset + field_width(f) > static_cast<size_t>(a.length)) {
      reason = "field " + describe_field(f) + " lies beyond len=" + std::to_string(a.length);
      return false;
    }
    a.fields.push_back(f);
  }
  return true;
}

bool parse_expect_event(const std::vector<std::string> &w, Action &a, std::string &reason) {
  for (size_t i = 2; i < w.size(); ++i) {
    size_t eq = w[i].find('=');
    std::string_view name = std::string_view(w[i]).substr(0, eq);
    std::string_view value = eq == std::string::npos ? "" : std::string_view(w[i]).substr(eq + 1);
    int64_t v = 0;
    std::string text;
    if (name == "type") {
      int t = event_type_by_name(value);
      if (t < 0) {
        reason = "bad event type '" + std::string(value) + "'";
        return false;
      }
      a.event.type = t;
      continue;
    }
    if (name == "key" && !value.empty() && value[0] == '"') {
      if (!unquote(value, text, reason)) return false;
      if (text.size() != 1) {
        reason = "key=\"...\" takes one character";
        return false;
      }
      a.event.key = static_cast<unsigned char>(text[0]);
      continue;
    }
    bool number = parse_int(value, v);
    if (name == "x" && number && v >= INT32_MIN && v <= INT32_MAX) {
      a.event.x = static_cast<int32_t>(v);
    } else if (name == "y" && number && v >= INT32_MIN && v <= INT32_MAX) {
      a.event.y = static_cast<int32_t>(v);
    } else if (name == "key" && number && v >= 0 && v <= 0xFFFF) {
      a.event.key = static_cast<unsigned>(v);
    } else if (name == "extra" && number && v >= INT32_MIN && v <= UINT32_MAX) {
      a.event.extra = static_cast<uint32_t>(v);
    } else {
      reason = "expected type=, x=, y=, key= or extra= with a number, got '" + w[i] + "'";
      return false;
    }
  }
  return true;
}

bool parse_hex_bytes(const std::vector<std::string> &w, std::vector<uint8_t> &out, std::string &reason) {
  std::string digits;
  for (size_t i = 1; i < w.size(); ++i) digits += w[i];
  if (digits.empty() || digits.size() % 2) {
    reason = "raw needs an even number of hex digits";
    return false;
  }
  for (size_t i = 0; i < digits.size(); i += 2) {
    int h = hex_digit(digits[i]), l = hex_digit(digits[i + 1]);
    if (h < 0 || l < 0) {
      reason = "raw takes only hex digits";
      return false;
    }
    out.push_back(static_cast<uint8_t>(h * 16 + l));
  }
  return true;
}

bool parse_start(const std::vector<std::string> &w, Action &a, std::string &reason) {
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string &word = w[i];
    if (word == "args") {
      a.replace_args = true;
      for (++i; i < w.size(); ++i) {
        std::string text = w[i];
        if (!text.empty() && text[0] == '"' && !unquote(w[i], text, reason)) return false;
        a.args.push_back(text);
      }
      break;
    }
    if (word.size() > 1 && word[0] == '-') {
      a.unset_env.push_back(word.substr(1));
      continue;
    }
    size_t eq = word.find('=');
    if (eq == 0 || eq == std::string::npos) {
      reason = "start takes NAME=VALUE, -NAME and args ..., got '" + word + "'";
      return false;
    }
    std::string value = word.substr(eq + 1);
    if (!value.empty() && value[0] == '"' && !unquote(word.substr(eq + 1), value, reason)) return false;
    a.set_env.push_back(word.substr(0, eq + 1) + value);
  }
  return true;
}

bool want_words(const std::vector<std::string> &w, size_t low, size_t high, std::string &reason) {
  if (w.size() >= low && w.size() <= high) return true;
  reason = "wrong number of words for '" + w[0] + "'";
  return false;
}

// A trailing window "TITLE" of key, move and click: taken off the words.
bool take_window(std::vector<std::string> &w, Action &a, std::string &reason) {
  if (w.size() < 3 || w[w.size() - 2] != "window") return true;
  if (!unquote(w.back(), a.window, reason)) return false;
  if (a.window.empty()) {
    reason = "window takes a title";
    return false;
  }
  w.resize(w.size() - 2);
  return true;
}

bool parse_key(const std::vector<std::string> &w, Action &a, std::string &reason) {
  a.verb = Verb::key;
  if (!want_words(w, 2, 5, reason)) return false;
  a.text = w[1];
  for (size_t i = 2; i < w.size(); ++i) {
    if (w[i] == "shift") {
      a.shift = true;
    } else if (w[i] == "control") {
      a.control = true;
    } else if (w[i] == "numlock") {
      a.numlock = true;
    } else {
      reason = "key takes shift, control, numlock and window \"TITLE\" after the keysym, got '" + w[i] + "'";
      return false;
    }
  }
  return true;
}

bool parse_pointer(const std::vector<std::string> &w, Action &a, std::string &reason) {
  const bool move = w[0] == "move";
  a.verb = move ? Verb::move : Verb::click;
  if (!want_words(w, 3, move ? 3 : 4, reason)) return false;
  long x, y;
  a.number = 1;
  if (!parse_count(w[1], -100000, 100000, x, reason, "x") || !parse_count(w[2], -100000, 100000, y, reason, "y"))
    return false;
  a.x = static_cast<int>(x);
  a.y = static_cast<int>(y);
  return w.size() < 4 || parse_count(w[3], 1, 5, a.number, reason, "button");
}

// WxH+X+Y (X and Y may be negative: WxH-X-Y).
bool parse_geometry(std::string_view s, Action &a, std::string &reason) {
  // A number at s[at], behind a sign when signed.
  auto number = [&](size_t &at, bool signed_, int64_t &v) {
    const size_t start = at;
    if (signed_) {
      if (at >= s.size() || (s[at] != '+' && s[at] != '-')) return false;
      ++at;
    }
    const size_t digits = at;
    while (at < s.size() && s[at] >= '0' && s[at] <= '9') ++at;
    std::string_view text = s.substr(start, at - start);
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    return at > digits && parse_int(text, v) && v >= -100000 && v <= 100000;
  };
  size_t at = 0;
  int64_t w = 0, h = 0, x = 0, y = 0;
  if (number(at, false, w) && at < s.size() && s[at++] == 'x' && number(at, false, h) && number(at, true, x) &&
      number(at, true, y) && at == s.size() && w > 0 && h > 0) {
    a.has_geometry = true;
    a.width = static_cast<int>(w);
    a.height = static_cast<int>(h);
    a.left = static_cast<int>(x);
    a.top = static_cast<int>(y);
    return true;
  }
  reason = "expected a geometry WxH+X+Y, got '" + std::string(s) + "'";
  return false;
}

// One line outside a message block.
bool parse_action(const std::vector<std::string> &w, Action &a, std::string &reason) {
  const std::string &verb = w[0];
  if (verb == "start") {
    a.verb = Verb::start;
    return parse_start(w, a, reason);
  }
  if (verb == "handshake") {
    a.verb = Verb::handshake;
    return want_words(w, 1, 1, reason);
  }
  if (verb == "send") {
    a.verb = Verb::send;
    a.packets.emplace_back();
    return parse_packet(w, 1, a.packets.back(), reason);
  }
  if (verb == "raw") {
    a.verb = Verb::raw;
    return parse_hex_bytes(w, a.raw, reason);
  }
  if (verb == "wait" || verb == "flush") {
    a.verb = verb == "wait" ? Verb::wait : Verb::flush;
    if (!want_words(w, verb == "wait" ? 2 : 1, 2, reason)) return false;
    a.number = default_quiet_ms;
    return w.size() < 2 || parse_count(w[1], 0, 3600000, a.number, reason, "milliseconds");
  }
  if (verb == "snapshot") {
    a.verb = Verb::snapshot;
    std::vector<std::string> words = w;
    if (!take_window(words, a, reason) || !want_words(words, 2, 2, reason)) return false;
    a.text = words[1];
    return words[1][0] != '"' || unquote(words[1], a.text, reason);
  }
  if (verb == "key" || verb == "move" || verb == "click") {
    std::vector<std::string> words = w;
    if (!take_window(words, a, reason)) return false;
    return verb == "key" ? parse_key(words, a, reason) : parse_pointer(words, a, reason);
  }
  if (verb == "close") {
    a.verb = Verb::close;
    return want_words(w, 1, 1, reason);
  }
  if (verb == "stdin") {
    a.verb = Verb::stdin_text;
    return want_words(w, 2, 2, reason) && unquote(w[1], a.text, reason);
  }
  if (verb != "expect") {
    reason = "unknown action '" + verb + "'";
    return false;
  }
  const std::string what = w.size() > 1 ? w[1] : "";
  if (what == "reply") {
    a.verb = Verb::expect_reply;
    return parse_expect_reply(w, a, reason);
  }
  if (what == "event") {
    a.verb = Verb::expect_event;
    return parse_expect_event(w, a, reason);
  }
  if (what == "noreply" || what == "noevent") {
    a.verb = what == "noreply" ? Verb::expect_noreply : Verb::expect_noevent;
    a.number = default_quiet_ms;
    return want_words(w, 2, 3, reason) &&
           (w.size() < 3 || parse_count(w[2], 0, 3600000, a.number, reason, "milliseconds"));
  }
  if (what == "exit") {
    a.verb = Verb::expect_exit;
    return want_words(w, 3, 3, reason) && parse_count(w[2], 0, 255, a.number, reason, "exit status");
  }
  if (what == "sigint") {
    a.verb = Verb::expect_sigint;
    return want_words(w, 3, 3, reason) && parse_count(w[2], 0, 1000000, a.number, reason, "count");
  }
  if (what == "window" || what == "nowindow") {
    a.verb = what == "window" ? Verb::expect_window : Verb::expect_nowindow;
    if (!want_words(w, 3, what == "window" ? 4 : 3, reason) || !unquote(w[2], a.text, reason)) return false;
    if (a.text.empty()) {
      reason = "expect " + what + " takes a title";
      return false;
    }
    return w.size() < 4 || parse_geometry(w[3], a, reason);
  }
  if (what == "stdout" || what == "stderr") {
    a.verb = what == "stdout" ? Verb::expect_stdout : Verb::expect_stderr;
    return want_words(w, 3, 3, reason) && unquote(w[2], a.text, reason);
  }
  reason = "expect takes reply, event, noreply, noevent, exit, sigint, stdout, stderr, window or nowindow";
  return false;
}

}  // namespace

bool parse_script(std::string_view text, std::vector<Action> &actions, ScriptError &error) {
  actions.clear();
  bool in_message = false, driver_used = false;
  Action message;
  int number = 0;
  auto fail = [&](int line, std::string reason) {
    error.line = line;
    error.reason = std::move(reason);
    return false;
  };
  for (size_t pos = 0; pos < text.size();) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    pos = nl + 1;
    ++number;
    std::vector<std::string> w;
    std::string reason;
    if (!split_words(line, w, reason)) return fail(number, reason);
    if (w.empty()) continue;
    if (in_message) {
      if (w[0] == "end" && w.size() == 1) {
        actions.push_back(std::move(message));
        in_message = false;
      } else if (w[0] == "send") {
        message.packets.emplace_back();
        if (!parse_packet(w, 1, message.packets.back(), reason)) return fail(number, reason);
      } else {
        return fail(number, "only send lines and end belong inside a message");
      }
      continue;
    }
    if (w[0] == "message") {
      if (w.size() != 1) return fail(number, "message takes nothing on its line");
      message = Action{};
      message.verb = Verb::send;
      message.line = number;
      in_message = true;
      driver_used = true;
      continue;
    }
    if (w[0] == "end") return fail(number, "end without message");
    Action a;
    a.line = number;
    if (!parse_action(w, a, reason)) return fail(number, reason);
    if (a.verb == Verb::start && driver_used) return fail(number, "start must come before anything that uses the driver");
    if (a.verb != Verb::wait) driver_used = true;
    actions.push_back(std::move(a));
  }
  if (in_message) return fail(message.line, "message without end");
  return true;
}

std::string describe_field(const Field &f) {
  std::string out = std::string(kind_of(f.type).name) + "@" + std::to_string(f.offset) + "=";
  char buf[32];
  switch (f.type) {
    case FieldType::str: return out + "\"" + f.text + "\"";
    case FieldType::f32: case FieldType::f64: std::snprintf(buf, sizeof buf, "%g", f.real); break;
    case FieldType::i8: std::snprintf(buf, sizeof buf, "%d", static_cast<int8_t>(f.bits)); break;
    case FieldType::i16: std::snprintf(buf, sizeof buf, "%d", static_cast<int16_t>(f.bits)); break;
    case FieldType::i32: std::snprintf(buf, sizeof buf, "%d", static_cast<int32_t>(f.bits)); break;
    default: std::snprintf(buf, sizeof buf, "%u", f.bits); break;
  }
  return out + buf;
}

std::string describe_match(const EventMatch &m) {
  std::string out = "event";
  if (m.type) {
    const char *name = event_type_name(*m.type);
    out += " type=" + (name ? std::string(name) : std::to_string(*m.type));
  }
  if (m.x) out += " x=" + std::to_string(*m.x);
  if (m.y) out += " y=" + std::to_string(*m.y);
  if (m.key) out += " key=" + std::to_string(*m.key);
  if (m.extra) out += " extra=" + std::to_string(*m.extra);
  return out;
}

bool field_matches(const Field &f, const Packet &p) {
  if (f.type == FieldType::str) return f.offset < p.size() && p.text(f.offset) == f.text;
  if (!p.holds(f.offset, field_width(f))) return false;
  switch (f.type) {
    case FieldType::i8: case FieldType::u8: return p.u8(f.offset) == f.bits;
    case FieldType::i16: case FieldType::u16: return p.u16(f.offset) == f.bits;
    case FieldType::i32: case FieldType::u32: return p.u32(f.offset) == f.bits;
    case FieldType::f32: return p.f32(f.offset) == static_cast<float>(f.real);
    case FieldType::f64: return p.f64(f.offset) == f.real;
    default: return false;
  }
}

bool event_matches(const EventMatch &m, const Event &e) {
  return (!m.type || *m.type == e.type) && (!m.x || *m.x == e.x) && (!m.y || *m.y == e.y) &&
         (!m.key || *m.key == e.key) && (!m.extra || *m.extra == e.extra);
}

}  // namespace adiclient
