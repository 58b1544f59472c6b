// The tiles: clusters, texts, images and image buttons, buttons, toggles and
// radio buttons, list boxes, edit boxes, popup lists and sliders.
#include "dialogs/tile_handlers.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/build.h"
#include "dialogs/dialog_box.h"
#include "dialogs/dialog_packets.h"
#include "dialogs/tile_text.h"
#include "dialogs/tile_widgets.h"

namespace {

// The buffer a popup entry's text is converted into.
constexpr std::size_t kPopupBuffer = 256;
// Bytes of the selection text a list reports.
constexpr std::size_t kSelectionText = 2048;
// Columns of the popup list's pull-down.
constexpr int kPopupColumnItems = 15;
// Entries a popup list holds at most: Motif cannot lay out a menu of tens
// of thousands (and one packet brings the first program no more than this).
constexpr std::size_t kPopupEntriesMax = 4096;
// Across its direction a slider is this thick.
constexpr int kSliderThickness = 25;
// An image button draws its image inside a shadow this wide.
constexpr int kImageInset = 4;

DialogWidgets &w() { return *dialog_widgets; }

void done(Packet &p) { p.put_i16(kDialogStatus, 1); }

// Whether a record of this kind belongs to the row of a tile type.
bool kind_of_row(int type, int kind) {
  switch (type) {
    case 1: return kind == kKindFramedCluster || kind == kKindCluster;
    case 8: return kind == kKindList || kind == kKindLabeledList;
    default: return type >= 2 && type <= 11 && kind == type;
  }
}

// The tile word 8 names when it is of the packet's row.
TileRecord *row_tile(const Packet &p) {
  TileRecord *t = find_tile(p.u32(kDialogRecord));
  return t != nullptr && kind_of_row(p.i16(kDialogType), t->kind) ? t : nullptr;
}

// As row_tile, for the rows whose tiles have an extra record.
TileRecord *row_tile_extra(const Packet &p) {
  TileRecord *t = row_tile(p);
  return t != nullptr && t->extra >= 0 ? t : nullptr;
}

// A live tile of a kind, by the handle a callback holds.
TileRecord *callback_tile(std::uint32_t handle, int kind) {
  TileRecord *t = find_tile(handle);
  return t != nullptr && t->kind == kind ? t : nullptr;
}

// The parent and a fresh tile (with an extra record of cls) for a create.
bool begin_create(const Packet &p, int kind, int cls, TileRecord *&parent, TileRecord *&tile) {
  parent = create_parent(p);
  tile = parent != nullptr ? new_tile(kind, cls) : nullptr;
  return tile != nullptr;
}

TileLook look_of(const TileRecord &t, std::uint32_t flags) { return tile_look(flags, t.handle); }

std::string label_of(const Packet &p) { return to_widget_text(p.text(kDialogLabel), kTextBuffer); }

// A whole number from a value text, as atol reads it, held to the int range.
long long number_of(const std::string &text) {
  return std::strtoll(text.c_str(), nullptr, 10);
}
int int_of(const std::string &text) {
  return static_cast<int>(std::clamp<long long>(number_of(text), INT_MIN, INT_MAX));
}

int clamp16(long long v) { return static_cast<int>(std::clamp<long long>(v, -32768, 32767)); }

// The extra class of a kind, -1 for none.
int extra_class(int kind) {
  switch (kind) {
    case kKindEdit: return kEditClass;
    case kKindFramedCluster: return kClusterClass;
    case kKindList: case kKindLabeledList: return kListClass;
    case kKindPopup: return kPopupClass;
    case kKindImage: case kKindImageButton: return kImageClass;
    case kKindSlider: return kSliderClass;
    default: return -1;
  }
}

// The default tile of the dialog a tile lies in.
TileRecord *default_tile_of(const TileRecord &t) {
  const DialogStackEntry *d = dialog_of(t);
  return d != nullptr ? find_tile(d->default_tile) : nullptr;
}

// ---- layout ---------------------------------------------------------------------

struct Cell {
  int x, y, width, height;
};

// How far down a cell's y moves in its parent's widget: a dialog's board
// keeps a margin of two character heights; a framed cluster's board starts
// under its label, so its cells move up by the label's drop.
int parent_margin(const TileRecord &parent) {
  if (parent.kind == kKindDialog) return 2 * dialog_env.char_height;
  if (parent.kind == kKindFramedCluster) return -static_cast<int>(dialog_env.char_height * 1.5);
  return 0;
}

// The cell of a realize packet, moved into the parent's widget; at least 1 x 1.
Cell cell_of(const Packet &p, const TileRecord &t) {
  long long x = p.i16(20), y = p.i16(22);
  if (const TileRecord *parent = find_tile(t.parent)) {
    x += parent->char_width;
    y += parent_margin(*parent);
  }
  return {clamp16(x), clamp16(y), std::max<int>(1, p.i16(24)), std::max<int>(1, p.i16(26))};
}

// The widget into its cell, aligned by the tile's flags; the cell raised to
// the widget's natural size except for a slider.
void layout_widget(const Packet &p, TileRecord &t, WidgetId widget) {
  const Cell c = cell_of(p, t);
  int nw = 0, nh = 0;
  w().natural_size(widget, nw, nh);
  long long x = c.x, y = c.y;
  const std::uint32_t f = t.flags;
  if ((f & kTileCentreH) && (f & kTileRight)) x += (c.width - nw) / 2;
  else if (f & kTileRight) x += c.width - nw;
  if ((f & kTileCentreV) && (f & kTileBottom)) y += (c.height - nh) / 2;
  else if (f & kTileBottom) y += c.height - nh;
  int width = c.width, height = c.height;
  if (t.kind != kKindSlider) {
    width = std::max(width, nw);
    height = std::max(height, nh);
  }
  if (t.kind == kKindRadioButton) w().set_geometry(widget, clamp16(x), clamp16(y), -1, -1);
  else w().set_geometry(widget, clamp16(x), clamp16(y), width, height);
  t.cell_width = width;
}

void enable_tile(Packet &p, TileRecord &t) {
  const int mode = p.i16(kDialogFlags);
  if (mode != 0 && mode != 1) return;
  if (t.widget != 0) w().set_sensitive(t.widget, mode == 0);
  done(p);
}

// ---- images -------------------------------------------------------------------

int image_side(long long v, int screen) { return static_cast<int>(std::clamp<long long>(v, 1, std::max(1, screen))); }

// A pixmap of the tile's image in the dialog background.
void new_image(ImageExtra &im, long long width, long long height) {
  if (im.pixmap != 0) w().free_pixmap(im.pixmap);
  im.width = image_side(width, dialog_env.screen_width);
  im.height = image_side(height, dialog_env.screen_height);
  im.pixmap = w().create_pixmap(im.width, im.height);
  w().clear_pixmap(im.pixmap, im.width, im.height);
  dialog_env.last_colour = kNoColour;
}

void show_image(const TileRecord &t) {
  if (t.widget == 0 || t.extra < 0) return;
  const ImageExtra &im = image_extra(t.extra);
  const int at = t.kind == kKindImageButton ? kImageInset : 0;
  if (im.pixmap != 0) w().copy_pixmap(im.pixmap, t.widget, at, at, im.width, im.height);
}

// ---- lists ------------------------------------------------------------------------

// The item texts of a list operation: as many as i16 20 asks for and the
// packet holds, from byte 24 on.
std::vector<std::string_view> list_items(const Packet &p) {
  std::vector<std::string_view> out;
  const int asked = p.i16(20);
  for (std::size_t at = 24; static_cast<int>(out.size()) < asked && at < p.size();) {
    std::string_view item = p.text(at);
    out.push_back(item);
    at += item.size() + 1;
  }
  return out;
}

// Selects a position without notification, in multiple selection for the
// moment unless the list browses.
void select_quietly(WidgetId list, const std::vector<long> &positions) {
  const ListPolicy policy = w().list_policy(list);
  const bool browse = policy == ListPolicy::browse;
  if (!browse) w().set_list_policy(list, ListPolicy::multiple);
  const int count = w().list_count(list);
  // In multiple selection a second select of an item takes it back: there
  // each item is selected once, and not when it is already.
  std::vector<char> on(static_cast<std::size_t>(std::max(count, 0)));
  if (!browse)
    for (int pos : w().list_selection(list))
      if (pos >= 0 && pos < count) on[static_cast<std::size_t>(pos)] = 1;
  for (long pos : positions) {
    if (pos < 0 || pos >= count || on[static_cast<std::size_t>(pos)]) continue;
    if (!browse) on[static_cast<std::size_t>(pos)] = 1;
    w().list_select(list, static_cast<int>(pos));
  }
  if (!browse) w().set_list_policy(list, policy);
}

void list_box_items(TileRecord &t, int kind, int start, const std::vector<std::string_view> &items) {
  ListExtra &e = list_extra(t.extra);
  if (kind == 3 && start == 0) w().list_clear(e.list);
  int count = w().list_count(e.list);
  auto text = [&](std::string_view item) { return to_widget_text(expand_list_text(item, e.tab_stops), kTextBuffer); };
  if (kind == 1) {
    // Replaced in place; positions past the end are appended.
    for (std::size_t i = 0; i < items.size(); ++i) {
      const long pos = start + static_cast<long>(i);
      if (pos < count) {
        w().list_replace(e.list, static_cast<int>(pos), text(items[i]));
      } else {
        w().list_insert(e.list, count, text(items[i]));
        ++count;
      }
    }
    // The first program selects the item after the replaced ones.
    if constexpr (!kSecondBuild) select_quietly(e.list, {start + static_cast<long>(items.size())});
    return;
  }
  int pos = std::min(start, count);
  for (std::string_view item : items) w().list_insert(e.list, pos++, text(item));
}

void popup_items(TileRecord &t, int start, const std::vector<std::string_view> &items) {
  PopupExtra &e = popup_extra(t.extra);
  const TileLook look = look_of(t, t.flags);
  std::vector<WidgetId> old;
  if constexpr (!kSecondBuild) {
    // Every entry anew; the old ones go only once the menu shows a new one
    // (an option menu keeps pointing at the entry it shows).
    old.swap(e.buttons);
    for (std::size_t i = 0; i < items.size() && i < kPopupEntriesMax; ++i)
      e.buttons.push_back(w().add_popup_button(e.pulldown, static_cast<int>(e.buttons.size()),
                                               to_widget_text(items[i], kPopupBuffer), look));
  } else {
    // The buttons made stay; the table grows to hold every position named.
    const std::size_t want =
        std::min(std::max(e.buttons.size(), static_cast<std::size_t>(start) + items.size()), kPopupEntriesMax);
    while (e.buttons.size() < want)
      e.buttons.push_back(w().add_popup_button(e.pulldown, static_cast<int>(e.buttons.size()), "", look));
    for (std::size_t i = 0; i < items.size() && static_cast<std::size_t>(start) + i < want; ++i)
      w().set_label_text(e.buttons[static_cast<std::size_t>(start) + i], to_widget_text(items[i], kPopupBuffer));
  }
  const int shown = static_cast<int>(std::min(items.size(), kPopupEntriesMax));
  w().set_popup_columns(e.pulldown, shown / kPopupColumnItems + 1);
  if (e.choice >= 0 && static_cast<std::size_t>(e.choice) < e.buttons.size())
    w().set_popup_choice(t.widget, e.buttons[static_cast<std::size_t>(e.choice)]);
  else if (!old.empty())
    w().set_popup_choice(t.widget, e.buttons.empty() ? 0 : e.buttons[0]);
  for (WidgetId b : old) w().destroy(b);
  w().manage(t.widget);
}

// ---- edit boxes ----------------------------------------------------------------------

// The field is being set by the driver: its changes are not the user's.
bool setting_field;

// An edit box's text in the client's code: the kept text of a password box.
std::string edit_value(const TileRecord &t) {
  const EditExtra &e = edit_extra(t.extra);
  return to_client_text(e.password != 0 ? e.kept : w().field_text(e.field), kMessageMax);
}

}  // namespace

