// The dialog itself (row 0 of type_table): init, create, size, title,
// start, mode and free; its placement, the common tail of every tile create
// and the focus.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/packet.h"
#include "dialogs/dialog_records.h"
#include "dialogs/tile_widgets.h"

void dialog_init(Packet &p, std::size_t n);
void dialog_create(Packet &p, std::size_t n);
void dialog_size(Packet &p, std::size_t n);
void dialog_title(Packet &p, std::size_t n);
void dialog_start(Packet &p, std::size_t n);
void dialog_mode(Packet &p, std::size_t n);
void dialog_free(Packet &p, std::size_t n);

// Places a dialog's shell: at its saved position, else centred on the
// graphics shell; its size is fixed. The shell's popup callback.
void dialog_place(WidgetId shell);
// Closes every open dialog without reporting an end.
void close_all_dialogs();

// The open dialog a create packet's parent (word 8) lies in: the parent when
// it is the top dialog or one of its clusters, else nullptr.
TileRecord *create_parent(const Packet &p);
// Pops a tile record (and an extra record of cls, unless cls is -1) for a
// create; nullptr when a class is full.
TileRecord *new_tile(int kind, int cls);
// The common tail of every tile create: links the tile under its parent,
// notes the default and cancel tiles, and replies with the handle and the
// size (the larger of the requested one and the widget's).
void finish_tile_create(Packet &p, std::size_t n, TileRecord &parent, TileRecord &tile, bool first, bool second);
// What a tile's widgets are made with, from the create packet's flags.
TileLook tile_look(std::uint32_t flags, std::uint32_t handle);
// The keyboard focus to the tile (an edit box's field), noted as its
// dialog's initial focus.
void set_tile_focus(TileRecord &tile);
