// Pointer polling: the drawing window's pointer samples, routed to the
// client's digitizer request while it waits for one, else reported as
// buttons and coordinates.
#include "adi/pointer.h"

#include <X11/keysym.h>

#include <cstdint>

#include "adi/sample_routing.h"
#include "base/config_record.h"
#include "base/events.h"
#include "base/session.h"
#include "base/x_session.h"
#include "dialogs/dialog_packets.h"
#include "display/digitizer.h"

namespace {

// Latched buttons and repeat state.
int left_latch, middle_latch, right_latch;
int repeat_flag;

}  // namespace

void reset_pointer_state() {
  reset_event_state();
  left_latch = middle_latch = right_latch = 0;
  repeat_flag = 0;
}

namespace {

int clamp(int v, int lo, int hi) { return v > hi ? (hi > lo ? hi : lo) : (v < lo ? lo : v); }

}  // namespace

bool take_tool_key(unsigned long keysym) {
  if (!DriverToolHoldsPointer()) return false;
  switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
      action_key = 1;
      return true;
    case XK_Escape:
      cancel_key = 1;
      return true;
    default:
      return false;
  }
}

void poll_pointer(int device, int value) {
  if (!init_called) return;
  int x = pointer_sample.x;
  int wy = pointer_sample.y;
  std::uint32_t mods = static_cast<std::uint32_t>(modify_keys);

  if (busy_with_dialog) {
    if (device == kDevRightButton) queue_button(x, wy, 2, value, mods);
    if (device == kDevMiddleButton) queue_button(x, wy, 1, value, mods);
    if (device == kDevLeftButton) queue_button(x, wy, 0, value, mods);
    if (device == kDevMotion || device == kDevMotion2) queue_coord(x, wy, 1, mods);
    repeat_flag = 0;
    pick_count = 0;
    return;
  }

  int dy = ysize - wy;
  if (cursor_in_window == 0 && !PdigitizeNeeded) {
    queue_coord(x, wy, 0, mods);
    repeat_flag = 0;
    pick_count = 0;
    return;
  }

  // The client's own requests bring the samples: the tools read a key typed
  // for them with the next one.
  if (digitizer & 2) return;

  if (device == kDevLeftButton) left_latch = value;
  if (device == kDevMiddleButton) middle_latch = value;
  if (device == kDevRightButton) right_latch = value;

  if (pick_count == 0) {
    repeat_flag = 0;
    pick_count = left_latch ? 1 : 0;
  } else if (!left_latch) {
    repeat_flag = 0;
    pick_count = 0;
  } else {
    repeat_flag = 1;
    // Word 98 is taken as the file holds it: the sum in 64 bits.
    const std::int64_t cap = static_cast<std::int64_t>(cfr.word(kWordPickRepeat)) + 1;
    if (pick_count < cap) ++pick_count;
  }

  digitizer |= 1;
  int code = solicit_pdigtize(x, dy, left_latch, middle_latch, right_latch, repeat_flag);
  digitizer &= ~1;
  // A key typed for a tool went with this sample; none is kept for a later one.
  cancel_key = 0;
  action_key = 0;

  switch (code) {
    case 2:
      queue_coord(clamp(x, 0, xsize - 1), clamp(wy, 0, ysize - 1), 1, mods);
      pick_count = 0;
      break;
    case 3:
      if (left_latch) {
        queue_button(x, wy, 0, 1, mods);
        left_latch = 0;
      }
      pick_count = 0;
      break;
    case -1:
      if (right_latch) {
        right_latch = 0;
        queue_button(x, wy, 2, 1, mods);
      }
      pick_count = 0;
      break;
    case -2:
      if (middle_latch) {
        middle_latch = 0;
        queue_button(x, wy, 1, 1, mods);
      }
      pick_count = 0;
      break;
    case 0:
    case 4:
      right_latch = 0;
      middle_latch = 0;
      break;
    default:
      break;
  }
}
