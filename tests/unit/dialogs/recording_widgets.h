// A widget layer for the dialog handlers that only records: every widget is
// an entry of a table, its size follows its text, and the changes a user
// would make call the handlers' callbacks as the widgets would. The unit
// tests and the fuzz target put it in place of Motif.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dialogs/tile_handlers.h"
#include "dialogs/tile_widgets.h"

struct RecordedWidget {
  // shell, board, cluster, frame, label, button, toggle, radio, list, edit,
  // field, popup, pulldown, entry, slider, image_button, image_label
  std::string type;
  WidgetId parent = 0;
  std::string text;  // label, title or field text
  int x = 0, y = 0, width = 0, height = 0;
  bool sensitive = true, managed = false, state = false, grey = false, fixed = false;
  std::uint32_t handle = 0;
  int position = 0;  // popup entry
  std::vector<std::string> items;
  std::vector<int> selected;
  ListPolicy policy = ListPolicy::browse;
  int value = 0;
  WidgetId choice = 0;  // option menu's current entry
  int columns = 0;
  WidgetId pixmap = 0;
};

class RecordingWidgets final : public DialogWidgets {
 public:
  std::map<WidgetId, RecordedWidget> widgets;
  std::vector<std::string> log;  // pixmaps, focus and shells
  int char_width = 8, char_height = 16;
  const int frame_x = 100, frame_y = 50, frame_width = 800, frame_height = 600;
  WidgetId focused = 0;
  bool pointer_in = true;

  RecordedWidget &at(WidgetId id) { return widgets.at(id); }

  bool available() override { return true; }
  void open_environment(DialogEnvironment &env) override {
    env.char_width = char_width;
    env.char_height = char_height;
    env.screen_width = 1280;
    env.screen_height = 1024;
  }
  void read_colours(DialogEnvironment &env) override {
    env.background = 0xA3A3A3;
    env.foreground = 0x000001;
  }

  WidgetId create_dialog(const std::string &title, const DialogEnvironment &, WidgetId &board) override {
    const WidgetId shell = add("shell", 0, title);
    board = add("board", shell, "");
    return shell;
  }
  void set_title(WidgetId shell, const std::string &title) override { at(shell).text = title; }
  void show_dialog(WidgetId shell, WidgetId board) override {
    at(board).managed = true;
    if (!at(shell).managed) {
      at(shell).managed = true;
      dialog_place(shell);  // the popup callback
    }
  }
  void dialog_cursor(WidgetId) override { log.push_back("dialog cursor"); }
  void place_shell(WidgetId shell, WidgetId board, bool move, int x, int y, int width, int height) override {
    if (move) at(shell).x = x, at(shell).y = y;
    at(shell).width = at(board).width = width;
    at(shell).height = at(board).height = height;
  }
  void frame_geometry(int &x, int &y, int &width, int &height) override {
    x = frame_x, y = frame_y, width = frame_width, height = frame_height;
  }
  void widget_geometry(WidgetId w, int &x, int &y, int &width, int &height) override {
    const RecordedWidget &r = at(w);
    x = r.x, y = r.y, width = r.width, height = r.height;
  }
  void destroy_dialog(WidgetId shell, WidgetId) override {
    log.push_back("destroy " + at(shell).text);
    std::vector<WidgetId> doomed{shell};
    for (std::size_t i = 0; i < doomed.size(); ++i)
      for (auto &[id, r] : widgets)
        if (r.parent == doomed[i]) doomed.push_back(id);
    for (WidgetId id : doomed) widgets.erase(id);
  }
  void graphics_focus() override { log.push_back("graphics focus"); }
  bool pointer_inside(WidgetId) override { return pointer_in; }
  void focus(WidgetId w) override { focused = w; }

