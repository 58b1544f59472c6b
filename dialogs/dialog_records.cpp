// Object pools, tile handles, the dialog environment and the dialog stack.
#include "dialogs/dialog_records.h"

#include <deque>

int obj_sizes[kObjectClasses];
DialogEnvironment dialog_env;
DialogStackEntry dialog_stack[kDialogLevels];

namespace {

constexpr int kFirstBatch[kObjectClasses] = {10, 5, 1, 2, 3, 16, 4};
constexpr int kRecordSizes[kObjectClasses] = {76, 48, 16, 20, 48, 20, 12};

// A class's stack of record indexes: [0, top] handed out, (top, filled]
// free, and which records are live.
struct Pool {
  int stack[kPoolCapacity];
  int top = -1, filled = -1;
  std::vector<std::uint8_t> live;
};
Pool pools[kObjectClasses];

// The records themselves; a deque keeps every record where it is while the
// class grows.
std::deque<TileRecord> tiles;
std::deque<EditExtra> edits;
std::deque<ClusterExtra> clusters;
std::deque<ListExtra> lists;
std::deque<PopupExtra> popups;
std::deque<ImageExtra> images;
std::deque<SliderExtra> sliders;

// A handle: a serial number above the record's index. The serial moves on
// with every tile made (across inits too), so a handle of a freed record
// names nothing even when its record is in use again.
constexpr int kIndexBits = 13;
static_assert(kPoolCapacity == 1 << kIndexBits);
constexpr std::uint32_t kIndexMask = kPoolCapacity - 1;
constexpr std::uint32_t kSerialLimit = 1u << (32 - kIndexBits);
std::uint32_t tile_serial;

std::uint32_t next_handle(int index) {
  tile_serial = tile_serial + 1 < kSerialLimit ? tile_serial + 1 : 1;
  return tile_serial << kIndexBits | static_cast<std::uint32_t>(index);
}

void clear_records() {
  tiles.clear();
  edits.clear();
  clusters.clear();
  lists.clear();
  popups.clear();
  images.clear();
  sliders.clear();
}

// Adds one zeroed record to a class: its index.
int add_record(int cls) {
  switch (cls) {
    case kTileClass: tiles.emplace_back(); return static_cast<int>(tiles.size()) - 1;
    case kEditClass: edits.emplace_back(); return static_cast<int>(edits.size()) - 1;
    case kClusterClass: clusters.emplace_back(); return static_cast<int>(clusters.size()) - 1;
    case kListClass: lists.emplace_back(); return static_cast<int>(lists.size()) - 1;
    case kPopupClass: popups.emplace_back(); return static_cast<int>(popups.size()) - 1;
    case kImageClass: images.emplace_back(); return static_cast<int>(images.size()) - 1;
    default: sliders.emplace_back(); return static_cast<int>(sliders.size()) - 1;
  }
}

void zero_record(int cls, int index) {
  switch (cls) {
    case kTileClass: tiles[index] = TileRecord{}; tiles[index].extra = -1; break;
    case kEditClass: edits[index] = EditExtra{}; break;
    case kClusterClass: clusters[index] = ClusterExtra{}; break;
    case kListClass: lists[index] = ListExtra{}; break;
    case kPopupClass: popups[index] = PopupExtra{}; break;
    case kImageClass: images[index] = ImageExtra{}; break;
    default: sliders[index] = SliderExtra{}; break;
  }
}

bool valid_class(int cls) { return cls >= 0 && cls < kObjectClasses; }

}  // namespace

void InitObjectPools() {
  clear_records();
  for (int c = 0; c < kObjectClasses; ++c) {
    pools[c].top = pools[c].filled = -1;
    pools[c].live.clear();
    obj_sizes[c] = kRecordSizes[c];
  }
  for (int c = 0; c < kObjectClasses; ++c) GrowObjectPool(c, kFirstBatch[c]);
}

void GrowObjectPool(int cls, int n) {
  if (!valid_class(cls)) return;
  Pool &p = pools[cls];
  for (int i = 0; i < n && p.filled + 1 < kPoolCapacity; ++i) {
    const int index = add_record(cls);
    p.live.push_back(0);
    p.stack[++p.filled] = index;
  }
}

int PopObject(int cls) {
  if (!valid_class(cls)) return -1;
  Pool &p = pools[cls];
  if (p.top + 1 > p.filled) GrowObjectPool(cls, 5);  // only before the first init
  if (p.top + 1 > p.filled) return -1;               // the class is full
  ++p.top;
  if (p.top == p.filled) GrowObjectPool(cls, 5);
  const int index = p.stack[p.top];
  zero_record(cls, index);
  p.live[index] = 1;
  if (cls == kTileClass) tiles[index].handle = next_handle(index);
  return index;
}

bool PushObject(int cls, int index) {
  if (!valid_class(cls)) return false;
  Pool &p = pools[cls];
  if (index < 0 || static_cast<std::size_t>(index) >= p.live.size() || !p.live[index] || p.top < 0) return false;
  p.live[index] = 0;
  if (cls == kTileClass) tiles[index].handle = 0;
  p.stack[p.top--] = index;
  return true;
}

int pool_filled(int cls) { return valid_class(cls) ? pools[cls].filled + 1 : 0; }
int pool_live(int cls) { return valid_class(cls) ? pools[cls].top + 1 : 0; }

TileRecord &tile_at(int index) { return tiles[index]; }
EditExtra &edit_extra(int index) { return edits[index]; }
ClusterExtra &cluster_extra(int index) { return clusters[index]; }
ListExtra &list_extra(int index) { return lists[index]; }
PopupExtra &popup_extra(int index) { return popups[index]; }
ImageExtra &image_extra(int index) { return images[index]; }
SliderExtra &slider_extra(int index) { return sliders[index]; }

int tile_index(const TileRecord &tile) { return static_cast<int>(tile.handle & kIndexMask); }

TileRecord *find_tile(std::uint32_t handle) {
  if (handle == 0) return nullptr;
  const std::size_t index = handle & kIndexMask;
  if (index >= tiles.size() || !pools[kTileClass].live[index] || tiles[index].handle != handle) return nullptr;
  return &tiles[index];
}

std::vector<TileRecord *> live_tiles() {
  std::vector<TileRecord *> out;
  for (std::size_t i = 0; i < tiles.size(); ++i)
    if (pools[kTileClass].live[i]) out.push_back(&tiles[i]);
  return out;
}

DialogStackEntry *top_dialog() {
  return dialog_env.level > 0 && dialog_env.level <= kDialogLevels ? &dialog_stack[dialog_env.level - 1] : nullptr;
}

DialogStackEntry *dialog_of(const TileRecord &tile) {
  for (int l = 0; l < dialog_env.level && l < kDialogLevels; ++l)
    if (dialog_stack[l].open && dialog_stack[l].record == tile.dialog) return &dialog_stack[l];
  return nullptr;
}
