// The widget layer under the dialog packets: everything the handlers ask of
// Motif and X, and nothing else. The handlers and their records stay free of
// X, so they run in tests against a layer that only records.
//
// Widgets and pixmaps are WidgetIds. Texts are as the widgets take them
// (EUC-JP in the first program). Callbacks of the widgets go back to the
// handlers by the tile's handle (tile_handlers.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/dialog_records.h"

// What every tile widget is made with.
struct TileLook {
  unsigned long foreground, background;
  bool sensitive;      // kTileEnabled
  bool traversal;      // kTileTraversal
  std::uint32_t handle;  // given back by the widget's callbacks
};

enum class ListPolicy { single, multiple, extended, browse };

class DialogWidgets {
 public:
  virtual ~DialogWidgets() = default;

  // Whether dialogs can be shown now (an X display and the graphics shell).
  virtual bool available() = 0;
  // Loads the dialog fonts; fills the display fields of env and the font's
  // character width, height and descent as measured.
  virtual void open_environment(DialogEnvironment &env) = 0;
  // The graphics main window's colours into env, and the drawing GC.
  virtual void read_colours(DialogEnvironment &env) = 0;

  // ---- dialogs ----
  // The shell titled title and its top board (returned in board).
  virtual WidgetId create_dialog(const std::string &title, const DialogEnvironment &env, WidgetId &board) = 0;
  virtual void set_title(WidgetId shell, const std::string &title) = 0;
  // Manages the board, which shows the shell.
  virtual void show_dialog(WidgetId shell, WidgetId board) = 0;
  // The dialog cursor in the graphics window and in the shell.
  virtual void dialog_cursor(WidgetId shell) = 0;
  // Moves the shell to x, y (when move) and fixes its size and the board's.
  virtual void place_shell(WidgetId shell, WidgetId board, bool move, int x, int y, int width, int height) = 0;
  // Position and size of the graphics shell.
  virtual void frame_geometry(int &x, int &y, int &width, int &height) = 0;
  virtual void widget_geometry(WidgetId widget, int &x, int &y, int &width, int &height) = 0;
  // Unmanages the board, pops down and destroys the shell; the graphics
  // cursor again.
  virtual void destroy_dialog(WidgetId shell, WidgetId board) = 0;
  // The keyboard focus back to the drawing widget.
  virtual void graphics_focus() = 0;
  virtual bool pointer_inside(WidgetId shell) = 0;
  virtual void focus(WidgetId widget) = 0;

  // ---- tiles; parent is the widget of the parent tile ----
  // A cluster's board or radio box; framed ones fill the frame fields of extra.
  virtual WidgetId create_cluster(WidgetId parent, const std::string &label, bool radio, bool framed,
                                  const TileLook &look, ClusterExtra &extra) = 0;
  virtual WidgetId create_label(WidgetId parent, const std::string &text, const TileLook &look) = 0;
  virtual WidgetId create_button(WidgetId parent, const std::string &label, const TileLook &look) = 0;
  virtual WidgetId create_toggle(WidgetId parent, const std::string &label, bool radio, const TileLook &look) = 0;
  // The widget to lay out; list gets the list itself.
  virtual WidgetId create_list(WidgetId parent, const std::string &label, bool several, const TileLook &look,
                               WidgetId &list) = 0;
  // The edit box's board; field gets its text field.
  virtual WidgetId create_edit(WidgetId parent, const std::string &label, int columns, int max_length,
                               bool password, const TileLook &look, WidgetId &field) = 0;
  // The option menu; pulldown gets its pull-down.
  virtual WidgetId create_popup(WidgetId parent, const std::string &label, const TileLook &look,
                                WidgetId &pulldown) = 0;
  virtual WidgetId create_slider(WidgetId parent, int minimum, int maximum, bool horizontal,
                                 const TileLook &look) = 0;
  virtual WidgetId create_image_button(WidgetId parent, int width, int height, const TileLook &look) = 0;
  virtual WidgetId create_image_label(WidgetId parent, WidgetId pixmap, const TileLook &look) = 0;

  virtual void natural_size(WidgetId widget, int &width, int &height) = 0;
  // width or height below 0: left as it is.
  virtual void set_geometry(WidgetId widget, int x, int y, int width, int height) = 0;
  // A board that keeps the size it is given.
  virtual void fix_board(WidgetId board, int width, int height) = 0;
  virtual void manage(WidgetId widget) = 0;
  virtual void destroy(WidgetId widget) = 0;
  virtual void set_sensitive(WidgetId widget, bool sensitive) = 0;
  virtual bool sensitive(WidgetId widget) = 0;
  virtual std::string label_text(WidgetId widget) = 0;
  virtual void set_label_text(WidgetId widget, const std::string &text) = 0;
  virtual bool toggle_state(WidgetId widget) = 0;
  virtual void set_toggle_state(WidgetId widget, bool set, bool notify) = 0;

  // Lists; positions from 0.
  virtual int list_count(WidgetId list) = 0;
  // At position (the end when it is the count).
  virtual void list_insert(WidgetId list, int position, const std::string &text) = 0;
  virtual void list_replace(WidgetId list, int position, const std::string &text) = 0;
  virtual void list_clear(WidgetId list) = 0;
  virtual std::vector<int> list_selection(WidgetId list) = 0;
  // Without notification.
  virtual void list_select(WidgetId list, int position) = 0;
  virtual void list_deselect_all(WidgetId list) = 0;
  virtual ListPolicy list_policy(WidgetId list) = 0;
  virtual void set_list_policy(WidgetId list, ListPolicy policy) = 0;

  virtual std::string field_text(WidgetId field) = 0;
  virtual void set_field_text(WidgetId field, const std::string &text) = 0;
  virtual void set_field_grey(WidgetId field, bool grey) = 0;
  virtual void select_field(WidgetId field, int from, int to) = 0;

  // A push button of the pull-down that reports its position, shown by the
  // next set_popup_columns.
  virtual WidgetId add_popup_button(WidgetId pulldown, int position, const std::string &text,
                                    const TileLook &look) = 0;
  // button 0: no entry.
  virtual void set_popup_choice(WidgetId option_menu, WidgetId button) = 0;
  // Packs the pull-down in columns and shows the buttons added since the last call.
  virtual void set_popup_columns(WidgetId pulldown, int columns) = 0;

  virtual void set_scale_value(WidgetId scale, int value) = 0;

  virtual WidgetId create_pixmap(int width, int height) = 0;
  virtual void free_pixmap(WidgetId pixmap) = 0;
  // Fills with the dialog background (the drawing colour changes).
  virtual void clear_pixmap(WidgetId pixmap, int width, int height) = 0;
  virtual void set_draw_colour(unsigned long pixel) = 0;
  virtual void draw_line(WidgetId pixmap, int x1, int y1, int x2, int y2) = 0;
  virtual void fill_rectangle(WidgetId pixmap, int x, int y, int width, int height) = 0;
  virtual void copy_pixmap(WidgetId pixmap, WidgetId widget, int x, int y, int width, int height) = 0;
  // pixmap 0: the label shows none.
  virtual void set_label_pixmap(WidgetId label, WidgetId pixmap) = 0;
};

// The layer in use: Motif, unless a test put another in its place.
extern DialogWidgets *dialog_widgets;
