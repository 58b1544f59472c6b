// Packet names and opcodes of the display channel.
#pragma once

#include <string_view>

namespace adiclient {

// Opcode of a packet name ("pinit", "rdinit", "dlg305"), or a decimal or 0x
// number; -1 when the text is neither. A name that several opcodes share
// (pnop, plang) gives the lowest of them.
int opcode_by_name(std::string_view name);

// Name of an opcode, or nullptr when no table knows it.
const char *opcode_name(int opcode);

}  // namespace adiclient
