// The ADI pipe channel: command line, handshake, exact reads and writes,
// message framing and replies.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "base/packet.h"

// Bytes the driver reads from the packet pipe at a time: a whole pipe's worth
// and more, so that a client streaming messages is woken seldom.
inline constexpr std::size_t kReadAhead = std::size_t{1} << 18;

struct PacketClient {
  int in_fd;        // packets, client to driver
  int out_fd;       // replies, driver to client
  int disp_in_fd;   // dispatcher input
  int disp_out_fd;  // dispatcher output
  int event_fd;     // events, driver to client
  std::uint32_t offset;  // length word of the next packet to run
  std::uint32_t length;  // bytes of the current message
  // The current message: where it lies in the read-ahead when it came whole
  // in one read, else buffer, where it was put together.
  std::uint8_t *message;
  std::uint8_t buffer[kMessageMax];
  // Read from in_fd, not yet taken: ahead[ahead_at .. ahead_end).
  std::uint32_t ahead_at, ahead_end;
  std::uint8_t ahead[kReadAhead];
};

extern PacketClient *packet_client;
extern pid_t acad_pid;

PacketClient *adi_initialize(int argc, char **argv);
PacketClient *init_pkt(int in_fd, int out_fd, int disp_in_fd, int disp_out_fd, int event_fd);
// Exactly n bytes of the packet pipe, through the read-ahead; a closed pipe
// or a failed read ends the driver.
int read_pkt(PacketClient *client, void *buffer, std::size_t n);
int write_pkt(int fd, const void *buffer, std::size_t n, int retry);
// Writes what a non-blocking pipe takes now: the count, 0 when it is full.
// A broken pipe or a failed write ends the driver as in write_pkt.
std::size_t write_ready(int fd, const void *buffer, std::size_t n);
// Reads the next message when the current one is done. Returns whether a
// packet is there to run (an empty message has none).
bool take_message(PacketClient *client);
// The next packet of the current (validated) message: its length, 0 at the
// message's end; bytes gets where it lies.
std::uint32_t take_packet(PacketClient *client, std::uint8_t *&bytes);
// Takes the packets that follow the one just taken (at bytes, n long) one
// after another with its length and its first two bytes (the opcode): their
// count. Each lies stride bytes after the one before.
std::uint32_t take_alike(PacketClient *client, const std::uint8_t *bytes, std::uint32_t n, std::size_t &stride);
// Whether bytes of the packet pipe wait in the read-ahead; a whole message
// when whole is set.
bool input_buffered(const PacketClient *client, bool whole);
int reply_pkt(PacketClient *client, const void *data, std::size_t n, int retry);

// Checks that a message of length bytes is a well-formed run of packets ended
// by a zero length. Returns false when any length runs past the message.
bool valid_message(const std::uint8_t *msg, std::size_t length);

// Prints "FATAL ERROR: rcKovaGL: Invalid display message format." and exits 1.
[[noreturn]] void invalid_message_format();