// ---- operations shared by the rows ----------------------------------------------------------

void tile_layout(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr || t->widget == 0) return;
  layout_widget(p, *t, t->widget);
  done(p);
}

void tile_mode(Packet &p, std::size_t) {
  if (TileRecord *t = row_tile(p)) enable_tile(p, *t);
}

void tile_free(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  // An image's label outlives its tile (it goes with the shell): it lets go
  // of the pixmap before that is freed, or its next exposure draws from it.
  if (t->kind == kKindImage && t->widget != 0) w().set_label_pixmap(t->widget, 0);
  free_tile(*t);
  done(p);
}

void tile_value_empty(Packet &p, std::size_t) {
  if (row_tile(p) == nullptr) return;
  put_value_text(p, "");
  done(p);
}

void free_tile(TileRecord &t) {
  // Out of the parent's list of children; its own children stay in the
  // dialog without a parent.
  if (TileRecord *parent = find_tile(t.parent)) {
    if (parent->child == t.handle) {
      parent->child = t.next;
    } else {
      TileRecord *s = find_tile(parent->child);
      for (int i = 0; s != nullptr && i < kPoolCapacity; ++i, s = find_tile(s->next))
        if (s->next == t.handle) {
          s->next = t.next;
          break;
        }
    }
  }
  TileRecord *c = find_tile(t.child);
  for (int i = 0; c != nullptr && i < kPoolCapacity; ++i) {
    TileRecord *next = find_tile(c->next);
    c->parent = c->next = 0;
    c = next;
  }
  const int cls = extra_class(t.kind);
  if (cls >= 0 && t.extra >= 0) {
    switch (cls) {
      case kEditClass: edit_extra(t.extra).kept = std::string(); break;
      case kListClass: list_extra(t.extra).tab_stops = std::vector<int>(); break;
      case kPopupClass: popup_extra(t.extra).buttons = std::vector<WidgetId>(); break;
      case kImageClass: {
        ImageExtra &im = image_extra(t.extra);
        if (im.pixmap != 0) w().free_pixmap(im.pixmap);
        im.pixmap = 0;
        break;
      }
      default: break;
    }
    PushObject(cls, t.extra);
  }
  PushObject(kTileClass, tile_index(t));
}

