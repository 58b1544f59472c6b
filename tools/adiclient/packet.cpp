// Packet fields, framing and event packets.
#include "adiclient/packet.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "adiclient/opcodes.h"

namespace adiclient {

Packet::Packet(int opcode, size_t length) {
  bytes.assign(length < 2 ? 2 : length, 0);
  set_i16(0, opcode);
}

void Packet::set_u8(size_t offset, unsigned value) {
  if (!holds(offset, 1)) set_length(offset + 1);
  bytes[offset] = static_cast<uint8_t>(value);
}

void Packet::set_u16(size_t offset, unsigned value) {
  if (!holds(offset, 2)) set_length(offset + 2);
  bytes[offset] = static_cast<uint8_t>(value >> 8);
  bytes[offset + 1] = static_cast<uint8_t>(value);
}

void Packet::set_u32(size_t offset, uint32_t value) {
  if (!holds(offset, 4)) set_length(offset + 4);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void Packet::set_f32(size_t offset, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  set_u32(offset, bits);
}

void Packet::set_f64(size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  set_u32(offset, static_cast<uint32_t>(bits >> 32));
  set_u32(offset + 4, static_cast<uint32_t>(bits));
}

void Packet::set_text(size_t offset, std::string_view text) {
  if (!holds(offset, text.size() + 1)) set_length(offset + text.size() + 1);
  std::memcpy(bytes.data() + offset, text.data(), text.size());
  bytes[offset + text.size()] = 0;
}

uint8_t Packet::u8(size_t offset) const { return holds(offset, 1) ? bytes[offset] : 0; }

uint16_t Packet::u16(size_t offset) const {
  if (!holds(offset, 2)) return 0;
  return static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

uint32_t Packet::u32(size_t offset) const {
  if (!holds(offset, 4)) return 0;
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | bytes[offset + i];
  return v;
}

float Packet::f32(size_t offset) const {
  uint32_t bits = u32(offset);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

double Packet::f64(size_t offset) const {
  const uint64_t bits = static_cast<uint64_t>(u32(offset)) << 32 | u32(offset + 4);
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

std::string Packet::text(size_t offset) const {
  std::string out;
  for (size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i) out.push_back(static_cast<char>(bytes[i]));
  return out;
}

Packet pinit(int flags, int adi_level, std::string_view name) {
  Packet p(1, 112);
  p.set_i16(8, flags);
  p.set_i16(10, adi_level);
  p.set_text(56, name.substr(0, 112 - 56 - 1));
  return p;
}

Packet pkill() { return Packet(64); }
Packet pnop() { return Packet(opcode_by_name("pnop")); }

Packet popenvp(int number, int x1, int y1, int x2, int y2) {
  Packet p(38, 16);
  p.set_i16(2, number);
  p.set_i16(4, x1);
  p.set_i16(6, y1);
  p.set_i16(8, x2);
  p.set_i16(10, y2);
  p.set_i16(12, 32765);
  p.set_i16(14, 32765);
  return p;
}

Packet pcommand(std::string_view text) {
  Packet p(opcode_by_name("pcommand"), 32);
  p.set_text(6, text);
  return p;
}

Packet pdigtize(int code, int x, int y) {
  Packet p(opcode_by_name("pdigtize"), 8);
  p.set_i16(2, code);
  p.set_i16(4, x);
  p.set_i16(6, y);
  return p;
}

Packet pmenufcn(int function, int id, std::string_view label, int flags, int mark, int close_levels) {
  Packet p(opcode_by_name("pmenufcn"), 12);
  p.set_i16(2, function);
  p.set_i16(4, id);
  p.set_i16(6, flags);
  p.set_i16(8, close_levels);
  p.set_u8(10, static_cast<unsigned>(mark));
  p.set_text(11, label);
  return p;
}

Packet pmenushow(int menu) {
  Packet p(opcode_by_name("pmenushow"), 4);
  p.set_i16(2, menu);
  return p;
}

Packet pmenuitem(int menu, int item, bool set, int flags, int mark) {
  Packet p(opcode_by_name(set ? "pmenuset" : "pmenuget"), 10);
  p.set_i16(2, menu);
  p.set_i16(4, item);
  p.set_i16(6, flags);
  p.set_u8(8, static_cast<unsigned>(mark));
  return p;
}

Packet dialog_packet(int opcode, int type, uint32_t record, size_t length) {
  Packet p(opcode, length);
  p.set_i16(2, type);
  p.set_u32(8, record);
  return p;
}

Packet dialog_list(int type, uint32_t record, int kind, const std::vector<std::string> &items) {
  Packet p = dialog_packet(306, type, record, 24);
  p.set_i16(16, kind);
  p.set_i16(20, static_cast<int>(items.size()));
  size_t at = 24;
  for (const std::string &item : items) {
    p.set_text(at, item);
    at += item.size() + 1;
  }
  return p;
}

Packet p3d(int style, uint32_t flags) {
  Packet p(opcode_by_name("p3d"), 12);
  p.set_i16(4, style);
  p.set_u32(8, flags);
  return p;
}

Packet face_packet(int opcode, uint32_t flags, const std::vector<Point3> &vertices, size_t length) {
  Packet p(opcode, length);
  p.set_u32(4, flags);
  p.set_i16(8, static_cast<int>(vertices.size()));
  size_t at = 40;
  for (const Point3 &v : vertices) {
    p.set_f64(at, v.x);
    p.set_f64(at + 8, v.y);
    p.set_f64(at + 16, v.z);
    at += 24;
  }
  return p;
}

namespace {

void put_u32(std::vector<uint8_t> &out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

std::vector<uint8_t> frame_message(std::span<const Packet> packets) {
  size_t run = 4;  // the terminating zero
  for (const Packet &p : packets) run += 4 + (p.size() + 3) / 4 * 4;
  std::vector<uint8_t> out(4 + run, 0);
  put_u32(out, 0, static_cast<uint32_t>(run));
  size_t at = 4;
  for (const Packet &p : packets) {
    put_u32(out, at, static_cast<uint32_t>(p.size()));
    if (!p.bytes.empty()) std::memcpy(out.data() + at + 4, p.bytes.data(), p.size());
    at += 4 + (p.size() + 3) / 4 * 4;
  }
  return out;
}

std::string format_packet(const Packet &packet) {
  std::string out;
  char buf[32];
  const char *name = packet.size() >= 2 ? opcode_name(packet.u16(0)) : nullptr;
  if (name) {
    out = name;
  } else {
    std::snprintf(buf, sizeof buf, "op%d", packet.size() >= 2 ? packet.i16(0) : -1);
    out = buf;
  }
  std::snprintf(buf, sizeof buf, " len=%zu:", packet.size());
  out += buf;
  for (size_t i = 0; i < packet.size(); i += 2) {
    if (i + 1 < packet.size())
      std::snprintf(buf, sizeof buf, " %02x%02x", packet.bytes[i], packet.bytes[i + 1]);
    else
      std::snprintf(buf, sizeof buf, " %02x", packet.bytes[i]);
    out += buf;
  }
  return out;
}

bool decode_event(std::span<const uint8_t> bytes, Event &event) {
  if (bytes.size() != event_size) return false;
  Packet p;
  p.bytes.assign(bytes.begin(), bytes.end());
  if (p.u16(0) != event_opcode) return false;
  event.type = p.u16(2);
  event.x = p.i32(4);
  event.y = p.i32(8);
  event.key = p.u16(12);
  event.extra = p.u32(16);
  return true;
}

Packet encode_event(const Event &event) {
  Packet p(event_opcode, event_size);
  p.set_u16(2, static_cast<unsigned>(event.type));
  p.set_i32(4, event.x);
  p.set_i32(8, event.y);
  p.set_u16(12, event.key);
  p.set_u32(16, event.extra);
  return p;
}

namespace {

const char *const event_names[] = {"interrupt", "coord",      "press",     "key",     nullptr, nullptr,
                                   "resize",    "textresize", "rdresize", "release", "leave"};

}  // namespace

const char *event_type_name(int type) {
  if (type < 0 || type >= static_cast<int>(std::size(event_names))) return nullptr;
  return event_names[type];
}

int event_type_by_name(std::string_view name) {
  for (int t = 0; t < static_cast<int>(std::size(event_names)); ++t)
    if (event_names[t] && name == event_names[t]) return t;
  int value = 0;
  if (name.empty() || name.size() > 5) return -1;
  for (char c : name) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= 0xFFFF ? value : -1;
}

std::string format_event(const Event &event) {
  char buf[128];
  const char *name = event_type_name(event.type);
  char type_text[16];
  if (!name) {
    std::snprintf(type_text, sizeof type_text, "type%d", event.type);
    name = type_text;
  }
  std::snprintf(buf, sizeof buf, "event %s x=%d y=%d key=%u extra=%u", name, event.x, event.y, event.key,
                event.extra);
  return buf;
}

}  // namespace adiclient
