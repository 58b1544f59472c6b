// The tiles (rows 1 to 11 of type_table): create, realize, value, list,
// image, mode and free operations, and what the user does with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/packet.h"
#include "dialogs/dialog_records.h"

// Operations shared by several rows.
void tile_layout(Packet &p, std::size_t n);  // realize: the widget into its cell
void tile_mode(Packet &p, std::size_t n);    // enable / disable
void tile_free(Packet &p, std::size_t n);
void tile_value_empty(Packet &p, std::size_t n);  // cluster get and set

void cluster_create(Packet &p, std::size_t n);
void cluster_realize(Packet &p, std::size_t n);
void text_create(Packet &p, std::size_t n);
void text_get(Packet &p, std::size_t n);
void text_set(Packet &p, std::size_t n);
void image_create(Packet &p, std::size_t n);
void image_realize(Packet &p, std::size_t n);
void image_fill(Packet &p, std::size_t n);
void button_create(Packet &p, std::size_t n);
void image_button_create(Packet &p, std::size_t n);
void image_button_mode(Packet &p, std::size_t n);
void toggle_create(Packet &p, std::size_t n);
void toggle_get(Packet &p, std::size_t n);
void toggle_set(Packet &p, std::size_t n);
void radio_create(Packet &p, std::size_t n);
void radio_set(Packet &p, std::size_t n);
void list_create(Packet &p, std::size_t n);
void list_get(Packet &p, std::size_t n);
void list_set(Packet &p, std::size_t n);
void list_operation(Packet &p, std::size_t n);  // list box and popup list
void list_start(Packet &p, std::size_t n);
void edit_create(Packet &p, std::size_t n);
void edit_get(Packet &p, std::size_t n);
void edit_set(Packet &p, std::size_t n);
void edit_mode(Packet &p, std::size_t n);
void popup_create(Packet &p, std::size_t n);
void popup_get(Packet &p, std::size_t n);
void popup_set(Packet &p, std::size_t n);
void slider_create(Packet &p, std::size_t n);
void slider_get(Packet &p, std::size_t n);
void slider_set(Packet &p, std::size_t n);

// Frees a tile: its extra record, its pixmap, its links; the handle goes stale.
void free_tile(TileRecord &tile);

// What the user did, reported by the widgets with the tile's handle. A stale
// handle is ignored.
void button_activated(std::uint32_t handle);
void toggle_changed(std::uint32_t handle, bool set);
void radio_changed(std::uint32_t handle, bool set);
// A selection (double_click: the list's default action); release and time
// describe the event when it was a button release.
void list_selected(std::uint32_t handle, bool double_click, bool release, unsigned long time);
void edit_activated(std::uint32_t handle);
void edit_left(std::uint32_t handle);
// A password box's field changes characters start..end to inserted; shown
// gets what the field is to show instead. False for other tiles.
bool edit_modified(std::uint32_t handle, long start, long end, std::string_view inserted, std::string &shown);
void popup_chosen(std::uint32_t handle, int position);
void slider_moved(std::uint32_t handle, int value, bool dragging);
// A click at x, y of the image (double_click: the second of two); sensitive
// is the widget's state now.
void image_button_clicked(std::uint32_t handle, int x, int y, bool double_click, bool sensitive);
void image_button_exposed(std::uint32_t handle);