// ---- clusters ------------------------------------------------------------------------

void cluster_create(Packet &p, std::size_t n) {
  const std::uint32_t flags = p.u32(kDialogFlags);
  const std::string_view label = p.text(kDialogLabel);
  const bool framed = !label.empty() || (flags & kTileFramed) != 0;
  TileRecord *parent, *tile;
  if (!begin_create(p, framed ? kKindFramedCluster : kKindCluster, framed ? kClusterClass : -1, parent, tile)) return;
  ClusterExtra unframed{};
  ClusterExtra &extra = framed ? cluster_extra(tile->extra) : unframed;
  tile->widget = w().create_cluster(parent->widget, label_of(p), (flags & kTileRadio) != 0, framed,
                                    look_of(*tile, flags), extra);
  finish_tile_create(p, n, *parent, *tile, false, false);
  if (framed) {
    const long long label_width = static_cast<long long>(label.size()) * dialog_env.char_width;
    p.put_i16(kDialogWidth, std::max<int>(p.i16(kDialogWidth), clamp16(label_width)));
  }
}

void cluster_realize(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  const Cell c = cell_of(p, *t);
  if (t->kind == kKindFramedCluster && t->extra >= 0) {
    const ClusterExtra &e = cluster_extra(t->extra);
    w().set_geometry(e.frame, c.x, clamp16(c.y + static_cast<long long>(dialog_env.char_height * 1.5)), c.width, -1);
    w().fix_board(t->widget, c.width, c.height);
    w().set_geometry(e.frame_label, clamp16(c.x + static_cast<long long>(p.i16(28) / 2)), c.y, e.label_width,
                     e.label_height);
    w().manage(e.frame_label);
  } else if (t->kind == kKindCluster) {
    w().set_geometry(t->widget, c.x, c.y, c.width, c.height);
    w().fix_board(t->widget, c.width, c.height);
  }
  done(p);
}

