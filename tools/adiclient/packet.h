// Packets as byte vectors, message framing and event packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace adiclient {

// One packet: big-endian fields at byte offsets. Setters grow the packet
// (zero-filled) to hold what they write; getters read 0 beyond its end.
struct Packet {
  std::vector<uint8_t> bytes;

  Packet() = default;
  explicit Packet(int opcode, size_t length = 2);

  size_t size() const { return bytes.size(); }
  void set_length(size_t n) { bytes.resize(n, 0); }
  bool holds(size_t offset, size_t width) const { return offset + width <= bytes.size(); }

  void set_i8(size_t offset, int value) { set_u8(offset, static_cast<unsigned>(value)); }
  void set_u8(size_t offset, unsigned value);
  void set_i16(size_t offset, int value) { set_u16(offset, static_cast<unsigned>(value)); }
  void set_u16(size_t offset, unsigned value);
  void set_i32(size_t offset, int32_t value) { set_u32(offset, static_cast<uint32_t>(value)); }
  void set_u32(size_t offset, uint32_t value);
  void set_f32(size_t offset, float value);
  void set_f64(size_t offset, double value);
  // The text and a NUL.
  void set_text(size_t offset, std::string_view text);

  int opcode() const { return i16(0); }
  int8_t i8(size_t offset) const { return static_cast<int8_t>(u8(offset)); }
  uint8_t u8(size_t offset) const;
  int16_t i16(size_t offset) const { return static_cast<int16_t>(u16(offset)); }
  uint16_t u16(size_t offset) const;
  int32_t i32(size_t offset) const { return static_cast<int32_t>(u32(offset)); }
  uint32_t u32(size_t offset) const;
  float f32(size_t offset) const;
  double f64(size_t offset) const;
  // Text from the offset up to a NUL or the end of the packet.
  std::string text(size_t offset) const;
};

// Session start: 112 bytes, capability flags at 8, ADI level at 10 and the
// drawing name at 56 (cut to 55 bytes so its NUL fits).
Packet pinit(int flags = 0x8007, int adi_level = 8, std::string_view name = "adiclient");
Packet pkill();
Packet pnop();
// Opens viewport number over the screen rectangle (x1, y1)-(x2, y2), its
// world 32765 units each way.
Packet popenvp(int number, int x1, int y1, int x2, int y2);
// A driver command typed at the client's command line (RTDVIEW TA, PALETTE).
Packet pcommand(std::string_view text);
// A digitizer sample: code (1 the sample again, 2 a move, 3 a pick, -1 and
// -2 the other buttons) at window pixel (x, y), y up.
Packet pdigtize(int code, int x, int y);
// pmenufcn: 1 starts a rebuild of the menus, 2 a menu (id its number, 0 the
// pop-up), 3 adds an entry (flags: 1 insensitive, 2 marked with mark, 8 a
// submenu, 16 closes close_levels submenus after it, 32 an icon, 64 an
// accelerator, id its key; an empty label a separator), 4 ends the menu, 5
// the rebuild.
Packet pmenufcn(int function, int id = 0, std::string_view label = "", int flags = 0, int mark = 0,
                int close_levels = 0);
// pmenushow: 0 the pop-up menu, 1 to 16 a pull-down.
Packet pmenushow(int menu);
// pmenuset of an item's flags and mark, or (set false) pmenuget.
Packet pmenuitem(int menu, int item, bool set = false, int flags = 0, int mark = 0);
// A dialog packet of the opcode (300 to 311) for a tile type, naming the
// driver's record of the tile.
Packet dialog_packet(int opcode, int type, uint32_t record, size_t length);
// The list operation (306) of a list or pop-up tile: kind (1 to 3) at 16,
// the count of items at 20 and the items from 24 on, one after another, each
// with its NUL.
Packet dialog_list(int type, uint32_t record, int kind, const std::vector<std::string> &items);
// The bracket of a 3D drawing (p3d): render style at 4, flags at 8 (1 begins
// the drawing, 2 clears the z-buffer, 4 ends it).
Packet p3d(int style, uint32_t flags);
// A face of opcode 85 (ppoly3), 86 (pnpoly3) or 87 (pcpoly3), length bytes
// (more where the vertices need them):
// flags at 4, the count of vertices at 8 and their x, y, z from 40 on, 24
// bytes a vertex.
struct Point3 {
  double x = 0, y = 0, z = 0;
};
Packet face_packet(int opcode, uint32_t flags, const std::vector<Point3> &vertices, size_t length = 272);

// A message as it goes down the packet pipe: u32 length of the run, then each
// packet behind its u32 length padded with zeros to a multiple of 4, then a
// u32 0.
std::vector<uint8_t> frame_message(std::span<const Packet> packets);

// One line: name (or the opcode), length and the bytes in hex, two at a time.
std::string format_packet(const Packet &packet);

// The 20-byte event packet.
inline constexpr int event_opcode = 63;
inline constexpr size_t event_size = 20;

struct Event {
  int type = 0;
  int32_t x = 0;
  int32_t y = 0;
  unsigned key = 0;
  uint32_t extra = 0;
};

enum EventType {
  ev_interrupt = 0,
  ev_coord = 1,
  ev_press = 2,
  ev_key = 3,
  ev_resize = 6,
  ev_text_resize = 7,
  ev_rd_resize = 8,
  ev_release = 9,
  ev_leave = 10,
};

// False when the bytes are not a 20-byte packet with opcode 63.
bool decode_event(std::span<const uint8_t> bytes, Event &event);
Packet encode_event(const Event &event);
// "interrupt", "coord", ... ; nullptr for an unknown type.
const char *event_type_name(int type);
// Type of a name or a number; -1 when neither.
int event_type_by_name(std::string_view name);
// "event key x=0 y=0 key=97 extra=0"
std::string format_event(const Event &event);

}  // namespace adiclient
