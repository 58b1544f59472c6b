// The dialog itself: init, create, size, title, start, mode and free, the
// placement of its shell, the common tail of every tile create and the focus.
#include "dialogs/dialog_box.h"

#include <algorithm>
#include <string>

#include "base/build.h"
#include "base/session.h"
#include "dialogs/dialog_packets.h"
#include "dialogs/tile_handlers.h"
#include "dialogs/tile_text.h"

namespace {

// The smallest dialog a create answers.
constexpr int kDialogMinimum = 50;
// The dialog title buffer of the first program.
constexpr std::size_t kTitleBuffer = 256;

// The client's text of a title as the shell shows it: converted in the
// first program, as it stands in the second.
std::string title_text(std::string_view text) {
  if constexpr (kSecondBuild) return std::string(text);
  return to_widget_text(text, kTitleBuffer);
}

// The top dialog's stack entry and record when word 8 names that record.
DialogStackEntry *top_named(const Packet &p, TileRecord *&record) {
  DialogStackEntry *top = top_dialog();
  record = top != nullptr ? find_tile(p.u32(kDialogRecord)) : nullptr;
  if (record == nullptr || record->handle != top->record) return nullptr;
  return top;
}

std::uint16_t clamp_size(long long v) { return static_cast<std::uint16_t>(std::clamp<long long>(v, 1, 32767)); }

// Closes the top dialog: its shell, its tiles and its record. With report,
// a dialog that was started ends with value.
void close_top_dialog(bool report, std::uint32_t value) {
  DialogStackEntry *top = top_dialog();
  if (top == nullptr) return;
  dialog_widgets->destroy_dialog(top->shell, top->board);
  --dialog_env.level;
  if (top->open) {
    if (top->started && report) dladi_done(static_cast<int>(value));
    top->open = 0;
  }
  if (--busy_with_dialog <= 0) {
    busy_with_dialog = 0;
    dialog_widgets->graphics_focus();
  }
  // Tiles the client did not free go with the dialog: their handles go stale.
  for (TileRecord *t : live_tiles())
    if (t->dialog == top->record && t->handle != top->record) free_tile(*t);
  if (TileRecord *record = find_tile(top->record)) PushObject(kTileClass, tile_index(*record));
  top->shell = top->board = 0;
  top->record = 0;
}

}  // namespace

void close_all_dialogs() {
  while (top_dialog() != nullptr) close_top_dialog(false, 0);
}

void dialog_init(Packet &p, std::size_t) {
  close_all_dialogs();
  InitObjectPools();
  dialog_env = DialogEnvironment{};
  dialog_env.last_colour = kNoColour;
  dialog_widgets->open_environment(dialog_env);
  int width = std::max(1, dialog_env.char_width);
  int height = dialog_env.char_height;
  if constexpr (kSecondBuild) height = std::min(height, 2 * width - 1);
  dialog_env.char_width = width;
  dialog_env.char_height = std::max(1, height);
  dialog_env.width4 = 4 * width;
  dialog_env.ready = true;

  p.put_u16(20, static_cast<std::uint16_t>(dialog_env.char_width));
  p.put_u16(22, static_cast<std::uint16_t>(dialog_env.char_height));
  static constexpr std::uint16_t constants[] = {2000, 2000, 2, 2, 4, 4, 2, 4, 3, 6};
  for (std::size_t i = 0; i < std::size(constants); ++i) p.put_u16(24 + 2 * i, constants[i]);
  busy_with_dialog = 0;
  p.put_i16(kDialogStatus, 1);
}

