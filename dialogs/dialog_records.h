// Programmable dialog boxes: the tile record, the extra records of the tile
// types, their object pools, the handles the client holds in place of
// records, the dialog environment and the stack of open dialogs.
//
// Nothing here touches X: widgets and pixmaps are opaque ids of the widget
// layer (dialogs/tile_widgets.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A widget or pixmap of the widget layer; 0 is none.
using WidgetId = std::uintptr_t;

// Object classes: the tile record and the extra record of each tile type.
enum : int {
  kTileClass = 0,
  kEditClass = 1,
  kClusterClass = 2,
  kListClass = 3,
  kPopupClass = 4,
  kImageClass = 5,
  kSliderClass = 6,
  kObjectClasses = 7,
};
// Live records a class holds at most.
inline constexpr int kPoolCapacity = 8192;
// Record sizes of the classes (as the client's side of the protocol counts them).
extern int obj_sizes[kObjectClasses];

// Tile flags (packet word at 16 of a create).
enum : std::uint32_t {
  kTileSeveral = 0x00000001,       // list box: several selections
  kTileFramed = 0x00000200,        // cluster: framed
  kTileRadio = 0x00000400,         // cluster: radio cluster
  kTileNotInverted = 0x00000800,   // slider: set stores the value as given
  kTileCentreV = 0x00002000,       // with kTileBottom: centred vertically in the cell
  kTileRight = 0x00004000,         // label right-aligned (centred with kTileCentreH)
  kTileFreeNesting = 0x00020000,   // dialog: no nesting limit asked, not shown by start
  kTileCentreH = 0x00040000,       // with kTileRight: centred horizontally
  kTileHorizontal = 0x00080000,    // slider: horizontal
  kTileTraversal = 0x00100000,     // the widget takes part in keyboard traversal
  kTileEnabled = 0x00400000,       // the widget is created sensitive
  kTileDefault = 0x00800000,       // the dialog's default tile
  kTileCancel = 0x01000000,        // the dialog's cancel tile
  kTileExtraFirst = 0x08000000,    // asked for by create handlers
  kTileExtraSecond = 0x10000000,
  kTileBottom = 0x40000000,        // bottom of the cell
  kTileActivatesDefault = 0x80000000,  // edit-box activation, list double-click activate the default tile
};

// Kinds kept in the tile record: the tile type 2 to 11, and these.
enum : int {
  kKindDialog = 0,
  kKindText = 2,
  kKindImage = 3,
  kKindButton = 4,
  kKindImageButton = 5,
  kKindToggle = 6,
  kKindRadioButton = 7,
  kKindList = 8,
  kKindEdit = 9,
  kKindPopup = 10,
  kKindSlider = 11,
  kKindFramedCluster = 30,
  kKindCluster = 130,
  kKindLabeledList = 41,
};

// Class 0. Links are handles (0 none), so a freed record is never reached
// through a link that outlived it.
struct TileRecord {
  std::uint32_t flags;
  std::uint32_t acad_handle;  // the client's own handle of the tile
  std::uint32_t parent, next, child;
  std::uint32_t dialog;       // copied from the parent: the dialog the tile lies in (its own for a dialog)
  WidgetId widget;
  std::int16_t layout[2];     // create packet bytes 34 and 36
  std::uint16_t char_width, char_height;  // dialog record only
  int kind;
  int extra;                  // index of the extra record in its class, -1 none
  std::uint32_t handle;       // the handle the client holds, 0 while free
  // Cluster: the radio button of it that is set (a handle).
  std::uint32_t radio_current;
  // Radio button: the driver itself is setting its state.
  bool driver_change;
  // The cell width realize gave the widget, 0 before.
  int cell_width;
};

struct EditExtra {
  WidgetId field;
  char password;     // shown in place of each character, 0 for none
  std::string kept;  // the real text of a password box
};
struct ClusterExtra {
  WidgetId frame, frame_label;
  std::uint16_t label_height, label_width;
};
struct ListExtra {
  WidgetId list;
  std::vector<int> tab_stops;  // character columns
};
struct PopupExtra {
  WidgetId pulldown;
  std::vector<WidgetId> buttons;
  int choice;
};
struct ImageExtra {
  WidgetId pixmap;
  int width, height;
};
struct SliderExtra {
  std::int32_t minimum, maximum, value;
};

// The pools: each class a stack of record indexes; (top, filled] are free.
void InitObjectPools();
// A zeroed record of the class: its index, -1 when the class holds
// kPoolCapacity live records already. A tile record gets a fresh handle.
int PopObject(int cls);
// Gives a live record back; a record that is not live is refused (false).
bool PushObject(int cls, int index);
// Adds n zeroed free records (never beyond kPoolCapacity).
void GrowObjectPool(int cls, int n);
// Records of the class made so far, and how many of them are live.
int pool_filled(int cls);
int pool_live(int cls);

TileRecord &tile_at(int index);
EditExtra &edit_extra(int index);
ClusterExtra &cluster_extra(int index);
ListExtra &list_extra(int index);
PopupExtra &popup_extra(int index);
ImageExtra &image_extra(int index);
SliderExtra &slider_extra(int index);

// A tile record's index in its class.
int tile_index(const TileRecord &tile);
// The live tile record a handle names; nullptr for 0, unknown and stale handles.
TileRecord *find_tile(std::uint32_t handle);
// Every live tile record, for the caller to pick from.
std::vector<TileRecord *> live_tiles();

// One per dialog session of the client, reset by every init.
struct DialogEnvironment {
  void *display;
  int screen;
  unsigned long frame_window;
  int depth;
  int screen_width, screen_height;  // bound the pixmaps of images
  int level;  // dialogs open
  int char_height, char_width, descent;  // never below 1 (height, width)
  int last_colour;  // the colour the drawing GC holds, kNoColour after a change elsewhere
  unsigned long background, foreground;
  int width4;  // four times the character width
  unsigned long time_base, last_release;  // list button releases
  bool setting_focus;  // the driver itself is moving the focus
  bool colours_read;   // the first create since init read the colours and made the GC
  bool ready;          // an init has run
};
inline constexpr int kNoColour = -7681;
extern DialogEnvironment dialog_env;

inline constexpr int kDialogLevels = 8;
struct DialogStackEntry {
  WidgetId shell, board;
  std::uint8_t open;
  bool started;
  int x, y;  // saved position; x = -1 not placed yet
  std::uint16_t height, width;
  std::uint32_t default_tile, cancel_tile, focus_tile;  // handles
  std::uint32_t record;  // the dialog's own record
};
extern DialogStackEntry dialog_stack[kDialogLevels];

// The stack entry of the top dialog, nullptr when none is open.
DialogStackEntry *top_dialog();
// The stack entry of the dialog a tile lies in, nullptr when it is not open.
DialogStackEntry *dialog_of(const TileRecord &tile);
