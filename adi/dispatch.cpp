#include "adi/dispatch.h"

#include <cstdint>

#include "adi/channel.h"
#include "dialogs/dialog_packets.h"
#include "kovagl/gl.h"

int dialog_complete;

int packet_handler(PacketClient *client, Packet &packet, std::size_t n) {
  dialog_complete = 0;
  int op = packet.opcode();
  int result = 0;
  if (op >= 1 && op <= 113)
    result = DS_funcs[op](packet);
  else if (op >= 2001 && op <= 2062)
    result = RD_funcs[op - 2001](packet);
  else
    dispatch_dialog_packet(client, packet, n);

  if (result != 0) {
    // An answer also says that what came before it is drawn.
    kgl_wait_drawn();
    reply_pkt(client, packet.bytes(), n, 1);
    if (packet.opcode() == kKillOpcode) return 1;
  }
  if (dialog_complete != 0) send_dialog_end(dialog_complete);
  return 0;
}

void send_dialog_end(int value) {
  std::uint8_t done[24] = {};
  Packet end(done, sizeof done, sizeof done);
  end.put_u16(0, 309);
  end.put_u32(4, static_cast<std::uint32_t>(value));
  end.put_u16(12, 1);
  reply_pkt(packet_client, done, sizeof done, 1);
}
