// The digitizer packets and the routing of pointer samples to the driver's
// own tools: dispatch, as the packet tables are.
//
// Samples reach pdigtize from the client (opcode 37, and opcode 105 through
// pdigtize_42) and from the driver's own pointer polling (solicit_pdigtize).
// While one of the driver's interactive tools runs, the sample goes to that
// tool instead of the client: TUMBLE, DVIEW, Birdseye, the command palette or
// its icon, the status-line magnifier, the configuration menus and the quit
// warning, in that order.
#include "adi/sample_routing.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/packet.h"
#include "base/session.h"
#include "base/tool_state.h"
#include "base/utilities.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "display/aui_records.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "render3d/dview.h"
#include "render3d/tumble.h"

namespace {

// The driver's own sample, in the layout of the digitizer packet; reused by
// solicit_pdigtize and pdigtize_42.
std::uint8_t pseudo_bytes[8];
Packet pseudo_pkt(pseudo_bytes, sizeof pseudo_bytes, sizeof pseudo_bytes);

// The last 4.2 packet whose code was not 9, and the buttons it left held.
std::uint8_t saved42[kDig42Size];
int held_pick, held_second, held_other;

// The DVIEW step each state's samples go to; after some of them the next
// sample goes back to the client untouched.
struct DviewRoute {
  int state;
  int (*step)(Packet &);
  bool skip_next;
};
constexpr DviewRoute kDviewRoutes[] = {
    {kDviewVpoint, dview_vpoint, false}, {kDviewCamera, dview_camera, false},
    {kDviewTarget, dview_target, false}, {kDviewDistance, dview_distance, false},
    {kDviewPoints, dview_point, true},   {kDviewPan, dview_pan, false},
    {kDviewZoom, dview_zoom, false},     {kDviewTwist, dview_twist, false},
    {kDviewResult, dview_pstring, true}, {kDviewShade, dview_shade, true},
    {kDviewRedraw, dview_redraw, false},
};

int route_dview(Packet &p) {
  int used = 0;
  const DviewRoute *route = std::find_if(std::begin(kDviewRoutes), std::end(kDviewRoutes),
                                         [](const DviewRoute &r) { return r.state == DviewState; });
  if (route != std::end(kDviewRoutes)) {
    used = route->step(p);
    if (route->skip_next) IgnoreOne = 1;
  } else {
    // A state no step owns ends the run rather than trapping the pointer.
    DviewState = 0;
    dview = 0;
  }
  p.put_i16(2, kDigUsed);
  return used;
}

int route_birdseye(Packet &p) {
  switch (BirdseyeState) {
    case 10: return beye_command(p);
    case 11: return z_pan(p);
    case 12: return z_scale(p);
    case 30: return beye_pan(p);
    case 31: return beye_scale(p);
    default: return 0;
  }
}

int route_config(Packet &p) {
  switch (ConfigState) {
    case 1: return ConfigMainMenu(p);
    case 2: return ConfigWarningBox(p);
    case 3: return ConfigOptionsMenu(p);
    case 4: return ConfigPromptMenu(p);
    case 5: return ConfigPageMenu(p);
    case 6: return ConfigAUIMenu(p);
    default: return 0;
  }
}

bool config_screen_takes_samples() { return NewConfig && ConfigState >= 1 && ConfigState <= 6; }

// The sample handed back untouched, when it is the one to ignore: true, and
// IgnoreOne cleared.
bool skip_ignored(Packet &p) {
  if (!IgnoreOne) return false;
  IgnoreOne = 0;
  put_back_original(p);
  return true;
}

// Offers the remembered sample to the tools in their order; the packet goes
// back as the reply either way.
void route_sample(Packet &p) {
  int used = 0;

  if (tumble) {
    // A key typed ends it, and so do the pick and the other buttons once a
    // frame was shown.
    if (!FlushKeyboardBuffer() && (tumble < 2 || (Original[1] != kDigPick && Original[1] >= 0))) {
      TumbleDemo(2);
    } else {
      TumbleDemo(3);
      CurrentPmark[kPmarkTaken] = 1;
    }
    p.put_i16(2, kDigUsed);
    used = 1;
  }

  if (!used && dview) {
    if (skip_ignored(p)) return;
    used = route_dview(p);
  }

  if (!used && bview) {
    if (p.i16(2) < 0) {
      put_back_original(p);
      return;
    }
    used = route_birdseye(p);
  }

  if (!used && (commands || MFLicon)) {
    if (skip_ignored(p)) return;
    if (Original[1] < 0) {
      put_back_original(p);
      return;
    }
    if (commands) {
      if (CommandState == 10)
        used = command_command(p);
      else if (CommandState == 11)
        used = command_pan(p);
    } else {
      used = icon_input(p);
    }
  }

  if (!used && no_echo == 0 && pushcount == 0 && StatusLine) used = status_zoom_input(p);

  if (!used && config_screen_takes_samples()) used = route_config(p);

  if (!used && quit_warning) used = ConfigWarningBox(p);

  if (!used) put_back_original(p);
}

// The 4.2 packet's remembered event as a code of the digitizer packet; the
// held buttons follow the presses and releases. Other events keep code.
int code_of_42_event(int event, int button, int code) {
  switch (event) {
    case kDig42Motion:
      if (held_pick) return kDigPickDrag;
      if (held_second) return kDigSecondButton;
      if (held_other) return kDigOtherButton;
      return kDigMove;
    case kDig42Press:
      held_pick = 1;
      return kDigPick;
    case kDig42Button:
      if (button == 0) {
        held_second = 1;
        return kDigSecondButton;
      }
      held_other = 1;
      return kDigOtherButton;
    case kDig42Release:
      held_pick = 0;
      return kDigMove;
    case kDig42ButtonUp:
      if (button == 0)
        held_second = 0;
      else
        held_other = 0;
      return kDigMove;
    default:
      return code;
  }
}

std::int16_t saved42_i16(std::size_t off) {
  return static_cast<std::int16_t>(saved42[off] << 8 | saved42[off + 1]);
}

// Low 16 bits of the i32 of saved42 at off.
std::int16_t saved42_low16(std::size_t off) { return saved42_i16(off + 2); }

// The driver's own sample of code at (x, y) through pdigtize, both steps:
// the code it comes back with.
int offer_own_sample(int code, int x, int y) {
  pseudo_pkt.put_i16(0, 37);
  pseudo_pkt.put_i16(2, code);
  pseudo_pkt.put_i16(4, x);
  pseudo_pkt.put_i16(6, y);
  pdigtize(pseudo_pkt);
  if (pseudo_pkt.i16(2) == kDigRoute) {
    pseudo_pkt.put_i16(4, x);
    pseudo_pkt.put_i16(6, y);
    pdigtize(pseudo_pkt);
  }
  return pseudo_pkt.i16(2);
}

}  // namespace

