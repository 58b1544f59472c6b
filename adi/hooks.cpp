// The top fills the hooks of the floors below it: who listens to what the
// drawing layer tells, and the writers of what the subsystems say.
#include "adi/hooks.h"

#include <cstdint>
#include <cstring>

#include "base/packet.h"
#include "base/session.h"
#include "base/user_text.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/messages.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "display/cursor.h"
#include "display/hooks.h"
#include "display/wrappers.h"
#include "render3d/dview.h"
#include "ui/status_bar.h"

namespace {

// The status line shows the list memory and the current view.
void update_status_line(int whole) { UpdateStatusLine(&GL_Status_Line, whole); }

// The coordinate read-out goes to the status bar or the drawn status line.
void show_readout() {
  if (use_localstatus) {
    st_coordline(static_cast<int>(std::strlen(coord_str)), coord_str);
    set_gfx_window();
  } else {
    UpdateStatusLine(&GL_Status_Line, 0);
  }
}

// The Birdseye window and the palette leave the screen.
void clear_interface(int why) {
  cancel_birdseye();
  ClearCommandPalette(why);
}

// The client's redraw ends what waited for it: the echo switch, a Birdseye
// zoom that was sent and a DVIEW result that was typed.
void redraw_asked() {
  no_echo = 0;
  if (BirdseyeState == 33) BirdseyeState = 34;
  if (DviewState == kDviewResultTyped) DviewState = kDviewResultRedrawn;
}

// DVIEW draws the shaded image of the rendered viewport again.
void shade_again() {
  std::uint8_t scratch[8] = {};
  Packet none(scratch, sizeof scratch, sizeof scratch);
  dview_shade(none);
}

}  // namespace

void InstallHooks() {
  user_text_writer = WriteUserText;
  prompt_char_writer = wrsplit;

  display_hooks.list_memory_changed = update_status_line;
  display_hooks.view_changed = update_status_line;
  display_hooks.readout_changed = show_readout;
  display_hooks.picture_stale = FreeCachedBirdseye;
  display_hooks.model_dropped = reset_dview;
  display_hooks.interface_cleared = clear_interface;
  display_hooks.screen_claimed = ClearCommandPalette;
  display_hooks.screen_released = RestoreCommandPalette;
  display_hooks.redraw_asked = redraw_asked;
  display_hooks.shaded_view_exposed = shade_again;
}
