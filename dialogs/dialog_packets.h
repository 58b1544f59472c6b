// Programmable dialog boxes: the dialog packet dispatcher (opcodes 300 to
// 311), the result packet 312, the dialog end (309) and the keyboard
// shortcuts of an open dialog.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/packet.h"

struct PacketClient;

// The fields of a dialog request, by byte offset; request and reply share
// the packet.
enum DialogPacket : std::size_t {
  kDialogType = 2,      // i16 tile type 0..11
  kDialogAcad = 4,      // u32 the client's handle of the tile
  kDialogRecord = 8,    // u32 the driver's handle: the parent's on create, the new tile's in its reply
  kDialogStatus = 12,   // i16 1 when done, -1 for a refused dialog
  kDialogFlags = 16,    // u32 tile flags on create; i16 mode number on mode
  kDialogWidth = 20,    // i16 requested width, height at 22; replaced in a create's reply
  kDialogHeight = 22,
  kDialogValue = 28,    // value text of get and set
  kDialogLabel = 43,    // label text of a create
};
inline constexpr int kDialogFirstOpcode = 300;
inline constexpr int kDialogTypes = 12, kDialogOps = 12;

// One handler of type_table: the packet and the request's length.
using TileHandler = void (*)(Packet &p, std::size_t n);
// Rows by tile type, columns by operation (opcode - 300); empty slots null.
extern const TileHandler type_table[kDialogTypes][kDialogOps];

// Runs a dialog packet and echoes it at the request's length (opcodes 305 to
// 309 are not answered). Returns 0 without a reply for opcodes and types
// outside the table, else 1.
int dispatch_dialog_packet(PacketClient *client, Packet &packet, std::size_t n);

// The fields of the result packet 312.
enum DialogResultPacket : std::size_t {
  kResultHandle = 4,   // u32 the client's handle of the tile
  kResultFlag = 12,    // u16 1
  kResultReason = 16,  // u32
  kResultArg1 = 20,    // u32 two arguments
  kResultArg2 = 24,
  kResultText = 28,    // the text and its NUL; the packet is 32 bytes longer than the text
};
inline constexpr int kDialogResultOpcode = 312;

// The result packet 312: reason, two arguments and the text, with the
// client's handle of the tile. Writes it into buf (kMessageMax bytes) and
// returns its length; a longer text is cut at a character boundary so that
// the packet fits one message.
std::size_t encode_dialog_result(std::uint8_t *buf, std::uint32_t handle, std::string_view text, int reason,
                                 int arg1, int arg2);
void dladi_callback(std::uint32_t handle, std::string_view text, int reason, int arg1, int arg2);
// As dladi_callback for a tile with a handle (nonzero); every tile reports here.
void dialog_notify(std::uint32_t handle, std::string_view text, int reason, int arg1 = 0, int arg2 = 0);
// Result reasons.
enum : int { kReasonSelect = 1, kReasonLeft = 2, kReasonDrag = 3, kReasonDouble = 4 };

// A dialog ended with this value during the current packet: the dialog-end
// packet follows its reply (0 for none).
extern int dialog_complete;
void dladi_done(int value);

// Every key press while a dialog is open: Escape and Ctrl+c activate the top
// dialog's cancel tile, or its default tile when it has none.
void dialog_event(XEvent *event);
// The same by keysym and modifier state.
void dialog_key(unsigned long keysym, unsigned state);
// Whether a key is one of those two (Caps Lock and Num Lock aside).
bool dialog_cancel_key(unsigned long keysym, unsigned state);

// The dialogs' graphics font set (first program).
extern XFontSet mb_font;
// The shell of the top dialog (nullptr when none is open).
Widget sync_dialog_info();
// The pixel of a colour number in the widgets' colour table.
unsigned long dx_mapcolor(int index);
