// The 3D segment packets and the segment list.
#include "render3d/segments.h"

#include <cstdint>
#include <cstdlib>

#include "base/build.h"
#include "base/packet.h"
#include "kovagl/gl.h"
#include "render3d/lights.h"
#include "render3d/primitives.h"
#include "render3d/rendering.h"

SegmentRecord SegmentList = {kNoSegment, 0, 0, 0, nullptr, nullptr};
int seg_is_open;
std::uint32_t open_segment_id = kNoSegment;

namespace {

SegmentRecord *find_segment(std::uint32_t id) {
  for (SegmentRecord *s = SegmentList.next; s != nullptr; s = s->next)
    if (s->id == id) return s;
  return nullptr;
}

// Ends the compilation of the record's object; when it is the open segment,
// nothing stays open.
void end_compiling(SegmentRecord *s) {
  if (seg_is_open && s->id == open_segment_id) {
    close_segment();
  } else if (s->open == 1) {
    s->open = 0;
    closeobj();
  }
}

// Second program: the record and its object go.
[[maybe_unused]] void drop_segment(SegmentRecord *s) {
  end_compiling(s);
  if (isobj(static_cast<Int32>(s->object))) delobj(static_cast<Int32>(s->object));
  s->prev->next = s->next;
  if (s->next != nullptr) s->next->prev = s->prev;
  std::free(s);
}

[[maybe_unused]] SegmentRecord *last_segment() {
  SegmentRecord *s = &SegmentList;
  while (s->next != nullptr) s = s->next;
  return s;
}

// A new object for a segment. Ids are not given again while unused ones are
// left: a segment that calls another keeps that object's id in its own, and
// a new segment taking the id of a deleted one would be called in its place,
// possibly by itself.
[[maybe_unused]] std::uint32_t new_segment_object() {
  static std::int64_t next_object = 1;
  while (next_object <= INT32_MAX && isobj(static_cast<Int32>(next_object))) ++next_object;
  if (next_object > INT32_MAX) return static_cast<std::uint32_t>(genobj());
  return static_cast<std::uint32_t>(next_object++);
}

}  // namespace

void close_segment() {
  if (seg_is_open && (kSecondBuild || open_segment_id != kNoSegment)) {
    SegmentRecord *s = find_segment(open_segment_id);
    if (s != nullptr && s->open == 1) {
      s->open = 0;
      closeobj();
    }
  }
  seg_is_open = 0;
  open_segment_id = kNoSegment;
}

void open_segment(std::uint32_t id) {
  if (seg_is_open) close_segment();
  if constexpr (kSecondBuild) {
    if (SegmentRecord *old = find_segment(id)) drop_segment(old);
    auto *s = static_cast<SegmentRecord *>(std::malloc(sizeof(SegmentRecord)));
    if (s == nullptr) return;
    SegmentRecord *tail = last_segment();
    *s = {id, 1, new_segment_object(), 1, nullptr, tail};
    tail->next = s;
    makeobj(static_cast<Int32>(s->object));
  } else if (SegmentList.next == nullptr) {
    auto *s = static_cast<SegmentRecord *>(std::malloc(sizeof(SegmentRecord)));
    if (s != nullptr) {
      *s = {kNoSegment, 0, 0, 0, nullptr, &SegmentList};
      SegmentList.next = s;
    }
  }
  seg_is_open = 1;
  open_segment_id = id;
}

void delete_segment(std::uint32_t id) {
  if (id == 0) return;
  SegmentRecord *s = find_segment(id);
  if (s == nullptr) return;
  if constexpr (kSecondBuild) return drop_segment(s);
  if (s->open) {
    s->open = 0;
    closeobj();
  }
  if (isobj(static_cast<Int32>(s->object))) delobj(static_cast<Int32>(s->object));
}

void draw_segment(std::uint32_t id) {
  SegmentRecord *s = find_segment(id);
  if (s == nullptr) return;
  end_compiling(s);
  if (!isobj(static_cast<Int32>(s->object))) return;
  if (SegmentRecord *into = seg_is_open ? find_segment(open_segment_id) : nullptr) {
    // Compiled into the open segment: segments that each call the next more
    // than once would otherwise make one draw call objects without end.
    if (s->calls > kSegmentCallMax - into->calls) return;
    into->calls += s->calls;
  }
  callobj(static_cast<Int32>(s->object));
}

int poseg(Packet &p) {
  open_segment(p.u32(4));
  return 0;
}

int pcseg(Packet &) {
  close_segment();
  seg_is_open = 0;
  return 0;
}

int pdseg(Packet &p) {
  delete_segment(p.u32(4));
  return 0;
}

int pdrawseg(Packet &p) {
  const std::uint32_t flags = p.u32(12), id = p.u32(4);
  if constexpr (kSecondBuild) {
    // The state below is set, not compiled into the segment it draws.
    if (seg_is_open && open_segment_id == id) close_segment();
  }
  RenderMode = RenderModeOfStyle(p.i16(10));
  shademodel(1);
  if constexpr (kSecondBuild) {
    if (flags & 4) lmbind(KGL_MATERIAL, MatlIndex & 0xFFFF);
  }
  const Int32 front = getfrontface(), back = getbackface();
  frontface(0);
  backface((flags & 8) ? 1 : 0);
  if constexpr (kSecondBuild) {
    RebindLights();
    MyZbuffer(1);
    draw_segment(id);
    MyZbuffer(0);
  }
  frontface(front);
  backface(back);
  return 0;
}
