// The 3D primitive and segment packets called directly: the records they
// store, what they refuse, batches, the drawing bracket and the segment
// state.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "face_fixture.h"
#include "render3d/lights.h"
#include "render3d/model_vectors.h"
#include "render3d/primitives.h"
#include "render3d/segments.h"
#include "support/test_packet.h"

namespace {

struct P3 {
  double x, y, z;
};

class Primitives : public FaceTest {
 protected:
  void SetUp() override {
    FaceTest::SetUp();
    New_FACE_Page();
    cur_color[0] = 0, cur_color[1] = 1, cur_color[2] = 0;
    for (int i = 0; i < 3; ++i) ModelMin[i] = 1e38f, ModelMax[i] = -1e38f;
  }
  // A face packet: opcode, flags, count and the positions (normals or
  // colours after them when given).
  static TestPacket face_packet(int opcode, std::uint32_t flags, int count, const std::vector<P3> &pos,
                                std::size_t length = 272) {
    TestPacket t(opcode, length);
    t.p.put_u32(4, flags);
    t.i16(8, count);
    std::size_t off = 40;
    for (const P3 &v : pos) {
      t.f64(off, v.x).f64(off + 8, v.y).f64(off + 16, v.z);
      off += 24;
    }
    return t;
  }
  static int stored() { return dentity_count; }
  static const FaceRecord &record(int i) { return *FACE_ListHead->record(i); }
};

TEST_F(Primitives, FacesDropRepeatedVerticesAndTakeTheirKind) {
  const P3 a = {1, 1, -1}, b = {9, 1, -1}, c = {9, 9, -1}, d = {1, 9, -1};
  const struct {
    int count;
    std::vector<P3> pos;
    int stored_count;
    std::uint32_t kind;
  } cases[] = {
      {4, {a, b, c, a}, 3, kRenderFlat},            // the last equals the first
      {3, {a, a, c}, 2, kRenderPlainOutline},       // a line
      {1, {c}, 1, kRenderPlainPoints},
      {7, {a, b, c, d}, 4, kRenderFlat},            // more than 4 counts as 4
      {4, {a, a, a, a}, 1, kRenderPlainPoints},
  };
  int n = 0;
  for (const auto &k : cases) {
    TestPacket t = face_packet(85, 0, k.count, k.pos);
    ppoly3(t.p);
    ASSERT_EQ(stored(), ++n) << k.count;
    EXPECT_EQ(record(n - 1).count, k.stored_count) << n;
    EXPECT_EQ(record(n - 1).kind, k.kind) << n;
  }
  TestPacket none = face_packet(85, 0, 0, {a, b, c});
  ppoly3(none.p);
  EXPECT_EQ(stored(), n);

  // No colour given: lit, the current material and colour; edges kept.
  const FaceRecord &tri = record(0);
  EXPECT_EQ(tri.flags, kFaceLit | kFaceMaterial);
  EXPECT_EQ(tri.colour[1], 1.0f);
  EXPECT_FLOAT_EQ(tri.normal[2], 1.0f);
  EXPECT_FLOAT_EQ(tri.plane, -1.0f);
  EXPECT_FLOAT_EQ(tri.centroid[0], 19.0f / 3);
  TestPacket given = face_packet(85, 0x20 | 4, 3, {a, b, c});
  given.f64(144, 0.25).f64(152, 0.5).f64(160, 0.75);
  ppoly3(given.p);
  EXPECT_EQ(record(n).flags, kFaceColoured | 0x20u | 4u);
  EXPECT_EQ(record(n).colour[2], 0.75f);
  // The bounds take in every vertex given.
  EXPECT_EQ(ModelMin[0], 1.0f);
  EXPECT_EQ(ModelMax[1], 9.0f);
  EXPECT_EQ(ModelMin[2], -1.0f);
  EXPECT_EQ(ModelMax[2], -1.0f);
}

TEST_F(Primitives, PacketsShortForTheirCountOrNotFiniteAreRefused) {
  const P3 a = {1, 1, -1}, b = {9, 1, -1}, c = {9, 9, -1};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TestPacket short_face = face_packet(85, 0, 3, {a, b, c}, 40 + 24 * 3 - 1);
  TestPacket short_colour = face_packet(85, 0x20, 3, {a, b, c}, 160);
  TestPacket not_finite = face_packet(85, 0, 3, {a, {1e300, 1, -1}, c});
  TestPacket short_normals = face_packet(86, 0, 3, {a, b, c}, 136 + 24 * 3 - 1);
  TestPacket bad_normal = face_packet(86, 0, 3, {a, b, c});
  bad_normal.f64(136 + 8, nan);
  TestPacket short_vector(88, 87);
  for (TestPacket *t : {&short_face, &short_colour, &not_finite, &short_normals, &bad_normal, &short_vector}) {
    if (t->p.opcode() == 88)
      pvec3(t->p);
    else if (t->p.opcode() == 86)
      pnpoly3(t->p);
    else
      ppoly3(t->p);
  }
  EXPECT_EQ(stored(), 0);
  EXPECT_EQ(ModelMax[0], -1e38f);
}

TEST_F(Primitives, VertexNormalsAndVertexColours) {
  const P3 a = {1, 1, -1}, b = {9, 1, -1}, c = {9, 9, -1};
  // All zero: each vertex takes the face normal.
  TestPacket zero = face_packet(86, 0, 3, {a, b, c});
  pnpoly3(zero.p);
  // Pointing away from the face normal: turned round and normalised.
  TestPacket away = face_packet(86, 0, 3, {a, b, c});
  for (int i = 0; i < 3; ++i) away.f64(136 + 24 * static_cast<std::size_t>(i) + 16, -2.0);
  pnpoly3(away.p);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(record(r).kind, kRenderVertexFaces);
    EXPECT_EQ(record(r).flags, kFaceLit | kFaceMaterial | kFacePerVertex);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(record(r).v[i].extra[2], 1.0f) << r << i;
  }

