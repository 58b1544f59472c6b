// The second program's segments as display objects of the graphics library,
// with its 3D faces compiled into the open one and its 3D bracket.
#include <vector>

#include "base/utilities.h"
#include "commands/commands.h"
#include "render3d/lights.h"
#include "render3d/model_vectors.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/segments.h"
#include "support/test_packet.h"
#include "unit/render3d/face_fixture.h"

namespace {

class Segments : public FaceTest {
 protected:
  std::uint32_t background = 0;

  void SetUp() override {
    FaceTest::SetUp();
    clear_black();
    background = kgl_read_normal(50, 30);
    MyZbuffer(1);
    MyClearZbuffer();
    MyZbuffer(0);
  }
  void TearDown() override {
    close_segment();
    for (int id : ids()) delete_segment(id);
    FaceTest::TearDown();
  }

  static std::vector<std::uint32_t> ids() {
    std::vector<std::uint32_t> out;
    for (const SegmentRecord *s = SegmentList.next; s != nullptr; s = s->next) out.push_back(s->id);
    return out;
  }
  static const SegmentRecord *record(std::uint32_t id) {
    for (const SegmentRecord *s = SegmentList.next; s != nullptr; s = s->next)
      if (s->id == id) return s;
    return nullptr;
  }
  // An 8 x 8 square at x, counter-clockwise unless asked.
  static void square(float x, bool clockwise = false) {
    const float v[4][3] = {{x, 10, -1}, {x + 8, 10, -1}, {x + 8, 18, -1}, {x, 18, -1}};
    bgnpolygon();
    for (int i = 0; i < 4; ++i) v3f(v[clockwise ? 3 - i : i]);
    endpolygon();
  }
  bool shows(float x) const { return kgl_read_normal(static_cast<int>(x) + 4, 14) != background; }
  static void white() {
    const float w[3] = {1, 1, 1};
    c3f(w);
  }
  static TestPacket packet(int opcode, std::uint32_t id) {
    TestPacket t(opcode, 16);
    t.p.put_u32(4, id);
    return t;
  }
};

TEST_F(Segments, OpenCloseAndDrawKeepOneRecordAnId) {
  white();
  open_segment(5);
  square(2);
  EXPECT_FALSE(shows(2)) << "compiled, not drawn";
  open_segment(6);  // closes 5
  square(14);
  EXPECT_EQ(record(5)->open, 0u);
  EXPECT_EQ(record(6)->open, 1u);
  EXPECT_EQ(open_segment_id, 6u);
  TestPacket close(83, 4);
  pcseg(close.p);
  EXPECT_EQ(seg_is_open, 0);
  EXPECT_EQ(open_segment_id, kNoSegment);

  // An id opened again starts afresh: its old record and object go.
  open_segment(5);
  close_segment();
  EXPECT_EQ(ids(), (std::vector<std::uint32_t>{6, 5}));

  white();
  draw_segment(99);  // unknown: nothing
  draw_segment(5);   // empty now
  EXPECT_FALSE(shows(2));
  draw_segment(6);
  EXPECT_TRUE(shows(14));
}

TEST_F(Segments, DeletingOrDrawingTheOpenSegmentEndsItsCompilation) {
  open_segment(7);
  const Int32 object = static_cast<Int32>(record(7)->object);
  for (std::uint32_t id : {0u, 0xFFFFFFFDu}) {
    TestPacket remove = packet(84, id);
    pdseg(remove.p);
  }
  EXPECT_EQ(open_segment_id, 7u) << "id 0 is never deleted, an unknown one is not there";
  TestPacket remove = packet(84, 7);
  pdseg(remove.p);
  EXPECT_EQ(seg_is_open, 0);
  EXPECT_EQ(open_segment_id, kNoSegment);
  EXPECT_TRUE(ids().empty());
  EXPECT_FALSE(isobj(object));
  white();
  square(2);
  EXPECT_TRUE(shows(2)) << "drawing goes to the screen again";

  open_segment(8);
  square(26);
  EXPECT_FALSE(shows(26));
  TestPacket draw = packet(94, 8);
  draw.i16(10, 3);
  pdrawseg(draw.p);
  EXPECT_EQ(seg_is_open, 0);
  EXPECT_TRUE(shows(26));
  EXPECT_EQ(RenderMode, kRenderFilledTwoSided);
}

// Ids are unsigned 32-bit numbers, the highest included; the culling a draw
// asks for ends with it.
TEST_F(Segments, HighIdsWorkAndCullingEndsWithTheDraw) {
  for (const std::uint32_t id : {0x80000000u, 0xFFFFFFFFu}) {
    TearDown();
    SetUp();
    white();
    open_segment(id);
    square(2);
    square(14, true);
    close_segment();
    TestPacket draw = packet(94, id);
    draw.i16(10, 3);
    draw.p.put_u32(12, 8);
    pdrawseg(draw.p);
    EXPECT_TRUE(shows(2)) << id;
    EXPECT_FALSE(shows(14)) << "culled " << id;
    EXPECT_EQ(getbackface(), 0);
    square(26, true);
    EXPECT_TRUE(shows(26)) << "not culled after the draw " << id;
    TestPacket remove = packet(84, id);
    pdseg(remove.p);
    EXPECT_TRUE(ids().empty()) << id;
    clear_black();
    white();
    pdrawseg(draw.p);
    EXPECT_FALSE(shows(2)) << "deleted " << id;
  }
}

// Segments drawn inside others nest; a chain where each calls the next twice
// would double the work at every level, and an id given again after a delete
// could make a segment call itself.
TEST_F(Segments, NestedSegmentsDrawAndAChainOfThemStaysBounded) {
  constexpr int kLevels = 40;
  white();
  open_segment(kLevels);
  square(2);
  for (int id = kLevels - 1; id >= 1; --id) {
    open_segment(id);
    draw_segment(id + 1);
    draw_segment(id + 1);
  }
  close_segment();
  EXPECT_FALSE(shows(2));
  draw_segment(kLevels - 2);  // four calls of the square
  EXPECT_TRUE(shows(2));
  draw_segment(1);  // returns

  // Segment 3 calls 2; 2 goes and 4 comes, then calls 3.
  open_segment(2);
  close_segment();
  open_segment(3);
  draw_segment(2);
  draw_segment(2);
  close_segment();
  delete_segment(2);
  open_segment(4);
  draw_segment(3);
  draw_segment(3);
  close_segment();
  draw_segment(4);  // returns
}

TEST_F(Segments, FacesGoIntoTheOpenSegmentInsteadOfTheList) {
  const auto face = [](int opcode, std::uint32_t flags, float x) {
    TestPacket t(opcode, 272);
    t.p.put_u32(4, flags);
    t.i16(8, 4);
    const double v[4][2] = {{x, 10}, {x + 8, 10}, {x + 8, 18}, {x, 18}};
    for (int i = 0; i < 4; ++i) t.f64(40 + 24 * i, v[i][0]).f64(48 + 24 * i, v[i][1]).f64(56 + 24 * i, -1);
    for (int i = 0; i < 4; ++i) t.f64(136 + 24 * i + 16, 1);  // pnpoly3's vertex normals
    return t;
  };
  New_FACE_Page();
  open_segment(9);
  TestPacket plain = face(85, 0, 2), normals = face(86, 0, 14), line(88, 88);
  ppoly3(plain.p);
  pnpoly3(normals.p);
  line.f64(40, 26).f64(48, 14).f64(56, -1).f64(64, 34).f64(72, 14).f64(80, -1);
  pvec3(line.p);
  TestPacket two = face(85, 0, 40);
  two.i16(8, 2);
  ppoly3(two.p);  // a line: to the list
  close_segment();
  EXPECT_EQ(dentity_count, 1);
  EXPECT_FALSE(shows(2));
  white();
  draw_segment(9);
  EXPECT_TRUE(shows(2));
  EXPECT_TRUE(shows(14));
  EXPECT_NE(kgl_read_normal(30, 14), background);
}

TEST_F(Segments, TheBracketKeepsADirectClientsFacesAndResetsAnotherClientsBounds) {
  ClientRecord *saved = WhoIsCalling;
  const std::int16_t saved_id = MainApp.app_id;
  WhoIsCalling = &MainApp;
  TestPacket begin(95, 12);
  begin.i16(4, 3);
  begin.p.put_u32(8, 1);

  // A direct client: z-buffering on, the face list kept.
  MainApp.app_id = 0;
  store(face({{2, 10}, {10, 10}, {10, 18}}));
  p3d(begin.p);
  EXPECT_EQ(getzbuffer(), 1);
  EXPECT_EQ(dentity_count, 1);
  EXPECT_EQ(Rendering, 1);

  // Another client: the list is freed, and with it the view and the bounds.
  MainApp.app_id = 3;
  ViewSet = ProjSet = 1;
  const float point[3] = {1, 2, 3};
  WidenModelBounds(point);
  p3d(begin.p);
  EXPECT_EQ(dentity_count, 0);
  EXPECT_EQ(ViewSet, 0);
  EXPECT_EQ(ProjSet, 0);
  EXPECT_EQ(ModelMin[0], 1e38f);
  EXPECT_EQ(ModelMax[2], -1e38f);

  // Its end draws the list, also with a segment left open.
  store(face({{2, 10}, {10, 10}, {10, 18}, {2, 18}}));
  open_segment(12);
  TestPacket end(95, 12);
  end.p.put_u32(8, 4);
  p3d(end.p);
  EXPECT_EQ(seg_is_open, 0);
  EXPECT_TRUE(shows(2));
  EXPECT_EQ(Rendering, 0);
  EXPECT_EQ(getzbuffer(), 0);
  MainApp.app_id = saved_id;
  WhoIsCalling = saved;
}

}  // namespace
