// The driver's windows seen from outside: finding them, reading their pixels,
// and feeding them pointer and keys through XTest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct _XDisplay;

namespace adiclient {

using XDisplay = _XDisplay;
using XWindow = unsigned long;

// Title of the driver's graphics window (the drawing name may follow it).
inline constexpr std::string_view graphics_title = "AutoCAD: KovaGL Graphics";

// Opens $DISPLAY and checks for XTest. X protocol errors (windows that vanish
// while we look at them) are recorded, not fatal.
XDisplay *open_display(std::string &error);
void close_display(XDisplay *display);

// A viewable window whose WM_NAME begins with the prefix, waiting up to
// timeout_ms for one to be mapped; 0 when none came.
XWindow find_top_window(XDisplay *display, std::string_view prefix, int timeout_ms);

// Whether a window is viewable with children, all of them viewable too (a
// shell shows its contents).
bool children_shown(XDisplay *display, XWindow window);

// The largest viewable window under top that has no children of its own
// other than windows exactly covering it (the drawing widget's layer
// windows); 0 when there is none.
XWindow find_drawing_area(XDisplay *display, XWindow top);

bool window_size(XDisplay *display, XWindow window, int &width, int &height);
// Size of a window and the position of its origin on the screen (what
// xwininfo calls its absolute upper-left corner).
bool window_geometry(XDisplay *display, XWindow window, int &x, int &y, int &width, int &height);

// Pixels as 8-bit R, G, B, row by row from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

bool grab_window(XDisplay *display, XWindow window, Image &image);
// 0xRRGGBB of one pixel.
bool read_pixel(XDisplay *display, XWindow window, int x, int y, uint32_t &rgb);
// Paints window and every window inside it black behind its owner's back
// (what a drawing area shows may come from any of its layer windows), then,
// with expose, asks the server to expose them all.
void blacken_tree(XDisplay *display, XWindow window, bool expose);
// Exposes the whole of window and every window inside it.
void expose_tree(XDisplay *display, XWindow window);
// Binary PPM (P6, maxval 255).
bool write_ppm(const Image &image, const std::string &path, std::string &error);
bool snapshot_ppm(XDisplay *display, XWindow window, const std::string &path, std::string &error);

// Pointer position relative to the window; buttons 1 to 5.
bool move_pointer(XDisplay *display, XWindow window, int x, int y);
bool press_button(XDisplay *display, unsigned button, bool down);
bool click(XDisplay *display, XWindow window, int x, int y, unsigned button);

// One key (a keysym name: "a", "Return", "F1", "Up") pressed and released
// with Shift and Control held as asked, and with Num Lock on when numlock is
// set (it is put back as it was after). The keyboard focus goes to top first
// unless it is already inside it.
bool type_key(XDisplay *display, XWindow top, std::string_view keysym, bool shift, bool control,
              std::string &error, bool numlock = false);
// Whether Num Lock is on.
bool numlock_on(XDisplay *display);

}  // namespace adiclient