void dialog_create(Packet &p, std::size_t) {
  if (!dialog_env.ready || !dialog_widgets->available()) return;
  // The stack has kDialogLevels entries, whatever the flags ask.
  if (dialog_env.level >= kDialogLevels) {
    p.put_i16(kDialogStatus, -1);
    return;
  }
  std::string_view label = p.text(kDialogLabel);
  const std::string title = title_text(label.empty() ? std::string_view(" ") : label);
  TileRecord *record = new_tile(kKindDialog, -1);
  if (record == nullptr) return;
  if (!dialog_env.colours_read) {
    dialog_widgets->read_colours(dialog_env);
    dialog_env.colours_read = true;
  }
  ++busy_with_dialog;
  DialogStackEntry &e = dialog_stack[dialog_env.level];
  e = DialogStackEntry{};
  e.shell = dialog_widgets->create_dialog(title, dialog_env, e.board);
  e.open = 1;
  e.x = -1;
  e.record = record->handle;

  record->flags = p.u32(kDialogFlags);
  record->acad_handle = p.u32(kDialogAcad);
  record->char_width = static_cast<std::uint16_t>(dialog_env.char_width);
  record->char_height = static_cast<std::uint16_t>(dialog_env.char_height);
  record->layout[0] = p.i16(34);
  record->layout[1] = p.i16(36);
  record->dialog = record->handle;
  record->widget = e.board;
  ++dialog_env.level;

  p.put_u32(kDialogRecord, record->handle);
  p.put_i16(kDialogWidth, std::max<int>(p.i16(kDialogWidth), kDialogMinimum));
  p.put_i16(kDialogHeight, std::max<int>(p.i16(kDialogHeight), kDialogMinimum));
  p.put_i16(kDialogStatus, 1);
}

void dialog_size(Packet &p, std::size_t) {
  TileRecord *record;
  DialogStackEntry *top = top_named(p, record);
  if (top == nullptr) return;
  top->width = clamp_size(static_cast<long long>(p.i16(24)) + p.i16(28) + dialog_env.char_width);
  top->height = clamp_size(static_cast<long long>(p.i16(26)) + p.i16(30) + dialog_env.char_height);
  if (p.i16(20) >= 0 && p.i16(22) >= 0) {
    top->x = p.i16(20);
    top->y = p.i16(22);
  } else {
    top->x = -1;
  }
  p.put_i16(kDialogStatus, 1);
}

void dialog_title(Packet &p, std::size_t) {
  TileRecord *record;
  DialogStackEntry *top = top_named(p, record);
  if (top == nullptr) return;
  dialog_widgets->set_title(top->shell, title_text(p.text(kDialogValue)));
  p.put_i16(kDialogStatus, 1);
}

void dialog_start(Packet &p, std::size_t) {
  TileRecord *record;
  DialogStackEntry *top = top_named(p, record);
  if (top == nullptr) return;
  if (!(record->flags & kTileFreeNesting) && !top->started) {
    top->started = true;
    dialog_widgets->show_dialog(top->shell, top->board);
  }
  dialog_place(top->shell);
  dialog_widgets->dialog_cursor(top->shell);
  // The focus: the tile word 20 names, else the initial-focus tile set
  // before, else the default tile.
  const std::uint32_t named = p.u32(20);
  TileRecord *tile = nullptr;
  if (named != 0) {
    tile = find_tile(named);
  } else {
    tile = find_tile(top->focus_tile);
    if (tile == nullptr) tile = find_tile(top->default_tile);
  }
  if (tile != nullptr && tile->dialog == top->record && tile != record) set_tile_focus(*tile);
  p.put_i16(kDialogStatus, 1);
}

void dialog_mode(Packet &p, std::size_t) {
  TileRecord *record;
  DialogStackEntry *top = top_named(p, record);
  if (top == nullptr) return;
  switch (p.i16(kDialogFlags)) {
    case 0:
      dialog_widgets->show_dialog(top->shell, top->board);
      p.put_i16(kDialogStatus, 1);
      break;
    case 1: p.put_i16(kDialogStatus, 1); break;
    default: break;
  }
}

void dialog_free(Packet &p, std::size_t) {
  TileRecord *record;
  DialogStackEntry *top = top_named(p, record);
  if (top == nullptr) return;
  // The reply carries where the dialog was last.
  int x = 0, y = 0, width = 0, height = 0;
  dialog_widgets->widget_geometry(top->shell, x, y, width, height);
  p.put_i32(20, x);
  p.put_i32(24, y);
  close_top_dialog(true, p.u32(kDialogAcad));
  p.put_i16(kDialogStatus, 1);
}