  WidgetId create_cluster(WidgetId parent, const std::string &label, bool radio, bool framed, const TileLook &look,
                          ClusterExtra &extra) override {
    WidgetId holder = parent;
    if (framed) {
      holder = add("frame", parent, "", look);
      extra.frame = holder;
      extra.frame_label = add("label", parent, label, look);
      at(extra.frame_label).managed = false;
      extra.label_width = static_cast<std::uint16_t>(at(extra.frame_label).width);
      extra.label_height = static_cast<std::uint16_t>(at(extra.frame_label).height);
    }
    return add(radio ? "radio box" : "cluster", holder, "", look);
  }
  WidgetId create_label(WidgetId parent, const std::string &text, const TileLook &look) override {
    return add("label", parent, text, look);
  }
  WidgetId create_button(WidgetId parent, const std::string &label, const TileLook &look) override {
    return add("button", parent, label, look);
  }
  WidgetId create_toggle(WidgetId parent, const std::string &label, bool radio, const TileLook &look) override {
    return add(radio ? "radio" : "toggle", parent, label, look);
  }
  WidgetId create_list(WidgetId parent, const std::string &label, bool several, const TileLook &look,
                       WidgetId &list) override {
    const WidgetId holder = add(label.empty() ? "scrolled" : "labeled", parent, label, look);
    list = add("list", holder, "", look);
    at(list).policy = several ? ListPolicy::extended : ListPolicy::browse;
    at(holder).width = 100, at(holder).height = 80;
    return holder;
  }
  WidgetId create_edit(WidgetId parent, const std::string &label, int columns, int, bool, const TileLook &look,
                       WidgetId &field) override {
    const WidgetId board = add("edit", parent, label, look);
    field = add("field", board, "", look);
    at(board).width = static_cast<int>(label.size()) * 8 + columns * 8;
    return board;
  }
  WidgetId create_popup(WidgetId parent, const std::string &label, const TileLook &look, WidgetId &pulldown) override {
    pulldown = add("pulldown", parent, "", look);
    return add("popup", parent, label, look);
  }
  WidgetId create_slider(WidgetId parent, int minimum, int, bool horizontal, const TileLook &look) override {
    const WidgetId s = add("slider", parent, "", look);
    at(s).value = minimum;
    at(s).width = horizontal ? 100 : 25;
    at(s).height = horizontal ? 25 : 100;
    return s;
  }
  WidgetId create_image_button(WidgetId parent, int width, int height, const TileLook &look) override {
    const WidgetId b = add("image_button", parent, "", look);
    at(b).width = width, at(b).height = height;
    return b;
  }
  WidgetId create_image_label(WidgetId parent, WidgetId pixmap, const TileLook &look) override {
    const WidgetId l = add("image_label", parent, "", look);
    set_label_pixmap(l, pixmap);
    return l;
  }

  void natural_size(WidgetId w, int &width, int &height) override {
    width = at(w).width, height = at(w).height;
  }
  void set_geometry(WidgetId w, int x, int y, int width, int height) override {
    RecordedWidget &r = at(w);
    r.x = x, r.y = y;
    if (width >= 0) r.width = width;
    if (height >= 0) r.height = height;
  }
  void fix_board(WidgetId board, int width, int height) override {
    at(board).width = width, at(board).height = height, at(board).fixed = true;
  }
  void manage(WidgetId w) override { at(w).managed = true; }
  void destroy(WidgetId w) override { widgets.erase(w); }
  void set_sensitive(WidgetId w, bool sensitive) override { at(w).sensitive = sensitive; }
  bool sensitive(WidgetId w) override { return at(w).sensitive; }
  std::string label_text(WidgetId w) override { return at(w).text; }
  void set_label_text(WidgetId w, const std::string &text) override {
    at(w).text = text;
    at(w).width = text_width(text);
  }
  bool toggle_state(WidgetId w) override { return at(w).state; }
  void set_toggle_state(WidgetId w, bool set, bool notify) override {
    RecordedWidget &r = at(w);
    const bool changed = r.state != set;
    r.state = set;
    if (notify && changed) (r.type == "radio" ? radio_changed : toggle_changed)(r.handle, set);
  }

  int list_count(WidgetId list) override { return static_cast<int>(at(list).items.size()); }
  void list_insert(WidgetId list, int position, const std::string &text) override {
    auto &items = at(list).items;
    items.insert(items.begin() + position, text);
  }
  void list_replace(WidgetId list, int position, const std::string &text) override {
    at(list).items.at(static_cast<std::size_t>(position)) = text;
  }
  void list_clear(WidgetId list) override {
    at(list).items.clear();
    at(list).selected.clear();
  }
  std::vector<int> list_selection(WidgetId list) override { return at(list).selected; }
  void list_select(WidgetId list, int position) override {
    RecordedWidget &r = at(list);
    if (r.policy == ListPolicy::browse || r.policy == ListPolicy::single) r.selected.clear();
    for (int s : r.selected)
      if (s == position) return;
    r.selected.push_back(position);
    std::sort(r.selected.begin(), r.selected.end());
  }
  void list_deselect_all(WidgetId list) override { at(list).selected.clear(); }
  ListPolicy list_policy(WidgetId list) override { return at(list).policy; }
  void set_list_policy(WidgetId list, ListPolicy policy) override { at(list).policy = policy; }

