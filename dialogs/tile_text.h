// Texts and numbers of the tiles: cutting at character boundaries, label
// cuts, tab expansion, list positions, slider values, fill colours and the
// kept text of password boxes. No X here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_records.h"

class Packet;

// The longest head of a client text (Shift-JIS) of at most max bytes that
// ends at a character boundary.
std::size_t text_fit(std::string_view text, std::size_t max);

// Client text to the widgets' code and back, into buffers of cap bytes.
std::string to_widget_text(std::string_view text, std::size_t cap);
std::string to_client_text(std::string_view text, std::size_t cap);

// A label text for a label visible columns wide (below 1 counts as 1): a
// longer text keeps the last characters that fit, the first of them shown
// as "<". No cut leaves half a two-byte character.
std::string cut_label_text(std::string_view text, int visible);

// Buffer of a label text or a list item for the widgets, its NUL included.
inline constexpr std::size_t kTextBuffer = 900;
// Each tab padded with blanks up to the next tab stop (columns); tabs past
// the last stop stay tabs. The result fits the item buffer.
std::string expand_list_text(std::string_view text, const std::vector<int> &stops);

// The decimal numbers of a text one after the other, each ending at the
// first character that is not part of it; anything else is skipped.
std::vector<long> read_positions(std::string_view text);
// Positions as "%d" and " %d" while they fit room bytes with the NUL; only
// the first unless several.
std::string format_positions(const std::vector<int> &positions, bool several, std::size_t room);

// The value a set stores: as given with kTileNotInverted, else turned over
// between minimum and maximum; clamped to them.
std::int32_t slider_set_value(const SliderExtra &slider, long long given, bool not_inverted);

// The colour index of a fill record's colour: 0..255 as given, -1 the
// exclusive-or colour, -2..-18 the interface colours, anything else 7.
int fill_colour_index(int colour);

// One fill record of an image fill packet.
struct FillRecord {
  int kind;  // 0 line, 1 filled rectangle
  int colour;
  int a, b, c, d;  // x1 y1 x2 y2, or x y width height
};
inline constexpr std::size_t kFillRecordsAt = 20, kFillRecordSize = 14;
// The records the packet asks for and holds.
std::vector<FillRecord> read_fill_records(const Packet &p);

// A password box's kept text after the field replaced the characters from
// start up to end (positions in characters of the widgets' code) by
// inserted; never longer than kEditTextMax characters. Returns the
// characters inserted.
inline constexpr int kEditTextMax = 32766;
long apply_field_edit(std::string &kept, long start, long end, std::string_view inserted);
// Characters of a text in the widgets' code.
std::size_t widget_text_chars(std::string_view text);

// The value text of a get: at byte 28, cut at a character boundary to the
// packet's length with its NUL; nothing when the packet is shorter.
void put_value_text(Packet &p, std::string_view text);
// The value text of a set: at byte 28 up to its NUL or the packet's end.
std::string value_text(const Packet &p);