  ::testing::internal::CaptureStdout();
  TestPacket coloured = face_packet(87, 0x20, 3, {a, b, c});
  for (int i = 0; i < 3; ++i) coloured.f64(144 + 32 * static_cast<std::size_t>(i), 0.5 * i);
  pcpoly3(coloured.p);
  TestPacket plain = face_packet(87, 0, 2, {a, c});
  pcpoly3(plain.p);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "PCPOLY3: ColorsPCPOLY3: Not Colors");
  EXPECT_EQ(record(2).kind, kRenderVertexFaces);
  EXPECT_EQ(record(2).flags, kFaceColoured | kFacePerVertex | 0x20u);
  EXPECT_EQ(record(2).v[2].extra[0], 1.0f);
  EXPECT_EQ(record(3).kind, kRenderPlainOutline);
  EXPECT_EQ(record(3).flags, kFaceMaterial | kFacePerVertex);
  EXPECT_EQ(record(3).v[1].extra[1], 1.0f);   // the current colour
}

TEST_F(Primitives, BatchesWalkOnlyWholeEnclosedPackets) {
  const auto enclosed = [](TestPacket &batch, std::size_t off, int opcode, int length) {
    batch.i16(off, opcode).i16(off + 2, length);
    batch.p.put_u32(off + 4, 0);
    batch.i16(off + 8, 3);
    const double xy[3][2] = {{1, 1}, {9, 1}, {9, 9}};
    for (std::size_t i = 0; i < 3; ++i)
      batch.f64(off + 40 + 24 * i, xy[i][0]).f64(off + 48 + 24 * i, xy[i][1]).f64(off + 56 + 24 * i, -1);
  };
  TestPacket batch(108, 16 + 3 * 176);
  batch.i16(4, 5);   // claims five
  batch.p.put_u32(8, 16);
  enclosed(batch, 16, 85, 176);
  enclosed(batch, 192, 99, 176);        // skipped
  enclosed(batch, 368, 85, 176);
  pbpoly3(batch.p);
  EXPECT_EQ(stored(), 2);

  // One too long for the batch, one shorter than its header: the walk ends.
  TestPacket bad(108, 16 + 176);
  bad.i16(4, 2);
  bad.p.put_u32(8, 16);
  enclosed(bad, 16, 85, 177);
  pbpoly3(bad.p);
  bad.i16(18, 2);
  pbpoly3(bad.p);
  bad.p.put_u32(8, 0xFFFFFFF0u);
  pbpoly3(bad.p);
  EXPECT_EQ(stored(), 2);
}

