// Events to the client: the 20-byte event packet, the queue_ family that
// every interface part calls, Ctrl-C, and pointer polling.
#pragma once

#include <cstddef>
#include <cstdint>

struct PacketClient;

inline constexpr int kEventOpcode = 63;
inline constexpr int kEventSize = 20;

// Event types.
enum : int {
  kEventInterrupt = 0,
  kEventCoord = 1,
  kEventButtonPress = 2,
  kEventKey = 3,
  kEventGraphResize = 6,
  kEventTextResize = 7,
  kEventRenderResize = 8,
  kEventButtonRelease = 9,
  kEventPointerLeft = 10,
};

// Key codes of special keys and string framing.
enum : int {
  kKeyScreenFlip = 0x1001,
  kKeyLeft = 0x1002,
  kKeyRight = 0x1003,
  kKeyUp = 0x1004,
  kKeyDown = 0x1005,
  kKeyHome = 0x1006,
  kKeyEnd = 0x1007,
  kKeyPageUp = 0x1008,
  kKeyPageDown = 0x1009,
  kKeyInsert = 0x100a,
  kKeyDelete = 0x100b,
  kKeyStringStart = 141,
  kKeyStringPrefix2 = 142,
  kKeyStringEnd = 143,
  kKeySideMenuPick = 23,
  kKeyCtrlC = 3,
};

// Devices of poll_pointer.
enum : int {
  kDevRightButton = 101,
  kDevMiddleButton = 102,
  kDevLeftButton = 103,
  kDevMotion = 266,
  kDevMotion2 = 267,
  kDevTimer = 515,
};

struct EventPacket {
  std::uint16_t type;
  std::int32_t x, y;
  std::uint16_t key;
  std::uint32_t extra;
};

// Encodes an event into its 20 wire bytes.
void encode_event(const EventPacket &ev, std::uint8_t out[kEventSize]);

extern PacketClient *event_client;
extern int last_arrow_key;
extern int pick_count;
// Return and Escape typed while one of the driver's tools holds the pointer
// (set by the window's key handling, read with FlushKeyboardBuffer; the
// pointer poll forgets them once its sample was routed).
extern int action_key, cancel_key;

// Sends one event. The event pipe does not block the driver: what it has no
// room for waits, in order, and goes out as the client reads (the loop watches
// the pipe while anything waits), so a client busy elsewhere still gets its
// packets answered.
void send_event(int type, int x, int y, int key, std::uint32_t extra);
// Writes what the pipe takes of the waiting events now; true when none wait.
bool flush_events();
// Bytes of events waiting for room on the pipe.
std::size_t events_waiting();
// At the end of the process: the waiting events, for as long as the client
// goes on taking them.
void deliver_waiting_events();
// Forgets the waiting events (a test's new event pipe).
void discard_waiting_events();
void queue_key(int key);
void queue_string(const char *text, int framed, int prefix2);
void queue_resize(int width, int height);
void queue_rd_resize(int width, int height);
void queue_text_resize(int columns, int rows);
void queue_button(int x, int y, int button, int pressed, std::uint32_t extra);
void queue_sidemenu_pick(int row);
void queue_menu(int menu, int item);
void queue_coord(int x, int y, int inside, std::uint32_t extra);

// Forgets what the queue_ family remembers between sessions and in tests.
void reset_event_state();