// ---- texts ----------------------------------------------------------------------------

void text_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindText, -1, parent, tile)) return;
  std::string_view text = p.text(kDialogLabel);
  tile->widget = w().create_label(parent->widget, to_widget_text(text.empty() ? " " : text, kTextBuffer),
                                  look_of(*tile, p.u32(kDialogFlags)));
  p.put_i16(kDialogHeight, dialog_env.width4);
  p.put_i16(34, dialog_env.char_width / 2);
  finish_tile_create(p, n, *parent, *tile, false, true);
}

void text_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  put_value_text(p, to_client_text(w().label_text(t->widget), kMessageMax));
  done(p);
}

void text_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  int x = 0, y = 0, width = 0, height = 0;
  w().widget_geometry(t->widget, x, y, width, height);
  // The width realize gave it: a shorter text before does not narrow what
  // the next one may show.
  const int shown = t->cell_width > 0 ? t->cell_width : width;
  const std::string text = cut_label_text(value_text(p), shown / dialog_env.char_width);
  w().set_label_text(t->widget, to_widget_text(text, kTextBuffer));
  // A centred label keeps its centre, a right-aligned one its right edge.
  int nx = 0, ny = 0, new_width = 0, new_height = 0;
  w().widget_geometry(t->widget, nx, ny, new_width, new_height);
  const int change = new_width - width;
  if ((t->flags & kTileCentreH) && (t->flags & kTileRight))
    w().set_geometry(t->widget, clamp16(x - change / 2), y, -1, -1);
  else if (t->flags & kTileRight)
    w().set_geometry(t->widget, clamp16(static_cast<long long>(x) - change), y, -1, -1);
  done(p);
}