TEST_F(Primitives, VectorsOfTheirOwnColourAreDrawnAndKept) {
  const auto vector = [](std::uint32_t flags, double y) {
    TestPacket t(88, 88);
    t.p.put_u32(4, flags);
    t.f64(16, 1).f64(24, 0).f64(32, 0);
    t.f64(40, 5).f64(48, y).f64(56, -1).f64(64, 30).f64(72, y).f64(80, -1);
    return t;
  };
  TestPacket own = vector(4, 10), now = vector(0x40 | 4, 20), current = vector(0, 30);
  pvec3(own.p);
  pvec3(now.p);
  pvec3(current.p);
  EXPECT_EQ(kgl_read_normal(15, 10), 0xFF0000FFu);
  EXPECT_EQ(kgl_read_normal(15, 20), 0xFF0000FFu);
  EXPECT_EQ(kgl_read_normal(15, 30), 0u);   // stored only
  ASSERT_EQ(stored(), 2);
  EXPECT_EQ(record(0).flags, 0u);
  EXPECT_EQ(record(1).flags, kFaceMaterial);
  EXPECT_EQ(record(1).colour[1], 1.0f);
}

TEST_F(Primitives, AnEmptyDrawingHasNoExtent) {
  TestPacket bracket(95, 12);
  bracket.i16(4, 2);
  bracket.p.put_u32(8, 1 | 4);
  vp_info[0].flags = kVpSavedImage;
  p3d(bracket.p);
  EXPECT_EQ(RenderMode, kRenderFlatTwoSided);
  EXPECT_EQ(ModelDiag, 0.0f);
  EXPECT_EQ(ModelCtr[0], 0.0f);
  EXPECT_EQ(Rendering, 0);
  EXPECT_EQ(vp_info[0].flags, kVpShaded);
  EXPECT_EQ(getbackface(), 0);
  EXPECT_EQ(getsm(), 0);

  // A drawing of two points: its centre and diagonal.
  bracket.p.put_u32(8, 1);
  p3d(bracket.p);
  TestPacket v(88, 88);
  v.f64(40, 0).f64(48, 0).f64(56, 0).f64(64, 2).f64(72, 3).f64(80, 6);
  pvec3(v.p);
  bracket.p.put_u32(8, 4);
  p3d(bracket.p);
  EXPECT_EQ(ModelDiag, 7.0f);
  EXPECT_EQ(ModelCtr[2], 3.0f);
  RenderMode = kRenderFilledTwoSided;
}

TEST_F(Primitives, SegmentsKeepTheOpenOneAndTheRenderMode) {
  TestPacket open(82, 8);
  open.i32(4, 5);
  poseg(open.p);
  open.i32(4, 6);
  poseg(open.p);
  EXPECT_EQ(seg_is_open, 1);
  EXPECT_EQ(open_segment_id, 6u);
  TestPacket remove(84, 8);
  for (int id : {0, -3}) {
    remove.i32(4, id);
    pdseg(remove.p);
  }
  EXPECT_EQ(open_segment_id, 6u);
  TestPacket close(83, 4);
  pcseg(close.p);
  EXPECT_EQ(seg_is_open, 0);
  EXPECT_EQ(open_segment_id, kNoSegment);

  // The culling the flags ask for lasts only while the segment is drawn.
  TestPacket draw(94, 16);
  const struct {
    int style;
    std::uint32_t flags, mode;
    int back_before;
  } cases[] = {{1, 8, kRenderHidden, 0}, {2, 0, kRenderFlatTwoSided, 1}, {5, 7, kRenderPlainOutline, 0},
               {7, 8, kRenderFilledTwoSided, 1}};
  for (const auto &k : cases) {
    backface(k.back_before);
    draw.i16(10, k.style);
    draw.p.put_u32(12, k.flags);
    pdrawseg(draw.p);
    EXPECT_EQ(RenderMode, k.mode) << k.style;
    EXPECT_EQ(getbackface(), k.back_before) << k.style;
    EXPECT_EQ(getfrontface(), 0);
    EXPECT_EQ(getsm(), 1);
  }
  backface(0);
  shademodel(0);
}

}  // namespace
