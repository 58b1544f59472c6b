// What the drawing layer tells the subsystems above it. Each hook is a plain
// function pointer named for what happened, not for who listens; the top
// fills them at start-up (adi/hooks.cpp). A hook left empty is skipped, so the
// drawing layer runs on its own where nothing above it is wanted. render3d/
// calls the same hooks where its 3D drawing does the same things.
#pragma once

struct DisplayHooks {
  // Pages of the display, refresh or face lists were taken or given back: the
  // memory shown for them changed (whole: what shows it is drawn whole again).
  void (*list_memory_changed)(int whole);
  // A viewport's view changed, or another viewport became the current one.
  void (*view_changed)(int whole);
  // The coordinate read-out (coord_str, mode_flags) changed.
  void (*readout_changed)();
  // A picture cached from the lists no longer shows what they hold: another
  // viewport became current, the current one opened again, or the viewport
  // such a picture was taken of was erased or closed.
  void (*picture_stale)();
  // The 3D model is dropped: its viewport closed, or a new 3D drawing starts.
  void (*model_dropped)();
  // The drawn interface leaves the screen (Clear_UI): what floats over the
  // drawing goes, remembering why (21 a 3D drawing, 22 a repaint or a box, 23
  // the configuration screen).
  void (*interface_cleared)(int why);
  // Something is about to draw over the screen (a pushed box, a 3D drawing):
  // what floats over the drawing goes, remembering why, as above.
  void (*screen_claimed)(int why);
  // The screen is given back: what floats over the drawing may come back.
  // 1 when something was drawn again.
  int (*screen_released)();
  // The client asked for a redraw (predraw).
  void (*redraw_asked)();
  // A viewport that shows the shaded 3D image was exposed: the image is wanted
  // again.
  void (*shaded_view_exposed)();
};
extern DisplayHooks display_hooks;

// Calls hook with its arguments when it is filled.
template <typename... Params, typename... Args>
inline void notify(void (*hook)(Params...), Args... args) {
  if (hook != nullptr) hook(args...);
}
// The screen given back: screen_released's answer, 0 when it is empty.
inline int release_screen() { return display_hooks.screen_released != nullptr ? display_hooks.screen_released() : 0; }
