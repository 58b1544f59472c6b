// Dialog packets: any run of requests 300 to 311, with what a user does to
// the tiles between them, against the widget layer that only records. The
// replies and results go to /dev/null.
//
// An input is a run of steps. A step's first byte b:
// - b < 0xE0: a packet of opcode 300 + b % 12 and tile type (b / 12) % 12,
//   then a byte length n (the packet is 12 + 2n bytes), then its bytes from
//   offset 2 on (missing bytes are zero). Unless bit 7 of the byte at offset
//   8 is set, the words at 8 and 20 are replaced by the handle of the live
//   tile their low byte picks (so most requests name a tile that exists; the
//   others are bad handles).
// - b >= 0xE0: a user action (b & 0x0F picks which) on the live tile the next
//   byte picks, with the two bytes after as its arguments.
//
// Every input starts with an init, which closes what the last input left
// open. After each step the tile records and the widgets agree: every live
// tile's widget exists, the open dialogs are counted once, no class holds
// more than its capacity.
#include <X11/keysym.h>
#include <fcntl.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/channel.h"
#include "base/session.h"
#include "dialogs/dialog_box.h"
#include "dialogs/dialog_packets.h"
#include "dialogs/tile_handlers.h"
#include "tests/unit/dialogs/recording_widgets.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

RecordingWidgets *widgets;

struct Reader {
  const std::uint8_t *data;
  std::size_t size, at = 0;
  bool more() const { return at < size; }
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
};

// The live tile a byte picks (0 when there is none).
std::uint32_t pick(std::uint8_t b) {
  const std::vector<TileRecord *> live = live_tiles();
  return live.empty() ? 0 : live[b % live.size()]->handle;
}

void run_packet(Reader &r, std::uint8_t b) {
  static std::uint8_t buf[kMessageMax];
  const std::size_t n = 12 + 2 * static_cast<std::size_t>(r.byte());
  std::memset(buf, 0, sizeof buf);
  Packet p(buf, sizeof buf, n);
  p.put_u16(0, static_cast<std::uint16_t>(300 + b % 12));
  p.put_u16(2, static_cast<std::uint16_t>(b / 12 % 12));
  for (std::size_t i = 2; i < n; ++i) buf[i] = r.byte();
  if (!(buf[8] & 0x80)) {
    p.put_u32(8, pick(buf[11]));
    if (n >= 24) p.put_u32(20, buf[23] & 1 ? pick(buf[23]) : 0);
  }
  dispatch_dialog_packet(packet_client, p, n);
}

void run_action(Reader &r, std::uint8_t b) {
  const std::uint32_t h = pick(r.byte());
  const int x = static_cast<std::int8_t>(r.byte()), y = static_cast<std::int8_t>(r.byte());
  const TileRecord *t = find_tile(h);
  switch (b & 0x0F) {
    case 0: button_activated(h); break;
    case 1: toggle_changed(h, x & 1); break;
    case 2:
      if (t != nullptr && t->kind == kKindRadioButton) widgets->press(t->widget);
      break;
    case 3: list_selected(h, x & 1, x & 2, static_cast<unsigned long>(y & 0xFF)); break;
    case 4: edit_activated(h); break;
    case 5: edit_left(h); break;
    case 6:
      if (t != nullptr && t->kind == kKindEdit && t->extra >= 0)
        widgets->type_into(edit_extra(t->extra).field, 0, 0, x & 1 ? "ab" : "");
      break;
    case 7: popup_chosen(h, x); break;
    case 8: slider_moved(h, x, y & 1); break;
    case 9: image_button_clicked(h, x, y, x & 1, y & 2); break;
    case 10: image_button_exposed(h); break;
    case 11: dialog_key(x & 1 ? XK_Escape : XK_c, static_cast<unsigned>(y)); break;
    default: widgets->pointer_in = !widgets->pointer_in; break;
  }
}

void check_records() {
  int open = 0;
  for (int l = 0; l < kDialogLevels; ++l) open += dialog_stack[l].open && l < dialog_env.level;
  check(open == dialog_env.level && busy_with_dialog == dialog_env.level);
  for (int c = 0; c < kObjectClasses; ++c) check(pool_live(c) <= kPoolCapacity);
  for (TileRecord *t : live_tiles()) {
    check(t->widget == 0 || widgets->widgets.count(t->widget) == 1);
    check(dialog_of(*t) != nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool started = [] {
    widgets = new RecordingWidgets;
    dialog_widgets = widgets;
    packet_client = init_pkt(-1, open("/dev/null", O_WRONLY | O_CLOEXEC), -1, -1, -1);
    return true;
  }();
  (void)started;
  std::uint8_t init[44] = {0x01, 0x2C};
  Packet p(init, sizeof init, sizeof init);
  dispatch_dialog_packet(packet_client, p, sizeof init);
  widgets->widgets.clear();
  widgets->log.clear();

  Reader r{data, size};
  while (r.more()) {
    const std::uint8_t b = r.byte();
    if (b < 0xE0) run_packet(r, b);
    else run_action(r, b);
    check_records();
  }
  return 0;
}