  std::string field_text(WidgetId field) override { return at(field).text; }
  void set_field_text(WidgetId field, const std::string &text) override {
    // The field tells its verify callback as Motif does.
    std::string shown;
    RecordedWidget &r = at(field);
    if (edit_modified(r.handle, 0, static_cast<long>(r.text.size()), text, shown)) r.text = shown;
    else r.text = text;
  }
  void set_field_grey(WidgetId field, bool grey) override { at(field).grey = grey; }
  void select_field(WidgetId field, int from, int to) override {
    log.push_back("select " + std::to_string(from) + " " + std::to_string(to) + " of " + std::to_string(field));
  }

  WidgetId add_popup_button(WidgetId pulldown, int position, const std::string &text, const TileLook &look) override {
    const WidgetId b = add("entry", pulldown, text, look);
    at(b).position = position;
    return b;
  }
  void set_popup_choice(WidgetId option_menu, WidgetId button) override { at(option_menu).choice = button; }
  void set_popup_columns(WidgetId pulldown, int columns) override { at(pulldown).columns = columns; }

  void set_scale_value(WidgetId scale, int value) override { at(scale).value = value; }

  WidgetId create_pixmap(int width, int height) override {
    const WidgetId p = ++next_pixmap;
    log.push_back("pixmap " + std::to_string(p) + " " + std::to_string(width) + "x" + std::to_string(height));
    return p;
  }
  void free_pixmap(WidgetId pixmap) override { log.push_back("free pixmap " + std::to_string(pixmap)); }
  void clear_pixmap(WidgetId pixmap, int, int) override { log.push_back("clear " + std::to_string(pixmap)); }
  void set_draw_colour(unsigned long pixel) override { log.push_back("colour " + std::to_string(pixel)); }
  void draw_line(WidgetId pixmap, int x1, int y1, int x2, int y2) override {
    log.push_back("line " + std::to_string(pixmap) + " " + std::to_string(x1) + " " + std::to_string(y1) + " " +
                  std::to_string(x2) + " " + std::to_string(y2));
  }
  void fill_rectangle(WidgetId pixmap, int x, int y, int width, int height) override {
    log.push_back("rect " + std::to_string(pixmap) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                  std::to_string(width) + " " + std::to_string(height));
  }
  void copy_pixmap(WidgetId pixmap, WidgetId widget, int x, int y, int width, int height) override {
    at(widget);
    log.push_back("copy " + std::to_string(pixmap) + " at " + std::to_string(x) + " " + std::to_string(y) + " " +
                  std::to_string(width) + "x" + std::to_string(height));
  }
  void set_label_pixmap(WidgetId label, WidgetId pixmap) override {
    at(label).pixmap = pixmap;
    at(label).width = 40, at(label).height = 30;
  }

  // ---- what a user does ----
  // Types into an edit box's field: characters start..end become text.
  void type_into(WidgetId field, long start, long end, const std::string &text) {
    RecordedWidget &r = at(field);
    std::string shown;
    const std::string put = edit_modified(r.handle, start, end, text, shown) ? shown : text;
    r.text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), put);
  }
  // Clicks a radio button or toggle: its state turns over and it reports.
  void press(WidgetId w) { set_toggle_state(w, !at(w).state, true); }

 private:
  WidgetId next_id = 0x100, next_pixmap = 0x9000;

  static int text_width(const std::string &text) { return 8 * static_cast<int>(text.size()) + 4; }

  WidgetId add(const char *type, WidgetId parent, const std::string &text, const TileLook &look = {}) {
    const WidgetId id = ++next_id;
    RecordedWidget &r = widgets[id];
    r.type = type;
    r.parent = parent;
    r.text = text;
    r.width = text_width(text);
    r.height = 20;
    r.sensitive = look.sensitive || look.handle == 0;
    r.managed = r.type != "shell" && r.type != "board";
    r.handle = look.handle;
    return id;
  }
};