bool DriverToolHoldsPointer() {
  return tumble || dview || bview || config_screen_takes_samples() || quit_warning;
}

int pdigtize(Packet &p) {
  const int code = p.i16(2);
  if (!pdigitize) {
    if (code == 0) return 1;
    pdigitize = 1;
  }

  if (!PdigitizeNeeded) return 1;
  if (tablet_in_use || !(digitizer & 1)) {
    digitizer |= 2;
    if (code == 0) return 1;
  }

  if (code != kDigRoute) {
    Original[1] = static_cast<std::int16_t>(code);
    Original[2] = p.i16(4);
    Original[3] = p.i16(6);
    p.put_i16(2, kDigRoute);
    return 1;
  }

  route_sample(p);
  return 1;
}

int solicit_pdigtize(int x, int y, int pick_down, int other_held, int second_held, int pick_held) {
  int code = kDigMove;
  if (pick_held)
    code = kDigPickDrag;
  else if (pick_down)
    code = kDigPick;
  else if (second_held)
    code = kDigSecondButton;
  else if (other_held)
    code = kDigOtherButton;
  return offer_own_sample(code, x, y);
}

int pdigtize_42(Packet &p) {
  const int event = p.i16(2);
  if (!pdigitize) {
    if (event == 0) return 1;
    pdigitize = 1;
  }
  if (event == 0) return 1;

  if (event != kDig42Route) {
    for (std::size_t i = 0; i < kDig42Size; ++i) saved42[i] = p.u8(i);
    p.put_i16(2, kDig42Route);
    return 1;
  }

  const int code = code_of_42_event(saved42_i16(2), saved42_i16(30), pseudo_pkt.i16(2));
  if (offer_own_sample(code, saved42_low16(4), saved42_low16(8)) == kDigUsed) {
    p.put_i16(2, kDig42Used);
  } else {
    const std::size_t n = p.size() < kDig42Size ? p.size() : kDig42Size;
    for (std::size_t i = 0; i < n; ++i) p.put_u8(i, saved42[i]);
  }
  return 1;
}

DigitizerSample driver_sample() { return {pseudo_pkt.i16(2), pseudo_pkt.i16(4), pseudo_pkt.i16(6)}; }

void reset_digitizer_state() {
  reset_digitizer_words();
  std::memset(pseudo_bytes, 0, sizeof pseudo_bytes);
  std::memset(saved42, 0, sizeof saved42);
  held_pick = held_second = held_other = 0;
  reset_status_zoom();
}