// ---- images and image buttons ------------------------------------------------------------

void image_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindImage, kImageClass, parent, tile)) return;
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void image_realize(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  if (t->kind == kKindImage) {
    ImageExtra &im = image_extra(t->extra);
    // The label lets go of the old pixmap before it is freed.
    const WidgetId old = im.pixmap;
    im.pixmap = 0;
    new_image(im, p.i16(24), p.i16(26));
    if (t->widget != 0) {
      w().set_label_pixmap(t->widget, im.pixmap);
      if (old != 0) w().free_pixmap(old);
    } else {
      const TileRecord *parent = find_tile(t->parent);
      if (parent == nullptr || parent->widget == 0) return;
      t->widget = w().create_image_label(parent->widget, im.pixmap, look_of(*t, t->flags));
    }
  }
  if (t->widget == 0) return;
  layout_widget(p, *t, t->widget);
  show_image(*t);
  done(p);
}

void image_fill(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const ImageExtra &im = image_extra(t->extra);
  if (im.pixmap != 0) {
    for (const FillRecord &r : read_fill_records(p)) {
      if (r.kind != 0 && r.kind != 1) continue;
      const int colour = fill_colour_index(r.colour);
      if (colour != dialog_env.last_colour) {
        w().set_draw_colour(dx_mapcolor(colour));
        dialog_env.last_colour = colour;
      }
      if (r.kind == 0) w().draw_line(im.pixmap, r.a, r.b, r.c, r.d);
      else if (r.c > 0 && r.d > 0) w().fill_rectangle(im.pixmap, r.a, r.b, r.c, r.d);
    }
    if (p.i16(18) != 0) show_image(*t);
  }
  done(p);
}

void image_button_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindImageButton, kImageClass, parent, tile)) return;
  ImageExtra &im = image_extra(tile->extra);
  new_image(im, p.i16(kDialogWidth) - 2 * kImageInset, p.i16(kDialogHeight) - 2 * kImageInset);
  tile->widget = w().create_image_button(parent->widget, im.width + 2 * kImageInset, im.height + 2 * kImageInset,
                                         look_of(*tile, p.u32(kDialogFlags)));
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void image_button_mode(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  if (p.i16(kDialogFlags) != 4) {
    enable_tile(p, *t);
    return;
  }
  set_tile_focus(*t);
  done(p);
}

