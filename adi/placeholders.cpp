// What the subsystems that are not built yet provide to the rest of the
// driver. Each entry leaves this file when its subsystem lands.
#include <X11/Intrinsic.h>

#include "adi/dispatch.h"
#include "adi/screen_mode.h"
#include "commands/prompt.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "config/config_record.h"
#include "dialogs/dialog_packets.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/dview.h"
#include "render3d/faces.h"
#include "render3d/projection.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/menubar.h"
#include "ui/text_window.h"

// Screen switching.
int textmode;
void SetScreenMode(int graphics) { textmode = graphics ? 0 : 1; }
int GetScreenMode() { return cfr.word(68) == 1 || cfr.word(68) == 3; }

// Digitizer: no driver tool takes a sample yet, so every sample goes back to
// the client with the code its buttons give.
int PdigitizeNeeded;
int pdigitize;
int digitizer;
int solicit_pdigtize(int, int, int pick_down, int other_held, int second_held, int pick_held) {
  if (pick_held) return 0;
  if (pick_down) return 3;
  if (second_held) return -1;
  if (other_held) return -2;
  return 2;
}

// String input and the prompt area.
int PstringNeeded;
void solicit_pstring() {}
void PromptCursor(int) {}
void wrsplit(int) {}

// Dialogs.
int busy_with_dialog;
void dispatch_dialog_packet(PacketClient *, Packet &, std::size_t) {}
void dialog_event(XEvent *) {}
void dladi_done(int value) { dialog_complete = value; }

// Drawing wrappers, viewports, blits, 3D.
int CurrentMatrixNumber = -1;
void Clear_UI(int) {}
void Restore_UI() {}
ViewportRecord vp_info[kViewportCount];
int CurrentViewport;
void free_blit(int) {}
void reset_dview() {}
void Free_FACE_List() {}
int ProjSet, ViewSet;

// Configuration file and colour tables.
void WriteConfigFile(const char *) {}
void ReadConfigFile(const char *) {}
void build_clrtbl(Display *, int) {}

// Graphics window services.
void graph_cursor(int) {}
void set_shell_icons() {}
void create_graph_gc(Pixmap) {}
int dx_dialog(const char *, int) { return 1; }
int dx_config(int request) { return request; }
void lock_graph_win(int) {}

// Rendering targets (weak: the context-switching code replaces them).
__attribute__((weak)) void set_gfx_window() {}
__attribute__((weak)) void set_ovr_window() {}
__attribute__((weak)) void pop_gfx_window() {}
__attribute__((weak)) void pop_txt_window() {}
__attribute__((weak)) void dx_name(const char *) {}
__attribute__((weak)) void dx_mole_cursor(int) {}
__attribute__((weak)) void error_message(const char *) {}
__attribute__((weak)) void no_destroy() {}

// Menu bar.
char menu_file_pathname[256];
char iconic_file_name[256];
char *iconic_file_prefix = iconic_file_name;
void dx_new_menubar() {}
void dx_new_menu(const char *, int) {}
void dx_new_item(const char *, int, int, int, int, int, int, int) {}
void dx_done_menu() {}
void dx_done_menubar() {}
int dx_show_menu(int) { return 0; }
void dx_set_menu_attrs(int, int, int, int) {}
int dx_get_menu_attrs(int, int, int *, int *) { return 0; }

// Text window.
Widget text_frame;
TextWindowInfo *text_window_info;
TextWindowInfo *command_lines_info;
void create_text_window(const char *, const char *) {}
void text_resize(Widget, int, int) {}
void tw_text_out(TextWindowInfo *, int) {}
