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
#include "ui/graph_window.h"
#include "ui/menubar.h"
#include "ui/text_window.h"

// String input and the prompt area.
int PstringNeeded;
void solicit_pstring() {}

// Dialogs.
int busy_with_dialog;
void dispatch_dialog_packet(PacketClient *, Packet &, std::size_t) {}
void dialog_event(XEvent *) {}
void dladi_done(int value) { dialog_complete = value; }

// Drawing wrappers, viewports, blits, 3D.
void reset_dview() {}
void Free_FACE_List() {}
int ProjSet, ViewSet;

// Configuration file and colour tables.

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

// Cursor, Birdseye, command palette, display-list pages, screen tiles and the
// status line, as the drawing wrappers and the viewport packets call them.
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/status_line.h"
#include "display/cursor.h"
#include "display/display_list.h"
#include "display/screen_tiles.h"
void cancel_birdseye() {}
void ClearCommandPalette(int) {}
void RestoreCommandPalette() {}
StatusLineRecord GL_Status_Line;
void UpdateStatusLine(StatusLineRecord *, int) {}

// Prompt area, display list, redraw, cursor, Birdseye, command palette,
// command interpreter, drawing records, 3D, configuration menus and the status
// bar, as the session packets call them.
#include "commands/commands.h"
#include "commands/prompt.h"
#include "config/config_menus.h"
#include "display/aui_records.h"
#include "display/redraw.h"
#include "render3d/lights.h"
#include "render3d/rendering.h"
#include "ui/status_bar.h"
int CleanDisplayList;  // string input: the next redraw cleans the display list
void InitializeConfigMenus() {}
void DoConfig() {}
int dpage_count, dentity_count;  // face display list
int bview, BirdseyeMode, TextScreenBirdseye;
void InitBirdseye(int, int, int, int) {}
void DrawBirdseyeView(int) {}
int MFLicon, commands, IconState, CommandState, TextScreenPalette;
void LoadCommandPalette(const char *) {}
void DrawCommandBox(int) {}
int local_cmd;
FILE *log_fd;
int MatlIndex;
void ResetLights() {}
void ResetMaterials() {}
void init_zbuffer() {}
void ResetConfigMenus() {}
int ReloadPalette;
void st_init() {}
void st_modeline(int, int, const char *, int) {}

// Side-menu widget, as the text and highlight packets call it.
#include "ui/side_menu.h"
void sm_set_box_label(int, const char *, int) {}
void sm_hilite_box(int) {}
void sm_dehilite_box(int) {}

// The driver's tools as the digitizer routing and the cursor packets reach
// them: no tool runs, none takes a sample.
#include "render3d/tumble.h"
int tumble;
void TumbleDemo(int) {}
int dview, DviewState;
int dview_vpoint(Packet &) { return 0; }
int dview_camera(Packet &) { return 0; }
int dview_target(Packet &) { return 0; }
int dview_distance(Packet &) { return 0; }
int dview_point(Packet &) { return 0; }
int dview_pan(Packet &) { return 0; }
int dview_zoom(Packet &) { return 0; }
int dview_twist(Packet &) { return 0; }
int dview_pstring(Packet &) { return 0; }
int dview_shade(Packet &) { return 0; }
int dview_redraw(Packet &) { return 0; }
int BirdseyeState;
int beye_command(Packet &) { return 0; }
int z_pan(Packet &) { return 0; }
int z_scale(Packet &) { return 0; }
int beye_pan(Packet &) { return 0; }
int beye_scale(Packet &) { return 0; }
int command_command(Packet &) { return 0; }
int command_pan(Packet &) { return 0; }
int icon_input(Packet &) { return 0; }
int ConfigMainMenu(Packet &) { return 0; }
int ConfigWarningBox(Packet &) { return 0; }
int ConfigOptionsMenu(Packet &) { return 0; }
int ConfigPromptMenu(Packet &) { return 0; }
int ConfigPageMenu(Packet &) { return 0; }
int ConfigAUIMenu(Packet &) { return 0; }
int ZoomRequest;
void DrawCleanMessage(StatusLineRecord *, int) {}
void st_coordline(int, const char *) {}
void sm_create_boxes(int) {}