void image_button_clicked(std::uint32_t handle, int x, int y, bool double_click, bool sensitive) {
  TileRecord *t = callback_tile(handle, kKindImageButton);
  if (t == nullptr || t->extra < 0 || !sensitive) return;
  const ImageExtra &im = image_extra(t->extra);
  if (x <= 0 || x >= im.width || y <= 0 || y >= im.height) return;
  if (!double_click) {
    dialog_notify(t->acad_handle, "", kReasonSelect, x, y);
  } else if (TileRecord *def = default_tile_of(*t); def != nullptr && (t->flags & kTileActivatesDefault)) {
    dialog_notify(def->acad_handle, "", kReasonSelect);
  } else {
    dialog_notify(t->acad_handle, "", kReasonDouble, x, y);
  }
}

void image_button_exposed(std::uint32_t handle) {
  if (const TileRecord *t = callback_tile(handle, kKindImageButton)) show_image(*t);
}

// ---- buttons, toggles and radio buttons ---------------------------------------------------

void button_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindButton, -1, parent, tile)) return;
  tile->widget = w().create_button(parent->widget, label_of(p), look_of(*tile, p.u32(kDialogFlags)));
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void button_activated(std::uint32_t handle) {
  if (const TileRecord *t = callback_tile(handle, kKindButton)) dialog_notify(t->acad_handle, "", kReasonSelect);
}

void toggle_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindToggle, -1, parent, tile)) return;
  tile->widget = w().create_toggle(parent->widget, label_of(p), false, look_of(*tile, p.u32(kDialogFlags)));
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void toggle_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  put_value_text(p, w().toggle_state(t->widget) ? "1" : "0");
  done(p);
}

void toggle_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  w().set_toggle_state(t->widget, int_of(value_text(p)) != 0, false);
  done(p);
}

void toggle_changed(std::uint32_t handle, bool set) {
  if (const TileRecord *t = callback_tile(handle, kKindToggle))
    dialog_notify(t->acad_handle, set ? "1" : "0", kReasonSelect);
}

void radio_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindRadioButton, -1, parent, tile)) return;
  tile->widget = w().create_toggle(parent->widget, label_of(p), true, look_of(*tile, p.u32(kDialogFlags)));
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void radio_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile(p);
  if (t == nullptr) return;
  // The cluster's bookkeeping runs; nothing is reported.
  t->driver_change = true;
  w().set_toggle_state(t->widget, int_of(value_text(p)) == 1, true);
  t->driver_change = false;
  done(p);
}

void radio_changed(std::uint32_t handle, bool set) {
  TileRecord *t = callback_tile(handle, kKindRadioButton);
  if (t == nullptr) return;
  TileRecord *cluster = find_tile(t->parent);
  const bool own = t->driver_change;
  if (!set) {
    if (own) {
      if (cluster != nullptr && cluster->radio_current == t->handle) cluster->radio_current = 0;
      return;
    }
    // The user pressed the button that was set: it stays set.
    w().set_toggle_state(t->widget, true, false);
  }
  if (cluster != nullptr) {
    TileRecord *previous = find_tile(cluster->radio_current);
    if (previous != nullptr && previous != t) w().set_toggle_state(previous->widget, false, false);
    cluster->radio_current = t->handle;
  }
  if (!own) dialog_notify(t->acad_handle, "1", kReasonSelect);
}

// ---- list boxes ---------------------------------------------------------------------------

void list_create(Packet &p, std::size_t n) {
  const std::uint32_t flags = p.u32(kDialogFlags);
  const bool labeled = !p.text(kDialogLabel).empty();
  TileRecord *parent, *tile;
  if (!begin_create(p, labeled ? kKindLabeledList : kKindList, kListClass, parent, tile)) return;
  ListExtra &e = list_extra(tile->extra);
  tile->widget =
      w().create_list(parent->widget, label_of(p), (flags & kTileSeveral) != 0, look_of(*tile, flags), e.list);
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void list_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const std::size_t room = p.size() > kDialogValue ? p.size() - kDialogValue : 0;
  put_value_text(p, format_positions(w().list_selection(list_extra(t->extra).list), (t->flags & kTileSeveral) != 0,
                                     room));
  done(p);
}

void list_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const WidgetId list = list_extra(t->extra).list;
  if (t->flags & kTileSeveral) w().list_deselect_all(list);
  select_quietly(list, read_positions(value_text(p)));
  done(p);
}

