// Packet dispatch: opcode to handler, echo, the kill packet's end of the run,
// and the dialog-end packet.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/packet.h"

struct PacketClient;

using PacketHandler = int (*)(Packet &);

inline constexpr int kDSFuncCount = 116;  // slots 0..115, opcodes 1..113 dispatched
inline constexpr int kDSFirstOpcode = 1, kDSLastOpcode = 113;
inline constexpr int kRDFirstOpcode = 2001, kRDLastOpcode = 2062;  // RD_funcs[op - kRDFirstOpcode]
inline constexpr int kRDFuncCount = kRDLastOpcode - kRDFirstOpcode + 1;
inline constexpr int kKillOpcode = 64;
inline constexpr int kVectorOpcode = 5;         // pvec
inline constexpr std::uint32_t kVectorPacketBytes = 16;

extern const PacketHandler DS_funcs[kDSFuncCount];
extern const PacketHandler RD_funcs[kRDFuncCount];

int packet_handler(PacketClient *client, Packet &packet, std::size_t n);

// Reads the next message when the current one is done, and runs its packets.
// Returns what run_packets returns.
int dispatch_pkt(PacketClient *client);
// Runs the packets of the current (validated) message from its offset on,
// until its end or a handler result that is not 0 (the kill packet).
int run_packets(PacketClient *client);

// The dialog-end packet (309) that follows the reply of the packet during
// which a dialog ended with value.
void send_dialog_end(int value);
