#include "adi/dispatch.h"

#include <cstdint>

#include "base/channel.h"
#include "dialogs/dialog_packets.h"
#include "display/vectors.h"
#include "kovagl/gl.h"


namespace {

// Where a packet goes when its handler writes past its end (see Packet).
std::uint8_t spill[kMessageMax];

}  // namespace

int dispatch_pkt(PacketClient *client) { return take_message(client) ? run_packets(client) : 0; }

int run_packets(PacketClient *client) {
  int result = 0;
  std::uint8_t *bytes = nullptr;
  for (std::uint32_t n; result == 0 && (n = take_packet(client, bytes)) != 0;) {
    if (n == kVectorPacketBytes && bytes[0] == 0 && bytes[1] == kVectorOpcode) {
      // Vector packets one after another run together: pvec answers none
      // of them and ends no dialog.
      std::size_t stride;
      const std::uint32_t more = take_alike(client, bytes, n, stride);
      dialog_complete = 0;
      pvecs(bytes, stride, static_cast<int>(more) + 1);
      continue;
    }
    Packet packet(bytes, n, spill);
    result = packet_handler(client, packet, n);
  }
  return result;
}

int packet_handler(PacketClient *client, Packet &packet, std::size_t n) {
  dialog_complete = 0;
  int op = packet.opcode();
  int result = 0;
  if (op >= kDSFirstOpcode && op <= kDSLastOpcode)
    result = DS_funcs[op](packet);
  else if (op >= kRDFirstOpcode && op <= kRDLastOpcode)
    result = RD_funcs[op - kRDFirstOpcode](packet);
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