void list_operation(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const int kind = p.i16(16);
  if (kind >= 1 && kind <= 3) {
    const int start = std::max<int>(0, p.i16(18));
    const std::vector<std::string_view> items = list_items(p);
    if (t->kind == kKindPopup) popup_items(*t, start, items);
    else list_box_items(*t, kind, start, items);
  }
  done(p);
}

void list_start(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const long held = p.size() > 18 ? static_cast<long>((p.size() - 18) / 2) : 0;
  const long count = std::clamp<long>(p.i16(16), 0, held);
  std::vector<int> &stops = list_extra(t->extra).tab_stops;
  stops.assign(static_cast<std::size_t>(count), 0);
  for (std::size_t i = 0; i < stops.size(); ++i) stops[i] = p.i16(18 + 2 * i) / dialog_env.char_width;
  done(p);
}

void list_selected(std::uint32_t handle, bool double_click, bool release, unsigned long time) {
  TileRecord *t = callback_tile(handle, kKindList);
  if (t == nullptr) t = callback_tile(handle, kKindLabeledList);
  if (t == nullptr || t->extra < 0) return;
  if (release) {
    if (time < dialog_env.last_release) return;
    dialog_env.last_release = time;
  }
  const std::string text =
      format_positions(w().list_selection(list_extra(t->extra).list), (t->flags & kTileSeveral) != 0, kSelectionText);
  if (!double_click) {
    dialog_notify(t->acad_handle, text, kReasonSelect);
  } else if (TileRecord *def = default_tile_of(*t); def != nullptr && (t->flags & kTileActivatesDefault)) {
    dialog_notify(def->acad_handle, "", kReasonSelect);
  } else {
    dialog_notify(t->acad_handle, text, kReasonDouble);
  }
}

// ---- edit boxes ----------------------------------------------------------------------------

void edit_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindEdit, kEditClass, parent, tile)) return;
  EditExtra &e = edit_extra(tile->extra);
  int columns = p.i16(24) / dialog_env.char_width;
  if (columns <= 0) columns = 10;
  int max_length = p.i16(40) - 1;
  if (max_length < 1 || max_length > kEditTextMax) max_length = kEditTextMax;
  e.password = static_cast<char>(p.u8(42));
  tile->widget = w().create_edit(parent->widget, label_of(p), columns, max_length, e.password != 0,
                                 look_of(*tile, p.u32(kDialogFlags)), e.field);
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void edit_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  put_value_text(p, edit_value(*t));
  done(p);
}

void edit_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  EditExtra &e = edit_extra(t->extra);
  std::string text = to_widget_text(value_text(p), kMessageMax);
  if (e.password != 0) {
    e.kept.clear();
    const long chars = apply_field_edit(e.kept, 0, 0, text);
    text.assign(static_cast<std::size_t>(chars), e.password);
  }
  setting_field = true;
  w().set_field_text(e.field, text);
  setting_field = false;
  done(p);
}

void edit_mode(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const WidgetId field = edit_extra(t->extra).field;
  switch (p.i16(kDialogFlags)) {
    case 0:
    case 1: {
      const bool enable = p.i16(kDialogFlags) == 0;
      w().set_sensitive(t->widget, enable);
      w().set_field_grey(field, !enable);
      break;
    }
    case 2:
      set_tile_focus(*t);
      done(p);
      break;
    case 3:
      set_tile_focus(*t);
      w().select_field(field, 0, 255);
      done(p);
      break;
    default: break;
  }
}

void edit_activated(std::uint32_t handle) {
  TileRecord *t = callback_tile(handle, kKindEdit);
  if (t == nullptr || t->extra < 0) return;
  dialog_notify(t->acad_handle, edit_value(*t), kReasonSelect);
  if (TileRecord *def = default_tile_of(*t); def != nullptr && (t->flags & kTileActivatesDefault))
    dialog_notify(def->acad_handle, "", kReasonSelect);
}

