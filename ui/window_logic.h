// The graphics window's rules that need no X server: font-list resources,
// the overlay-visual property, the message box's text and answers.
#pragma once

#include <X11/Xutil.h>

#include <cstddef>

// commandLines as used: 0 to 25 as given, anything else 3.
int command_lines_from_resource(int value);

// Longest font name taken from a resource, and most entries of one list.
inline constexpr std::size_t kFontNameMax = 256;
inline constexpr int kFontEntriesMax = 16;

// The font names of a font-list resource: entries separated by ',', each
// without blanks and cut at its tag ('=') or font-set mark (':'). Empty and
// over-long entries are skipped. Returns the count.
int split_font_entries(const char *font_list, char (*entries)[kFontNameMax], int max_entries);
// The entries joined again with ','; returns the length (cut to fit).
std::size_t join_font_entries(const char *font_list, char *out, std::size_t cap);
// Whether a font name is usable as the fixed font (it loads, and its "W" and
// "l" have the same width).
using FontProbe = bool (*)(const char *name, void *data);
// The first entry the probe accepts, else "international15" when accepted,
// else "fixed". Copies the choice into out.
void choose_fixed_font(const char *font_list, FontProbe probe, void *data, char *out, std::size_t cap);

// One entry of the root window's "SERVER_OVERLAY_VISUALS" property.
struct OverlayVisual {
  unsigned long visualid;
  long type;  // 0 none, 1 transparent pixel, 2 transparent mask
  unsigned long value;
  long layer;
};
// Entries of the property's 32-bit words (four a visual; a partial entry at
// the end is ignored). Returns the count stored.
int parse_overlay_visuals(const unsigned long *words, unsigned long count, OverlayVisual *out, int max_out);

struct XLayerVisualInfo {
  XVisualInfo vinfo;
  long layer;
  long type;
  unsigned long value;
};
inline constexpr long VisualLayerMask = 0x200;
inline constexpr long VisualTransparentType = 0x400;
inline constexpr long VisualTransparentValue = 0x800;

// Layer, transparent type and value of a visual from the property's entries:
// layer 0, type 0, value 0 when it has none. False when it has none.
bool overlay_info_of(unsigned long visualid, const OverlayVisual *entries, int count, XLayerVisualInfo *info);
// Whether a visual passes the layer filters of the mask; a visual without a
// property entry never passes a transparent-value filter.
bool layer_filters_match(const XLayerVisualInfo &info, bool has_entry, long mask, const XLayerVisualInfo &tmpl);

// Message lines shown at most; what follows is replaced by a note.
inline constexpr int kDialogLinesMax = 25;
inline constexpr char kDialogLimitNote[] = "[Height limit exceeded: additional lines not shown.]";
// Copies the text into out (capacity cap, NUL-terminated), cutting it after
// its 25th line end and adding the note in place of the rest.
std::size_t limit_message_lines(const char *text, char *out, std::size_t cap);

// Callback reasons of the message box's buttons.
enum : int { kReasonHelp = 1, kReasonOk = 31, kReasonCancel = 32 };
// The answer of a callback reason: 1 (the third button) -1, 31 (OK) 1,
// 32 (Cancel) 0, anything else by the dialog type (0: 1, 1: 0, 2: -1).
int dialog_answer(int reason, int type);

// Ends the text at its first ':'; returns its former length.
std::size_t cut_at_colon(char *text);