void dialog_place(WidgetId shell) {
  DialogStackEntry *e = nullptr;
  for (int l = 0; l < dialog_env.level && l < kDialogLevels; ++l)
    if (dialog_stack[l].open && dialog_stack[l].shell == shell) e = &dialog_stack[l];
  if (e == nullptr) return;
  int x = 0, y = 0, width = 0, height = 0;
  if (e->width == 0 || e->height == 0) {  // no size given: the shell's own
    dialog_widgets->widget_geometry(shell, x, y, width, height);
    e->width = clamp_size(width);
    e->height = clamp_size(height);
  }
  if (e->x == -1) {
    int fx = 0, fy = 0, fw = 0, fh = 0;
    dialog_widgets->frame_geometry(fx, fy, fw, fh);
    e->x = fx + (fw - e->width) / 2;
    e->y = fy + (fh - e->height) / 2;
  }
  dialog_widgets->place_shell(shell, e->board, true, e->x, e->y, e->width, e->height);
}

TileRecord *create_parent(const Packet &p) {
  const DialogStackEntry *top = top_dialog();
  TileRecord *parent = top != nullptr ? find_tile(p.u32(kDialogRecord)) : nullptr;
  if (parent == nullptr || parent->dialog != top->record) return nullptr;
  const bool holds_tiles =
      parent->kind == kKindDialog || parent->kind == kKindFramedCluster || parent->kind == kKindCluster;
  return holds_tiles && parent->widget != 0 ? parent : nullptr;
}

TileRecord *new_tile(int kind, int cls) {
  const int index = PopObject(kTileClass);
  if (index < 0) return nullptr;
  TileRecord &t = tile_at(index);
  if (cls >= 0 && (t.extra = PopObject(cls)) < 0) {
    PushObject(kTileClass, index);
    return nullptr;
  }
  t.kind = kind;
  return &t;
}

void finish_tile_create(Packet &p, std::size_t, TileRecord &parent, TileRecord &tile, bool first, bool second) {
  std::uint32_t flags = p.u32(kDialogFlags);
  if (first) flags |= kTileExtraFirst;
  if (second) flags |= kTileExtraSecond;
  p.put_u32(kDialogFlags, flags);
  tile.next = parent.child;
  parent.child = tile.handle;
  tile.parent = parent.handle;
  tile.dialog = parent.dialog;
  tile.flags = flags;
  tile.acad_handle = p.u32(kDialogAcad);
  tile.layout[0] = p.i16(34);
  tile.layout[1] = p.i16(36);
  if (DialogStackEntry *e = dialog_of(tile)) {
    if (flags & kTileDefault) e->default_tile = tile.handle;
    if (flags & kTileCancel) e->cancel_tile = tile.handle;
  }
  int width = 0, height = 0;
  if (tile.widget != 0) dialog_widgets->natural_size(tile.widget, width, height);
  p.put_i16(kDialogWidth, std::max<int>(p.i16(kDialogWidth), std::min(width, 32767)));
  p.put_i16(kDialogHeight, std::max<int>(p.i16(kDialogHeight), std::min(height, 32767)));
  p.put_u32(kDialogRecord, tile.handle);
  p.put_i16(kDialogStatus, 1);
}

TileLook tile_look(std::uint32_t flags, std::uint32_t handle) {
  return {dialog_env.foreground, dialog_env.background, (flags & kTileEnabled) != 0, (flags & kTileTraversal) != 0,
          handle};
}

void set_tile_focus(TileRecord &tile) {
  WidgetId target = tile.widget;
  if (tile.kind == kKindEdit && tile.extra >= 0) target = edit_extra(tile.extra).field;
  dialog_env.setting_focus = true;
  if (target != 0) dialog_widgets->focus(target);
  if (DialogStackEntry *e = dialog_of(tile)) e->focus_tile = tile.handle;
  dialog_env.setting_focus = false;
}