void edit_left(std::uint32_t handle) {
  TileRecord *t = callback_tile(handle, kKindEdit);
  if (t == nullptr || t->extra < 0 || dialog_env.setting_focus) return;
  const DialogStackEntry *d = dialog_of(*t);
  if (d == nullptr || !d->started || !w().pointer_inside(d->shell)) return;
  dialog_notify(t->acad_handle, edit_value(*t), kReasonLeft);
}

bool edit_modified(std::uint32_t handle, long start, long end, std::string_view inserted, std::string &shown) {
  TileRecord *t = callback_tile(handle, kKindEdit);
  if (t == nullptr || t->extra < 0 || setting_field) return false;
  EditExtra &e = edit_extra(t->extra);
  if (e.password == 0) return false;
  shown.assign(static_cast<std::size_t>(apply_field_edit(e.kept, start, end, inserted)), e.password);
  return true;
}

// ---- popup lists -----------------------------------------------------------------------------

void popup_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindPopup, kPopupClass, parent, tile)) return;
  PopupExtra &e = popup_extra(tile->extra);
  tile->widget = w().create_popup(parent->widget, label_of(p), look_of(*tile, p.u32(kDialogFlags)), e.pulldown);
  finish_tile_create(p, n, *parent, *tile, false, false);
}

void popup_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  put_value_text(p, std::to_string(popup_extra(t->extra).choice));
  done(p);
}

void popup_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  PopupExtra &e = popup_extra(t->extra);
  e.choice = int_of(value_text(p));
  if (e.choice >= 0 && static_cast<std::size_t>(e.choice) < e.buttons.size())
    w().set_popup_choice(t->widget, e.buttons[static_cast<std::size_t>(e.choice)]);
  done(p);
}

void popup_chosen(std::uint32_t handle, int position) {
  TileRecord *t = callback_tile(handle, kKindPopup);
  if (t == nullptr || t->extra < 0) return;
  popup_extra(t->extra).choice = position;
  dialog_notify(t->acad_handle, std::to_string(position), kReasonSelect);
}

// ---- sliders ---------------------------------------------------------------------------------

void slider_create(Packet &p, std::size_t n) {
  TileRecord *parent, *tile;
  if (!begin_create(p, kKindSlider, kSliderClass, parent, tile)) return;
  SliderExtra &s = slider_extra(tile->extra);
  s.maximum = p.i16(26);
  s.minimum = p.i16(28);
  // The scale needs a range.
  if (s.maximum < s.minimum) std::swap(s.maximum, s.minimum);
  if (s.maximum == s.minimum) ++s.maximum;
  s.value = s.minimum;
  const std::uint32_t flags = p.u32(kDialogFlags);
  const bool horizontal = (flags & kTileHorizontal) != 0;
  tile->widget = w().create_slider(parent->widget, s.minimum, s.maximum, horizontal, look_of(*tile, flags));
  finish_tile_create(p, n, *parent, *tile, !horizontal, horizontal);
  p.put_i16(horizontal ? kDialogHeight : kDialogWidth, kSliderThickness);
}

// With kTileNotInverted the value is turned over here instead of at set: a
// set followed by a get gives back maximum + minimum - value.
void slider_get(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const SliderExtra &s = slider_extra(t->extra);
  const long long value = (t->flags & kTileNotInverted) != 0
                              ? static_cast<long long>(s.maximum) - s.value + s.minimum
                              : static_cast<long long>(s.value);
  put_value_text(p, std::to_string(value));
  done(p);
}

void slider_set(Packet &p, std::size_t) {
  TileRecord *t = row_tile_extra(p);
  if (t == nullptr) return;
  const std::string text = value_text(p);
  if (!text.empty()) {
    SliderExtra &s = slider_extra(t->extra);
    s.value = slider_set_value(s, number_of(text), (t->flags & kTileNotInverted) != 0);
    w().set_scale_value(t->widget, s.value);
  }
  done(p);
}

void slider_moved(std::uint32_t handle, int value, bool dragging) {
  TileRecord *t = callback_tile(handle, kKindSlider);
  if (t == nullptr || t->extra < 0) return;
  slider_extra(t->extra).value = value;
  dialog_notify(t->acad_handle, std::to_string(value), dragging ? kReasonDrag : kReasonSelect);
}
