// The dialog packet dispatcher, the result packet and the dialog's keys.
#include "dialogs/dialog_packets.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <cstring>

#include "base/channel.h"
#include "dialogs/dialog_box.h"
#include "dialogs/dialog_records.h"
#include "dialogs/tile_handlers.h"
#include "dialogs/tile_text.h"
#include "display/colour_tables.h"

int dialog_complete;

// Operations: 0 init, 1 create, 2 realize (the dialog's size), 3 none, 4 get
// value, 5 set value, 6 list operation, 7 image fill, 8 list start, 9 start
// (the dialog), 10 mode, 11 free.
const TileHandler type_table[kDialogTypes][kDialogOps] = {
    // 0 dialog
    {dialog_init, dialog_create, dialog_size, nullptr, nullptr, dialog_title, nullptr, nullptr, nullptr,
     dialog_start, dialog_mode, dialog_free},
    // 1 cluster
    {nullptr, cluster_create, cluster_realize, nullptr, tile_value_empty, tile_value_empty, nullptr, nullptr,
     nullptr, nullptr, tile_mode, tile_free},
    // 2 text
    {nullptr, text_create, tile_layout, nullptr, text_get, text_set, nullptr, nullptr, nullptr, nullptr,
     tile_mode, tile_free},
    // 3 image
    {nullptr, image_create, image_realize, nullptr, nullptr, nullptr, nullptr, image_fill, nullptr, nullptr,
     tile_mode, tile_free},
    // 4 button
    {nullptr, button_create, tile_layout, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
     tile_mode, tile_free},
    // 5 image button
    {nullptr, image_button_create, image_realize, nullptr, nullptr, nullptr, nullptr, image_fill, nullptr,
     nullptr, image_button_mode, tile_free},
    // 6 toggle
    {nullptr, toggle_create, tile_layout, nullptr, toggle_get, toggle_set, nullptr, nullptr, nullptr, nullptr,
     tile_mode, tile_free},
    // 7 radio button
    {nullptr, radio_create, tile_layout, nullptr, toggle_get, radio_set, nullptr, nullptr, nullptr, nullptr,
     tile_mode, tile_free},
    // 8 list box
    {nullptr, list_create, tile_layout, nullptr, list_get, list_set, list_operation, nullptr, list_start,
     nullptr, tile_mode, tile_free},
    // 9 edit box
    {nullptr, edit_create, tile_layout, nullptr, edit_get, edit_set, nullptr, nullptr, nullptr, nullptr,
     edit_mode, tile_free},
    // 10 popup list
    {nullptr, popup_create, tile_layout, nullptr, popup_get, popup_set, list_operation, nullptr, nullptr,
     nullptr, tile_mode, tile_free},
    // 11 slider
    {nullptr, slider_create, tile_layout, nullptr, slider_get, slider_set, nullptr, nullptr, nullptr, nullptr,
     tile_mode, tile_free},
};

int dispatch_dialog_packet(PacketClient *client, Packet &packet, std::size_t n) {
  const unsigned type = packet.u16(kDialogType);
  const unsigned op = static_cast<unsigned>(packet.opcode() - kDialogFirstOpcode);
  if (type >= kDialogTypes || op >= kDialogOps) return 0;
  if (TileHandler handler = type_table[type][op]) handler(packet, n);
  if (op < 5 || op > 9) reply_pkt(client, packet.bytes(), n, 1);
  return 1;
}

std::size_t encode_dialog_result(std::uint8_t *buf, std::uint32_t handle, std::string_view text, int reason,
                                 int arg1, int arg2) {
  constexpr std::size_t overhead = 32;
  text = text.substr(0, text_fit(text, kMessageMax - overhead));
  std::memset(buf, 0, text.size() + overhead);
  Packet r(buf, kMessageMax, text.size() + overhead);
  r.put_u16(0, kDialogResultOpcode);
  r.put_u32(kResultHandle, handle);
  r.put_u16(kResultFlag, 1);
  r.put_u32(kResultReason, static_cast<std::uint32_t>(reason));
  r.put_u32(kResultArg1, static_cast<std::uint32_t>(arg1));
  r.put_u32(kResultArg2, static_cast<std::uint32_t>(arg2));
  if (!text.empty()) std::memcpy(buf + kResultText, text.data(), text.size());
  return text.size() + overhead;
}

void dladi_callback(std::uint32_t handle, std::string_view text, int reason, int arg1, int arg2) {
  static std::uint8_t buf[kMessageMax];
  const std::size_t n = encode_dialog_result(buf, handle, text, reason, arg1, arg2);
  if (packet_client != nullptr) reply_pkt(packet_client, buf, n, 1);
}

void dialog_notify(std::uint32_t handle, std::string_view text, int reason, int arg1, int arg2) {
  if (handle != 0) dladi_callback(handle, text, reason, arg1, arg2);
}

void dladi_done(int value) { dialog_complete = value; }

bool dialog_cancel_key(unsigned long keysym, unsigned state) {
  // Ctrl+c whatever Caps Lock and Num Lock say.
  const unsigned modifiers = state & 0xFF & ~static_cast<unsigned>(LockMask | Mod2Mask);
  const bool ctrl_c = (keysym == XK_c || keysym == XK_C) && modifiers == ControlMask;
  return ctrl_c || keysym == XK_Escape;
}

void dialog_key(unsigned long keysym, unsigned state) {
  if (!dialog_cancel_key(keysym, state)) return;
  const DialogStackEntry *top = top_dialog();
  if (top == nullptr) return;
  const TileRecord *tile = find_tile(top->cancel_tile);
  if (tile == nullptr) tile = find_tile(top->default_tile);
  if (tile != nullptr) dialog_notify(tile->acad_handle, "", kReasonSelect);
}

unsigned long dx_mapcolor(int index) {
  if (index < 0 || index >= kColourCount) index = 7;
  return graph_clrtbl[kClrtblFixed + index].pixel;
}
