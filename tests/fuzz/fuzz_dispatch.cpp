// Message framing and dispatch: any bytes as a message from the client. The
// replies and events go to /dev/null; the packets draw into an off-screen
// context of the graphics library, so the drawing code is reached too.
#include <fcntl.h>

#include <cstdint>
#include <cstring>

#include "adi/channel.h"
#include "adi/session.h"
#include "kovagl/offscreen.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static PacketClient *client = [] {
    int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
    PacketClient *c = init_pkt(-1, sink, -1, -1, sink);
    packet_client = c;
    kgl_offscreen_make_current(kgl_offscreen_create(320, 240));
    return c;
  }();
  init_called = 0;
  if (size > kMessageMax || !valid_message(data, size)) return 0;
  std::memcpy(client->buffer, data, size);
  client->length = static_cast<std::uint32_t>(size);
  client->offset = 0;
  // A kill packet ends a run; the rest of the message runs on the next call.
  while (run_packets(client) != 0) {
  }
  return 0;
}
