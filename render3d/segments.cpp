// The 3D segment packets and the segment list.
#include "render3d/segments.h"

#include <cstdlib>

#include "base/packet.h"
#include "commands/commands.h"
#include "kovagl/gl.h"
#include "render3d/primitives.h"

SegmentRecord SegmentList = {-1, 0, 0, nullptr, nullptr};
int seg_is_open;
int open_segment_id = -1;

namespace {

SegmentRecord *find_segment(int id) {
  for (SegmentRecord *s = SegmentList.next; s != nullptr; s = s->next)
    if (s->id == id) return s;
  return nullptr;
}

}  // namespace

void close_segment() {
  if (seg_is_open && open_segment_id != -1) {
    SegmentRecord *s = find_segment(open_segment_id);
    if (s != nullptr && s->open == 1) {
      s->open = 0;
      closeobj();
    }
  }
  seg_is_open = 0;
  open_segment_id = -1;
}

void open_segment(int id) {
  if (seg_is_open) close_segment();
  if (SegmentList.next == nullptr) {
    auto *s = static_cast<SegmentRecord *>(std::malloc(sizeof(SegmentRecord)));
    if (s != nullptr) {
      *s = {-1, 0, 0, nullptr, &SegmentList};
      SegmentList.next = s;
    }
  }
  seg_is_open = 1;
  open_segment_id = id;
}

void delete_segment(int id) {
  if (id < 1) return;
  SegmentRecord *s = find_segment(id);
  if (s == nullptr) return;
  if (s->open) {
    s->open = 0;
    closeobj();
  }
  if (isobj(static_cast<Int32>(s->object))) delobj(static_cast<Int32>(s->object));
}

int poseg(Packet &p) {
  open_segment(p.i32(4));
  return 0;
}

int pcseg(Packet &) {
  close_segment();
  seg_is_open = 0;
  return 0;
}

int pdseg(Packet &p) {
  delete_segment(p.i32(4));
  return 0;
}

int pdrawseg(Packet &p) {
  RenderMode = RenderModeOfStyle(p.i16(10));
  shademodel(1);
  frontface(0);
  backface((p.u32(12) & 8) ? 1 : 0);
  return 0;
}
